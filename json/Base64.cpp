// Base64 codec: the standard alphabet with '=' padding and the URL-safe one
// padded with '.'; the decoder reads both, even mixed within one text.
//
// Both directions run through lookup tables: the encoder turns each 12 bits
// into two characters at once, the decoder turns four characters into 24 bits
// with one test for a character outside the alphabets. Groups that the fast
// loops cannot take (padding, the short last group, a bad character) go
// through the plain group-by-group rules, which give the same bytes.
#include "Base64.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// === Alphabets and tables ====================================================

// Indexed by the url flag: 0 standard, 1 URL.
constexpr const char* kAlphabets[2] = {
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/",
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_",
};
constexpr char kPadding[2] = {'=', '.'};

// The two characters of every 12-bit value, first character in the low byte.
struct PairTable {
    uint16_t pair[4096] = {};
    constexpr explicit PairTable(const char* alphabet) {
        for (unsigned v = 0; v < 4096; ++v)
            pair[v] = uint16_t(uint8_t(alphabet[v >> 6]) | (uint8_t(alphabet[v & 63]) << 8));
    }
};
constexpr PairTable kPairs[2] = {PairTable(kAlphabets[0]), PairTable(kAlphabets[1])};

// A character's 6-bit value placed for each of the four places of a group
// (bits 18, 12, 6, 0 of the 24-bit group); kBad marks a character outside
// both alphabets, padding included.
constexpr uint32_t kBad = 0x01000000;
struct DecodeTable {
    uint32_t place[4][256] = {};
    constexpr DecodeTable() {
        for (unsigned c = 0; c < 256; ++c)
            for (unsigned p = 0; p < 4; ++p)
                place[p][c] = kBad;
        for (unsigned v = 0; v < 64; ++v) {
            for (const char* alphabet : kAlphabets) {
                unsigned c = uint8_t(alphabet[v]);
                for (unsigned p = 0; p < 4; ++p)
                    place[p][c] = v << (18 - 6 * p);
            }
        }
    }
};
constexpr DecodeTable kDecode;

[[noreturn]] void ThrowInvalid() {
    throw std::runtime_error("Input is not valid base64-encoded data.");
}

inline bool IsPadding(char c) { return c == '=' || c == '.'; }

// Writes the eight characters of the six bytes at in (reading eight).
inline void EncodeSix(const unsigned char* in, char* out, const uint16_t* pair) {
    uint64_t word;
    std::memcpy(&word, in, 8);
    word = __builtin_bswap64(word);  // first byte on top
    uint32_t a = uint32_t(word >> 40) & 0xFFFFFF;
    uint32_t b = uint32_t(word >> 16) & 0xFFFFFF;
    uint64_t chars = uint64_t(pair[a >> 12]) | (uint64_t(pair[a & 0xFFF]) << 16) |
                     (uint64_t(pair[b >> 12]) << 32) | (uint64_t(pair[b & 0xFFF]) << 48);
    std::memcpy(out, &chars, 8);
}

// The 24 bits of the four characters at in, with kBad set when any of them
// is outside the alphabets.
inline uint32_t DecodeFour(const unsigned char* in) {
    return kDecode.place[0][in[0]] | kDecode.place[1][in[1]] | kDecode.place[2][in[2]] |
           kDecode.place[3][in[3]];
}

// === Vector encoding =========================================================
//
// On x86-64 processors with SSSE3 (checked at run time), twelve bytes become
// sixteen characters per step: the bytes are spread so that each 32-bit lane
// holds one group of three, two multiplications move the four 6-bit values
// into the four bytes of the lane, and one table lookup per byte turns values
// into characters. The result is the same as the table encoder's.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VELMARA_BASE64_SSSE3 1

bool HasSsse3() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return has;
}

// Encodes whole steps of twelve bytes while sixteen can be read; returns how
// many bytes it encoded (a multiple of three).
__attribute__((target("ssse3"))) size_t EncodeSsse3(const unsigned char* bytes, size_t length,
                                                    char* out, bool url) {
    // Lane k takes bytes 3k+1, 3k, 3k+2, 3k+1 (low to high).
    const __m128i spread = _mm_set_epi8(10, 11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1);
    // Added to a value by its range: 0-25 -> 'A', 26-51 -> 'a', 52-61 -> '0',
    // then the two characters that differ between the alphabets.
    const char* alphabet = kAlphabets[url ? 1 : 0];
    const __m128i offsets = _mm_setr_epi8(
        'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
        '0' - 52, '0' - 52, char(alphabet[62] - 62), char(alphabet[63] - 63), 'A', 0, 0);
    size_t i = 0;
    for (; i + 16 <= length; i += 12, out += 16) {
        __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        in = _mm_shuffle_epi8(in, spread);
        // Values 0 and 2 of each lane by a high multiply, 1 and 3 by a low one.
        __m128i high = _mm_mulhi_epu16(_mm_and_si128(in, _mm_set1_epi32(0x0fc0fc00)),
                                       _mm_set1_epi32(0x04000040));
        __m128i low = _mm_mullo_epi16(_mm_and_si128(in, _mm_set1_epi32(0x003f03f0)),
                                      _mm_set1_epi32(0x01000010));
        __m128i values = _mm_or_si128(high, low);
        // Range index: 0 for 0-51, 1-12 for 52-63, 13 for 0-25.
        __m128i range = _mm_subs_epu8(values, _mm_set1_epi8(51));
        __m128i upper = _mm_cmpgt_epi8(_mm_set1_epi8(26), values);
        range = _mm_or_si128(range, _mm_and_si128(upper, _mm_set1_epi8(13)));
        __m128i chars = _mm_add_epi8(_mm_shuffle_epi8(offsets, range), values);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), chars);
    }
    return i;
}
#else
#define VELMARA_BASE64_SSSE3 0
#endif

}  // namespace

