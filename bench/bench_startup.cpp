// Start to exit of the real program playing a document of 0.1 s, without
// music and with four minutes of MP3 (at 48 kHz, and at 44.1 kHz, which the
// mixer resamples): what decoding the music in a child process adds to
// start-up. The songs (two tones) are encoded once by lame; without lame
// the music cases are skipped. Needs a display (run under xvfb-run); the
// program plays on the dummy audio driver.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "Base64.h"
#include "JSON.h"

namespace {

constexpr int kSongSeconds = 240;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A 16-bit stereo WAV of two tones.
std::string Song(int rate) {
    const uint32_t frames = static_cast<uint32_t>(rate) * kSongSeconds;
    std::string wav = "RIFF";
    auto put = [&wav](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) wav += static_cast<char>(value >> (8 * i));
    };
    put(36 + frames * 4, 4);
    wav += "WAVEfmt ";
    put(16, 4), put(1, 2), put(2, 2), put(static_cast<uint32_t>(rate), 4), put(static_cast<uint32_t>(rate) * 4, 4);
    put(4, 2), put(16, 2);
    wav += "data";
    put(frames * 4, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / rate;
        double value = 8000.0 * std::sin(2.0 * M_PI * 220.0 * t) + 4000.0 * std::sin(2.0 * M_PI * 331.0 * t);
        put(static_cast<uint16_t>(static_cast<int16_t>(value)), 2);
        put(static_cast<uint16_t>(static_cast<int16_t>(value / 2)), 2);
    }
    return wav;
}

// A folder holding "content.dat.json": 60 bpm, no offset, end beat 0.1, and
// the music encoded from a song at rate (none for 0); "" when it cannot be made.
std::string DocumentFolder(int rate) {
    static std::string root;
    if (root.empty()) {
        char pattern[] = "/tmp/velmara-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return "";
        root = pattern;
    }
    std::string folder = root + "/" + std::to_string(rate);
    std::string document = folder + "/content.dat.json";
    if (std::ifstream(document).good()) return folder;
    if (system(("mkdir -p " + folder).c_str()) != 0) return "";
    std::string music;
    if (rate > 0) {
        WriteAll(folder + "/song.wav", Song(rate));
        std::string encode = "lame --quiet -b 192 " + folder + "/song.wav " + folder + "/song.mp3";
        if (system(encode.c_str()) != 0) return "";
        music = ReadAll(folder + "/song.mp3");
    }
    JSON value = JSON::MakeObject();
    value["bpm"] = 60.0;
    value["beat_offset"] = 0.0;
    value["end_beat"] = 0.1;
    value["music"] = Base64Encode(music);
    for (const char* list : {"shaders", "effects", "events", "textures"}) value[list] = JSON::MakeArray();
    WriteAll(document, value.ToText(1, "  "));
    return folder;
}

// Runs the program in folder to its end; false when it did not end well.
bool RunProgram(const std::string& folder) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        if (freopen("/dev/null", "w", stdout) == nullptr || freopen("/dev/null", "w", stderr) == nullptr) _exit(127);
        execl(VELMARA_EXE, VELMARA_EXE, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_StartToExit(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string folder = DocumentFolder(static_cast<int>(state.range(0)));
    if (folder.empty()) {
        state.SkipWithError("the document could not be made (is lame installed?)");
        return;
    }
    for (auto _ : state) {
        if (!RunProgram(folder)) {
            state.SkipWithError("the program did not end with status 0");
            return;
        }
    }
}
BENCHMARK(BM_StartToExit)
    ->ArgName("music_rate")
    ->Arg(0)
    ->Arg(48000)
    ->Arg(44100)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
