#include "ByteBuffer.h"

#include <cstdlib>
#include <cstring>

#include "Playback.h"

/* === ByteBuffer ========================================================== */

ByteBuffer::ByteBuffer(const void* bytes, uint64_t length) {
    // Always a real allocation, so an empty buffer still owns an array; a
    // block too large to allocate leaves an empty buffer.
    data = static_cast<uint8_t*>(std::malloc(length > 0 ? static_cast<size_t>(length) : 1));
    if (data && bytes && length > 0) {
        std::memcpy(data, bytes, static_cast<size_t>(length));
        this->length = length;
    } else {
        this->length = 0;
    }
}

ByteBuffer::~ByteBuffer() { std::free(data); }

/* === Buffer ============================================================== */

Buffer::Buffer() {
    // Zero-filled: a feedback effect drawn before its first capture reads
    // black, never leftover memory.
    int64_t width = g_screen_size->width > 0 ? g_screen_size->width : 0;
    int64_t height = g_screen_size->height > 0 ? g_screen_size->height : 0;
    size = width * height * 4;
    bytes = static_cast<uint8_t*>(std::calloc(size > 0 ? static_cast<size_t>(size) : 1, 1));
    if (!bytes) size = 0;  // callers check size before reading into it
}

Buffer::~Buffer() { std::free(bytes); }
