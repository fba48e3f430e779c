// TextEditor: cursor placement, scrolling to the cursor, the selection and
// the cursor moves.
//
// A move computes the new cursor and then updates the two ends of the
// selection being made (interactiveStart, interactiveEnd). Without select both
// ends collapse onto the new cursor; with select one end follows the cursor:
//   rule A (moves towards the start): the end that sat on the old cursor
//          follows, preferring interactiveStart;
//   rule B (moves towards the end): the same, preferring interactiveEnd.
// When the old cursor sat on neither end, a new selection starts between the
// old and the new cursor.
#include "TextEditor.h"

#include "TextEditorDetail.h"

#include <algorithm>
#include <cmath>

namespace {

using TextPosition = TextEditor::TextPosition;
using SelectionMode = TextEditor::SelectionMode;

// Without select, both ends of the selection being made become the cursor.
void Collapse(TextEditor& editor, const TextPosition& newPos) {
    editor.interactiveStart = newPos;
    editor.interactiveEnd = newPos;
}

// Ends a move from oldPos to the cursor by rule A, then sets the selection
// from the two ends in mode.
void SelectByRuleA(TextEditor& editor, bool select, const TextPosition& oldPos,
                   SelectionMode mode = SelectionMode::Normal) {
    const TextPosition newPos = editor.state.cursorPosition;
    if (!select) {
        Collapse(editor, newPos);
    } else if (oldPos == editor.interactiveStart) {
        editor.interactiveStart = newPos;
    } else if (oldPos == editor.interactiveEnd) {
        editor.interactiveEnd = newPos;
    } else {
        editor.interactiveStart = newPos;
        editor.interactiveEnd = oldPos;
    }
    editor.SetSelection(editor.interactiveStart, editor.interactiveEnd, mode);
}

// The same by rule B; endValue is what interactiveEnd takes in its first case
// (MoveRight clamps it, the other moves pass the cursor).
void SelectByRuleB(TextEditor& editor, bool select, const TextPosition& oldPos, const TextPosition& endValue,
                   SelectionMode mode = SelectionMode::Normal) {
    const TextPosition newPos = editor.state.cursorPosition;
    if (!select) {
        Collapse(editor, newPos);
    } else if (oldPos == editor.interactiveEnd) {
        editor.interactiveEnd = endValue;
    } else if (oldPos == editor.interactiveStart) {
        editor.interactiveStart = newPos;
    } else {
        editor.interactiveStart = oldPos;
        editor.interactiveEnd = newPos;
    }
    editor.SetSelection(editor.interactiveStart, editor.interactiveEnd, mode);
}

// Word mode for a selecting move by words, else Normal.
SelectionMode MoveMode(bool select, bool wordMode) {
    return select && wordMode ? SelectionMode::Word : SelectionMode::Normal;
}

}  // namespace

// ==========================================================================
// Cursor placement and scrolling
// ==========================================================================

// The cursor is stored as given: every reader clamps it.
void TextEditor::SetCursorPosition(const TextPosition& position) {
    if (state.cursorPosition == position) return;
    state.cursorPosition = position;
    cursorPositionChanged = true;
    KeepCursorVisible();
}

// Outside Render this only asks the next Render to scroll. Inside it, the
// editor's child window is current and is scrolled so that the cursor keeps
// a margin of four lines above and below and four pixels left and right.
void TextEditor::KeepCursorVisible() {
    // Before the first frame has measured the font nothing can be placed:
    // leave the scrolling to the end of this frame's drawing.
    if (!withinRender || charAdvance.x <= 0.0f || charAdvance.y <= 0.0f) {
        scrollToCursor = true;
        return;
    }

    const float scrollX = ImGui::GetScrollX();
    const float scrollY = ImGui::GetScrollY();
    const float height = ImGui::GetWindowHeight();
    const float width = ImGui::GetWindowWidth();

    const int top = 1 + static_cast<int>(std::ceil(scrollY / charAdvance.y));
    const int bottom = static_cast<int>(std::ceil((scrollY + height) / charAdvance.y));

    const TextPosition pos = SanitizeLaidOut(state.cursorPosition);
    const float x = DistanceToLineStart(pos) + textStart;  // pixels from the content's left edge

    if (pos.line < top) ImGui::SetScrollY(std::max(0.0f, (pos.line - 1) * charAdvance.y));
    if (pos.line > bottom - 4) ImGui::SetScrollY(std::max(0.0f, (pos.line + 4) * charAdvance.y - height));
    // Horizontal bounds are compared in pixels, like the cursor's offset.
    if (x < scrollX + 4.0f) ImGui::SetScrollX(std::max(0.0f, x - 4.0f));
    if (x > scrollX + width - 4.0f) ImGui::SetScrollX(std::max(0.0f, x + 4.0f - width));
}

