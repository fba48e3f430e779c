// The checks every image and every music file pass before a decoder sees
// them. The samples are the media fuzzer's seeds (fuzz/corpus/media), edited
// here where a row needs another header field. Damaged and foreign files
// also go through the engine in a process of their own (media_probe), since
// before the checks they crashed it, hung it or took gigabytes.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "DocumentSamples.h"
#include "ImageCheck.h"
#include "MusicCheck.h"
#include "Process.h"

namespace {

using samples::MediaSample;
using samples::MediaSamplePath;

const std::string kNotAnImage = "not an image format Velmara reads (PNG, JPEG, BMP, GIF, WEBP)";
const std::string kNotMusic = "not a music format Velmara reads (MP3, Ogg, FLAC, WAV, AIFF)";

std::string Claims(int64_t width, int64_t height) {
    return "the image claims " + std::to_string(width) + " \xC3\x97 " + std::to_string(height) +
           " pixels, more than a texture may hold";
}

// Each check over an exact-size heap copy, so that a read even one byte
// past the end is caught by the sanitizer build. "" when the bytes pass.
std::unique_ptr<uint8_t[]> ExactCopy(const std::string& bytes) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    return copy;
}

std::string ImageVerdict(const std::string& bytes, ImageClaim* claim = nullptr, int max_texture_size = 16384) {
    std::string reason;
    return CheckImage(ExactCopy(bytes).get(), bytes.size(), max_texture_size, claim, &reason) ? "" : reason;
}

std::string MusicVerdict(const std::string& bytes, CheckedMusic* checked = nullptr) {
    std::string reason;
    return CheckMusic(ExactCopy(bytes).get(), bytes.size(), checked, &reason) ? "" : reason;
}

// bytes with the field at offset replaced by value, count bytes wide.
std::string Put(std::string bytes, size_t offset, uint64_t value, int count, bool big_endian) {
    for (int i = 0; i < count; ++i) {
        int shift = 8 * (big_endian ? count - 1 - i : i);
        bytes[offset + static_cast<size_t>(i)] = static_cast<char>(value >> shift);
    }
    return bytes;
}
std::string PutBE(const std::string& bytes, size_t offset, uint64_t value, int count) {
    return Put(bytes, offset, value, count, true);
}
std::string PutLE(const std::string& bytes, size_t offset, uint64_t value, int count) {
    return Put(bytes, offset, value, count, false);
}
std::string At(std::string bytes, size_t offset, const std::string& tag) {
    if (bytes.size() < offset + tag.size()) bytes.resize(offset + tag.size(), ' ');
    return bytes.replace(offset, tag.size(), tag);
}

// A PNG chunk claiming length bytes, with a CRC nobody before the decoder reads.
std::string PNGChunk(const std::string& type, const std::string& data, uint64_t length) {
    return PutBE(std::string(4, '\0'), 0, length, 4) + type + data + "CRC!";
}

// An AIFF sample whose 80-bit rate is the given 10 bytes.
std::string AIFFAtRate(std::initializer_list<int> extended) {
    return MediaSample("music-tone.aiff").replace(28, 10, samples::Bytes(extended));
}

// A chunk of 3 bytes, which a walk that skips the pad byte after an odd
// size and one that does not leave at different offsets.
std::string OddChunk(bool big_endian) { return "junk" + Put(std::string(4, '\0'), 0, 3, 4, big_endian) + "odd"; }

// A progressive JPEG (as cjpeg -progressive writes it) whose frame header
// claims width x height pixels.
std::string JPEGOfSize(const std::string& jpeg, int64_t width, int64_t height) {
    size_t frame = jpeg.find("\xFF\xC2");  // length, precision, height, width
    return PutBE(PutBE(jpeg, frame + 5, static_cast<uint64_t>(height), 2), frame + 7, static_cast<uint64_t>(width), 2);
}

// Its last scan: the Huffman table and the SOS with its data, up to EOI.
std::string LastScan(const std::string& jpeg) {
    size_t table = jpeg.rfind("\xFF\xC4");
    return jpeg.substr(table, jpeg.size() - 2 - table);
}

