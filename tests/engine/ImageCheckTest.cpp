// The check every image passes before a decoder sees it: the format by its
// signature, the size the decoder will allocate, and a PNG's chunk list;
// then damaged and hostile files loaded as a texture in a process of their
// own, which must end in time and small.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ImageCheck.h"
#include "ImageSamples.h"
#include "Process.h"
#include "TempDir.h"

namespace {

using images::PNGChunk;
using images::PutBE;
using images::PutLE;

constexpr int kMaxTextureSize = 16384;
const char kNotAnImage[] = "not an image format Velmara reads (PNG, JPEG, BMP, GIF, WEBP)";

struct Checked {
    bool accepted = false;
    ImageClaim claim;
    std::string reason;
};

Checked Check(const std::string& bytes, int max_texture_size = kMaxTextureSize) {
    Checked checked;
    checked.accepted = CheckImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), max_texture_size,
                                  &checked.claim, &checked.reason);
    return checked;
}

std::string Claims(int64_t width, int64_t height) {
    return "the image claims " + std::to_string(width) + " \xC3\x97 " + std::to_string(height) +
           " pixels, more than a texture may hold";
}

/* === Headers of each format, made to measure ============================== */

std::string PNGOfSize(uint32_t width, uint32_t height) {
    return images::PNGSignature() + images::IHDR(width, height) + PNGChunk("IEND");
}

// SOI, a JFIF segment, fill bytes, then a baseline frame header.
std::string JPEGOfSize(uint16_t width, uint16_t height) {
    std::string jpeg = "\xFF\xD8\xFF\xE0";
    PutBE(jpeg, 16, 2);
    jpeg += std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14);
    jpeg += "\xFF\xFF\xFF\xC0";
    PutBE(jpeg, 17, 2);
    jpeg.push_back(8);
    PutBE(jpeg, height, 2);
    PutBE(jpeg, width, 2);
    jpeg += std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
    return jpeg + "\xFF\xD9";
}

// A BMP with the 12-byte core header of 16-bit sizes.
std::string CoreBMPOfSize(uint16_t width, uint16_t height) {
    std::string bmp = "BM";
    PutLE(bmp, 26 + 4, 4);
    PutLE(bmp, 0, 4);
    PutLE(bmp, 26, 4);
    PutLE(bmp, 12, 4);
    PutLE(bmp, width, 2);
    PutLE(bmp, height, 2);
    PutLE(bmp, 1, 2);
    PutLE(bmp, 24, 2);
    return bmp + std::string(4, '\0');
}

// A logical screen of one size, a comment and a graphic control block, then
// a frame of another size.
std::string GIFWithFrame(uint16_t screen_width, uint16_t screen_height, uint16_t width, uint16_t height) {
    std::string gif = "GIF87a";
    PutLE(gif, screen_width, 2);
    PutLE(gif, screen_height, 2);
    gif += std::string("\x00\x00\x00", 3);
    gif += std::string("\x21\xFE\x02hi\x00", 6);
    gif += std::string("\x21\xF9\x04\x01\x00\x00\x00\x00", 8);
    gif += "\x2C";
    PutLE(gif, 0, 4);
    PutLE(gif, width, 2);
    PutLE(gif, height, 2);
    gif += std::string("\x80\x00\x00\x00\xFF\xFF\xFF\x02\x02\x44\x01\x00\x3B", 13);
    return gif;
}

std::string RIFF(const std::string& chunk, const std::string& data) {
    std::string riff = "RIFF";
    PutLE(riff, 12 + data.size(), 4);
    riff += "WEBP" + chunk;
    PutLE(riff, data.size(), 4);
    return riff + data;
}

std::string LossyWEBPOfSize(uint16_t width, uint16_t height) {
    std::string data("\x30\x01\x00\x9D\x01\x2A", 6);
    PutLE(data, width, 2);
    PutLE(data, height, 2);
    return RIFF("VP8 ", data + std::string(8, '\0'));
}

std::string LosslessWEBPOfSize(uint32_t width, uint32_t height) {
    std::string data("\x2F", 1);
    PutLE(data, (width - 1) | (height - 1) << 14, 4);
    return RIFF("VP8L", data + std::string(4, '\0'));
}

std::string ExtendedWEBPOfSize(uint32_t width, uint32_t height) {
    std::string data(4, '\0');
    PutLE(data, width - 1, 3);
    PutLE(data, height - 1, 3);
    return RIFF("VP8X", data);
}

/* === Signatures =========================================================== */

