// Image files made in the tests: well-formed ones written through SDL and
// SDL_image, and the damaged ones whose bytes must never reach a decoder as
// they are. The files that cannot be written at test time (GIF, WEBP) are
// in tests/engine/data.
#pragma once

#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace images {

// A file checked in under tests/engine/data: its path, and its bytes ("" when
// it cannot be read).
inline std::string DataFile(const std::string& name) {
    return std::string(VELMARA_SOURCE_DIR "/tests/engine/data/") + name;
}
inline std::string DataFileBytes(const std::string& name) {
    std::ifstream in(DataFile(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/* === Fields ============================================================== */

inline void PutLE(std::string& bytes, uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
}

inline void PutBE(std::string& bytes, uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) bytes.push_back(static_cast<char>(value >> (8 * i)));
}

/* === Well-formed files, written through SDL ============================== */

// A w x h surface of one opaque colour.
inline SDL_Surface* SolidSurface(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    SDL_Surface* surface = SDL_CreateRGBSurface(0, w, h, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    SDL_FillRect(surface, nullptr, SDL_MapRGBA(surface->format, r, g, b, 255));
    return surface;
}

// The bytes a writer of SDL or SDL_image puts into a memory stream; "" when
// it fails.
template <typename Save>
std::string Encode(SDL_Surface* surface, Save save) {
    std::vector<char> buffer(1 << 16);
    SDL_RWops* stream = SDL_RWFromMem(buffer.data(), static_cast<int>(buffer.size()));
    bool saved = save(surface, stream) == 0;
    Sint64 size = SDL_RWtell(stream);
    SDL_RWclose(stream);
    SDL_FreeSurface(surface);
    return saved && size > 0 ? std::string(buffer.data(), static_cast<size_t>(size)) : std::string();
}

// A 4 x 4 opaque blue image as PNG, BMP or JPEG.
inline std::string BluePNG() {
    return Encode(SolidSurface(4, 4, 0, 0, 255), [](SDL_Surface* s, SDL_RWops* rw) { return IMG_SavePNG_RW(s, rw, 0); });
}
inline std::string BlueBMP() {
    return Encode(SolidSurface(4, 4, 0, 0, 255), [](SDL_Surface* s, SDL_RWops* rw) { return SDL_SaveBMP_RW(s, rw, 0); });
}
inline std::string BlueJPEG() {
    return Encode(SolidSurface(4, 4, 0, 0, 255),
                  [](SDL_Surface* s, SDL_RWops* rw) { return IMG_SaveJPG_RW(s, rw, 0, 90); });
}

/* === Hand-made files ===================================================== */

// A PNG chunk: length, type, data and a CRC that is not computed (the
// checks before decoding never read it).
inline std::string PNGChunk(const std::string& type, const std::string& data, uint64_t claimed_length) {
    std::string chunk;
    PutBE(chunk, claimed_length, 4);
    chunk += type + data;
    PutBE(chunk, 0xC0FFEE00, 4);
    return chunk;
}
inline std::string PNGChunk(const std::string& type, const std::string& data = "") {
    return PNGChunk(type, data, data.size());
}

inline std::string PNGSignature() { return "\x89PNG\r\n\x1A\n"; }

inline std::string IHDR(uint32_t width, uint32_t height) {
    std::string data;
    PutBE(data, width, 4);
    PutBE(data, height, 4);
    data += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, not interlaced
    return PNGChunk("IHDR", data);
}

// The blue 4 x 4 PNG with a gAMA chunk after IHDR that claims 0x20020
// bytes, far more than the file holds: the PNG decoder would read on for
// ever.
inline std::string LongChunkPNG() {
    std::string png = BluePNG();
    if (png.size() < 33) return png;
    return png.substr(0, 33) + PNGChunk("gAMA", std::string("\x00\x00\xB1\x8F", 4), 0x20020) + png.substr(33);
}

// A 70-byte BMP whose info header claims width x height 24-bit pixels,
// followed by 16 bytes of them.
inline std::string ClaimingBMP(int32_t width, int32_t height) {
    std::string bmp = "BM";
    PutLE(bmp, 70, 4);
    PutLE(bmp, 0, 4);
    PutLE(bmp, 54, 4);  // where the pixels start
    PutLE(bmp, 40, 4);  // the info header's size
    PutLE(bmp, static_cast<uint32_t>(width), 4);
    PutLE(bmp, static_cast<uint32_t>(height), 4);
    PutLE(bmp, 1, 2);   // planes
    PutLE(bmp, 24, 2);  // bits per pixel
    PutLE(bmp, 0, 4);   // no compression
    PutLE(bmp, 16, 4);
    PutLE(bmp, 2835, 4);
    PutLE(bmp, 2835, 4);
    PutLE(bmp, 0, 8);
    return bmp + std::string(16, '\x40');
}

// A GIF89a whose logical screen and one frame are width x height, with a
// two-colour table (black, blue). Its first pixels pixels are blue; the
// frame's data starts with the LZW code size byte code_size (2 for a
// well-formed file). The data is written with 3-bit codes and a clear code
// before every second pixel, so the code table never grows.
inline std::string MakeGIF(uint16_t width, uint16_t height, int pixels, uint8_t code_size = 2) {
    std::string gif = "GIF89a";
    PutLE(gif, width, 2);
    PutLE(gif, height, 2);
    gif += std::string("\x80\x00\x00", 3);          // a global table of 2 colours
    gif += std::string("\x00\x00\x00\x00\x00\xFF", 6);
    gif += "\x2C";
    PutLE(gif, 0, 4);  // at 0, 0
    PutLE(gif, width, 2);
    PutLE(gif, height, 2);
    gif.push_back('\0');
    gif.push_back(static_cast<char>(code_size));

    const int kClear = 4, kEnd = 5;
    std::vector<int> codes;
    for (int i = 0; i < pixels; ++i) {
        if (i % 2 == 0) codes.push_back(kClear);
        codes.push_back(1);
    }
    if (pixels == 0) codes.push_back(kClear);
    codes.push_back(kEnd);
    std::string data;
    uint32_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= static_cast<uint32_t>(code) << count;
        count += 3;
        for (; count >= 8; count -= 8, bits >>= 8) data.push_back(static_cast<char>(bits & 0xFF));
    }
    if (count > 0) data.push_back(static_cast<char>(bits & 0xFF));
    for (size_t at = 0; at < data.size(); at += 255) {
        std::string block = data.substr(at, 255);
        gif.push_back(static_cast<char>(block.size()));
        gif += block;
    }
    gif.push_back('\0');
    return gif + "\x3B";
}

}  // namespace images
