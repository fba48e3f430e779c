// Start to exit of the real program playing a document of 0.1 s, without
// music and with four minutes of MP3 (at 48 kHz, and at 44.1 kHz, which the
// decoder converts to 48 kHz): what decoding the music in a child process
// adds to start-up. The songs (two tones) are encoded once by lame; without
// lame the music cases are skipped. With VELMARA_BASELINE_EXE set, the same
// cases run that build too ("program:1"), side by side (BenchSongs.h).
// Needs a display (run under xvfb-run); the program plays on the dummy
// audio driver.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Base64.h"
#include "BenchSongs.h"
#include "JSON.h"

namespace {

constexpr int kSongSeconds = 240;

// A folder holding "content.dat.json": 60 bpm, no offset, end beat 0.1, and
// four minutes of MP3 at rate (no music for 0); "" when it cannot be made.
std::string DocumentFolder(int rate) {
    const std::string& root = benchsongs::ScratchFolder();
    if (root.empty()) return "";
    std::string folder = root + "/document-" + std::to_string(rate);
    std::string document = folder + "/content.dat.json";
    if (std::ifstream(document).good()) return folder;
    if (system(("mkdir -p " + folder).c_str()) != 0) return "";
    std::string music;
    if (rate > 0) {
        music = benchsongs::EncodedSong(benchsongs::SongFormat::MP3, rate, kSongSeconds);
        if (music.empty()) return "";
    }
    JSON value = JSON::MakeObject();
    value["bpm"] = 60.0;
    value["beat_offset"] = 0.0;
    value["end_beat"] = 0.1;
    value["music"] = Base64Encode(music);
    for (const char* list : {"shaders", "effects", "events", "textures"}) value[list] = JSON::MakeArray();
    benchsongs::WriteAll(document, value.ToText(1, "  "));
    return folder;
}

void BM_StartToExit(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string program = benchsongs::Program(state.range(0));
    if (program.empty()) {
        state.SkipWithError("no baseline (set VELMARA_BASELINE_EXE)");
        return;
    }
    std::string folder = DocumentFolder(static_cast<int>(state.range(1)));
    if (folder.empty()) {
        state.SkipWithError("the document could not be made (is lame installed?)");
        return;
    }
    for (auto _ : state) {
        if (!benchsongs::RunInFolder(program, folder, "/dev/null")) {
            state.SkipWithError("the program did not end with status 0");
            return;
        }
    }
}
BENCHMARK(BM_StartToExit)
    ->ArgNames({"program", "music_rate"})
    ->ArgsProduct({{0, 1}, {0, 48000, 44100}})
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
