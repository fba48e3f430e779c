// The undo history: records, chains of undo and redo, what drops the redo
// tail, what empties the history, and the cursor state each side restores.
#include "HeadlessImGui.h"
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tetest;

TEST(UndoEntry, TheFullConstructorKeepsEveryMemberInOrder) {
    TextEditor::CursorState before;
    before.cursorPosition = TextPosition(1, 2);
    TextEditor::CursorState after;
    after.selectionEnd = TextPosition(3, 4);
    const TextEditor::UndoEntry entry("add", TextPosition(0, 1), TextPosition(0, 4), "rem", TextPosition(2, 0),
                                      TextPosition(2, 3), before, after);
    EXPECT_EQ(entry.added, "add");
    EXPECT_EQ(entry.addedStart, TextPosition(0, 1));
    EXPECT_EQ(entry.addedEnd, TextPosition(0, 4));
    EXPECT_EQ(entry.removed, "rem");
    EXPECT_EQ(entry.removedStart, TextPosition(2, 0));
    EXPECT_EQ(entry.removedEnd, TextPosition(2, 3));
    EXPECT_EQ(entry.before.cursorPosition, TextPosition(1, 2));
    EXPECT_EQ(entry.after.selectionEnd, TextPosition(3, 4));

    const TextEditor::UndoEntry empty;
    EXPECT_TRUE(empty.added.empty());
    EXPECT_EQ(empty.removedEnd, TextPosition(0, 0));
}

TEST(UndoHistory, EachKeystrokeIsOneStepAndRedoReplaysThemInOrder) {
    TextEditor e;
    TypeCharacters(e, "ab");
    EXPECT_EQ(e.GetText(), "ab\n");
    e.Undo(1);
    EXPECT_EQ(e.GetText(), "a\n");
    e.Undo(1);
    EXPECT_EQ(e.GetText(), "\n");
    EXPECT_FALSE(e.CanUndo());
    e.Redo(1);
    e.Redo(1);
    EXPECT_EQ(e.GetText(), "ab\n");
    EXPECT_FALSE(e.CanRedo());
}

TEST(UndoHistory, ANewKeystrokeAfterAnUndoDropsWhatCouldHaveBeenRedone) {
    TextEditor e;
    TypeCharacters(e, "ab");
    e.Undo(1);
    ASSERT_TRUE(e.CanRedo());
    TypeCharacters(e, "c");
    EXPECT_FALSE(e.CanRedo());
    EXPECT_EQ(e.undoBuffer.size(), 2u);
    EXPECT_EQ(e.GetText(), "ac\n");
    e.Undo(2);
    EXPECT_EQ(e.GetText(), "\n");
}

TEST(UndoHistory, UndoAndRedoTakeACountAndStopAtTheEnds) {
    TextEditor e;
    TypeCharacters(e, "abcd");
    e.Undo(3);
    EXPECT_EQ(e.GetText(), "a\n");
    e.Undo(10);
    EXPECT_EQ(e.GetText(), "\n");
    EXPECT_EQ(e.undoIndex, 0);
    e.Redo(10);
    EXPECT_EQ(e.GetText(), "abcd\n");
    EXPECT_EQ(e.undoIndex, 4);
}

TEST(UndoHistory, UndoRestoresTheCursorStateBeforeAndRedoTheStateAfter) {
    TextEditor e;
    e.SetText("hello");
    e.SetSelection(TextPosition(0, 1), TextPosition(0, 4));
    e.SetCursorPosition(TextPosition(0, 4));
    e.EnterCharacter('X', false);
    const TextEditor::CursorState after = e.state;
    EXPECT_EQ(after.cursorPosition, TextPosition(0, 2));

    e.Undo(1);
    EXPECT_EQ(e.state.selectionStart, TextPosition(0, 1));
    EXPECT_EQ(e.state.selectionEnd, TextPosition(0, 4));
    EXPECT_EQ(e.state.cursorPosition, TextPosition(0, 4));
    e.Redo(1);
    EXPECT_EQ(e.state.selectionStart, after.selectionStart);
    EXPECT_EQ(e.state.selectionEnd, after.selectionEnd);
    EXPECT_EQ(e.state.cursorPosition, after.cursorPosition);
}

TEST(UndoHistory, AfterSetTextNothingCanBeUndoneOrRedone) {
    TextEditor e;
    TypeCharacters(e, "abc");
    e.Undo(1);
    e.SetText("new");
    EXPECT_FALSE(e.CanUndo());
    EXPECT_FALSE(e.CanRedo());
    EXPECT_EQ(e.undoIndex, 0);
    e.Undo(1);
    EXPECT_EQ(e.GetText(), "new\n");
}

