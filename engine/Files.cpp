#include "Files.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

#include "Platform.h"

/* === Whole files ========================================================= */

// error := the reason of the last failed system call, or fallback when
// the system gave none.
static void SetSystemReason(std::string* error, const char* fallback) {
    if (error) *error = errno != 0 ? std::strerror(errno) : fallback;
}

// Reads length bytes of file into a new buffer with a zero byte after them;
// null (with the reason) when they cannot all be read.
static char* ReadBytes(FILE* file, long length, std::string* error) {
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (!buffer) {
        if (error) *error = std::strerror(ENOMEM);
        return nullptr;
    }
    errno = 0;
    size_t got = std::fread(buffer, 1, static_cast<size_t>(length), file);
    if (got != static_cast<size_t>(length) || std::ferror(file)) {
        SetSystemReason(error, "the file ended before all of it was read");
        std::free(buffer);
        return nullptr;
    }
    buffer[length] = '\0';
    return buffer;
}

FILE* OpenForReading(const std::string& path, long* length, std::string* error) {
    *length = -1;
    FILE* file = OpenRegularFile(path, error);
    if (!file) return nullptr;
    errno = 0;
    if (std::fseek(file, 0, SEEK_END) == 0) *length = std::ftell(file);
    if (*length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        SetSystemReason(error, "the file cannot be read");
        std::fclose(file);
        *length = -1;
        return nullptr;
    }
    return file;
}

// Opens path for a whole-file read: the file and its length, or null with
// the reason; a file of 4 GiB or more is refused, as its length travels as
// 32 bits and one byte more is allocated.
static FILE* OpenWholeFile(const char* path, long* length, std::string* error) {
    if (!path) {
        if (error) *error = "no file named";
        return nullptr;
    }
    FILE* file = OpenForReading(path, length, error);
    if (file && static_cast<unsigned long>(*length) >= 0xFFFFFFFFul) {
        if (error) *error = "the file is 4 GiB or larger";
        std::fclose(file);
        return nullptr;
    }
    return file;
}

char* ReadWholeFile(const char* path, uint32_t* size, std::string* error) {
    if (size) *size = 0;
    long length = -1;
    FILE* file = OpenWholeFile(path, &length, error);
    if (!file) return nullptr;
    char* buffer = ReadBytes(file, length, error);
    std::fclose(file);
    if (buffer && size) *size = static_cast<uint32_t>(length);
    return buffer;
}

bool ReadWholeFileInto(const std::string& path, std::string* bytes, std::string* error) {
    std::string().swap(*bytes);
    long length = -1;
    FILE* file = OpenWholeFile(path.c_str(), &length, error);
    if (!file) return false;
    bool ok = true;
    try {
        bytes->resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        if (error) *error = std::strerror(ENOMEM);
        ok = false;
    }
    if (ok && length > 0) {
        errno = 0;
        ok = std::fread(&(*bytes)[0], 1, bytes->size(), file) == bytes->size() && !std::ferror(file);
        if (!ok) SetSystemReason(error, "the file ended before all of it was read");
    }
    std::fclose(file);
    if (!ok) std::string().swap(*bytes);
    return ok;
}

// How many random names a save tries for its temporary file before it gives
// up: a name can be taken by a file a killed save left, or by anything
// someone put there, but 62^6 names make a second try rare already.
static constexpr int kTemporaryNameTries = 100;

// A new random name for the temporary file of a save: short, so that it
// fits wherever the name it replaces fits, and hidden on POSIX.
static std::string TemporaryName() {
    static std::mt19937_64 random([] {
        // Unpredictable enough for a file name; O_EXCL, not the name, keeps
        // the save safe from whatever stands at it.
        int local = 0;
        return static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()) ^
               static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&local));
    }());
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".velmara-save-";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

// Makes the temporary file of a save of target (a native path) in its
// folder; null with errno set when no name could be made.
static FILE* CreateTemporaryFile(const std::string& target, std::string* temporary) {
    for (int n = 0; n < kTemporaryNameTries; ++n) {
        *temporary = PathBeside(target, TemporaryName());
        errno = 0;
        FILE* file = CreateNewFile(*temporary, target);
        if (file != nullptr || errno != EEXIST) return file;  // another name would fail the same way
    }
    return nullptr;
}

bool WriteWholeFile(const char* path, const void* data, uint64_t length, std::string* error, std::string* note) {
    if (note) note->clear();
    if (!path || (!data && length > 0)) {
        if (error) *error = "nothing to write";
        return false;
    }
    // Write beside the target, then rename over it: the old file stays
    // whole until the new one is complete. A link is saved through. The
    // rename needs only the right to write the folder, so the file itself is
    // asked first, as a direct write would ask it. The new file is made here,
    // never opened where something stands, and has the old file's
    // permission bits from the start, so a private file is never readable
    // by others while it is written.
    std::string target = SaveTarget(path);
    errno = 0;
    if (!MayWrite(target)) {
        SetSystemReason(error, "the file may not be written");
        return false;
    }
    std::string temporary;
    FILE* file = CreateTemporaryFile(target, &temporary);
    if (!file) {
        SetSystemReason(error, "the file could not be written");
        return false;
    }
    errno = 0;
    bool ok = length == 0 || std::fwrite(data, 1, static_cast<size_t>(length), file) == length;
    ok = ok && std::fflush(file) == 0;
    // On the disk before the rename: a power cut after it must find the new
    // bytes, not an empty or short file under the old name.
    ok = ok && SyncFile(file);
    int reason = errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        reason = errno;
    }
    if (ok) {
        ok = RenameReplacing(temporary, target);
        reason = errno;
    }
    if (!ok) {
        errno = reason;
        SetSystemReason(error, "the file could not be written");
        RemoveFile(temporary);
        return false;
    }
    // The rename itself is on the disk once the folder is.
    errno = 0;
    if (!SyncFolderOf(target) && note) {
        *note = std::string("the folder could not be synced: ") +
                (errno != 0 ? std::strerror(errno) : "the system gave no reason");
    }
    return true;
}

/* === Package Strings ===================================================== */

static bool ReadU64(FILE* file, uint64_t& value) {
    uint8_t bytes[8];
    if (std::fread(bytes, 1, 8, file) != 8) return false;
    value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
    return true;
}

bool ReadStringChecked(FILE* file, std::string& text) {
    text.clear();
    uint64_t length = 0;
    if (!file || !ReadU64(file, length)) return false;
    // Grow with what actually arrives, so a damaged length cannot make us
    // allocate far beyond the file.
    const uint64_t kChunk = 1 << 16;
    while (text.size() < length) {
        uint64_t want = length - text.size();
        if (want > kChunk) want = kChunk;
        size_t old_size = text.size();
        text.resize(old_size + static_cast<size_t>(want));
        size_t got = std::fread(&text[old_size], 1, static_cast<size_t>(want), file);
        if (got != want) {
            text.clear();
            return false;
        }
    }
    return true;
}

std::string ReadString(FILE* file) {
    std::string text;
    ReadStringChecked(file, text);
    return text;
}

void WriteString(const std::string& text, FILE* file) {
    if (!file) return;
    uint64_t length = text.size();
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(length >> (8 * i));
    std::fwrite(bytes, 1, 8, file);
    if (length > 0) std::fwrite(text.data(), 1, text.size(), file);
}
