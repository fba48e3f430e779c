// Keyboard handling through whole frames: keys by SDL scancode and typed
// characters fed to ImGui as its SDL2 backend feeds them.
#include "EditorFrameHarness.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace tetest;

namespace {

using Lines = std::vector<std::string>;

class Keyboard : public ::testing::Test {
protected:
    void Load(const std::string& text, TextPosition cursor = TextPosition()) {
        h.editor.SetText(text);
        PlaceCursor(h.editor, cursor);
        h.Focus();
    }
    Lines TextLines() const { return h.editor.GetTextLines(); }
    TextPosition At() const { return h.editor.GetCursorPosition(); }

    EditorFrameHarness h;
};

}  // namespace

// ---- Typed characters ---------------------------------------------------------

TEST_F(Keyboard, TypedCharactersGoInAtTheCursorInQueueOrder) {
    Load("", TextPosition(0, 0));
    h.Type("h\xC3\xA9llo");
    EXPECT_EQ(TextLines(), (Lines{"h\xC3\xA9llo"}));
    EXPECT_EQ(At(), TextPosition(0, 5));
    EXPECT_EQ(h.editor.undoBuffer.size(), 5u);
}

TEST_F(Keyboard, TypedControlCharactersAreDroppedButALineFeedSplitsTheLine) {
    Load("ab", TextPosition(0, 1));
    h.Type("\t\x01\x1b\nx");
    EXPECT_EQ(TextLines(), (Lines{"a", "xb"}));
}

TEST_F(Keyboard, TypingAfterALatin1ByteDrawsEachCharacterMovesTheCursorAndUndoesExactly) {
    // A shader saved as Latin-1 holds "\xE9" for an e acute: a character of
    // its own, not the lead byte of a three-byte character that would take
    // the typed characters into it.
    Load("// caf\xE9", TextPosition(0, 7));
    const size_t drawn = h.QuadsOfColor(h.Role(PaletteIndex::Comment)).size();
    h.Type("s");
    h.Type("!");
    EXPECT_EQ(TextLines(), (Lines{"// caf\xE9s!"}));
    EXPECT_EQ(At(), TextPosition(0, 9));
    EXPECT_EQ(h.QuadsOfColor(h.Role(PaletteIndex::Comment)).size(), drawn + 2);

    h.Key(SDL_SCANCODE_Z, kCtrl);
    h.Key(SDL_SCANCODE_Z, kCtrl);
    EXPECT_EQ(TextLines(), (Lines{"// caf\xE9"}));
    EXPECT_EQ(At(), TextPosition(0, 7));
    h.Key(SDL_SCANCODE_Y, kCtrl);
    h.Key(SDL_SCANCODE_Y, kCtrl);
    EXPECT_EQ(TextLines(), (Lines{"// caf\xE9s!"}));
    EXPECT_EQ(At(), TextPosition(0, 9));
}

TEST_F(Keyboard, RenderReportsTheChangesMadeInItsOwnFrame) {
    Load("ab", TextPosition(0, 2));
    h.Type("c");
    EXPECT_TRUE(h.editor.IsTextChanged());
    EXPECT_TRUE(h.editor.cursorPositionChanged);
    h.Frame();
    EXPECT_FALSE(h.editor.IsTextChanged());
    EXPECT_FALSE(h.editor.cursorPositionChanged);
}

TEST_F(Keyboard, AnUnfocusedEditorIgnoresKeysAndCharacters) {
    h.editor.SetText("ab");
    h.Frame();
    h.Type("x");
    h.Key(SDL_SCANCODE_DELETE);
    EXPECT_EQ(TextLines(), (Lines{"ab"}));
}

TEST_F(Keyboard, AFocusedEditorCapturesTheKeyboardAndTextInput) {
    Load("ab");
    bool captured = false;
    h.Frame([&] { captured = h.IO().WantCaptureKeyboard && h.IO().WantTextInput; });
    EXPECT_TRUE(captured);
}

