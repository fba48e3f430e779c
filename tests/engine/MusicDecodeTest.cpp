// Music decoded in a child process. The decode mode of the real program:
// only the music's PCM on its standard output, nothing of the program
// touched, in an exported demo too. And the program's watch over its child:
// a decoder that crashes, hangs, floods its output or grows is killed and
// its music refused, and the program goes on (a test binary's decoder
// misbehaves on request, see TestMain.cpp; this one's can also reserve more
// address space than it may, see below). The decoder's process: what it is
// given (the three pipes, none of the program's SDL_* variables), what it
// may hold (the file it was sent, beyond its memory limit), and a decoder
// that cannot be started.
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ChildProcess.h"
#include "DecodeMode.h"
#include "Demo.h"
#include "DocumentSamples.h"
#include "Documents.h"
#include "Music.h"
#include "MusicDecode.h"
#include "MusicMade.h"
#include "MusicPlayer.h"
#include "Process.h"

// engine_tests is linked with --wrap=Mix_PlayMusic, so the decoder's call
// comes here first, once its limits are set: with VELMARA_TEST_DECODER set
// to "reserve" it first asks for 1 GiB of address space, which it never
// touches, so that only the address-space limit can refuse it.
extern "C" int __real_Mix_PlayMusic(Mix_Music* music, int loops);
extern "C" int __wrap_Mix_PlayMusic(Mix_Music* music, int loops) {
    const char* how = std::getenv("VELMARA_TEST_DECODER");
    if (how != nullptr && std::strcmp(how, "reserve") == 0) {
        void* block = std::malloc(size_t{1} << 30);
        if (block == nullptr) {
            std::fputs("the decoder could not reserve 1 GiB\n", stderr);
            _exit(1);
        }
        std::free(block);
    }
    return __real_Mix_PlayMusic(music, loops);
}

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

// The ramp music as a 16-bit stereo AIFF at 48 kHz whose COMM chunk claims
// claimed frames.
std::string MakeRampAiff(int frames, uint32_t claimed) {
    std::string sound;
    for (int i = 0; i < frames; ++i) {
        for (int channel = 0; channel < 2; ++channel) {
            uint16_t sample = static_cast<uint16_t>(samples::RampSample(i, channel));
            sound += static_cast<char>(sample >> 8);
            sound += static_cast<char>(sample & 0xFF);
        }
    }
    auto be = [](uint32_t value, int count) {
        std::string bytes;
        for (int i = count - 1; i >= 0; --i) bytes += static_cast<char>(value >> (8 * i));
        return bytes;
    };
    const std::string rate = samples::Bytes({0x40, 0x0E, 0xBB, 0x80, 0, 0, 0, 0, 0, 0});  // 48000 as 80 bits
    std::string body = "AIFF";
    body += "COMM" + be(18, 4) + be(2, 2) + be(claimed, 4) + be(16, 2) + rate;
    body += "SSND" + be(static_cast<uint32_t>(8 + sound.size()), 4) + be(0, 4) + be(0, 4) + sound;
    return "FORM" + be(static_cast<uint32_t>(body.size()), 4) + body;
}

std::string BytesOf(const MusicPCM& pcm) {
    return std::string(reinterpret_cast<const char*>(pcm.samples.get()), static_cast<size_t>(pcm.frames * 4));
}

// DecodeMusic with a time bound of its own: a decode still running after
// seconds fails the test, and its child is killed so that it ends.
bool DecodeWithin(double seconds, const std::string& bytes, MusicPCM* pcm, std::string* reason) {
    std::promise<bool> done;
    std::future<bool> decoded = done.get_future();
    std::thread decode([&] { done.set_value(DecodeMusic(bytes.data(), bytes.size(), pcm, reason)); });
    if (decoded.wait_for(std::chrono::duration<double>(seconds)) != std::future_status::ready) {
        ADD_FAILURE() << "the decode ran for more than " << seconds << " s";
        while (decoded.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) testproc::KillChildren();
    }
    decode.join();
    return decoded.get();
}

constexpr double kDecodeSeconds = 10;  // far beyond any decode here, sanitizer builds included

