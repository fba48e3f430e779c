#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cwchar>
#define PSAPI_VERSION 2
#include <psapi.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef __APPLE__
#include <libproc.h>

#include "Platform.h"
#endif

#ifndef _WIN32
extern char** environ;
#endif

// Sanitizer builds reserve terabytes of shadow address space.
#if defined(__SANITIZE_ADDRESS__)
#define VELMARA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMARA_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

// Bytes moved per read or write: a pipe holds 64 KiB on Linux.
constexpr size_t kChunk = 64 * 1024;

}  // namespace

ChildProcess::~ChildProcess() {
    if (!HasEnded()) {
        Kill();
        Wait();
    }
    CloseAll();
}

ChildInput ChildProcess::InputFrom(size_t at) const {
    for (const ChildInput& block : input_) {
        if (at < block.size) return {block.bytes + at, block.size - at};
        at -= block.size;
    }
    return {};
}

namespace {

// The sum of the blocks' sizes.
size_t InputSize(const std::vector<ChildInput>& input) {
    size_t size = 0;
    for (const ChildInput& block : input) size += block.size;
    return size;
}

}  // namespace

#ifndef _WIN32

/* === POSIX: posix_spawn, poll and waitpid ================================ */

namespace {

// Makes a pipe whose two ends are closed in any program this one starts
// later; the child's own ends are put in place by the spawn's file actions.
bool MakePipe(int ends[2]) {
    if (pipe(ends) != 0) return false;
    for (int i = 0; i < 2; ++i) fcntl(ends[i], F_SETFD, FD_CLOEXEC);
    return true;
}

void CloseFd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

// A write to a child that closed its input must fail with EPIPE, not end
// the program: SIGPIPE is ignored from the first child on.
void IgnoreBrokenPipes() {
    static std::once_flag once;
    std::call_once(once, [] { signal(SIGPIPE, SIG_IGN); });
}

// The environment less the variables whose names begin with withheld.
std::vector<char*> EnvironmentWithout(const std::string& withheld) {
    std::vector<char*> kept;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (withheld.empty() || std::strncmp(*entry, withheld.c_str(), withheld.size()) != 0) kept.push_back(*entry);
    }
    kept.push_back(nullptr);
    return kept;
}

}  // namespace

