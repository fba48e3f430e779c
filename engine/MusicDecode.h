// Music decoded outside the program: every music file the program plays (a
// document's, a package's, an import) is checked (MusicCheck.h) and then
// decoded by a child process of the program's own executable in its decode
// mode (DecodeMode.h). The program plays the PCM it gets back
// (MusicPlayer.h); the document keeps the file's own bytes.
//
// The child runs under limits the program enforces: wall-clock time, its
// resident memory beyond the file it was sent (sampled every 10 ms; plus an
// address-space limit set in the child itself, outside sanitizer builds) and
// the length of the PCM. Past any of them the child is killed and the music
// refused. A thread of the program feeds the child its bytes and drains its
// output and error streams together, so the child never blocks on a full
// pipe.
//
// The program holds the file once: the child is fed from the caller's own
// bytes (or from bytes the decode took over, freed once the child has them
// all), and the PCM buffer is sized once, from the length the file's headers
// give, growing only past it. The child gets none of the program's SDL_*
// environment variables: they would change what the mixer decodes, or
// whether it decodes at all.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

class ChildProcess;

// Decoded music: 48 kHz stereo signed 16-bit frames, left then right.
struct MusicPCM {
    struct Free {
        void operator()(int16_t* samples) const { std::free(samples); }
    };
    std::unique_ptr<int16_t[], Free> samples;  // frames * 2 values
    uint64_t frames = 0;
};

// What one decode may take.
struct MusicDecodeLimits {
    uint32_t milliseconds = 30000;                  // wall-clock time
    uint64_t resident_bytes = uint64_t{256} << 20;  // the child's resident memory beyond the file it holds
    uint64_t pcm_bytes = 345600000;                 // 30 minutes of PCM
};

// The limits of every decode started from now on; tests lower them.
void SetMusicDecodeLimits(const MusicDecodeLimits& limits);
MusicDecodeLimits GetMusicDecodeLimits();

// One decode, running from its construction in a child watched by a thread
// of its own, so that the caller can do other work meanwhile. The child is
// started by the constructor, with the environment as it is then, less its
// SDL_* variables.
class MusicDecode {
public:
    // Checks the size bytes and starts decoding them. The child is fed from
    // these very bytes, so they must stay as they are until Finish has
    // returned or the decode is destroyed. Bytes the check refuses start no
    // child.
    MusicDecode(const void* bytes, uint64_t size);
    // The same for bytes the decode takes over; they are freed as soon as
    // the child has taken them all (or has ended).
    explicit MusicDecode(std::string bytes);
    // Ends a decode still running (its child is killed) and drops its result.
    ~MusicDecode();

    // Waits for the decode to end. True with the PCM in *pcm; false with the
    // reason in *reason (when not null): the check's, the child's own last
    // line ("the file does not decode as FLAC (...)"), "the decoder crashed
    // (signal 11)", "the decoder ran for more than 30 s", "the decoder used
    // more than 256 MiB", "the music is longer than 30 minutes", or "the
    // decoder could not be started: " and what could not be made or started
    // ("cannot run /proc/self/exe: No such file or directory"). Call once.
    bool Finish(MusicPCM* pcm, std::string* reason);

    MusicDecode(const MusicDecode&) = delete;
    MusicDecode& operator=(const MusicDecode&) = delete;

private:
    void Start(const void* bytes, uint64_t size);
    void Watch(const MusicDecodeLimits& limits, uint64_t file_bytes, uint64_t expected_pcm_bytes);

    std::string header_;  // the request header; the file's bytes follow it
    std::string owned_;   // the file's bytes when the decode took them over, until the child has them
    std::unique_ptr<ChildProcess> child_;
    std::thread thread_;
    std::atomic<bool> cancelled_{false};
    bool decoded_ = false;
    std::string reason_;
    MusicPCM pcm_;
};

// A decode from start to end: MusicDecode's Finish.
bool DecodeMusic(const void* bytes, uint64_t size, MusicPCM* pcm, std::string* reason);
