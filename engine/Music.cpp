// First version; built out below.
#include "Music.h"

#include <atomic>
#include <cstring>

#include "Demo.h"
#include "Playback.h"
#include "Texture.h"

static uint8_t s_sound_pixels[2][kSoundPixelBytes];
static std::atomic<int> s_published{0};
static std::atomic<int16_t> s_ring[100];
static std::atomic<int> s_ring_index{0};

const uint8_t* SoundPixels() { return s_sound_pixels[s_published.load()]; }

void PushSoundLevel(uint16_t value) {
    int index = s_ring_index.load();
    s_ring[index].store(static_cast<int16_t>(value > 32767 ? 32767 : value));
    s_ring_index.store(index + 1 >= 100 ? 0 : index + 1);
}

int GetSoundLevel() {
    int sum = 0;
    for (auto& entry : s_ring) sum += entry.load();
    return sum / 100;
}

void AudioPostMixCallback(int channel, void* stream, int length, void* userdata) {
    (void)channel; (void)stream; (void)length; (void)userdata;
}

void Demo::PlayMusic() {}
bool Demo::ImportMusic(const char* path) { (void)path; return false; }

void Demo::CreateSoundTexture() {
    sound_texture = new Texture(kSoundTextureWidth, 2);
    g_loop_event = nullptr;
}
