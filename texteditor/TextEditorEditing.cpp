// TextEditor: the editing commands.
//
// Each command that changes the text adds exactly one undo record, built so
// that undoing it restores the text byte for byte: the removed text is what
// was actually erased, and each range names in bytes where it lies in the
// text as it stood on that side of the change. A command works in byte
// positions from the moment it changes the text, and turns the place where it
// ends into the cursor's column last: taking text out can join the bytes on
// either side of it into one character (a lone lead byte and continuation
// bytes), after which the column of the place where the text was names
// another byte. Each command also marks the lines around its change for
// recolouring.
//
// Read-only editors: Cut only copies and Paste does nothing; Delete,
// Backspace and EnterCharacter do not look at the flag (the keyboard handler
// does not call them in a read-only editor).
#include "TextEditor.h"

#include "TextEditorDetail.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

using TextPosition = TextEditor::TextPosition;

// Clamps both ends of the selection into the text. A selection left behind
// by SetText may lie past the last line; records must name real positions.
void ClampSelection(TextEditor& editor) {
    editor.state.selectionStart = editor.SanitizePosition(editor.state.selectionStart);
    editor.state.selectionEnd = editor.SanitizePosition(editor.state.selectionEnd);
}

// Starts a record by taking out the selection: its text goes to removed.
// Returns the byte position where the selection started, which is where a
// command replacing the selection puts its text.
TextPosition RemoveSelectionInto(TextEditor& editor, TextEditor::UndoEntry& record) {
    record.removed = editor.GetSelectedText();
    record.removedStart = editor.ByteAt(editor.state.selectionStart);
    record.removedEnd = editor.ByteAt(editor.state.selectionEnd);
    editor.DeleteSelection();
    return record.removedStart;
}

// Appends the glyphs [from, to) of a line to a byte string.
void AppendBytes(std::string& out, const TextEditor::Line& line, int from, int to) {
    for (int i = from; i < to; ++i) out.push_back(static_cast<char>(line[i].character));
}

// The byte index after the character that starts at index; index itself at
// or past the line's end.
int CharacterEnd(const TextEditor::Line& line, int index) { return index + CharacterLength(line, index); }

// Puts the cursor at the end of text inserted from the line first on, with
// an empty selection, and marks the lines from the one before first to the
// one after the cursor's for recolouring.
void PlaceCursorAfterInsertion(TextEditor& editor, int first, const TextPosition& cursor) {
    editor.SetSelection(cursor, cursor, TextEditor::SelectionMode::Normal);
    editor.SetCursorPosition(cursor);
    editor.Colorize(first - 1, cursor.line - first + 2);
}

}  // namespace

// ==========================================================================
// Clipboard
// ==========================================================================

// Without a selection the cursor's whole line is copied, without its break.
// Both read the selection clamped into the text, so one that clamps to
// nothing copies the line, not "".
void TextEditor::Copy() {
    if (HasSelection()) {
        ImGui::SetClipboardText(GetSelectedText().c_str());
        return;
    }
    if (lines.empty()) return;
    const Line& line = lines[SanitizedCursor().line];
    std::string text;
    AppendBytes(text, line, 0, static_cast<int>(line.size()));
    ImGui::SetClipboardText(text.c_str());
}

void TextEditor::Cut() {
    if (readOnly) {
        Copy();
        return;
    }
    ClampSelection(*this);
    if (!HasSelection()) return;

    UndoEntry record;
    record.before = state;
    Copy();
    RemoveSelectionInto(*this, record);
    record.after = state;
    AddUndo(record);
}

void TextEditor::Paste() {
    if (readOnly) return;
    const char* clipboard = ImGui::GetClipboardText();
    if (clipboard == nullptr || *clipboard == '\0') return;
    // Our own copy (the clipboard may change under us), without the carriage
    // returns the text never stores, so the record holds what went in.
    std::string text = clipboard;
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());

    ClampSelection(*this);
    UndoEntry record;
    record.before = state;
    const TextPosition start = HasSelection() ? RemoveSelectionInto(*this, record) : ByteAt(SanitizedCursor());
    record.added = text;
    record.addedStart = record.addedEnd = start;
    InsertBytes(record.addedEnd, text);
    PlaceCursorAfterInsertion(*this, start.line, ColumnAt(record.addedEnd));
    record.after = state;
    AddUndo(record);
}

// ==========================================================================
// Inserting text (no undo record: Paste records it)
// ==========================================================================

void TextEditor::InsertText(const std::string& text) { InsertText(text.c_str()); }

void TextEditor::InsertText(const char* text) {
    if (text == nullptr) return;
    TextPosition end = SanitizedCursor();
    const int first = std::min(end, state.selectionStart).line;
    InsertTextAt(end, text);
    PlaceCursorAfterInsertion(*this, first, end);
}

