#include "ImageCheck.h"

#include <cstring>

#include "ByteFields.h"

namespace {

const char kNotAnImage[] = "not an image format Velmara reads (PNG, JPEG, BMP, GIF, WEBP)";

bool Damaged(const std::string& what, std::string* reason) {
    *reason = "the image is damaged: " + what;
    return false;
}

/* === Signatures ========================================================== */

bool StartsWith(const uint8_t* bytes, size_t length, size_t offset, const char* text) {
    size_t count = std::strlen(text);
    return FitsWithin(length, offset, count) && std::memcmp(bytes + offset, text, count) == 0;
}

/* === PNG: the chunk list, from IHDR to IEND ============================== */

// A chunk type is four ASCII letters; the decoder refuses anything else.
bool IsChunkType(const uint8_t* type) {
    for (int i = 0; i < 4; ++i) {
        uint8_t c = type[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    }
    return true;
}

// Each chunk is a 4-byte length, a 4-byte type, the data and a 4-byte CRC;
// all of it must lie within the bytes. The CRC itself is the decoder's to
// verify.
bool CheckPNG(const uint8_t* bytes, size_t length, ImageClaim* claim, std::string* reason) {
    size_t offset = 8;
    for (bool first = true;; first = false) {
        if (!FitsWithin(length, offset, 8)) {
            return Damaged(first ? "it does not begin with an IHDR chunk" : "it ends before its IEND chunk", reason);
        }
        uint32_t data_length = ReadBE32(bytes + offset);
        const uint8_t* type = bytes + offset + 4;
        if (!IsChunkType(type)) {
            return Damaged("the chunk at byte " + std::to_string(offset) + " has no valid type", reason);
        }
        std::string name(reinterpret_cast<const char*>(type), 4);
        if (first && name != "IHDR") return Damaged("it does not begin with an IHDR chunk", reason);
        if (!FitsWithin(length, offset, uint64_t{12} + data_length)) {
            return Damaged("chunk " + name + " runs past its end", reason);
        }
        if (first) {
            if (data_length != 13) return Damaged("chunk IHDR has the wrong length", reason);
            claim->width = ReadBE32(bytes + offset + 8);
            claim->height = ReadBE32(bytes + offset + 12);
        }
        offset += 12 + static_cast<size_t>(data_length);
        if (name == "IEND") return true;
    }
}

/* === JPEG: the markers up to the frame header ============================ */

// A start-of-frame marker: C0 to CF, except DHT (C4) and DAC (CC).
bool IsFrameMarker(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xCC;
}

// Walks the markers as the JPEG decoder does: bytes before an FF are
// skipped, FF fill bytes too; RSTn and TEM stand alone; every other marker
// up to the frame header is followed by a big-endian length that counts
// itself.
bool CheckJPEG(const uint8_t* bytes, size_t length, ImageClaim* claim, std::string* reason) {
    size_t p = 2;
    for (;;) {
        while (p < length && bytes[p] != 0xFF) ++p;
        while (p < length && bytes[p] == 0xFF) ++p;
        if (p >= length) return Damaged("it ends before its frame header", reason);
        uint8_t marker = bytes[p++];
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) {
            return Damaged("it has no frame header before its data", reason);
        }
        if (!FitsWithin(length, p, 2)) return Damaged("it ends before its frame header", reason);
        uint32_t segment = ReadBE16(bytes + p);
        if (segment < 2) return Damaged("a marker segment has a bad length", reason);
        if (IsFrameMarker(marker)) {
            // Length, precision, then height and width.
            if (segment < 8 || !FitsWithin(length, p, 7)) return Damaged("it ends before its frame header", reason);
            claim->height = ReadBE16(bytes + p + 3);
            claim->width = ReadBE16(bytes + p + 5);
            return true;
        }
        if (!FitsWithin(length, p, segment)) return Damaged("it ends before its frame header", reason);
        p += segment;
    }
}

/* === BMP: the info header as SDL reads it ================================ */

// A 12-byte core header holds unsigned 16-bit sizes; a header of 40 bytes
// or more signed 32-bit ones, a negative height meaning rows top-down.
// SDL refuses every other header size.
bool CheckBMP(const uint8_t* bytes, size_t length, ImageClaim* claim, std::string* reason) {
    if (!FitsWithin(length, 0, 26)) return Damaged("its header is cut short", reason);
    uint32_t header_size = ReadLE32(bytes + 14);
    if (header_size == 12) {
        claim->width = ReadLE16(bytes + 18);
        claim->height = ReadLE16(bytes + 20);
    } else if (header_size >= 40) {
        claim->width = static_cast<int32_t>(ReadLE32(bytes + 18));
        int64_t height = static_cast<int32_t>(ReadLE32(bytes + 22));
        claim->height = height < 0 ? -height : height;
    } else {
        return Damaged("its header has an unknown size of " + std::to_string(header_size) + " bytes", reason);
    }
    return true;
}

/* === GIF: the blocks up to the first image descriptor ==================== */

// Walks the blocks as the GIF decoder does. Only the first frame is
// decoded, and the picture is that frame alone, so its own size is the one
// that counts; later frames are never read.
bool CheckGIF(const uint8_t* bytes, size_t length, ImageClaim* claim, std::string* reason) {
    const char* cut = "it ends before its first frame";
    if (!FitsWithin(length, 0, 13)) return Damaged(cut, reason);
    uint8_t flags = bytes[10];
    size_t p = 13;
    if (flags & 0x80) p += size_t{3} << ((flags & 7) + 1);  // the global colour table
    for (;;) {
        if (p >= length) return Damaged(cut, reason);
        uint8_t block = bytes[p++];
        if (block == 0x2C) {
            if (!FitsWithin(length, p, 9)) return Damaged(cut, reason);
            claim->width = ReadLE16(bytes + p + 4);
            claim->height = ReadLE16(bytes + p + 6);
            claim->gif_frame = p - 1;
            return true;
        }
        if (block == 0x3B) return Damaged("it has no frame", reason);
        if (block != 0x21) return Damaged("it has an unknown block before its first frame", reason);
        if (p >= length) return Damaged(cut, reason);
        uint8_t label = bytes[p++];
        if (label == 0xF9) {
            // A graphic control block of any length other than 4 is skipped
            // without its sub-blocks, as the decoder does.
            if (p >= length) return Damaged(cut, reason);
            uint8_t size = bytes[p];
            if (size != 4) {
                p += 1 + size;
                continue;
            }
        }
        for (;;) {  // sub-blocks, up to the empty one
            if (p >= length) return Damaged(cut, reason);
            uint8_t size = bytes[p++];
            if (size == 0) break;
            p += size;
        }
    }
}

/* === WEBP: the first chunk's frame or canvas size ======================== */

bool CheckWEBP(const uint8_t* bytes, size_t length, ImageClaim* claim, std::string* reason) {
    const char* cut = "its header is cut short";
    const uint8_t* data = bytes + 20;  // the first chunk's data
    if (StartsWith(bytes, length, 12, "VP8 ")) {
        // A frame tag of 3 bytes, the start code 9D 01 2A, then 14-bit
        // width and height, each with 2 bits of scale above.
        if (!FitsWithin(length, 20, 10)) return Damaged(cut, reason);
        if (data[3] != 0x9D || data[4] != 0x01 || data[5] != 0x2A) return Damaged("its frame has no start code", reason);
        claim->width = ReadLE16(data + 6) & 0x3FFF;
        claim->height = ReadLE16(data + 8) & 0x3FFF;
    } else if (StartsWith(bytes, length, 12, "VP8L")) {
        // The byte 2F, then 14 bits of width - 1 and 14 of height - 1.
        if (!FitsWithin(length, 20, 5)) return Damaged(cut, reason);
        if (data[0] != 0x2F) return Damaged("its lossless header has no signature", reason);
        uint32_t bits = ReadLE32(data + 1);
        claim->width = (bits & 0x3FFF) + 1;
        claim->height = ((bits >> 14) & 0x3FFF) + 1;
    } else {
        // VP8X: 4 bytes of flags, then 24 bits of canvas width - 1 and of
        // canvas height - 1. The decoder requires the image to match it.
        if (!FitsWithin(length, 20, 10)) return Damaged(cut, reason);
        claim->width = int64_t{ReadLE24(data + 4)} + 1;
        claim->height = int64_t{ReadLE24(data + 7)} + 1;
    }
    return true;
}

/* === Size ================================================================ */

bool CheckSize(const ImageClaim& claim, int max_texture_size, std::string* reason) {
    std::string size = std::to_string(claim.width) + " \xC3\x97 " + std::to_string(claim.height);
    if (claim.width <= 0 || claim.height <= 0) return Damaged("it claims " + size + " pixels", reason);
    if (claim.width > max_texture_size || claim.height > max_texture_size ||
        claim.width * claim.height > kMaxImagePixels) {
        *reason = "the image claims " + size + " pixels, more than a texture may hold";
        return false;
    }
    return true;
}

}  // namespace

