// Music playback from a document's bytes, the post-mix analysis that feeds
// the sound texture and the "sound" level, and the sound texture itself.

#include "Music.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "ByteBuffer.h"
#include "Demo.h"
#include "Files.h"
#include "MusicDecode.h"
#include "MusicPlayer.h"
#include "Playback.h"
#include "Texture.h"

/* === Shared state ========================================================= */

// The analysis the audio callback feeds and the renderer reads.
static SoundAnalysis s_sound;

// Whether the analysis runs on the mixer's blocks (main thread only).
static bool s_callback_registered = false;

const uint8_t* SoundPixels() { return s_sound.Pixels(); }
void PushSoundLevel(uint16_t value) { s_sound.PushLevel(value); }
int GetSoundLevel() { return s_sound.Level(); }

/* === Pixel blocks and level ring ========================================== */

// Three blocks: the writer fills its back block, then swaps it with the
// middle one; the reader swaps its front block with the middle one when a
// fresh block is there. Nobody ever waits and no block is read while it is
// written.
const uint8_t* SoundAnalysis::Pixels() {
    if (middle_block_.load(std::memory_order_acquire) & kFresh) {
        int taken = middle_block_.exchange(front_block_, std::memory_order_acq_rel);
        front_block_ = taken & 3;
    }
    return blocks_[front_block_];
}

// The writer's block for the next analysis, starting as a copy of the last
// published picture, so pixels a short block does not reach keep their values.
uint8_t* SoundAnalysis::BeginBlock() {
    uint8_t* pixels = blocks_[back_block_];
    std::memcpy(pixels, blocks_[last_block_], kSoundPixelBytes);
    return pixels;
}

void SoundAnalysis::PublishBlock() {
    last_block_ = back_block_;
    int previous = middle_block_.exchange(back_block_ | kFresh, std::memory_order_acq_rel);
    back_block_ = previous & 3;
}

void SoundAnalysis::PushLevel(uint16_t value) {
    int index = level_index_.load(std::memory_order_relaxed);
    int16_t level = static_cast<int16_t>(std::min<int>(value, SHRT_MAX));
    levels_[index].store(level, std::memory_order_relaxed);
    level_index_.store(index + 1 >= kSoundLevelCount ? 0 : index + 1, std::memory_order_relaxed);
}

int SoundAnalysis::Level() const {
    int32_t sum = 0;
    for (const auto& level : levels_) sum += level.load(std::memory_order_relaxed);
    return sum / kSoundLevelCount;
}

/* === The analysis ========================================================= */

static void SetPixel(uint8_t* pixels, int row, int x, int value) {
    std::memset(pixels + row * kSoundTextureWidth * 4 + x * 4, value, 4);
}

// Waveform row and windowed FFT input from the left channel of every frame.
// Returns the sum of the window weights.
static float FillWaveform(const int16_t* samples, int frames, uint8_t* pixels, float* input) {
    const double two_pi = 6.283185307179586;
    float window_sum = 0.0f;
    for (int i = 0; i < frames; ++i) {
        int left = samples[2 * i];
        int x = static_cast<int>(static_cast<int64_t>(i) * 1023 / (frames - 1));
        SetPixel(pixels, 1, x, left / 256 + 128);
        float weight = static_cast<float>(0.54 - 0.46 * std::cos(two_pi * i / 1023.0));
        window_sum += weight;
        input[x] = (static_cast<float>(left) / 32768.0f) * weight;
    }
    return window_sum;
}

// Spectrum row: bins 0 to 213 in dB from -90 (0) to 0 (255) and above.
static void FillSpectrum(const kiss_fft_cpx* output, float window_sum, uint8_t* pixels) {
    float norm = window_sum / 2.0f;
    for (int x = 0; x < kSoundTextureWidth; ++x) {
        int k = x * 20000 / 96000;
        float magnitude = std::sqrt(output[k].r * output[k].r + output[k].i * output[k].i);
        float db = 20.0f * log10f(magnitude / norm);
        if (!(db >= -90.0f)) db = -90.0f;
        float level = (db + 90.0f) * 255.0f / 90.0f;
        SetPixel(pixels, 0, x, level >= 255.0f ? 255 : static_cast<int>(level));
    }
}

