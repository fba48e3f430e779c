// The Viewport: the running demo as a 16:9 picture, and the fly camera that
// shaders see as "camera_position" and "camera_rotation".
#include <SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "Demo.h"
#include "Editor.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "Effect.h"
#include "Playback.h"

namespace {

// Draws the demo at the current beat, as the player does, and shows what
// the last event drew, upright (the back buffer's rows run bottom-up), 16:9
// of the window's width. An effect that reads itself was captured with the
// frame; any other is captured here to be shown.
void ShowPicture() {
    bool captured = false;
    Effect* effect = g_demo->RenderFrame(g_beat, &captured);
    if (effect == nullptr) return;  // no event at this beat: an empty window
    if (!captured) effect->CaptureBackBuffer();
    float width = ImGui::GetWindowContentRegionWidth();
    ImGui::Image((ImTextureID)(intptr_t)effect->texture, ImVec2(width, width * 9.0f / 16.0f), ImVec2(0.0f, 1.0f),
                 ImVec2(1.0f, 0.0f), ImVec4(1.0f, 1.0f, 1.0f, 1.0f), ImVec4(1.0f, 1.0f, 1.0f, 128.0f / 255.0f));
}

// A click in the content area starts mouse-look. The click that ends it is
// taken before the frame begins (FilterMouseLookClick), so no item sees it.
void StartMouseLook() {
    if (g_mouse_look || !ImGui::IsMouseClicked(0, false)) return;
    ImVec2 window = ImGui::GetWindowPos();
    ImVec2 min(window.x + ImGui::GetWindowContentRegionMin().x, window.y + ImGui::GetWindowContentRegionMin().y);
    ImVec2 max(window.x + ImGui::GetWindowContentRegionMax().x, window.y + ImGui::GetWindowContentRegionMax().y);
    if (!ImGui::IsMouseHoveringRect(min, max, true)) return;
    g_mouse_look = true;
    g_last_mouse_x = g_last_mouse_y = -10000;
}

// Turns the camera by the mouse's movement since the last mouse-look frame;
// a jump of 100 pixels or more (or the first frame) turns nothing.
void LookWithMouse() {
    ImGui::SetMouseCursor(ImGuiMouseCursor_None);
    if (!ImGui::IsMousePosValid()) return;  // no mouse over the window: no position to measure
    ImVec2 mouse = ImGui::GetMousePos();
    int32_t x = static_cast<int32_t>(mouse.x);
    int32_t y = static_cast<int32_t>(mouse.y);
    int32_t dx = x - g_last_mouse_x;
    int32_t dy = y - g_last_mouse_y;
    if (std::abs(dx) >= 100) dx = 0;
    if (std::abs(dy) >= 100) dy = 0;
    g_last_mouse_x = x;
    g_last_mouse_y = y;
    g_camera_rotation[1] -= static_cast<float>(dx) * 0.02f;
    g_camera_rotation[0] -= static_cast<float>(dy) * 0.02f;
}

// Mouse-look steers the camera: it is on, and the Viewport was drawn in the
// last frame and has the focus, so its body would see the next click.
bool MouseLookSteers() {
    if (!g_mouse_look) return false;
    ImGuiWindow* viewport = ImGui::FindWindowByName("Viewport");
    return viewport != nullptr && viewport->Active && GImGui->NavWindow == viewport;
}

bool Held(SDL_Scancode key) { return ImGui::IsKeyDown(key); }

// Steps per frame in the x-z plane, steered by the y rotation only. While
// either Ctrl key is held the letters are shortcuts (Ctrl+S saves, Ctrl+E
// shows the Event Manager), so no key flies, turns or resets the camera.
void FlyWithKeys() {
    if (ImGui::GetIO().KeyCtrl) return;
    float s = Held(SDL_SCANCODE_LSHIFT) ? 1.0f : 0.1f;
    float* position = g_camera_position;
    float* rotation = g_camera_rotation;
    if (Held(SDL_SCANCODE_R)) {
        for (int i = 0; i < 3; ++i) position[i] = rotation[i] = 0.0f;
    }
    if (Held(SDL_SCANCODE_Q)) rotation[1] += s * 0.1f;
    if (Held(SDL_SCANCODE_E)) rotation[1] -= s * 0.1f;
    if (Held(SDL_SCANCODE_W) || Held(SDL_SCANCODE_UP)) {
        position[0] -= s * std::sin(rotation[1]);
        position[2] += s * std::cos(rotation[1]);
    }
    if (Held(SDL_SCANCODE_S) || Held(SDL_SCANCODE_DOWN)) {
        position[0] += s * std::sin(rotation[1]);
        position[2] -= s * std::cos(rotation[1]);
    }
    if (Held(SDL_SCANCODE_A) || Held(SDL_SCANCODE_LEFT)) {
        position[0] -= s * std::cos(rotation[1]);
        position[2] -= s * std::sin(rotation[1]);
    }
    if (Held(SDL_SCANCODE_D) || Held(SDL_SCANCODE_RIGHT)) {
        position[0] += s * std::cos(rotation[1]);
        position[2] += s * std::sin(rotation[1]);
    }
    if (Held(SDL_SCANCODE_PAGEUP) || Held(SDL_SCANCODE_SPACE)) position[1] += s;
    if (Held(SDL_SCANCODE_PAGEDOWN) || Held(SDL_SCANCODE_C)) position[1] -= s;
}

}  // namespace

void FilterMouseLookClick() {
    ImGuiIO& io = ImGui::GetIO();
    bool new_press = io.MouseDown[0] && io.MouseDownDuration[0] < 0.0f;  // up in the last frame
    if (!g_mouse_look_click_held && new_press && MouseLookSteers()) {
        g_mouse_look = false;
        g_last_mouse_x = g_last_mouse_y = -10000;
        g_mouse_look_click_held = true;
    }
    if (!g_mouse_look_click_held) return;
    if (io.MouseDown[0]) {
        io.MouseDown[0] = false;  // the click ends mouse-look and nothing else
    } else {
        g_mouse_look_click_held = false;
    }
}

void ShowViewport() {
    ShowPicture();
    if (!ImGui::IsWindowFocused(0)) return;  // the camera moves only while the Viewport has the focus
    StartMouseLook();
    if (g_mouse_look) LookWithMouse();
    FlyWithKeys();
}
