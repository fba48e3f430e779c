// Editing commands through the public operations: typing, Enter, Tab on
// blocks, overwrite, Backspace, Delete, the clipboard, read-only rules and the
// lines each command hands to the colorizer.
#include "HeadlessImGui.h"
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace tetest;

namespace {

using Lines = std::vector<std::string>;

// An editor with a live ImGui context, for the clipboard.
class Editing : public ::testing::Test {
protected:
    void Load(const std::string& text, TextPosition cursor = TextPosition()) {
        editor.SetText(text);
        PlaceCursor(editor, cursor);
    }
    void Type(const std::string& characters) { TypeCharacters(editor, characters); }
    Lines TextLines() const { return editor.GetTextLines(); }
    void ResetColorRange() { ColorizeNow(editor); }

    HeadlessImGui imgui;
    TextEditor editor;
};

}  // namespace

// ---- Typing ------------------------------------------------------------------

TEST_F(Editing, TypingInsertsAtTheCursorAndMovesItPastTheCharacter) {
    Load("ac", TextPosition(0, 1));
    editor.EnterCharacter('b', false);
    EXPECT_EQ(TextLines(), (Lines{"abc"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 2));
    EXPECT_TRUE(editor.IsTextChanged());
    ASSERT_EQ(editor.undoBuffer.size(), 1u);
    EXPECT_EQ(editor.undoBuffer[0].added, "b");
    EXPECT_EQ(editor.undoBuffer[0].addedStart, TextPosition(0, 1));
    EXPECT_EQ(editor.undoBuffer[0].addedEnd, TextPosition(0, 2));
}

TEST_F(Editing, ATypedCodePointIsStoredAsItsUtf8BytesAndTakesOneColumn) {
    Load("x", TextPosition(0, 0));
    editor.EnterCharacter(0x00E9, false);  // é
    editor.EnterCharacter(0x20AC, false);  // €
    EXPECT_EQ(editor.GetText(), "\xC3\xA9\xE2\x82\xAC" "x\n");
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 2));
    editor.Undo(2);
    EXPECT_EQ(editor.GetText(), "x\n");
}

TEST_F(Editing, TypingReplacesTheSelectionAndOneUndoBringsItBack) {
    Load("hello world");
    editor.SetSelection(TextPosition(0, 0), TextPosition(0, 5));
    editor.SetCursorPosition(TextPosition(0, 5));
    editor.EnterCharacter('J', false);
    EXPECT_EQ(TextLines(), (Lines{"J world"}));
    EXPECT_FALSE(editor.HasSelection());
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"hello world"}));
    EXPECT_EQ(editor.GetSelectedText(), "hello");
}

TEST_F(Editing, ACharacterThatEncodesToNothingChangesNothingAndKeepsTheSelection) {
    Load("abcdef");
    editor.SetSelection(TextPosition(0, 1), TextPosition(0, 4));
    editor.EnterCharacter(0xDC00, false);  // a lone low surrogate
    editor.EnterCharacter(0, false);
    EXPECT_EQ(TextLines(), (Lines{"abcdef"}));
    EXPECT_EQ(editor.GetSelectedText(), "bcd");
    EXPECT_TRUE(editor.undoBuffer.empty());
}

TEST_F(Editing, ASelectionLeftPastTheTextBySetTextIsClampedBeforeItIsReplaced) {
    Load("a\nb\nc");
    editor.SetSelection(TextPosition(1, 0), TextPosition(2, 1));
    editor.SetText("x\ny");  // the selection now reaches past the last line
    editor.SetCursorPosition(TextPosition(1, 0));
    editor.EnterCharacter('z', false);
    EXPECT_EQ(TextLines(), (Lines{"x", "z"}));
    editor.Undo(1);
    EXPECT_EQ(editor.GetText(), "x\ny\n");
}

// ---- Enter and automatic indentation -----------------------------------------

TEST_F(Editing, EnterCopiesTheLeadingBlanksWhenTheLanguageIndentsAutomatically) {
    Load("    x", TextPosition(0, 5));
    editor.EnterCharacter('\n', false);
    EXPECT_EQ(TextLines(), (Lines{"    x", "    "}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(1, 4));
    EXPECT_EQ(editor.undoBuffer.back().added, "\n    ");

    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"    x"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 5));
    editor.Redo(1);
    EXPECT_EQ(TextLines(), (Lines{"    x", "    "}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(1, 4));
}

