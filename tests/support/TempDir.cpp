#include "TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace testutil {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmara-test-XXXXXX").string();
    if (mkdtemp(&pattern[0])) path_ = pattern;
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const { return path_ + "/" + name; }

bool TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDir::Exists(const std::string& name) const {
    std::error_code ignored;
    return std::filesystem::exists(File(name), ignored);
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::string& dir) {
    std::error_code ignored;
    previous_ = std::filesystem::current_path(ignored).string();
    std::filesystem::current_path(dir, ignored);
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

FifoGuard::FifoGuard(const std::string& path, int timeout_ms) : path_(path) {
    made_ = mkfifo(path.c_str(), 0644) == 0;
    if (!made_) return;
    watch_ = std::thread([this, timeout_ms] {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!stop_.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (std::chrono::steady_clock::now() < deadline) continue;
            // Opens only while a reader waits (ENXIO otherwise), and lets it go.
            int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                close(fd);
                rescued_ = true;
            }
        }
    });
}

FifoGuard::~FifoGuard() {
    stop_ = true;
    if (watch_.joinable()) watch_.join();
}

}  // namespace testutil