// The JPEG with its last scan repeated count more times before its EOI.
std::string JPEGWithScansMore(const std::string& jpeg, int count) {
    std::string scans;
    for (int i = 0; i < count; ++i) scans += LastScan(jpeg);
    return jpeg.substr(0, jpeg.size() - 2) + scans + "\xFF\xD9";
}

// The bytes inserted right after the first SOS header (in its scan's data).
std::string InFirstScanData(const std::string& jpeg, const std::string& inserted) {
    size_t sos = jpeg.find("\xFF\xDA");
    size_t data = sos + 2 + ((static_cast<uint8_t>(jpeg[sos + 2]) << 8) | static_cast<uint8_t>(jpeg[sos + 3]));
    return std::string(jpeg).insert(data, inserted);
}

/* === Damaged and foreign files ============================================ */

TEST(MediaCheck, DamagedAndForeignFilesAreRefusedAndEndInTimeAndSmallInTheEngine) {
    const std::string abc_chord = "X:1\nT:chord\nK:C\n[" + std::string(20000, 'a') + "]\n";
    std::string abc_notes = "X:1\nT:notes\nK:C\n";
    while (abc_notes.size() < 300000) abc_notes += "abcdefgABCDEFG";
    struct Case {
        const char* sample;     // in fuzz/corpus/media, unless bytes are given
        std::string bytes;
        std::string reason;     // "" when the check lets it through to its decoder
        const char* probe;      // "image" or "music": also loaded by the engine in a child; null: check only
        double play_seconds;    // how long the child plays music that starts
    } cases[] = {
        // Crashed the image decoders, hung them or took gigabytes.
        {"image-lzw46.gif", "", "", "image", 0},
        {"image-lzw12.gif", "", "", "image", 0},
        {"image-planes16.lbm", "", kNotAnImage, "image", 0},
        {"image-planes24.lbm", "", kNotAnImage, "image", 0},
        {"image-missing-key.xpm", "", kNotAnImage, "image", 0},
        {"image-xpm-named.png", "", kNotAnImage, "image", 0},  // a name chooses no decoder
        {"image-dashes.svg", "", kNotAnImage, "image", 0},
        {"image-svg-behind-webp-tag.webp", "", kNotAnImage, "image", 0},  // nor does a tag
        {"image-svg-behind-vp8-tag.webp", "", "the image is damaged: its frame has no start code", "image", 0},
        {"image-claim.svg", "", kNotAnImage, "image", 0},
        {"image-claim.qoi", "", kNotAnImage, "image", 0},
        {"image-claim.xcf", "", kNotAnImage, "image", 0},
        {"image-claim.gif", "", Claims(16384, 16384), "image", 0},
        {"image-claim.jpg", "", Claims(16384, 16384), "image", 0},
        {"image-claim.bmp", "", Claims(2, 400000000), "image", 0},
        {"image-long-chunk.png", "", "the image is damaged: chunk gAMA runs past its end", "image", 0},
        {"image-animated.webp", "", "an animated WEBP is not read", "image", 0},  // the decoder reads stills only
        // Crashed the audio conversion, grew while playing, or hung the tracker reader.
        {"music-zero-channels.wav", "", "the file declares 0 channels", "music", 0},
        {"music-zero-channels.aiff", "", "the file declares 0 channels", "music", 0},
        {"music-junk-before-fmt.wav", "", "the file declares 0 channels", "music", 0},
        {"music-1hz.wav", "", "the file declares a sample rate of 1 Hz", "music", 2},
        {"music-1hz.flac", "", "the file declares a sample rate of 1 Hz", "music", 2},
        {"ABC chord", abc_chord, kNotMusic, "music", 0},
        {"ABC notes", abc_notes, kNotMusic, "music", 0},
        {"ABC behind SCRM", At(abc_chord, 44, "SCRM"), kNotMusic, "music", 0},
        {"ABC behind M.K.", At(abc_chord, 1080, "M.K."), kNotMusic, "music", 0},
        {"music-damaged.mid", "", kNotMusic, "music", 0},
        // What a decoder reads whole at load must lie within the file: a
        // claimed size was an allocation, a failed FLAC load leaked.
        {"music-list-past-end.wav", "", "the file is damaged: its LIST chunk runs past the end of the file", nullptr, 0},
        {"music-name-past-end.aiff", "", "the file is damaged: its NAME chunk runs past the end of the file", nullptr, 0},
        {"music-metadata-past-end.flac", "", "the file is damaged: its metadata is cut short", nullptr, 0},
        {"music-comment-count.flac", "", "the file is damaged: its comments do not fit their block", nullptr, 0},
        {"music-application-without-id.flac", "", "the file is damaged: its application block has no id", nullptr, 0},
        {"music-second-streaminfo.flac", "", "the file is damaged: it has a second STREAMINFO block", nullptr, 0},
    };
    samples::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        bool image = std::strncmp(c.sample, "image", 5) == 0;
        std::string path = c.bytes.empty() ? MediaSamplePath(c.sample) : dir.File("sample");
        if (!c.bytes.empty()) samples::WriteFile(path, c.bytes);
        std::string bytes = samples::ReadFile(path);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(image ? ImageVerdict(bytes) : MusicVerdict(bytes), c.reason);
        if (!c.probe) continue;

        testproc::Options options;
        options.arguments = {c.probe, path, std::to_string(c.play_seconds)};
        options.environment = testproc::ProgramEnvironmentWithoutLeakChecks();
        testproc::ChildProcess probe(VELMARA_MEDIA_PROBE, options);
        ASSERT_TRUE(probe.Started());
        testproc::Exit exit = probe.Wait(c.play_seconds + 10);  // SIGKILL: SDL takes SIGTERM
        EXPECT_FALSE(exit.timed_out);
        EXPECT_TRUE(exit.exited && exit.status == 0) << "signal " << exit.signal << "\n" << probe.Stderr();
        EXPECT_LT(exit.max_rss_kb, 500 * 1024);
        if (c.reason.empty()) continue;
        EXPECT_EQ(probe.Stdout(), image ? "texture 0 0 0\n" : "music silent\n");
        std::string said = (image ? path + ": " : std::string("music: ")) + c.reason + "\n";
        EXPECT_NE(probe.Stderr().find(said), std::string::npos) << probe.Stderr();
    }
}

