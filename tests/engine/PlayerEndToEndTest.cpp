// The real program playing a document to its end beat: "content.dat.json"
// in the working directory, and the same document exported to "demo.exe",
// which plays as a player only. Screenshots of the running window show which
// event is active: red first, then green.

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Base64.h"
#include "DocumentSamples.h"
#include "Documents.h"
#include "GLFixture.h"
#include "JSON.h"
#include "Process.h"

namespace {

constexpr double kStartSeconds = 60;  // generous: sanitizer builds start slowly
constexpr double kPlaySeconds = 40;   // the document itself lasts four seconds
const char* const kTitle = "Velmara by Tavik";

// One program drawing a solid colour.
JSON SolidShader(const std::string& name, const char* colour) {
    JSON shader = JSON::MakeObject();
    shader["vertex_shader_filename"] = "resources\\default.vert";
    shader["vertex_shader_source"] = "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n";
    shader["fragment_shader_filename"] = name;
    shader["fragment_shader_source"] =
        std::string("#version 150\nout vec4 colour;\nvoid main() { colour = vec4(") + colour + "); }\n";
    shader["uniform_defs"] = JSON::MakeArray();
    return shader;
}

JSON SolidEffect(const std::string& name, const std::string& program) {
    JSON effect = JSON::MakeObject();
    effect["name"] = name;
    effect["program"] = program;
    effect["feedback"] = false;
    effect["textures"] = JSON::MakeArray();
    effect["effects"] = JSON::MakeArray();
    return effect;
}

JSON Span(const std::string& effect, double start, double end) {
    JSON event = JSON::MakeObject();
    event["name"] = effect + " span";
    event["effect"] = effect;
    event["start_beat"] = start;
    event["end_beat"] = end;
    event["control_points"] = JSON::MakeObject();
    return event;
}

// At 60 bpm without offset: red until beat 2 (two seconds), green until the
// end beat 4, over one second of WAV music that loops.
std::string PlayedDocumentText() {
    JSON document = JSON::MakeObject();
    document["shaders"].Append(SolidShader("resources\\red.frag", "1.0, 0.0, 0.0, 1.0"));
    document["shaders"].Append(SolidShader("resources\\green.frag", "0.0, 1.0, 0.0, 1.0"));
    document["effects"].Append(SolidEffect("red", "resources\\red.frag"));
    document["effects"].Append(SolidEffect("green", "resources\\green.frag"));
    document["events"].Append(Span("red", -10.0, 2.0));
    document["events"].Append(Span("green", 2.0, 100.0));
    document["textures"] = JSON::MakeArray();
    document["music"] = Base64Encode(samples::MakeWav(8000, 4000, 8000));
    document["bpm"] = 60.0;
    document["beat_offset"] = 0.0;
    document["end_beat"] = 4.0;
    return document.ToText(1, "  ");
}

// A red spot that crosses the blue screen from left to right in two beats
// (60 bpm: two seconds), drawn over its own last picture barely darkened:
// what it passed stays lit for as long as the document plays.
std::string TrailDocumentText() {
    JSON document = JSON::FromText(PlayedDocumentText());
    JSON shader = SolidShader("resources\\trail.frag", "");
    shader["fragment_shader_source"] =
        "#version 150\nuniform sampler2D tex;\nuniform float beat;\nuniform vec2 resolution;\nout vec4 colour;\n"
        "void main() {\n  vec2 uv = gl_FragCoord.xy / resolution;\n"
        "  float spot = abs(uv.x - beat / 2.0) < 0.1 ? 1.0 : 0.0;\n"
        "  colour = vec4(max(texture(tex, uv).r * 0.999, spot), 0.0, 1.0, 1.0);\n}\n";
    JSON effect = SolidEffect("trail", "resources\\trail.frag");
    effect["feedback"] = true;
    document["shaders"] = JSON::MakeArray();
    document["shaders"].Append(shader);
    document["effects"] = JSON::MakeArray();
    document["effects"].Append(effect);
    document["events"] = JSON::MakeArray();
    document["events"].Append(Span("trail", -10.0, 100.0));
    document["end_beat"] = 2.5;
    return document.ToText(1, "  ");
}

enum class Shown { Other, Red, Green };

// What the middle of the screen shows now (the window covers the whole
// screen).
Shown Screenshot(const std::string& path) {
    uint8_t pixel[3];
    if (!testproc::ScreenPixel(958, 538, path, pixel)) return Shown::Other;
    if (pixel[0] > 200 && pixel[1] < 50 && pixel[2] < 50) return Shown::Red;
    if (pixel[0] < 50 && pixel[1] > 200 && pixel[2] < 50) return Shown::Green;
    return Shown::Other;
}

class PlayerEndToEnd : public GLTest {
protected:
    // Starts program in dir and waits for its window.
    void Start(const std::string& program, const std::string& dir) {
        testproc::Options options;
        options.working_directory = dir;
        options.environment = testproc::ProgramEnvironmentWithoutLeakChecks();
        velmara_ = std::make_unique<testproc::ChildProcess>(program, options);
        ASSERT_TRUE(velmara_->Started());
        ASSERT_TRUE(velmara_->WaitForStdout("Renderer: ", kStartSeconds)) << velmara_->Stderr();
        window_ = testproc::FindWindow(velmara_->Pid(), kTitle, kStartSeconds);
        ASSERT_NE(window_, 0ul);
        ASSERT_TRUE(testproc::FocusWindow(window_));
    }