TEST_F(Editing, EnterWithoutAutomaticIndentationStartsAnEmptyLineAtColumnZero) {
    TextEditor::SyntaxDefinition lua = TextEditor::SyntaxDefinition::Lua();
    ASSERT_FALSE(lua.autoIndentation);
    editor.SetSyntaxDefinition(lua);
    Load("    x", TextPosition(0, 5));
    editor.EnterCharacter('\n', false);
    EXPECT_EQ(TextLines(), (Lines{"    x", ""}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(1, 0));
}

TEST_F(Editing, EnterSplitsTheLineAndTheIndentationPrecedesTheMovedText) {
    Load("\tab(cd)", TextPosition(0, 7));  // after "ab(" with tab size 4
    editor.EnterCharacter('\n', false);
    EXPECT_EQ(TextLines(), (Lines{"\tab(", "\tcd)"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(1, 4));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"\tab(cd)"}));
}

// ---- Backspace -----------------------------------------------------------------

TEST_F(Editing, BackspaceAfterALeadingTabRemovesItAndUndoPutsItBackBeforeTheText) {
    Load("\tfoo", TextPosition(0, 4));
    editor.Backspace();
    EXPECT_EQ(TextLines(), (Lines{"foo"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 0));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"\tfoo"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 4));
}

TEST_F(Editing, BackspaceRemovesAWholeMultiByteCharacter) {
    Load("a\xE2\x82\xAC" "b", TextPosition(0, 2));
    editor.Backspace();
    EXPECT_EQ(TextLines(), (Lines{"ab"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 1));
    EXPECT_EQ(editor.undoBuffer.back().removed, "\xE2\x82\xAC");
}

TEST_F(Editing, BackspaceRemovesAMalformedCharacterAsDeleteDoesAndRedoesExactly) {
    // 0xE9 (Latin-1) announces three bytes but a blank follows it: it is a
    // character of one byte, as is the stray continuation byte after u.
    Load("\xE9 au\x80z", TextPosition(0, 1));
    editor.Backspace();
    EXPECT_EQ(TextLines(), (Lines{" au\x80z"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 0));
    editor.SetCursorPosition(TextPosition(0, 4));
    editor.Backspace();
    EXPECT_EQ(TextLines(), (Lines{" auz"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 3));

    editor.Undo(2);
    EXPECT_EQ(TextLines(), (Lines{"\xE9 au\x80z"}));
    editor.Redo(2);
    EXPECT_EQ(TextLines(), (Lines{" auz"}));
}

TEST_F(Editing, BackspaceAtTheStartOfALineJoinsItToTheLineAbove) {
    Load("ab\ncd", TextPosition(1, 0));
    editor.Backspace();
    EXPECT_EQ(TextLines(), (Lines{"abcd"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 2));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"ab", "cd"}));
}

TEST_F(Editing, BackspaceAtTheStartOfTheTextDoesNothingAndAddsNoRecord) {
    Load("ab", TextPosition(0, 0));
    editor.Backspace();
    EXPECT_EQ(TextLines(), (Lines{"ab"}));
    EXPECT_TRUE(editor.undoBuffer.empty());
}

TEST_F(Editing, BackspaceWithASelectionRemovesOnlyTheSelection) {
    Load("one\ntwo\nthree");
    editor.SetSelection(TextPosition(0, 1), TextPosition(2, 2));
    editor.Backspace();
    EXPECT_EQ(TextLines(), (Lines{"oree"}));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"one", "two", "three"}));
}

// ---- Delete -------------------------------------------------------------------

TEST_F(Editing, DeleteRemovesTheCharacterAfterTheCursor) {
    Load("a\xC3\xA9z", TextPosition(0, 1));
    editor.Delete();
    EXPECT_EQ(TextLines(), (Lines{"az"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 1));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"a\xC3\xA9z"}));
}

TEST_F(Editing, DeleteAtTheEndOfALineJoinsTheNextLine) {
    Load("ab\ncd\nef", TextPosition(0, 2));
    editor.Delete();
    EXPECT_EQ(TextLines(), (Lines{"abcd", "ef"}));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"ab", "cd", "ef"}));
}

TEST_F(Editing, DeleteAtTheEndOfTheLastLineDoesNothingAndAddsNoRecord) {
    Load("ab\ncd", TextPosition(1, 2));
    editor.Delete();
    EXPECT_EQ(TextLines(), (Lines{"ab", "cd"}));
    EXPECT_TRUE(editor.undoBuffer.empty());
}

TEST_F(Editing, DeleteClampsACursorPastItsLineFirst) {
    Load("ab\ncd");
    editor.SetCursorPosition(TextPosition(0, 40));
    editor.Delete();
    EXPECT_EQ(editor.state.cursorPosition, TextPosition(0, 2));
    EXPECT_EQ(TextLines(), (Lines{"abcd"}));
}

