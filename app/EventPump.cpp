#include "EventPump.h"

#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <bitset>

#include "Editor.h"

/* === The order of a pass ================================================== */

namespace {

bool ChangesKey(const SDL_Event& event) {
    return event.type == SDL_KEYUP || (event.type == SDL_KEYDOWN && event.key.repeat == 0);
}

}  // namespace

size_t EventsForThisPass(const std::deque<SDL_Event>& waiting) {
    std::bitset<SDL_NUM_SCANCODES> changed;  // keys pressed or released in this pass
    bool typed = false;                      // text was typed in this pass
    bool pressed = false;                    // a key that types no text was pressed in this pass
    for (size_t i = 0; i < waiting.size(); ++i) {
        const SDL_Event& event = waiting[i];
        if (ChangesKey(event)) {
            size_t key = static_cast<size_t>(event.key.keysym.scancode);
            if (key < changed.size()) {
                if (changed[key]) return i;
                changed[key] = true;
            }
            if (event.type == SDL_KEYDOWN) {
                bool types = i + 1 < waiting.size() && waiting[i + 1].type == SDL_TEXTINPUT;
                if (types ? pressed : typed) return i;
                (types ? typed : pressed) = true;
            }
        } else if (event.type == SDL_TEXTINPUT) {
            if (pressed) return i;
            typed = true;
        }
    }
    return waiting.size();
}

/* === The pump ============================================================= */

namespace {

void SetModifiers(Uint16 mod) {
    ImGuiIO& io = ImGui::GetIO();
    io.KeyCtrl = (mod & KMOD_CTRL) != 0;
    io.KeyShift = (mod & KMOD_SHIFT) != 0;
    io.KeyAlt = (mod & KMOD_ALT) != 0;
    io.KeySuper = (mod & KMOD_GUI) != 0;
}

}  // namespace

void EventPump::Pump(MainLoopState& state) {
    state.shortcut_key = 0;
    SDL_Event event;
    while (SDL_PollEvent(&event)) waiting_.push_back(event);
    for (size_t count = EventsForThisPass(waiting_); count > 0; --count) {
        event = waiting_.front();
        waiting_.pop_front();
        ImGui_ImplSDL2_ProcessEvent(&event);
        if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) SetModifiers(event.key.keysym.mod);
        HandleLoopEvent(event, state);
        // Nothing reads a dropped file's name or text; SDL hands it over to be freed.
        if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) SDL_free(event.drop.file);
    }
}

/* === The frame ============================================================ */

void BeginInterfaceFrame() {
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    FilterMouseLookClick();
    ImGui::NewFrame();
}
