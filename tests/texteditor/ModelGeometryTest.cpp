// Pixel geometry measured with the current ImGui font, in a headless context.
#include "HeadlessImGui.h"
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

using namespace tetest;

namespace {

float Width(const char* text) { return ImGui::CalcTextSize(text).x; }

class ModelGeometry : public ::testing::Test {
protected:
    void SetUp() override {
        imgui.BeginFrame();
        editor.charAdvance = ImVec2(Width("#"), ImGui::GetTextLineHeightWithSpacing());
        space = Width(" ");
        ASSERT_GT(space, 0.0f);
    }
    void TearDown() override { imgui.EndFrame(); }

    // A screen point on line `line`, x pixels right of the text's left edge.
    ImVec2 Point(int line, float x) const {
        const ImVec2 origin = ImGui::GetCursorScreenPos();
        return ImVec2(origin.x + editor.textStart + x, origin.y + (static_cast<float>(line) + 0.5f) * editor.charAdvance.y);
    }

    HeadlessImGui imgui;
    TextEditor editor;
    float space = 0.0f;
};

}  // namespace

TEST_F(ModelGeometry, DistanceSumsTheMeasuredWidthsOfTheCharactersBefore) {
    editor.SetText("ab\xC3\xA9z");
    EXPECT_FLOAT_EQ(editor.DistanceToLineStart(TextPosition(0, 0)), 0.0f);
    EXPECT_FLOAT_EQ(editor.DistanceToLineStart(TextPosition(0, 2)), Width("a") + Width("b"));
    EXPECT_FLOAT_EQ(editor.DistanceToLineStart(TextPosition(0, 3)), Width("a") + Width("b") + Width("\xC3\xA9"));
    EXPECT_FLOAT_EQ(editor.DistanceToLineStart(TextPosition(0, 99)), Width("ab\xC3\xA9z"));
}

TEST_F(ModelGeometry, ATabReachesTheNextMultipleOfTabSizeBlanks) {
    editor.SetText("\ta\n" "a\tb");
    const float stop = 4.0f * space;
    EXPECT_FLOAT_EQ(editor.DistanceToLineStart(TextPosition(0, 4)), stop);
    EXPECT_FLOAT_EQ(editor.DistanceToLineStart(TextPosition(0, 5)), stop + Width("a"));
    EXPECT_FLOAT_EQ(editor.DistanceToLineStart(TextPosition(1, 4)), stop);
    editor.SetTabSize(0);  // one blank per stop, no division by zero
    EXPECT_FLOAT_EQ(editor.DistanceToLineStart(TextPosition(0, 1)), space);
}

TEST_F(ModelGeometry, DistanceOnAMissingLineIsZero) {
    editor.SetText("abc");
    EXPECT_EQ(editor.DistanceToLineStart(TextPosition(3, 2)), 0.0f);
    EXPECT_EQ(editor.DistanceToLineStart(TextPosition(-1, 2)), 0.0f);
}

TEST_F(ModelGeometry, APointRightOfACharactersMiddleLandsAfterIt) {
    editor.SetText("abc\ndef");
    const float a = Width("a");
    EXPECT_EQ(editor.ScreenPosToPosition(Point(0, a * 0.5f + 0.5f)), TextPosition(0, 1));
    EXPECT_EQ(editor.ScreenPosToPosition(Point(0, a * 0.5f - 0.5f)), TextPosition(0, 0));
    EXPECT_EQ(editor.ScreenPosToPosition(Point(1, a + Width("b") * 0.5f + 0.5f)), TextPosition(1, 2));
    EXPECT_EQ(editor.ScreenPosToPosition(Point(1, 1000.0f)), TextPosition(1, 3));
    EXPECT_EQ(editor.ScreenPosToPosition(Point(0, -50.0f)), TextPosition(0, 0));  // over the gutter
}

TEST_F(ModelGeometry, APointPastTheHalfOfATabLandsAfterTheTab) {
    editor.SetText("\tx");
    const float stop = 4.0f * space;
    EXPECT_EQ(editor.ScreenPosToPosition(Point(0, stop * 0.5f - 0.5f)), TextPosition(0, 0));
    EXPECT_EQ(editor.ScreenPosToPosition(Point(0, stop * 0.5f + 0.5f)), TextPosition(0, 4));
    EXPECT_EQ(editor.ScreenPosToPosition(Point(0, stop + Width("x"))), TextPosition(0, 5));
}

TEST_F(ModelGeometry, APointBelowTheTextLandsAtTheEndOfTheLastLineAndAboveItOnTheFirstLine) {
    editor.SetText("abc\nde");
    EXPECT_EQ(editor.ScreenPosToPosition(Point(7, 0.0f)), TextPosition(1, 2));
    EXPECT_EQ(editor.ScreenPosToPosition(Point(-3, 0.0f)), TextPosition(0, 0));
    EXPECT_EQ(editor.ScreenPosToPosition(ImVec2(FLT_MAX, FLT_MAX)), TextPosition(1, 2));
    EXPECT_EQ(editor.ScreenPosToPosition(ImVec2(-FLT_MAX, -FLT_MAX)), TextPosition(0, 0));
    const TextPosition nan = editor.ScreenPosToPosition(ImVec2(NAN, NAN));  // any clamped position on line 0
    EXPECT_EQ(nan.line, 0);
    EXPECT_LE(nan.column, 3);
}

TEST_F(ModelGeometry, PointsAreMeasuredFromTheCurrentCursorScreenPosition) {
    editor.SetText("abc\ndef");
    ImGui::SetCursorScreenPos(ImVec2(100.0f, 60.0f));
    const ImVec2 p(100.0f + editor.textStart + Width("a") * 1.6f, 60.0f + editor.charAdvance.y * 1.5f);
    EXPECT_EQ(editor.ScreenPosToPosition(p), TextPosition(1, 2));
}

TEST_F(ModelGeometry, BeforeTheFirstRenderEveryPointIsOnTheFirstLine) {
    editor.SetText("abc\ndef");
    editor.charAdvance = ImVec2(0.0f, 0.0f);
    EXPECT_EQ(editor.ScreenPosToPosition(Point(0, 1000.0f)).line, 0);
}
