// ImageCheck: what an image file claims about itself, read from its own
// header before any decoder sees a byte of it.
//
// Every image the engine decodes (a document's or a package's texture, a
// file picked in the Texture Manager) passes CheckImage first. It decides
// the format from the file's signature alone, so that each format goes to
// its own decoder and no library guesses, and it reads the width and height
// the file claims, so that an image too large for a texture is refused
// before its pixels are allocated. A PNG's chunk list is walked to its IEND:
// the PNG decoder does not notice a chunk that runs past the end of the
// bytes and reads on for ever. A JPEG's scans are counted up to its EOI:
// the decoder makes one pass over the picture for each, so a few kilobytes
// of repeated scans cost minutes. An animated WEBP is refused, since its
// decoder reads still images only.
//
// The headers are read here rather than by a library's "info" call: the
// sizes that matter are the ones each decoder will allocate (a GIF's first
// frame, not its logical screen; a BMP's header as SDL reads it), and a
// reader of a few fixed fields can be checked against every edge.
#pragma once

#include <cstdint>
#include <string>

// The formats Velmara reads; Unknown for every other file.
enum class ImageFormat { Unknown, PNG, JPEG, BMP, GIF, WEBP };

// An image holds at most 64 Mi pixels (256 MiB as RGBA), whatever the
// largest texture size allows.
constexpr int64_t kMaxImagePixels = int64_t{64} * 1024 * 1024;

// A JPEG may always have the 10 scans that common encoders write for a
// colour picture (6 for grey), at any size allowed. Beyond that, its scans
// times its area in whole 8 x 8 blocks (what the decoder walks in each
// scan) must stay within what 10 scans of the largest image cost, so a
// smaller picture may have as many more as that leaves it. Measured
// (bench/bench_jpeg_scans.cpp): cjpeg -progressive's colour 4:2:0 picture
// of 8192 x 8192 decodes in 0.50 s, the slowest 10 scans at that size (each
// over all four components of a CMYK picture at full resolution) in 1.35 s,
// 2.7 times as long, and 5120 such scans of 8 x 16384 in 0.36 s.
constexpr int64_t kJPEGCommonScans = 10;
constexpr int64_t kJPEGScanBudget = kJPEGCommonScans * kMaxImagePixels;  // scans x pixels

// What a checked image claims.
struct ImageClaim {
    ImageFormat format = ImageFormat::Unknown;
    int64_t width = 0;      // pixels, as the decoder will allocate them
    int64_t height = 0;     // (a GIF: its first frame; a top-down BMP: positive)
    uint64_t gif_frame = 0; // a GIF: byte offset of its first image descriptor
    int64_t scans = 0;      // a JPEG: its scans up to its first EOI
};

// The format named by the signature at the start of the bytes; Unknown when
// none matches (also for null bytes or too few to hold a signature).
ImageFormat ImageFormatOf(const void* bytes, uint64_t size);

// True when size bytes may be handed to their format's decoder: a known
// signature, a header that lies within the bytes, a width and height from 1
// to max_texture_size with at most kMaxImagePixels pixels, for a PNG every
// chunk within the bytes up to IEND, for a JPEG no more scans than its size
// allows, and for a WEBP a still image; with what they claim in claim (when
// not null). False otherwise, with the reason in reason (when not null):
// "not an image format Velmara reads (PNG, JPEG, BMP, GIF, WEBP)", "the
// image claims 2 × 400000000 pixels, more than a texture may hold", "the
// image has 3006 scans, more than the 10 its size allows", "an animated
// WEBP is not read", or "the image is damaged: " and what is wrong ("chunk
// gAMA runs past its end" and the like). Reads no byte outside
// [bytes, bytes + size), and takes time linear in size.
bool CheckImage(const void* bytes, uint64_t size, int max_texture_size, ImageClaim* claim, std::string* reason);
