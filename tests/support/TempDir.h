// A fresh temporary directory for one test, removed with everything in it
// when the object goes away. Optionally the process's working directory
// for its lifetime (for code that opens fixed relative names).
#pragma once

#include <string>

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

}  // namespace testutil
