#include "Platform.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

/* === The executable's own path ========================================== */

std::string ExecutablePath() {
#if defined(_WIN32)
    char buffer[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "";
    return std::string(buffer, length);
#elif defined(__APPLE__)
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::string path(size, '\0');
    if (_NSGetExecutablePath(&path[0], &size) != 0) return "";
    path.resize(std::strlen(path.c_str()));
    return path;
#else
    // /proc/self/exe is a link to the running file; readlink does not
    // terminate, and a full buffer means the path may have been cut.
    std::string path(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", &path[0], path.size());
    if (length <= 0 || static_cast<size_t>(length) >= path.size()) return "";
    path.resize(static_cast<size_t>(length));
    return path;
#endif
}

/* === Paths and files ===================================================== */

std::string NativePath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string native = path;
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
#endif
}

static void SetReason(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
}

static const char kNotRegular[] = "it is not a regular file";

FILE* OpenRegularFile(const std::string& path, std::string* reason) {
    std::string native = NativePath(path);
#ifdef _WIN32
    struct _stat64 info;
    if (_stat64(native.c_str(), &info) == 0 && !(info.st_mode & _S_IFREG)) {
        SetReason(reason, (info.st_mode & _S_IFDIR) ? std::strerror(EISDIR) : kNotRegular);
        return nullptr;
    }
    errno = 0;
    FILE* file = std::fopen(native.c_str(), "rb");
    if (file == nullptr) SetReason(reason, errno != 0 ? std::strerror(errno) : "the file cannot be opened");
    return file;
#else
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer, for good. What was opened is then asked what it is, so nothing
    // can be swapped in between a look and the open.
    int fd = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        SetReason(reason, std::strerror(errno));
        return nullptr;
    }
    struct stat info;
    const char* refused = nullptr;
    if (fstat(fd, &info) != 0) {
        refused = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        refused = std::strerror(EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        refused = kNotRegular;
    } else {
        int flags = fcntl(fd, F_GETFL);
        if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) refused = std::strerror(errno);
    }
    FILE* file = refused == nullptr ? fdopen(fd, "rb") : nullptr;
    if (refused == nullptr && file == nullptr) refused = std::strerror(errno);
    if (refused != nullptr) {
        SetReason(reason, refused);
        close(fd);
    }
    return file;
#endif
}

std::string SaveTarget(const std::string& path) {
    std::string native = NativePath(path);
#ifdef _WIN32
    return native;
#else
    std::string target = native;
    for (int hops = 0; hops < 40; ++hops) {  // the kernel's own bound on link chains
        struct stat info;
        if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
        std::string link(4096, '\0');
        ssize_t length = readlink(target.c_str(), &link[0], link.size());
        if (length <= 0 || static_cast<size_t>(length) >= link.size()) return native;
        link.resize(static_cast<size_t>(length));
        if (link[0] != '/') {  // relative to the link's own directory
            size_t slash = target.rfind('/');
            link = slash == std::string::npos ? link : target.substr(0, slash + 1) + link;
        }
        target = link;
    }
    return native;
#endif
}

FILE* CreateNewFile(const std::string& path, const std::string& like) {
#ifdef _WIN32
    (void)like;  // Windows files carry no permission bits of this kind
    int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    FILE* file = _fdopen(fd, "wb");
#else
    struct stat info;
    bool has_model = stat(like.c_str(), &info) == 0;
    mode_t mode = has_model ? (info.st_mode & 07777) : 0666;
    // O_EXCL refuses any name that is taken, and a link standing at the
    // name is not followed. The umask can only take bits away here.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return nullptr;
    // Bits the umask took (a group-writable file, say) come back, so the
    // file keeps like's mode exactly; none of them is more than like allows.
    if (has_model) fchmod(fd, mode);
    FILE* file = fdopen(fd, "wb");
#endif
    if (file == nullptr) {
        int reason = errno;
#ifdef _WIN32
        _close(fd);
#else
        close(fd);
#endif
        std::remove(path.c_str());
        errno = reason;
    }
    return file;
}

std::string PathBeside(const std::string& path, const std::string& name) {
#ifdef _WIN32
    size_t separator = path.find_last_of("\\/:");
#else
    size_t separator = path.rfind('/');
#endif
    return separator == std::string::npos ? name : path.substr(0, separator + 1) + name;
}

