// The audio analysis over synthetic blocks, without an audio device: the
// spectrum and waveform rows, the level ring and the volume step.

#include <gtest/gtest.h>
#include <kiss_fftr.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "Music.h"
#include "Playback.h"

namespace {

constexpr int kFrames = 1024;

class MusicAnalysisTest : public ::testing::Test {
protected:
    void SetUp() override { fft_ = kiss_fftr_alloc(1024, 0, nullptr, nullptr); }
    void TearDown() override { kiss_fftr_free(fft_); }

    // Interleaved stereo, both channels from sample(i).
    static std::vector<int16_t> Block(int frames, const std::function<int(int)>& sample) {
        std::vector<int16_t> block(static_cast<size_t>(frames) * 2);
        for (int i = 0; i < frames; ++i) {
            block[2 * i] = static_cast<int16_t>(sample(i));
            block[2 * i + 1] = static_cast<int16_t>(sample(i));
        }
        return block;
    }
    void Process(std::vector<int16_t>& block, int volume = 128) {
        analysis_->Process(block.data(), static_cast<int>(block.size() / 2), volume, fft_);
    }
    const uint8_t* Pixels() { return analysis_->Pixels(); }
    int Level() const { return analysis_->Level(); }
    // The value of pixel x of a row, after checking its four bytes agree.
    int Pixel(int row, int x) {
        const uint8_t* pixel = Pixels() + row * kSoundTextureWidth * 4 + x * 4;
        EXPECT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2] && pixel[2] == pixel[3]) << row << "," << x;
        return pixel[0];
    }

    kiss_fftr_cfg fft_ = nullptr;
    // An analysis of the test's own: the process's one may be fed by a live
    // audio thread.
    std::unique_ptr<SoundAnalysis> analysis_ = std::make_unique<SoundAnalysis>();
};

TEST_F(MusicAnalysisTest, SilenceGivesSpectrumZeroWaveform128AndLevelZero) {
    std::vector<int16_t> block = Block(kFrames, [](int) { return 0; });
    Process(block);
    for (int x = 0; x < kSoundTextureWidth; ++x) {
        ASSERT_EQ(Pixel(0, x), 0) << x;
        ASSERT_EQ(Pixel(1, x), 128) << x;
    }
    EXPECT_EQ(Level(), 0);
}

TEST_F(MusicAnalysisTest, ALargeConstantOffsetFillsTheFirstFivePixelsWith255) {
    std::vector<int16_t> block = Block(kFrames, [](int) { return 20000; });
    Process(block);
    for (int x = 0; x <= 4; ++x) EXPECT_EQ(Pixel(0, x), 255) << x;
    EXPECT_LT(Pixel(0, 5), 255);  // bin 1 starts at pixel 5
    EXPECT_EQ(Pixel(1, 0), 20000 / 256 + 128);
}

TEST_F(MusicAnalysisTest, ASineLandsInItsBin) {
    const int bin = 40;  // 1875 Hz at 48000 Hz
    std::vector<int16_t> block = Block(kFrames, [](int i) {
        return static_cast<int>(16000.0 * std::sin(2.0 * M_PI * bin * i / 1024.0));
    });
    Process(block);
    int peak_x = 0;
    for (int x = 0; x < kSoundTextureWidth; ++x) {
        if (Pixel(0, x) > Pixel(0, peak_x)) peak_x = x;
    }
    EXPECT_EQ(peak_x * 20000 / 96000, bin);
    EXPECT_GT(Pixel(0, peak_x), 200);
    EXPECT_LT(Pixel(0, 100 * 96000 / 20000 + 1), 60);  // far away, bin 100
    EXPECT_EQ(Pixel(0, 0), 0);
}

TEST_F(MusicAnalysisTest, TheWaveformIsTheLeftSampleDividedBy256TowardZero) {
    std::vector<int16_t> block = Block(kFrames, [](int i) { return (i - 512) * 64; });
    block[2 * 3] = -32768;
    block[2 * 4] = 32767;
    block[2 * 5] = -300;  // -1 after truncation, not -2
    block[2 * 5 + 1] = 32767;  // the right channel is not drawn
    Process(block);
    EXPECT_EQ(Pixel(1, 3), 0);
    EXPECT_EQ(Pixel(1, 4), 255);
    EXPECT_EQ(Pixel(1, 5), 127);
    EXPECT_EQ(Pixel(1, 600), (600 - 512) * 64 / 256 + 128);
    EXPECT_EQ(Pixel(1, 100), (100 - 512) * 64 / 256 + 128);
}

TEST_F(MusicAnalysisTest, Volume64HalvesThePlayedSamplesButNotTheAnalysis) {
    auto make = [] {
        std::vector<int16_t> block = Block(kFrames, [](int i) { return (i % 7 - 3) * 4001; });
        block[2 * 9] = block[2 * 9 + 1] = -32768;
        return block;
    };
    const std::vector<int16_t> original = make();
    std::vector<int16_t> full = make();
    Process(full, 128);
    std::vector<uint8_t> pixels_at_full(Pixels(), Pixels() + kSoundPixelBytes);
    EXPECT_EQ(full, original);  // unity gain changes nothing

    std::vector<int16_t> half = make();
    Process(half, 64);
    EXPECT_EQ(std::vector<uint8_t>(Pixels(), Pixels() + kSoundPixelBytes), pixels_at_full);
    for (size_t i = 0; i < half.size(); ++i) {
        ASSERT_EQ(half[i], original[i] / 2) << i;  // truncating toward zero
    }
    EXPECT_EQ(half[2 * 9], -16384);
    int16_t odd[2] = {-3, 3};
    analysis_->Process(odd, 1, 64, fft_);
    EXPECT_EQ(odd[0], -1);
    EXPECT_EQ(odd[1], 1);
}