TEST(MediaCheck, EveryPrefixOfAWellFormedFileIsRefusedOrReadAsTheWholeWithoutReadingPastItsEnd) {
    const std::string vorbis = MediaSample("music-tone.ogg");
    const std::string opus = MediaSample("music-tone.opus");
    const std::string flac = MediaSample("music-tone.flac");
    const std::string mp3 = MediaSample("music-tone.mp3");
    // Each sound with a header field its check reads made bad: 0 channels
    // (FLAC: a rate of 0 Hz; MP3: a frame header with the reserved bit
    // rate 15). A prefix that passes must hold that field as the whole file
    // does, so the same prefix of the bad one is refused.
    const std::pair<const char*, std::string> sounds[] = {
        {"music-tone.wav", PutLE(MediaSample("music-tone.wav"), 22, 0, 2)},
        {"music-tone.aiff", PutBE(MediaSample("music-tone.aiff"), 20, 0, 2)},
        {"music-tone.flac", PutBE(flac, 18, uint8_t(flac[20]) & 0x0F, 3)},
        {"music-tone.ogg", PutLE(vorbis, 27 + uint8_t(vorbis[26]) + 11, 0, 1)},
        {"music-tone.opus", PutLE(opus, 27 + uint8_t(opus[26]) + 9, 0, 1)},
        {"music-tone.mp3", PutBE(mp3, 2, 0xF0 | (uint8_t(mp3[2]) & 0x0F), 1)},
    };
    for (const auto& sound : sounds) {
        SCOPED_TRACE(sound.first);
        const std::string file = MediaSample(sound.first);
        ASSERT_EQ(MusicVerdict(file), "");
        ASSERT_NE(MusicVerdict(sound.second), "");
        for (size_t size = 0; size < file.size(); ++size) {
            if (MusicVerdict(file.substr(0, size)).empty()) {
                EXPECT_NE(MusicVerdict(sound.second.substr(0, size)), "") << size;
            }
        }
        EXPECT_NE(ImageVerdict(file), "");  // music is never an image
    }
    for (const char* name : {"image-blue.png", "image-blue.jpg", "image-blue-progressive.jpg", "image-blue.bmp",
                             "image-blue.gif", "image-frame.gif", "image-blue.webp", "image-blue-lossless.webp",
                             "image-blue-alpha.webp"}) {
        SCOPED_TRACE(name);
        const std::string file = MediaSample(name);
        ImageClaim whole;
        ASSERT_EQ(ImageVerdict(file, &whole), "");
        for (size_t size = 0; size < file.size(); ++size) {
            ImageClaim claim;
            if (ImageVerdict(file.substr(0, size), &claim).empty()) {
                EXPECT_EQ(claim.width, whole.width) << size;
                EXPECT_EQ(claim.height, whole.height) << size;
                EXPECT_LE(claim.scans, whole.scans) << size;
            }
        }
        EXPECT_NE(MusicVerdict(file), "");  // an image is never music
    }
    // A well-formed PNG cut anywhere never reaches its decoder.
    const std::string png = MediaSample("image-blue.png");
    for (size_t size = 0; size < png.size(); ++size) EXPECT_NE(ImageVerdict(png.substr(0, size)), "") << size;
}