struct DecodeRun {
    testproc::Exit exit;
    std::string pcm;     // its standard output
    std::string errors;  // its standard error
};

// program started in the decode mode in dir, fed request on its standard
// input, without a display and with a real audio driver asked for, and
// whatever more environment is given.
DecodeRun RunDecodeMode(const std::string& program, const samples::TempDir& dir, const std::string& request,
                        const std::vector<std::pair<std::string, std::string>>& environment = {}) {
    samples::WriteFile(dir.File("request"), request);
    testproc::Options options;
    options.working_directory = dir.Path();
    options.arguments = {"-c", "exec env -u DISPLAY \"$0\" --decode-music < request > pcm 2> errors", program};
    options.environment = {{"SDL_AUDIODRIVER", "pulse"}};
    options.environment.insert(options.environment.end(), environment.begin(), environment.end());
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

TEST(DecodeMode, AChainedOggWhoseLinksDifferInRateDecodesAlikeWhateverResamplingTheEnvironmentAsksFor) {
    // The mixer converts the second link, at 22.05 kHz, to the first one's
    // 44.1 kHz: in its default way, whatever the user set, and from silence.
    samples::TempDir dir;
    const std::string first = musicmade::EncodeVorbis(dir, musicmade::ClickWav(44100, 2.0, {0.5, 1.5}));
    const std::string second = musicmade::EncodeVorbis(dir, musicmade::ClickWav(22050, 2.0, {0.5, 1.5}));
    ASSERT_FALSE(first.empty() || second.empty()) << "the encoder failed";
    const std::string ogg = first + second;
    const std::string request = DecodeRequestHeader(MusicFormat::OggVorbis, ogg.size(), 0) + ogg;
    DecodeRun plain = RunDecodeMode(VELMARA_EXE, dir, request);
    ASSERT_TRUE(plain.exit.exited && plain.exit.status == 0) << plain.errors;
    ASSERT_EQ(plain.pcm.size(), 4u * 192000);
    // Around the link, a quarter of a second each way, only what the codec leaves of silence.
    const int16_t* samples = reinterpret_cast<const int16_t*>(plain.pcm.data());
    int loudest = 0;
    for (int frame = 96000 - 12000; frame < 96000 + 12000; ++frame) loudest = std::max(loudest, std::abs(samples[2 * frame]));
    EXPECT_LT(loudest, 100);
    for (const char* mode : {"best", "medium", "fast"}) {
        DecodeRun run = RunDecodeMode(VELMARA_EXE, dir, request, {{"SDL_AUDIO_RESAMPLING_MODE", mode}});
        EXPECT_TRUE(run.exit.exited && run.exit.status == 0) << run.errors;
        EXPECT_TRUE(run.pcm == plain.pcm) << mode;
    }
}

/* === The program's watch ================================================== */

class MusicDecodeWatch : public testing::Test {
protected:
    void TearDown() override {
        unsetenv("VELMARA_TEST_DECODER");
        SetMusicDecodeLimits(MusicDecodeLimits());
    }
};

TEST_F(MusicDecodeWatch, ClicksLandOnTheirFrameAtEveryRateAndInEveryFormatAndTheLengthIsExact) {
    // Clicks near the start and 51 s in; the decoded PCM is 48 kHz.
    const std::vector<double> clicks = {0.25, 51.0};
    const double seconds = 52.0;
    samples::TempDir dir;
    const std::string at44100 = musicmade::ClickWav(44100, seconds, clicks);
    struct Case {
        const char* what;
        int rate;
        std::string bytes;
    } cases[] = {
        {"WAV at 44.1 kHz", 44100, at44100},
        {"WAV at 22.05 kHz", 22050, musicmade::ClickWav(22050, seconds, clicks)},
        {"WAV at 88.2 kHz", 88200, musicmade::ClickWav(88200, seconds, clicks)},
        {"WAV at 8 kHz", 8000, musicmade::ClickWav(8000, seconds, clicks)},
        {"WAV at 1 kHz", 1000, musicmade::ClickWav(1000, seconds, clicks)},
        {"FLAC at 44.1 kHz", 44100, musicmade::EncodeFLAC(dir, at44100)},
        {"MP3 at 44.1 kHz with an Info tag", 44100, musicmade::EncodeMP3(dir, at44100)},
        {"Ogg Vorbis at 44.1 kHz", 44100, musicmade::EncodeVorbis(dir, at44100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.bytes.empty()) << "the encoder failed";
        MusicPCM pcm;
        std::string reason;
        ASSERT_TRUE(DecodeMusic(c.bytes.data(), c.bytes.size(), &pcm, &reason)) << reason;
        EXPECT_EQ(pcm.frames, static_cast<uint64_t>(std::llround(seconds * 48000)));
        int64_t from = 0;
        for (double time : clicks) {
            int64_t expected = musicmade::ClickFrame(time, c.rate);
            int64_t found = musicmade::FirstClickFrame(pcm.samples.get(), pcm.frames, from);
            EXPECT_LE(std::abs(found - expected), 1) << "the click at " << time << " s begins at frame " << found
                                                     << ", not " << expected;
            from = expected + 48000 / 10;  // past this click
        }
    }
}

TEST_F(MusicDecodeWatch, TheMusicEndsWithItsLastFrameWhateverItsHeaderSaysOfItsLength) {
    samples::TempDir dir;
    std::string unknown_length = samples::MakeRampWav(240000);
    unknown_length.replace(40, 4, "\xFF\xFF\xFF\xFF");  // the data chunk's size
    std::string flac = musicmade::EncodeFLAC(dir, samples::MakeRampWav(240000));
    ASSERT_GT(flac.size(), 26u) << "the encoder failed";
    // STREAMINFO's 36-bit total samples: 0 is "unknown".
    flac[21] = static_cast<char>(flac[21] & 0xF0);
    flac.replace(22, 4, std::string(4, '\0'));
    struct Case {
        const char* what;
        std::string bytes;
        int frames;           // 48 kHz frames
        int rate;             // the file's, for the ramp 48000: the PCM is the ramp exactly
        double last_click;    // otherwise the time of the click that ends it
    } cases[] = {
        {"WAV of 48,017 frames", samples::MakeRampWav(48000 + 17), 48017, 48000, 0},
        {"WAV of one decoder buffer exactly", samples::MakeRampWav(kDecodeBufferFrames), kDecodeBufferFrames, 48000, 0},
        {"WAV of six decoder buffers exactly", samples::MakeRampWav(6 * kDecodeBufferFrames), 6 * kDecodeBufferFrames,
         48000, 0},
        {"WAV whose data size reads 0xFFFFFFFF", unknown_length, 240000, 48000, 0},
        {"AIFF that claims more frames than it holds", MakeRampAiff(240000, 250000), 240000, 48000, 0},
        {"FLAC whose total samples are unknown", flac, 240000, 48000, 0},
        {"5 s WAV at 44.1 kHz", musicmade::ClickWav(44100, 5.0, {4.95}), 240000, 44100, 4.95},
        {"5 s WAV at 1 kHz", musicmade::ClickWav(1000, 5.0, {4.95}), 240000, 1000, 4.95},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MusicPCM pcm;
        std::string reason;
        ASSERT_TRUE(DecodeMusic(c.bytes.data(), c.bytes.size(), &pcm, &reason)) << reason;
        EXPECT_EQ(pcm.frames, static_cast<uint64_t>(c.frames));
        if (c.rate == 48000) {
            EXPECT_TRUE(BytesOf(pcm) == RampPCM(0, c.frames));
        } else {
            int64_t expected = musicmade::ClickFrame(c.last_click, c.rate);
            int64_t found = musicmade::FirstClickFrame(pcm.samples.get(), pcm.frames, 0);
            EXPECT_LE(std::abs(found - expected), 1) << "the last click begins at frame " << found;
        }
    }
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
        // Its last line, every byte outside printable ASCII written as an escape.
        {"garble", "bad\\x09\\x01\\x1B[31m \\xFF\\xFE end"},
        // The three pipes and nothing else, the descriptor opened below included.
        {"descriptors", "descriptors 0 1 2"},
        // Untouched, so only the address-space limit (twice the resident one) refuses it; sanitizer
        // builds set no such limit.
        {"reserve", "the decoder could not reserve 1 GiB"},
    };
    const std::string wav = samples::MakeRampWav(48000);  // more than a pipe holds
    SetMusicDecodeLimits(small);
    // A descriptor of the program's without close-on-exec, as fopen() makes them.
    int inheritable = dup(2);
    ASSERT_GE(inheritable, 0);
    const std::vector<std::string> children = testproc::Children();
    const std::vector<std::string> descriptors = testproc::OpenDescriptors();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        if (std::string(c.how) == "reserve" && !CanLimitAddressSpaceGrowth()) continue;
        setenv("VELMARA_TEST_DECODER", c.how, 1);
        MusicPCM pcm;
        std::string reason;
        EXPECT_FALSE(DecodeWithin(kDecodeSeconds, wav, &pcm, &reason));
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(pcm.frames, 0u);
    }
    // Every killed child was waited for, and its pipes closed.
    EXPECT_EQ(testproc::Children(), children);
    EXPECT_EQ(testproc::OpenDescriptors(), descriptors);
    close(inheritable);
    // The limits as the program sets them, and a decoder that behaves: the
    // program has gone on.
    unsetenv("VELMARA_TEST_DECODER");
    SetMusicDecodeLimits(MusicDecodeLimits());
    MusicPCM pcm;
    std::string reason;
    ASSERT_TRUE(DecodeMusic(wav.data(), wav.size(), &pcm, &reason)) << reason;
    EXPECT_EQ(pcm.frames, 48000u);
}

