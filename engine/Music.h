// Music analysis shared between the audio thread and the main thread: the
// 1024 x 2 sound texture pixels (row 0 spectrum, row 1 waveform) and the ring
// of recent sample magnitudes behind the "sound" uniform.
//
// The audio thread never waits: it fills a pixel block of its own and hands
// it over through an atomic index (three blocks, so the block the main thread
// uploads is never the one being written), and the level ring's entries are
// atomic. The main thread also opens the audio device here; the music
// itself is decoded by MusicDecode.h and played by MusicPlayer.h.
#pragma once

#include <kiss_fftr.h>

#include <atomic>
#include <cstdint>
#include <string>

constexpr int kSoundTextureWidth = 1024;
constexpr int kSoundPixelBytes = kSoundTextureWidth * 2 * 4;  // 8192
constexpr int kSoundLevelCount = 100;                          // entries of the level ring

// The pixels the audio callback last published (RGBA, row 0 first); all zero
// before the first block. Main thread only: the pointer stays valid until the
// next call.
const uint8_t* SoundPixels();
// Stores one magnitude in the 100-entry level ring; values above 32767 are
// stored as 32767.
void PushSoundLevel(uint16_t value);
// The mean of the level ring, 0 to 32767.
int GetSoundLevel();
// SDL_mixer post-mix effect: analyses the block, then scales it by g_volume.
void AudioPostMixCallback(int channel, void* stream, int length, void* userdata);

// The analysis state: three pixel blocks handed from one writer thread to
// one reader thread, and the level ring. The process has one, fed by the
// audio callback and read through the functions above; tests make their own.
class SoundAnalysis {
public:
    // The callback's work on one block of frames interleaved left, right
    // (signed 16-bit): the waveform and, with an FFT configuration, the
    // spectrum are published, the samples are scaled by volume (0 to 128),
    // and the first 100 scaled values enter the level ring. A block of fewer
    // than two frames is only scaled.
    void Process(int16_t* samples, int frames, int volume, kiss_fftr_cfg fft);
    // The last published pixels; all zero before the first block. Reader
    // thread only: the pointer stays valid until its next call.
    const uint8_t* Pixels();
    // Stores one magnitude in the ring; values above 32767 are stored as 32767.
    void PushLevel(uint16_t value);
    // The mean of the ring, 0 to 32767.
    int Level() const;

private:
    uint8_t* BeginBlock();
    void PublishBlock();

    static constexpr int kFresh = 4;  // flag in middle_block_: not yet taken by the reader
    uint8_t blocks_[3][kSoundPixelBytes] = {};
    std::atomic<int> middle_block_{1};  // block index, plus kFresh
    int back_block_ = 0;                // the writer's block
    int last_block_ = 1;                // the block the writer published last
    int front_block_ = 2;               // the reader's block
    std::atomic<int16_t> levels_[kSoundLevelCount] = {};
    std::atomic<int> level_index_{0};
};

// The format the analysis reads: 48000 Hz, signed 16-bit, two channels
// interleaved left, right.
constexpr int kAudioFrequency = 48000;
constexpr int kAudioChannels = 2;

// Opens the default audio device for the mixer in the analysis format, in
// chunks of 1024 frames. No change of format is allowed, so SDL converts for
// a device that runs another rate or channel count (44.1 kHz, 5.1) and the
// analysis always sees what it expects. False (nothing open) when no device
// opens in that format.
bool OpenAudioDevice();

// Starts decoding music before it is asked for, so that the decode runs
// while start-up opens the window and builds the document: the next
// PlayMusic or import of the same bytes takes its result instead of
// decoding them again, and any other calls it off (its child is killed and
// its PCM freed). The decode takes the bytes over and frees them once its
// child has them; the same bytes are known again by their length and a
// digest, not by a copy.
void DecodeMusicAhead(std::string bytes);
// The same with a copy of size bytes.
void DecodeMusicAhead(const void* bytes, uint64_t size);
// Calls off a decode started ahead, if any: the document it was for is not
// used.
void DropMusicAhead();