/* === Images =============================================================== */

TEST(MediaCheck, AnImageIsSizedAsItsDecoderWillAllocateItAndRefusedBeyondATexture) {
    const std::string png = MediaSample("image-blue.png");  // IHDR width at 16, height at 20
    const std::string bmp = MediaSample("image-blue.bmp");  // width at 18, height at 22
    const std::string jpeg = MediaSample("image-blue.jpg");
    const size_t frame_header = jpeg.find("\xFF\xC0");
    const std::string gif = MediaSample("image-frame.gif");  // a 4 x 4 frame on an 8 x 8 screen
    ImageClaim gif_claim;
    ASSERT_EQ(ImageVerdict(gif, &gif_claim), "");
    const size_t frame = gif_claim.gif_frame;
    std::string vp8x = std::string("RIFF\x16\0\0\0WEBPVP8X\x0A\0\0\0", 20) + std::string(10, '\0');
    struct Case {
        const char* what;
        std::string bytes;
        std::string reason;
        int64_t width, height;  // when accepted
        int max_texture_size;
    } cases[] = {
        {"64 Mi pixels", PutBE(PutBE(png, 16, 8192, 4), 20, 8192, 4), "", 8192, 8192, 16384},
        {"one row more", PutBE(PutBE(png, 16, 8192, 4), 20, 8193, 4), Claims(8192, 8193), 0, 0, 16384},
        {"a side beyond the texture size", PutBE(png, 16, 16385, 4), Claims(16385, 4), 0, 0, 16384},
        {"the context's texture size", PutBE(png, 16, 65, 4), Claims(65, 4), 0, 0, 64},
        {"a zero width", PutBE(png, 16, 0, 4), "the image is damaged: it claims 0 \xC3\x97 4 pixels", 0, 0, 16384},
        {"a top-down BMP", PutLE(PutLE(bmp, 18, 7, 4), 22, uint32_t(-9), 4), "", 7, 9, 16384},
        {"a BMP height of INT32_MIN", PutLE(bmp, 22, uint32_t(INT32_MIN), 4), Claims(4, 2147483648), 0, 0, 16384},
        {"a JPEG frame header", PutBE(jpeg, frame_header + 5, 16385, 2), Claims(4, 16385), 0, 0, 16384},
        {"a GIF frame larger than its screen", PutLE(PutLE(gif, frame + 5, 300, 2), frame + 7, 200, 2), "", 300, 200,
         16384},
        {"a GIF frame beyond a texture", PutLE(gif, frame + 5, 16385, 2), Claims(16385, 4), 0, 0, 16384},
        {"a WEBP canvas", PutLE(PutLE(vp8x, 24, (1 << 24) - 1, 3), 27, 0, 3), Claims(1 << 24, 1), 0, 0, 16384},
    };
    for (const Case& c : cases) {
        ImageClaim claim;
        EXPECT_EQ(ImageVerdict(c.bytes, &claim, c.max_texture_size), c.reason) << c.what;
        if (!c.reason.empty()) continue;
        EXPECT_EQ(claim.width, c.width) << c.what;
        EXPECT_EQ(claim.height, c.height) << c.what;
    }
}

