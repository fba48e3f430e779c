// Documents and files the document, package and player tests share: a
// temporary directory, whole files, a document with every kind of object,
// a small WAV made in memory, and a reader that turns a package into a
// description with its ids numbered in order of appearance.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "Demo.h"
#include "Effect.h"
#include "Event.h"
#include "ShaderProgram.h"
#include "TempDir.h"
#include "Texture.h"

namespace samples {

/* === Files ================================================================ */

using TempDir = testutil::TempDir;
using WorkingDirectory = testutil::ScopedWorkingDirectory;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) bytes.push_back(static_cast<char>(value));
    return bytes;
}

// A file of the media fuzzer's seeds (fuzz/corpus/media): well-formed and
// damaged images and sounds, which the media tests read too.
inline std::string MediaSamplePath(const std::string& name) {
    return std::string(VELMARA_SOURCE_DIR "/fuzz/corpus/media/") + name;
}
inline std::string MediaSample(const std::string& name) { return ReadFile(MediaSamplePath(name)); }

// Music files that passed the music check and then crashed, hung, read past
// a buffer or grew in the mixer's decoders when it decoded them in the
// program's own process (fuzz/corpus/make-music-seeds.py makes them). Each
// either plays or is refused with one of its reasons: a sanitizer build's
// decoder stops with SIGABRT where the plain one has SIGSEGV, and a decoder
// that runs out of room may crash or be stopped first.
struct HostileMusic {
    const char* sample;
    const char* reasons[2];  // the beginnings of the reasons it may be refused with; none: it plays
};

inline const std::vector<HostileMusic>& HostileMusicFiles() {
    static const char* const kCrashed = "the decoder crashed (signal ";
    static const char* const kFLACSeek = "the file does not play as FLAC (Seeking of FLAC stream failed";
    static const std::vector<HostileMusic> files = {
        {"music-loop-tagged.flac", {}},
        {"music-channels-claimed.flac", {kCrashed}},
        {"music-smpl-loops.wav", {kCrashed}},
        {"music-vorbis-chain.ogg", {}},
        {"music-opus-chain.opus", {}},
        {"music-vorbis-setup-bit.ogg", {"the file does not play as Ogg Vorbis (ov_time_seek: OV_EBADLINK)"}},
        {"music-float64-8ch.wav", {}},
        {"music-fl64.aifc", {}},
        {"music-vorbis-codebooks.ogg", {kCrashed, "the decoder used more than 256 MiB"}},
        {"music-8bit.flac", {kFLACSeek}},
        {"music-32bit.flac", {kFLACSeek}},
        {"music-seektable-past-end.flac", {kFLACSeek}},
    };
    return files;
}

// Whether reason is one the file may be refused with.
inline bool RefusedAsExpected(const HostileMusic& file, const std::string& reason) {
    for (const char* expected : file.reasons) {
        if (expected != nullptr && reason.rfind(expected, 0) == 0) return true;
    }
    return false;
}

/* === Media made in the test =============================================== */

// A 16-bit stereo PCM WAV file of frames frames; sample(frame, channel)
// gives each sample.
template <typename Sample>
std::string MakeWavOf(int frames, int rate, Sample sample) {
    std::string wav;
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) wav.push_back(static_cast<char>(v >> (8 * i))); };
    auto u16 = [&](uint16_t v) { for (int i = 0; i < 2; ++i) wav.push_back(static_cast<char>(v >> (8 * i))); };
    uint32_t data_bytes = static_cast<uint32_t>(frames) * 4;
    wav += "RIFF";
    u32(36 + data_bytes);
    wav += "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(2);
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate) * 4);
    u16(4);
    u16(16);
    wav += "data";
    u32(data_bytes);
    for (int i = 0; i < frames; ++i) {
        for (int channel = 0; channel < 2; ++channel) u16(static_cast<uint16_t>(sample(i, channel)));
    }
    return wav;
}

// The same, every sample set to value.
inline std::string MakeWav(int frames, int16_t value, int rate = 48000) {
    return MakeWavOf(frames, rate, [value](int, int) { return value; });
}

// 48 kHz music whose samples tell its frames apart: frame i holds i * 7 on
// the left and i * 13 on the right, as wrapping signed 16-bit values.
inline int16_t RampSample(int64_t frame, int channel) {
    return static_cast<int16_t>(static_cast<uint16_t>(frame * (channel == 0 ? 7 : 13)));
}
inline std::string MakeRampWav(int frames) { return MakeWavOf(frames, 48000, RampSample); }