void SoundAnalysis::Process(int16_t* samples, int frames, int volume, kiss_fftr_cfg fft) {
    if (samples == nullptr || frames <= 0) return;
    volume = std::clamp(volume, 0, 128);
    bool analyse = frames >= 2;
    if (analyse) {
        uint8_t* pixels = BeginBlock();
        float input[kSoundTextureWidth] = {};
        float window_sum = FillWaveform(samples, frames, pixels, input);
        if (fft != nullptr) {
            kiss_fft_cpx output[kSoundTextureWidth / 2 + 1];
            kiss_fftr(fft, input, output);
            FillSpectrum(output, window_sum, pixels);
        }
        PublishBlock();
    }
    // What the device plays is scaled; the analysis above saw the samples as mixed.
    for (int i = 0; i < frames * 2; ++i) {
        samples[i] = static_cast<int16_t>(samples[i] * volume / 128);
    }
    if (!analyse) return;
    int values = std::min(frames * 2, kSoundLevelCount);
    for (int i = 0; i < values; ++i) {
        PushLevel(static_cast<uint16_t>(std::abs(static_cast<int>(samples[i]))));
    }
}

void AudioPostMixCallback(int channel, void* stream, int length, void* userdata) {
    (void)channel;
    (void)userdata;  // the document is never touched from the audio thread
    if (stream == nullptr || length < 4) return;
    int volume = __atomic_load_n(&g_volume, __ATOMIC_RELAXED);
    s_sound.Process(static_cast<int16_t*>(stream), length / 4, volume, g_fft);
}

/* === Playback ============================================================= */

bool OpenAudioDevice() {
    if (Mix_OpenAudioDevice(kAudioFrequency, AUDIO_S16LSB, kAudioChannels, 1024, nullptr, 0) != 0) return false;
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) != 0 && frequency == kAudioFrequency &&
        format == AUDIO_S16LSB && channels == kAudioChannels) {
        return true;
    }
    Mix_CloseAudio();
    return false;
}

// The analysis is registered once for the process. It outlives every
// document, so it is handed none: the audio thread never sees a document.
static void RegisterAnalysis() {
    if (!s_callback_registered) {
        s_callback_registered = Mix_RegisterEffect(MIX_CHANNEL_POST, AudioPostMixCallback, nullptr, nullptr) != 0;
    }
}