TEST(MediaCheck, EveryPNGChunkMustLieWithinTheBytesUpToIEND) {
    const std::string png = MediaSample("image-blue.png");
    const std::string head = png.substr(0, 33);  // the signature and IHDR
    const std::string iend = png.substr(png.size() - 12);
    const std::string idat = PNGChunk("IDAT", "pixels", 6);
    const std::pair<std::string, std::string> cases[] = {
        {png + "trailing bytes", ""},
        {head + PNGChunk("tEXt", "a", 0xFFFFFFF3) + iend, "the image is damaged: chunk tEXt runs past its end"},
        {head + idat.substr(0, idat.size() - 2), "the image is damaged: chunk IDAT runs past its end"},
        {head + idat, "the image is damaged: it ends before its IEND chunk"},
        {png.substr(0, 8) + idat + iend, "the image is damaged: it does not begin with an IHDR chunk"},
    };
    for (const auto& c : cases) EXPECT_EQ(ImageVerdict(c.first), c.second) << c.first;
}

TEST(MediaCheck, AJPEGHasTheScansOfCommonEncodersAtAnySizeAndNoMoreThanTenOfTheLargestImageCost) {
    const std::string colour = MediaSample("image-blue-progressive.jpg");  // 10 scans, as cjpeg -progressive
    const std::string grey = MediaSample("image-grey-progressive.jpg");    // 6 scans
    const std::string largest = JPEGOfSize(colour, 8192, 8192);
    // One AC scan and its table repeated 3,000 times: a minute of decoding.
    const std::string repeated = JPEGWithScansMore(JPEGOfSize(grey, 8192, 8192), 3000);
    const std::string too_many = "the image has 3006 scans, more than the 10 its size allows";
    const std::string last_sos = LastScan(colour).substr(LastScan(colour).find("\xFF\xDA"));  // without its table
    struct Case {
        const char* what;
        std::string bytes;
        std::string reason;
        int64_t scans;  // when accepted
    } cases[] = {
        // The walk to EOI.
        {"as encoded", colour, "", 10},
        {"a scan more", JPEGWithScansMore(colour, 1), "", 11},
        {"a scan after EOI", colour + LastScan(colour) + "\xFF\xD9", "", 10},
        {"FF DA within an APP1 segment", colour.substr(0, 2) + samples::Bytes({0xFF, 0xE1, 0, 6, 0xFF, 0xDA, 0, 2}) +
                                             colour.substr(2), "", 10},
        {"restarts and stuffed bytes in a scan's data",
         InFirstScanData(colour, samples::Bytes({0xFF, 0xD3, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0xFF, 0xD5, 0xFF, 0x00})),
         "", 10},
        {"the last restart, FF D7, in a scan's data: no length follows it",
         InFirstScanData(colour, samples::Bytes({0x12, 0xFF, 0xD7, 0x00, 0x01, 0x34})), "", 10},
        {"fill bytes before an SOS in a scan's data", InFirstScanData(colour, "\xFF\xFF" + last_sos),
         "", 11},
        // Scans times pixels.
        {"10 scans at 64 Mi pixels", largest, "", 10},
        {"10 scans at 16384 x 4096", JPEGOfSize(colour, 16384, 4096), "", 10},
        {"grey's 6 at 16384 x 4096", JPEGOfSize(grey, 16384, 4096), "", 6},
        {"11 scans at 8192 x 7440", JPEGWithScansMore(JPEGOfSize(colour, 8192, 7440), 1), "", 11},
        {"11 scans at 8192 x 7441: its blocks reach row 7448", JPEGWithScansMore(JPEGOfSize(colour, 8192, 7441), 1),
         "the image has 11 scans, more than the 10 its size allows", 0},
        {"3,006 scans at 8192 x 8192", repeated, too_many, 0},
        {"3,006 scans at 64 x 64", JPEGWithScansMore(JPEGOfSize(grey, 64, 64), 3000), "", 3006},
        {"3,000 scans after EOI", largest + repeated, "", 10},
    };
    for (const Case& c : cases) {
        ImageClaim claim;
        EXPECT_EQ(ImageVerdict(c.bytes, &claim), c.reason) << c.what;
        if (c.reason.empty()) {
            EXPECT_EQ(claim.scans, c.scans) << c.what;
        }
    }

    // Through the engine: the repeated scans are refused before decoding,
    // and an ordinary progressive file of the largest size loads.
    samples::TempDir dir;
    const std::pair<std::string, std::string> files[] = {{repeated, too_many}, {largest, ""}};
    for (const auto& file : files) {
        std::string path = dir.File("picture.jpg");
        samples::WriteFile(path, file.first);
        testproc::Options options;
        options.arguments = {"image", path};
        options.environment = testproc::ProgramEnvironmentWithoutLeakChecks();
        testproc::ChildProcess probe(VELMARA_MEDIA_PROBE, options);
        ASSERT_TRUE(probe.Started());
        testproc::Exit exit = probe.Wait(10);
        EXPECT_FALSE(exit.timed_out);
        ASSERT_TRUE(exit.exited && exit.status == 0) << "signal " << exit.signal << "\n" << probe.Stderr();
        unsigned id = 0;
        int width = 0;
        int height = 0;
        ASSERT_EQ(std::sscanf(probe.Stdout().c_str(), "texture %u %d %d", &id, &width, &height), 3);
        if (!file.second.empty()) {
            EXPECT_EQ(probe.Stdout(), "texture 0 0 0\n");
            EXPECT_NE(probe.Stderr().find(path + ": " + file.second + "\n"), std::string::npos) << probe.Stderr();
        } else {
            EXPECT_NE(id, 0u);
            EXPECT_EQ(width, 8192);
            EXPECT_EQ(height, 8192);
        }
    }
}

