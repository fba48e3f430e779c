// The real program with the editor: Ctrl+T shows it over the running demo,
// which is then drawn only inside the Viewport; Ctrl+S writes the JSON
// document; Ctrl+Q quits with status 0, with the editor shown or hidden again.
#include <gtest/gtest.h>

#include <SDL.h>

#include <memory>
#include <string>

#include "Process.h"
#include "TempDir.h"

namespace {

constexpr double kStartSeconds = 60;  // generous: sanitizer builds start slowly
const char* const kTitle = "Velmara by Tavik";

// One red event over every beat, compact on one line (as no save writes it).
const char* const kDocument =
    R"({"bpm": 120.0, "beat_offset": 0.0, "end_beat": 1000.0, "music": "", "textures": [],)"
    R"( "shaders": [{"vertex_shader_filename": "resources\\default.vert",)"
    R"( "vertex_shader_source": "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n",)"
    R"( "fragment_shader_filename": "resources\\red.frag",)"
    R"( "fragment_shader_source": "#version 150\nout vec4 c;\nvoid main() { c = vec4(1.0, 0.0, 0.0, 1.0); }\n",)"
    R"( "uniform_defs": []}],)"
    R"( "effects": [{"name": "red", "program": "resources\\red.frag", "feedback": false, "textures": [], "effects": []}],)"
    R"( "events": [{"name": "red span", "effect": "red", "start_beat": -10.0, "end_beat": 1000.0, "control_points": {}}]})";

// Window places for a run without a layout of its own: the Viewport in the
// top left corner, every other window low on the screen, none over the
// point at (1100, 300).
const char* const kLayout =
    "[Window][Viewport]\nPos=0,16\nSize=640,400\nCollapsed=0\n\n"
    "[Window][Shader Editor]\nPos=700,600\nSize=300,200\nCollapsed=0\n\n"
    "[Window][Effect Manager]\nPos=1000,600\nSize=200,200\nCollapsed=0\n\n"
    "[Window][Velmara :: 0.1]\nPos=0,820\nSize=1200,180\nCollapsed=0\n\n";

bool IsRed(const uint8_t* rgb) { return rgb[0] > 200 && rgb[1] < 50 && rgb[2] < 50; }

// Starts the program in the folder, waits for its window and gives it the keyboard.
void Start(const testutil::TempDir& dir, std::unique_ptr<testproc::ChildProcess>& velmara) {
    testproc::Options options;
    options.working_directory = dir.Path();
    options.environment = testproc::ProgramEnvironmentWithoutLeakChecks();
    velmara = std::make_unique<testproc::ChildProcess>(VELMARA_EXE, options);
    ASSERT_TRUE(velmara->WaitForStdout("Renderer: ", kStartSeconds)) << velmara->Stderr();
    unsigned long window = testproc::FindWindow(velmara->Pid(), kTitle, kStartSeconds);
    ASSERT_TRUE(window != 0 && testproc::FocusWindow(window));
}

}  // namespace

TEST(EditorEndToEnd, CtrlTShowsTheEditorWithTheDemoOnlyInTheViewportCtrlSSavesCtrlQQuitsWithItHiddenAgain) {
    testutil::TempDir dir;
    ASSERT_TRUE(dir.Write("content.dat.json", kDocument));
    ASSERT_TRUE(dir.Write("imgui.ini", kLayout));
    std::unique_ptr<testproc::ChildProcess> started;
    ASSERT_NO_FATAL_FAILURE(Start(dir, started));
    testproc::ChildProcess& velmara = *started;
    std::string shot = dir.File("shot.png");

    // Playing: the demo fills the screen.
    uint8_t in_viewport[3] = {0, 0, 0};
    uint8_t elsewhere[3] = {0, 0, 0};
    bool red_everywhere = false;
    for (int i = 0; i < 100 && !red_everywhere; ++i) {
        red_everywhere = testproc::ScreenPixel(320, 200, shot, in_viewport) && IsRed(in_viewport) &&
                         testproc::ScreenPixel(1100, 300, shot, elsewhere) && IsRed(elsewhere);
    }
    EXPECT_TRUE(red_everywhere);

    // Editing: red inside the Viewport's picture only.
    ASSERT_TRUE(testproc::SendChord("ctrl", "t"));
    bool only_in_viewport = false;
    for (int i = 0; i < 100 && !only_in_viewport; ++i) {
        only_in_viewport = testproc::ScreenPixel(320, 200, shot, in_viewport) && IsRed(in_viewport) &&
                           testproc::ScreenPixel(1100, 300, shot, elsewhere) && !IsRed(elsewhere);
    }
    EXPECT_TRUE(only_in_viewport) << "elsewhere " << int(elsewhere[0]) << "," << int(elsewhere[1]) << ","
                                  << int(elsewhere[2]);
    // The clear colour (0.45, 0.55, 0.60) shows where no window is.
    EXPECT_NEAR(elsewhere[0], 115, 2);
    EXPECT_NEAR(elsewhere[1], 140, 2);
    EXPECT_NEAR(elsewhere[2], 153, 2);

    // Ctrl+S writes the document loaded at start-up in the program's own layout.
    ASSERT_TRUE(testproc::SendChord("ctrl", "s"));
    bool saved = false;
    for (int i = 0; i < 200 && !saved; ++i) {
        saved = dir.Read("content.dat.json").find("\n  \"bpm\" : 120.000000,\n") != std::string::npos;
        if (!saved) SDL_Delay(50);
    }
    EXPECT_TRUE(saved) << dir.Read("content.dat.json");

    // Ctrl+T again: the editing session plays full screen, and Ctrl+Q
    // still quits it, though no editor frame runs.
    ASSERT_TRUE(testproc::SendChord("ctrl", "t"));
    red_everywhere = false;
    for (int i = 0; i < 100 && !red_everywhere; ++i) {
        red_everywhere = testproc::ScreenPixel(320, 200, shot, in_viewport) && IsRed(in_viewport) &&
                         testproc::ScreenPixel(1100, 300, shot, elsewhere) && IsRed(elsewhere);
    }
    ASSERT_TRUE(red_everywhere);
    ASSERT_TRUE(testproc::SendChord("ctrl", "q"));
    testproc::Exit exit = velmara.Wait(30);
    EXPECT_TRUE(exit.exited) << velmara.Stderr();
    EXPECT_EQ(exit.status, 0) << velmara.Stderr();
}

TEST(EditorEndToEnd, ACtrlQSoonAfterAFirstStartLeavesTheArrangedWindowPlacesInImguiIni) {
    testutil::TempDir dir;  // no "imgui.ini"
    std::unique_ptr<testproc::ChildProcess> velmara;
    ASSERT_NO_FATAL_FAILURE(Start(dir, velmara));
    ASSERT_TRUE(testproc::SendChord("ctrl", "t"));
    SDL_Delay(1500);  // far sooner than Dear ImGui's own timer writes the file
    ASSERT_TRUE(testproc::SendChord("ctrl", "q"));
    EXPECT_EQ(velmara->Wait(30).status, 0) << velmara->Stderr();
    EXPECT_NE(dir.Read("imgui.ini").find("[Window][Viewport]\nPos=0,"), std::string::npos);
}