// === Encoding ================================================================

std::string Base64Encode(const unsigned char* bytes, size_t length, bool url) {
    const char* alphabet = kAlphabets[url ? 1 : 0];
    const char padding = kPadding[url ? 1 : 0];
    const uint16_t* pair = kPairs[url ? 1 : 0].pair;
    std::string text((length + 2) / 3 * 4, '\0');
    char* out = &text[0];
    size_t i = 0;
#if VELMARA_BASE64_SSSE3
    // Twelve bytes at a time while sixteen can be read.
    if (HasSsse3()) {
        i = EncodeSsse3(bytes, length, out, url);
        out += i / 3 * 4;
    }
#endif
    // Six bytes at a time while eight can be read.
    for (; i + 8 <= length; i += 6, out += 8)
        EncodeSix(bytes + i, out, pair);
    // Then whole groups of three, then the last one or two bytes.
    for (; i + 3 <= length; i += 3, out += 4) {
        uint32_t v = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8) | bytes[i + 2];
        out[0] = alphabet[v >> 18];
        out[1] = alphabet[(v >> 12) & 63];
        out[2] = alphabet[(v >> 6) & 63];
        out[3] = alphabet[v & 63];
    }
    if (i + 2 == length) {
        unsigned b0 = bytes[i], b1 = bytes[i + 1];
        out[0] = alphabet[b0 >> 2];
        out[1] = alphabet[((b0 & 3) << 4) + (b1 >> 4)];
        out[2] = alphabet[(b1 & 15) << 2];
        out[3] = padding;
    } else if (i + 1 == length) {
        unsigned b0 = bytes[i];
        out[0] = alphabet[b0 >> 2];
        out[1] = alphabet[(b0 & 3) << 4];
        out[2] = padding;
        out[3] = padding;
    }
    return text;
}

std::string Base64Encode(const std::string& bytes, bool url) {
    return Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), url);
}

std::string Base64EncodePem(const std::string& bytes) {
    return Base64InsertLineBreaks(Base64Encode(bytes, false), 64);
}

std::string Base64EncodeMime(const std::string& bytes) {
    return Base64InsertLineBreaks(Base64Encode(bytes, false), 76);
}

// === Line breaks =============================================================

std::string Base64InsertLineBreaks(std::string text, size_t distance) {
    // A distance of 0 would ask for a line feed after every line feed, without
    // end; the text is kept as it is.
    if (distance == 0 || text.size() <= distance)
        return text;
    const size_t breaks = (text.size() - 1) / distance;
    std::string result;
    result.reserve(text.size() + breaks);
    for (size_t start = 0; start < text.size(); start += distance) {
        if (start != 0)
            result += '\n';
        result.append(text, start, distance);
    }
    return result;
}

// === Decoding ================================================================

unsigned Base64CharIndex(unsigned char c) {
    uint32_t value = kDecode.place[3][c];
    if (value & kBad)
        ThrowInvalid();
    return value;
}

std::string Base64Decode(const std::string& text, bool remove_linebreaks) {
    if (text.empty())
        return std::string();
    if (remove_linebreaks) {
        std::string joined;
        joined.reserve(text.size());
        for (char c : text)
            if (c != '\n')
                joined += c;
        return Base64Decode(joined, false);
    }

    const size_t n = text.size();
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text.data());
    // Every group of up to four characters gives up to three bytes; two more
    // bytes of room let the fast loop store eight bytes at a time.
    std::string bytes((n + 3) / 4 * 3 + 2, '\0');
    unsigned char* out = reinterpret_cast<unsigned char*>(&bytes[0]);
    unsigned char* const first = out;
    // The value of the character at position, NUL (which throws) at the end.
    auto value_at = [&](size_t position) {
        return Base64CharIndex(position < n ? in[position] : 0);
    };

    size_t p = 0;
    while (p < n) {
        // Fast: two whole groups of alphabet characters give six bytes.
        while (p + 8 <= n) {
            uint32_t a = DecodeFour(in + p);
            uint32_t b = DecodeFour(in + p + 4);
            if ((a | b) & kBad)
                break;
            uint64_t word = __builtin_bswap64((uint64_t(a) << 40) | (uint64_t(b) << 16));
            std::memcpy(out, &word, 8);
            out += 6;
            p += 8;
        }
        if (p >= n)
            break;
        // One group by the plain rules: padding in the third or fourth place
        // ends it, the first two places are always needed.
        unsigned s1 = value_at(p + 1);
        unsigned s0 = value_at(p);
        *out++ = static_cast<unsigned char>((s0 << 2) + ((s1 & 0x30) >> 4));
        if (p + 2 < n && !IsPadding(char(in[p + 2]))) {
            unsigned s2 = value_at(p + 2);
            *out++ = static_cast<unsigned char>(((s1 & 0x0F) << 4) + ((s2 & 0x3C) >> 2));
            if (p + 3 < n && !IsPadding(char(in[p + 3])))
                *out++ = static_cast<unsigned char>(((s2 & 3) << 6) + value_at(p + 3));
        }
        p += 4;
    }
    bytes.resize(size_t(out - first));
    return bytes;
}