TEST(ImageCheck, EachFormatVelmaraReadsIsKnownByItsSignature) {
    struct Case {
        std::string bytes;
        ImageFormat format;
    } cases[] = {
        {PNGOfSize(4, 4), ImageFormat::PNG},
        {JPEGOfSize(4, 4), ImageFormat::JPEG},
        {images::ClaimingBMP(4, 4), ImageFormat::BMP},
        {CoreBMPOfSize(4, 4), ImageFormat::BMP},
        {GIFWithFrame(4, 4, 4, 4), ImageFormat::GIF},
        {images::MakeGIF(4, 4, 16), ImageFormat::GIF},  // GIF89a
        {LossyWEBPOfSize(4, 4), ImageFormat::WEBP},
        {LosslessWEBPOfSize(4, 4), ImageFormat::WEBP},
        {ExtendedWEBPOfSize(4, 4), ImageFormat::WEBP},
    };
    for (const Case& c : cases) {
        Checked checked = Check(c.bytes);
        EXPECT_TRUE(checked.accepted) << checked.reason;
        EXPECT_EQ(checked.claim.format, c.format) << c.bytes;
        EXPECT_EQ(checked.claim.width, 4);
        EXPECT_EQ(checked.claim.height, 4);
    }
}

TEST(ImageCheck, EveryOtherFileIsNotAnImageFormatVelmaraReads) {
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\"/>";
    for (const std::string& bytes : {
             std::string(),
             std::string("\x89PNG\r\n\x1A", 7),          // one byte short of the signature
             std::string("\xFF\xD8\xFE\x00", 4),
             std::string("B"),
             std::string("GIF88a") + std::string(20, '\0'),
             std::string("RIFF\x10\0\0\0WEBPALPH", 16),  // no image chunk first
             std::string("RIFF\x10\0\0\0WAVEfmt ", 16),
             std::string("RIFF\x10\0\0\0WEBP", 12),
             std::string("II*\0\x08\0\0\0", 8),           // TIFF
             std::string("qoif\0\0\0\x04\0\0\0\x04\x04\0", 14),
             std::string("/* XPM */\nstatic char *x[] = {\n\"1 1 1 1\",\n\"a c red\",\n\"b\"\n};\n"),
             svg,
             std::string("RIFF\x40\0\0\0WEBP") + svg,     // an SVG behind a WEBP tag
         }) {
        Checked checked = Check(bytes);
        EXPECT_FALSE(checked.accepted) << bytes;
        EXPECT_EQ(checked.claim.format, ImageFormat::Unknown);
        EXPECT_EQ(checked.reason, kNotAnImage);
    }
    EXPECT_EQ(ImageFormatOf(nullptr, 0), ImageFormat::Unknown);
}

/* === Sizes ================================================================ */

TEST(ImageCheck, TheSizeIsTheOneTheDecoderWillAllocate) {
    struct Case {
        const char* what;
        std::string bytes;
        int64_t width, height;
    } cases[] = {
        {"PNG", PNGOfSize(300, 200), 300, 200},
        {"JPEG after a segment and fill bytes", JPEGOfSize(640, 480), 640, 480},
        {"BMP", images::ClaimingBMP(7, 9), 7, 9},
        {"top-down BMP", images::ClaimingBMP(7, -9), 7, 9},
        {"BMP core header", CoreBMPOfSize(300, 200), 300, 200},
        {"GIF frame larger than its screen", GIFWithFrame(4, 4, 300, 200), 300, 200},
        {"GIF frame smaller than its screen", GIFWithFrame(9000, 9000, 3, 2), 3, 2},
        {"WEBP lossy", LossyWEBPOfSize(300, 200), 300, 200},
        {"WEBP lossy, scale bits set", LossyWEBPOfSize(0xC000 | 300, 0x4000 | 200), 300, 200},
        {"WEBP lossless", LosslessWEBPOfSize(16384, 1), 16384, 1},
        {"WEBP extended", ExtendedWEBPOfSize(300, 200), 300, 200},
    };
    for (const Case& c : cases) {
        Checked checked = Check(c.bytes);
        EXPECT_TRUE(checked.accepted) << c.what << ": " << checked.reason;
        EXPECT_EQ(checked.claim.width, c.width) << c.what;
        EXPECT_EQ(checked.claim.height, c.height) << c.what;
    }
}

