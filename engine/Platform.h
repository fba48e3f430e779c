// Everything that differs between operating systems: the executable's own
// path, turning document paths into native ones, opening a file for reading
// without waiting, making a new file with given permission bits, asking
// whether a file may be written, syncing to the disk, replacing a file by
// another, a stream that writes into memory, the execute bit and the
// process's environment. The rest of the program has no #ifdef.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The full path of the running executable, or "" when it cannot be found.
std::string ExecutablePath();
// Documents store names with backslashes ("resources\default.vert"); on
// POSIX they are opened with '/'. The stored name itself never changes.
std::string NativePath(const std::string& path);
// Opens path (a document path) for reading, at its start, without ever
// waiting: a FIFO or a device is looked at, not read. Only a regular file
// (links followed) opens; null otherwise, with the reason in reason when it
// is not null: the system's ("No such file or directory", "Is a directory")
// or "it is not a regular file".
FILE* OpenRegularFile(const std::string& path, std::string* reason);
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
// The native path of name in the folder where path (a native path) stands.
std::string PathBeside(const std::string& path, const std::string& name);
// False, with errno set (EACCES, EROFS), when something stands at path (a
// native path, links followed) that the effective user may not write, as a
// direct write would be refused: a read-only file, or another user's that is
// not open to this one. True when it may be written or nothing stands there.
// The file is only asked about, never opened.
bool MayWrite(const std::string& path);
// Pushes what was written to file (flushed first) down to the disk; false,
// with errno set, when the system reports that it failed.
bool SyncFile(FILE* file);
// Pushes the folder where path (a native path) stands down to the disk, so
// that a rename in it survives a power failure; false, with errno set, on
// failure. Where a file system cannot sync a folder (EINVAL) it counts as
// done; where the system has no such sync it is always done.
bool SyncFolderOf(const std::string& path);
// Renames from over to (both document paths), replacing an existing file in
// one step; false (and nothing replaced) on failure.
bool RenameReplacing(const std::string& from, const std::string& to);

// A FILE* whose bytes collect in memory, for a file that is put together
// before it is saved: open_memstream on POSIX; where the system has no such
// stream, a temporary file, read back by Finish. The stream never seeks, so
// its position is its size.
class MemoryStream {
public:
    MemoryStream();  // File() is null when no stream could be made (Finish says why)
    ~MemoryStream();
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    // The stream to write to; null when it could not be made.
    FILE* File() const { return file_; }
    // Ends the writing: true when every byte went in, with the bytes in
    // Data() and Size(); false with the system's reason in error when error
    // is not null ("Cannot allocate memory"). The stream is closed either way.
    bool Finish(std::string* error);
    // The bytes written, once Finish succeeded; they live as long as the object.
    const char* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    FILE* file_ = nullptr;
    char* data_ = nullptr;  // malloc'd
    size_t size_ = 0;
    int open_error_ = 0;  // errno when the stream could not be made
};
// The names of the entries of directory (a document path) that lead to
// regular files, symbolic links to them included, in the order the system
// gives them; empty when it cannot be read. Directories, links that lead
// nowhere or to a directory, and other kinds of entry are left out.
std::vector<std::string> ListRegularFiles(const std::string& directory);
// Sets the process's environment variable name to value, unless it is set
// already (also to ""): what the user set stands.
void SetEnvironmentDefault(const char* name, const char* value);
// True when something stands at path (a document path), links followed;
// the thing is only looked at, never opened.
bool PathExists(const std::string& path);
// True when path (a document path) names a directory, links followed.
bool IsDirectory(const std::string& path);
// Removes a file; false when there was none or it could not be removed.
bool RemoveFile(const std::string& path);
// Lets the file be run as a program (the execute bit on POSIX, for everyone
// who may read it); false when the file's mode could not be changed.
bool MakeExecutable(const std::string& path);
