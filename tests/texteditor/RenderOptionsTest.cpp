// The settings Render reads: its child window, the line spacing, and the
// switches that keep it from reading the keyboard or the mouse.
#include "EditorFrameHarness.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tetest;

namespace {

using Lines = std::vector<std::string>;

class RenderOptions : public ::testing::Test {
protected:
    void Load(const std::string& text, TextPosition cursor = TextPosition()) {
        h.editor.SetText(text);
        PlaceCursor(h.editor, cursor);
        h.Focus();
    }

    EditorFrameHarness h;
};

}  // namespace

// ---- The child window --------------------------------------------------------------

TEST_F(RenderOptions, TheChildWindowStaysInPlaceAndAlwaysShowsItsHorizontalScrollBar) {
    Load("short");
    const ImGuiWindow* window = h.EditorWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Active);
    const ImGuiWindowFlags wanted = 0x8804;  // NoMove, HorizontalScrollbar, AlwaysHorizontalScrollbar
    EXPECT_EQ(window->Flags & wanted, wanted);
    EXPECT_TRUE(window->ScrollbarX);  // although the line fits
}

TEST_F(RenderOptions, WithoutItsChildWindowTheEditorDrawsIntoTheCurrentWindow) {
    h.editor.ignoreImGuiChild = true;
    Load("abc\ndef", TextPosition(1, 1));
    const ImGuiWindow* child = h.EditorWindow();  // made by the harness's first frame
    ASSERT_NE(child, nullptr);
    EXPECT_FALSE(child->Active);

    // The text is still drawn, into the parent window, and keys still reach it.
    EXPECT_FALSE(h.QuadsOfColor(h.Role(PaletteIndex::LineNumber)).empty());
    EXPECT_FALSE(h.QuadsOfColor(h.Role(PaletteIndex::Identifier)).empty());
    h.Type("x");
    EXPECT_EQ(h.editor.GetTextLines(), (Lines{"abc", "dxef"}));
}

// ---- Line spacing -------------------------------------------------------------------

TEST_F(RenderOptions, LineSpacingScalesTheLineHeight) {
    h.editor.lineSpacing = 1.5f;
    Load("a\nb\nc");
    // Inside its child window the editor sets the item spacing to zero, so
    // an unscaled line is one font height.
    float fontHeight = 0.0f;
    h.Frame([&] { fontHeight = ImGui::GetTextLineHeight(); });
    EXPECT_FLOAT_EQ(h.editor.charAdvance.y, fontHeight * 1.5f);

    // The third line's number starts two scaled lines below the first's.
    std::vector<Quad> numbers = h.QuadsOfColor(h.Role(PaletteIndex::LineNumber));
    ASSERT_EQ(numbers.size(), 3u);
    EXPECT_FLOAT_EQ(numbers[2].y0 - numbers[0].y0, 2.0f * h.editor.charAdvance.y);
}

// ---- Input switches -------------------------------------------------------------------

TEST_F(RenderOptions, WithKeyboardInputsOffKeysAndCharactersAreLeftAlone) {
    h.editor.handleKeyboardInputs = false;
    Load("abc", TextPosition(0, 1));
    h.Type("x");
    h.Key(SDL_SCANCODE_DELETE);
    h.Key(SDL_SCANCODE_RIGHT);
    EXPECT_EQ(h.editor.GetTextLines(), (Lines{"abc"}));
    EXPECT_EQ(h.editor.GetCursorPosition(), TextPosition(0, 1));
}

TEST_F(RenderOptions, WithMouseInputsOffClicksAndDragsAreLeftAlone) {
    h.editor.handleMouseInputs = false;
    Load("abcdef\nghijkl", TextPosition(0, 1));
    h.Click(h.PointAt(1, 3));
    EXPECT_EQ(h.editor.GetCursorPosition(), TextPosition(0, 1));
    h.Drag(h.PointAt(0, 2), h.PointAt(1, 4));
    EXPECT_FALSE(h.editor.HasSelection());
    EXPECT_EQ(h.editor.GetCursorPosition(), TextPosition(0, 1));
}