TEST(ImageCheck, AnImageLargerThanATextureMayHoldIsRefusedBeforeDecoding) {
    EXPECT_EQ(Check(images::ClaimingBMP(2, 400000000)).reason, Claims(2, 400000000));
    EXPECT_EQ(Check(images::ClaimingBMP(2, -400000000)).reason, Claims(2, 400000000));
    EXPECT_EQ(Check(images::ClaimingBMP(2, INT32_MIN)).reason, Claims(2, 2147483648));
    EXPECT_EQ(Check(PNGOfSize(0xFFFFFFFF, 1)).reason, Claims(4294967295, 1));
    EXPECT_EQ(Check(PNGOfSize(16385, 1)).reason, Claims(16385, 1));
    EXPECT_EQ(Check(JPEGOfSize(1, 16385)).reason, Claims(1, 16385));
    EXPECT_EQ(Check(CoreBMPOfSize(65535, 65535)).reason, Claims(65535, 65535));
    EXPECT_EQ(Check(ExtendedWEBPOfSize(1 << 24, 1)).reason, Claims(1 << 24, 1));
    EXPECT_EQ(Check(GIFWithFrame(1, 1, 16384, 16384)).reason, Claims(16384, 16384));
    // At most 64 Mi pixels, even where each side would fit.
    EXPECT_TRUE(Check(PNGOfSize(8192, 8192)).accepted);
    EXPECT_EQ(Check(PNGOfSize(8192, 8193)).reason, Claims(8192, 8193));
    EXPECT_TRUE(Check(PNGOfSize(16384, 4096)).accepted);
    // The largest texture size is the context's.
    EXPECT_TRUE(Check(PNGOfSize(64, 64), 64).accepted);
    EXPECT_EQ(Check(PNGOfSize(65, 64), 64).reason, Claims(65, 64));
}

TEST(ImageCheck, AZeroOrNegativeSizeIsDamaged) {
    EXPECT_EQ(Check(PNGOfSize(0, 4)).reason, "the image is damaged: it claims 0 \xC3\x97 4 pixels");
    EXPECT_EQ(Check(JPEGOfSize(4, 0)).reason, "the image is damaged: it claims 4 \xC3\x97 0 pixels");
    EXPECT_EQ(Check(images::ClaimingBMP(-2, 4)).reason, "the image is damaged: it claims -2 \xC3\x97 4 pixels");
    EXPECT_EQ(Check(CoreBMPOfSize(4, 0)).reason, "the image is damaged: it claims 4 \xC3\x97 0 pixels");
    EXPECT_EQ(Check(GIFWithFrame(4, 4, 0, 6)).reason, "the image is damaged: it claims 0 \xC3\x97 6 pixels");
    EXPECT_EQ(Check(LossyWEBPOfSize(0x4000, 4)).reason, "the image is damaged: it claims 0 \xC3\x97 4 pixels");
}

/* === Headers that do not lie within the bytes ============================== */

TEST(ImageCheck, ACutHeaderIsDamagedUnlessItsSizeIsWhole) {
    for (const std::string& whole : {JPEGOfSize(4, 4), images::ClaimingBMP(4, 4), CoreBMPOfSize(4, 4),
                                     GIFWithFrame(4, 4, 4, 4), LossyWEBPOfSize(4, 4), LosslessWEBPOfSize(4, 4),
                                     ExtendedWEBPOfSize(4, 4)}) {
        Checked full = Check(whole);
        ASSERT_TRUE(full.accepted) << full.reason;
        for (size_t length = 0; length < whole.size(); ++length) {
            Checked cut = Check(whole.substr(0, length));
            if (cut.accepted) {
                EXPECT_EQ(cut.claim.width, full.claim.width) << length;
                EXPECT_EQ(cut.claim.height, full.claim.height) << length;
            } else if (cut.claim.format != ImageFormat::Unknown) {
                EXPECT_EQ(cut.reason.rfind("the image is damaged: ", 0), 0u) << cut.reason;
            }
        }
    }
    EXPECT_EQ(Check(JPEGOfSize(4, 4).substr(0, 30)).reason, "the image is damaged: it ends before its frame header");
    EXPECT_EQ(Check(std::string("\xFF\xD8\xFF\xDA\x00\x02", 6)).reason,
              "the image is damaged: it has no frame header before its data");
    EXPECT_EQ(Check(std::string("\xFF\xD8\xFF\xE0\x00\x01", 6)).reason,
              "the image is damaged: a marker segment has a bad length");
    EXPECT_EQ(Check(GIFWithFrame(4, 4, 4, 4).substr(0, 20)).reason,
              "the image is damaged: it ends before its first frame");
    EXPECT_EQ(Check(std::string("GIF89a\x04\0\x04\0\0\0\0\x3B", 14)).reason, "the image is damaged: it has no frame");
    EXPECT_EQ(Check(std::string("GIF89a\x04\0\x04\0\0\0\0\x00", 14)).reason,
              "the image is damaged: it has an unknown block before its first frame");
    std::string odd_header = images::ClaimingBMP(4, 4);
    odd_header[14] = 20;
    EXPECT_EQ(Check(odd_header).reason, "the image is damaged: its header has an unknown size of 20 bytes");
}