/* === Music ================================================================ */

TEST(MediaCheck, MusicMustDeclareOneToEightChannelsAndARateItCanPlayInEveryHeader) {
    const std::string wav = MediaSample("music-tone.wav");  // channels at 22, rate at 24
    const std::string aiff = MediaSample("music-tone.aiff");
    const std::string no_channels_fmt = MediaSample("music-zero-channels.wav").substr(12, 24);
    const std::string no_channels_comm = MediaSample("music-zero-channels.aiff").substr(12, 26);
    const std::string flac = MediaSample("music-tone.flac");
    const std::string vorbis = MediaSample("music-tone.ogg");
    const std::string opus = MediaSample("music-tone.opus");
    const size_t vorbis_head = 27 + static_cast<uint8_t>(vorbis[26]);  // its identification header
    const size_t opus_head = 27 + static_cast<uint8_t>(opus[26]);
    const std::pair<std::string, std::string> cases[] = {
        {PutLE(wav, 22, 9, 2), "the file declares 9 channels"},
        {PutLE(wav, 22, 8, 2), ""},
        {PutLE(wav, 24, 999, 4), "the file declares a sample rate of 999 Hz"},
        {PutLE(wav, 24, 768000, 4), ""},
        {PutLE(wav, 24, 768001, 4), "the file declares a sample rate of 768001 Hz"},
        // A decoder that takes the last "fmt " finds a second one.
        {wav + no_channels_fmt, "the file declares 0 channels"},
        // After an odd-sized chunk, a fmt or COMM that only the walk which
        // skips the pad byte reaches, then one only the walk which does not.
        {wav + OddChunk(false) + "P" + no_channels_fmt, "the file declares 0 channels"},
        {wav + OddChunk(false) + no_channels_fmt, "the file declares 0 channels"},
        {aiff + OddChunk(true) + "P" + no_channels_comm, "the file declares 0 channels"},
        {aiff + OddChunk(true) + no_channels_comm, "the file declares 0 channels"},
        // AIFF's 80-bit rate, converted as the decoder truncates it: 44100.75, 0.5,
        // NaN, infinity, -44100, 2^70 Hz.
        {AIFFAtRate({0x40, 0x0E, 0xAC, 0x44, 0xC0, 0, 0, 0, 0, 0}), ""},
        {AIFFAtRate({0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}), "the file declares a sample rate of 0 Hz"},
        {AIFFAtRate({0x7F, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0}), "the file declares a sample rate that is not a number"},
        {AIFFAtRate({0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}), "the file declares an infinite sample rate"},
        {AIFFAtRate({0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}), "the file declares a negative sample rate"},
        {AIFFAtRate({0x40, 0x45, 0x80, 0, 0, 0, 0, 0, 0, 0}), "the file declares a sample rate too large to count"},
        // FLAC's 20-bit rate in STREAMINFO: 768001 Hz.
        {PutBE(flac, 18, 768001u << 4 | (uint8_t(flac[20]) & 0x0F), 3), "the file declares a sample rate of 768001 Hz"},
        // Every stream of a chained Ogg file, also one a decoder finds behind garbage.
        {vorbis + vorbis, ""},
        {vorbis + "garbage" + PutLE(vorbis, vorbis_head + 11, 0, 1), "the file declares 0 channels"},
        {vorbis + opus, "the file is damaged: a stream in it is not Ogg Vorbis"},
        // Opus always plays at 48 kHz: only its channels count.
        {PutLE(opus, opus_head + 12, 0, 4), ""},
        {PutLE(opus, opus_head + 9, 0, 1), "the file declares 0 channels"},
    };
    for (const auto& c : cases) EXPECT_EQ(MusicVerdict(c.first), c.second) << c.first.substr(0, 16);
}