TEST_F(Keyboard, AFocusedEditorShowsTheTextInputMouseCursorOnlyWhileHovered) {
    Load("ab");
    ImGuiMouseCursor shape = ImGuiMouseCursor_None;
    h.IO().MousePos = h.PointAt(0, 1);
    h.Frame([&] { shape = ImGui::GetMouseCursor(); });
    EXPECT_EQ(shape, ImGuiMouseCursor_TextInput);

    h.IO().MousePos = ImVec2(-100.0f, -100.0f);  // off every window
    h.Frame([&] { shape = ImGui::GetMouseCursor(); });
    EXPECT_EQ(shape, ImGuiMouseCursor_Arrow);
}

// ---- Undo and redo keys ----------------------------------------------------------

TEST_F(Keyboard, CtrlZUndoesCtrlYRedoesAndCtrlShiftZDoesNothing) {
    Load("", TextPosition(0, 0));
    h.Type("a");
    h.Type("b");
    h.Key(SDL_SCANCODE_Z, kCtrl);
    EXPECT_EQ(TextLines(), (Lines{"a"}));
    h.Key(SDL_SCANCODE_Z, kCtrl | kShift);
    EXPECT_EQ(TextLines(), (Lines{"a"}));
    h.Key(SDL_SCANCODE_Y, kCtrl);
    EXPECT_EQ(TextLines(), (Lines{"ab"}));
    h.Key(SDL_SCANCODE_BACKSPACE, kAlt);
    EXPECT_EQ(TextLines(), (Lines{"a"}));
}

TEST_F(Keyboard, WithMacBehavioursCommandActsAsCtrlAndCtrlAsAlt) {
    h.IO().ConfigMacOSXBehaviors = true;
    Load("", TextPosition(0, 0));
    h.Type("a");
    h.Type("b");
    h.Type("c");

    h.Key(SDL_SCANCODE_Z, kCtrl);  // Ctrl is Alt here: no row takes Alt+Z
    EXPECT_EQ(TextLines(), (Lines{"abc"}));

    h.IO().KeySuper = true;  // Command+Z
    h.Key(SDL_SCANCODE_Z);
    h.IO().KeySuper = false;
    EXPECT_EQ(TextLines(), (Lines{"ab"}));

    h.Key(SDL_SCANCODE_BACKSPACE, kCtrl);  // Alt+Backspace undoes
    EXPECT_EQ(TextLines(), (Lines{"a"}));
}

// ---- Moves --------------------------------------------------------------------------

TEST_F(Keyboard, ShiftArrowsExtendTheSelection) {
    Load("abcd\nefgh", TextPosition(1, 2));
    h.Key(SDL_SCANCODE_UP, kShift);
    EXPECT_EQ(h.editor.GetSelectedText(), "cd\nef");
    h.Key(SDL_SCANCODE_RIGHT, kShift);
    EXPECT_EQ(h.editor.GetSelectedText(), "d\nef");
    h.Key(SDL_SCANCODE_LEFT);
    EXPECT_FALSE(h.editor.HasSelection());
    EXPECT_EQ(At(), TextPosition(0, 2));
}

TEST_F(Keyboard, CtrlLeftAndCtrlRightMoveByWords) {
    Load("float value = other;", TextPosition(0, 20));
    h.Frame();  // the colorizer has run: words are tokens
    h.Key(SDL_SCANCODE_LEFT, kCtrl);
    EXPECT_EQ(At(), TextPosition(0, 19));
    h.Key(SDL_SCANCODE_LEFT, kCtrl);
    EXPECT_EQ(At(), TextPosition(0, 14));
    h.Key(SDL_SCANCODE_LEFT, kCtrl);
    EXPECT_EQ(At(), TextPosition(0, 12));
    h.Key(SDL_SCANCODE_RIGHT, kCtrl);
    EXPECT_EQ(At(), TextPosition(0, 14));
}

