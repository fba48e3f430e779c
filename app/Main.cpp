// Velmara's process entry, start-up, main loop and shut-down, top to bottom.
#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>
#include <kiss_fftr.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "DecodeMode.h"
#include "Demo.h"
#include "Documents.h"
#include "Editor.h"
#include "Effect.h"
#include "EventPump.h"
#include "MainLoop.h"
#include "Music.h"
#include "Platform.h"
#include "Playback.h"
#include "ShaderEditor.h"
#include "Startup.h"

/* === Start-up ============================================================ */

static void PrintGLVersions() {
    std::printf("OpenGL version: %s\n", reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    std::printf("GLSL version: %s\n", reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION)));
    std::printf("Vendor: %s\n", reinterpret_cast<const char*>(glGetString(GL_VENDOR)));
    std::printf("Renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    std::fflush(stdout);
}

static void StartUserInterface() {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
    ImGui_ImplSDL2_InitForOpenGL(g_window, g_gl_context);
    ImGui_ImplOpenGL3_Init(kGLSLVersion);
    io.ConfigWindowsMoveFromTitleBarOnly = true;
    ImGui::StyleColorsDark();
}

// Dear ImGui writes "imgui.ini" on its own only some seconds after a window
// moved, so a window moved just before quitting would be back in its old
// place at the next start: the settings are written here, then the
// interface goes before the GL context and the window it draws with. A
// player, which never shows the editor, leaves no "imgui.ini" behind.
static void StopUserInterface() {
    ImGuiIO& io = ImGui::GetIO();
    if (g_packaged) io.IniFilename = nullptr;
    if (io.IniFilename != nullptr) ImGui::SaveIniSettingsToDisk(io.IniFilename);
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
}

// Every effect once, in list order, so each has drawn (and made its GL
// state) before the first frame, with the values that belong to the start
// beat (its own event's there, else its defaults).
static void WarmUpEffects() {
    for (Effect* effect : g_demo->effects) effect->Render(g_demo, g_beat);
}

/* === The main loop ======================================================= */

static void RunMainLoop() {
    const float clear_color[4] = {0.45f, 0.55f, 0.60f, 1.0f};
    MainLoopState state;
    EventPump pump;

    while (!g_quit) {
        // The clear colour is black in the first pass, clear_color afterwards.
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

        // The end rule looks at the previous pass's beat; this pass still runs.
        if (EndRuleQuits(g_beat, g_demo->end_beat, state.editor_shown, state.editor_was_shown)) g_quit = true;
        AdvanceBeatClock(SDL_GetTicks());
        ApplyLoopRule();

        // This pass's share of the events, in an order Dear ImGui cannot
        // lose; the rest wait for the next pass.
        pump.Pump(state);
        BeginInterfaceFrame();

        bool drawn = false;
        if (state.editor_shown) {
            drawn = ShowEditor(g_document_name, state.shortcut_key);
        } else {
            ImGui::SetMouseCursor(ImGuiMouseCursor_None);  // the cursor hides while the demo plays
            RunDueShaderRelink();  // typing that rested just before Ctrl+T still reaches the picture
        }
        ImGui::Render();

        SDL_GL_MakeCurrent(g_window, g_gl_context);
        ImGuiIO& io = ImGui::GetIO();
        glViewport(0, 0, static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
        glClearColor(clear_color[0], clear_color[1], clear_color[2], clear_color[3]);
        glClear(GL_COLOR_BUFFER_BIT);
        if (!drawn) RenderDemoFullscreen();
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());

        SDL_GL_SwapWindow(g_window);
        ReleaseRetiredDocuments();  // a document loaded this frame replaced one drawn in it
        SDL_Delay(2);
    }
}

/* === The program ========================================================= */

// Start-up, the loop and shut-down. Reads only argv[0], the executable's
// own path. Returns 1 when SDL cannot start and -1 when the audio device
// cannot be opened; otherwise the process ends through exit(0).
static int VelmaraMain(int argc, char* argv[]) {
    (void)argc;
    // "content.dat.json" is read first, so that its music decodes while the
    // window and the GL context come up.
    ReadStartupDocument();
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        SDL_Log("Failed to initialize SDL: %s", SDL_GetError());
        return 1;
    }
    SetGLAttributes();
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        SDL_Log("SDL_GetDesktopDisplayMode failed: %s", SDL_GetError());
        return 1;
    }
    g_screen_size->width = mode.w;
    g_screen_size->height = mode.h;

    g_window = SDL_CreateWindow("Velmara by Tavik", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                mode.w, mode.h, SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS);
    g_gl_context = SDL_GL_CreateContext(g_window);
    glewInit();
    PrintGLVersions();
    StartUserInterface();

    // One blend state for the whole run: every effect draws blended.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // "content.dat.json", else a package behind the executable, else the
    // empty document; a failed load says why on stderr and falls through.
    g_demo = ChooseStartupDocument(argv[0], &g_packaged, g_document_name);
    if (!g_demo) g_demo = new Demo();
    WarmUpEffects();

    g_fft = kiss_fftr_alloc(1024, 0, nullptr, nullptr);
    if (!OpenAudioDevice()) {
        std::fprintf(stderr, "Failed to open the audio device: %s\n", Mix_GetError());
        return -1;
    }
    g_demo->PlayMusic();
    g_start_ticks = SDL_GetTicks();
    SDL_AddEventWatch(QuitEventWatch, nullptr);

    CheckGLError("flushing");
    g_exe_path = argv[0];
    RunMainLoop();

    StopUserInterface();
    SDL_DelEventWatch(QuitEventWatch, nullptr);
    SDL_GL_DeleteContext(g_gl_context);
    SDL_DestroyWindow(g_window);
    SDL_Quit();
    std::exit(0);
}

// Process entry: the program takes no arguments and knows only its own
// executable path, which it hands on as the one argument. The one exception
// is the decode mode, in which the program decodes music for itself in a
// child process; it is checked before anything else, so an exported demo
// has it too and nothing of the program starts.
int main(int argc, char* argv[]) {
    if (IsDecodeMode(argc, argv)) RunMusicDecoder();
    // Mesa's shader cache answers a compile it has seen before without the
    // driver's log, so a shader's warnings would show only the first time
    // its source is ever compiled on the machine. Mesa reads this when the
    // window loads GL, so it is set before anything of SDL runs.
    SetEnvironmentDefault("MESA_SHADER_CACHE_DISABLE", "true");
    static std::string exe_path = ExecutablePath();
    if (exe_path.empty() && argc > 0 && argv[0]) exe_path = argv[0];
    char* args[] = {&exe_path[0], nullptr};
    return VelmaraMain(1, args);
}
