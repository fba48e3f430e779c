// Music played from a document's bytes (dummy audio driver): decoded in a
// child process, played by the program's own player. WAV made here and a
// real MP3, the post-mix callback, the import (well-formed files of every
// kept format), and replacing a playing document.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DecodeMode.h"
#include "DocumentSamples.h"
#include "Documents.h"
#include "GLFixture.h"
#include "Music.h"
#include "MusicDecode.h"
#include "MusicMade.h"
#include "MusicPlayer.h"
#include "Playback.h"
#include "Process.h"

namespace {

// Samples a second post-mix effect sees; registered after the program's own,
// it runs after it on every block.
std::atomic<int> g_probe_blocks{0};
std::atomic<int> g_probe_first_sample{0};

void Probe(int, void* stream, int length, void*) {
    if (length >= 2) g_probe_first_sample = static_cast<int16_t*>(stream)[0];
    ++g_probe_blocks;
}

// The first block with sound in it that the mixer plays after Arm, as a
// post-mix effect after the program's own sees it.
class FirstSound {
public:
    void Arm() {
        frames_ = 0;
        state_ = kArmed;
    }
    bool Taken() const { return state_ == kTaken; }
    int Frames() const { return frames_; }
    std::vector<int16_t> Samples() const { return std::vector<int16_t>(samples_, samples_ + 2 * frames_); }

    static void Effect(int, void* stream, int length, void*);

private:
    enum { kIdle, kArmed, kTaken };
    std::atomic<int> state_{kIdle};
    int16_t samples_[2 * 8192] = {};
    int frames_ = 0;
};

FirstSound g_first_sound;

void FirstSound::Effect(int, void* stream, int length, void*) {
    FirstSound& sound = g_first_sound;
    if (sound.state_ != kArmed) return;
    const auto* samples = static_cast<const int16_t*>(stream);
    int frames = std::min(length / 4, 8192);
    bool silent = std::all_of(samples, samples + 2 * frames, [](int16_t s) { return s == 0; });
    if (silent) return;
    std::copy(samples, samples + 2 * frames, sound.samples_);
    sound.frames_ = frames;
    sound.state_ = kTaken;
}

class MusicPlaybackTest : public GLTest {
protected:
    static void SetUpTestSuite() {
        SDL_InitSubSystem(SDL_INIT_AUDIO);
        int frequency = 0;
        Uint16 format = 0;
        int channels = 0;
        // Opened once for the whole binary, as start-up does: closing the
        // device would drop the post-mix effect the program registers once.
        if (Mix_QuerySpec(&frequency, &format, &channels) == 0) {
            audio_open_ = OpenAudioDevice();
        } else {
            audio_open_ = true;
        }
        if (!g_fft) g_fft = kiss_fftr_alloc(1024, 0, nullptr, nullptr);
    }

    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(audio_open_) << Mix_GetError();
        __atomic_store_n(&g_volume, 128, __ATOMIC_RELAXED);
    }

    void TearDown() override {
        Demo silent;
        silent.PlayMusic();  // stops whatever a test left playing
        __atomic_store_n(&g_volume, 128, __ATOMIC_RELAXED);
    }

    static std::unique_ptr<Demo> DemoWithMusic(const std::string& bytes) {
        std::unique_ptr<Demo> demo(new Demo());
        delete demo->music;
        demo->music = new ByteBuffer(bytes.data(), bytes.size());
        return demo;
    }

    // Waits up to a second of real time for the mixer to have run blocks.
    static bool WaitFor(const std::function<bool()>& condition) {
        for (int i = 0; i < 100; ++i) {
            if (condition()) return true;
            SDL_Delay(10);
        }
        return condition();
    }

    struct SeekCase {
        float beat;      // sought through the beat clock, or
        uint64_t frame;  // a frame, when beat is negative
        int64_t first;   // the frame that then plays first
    };

