// The main loop's input path: the order rule alone, then whole passes from SDL's
// queue through the pump and Dear ImGui's SDL backend into the editor.
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <sstream>

#include "Editor.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "EventPump.h"
#include "Playback.h"
#include "Startup.h"

namespace {
// Events as words: +Key and -Key press and release the key of that SDL name ("Ctrl": the left one), *Key
// repeats it, 'text is typed text, "abc types letters (press, text, release); keys carry Ctrl while it is down.
std::deque<SDL_Event> Events(const std::string& words) {
    std::deque<SDL_Event> events;
    Uint16 mod = KMOD_NONE;
    std::istringstream in(words);
    for (std::string word; in >> word;) {
        for (char c : word[0] == '"' ? word.substr(1) : "")
            for (SDL_Event typed : Events(std::string("+") + c + " '" + c + " -" + c)) events.push_back(typed);
        std::string name = word.substr(1) == "Ctrl" ? "Left Ctrl" : word.substr(1);
        SDL_Event event = SDL_Event();
        event.type = word[0] == '\'' ? SDL_TEXTINPUT : word[0] == '-' ? SDL_KEYUP : SDL_KEYDOWN;
        SDL_Scancode code = SDL_GetScancodeFromName(name.c_str());
        if (code == SDL_SCANCODE_LCTRL) mod = event.type == SDL_KEYDOWN ? KMOD_LCTRL : KMOD_NONE;
        if (event.type == SDL_TEXTINPUT) {
            SDL_strlcpy(event.text.text, name.c_str(), sizeof event.text.text);
        } else {
            event.key.repeat = word[0] == '*';
            event.key.keysym = {code, SDL_GetKeyFromScancode(code), mod, 0};
        }
        if (word[0] != '"') events.push_back(event);
    }
    return events;
}
}  // namespace
using edtest::EditorTest;

TEST(EventsForThisPass, APassStopsBeforeTheFirstEventThatWouldLoseOrder) {
    const std::pair<const char*, size_t> kCases[] = {
        {"+Return -Return", 1},                // a key changes once in a pass: a tap is seen down, then up
        {"+A 'a +Return", 2},                  // a key that types nothing waits for text typed before it,
        {"+A 'a +Ctrl +V", 2},                 // Ctrl too,
        {"+Return \"a", 1},                    // and text for such a press,
        {"-Return \"a", 3},                    // but not for a release
        {"+Backspace *Backspace -Backspace", 2},  // a repeat is no change
    };
    for (const auto& c : kCases) EXPECT_EQ(EventsForThisPass(Events(c.first)), c.second) << c.first;
}

TEST_F(EditorTest, KeysTypedWithinOnePassOfTheMainLoopActInTheOrderTyped) {
    // Dear ImGui fed by its real SDL backend from the test's window, as the program does.
    SDL_SetWindowSize(testgl::Window(), 1280, 720);
    ASSERT_TRUE(ImGui_ImplSDL2_InitForOpenGL(testgl::Window(), g_gl_context));
    ASSERT_TRUE(ImGui_ImplOpenGL3_Init(kGLSLVersion));
    EventPump pump;
    MainLoopState state;
    auto type = [&](const std::string& words) {  // pushed into SDL's queue, then passes until all are handed over
        for (SDL_Event event : Events(words)) EXPECT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        for (int pass = 0; pass < 100 && (pass == 0 || pump.Waiting() > 0); ++pass) {
            pump.Pump(state);
            BeginInterfaceFrame();
            ShowEditor(g_document_name, state.shortcut_key);
            ImGui::Render();
        }
    };
    // The code editor applies keys before text; SDL's own Ctrl is up, and the save holds the paste.
    EXPECT_EQ(SDL_SetClipboardText("XY"), 0) << SDL_GetError();
    Press(Id("Shader Editor", {"New"}));
    Focus("Shader Editor/TextEditor");
    type("\"abc +Return -Return \"def +Ctrl +V -V +S -S -Ctrl");
    EXPECT_EQ(g_text_editor.GetText(), "abc\ndefXY\n");
    EXPECT_NE(dir->Read("untitled.demo.json").find("abc\\ndefXY"), std::string::npos);
    // Dear ImGui's own search field applies text before keys.
    ImGui::ActivateItem(Id("Shader Editor", {"##search"}));
    Context().NavNextActivateFlags = ImGuiActivateFlags_PreferInput;
    type("");
    type("\"ab +Backspace -Backspace \"c");
    EXPECT_STREQ(g_search_text, "ac");
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    SDL_SetWindowSize(testgl::Window(), testgl::kWidth, testgl::kHeight);
}
