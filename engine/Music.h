// Music analysis shared between the audio thread and the main thread: the
// 1024 x 2 sound texture pixels (row 0 spectrum, row 1 waveform) and the ring
// of recent sample magnitudes behind the "sound" uniform.
#pragma once

#include <cstdint>

constexpr int kSoundTextureWidth = 1024;
constexpr int kSoundPixelBytes = kSoundTextureWidth * 2 * 4;  // 8192

// The pixels the audio callback last published (RGBA, row 0 first).
const uint8_t* SoundPixels();
// Stores one magnitude in the 100-entry level ring.
void PushSoundLevel(uint16_t value);
// The mean of the level ring, 0 to 32767.
int GetSoundLevel();
// SDL_mixer post-mix effect: analyses the block, then scales it by g_volume.
void AudioPostMixCallback(int channel, void* stream, int length, void* userdata);