    // Plays bytes paused, at 60 bpm without offset, as the current
    // document; makes each seek while paused and checks the first block
    // with sound once the pause ends: it starts at the case's frame, as
    // sample(frame, channel) tells the music's samples.
    template <size_t n>
    void ExpectSeeksLand(const std::string& bytes, const SeekCase (&cases)[n], int16_t (*sample)(int64_t, int)) {
        Demo* previous = g_demo;
        std::unique_ptr<Demo> demo = DemoWithMusic(bytes);
        demo->bpm = 60.0f;
        demo->beat_offset = 0.0f;
        demo->paused = true;
        g_demo = demo.get();
        demo->PlayMusic();
        EXPECT_TRUE(MusicPaused());
        ASSERT_NE(Mix_RegisterEffect(MIX_CHANNEL_POST, FirstSound::Effect, nullptr, nullptr), 0);
        for (const SeekCase& c : cases) {
            SCOPED_TRACE(c.first);
            if (c.beat >= 0.0f) {
                SeekToBeat(c.beat);
            } else {
                SeekMusic(c.frame);
            }
            g_first_sound.Arm();
            PauseMusic(false);
            EXPECT_TRUE(WaitFor([] { return g_first_sound.Taken(); }));
            PauseMusic(true);
            std::vector<int16_t> expected;
            for (int64_t i = c.first; i < c.first + g_first_sound.Frames(); ++i) {
                expected.push_back(sample(i, 0));
                expected.push_back(sample(i, 1));
            }
            EXPECT_TRUE(g_first_sound.Samples() == expected);
        }
        Mix_UnregisterEffect(MIX_CHANNEL_POST, FirstSound::Effect);
        g_demo = previous;
        playing_ = std::move(demo);  // its music stays, paused, for the caller to look at
    }

    std::unique_ptr<Demo> playing_;
    static bool audio_open_;
};

bool MusicPlaybackTest::audio_open_ = false;

TEST_F(MusicPlaybackTest, TheMixerRunsTheAnalysisFormatOnADeviceOfAnotherFormat) {
    // This binary's audio device pretends to run 44100 Hz with six channels
    // (DeviceFormat.cpp); the mixer must still hand the analysis 48 kHz stereo.
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    ASSERT_NE(Mix_QuerySpec(&frequency, &format, &channels), 0);
    EXPECT_EQ(frequency, 48000);
    EXPECT_EQ(format, AUDIO_S16LSB);
    EXPECT_EQ(channels, 2);
}

TEST_F(MusicPlaybackTest, AWavMadeInMemoryPlaysFromTheDocumentsBytes) {
    std::unique_ptr<Demo> demo = DemoWithMusic(samples::MakeWav(4800, 12000));
    demo->PlayMusic();
    EXPECT_TRUE(MusicPlaying());
    EXPECT_EQ(MusicLength(), 4800u);  // the music's own frames, no more, no fewer
    // The analysis sees the music: the waveform row shows the constant.
    EXPECT_TRUE(WaitFor([] { return GetSoundLevel() == 12000; })) << GetSoundLevel();
    EXPECT_EQ(SoundPixels()[kSoundTextureWidth * 4 + 40], 12000 / 256 + 128);
}

TEST_F(MusicPlaybackTest, ARealMp3DecodesFromMemory) {
    std::string mp3 = samples::ReadFile(VELMARA_SOURCE_DIR "/tests/engine/data/tone.mp3");
    ASSERT_GT(mp3.size(), 100u);
    ASSERT_TRUE(WaitFor([] { return GetSoundLevel() == 0; }));  // silence first
    std::unique_ptr<Demo> demo = DemoWithMusic(mp3);
    demo->PlayMusic();
    EXPECT_TRUE(MusicPlaying());
    EXPECT_TRUE(WaitFor([] { return GetSoundLevel() > 100; })) << GetSoundLevel();
}

TEST_F(MusicPlaybackTest, TheCallbackRunsOncePerBlockHoweverOftenMusicStarts) {
    std::unique_ptr<Demo> first = DemoWithMusic(samples::MakeWav(4800, 10000));
    first->PlayMusic();  // registers the program's effect, if nothing did before
    ASSERT_NE(Mix_RegisterEffect(MIX_CHANNEL_POST, Probe, nullptr, nullptr), 0);
    std::unique_ptr<Demo> second = DemoWithMusic(samples::MakeWav(4800, 10000));
    second->PlayMusic();
    first->PlayMusic();
    __atomic_store_n(&g_volume, 64, __ATOMIC_RELAXED);
    int blocks = g_probe_blocks;
    EXPECT_TRUE(WaitFor([&] { return g_probe_blocks > blocks + 3; }));
    Mix_UnregisterEffect(MIX_CHANNEL_POST, Probe);
    // Scaled once: a second registration would have played 2500.
    EXPECT_EQ(g_probe_first_sample, 5000);
    EXPECT_EQ(GetSoundLevel(), 5000);
}