// A 64-bit digest of size bytes, four lanes of multiply and rotate over
// 8-byte words (a few GB/s): it tells a decode started ahead whether it is
// for the bytes asked for, without a copy of them to compare.
static uint64_t Digest(const void* data, uint64_t size) {
    constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
    constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
    constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;
    auto rotate = [](uint64_t value, int bits) { return (value << bits) | (value >> (64 - bits)); };
    auto word = [](const uint8_t* at) {
        uint64_t value;
        std::memcpy(&value, at, 8);
        return value;
    };
    auto mix = [&](uint64_t lane, uint64_t input) { return rotate(lane + input * kPrime2, 31) * kPrime1; };
    const auto* at = static_cast<const uint8_t*>(data);
    const uint8_t* end = at + size;
    uint64_t lanes[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
    for (; end - at >= 32; at += 32) {
        for (int i = 0; i < 4; ++i) lanes[i] = mix(lanes[i], word(at + 8 * i));
    }
    uint64_t digest = size * kPrime3;
    for (uint64_t lane : lanes) digest = rotate(digest ^ mix(0, lane), 27) * kPrime1 + kPrime3;
    for (; end - at >= 8; at += 8) digest = rotate(digest ^ mix(0, word(at)), 27) * kPrime1 + kPrime3;
    for (; at < end; ++at) digest = rotate(digest ^ (*at * kPrime3), 11) * kPrime1;
    digest ^= digest >> 33;
    digest *= kPrime2;
    digest ^= digest >> 29;
    return digest;
}

// A decode started before its music was asked for, and what tells its bytes
// apart; the decode holds the bytes only until its child has them (main
// thread only).
struct MusicAhead {
    std::unique_ptr<MusicDecode> decode;
    uint64_t size = 0;
    uint64_t digest = 0;
};
static MusicAhead s_ahead;

void DecodeMusicAhead(std::string bytes) {
    s_ahead = MusicAhead();  // a decode still running for other bytes is called off first
    MusicAhead ahead;
    ahead.size = bytes.size();
    ahead.digest = Digest(bytes.data(), bytes.size());
    ahead.decode.reset(new MusicDecode(std::move(bytes)));
    s_ahead = std::move(ahead);
}

void DecodeMusicAhead(const void* bytes, uint64_t size) {
    DecodeMusicAhead(std::string(static_cast<const char*>(bytes), static_cast<size_t>(size)));
}

void DropMusicAhead() { s_ahead = MusicAhead(); }

// The decode of size bytes: the one started ahead when it has the same
// bytes, else one started now. A decode ahead is used once, or called off
// (its child killed, its PCM freed) before another starts.
static bool Decode(const void* bytes, uint64_t size, MusicPCM* pcm, std::string* reason) {
    MusicAhead ahead = std::move(s_ahead);
    s_ahead = MusicAhead();
    if (ahead.decode && ahead.size == size && ahead.digest == Digest(bytes, size)) {
        return ahead.decode->Finish(pcm, reason);
    }
    ahead = MusicAhead();
    return DecodeMusic(bytes, size, pcm, reason);
}

// Starting a document's music replaces whatever played before. Its bytes are
// decoded outside the program (MusicDecode.h) and the PCM plays from the
// player's own buffer; a document without music, or with bytes that are
// refused or do not decode, leaves silence (saying why on the error stream,
// and keeping the bytes). A paused document's music starts paused.
void Demo::PlayMusic(std::string* refused) {
    if (refused) refused->clear();
    if (music == nullptr || music->data == nullptr || music->length == 0) {
        DropMusicAhead();  // it was for music other than this document's
        StopMusic();
        return;
    }
    RegisterAnalysis();
    MusicPCM pcm;
    std::string reason;
    if (!Decode(music->data, music->length, &pcm, &reason)) {
        std::fprintf(stderr, "music: %s\n", reason.c_str());
        if (refused) *refused = reason;
        StopMusic();
        return;
    }
    StartMusicPCM(std::move(pcm), music, paused);
}

// The file is decoded once, and only music that decodes replaces the old:
// refused music would silently replace music that plays, which goes on
// where it is, paused or not.
bool Demo::ImportMusic(const char* path, std::string* error) {
    uint32_t size = 0;
    char* bytes = ReadWholeFile(path, &size, error);
    if (bytes == nullptr) return false;
    MusicPCM pcm;
    bool decoded = Decode(bytes, size, &pcm, error);
    if (decoded) {
        ByteBuffer* previous = music;
        // The document takes the block that was read, not a copy of it: a
        // long WAV is held once, beside its PCM.
        music = new ByteBuffer(nullptr, 0);
        std::free(music->data);
        music->data = reinterpret_cast<uint8_t*>(bytes);
        music->length = size;
        bytes = nullptr;
        RegisterAnalysis();
        StartMusicPCM(std::move(pcm), music, paused);
        delete previous;  // the player holds its own PCM, never these bytes
        g_start_ticks = SDL_GetTicks();
    }
    std::free(bytes);
    return decoded;
}

/* === The sound texture ==================================================== */

void Demo::CreateSoundTexture() {
    sound_texture = new Texture(kSoundTextureWidth, 2);
    g_loop_event = nullptr;
}