TEST(MediaCheck, MusicIsKnownByItsSignatureAloneAndGoesToItsOwnLoader) {
    const std::pair<const char*, Mix_MusicType> kept[] = {
        {"music-tone.wav", MUS_WAV}, {"music-tone.aiff", MUS_WAV}, {"music-tone.flac", MUS_FLAC},
        {"music-tone.ogg", MUS_OGG}, {"music-tone.opus", MUS_OPUS}, {"music-tone.mp3", MUS_MP3},
    };
    for (const auto& c : kept) {
        CheckedMusic checked;
        EXPECT_EQ(MusicVerdict(MediaSample(c.first), &checked), "") << c.first;
        EXPECT_EQ(checked.type, c.second) << c.first;
    }
    const std::string wav = MediaSample("music-tone.wav");
    for (const std::string& foreign : {At(std::string(1200, '\0'), 1080, "M.K."), At(std::string(96, '\0'), 44, "SCRM"),
                                       "Extended Module: tune" + std::string(80, '\0'), "IMPM" + std::string(200, '\0'),
                                       At(wav, 0, "RF64"), At(wav, 8, "AVI "), samples::Bytes({0xFF, 0xF9, 0x90, 0})}) {
        EXPECT_EQ(MusicVerdict(foreign), kNotMusic) << foreign.substr(0, 16);
    }
}

// An MPEG-1 Layer III frame at 44.1 kHz, 128 kbit/s, joint stereo: 417
// bytes, its 32 bytes of side information zero. With info, an Info tag
// after them stating frames more frames, and a LAME tag giving the
// encoder's delay and padding.
std::string Mp3Frame(bool info = false, uint32_t frames = 0, int delay = 0, int padding = 0) {
    std::string frame = samples::Bytes({0xFF, 0xFB, 0x90, 0x64}) + std::string(413, '\0');
    if (!info) return frame;
    frame.replace(36, 4, "Info");
    frame = PutBE(PutBE(frame, 40, 1, 4), 44, frames, 4);  // flags: the frame count only
    frame.replace(48, 9, "LAME3.100");
    return PutBE(frame, 48 + 21, static_cast<uint64_t>(delay) << 12 | static_cast<uint64_t>(padding), 3);
}

