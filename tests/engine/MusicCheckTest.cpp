// The music check: formats known by their signature, everything else
// refused, and the headers a decoder acts on checked first. The damaged and
// foreign files of the last test go through the engine in a process of their
// own (media_probe), since before the check they crashed, hung or took
// gigabytes.

#include "MusicCheck.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "DocumentSamples.h"
#include "Process.h"
#include "SoundSamples.h"

namespace {

const std::string kData = VELMARA_SOURCE_DIR "/tests/engine/data/";

struct Verdict {
    bool ok = false;
    CheckedMusic checked;
    std::string reason;
};

// The check over an exact-size heap copy, so a read past the end is seen
// by the sanitizer build.
Verdict Check(const std::string& bytes) {
    std::unique_ptr<char[]> copy(new char[bytes.size() + 1]);
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    Verdict verdict;
    verdict.ok = CheckMusic(copy.get(), bytes.size(), &verdict.checked, &verdict.reason);
    return verdict;
}

std::string Reason(const std::string& bytes) {
    Verdict verdict = Check(bytes);
    return verdict.ok ? std::string("accepted as ") + MusicFormatName(verdict.checked.format) : verdict.reason;
}

std::string At(std::string bytes, size_t offset, const std::string& tag) {
    if (bytes.size() < offset + tag.size()) bytes.resize(offset + tag.size(), ' ');
    bytes.replace(offset, tag.size(), tag);
    return bytes;
}

/* === Foreign and damaged files, as their reports describe them ============ */

// A chord of 20 KB in ABC notation, the text tracker libraries also read.
std::string AbcChord() { return "X:1\nT:chord\nK:C\n[" + std::string(20000, 'a') + "]\n"; }

// A 300 KB line of notes.
std::string AbcNotes() {
    std::string notes = "X:1\nT:notes\nK:C\n";
    while (notes.size() < 300000) notes += "abcdefgABCDEFG";
    return notes + "\n";
}

// A MIDI file whose only track claims more bytes than it has.
std::string DamagedMidi() {
    return samples::Bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,  //
                           'M', 'T', 'r', 'k', 0, 0, 0x40, 0, 0, 0x90, 60, 64, 0x60, 0x80, 60});
}

// The checked-in Ogg Vorbis tone with its identification header's channel
// count set (the page's checksum made right again).
std::string VorbisWithChannels(int channels) {
    std::string ogg = samples::ReadFile(kData + "music-tone.ogg");
    size_t header = 27 + static_cast<uint8_t>(ogg[26]);
    ogg[header + 11] = static_cast<char>(channels);
    sounds::SetOggPageCrc(ogg, 0);
    return ogg;
}

/* === The check ============================================================ */