ImageFormat ImageFormatOf(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr) return ImageFormat::Unknown;
    if (StartsWith(bytes, length, 0, "\x89PNG\r\n\x1A\n")) return ImageFormat::PNG;
    if (StartsWith(bytes, length, 0, "\xFF\xD8\xFF")) return ImageFormat::JPEG;
    if (StartsWith(bytes, length, 0, "BM")) return ImageFormat::BMP;
    if (StartsWith(bytes, length, 0, "GIF87a") || StartsWith(bytes, length, 0, "GIF89a")) return ImageFormat::GIF;
    if (StartsWith(bytes, length, 0, "RIFF") && StartsWith(bytes, length, 8, "WEBP") &&
        (StartsWith(bytes, length, 12, "VP8 ") || StartsWith(bytes, length, 12, "VP8L") ||
         StartsWith(bytes, length, 12, "VP8X"))) {
        return ImageFormat::WEBP;
    }
    return ImageFormat::Unknown;
}

bool CheckImage(const uint8_t* bytes, size_t length, int max_texture_size, ImageClaim* claim, std::string* reason) {
    *claim = ImageClaim();
    claim->format = ImageFormatOf(bytes, length);
    bool readable = false;
    switch (claim->format) {
        case ImageFormat::PNG: readable = CheckPNG(bytes, length, claim, reason); break;
        case ImageFormat::JPEG: readable = CheckJPEG(bytes, length, claim, reason); break;
        case ImageFormat::BMP: readable = CheckBMP(bytes, length, claim, reason); break;
        case ImageFormat::GIF: readable = CheckGIF(bytes, length, claim, reason); break;
        case ImageFormat::WEBP: readable = CheckWEBP(bytes, length, claim, reason); break;
        case ImageFormat::Unknown: *reason = kNotAnImage; return false;
    }
    return readable && CheckSize(*claim, max_texture_size, reason);
}
