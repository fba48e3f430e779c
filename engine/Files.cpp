#include "Files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

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
    errno = 0;
    FILE* file = OpenFile(path, "rb");
    if (!file) {
        SetSystemReason(error, "the file cannot be opened");
        return nullptr;
    }
    // A directory opens on POSIX, and may even claim a length, but fails the
    // first read: that read gives the system's reason ("Is a directory").
    errno = 0;
    bool readable = std::fgetc(file) != EOF || !std::ferror(file);
    *length = -1;
    if (readable && std::fseek(file, 0, SEEK_END) == 0) *length = std::ftell(file);
    if (*length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        SetSystemReason(error, "the file cannot be read");
        std::fclose(file);
        return nullptr;
    }
    return file;
}

char* ReadWholeFile(const char* path, uint32_t* size, std::string* error) {
    if (size) *size = 0;
    if (!path) {
        if (error) *error = "no file named";
        return nullptr;
    }
    long length = -1;
    FILE* file = OpenForReading(path, &length, error);
    if (!file) return nullptr;
    char* buffer = nullptr;
    if (static_cast<unsigned long>(length) >= 0xFFFFFFFFul) {
        // The length travels as 32 bits, and one byte more is allocated.
        if (error) *error = "the file is 4 GiB or larger";
    } else {
        buffer = ReadBytes(file, length, error);
    }
    std::fclose(file);
    if (buffer && size) *size = static_cast<uint32_t>(length);
    return buffer;
}

// How many names beside the target a save tries for its temporary file
// before it gives up: a name can be taken by a file a crashed save left, or
// by anything someone put there.
static constexpr int kTemporaryNameTries = 100;

// The n-th name tried for the temporary file of a save of target.
static std::string TemporaryName(const std::string& target, int n) {
    std::string name = target + ".velmara-tmp";
    return n == 0 ? name : name + std::to_string(n);
}

bool WriteWholeFile(const char* path, const void* data, uint64_t length, std::string* error) {
    if (!path || (!data && length > 0)) {
        if (error) *error = "nothing to write";
        return false;
    }
    // Write beside the target, then rename over it: the old file stays
    // whole until the new one is complete. A link is saved through. The new
    // file is made here, never opened where something stands, and has the old
    // file's permission bits from the start, so a private file is never
    // readable by others while it is written.
    std::string target = SaveTarget(path);
    std::string temporary;
    FILE* file = nullptr;
    for (int n = 0; n < kTemporaryNameTries && file == nullptr; ++n) {
        temporary = TemporaryName(target, n);
        errno = 0;
        file = CreateNewFile(temporary, target);
        if (file == nullptr && errno != EEXIST) break;  // another name would fail the same way
    }
    if (!file) {
        SetSystemReason(error, "the file could not be written");
        return false;
    }
    errno = 0;
    bool ok = length == 0 || std::fwrite(data, 1, static_cast<size_t>(length), file) == length;
    ok = (std::fflush(file) == 0) && ok;
    ok = (std::fclose(file) == 0) && ok;
    if (ok) ok = RenameReplacing(temporary, target);
    if (!ok) {
        SetSystemReason(error, "the file could not be written");
        RemoveFile(temporary);
    }
    return ok;
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