// A 2 x 2 BMP image (SDL writes it), as file bytes.
inline std::string MakeBmp() {
    SDL_Surface* surface = SDL_CreateRGBSurface(0, 2, 2, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    SDL_FillRect(surface, nullptr, 0xFF2080C0);
    std::vector<char> buffer(4096);
    SDL_RWops* stream = SDL_RWFromMem(buffer.data(), static_cast<int>(buffer.size()));
    SDL_SaveBMP_RW(surface, stream, 0);
    std::string bytes(buffer.data(), static_cast<size_t>(SDL_RWtell(stream)));
    SDL_RWclose(stream);
    SDL_FreeSurface(surface);
    return bytes;
}

// Every byte value, so base64 and the package carry all of them.
inline std::string AllByteValues() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    return bytes;
}

/* === A document with every kind of object ================================= */

inline ShaderProgram* MakeProgram(const std::string& fragment_name, const std::string& fragment_source) {
    ShaderProgram* program = new ShaderProgram();
    program->fragment_shader_filename = fragment_name;
    program->fragment_shader_source = fragment_source;
    program->Relink();
    return program;
}

// Two textures (a decodable image and bytes that are no image), two programs
// with uniforms, four effects (feedback, a texture used twice, an input
// effect listed later, a null input, one without program), four events
// (curves of every mode with repeat, a non-ASCII name, an event without
// effect), binary music and timing that is not the default.
inline Demo* MakeFullDemo(const TempDir& dir) {
    Demo* demo = new Demo();
    WriteFile(dir.File("image.bmp"), MakeBmp());
    Texture* image = new Texture(dir.File("image.bmp").c_str());
    image->name = "resources\\image.bmp";
    WriteFile(dir.File("noise.bin"), AllByteValues());
    Texture* noise = new Texture(dir.File("noise.bin").c_str());
    noise->name = "n\xC3\xB6ise \xE2\x9C\x93";
    demo->textures = {image, noise};

    ShaderProgram* plain = MakeProgram("resources\\plain.frag",
                                       "#version 150\nout vec4 c;\nuniform float gain;\n"
                                       "void main() { c = vec4(gain); }\n");
    plain->uniform_defs.push_back(new UniformDef("gain", -1.5f, 2.25f, 0.75f));
    plain->uniform_defs.push_back(new UniformDef("\xC3\xA9paisseur", 0.0f, 10.0f, 3.0f));
    ShaderProgram* mixer = MakeProgram("resources\\mix \"quoted\".frag",
                                       "#version 150\nout vec4 c;\nuniform sampler2D tex;\n"
                                       "void main() { c = texture(tex, vec2(0.5)); }\n// \ttabbed\\line\n");
    demo->shaders = {plain, mixer};

    Effect* first = new Effect("first", plain, image, nullptr, true);
    first->input_textures.push_back(image);  // the same texture twice
    Effect* second = new Effect("z\xC3\xBCrich", mixer, noise, nullptr, false);
    Effect* bare = new Effect("bare", nullptr, nullptr, nullptr, false);
    Effect* fourth = new Effect("fourth", plain, nullptr, nullptr, false);
    second->input_effects = {first, fourth, nullptr};  // fourth is listed after second
    second->input_textures.push_back(nullptr);
    fourth->input_effects = {second};                  // effects refer to one another
    demo->effects = {first, second, bare, fourth};

    Event* intro = new Event("intro", first, 0.0f, 16.0f);
    Automation& gain = intro->automation["gain"];
    gain.mode = 2;
    gain.repeat = true;
    gain.control_points = {ControlPoint(0.0f, 0.25f), ControlPoint(4.5f, -1.0f), ControlPoint(2.0f, 0.125f)};
    Automation& step = intro->automation["\xC3\xA9paisseur"];
    step.mode = 0;
    step.control_points = {ControlPoint(1.0f, 7.0f)};
    intro->automation["empty"];  // a curve made by a lookup
    Event* middle = new Event("m\xC3\xA4rz", second, 8.5f, 32.0f);
    middle->automation["gain"].control_points = {ControlPoint(0.0f, 1.0f), ControlPoint(8.0f, 0.0f)};
    Event* orphan = new Event("orphan", nullptr, 1.0f, 2.0f);
    Event* last = new Event("last", bare, 30.0f, 64.0f);
    demo->events = {intro, middle, orphan, last};

    delete demo->music;
    std::string music = AllByteValues() + "ID3 and more";
    demo->music = new ByteBuffer(music.data(), music.size());
    demo->end_beat = 64.25f;
    demo->bpm = 140.5f;
    demo->beat_offset = 0.25f;
    return demo;
}