TEST_F(MusicPlaybackTest, ADocumentWithoutMusicOrWithUndecodableMusicPlaysNothing) {
    std::unique_ptr<Demo> playing = DemoWithMusic(samples::MakeWav(4800, 3000));
    playing->PlayMusic();
    ASSERT_EQ(MusicPlaying(), true);
    Demo empty;
    empty.PlayMusic();
    EXPECT_EQ(MusicPlaying(), false);

    playing->PlayMusic();
    const std::string text = "this is no music at all, not even close";
    std::unique_ptr<Demo> garbage = DemoWithMusic(text);
    garbage->PlayMusic();
    EXPECT_EQ(MusicPlaying(), false);
    EXPECT_TRUE(WaitFor([] { return GetSoundLevel() == 0; }));
    // The bytes stay, so the document saves what it loaded.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(garbage->music->data), garbage->music->length), text);
}

TEST_F(MusicPlaybackTest, ImportingAFileThatCannotBeReadOrDecodedChangesNothing) {
    samples::TempDir dir;
    std::unique_ptr<Demo> demo = DemoWithMusic(samples::MakeRampWav(48000));
    demo->paused = true;
    demo->PlayMusic();
    SeekMusic(1234);
    ByteBuffer* music = demo->music;
    g_start_ticks = 12345;
    std::string error;
    EXPECT_FALSE(demo->ImportMusic(dir.File("music.mp3").c_str(), &error));
    EXPECT_EQ(error, "No such file or directory");
    // A decoder that crashes on the new file: the old music stays where it
    // was, in its pause state, and the reason is given.
    samples::WriteFile(dir.File("music.mp3"), samples::MakeWav(4800, 3000));
    setenv("VELMARA_TEST_DECODER", "crash", 1);
    EXPECT_FALSE(demo->ImportMusic(dir.File("music.mp3").c_str(), &error));
    unsetenv("VELMARA_TEST_DECODER");
    EXPECT_EQ(error, "the decoder crashed (signal 11)");
    EXPECT_EQ(demo->music, music);
    EXPECT_EQ(g_start_ticks, 12345u);
    EXPECT_TRUE(MusicPlaying());
    EXPECT_TRUE(MusicPaused());
    EXPECT_EQ(MusicPosition(), 1234u);
    EXPECT_EQ(MusicLength(), 48000u);
}

// Whether a is b from one of its buffer starts on, with nothing but silence
// before and after: what the mixer's device played around the music.
::testing::AssertionResult SilenceAround(const std::string& played, const std::string& music, size_t buffer) {
    for (size_t at = 0; at + music.size() <= played.size(); at += buffer) {
        if (played.compare(at, music.size(), music) != 0) continue;
        bool silent = played.find_first_not_of('\0') >= at &&
                      played.find_first_not_of('\0', at + music.size()) == std::string::npos;
        if (silent) return ::testing::AssertionSuccess() << "at byte " << at;
        return ::testing::AssertionFailure() << "sound around the music at byte " << at;
    }
    return ::testing::AssertionFailure() << "the music is not in what the device played (" << played.size()
                                         << " bytes played, " << music.size() << " decoded)";
}

/* === References that do not come from the mixer =========================== */

// A file's sound at its own rate: samples[channel][frame], full scale 1.0.
struct Sound {
    int rate = 0;
    std::vector<std::vector<double>> samples;
};

uint32_t LE(const std::string& bytes, size_t offset, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}
uint32_t BE(const std::string& bytes, size_t offset, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}

