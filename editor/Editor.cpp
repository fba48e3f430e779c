// The editor frame: the main window with the transport and document fields
// and the Timeline, the tool windows around their bodies, the main menu bar,
// the Ctrl shortcuts, and the video-frame export's progress.
#include "Editor.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

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

/* === The window layout ==================================================== */

// A window's place on the display: its top left corner and its size.
struct WindowPlace {
    ImVec2 position;
    ImVec2 size;
};

struct WindowLayout {
    WindowPlace main;
    WindowPlace shader_editor;
    WindowPlace texture_manager;
    WindowPlace viewport;
    WindowPlace effect_manager;
    WindowPlace event_manager;
    WindowPlace bpm_tap;
};

// The one layout of the editor's windows on a display of that size: where
// "Arrange windows" puts every window, and where each first appears when
// "imgui.ini" has no place of its own for it. The top 16 pixels leave room
// for the main menu bar. The Viewport takes the top left corner (a 16:9
// picture a third of the screen wide, under its title bar), the Effect
// Manager the rest of the left third, the Shader Editor the right two
// thirds, the main window the bottom quarter. Over the Shader Editor lie
// the Texture Manager (the right half of its upper half, so its title and
// menus stay in view) and the Event Manager (its lower half); over the
// Effect Manager's lower right corner, next to the main window's "BPM:",
// the small BPM Tap. These may hide another window, never the Viewport.
// All in 32-bit floats in this order of operations.
WindowLayout ArrangedLayout(ImVec2 display) {
    float w = display.x;
    float h = display.y;
    float v = w * 9.0f / 16.0f / 3.0f;  // a 16:9 picture a third of the screen wide
    float upper = h * 3.0f / 4.0f - 16.0f;  // height above the main window, below the menu bar
    WindowLayout layout;
    layout.main = {ImVec2(0.0f, h * 3.0f / 4.0f), ImVec2(w, h / 4.0f)};
    layout.shader_editor = {ImVec2(w / 3.0f, 16.0f), ImVec2(w * 2.0f / 3.0f, upper)};
    layout.viewport = {ImVec2(0.0f, 16.0f), ImVec2(w / 3.0f, v + 16.0f)};
    layout.effect_manager = {ImVec2(0.0f, v + 16.0f + 16.0f), ImVec2(w / 3.0f, upper - (v + 16.0f))};
    layout.texture_manager = {ImVec2(w / 2.0f, 16.0f), ImVec2(w / 2.0f, upper / 2.0f)};
    layout.event_manager = {ImVec2(w / 3.0f, 16.0f + upper / 2.0f), ImVec2(w * 2.0f / 3.0f, upper / 2.0f)};
    // Room for the title with the collapse arrow and the close box, the
    // "Tap" button and the tempo. Below the Viewport even on a small
    // display, where Dear ImGui may have moved the Viewport down by a few
    // pixels to bring its title bar out from under the menu bar.
    float frame = ImGui::GetFrameHeight();
    ImVec2 tap(frame * 8.0f, frame * 4.0f);
    float below_viewport = v + 32.0f + frame;
    layout.bpm_tap = {ImVec2(std::max(w / 3.0f - tap.x, 0.0f), std::max(h * 3.0f / 4.0f - tap.y, below_viewport)), tap};
    return layout;
}

