// Cursor placement, the cursor moves with and without extending the
// selection, and the selection operations and modes.
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <string>

using namespace tetest;

namespace {

class Cursor : public ::testing::Test {
protected:
    void Load(const std::string& text, TextPosition cursor = TextPosition()) {
        editor.SetText(text);
        ColorizeNow(editor);
        PlaceCursor(editor, cursor);
    }
    TextPosition At() const { return editor.GetCursorPosition(); }
    TextPosition SelStart() const { return editor.state.selectionStart; }
    TextPosition SelEnd() const { return editor.state.selectionEnd; }

    TextEditor editor;
};

}  // namespace

// ---- Placement ---------------------------------------------------------------------

TEST_F(Cursor, SetCursorPositionStoresThePositionUnclampedAndAsksForScrolling) {
    Load("ab");
    editor.cursorPositionChanged = false;
    editor.scrollToCursor = false;
    editor.SetCursorPosition(TextPosition(7, 9));
    EXPECT_EQ(editor.state.cursorPosition, TextPosition(7, 9));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 2));
    EXPECT_TRUE(editor.cursorPositionChanged);
    EXPECT_TRUE(editor.scrollToCursor);

    editor.cursorPositionChanged = false;
    editor.SetCursorPosition(TextPosition(7, 9));  // unchanged: no effect
    EXPECT_FALSE(editor.cursorPositionChanged);
}

TEST_F(Cursor, PageSizeIsZeroBeforeAnyFrameMeasuredTheFont) {
    EXPECT_EQ(editor.GetPageSize(), 0);
}

// ---- Up and down -------------------------------------------------------------------

TEST_F(Cursor, MoveDownKeepsTheColumnThroughAShortLine) {
    Load("0123456789\nab\n0123456789", TextPosition(0, 7));
    editor.MoveDown();
    EXPECT_EQ(At(), TextPosition(1, 2));  // clamped when read
    editor.MoveDown();
    EXPECT_EQ(At(), TextPosition(2, 7));
}

TEST_F(Cursor, MoveUpAndDownStopAtTheFirstAndLastLine) {
    Load("a\nb\nc", TextPosition(1, 0));
    editor.MoveUp(5);
    EXPECT_EQ(At(), TextPosition(0, 0));
    editor.MoveDown(40);
    EXPECT_EQ(At(), TextPosition(2, 0));
}

TEST_F(Cursor, ShiftUpExtendsTheSelectionUpwardsAndShiftDownShrinksIt) {
    Load("abcd\nabcd\nabcd", TextPosition(2, 3));
    editor.MoveUp(1, true);
    EXPECT_EQ(SelStart(), TextPosition(1, 3));
    EXPECT_EQ(SelEnd(), TextPosition(2, 3));
    editor.MoveUp(1, true);
    EXPECT_EQ(SelStart(), TextPosition(0, 3));
    editor.MoveDown(1, true);
    EXPECT_EQ(SelStart(), TextPosition(1, 3));
    EXPECT_EQ(SelEnd(), TextPosition(2, 3));
}

TEST_F(Cursor, AMoveWithoutShiftCollapsesTheSelection) {
    Load("abcd\nabcd", TextPosition(0, 1));
    editor.MoveRight(2, true);
    ASSERT_TRUE(editor.HasSelection());
    editor.MoveDown();
    EXPECT_FALSE(editor.HasSelection());
    EXPECT_EQ(SelStart(), TextPosition(1, 3));
}

// ---- Left and right ----------------------------------------------------------------

TEST_F(Cursor, ShiftLeftThenShiftRightLeavesAnEmptySelectionAtThatPoint) {
    Load("abcdef", TextPosition(0, 3));
    editor.MoveLeft(1, true);
    EXPECT_EQ(editor.GetSelectedText(), "c");
    editor.MoveRight(1, true);
    EXPECT_FALSE(editor.HasSelection());
    EXPECT_EQ(SelStart(), TextPosition(0, 3));
    EXPECT_EQ(At(), TextPosition(0, 3));
}