/* === A PNG's chunk list ==================================================== */

TEST(ImageCheck, EveryPNGChunkMustLieWithinTheBytesUpToIEND) {
    const std::string head = images::PNGSignature() + images::IHDR(4, 4);
    const std::string idat = PNGChunk("IDAT", "pixels");
    const std::string iend = PNGChunk("IEND");
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;  // "" when accepted
    } cases[] = {
        {"IEND ending exactly at the end", head + idat + iend, ""},
        {"bytes after IEND", head + idat + iend + "trailing", ""},
        {"a chunk after IHDR claiming 0x20020 bytes", images::LongChunkPNG(),
         "the image is damaged: chunk gAMA runs past its end"},
        {"a length near 2^32", head + PNGChunk("tEXt", "a", 0xFFFFFFF3) + idat + iend,
         "the image is damaged: chunk tEXt runs past its end"},
        {"a length of 2^32 - 1", head + PNGChunk("tEXt", "a", 0xFFFFFFFF) + iend,
         "the image is damaged: chunk tEXt runs past its end"},
        {"a CRC cut short", head + idat.substr(0, idat.size() - 2), "the image is damaged: chunk IDAT runs past its end"},
        {"IEND's CRC cut short", head + idat + iend.substr(0, 11), "the image is damaged: chunk IEND runs past its end"},
        {"no IEND", head + idat, "the image is damaged: it ends before its IEND chunk"},
        {"a chunk header cut short", head + idat + iend.substr(0, 6), "the image is damaged: it ends before its IEND chunk"},
        {"no IHDR", images::PNGSignature() + idat + iend, "the image is damaged: it does not begin with an IHDR chunk"},
        {"the signature alone", images::PNGSignature(), "the image is damaged: it does not begin with an IHDR chunk"},
        {"an IHDR too short", images::PNGSignature() + PNGChunk("IHDR", std::string(8, '\x01')) + iend,
         "the image is damaged: chunk IHDR has the wrong length"},
        {"a type that is not four letters", head + PNGChunk("ID4T", "x") + iend,
         "the image is damaged: the chunk at byte 33 has no valid type"},
    };
    for (const Case& c : cases) {
        Checked checked = Check(c.bytes);
        EXPECT_EQ(checked.accepted, *c.reason == '\0') << c.what;
        EXPECT_EQ(checked.reason, c.reason) << c.what;
    }
    // No cut of a well-formed PNG reaches the decoder.
    const std::string png = images::BluePNG();
    ASSERT_TRUE(Check(png).accepted);
    for (size_t length = 0; length < png.size(); ++length) EXPECT_FALSE(Check(png.substr(0, length)).accepted) << length;
}

/* === Damaged and hostile files, each in a process of its own =============== */

// The blue JPEG with its frame header claiming width x height.
std::string JPEGClaiming(uint16_t width, uint16_t height) {
    std::string jpeg = images::BlueJPEG();
    size_t frame = jpeg.find("\xFF\xC0");
    if (frame == std::string::npos || frame + 9 > jpeg.size()) return jpeg;
    std::string size;
    PutBE(size, height, 2);
    PutBE(size, width, 2);
    return jpeg.replace(frame + 5, 4, size);
}

// An 8 x 6 uncompressed ILBM of that many bit planes.
std::string ILBM(int planes) {
    std::string header;
    PutBE(header, 8, 2);
    PutBE(header, 6, 2);
    PutBE(header, 0, 4);
    header += std::string{static_cast<char>(planes), 0, 0, 0};
    PutBE(header, 0, 2);
    header += std::string("\x01\x01", 2);
    PutBE(header, 8, 2);
    PutBE(header, 6, 2);
    std::string body(static_cast<size_t>(6 * planes * 2), '\x55');
    std::string form = "ILBMBMHD";
    PutBE(form, header.size(), 4);
    form += header + "BODY";
    PutBE(form, body.size(), 4);
    form += body;
    std::string file = "FORM";
    PutBE(file, form.size(), 4);
    return file + form;
}