// The window's place from the layout: always in the frame that carries out
// "Arrange windows", otherwise only when the window is made without a
// stored place, so a saved layout wins.
void SetNextWindowPlace(const WindowPlace& place) {
    ImGuiCond condition = g_arrange_windows ? 0 : ImGuiCond_FirstUseEver;  // 0: always
    ImGui::SetNextWindowPos(place.position, condition, ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(place.size, condition);
}

/* === The tool windows ===================================================== */

struct ToolWindow {
    const char* title;
    bool* shown;
    ImGuiWindowFlags flags;
    WindowPlace WindowLayout::*place;
    void (*body)();
};

// In the order each frame opens them.
const ToolWindow kToolWindows[] = {
    {"Shader Editor", &g_show_shader_editor, ImGuiWindowFlags_MenuBar, &WindowLayout::shader_editor,
     ShaderEditorWindow},
    {"Texture Manager", &g_show_texture_manager, 0, &WindowLayout::texture_manager, ShowTextureManager},
    {"Viewport", &g_show_viewport, ImGuiWindowFlags_NoScrollbar, &WindowLayout::viewport, ShowViewport},
    {"Effect Manager", &g_show_effect_manager, 0, &WindowLayout::effect_manager, ShowEffectManager},
    {"Event Manager", &g_show_event_manager, 0, &WindowLayout::event_manager, ShowEventManager},
    {"BPM Tap", &g_show_bpm_tap, 0, &WindowLayout::bpm_tap, ShowBPMTap},
};

// A window whose flag is clear is neither opened nor arranged.
void ShowToolWindows(const WindowLayout& layout) {
    for (const ToolWindow& window : kToolWindows) {
        if (!*window.shown) continue;
        SetNextWindowPlace(layout.*window.place);
        ImGui::Begin(window.title, window.shown, window.flags);
        window.body();  // also while collapsed
        ImGui::End();
    }
}

/* === The main window ====================================================== */

// The shortest text that reads back as value: "140" rather than "140.000",
// and in decimals unless the number is huge or tiny.
std::string ShortestText(float value) {
    char text[64] = "";
    if (std::fabs(value) < 1e9f) {
        for (int decimals = 0; decimals <= 9; ++decimals) {
            std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
            if (std::strtof(text, nullptr) == value) return text;
        }
    }
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    return text;  // NaN or infinity as printf writes them
}

// Says on the status line that a number field refused what was typed, and
// which value it kept: a typed value that silently does not count would be
// saved as the old one without a word.
void ReportRefusedNumber(const char* label, const std::optional<std::string>& typed, float kept) {
    if (!typed) return;
    std::string what = typed->empty() ? "an empty field" : *typed;
    SetRefusalMessage(std::string(label) + ": " + what + " is not a finite number; " + ShortestText(kept) + " kept");
}

// Puts back the tempo from before when the field left one that is not
// above 0, typed or stepped, and says so as a refused text is said: at 0 or
// below the beat stands still or runs backwards. A document that holds such
// a tempo keeps it until the field changes it.
void RefuseTempoNotAbove0(float before) {
    if (g_demo->bpm > 0.0f) return;
    SetRefusalMessage("BPM: " + ShortestText(g_demo->bpm) + " is not above 0; " + ShortestText(before) + " kept");
    g_demo->bpm = before;
}

// With saving set (Ctrl+S is handled later in this frame), an end beat, tempo
// or beat offset being typed is taken first, as Return would take it, so the
// file holds what the fields show. A typed text that one of them refuses is
// reported, and the save keeps that report.
void ShowFieldRow(char* document_name, bool saving) {
    ImGui::Text("File name:");
    ImGui::SameLine();
    ImGui::PushItemWidth(128.0f);
    InputTextField("##Demo filename", document_name, 255);  // the name's bytes stay until edited
    ImGui::PopItemWidth();
    ImGui::PushItemWidth(100.0f);

    ImGui::SameLine();
    ImGui::Text("End beat:");
    ImGui::SameLine();
    // Taken when its edit ends, as a prefix ("1e3" on the way to "1e39")
    // must not stand in for a text the field refuses.
    std::optional<std::string> refused;
    InputFiniteFloatOnEnd("##End beat", &g_demo->end_beat, 0.125f, 1.0f, "%.3f", saving, &refused);
    ReportRefusedNumber("End beat", refused, g_demo->end_beat);
    ImGui::SameLine();
    ImGui::Text("BPM:");
    ImGui::SameLine();
    // The tempo moves the playing beat: a typed one is taken when its edit
    // ends, as "1" on the way to "140" could put the beat below 0 for some
    // frames, which the Beat field below would raise to 0 by a seek.
    refused.reset();
    const float tempo = g_demo->bpm;
    if (InputFiniteFloatOnEnd("##BPM", &g_demo->bpm, 1.0f, 10.0f, "%.3f", saving, &refused))
        RefuseTempoNotAbove0(tempo);
    ReportRefusedNumber("BPM", refused, g_demo->bpm);
    ImGui::SameLine();
    ImGui::Text("Beat offset:");
    ImGui::SameLine();
    // A typed offset beyond the slider's range is a lead-in, and kept; one
    // that is not finite is refused. The offset moves the playing beat, so a
    // typed one is taken only when its edit ends: "1e3" on the way to
    // "1e39" would put the beat far below 0 for some frames, and the Beat
    // field below would raise it to 0 by a seek.
    refused.reset();
    SliderFloatCheckedOnEnd("##Beat offset", &g_demo->beat_offset, 0.0f, 1.0f, "%.3f", saving, &refused);
    ReportRefusedNumber("Beat offset", refused, g_demo->beat_offset);
    ImGui::SameLine();
    ImGui::Text("Volume:");
    ImGui::SameLine();
    // The audio thread reads the volume: the slider edits a copy that is stored whole.
    int volume = __atomic_load_n(&g_volume, __ATOMIC_RELAXED);
    // A typed volume is clamped to the range too.
    if (ImGui::SliderInt("##volume", &volume, 0, 128, "%d", ImGuiSliderFlags_AlwaysClamp))
        __atomic_store_n(&g_volume, volume, __ATOMIC_RELAXED);
    ImGui::SameLine();
    ImGui::Text("Beat:");
    ImGui::SameLine();
    // The main loop set g_beat from the clock before this point, so only an
    // edit here (or the raise to 0) seeks. The typed beat is taken when the
    // edit ends, so playback runs on while the user types, and a refused
    // edit seeks nothing. A save leaves a typed beat waiting: the beat is
    // not saved, and taking it would seek. A refused text is said.
    float shown_beat = g_beat;
    refused.reset();
    InputFiniteFloatOnEnd("##currentBeat", &g_beat, 0.0f, 0.0f, "%.3f", false, &refused);
    ReportRefusedNumber("Beat", refused, g_beat);
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

// The frame that carried out "Arrange windows" has the new layout saved in
// "imgui.ini", as a window moved by hand would; the request lasts one frame.
void FinishArranging() {
    if (g_arrange_windows) ImGui::MarkIniSettingsDirty();
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
    // A message may quote a name from the document or a file name.
    const std::string& status = GetStatusMessage();
    if (!status.empty() && ImGui::BeginMenu(ShownText(status).c_str(), false)) ImGui::EndMenu();
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
    WindowLayout layout = ArrangedLayout(ImGui::GetIO().DisplaySize);
    SetNextWindowPlace(layout.main);
    ImGui::Begin(kMainTitle, nullptr, 0);
    if (g_export_frame >= 0) {
        ShowVideoExportStep();
        ImGui::End();
        return true;
    }
    ShowFieldRow(document_name, shortcut_key == SDLK_s);
    RunDueShaderRelink();  // also while the Shader Editor is closed
    ShowToolWindows(layout);
    FinishArranging();
    ShowTimeline();
    HandleShortcut(shortcut_key);
    ShowMainMenuBar();
    ImGui::End();
    if (g_show_demo_window) ImGui::ShowDemoWindow(&g_show_demo_window);
    return g_show_viewport;
}