/* === The decoder's process: its memory, its environment, its start ======== */

TEST_F(MusicDecodeWatch, TheMemoryLimitCountsWhatTheDecoderUsesBeyondTheFileItWasSent) {
    MusicDecodeLimits limits;
    limits.resident_bytes = uint64_t{64} << 20;
    SetMusicDecodeLimits(limits);
    // A WAV larger on its own than the limit (96 MiB, 8.7 minutes), which
    // the decoder holds whole while it decodes.
    const int64_t frames = (int64_t{96} << 20) / 4 + 1000;
    const std::string wav = samples::MakeWavOf(static_cast<int>(frames), 48000, samples::RampSample);
    MusicPCM pcm;
    std::string reason;
    ASSERT_TRUE(DecodeWithin(kDecodeSeconds, wav, &pcm, &reason)) << reason;
    ASSERT_EQ(pcm.frames, static_cast<uint64_t>(frames));
    for (int64_t frame : {int64_t{0}, frames / 3, frames - 1}) {
        EXPECT_EQ(pcm.samples[frame * 2], samples::RampSample(frame, 0)) << frame;
        EXPECT_EQ(pcm.samples[frame * 2 + 1], samples::RampSample(frame, 1)) << frame;
    }
    pcm = MusicPCM();
    // A decoder that grows beyond the file it was sent is stopped all the same.
    setenv("VELMARA_TEST_DECODER", "grow", 1);
    EXPECT_FALSE(DecodeWithin(kDecodeSeconds, wav, &pcm, &reason));
    EXPECT_EQ(reason, "the decoder used more than 64 MiB");
}