// An ID3v2.4 tag around body; with a footer when footer is set.
std::string Id3Tag(const std::string& body, bool footer = false) {
    size_t n = body.size();
    std::string tag = "ID3" + samples::Bytes({4, 0, footer ? 0x10 : 0, int(n >> 21 & 0x7F), int(n >> 14 & 0x7F),
                                              int(n >> 7 & 0x7F), int(n & 0x7F)});
    return tag + body + (footer ? "3DI" + tag.substr(3) : "");
}

TEST(MediaCheck, TheHeadersGiveTheMusicsRateAndItsLengthInItsOwnFrames) {
    const std::string wav = MediaSample("music-tone.wav");    // 8 kHz, 8-bit mono, 400 frames; data size at 40
    const std::string aiff = MediaSample("music-tone.aiff");  // 8 kHz, 8-bit mono, 400 frames at 22
    const std::string flac = MediaSample("music-tone.flac");  // 8 kHz, 2,000 frames
    const std::string vorbis = MediaSample("music-tone.ogg");  // 44.1 kHz, 22,050 frames
    const size_t vorbis_head = 27 + static_cast<uint8_t>(vorbis[26]);
    const std::string tagged = Mp3Frame(true, 100, 576, 1000) + Mp3Frame() + Mp3Frame();
    // A header inside the tag and a stray sync after it are passed over.
    const std::string stray = samples::Bytes({0xFF, 0xF3, 0x48, 0xC4});  // MPEG-2, 22,050 Hz
    struct Case {
        const char* what;
        std::string bytes;
        uint32_t rate;
        uint64_t frames;
    } cases[] = {
        {"WAV", wav, 8000, 400},
        {"WAV at 44.1 kHz, 16-bit stereo", samples::MakeWav(4410, 1000, 44100), 44100, 4410},
        {"WAV whose data size is unknown", PutLE(wav, 40, 0xFFFFFFFF, 4), 8000, 0},
        {"WAV whose data size is overstated", PutLE(wav, 40, 0x7FFFFFFF, 4), 8000, 400},
        {"WAV in 64-bit float, 8 channels", MediaSample("music-float64-8ch.wav"), 8000, 2048},
        {"AIFF", aiff, 8000, 400},
        {"AIFF whose frame count is overstated", PutBE(aiff, 22, 0x7FFFFFFF, 4), 8000, 400},
        {"AIFF whose frame count is short", PutBE(aiff, 22, 399, 4), 8000, 399},
        {"AIFC in 64-bit float", MediaSample("music-fl64.aifc"), 8000, 2048},
        {"FLAC", flac, 8000, 2000},
        {"FLAC whose length is unknown", PutBE(PutBE(flac, 21, uint8_t(flac[21]) & 0xF0, 1), 22, 0, 4), 8000, 0},
        {"Ogg Vorbis", vorbis, 44100, 22050},
        {"chained Ogg Vorbis", vorbis + vorbis, 44100, 44100},
        {"chained Ogg Vorbis whose second link is at 22.05 kHz", vorbis + PutLE(vorbis, vorbis_head + 12, 22050, 4),
         44100, 0},
        {"Ogg Opus", MediaSample("music-tone.opus"), 48000, 24000},
        {"chained Ogg Opus", MediaSample("music-opus-chain.opus"), 48000, 48000},
        {"MP3 without an Info tag at 8 kHz", MediaSample("music-tone.mp3"), 8000, 0},
        {"MP3 with Info and LAME tags", tagged, 44100, 100 * 1152 - 576 - 1000},
        {"MP3 behind ID3v2 tags", Id3Tag(Mp3Frame()) + Id3Tag("x", true) + tagged, 44100, 100 * 1152 - 576 - 1000},
        {"MP3 behind a stray sync", Id3Tag("tag") + stray + tagged, 44100, 100 * 1152 - 576 - 1000},
        {"MP3 with no frame", Id3Tag("only a tag"), 0, 0},
    };
    for (const Case& c : cases) {
        CheckedMusic checked;
        ASSERT_EQ(MusicVerdict(c.bytes, &checked), "") << c.what;
        EXPECT_EQ(checked.rate, c.rate) << c.what;
        EXPECT_EQ(checked.frames, c.frames) << c.what;
    }
}

}  // namespace
