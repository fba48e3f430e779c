// Songs for the benchmarks that run the real program: two tones as a 16-bit
// stereo WAV, encoded once by the command-line encoders (lame, oggenc, flac)
// into a folder that lives as long as the benchmark process, and the program
// to compare this build with. POSIX only, as the start-up benchmark is.
//
// Set VELMARA_BASELINE_EXE to another build's executable (the build before a
// change, say) and every benchmark that runs the program runs it too, side by
// side in one run, as "program:1"; unset, those cases are skipped.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace benchsongs {

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The folder the songs and documents are made in, removed with all it holds
// when the benchmark process ends (a 29-minute WAV is 300 MB); "" when none
// can be made.
inline const std::string& ScratchFolder() {
    struct Folder {
        std::string path;
        Folder() {
            char pattern[] = "/tmp/velmara-bench-XXXXXX";
            if (mkdtemp(pattern) != nullptr) path = pattern;
        }
        ~Folder() {
            if (!path.empty() && std::system(("rm -rf '" + path + "'").c_str()) != 0) {
                std::fprintf(stderr, "%s could not be removed\n", path.c_str());
            }
        }
    };
    static const Folder folder;
    return folder.path;
}

// A 16-bit stereo WAV of two tones, seconds long at rate Hz.
inline std::string SongWav(int rate, int seconds) {
    const uint32_t frames = static_cast<uint32_t>(rate) * static_cast<uint32_t>(seconds);
    std::string wav = "RIFF";
    wav.reserve(44 + size_t{frames} * 4);
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

// The formats the benchmarks encode, by file extension.
enum class SongFormat { MP3, OggVorbis, FLAC };

inline const char* Extension(SongFormat format) {
    switch (format) {
        case SongFormat::MP3: return "mp3";
        case SongFormat::OggVorbis: return "ogg";
        case SongFormat::FLAC: return "flac";
    }
    return "";
}

// The song of seconds at rate Hz in format (MP3 at 192 kbit/s, Ogg Vorbis at
// oggenc's default quality, FLAC at flac's default level), made once and
// kept; "" when the encoder is missing or failed.
inline std::string EncodedSong(SongFormat format, int rate, int seconds) {
    const std::string& root = ScratchFolder();
    if (root.empty()) return "";
    const std::string stem = root + "/song-" + std::to_string(rate) + "-" + std::to_string(seconds);
    const std::string path = stem + "." + Extension(format);
    std::string song = ReadAll(path);
    if (!song.empty()) return song;
    if (!std::ifstream(stem + ".wav").good()) WriteAll(stem + ".wav", SongWav(rate, seconds));
    std::string command;
    switch (format) {
        case SongFormat::MP3: command = "lame --quiet -b 192 " + stem + ".wav " + path; break;
        case SongFormat::OggVorbis: command = "oggenc --quiet -o " + path + " " + stem + ".wav"; break;
        case SongFormat::FLAC: command = "flac --silent --force -o " + path + " " + stem + ".wav"; break;
    }
    if (std::system(command.c_str()) != 0) return "";
    return ReadAll(path);
}

// The executable a benchmark case runs: 0 this build's, 1 the baseline's
// (VELMARA_BASELINE_EXE); "" for a baseline that is not set.
inline std::string Program(int64_t which) {
    if (which == 0) return VELMARA_EXE;
    const char* baseline = std::getenv("VELMARA_BASELINE_EXE");
    return baseline != nullptr ? baseline : "";
}

// Runs program (no arguments) in folder to its end, its standard output
// dropped and its error stream written to errors (a path, "/dev/null" to
// drop it). True when it ended with status 0; its peak resident memory in
// KiB is stored in *peak_kib when that is not null.
inline bool RunInFolder(const std::string& program, const std::string& folder, const char* errors,
                        long* peak_kib = nullptr) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        if (freopen("/dev/null", "w", stdout) == nullptr || freopen(errors, "w", stderr) == nullptr) _exit(127);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid <= 0 || wait4(pid, &status, 0, &usage) != pid) return false;
    if (peak_kib) *peak_kib = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace benchsongs