TEST(UndoHistory, TheHistoryHasNoBound) {
    TextEditor e;
    const int count = 5000;  // short lines: one line break every 40 keystrokes
    for (int i = 0; i < count; ++i) e.EnterCharacter(i % 40 == 39 ? '\n' : static_cast<ImWchar>('a' + i % 26), false);
    const std::string typed = e.GetText();
    EXPECT_EQ(e.undoIndex, count);
    EXPECT_EQ(e.undoBuffer.size(), static_cast<size_t>(count));
    e.Undo(count);
    EXPECT_EQ(e.GetText(), "\n");
    e.Redo(count);
    EXPECT_EQ(e.GetText(), typed);
}

TEST(UndoHistory, AddUndoStoresTheRecordAtTheUndoIndex) {
    TextEditor e;
    TextEditor::UndoEntry first;
    first.added = "1";
    TextEditor::UndoEntry second;
    second.added = "2";
    e.AddUndo(first);
    e.AddUndo(second);
    e.undoIndex = 1;  // as if one Undo had run
    TextEditor::UndoEntry third;
    third.added = "3";
    e.AddUndo(third);
    ASSERT_EQ(e.undoBuffer.size(), 2u);
    EXPECT_EQ(e.undoBuffer[1].added, "3");
    EXPECT_EQ(e.undoIndex, 2);
}

TEST(UndoHistory, UndoingADeletionOfZeroBytesPutsThemBack) {
    TextEditor e;
    e.SetText(std::string("a\0\0b", 4));
    e.SetSelection(TextPosition(0, 0), TextPosition(0, 4));
    e.Backspace();
    EXPECT_EQ(e.GetText(), "\n");
    e.Undo(1);
    EXPECT_EQ(e.GetText(), std::string("a\0\0b\n", 5));
    e.Redo(1);
    EXPECT_EQ(e.GetText(), "\n");
}

TEST(UndoHistory, UndoingADeletionOfCarriageReturnsPutsThemBack) {
    TextEditor e;
    e.SetTextLines({"a\rb", "c\r"});  // taken byte for byte
    e.SelectAll();
    e.Backspace();
    EXPECT_EQ(e.GetText(), "\n");
    e.Undo(1);
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"a\rb", "c\r"}));
    e.Redo(1);
    EXPECT_EQ(e.GetText(), "\n");
}

TEST(UndoHistory, ARedoneCarriageReturnTypedAsACharacterComesBack) {
    TextEditor e;
    e.EnterCharacter('\r', false);
    EXPECT_EQ(e.GetText(), "\r\n");
    e.Undo(1);
    EXPECT_EQ(e.GetText(), "\n");
    e.Redo(1);
    EXPECT_EQ(e.GetText(), "\r\n");
}

TEST(UndoHistory, UndoPutsBackAMalformedSequenceAndAZeroByteInTheirOrder) {
    TextEditor e;
    // A three-byte lead byte followed by a zero byte and two letters: the
    // lead byte is a character of its own, so it takes two Deletes.
    e.SetText(std::string("\xE2\0zz", 4));
    e.Delete();
    EXPECT_EQ(e.GetText(), std::string("\0zz\n", 4));
    e.Delete();
    EXPECT_EQ(e.GetText(), "zz\n");
    e.Undo(2);
    EXPECT_EQ(e.GetText(), std::string("\xE2\0zz\n", 5));
    e.Redo(2);
    EXPECT_EQ(e.GetText(), "zz\n");
}

TEST(UndoHistory, EditsThatJoinBytesIntoOneCharacterAreUndoneAndRedoneByteForByte) {
    // Deleting the Z joins the Latin-1 byte and the two continuation bytes
    // after it into one three-byte character; pasting a continuation byte
    // after a lone lead byte joins them into a two-byte one. No column names
    // the place between joined bytes: the records name it in bytes.
    HeadlessImGui imgui;  // the clipboard
    TextEditor e;
    e.SetText("\xE9Z\x80\x80\n\xC3");
    PlaceCursor(e, TextPosition(0, 1));
    e.Delete();
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"\xE9\x80\x80", "\xC3"}));
    EXPECT_EQ(e.LineEndColumn(0), 1);
    PlaceCursor(e, TextPosition(1, 1));
    ImGui::SetClipboardText("\xA9x");
    e.Paste();
    const std::vector<std::string> edited{"\xE9\x80\x80", "\xC3\xA9x"};
    EXPECT_EQ(e.GetTextLines(), edited);
    EXPECT_EQ(e.GetCursorPosition(), TextPosition(1, 2));

    e.Undo(1);
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"\xE9\x80\x80", "\xC3"}));
    e.Undo(1);
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"\xE9Z\x80\x80", "\xC3"}));
    EXPECT_EQ(e.GetCursorPosition(), TextPosition(0, 1));
    e.Redo(2);
    EXPECT_EQ(e.GetTextLines(), edited);
    EXPECT_EQ(e.GetCursorPosition(), TextPosition(1, 2));
}

TEST(UndoHistory, UndoAskedOutsideRenderLeavesScrollingToTheNextFrame) {
    TextEditor e;
    TypeCharacters(e, "x");
    e.scrollToCursor = false;
    e.Undo(1);
    EXPECT_TRUE(e.scrollToCursor);
}