// ==========================================================================
// Deleting forwards and backwards
// ==========================================================================

namespace {

// What Delete and Backspace share. With a selection the selection goes.
// Otherwise the cursor is first replaced by its clamped value pos, and
// eraseNextTo(pos, record) erases one character or line break beside it,
// fills the record's removed text and range, and returns false when there
// is nothing to erase (then no record is added).
template <typename EraseNextTo>
void DeleteCommand(TextEditor& editor, EraseNextTo eraseNextTo) {
    if (editor.lines.empty()) return;
    ClampSelection(editor);
    TextEditor::UndoEntry record;
    record.before = editor.state;

    if (editor.HasSelection()) {
        RemoveSelectionInto(editor, record);
    } else {
        const TextPosition pos = editor.SanitizedCursor();
        editor.SetCursorPosition(pos);
        if (!eraseNextTo(pos, record)) return;
        editor.textChanged = true;
    }

    record.after = editor.state;
    editor.AddUndo(record);
}

}  // namespace

// Deletes the selection, or the character after the cursor, or the line
// break at the end of its line. Nothing at the end of the text.
void TextEditor::Delete() {
    DeleteCommand(*this, [this](const TextPosition& pos, UndoEntry& record) {
        Line& line = lines[pos.line];
        const int index = ColumnToCharIndex(pos);

        // Judged by the byte index: a column inside a line's final tab is at
        // its end as well.
        if (index >= static_cast<int>(line.size())) {
            if (pos.line == static_cast<int>(lines.size()) - 1) return false;
            record.removed = "\n";
            record.removedStart = TextPosition(pos.line, static_cast<int>(line.size()));
            record.removedEnd = TextPosition(pos.line + 1, 0);
            Line& next = lines[pos.line + 1];
            line.insert(line.end(), next.begin(), next.end());
            RemoveLine(pos.line + 1);
            LineChanged(pos.line);
        } else {
            const int end = CharacterEnd(line, index);
            record.removedStart = TextPosition(pos.line, index);
            record.removedEnd = TextPosition(pos.line, end);
            AppendBytes(record.removed, line, index, end);
            line.erase(line.begin() + index, line.begin() + end);
            LineChanged(pos.line);
        }
        Colorize(pos.line, 1);
        return true;
    });
}

// Deletes the selection, or the character before the cursor, or joins the
// line to the one above. Nothing at the start of the text.
void TextEditor::Backspace() {
    DeleteCommand(*this, [this](const TextPosition& pos, UndoEntry& record) {
        if (pos.column > 0) {
            Line& line = lines[pos.line];
            const int end = ColumnToCharIndex(pos);
            const int index = texteditor_detail::PreviousCharacterStart(line, end);
            record.removedStart = TextPosition(pos.line, index);
            record.removedEnd = TextPosition(pos.line, end);
            state.cursorPosition.column = CharIndexToColumn(pos.line, index);
            AppendBytes(record.removed, line, index, end);
            line.erase(line.begin() + index, line.begin() + end);
            LineChanged(pos.line);
        } else {
            if (pos.line == 0) return false;
            const int above = pos.line - 1;
            const int aboveEnd = LineEndColumn(above);
            record.removed = "\n";
            record.removedStart = TextPosition(above, static_cast<int>(lines[above].size()));
            record.removedEnd = TextPosition(pos.line, 0);
            Line& previous = lines[above];
            const Line& current = lines[pos.line];
            previous.insert(previous.end(), current.begin(), current.end());
            RemoveLine(pos.line);
            LineChanged(above);
            state.cursorPosition = TextPosition(above, aboveEnd);
        }
        KeepCursorVisible();
        Colorize(state.cursorPosition.line, 1);
        return true;
    });
}

// ==========================================================================
// Typing
// ==========================================================================

