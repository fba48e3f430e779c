// Running the real program (or any tool) as a child process in tests, and
// talking to its window under an X server (Xvfb in CI).
//
//   testproc::Options options;
//   options.working_directory = dir;                  // a fresh temporary directory
//   options.environment = testproc::ProgramEnvironment();  // dummy audio and more
//   testproc::ChildProcess velmara(VELMARA_EXE, options);
//   ASSERT_TRUE(velmara.WaitForStdout("Renderer: ", 20));
//   unsigned long window = testproc::FindWindow(velmara.Pid(), "Velmara by Tavik", 20);
//   testproc::FocusWindow(window);
//   testproc::SendKey("Escape");
//   testproc::Exit exit = velmara.Wait(20);          // kills the child on timeout
//   EXPECT_TRUE(exit.exited); EXPECT_EQ(exit.status, 0);
//
// Keys go through xdotool (XTEST) to the focused window, as a keyboard's
// would; closing a window sends it WM_DELETE_WINDOW, as a window manager's
// close button does (xdotool's windowclose destroys the window instead).
// POSIX and X11 only.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testproc {

struct Options {
    std::string working_directory;   // "" keeps the test's own
    std::vector<std::string> arguments;  // after the program name
    // Added to (or replacing in) the test's own environment.
    std::vector<std::pair<std::string, std::string>> environment;
};

// How a child ended.
struct Exit {
    bool exited = false;     // ended by itself, with status
    int status = -1;         // 0..255 (a return of -1 reads 255); -1 unless exited
    int signal = 0;          // the signal that ended it, 0 for none
    bool timed_out = false;  // Wait gave up and killed it
    long max_rss_kb = 0;     // the child's peak resident memory (wait4's ru_maxrss), in KiB
};

class ChildProcess {
public:
    // Starts program (a path, or a name looked up in PATH). Started() tells
    // whether it runs; the child's stdout and stderr are captured.
    ChildProcess(const std::string& program, const Options& options);
    // Kills the child if it still runs, and reaps it.
    ~ChildProcess();

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // True while the child has not ended (reaps it when it has).
    bool Running();
    // Waits up to timeout_seconds for the child to end; past that kills it
    // (SIGKILL) and reports timed_out. Later calls return the same result.
    Exit Wait(double timeout_seconds);
    // Reads output until stdout holds text; false when the child ends or the
    // time runs out first.
    bool WaitForStdout(const std::string& text, double timeout_seconds);
    // Everything read from the child so far (reads what is waiting first).
    const std::string& Stdout();
    const std::string& Stderr();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

private:
    // Moves waiting output into the strings, waiting at most timeout_ms for some.
    void Pump(int timeout_ms);
    bool Reap(bool block);

    pid_t pid_ = -1;
    int out_fd_ = -1;
    int err_fd_ = -1;
    std::string out_;
    std::string err_;
    bool reaped_ = false;
    Exit exit_;
};

// The environment additions for running Velmara in tests: the dummy audio
// driver, and (for sanitizer builds) leak reports that unwind through the GL
// driver, which is unloaded at exit, so that its known leaks are matched by
// tests/lsan.supp. Add or replace entries as a test needs.
std::vector<std::pair<std::string, std::string>> ProgramEnvironment();
// The same, but in sanitizer builds without leak checks and their slow
// unwinding on every allocation, which makes compiling a document's shaders
// take minutes. For runs of whole documents; leaks of start-up and the main
// loop are checked by runs of the empty document.
std::vector<std::pair<std::string, std::string>> ProgramEnvironmentWithoutLeakChecks();

// Runs a tool to its end (killed after timeout_seconds) with its output
// captured; the result of Wait.
Exit RunTool(const std::vector<std::string>& command, double timeout_seconds, std::string* output = nullptr);

/* === What this process holds ============================================ */

// The processes whose parent is this one, ended but not yet waited for
// (zombies) included, as "pid state" texts ("4711 S", "4712 Z"), by pid.
std::vector<std::string> Children();
// This process's open descriptors as "fd -> what it refers to" texts
// ("5 -> pipe:[81234]"), by descriptor.
std::vector<std::string> OpenDescriptors();
// SIGKILLs every child of this process; how many there were.
int KillChildren();

// The X window of process pid whose title is exactly title, waiting up to
// timeout_seconds for it to appear; 0 when none did. Needs DISPLAY.
unsigned long FindWindow(pid_t pid, const std::string& title, double timeout_seconds);
// Gives the window the keyboard focus; false when xdotool failed.
bool FocusWindow(unsigned long window);
// Presses and releases one key (an X keysym name: "Escape", "t", "F1")
// on the focused window.
bool SendKey(const std::string& key);
// Holds modifier ("ctrl", "shift", "alt"), presses and releases key, then
// lets go of the modifier: the key is released while the modifier is held.
bool SendChord(const std::string& modifier, const std::string& key);
// Asks the window to close as a window manager would (WM_DELETE_WINDOW).
bool RequestClose(unsigned long window);

// The colour of the screen's pixel at (x, y), from a screenshot of the root
// window saved as scratch_png (so it is there also after the program ended);
// false when no screenshot could be taken.
bool ScreenPixel(int x, int y, const std::string& scratch_png, uint8_t rgb[3]);

}  // namespace testproc
