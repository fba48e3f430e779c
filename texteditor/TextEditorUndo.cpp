// TextEditor: the undo history.
//
// Every editing command that changes the text stores one UndoEntry: the text
// it inserted and the text it removed, each with the range it occupies, and
// the cursor state on both sides. Undo removes what was added and puts back
// what was removed; Redo does the opposite. The history has no bound and is
// emptied only by SetText and SetTextLines.
//
// The ranges are byte positions and the text goes back through InsertBytes,
// which keeps every byte (zero bytes, carriage returns, malformed UTF-8) and
// breaks the line at every line feed, so each step gives back the text and
// its lines byte for byte even where the change joined or split characters.
#include "TextEditor.h"

#include <string>

namespace {

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
        editor->DeleteBytes(addedStart, addedEnd);
        ColorizeAround(*editor, addedStart, addedEnd);
    }
    if (!removed.empty()) {
        TextPosition at = removedStart;
        editor->InsertBytes(at, removed);
        ColorizeAround(*editor, removedStart, removedEnd);
    }
    editor->state = before;
    editor->KeepCursorVisible();
}

void TextEditor::UndoEntry::Redo(TextEditor* editor) {
    if (!removed.empty()) {
        editor->DeleteBytes(removedStart, removedEnd);
        ColorizeAround(*editor, removedStart, removedEnd);
    }
    if (!added.empty()) {
        TextPosition at = addedStart;
        editor->InsertBytes(at, added);
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