    // Screenshots until the program ends; the colours seen, in order, each once.
    std::vector<Shown> WatchUntilExit(const std::string& shot_path) {
        std::vector<Shown> seen;
        SDL_Delay(300);  // the first frames
        for (int i = 0; i < 400 && velmara_->Running(); ++i) {
            Shown shown = Screenshot(shot_path);
            if (shown != Shown::Other && (seen.empty() || seen.back() != shown)) seen.push_back(shown);
        }
        return seen;
    }

    void ExpectEndedByItselfWithStatusZero() {
        testproc::Exit exit = velmara_->Wait(kPlaySeconds);
        EXPECT_FALSE(exit.timed_out) << "still playing after the end beat";
        EXPECT_TRUE(exit.exited) << "signal " << exit.signal << "\n" << velmara_->Stderr();
        EXPECT_EQ(exit.status, 0) << velmara_->Stderr();
    }

    std::unique_ptr<testproc::ChildProcess> velmara_;
    unsigned long window_ = 0;
};

TEST_F(PlayerEndToEnd, ContentDatJsonPlaysItsEventsAndQuitsAtTheEndBeat) {
    samples::TempDir dir;
    samples::WriteFile(dir.File("content.dat.json"), PlayedDocumentText());
    Start(VELMARA_EXE, dir.Path());
    std::vector<Shown> seen = WatchUntilExit(dir.File("shot.png"));
    ExpectEndedByItselfWithStatusZero();
    EXPECT_EQ(seen, (std::vector<Shown>{Shown::Red, Shown::Green}));
    EXPECT_EQ(velmara_->Stderr().find("Cannot load"), std::string::npos) << velmara_->Stderr();
}

TEST_F(PlayerEndToEnd, AnExportedExecutableIsAPlayerThatIgnoresCtrlT) {
    samples::TempDir dir;
    JSON value = JSON::FromText(PlayedDocumentText());
    std::unique_ptr<Demo> demo(new Demo(value));
    ASSERT_TRUE(WriteStandaloneExecutable(*demo, VELMARA_EXE, dir.File("demo.exe")));
    struct stat info;
    ASSERT_EQ(stat(dir.File("demo.exe").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IXUSR, 0u);

    samples::TempDir elsewhere;  // no content.dat.json here
    Start(dir.File("demo.exe"), elsewhere.Path());
    // With the editor shown the end beat would not end the program.
    ASSERT_TRUE(testproc::SendChord("ctrl", "t"));
    std::vector<Shown> seen = WatchUntilExit(elsewhere.File("shot.png"));
    ExpectEndedByItselfWithStatusZero();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), Shown::Green);
    EXPECT_EQ(seen.front(), Shown::Red);
    // A player never shows the editor, and leaves no window layout behind.
    EXPECT_NE(stat(elsewhere.File("imgui.ini").c_str(), &info), 0);
}

TEST_F(PlayerEndToEnd, AnExportedTrailKeepsWhatItsSpotPassedLit) {
    samples::TempDir dir;
    JSON value = JSON::FromText(TrailDocumentText());
    std::unique_ptr<Demo> demo(new Demo(value));
    ASSERT_TRUE(WriteStandaloneExecutable(*demo, VELMARA_EXE, dir.File("demo.exe")));
    samples::TempDir elsewhere;
    Start(dir.File("demo.exe"), elsewhere.Path());
    // The middle of the screen, which the spot passes at beat 1: blue before,
    // then lit (red over blue) to the end. Anything else, such as the screen
    // after the window has gone, is not counted.
    enum Middle { kBlue, kLit };
    std::vector<Middle> seen;
    for (int i = 0; i < 400 && velmara_->Running(); ++i) {
        uint8_t pixel[3];
        if (!testproc::ScreenPixel(958, 538, elsewhere.File("shot.png"), pixel)) continue;
        if (pixel[1] > 50 || pixel[2] < 200) continue;
        Middle middle = pixel[0] > 127 ? kLit : kBlue;
        if (seen.empty() || seen.back() != middle) seen.push_back(middle);
    }
    ExpectEndedByItselfWithStatusZero();
    EXPECT_EQ(seen, (std::vector<Middle>{kBlue, kLit}));
}

TEST_F(PlayerEndToEnd, HostileMusicPlaysToTheEndBeatOrIsRefusedWithItsReason) {
    for (const samples::HostileMusic& file : samples::HostileMusicFiles()) {
        SCOPED_TRACE(file.sample);
        samples::TempDir dir;
        JSON document = JSON::FromText(PlayedDocumentText());
        document["music"] = Base64Encode(samples::MediaSample(file.sample));
        document["end_beat"] = 0.3;
        samples::WriteFile(dir.File("content.dat.json"), document.ToText(1, "  "));
        testproc::Options options;
        options.working_directory = dir.Path();
        options.environment = testproc::ProgramEnvironmentWithoutLeakChecks();
        testproc::ChildProcess velmara(VELMARA_EXE, options);
        testproc::Exit exit = velmara.Wait(20);
        EXPECT_FALSE(exit.timed_out);
        EXPECT_TRUE(exit.exited && exit.status == 0) << "signal " << exit.signal << "\n" << velmara.Stderr();
        // The larger of the program's peak and its decoder's: the two
        // together stay under 700 MiB.
        EXPECT_LT(exit.max_rss_kb, 350 * 1024);
        const std::string& errors = velmara.Stderr();
        size_t said = errors.find("music: ");
        if (file.reasons[0] == nullptr) {
            EXPECT_EQ(said, std::string::npos) << errors;
        } else {
            ASSERT_NE(said, std::string::npos) << errors;
            std::string reason = errors.substr(said + 7, errors.find('\n', said) - said - 7);
            EXPECT_TRUE(samples::RefusedAsExpected(file, reason)) << reason;
        }
    }
}

}  // namespace