TEST(MusicCheckTest, EachKeptFormatIsKnownByItsSignatureAndGoesToItsOwnLoader) {
    struct Case {
        const char* name;
        std::string bytes;
        MusicFormat format;
        Mix_MusicType type;
    };
    const Case cases[] = {
        {"WAV", samples::MakeWav(480, 1000), MusicFormat::WAV, MUS_WAV},
        {"AIFF", sounds::Aiff(1, sounds::Extended(8000), 16), MusicFormat::AIFF, MUS_WAV},
        {"AIFC", sounds::Aiff(2, sounds::Extended(44100), 16, true), MusicFormat::AIFF, MUS_WAV},
        {"FLAC", sounds::Flac(8000, 1, 1, 100), MusicFormat::FLAC, MUS_FLAC},
        {"Ogg Vorbis", samples::ReadFile(kData + "music-tone.ogg"), MusicFormat::OggVorbis, MUS_OGG},
        {"Ogg Opus", samples::ReadFile(kData + "music-tone.opus"), MusicFormat::OggOpus, MUS_OPUS},
        {"MP3", samples::ReadFile(kData + "tone.mp3"), MusicFormat::MP3, MUS_MP3},
        {"MP3 behind an ID3 tag", std::string("ID3\x04\0\0\0\0\0\0", 10), MusicFormat::MP3, MUS_MP3},
        {"MP3 layer II frame", samples::Bytes({0xFF, 0xFD, 0x90, 0x00}), MusicFormat::MP3, MUS_MP3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Verdict verdict = Check(c.bytes);
        ASSERT_TRUE(verdict.ok) << verdict.reason;
        EXPECT_EQ(verdict.checked.format, c.format);
        EXPECT_EQ(verdict.checked.type, c.type);
    }
}

TEST(MusicCheckTest, EverythingElseIsRefusedAsNotAMusicFormat) {
    const std::string not_music = "not a music format Velmara reads (MP3, Ogg, FLAC, WAV, AIFF)";
    std::string flac_in_ogg = samples::ReadFile(kData + "music-tone.ogg");
    flac_in_ogg.replace(28, 7, "\x7F" "FLAC\x01\x00", 7);
    const std::pair<const char*, std::string> cases[] = {
        {"MIDI", DamagedMidi()},
        {"ABC text", AbcChord()},
        {"MOD", At(std::string(1200, '\0'), 1080, "M.K.")},
        {"S3M", At(std::string(96, '\0'), 44, "SCRM")},
        {"XM", "Extended Module: tune" + std::string(80, '\0')},
        {"IT", "IMPM" + std::string(200, '\0')},
        {"RF64", At(samples::MakeWav(16, 0), 0, "RF64")},
        {"RIFF that is no WAVE", At(samples::MakeWav(16, 0), 8, "AVI ")},
        {"FLAC in Ogg", flac_in_ogg},
        {"an MPEG sync with the reserved layer", samples::Bytes({0xFF, 0xF9, 0x90, 0x00})},
        {"an MPEG sync with a bad bit rate", samples::Bytes({0xFF, 0xFB, 0xF0, 0x00})},
        {"text", "this is no music at all"},
    };
    for (const auto& c : cases) EXPECT_EQ(Reason(c.second), not_music) << c.first;
    EXPECT_EQ(Reason(""), "the file is empty");
}

TEST(MusicCheckTest, ChannelsAndRatesOutsideTheirBoundsAreRefusedWithWhatTheFileDeclares) {
    const std::pair<std::string, std::string> cases[] = {
        {sounds::Wav8(0, 8000, 8), "the file declares 0 channels"},
        {sounds::Wav8(9, 8000, 8), "the file declares 9 channels"},
        {sounds::Wav8(1, 8000, 8), "accepted as WAV"},
        {sounds::Wav8(8, 8000, 8), "accepted as WAV"},
        {sounds::Wav8(1, 1, 8), "the file declares a sample rate of 1 Hz"},
        {sounds::Wav8(1, 999, 8), "the file declares a sample rate of 999 Hz"},
        {sounds::Wav8(1, 1000, 8), "accepted as WAV"},
        {sounds::Wav8(1, 768000, 8), "accepted as WAV"},
        {sounds::Wav8(1, 768001, 8), "the file declares a sample rate of 768001 Hz"},
        {sounds::Wav8(1, 0xFFFFFFFF, 8), "the file declares a sample rate of 4294967295 Hz"},
        {sounds::Aiff(0, sounds::Extended(8000), 8), "the file declares 0 channels"},
        {sounds::Aiff(1, sounds::Extended(1), 8), "the file declares a sample rate of 1 Hz"},
        {sounds::Aiff(1, sounds::Extended(0), 8), "the file declares a sample rate of 0 Hz"},
        {sounds::Aiff(1, sounds::Extended(768000), 8), "accepted as AIFF"},
        {sounds::Aiff(1, sounds::Extended(768001), 8), "the file declares a sample rate of 768001 Hz"},
        {sounds::Aiff(1, sounds::Extended(1ull << 40), 8), "the file declares a sample rate of 1099511627776 Hz"},
        // 0.5 Hz, 44100.75 Hz (the fraction dropped), NaN, infinity, -44100 Hz, 2^70 Hz
        {sounds::Aiff(1, samples::Bytes({0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}), 8),
         "the file declares a sample rate of 0 Hz"},
        {sounds::Aiff(1, samples::Bytes({0x40, 0x0E, 0xAC, 0x44, 0xC0, 0, 0, 0, 0, 0}), 8), "accepted as AIFF"},
        {sounds::Aiff(1, samples::Bytes({0x7F, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0}), 8),
         "the file declares a sample rate that is not a number"},
        {sounds::Aiff(1, samples::Bytes({0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}), 8),
         "the file declares an infinite sample rate"},
        {sounds::Aiff(1, samples::Bytes({0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}), 8),
         "the file declares a negative sample rate"},
        {sounds::Aiff(1, samples::Bytes({0x40, 0x45, 0x80, 0, 0, 0, 0, 0, 0, 0}), 8),
         "the file declares a sample rate too large to count"},
        {sounds::Flac(1, 1, 1, 100), "the file declares a sample rate of 1 Hz"},
        {sounds::Flac(768001, 2, 1, 100), "the file declares a sample rate of 768001 Hz"},
        {sounds::Flac(768000, 8, 1, 100), "accepted as FLAC"},
        {VorbisWithChannels(0), "the file declares 0 channels"},
        {VorbisWithChannels(9), "the file declares 9 channels"},
    };
    for (const auto& c : cases) EXPECT_EQ(Reason(c.first), c.second);

    // Opus always plays at 48 kHz: only its channel count is checked.
    std::string opus = samples::ReadFile(kData + "music-tone.opus");
    size_t head = 27 + static_cast<uint8_t>(opus[26]);
    std::string any_rate = opus;
    for (int i = 12; i < 16; ++i) any_rate[head + i] = 0;
    sounds::SetOggPageCrc(any_rate, 0);
    EXPECT_EQ(Reason(any_rate), "accepted as Ogg Opus");
    std::string no_channels = opus;
    no_channels[head + 9] = 0;
    sounds::SetOggPageCrc(no_channels, 0);
    EXPECT_EQ(Reason(no_channels), "the file declares 0 channels");
}

TEST(MusicCheckTest, EveryHeaderChunkIsCheckedWhereverTheChunksLeadAndNoneReadWholeRunsPastTheEnd) {
    // A JUNK chunk before "fmt " hides nothing.
    EXPECT_EQ(Reason(sounds::Wav8(0, 8000, 8, true)), "the file declares 0 channels");
    EXPECT_EQ(Reason(sounds::Wav8(1, 8000, 8, true)), "accepted as WAV");
    // An odd-sized chunk before "fmt " is followed by a pad byte.
    std::string good = sounds::Wav8(1, 8000, 8);
    std::string odd = good.substr(0, 12) + "LIST" + std::string("\x03\0\0\0", 4) + "abc" + '\0' + good.substr(12);
    EXPECT_EQ(Reason(odd), "accepted as WAV");
    std::string odd_silent = sounds::Wav8(0, 8000, 8);
    odd_silent = odd_silent.substr(0, 12) + "LIST" + std::string("\x03\0\0\0", 4) + "abc" + '\0' + odd_silent.substr(12);
    EXPECT_EQ(Reason(odd_silent), "the file declares 0 channels");
    // A decoder that takes the last "fmt " finds a second one.
    std::string silent = sounds::Wav8(0, 8000, 8);
    std::string twice = good + silent.substr(12, 24);
    EXPECT_EQ(Reason(twice), "the file declares 0 channels");
    // Cut short, missing, or sizes that lie.
    EXPECT_EQ(Reason(good.substr(0, 30)), "the file is damaged: its fmt chunk is cut short");
    EXPECT_EQ(Reason(At(good, 12, "fmt!")), "the file is damaged: it has no fmt chunk");
    EXPECT_EQ(Reason(At(good, 16, std::string("\x08\0\0\0", 4))), "the file is damaged: its fmt chunk is cut short");
    EXPECT_EQ(Reason(At(good, 40, "\xFF\xFF\xFF\xFF")), "accepted as WAV");
    // The decoder reads text and tag chunks whole, at the size they claim.
    std::string huge = std::string("\xFF\xFF\xFF\xF0", 4);
    EXPECT_EQ(Reason(good + "LIST" + huge + "INFO"), "the file is damaged: its LIST chunk runs past the end of the file");
    EXPECT_EQ(Reason(good + "smpl" + huge), "the file is damaged: its smpl chunk runs past the end of the file");
    EXPECT_EQ(Reason(good + "id3 " + huge), "the file is damaged: its id3 chunk runs past the end of the file");
    EXPECT_EQ(Reason(good + "LIST" + std::string("\x04\0\0\0", 4) + "INFO"), "accepted as WAV");
    std::string aiff = sounds::Aiff(1, sounds::Extended(8000), 8);
    EXPECT_EQ(Reason(aiff + "NAME" + std::string("\xF0\xFF\xFF\xFF", 4)),
              "the file is damaged: its NAME chunk runs past the end of the file");
    EXPECT_EQ(Reason(aiff + "(c) " + std::string("\x00\x00\x01\x00", 4)),
              "the file is damaged: its (c) chunk runs past the end of the file");
    EXPECT_EQ(Reason(aiff + "AUTH" + std::string("\x00\x00\x00\x02", 4) + "me"), "accepted as AIFF");
    EXPECT_EQ(Reason(At(aiff, 12, "COMX")), "the file is damaged: it has no COMM chunk");
    EXPECT_EQ(Reason(aiff.substr(0, 30)), "the file is damaged: its COMM chunk is cut short");
    std::string flac = sounds::Flac(8000, 1, 1, 100);
    EXPECT_EQ(Reason(flac.substr(0, 30)), "the file is damaged: its STREAMINFO block is cut short");
    EXPECT_EQ(Reason(At(flac, 4, "\x81")), "the file is damaged: it has no STREAMINFO block");
}

// The tone with one more metadata block after STREAMINFO, marked last.
std::string FlacWithBlock(int type, const std::string& body, uint32_t claimed_length) {
    std::string flac = sounds::Flac(8000, 1, 1, 100);
    flac[4] = 0;  // STREAMINFO is no longer the last block
    std::string block(1, static_cast<char>(0x80 | type));
    sounds::PutBE(block, claimed_length, 3);
    return flac.insert(42, block + body);
}

std::string FlacComments(uint32_t vendor, uint32_t count, const std::string& rest) {
    std::string body;
    sounds::PutLE(body, vendor, 4);
    body += std::string(vendor < 64 ? vendor : 0, 'v');
    sounds::PutLE(body, count, 4);
    body += rest;
    return FlacWithBlock(4, body, static_cast<uint32_t>(body.size()));
}

TEST(MusicCheckTest, FlacMetadataMustBeWholeAndWellFormedUpToTheLastBlock) {
    EXPECT_EQ(Reason(FlacWithBlock(1, std::string(8, '\0'), 8)), "accepted as FLAC");
    EXPECT_EQ(Reason(FlacWithBlock(1, std::string(8, '\0'), 400)), "the file is damaged: its metadata is cut short");
    std::string unended = sounds::Flac(8000, 1, 1, 100).substr(0, 42);
    unended[4] = 0;
    EXPECT_EQ(Reason(unended), "the file is damaged: its metadata is cut short");
    std::string comment;
    sounds::PutLE(comment, 5, 4);
    comment += "a=b c";
    EXPECT_EQ(Reason(FlacComments(6, 1, comment)), "accepted as FLAC");
    EXPECT_EQ(Reason(FlacComments(6, 0xFFFFFFFF, comment)), "the file is damaged: its comments do not fit their block");
    EXPECT_EQ(Reason(FlacComments(6, 2, comment)), "the file is damaged: its comments do not fit their block");
    EXPECT_EQ(Reason(FlacComments(1000, 0, "")), "the file is damaged: its comments do not fit their block");
    EXPECT_EQ(Reason(FlacWithBlock(2, "abc", 3)), "the file is damaged: its application block has no id");
    EXPECT_EQ(Reason(FlacWithBlock(2, "abcd", 4)), "accepted as FLAC");
    std::string streaminfo = sounds::Flac(8000, 1, 1, 100).substr(4, 38);
    EXPECT_EQ(Reason(FlacWithBlock(0, streaminfo.substr(4), 34)),
              "the file is damaged: it has a second STREAMINFO block");
    EXPECT_EQ(Reason(samples::ReadFile(kData + "music-tone.flac")), "accepted as FLAC");
}

TEST(MusicCheckTest, EveryStreamOfAChainedOggFileMustBeCheckedAndPass) {
    std::string vorbis = samples::ReadFile(kData + "music-tone.ogg");
    std::string opus = samples::ReadFile(kData + "music-tone.opus");
    EXPECT_EQ(Reason(vorbis + vorbis), "accepted as Ogg Vorbis");
    EXPECT_EQ(Reason(opus + opus), "accepted as Ogg Opus");
    EXPECT_EQ(Reason(vorbis + VorbisWithChannels(0)), "the file declares 0 channels");
    EXPECT_EQ(Reason(vorbis + opus), "the file is damaged: a stream in it is not Ogg Vorbis");
    EXPECT_EQ(Reason(opus + vorbis), "the file is damaged: a stream in it is not Ogg Opus");
    // A stream that begins behind bytes a decoder skips to find it.
    EXPECT_EQ(Reason(vorbis + "garbage" + VorbisWithChannels(0)), "the file declares 0 channels");
    // A later stream whose header does not fit its page cannot be checked.
    std::string cut = vorbis;
    cut[27] = 20;  // the first packet: 20 bytes
    cut.erase(28 + 20, 10);
    EXPECT_EQ(Reason(vorbis + cut), "the file is damaged: its Vorbis header is cut short");
    EXPECT_EQ(Reason(vorbis.substr(0, 40)), "the file is damaged: its first Ogg page is cut short");
}

TEST(MusicCheckTest, EveryPrefixOfAFileIsRefusedOrKnownWithoutReadingPastItsEnd) {
    const std::string files[] = {
        samples::MakeWav(64, 1000),
        sounds::Wav8(1, 8000, 8, true),
        sounds::Aiff(2, sounds::Extended(44100), 16, true),
        sounds::Flac(8000, 1, 2, 100),
        samples::ReadFile(kData + "music-tone.ogg") + samples::ReadFile(kData + "music-tone.ogg"),
        samples::ReadFile(kData + "music-tone.opus"),
        samples::ReadFile(kData + "tone.mp3"),
    };
    for (const std::string& file : files) {
        Verdict whole = Check(file);
        ASSERT_TRUE(whole.ok) << whole.reason;
        for (size_t size = 0; size <= file.size(); ++size) {
            Verdict prefix = Check(file.substr(0, size));
            if (prefix.ok) {
                EXPECT_EQ(prefix.checked.format, whole.checked.format) << size;
            } else {
                EXPECT_FALSE(prefix.reason.empty()) << size;
            }
        }
    }
}

/* === Damaged files through the engine, each in a process of its own ======= */

TEST(MusicCheckTest, DamagedAndForeignMusicIsRefusedAtLoadWithinItsTimeAndMemory) {
    struct Case {
        const char* name;
        std::string bytes;
        double seconds;  // how long the probe plays it, should it play
        const char* reason;
    };
    const std::string not_music = "not a music format Velmara reads (MP3, Ogg, FLAC, WAV, AIFF)";
    const Case cases[] = {
        // 8 samples of 8 kHz 8-bit mono, but 0 channels: SIGFPE in the conversion
        {"WAV with 0 channels", sounds::Wav8(0, 8000, 8), 0.5, "the file declares 0 channels"},
        {"AIFF with 0 channels", sounds::Aiff(0, sounds::Extended(8000), 8), 0.5, "the file declares 0 channels"},
        {"WAV with 0 channels behind a JUNK chunk", sounds::Wav8(0, 8000, 8, true), 0.5,
         "the file declares 0 channels"},
        // resampled from 1 Hz to 48 kHz, memory grows while they play
        {"WAV at 1 Hz", sounds::Wav8(1, 1, 8000), 2.0, "the file declares a sample rate of 1 Hz"},
        {"FLAC at 1 Hz", sounds::Flac(1, 1, 2, 8000), 2.0, "the file declares a sample rate of 1 Hz"},
        // the tracker library reads ABC text, also behind another format's tag
        {"ABC chord", AbcChord(), 0.5, not_music.c_str()},
        {"ABC line of notes", AbcNotes(), 0.5, not_music.c_str()},
        {"ABC chord behind SCRM", At(AbcChord(), 44, "SCRM"), 0.5, not_music.c_str()},
        {"ABC chord behind M.K.", At(AbcChord(), 1080, "M.K."), 0.5, not_music.c_str()},
        {"MIDI", DamagedMidi(), 0.5, not_music.c_str()},
    };
    samples::TempDir dir;
    testproc::Options options;
    options.environment = testproc::ProgramEnvironment();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = dir.File("music.bin");
        samples::WriteFile(file, c.bytes);
        for (const char* mode : {"music", "import"}) {
            SCOPED_TRACE(mode);
            options.arguments = {mode, file, std::to_string(c.seconds)};
            testproc::ChildProcess probe(VELMARA_MEDIA_PROBE, options);
            ASSERT_TRUE(probe.Started());
            testproc::Exit exit = probe.Wait(c.seconds + 8.0);
            EXPECT_FALSE(exit.timed_out);
            EXPECT_EQ(exit.signal, 0);
            EXPECT_TRUE(exit.exited && exit.status == 0) << probe.Stderr();
            EXPECT_LT(exit.max_rss_kb, 500 * 1024);
            if (std::string(mode) == "music") {
                EXPECT_EQ(probe.Stdout(), "music silent\n");
                EXPECT_NE(probe.Stderr().find(std::string("music: ") + c.reason + "\n"), std::string::npos)
                    << probe.Stderr();
            } else {
                EXPECT_EQ(probe.Stdout(), std::string("not imported: ") + c.reason + "\n");
            }
        }
    }
}

}  // namespace