TEST_F(Keyboard, PageUpAndPageDownMoveByThePageSizeLessFourLines) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "line " + std::to_string(i) + "\n";
    Load(text, TextPosition(200, 0));
    // The child window fills the 600-pixel display; each line is one font height.
    const int page = static_cast<int>(std::floor((600.0f - 20.0f) / h.editor.charAdvance.y));
    ASSERT_GT(page, 10);
    h.Key(SDL_SCANCODE_PAGEUP);
    EXPECT_EQ(At(), TextPosition(200 - (page - 4), 0));
    h.Key(SDL_SCANCODE_PAGEDOWN, kShift);
    EXPECT_EQ(At(), TextPosition(200, 0));
    EXPECT_EQ(h.editor.state.selectionStart, TextPosition(200 - (page - 4), 0));
    EXPECT_EQ(h.editor.state.selectionEnd, TextPosition(200, 0));
}

TEST_F(Keyboard, PageUpInAWindowTooSmallForFourLinesOfContextStillMovesUpOneLine) {
    h.size = ImVec2(400.0f, 60.0f);  // three lines: a page of -1
    std::string text;
    for (int i = 0; i < 300; ++i) text += "line\n";
    Load(text, TextPosition(200, 0));
    h.Key(SDL_SCANCODE_PAGEUP);
    EXPECT_EQ(At(), TextPosition(199, 0));
    h.Key(SDL_SCANCODE_PAGEDOWN);
    EXPECT_EQ(At(), TextPosition(200, 0));
}

TEST_F(Keyboard, HomeEndGoToTheLineAndCtrlHomeEndToTheText) {
    Load("abc\ndef\nghi", TextPosition(1, 1));
    h.Key(SDL_SCANCODE_END);
    EXPECT_EQ(At(), TextPosition(1, 3));
    h.Key(SDL_SCANCODE_HOME);
    EXPECT_EQ(At(), TextPosition(1, 0));
    h.Key(SDL_SCANCODE_END, kCtrl);
    EXPECT_EQ(At(), TextPosition(2, 0));
    h.Key(SDL_SCANCODE_HOME, kCtrl | kShift);
    EXPECT_EQ(At(), TextPosition(0, 0));
    EXPECT_EQ(h.editor.GetSelectedText(), "abc\ndef\n");
}

// ---- Editing keys ---------------------------------------------------------------------

TEST_F(Keyboard, DeleteBackspaceEnterAndTabEdit) {
    Load("abcd", TextPosition(0, 2));
    h.Key(SDL_SCANCODE_DELETE);
    EXPECT_EQ(TextLines(), (Lines{"abd"}));
    h.Key(SDL_SCANCODE_BACKSPACE);
    EXPECT_EQ(TextLines(), (Lines{"ad"}));
    h.Key(SDL_SCANCODE_RETURN);
    EXPECT_EQ(TextLines(), (Lines{"a", "d"}));
    h.Key(SDL_SCANCODE_TAB);
    EXPECT_EQ(TextLines(), (Lines{"a", "\td"}));
}

TEST_F(Keyboard, TabAndShiftTabIndentAndUnindentASelectedBlock) {
    Load("a\nb\nc", TextPosition(0, 0));
    h.Key(SDL_SCANCODE_DOWN, kShift);
    h.Key(SDL_SCANCODE_DOWN, kShift);
    h.Key(SDL_SCANCODE_TAB);
    EXPECT_EQ(TextLines(), (Lines{"\ta", "\tb", "c"}));
    h.Key(SDL_SCANCODE_TAB, kShift);
    EXPECT_EQ(TextLines(), (Lines{"a", "b", "c"}));
}

TEST_F(Keyboard, InsertTogglesOverwrite) {
    Load("abc", TextPosition(0, 0));
    h.Key(SDL_SCANCODE_INSERT);
    EXPECT_TRUE(h.editor.overwrite);
    h.Type("X");
    EXPECT_EQ(TextLines(), (Lines{"Xbc"}));
    h.Key(SDL_SCANCODE_INSERT);
    EXPECT_FALSE(h.editor.overwrite);
}

