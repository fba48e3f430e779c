// A fresh temporary directory for one test, removed with everything in it
// when the object goes away. Optionally the process's working directory
// for its lifetime (for code that opens fixed relative names).
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace testutil {

class TempDir {
public:
    TempDir();
    ~TempDir();

    const std::string& Path() const { return path_; }
    // path/name (name may contain '/').
    std::string File(const std::string& name) const;
    // Writes bytes to path/name; false on failure.
    bool Write(const std::string& name, const std::string& bytes) const;
    // The bytes of path/name, or "" when it cannot be read.
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

private:
    std::string path_;
};

// Makes dir the working directory until the object goes away.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::string& dir);
    ~ScopedWorkingDirectory();

private:
    std::string previous_;
};

// A FIFO at path for the life of the object, which no test can wait on for
// good: should an open of it for reading still wait after timeout_ms, a
// writer comes and goes, so that the open returns (and its reads find the
// end), and Rescued() tells that it had to.
class FifoGuard {
public:
    explicit FifoGuard(const std::string& path, int timeout_ms = 2000);
    ~FifoGuard();
    bool Made() const { return made_; }
    bool Rescued() const { return rescued_.load(); }

    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

private:
    std::string path_;
    bool made_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<bool> rescued_{false};
    std::thread watch_;
};

}  // namespace testutil