/* === Packages as descriptions ============================================= */

// Reads a package and describes it field by field, ids replaced by their
// order of first appearance (#1, #2 ...; 0 stays 0), so two packages of the
// same document written by different objects compare equal. Reading stops
// with "TRUNCATED" when the bytes run out.
class PackageDescriber {
public:
    explicit PackageDescriber(const std::string& bytes) : bytes_(bytes) {}

    std::string Describe() {
        for (const char* list : {"events", "effects", "programs", "textures"}) {
            uint64_t count = U64();
            out_ << list << " " << count << "\n";
            for (uint64_t i = 0; i < count && ok_; ++i) {
                out_ << " object " << Id() << "\n";
                if (std::strcmp(list, "events") == 0) DescribeEvent();
                if (std::strcmp(list, "effects") == 0) DescribeEffect();
                if (std::strcmp(list, "programs") == 0) DescribeProgram();
                if (std::strcmp(list, "textures") == 0) out_ << "  " << Text() << " " << Text() << "\n";
            }
        }
        out_ << "music " << Text() << "\n";
        out_ << "timing " << F32() << " " << F32() << " " << F32() << "\n";
        if (position_ != bytes_.size()) out_ << "EXTRA " << bytes_.size() - position_ << "\n";
        return ok_ ? out_.str() : out_.str() + "TRUNCATED\n";
    }

private:
    bool Take(void* out, size_t n) {
        if (!ok_ || bytes_.size() - position_ < n) {
            ok_ = false;
            std::memset(out, 0, n);
            return false;
        }
        std::memcpy(out, bytes_.data() + position_, n);
        position_ += n;
        return true;
    }
    uint64_t U64() {
        uint8_t b[8];
        Take(b, 8);
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
        return v;
    }
    uint32_t U32() {
        uint8_t b[4];
        Take(b, 4);
        return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    }
    float F32() {
        uint32_t bits = U32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    int Flag() {
        uint8_t b = 0;
        Take(&b, 1);
        return b;
    }
    std::string Text() {
        uint64_t n = U64();
        if (n > bytes_.size() - position_) {
            ok_ = false;
            return "";
        }
        std::string text = bytes_.substr(position_, n);
        position_ += n;
        return "\"" + text + "\"";
    }
    std::string Id() {
        uint64_t id = U64();
        if (id == 0) return "0";
        auto found = ids_.find(id);
        if (found == ids_.end()) found = ids_.emplace(id, ids_.size() + 1).first;
        return "#" + std::to_string(found->second);
    }
    void DescribeEvent() {
        out_ << "  effect " << Id() << " beats " << F32() << " " << F32() << " name " << Text() << "\n";
        uint64_t curves = U64();
        for (uint64_t c = 0; c < curves && ok_; ++c) {
            out_ << "  curve " << Text() << " mode " << U32() << " repeat " << Flag();
            uint64_t points = U64();
            for (uint64_t p = 0; p < points && ok_; ++p) out_ << " (" << F32() << "," << F32() << ")";
            out_ << "\n";
        }
    }
    void DescribeEffect() {
        out_ << "  textures";
        uint64_t count = U64();
        for (uint64_t i = 0; i < count && ok_; ++i) out_ << " " << Id();
        out_ << " effects";
        count = U64();
        for (uint64_t i = 0; i < count && ok_; ++i) out_ << " " << Id();
        out_ << " program " << Id() << " name " << Text() << " feedback " << Flag() << "\n";
    }
    void DescribeProgram() {
        out_ << "  " << Text() << " " << Text() << " " << Text() << " " << Text() << "\n";
        uint64_t count = U64();
        for (uint64_t i = 0; i < count && ok_; ++i) {
            out_ << "  uniform " << Text() << " " << F32() << " " << F32() << " " << F32() << "\n";
        }
    }

    const std::string& bytes_;
    size_t position_ = 0;
    bool ok_ = true;
    std::map<uint64_t, size_t> ids_;
    std::ostringstream out_;
};

inline std::string DescribePackage(const std::string& bytes) { return PackageDescriber(bytes).Describe(); }

}  // namespace samples