std::string QOIClaiming(uint32_t width, uint32_t height) {
    std::string qoi = "qoif";
    PutBE(qoi, width, 4);
    PutBE(qoi, height, 4);
    qoi += std::string("\x04\x00", 2);
    for (int i = 0; i < 25; ++i) qoi += std::string("\xFE\x00\x00\xFF", 4);  // blue pixels
    return qoi + std::string("\0\0\0\0\0\0\0\x01", 8);
}

std::string XCFClaiming(uint32_t width, uint32_t height) {
    std::string xcf("gimp xcf file\0", 14);
    PutBE(xcf, width, 4);
    PutBE(xcf, height, 4);
    PutBE(xcf, 0, 4);  // RGB
    PutBE(xcf, 0, 8);  // no properties
    PutBE(xcf, 0, 4);  // no layers
    PutBE(xcf, 0, 4);  // no channels
    return xcf;
}

std::string SVG(const std::string& size, const std::string& content) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" " + size + ">" + content + "</svg>\n";
}

TEST(DamagedImages, EachIsRefusedOrDecodedInTimeAndWithinMemoryWithoutACrash) {
    const std::string endless_dashes =
        SVG("width=\"64\" height=\"64\"", "<path d=\"M0 0 L1e9 0\" stroke=\"red\" stroke-dasharray=\"1e-4\"/>");
    const std::string xpm = "/* XPM */\nstatic char *x[] = {\n\"1 1 1 1\",\n\"a c red\",\n\"b\"\n};\n";
    std::string lzw_46 = images::MakeGIF(8, 6, 48, 0x2E);
    std::string lzw_12 = images::MakeGIF(8, 6, 48, 0x0C);
    struct Case {
        const char* file;
        std::string bytes;
        std::string reason;  // "" when decoding is fine too
    } cases[] = {
        {"lzw46.gif", lzw_46, "the image cannot be decoded"},
        {"lzw12.gif", lzw_12, ""},
        {"planes16.lbm", ILBM(16), kNotAnImage},
        {"planes24.lbm", ILBM(24), kNotAnImage},
        {"missing-key.xpm", xpm, kNotAnImage},
        {"dashes.svg", endless_dashes, kNotAnImage},
        {"claim.gif", images::MakeGIF(16384, 16384, 0), Claims(16384, 16384)},
        {"claim.jpg", JPEGClaiming(16384, 16384), Claims(16384, 16384)},
        {"claim.qoi", QOIClaiming(16384, 16384), kNotAnImage},
        {"claim.svg", SVG("width=\"16384\" height=\"16384\"", "<rect width=\"16384\" height=\"16384\" fill=\"red\"/>"),
         kNotAnImage},
        {"claim.xcf", XCFClaiming(16384, 16384), kNotAnImage},
        {"claim.bmp", images::ClaimingBMP(2, 400000000), Claims(2, 400000000)},
        {"long-chunk.png", images::LongChunkPNG(), "the image is damaged: chunk gAMA runs past its end"},
        // A name or a tag that promises a format does not choose the decoder.
        {"x.png", xpm, kNotAnImage},
        {"tagged.webp", "RIFF\x40\0\0\0WEBP" + endless_dashes, kNotAnImage},
        {"vp8-tagged.webp", std::string("RIFF\x40\0\0\0WEBPVP8 \x30\0\0\0", 20) + endless_dashes,
         "the image is damaged: its frame has no start code"},
    };
    ASSERT_EQ(lzw_46[lzw_46.find('\x2C') + 10], '\x2E');  // the frame's first data byte
    testutil::TempDir dir;
    for (const Case& c : cases) {
        ASSERT_TRUE(dir.Write(c.file, c.bytes));
        testproc::Options options;
        options.arguments = {"image", dir.File(c.file)};
        options.environment = testproc::ProgramEnvironmentWithoutLeakChecks();
        testproc::ChildProcess probe(VELMARA_MEDIA_PROBE, options);
        ASSERT_TRUE(probe.Started());
        testproc::Exit exit = probe.Wait(10);
        EXPECT_FALSE(exit.timed_out) << c.file;
        EXPECT_TRUE(exit.exited && exit.status == 0) << c.file << " ended by signal " << exit.signal;
        EXPECT_LT(exit.max_rss_kb, 500 * 1024) << c.file;
        if (!c.reason.empty()) {
            EXPECT_EQ(probe.Stdout(), "texture 0 0 0\n") << c.file;
            EXPECT_NE(probe.Stderr().find(dir.File(c.file) + ": " + c.reason), std::string::npos)
                << c.file << ": " << probe.Stderr();
        }
    }
}

}  // namespace
