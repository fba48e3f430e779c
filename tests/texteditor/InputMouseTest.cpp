// Mouse handling through whole frames: clicks, double and triple clicks,
// Ctrl variants and drags, fed through io.MousePos and io.MouseDown.
#include "EditorFrameHarness.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <string>

using namespace tetest;

namespace {

class Mouse : public ::testing::Test {
protected:
    void SetUp() override {
        h.editor.SetText("float value = other;\nsecond line here\nthird");
        h.Frame();
        h.Frame();
    }
    TextPosition At() const { return h.editor.GetCursorPosition(); }
    std::string Selected() const { return h.editor.GetSelectedText(); }

    // Button down then up at p, twice, as a double click.
    void DoubleClick(ImVec2 p, unsigned mods = kNone) {
        h.Click(p, mods);
        h.Click(p, mods);
    }

    EditorFrameHarness h;
};

}  // namespace

TEST_F(Mouse, AClickPlacesTheCursorAtTheCharacterUnderTheMouse) {
    h.Click(h.PointAt(1, 7));
    EXPECT_EQ(At(), TextPosition(1, 7));
    EXPECT_FALSE(h.editor.HasSelection());
    EXPECT_EQ(h.editor.selectionMode, TextEditor::SelectionMode::Normal);
}

TEST_F(Mouse, AClickBelowTheTextLandsAtTheEndOfTheLastLine) {
    h.Click(ImVec2(h.origin.x + 300.0f, h.origin.y + 500.0f));
    EXPECT_EQ(At(), TextPosition(2, 5));
}

TEST_F(Mouse, AClickGivesTheEditorKeyboardFocus) {
    h.Click(h.PointAt(0, 0));
    h.Type("x");
    EXPECT_EQ(h.editor.GetTextLines()[0], "xfloat value = other;");
}

TEST_F(Mouse, ADoubleClickSelectsTheWord) {
    DoubleClick(h.PointAt(0, 8));
    EXPECT_EQ(Selected(), "value");
    EXPECT_EQ(h.editor.selectionMode, TextEditor::SelectionMode::Word);
}

TEST_F(Mouse, ThreeClicksSelectTheLineAndAFourthPlacesTheCursor) {
    const ImVec2 p = h.PointAt(1, 3);
    h.Click(p);
    h.Click(p);
    h.Click(p);
    EXPECT_EQ(Selected(), "second line here");
    EXPECT_EQ(h.editor.selectionMode, TextEditor::SelectionMode::Line);
    EXPECT_EQ(h.editor.lastClick, -1.0f);
    h.Click(p);
    EXPECT_FALSE(h.editor.HasSelection());
    EXPECT_EQ(At(), TextPosition(1, 3));
}

TEST_F(Mouse, CtrlClickStartsAWordSelection) {
    h.Click(h.PointAt(0, 16), kCtrl);
    EXPECT_EQ(Selected(), "other");
    EXPECT_EQ(h.editor.selectionMode, TextEditor::SelectionMode::Word);
}

TEST_F(Mouse, CtrlDoubleClickMovesNeitherCursorNorSelectionButRecordsItsTime) {
    h.Click(h.PointAt(1, 2));
    ASSERT_EQ(At(), TextPosition(1, 2));
    h.SetModifiers(kCtrl);
    h.IO().MousePos = h.PointAt(1, 2);
    h.IO().MouseDown[0] = true;
    h.Frame();  // the second press within the double-click time
    const float time = static_cast<float>(ImGui::GetTime());
    h.IO().MouseDown[0] = false;
    h.Frame();
    h.SetModifiers(kNone);
    EXPECT_EQ(At(), TextPosition(1, 2));
    EXPECT_FALSE(h.editor.HasSelection());
    EXPECT_NEAR(h.editor.lastClick, time, 0.05f);
}

TEST_F(Mouse, ShiftOrAltClicksAreIgnored) {
    h.Click(h.PointAt(0, 3));
    h.Click(h.PointAt(2, 1), kShift);
    EXPECT_EQ(At(), TextPosition(0, 3));
    h.Click(h.PointAt(2, 1), kAlt);
    EXPECT_EQ(At(), TextPosition(0, 3));
}

TEST_F(Mouse, DraggingSelectsFromThePressToTheMouse) {
    h.Drag(h.PointAt(0, 2), h.PointAt(1, 4));
    EXPECT_EQ(Selected(), "oat value = other;\nseco");
    EXPECT_EQ(At(), TextPosition(1, 4));
}

TEST_F(Mouse, DraggingAfterADoubleClickExtendsTheSelectionByWords) {
    const ImVec2 p = h.PointAt(0, 8);
    h.Click(p);
    h.IO().MousePos = p;
    h.IO().MouseDown[0] = true;
    h.Frame();  // double click: word mode
    h.IO().MousePos = h.PointAt(0, 16);
    h.Frame();  // dragged into "other"
    h.IO().MouseDown[0] = false;
    h.Frame();
    EXPECT_EQ(Selected(), "value = other");
}

TEST_F(Mouse, DraggingAfterATripleClickExtendsTheSelectionByLines) {
    const ImVec2 p = h.PointAt(0, 3);
    h.Click(p);
    h.Click(p);
    h.IO().MousePos = p;
    h.IO().MouseDown[0] = true;
    h.Frame();  // third press: line mode
    h.IO().MousePos = h.PointAt(1, 2);
    h.Frame();
    h.IO().MouseDown[0] = false;
    h.Frame();
    EXPECT_EQ(Selected(), "float value = other;\nsecond line here");
}
