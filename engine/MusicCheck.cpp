// Music recognised by its signature and its headers checked before any
// decoder reads it. Every read goes through Bytes (ByteFields.h), which
// answers "not there" instead of reading past the end; header sizes are
// never trusted.

#include "MusicCheck.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ByteFields.h"

const char* const kNotAMusicFormat = "not a music format Velmara reads (MP3, Ogg, FLAC, WAV, AIFF)";

namespace {

/* === Reasons ============================================================== */

Problem Damaged(const std::string& what) { return "the file is damaged: " + what; }

Problem ChannelProblem(uint64_t channels) {
    if (channels >= 1 && channels <= static_cast<uint64_t>(kMusicMaxChannels)) return {};
    return "the file declares " + std::to_string(channels) + " channels";
}

Problem RateProblem(uint64_t rate) {
    if (rate >= kMusicMinRate && rate <= kMusicMaxRate) return {};
    return "the file declares a sample rate of " + std::to_string(rate) + " Hz";
}

Problem SoundProblem(uint64_t channels, uint64_t rate) {
    Problem problem = ChannelProblem(channels);
    return problem.empty() ? RateProblem(rate) : problem;
}

/* === WAV and AIFF ========================================================= */

// Chunks the decoder reads into memory whole, at the size they claim (text,
// tags, loop points), where a claim of 4 GB in a small file would be an
// allocation of 4 GB. Sound data is read as it plays and may be cut short.
const char* const kChunksReadWhole[] = {"LIST", "smpl", "id3 ", "ID3 ", "NAME", "AUTH", "(c) ", "ANNO"};

// "its <tag> chunk runs past the end of the file" when the chunk at offset,
// of length bytes, is one the decoder reads whole and is cut short.
Problem ChunkPastTheEnd(const Bytes& bytes, uint64_t offset, uint64_t length) {
    if (bytes.Has(offset + 8, length)) return {};
    for (const char* tag : kChunksReadWhole) {
        if (!bytes.Tag(offset, tag)) continue;
        std::string name(tag);
        name.erase(name.find_last_not_of(' ') + 1);
        return Damaged("its " + name + " chunk runs past the end of the file");
    }
    return {};
}

// Walks the chunks of a RIFF or IFF file from offset 12 and checks every
// chunk of type tag, and that no chunk read whole runs past the end.
// Decoders differ on whether an odd-sized chunk is followed by a pad byte
// (the WAV loader does not skip it, the AIFF loader does), so both walks are
// taken and every chunk either of them meets is checked. found is set when
// some chunk had the tag.
template <typename Check>
Problem CheckChunks(const Bytes& bytes, bool big_endian, const char* tag, bool* found, Check check) {
    for (int padded = 0; padded < 2; ++padded) {
        uint64_t offset = 12;
        while (bytes.Has(offset, 8)) {
            uint64_t length = big_endian ? bytes.BE32(offset + 4) : bytes.LE32(offset + 4);
            uint64_t body = offset + 8;
            Problem problem = ChunkPastTheEnd(bytes, offset, length);
            if (problem.empty() && bytes.Tag(offset, tag)) {
                *found = true;
                problem = check(body, length);
            }
            if (!problem.empty()) return problem;
            offset = body + length + (padded ? (length & 1) : 0);
        }
    }
    return {};
}

// A "fmt " chunk: format tag, channels, sample rate, byte rate, block
// alignment and bits per sample (16 bytes, little-endian).
Problem CheckWav(const Bytes& bytes) {
    bool found = false;
    Problem problem = CheckChunks(bytes, false, "fmt ", &found, [&](uint64_t body, uint64_t length) -> Problem {
        if (length < 16 || !bytes.Has(body, 16)) return Damaged("its fmt chunk is cut short");
        return SoundProblem(bytes.LE16(body + 2), bytes.LE32(body + 4));
    });
    if (!problem.empty()) return problem;
    return found ? Problem() : Damaged("it has no fmt chunk");
}

// The bytes of the chunk at body, of length bytes, that lie within the file.
uint64_t BytesPresent(const Bytes& bytes, uint64_t body, uint64_t length) {
    return body >= bytes.size ? 0 : std::min(length, bytes.size - body);
}

// WAV sample encodings whose frames are all one block of block-align bytes:
// PCM, IEEE float, A-law and mu-law (also as the extensible format's subtype).
bool FixedFrameWavFormat(uint32_t tag) { return tag == 1 || tag == 3 || tag == 6 || tag == 7; }

// The rate and length of a WAV whose fmt chunks passed, walking the chunks
// as its decoder does (no pad byte after an odd size): the last fmt chunk
// gives the rate, the first data chunk the length in frames of
// block-align bytes.
void ReadWavSound(const Bytes& bytes, CheckedMusic* found) {
    uint64_t block_align = 0;
    uint32_t tag = 0;
    bool data_seen = false;
    uint64_t data_length = 0;
    uint64_t data_present = 0;
    for (uint64_t offset = 12; bytes.Has(offset, 8); offset += 8 + static_cast<uint64_t>(bytes.LE32(offset + 4))) {
        uint64_t body = offset + 8;
        uint64_t length = bytes.LE32(offset + 4);
        if (bytes.Tag(offset, "fmt ") && bytes.Has(body, 16)) {
            tag = bytes.LE16(body);
            if (tag == 0xFFFE && length >= 26 && bytes.Has(body + 24, 2)) tag = bytes.LE16(body + 24);
            found->rate = bytes.LE32(body + 4);
            block_align = bytes.LE16(body + 12);
        } else if (bytes.Tag(offset, "data") && !data_seen) {
            data_seen = true;
            data_length = length;
            data_present = BytesPresent(bytes, body, length);
        }
    }
    // 0xFFFFFFFF is what a writer that streams leaves for "not known".
    if (!data_seen || data_length == 0xFFFFFFFF || block_align == 0 || !FixedFrameWavFormat(tag)) return;
    found->frames = data_present / block_align;
}

// The sample rate in an AIFF COMM chunk: an 80-bit IEEE 754 extended float
// (sign bit, 15-bit exponent biased by 16383, 64-bit mantissa whose top bit
// is the integer bit), taken as an integer by dropping the fraction, as the
// decoder does. Empty and the rate in rate, or the reason it has none.
Problem ExtendedRate(const uint8_t* bytes, uint64_t* rate) {
    bool negative = (bytes[0] & 0x80) != 0;
    int exponent = (bytes[0] & 0x7F) << 8 | bytes[1];
    uint64_t mantissa = 0;
    for (int i = 2; i < 10; ++i) mantissa = mantissa << 8 | bytes[i];
    if (exponent == 0x7FFF) {
        // The integer bit aside, a zero fraction is infinity, any other NaN.
        if ((mantissa << 1) == 0) return "the file declares an infinite sample rate";
        return "the file declares a sample rate that is not a number";
    }
    if (mantissa == 0) {
        *rate = 0;
        return {};
    }
    if (negative) return "the file declares a negative sample rate";
    int power = exponent - 16383;  // the value is mantissa * 2^(power - 63)
    if (power < 0) {
        *rate = 0;  // below 1 Hz
    } else if (power <= 63) {
        *rate = mantissa >> (63 - power);
    } else {
        return "the file declares a sample rate too large to count";
    }
    return {};
}

// A COMM chunk: channels (16 bits), sample frames (32), sample size (16)
// and the 80-bit sample rate, big-endian; AIFC adds a compression type.
Problem CheckAiff(const Bytes& bytes) {
    bool found = false;
    Problem problem = CheckChunks(bytes, true, "COMM", &found, [&](uint64_t body, uint64_t length) -> Problem {
        if (length < 18 || !bytes.Has(body, 18)) return Damaged("its COMM chunk is cut short");
        Problem channels = ChannelProblem(bytes.BE16(body));
        if (!channels.empty()) return channels;
        uint64_t rate = 0;
        Problem unreadable = ExtendedRate(bytes.data + body + 8, &rate);
        return unreadable.empty() ? RateProblem(rate) : unreadable;
    });
    if (!problem.empty()) return problem;
    return found ? Problem() : Damaged("it has no COMM chunk");
}

// The rate and length of an AIFF whose COMM chunks passed, walking the
// chunks as its decoder does (with the pad byte): the last COMM chunk gives
// the rate and the frame count, which the first SSND chunk's sound data
// (after its offset and block size) bounds: at least one byte per sample
// in every encoding the decoder plays, exactly channels times the sample
// size in bytes in plain AIFF.
void ReadAiffSound(const Bytes& bytes, CheckedMusic* found) {
    uint64_t channels = 0;
    uint64_t frames = 0;
    uint64_t sample_bytes = 1;
    bool sound_seen = false;
    uint64_t sound_present = 0;
    for (uint64_t offset = 12; bytes.Has(offset, 8);) {
        uint64_t body = offset + 8;
        uint64_t length = bytes.BE32(offset + 4);
        if (bytes.Tag(offset, "COMM") && bytes.Has(body, 18)) {
            channels = bytes.BE16(body);
            frames = bytes.BE32(body + 2);
            sample_bytes = bytes.Tag(8, "AIFF") ? (bytes.BE16(body + 6) + 7) / 8 : 1;
            uint64_t rate = 0;
            found->rate = ExtendedRate(bytes.data + body + 8, &rate).empty() ? static_cast<uint32_t>(rate) : 0;
        } else if (bytes.Tag(offset, "SSND") && !sound_seen && length >= 8 && bytes.Has(body, 8)) {
            sound_seen = true;
            uint64_t start = body + 8 + static_cast<uint64_t>(bytes.BE32(body));
            if (start <= body + length) sound_present = BytesPresent(bytes, start, body + length - start);
        }
        offset = body + length + (length & 1);
    }
    uint64_t frame_bytes = channels * std::max<uint64_t>(sample_bytes, 1);
    if (!sound_seen || frame_bytes == 0) return;
    found->frames = std::min(frames, sound_present / frame_bytes);
}

/* === FLAC ================================================================= */

// A VORBIS_COMMENT block: a vendor string, a count, then that many strings,
// each a 32-bit little-endian length and its bytes. The decoder allocates
// for the count it claims, and a load that fails there leaks what the mixer
// had already set up, so the strings must be all there.
bool CommentsFit(const Bytes& bytes, uint64_t body, uint64_t length) {
    uint64_t end = body + length;
    uint64_t offset = body;
    if (offset + 4 > end) return false;
    offset += 4 + static_cast<uint64_t>(bytes.LE32(offset));
    if (offset + 4 > end) return false;
    uint64_t count = bytes.LE32(offset);
    offset += 4;
    if (count > (end - offset) / 4) return false;
    for (uint64_t i = 0; i < count; ++i) {
        if (offset + 4 > end) return false;
        offset += 4 + static_cast<uint64_t>(bytes.LE32(offset));
    }
    return offset <= end;
}

// Metadata blocks follow "fLaC": a header byte (last-block flag, type),
// a 24-bit big-endian length, the body. The first is STREAMINFO (type 0,
// 34 bytes), which holds the sample rate in 20 bits and the channels less
// one in 3 bits; no other block may be one. The decoder reads all the
// blocks when the music is loaded, up to the one marked last, and the mixer
// sets up its conversion at each STREAMINFO: a second one, or a load that
// fails on a later block (cut short, an application block without its
// 4-byte id, comments that do not fit), leaks that conversion. So those are
// refused too.
// STREAMINFO also gives the length: 36 bits of samples per channel, 0 when
// the encoder did not know it.
Problem CheckFlac(const Bytes& bytes, CheckedMusic* found) {
    uint64_t offset = 4;
    for (int index = 0;; ++index) {
        if (!bytes.Has(offset, 4)) {
            return Damaged(index == 0 ? "it has no STREAMINFO block" : "its metadata is cut short");
        }
        uint8_t header = bytes.data[offset];
        uint64_t length = static_cast<uint64_t>(bytes.data[offset + 1]) << 16 | bytes.BE16(offset + 2);
        uint64_t body = offset + 4;
        int type = header & 0x7F;
        if ((type == 0) != (index == 0)) {
            return Damaged(index == 0 ? "it has no STREAMINFO block" : "it has a second STREAMINFO block");
        }
        if (type == 0) {
            if (length < 34 || !bytes.Has(body, 34)) return Damaged("its STREAMINFO block is cut short");
            const uint8_t* info = bytes.data + body;
            uint64_t rate = static_cast<uint64_t>(info[10]) << 12 | info[11] << 4 | info[12] >> 4;
            uint64_t channels = ((info[12] >> 1) & 7) + 1;
            Problem problem = SoundProblem(channels, rate);
            if (!problem.empty()) return problem;
            found->rate = static_cast<uint32_t>(rate);
            found->frames = static_cast<uint64_t>(info[13] & 0x0F) << 32 | ReadBE32(info + 14);
        }
        if (!bytes.Has(body, length)) return Damaged("its metadata is cut short");
        if (type == 2 && length < 4) return Damaged("its application block has no id");
        if (type == 4 && !CommentsFit(bytes, body, length)) return Damaged("its comments do not fit their block");
        if (header & 0x80) return {};  // the last metadata block; audio frames follow
        offset = body + length;
    }
}

/* === Ogg ================================================================== */

// An Ogg page: "OggS", version, flags, granule position (8), serial (4),
// sequence (4), CRC (4), segment count, the segment sizes, then the body.
struct OggPage {
    uint8_t flags = 0;
    uint64_t granule = 0;       // the stream's position once the page's last packet is decoded
    uint32_t serial = 0;        // the stream the page belongs to
    uint64_t body = 0;          // offset of the body
    uint64_t first_packet = 0;  // bytes of the first packet within this page
};

// The granule position of a page on which no packet ends.
constexpr uint64_t kOggNoGranule = ~uint64_t{0};

constexpr uint8_t kOggContinued = 0x01;
constexpr uint8_t kOggFirstPage = 0x02;  // beginning of a stream

// The page at offset, when its header, segment table and body all lie
// within the bytes (a page cut off at the end reaches no decoder).
bool ReadOggPage(const Bytes& bytes, uint64_t offset, OggPage* page) {
    if (!bytes.Tag(offset, "OggS") || !bytes.Has(offset, 27)) return false;
    uint8_t segments = bytes.data[offset + 26];
    if (!bytes.Has(offset + 27, segments)) return false;
    const uint8_t* sizes = bytes.data + offset + 27;
    uint64_t body_size = 0;
    uint64_t first_packet = 0;
    bool first_ended = false;
    for (int i = 0; i < segments; ++i) {
        body_size += sizes[i];
        if (!first_ended) first_packet += sizes[i];
        if (sizes[i] < 255) first_ended = true;
    }
    page->flags = bytes.data[offset + 5];
    page->granule = ReadLE64(bytes.data + offset + 6);
    page->serial = bytes.LE32(offset + 14);
    page->body = offset + 27 + segments;
    page->first_packet = first_packet;
    return bytes.Has(page->body, body_size);
}

enum class OggCodec { Vorbis, Opus, Other };

OggCodec CodecOf(const Bytes& bytes, const OggPage& page) {
    if (page.first_packet >= 7 && bytes.Tag(page.body, "\x01vorbis")) return OggCodec::Vorbis;
    if (page.first_packet >= 8 && bytes.Tag(page.body, "OpusHead")) return OggCodec::Opus;
    return OggCodec::Other;
}

// The identification header that begins a stream. Vorbis: "\x01vorbis",
// version (4), channels (1), sample rate (4, little-endian), bit rates (12),
// block sizes, framing: 30 bytes. Opus: "OpusHead", version, channels,
// pre-skip (2), input sample rate (4, only informational), gain (2),
// mapping family: 19 bytes.
Problem CheckOggStream(const Bytes& bytes, const OggPage& page, OggCodec codec) {
    if (CodecOf(bytes, page) != codec) {
        return Damaged(codec == OggCodec::Vorbis ? "a stream in it is not Ogg Vorbis" : "a stream in it is not Ogg Opus");
    }
    if (codec == OggCodec::Vorbis) {
        if (page.first_packet < 30) return Damaged("its Vorbis header is cut short");
        return SoundProblem(bytes.data[page.body + 11], bytes.LE32(page.body + 12));
    }
    if (page.first_packet < 19) return Damaged("its Opus header is cut short");
    return ChannelProblem(bytes.data[page.body + 9]);
}

// One stream of an Ogg file, as far as its length goes.
struct OggLink {
    uint32_t serial = 0;
    uint32_t rate = 0;      // Hz
    uint64_t pre_skip = 0;  // Opus: frames decoded before the sound begins
    uint64_t end = 0;       // the last granule position seen
};

// The sum of the streams' lengths, 0 when they differ in rate or one of
// them states no length.
uint64_t OggLength(const OggLink* links, size_t count) {
    uint64_t frames = 0;
    for (size_t i = 0; i < count; ++i) {
        const OggLink& link = links[i];
        if (link.rate != links[0].rate || link.end <= link.pre_skip) return 0;
        frames += link.end - link.pre_skip;
    }
    return frames;
}

// The first page must begin a Vorbis or Opus stream. A decoder that meets a
// damaged page searches for the next "OggS", and a later stream of a chained
// file starts on a page of its own, so every complete page marked as a
// stream's beginning, wherever "OggS" stands, must begin a stream of the
// same codec whose header passes. The rate is the first stream's; the
// length is the last granule position of each stream, one after another.
Problem CheckOgg(const Bytes& bytes, CheckedMusic* checked) {
    OggPage first;
    if (!ReadOggPage(bytes, 0, &first)) return Damaged("its first Ogg page is cut short");
    OggCodec codec = CodecOf(bytes, first);
    if (codec == OggCodec::Other || !(first.flags & kOggFirstPage) || (first.flags & kOggContinued)) {
        return kNotAMusicFormat;  // FLAC in Ogg, Speex, video...
    }
    checked->format = codec == OggCodec::Vorbis ? MusicFormat::OggVorbis : MusicFormat::OggOpus;
    checked->type = codec == OggCodec::Vorbis ? MUS_OGG : MUS_OPUS;
    std::vector<OggLink> links;
    for (uint64_t offset = 0; bytes.Has(offset, 4); ++offset) {
        const void* found = std::memchr(bytes.data + offset, 'O', bytes.size - offset);
        if (found == nullptr) break;
        offset = static_cast<uint64_t>(static_cast<const uint8_t*>(found) - bytes.data);
        OggPage page;
        if (!ReadOggPage(bytes, offset, &page)) continue;
        if (page.flags & kOggFirstPage) {
            Problem problem = CheckOggStream(bytes, page, codec);
            if (!problem.empty()) return problem;
            OggLink link;
            link.serial = page.serial;
            link.rate = codec == OggCodec::Vorbis ? bytes.LE32(page.body + 12) : 48000;
            link.pre_skip = codec == OggCodec::Opus ? bytes.LE16(page.body + 10) : 0;
            links.push_back(link);
        } else if (!links.empty() && links.back().serial == page.serial && page.granule != kOggNoGranule) {
            links.back().end = page.granule;
        }
    }
    checked->rate = links.front().rate;  // the first page began a stream
    checked->frames = OggLength(links.data(), links.size());
    return {};
}

/* === MP3 ================================================================== */

// An MPEG audio frame header: 11 sync bits, a version that is not the
// reserved one, a layer (I, II or III), a bit rate index that is not 15 and
// a sample rate index that is not 3. Its rates are fixed by the standard.
bool IsMpegFrameHeader(const Bytes& bytes, uint64_t offset = 0) {
    if (!bytes.Has(offset, 4)) return false;
    const uint8_t* header = bytes.data + offset;
    if (header[0] != 0xFF || (header[1] & 0xE0) != 0xE0) return false;
    int version = (header[1] >> 3) & 3;
    int layer = (header[1] >> 1) & 3;
    int bit_rate = header[2] >> 4;
    int sample_rate = (header[2] >> 2) & 3;
    return version != 1 && layer != 0 && bit_rate != 15 && sample_rate != 3;
}

// What a valid frame header says, by the standard's tables.
struct MpegFrame {
    bool mpeg1 = false;       // MPEG-1; else MPEG-2 or 2.5, at half the samples per frame
    int layer = 3;            // 1, 2 or 3
    bool mono = false;
    uint32_t rate = 0;        // Hz
    uint64_t length = 0;      // bytes, header included; 0 for a free-format frame
    uint64_t samples = 0;     // frames of sound it holds
};

MpegFrame ReadMpegFrame(const uint8_t* header) {
    static const uint32_t kRates[3] = {44100, 48000, 32000};  // MPEG-1; MPEG-2 halves, 2.5 quarters
    static const uint16_t kBitRates[2][3][15] = {             // kbit/s: [MPEG-1][layer - 1][index]
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    };
    MpegFrame frame;
    int version = (header[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    frame.mpeg1 = version == 3;
    frame.layer = 4 - ((header[1] >> 1) & 3);
    frame.mono = (header[3] >> 6) == 3;
    frame.rate = kRates[(header[2] >> 2) & 3] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    uint64_t bit_rate = uint64_t{1000} * kBitRates[frame.mpeg1][frame.layer - 1][header[2] >> 4];
    uint64_t padding = (header[2] >> 1) & 1;
    if (frame.layer == 1) {
        frame.samples = 384;
        frame.length = (12 * bit_rate / frame.rate + padding) * 4;
    } else {
        frame.samples = frame.layer == 3 && !frame.mpeg1 ? 576 : 1152;
        frame.length = frame.samples / 8 * bit_rate / frame.rate + padding;
    }
    return frame;
}

// The first frame after the ID3v2 tags at the start of the file: the first
// valid header followed by another of the same version, layer and rate (or
// by the end of the file), so that a stray sync in damaged bytes is passed
// over; failing that, the first valid header. Its offset in *offset; false
// when there is none.
bool FirstMpegFrame(const Bytes& bytes, uint64_t* offset) {
    uint64_t start = 0;
    // "ID3", version (2), flags, a size in four 7-bit bytes; a footer of 10
    // bytes more when flag 0x10 is set. Tags may follow one another.
    while (bytes.Tag(start, "ID3") && bytes.Has(start, 10)) {
        const uint8_t* tag = bytes.data + start;
        uint64_t size = uint64_t{tag[6] & 0x7Fu} << 21 | (tag[7] & 0x7Fu) << 14 | (tag[8] & 0x7Fu) << 7 | (tag[9] & 0x7Fu);
        start += 10 + size + ((tag[5] & 0x10) ? 10 : 0);
    }
    bool any = false;
    for (uint64_t at = start; bytes.Has(at, 4); ++at) {
        const void* sync = std::memchr(bytes.data + at, 0xFF, bytes.size - at);
        if (sync == nullptr) break;
        at = static_cast<uint64_t>(static_cast<const uint8_t*>(sync) - bytes.data);
        if (!IsMpegFrameHeader(bytes, at)) continue;
        if (!any) *offset = at;
        any = true;
        MpegFrame frame = ReadMpegFrame(bytes.data + at);
        if (frame.length == 0) continue;  // free format: its length is not in the header
        uint64_t next = at + frame.length;
        if (!bytes.Has(next, 4)) {
            if (bytes.Has(at, frame.length)) {
                *offset = at;
                return true;
            }
            continue;
        }
        if (!IsMpegFrameHeader(bytes, next)) continue;
        MpegFrame following = ReadMpegFrame(bytes.data + next);
        if (following.mpeg1 == frame.mpeg1 && following.layer == frame.layer && following.rate == frame.rate) {
            *offset = at;
            return true;
        }
    }
    return any;
}

// The rate of the first frame, and the length that a Xing or Info tag in it
// states: after the header and the side information, "Xing" or "Info",
// flags (32 bits; bit 0: a frame count follows), the frame count of the
// frames after this one, then optionally the byte count (4 bytes), a table
// of contents (100) and a quality (4). A LAME tag follows: a 9-byte encoder
// name, then at byte 21 the encoder's delay and padding in 12 bits each,
// which a gapless decoder takes off the start and the end.
void ReadMp3Sound(const Bytes& bytes, CheckedMusic* found) {
    uint64_t offset = 0;
    if (!FirstMpegFrame(bytes, &offset)) return;
    MpegFrame frame = ReadMpegFrame(bytes.data + offset);
    found->rate = frame.rate;
    if (frame.layer != 3) return;
    uint64_t side_information = frame.mpeg1 ? (frame.mono ? 17 : 32) : (frame.mono ? 9 : 17);
    uint64_t xing = offset + 4 + side_information;
    if (!(bytes.Tag(xing, "Xing") || bytes.Tag(xing, "Info")) || !bytes.Has(xing, 12)) return;
    uint32_t flags = bytes.BE32(xing + 4);
    if (!(flags & 1)) return;
    uint64_t total = uint64_t{bytes.BE32(xing + 8)} * frame.samples;
    uint64_t lame = xing + 12 + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
    // LAME writes its name there; FFmpeg, which writes the same tag, its own.
    bool tagged = bytes.Tag(lame, "LAME") || bytes.Tag(lame, "Lavc") || bytes.Tag(lame, "Lavf");
    if (tagged && bytes.Has(lame, 24)) {
        const uint8_t* gaps = bytes.data + lame + 21;
        uint64_t delay = uint64_t{gaps[0]} << 4 | gaps[1] >> 4;
        uint64_t padding = uint64_t{gaps[1] & 0x0Fu} << 8 | gaps[2];
        total = total > delay + padding ? total - delay - padding : 0;
    }
    found->frames = total;
}

}  // namespace

/* === The check ============================================================ */

bool CheckMusic(const void* data, uint64_t size, CheckedMusic* checked, std::string* reason) {
    const Bytes bytes(data, size);
    CheckedMusic found;
    Problem problem;
    if (bytes.size == 0) {
        problem = "the file is empty";
    } else if (bytes.Tag(0, "RIFF") && bytes.Tag(8, "WAVE")) {
        found = {MusicFormat::WAV, MUS_WAV};
        problem = CheckWav(bytes);
        if (problem.empty()) ReadWavSound(bytes, &found);
    } else if (bytes.Tag(0, "FORM") && (bytes.Tag(8, "AIFF") || bytes.Tag(8, "AIFC"))) {
        found = {MusicFormat::AIFF, MUS_WAV};  // the mixer's WAV loader reads AIFF too
        problem = CheckAiff(bytes);
        if (problem.empty()) ReadAiffSound(bytes, &found);
    } else if (bytes.Tag(0, "fLaC")) {
        found = {MusicFormat::FLAC, MUS_FLAC};
        problem = CheckFlac(bytes, &found);
    } else if (bytes.Tag(0, "OggS")) {
        problem = CheckOgg(bytes, &found);
    } else if (bytes.Tag(0, "ID3") || IsMpegFrameHeader(bytes)) {
        found = {MusicFormat::MP3, MUS_MP3};
        ReadMp3Sound(bytes, &found);
    } else {
        problem = kNotAMusicFormat;
    }
    if (!problem.empty()) {
        if (reason) *reason = problem;
        return false;
    }
    if (checked) *checked = found;
    return true;
}

const char* MusicFormatName(MusicFormat format) {
    switch (format) {
        case MusicFormat::MP3: return "MP3";
        case MusicFormat::OggVorbis: return "Ogg Vorbis";
        case MusicFormat::OggOpus: return "Ogg Opus";
        case MusicFormat::FLAC: return "FLAC";
        case MusicFormat::WAV: return "WAV";
        case MusicFormat::AIFF: return "AIFF";
    }
    return "music";
}
