// A new editor: its fields, the construction order and the small value types.
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <type_traits>

using namespace tetest;

TEST(ModelConstruction, ANewEditorHoldsOneEmptyLineAndReadsBackOneLineFeed) {
    TextEditor editor;
    EXPECT_EQ(editor.GetTotalLines(), 1);
    EXPECT_TRUE(editor.lines[0].empty());
    EXPECT_EQ(editor.GetText(), "\n");
    EXPECT_EQ(editor.GetTextLines(), std::vector<std::string>{""});
}

TEST(ModelConstruction, FieldsStartWithTheirInitialValues) {
    TextEditor e;
    EXPECT_EQ(e.lineSpacing, 1.0f);
    EXPECT_TRUE(e.undoBuffer.empty());
    EXPECT_EQ(e.undoIndex, 0);
    EXPECT_EQ(e.tabSize, 4);
    EXPECT_FALSE(e.overwrite);
    EXPECT_FALSE(e.readOnly);
    EXPECT_FALSE(e.withinRender);
    EXPECT_FALSE(e.scrollToCursor);
    EXPECT_FALSE(e.scrollToTop);
    EXPECT_FALSE(e.textChanged);
    EXPECT_TRUE(e.colorizerEnabled);
    EXPECT_EQ(e.textStart, 20.0f);
    EXPECT_EQ(e.leftMargin, 10);
    EXPECT_FALSE(e.cursorPositionChanged);
    // Nothing waits: the language is set, and marks all lines, before the
    // first line exists.
    EXPECT_EQ(e.colorRangeMin, INT_MAX);
    EXPECT_EQ(e.colorRangeMax, 0);
    EXPECT_EQ(e.selectionMode, TextEditor::SelectionMode::Normal);
    EXPECT_TRUE(e.handleKeyboardInputs);
    EXPECT_TRUE(e.handleMouseInputs);
    EXPECT_FALSE(e.ignoreImGuiChild);
    EXPECT_TRUE(e.showWhitespaces);
    EXPECT_TRUE(e.checkComments);
    EXPECT_TRUE(e.breakpoints.empty());
    EXPECT_TRUE(e.errorMarkers.empty());
    EXPECT_EQ(e.charAdvance.x, 0.0f);
    EXPECT_EQ(e.charAdvance.y, 0.0f);
    EXPECT_EQ(e.interactiveStart, TextPosition(0, 0));
    EXPECT_EQ(e.interactiveEnd, TextPosition(0, 0));
    EXPECT_TRUE(e.lineBuffer.empty());
    EXPECT_EQ(e.lastClick, -1.0f);
    EXPECT_EQ(e.state.selectionStart, TextPosition(0, 0));
    EXPECT_EQ(e.state.selectionEnd, TextPosition(0, 0));
    EXPECT_EQ(e.state.cursorPosition, TextPosition(0, 0));
}

TEST(ModelConstruction, ConstructionReadsTheWallClockSetsTheDarkPaletteAndInstallsHlsl) {
    using namespace std::chrono;
    const auto now = [] {
        return static_cast<uint64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
    };
    const uint64_t before = now();
    TextEditor e;
    const uint64_t after = now();
    EXPECT_GE(e.startTime, before);
    EXPECT_LE(e.startTime, after);

    EXPECT_EQ(e.paletteBase, TextEditor::GetDarkPalette());
    EXPECT_EQ(e.language.name, "HLSL");
    EXPECT_EQ(e.language.keywords, TextEditor::SyntaxDefinition::HLSL().keywords);
    EXPECT_EQ(e.regexList.size(), 9u);  // pattern set A
    EXPECT_EQ(e.palette, TextEditor::GetDarkPalette());  // the first frame's background is not transparent
}

TEST(ModelConstruction, TextPositionComparesLineFirstThenColumn) {
    const TextPosition a(1, 9), b(2, 0), c(2, 0), d(2, 3);
    EXPECT_TRUE(a < b);
    EXPECT_FALSE(b < a);
    EXPECT_TRUE(b == c);
    EXPECT_FALSE(b != c);
    EXPECT_TRUE(b != d);
    EXPECT_TRUE(b <= c);
    EXPECT_TRUE(a <= b);
    EXPECT_FALSE(d <= b);
    EXPECT_TRUE(d > b);
    EXPECT_TRUE(b > a);
    EXPECT_FALSE(b > c);
    EXPECT_EQ(TextPosition(), TextPosition(0, 0));
}

