// The main loop's input path. First the order rule alone, over lists of SDL
// events; then whole passes as the program runs them: events pushed into
// SDL's queue, the pump, Dear ImGui's SDL backend on the test's hidden
// window, then the editor frame. Keys typed faster than the frames come
// out in the order they were typed.
#include <SDL.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "Documents.h"
#include "Editor.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "EventPump.h"
#include "Files.h"
#include "Playback.h"
#include "Startup.h"

namespace {

SDL_Event KeyEvent(Uint32 type, SDL_Scancode code, SDL_Keycode sym, Uint16 mod = KMOD_NONE, bool repeat = false) {
    SDL_Event event;
    SDL_zero(event);
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = code;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    return event;
}

SDL_Event Down(SDL_Scancode code, SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
    return KeyEvent(SDL_KEYDOWN, code, sym, mod);
}
SDL_Event Up(SDL_Scancode code, SDL_Keycode sym, Uint16 mod = KMOD_NONE) { return KeyEvent(SDL_KEYUP, code, sym, mod); }

SDL_Event Text(const char* text) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_TEXTINPUT;
    SDL_strlcpy(event.text.text, text, sizeof event.text.text);
    return event;
}

SDL_Scancode LetterKey(char letter) { return static_cast<SDL_Scancode>(SDL_SCANCODE_A + (letter - 'a')); }

// Lower-case letters as a person types them: each key's press, the text it
// types, its release.
std::vector<SDL_Event> Typed(const std::string& letters) {
    std::vector<SDL_Event> events;
    for (char letter : letters) {
        char text[2] = {letter, '\0'};
        events.push_back(Down(LetterKey(letter), letter));
        events.push_back(Text(text));
        events.push_back(Up(LetterKey(letter), letter));
    }
    return events;
}

// A key pressed and released, typing nothing.
std::vector<SDL_Event> Tapped(SDL_Scancode code, SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
    return {Down(code, sym, mod), Up(code, sym, mod)};
}

// Ctrl held over a letter key, as Ctrl+V or Ctrl+S.
std::vector<SDL_Event> WithCtrl(char letter) {
    return {Down(SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL), Down(LetterKey(letter), letter, KMOD_LCTRL),
            Up(LetterKey(letter), letter, KMOD_LCTRL), Up(SDL_SCANCODE_LCTRL, SDLK_LCTRL)};
}

std::deque<SDL_Event> Queue(std::initializer_list<std::vector<SDL_Event>> parts) {
    std::deque<SDL_Event> queue;
    for (const std::vector<SDL_Event>& part : parts) queue.insert(queue.end(), part.begin(), part.end());
    return queue;
}

}  // namespace

/* === The order of a pass ================================================== */

TEST(EventsForThisPass, EachKeyChangesOnceInAPassSoATapIsSeenDownThenUp) {
    std::deque<SDL_Event> tap = Queue({Tapped(SDL_SCANCODE_RETURN, SDLK_RETURN)});
    EXPECT_EQ(EventsForThisPass(tap), 1u);
    // A typed letter's release is its key's second change; typing that rolls
    // over (b pressed before a is released) goes further.
    EXPECT_EQ(EventsForThisPass(Queue({Typed("ab")})), 2u);
    std::deque<SDL_Event> rolled = {Down(SDL_SCANCODE_A, 'a'), Text("a"), Down(SDL_SCANCODE_B, 'b'), Text("b"),
                                    Up(SDL_SCANCODE_A, 'a'),   Up(SDL_SCANCODE_B, 'b')};
    EXPECT_EQ(EventsForThisPass(rolled), 4u);
}

TEST(EventsForThisPass, TypedTextAndKeysThatTypeNothingNeverShareAPass) {
    std::deque<SDL_Event> text_then_enter = {Down(SDL_SCANCODE_A, 'a'), Text("a"),
                                             Down(SDL_SCANCODE_RETURN, SDLK_RETURN)};
    EXPECT_EQ(EventsForThisPass(text_then_enter), 2u);
    // Ctrl is such a key too: Dear ImGui's text fields drop text typed while it is down.
    EXPECT_EQ(EventsForThisPass(Queue({{Down(SDL_SCANCODE_A, 'a'), Text("a")}, WithCtrl('v')})), 2u);
    // Text waits together with the press of its key; after a release it may follow.
    EXPECT_EQ(EventsForThisPass(Queue({{Down(SDL_SCANCODE_RETURN, SDLK_RETURN)}, Typed("a")})), 1u);
    EXPECT_EQ(EventsForThisPass(Queue({{Up(SDL_SCANCODE_RETURN, SDLK_RETURN)}, Typed("a")})), 3u);
    // Keys that type nothing go together.
    std::deque<SDL_Event> shortcut = {Down(SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL),
                                      Down(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LCTRL | KMOD_LSHIFT),
                                      Down(SDL_SCANCODE_Z, 'z', KMOD_LCTRL | KMOD_LSHIFT)};
    EXPECT_EQ(EventsForThisPass(shortcut), 3u);
}

