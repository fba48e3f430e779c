// The music the program plays: decoded PCM (MusicDecode.h) from the
// program's own buffer, handed to the mixer block by block through its music
// hook, with the position, the repeats and the pause held here rather than
// in a decoder. A seek sets the frame exactly, and a position past the end
// lands where uninterrupted repeats would have brought the music. Volume and
// the sound analysis stay in the post-mix effect (Music.h), which sees these
// blocks as it saw the mixer's own.
//
// Threads: every function here is for the main thread; the audio thread only
// runs the hook. New music is swapped in under the mixer's audio lock, so the
// audio thread never reads a buffer being freed; a seek and the pause reach
// the hook through atomics it reads at its next block.
#pragma once

#include <cstdint>

#include "MusicDecode.h"

// Passes after the first: music plays 101 times through, then is silent.
constexpr uint64_t kMusicRepeats = 100;

// Plays pcm from its first frame, replacing whatever played; paused when
// paused is set. source names where it came from (the document's bytes), for
// StopMusicFrom. PCM without frames plays nothing.
void StartMusicPCM(MusicPCM pcm, const void* source, bool paused);
// Stops and frees the music that plays, if any.
void StopMusic();
// Stops the music when it came from source.
void StopMusicFrom(const void* source);
// Moves the music to frame (counted from the start of the first pass).
void SeekMusic(uint64_t frame);
// Holds the music where it is, or lets it go on.
void PauseMusic(bool paused);

// Whether there is music with passes left to play, paused or not.
bool MusicPlaying();
bool MusicPaused();
// Frames of one pass; 0 without music.
uint64_t MusicLength();
// The frame the next block starts at, counted from the start of the first pass.
uint64_t MusicPosition();