bool ChildProcess::Start(const char* argument, const std::vector<ChildInput>& input, const std::string& withheld,
                         std::string* error) {
    IgnoreBrokenPipes();
    input_ = input;
    input_size_ = InputSize(input);
    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    if (!MakePipe(in) || !MakePipe(out) || !MakePipe(err)) {
        if (error) *error = std::string("cannot make the pipes to it: ") + std::strerror(errno);
        for (int* fd : {&in[0], &in[1], &out[0], &out[1], &err[0], &err[1]}) CloseFd(fd);
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
#ifndef __APPLE__
    // The program's own fopen()s do not set close-on-exec: close them all.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t every_signal, no_signal;
    sigfillset(&every_signal);
    sigdelset(&every_signal, SIGKILL);
    sigdelset(&every_signal, SIGSTOP);
    sigemptyset(&no_signal);
    posix_spawnattr_setsigdefault(&attributes, &every_signal);
    posix_spawnattr_setsigmask(&attributes, &no_signal);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
#ifdef __APPLE__
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;  // only the three pipes reach the child
    std::string path = ExecutablePath();
#else
    // The running file itself, not a path read from it: a rebuilt or
    // removed executable still starts this program.
    std::string path = "/proc/self/exe";
#endif
    posix_spawnattr_setflags(&attributes, flags);

    char name[] = "velmara";
    std::string argument_copy = argument;
    char* argv[] = {name, &argument_copy[0], nullptr};
    pid_t pid = -1;
    std::vector<char*> environment = EnvironmentWithout(withheld);
    int spawned = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    CloseFd(&in[0]);
    CloseFd(&out[1]);
    CloseFd(&err[1]);
    if (spawned != 0) {
        if (error) *error = "cannot run " + path + ": " + std::strerror(spawned);
        for (int* fd : {&in[1], &out[0], &err[0]}) CloseFd(fd);
        return false;
    }
    pid_ = pid;
    input_fd_ = in[1];
    output_fd_ = out[0];
    error_fd_ = err[0];
    for (int fd : {input_fd_, output_fd_, error_fd_}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (input_size_ == 0) CloseInput();
    return true;
}

void ChildProcess::CloseInput() { CloseFd(&input_fd_); }

void ChildProcess::CloseAll() {
    CloseFd(&input_fd_);
    CloseFd(&output_fd_);
    CloseFd(&error_fd_);
}

namespace {

// Reads what waits on fd into the sink, a few chunks at most; closes fd at
// its end or on an error.
void Drain(int* fd, const ChildProcess::Sink& sink) {
    uint8_t buffer[kChunk];
    for (int round = 0; round < 4 && *fd >= 0; ++round) {
        ssize_t count = read(*fd, buffer, sizeof buffer);
        if (count > 0) {
            sink(buffer, static_cast<size_t>(count));
            if (static_cast<size_t>(count) < sizeof buffer) return;
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        } else {
            CloseFd(fd);
        }
    }
}

}  // namespace

ChildTraffic ChildProcess::Exchange(int timeout_ms, const Sink& on_output, const Sink& on_error) {
    pollfd fds[3];
    int count = 0;
    int input_at = -1, output_at = -1, error_at = -1;
    if (input_fd_ >= 0) {
        input_at = count;
        fds[count++] = {input_fd_, POLLOUT, 0};
    }
    if (output_fd_ >= 0) {
        output_at = count;
        fds[count++] = {output_fd_, POLLIN, 0};
    }
    if (error_fd_ >= 0) {
        error_at = count;
        fds[count++] = {error_fd_, POLLIN, 0};
    }
    int ready = poll(count > 0 ? fds : nullptr, static_cast<nfds_t>(count), timeout_ms);
    if (ready > 0) {
        if (input_at >= 0 && fds[input_at].revents != 0) {
            size_t at = written_;
            ChildInput rest = InputFrom(at);
            ssize_t sent = write(input_fd_, rest.bytes, std::min(kChunk, rest.size));
            if (sent > 0) {
                written_ = at + static_cast<size_t>(sent);
                if (written_ == input_size_) CloseInput();
            } else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                input_refused_ = true;  // EPIPE: the child has closed its input
                CloseInput();
            }
        }
        if (output_at >= 0 && fds[output_at].revents != 0) Drain(&output_fd_, on_output);
        if (error_at >= 0 && fds[error_at].revents != 0) Drain(&error_fd_, on_error);
    }
    ChildTraffic traffic;
    traffic.input_refused = input_refused_;
    traffic.input_open = input_fd_ >= 0;
    traffic.output_open = output_fd_ >= 0;
    traffic.error_open = error_fd_ >= 0;
    return traffic;
}

bool ChildProcess::ResidentBytes(uint64_t* bytes) const {
    if (pid_ <= 0 || ended_) return false;
#ifdef __APPLE__
    proc_taskinfo info;
    if (proc_pidinfo(pid_, PROC_PIDTASKINFO, 0, &info, sizeof info) != sizeof info) return false;
    *bytes = info.pti_resident_size;
    return true;
#else
    // The second field of statm is the resident set, in pages.
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/statm", pid_);
    FILE* file = std::fopen(path, "re");
    if (file == nullptr) return false;
    unsigned long long size = 0, resident = 0;
    bool read = std::fscanf(file, "%llu %llu", &size, &resident) == 2;
    std::fclose(file);
    if (!read) return false;
    *bytes = static_cast<uint64_t>(resident) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    return true;
#endif
}

namespace {

ChildEnd EndOf(int status) {
    ChildEnd end;
    if (WIFEXITED(status)) {
        end.exited = true;
        end.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        end.signal = WTERMSIG(status);
    }
    return end;
}

}  // namespace

// Only a started child is asked about or waited for: waitpid with no pid
// (-1) would wait for any other child of the program and take its status.
bool ChildProcess::HasEnded() {
    if (ended_ || pid_ <= 0) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
    end_ = EndOf(status);
    ended_ = true;
    return true;
}

void ChildProcess::Kill() {
    if (pid_ > 0 && !ended_) kill(pid_, SIGKILL);
}

ChildEnd ChildProcess::Wait() {
    if (ended_ || pid_ <= 0) return end_;
    int status = 0;
    pid_t reaped;
    do {
        reaped = waitpid(pid_, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    end_ = reaped == pid_ ? EndOf(status) : ChildEnd();
    ended_ = true;
    return end_;
}

#else

/* === Windows: CreateProcess, pipes with a writer thread ================== */

namespace {

void CloseHandleOnce(void** handle) {
    if (*handle != nullptr) CloseHandle(static_cast<HANDLE>(*handle));
    *handle = nullptr;
}

// The input is fed from a thread of its own: an anonymous pipe cannot be
// polled, and a write to a child that takes nothing would block for ever.
// The thread ends when all is written or the child has gone (TerminateProcess
// breaks the pipe).
struct ChildInputFeeder {
    HANDLE pipe;
    std::vector<ChildInput> input;
    std::atomic<size_t>* written;
    std::atomic<bool>* refused;

    static DWORD WINAPI Run(void* argument) {
        auto* feeder = static_cast<ChildInputFeeder*>(argument);
        size_t at = 0;
        for (const ChildInput& block : feeder->input) {
            size_t done = 0;
            while (done < block.size) {
                DWORD count = static_cast<DWORD>(std::min(kChunk, block.size - done));
                DWORD sent = 0;
                if (!WriteFile(feeder->pipe, block.bytes + done, count, &sent, nullptr)) {
                    *feeder->refused = true;
                    CloseHandle(feeder->pipe);
                    delete feeder;
                    return 0;
                }
                done += sent;
                at += sent;
                *feeder->written = at;
            }
        }
        CloseHandle(feeder->pipe);
        delete feeder;
        return 0;
    }
};

// The environment block less the variables whose names begin with withheld
// (names compare without case, as Windows does).
std::wstring EnvironmentWithout(const std::string& withheld) {
    std::wstring prefix(withheld.begin(), withheld.end());
    std::wstring block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; entry != nullptr && *entry != L'\0'; entry += wcslen(entry) + 1) {
        if (prefix.empty() || _wcsnicmp(entry, prefix.c_str(), prefix.size()) != 0) {
            block.append(entry);
            block.push_back(L'\0');
        }
    }
    if (strings != nullptr) FreeEnvironmentStringsW(strings);
    if (block.empty()) block.push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

}  // namespace

bool ChildProcess::Start(const char* argument, const std::vector<ChildInput>& input, const std::string& withheld,
                         std::string* error) {
    input_ = input;
    input_size_ = InputSize(input);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE in_read = nullptr, in_write = nullptr, out_read = nullptr, out_write = nullptr;
    HANDLE err_read = nullptr, err_write = nullptr;
    const DWORD pipe_size = 1 << 20;
    if (!CreatePipe(&in_read, &in_write, &inherit, pipe_size) ||
        !CreatePipe(&out_read, &out_write, &inherit, pipe_size) ||
        !CreatePipe(&err_read, &err_write, &inherit, pipe_size)) {
        if (error) *error = "cannot make the pipes to it: error " + std::to_string(GetLastError());
        for (HANDLE h : {in_read, in_write, out_read, out_write, err_read, err_write}) {
            if (h) CloseHandle(h);
        }
        return false;
    }
    // The parent's ends stay with the parent.
    for (HANDLE h : {in_write, out_read, err_read}) SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);

    wchar_t path[MAX_PATH + 1];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(path, length) + L"\" ";
    for (const char* c = argument; *c; ++c) command += static_cast<wchar_t>(*c);

    // Only the three pipe ends are inherited, whatever else is inheritable.
    HANDLE inherited[3] = {in_read, out_write, err_write};
    SIZE_T list_size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &list_size);
    std::string list_bytes(list_size, '\0');
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(&list_bytes[0]);
    InitializeProcThreadAttributeList(list, 1, 0, &list_size);
    UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited, nullptr,
                              nullptr);
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = in_read;
    startup.StartupInfo.hStdOutput = out_write;
    startup.StartupInfo.hStdError = err_write;
    startup.lpAttributeList = list;
    std::wstring environment = EnvironmentWithout(withheld);
    PROCESS_INFORMATION info = {};
    BOOL created = length > 0 && length < MAX_PATH &&
                   CreateProcessW(path, &command[0], nullptr, nullptr, TRUE,
                                  EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT,
                                  &environment[0], nullptr, &startup.StartupInfo, &info);
    DWORD failure = GetLastError();
    DeleteProcThreadAttributeList(list);
    for (HANDLE h : {in_read, out_write, err_write}) CloseHandle(h);
    if (!created) {
        if (error) {
            std::string name;
            for (DWORD i = 0; i < length && i < MAX_PATH; ++i) name += path[i] < 128 ? static_cast<char>(path[i]) : '?';
            *error = "cannot run " + name + ": error " + std::to_string(failure);
        }
        for (HANDLE h : {in_write, out_read, err_read}) CloseHandle(h);
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    output_pipe_ = out_read;
    error_pipe_ = err_read;
    auto* feeder = new ChildInputFeeder{in_write, input_, &written_, &input_refused_};
    writer_ = CreateThread(nullptr, 0, ChildInputFeeder::Run, feeder, 0, nullptr);
    if (writer_ == nullptr) {
        CloseHandle(in_write);
        delete feeder;
        input_refused_ = true;
    }
    return true;
}

void ChildProcess::CloseInput() {}

void ChildProcess::CloseAll() {
    if (writer_ != nullptr) WaitForSingleObject(static_cast<HANDLE>(writer_), INFINITE);
    CloseHandleOnce(&writer_);
    CloseHandleOnce(&output_pipe_);
    CloseHandleOnce(&error_pipe_);
    CloseHandleOnce(&process_);
}

namespace {

// Reads what waits on the pipe into the sink; false at its end.
bool DrainPipe(HANDLE pipe, const ChildProcess::Sink& sink, bool* moved) {
    uint8_t buffer[kChunk];
    DWORD waiting = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) return false;
    if (waiting == 0) return true;
    DWORD count = 0;
    if (!ReadFile(pipe, buffer, std::min<DWORD>(waiting, sizeof buffer), &count, nullptr)) return false;
    if (count > 0) {
        sink(buffer, count);
        *moved = true;
    }
    return true;
}

}  // namespace

