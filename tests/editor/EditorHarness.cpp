#include "EditorHarness.h"

#include <GL/glew.h>

#include <SDL_mixer.h>

#include "Demo.h"
#include "Documents.h"
#include "Effect.h"
#include "Event.h"
#include "Music.h"
#include "MusicPlayer.h"
#include "ShaderProgram.h"
#include "Editor.h"
#include "EditorState.h"
#include "MainLoop.h"
#include "Playback.h"

namespace edtest {

uint32_t g_test_clock = 0, g_test_clock_step = 0;
uint32_t TestClock() { return g_test_clock += g_test_clock_step; }

void ResetEditorState() {
    g_show_viewport = true;
    g_show_effect_manager = true;
    g_show_shader_editor = true;
    g_show_texture_manager = false;
    g_show_event_manager = false;
    g_show_bpm_tap = false;
    g_show_demo_window = false;
    g_arrange_windows = false;
    g_export_frame = -1;
    g_status_message.clear();
    g_status_ticks = 0;
    g_status_refusal.clear();
    g_mouse_look = false;
    g_last_mouse_x = g_last_mouse_y = -10000;
    g_mouse_look_click_held = false;
    g_timeline = TimelineWidgetState();
    g_timeline_drag = TimelineDrag();
    g_timeline_scrubbing = false;
    s_tap_intervals.clear();
    s_last_tap_ticks = 0;
    s_tap_started = false;
    s_tapped_bpm = 0.0f;
    g_text_editor = TextEditor();
    g_editor_set_up = false;
    g_shader_text.clear();
    g_current_shader = -1;
    g_shader_window_started = false;
    g_shader_document = 0;
    g_shader_edit_request = -1;
    g_auto_recompile = true;
    g_shader_filename_buffer[0] = '\0';
    g_rename_program = {};
    g_search_text[0] = '\0';
    g_focus_search = false;
    g_search_field_id = 0;
    g_search_matches.clear();
    g_shader_link_times.clear();
    g_pending_relink = PendingRelink();
    g_shader_clock = TestClock;
    g_test_clock = g_test_clock_step = 0;
    g_selected_effect = {};
    g_pending_texture = {};
    g_pending_effect = {};
    g_event_name_buffer[0] = '\0';
    g_event_manager_document = g_document_generation;
    g_selected_event_position = 0;
    g_variable_selection_set = false;
    g_selected_variable_position = -1;
    g_selected_texture_position = 0;
    g_picker_filename[0] = '\0';
    g_number_literals.clear();
    g_numbers_panel_height = 100;
    g_reparse_numbers = false;
}

void EditorTest::SetUp() {
    GLTest::SetUp();
    // The audio device opens once for the binary, as at start-up (closing it
    // would drop the post-mix effect the program registers once).
    static bool audio_open = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 && OpenAudioDevice();
    ASSERT_TRUE(audio_open) << Mix_GetError();
    dir.reset(new testutil::TempDir());
    in_dir.reset(new testutil::ScopedWorkingDirectory(dir->Path()));
    imgui.reset(new HeadlessImGui(ImVec2(1280.0f, 720.0f)));
    ImGuiIO& io = IO();
    // The SDL backend's key map: ImGui keys by SDL scancode.
    io.KeyMap[ImGuiKey_Tab] = SDL_SCANCODE_TAB;
    io.KeyMap[ImGuiKey_LeftArrow] = SDL_SCANCODE_LEFT;
    io.KeyMap[ImGuiKey_RightArrow] = SDL_SCANCODE_RIGHT;
    io.KeyMap[ImGuiKey_UpArrow] = SDL_SCANCODE_UP;
    io.KeyMap[ImGuiKey_DownArrow] = SDL_SCANCODE_DOWN;
    io.KeyMap[ImGuiKey_PageUp] = SDL_SCANCODE_PAGEUP;
    io.KeyMap[ImGuiKey_PageDown] = SDL_SCANCODE_PAGEDOWN;
    io.KeyMap[ImGuiKey_Home] = SDL_SCANCODE_HOME;
    io.KeyMap[ImGuiKey_End] = SDL_SCANCODE_END;
    io.KeyMap[ImGuiKey_Insert] = SDL_SCANCODE_INSERT;
    io.KeyMap[ImGuiKey_Delete] = SDL_SCANCODE_DELETE;
    io.KeyMap[ImGuiKey_Backspace] = SDL_SCANCODE_BACKSPACE;
    io.KeyMap[ImGuiKey_Space] = SDL_SCANCODE_SPACE;
    io.KeyMap[ImGuiKey_Enter] = SDL_SCANCODE_RETURN;
    io.KeyMap[ImGuiKey_Escape] = SDL_SCANCODE_ESCAPE;
    io.KeyMap[ImGuiKey_KeyPadEnter] = SDL_SCANCODE_KP_ENTER;
    io.KeyMap[ImGuiKey_A] = SDL_SCANCODE_A;
    io.KeyMap[ImGuiKey_C] = SDL_SCANCODE_C;
    io.KeyMap[ImGuiKey_V] = SDL_SCANCODE_V;
    io.KeyMap[ImGuiKey_X] = SDL_SCANCODE_X;
    io.KeyMap[ImGuiKey_Y] = SDL_SCANCODE_Y;
    io.KeyMap[ImGuiKey_Z] = SDL_SCANCODE_Z;
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
    io.ConfigWindowsMoveFromTitleBarOnly = true;

    ResetEditorState();
    saved_demo = g_demo;
    g_demo = new Demo();
    g_beat = 0.0f;
    g_loop_event = nullptr;
    __atomic_store_n(&g_volume, 128, __ATOMIC_RELAXED);
    g_quit = false;
    for (int i = 0; i < 3; ++i) g_camera_position[i] = g_camera_rotation[i] = 0.0f;
    std::snprintf(g_document_name, sizeof g_document_name, "%s", "untitled.demo");
    g_screen_size->width = testgl::kWidth;
    g_screen_size->height = testgl::kHeight;
    glViewport(0, 0, testgl::kWidth, testgl::kHeight);
    Frame();  // windows exist from now on
}

void EditorTest::TearDown() {
    imgui.reset();
    ReleaseRetiredDocuments();
    delete g_demo;
    g_demo = saved_demo;
    g_loop_event = nullptr;
    g_beat = 0.0f;
    g_quit = false;
    StopMusic();
    in_dir.reset();
    dir.reset();
    while (glGetError() != GL_NO_ERROR) {
    }
}

bool EditorTest::Frame(int shortcut_key) {
    ImGui::SetCurrentContext(imgui->Context());
    if (beat_clock) AdvanceBeatClock(SDL_GetTicks());
    FilterMouseLookClick();  // where the main loop takes it: after the backend's NewFrame
    imgui->BeginFrame(nullptr);
    bool drawn = ShowEditor(g_document_name, shortcut_key);
    imgui->EndFrame();
    ReleaseRetiredDocuments();
    return drawn;
}

std::string EditorTest::DrawnText(const std::string& window) const {
    const ImVector<ImDrawVert>& v = Window(window)->DrawList->VtxBuffer;
    std::string text;
    for (int i = 0; i + 2 < v.Size; ++i) {
        for (const ImFontGlyph& g : imgui->IO().Fonts->Fonts[0]->Glyphs) {
            if (v[i].uv.x != g.U0 || v[i].uv.y != g.V0 || v[i + 2].uv.x != g.U1 || v[i + 2].uv.y != g.V1) continue;
            text += static_cast<char>(g.Codepoint);
            i += 3;
            break;
        }
    }
    return text;
}

void EditorTest::Frames(int count) {
    for (int i = 0; i < count; ++i) Frame();
}

ImGuiWindow* EditorTest::Window(const std::string& name) const {
    size_t slash = name.find('/');
    if (slash == std::string::npos) return ImGui::FindWindowByName(name.c_str());
    // A child window is named "Parent/child_XXXXXXXX".
    std::string prefix = name + "_";
    for (ImGuiWindow* window : imgui->Context()->Windows)
        if (std::string(window->Name).rfind(prefix, 0) == 0) return window;
    return nullptr;
}

ImGuiID EditorTest::Id(const std::string& window_name, std::initializer_list<IdPart> path) const {
    ImGuiWindow* window = Window(window_name);
    EXPECT_NE(window, nullptr) << "no window " << window_name;
    if (window == nullptr) return 0;
    ImGuiID id = window->ID;
    for (const IdPart& part : path) {
        id = part.is_index ? ImHashData(&part.index, sizeof part.index, id) : ImHashStr(part.label, 0, id);
    }
    return id;
}

bool EditorTest::Press(ImGuiID id) {
    ImGui::SetCurrentContext(imgui->Context());
    ImGui::ActivateItem(id);
    return Frame();
}

void EditorTest::PressMenuItem(const char* menu, const char* item) {
    Press(Id("##MainMenuBar", {"##menubar", menu}));
    Frame();
    // The open menu is the popup window of the menu bar's first level.
    Press(Id("##Menu_00", {item}));
}

void EditorTest::TypeInto(ImGuiID id, const std::string& text) {
    ImGui::SetCurrentContext(imgui->Context());
    ImGui::ActivateItem(id);
    Context().NavNextActivateFlags = ImGuiActivateFlags_PreferInput;
    Frame();
    IO().AddInputCharactersUTF8(text.c_str());
    Frame();
    Frame();  // a person's Enter comes a frame or more after the last character
    IO().KeysDown[SDL_SCANCODE_RETURN] = true;
    Frame();
    IO().KeysDown[SDL_SCANCODE_RETURN] = false;
    Frame();
}

void EditorTest::TypeKeysInto(ImGuiID id, const std::string& text, bool enter) {
    ImGui::SetCurrentContext(imgui->Context());
    ImGui::ActivateItem(id);
    Context().NavNextActivateFlags = ImGuiActivateFlags_PreferInput;
    Frame();
    for (char c : text) {
        IO().AddInputCharacter(static_cast<unsigned char>(c));
        Frame();
    }
    if (!enter) return;
    Frame();  // a person's Enter comes a frame or more after the last character
    Key(SDL_SCANCODE_RETURN);
}

void EditorTest::EditField(ImGuiID id, SDL_Scancode key, bool ctrl, const std::string& text) {
    ImGui::SetCurrentContext(imgui->Context());
    ImGui::ActivateItem(id);
    Context().NavNextActivateFlags = ImGuiActivateFlags_PreferInput;
    Frame();
    Key(key, 1, ctrl);
    IO().AddInputCharactersUTF8(text.c_str());
    Frame();
    Key(SDL_SCANCODE_RETURN);
}

void EditorTest::Key(SDL_Scancode key, int frames, bool ctrl) {
    IO().KeyCtrl = ctrl;
    IO().KeysDown[key] = true;
    for (int i = 0; i < frames; ++i) Frame();
    IO().KeysDown[key] = false;
    IO().KeyCtrl = false;
    Frame();
}

void EditorTest::MouseTo(ImVec2 position) { IO().MousePos = position; }

void EditorTest::PressMouse(ImVec2 at) {
    MouseTo(at);
    Frame();
    IO().MouseDown[0] = true;
    Frame();
}

void EditorTest::ReleaseMouse() { IO().MouseDown[0] = false; Frame(); }

void EditorTest::Focus(const std::string& window) {
    ImGui::SetCurrentContext(imgui->Context());
    ImGui::FocusWindow(Window(window));
    Frame();
}

Event* EditorTest::AddSolidEvent(const std::string& name, float r, float g, float b, float start, float end) {
    ShaderProgram* program = new ShaderProgram();
    char source[256];
    std::snprintf(source, sizeof source,
                  "#version 150\nout vec4 colour;\nvoid main() { colour = vec4(%f, %f, %f, 1.0); }\n", r, g, b);
    program->fragment_shader_filename = "resources\\" + name + ".frag";
    program->fragment_shader_source = source;
    program->Relink();
    g_demo->shaders.push_back(program);
    Effect* effect = new Effect(name, program, nullptr, nullptr, false);
    g_demo->effects.push_back(effect);
    Event* event = new Event(name, effect, start, end);
    g_demo->events.push_back(event);
    return event;
}

}  // namespace edtest