TEST_F(Cursor, ShiftRightGrowsTheSelectionAndShiftLeftShrinksIt) {
    Load("abcdef", TextPosition(0, 1));
    editor.MoveRight(1, true);
    editor.MoveRight(1, true);
    editor.MoveRight(1, true);
    EXPECT_EQ(editor.GetSelectedText(), "bcd");
    editor.MoveLeft(1, true);
    EXPECT_EQ(editor.GetSelectedText(), "bc");
}

TEST_F(Cursor, LeftAtALineStartGoesToTheEndOfTheLineAbove) {
    Load("abc\nde", TextPosition(1, 0));
    editor.MoveLeft();
    EXPECT_EQ(At(), TextPosition(0, 3));
    editor.MoveLeft(10);
    EXPECT_EQ(At(), TextPosition(0, 0));
}

TEST_F(Cursor, RightAtALineEndGoesToTheNextLineAndStopsAtTheEndOfTheText) {
    Load("ab\nc", TextPosition(0, 2));
    editor.MoveRight();
    EXPECT_EQ(At(), TextPosition(1, 0));
    editor.MoveRight();
    editor.MoveRight();
    EXPECT_EQ(At(), TextPosition(1, 1));
}

TEST_F(Cursor, RightAtTheEndOfTheTextLeavesTheSelectionAlone) {
    Load("abc", TextPosition(0, 1));
    editor.MoveRight(2, true);
    ASSERT_EQ(editor.GetSelectedText(), "bc");
    editor.MoveRight(1, false);
    EXPECT_EQ(editor.GetSelectedText(), "bc");
}

TEST_F(Cursor, LeftAndRightStepOverWholeCharactersAndTabs) {
    Load("\t\xC3\xA9x", TextPosition(0, 0));
    editor.MoveRight();
    EXPECT_EQ(At(), TextPosition(0, 4));
    editor.MoveRight();
    EXPECT_EQ(At(), TextPosition(0, 5));
    editor.MoveLeft();
    EXPECT_EQ(At(), TextPosition(0, 4));
    editor.MoveLeft();
    EXPECT_EQ(At(), TextPosition(0, 0));
}

TEST_F(Cursor, LeftStepsBackOverMalformedCharactersAsRightStepsOverThem) {
    // Latin-1 text: 0xE9 announces a three-byte character but a blank follows
    // it, so it takes a column of its own, as does the stray continuation
    // byte; the euro sign's three bytes take one.
    Load("f\xE9 a\x80\xE2\x82\xACz", TextPosition(0, 7));
    for (int column = 6; column >= 0; --column) {
        editor.MoveLeft();
        EXPECT_EQ(At(), TextPosition(0, column));
    }
    for (int column = 1; column <= 7; ++column) {
        editor.MoveRight();
        EXPECT_EQ(At(), TextPosition(0, column));
    }
}

TEST_F(Cursor, CtrlLeftGoesToTheStartOfTheWordAndCtrlRightToTheNextWord) {
    Load("float value = other;", TextPosition(0, 9));
    editor.MoveLeft(1, false, true);
    EXPECT_EQ(At(), TextPosition(0, 6));
    editor.MoveLeft(1, false, true);
    EXPECT_EQ(At(), TextPosition(0, 0));
    editor.MoveRight(1, false, true);
    EXPECT_EQ(At(), TextPosition(0, 6));
    editor.MoveRight(1, false, true);
    EXPECT_EQ(At(), TextPosition(0, 14));
}

TEST_F(Cursor, CtrlShiftLeftSelectsWholeWords) {
    Load("float value", TextPosition(0, 11));
    editor.MoveLeft(1, true, true);
    EXPECT_EQ(editor.GetSelectedText(), "value");
}

// ---- Top, bottom, home, end -----------------------------------------------------------

TEST_F(Cursor, MoveBottomGoesToTheStartOfTheLastLineAndMoveTopToTheTextStart) {
    Load("abc\ndef\nghi", TextPosition(1, 2));
    editor.MoveBottom();
    EXPECT_EQ(At(), TextPosition(2, 0));
    editor.MoveTop();
    EXPECT_EQ(At(), TextPosition(0, 0));
}