// A 16-bit PCM WAV (as the test makes them and the tools' decoders write
// them); no rate when it is none.
Sound SoundOfWav(const std::string& wav) {
    Sound sound;
    int channels = 0;
    for (size_t chunk = 12; chunk + 8 <= wav.size(); chunk += 8 + LE(wav, chunk + 4, 4)) {
        size_t body = chunk + 8;
        if (wav.compare(chunk, 4, "fmt ") == 0 && LE(wav, body + 14, 2) == 16) {
            channels = static_cast<int>(LE(wav, body + 2, 2));
            sound.rate = static_cast<int>(LE(wav, body + 4, 4));
        } else if (wav.compare(chunk, 4, "data") == 0 && channels > 0) {
            size_t frames = std::min<size_t>(LE(wav, chunk + 4, 4), wav.size() - body) / (2 * channels);
            sound.samples.assign(channels, std::vector<double>(frames));
            for (size_t i = 0; i < frames; ++i) {
                for (int c = 0; c < channels; ++c) {
                    sound.samples[c][i] = static_cast<int16_t>(LE(wav, body + 2 * (i * channels + c), 2)) / 32768.0;
                }
            }
            return sound;
        }
    }
    return Sound();
}

// An 8-bit AIFF: channels and rate from COMM, the samples from SSND.
Sound SoundOfAiff8(const std::string& aiff) {
    Sound sound;
    size_t comm = aiff.find("COMM") + 8;
    size_t ssnd = aiff.find("SSND") + 8;
    int channels = static_cast<int>(BE(aiff, comm, 2));
    size_t frames = BE(aiff, comm + 2, 4);
    int exponent = static_cast<int>(BE(aiff, comm + 8, 2)) - 16383;  // the 80-bit rate, a whole number here
    sound.rate = static_cast<int>(BE(aiff, comm + 10, 4) >> (31 - exponent));
    size_t data = ssnd + 8 + BE(aiff, ssnd, 4);
    sound.samples.assign(channels, std::vector<double>(frames));
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) sound.samples[c][i] = static_cast<int8_t>(aiff[data + i * channels + c]) / 128.0;
    }
    return sound;
}

// One channel at rate Hz brought to 48 kHz: round(frames × 48000 ÷ rate)
// frames, each the band-limited interpolation of the samples (silence
// around them) at its time: a sinc cut off at 95 % of the lower Nyquist
// frequency, under a Blackman window 40 zero crossings wide on each side.
std::vector<double> At48kHz(const std::vector<double>& samples, int rate) {
    const double step = static_cast<double>(rate) / 48000.0;  // input samples per output frame
    const double cutoff = 0.95 * std::min(1.0, 1.0 / step);    // of the input's Nyquist frequency
    const double half_width = 40.0 / cutoff;                   // input samples
    const int64_t count = static_cast<int64_t>(samples.size());
    std::vector<double> out(static_cast<size_t>(std::llround(count / step)));
    for (size_t m = 0; m < out.size(); ++m) {
        double t = static_cast<double>(m) * step;
        int64_t first = std::max<int64_t>(0, static_cast<int64_t>(std::ceil(t - half_width)));
        int64_t last = std::min<int64_t>(count - 1, static_cast<int64_t>(std::floor(t + half_width)));
        double sum = 0.0;
        for (int64_t n = first; n <= last; ++n) {
            double x = t - static_cast<double>(n);
            double sinc = x == 0.0 ? 1.0 : std::sin(M_PI * cutoff * x) / (M_PI * cutoff * x);
            double w = x / half_width;
            double window = 0.42 + 0.5 * std::cos(M_PI * w) + 0.08 * std::cos(2.0 * M_PI * w);
            sum += samples[static_cast<size_t>(n)] * cutoff * sinc * window;
        }
        out[m] = sum;
    }
    return out;
}

// The sound in an MPEG-2.5 Layer III file without tags (as the 8 kHz MP3
// sample is): 576 frames for each MPEG frame, which is what its decoder
// gives when nothing tells it the encoder's delay and padding.
uint64_t Mpeg25Frames(const std::string& mp3) {
    static const int kBitRates[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};  // kbit/s
    static const int kRates[3] = {11025, 12000, 8000};
    uint64_t frames = 0;
    for (size_t at = 0; at + 4 <= mp3.size(); ++frames) {
        int bit_rate = kBitRates[static_cast<uint8_t>(mp3[at + 2]) >> 4] * 1000;
        int rate = kRates[(static_cast<uint8_t>(mp3[at + 2]) >> 2) & 3];
        size_t length = static_cast<size_t>(72 * bit_rate / rate + ((mp3[at + 2] >> 1) & 1));
        if (length == 0) break;  // not a frame this walk knows
        at += length;
    }
    return frames * 576;
}

