// TextEditor: the undo history.
//
// Every editing command that changes the text stores one UndoEntry: the text
// it inserted and the text it removed, each with the range it occupies, and
// the cursor state on both sides. Undo removes what was added and puts back
// what was removed; Redo does the opposite. The history has no bound and is
// emptied only by SetText and SetTextLines.
#include "TextEditor.h"

#include <string>

namespace {

// Inserts bytes at where (advancing it) exactly as they were taken out of the
// text: every line feed breaks the line, every other byte becomes one glyph.
// InsertTextAt cannot be used: it stops at a zero byte and drops carriage
// returns, and a text can hold both (SetText keeps zero bytes, SetTextLines
// and EnterCharacter take a carriage return). The byte index is carried from
// byte to byte, so a malformed UTF-8 sequence is put back as it was too.
void InsertBytes(TextEditor& editor, TextEditor::TextPosition& where, const std::string& bytes) {
    if (bytes.empty()) return;
    if (editor.lines.empty()) editor.lines.emplace_back();
    where = editor.SanitizePosition(where);
    int index = editor.ColumnToCharIndex(where);
    for (const char byte : bytes) {
        if (byte == '\n') {
            TextEditor::Line& added = editor.InsertLine(where.line + 1);
            TextEditor::Line& line = editor.lines[where.line];
            added.assign(line.begin() + index, line.end());
            line.erase(line.begin() + index, line.end());
            ++where.line;
            index = 0;
        } else {
            TextEditor::Line& line = editor.lines[where.line];
            line.insert(line.begin() + index++, TextEditor::Glyph(static_cast<uint8_t>(byte), TextEditor::PaletteIndex::Default));
        }
    }
    where.column = editor.CharIndexToColumn(where.line, index);
    editor.textChanged = true;
}

// Marks the lines of a range, and the line before it, for recolouring.
void ColorizeAround(TextEditor& editor, const TextEditor::TextPosition& start, const TextEditor::TextPosition& end) {
    editor.Colorize(start.line - 1, end.line - start.line + 2);
}

}  // namespace

// ==========================================================================
// One record
// ==========================================================================

TextEditor::UndoEntry::UndoEntry(const std::string& aAdded, const TextPosition aAddedStart,
                                 const TextPosition aAddedEnd, const std::string& aRemoved,
                                 const TextPosition aRemovedStart, const TextPosition aRemovedEnd,
                                 const CursorState& aBefore, const CursorState& aAfter)
    : added(aAdded),
      addedStart(aAddedStart),
      addedEnd(aAddedEnd),
      removed(aRemoved),
      removedStart(aRemovedStart),
      removedEnd(aRemovedEnd),
      before(aBefore),
      after(aAfter) {}

void TextEditor::UndoEntry::Undo(TextEditor* editor) {
    if (!added.empty()) {
        editor->DeleteRange(addedStart, addedEnd);
        ColorizeAround(*editor, addedStart, addedEnd);
    }
    if (!removed.empty()) {
        TextPosition start = removedStart;
        InsertBytes(*editor, start, removed);
        ColorizeAround(*editor, removedStart, removedEnd);
    }
    editor->state = before;
    editor->KeepCursorVisible();
}

void TextEditor::UndoEntry::Redo(TextEditor* editor) {
    if (!removed.empty()) {
        editor->DeleteRange(removedStart, removedEnd);
        ColorizeAround(*editor, removedStart, removedEnd);
    }
    if (!added.empty()) {
        TextPosition start = addedStart;
        InsertBytes(*editor, start, added);
        ColorizeAround(*editor, addedStart, addedEnd);
    }
    editor->state = after;
    editor->KeepCursorVisible();
}

// ==========================================================================
// The history
// ==========================================================================

// A new record drops every record that could still have been redone.
void TextEditor::AddUndo(UndoEntry& value) {
    undoBuffer.resize(static_cast<size_t>(undoIndex) + 1);
    undoBuffer.back() = value;
    ++undoIndex;
}

bool TextEditor::CanUndo() const { return !readOnly && undoIndex > 0; }

bool TextEditor::CanRedo() const { return !readOnly && undoIndex < static_cast<int>(undoBuffer.size()); }

void TextEditor::Undo(int steps) {
    while (CanUndo() && steps-- > 0) undoBuffer[--undoIndex].Undo(this);
}

void TextEditor::Redo(int steps) {
    while (CanRedo() && steps-- > 0) undoBuffer[undoIndex++].Redo(this);
}
