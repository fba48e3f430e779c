// The audio callback's analysis of one mixed block: 1024 frames of stereo
// 16-bit samples through SoundAnalysis::Process with the 1024-point real FFT
// the program allocates (kiss_fftr_alloc(1024, 0, ...)). The mixer hands
// over such a block every 1024 / 48000 s = 21.3 ms; the figure says how much
// of that the analysis takes. Each pass first restores the block as mixed
// (a 4 KB copy), since Process scales the samples in place. Below, in a
// block of its own: the program's peak memory while it decodes a 30-minute
// WAV.
#include "Music.h"

#include <benchmark/benchmark.h>
#include <kiss_fftr.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Base64.h"
#include "BenchSupport.h"
#include "ByteBuffer.h"
#include "Demo.h"
#include "Documents.h"

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

/* === Peak memory while decoding a 30-minute WAV ========================== */

// The real program, started in a folder of its own, playing a document of
// 0.1 s whose music is a 30-minute 48 kHz 16-bit stereo WAV (345.6 MB, the
// longest music the program plays). Argument 0: the document as a package
// behind an exported executable, so the program holds the music's bytes and
// decodes them. Argument 1: the document as "content.dat.json", whose music
// start-up decodes ahead while it opens the window and builds the document.
// The figure is the program's peak resident memory (wait4's ru_maxrss: the
// larger of the program's own and its decoder's), beside the file's size.
// Needs a display (run under xvfb-run); plays on the dummy audio driver.
namespace {

constexpr uint32_t kLongWavFrames = 48000u * 60u * 30u;

// The 30-minute WAV: a slow ramp on both channels (its sound does not matter
// here, only that every frame is decoded and kept).
std::string LongWav() {
    const uint32_t data_bytes = kLongWavFrames * 4;
    std::string wav;
    wav.reserve(44 + data_bytes);
    auto put = [&wav](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) wav += static_cast<char>(value >> (8 * i));
    };
    wav += "RIFF";
    put(36 + data_bytes, 4);
    wav += "WAVEfmt ";
    put(16, 4), put(1, 2), put(2, 2), put(48000, 4), put(48000 * 4, 4), put(4, 2), put(16, 2);
    wav += "data";
    put(data_bytes, 4);
    for (uint32_t i = 0; i < kLongWavFrames; ++i) put((i * 5u) & 0xFFFFu, 2), put((i * 3u) & 0xFFFFu, 2);
    return wav;
}

// A fresh folder holding the program to run ("player" or the program
// itself, in program) and what it plays; "" when it cannot be made.
std::string LongWavFolder(bool packaged, std::string* program) {
    char pattern[] = "/tmp/velmara-bench-longwav-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return "";
    const std::string folder = pattern;
    std::string wav = LongWav();
    if (packaged) {
        if (!HaveGLContext()) return "";
        Demo demo;
        demo.bpm = 60.0f;
        demo.beat_offset = 0.0f;
        demo.end_beat = 0.1f;
        delete demo.music;
        demo.music = new ByteBuffer(wav.data(), wav.size());
        std::string().swap(wav);
        *program = folder + "/player";
        if (!WriteStandaloneExecutable(demo, VELMARA_EXE, *program)) return "";
    } else {
        std::ofstream out(folder + "/content.dat.json", std::ios::binary);
        out << R"({"bpm": 60.0, "beat_offset": 0.0, "end_beat": 0.1, "shaders": [], "effects": [], )"
            << R"("events": [], "textures": [], "music": ")" << Base64Encode(wav) << "\"}";
        *program = VELMARA_EXE;
        if (!out) return "";
    }
    return folder;
}

// Runs program in folder to its end: its peak resident memory in KiB, or -1
// when it did not end well. What it said on its error stream is in "errors".
long PeakOfRun(const std::string& program, const std::string& folder) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        if (freopen("/dev/null", "w", stdout) == nullptr || freopen("errors", "w", stderr) == nullptr) _exit(127);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid <= 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return usage.ru_maxrss;
}

void BM_PeakMemoryDecodingA30MinuteWav(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const bool packaged = state.range(0) == 0;
    std::string program;
    const std::string folder = LongWavFolder(packaged, &program);
    if (folder.empty()) {
        state.SkipWithError("the document could not be made");
        return;
    }
    long peak_kib = 0;
    for (auto _ : state) {
        long run = PeakOfRun(program, folder);
        std::ifstream said(folder + "/errors");
        std::string line;
        while (std::getline(said, line) && line.rfind("music: ", 0) != 0) {
        }
        if (run < 0 || !line.empty()) {
            static std::string reason;  // SkipWithError keeps the pointer
            reason = run < 0 ? "the program did not end with status 0" : "the music was refused: " + line;
            state.SkipWithError(reason.c_str());
            break;
        }
        peak_kib = std::max(peak_kib, run);
    }
    if (system(("rm -rf " + folder).c_str()) != 0) state.SkipWithError("the folder could not be removed");
    state.counters["peak_MiB"] = static_cast<double>(peak_kib) / 1024.0;
    state.counters["file_MiB"] = (44.0 + 4.0 * kLongWavFrames) / (1 << 20);
    state.SetLabel(packaged ? "package behind the executable" : "content.dat.json, decoded ahead");
}
BENCHMARK(BM_PeakMemoryDecodingA30MinuteWav)
    ->ArgName("json")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