TEST_F(Editing, DeleteInsideATabsSpanRemovesTheNextCharacterAndUndoRestoresIt) {
    Load("\tb");
    editor.SetCursorPosition(TextPosition(0, 2));  // Up/Down keep such columns
    editor.Delete();
    EXPECT_EQ(TextLines(), (Lines{"\t"}));
    EXPECT_EQ(editor.undoBuffer.back().removed, "b");
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"\tb"}));
    editor.Redo(1);
    EXPECT_EQ(TextLines(), (Lines{"\t"}));
}

TEST_F(Editing, DeleteInsideAFinalTabJoinsTheNextLine) {
    Load("a\t\nz");
    editor.SetCursorPosition(TextPosition(0, 2));
    editor.Delete();
    EXPECT_EQ(TextLines(), (Lines{"a\tz"}));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"a\t", "z"}));
}

// ---- Tab and Shift+Tab on blocks --------------------------------------------------

TEST_F(Editing, TabOnABlockEndingAtALineStartIndentsTheLinesBeforeIt) {
    Load("l0\nline1\nline2\nline3");
    editor.SetSelection(TextPosition(1, 2), TextPosition(3, 0));
    editor.SetCursorPosition(TextPosition(3, 0));
    editor.EnterCharacter('\t', false);
    EXPECT_EQ(TextLines(), (Lines{"l0", "\tline1", "\tline2", "line3"}));
    EXPECT_EQ(editor.state.selectionStart, TextPosition(1, 0));
    EXPECT_EQ(editor.state.selectionEnd, TextPosition(3, 0));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(3, 0));
    ASSERT_EQ(editor.undoBuffer.size(), 1u);

    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"l0", "line1", "line2", "line3"}));
    editor.Redo(1);
    EXPECT_EQ(TextLines(), (Lines{"l0", "\tline1", "\tline2", "line3"}));
}

TEST_F(Editing, TabOnABlockEndingInsideALineSelectsToThatLinesEnd) {
    Load("ab\ncd\nef");
    editor.SetSelection(TextPosition(0, 1), TextPosition(1, 1));
    editor.EnterCharacter('\t', false);
    EXPECT_EQ(TextLines(), (Lines{"\tab", "\tcd", "ef"}));
    EXPECT_EQ(editor.state.selectionStart, TextPosition(0, 0));
    EXPECT_EQ(editor.state.selectionEnd, TextPosition(1, 6));
}

TEST_F(Editing, ShiftTabTakesOneTabOrUpToTabSizeBlanksOffEachLine) {
    Load("\t\tA\n      B\nC\n  D\n \tE");
    editor.SetSelection(TextPosition(0, 0), TextPosition(4, 3));
    editor.EnterCharacter('\t', true);
    EXPECT_EQ(TextLines(), (Lines{"\tA", "  B", "C", "D", "\tE"}));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"\t\tA", "      B", "C", "  D", " \tE"}));
}

TEST_F(Editing, ShiftTabWithTabSizeZeroTakesOneBlankOffEachLineAsTabSizeOne) {
    Load("  a\n  b");
    editor.SetTabSize(0);
    editor.SetSelection(TextPosition(0, 0), TextPosition(1, 3));
    editor.EnterCharacter('\t', true);
    EXPECT_EQ(TextLines(), (Lines{" a", " b"}));
}

TEST_F(Editing, ShiftTabOnABlockWithNothingToTakeOffAddsNoRecord) {
    Load("a\nb\nc");
    editor.SetSelection(TextPosition(0, 0), TextPosition(2, 1));
    editor.EnterCharacter('\t', true);
    EXPECT_EQ(TextLines(), (Lines{"a", "b", "c"}));
    EXPECT_TRUE(editor.undoBuffer.empty());
}

TEST_F(Editing, TabWithASelectionOnOneLineReplacesItWithATab) {
    Load("abcd");
    editor.SetSelection(TextPosition(0, 1), TextPosition(0, 3));
    editor.EnterCharacter('\t', false);
    EXPECT_EQ(TextLines(), (Lines{"a\td"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 4));
}

// ---- Overwrite --------------------------------------------------------------------

TEST_F(Editing, OverwriteReplacesATabAndAppendsAtTheLineEnd) {
    Load("\tfoo", TextPosition(0, 0));
    editor.overwrite = true;
    editor.EnterCharacter('x', false);
    EXPECT_EQ(TextLines(), (Lines{"xfoo"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 1));
    editor.SetCursorPosition(TextPosition(0, 4));
    editor.EnterCharacter('!', false);
    EXPECT_EQ(TextLines(), (Lines{"xfoo!"}));

    editor.Undo(2);
    EXPECT_EQ(TextLines(), (Lines{"\tfoo"}));
    editor.Redo(2);
    EXPECT_EQ(TextLines(), (Lines{"xfoo!"}));
}

TEST_F(Editing, OverwriteReplacesAWholeMultiByteCharacter) {
    Load("\xE2\x82\xAC" "b", TextPosition(0, 0));
    editor.overwrite = true;
    editor.EnterCharacter('a', false);
    EXPECT_EQ(TextLines(), (Lines{"ab"}));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"\xE2\x82\xAC" "b"}));
}

