#include "PNGEncoder.h"

#include <SDL_image.h>

#include <cerrno>
#include <cstring>
#include <exception>

namespace {

// An SDL stream over a growing buffer. SDL's own memory stream has a fixed
// size and cuts what does not fit without a word; this one grows, and
// remembers when it could not.
struct GrowingBuffer {
    std::string* bytes;
    size_t position = 0;
    bool failed = false;
};

}  // namespace

static GrowingBuffer& BufferOf(SDL_RWops* stream) {
    return *static_cast<GrowingBuffer*>(stream->hidden.unknown.data1);
}

static Sint64 SDLCALL GrowingSize(SDL_RWops* stream) {
    return static_cast<Sint64>(BufferOf(stream).bytes->size());
}

static Sint64 SDLCALL GrowingSeek(SDL_RWops* stream, Sint64 offset, int whence) {
    GrowingBuffer& buffer = BufferOf(stream);
    Sint64 base = whence == RW_SEEK_SET   ? 0
                  : whence == RW_SEEK_CUR ? static_cast<Sint64>(buffer.position)
                                          : static_cast<Sint64>(buffer.bytes->size());
    if (base + offset < 0) return SDL_SetError("cannot seek before the start");
    buffer.position = static_cast<size_t>(base + offset);
    return static_cast<Sint64>(buffer.position);
}

static size_t SDLCALL GrowingRead(SDL_RWops*, void*, size_t, size_t) {
    SDL_SetError("the stream is for writing");
    return 0;
}

static size_t SDLCALL GrowingWrite(SDL_RWops* stream, const void* data, size_t size, size_t count) {
    GrowingBuffer& buffer = BufferOf(stream);
    if (buffer.failed || size == 0 || count == 0) return 0;
    size_t length = size * count;
    if (length / size != count) {
        buffer.failed = true;
        return 0;
    }
    try {
        if (buffer.bytes->size() < buffer.position + length) buffer.bytes->resize(buffer.position + length);
    } catch (const std::exception&) {
        buffer.failed = true;  // no room in memory: what was written is not whole
        return 0;
    }
    std::memcpy(&(*buffer.bytes)[buffer.position], data, length);
    buffer.position += length;
    return count;
}

static int SDLCALL GrowingClose(SDL_RWops* stream) {
    SDL_FreeRW(stream);
    return 0;
}

bool EncodePNG(SDL_Surface* surface, std::string* png, std::string* error) {
    png->clear();
    GrowingBuffer buffer{png};
    SDL_RWops* stream = SDL_AllocRW();
    if (stream == nullptr) {
        if (error) *error = SDL_GetError();
        return false;
    }
    stream->size = GrowingSize;
    stream->seek = GrowingSeek;
    stream->read = GrowingRead;
    stream->write = GrowingWrite;
    stream->close = GrowingClose;
    stream->hidden.unknown.data1 = &buffer;
    // The encoder's word is not enough: it reports success whatever its
    // writes did. The buffer says whether they all went in.
    bool encoded = IMG_SavePNG_RW(surface, stream, 1) == 0;
    if (encoded && !buffer.failed && !png->empty()) return true;
    if (error) *error = buffer.failed ? std::strerror(ENOMEM) : encoded ? "the PNG came out empty" : IMG_GetError();
    png->clear();
    return false;
}