TEST_F(Cursor, ShiftMoveTopAndBottomSelectFromTheOldCursor) {
    Load("abc\ndef\nghi", TextPosition(1, 2));
    editor.MoveTop(true);
    EXPECT_EQ(SelStart(), TextPosition(0, 0));
    EXPECT_EQ(SelEnd(), TextPosition(1, 2));
    editor.SetCursorPosition(TextPosition(1, 2));
    editor.MoveBottom(true);
    EXPECT_EQ(SelStart(), TextPosition(1, 2));
    EXPECT_EQ(SelEnd(), TextPosition(2, 0));
}

TEST_F(Cursor, HomeAndEndGoToTheEndsOfTheLineAndShiftSelectsThePart) {
    Load("\tabc\nx", TextPosition(0, 5));
    editor.MoveEnd();
    EXPECT_EQ(At(), TextPosition(0, 7));
    editor.MoveHome(true);
    EXPECT_EQ(At(), TextPosition(0, 0));
    EXPECT_EQ(editor.GetSelectedText(), "\tabc");
}

// ---- Selection --------------------------------------------------------------------------

TEST_F(Cursor, SelectAllSpansTheTextAndLeavesTheCursor) {
    Load("one\ntwo\nthree", TextPosition(1, 1));
    editor.SelectAll();
    EXPECT_EQ(SelStart(), TextPosition(0, 0));
    EXPECT_EQ(SelEnd(), TextPosition(2, 5));
    EXPECT_EQ(At(), TextPosition(1, 1));
}

TEST_F(Cursor, SetSelectionClampsAndOrdersItsEnds) {
    Load("abc\nde");
    editor.cursorPositionChanged = false;
    editor.SetSelection(TextPosition(9, 9), TextPosition(0, 1));
    EXPECT_EQ(SelStart(), TextPosition(0, 1));
    EXPECT_EQ(SelEnd(), TextPosition(1, 2));
    EXPECT_TRUE(editor.cursorPositionChanged);
    EXPECT_EQ(At(), TextPosition(0, 0));  // the cursor does not move
}

TEST_F(Cursor, WordModeWidensTheSelectionToWholeWords) {
    Load("float value = other;");
    editor.SetSelection(TextPosition(0, 8), TextPosition(0, 9), TextEditor::SelectionMode::Word);
    EXPECT_EQ(editor.GetSelectedText(), "value");
}

TEST_F(Cursor, LineModeWidensTheSelectionToWholeLines) {
    Load("abc\ndefg\nh");
    editor.SetSelection(TextPosition(0, 2), TextPosition(1, 1), TextEditor::SelectionMode::Line);
    EXPECT_EQ(SelStart(), TextPosition(0, 0));
    EXPECT_EQ(SelEnd(), TextPosition(1, 4));
}

TEST_F(Cursor, SelectionStartAndEndAreSetOneAtATimeAndKeptInOrder) {
    Load("abcdef");
    editor.SetSelectionEnd(TextPosition(0, 4));
    editor.SetSelectionStart(TextPosition(0, 1));
    EXPECT_EQ(editor.GetSelectedText(), "bcd");
    editor.SetSelectionStart(TextPosition(0, 5));  // after the end: swapped
    EXPECT_EQ(SelStart(), TextPosition(0, 4));
    EXPECT_EQ(SelEnd(), TextPosition(0, 5));
}

TEST_F(Cursor, SelectWordUnderCursorSelectsTheTokenAroundIt) {
    Load("float value = other;", TextPosition(0, 16));
    editor.SelectWordUnderCursor();
    EXPECT_EQ(editor.GetSelectedText(), "other");
}

TEST_F(Cursor, DeleteSelectionRemovesItAndPutsTheCursorAtItsStart) {
    Load("abcdef", TextPosition(0, 5));
    editor.SetSelection(TextPosition(0, 1), TextPosition(0, 4));
    editor.DeleteSelection();
    EXPECT_EQ(editor.GetText(), "aef\n");
    EXPECT_EQ(At(), TextPosition(0, 1));
    EXPECT_FALSE(editor.HasSelection());
    editor.DeleteSelection();  // nothing selected: nothing happens
    EXPECT_EQ(editor.GetText(), "aef\n");
}
