// Sound files the music tests build from their description: 8-bit WAV and
// AIFF with any channel count and rate, FLAC of constant samples at any rate,
// the 80-bit extended rate of AIFF, and Ogg page checksums for edited pages.
#pragma once

#include <cstdint>
#include <string>

namespace sounds {

inline void PutLE(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

inline void PutBE(std::string& out, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>(value >> (8 * i)));
}

/* === WAV and AIFF ========================================================= */

// An 8-bit PCM WAV of frames frames, every sample 0x80 + 40. With
// junk_before_fmt a 4-byte "JUNK" chunk stands before "fmt ".
inline std::string Wav8(int channels, uint32_t rate, int frames, bool junk_before_fmt = false) {
    std::string chunks;
    if (junk_before_fmt) chunks += std::string("JUNK") + std::string("\x04\0\0\0", 4) + "junk";
    chunks += "fmt ";
    PutLE(chunks, 16, 4);
    PutLE(chunks, 1, 2);  // PCM
    PutLE(chunks, static_cast<uint64_t>(channels), 2);
    PutLE(chunks, rate, 4);
    PutLE(chunks, static_cast<uint64_t>(rate) * channels, 4);
    PutLE(chunks, static_cast<uint64_t>(channels), 2);
    PutLE(chunks, 8, 2);
    uint64_t data_bytes = static_cast<uint64_t>(frames) * (channels > 0 ? channels : 1);
    chunks += "data";
    PutLE(chunks, data_bytes, 4);
    chunks += std::string(data_bytes, static_cast<char>(0x80 + 40));
    if (data_bytes & 1) chunks.push_back('\0');
    std::string wav = "RIFF";
    PutLE(wav, 4 + chunks.size(), 4);
    return wav + "WAVE" + chunks;
}

// rate as an 80-bit IEEE 754 extended float, big-endian, as AIFF stores it.
inline std::string Extended(uint64_t rate) {
    if (rate == 0) return std::string(10, '\0');
    int power = 63;
    while (!(rate >> power)) --power;
    std::string bytes;
    PutBE(bytes, 16383 + power, 2);
    PutBE(bytes, rate << (63 - power), 8);
    return bytes;
}

// An AIFF (or AIFC, uncompressed, with its version chunk) of frames frames
// of bits-bit samples, every byte 0x28, the rate given as its 10 bytes of
// 80-bit extended float.
inline std::string Aiff(int channels, const std::string& extended_rate, int frames, bool aifc = false,
                        int bits = 8) {
    std::string chunks;
    if (aifc) chunks += std::string("FVER\0\0\0\x04\xA2\x80\x51\x40", 12);  // the AIFC version
    chunks += "COMM";
    PutBE(chunks, aifc ? 24 : 18, 4);
    PutBE(chunks, static_cast<uint64_t>(channels), 2);
    PutBE(chunks, static_cast<uint64_t>(frames), 4);
    PutBE(chunks, static_cast<uint64_t>(bits), 2);
    chunks += extended_rate;
    if (aifc) chunks += std::string("NONE") + std::string("\x00\x00", 2);  // type, empty name, pad
    uint64_t data_bytes = static_cast<uint64_t>(frames) * (channels > 0 ? channels : 1) * (bits / 8);
    chunks += "SSND";
    PutBE(chunks, 8 + data_bytes, 4);
    PutBE(chunks, 0, 8);  // offset, block size
    chunks += std::string(data_bytes, '\x28');
    if (data_bytes & 1) chunks.push_back('\0');
    std::string aiff = "FORM";
    PutBE(aiff, 4 + chunks.size(), 4);
    return aiff + (aifc ? "AIFC" : "AIFF") + chunks;
}

/* === FLAC ================================================================= */

inline uint8_t Crc8(const std::string& bytes, size_t begin) {
    uint8_t crc = 0;
    for (size_t i = begin; i < bytes.size(); ++i) {
        crc ^= static_cast<uint8_t>(bytes[i]);
        for (int bit = 0; bit < 8; ++bit) crc = static_cast<uint8_t>(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

inline uint16_t Crc16(const std::string& bytes, size_t begin) {
    uint16_t crc = 0;
    for (size_t i = begin; i < bytes.size(); ++i) {
        crc ^= static_cast<uint16_t>(static_cast<uint8_t>(bytes[i]) << 8);
        for (int bit = 0; bit < 8; ++bit) crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x8005 : crc << 1);
    }
    return crc;
}

// A 16-bit FLAC at rate with channels channels, blocks frames of 4096
// samples (at most 127), every sample value: a STREAMINFO block, then frames
// of constant subframes that take their rate and sample size from it.
inline std::string Flac(uint32_t rate, int channels, int blocks, int16_t value) {
    const int block = 4096;
    std::string flac = "fLaC";
    flac.push_back(static_cast<char>(0x80));  // the last metadata block: STREAMINFO
    PutBE(flac, 34, 3);
    PutBE(flac, block, 2);
    PutBE(flac, block, 2);
    PutBE(flac, 0, 3);  // frame sizes unknown
    PutBE(flac, 0, 3);
    uint64_t total = static_cast<uint64_t>(blocks) * block;
    // rate (20 bits), channels - 1 (3), bits per sample - 1 (5), samples (36)
    uint64_t packed = static_cast<uint64_t>(rate & 0xFFFFF) << 44 | static_cast<uint64_t>(channels - 1) << 41 |
                      static_cast<uint64_t>(15) << 36 | total;
    PutBE(flac, packed, 8);
    flac += std::string(16, '\0');  // no MD5 signature
    for (int i = 0; i < blocks; ++i) {
        size_t start = flac.size();
        flac += "\xFF\xF8";
        flac.push_back(static_cast<char>(0x70));                     // block size in 16 bits; rate from STREAMINFO
        flac.push_back(static_cast<char>((channels - 1) << 4));      // independent channels; size from STREAMINFO
        flac.push_back(static_cast<char>(i));                        // frame number
        PutBE(flac, block - 1, 2);
        flac.push_back(static_cast<char>(Crc8(flac, start)));
        for (int c = 0; c < channels; ++c) {
            flac.push_back('\0');  // constant subframe
            PutBE(flac, static_cast<uint16_t>(value), 2);
        }
        PutBE(flac, Crc16(flac, start), 2);
    }
    return flac;
}

/* === Ogg ================================================================== */

// Recomputes the checksum of the Ogg page at offset (after an edit).
inline void SetOggPageCrc(std::string& bytes, size_t offset) {
    size_t segments = static_cast<uint8_t>(bytes[offset + 26]);
    size_t length = 27 + segments;
    for (size_t i = 0; i < segments; ++i) length += static_cast<uint8_t>(bytes[offset + 27 + i]);
    for (int i = 22; i < 26; ++i) bytes[offset + i] = 0;
    uint32_t crc = 0;
    for (size_t i = offset; i < offset + length; ++i) {
        crc ^= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 24;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int i = 0; i < 4; ++i) bytes[offset + 22 + i] = static_cast<char>(crc >> (8 * i));
}

}  // namespace sounds