TEST_F(Editing, OverwriteOverASelectionReplacesItAndTheCharacterAfterItAndRedoesExactly) {
    Load("abcdef\nxyz");
    editor.SetSelection(TextPosition(0, 1), TextPosition(0, 3));
    editor.overwrite = true;
    editor.EnterCharacter('X', false);
    EXPECT_EQ(TextLines(), (Lines{"aXef", "xyz"}));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"abcdef", "xyz"}));
    editor.Redo(1);
    EXPECT_EQ(TextLines(), (Lines{"aXef", "xyz"}));
}

TEST_F(Editing, EnterInOverwriteModeStillSplitsTheLine) {
    Load("abcd", TextPosition(0, 2));
    editor.overwrite = true;
    editor.EnterCharacter('\n', false);
    EXPECT_EQ(TextLines(), (Lines{"ab", "cd"}));
}

// ---- Clipboard ---------------------------------------------------------------------

TEST_F(Editing, CopyWithoutASelectionCopiesTheCursorsLineWithoutItsBreak) {
    Load("first\nsecond\nthird", TextPosition(1, 3));
    editor.Copy();
    EXPECT_STREQ(ImGui::GetClipboardText(), "second");
}

TEST_F(Editing, CopyWithASelectionCopiesExactlyTheSelectedText) {
    Load("first\nsecond");
    editor.SetSelection(TextPosition(0, 3), TextPosition(1, 2));
    editor.Copy();
    EXPECT_STREQ(ImGui::GetClipboardText(), "st\nse");
    EXPECT_EQ(TextLines(), (Lines{"first", "second"}));
}

TEST_F(Editing, ASelectionThatClampsToNothingAfterSetTextIsNoneAndCopyCopiesTheLine) {
    Load("first\nsecond\nthird");
    editor.SetSelection(TextPosition(2, 1), TextPosition(2, 4));
    editor.SetText("short");  // as a number written back keeps the selection: both ends clamp to (0, 5)
    EXPECT_FALSE(editor.HasSelection());
    EXPECT_EQ(editor.GetSelectedText(), "");
    editor.Copy();
    EXPECT_STREQ(ImGui::GetClipboardText(), "short");
}

TEST_F(Editing, CutWithoutASelectionDoesNothing) {
    Load("abc", TextPosition(0, 1));
    ImGui::SetClipboardText("before");
    editor.Cut();
    EXPECT_STREQ(ImGui::GetClipboardText(), "before");
    EXPECT_EQ(TextLines(), (Lines{"abc"}));
    EXPECT_TRUE(editor.undoBuffer.empty());
}

TEST_F(Editing, CutCopiesAndRemovesTheSelectionAsOneUndoableStep) {
    Load("one\ntwo");
    editor.SetSelection(TextPosition(0, 1), TextPosition(1, 1));
    editor.Cut();
    EXPECT_STREQ(ImGui::GetClipboardText(), "ne\nt");
    EXPECT_EQ(TextLines(), (Lines{"owo"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 1));
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"one", "two"}));
    editor.Redo(1);
    EXPECT_EQ(TextLines(), (Lines{"owo"}));
}

