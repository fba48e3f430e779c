// Music: the decode of a whole song, the audio callback's analysis of one
// block, and the program's peak memory while it decodes a 30-minute WAV.
//
// The decode: 29 minutes of two tones at 44.1 kHz as Ogg Vorbis, MP3 and
// FLAC (encoded once by oggenc, lame and flac; BenchSongs.h), decoded by the
// real program's decode mode from a request on its standard input, its PCM
// read from a pipe as the program reads it. With VELMARA_BASELINE_EXE set,
// the same decodes run that build too ("program:1"). The frames decoded and
// the decoder's peak resident memory are counters.
//
// The analysis: the audio callback's work on one mixed block: 1024 frames
// of stereo 16-bit samples through SoundAnalysis::Process with the
// 1024-point real FFT the program allocates (kiss_fftr_alloc(1024, 0, ...)).
// The mixer hands over such a block every 1024 / 48000 s = 21.3 ms; the
// figure says how much of that the analysis takes. Each pass first restores
// the block as mixed (a 4 KB copy), since Process scales the samples in
// place.
//
// The peak memory: below, in a block of its own.
#include "Music.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <kiss_fftr.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
#include "BenchSongs.h"
#include "BenchSupport.h"
#include "ByteBuffer.h"
#include "DecodeMode.h"
#include "Demo.h"
#include "Documents.h"

namespace {

/* === The decode of a whole song ========================================== */

constexpr int kLongSongSeconds = 29 * 60;

MusicFormat FormatOf(benchsongs::SongFormat format) {
    switch (format) {
        case benchsongs::SongFormat::MP3: return MusicFormat::MP3;
        case benchsongs::SongFormat::OggVorbis: return MusicFormat::OggVorbis;
        case benchsongs::SongFormat::FLAC: return MusicFormat::FLAC;
    }
    return MusicFormat::MP3;
}

struct DecodeRun {
    bool ok = false;
    uint64_t frames = 0;      // of PCM read back
    long peak_kib = 0;        // the decoder's peak resident memory
};

// program in its decode mode, its standard input the request file, its PCM
// read from a pipe and counted.
DecodeRun Decode(const std::string& program, const std::string& request_path) {
    DecodeRun run;
    int pcm[2];
    if (pipe(pcm) != 0) return run;
    pid_t pid = fork();
    if (pid == 0) {
        int request = open(request_path.c_str(), O_RDONLY);
        int null = open("/dev/null", O_WRONLY);
        if (request < 0 || null < 0 || dup2(request, 0) < 0 || dup2(pcm[1], 1) < 0 || dup2(null, 2) < 0) _exit(127);
        close(pcm[0]);
        execl(program.c_str(), program.c_str(), kDecodeMusicArgument, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pcm[1]);
    std::vector<char> buffer(1 << 16);
    uint64_t bytes = 0;
    for (ssize_t got; (got = read(pcm[0], buffer.data(), buffer.size())) != 0;) {
        if (got > 0) bytes += static_cast<uint64_t>(got);
        if (got < 0 && errno != EINTR) break;
    }
    close(pcm[0]);
    int status = 0;
    rusage usage{};
    run.ok = pid > 0 && wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.frames = bytes / 4;
    run.peak_kib = usage.ru_maxrss;
    return run;
}

void BM_DecodeMusic(benchmark::State& state) {
    const auto format = static_cast<benchsongs::SongFormat>(state.range(1));
    std::string program = benchsongs::Program(state.range(0));
    if (program.empty()) {
        state.SkipWithError("no baseline (set VELMARA_BASELINE_EXE)");
        return;
    }
    std::string song = benchsongs::EncodedSong(format, 44100, kLongSongSeconds);
    if (song.empty()) {
        state.SkipWithError("the song could not be encoded (are lame, oggenc and flac installed?)");
        return;
    }
    std::string request_path = benchsongs::ScratchFolder() + "/request." + benchsongs::Extension(format);
    benchsongs::WriteAll(request_path, DecodeRequestHeader(FormatOf(format), song.size(), 0) + song);
    DecodeRun run;
    for (auto _ : state) {
        run = Decode(program, request_path);
        if (!run.ok) {
            state.SkipWithError("the decoder did not end with status 0");
            return;
        }
    }
    state.counters["frames"] = static_cast<double>(run.frames);
    state.counters["decoder_peak_MiB"] = static_cast<double>(run.peak_kib) / 1024.0;
    state.SetLabel(std::string(benchsongs::Extension(format)) + ", 29 min at 44.1 kHz");
}
BENCHMARK(BM_DecodeMusic)
    ->ArgNames({"program", "format"})
    ->ArgsProduct({{0, 1},
                   {static_cast<int64_t>(benchsongs::SongFormat::OggVorbis),
                    static_cast<int64_t>(benchsongs::SongFormat::MP3), static_cast<int64_t>(benchsongs::SongFormat::FLAC)}})
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

/* === The analysis of one block =========================================== */

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
        long run = 0;
        bool ended = benchsongs::RunInFolder(program, folder, "errors", &run);
        std::ifstream said(folder + "/errors");
        std::string line;
        while (std::getline(said, line) && line.rfind("music: ", 0) != 0) {
        }
        if (!ended || !line.empty()) {
            static std::string reason;  // SkipWithError keeps the pointer
            reason = !ended ? "the program did not end with status 0" : "the music was refused: " + line;
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
