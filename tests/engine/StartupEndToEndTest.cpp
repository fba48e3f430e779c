// The real program as a process under the X server: start-up output, the
// window, the keys that quit or not (Escape never ends an editing session,
// nor does the end beat), the window's close request, and a failing audio
// device. Each run starts in a fresh directory, so unless a test writes a
// "content.dat.json" there the empty document plays.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "Process.h"
#include "TempDir.h"

namespace {

constexpr double kStartSeconds = 60;  // generous: sanitizer builds start slowly
constexpr double kQuitSeconds = 30;
const char* const kTitle = "Velmara by Tavik";

// At 60 bpm without offset: red until beat 7, then green; the end beat is 6,
// so a full-screen green means the demo is past its end. The beat clock
// starts once the document is loaded, so the six red seconds before the end
// leave time to show and hide the editor however slowly the program started.
const char* const kRedThenGreenPastTheEnd = R"({"bpm": 60.0, "beat_offset": 0.0, "end_beat": 6.0,
  "shaders": [
    {"fragment_shader_filename": "resources\\red.frag",
     "vertex_shader_source": "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n",
     "fragment_shader_source": "#version 150\nout vec4 c;\nvoid main() { c = vec4(1.0, 0.0, 0.0, 1.0); }\n"},
    {"fragment_shader_filename": "resources\\green.frag",
     "vertex_shader_source": "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n",
     "fragment_shader_source": "#version 150\nout vec4 c;\nvoid main() { c = vec4(0.0, 1.0, 0.0, 1.0); }\n"}],
  "effects": [
    {"name": "red", "program": "resources\\red.frag", "feedback": false, "textures": [], "effects": []},
    {"name": "green", "program": "resources\\green.frag", "feedback": false, "textures": [], "effects": []}],
  "events": [
    {"name": "before the end", "effect": "red", "start_beat": -10.0, "end_beat": 7.0, "control_points": {}},
    {"name": "past the end", "effect": "green", "start_beat": 7.0, "end_beat": 100.0, "control_points": {}}]})";

// What the middle of the screen shows: the demo drawn full screen in red or
// green, or anything else (the editor, whose Viewport then holds the demo);
// Unknown when no screenshot could be taken.
enum class Shown { Unknown, Other, Red, Green };

class StartupEndToEnd : public ::testing::Test {
protected:
    // Starts the program, with these environment entries added to the usual
    // ones; runs that show the editor or compile shaders, which the leak checks
    // of sanitizer builds slow past any timeout, go without them.
    void Start(std::vector<std::pair<std::string, std::string>> environment = {}, bool without_leak_checks = false) {
        testproc::Options options;
        options.working_directory = dir.Path();
        options.environment = without_leak_checks ? testproc::ProgramEnvironmentWithoutLeakChecks()
                                                  : testproc::ProgramEnvironment();
        options.environment.insert(options.environment.end(), environment.begin(), environment.end());
        velmara = std::make_unique<testproc::ChildProcess>(VELMARA_EXE, options);
        ASSERT_TRUE(velmara->Started());
    }
    void WaitForWindow() {
        ASSERT_TRUE(velmara->WaitForStdout("Renderer: ", kStartSeconds)) << velmara->Stderr();
        window = testproc::FindWindow(velmara->Pid(), kTitle, kStartSeconds);
        ASSERT_NE(window, 0ul) << "no window titled " << kTitle;
        ASSERT_TRUE(testproc::FocusWindow(window));
    }
    // Expects the program to end by itself with status 0.
    void ExpectCleanExit() {
        testproc::Exit exit = velmara->Wait(kQuitSeconds);
        EXPECT_FALSE(exit.timed_out);
        EXPECT_TRUE(exit.exited) << "signal " << exit.signal << "\n" << velmara->Stderr();
        EXPECT_EQ(exit.status, 0) << velmara->Stderr();
    }
    // Gives the program time to act on what it was sent, then checks it still runs.
    void ExpectStillRunning() {
        SDL_Delay(1000);
        EXPECT_TRUE(velmara->Running()) << velmara->Stderr();
    }

    Shown Screen() {
        uint8_t pixel[3];
        if (!testproc::ScreenPixel(958, 538, dir.File("shot.png"), pixel)) return Shown::Unknown;
        if (pixel[0] > 200 && pixel[1] < 50 && pixel[2] < 50) return Shown::Red;
        if (pixel[0] < 50 && pixel[1] > 200 && pixel[2] < 50) return Shown::Green;
        return Shown::Other;
    }
    // Takes screenshots until the screen shows what is wanted; false when the
    // program ended or the time ran out first.
    bool WaitUntilShown(Shown wanted, double timeout_seconds) {
        uint32_t until = SDL_GetTicks() + static_cast<uint32_t>(timeout_seconds * 1000.0);
        while (velmara->Running() && static_cast<int32_t>(until - SDL_GetTicks()) > 0) {
            if (Screen() == wanted) return true;
        }
        return false;
    }

    testutil::TempDir dir;
    std::unique_ptr<testproc::ChildProcess> velmara;
    unsigned long window = 0;
};

}  // namespace

TEST_F(StartupEndToEnd, PrintsTheFourVersionLinesOpensTheDesktopSizedWindowAndEscapeQuits) {
    Start();
    WaitForWindow();
    std::istringstream lines(velmara->Stdout());
    const char* prefixes[] = {"OpenGL version: ", "GLSL version: ", "Vendor: ", "Renderer: "};
    for (const char* prefix : prefixes) {
        std::string line;
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
        EXPECT_GT(line.size(), std::string(prefix).size()) << line;
    }
    // The window is the size of the display it runs on, whatever that is.
    std::string display;
    testproc::RunTool({"xdotool", "getdisplaygeometry"}, 10, &display);
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(display.c_str(), "%d %d", &width, &height), 2) << display;
    std::string geometry;
    testproc::RunTool({"xdotool", "getwindowgeometry", std::to_string(window)}, 10, &geometry);
    std::string expected = "Geometry: " + std::to_string(width) + "x" + std::to_string(height);
    EXPECT_NE(geometry.find(expected), std::string::npos) << geometry;

    ASSERT_TRUE(testproc::SendKey("Escape"));
    ExpectCleanExit();
}