// Whether decoded 48 kHz PCM is the reference, sample for sample, within
// tolerance of full scale.
::testing::AssertionResult CloseTo(const MusicPCM& pcm, const std::vector<std::vector<double>>& reference,
                                   double tolerance) {
    double worst = 0.0;
    uint64_t where = 0;
    for (uint64_t i = 0; i < pcm.frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            const std::vector<double>& channel = reference[reference.size() == 1 ? 0 : c];
            double expected = std::min(std::max(channel[i], -1.0), 32767.0 / 32768.0);  // 16 bits clip what overshoots
            double difference = std::abs(pcm.samples[2 * i + c] / 32768.0 - expected);
            if (difference > worst) worst = difference, where = i;
        }
    }
    double err=0, sig=0; for (uint64_t i = 0; i < pcm.frames; ++i) for (int c=0;c<2;++c){ const std::vector<double>& channel = reference[reference.size() == 1 ? 0 : c]; double d=pcm.samples[2*i+c]/32768.0-channel[i]; err+=d*d; sig+=channel[i]*channel[i];}
    double e1=0; for (uint64_t i = 1; i < pcm.frames; ++i) { const std::vector<double>& channel = reference[0]; double d=pcm.samples[2*i]/32768.0-channel[i-1]; e1+=d*d;}
    if (worst <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "off by " << worst << " of full scale at frame " << where;
}

TEST_F(MusicPlaybackTest, WellFormedFilesOfEveryKeptFormatImportAndPlayWhatTheMixerMakesOfThem) {
    samples::TempDir dir;
    // At 48 kHz the decoder's PCM is what the mixer plays; at other rates
    // it is the file's sound as the format's own decoder gives it, brought
    // to 48 kHz by band-limited interpolation; for the MP3, which has no
    // tag to say where its encoder's delay ends, its length alone.
    enum Reference { kMixer, kOwnSamples, kFrameCount };
    const std::string wav_5512 = samples::MakeWav(2756, 6000, 5512);
    const std::string wav_384k = samples::MakeWav(38400, 6000, 384000);
    const std::string ogg = samples::MediaSample("music-tone.ogg");
    const std::string flac = samples::MediaSample("music-tone.flac");
    struct Case {
        const char* what;
        std::string bytes;
        Reference reference;
        Sound sound;  // kOwnSamples
    } cases[] = {
        {"WAV", samples::MakeWav(4800, 6000), kMixer, {}},
        {"WAV at 5512 Hz", wav_5512, kOwnSamples, SoundOfWav(wav_5512)},
        {"WAV at 384 kHz", wav_384k, kOwnSamples, SoundOfWav(wav_384k)},
        {"AIFF", samples::MediaSample("music-tone.aiff"), kOwnSamples, SoundOfAiff8(samples::MediaSample("music-tone.aiff"))},
        {"MP3", samples::MediaSample("music-tone.mp3"), kFrameCount, {}},
        {"Ogg Vorbis", ogg, kOwnSamples, SoundOfWav(musicmade::DecodeVorbis(dir, ogg))},
        {"Ogg Opus", samples::MediaSample("music-tone.opus"), kMixer, {}},
        {"FLAC", flac, kOwnSamples, SoundOfWav(musicmade::DecodeFLAC(dir, flac))},
    };
    std::unique_ptr<Demo> demo(new Demo());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Demo silent;
        silent.PlayMusic();
        ASSERT_TRUE(WaitFor([] { return GetSoundLevel() == 0; }));
        samples::WriteFile(dir.File("music.mp3"), c.bytes);
        std::string error;
        ASSERT_TRUE(demo->ImportMusic(dir.File("music.mp3").c_str(), &error)) << error;
        EXPECT_GT(MusicLength(), 0u);
        EXPECT_TRUE(WaitFor([] { return GetSoundLevel() > 100; })) << GetSoundLevel();

        MusicPCM pcm;
        ASSERT_TRUE(DecodeMusic(c.bytes.data(), c.bytes.size(), &pcm, &error)) << error;
        if (c.reference == kFrameCount) {
            EXPECT_EQ(pcm.frames, Mpeg25Frames(c.bytes) * 6);  // 8 kHz
        } else if (c.reference == kOwnSamples) {
            ASSERT_GT(c.sound.rate, 0) << "the file's own decoder failed";
            std::vector<std::vector<double>> reference;
            for (const std::vector<double>& channel : c.sound.samples) reference.push_back(At48kHz(channel, c.sound.rate));
            ASSERT_EQ(pcm.frames, reference[0].size());
            EXPECT_TRUE(CloseTo(pcm, reference, 0.025));
        } else {
            // The same bytes played by the mixer in one process, at the
            // decoder's buffer size: the child's PCM is exactly the music in it.
            testproc::Options options;
            options.arguments = {"mixer", dir.File("music.mp3"), dir.File("played")};
            options.environment = testproc::ProgramEnvironmentWithoutLeakChecks();
            testproc::ChildProcess mixer(VELMARA_MEDIA_PROBE, options);
            testproc::Exit exit = mixer.Wait(30);
            ASSERT_TRUE(exit.exited && exit.status == 0) << mixer.Stderr();
            std::string decoded(reinterpret_cast<const char*>(pcm.samples.get()), pcm.frames * 4);
            EXPECT_TRUE(SilenceAround(dir.Read("played"), decoded, kDecodeBufferFrames * 4));
        }
    }
}

