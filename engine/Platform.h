// Everything that differs between operating systems: the executable's own
// path, turning document paths into native ones, and the execute bit.
#pragma once

#include <cstdio>
#include <string>

// The full path of the running executable, or "" when it cannot be found.
std::string ExecutablePath();
// Documents store names with backslashes ("resources\default.vert"); on
// POSIX they are opened with '/'. The stored name itself never changes.
std::string NativePath(const std::string& path);
// fopen of NativePath(path).
FILE* OpenFile(const std::string& path, const char* mode);
// Lets the file be run as a program (the execute bit on POSIX).
bool MakeExecutable(const std::string& path);