TEST_F(Editing, PastingATabAndXAtALineStartLeavesTheCursorAtColumnFive) {
    Load("abc", TextPosition(0, 0));
    ImGui::SetClipboardText("\tx");
    editor.Paste();
    EXPECT_EQ(TextLines(), (Lines{"\txabc"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(0, 5));
}

TEST_F(Editing, PasteReplacesTheSelectionAndOneUndoRestoresIt) {
    Load("keep THIS keep");
    editor.SetSelection(TextPosition(0, 5), TextPosition(0, 9));
    ImGui::SetClipboardText("one\r\ntwo\nthree");
    editor.Paste();
    EXPECT_EQ(TextLines(), (Lines{"keep one", "two", "three keep"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(2, 5));
    ASSERT_EQ(editor.undoBuffer.size(), 1u);
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"keep THIS keep"}));
    editor.Redo(1);
    EXPECT_EQ(TextLines(), (Lines{"keep one", "two", "three keep"}));
}

TEST_F(Editing, PasteWithAnEmptyClipboardDoesNothing) {
    Load("abc", TextPosition(0, 1));
    ImGui::SetClipboardText("");
    editor.Paste();
    EXPECT_EQ(TextLines(), (Lines{"abc"}));
    EXPECT_TRUE(editor.undoBuffer.empty());
}

// ---- InsertText --------------------------------------------------------------------

TEST_F(Editing, InsertTextInsertsAtTheCursorWithoutAnUndoRecord) {
    Load("ad", TextPosition(0, 1));
    editor.InsertText(std::string("b\nc"));
    EXPECT_EQ(TextLines(), (Lines{"ab", "cd"}));
    EXPECT_EQ(editor.GetCursorPosition(), TextPosition(1, 1));
    EXPECT_EQ(editor.state.selectionStart, TextPosition(1, 1));
    EXPECT_TRUE(editor.undoBuffer.empty());
    editor.InsertText(static_cast<const char*>(nullptr));
    EXPECT_EQ(TextLines(), (Lines{"ab", "cd"}));
}

// ---- Read-only -------------------------------------------------------------------

TEST_F(Editing, AReadOnlyEditorIgnoresPasteUndoAndRedoAndCutOnlyCopies) {
    Load("abc", TextPosition(0, 3));
    editor.EnterCharacter('d', false);
    editor.Undo(1);
    ASSERT_TRUE(editor.CanRedo());
    editor.Redo(1);
    ASSERT_TRUE(editor.CanUndo());

    editor.SetReadOnly(true);
    EXPECT_FALSE(editor.CanUndo());
    EXPECT_FALSE(editor.CanRedo());
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"abcd"}));

    ImGui::SetClipboardText("zzz");
    editor.Paste();
    EXPECT_EQ(TextLines(), (Lines{"abcd"}));

    editor.SetSelection(TextPosition(0, 1), TextPosition(0, 3));
    editor.Cut();
    EXPECT_STREQ(ImGui::GetClipboardText(), "bc");
    EXPECT_EQ(TextLines(), (Lines{"abcd"}));
    EXPECT_EQ(editor.undoBuffer.size(), 1u);

    editor.SetReadOnly(false);
    editor.Undo(1);
    EXPECT_EQ(TextLines(), (Lines{"abc"}));
}

// ---- Lines handed to the colorizer ------------------------------------------------

TEST_F(Editing, TypingMarksTheLineBeforeTheCursorLineAndTheOneAfter) {
    Load("0\n1\n2\n3\n4\n5", TextPosition(3, 1));
    ResetColorRange();
    editor.EnterCharacter('x', false);
    EXPECT_EQ(editor.colorRangeMin, 2);
    EXPECT_EQ(editor.colorRangeMax, 5);
}

TEST_F(Editing, DeleteAndBackspaceMarkOnlyTheCursorLine) {
    Load("0\n1\n2\n3\n4\n5", TextPosition(3, 0));
    ResetColorRange();
    editor.Delete();
    EXPECT_EQ(editor.colorRangeMin, 3);
    EXPECT_EQ(editor.colorRangeMax, 4);

    ResetColorRange();
    editor.Backspace();  // joins line 3 to line 2
    EXPECT_EQ(editor.colorRangeMin, 2);
    EXPECT_EQ(editor.colorRangeMax, 3);
}

TEST_F(Editing, BlockIndentationMarksNoLines) {
    Load("a\nb\nc");
    ResetColorRange();
    editor.SetSelection(TextPosition(0, 0), TextPosition(2, 1));
    editor.EnterCharacter('\t', false);
    EXPECT_EQ(editor.colorRangeMin, INT_MAX);
    EXPECT_EQ(editor.colorRangeMax, 0);
}

TEST_F(Editing, PasteMarksFromTheLineBeforeToTheLineAfterThePastedText) {
    Load("0\n1\n2\n3\n4\n5\n6", TextPosition(2, 1));
    ResetColorRange();
    ImGui::SetClipboardText("a\nb");
    editor.Paste();
    EXPECT_EQ(editor.colorRangeMin, 1);
    EXPECT_EQ(editor.colorRangeMax, 4);
}

TEST_F(Editing, UndoMarksTheLinesAroundEachTextItPutsBackOrTakesOut) {
    Load("0\n1\n2\n3\n4\n5\n6\n7", TextPosition(5, 1));
    editor.EnterCharacter('\n', false);
    ResetColorRange();
    editor.Undo(1);
    EXPECT_EQ(editor.colorRangeMin, 4);
    EXPECT_EQ(editor.colorRangeMax, 7);
}