namespace {

// Tab or Shift+Tab on a selection over several lines: indents every line of
// the block by one tab, or takes one tab or up to tabSize leading blanks off.
// Returns false when no line needed a change (and nothing was recorded).
bool IndentBlock(TextEditor& editor, bool unindent) {
    TextEditor::UndoEntry record;
    record.before = editor.state;

    TextPosition start = editor.state.selectionStart;
    TextPosition end = editor.state.selectionEnd;
    if (start > end) std::swap(start, end);
    const TextPosition originalEnd = end;
    start.column = 0;
    // A selection ending at the start of a line leaves that line alone.
    if (end.column == 0 && end.line > 0) --end.line;
    const int lineCount = static_cast<int>(editor.lines.size());
    if (end.line >= lineCount) end.line = lineCount == 0 ? 0 : lineCount - 1;
    end.column = editor.LineEndColumn(end.line);

    record.removedStart = editor.ByteAt(start);
    record.removedEnd = editor.ByteAt(end);
    record.removed = editor.GetTextRange(start, end);

    bool changed = false;
    for (int l = start.line; l <= end.line && l < lineCount; ++l) {
        TextEditor::Line& line = editor.lines[l];
        if (unindent) {
            if (!line.empty() && line.front().character == '\t') {
                line.erase(line.begin());
                changed = true;
            } else {
                // A tab size of 0 acts as 1 here too, as it does for columns.
                const int blanks = std::max(1, editor.tabSize);
                for (int k = 0; k < blanks && !line.empty() && line.front().character == ' '; ++k) {
                    line.erase(line.begin());
                    changed = true;
                }
            }
        } else {
            line.insert(line.begin(), TextEditor::Glyph('\t', TextEditor::PaletteIndex::Background));
            changed = true;
        }
        editor.LineChanged(l);
    }
    if (!changed) return false;

    start = TextPosition(start.line, 0);
    TextPosition rangeEnd;
    if (originalEnd.column != 0) {
        end = TextPosition(end.line, editor.LineEndColumn(end.line));
        rangeEnd = end;
    } else {
        end = TextPosition(originalEnd.line, 0);
        rangeEnd = TextPosition(originalEnd.line - 1, editor.LineEndColumn(originalEnd.line - 1));
    }
    record.added = editor.GetTextRange(start, rangeEnd);
    record.addedStart = editor.ByteAt(start);
    record.addedEnd = editor.ByteAt(rangeEnd);
    record.after = editor.state;

    editor.state.selectionStart = start;
    editor.state.selectionEnd = end;
    editor.AddUndo(record);
    editor.textChanged = true;
    editor.KeepCursorVisible();
    return true;
}

}  // namespace

// Types one character: Enter ("\n") with automatic indentation, Tab on a
// block of lines, or any other character, replacing the selection and, in
// overwrite mode, the character under the cursor.
void TextEditor::EnterCharacter(ImWchar character, bool shift) {
    ClampSelection(*this);

    if (character == '\t' && state.selectionStart.line != state.selectionEnd.line) {
        IndentBlock(*this, shift);
        return;
    }

    // A character that encodes to no bytes (a lone low surrogate, or zero)
    // types nothing, and leaves the selection in place.
    char encoded[7];
    int encodedLength = 0;
    if (character != '\n') {
        encodedLength = character == 0 ? 0 : ImTextCharToUtf8(encoded, sizeof(encoded), character);
        if (encodedLength == 0) return;
    }

    UndoEntry record;
    record.before = state;

    // The character goes in at the cursor, or where the selection started.
    const bool selectionRemoved = HasSelection();
    const TextPosition at = selectionRemoved ? RemoveSelectionInto(*this, record) : ByteAt(SanitizedCursor());
    record.addedStart = at;

    if (character == '\n') {
        InsertLine(at.line + 1);
        Line& line = lines[at.line];
        Line& newLine = lines[at.line + 1];
        std::string indentation;
        if (language.autoIndentation) {
            for (size_t i = 0; i < line.size() && line[i].character < 0x80 && std::isblank(line[i].character); ++i) {
                newLine.push_back(line[i]);
                indentation.push_back(static_cast<char>(line[i].character));
            }
        }
        const int width = static_cast<int>(newLine.size());
        newLine.insert(newLine.end(), line.begin() + at.column, line.end());
        line.erase(line.begin() + at.column, line.end());
        LineChanged(at.line);
        LineChanged(at.line + 1);
        record.added = "\n" + indentation;
        record.addedEnd = TextPosition(at.line + 1, width);
    } else {
        Line& line = lines[at.line];
        const int index = at.column;
        if (overwrite && index < static_cast<int>(line.size())) {
            // With a selection, the character replaced is the one that followed
            // it: its bytes extend the selection's range in the record.
            const int end = CharacterEnd(line, index);
            if (selectionRemoved) {
                record.removedEnd.column += end - index;
            } else {
                record.removedStart = at;
                record.removedEnd = TextPosition(at.line, end);
            }
            AppendBytes(record.removed, line, index, end);
            line.erase(line.begin() + index, line.begin() + end);
        }
        for (int k = 0; k < encodedLength; ++k)
            line.insert(line.begin() + index + k, Glyph(static_cast<uint8_t>(encoded[k]), PaletteIndex::Default));
        // Overwriting keeps the length when it replaces a character by one
        // of as many bytes (a letter by a tab): the layout goes all the same.
        LineChanged(at.line);
        record.added.assign(encoded, encodedLength);
        record.addedEnd = TextPosition(at.line, index + encodedLength);
    }
    SetCursorPosition(ColumnAt(record.addedEnd));

    textChanged = true;
    record.after = state;
    AddUndo(record);
    Colorize(at.line - 1, 3);
    KeepCursorVisible();
}