TEST_F(MusicPlaybackTest, ASeekLandsOnItsFrameAndPastTheEndWhereRepeatsWouldHaveBroughtTheMusic) {
    const SeekCase cases[] = {
        {1.5f, 0, 72000},               // 1.5 s exactly, not rounded to whole seconds
        {-1.0f, 3 * 3 * 48000 + 100, 100},  // into the fourth pass
        {5.5f, 0, 120000},              // 5.5 s: 2.5 s into the second pass
    };
    ExpectSeeksLand(samples::MakeRampWav(3 * 48000), cases, samples::RampSample);
    // Paused, the music holds its place; past every pass it is silent.
    uint64_t held = MusicPosition();
    SDL_Delay(100);
    EXPECT_EQ(MusicPosition(), held);
    SeekMusic((kMusicRepeats + 1) * 3 * 48000);
    EXPECT_FALSE(MusicPlaying());
}

// The loop-tagged FLAC's frame n holds (n mod 65536) - 32768 on the left and
// n div 65536 on the right; it is 2 s long, tagged LOOPSTART=0 LOOPEND=48000.
int16_t LoopTaggedSample(int64_t frame, int channel) {
    return static_cast<int16_t>(channel == 0 ? frame % 65536 - 32768 : frame / 65536);
}

TEST_F(MusicPlaybackTest, ALoopTaggedFlacPlaysWholeAndSurvivesSeeksPastItsLoopEnd) {
    const SeekCase cases[] = {
        {3.0f, 0, 48000},   // past the file's end: 1 s into the second pass
        {1.5f, 0, 72000},   // past LOOPEND
        {1.25f, 0, 60000},
        {0.5f, 0, 24000},
    };
    ExpectSeeksLand(samples::MediaSample("music-loop-tagged.flac"), cases, LoopTaggedSample);
    EXPECT_EQ(MusicLength(), 96000u);  // the whole file, what follows LOOPEND included
}

TEST_F(MusicPlaybackTest, HostileMusicImportsOrIsRefusedWithItsReasonWhileTheOldMusicGoesOn) {
    samples::TempDir dir;
    std::unique_ptr<Demo> demo = DemoWithMusic(samples::MakeRampWav(48000));
    demo->PlayMusic();
    for (const samples::HostileMusic& file : samples::HostileMusicFiles()) {
        SCOPED_TRACE(file.sample);
        samples::WriteFile(dir.File("music.mp3"), samples::MediaSample(file.sample));
        ByteBuffer* before = demo->music;
        uint64_t length = MusicLength();
        std::string error;
        bool imported = demo->ImportMusic(dir.File("music.mp3").c_str(), &error);
        if (file.reasons[0] == nullptr) {
            EXPECT_TRUE(imported) << error;
            EXPECT_NE(demo->music, before);
            EXPECT_GT(MusicLength(), 0u);
        } else {
            EXPECT_FALSE(imported);
            EXPECT_TRUE(samples::RefusedAsExpected(file, error)) << error;
            EXPECT_EQ(demo->music, before);
            EXPECT_EQ(MusicLength(), length);
        }
        EXPECT_TRUE(MusicPlaying());
    }
}

