#include "Process.h"

#include <SDL.h>
#include <SDL_image.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace testproc {
namespace {

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The test's environment with the overrides applied, as "NAME=value"
// texts; of two overrides of one name the later wins.
std::vector<std::string> MergedEnvironment(const std::vector<std::pair<std::string, std::string>>& overrides) {
    auto overridden = [&overrides](const std::string& name, size_t from) {
        for (size_t i = from; i < overrides.size(); ++i) {
            if (overrides[i].first == name) return true;
        }
        return false;
    };
    std::vector<std::string> merged;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string text = *entry;
        if (!overridden(text.substr(0, text.find('=')), 0)) merged.push_back(text);
    }
    for (size_t i = 0; i < overrides.size(); ++i) {
        if (!overridden(overrides[i].first, i + 1)) merged.push_back(overrides[i].first + "=" + overrides[i].second);
    }
    return merged;
}

std::vector<char*> PointerList(std::vector<std::string>& texts) {
    std::vector<char*> list;
    for (std::string& text : texts) list.push_back(&text[0]);
    list.push_back(nullptr);
    return list;
}

}  // namespace

/* === Child processes ===================================================== */

ChildProcess::ChildProcess(const std::string& program, const Options& options) {
    int out_pipe[2];
    int err_pipe[2];
    if (pipe(out_pipe) != 0) return;
    if (pipe(err_pipe) != 0) {
        close(out_pipe[0]);
        close(out_pipe[1]);
        return;
    }
    // Everything the child needs is built before fork: after it, only
    // async-signal-safe calls.
    std::vector<std::string> argument_texts = {program};
    argument_texts.insert(argument_texts.end(), options.arguments.begin(), options.arguments.end());
    std::vector<std::string> environment_texts = MergedEnvironment(options.environment);
    std::vector<char*> argv = PointerList(argument_texts);
    std::vector<char*> envp = PointerList(environment_texts);
    const char* directory = options.working_directory.empty() ? nullptr : options.working_directory.c_str();

    pid_t pid = fork();
    if (pid == 0) {
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        close(out_pipe[0]);
        close(out_pipe[1]);
        close(err_pipe[0]);
        close(err_pipe[1]);
        if (directory && chdir(directory) != 0) _exit(127);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (pid < 0) {
        close(out_pipe[0]);
        close(err_pipe[0]);
        return;
    }
    pid_ = pid;
    out_fd_ = out_pipe[0];
    err_fd_ = err_pipe[0];
    fcntl(out_fd_, F_SETFL, fcntl(out_fd_, F_GETFL) | O_NONBLOCK);
    fcntl(err_fd_, F_SETFL, fcntl(err_fd_, F_GETFL) | O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGKILL);
        Reap(true);
    }
    if (out_fd_ >= 0) close(out_fd_);
    if (err_fd_ >= 0) close(err_fd_);
}

void ChildProcess::Pump(int timeout_ms) {
    pollfd fds[2];
    int count = 0;
    if (out_fd_ >= 0) fds[count++] = {out_fd_, POLLIN, 0};
    if (err_fd_ >= 0) fds[count++] = {err_fd_, POLLIN, 0};
    if (count == 0) {
        if (timeout_ms > 0) usleep(static_cast<useconds_t>(timeout_ms) * 1000);
        return;
    }
    if (poll(fds, count, timeout_ms) <= 0) return;
    for (int i = 0; i < count; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        bool is_out = fds[i].fd == out_fd_;
        std::string& sink = is_out ? out_ : err_;
        char chunk[4096];
        for (;;) {
            ssize_t got = read(fds[i].fd, chunk, sizeof chunk);
            if (got > 0) {
                sink.append(chunk, static_cast<size_t>(got));
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            if (got == 0) {  // the child closed its end
                close(fds[i].fd);
                (is_out ? out_fd_ : err_fd_) = -1;
            }
            break;
        }
    }
}

bool ChildProcess::Reap(bool block) {
    if (reaped_) return true;
    if (pid_ <= 0) return false;
    int status = 0;
    rusage usage{};
    pid_t done = wait4(pid_, &status, block ? 0 : WNOHANG, &usage);
    if (done != pid_) return false;
    reaped_ = true;
    exit_.max_rss_kb = usage.ru_maxrss;
    if (WIFEXITED(status)) {
        exit_.exited = true;
        exit_.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        exit_.signal = WTERMSIG(status);
    }
    return true;
}

bool ChildProcess::Running() {
    if (pid_ <= 0) return false;
    Pump(0);
    return !Reap(false);
}

Exit ChildProcess::Wait(double timeout_seconds) {
    if (pid_ <= 0 || reaped_) return exit_;
    double deadline = Now() + timeout_seconds;
    while (!Reap(false)) {
        if (Now() >= deadline) {
            kill(pid_, SIGKILL);
            Reap(true);
            exit_.timed_out = true;
            break;
        }
        Pump(20);
    }
    // Whatever the child wrote before it ended is still in the pipes.
    while (out_fd_ >= 0 || err_fd_ >= 0) Pump(100);
    return exit_;
}

bool ChildProcess::WaitForStdout(const std::string& text, double timeout_seconds) {
    double deadline = Now() + timeout_seconds;
    for (;;) {
        Pump(20);
        if (out_.find(text) != std::string::npos) return true;
        if (!Running() && out_fd_ < 0) return out_.find(text) != std::string::npos;
        if (Now() >= deadline) return false;
    }
}

const std::string& ChildProcess::Stdout() {
    Pump(0);
    return out_;
}

const std::string& ChildProcess::Stderr() {
    Pump(0);
    return err_;
}

std::vector<std::pair<std::string, std::string>> ProgramEnvironment() {
    const char* lsan = std::getenv("LSAN_OPTIONS");
    std::string lsan_options = lsan && *lsan ? std::string(lsan) + ":" : std::string();
    lsan_options += "fast_unwind_on_malloc=0";
    return {{"SDL_AUDIODRIVER", "dummy"}, {"LSAN_OPTIONS", lsan_options}};
}

std::vector<std::pair<std::string, std::string>> ProgramEnvironmentWithoutLeakChecks() {
    std::vector<std::pair<std::string, std::string>> environment = ProgramEnvironment();
    const char* lsan = std::getenv("LSAN_OPTIONS");
    const char* asan = std::getenv("ASAN_OPTIONS");
    for (auto& entry : environment) {
        if (entry.first == "LSAN_OPTIONS") entry.second = lsan ? lsan : "";
    }
    environment.emplace_back("ASAN_OPTIONS", std::string(asan ? asan : "") + ":detect_leaks=0");
    return environment;
}

Exit RunTool(const std::vector<std::string>& command, double timeout_seconds, std::string* output) {
    if (command.empty()) return Exit{};
    Options options;
    options.arguments.assign(command.begin() + 1, command.end());
    ChildProcess tool(command[0], options);
    Exit exit = tool.Wait(timeout_seconds);
    if (output) *output = tool.Stdout();
    return exit;
}

/* === What this process holds ============================================ */

namespace {

// The numeric entries of a /proc directory, ascending.
std::vector<long> NumericEntries(const char* path) {
    std::vector<long> numbers;
    DIR* dir = opendir(path);
    if (dir == nullptr) return numbers;
    while (dirent* entry = readdir(dir)) {
        char* end = nullptr;
        long number = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0') numbers.push_back(number);
    }
    closedir(dir);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

}  // namespace

std::vector<std::string> Children() {
    std::vector<std::string> children;
    const long self = static_cast<long>(getpid());
    for (long pid : NumericEntries("/proc")) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;  // ended meanwhile
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        long parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &parent) == 2 && parent == self) {
            children.push_back(std::to_string(pid) + " " + state);
        }
    }
    return children;
}

