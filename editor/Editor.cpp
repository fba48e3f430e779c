// The editor frame: the main window with the transport and document fields
// and the Timeline, the tool windows around their bodies, the main menu bar,
// the Ctrl shortcuts, and the video-frame export's progress.
#include "Editor.h"

#include <SDL.h>
#include <imgui.h>

#include <cmath>
#include <cstdint>

#include "Commands.h"
#include "Demo.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "Playback.h"
#include "ShaderEditor.h"
#include "TextFields.h"
#include "Widgets.h"

namespace {

const char* const kMainTitle = "Velmara :: 0.1";

/* === The tool windows ===================================================== */

struct ToolWindow {
    const char* title;
    bool* shown;
    ImGuiWindowFlags flags;
    bool first_use_size;  // 728 x 275 the first time the window is made
    void (*body)();
};

// In the order each frame opens them.
const ToolWindow kToolWindows[] = {
    {"Shader Editor", &g_show_shader_editor, ImGuiWindowFlags_MenuBar, false, ShaderEditorWindow},
    {"Texture Manager", &g_show_texture_manager, 0, true, ShowTextureManager},
    {"Viewport", &g_show_viewport, ImGuiWindowFlags_NoScrollbar, false, ShowViewport},
    {"Effect Manager", &g_show_effect_manager, 0, false, ShowEffectManager},
    {"Event Manager", &g_show_event_manager, 0, true, ShowEventManager},
    {"BPM Tap", &g_show_bpm_tap, 0, false, ShowBPMTap},
};

// Where "Arrange windows" puts a window; false for the windows it leaves alone.
bool ArrangedPlace(const bool* shown, ImVec2 display, ImVec2* position, ImVec2* size) {
    float w = display.x;
    float h = display.y;
    float v = w * 9.0f / 16.0f / 3.0f;  // a 16:9 picture a third of the screen wide
    if (shown == &g_show_shader_editor) {
        *position = ImVec2(w / 3.0f, 16.0f);
        *size = ImVec2(w * 2.0f / 3.0f, h * 3.0f / 4.0f - 16.0f);
    } else if (shown == &g_show_viewport) {
        *position = ImVec2(0.0f, 16.0f);
        *size = ImVec2(w / 3.0f, v + 16.0f);
    } else if (shown == &g_show_effect_manager) {
        *position = ImVec2(0.0f, v + 16.0f + 16.0f);
        *size = ImVec2(w / 3.0f, (h * 3.0f / 4.0f - 16.0f) - (v + 16.0f));
    } else {
        return false;
    }
    return true;
}

void ShowToolWindows() {
    ImVec2 display = ImGui::GetIO().DisplaySize;
    for (const ToolWindow& window : kToolWindows) {
        if (!*window.shown) continue;
        ImVec2 position, size;
        if (g_arrange_windows && ArrangedPlace(window.shown, display, &position, &size)) {
            ImGui::SetNextWindowPos(position, 0, ImVec2(0.0f, 0.0f));
            ImGui::SetNextWindowSize(size, 0);
        }
        if (window.first_use_size) ImGui::SetNextWindowSize(ImVec2(728.0f, 275.0f), ImGuiCond_FirstUseEver);
        ImGui::Begin(window.title, window.shown, window.flags);
        window.body();  // also while collapsed
        ImGui::End();
    }
}

/* === The main window ====================================================== */

void ShowFieldRow(char* document_name) {
    ImGui::Text("File name:");
    ImGui::SameLine();
    ImGui::PushItemWidth(128.0f);
    InputTextField("##Demo filename", document_name, 255);  // the name's bytes stay until edited
    ImGui::PopItemWidth();
    ImGui::PushItemWidth(100.0f);

    ImGui::SameLine();
    ImGui::Text("End beat:");
    ImGui::SameLine();
    InputFiniteFloat("##End beat", &g_demo->end_beat, 0.125f, 1.0f, "%.3f");
    ImGui::SameLine();
    ImGui::Text("BPM:");
    ImGui::SameLine();
    InputFiniteFloat("##BPM", &g_demo->bpm, 1.0f, 10.0f, "%.3f");
    ImGui::SameLine();
    ImGui::Text("Beat offset:");
    ImGui::SameLine();
    ImGui::SliderFloat("##Beat offset", &g_demo->beat_offset, 0.0f, 1.0f, "%.3f", 0);
    ImGui::SameLine();
    ImGui::Text("Volume:");
    ImGui::SameLine();
    // The audio thread reads the volume: the slider edits a copy that is stored whole.
    int volume = __atomic_load_n(&g_volume, __ATOMIC_RELAXED);
    if (ImGui::SliderInt("##volume", &volume, 0, 128, "%d", 0)) __atomic_store_n(&g_volume, volume, __ATOMIC_RELAXED);
    ImGui::SameLine();
    ImGui::Text("Beat:");
    ImGui::SameLine();
    // The main loop set g_beat from the clock before this point, so only an
    // edit here (or the raise to 0) seeks.
    float shown_beat = g_beat;
    InputFiniteFloat("##currentBeat", &g_beat, 0.0f, 0.0f, "%.3f");
    if (g_beat < 0.0f) g_beat = 0.0f;
    if (g_beat != shown_beat) SeekToBeat(g_beat);
    ImGui::PopItemWidth();

    ImGui::SameLine();
    bool pressed = ImGui::Button(g_demo->paused ? "Play" : "Pause", ImVec2(0.0f, 0.0f));
    // Space, with the keyboard's repeat, only while the main window itself
    // has the focus and no text field is being typed into.
    bool space = ImGui::IsWindowFocused(0) && !ImGui::GetIO().WantTextInput &&
                 ImGui::IsKeyPressed(SDL_SCANCODE_SPACE, true);
    if (pressed || space) TogglePause();
    ImGui::SameLine();
    ImGui::Text("Frame rate: %.1f FPS", ImGui::GetIO().Framerate);
}

// "Arrange windows" also puts the main window along the bottom quarter.
void ArrangeMainWindow() {
    if (g_arrange_windows) {
        ImVec2 display = ImGui::GetIO().DisplaySize;
        ImGui::SetWindowPos(ImVec2(0.0f, display.y * 3.0f / 4.0f), 0);
        ImGui::SetWindowSize(ImVec2(display.x, display.y / 4.0f), 0);
    }
    g_arrange_windows = false;
}

void HandleShortcut(int shortcut_key) {
    switch (shortcut_key) {
        case SDLK_e: g_show_event_manager = !g_show_event_manager; break;
        case SDLK_l: LoadJSON(); break;
        case SDLK_q: g_quit = true; break;
        case SDLK_s: SaveJSON(); break;
        default: break;
    }
}

/* === The main menu bar ==================================================== */

void ShowFileMenu() {
    if (!ImGui::BeginMenu("File", true)) return;
    if (ImGui::MenuItem("Load BIN", nullptr, false, true)) LoadBinary();
    if (ImGui::MenuItem("Load JSON", "Ctrl+L", false, true)) LoadJSON();
    if (ImGui::MenuItem("Save BIN", nullptr, false, true)) SaveBinary();
    if (ImGui::MenuItem("Save JSON", "Ctrl+S", false, true)) SaveJSON();
    ImGui::Separator();
    if (ImGui::MenuItem("Import music.mp3", nullptr, false, true)) ImportMusic();
    ImGui::Separator();
    if (ImGui::MenuItem("Export Executable", nullptr, false, true)) ExportExecutable();
    if (ImGui::MenuItem("Export Videoframes", nullptr, false, true)) StartVideoExport();
    if (ImGui::MenuItem("Quit", "Ctrl+Q", false, true)) g_quit = true;
    ImGui::EndMenu();
}

void ShowViewMenu() {
    if (!ImGui::BeginMenu("View", true)) return;
    if (ImGui::MenuItem(g_demo->paused ? "Play" : "Pause", "Space", false, true)) TogglePause();
    ImGui::Separator();
    ImGui::Checkbox("Viewport", &g_show_viewport);
    ImGui::Checkbox("Effect Manager", &g_show_effect_manager);
    ImGui::Checkbox("Event Manager", &g_show_event_manager);
    ImGui::Checkbox("Shader Editor", &g_show_shader_editor);
    ImGui::Checkbox("Texture Manager", &g_show_texture_manager);
    ImGui::Separator();
    ImGui::Checkbox("BPM Tap", &g_show_bpm_tap);
    ImGui::Checkbox("ImGui Demo Window", &g_show_demo_window);
    if (ImGui::MenuItem("Arrange windows", nullptr, false, true)) g_arrange_windows = true;
    ImGui::EndMenu();
}

void ShowMainMenuBar() {
    if (!ImGui::BeginMainMenuBar()) return;
    if (ImGui::BeginMenu(kMainTitle, false)) ImGui::EndMenu();  // the product name and version only
    ShowFileMenu();
    ShowViewMenu();
    const std::string& status = GetStatusMessage();
    if (!status.empty() && ImGui::BeginMenu(status.c_str(), false)) ImGui::EndMenu();
    ImGui::EndMainMenuBar();
}

/* === Video-frame export =================================================== */

// One frame of the export: the image, then its progress line and the button
// that stops it.
void ShowVideoExportStep() {
    int frame = g_export_frame;
    float beat = 0.0f;
    if (!WriteVideoFrame(&beat)) return;
    ImGui::Text("Rendering frame %i at beat %0.3f of %0.3f", frame, beat, g_demo->end_beat);
    g_export_frame = ImGui::Button("Stop Rendering!", ImVec2(0.0f, 0.0f)) ? -1 : frame + 1;
}

}  // namespace

bool ShowEditor(char* document_name, int shortcut_key) {
    ImGui::Begin(kMainTitle, nullptr, 0);
    if (g_export_frame >= 0) {
        ShowVideoExportStep();
        ImGui::End();
        return true;
    }
    ShowFieldRow(document_name);
    RunDueShaderRelink();  // also while the Shader Editor is closed
    ShowToolWindows();
    ArrangeMainWindow();
    ShowTimeline();
    HandleShortcut(shortcut_key);
    ShowMainMenuBar();
    ImGui::End();
    if (g_show_demo_window) ImGui::ShowDemoWindow(&g_show_demo_window);
    return g_show_viewport;
}