TEST_F(MusicPlaybackTest, ADecodeStartedAheadIsTakenByTheSameBytesAndCalledOffByOthers) {
    const std::string wav = samples::MakeRampWav(4800);
    DecodeMusicAhead(wav.data(), wav.size());
    // A decoder started from now on would crash: only the decode started
    // ahead can play these bytes.
    setenv("VELMARA_TEST_DECODER", "crash", 1);
    std::unique_ptr<Demo> demo = DemoWithMusic(wav);
    demo->PlayMusic();
    EXPECT_TRUE(MusicPlaying());
    EXPECT_EQ(MusicLength(), 4800u);
    // One that would never end, for other bytes, is called off.
    setenv("VELMARA_TEST_DECODER", "hang", 1);
    DecodeMusicAhead(wav.data(), wav.size() - 4);
    unsetenv("VELMARA_TEST_DECODER");
    std::unique_ptr<Demo> other = DemoWithMusic(samples::MakeRampWav(9600));
    other->PlayMusic();
    EXPECT_EQ(MusicLength(), 9600u);
}

TEST_F(MusicPlaybackTest, ImportingMusicReplacesTheBytesStartsThemAndRestartsTheClock) {
    samples::TempDir dir;
    std::unique_ptr<Demo> demo = DemoWithMusic(samples::MakeWav(4800, 3000));
    demo->PlayMusic();
    std::string wav = samples::MakeWav(9600, 7000);
    samples::WriteFile(dir.File("music.mp3"), wav);  // the mixer goes by content, not name
    g_start_ticks = 0;
    uint32_t before = SDL_GetTicks();
    ASSERT_TRUE(demo->ImportMusic(dir.File("music.mp3").c_str()));
    EXPECT_GE(g_start_ticks, before);
    ASSERT_EQ(demo->music->length, wav.size());
    EXPECT_EQ(0, std::memcmp(demo->music->data, wav.data(), wav.size()));
    EXPECT_EQ(MusicPlaying(), true);
    EXPECT_TRUE(WaitFor([] { return GetSoundLevel() == 7000; })) << GetSoundLevel();
    // Imported several times, the volume still applies once.
    ASSERT_TRUE(demo->ImportMusic(dir.File("music.mp3").c_str()));
    __atomic_store_n(&g_volume, 64, __ATOMIC_RELAXED);
    EXPECT_TRUE(WaitFor([] { return GetSoundLevel() == 3500; })) << GetSoundLevel();
}

TEST_F(MusicPlaybackTest, ReplacingADocumentStartsTheNewMusicBeforeTheOldOneGoes) {
    Demo* previous = g_demo;
    g_demo = DemoWithMusic(samples::MakeWav(4800, 2000)).release();
    g_demo->PlayMusic();
    Event looped("looped", nullptr, 0.0f, 1.0f);
    g_loop_event = &looped;
    std::unique_ptr<Demo> next = DemoWithMusic(samples::MakeWav(4800, 9000));
    Demo* next_pointer = next.get();
    g_loop_event = &looped;
    ReplaceDocument(next.release());
    EXPECT_EQ(g_demo, next_pointer);
    EXPECT_EQ(g_loop_event, nullptr);
    EXPECT_EQ(MusicPlaying(), true);
    EXPECT_TRUE(WaitFor([] { return GetSoundLevel() == 9000; })) << GetSoundLevel();

    // A document without music silences the old one before it is destroyed,
    // which waits until the frame is drawn.
    uint32_t generation = g_document_generation;
    ReplaceDocument(new Demo());
    EXPECT_EQ(g_document_generation, generation + 1);
    EXPECT_EQ(MusicPlaying(), false);
    ReleaseRetiredDocuments();
    SDL_Delay(50);  // the mixer keeps running over the freed document
    ReplaceDocument(nullptr);
    EXPECT_EQ(g_document_generation, generation + 1);
    EXPECT_NE(g_demo, nullptr);
    delete g_demo;
    g_demo = previous;
}

}  // namespace
