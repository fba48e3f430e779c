// Fields of a file held in memory: whether they lie within its bytes, and
// integers read from them in either byte order. Every reader of a header
// tests FitsWithin before it reads a field.
#pragma once

#include <cstdint>

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