bool MayWrite(const std::string& path) {
#ifdef _WIN32
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return true;
    errno = EACCES;
    return false;
#else
    // AT_EACCESS asks for the effective user, as the open of a direct write
    // would: root may write a 0444 file, an ordinary user may not.
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0) return true;
    // Only a refusal counts: nothing there is a new file, and a loop of links
    // or the like is the rest of the save's to report.
    return errno != EACCES && errno != EPERM && errno != EROFS;
#endif
}

bool SyncFile(FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
        errno = EIO;
        return false;
    }
    return true;
#else
    return fsync(fileno(file)) == 0;
#endif
}

bool SyncFolderOf(const std::string& path) {
#ifdef _WIN32
    (void)path;  // a rename with MOVEFILE_WRITE_THROUGH is on the disk when it returns
    return true;
#else
    std::string folder = PathBeside(path, ".");
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool synced = fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync a folder
    int reason = errno;
    close(fd);
    errno = reason;
    return synced;
#endif
}

bool RenameReplacing(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    // rename() replaces the target atomically on POSIX.
    return std::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
#endif
}

std::vector<std::string> ListRegularFiles(const std::string& directory) {
    std::vector<std::string> names;
#ifdef _WIN32
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((NativePath(directory) + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
#else
    std::string native = NativePath(directory);
    DIR* dir = opendir(native.c_str());
    if (dir == nullptr) return names;
    while (struct dirent* entry = readdir(dir)) {
        bool regular = entry->d_type == DT_REG;
        // A symbolic link is taken when it leads to a regular file; when the
        // file system does not say what an entry is, the file itself is asked.
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info;
            std::string path = native + "/" + entry->d_name;
            regular = stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
        }
        if (regular) names.push_back(entry->d_name);
    }
    closedir(dir);
#endif
    return names;
}

/* === Memory streams ===================================================== */

MemoryStream::MemoryStream() {
    errno = 0;
#ifdef _WIN32
    file_ = std::tmpfile();
#else
    file_ = open_memstream(&data_, &size_);
#endif
    if (file_ == nullptr) open_error_ = errno != 0 ? errno : ENOMEM;
}

MemoryStream::~MemoryStream() {
    if (file_ != nullptr) std::fclose(file_);
    std::free(data_);
}

bool MemoryStream::Finish(std::string* error) {
    if (file_ == nullptr) {
        if (error) *error = std::strerror(open_error_ != 0 ? open_error_ : EINVAL);
        return false;
    }
    errno = 0;
    bool ok = std::fflush(file_) == 0 && std::ferror(file_) == 0;
    int reason = errno;
#ifdef _WIN32
    // The temporary file's bytes come back into memory.
    long length = ok ? std::ftell(file_) : -1;
    ok = ok && length >= 0 && std::fseek(file_, 0, SEEK_SET) == 0;
    if (ok) {
        data_ = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
        size_ = static_cast<size_t>(length);
        ok = data_ != nullptr && std::fread(data_, 1, size_, file_) == size_;
    }
    if (!ok && reason == 0) reason = errno;
    std::fclose(file_);
#else
    // Closing sets data_ and size_ for the last time.
    if (std::fclose(file_) != 0 && ok) {
        ok = false;
        reason = errno;
    }
#endif
    file_ = nullptr;
    if (!ok) {
        if (error) *error = std::strerror(reason != 0 ? reason : ENOMEM);
        std::free(data_);
        data_ = nullptr;
        size_ = 0;
    }
    return ok;
}

/* === The environment ===================================================== */

void SetEnvironmentDefault(const char* name, const char* value) {
#ifdef _WIN32
    if (std::getenv(name) == nullptr) _putenv_s(name, value);
#else
    setenv(name, value, 0);
#endif
}

/* === Directories and removal ============================================= */

bool PathExists(const std::string& path) {
#ifdef _WIN32
    return GetFileAttributesA(NativePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat info;
    return stat(NativePath(path).c_str(), &info) == 0;
#endif
}

bool IsDirectory(const std::string& path) {
#ifdef _WIN32
    DWORD attributes = GetFileAttributesA(NativePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
#else
    struct stat info;
    return stat(NativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

bool RemoveFile(const std::string& path) {
    return std::remove(NativePath(path).c_str()) == 0;
}

bool MakeExecutable(const std::string& path) {
#ifdef _WIN32
    (void)path;  // Windows runs any .exe; there is no bit to set.
    return true;
#else
    struct stat info;
    std::string native = NativePath(path);
    if (stat(native.c_str(), &info) != 0) return false;
    // Execute for whoever may read: r-- becomes r-x.
    mode_t mode = info.st_mode & 07777;
    mode |= (mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 2;
    return chmod(native.c_str(), mode) == 0;
#endif
}