TEST_F(Keyboard, ClipboardKeysCopyCutAndPaste) {
    Load("one two", TextPosition(0, 0));
    h.Key(SDL_SCANCODE_A, kCtrl);
    EXPECT_EQ(h.editor.GetSelectedText(), "one two");
    h.Key(SDL_SCANCODE_C, kCtrl);
    EXPECT_STREQ(ImGui::GetClipboardText(), "one two");

    h.editor.SetSelection(TextPosition(0, 0), TextPosition(0, 4));
    h.Key(SDL_SCANCODE_X, kCtrl);
    EXPECT_EQ(TextLines(), (Lines{"two"}));
    EXPECT_STREQ(ImGui::GetClipboardText(), "one ");

    h.Key(SDL_SCANCODE_END);
    h.Key(SDL_SCANCODE_V, kCtrl);
    EXPECT_EQ(TextLines(), (Lines{"twoone "}));

    h.editor.SetSelection(TextPosition(0, 0), TextPosition(0, 3));
    h.Key(SDL_SCANCODE_INSERT, kCtrl);
    EXPECT_STREQ(ImGui::GetClipboardText(), "two");
    h.Key(SDL_SCANCODE_DELETE, kShift);
    EXPECT_EQ(TextLines(), (Lines{"one "}));
    h.Key(SDL_SCANCODE_END);
    h.Key(SDL_SCANCODE_INSERT, kShift);
    EXPECT_EQ(TextLines(), (Lines{"one two"}));
}

TEST_F(Keyboard, PastedLatin1BytesStayCharactersOfTheirOwnAndUndoAndRedoGiveTheLinesBack) {
    // Before plain letters: Undo takes out the one byte pasted.
    Load("etude", TextPosition(0, 0));
    ImGui::SetClipboardText("\xE9");
    h.Key(SDL_SCANCODE_V, kCtrl);
    EXPECT_EQ(TextLines(), (Lines{"\xE9" "etude"}));
    EXPECT_EQ(At(), TextPosition(0, 1));
    h.Key(SDL_SCANCODE_Z, kCtrl);
    EXPECT_EQ(TextLines(), (Lines{"etude"}));

    // Before a line feed: the line breaks there, as SetText breaks it.
    const std::string pasted = "caf\xE9\nline2\nline3";
    TextEditor loaded;
    loaded.SetText(pasted);
    Load("", TextPosition(0, 0));
    ImGui::SetClipboardText(pasted.c_str());
    h.Key(SDL_SCANCODE_V, kCtrl);
    EXPECT_EQ(TextLines(), loaded.GetTextLines());
    EXPECT_EQ(At(), TextPosition(2, 5));
    h.Key(SDL_SCANCODE_Z, kCtrl);
    EXPECT_EQ(TextLines(), (Lines{""}));
    EXPECT_EQ(At(), TextPosition(0, 0));
    h.Key(SDL_SCANCODE_Y, kCtrl);
    EXPECT_EQ(TextLines(), loaded.GetTextLines());
    EXPECT_EQ(At(), TextPosition(2, 5));
}

// ---- Read-only ----------------------------------------------------------------------------

TEST_F(Keyboard, AReadOnlyEditorMovesCopiesAndTogglesOverwriteButDoesNotEdit) {
    Load("abc\ndef", TextPosition(0, 1));
    h.editor.SetReadOnly(true);
    ImGui::SetClipboardText("zz");

    h.Key(SDL_SCANCODE_V, kCtrl);
    h.Key(SDL_SCANCODE_RETURN);
    h.Key(SDL_SCANCODE_TAB);
    h.Key(SDL_SCANCODE_DELETE);
    h.Key(SDL_SCANCODE_BACKSPACE);
    h.Key(SDL_SCANCODE_X, kCtrl);
    bool queueKept = false;
    h.IO().AddInputCharactersUTF8("q");
    h.Frame([&] { queueKept = h.IO().InputQueueCharacters.Size == 1; });
    EXPECT_TRUE(queueKept);
    EXPECT_EQ(TextLines(), (Lines{"abc", "def"}));

    h.Key(SDL_SCANCODE_INSERT);
    EXPECT_TRUE(h.editor.overwrite);
    h.Key(SDL_SCANCODE_DOWN);
    EXPECT_EQ(At(), TextPosition(1, 1));
    h.Key(SDL_SCANCODE_C, kCtrl);
    EXPECT_STREQ(ImGui::GetClipboardText(), "def");
}
