// Everything that differs between operating systems: the executable's own
// path, turning document paths into native ones, making a new file with
// given permission bits, replacing a file by another, the execute bit and
// the process's environment. The rest of the program has no #ifdef.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The full path of the running executable, or "" when it cannot be found.
std::string ExecutablePath();
// Documents store names with backslashes ("resources\default.vert"); on
// POSIX they are opened with '/'. The stored name itself never changes.
std::string NativePath(const std::string& path);
// fopen of NativePath(path); null when the file cannot be opened.
FILE* OpenFile(const std::string& path, const char* mode);
// The file a save of path (a document path) replaces, as a native path:
// path itself, or the file its chain of symbolic links ends at (also when
// that file does not exist yet), so that a save through a link writes the
// linked file and keeps the link. A chain that loops gives path itself.
std::string SaveTarget(const std::string& path);
// Creates path (a native path) as a new file, open for writing. The name
// must be free: anything standing there (a file, a directory, a symbolic
// link, which is not followed) refuses it with errno EEXIST. From the moment
// it exists the file has the permission bits of the file like (a native
// path, links followed), or a new file's default bits when like does not
// exist, so it is never open to more people than like is. Null on failure,
// with errno set.
FILE* CreateNewFile(const std::string& path, const std::string& like);
// Renames from over to (both document paths), replacing an existing file in
// one step; false (and nothing replaced) on failure.
bool RenameReplacing(const std::string& from, const std::string& to);
// The names of the entries of directory (a document path) that lead to
// regular files, symbolic links to them included, in the order the system
// gives them; empty when it cannot be read. Directories, links that lead
// nowhere or to a directory, and other kinds of entry are left out.
std::vector<std::string> ListRegularFiles(const std::string& directory);
// Sets the process's environment variable name to value, unless it is set
// already (also to ""): what the user set stands.
void SetEnvironmentDefault(const char* name, const char* value);
// True when path (a document path) names a directory, links followed.
bool IsDirectory(const std::string& path);
// Removes a file; false when there was none or it could not be removed.
bool RemoveFile(const std::string& path);
// Lets the file be run as a program (the execute bit on POSIX, for everyone
// who may read it); false when the file's mode could not be changed.
bool MakeExecutable(const std::string& path);