TEST_F(StartupEndToEnd, OnceTheEditorWasShownEscapeBringsItBackInsteadOfQuittingAndCtrlQQuits) {
    Start({}, true);
    WaitForWindow();
    ASSERT_TRUE(testproc::SendChord("ctrl", "t"));
    ExpectStillRunning();
    ASSERT_TRUE(testproc::SendKey("Escape"));  // the editor is shown: no quit
    ExpectStillRunning();
    ASSERT_TRUE(testproc::SendChord("ctrl", "t"));  // hidden to watch the demo
    ASSERT_TRUE(testproc::SendKey("Escape"));       // the editor again, not the end
    ExpectStillRunning();
    // Only a shown editor takes Ctrl+Q.
    ASSERT_TRUE(testproc::SendChord("ctrl", "q"));
    ExpectCleanExit();
}

TEST_F(StartupEndToEnd, AnEditingSessionWatchedFullScreenRunsPastTheEndBeatUntilCtrlQ) {
    ASSERT_TRUE(dir.Write("content.dat.json", kRedThenGreenPastTheEnd));
    Start({}, true);
    WaitForWindow();
    ASSERT_TRUE(WaitUntilShown(Shown::Red, kStartSeconds)) << velmara->Stderr();  // playing
    ASSERT_TRUE(testproc::SendChord("ctrl", "t"));
    ASSERT_TRUE(WaitUntilShown(Shown::Other, kQuitSeconds)) << velmara->Stderr();  // the editor is up
    ASSERT_TRUE(testproc::SendChord("ctrl", "t"));  // hidden to watch the demo
    // Green full screen: the editor is hidden and the beat is past the end.
    ASSERT_TRUE(WaitUntilShown(Shown::Green, kQuitSeconds)) << velmara->Stderr();
    ExpectStillRunning();
    ASSERT_TRUE(testproc::SendChord("ctrl", "t"));
    ASSERT_TRUE(WaitUntilShown(Shown::Other, kQuitSeconds)) << velmara->Stderr();
    ASSERT_TRUE(testproc::SendChord("ctrl", "q"));
    ExpectCleanExit();
}

TEST_F(StartupEndToEnd, ClosingTheWindowQuits) {
    Start();
    WaitForWindow();
    ASSERT_TRUE(testproc::RequestClose(window));
    ExpectCleanExit();
}

TEST_F(StartupEndToEnd, ClosingTheWindowQuitsAlsoWithTheEditorShown) {
    Start({}, true);
    WaitForWindow();
    ASSERT_TRUE(testproc::SendChord("ctrl", "t"));
    ASSERT_TRUE(testproc::RequestClose(window));
    ExpectCleanExit();
}

TEST_F(StartupEndToEnd, AnAudioDeviceThatCannotBeOpenedEndsWithStatusMinusOneAndSaysWhy) {
    // The disk driver writes to a file; in a directory that does not exist
    // the device cannot be opened.
    Start({{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", dir.File("missing/dir/audio.raw")}});
    testproc::Exit exit = velmara->Wait(kStartSeconds);
    EXPECT_FALSE(exit.timed_out);
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(exit.status, 255);  // -1 as an exit status
    EXPECT_NE(velmara->Stderr().find("audio"), std::string::npos) << velmara->Stderr();
    EXPECT_NE(velmara->Stdout().find("Renderer: "), std::string::npos);  // it got that far
}

TEST_F(StartupEndToEnd, AShadersWarningShowsAtEveryStartNotOnlyTheFirst) {
    // A shader with a warning; the end beat has passed, so each run ends by itself.
    ASSERT_TRUE(dir.Write("content.dat.json", R"({"end_beat": -100.0, "shaders": [{
    "vertex_shader_source": "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n",
    "fragment_shader_source": "#version 150\nout vec4 c;\nvoid main() { float terror; c = vec4(terror); }\n"}]})"));
    // Mesa's shader cache, which outlives a run, in a folder of this test's
    // own; no setting of the test's own environment turns it off or moves it.
    testutil::TempDir cache;
    for (const char* name : {"MESA_SHADER_CACHE_DISABLE", "MESA_GLSL_CACHE_DISABLE", "MESA_SHADER_CACHE_DIR"})
        unsetenv(name);
    // A user's "false" stands: the first run fills the cache and the third is
    // answered from it, without the log. The second, without a setting, warns.
    const char* settings[] = {"false", nullptr, "false"};
    for (int run = 0; run < 3; ++run) {
        std::vector<std::pair<std::string, std::string>> environment = {{"XDG_CACHE_HOME", cache.Path()}};
        if (settings[run]) environment.push_back({"MESA_SHADER_CACHE_DISABLE", settings[run]});
        Start(environment, true);
        testproc::Exit exit = velmara->Wait(kStartSeconds + kQuitSeconds);
        ASSERT_TRUE(exit.exited) << "run " << run << ": signal " << exit.signal << "\n" << velmara->Stderr();
        bool warned = velmara->Stdout().find("terror") != std::string::npos;
        EXPECT_EQ(warned, run < 2) << "run " << run << ":\n" << velmara->Stdout();
    }
}
