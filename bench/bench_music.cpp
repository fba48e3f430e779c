// The audio callback's analysis of one mixed block: 1024 frames of stereo
// 16-bit samples through SoundAnalysis::Process with the 1024-point real FFT
// the program allocates (kiss_fftr_alloc(1024, 0, ...)). The mixer hands
// over such a block every 1024 / 48000 s = 21.3 ms; the figure says how much
// of that the analysis takes. Each pass first restores the block as mixed
// (a 4 KB copy), since Process scales the samples in place.
#include "Music.h"

#include <benchmark/benchmark.h>
#include <kiss_fftr.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kFrames = 1024;

// Music-like samples: two tones and noise, a little apart in each channel.
std::vector<int16_t> MixedBlock() {
    std::mt19937 random(11);
    std::vector<int16_t> samples(kFrames * 2);
    for (int frame = 0; frame < kFrames; ++frame) {
        const double t = frame / double(kAudioFrequency);
        const double tone = 9000.0 * std::sin(2.0 * M_PI * 220.0 * t) + 4000.0 * std::sin(2.0 * M_PI * 3520.0 * t);
        samples[2 * frame] = int16_t(tone + double(random() % 2001) - 1000.0);
        samples[2 * frame + 1] = int16_t(0.8 * tone + double(random() % 2001) - 1000.0);
    }
    return samples;
}

void BM_PostMixBlock(benchmark::State& state) {
    kiss_fftr_cfg fft = kiss_fftr_alloc(kSoundTextureWidth, 0, nullptr, nullptr);
    auto analysis = std::make_unique<SoundAnalysis>();  // 25 KB of pixel blocks
    const std::vector<int16_t> mixed = MixedBlock();
    std::vector<int16_t> block(mixed.size());
    const int volume = int(state.range(0));
    for (auto _ : state) {
        std::memcpy(block.data(), mixed.data(), mixed.size() * sizeof(int16_t));
        analysis->Process(block.data(), kFrames, volume, fft);
        benchmark::DoNotOptimize(block.data());
    }
    kiss_fftr_free(fft);
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
    state.SetLabel("1024 frames, volume " + std::to_string(volume) + "; the block plays for 21.3 ms");
}
BENCHMARK(BM_PostMixBlock)->Arg(128)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