TEST_F(MusicDecodeWatch, TheProgramsSDLVariablesDoNotChangeWhatTheDecoderMakes) {
    // Each variable as a user might set it for the program, and the music
    // it would change in the decoder: the resampling mode every file not at
    // 48 kHz, a disabled decoder every file of its format.
    const struct {
        const char* name;
        const char* value;
        std::vector<const char*> music;
    } cases[] = {
        {"SDL_AUDIO_RESAMPLING_MODE", "best", {"music-tone.mp3", "music-tone.ogg", "music-tone.wav"}},
        {"SDL_MIXER_DISABLE_MPG123", "1", {"music-tone.mp3"}},
        {"SDL_MIXER_DISABLE_FLAC", "1", {"music-tone.flac"}},
        {"SDL_MIXER_DISABLE_OGG", "1", {"music-tone.ogg"}},
        {"SDL_MIXER_DISABLE_OPUS", "1", {"music-tone.opus"}},
        {"SDL_MIXER_DISABLE_WAVE", "1", {"music-tone.wav", "music-tone.aiff"}},
    };
    std::map<std::string, std::string> unset;  // each file's PCM without any of them
    for (const auto& c : cases) {
        for (const char* sample : c.music) {
            if (unset.count(sample)) continue;
            const std::string bytes = samples::MediaSample(sample);
            MusicPCM pcm;
            std::string reason;
            ASSERT_TRUE(DecodeWithin(kDecodeSeconds, bytes, &pcm, &reason)) << sample << ": " << reason;
            unset[sample] = BytesOf(pcm);
        }
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setenv(c.name, c.value, 1);
        for (const char* sample : c.music) {
            SCOPED_TRACE(sample);
            const std::string bytes = samples::MediaSample(sample);
            MusicPCM pcm;
            std::string reason;
            EXPECT_TRUE(DecodeWithin(kDecodeSeconds, bytes, &pcm, &reason)) << reason;
            EXPECT_TRUE(BytesOf(pcm) == unset[sample]) << pcm.frames << " frames against " << unset[sample].size() / 4;
        }
        unsetenv(c.name);
    }
}

