// Fields of a file held in memory: whether they lie within its bytes, and
// integers read from them in either byte order. Every reader of a header
// tests FitsWithin (or Bytes::Has) before it reads a field.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

// Whether count bytes from offset lie within size bytes (no overflow for
// any values).
inline bool FitsWithin(uint64_t size, uint64_t offset, uint64_t count) {
    return offset <= size && count <= size - offset;
}

inline uint32_t ReadBE16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
inline uint32_t ReadBE32(const uint8_t* p) { return ReadBE16(p) << 16 | ReadBE16(p + 2); }
inline uint32_t ReadLE16(const uint8_t* p) { return static_cast<uint32_t>(p[1]) << 8 | p[0]; }
inline uint32_t ReadLE24(const uint8_t* p) { return static_cast<uint32_t>(p[2]) << 16 | ReadLE16(p); }
inline uint32_t ReadLE32(const uint8_t* p) { return ReadLE16(p + 2) << 16 | ReadLE16(p); }
inline uint64_t ReadLE64(const uint8_t* p) { return static_cast<uint64_t>(ReadLE32(p + 4)) << 32 | ReadLE32(p); }

/* === A file's bytes, as the media checks read them ======================= */

// size bytes from data, read only within their size: every field a check
// reads goes through Has first, or through Tag, which answers "not there"
// instead of reading past the end. A null data has no bytes.
struct Bytes {
    const uint8_t* data;
    uint64_t size;

    Bytes(const void* bytes, uint64_t count)
        : data(static_cast<const uint8_t*>(bytes)), size(bytes == nullptr ? 0 : count) {}

    // Whether count bytes lie at offset.
    bool Has(uint64_t offset, uint64_t count) const { return FitsWithin(size, offset, count); }
    // Whether the text of tag (a signature or a chunk name of any length,
    // without its terminating NUL) lies at offset.
    bool Tag(uint64_t offset, const char* tag) const {
        size_t length = std::strlen(tag);
        return Has(offset, length) && std::memcmp(data + offset, tag, length) == 0;
    }
    // Integers at offset; the caller has checked Has(offset, width).
    uint32_t LE16(uint64_t offset) const { return ReadLE16(data + offset); }
    uint32_t BE16(uint64_t offset) const { return ReadBE16(data + offset); }
    uint32_t LE24(uint64_t offset) const { return ReadLE24(data + offset); }
    uint32_t LE32(uint64_t offset) const { return ReadLE32(data + offset); }
    uint32_t BE32(uint64_t offset) const { return ReadBE32(data + offset); }
};

// The outcome of checking one header or field: empty when it passes, else
// the reason, in the words the check's caller shows.
using Problem = std::string;