// Whole lines that fit in the current window; 0 before the font is measured.
int TextEditor::GetPageSize() const {
    if (charAdvance.y <= 0.0f) return 0;
    return static_cast<int>(std::floor((ImGui::GetWindowHeight() - 20.0f) / charAdvance.y));
}

// ==========================================================================
// Selection
// ==========================================================================

void TextEditor::SetSelection(const TextPosition& start, const TextPosition& end, SelectionMode mode) {
    const TextPosition oldStart = state.selectionStart;
    const TextPosition oldEnd = state.selectionEnd;

    state.selectionStart = SanitizePosition(start);
    state.selectionEnd = SanitizePosition(end);
    if (state.selectionStart > state.selectionEnd) std::swap(state.selectionStart, state.selectionEnd);

    switch (mode) {
        case SelectionMode::Normal:
            break;
        case SelectionMode::Word:
            state.selectionStart = FindWordStart(state.selectionStart);
            if (!IsWordBoundary(state.selectionEnd)) state.selectionEnd = FindWordEnd(FindWordStart(state.selectionEnd));
            break;
        case SelectionMode::Line: {
            const int first = state.selectionStart.line;
            const int last = state.selectionEnd.line;
            state.selectionStart = TextPosition(first, 0);
            state.selectionEnd = TextPosition(last, LineEndColumn(last));
            break;
        }
    }

    if (state.selectionStart != oldStart || state.selectionEnd != oldEnd) cursorPositionChanged = true;
}

void TextEditor::SetSelectionStart(const TextPosition& position) {
    state.selectionStart = SanitizePosition(position);
    if (state.selectionStart > state.selectionEnd) std::swap(state.selectionStart, state.selectionEnd);
}

void TextEditor::SetSelectionEnd(const TextPosition& position) {
    state.selectionEnd = SanitizePosition(position);
    if (state.selectionStart > state.selectionEnd) std::swap(state.selectionStart, state.selectionEnd);
}

void TextEditor::SelectWordUnderCursor() {
    const TextPosition at = GetCursorPosition();
    SetSelection(FindWordStart(at), FindWordEnd(at), SelectionMode::Normal);
}

// The end (number of lines, 0) is clamped to the end of the last line.
void TextEditor::SelectAll() {
    SetSelection(TextPosition(0, 0), TextPosition(static_cast<int>(lines.size()), 0), SelectionMode::Normal);
}

// Judged on the clamped ends: a selection that SetText with a shorter text
// left past the last line clamps to nothing and is no selection, as every
// command that takes the selection out sees it.
bool TextEditor::HasSelection() const {
    return SanitizePosition(state.selectionEnd) > SanitizePosition(state.selectionStart);
}

void TextEditor::DeleteSelection() {
    if (!HasSelection()) return;
    const TextPosition start = state.selectionStart;
    DeleteRange(start, state.selectionEnd);
    SetSelection(start, start, SelectionMode::Normal);
    SetCursorPosition(start);
    Colorize(start.line, 1);
}

// ==========================================================================
// Cursor moves
// ==========================================================================

// Up and down keep the stored column, so passing through a short line and on
// to a long one returns to the column the cursor had.
void TextEditor::MoveUp(int amount, bool select) {
    const TextPosition oldPos = state.cursorPosition;
    state.cursorPosition.line = std::max(0, state.cursorPosition.line - amount);
    if (oldPos == state.cursorPosition) return;
    SelectByRuleA(*this, select, oldPos);
    KeepCursorVisible();
}

