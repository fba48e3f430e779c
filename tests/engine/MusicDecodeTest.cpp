// Music decoded in a child process. The decode mode of the real program:
// only the music's PCM on its standard output, nothing of the program
// touched, in an exported demo too. And the program's watch over its child:
// a decoder that crashes, hangs, floods its output or grows is killed and
// its music refused, and the program goes on (a test binary's decoder
// misbehaves on request, see TestMain.cpp).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DecodeMode.h"
#include "Demo.h"
#include "DocumentSamples.h"
#include "Documents.h"
#include "MusicDecode.h"
#include "Process.h"

namespace {

// What the ramp music holds from frame from on, as little-endian PCM.
std::string RampPCM(int64_t from, int64_t frames) {
    std::string pcm;
    for (int64_t i = from; i < from + frames; ++i) {
        for (int channel = 0; channel < 2; ++channel) {
            uint16_t sample = static_cast<uint16_t>(samples::RampSample(i, channel));
            pcm += static_cast<char>(sample & 0xFF);
            pcm += static_cast<char>(sample >> 8);
        }
    }
    return pcm;
}

std::string BytesOf(const MusicPCM& pcm) {
    return std::string(reinterpret_cast<const char*>(pcm.samples.get()), static_cast<size_t>(pcm.frames * 4));
}

struct DecodeRun {
    testproc::Exit exit;
    std::string pcm;     // its standard output
    std::string errors;  // its standard error
};

// program started in the decode mode in dir, fed request on its standard
// input, without a display and with a real audio driver asked for.
DecodeRun RunDecodeMode(const std::string& program, const samples::TempDir& dir, const std::string& request) {
    samples::WriteFile(dir.File("request"), request);
    testproc::Options options;
    options.working_directory = dir.Path();
    options.arguments = {"-c", "exec env -u DISPLAY \"$0\" --decode-music < request > pcm 2> errors", program};
    options.environment = {{"SDL_AUDIODRIVER", "pulse"}};
    testproc::ChildProcess shell("/bin/sh", options);
    DecodeRun run;
    run.exit = shell.Wait(60);
    run.pcm = dir.Read("pcm");
    run.errors = dir.Read("errors");
    return run;
}

/* === The decode mode ====================================================== */

TEST(DecodeMode, WritesTheMusicsPCMAloneAndTouchesNothingOfTheProgramAlsoInAnExportedDemo) {
    samples::TempDir dir;
    const std::string content = "{ \"bpm\": 1";  // would print reader messages if read
    samples::WriteFile(dir.File("content.dat.json"), content);
    std::string wav = samples::MakeRampWav(12345);
    std::string request = DecodeRequestHeader(MusicFormat::WAV, wav.size(), 0) + wav;

    DecodeRun run = RunDecodeMode(VELMARA_EXE, dir, request);
    EXPECT_TRUE(run.exit.exited && run.exit.status == 0) << run.errors;
    EXPECT_TRUE(run.pcm == RampPCM(0, 12345)) << run.pcm.size() << " bytes";  // no silence before or after
    EXPECT_EQ(run.errors, "");
    EXPECT_FALSE(dir.Exists("imgui.ini"));
    EXPECT_EQ(dir.Read("content.dat.json"), content);

    // The same executable with a package behind it checks for the mode first.
    Demo demo;
    ASSERT_TRUE(WriteStandaloneExecutable(demo, VELMARA_EXE, dir.File("demo.exe")));
    run = RunDecodeMode(dir.File("demo.exe"), dir, request);
    EXPECT_TRUE(run.exit.exited && run.exit.status == 0) << run.errors;
    EXPECT_TRUE(run.pcm == RampPCM(0, 12345)) << run.pcm.size() << " bytes";
}

TEST(DecodeMode, MusicThatDoesNotDecodeEndsWithTheMixersWordsAsTheLastLineAndNoPCM) {
    samples::TempDir dir;
    const std::string flac = "fLaC" + std::string(60, '\x11');
    DecodeRun run = RunDecodeMode(VELMARA_EXE, dir, DecodeRequestHeader(MusicFormat::FLAC, flac.size(), 0) + flac);
    EXPECT_TRUE(run.exit.exited && run.exit.status != 0);
    EXPECT_EQ(run.pcm, "");
    EXPECT_EQ(run.errors.rfind("the file does not decode as FLAC (", 0), 0u) << run.errors;
    EXPECT_EQ(run.errors.back(), '\n');

    run = RunDecodeMode(VELMARA_EXE, dir, "not a request");
    EXPECT_TRUE(run.exit.exited && run.exit.status != 0);
    EXPECT_EQ(run.errors, "the decoder was sent no music\n");
}

/* === The program's watch ================================================== */

class MusicDecodeWatch : public testing::Test {
protected:
    void TearDown() override {
        unsetenv("VELMARA_TEST_DECODER");
        SetMusicDecodeLimits(MusicDecodeLimits());
    }
};

TEST_F(MusicDecodeWatch, DecodesTheMusicsFramesExactly) {
    std::string wav = samples::MakeRampWav(48000 + 17);
    MusicPCM pcm;
    std::string reason;
    ASSERT_TRUE(DecodeMusic(wav.data(), wav.size(), &pcm, &reason)) << reason;
    EXPECT_EQ(pcm.frames, 48017u);
    EXPECT_TRUE(BytesOf(pcm) == RampPCM(0, 48017));
}

TEST_F(MusicDecodeWatch, ADecoderThatCrashesHangsFloodsOrGrowsIsKilledAndTheMusicRefused) {
    MusicDecodeLimits small;
    small.milliseconds = 1500;
    small.resident_bytes = uint64_t{96} << 20;
    small.pcm_bytes = 48000 * 4 * 10;  // ten seconds
    const struct {
        const char* how;
        std::string reason;
    } cases[] = {
        {"crash", "the decoder crashed (signal 11)"},
        // Its input closed early: a write fails with EPIPE, which must not end the program.
        {"quit", "the decoder did not take the whole file"},
        {"hang", "the decoder ran for more than 1.5 s"},
        {"flood", "the music is longer than 10 seconds"},
        {"flood-errors", "the decoder ran for more than 1.5 s"},
        {"grow", "the decoder used more than 96 MiB"},
    };
    const std::string wav = samples::MakeRampWav(48000);  // more than a pipe holds
    SetMusicDecodeLimits(small);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        setenv("VELMARA_TEST_DECODER", c.how, 1);
        MusicPCM pcm;
        std::string reason;
        EXPECT_FALSE(DecodeMusic(wav.data(), wav.size(), &pcm, &reason));
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(pcm.frames, 0u);
    }
    // The limits as the program sets them, and a decoder that behaves: the
    // program has gone on.
    unsetenv("VELMARA_TEST_DECODER");
    SetMusicDecodeLimits(MusicDecodeLimits());
    MusicPCM pcm;
    std::string reason;
    ASSERT_TRUE(DecodeMusic(wav.data(), wav.size(), &pcm, &reason)) << reason;
    EXPECT_EQ(pcm.frames, 48000u);
}

}  // namespace
