// Images recognised by their signature and their headers checked before any
// decoder reads them. Every read goes through Bytes (ByteFields.h), which
// answers "not there" instead of reading past the end; header sizes are
// never trusted.

#include "ImageCheck.h"

#include <algorithm>

#include "ByteFields.h"

namespace {

const char kNotAnImage[] = "not an image format Velmara reads (PNG, JPEG, BMP, GIF, WEBP)";

Problem Damaged(const std::string& what) { return "the image is damaged: " + what; }

std::string SizeText(int64_t width, int64_t height) {
    return std::to_string(width) + " \xC3\x97 " + std::to_string(height);
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
Problem CheckPNG(const Bytes& bytes, ImageClaim* claim) {
    uint64_t offset = 8;
    for (bool first = true;; first = false) {
        if (!bytes.Has(offset, 8)) {
            return Damaged(first ? "it does not begin with an IHDR chunk" : "it ends before its IEND chunk");
        }
        uint32_t data_length = bytes.BE32(offset);
        const uint8_t* type = bytes.data + offset + 4;
        if (!IsChunkType(type)) return Damaged("the chunk at byte " + std::to_string(offset) + " has no valid type");
        std::string name(reinterpret_cast<const char*>(type), 4);
        if (first && name != "IHDR") return Damaged("it does not begin with an IHDR chunk");
        if (!bytes.Has(offset, uint64_t{12} + data_length)) return Damaged("chunk " + name + " runs past its end");
        if (first) {
            if (data_length != 13) return Damaged("chunk IHDR has the wrong length");
            claim->width = bytes.BE32(offset + 8);
            claim->height = bytes.BE32(offset + 12);
        }
        offset += 12 + uint64_t{data_length};
        if (name == "IEND") return {};
    }
}

/* === JPEG: the frame header, and the scans up to EOI ===================== */

constexpr uint8_t kSOI = 0xD8;
constexpr uint8_t kEOI = 0xD9;
constexpr uint8_t kSOS = 0xDA;

// A start-of-frame marker: C0 to CF, except DHT (C4) and DAC (CC).
bool IsFrameMarker(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xCC;
}

// TEM and the restarts RST0 to RST7 stand alone; every other marker is
// followed by a big-endian length that counts itself.
bool StandsAlone(uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

// The next marker at or after *p, as the decoder finds it, with *p just
// past it; 0 when the bytes end first. Bytes before an FF are skipped (the
// entropy-coded data of a scan among them), so are FF fill bytes, and FF 00
// is a stuffed data byte, not a marker.
uint8_t NextMarker(const Bytes& bytes, uint64_t* p) {
    for (;;) {
        while (*p < bytes.size && bytes.data[*p] != 0xFF) ++*p;
        while (*p < bytes.size && bytes.data[*p] == 0xFF) ++*p;
        if (*p >= bytes.size) return 0;
        uint8_t marker = bytes.data[(*p)++];
        if (marker != 0x00) return marker;
    }
}

// Walks the markers as the decoder does, up to its first EOI: the frame
// header gives the size, and every SOS is a scan, after whose header the
// entropy-coded data runs to the next marker (a restart marker inside it
// stands alone). Whatever follows EOI (a second picture, appended video) is
// never decoded and not counted. A file that ends early is decoded as far
// as it goes.
Problem CheckJPEG(const Bytes& bytes, ImageClaim* claim) {
    const char* cut = "it ends before its frame header";
    bool framed = false;
    uint64_t p = 2;
    for (;;) {
        uint8_t marker = NextMarker(bytes, &p);
        if (marker == 0) return framed ? Problem() : Damaged(cut);
        if (StandsAlone(marker)) continue;
        if (!framed && (marker == kSOI || marker == kEOI || marker == kSOS)) {
            return Damaged("it has no frame header before its data");
        }
        if (marker == kEOI) return {};
        if (marker == kSOI) continue;  // the decoder stops at a second one
        if (marker == kSOS) ++claim->scans;
        if (!bytes.Has(p, 2)) return framed ? Problem() : Damaged(cut);
        uint32_t segment = bytes.BE16(p);
        if (segment < 2) return Damaged("a marker segment has a bad length");
        if (!framed && IsFrameMarker(marker)) {
            // Length, precision, then height and width.
            if (segment < 8 || !bytes.Has(p, 7)) return Damaged(cut);
            claim->height = bytes.BE16(p + 3);
            claim->width = bytes.BE16(p + 5);
            framed = true;
        }
        if (!bytes.Has(p, segment)) return framed ? Problem() : Damaged(cut);
        p += segment;
    }
}

// The scans a JPEG of the claimed size may have: always the common 10, and
// beyond that as many as the budget leaves for its area in whole blocks.
int64_t JPEGScansAllowed(const ImageClaim& claim) {
    int64_t blocks_area = (claim.width + 7) / 8 * 8 * ((claim.height + 7) / 8 * 8);
    return std::max(kJPEGCommonScans, kJPEGScanBudget / blocks_area);
}

/* === BMP: the info header as SDL reads it ================================ */

// A 12-byte core header holds unsigned 16-bit sizes; a header of 40 bytes
// or more signed 32-bit ones, a negative height meaning rows top-down.
// SDL refuses every other header size.
Problem CheckBMP(const Bytes& bytes, ImageClaim* claim) {
    if (!bytes.Has(0, 26)) return Damaged("its header is cut short");
    uint32_t header_size = bytes.LE32(14);
    if (header_size == 12) {
        claim->width = bytes.LE16(18);
        claim->height = bytes.LE16(20);
    } else if (header_size >= 40) {
        claim->width = static_cast<int32_t>(bytes.LE32(18));
        int64_t height = static_cast<int32_t>(bytes.LE32(22));
        claim->height = height < 0 ? -height : height;
    } else {
        return Damaged("its header has an unknown size of " + std::to_string(header_size) + " bytes");
    }
    return {};
}

/* === GIF: the blocks up to the first image descriptor ==================== */

// Walks the blocks as the GIF decoder does. Only the first frame is
// decoded, and the picture is that frame alone, so its own size is the one
// that counts; later frames are never read.
Problem CheckGIF(const Bytes& bytes, ImageClaim* claim) {
    const char* cut = "it ends before its first frame";
    if (!bytes.Has(0, 13)) return Damaged(cut);
    uint8_t flags = bytes.data[10];
    uint64_t p = 13;
    if (flags & 0x80) p += uint64_t{3} << ((flags & 7) + 1);  // the global colour table
    for (;;) {
        if (p >= bytes.size) return Damaged(cut);
        uint8_t block = bytes.data[p++];
        if (block == 0x2C) {
            if (!bytes.Has(p, 9)) return Damaged(cut);
            claim->width = bytes.LE16(p + 4);
            claim->height = bytes.LE16(p + 6);
            claim->gif_frame = p - 1;
            return {};
        }
        if (block == 0x3B) return Damaged("it has no frame");
        if (block != 0x21) return Damaged("it has an unknown block before its first frame");
        if (p >= bytes.size) return Damaged(cut);
        uint8_t label = bytes.data[p++];
        if (label == 0xF9) {
            // A graphic control block of any length other than 4 is skipped
            // without its sub-blocks, as the decoder does.
            if (p >= bytes.size) return Damaged(cut);
            uint8_t size = bytes.data[p];
            if (size != 4) {
                p += 1 + uint64_t{size};
                continue;
            }
        }
        for (;;) {  // sub-blocks, up to the empty one
            if (p >= bytes.size) return Damaged(cut);
            uint8_t size = bytes.data[p++];
            if (size == 0) break;
            p += size;
        }
    }
}

/* === WEBP: the first chunk's frame or canvas size ======================== */

constexpr uint8_t kWEBPAnimated = 0x02;  // in the VP8X flags byte

// The first chunk's data starts at byte 20.
Problem CheckWEBP(const Bytes& bytes, ImageClaim* claim) {
    const char* cut = "its header is cut short";
    if (bytes.Tag(12, "VP8 ")) {
        // A frame tag of 3 bytes, the start code 9D 01 2A, then 14-bit
        // width and height, each with 2 bits of scale above.
        if (!bytes.Has(20, 10)) return Damaged(cut);
        if (!bytes.Tag(23, "\x9D\x01\x2A")) return Damaged("its frame has no start code");
        claim->width = bytes.LE16(26) & 0x3FFF;
        claim->height = bytes.LE16(28) & 0x3FFF;
    } else if (bytes.Tag(12, "VP8L")) {
        // The byte 2F, then 14 bits of width - 1 and 14 of height - 1.
        if (!bytes.Has(20, 5)) return Damaged(cut);
        if (bytes.data[20] != 0x2F) return Damaged("its lossless header has no signature");
        uint32_t bits = bytes.LE32(21);
        claim->width = (bits & 0x3FFF) + 1;
        claim->height = ((bits >> 14) & 0x3FFF) + 1;
    } else {
        // VP8X: 4 bytes of flags, then 24 bits of canvas width - 1 and of
        // canvas height - 1. The decoder requires the image to match it, and
        // reads no animation.
        if (!bytes.Has(20, 10)) return Damaged(cut);
        if (bytes.data[20] & kWEBPAnimated) return "an animated WEBP is not read";
        claim->width = int64_t{bytes.LE24(24)} + 1;
        claim->height = int64_t{bytes.LE24(27)} + 1;
    }
    return {};
}

/* === Size ================================================================ */

Problem CheckSize(const ImageClaim& claim, int max_texture_size) {
    std::string size = SizeText(claim.width, claim.height);
    if (claim.width <= 0 || claim.height <= 0) return Damaged("it claims " + size + " pixels");
    if (claim.width > max_texture_size || claim.height > max_texture_size ||
        claim.width * claim.height > kMaxImagePixels) {
        return "the image claims " + size + " pixels, more than a texture may hold";
    }
    return {};
}

// The decoder's work, which grows with the pixels times the passes over
// them rather than with the bytes.
Problem CheckWork(const ImageClaim& claim) {
    if (claim.format != ImageFormat::JPEG) return {};
    int64_t allowed = JPEGScansAllowed(claim);
    if (claim.scans <= allowed) return {};
    return "the image has " + std::to_string(claim.scans) + " scans, more than the " + std::to_string(allowed) +
           " its size allows";
}

ImageFormat FormatOf(const Bytes& bytes) {
    if (bytes.Tag(0, "\x89PNG\r\n\x1A\n")) return ImageFormat::PNG;
    if (bytes.Tag(0, "\xFF\xD8\xFF")) return ImageFormat::JPEG;
    if (bytes.Tag(0, "BM")) return ImageFormat::BMP;
    if (bytes.Tag(0, "GIF87a") || bytes.Tag(0, "GIF89a")) return ImageFormat::GIF;
    if (bytes.Tag(0, "RIFF") && bytes.Tag(8, "WEBP") &&
        (bytes.Tag(12, "VP8 ") || bytes.Tag(12, "VP8L") || bytes.Tag(12, "VP8X"))) {
        return ImageFormat::WEBP;
    }
    return ImageFormat::Unknown;
}

Problem Check(const Bytes& bytes, int max_texture_size, ImageClaim* claim) {
    claim->format = FormatOf(bytes);
    Problem problem;
    switch (claim->format) {
        case ImageFormat::PNG: problem = CheckPNG(bytes, claim); break;
        case ImageFormat::JPEG: problem = CheckJPEG(bytes, claim); break;
        case ImageFormat::BMP: problem = CheckBMP(bytes, claim); break;
        case ImageFormat::GIF: problem = CheckGIF(bytes, claim); break;
        case ImageFormat::WEBP: problem = CheckWEBP(bytes, claim); break;
        case ImageFormat::Unknown: return kNotAnImage;
    }
    if (problem.empty()) problem = CheckSize(*claim, max_texture_size);
    if (problem.empty()) problem = CheckWork(*claim);
    return problem;
}

}  // namespace

/* === The check =========================================================== */

ImageFormat ImageFormatOf(const void* bytes, uint64_t size) { return FormatOf(Bytes(bytes, size)); }

bool CheckImage(const void* bytes, uint64_t size, int max_texture_size, ImageClaim* claim, std::string* reason) {
    ImageClaim found;
    Problem problem = Check(Bytes(bytes, size), max_texture_size, &found);
    if (!problem.empty()) {
        if (reason) *reason = problem;
        return false;
    }
    if (claim) *claim = found;
    return true;
}
