// TextEditor: keyboard and mouse.
//
// Keys are read from ImGui's io.KeysDown, which the SDL2 platform backend
// indexes by SDL scancode, so a key is asked for by its scancode. One key
// binding acts per frame: the first row of the table whose modifiers match
// and whose key was pressed (with key repeat). Typed characters come from
// ImGui's character queue after that.
#include "TextEditor.h"

#include <SDL_scancode.h>

#include <algorithm>

namespace {

// The modifiers as the editor reads them; on macOS Cmd acts as Ctrl and Ctrl
// as Alt.
struct Modifiers {
    bool shift;
    bool ctrl;
    bool alt;
};

Modifiers ReadModifiers(const ImGuiIO& io) {
    Modifiers m;
    m.shift = io.KeyShift;
    m.ctrl = io.ConfigMacOSXBehaviors ? io.KeySuper : io.KeyCtrl;
    m.alt = io.ConfigMacOSXBehaviors ? io.KeyCtrl : io.KeyAlt;
    return m;
}

bool Pressed(SDL_Scancode key) { return ImGui::IsKeyPressed(static_cast<int>(key), true); }

}  // namespace

// ==========================================================================
// Keyboard
// ==========================================================================

void TextEditor::HandleKeyboardInputs() {
    ImGuiIO& io = ImGui::GetIO();
    const Modifiers m = ReadModifiers(io);
    const bool shift = m.shift;
    const bool ctrl = m.ctrl;
    const bool alt = m.alt;

    if (!ImGui::IsWindowFocused()) return;
    if (ImGui::IsWindowHovered()) ImGui::SetMouseCursor(ImGuiMouseCursor_TextInput);
    io.WantCaptureKeyboard = true;
    io.WantTextInput = true;

    const bool editable = !IsReadOnly();
    // Page Up and Page Down keep four lines of context; a window too small
    // for that still moves by one line, in the key's direction.
    auto page = [this]() { return std::max(1, GetPageSize() - 4); };

    if (editable && ctrl && !shift && !alt && Pressed(SDL_SCANCODE_Z))
        Undo(1);
    else if (editable && !ctrl && !shift && alt && Pressed(SDL_SCANCODE_BACKSPACE))
        Undo(1);
    else if (editable && ctrl && !shift && !alt && Pressed(SDL_SCANCODE_Y))
        Redo(1);
    else if (!ctrl && !alt && Pressed(SDL_SCANCODE_UP))
        MoveUp(1, shift);
    else if (!ctrl && !alt && Pressed(SDL_SCANCODE_DOWN))
        MoveDown(1, shift);
    else if (!alt && Pressed(SDL_SCANCODE_LEFT))
        MoveLeft(1, shift, ctrl);
    else if (!alt && Pressed(SDL_SCANCODE_RIGHT))
        MoveRight(1, shift, ctrl);
    else if (!alt && Pressed(SDL_SCANCODE_PAGEUP))
        MoveUp(page(), shift);
    else if (!alt && Pressed(SDL_SCANCODE_PAGEDOWN))
        MoveDown(page(), shift);
    else if (ctrl && !alt && Pressed(SDL_SCANCODE_HOME))
        MoveTop(shift);
    else if (ctrl && !alt && Pressed(SDL_SCANCODE_END))
        MoveBottom(shift);
    else if (!ctrl && !alt && Pressed(SDL_SCANCODE_HOME))
        MoveHome(shift);
    else if (!ctrl && !alt && Pressed(SDL_SCANCODE_END))
        MoveEnd(shift);
    else if (editable && !ctrl && !shift && !alt && Pressed(SDL_SCANCODE_DELETE))
        Delete();
    else if (editable && !ctrl && !shift && !alt && Pressed(SDL_SCANCODE_BACKSPACE))
        Backspace();
    else if (!ctrl && !shift && !alt && Pressed(SDL_SCANCODE_INSERT))
        overwrite = !overwrite;
    else if (ctrl && !shift && !alt && Pressed(SDL_SCANCODE_INSERT))
        Copy();
    else if (ctrl && !shift && !alt && Pressed(SDL_SCANCODE_C))
        Copy();
    else if (editable && !ctrl && shift && !alt && Pressed(SDL_SCANCODE_INSERT))
        Paste();
    else if (editable && ctrl && !shift && !alt && Pressed(SDL_SCANCODE_V))
        Paste();
    else if (ctrl && !shift && !alt && Pressed(SDL_SCANCODE_X))
        Cut();
    else if (!ctrl && shift && !alt && Pressed(SDL_SCANCODE_DELETE))
        Cut();
    else if (ctrl && !shift && !alt && Pressed(SDL_SCANCODE_A))
        SelectAll();
    else if (editable && !ctrl && !shift && !alt && Pressed(SDL_SCANCODE_RETURN))
        EnterCharacter('\n', false);
    else if (editable && !ctrl && !alt && Pressed(SDL_SCANCODE_TAB))
        EnterCharacter('\t', shift);

    // Typed characters: line feeds and printable ones only (a tab arrives
    // through the Tab key above). A read-only editor leaves the queue alone.
    if (editable && !io.InputQueueCharacters.empty()) {
        for (int i = 0; i < io.InputQueueCharacters.Size; ++i) {
            const ImWchar c = io.InputQueueCharacters[i];
            if (c != 0 && (c == '\n' || c >= 32)) EnterCharacter(c, shift);
        }
        io.InputQueueCharacters.resize(0);
    }
}

// ==========================================================================
// Mouse
// ==========================================================================

// A click places the cursor; a double click selects by words (or, right
// after a triple click, goes back to characters); a third click within the
// double-click time selects the line. Dragging extends the selection in the
// mode the first click chose. Ctrl with a click starts a word selection.
void TextEditor::HandleMouseInputs() {
    ImGuiIO& io = ImGui::GetIO();
    const Modifiers m = ReadModifiers(io);
    if (!ImGui::IsWindowHovered() || m.shift || m.alt) return;

    const bool click = ImGui::IsMouseClicked(0, false);
    const bool doubleClick = ImGui::IsMouseDoubleClicked(0);
    const float t = static_cast<float>(ImGui::GetTime());
    const bool tripleClick = click && !doubleClick && lastClick != -1.0f && (t - lastClick) < io.MouseDoubleClickTime;

    auto place = [this]() {
        const TextPosition at = ScreenPosToPosition(ImGui::GetMousePos());
        state.cursorPosition = at;
        interactiveStart = at;
        interactiveEnd = at;
    };

    if (tripleClick) {
        if (!m.ctrl) {
            place();
            selectionMode = SelectionMode::Line;
            SetSelection(interactiveStart, interactiveEnd, selectionMode);
        }
        lastClick = -1.0f;
    } else if (doubleClick) {
        if (!m.ctrl) {
            place();
            selectionMode = selectionMode == SelectionMode::Line ? SelectionMode::Normal : SelectionMode::Word;
            SetSelection(interactiveStart, interactiveEnd, selectionMode);
        }
        lastClick = t;
    } else if (click) {
        place();
        selectionMode = m.ctrl ? SelectionMode::Word : SelectionMode::Normal;
        SetSelection(interactiveStart, interactiveEnd, selectionMode);
        lastClick = t;
    } else if (ImGui::IsMouseDragging(0) && ImGui::IsMouseDown(0)) {
        io.WantCaptureMouse = true;
        state.cursorPosition = interactiveEnd = ScreenPosToPosition(ImGui::GetMousePos());
        SetSelection(interactiveStart, interactiveEnd, selectionMode);
    }
}