TEST(ModelConstruction, GlyphConstructorClearsTheThreeFlags) {
    const TextEditor::Glyph g('x', PaletteIndex::Number);
    EXPECT_EQ(g.character, 'x');
    EXPECT_EQ(g.colorIndex, PaletteIndex::Number);
    EXPECT_FALSE(g.comment);
    EXPECT_FALSE(g.multiLineComment);
    EXPECT_FALSE(g.preprocessor);
}

TEST(ModelConstruction, PaletteIndexNumbersTheTwentyOneRoles) {
    EXPECT_EQ(static_cast<int>(PaletteIndex::Default), 0);
    EXPECT_EQ(static_cast<int>(PaletteIndex::PreprocessorIdentifier), 9);
    EXPECT_EQ(static_cast<int>(PaletteIndex::Comment), 10);
    EXPECT_EQ(static_cast<int>(PaletteIndex::Background), 12);
    EXPECT_EQ(static_cast<int>(PaletteIndex::CurrentLineEdge), 20);
    EXPECT_EQ(static_cast<int>(PaletteIndex::Count), 21);
    EXPECT_EQ(std::tuple_size<TextEditor::Palette>::value, 21u);
    EXPECT_EQ(static_cast<int>(TextEditor::SelectionMode::Word), 1);
    EXPECT_EQ(static_cast<int>(TextEditor::SelectionMode::Line), 2);
}

TEST(ModelConstruction, SettersWriteTheirFieldsAndTabSizeIsClampedToZeroThroughThirtyTwo) {
    TextEditor e;
    e.SetReadOnly(true);
    EXPECT_TRUE(e.IsReadOnly());
    e.SetColorizerEnabled(false);
    EXPECT_FALSE(e.colorizerEnabled);
    e.SetTabSize(-3);
    EXPECT_EQ(e.tabSize, 0);
    e.SetTabSize(33);
    EXPECT_EQ(e.tabSize, 32);
    e.SetTabSize(8);
    EXPECT_EQ(e.tabSize, 8);
}

TEST(ModelConstruction, CursorAndSelectionBoundAreReadClamped) {
    TextEditor e;
    e.SetText("ab\ncdef");
    e.state.cursorPosition = TextPosition(7, 7);
    e.state.selectionStart = TextPosition(0, 99);
    EXPECT_EQ(e.GetCursorPosition(), TextPosition(1, 4));
    EXPECT_EQ(e.GetSelectionBound(), TextPosition(0, 2));
    EXPECT_EQ(e.state.cursorPosition, TextPosition(7, 7));  // reading does not move it
}

TEST(ModelConstruction, CurrentLineTextAndWordUnderCursorFollowTheCursor) {
    TextEditor e;
    Load(e, TextEditor::SyntaxDefinition::CPlusPlus(), "int x;\nfloat value = 2;");
    e.state.cursorPosition = TextPosition(1, 8);
    EXPECT_EQ(e.GetCurrentLineText(), "float value = 2;");
    EXPECT_EQ(e.GetWordUnderCursor(), "value");
    e.state.cursorPosition = TextPosition(5, 0);  // past the text: clamped to the end of the last line
    EXPECT_EQ(e.GetWordUnderCursor(), "");
    EXPECT_EQ(e.GetCurrentLineText(), "");
}

TEST(ModelConstruction, SelectedTextIsTheRangeBetweenTheSelectionEnds) {
    TextEditor e;
    e.SetText("abc\ndef");
    e.state.selectionStart = TextPosition(0, 1);
    e.state.selectionEnd = TextPosition(1, 2);
    EXPECT_EQ(e.GetSelectedText(), "bc\nde");
    e.state.selectionEnd = e.state.selectionStart;
    EXPECT_EQ(e.GetSelectedText(), "");
}