ChildTraffic ChildProcess::Exchange(int timeout_ms, const Sink& on_output, const Sink& on_error) {
    bool moved = false;
    if (output_open_ && !DrainPipe(static_cast<HANDLE>(output_pipe_), on_output, &moved)) output_open_ = false;
    if (error_open_ && !DrainPipe(static_cast<HANDLE>(error_pipe_), on_error, &moved)) error_open_ = false;
    if (!moved) Sleep(static_cast<DWORD>(std::min(timeout_ms, 1)));
    ChildTraffic traffic;
    traffic.input_refused = input_refused_;
    traffic.input_open = !input_refused_ && written_ < input_size_;
    traffic.output_open = output_open_;
    traffic.error_open = error_open_;
    return traffic;
}

bool ChildProcess::ResidentBytes(uint64_t* bytes) const {
    if (process_ == nullptr || ended_) return false;
    PROCESS_MEMORY_COUNTERS counters;
    if (!GetProcessMemoryInfo(static_cast<HANDLE>(process_), &counters, sizeof counters)) return false;
    *bytes = counters.WorkingSetSize;
    return true;
}

bool ChildProcess::HasEnded() {
    if (ended_ || process_ == nullptr) return true;
    if (WaitForSingleObject(static_cast<HANDLE>(process_), 0) != WAIT_OBJECT_0) return false;
    Wait();
    return true;
}