TEST_F(MusicDecodeWatch, ADecoderThatCannotBeStartedSaysWhatAndNoOtherChildIsWaitedFor) {
    const std::string wav = samples::MakeRampWav(4800);
    // Another child of the program, which ends by itself with a status of its own.
    testproc::Options options;
    options.arguments = {"-c", "sleep 1; exit 7"};
    testproc::ChildProcess other("/bin/sh", options);
    ASSERT_TRUE(other.Started());

    // No descriptor left for the pipes: only those below the lowest free one.
    rlimit descriptors;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &descriptors), 0);
    const int lowest_free = dup(2);
    ASSERT_GE(lowest_free, 0);
    close(lowest_free);
    rlimit none_left = descriptors;
    none_left.rlim_cur = static_cast<rlim_t>(lowest_free);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none_left), 0);
    const auto begun = std::chrono::steady_clock::now();
    MusicPCM pcm;
    std::string reason;
    bool decoded = DecodeMusic(wav.data(), wav.size(), &pcm, &reason);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    setrlimit(RLIMIT_NOFILE, &descriptors);
    EXPECT_FALSE(decoded);
    EXPECT_EQ(reason, "the decoder could not be started: cannot make the pipes to it: Too many open files");
    EXPECT_LT(seconds, 0.5) << "the failed start waited for a child";
    testproc::Exit exit = other.Wait(5);
    EXPECT_TRUE(exit.exited && exit.status == 7) << "its status was taken: " << exit.status;

    // An environment too large to start a program with: what could not be run.
    setenv("VELMARA_TEST_TOO_LARGE", std::string(256 * 1024, 'x').c_str(), 1);
    decoded = DecodeMusic(wav.data(), wav.size(), &pcm, &reason);
    unsetenv("VELMARA_TEST_TOO_LARGE");
    EXPECT_FALSE(decoded);
    EXPECT_EQ(reason, "the decoder could not be started: cannot run /proc/self/exe: Argument list too long");
}

TEST_F(MusicDecodeWatch, ADecodeStartedAheadForOtherBytesIsCalledOffAndItsChildIsGone) {
    const std::vector<std::string> children = testproc::Children();
    const std::string wav = samples::MakeRampWav(4800);
    setenv("VELMARA_TEST_DECODER", "hang", 1);
    DecodeMusicAhead(wav.data(), wav.size() - 4);
    unsetenv("VELMARA_TEST_DECODER");
    EXPECT_EQ(testproc::Children().size(), children.size() + 1);  // its decoder runs
    Demo demo;
    delete demo.music;
    demo.music = new ByteBuffer(wav.data(), wav.size());
    demo.PlayMusic();
    EXPECT_EQ(MusicLength(), 4800u);
    EXPECT_EQ(testproc::Children(), children);
    StopMusic();
    DropMusicAhead();
}

}  // namespace