void TextEditor::MoveDown(int amount, bool select) {
    const TextPosition oldPos = state.cursorPosition;
    const int lastLine = static_cast<int>(lines.size()) - 1;
    state.cursorPosition.line = std::max(0, std::min(lastLine, state.cursorPosition.line + amount));
    if (oldPos == state.cursorPosition) return;
    SelectByRuleB(*this, select, oldPos, state.cursorPosition);
    KeepCursorVisible();
}

void TextEditor::MoveLeft(int amount, bool select, bool wordMode) {
    if (lines.empty()) return;
    const TextPosition oldPos = state.cursorPosition;
    state.cursorPosition = SanitizedCursor();
    int line = state.cursorPosition.line;
    int index = ColumnToCharIndex(state.cursorPosition);

    while (amount-- > 0) {
        if (index == 0) {
            if (line > 0) {
                --line;
                index = static_cast<int>(lines[line].size());
            }
        } else {
            index = texteditor_detail::PreviousCharacterStart(lines[line], index);
        }
        state.cursorPosition = TextPosition(line, CharIndexToColumn(line, index));
        if (wordMode) {
            state.cursorPosition = FindWordStart(state.cursorPosition);
            index = ColumnToCharIndex(state.cursorPosition);
        }
    }
    state.cursorPosition = TextPosition(line, CharIndexToColumn(line, index));

    SelectByRuleA(*this, select, oldPos, MoveMode(select, wordMode));
    KeepCursorVisible();
}

// At the end of the text the move stops without touching the selection.
void TextEditor::MoveRight(int amount, bool select, bool wordMode) {
    const TextPosition oldPos = state.cursorPosition;
    if (lines.empty() || oldPos.line < 0 || oldPos.line >= static_cast<int>(lines.size())) return;

    int index = ColumnToCharIndex(state.cursorPosition);
    while (amount-- > 0) {
        const int line = state.cursorPosition.line;
        const Line& glyphs = lines[line];
        if (index < static_cast<int>(glyphs.size())) {
            index += CharacterLength(glyphs, index);
            state.cursorPosition = TextPosition(line, CharIndexToColumn(line, index));
            if (wordMode) {
                state.cursorPosition = FindNextWord(state.cursorPosition);
                // The next word may lie on a later line.
                index = ColumnToCharIndex(state.cursorPosition);
            }
        } else {
            if (line >= static_cast<int>(lines.size()) - 1) return;
            state.cursorPosition = TextPosition(std::min(static_cast<int>(lines.size()) - 1, line + 1), 0);
            index = 0;
        }
    }

    SelectByRuleB(*this, select, oldPos, SanitizePosition(state.cursorPosition), MoveMode(select, wordMode));
    KeepCursorVisible();
}

void TextEditor::MoveTop(bool select) {
    const TextPosition oldPos = state.cursorPosition;
    SetCursorPosition(TextPosition(0, 0));
    if (state.cursorPosition == oldPos) return;
    if (select) {
        interactiveStart = state.cursorPosition;
        interactiveEnd = oldPos;
    } else {
        Collapse(*this, state.cursorPosition);
    }
    SetSelection(interactiveStart, interactiveEnd, SelectionMode::Normal);
}

// The start, not the end, of the last line.
void TextEditor::MoveBottom(bool select) {
    const TextPosition oldPos = GetCursorPosition();
    const TextPosition newPos(static_cast<int>(lines.size()) - 1, 0);
    SetCursorPosition(newPos);
    if (select) {
        interactiveStart = oldPos;
        interactiveEnd = newPos;
    } else {
        Collapse(*this, newPos);
    }
    SetSelection(interactiveStart, interactiveEnd, SelectionMode::Normal);
}

void TextEditor::MoveHome(bool select) {
    const TextPosition oldPos = state.cursorPosition;
    SetCursorPosition(TextPosition(state.cursorPosition.line, 0));
    if (state.cursorPosition == oldPos) return;
    SelectByRuleA(*this, select, oldPos);
}

void TextEditor::MoveEnd(bool select) {
    const TextPosition oldPos = state.cursorPosition;
    const int line = state.cursorPosition.line;
    SetCursorPosition(TextPosition(line, LineEndColumn(line)));
    if (state.cursorPosition == oldPos) return;
    SelectByRuleB(*this, select, oldPos, state.cursorPosition);
}
