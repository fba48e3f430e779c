#include "MusicPlayer.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// What the hook plays. Only the audio thread moves the position; the main
// thread hands it a seek and the pause, and replaces the whole state.
struct PlayerState {
    MusicPCM pcm;
    const void* source = nullptr;
    uint64_t end = 0;                       // frames of all passes
    std::atomic<uint64_t> position{0};      // the next frame, from the first pass's start
    std::atomic<int64_t> seek{-1};          // a frame to go to before the next block; -1 for none
    std::atomic<bool> paused{false};
};

PlayerState* s_state = nullptr;  // main thread: the state the hook has

// The mixer's music hook: fills the block from the PCM, wrapping at the end
// of each pass, and silence where there is nothing to play.
void SDLCALL PlayBlock(void* data, Uint8* stream, int length) {
    if (length <= 0) return;
    auto* state = static_cast<PlayerState*>(data);
    auto* out = reinterpret_cast<int16_t*>(stream);
    uint64_t wanted = static_cast<uint64_t>(length) / 4;
    uint64_t filled = 0;
    if (state != nullptr) {
        int64_t seek = state->seek.exchange(-1, std::memory_order_acq_rel);
        if (seek >= 0) state->position.store(static_cast<uint64_t>(seek), std::memory_order_relaxed);
        uint64_t position = state->position.load(std::memory_order_relaxed);
        const uint64_t frames = state->pcm.frames;
        while (!state->paused.load(std::memory_order_relaxed) && filled < wanted && position < state->end) {
            uint64_t at = position % frames;
            uint64_t run = std::min({frames - at, wanted - filled, state->end - position});
            std::memcpy(out + filled * 2, state->pcm.samples.get() + at * 2, static_cast<size_t>(run * 4));
            filled += run;
            position += run;
        }
        state->position.store(position, std::memory_order_relaxed);
    }
    std::memset(stream + filled * 4, 0, static_cast<size_t>(length) - static_cast<size_t>(filled * 4));
}

// Hands the hook its new state; Mix_HookMusic swaps under the audio lock, so
// once it returns the old state is the main thread's alone.
void Install(PlayerState* next) {
    PlayerState* previous = s_state;
    s_state = next;
    Mix_HookMusic(PlayBlock, next);
    delete previous;
}

}  // namespace

void StartMusicPCM(MusicPCM pcm, const void* source, bool paused) {
    if (pcm.frames == 0 || !pcm.samples) {
        StopMusic();
        return;
    }
    auto* next = new PlayerState();
    next->pcm = std::move(pcm);
    next->source = source;
    next->end = next->pcm.frames * (kMusicRepeats + 1);
    next->paused = paused;
    Install(next);
}

void StopMusic() { Install(nullptr); }

void StopMusicFrom(const void* source) {
    if (s_state != nullptr && source != nullptr && s_state->source == source) StopMusic();
}

void SeekMusic(uint64_t frame) {
    if (s_state == nullptr) return;
    uint64_t limit = static_cast<uint64_t>(INT64_MAX);
    s_state->seek.store(static_cast<int64_t>(std::min(frame, limit)), std::memory_order_release);
}

void PauseMusic(bool paused) {
    if (s_state != nullptr) s_state->paused.store(paused, std::memory_order_relaxed);
}

bool MusicPlaying() { return s_state != nullptr && MusicPosition() < s_state->end; }

bool MusicPaused() { return s_state != nullptr && s_state->paused.load(std::memory_order_relaxed); }

uint64_t MusicLength() { return s_state != nullptr ? s_state->pcm.frames : 0; }

uint64_t MusicPosition() {
    if (s_state == nullptr) return 0;
    int64_t seek = s_state->seek.load(std::memory_order_acquire);
    return seek >= 0 ? static_cast<uint64_t>(seek) : s_state->position.load(std::memory_order_relaxed);
}