TEST(EventsForThisPass, RepeatsAndOtherEventsNeverStopAPass) {
    SDL_Event motion;
    SDL_zero(motion);
    motion.type = SDL_MOUSEMOTION;
    SDL_Event repeat = KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, KMOD_NONE, true);
    std::deque<SDL_Event> held = {Down(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE), repeat, motion, repeat,
                                  Up(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE)};
    EXPECT_EQ(EventsForThisPass(held), 4u);
    SDL_Event repeat_a = KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_A, 'a', KMOD_NONE, true);
    std::deque<SDL_Event> held_letter = {Down(SDL_SCANCODE_A, 'a'), Text("a"), repeat_a, Text("a")};
    EXPECT_EQ(EventsForThisPass(held_letter), 4u);
}

/* === Whole passes ========================================================= */

namespace {

const char* const kShaderEditor = "Shader Editor";

// The editor harness's document and state, with Dear ImGui fed by its real
// SDL backend from the test's window, grown to the harness's display size.
class EventPathTest : public edtest::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        SDL_SetWindowSize(testgl::Window(), 1280, 720);
        ASSERT_TRUE(ImGui_ImplSDL2_InitForOpenGL(testgl::Window(), g_gl_context));
        ASSERT_TRUE(ImGui_ImplOpenGL3_Init(kGLSLVersion));
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override {
        ImGui::SetCurrentContext(&Context());
        ImGui_ImplOpenGL3_Shutdown();
        ImGui_ImplSDL2_Shutdown();
        SDL_SetWindowSize(testgl::Window(), testgl::kWidth, testgl::kHeight);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        EditorTest::TearDown();
    }

    void Push(std::initializer_list<std::vector<SDL_Event>> parts) {
        for (SDL_Event event : Queue(parts)) ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    // One pass of the main loop, from its events to the end of the
    // user-interface frame, with the editor shown.
    void Pass() {
        ImGui::SetCurrentContext(&Context());
        pump.Pump(state);
        BeginInterfaceFrame();
        ShowEditor(g_document_name, state.shortcut_key);
        ImGui::Render();
        ReleaseRetiredDocuments();
    }
    // Passes until every pushed event has been handed over; how many.
    int PassUntilHandedOver() {
        int passes = 0;
        do {
            Pass();
        } while (++passes < 100 && pump.Waiting() > 0);
        return passes;
    }
    // A new empty program in the code editor, which has the keyboard.
    void NewProgramInTheCodeEditor() {
        Press(Id(kShaderEditor, {"New"}));
        ASSERT_EQ(g_text_editor.GetText(), "\n");
        Focus("Shader Editor/TextEditor");
    }

    EventPump pump;
    MainLoopState state;
};

}  // namespace

TEST_F(EventPathTest, TextAndATappedEnterTypedWithinOnePassReachTheCodeEditorInOrder) {
    NewProgramInTheCodeEditor();
    Push({Typed("abc"), Tapped(SDL_SCANCODE_RETURN, SDLK_RETURN), Typed("def")});
    EXPECT_GT(PassUntilHandedOver(), 1);
    EXPECT_EQ(g_text_editor.GetText(), "abc\ndef\n");
}

TEST_F(EventPathTest, ABackspaceBetweenTypedLettersEditsTheSearchFieldInOrder) {
    ImGui::SetCurrentContext(&Context());
    ImGui::ActivateItem(Id(kShaderEditor, {"##search"}));
    Context().NavNextActivateFlags = ImGuiActivateFlags_PreferInput;
    Pass();
    Push({Typed("ab"), Tapped(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE), Typed("c")});
    PassUntilHandedOver();
    EXPECT_STREQ(g_search_text, "ac");
}

TEST_F(EventPathTest, CtrlVRightAfterTypedTextPastesAfterItAndCtrlSSavesBoth) {
    ASSERT_EQ(SDL_SetClipboardText("XY"), 0) << SDL_GetError();
    NewProgramInTheCodeEditor();
    // SDL's own modifier state never sees pushed keys: the pasting Ctrl is
    // the one each event carries.
    Push({Typed("ab"), WithCtrl('v'), WithCtrl('s')});
    PassUntilHandedOver();
    EXPECT_EQ(g_text_editor.GetText(), "abXY\n");
    char* saved = ReadWholeFile("untitled.demo.json");
    ASSERT_NE(saved, nullptr);
    EXPECT_NE(std::string(saved).find("abXY"), std::string::npos) << saved;
    free(saved);
}