void ChildProcess::Kill() {
    if (process_ != nullptr && !ended_) TerminateProcess(static_cast<HANDLE>(process_), 1);
}

ChildEnd ChildProcess::Wait() {
    if (ended_ || process_ == nullptr) return end_;
    WaitForSingleObject(static_cast<HANDLE>(process_), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(static_cast<HANDLE>(process_), &code);
    end_.exited = true;
    end_.status = static_cast<int>(code);
    ended_ = true;
    return end_;
}

#endif

/* === The child's side ==================================================== */

int TakeStandardOutput() {
    std::fflush(stdout);
#ifdef _WIN32
    int descriptor = _dup(1);
    if (descriptor < 0 || _dup2(2, 1) != 0) return -1;
    _setmode(descriptor, _O_BINARY);
#else
    int descriptor = fcntl(1, F_DUPFD_CLOEXEC, 3);
    if (descriptor < 0 || dup2(2, 1) < 0) return -1;
#endif
    return descriptor;
}

bool ReadStandardInput(void* bytes, size_t count) {
    auto* at = static_cast<uint8_t*>(bytes);
    while (count > 0) {
#ifdef _WIN32
        int got = _read(0, at, static_cast<unsigned>(std::min<size_t>(count, 1 << 30)));
#else
        ssize_t got = read(0, at, count);
        if (got < 0 && errno == EINTR) continue;
#endif
        if (got <= 0) return false;
        at += got;
        count -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteDescriptor(int descriptor, const void* bytes, size_t count) {
    auto* at = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
#ifdef _WIN32
        int sent = _write(descriptor, at, static_cast<unsigned>(std::min<size_t>(count, 1 << 30)));
#else
        ssize_t sent = write(descriptor, at, count);
        if (sent < 0 && errno == EINTR) continue;
#endif
        if (sent <= 0) return false;
        at += sent;
        count -= static_cast<size_t>(sent);
    }
    return true;
}

void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

const char* NullDevice() {
#ifdef _WIN32
    return "NUL";
#else
    return "/dev/null";
#endif
}

#if defined(_WIN32) || defined(__APPLE__) || defined(VELMARA_ADDRESS_SANITIZER)
constexpr bool kLimitsAddressSpace = false;
#else
constexpr bool kLimitsAddressSpace = true;
#endif

bool CanLimitAddressSpaceGrowth() { return kLimitsAddressSpace; }

void LimitAddressSpaceGrowth(uint64_t extra) {
#if defined(_WIN32) || defined(__APPLE__) || defined(VELMARA_ADDRESS_SANITIZER)
    (void)extra;
#else
    // The first field of statm is the whole address space, in pages.
    uint64_t mapped = 0;
    FILE* file = std::fopen("/proc/self/statm", "re");
    if (file == nullptr) return;
    unsigned long long pages = 0;
    bool read = std::fscanf(file, "%llu", &pages) == 1;
    std::fclose(file);
    if (!read) return;
    mapped = pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(mapped + extra);
    setrlimit(RLIMIT_AS, &limit);
#endif
}

void ExitNow(int status) {
#ifdef _WIN32
    std::_Exit(status);
#else
    _exit(status);
#endif
}
