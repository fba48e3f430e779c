// Music played from a document's bytes (dummy audio driver): decoded in a
// child process, played by the program's own player. WAV made here and a
// real MP3, the post-mix callback, the import (well-formed files of every
// kept format), and replacing a playing document.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "DocumentSamples.h"
#include "Documents.h"
#include "GLFixture.h"
#include "Music.h"
#include "MusicPlayer.h"
#include "Playback.h"

namespace {

// Samples a second post-mix effect sees; registered after the program's own,
// it runs after it on every block.
std::atomic<int> g_probe_blocks{0};
std::atomic<int> g_probe_first_sample{0};

void Probe(int, void* stream, int length, void*) {
    if (length >= 2) g_probe_first_sample = static_cast<int16_t*>(stream)[0];
    ++g_probe_blocks;
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

TEST_F(MusicPlaybackTest, ImportingAFileThatCannotBeReadChangesNothing) {
    samples::TempDir dir;
    std::unique_ptr<Demo> demo = DemoWithMusic(samples::MakeWav(4800, 3000));
    demo->PlayMusic();
    ByteBuffer* music = demo->music;
    g_start_ticks = 12345;
    EXPECT_FALSE(demo->ImportMusic(dir.File("music.mp3").c_str()));
    EXPECT_EQ(demo->music, music);
    EXPECT_EQ(g_start_ticks, 12345u);
    EXPECT_EQ(MusicPlaying(), true);
}

TEST_F(MusicPlaybackTest, WellFormedFilesOfEveryKeptFormatImportAsMusic) {
    const std::pair<std::string, Mix_MusicType> cases[] = {
        {samples::MakeWav(4800, 6000), MUS_WAV},
        {samples::MakeWav(2756, 6000, 5512), MUS_WAV},
        {samples::MakeWav(38400, 6000, 384000), MUS_WAV},
        {samples::MediaSample("music-tone.aiff"), MUS_WAV},
        {samples::MediaSample("music-tone.mp3"), MUS_MP3},
        {samples::MediaSample("music-tone.ogg"), MUS_OGG},
        {samples::MediaSample("music-tone.opus"), MUS_OPUS},
        {samples::MediaSample("music-tone.flac"), MUS_FLAC},
    };
    samples::TempDir dir;
    std::unique_ptr<Demo> demo(new Demo());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        Demo silent;
        silent.PlayMusic();
        ASSERT_TRUE(WaitFor([] { return GetSoundLevel() == 0; }));
        samples::WriteFile(dir.File("music.mp3"), c.first);
        std::string error;
        ASSERT_TRUE(demo->ImportMusic(dir.File("music.mp3").c_str(), &error)) << error;
        EXPECT_GT(MusicLength(), 0u);
        EXPECT_TRUE(WaitFor([] { return GetSoundLevel() > 100; })) << GetSoundLevel();
    }
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