std::vector<std::string> OpenDescriptors() {
    std::vector<std::string> open;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return open;
    const int own = dirfd(dir);
    std::vector<int> fds;
    while (dirent* entry = readdir(dir)) {
        char* end = nullptr;
        long fd = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && fd != own) fds.push_back(static_cast<int>(fd));
    }
    std::sort(fds.begin(), fds.end());
    for (int fd : fds) {
        char target[512];
        std::string link = "/proc/self/fd/" + std::to_string(fd);
        ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
        target[length > 0 ? length : 0] = '\0';
        open.push_back(std::to_string(fd) + " -> " + target);
    }
    closedir(dir);
    return open;
}

int KillChildren() {
    int killed = 0;
    for (const std::string& child : Children()) {
        if (kill(static_cast<pid_t>(std::stol(child)), SIGKILL) == 0) ++killed;
    }
    return killed;
}

/* === Windows and keys ==================================================== */

unsigned long FindWindow(pid_t pid, const std::string& title, double timeout_seconds) {
    double deadline = Now() + timeout_seconds;
    // xdotool's --name takes a regular expression: escape the title.
    std::string pattern = "^";
    for (char c : title) {
        if (std::strchr(".^$*+?()[]{}|\\", c)) pattern += '\\';
        pattern += c;
    }
    pattern += "$";
    for (;;) {
        std::string found;
        Exit exit = RunTool({"xdotool", "search", "--pid", std::to_string(pid), "--name", pattern}, 10, &found);
        if (exit.exited && exit.status == 0) {
            std::istringstream lines(found);
            unsigned long window = 0;
            if (lines >> window && window != 0) return window;
        }
        if (Now() >= deadline) return 0;
        usleep(100 * 1000);
    }
}

static bool Xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    Exit exit = RunTool(command, 10);
    return exit.exited && exit.status == 0;
}

bool FocusWindow(unsigned long window) {
    return Xdotool({"windowfocus", "--sync", std::to_string(window)});
}

bool SendKey(const std::string& key) { return Xdotool({"key", key}); }

bool SendChord(const std::string& modifier, const std::string& key) {
    // One xdotool run, so nothing comes between the three steps.
    return Xdotool({"keydown", modifier, "key", key, "keyup", modifier});
}

bool RequestClose(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(delete_window);
    event.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent != 0;
}



/* === Screenshots ========================================================= */

bool ScreenPixel(int x, int y, const std::string& scratch_png, uint8_t rgb[3]) {
    std::string crop = "1x1+" + std::to_string(x) + "+" + std::to_string(y);
    Exit taken = RunTool({"import", "-window", "root", "-crop", crop, "png:" + scratch_png}, 20);
    if (!taken.exited || taken.status != 0) return false;
    SDL_Surface* image = IMG_Load(scratch_png.c_str());
    if (image == nullptr) return false;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(image, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(image);
    if (rgba == nullptr) return false;
    const uint8_t* pixel = static_cast<uint8_t*>(rgba->pixels);
    for (int i = 0; i < 3; ++i) rgb[i] = pixel[i];
    SDL_FreeSurface(rgba);
    return true;
}

}  // namespace testproc
