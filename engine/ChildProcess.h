// A child process of the running executable: the program started again with
// one argument, fed blocks of bytes on its standard input, with its standard
// output and error read back. Part of the platform layer: the POSIX branch
// (Linux, macOS) and the Windows branch live in ChildProcess.cpp, so the
// callers have no #ifdef.
//
// The child gets the three pipes and nothing else of the parent's: no other
// descriptor or handle, default signal handling and an empty signal mask,
// and the parent's environment less the variables the caller withholds.
// It is the same program as the parent, also when the file on disk was
// rebuilt or removed since the parent started (Linux starts /proc/self/exe).
//
//   ChildProcess child;
//   if (!child.Start("--decode-music", {{header, 24}, {file, size}}, "SDL_", &error)) ...
//   while (...) child.Exchange(10, on_output, on_error);   // from one thread
//   child.Kill();                                          // when it must go
//   ChildEnd end = child.Wait();
//
// One thread drives a child: Start, Exchange, ResidentBytes, Kill and Wait
// are not to be called from two threads at once. A child whose Start failed
// never existed: it is never waited for, and HasEnded says true at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How a child ended.
struct ChildEnd {
    bool exited = false;  // ended by itself, with status
    int status = -1;      // its exit status; -1 unless exited
    int signal = 0;       // the signal that ended it (POSIX), 0 for none
};

// A block of the child's input; the bytes are the caller's.
struct ChildInput {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

// What one Exchange saw.
struct ChildTraffic {
    bool input_refused = false;  // the child closed its input before taking all of it
    bool input_open = true;      // input is still being fed: the caller's blocks are still read
    bool output_open = true;     // standard output has not reached its end yet
    bool error_open = true;      // standard error has not reached its end yet
};

class ChildProcess {
public:
    using Sink = std::function<void(const uint8_t* bytes, size_t count)>;

    ChildProcess() = default;
    // Kills and reaps a child that still runs.
    ~ChildProcess();

    // Starts the running executable with argument as its only argument; it
    // will be fed the input blocks one after the other, as one stream, and
    // they must stay alive until an Exchange says the input is no longer
    // open (or the child has ended). Environment variables whose names
    // begin with withheld ("" for none) are not passed on. False, with what
    // could not be made or started and the system's reason in error
    // ("cannot run /proc/self/exe: No such file or directory", "cannot make
    // the pipes to it: Too many open files"), when no child was started.
    bool Start(const char* argument, const std::vector<ChildInput>& input, const std::string& withheld,
               std::string* error);
    // One round of traffic: waits up to timeout_ms for the child's pipes to
    // be ready, writes what the child takes of its input (closing it once all
    // is written), and hands what waits on its output and error to the sinks.
    ChildTraffic Exchange(int timeout_ms, const Sink& on_output, const Sink& on_error);
    // The child's resident memory; false when it cannot be read (it has
    // ended, or the system does not tell).
    bool ResidentBytes(uint64_t* bytes) const;
    // True once the child has ended, or when none was started; it is then
    // reaped and Wait returns at once.
    bool HasEnded();
    // Ends the child at once (SIGKILL; TerminateProcess on Windows).
    void Kill();
    // Waits for the child to end, without a time limit, and tells how. A
    // child that was never started ends at once, neither exited nor signalled.
    ChildEnd Wait();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

private:
    void CloseInput();
    void CloseAll();
    // The unwritten input from byte at of the stream on, up to its block's end.
    ChildInput InputFrom(size_t at) const;

    std::vector<ChildInput> input_;
    size_t input_size_ = 0;  // of all blocks
    std::atomic<size_t> written_{0};
    std::atomic<bool> input_refused_{false};
    bool ended_ = false;
    ChildEnd end_;
#ifdef _WIN32
    void* process_ = nullptr;  // HANDLE
    void* input_pipe_ = nullptr;
    void* output_pipe_ = nullptr;
    void* error_pipe_ = nullptr;
    void* writer_ = nullptr;   // the thread that feeds the input (a pipe cannot be polled)
    bool output_open_ = true;
    bool error_open_ = true;
#else
    int pid_ = -1;
    int input_fd_ = -1;
    int output_fd_ = -1;
    int error_fd_ = -1;
#endif
};

/* === The child's side ==================================================== */

// Moves the process's standard output to a private descriptor, which it
// returns (in binary mode), and points descriptor 1 at standard error, so
// that nothing the libraries print reaches the pipe the parent reads as
// data. -1 when that fails.
int TakeStandardOutput();
// Reads exactly count bytes from standard input; false at an early end or
// an error.
bool ReadStandardInput(void* bytes, size_t count);
// Writes all count bytes to the descriptor; false when it fails (the parent
// has gone).
bool WriteDescriptor(int descriptor, const void* bytes, size_t count);
// Sets an environment variable, replacing any value it had.
void SetEnvironment(const char* name, const char* value);
// The system's empty device: "/dev/null", or "NUL" on Windows.
const char* NullDevice();
// Lets the process map at most extra bytes more than it has mapped now, so
// that a runaway allocation fails instead of growing: RLIMIT_AS on POSIX.
// Nothing in sanitizer builds (their shadow memory needs the address space),
// on macOS (which does not enforce it) or on Windows.
void LimitAddressSpaceGrowth(uint64_t extra);
// False where LimitAddressSpaceGrowth does nothing.
bool CanLimitAddressSpaceGrowth();
// Ends the process at once with status: no exit handlers, no leak report.
[[noreturn]] void ExitNow(int status);