TEST_F(MusicAnalysisTest, AtVolumeZeroTheDevicePlaysSilenceYetTheTextureShowsTheMusic) {
    std::vector<int16_t> block = Block(kFrames, [](int) { return 20000; });
    Process(block, 0);
    for (int16_t sample : block) ASSERT_EQ(sample, 0);
    EXPECT_EQ(Level(), 0);
    EXPECT_EQ(Pixel(0, 0), 255);
    EXPECT_EQ(Pixel(1, 10), 20000 / 256 + 128);
}

TEST_F(MusicAnalysisTest, TheLevelIsTheMeanOfTheFirstHundredScaledValues) {
    std::vector<int16_t> block = Block(kFrames, [](int i) { return i < 50 ? -1000 : 30000; });
    Process(block);
    EXPECT_EQ(Level(), 1000);  // frames 0 to 49, both channels
    std::vector<int16_t> quieter = Block(kFrames, [](int i) { return i < 50 ? -1000 : 30000; });
    Process(quieter, 64);
    EXPECT_EQ(Level(), 500);
}

TEST_F(MusicAnalysisTest, MinusThirtyTwoThousandSevenHundredSixtyEightEntersTheRingAs32767) {
    std::vector<int16_t> block = Block(kFrames, [](int) { return -32768; });
    Process(block);
    EXPECT_EQ(Level(), 32767);
}

TEST_F(MusicAnalysisTest, TheRingKeepsTheLastHundredValues) {
    for (int i = 0; i < 100; ++i) analysis_->PushLevel(500);
    EXPECT_EQ(Level(), 500);
    for (int i = 0; i < 50; ++i) analysis_->PushLevel(0);
    EXPECT_EQ(Level(), 250);
    for (int i = 0; i < 100; ++i) analysis_->PushLevel(65535);
    EXPECT_EQ(Level(), 32767);
    for (int i = 0; i < 100; ++i) analysis_->PushLevel(0);
}

TEST_F(MusicAnalysisTest, ABlockOfOneFrameIsOnlyScaled) {
    std::vector<int16_t> silence = Block(kFrames, [](int) { return 0; });
    Process(silence);
    int16_t one[2] = {30000, -30000};
    analysis_->Process(one, 1, 128, fft_);
    EXPECT_EQ(Pixel(1, 0), 128);
    EXPECT_EQ(Level(), 0);
    analysis_->Process(one, 0, 128, fft_);
    analysis_->Process(nullptr, 5, 128, fft_);
    EXPECT_EQ(one[0], 30000);
}

TEST_F(MusicAnalysisTest, AShortBlockSpreadsOverTheRowAndLeavesOtherPixelsAsTheyWere) {
    std::vector<int16_t> silence = Block(kFrames, [](int) { return 0; });
    Process(silence);
    std::vector<int16_t> two = Block(2, [](int i) { return i == 0 ? -32768 : 32767; });
    Process(two);
    EXPECT_EQ(Pixel(1, 0), 0);
    EXPECT_EQ(Pixel(1, 1023), 255);
    EXPECT_EQ(Pixel(1, 500), 128);
}

TEST_F(MusicAnalysisTest, TheCallbackFeedsTheProcesssAnalysisAndScalesByTheGlobalVolume) {
    std::vector<int16_t> block = Block(kFrames, [](int) { return 1001; });
    int32_t volume = __atomic_load_n(&g_volume, __ATOMIC_RELAXED);
    __atomic_store_n(&g_volume, 64, __ATOMIC_RELAXED);
    AudioPostMixCallback(-2, block.data(), static_cast<int>(block.size() * 2), nullptr);
    __atomic_store_n(&g_volume, volume, __ATOMIC_RELAXED);
    EXPECT_EQ(block[0], 500);
    EXPECT_EQ(block.back(), 500);
    // The process's own analysis, which the renderer reads.
    EXPECT_EQ(GetSoundLevel(), 500);
    EXPECT_EQ(SoundPixels()[kSoundTextureWidth * 4 + 4 * 77], 1001 / 256 + 128);
}

// The main thread always sees one whole block, never a mix of two, while
// the audio thread keeps publishing.
TEST_F(MusicAnalysisTest, TheReaderNeverSeesAHalfWrittenBlock) {
    std::atomic<bool> done{false};
    std::thread writer([&] {
        kiss_fftr_cfg fft = kiss_fftr_alloc(1024, 0, nullptr, nullptr);
        std::vector<int16_t> block(kFrames * 2);
        for (int round = 0; round < 3000; ++round) {
            int16_t value = round % 2 ? 25600 : -25600;
            std::fill(block.begin(), block.end(), value);
            analysis_->Process(block.data(), kFrames, 128, fft);
        }
        kiss_fftr_free(fft);
        done = true;
    });
    int checks = 0;
    int torn = 0;
    while (!done || checks < 10) {
        const uint8_t* row = Pixels() + kSoundTextureWidth * 4;
        for (int x = 1; x < kSoundTextureWidth; ++x) {
            if (row[4 * x] != row[0]) {
                ++torn;
                break;
            }
        }
        ++checks;
    }
    writer.join();
    EXPECT_EQ(torn, 0) << "of " << checks << " checks";
}

}  // namespace
