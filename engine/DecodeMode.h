// The executable's decode mode: music is decoded in a child process of the
// program's own executable, so that a decoder that crashes, hangs or grows
// on a damaged (or merely unusual) file takes only that child with it.
//
// Started with kDecodeMusicArgument as its one argument, the executable
// decodes instead of starting the program: before anything else, so that an
// exported demo has the mode too, and without a display, a document, a
// package or "imgui.ini". It reads a request from standard input (the
// header below, then the music file's bytes, which the program has checked),
// plays the music once through SDL_mixer on the disk audio driver, which
// writes to the null device as fast as it can, and writes the PCM the music
// filled to standard output: 48 kHz stereo signed 16-bit frames, left then
// right, little-endian, nothing before or after. On failure it writes its
// reason (the mixer's own words) as the last line of standard error and
// exits with a status other than 0.
//
// The mixer's device runs at the file's own rate, which the decoder reads
// from the file's headers with the music check, so that the mixer converts
// channels and sample format only; libsoxr converts the rate to 48 kHz on a
// second thread as the buffers come. The PCM ends where the mixer's own
// position stands when the music finishes, so no frame of the file is lost
// at the end and none is added, whatever the header says of the length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "MusicCheck.h"

// The one argument that selects the mode.
extern const char* const kDecodeMusicArgument;  // "--decode-music"

// Frames per mixed buffer in the decoder: the mixer's MP3 output depends a
// little on it (from frame 556 on, 1,024 and 8,192 frames differ by a
// sub-frame shift); 8,192 decodes three times faster than 1,024.
constexpr int kDecodeBufferFrames = 8192;

// The request header on the decoder's standard input, little-endian:
//   "VDM1", the format (u32, a MusicFormat), the file's length (u64), and
//   the address space the decoder may map beyond what it holds once its
//   device is open (u64; 0 for no limit). The file's bytes follow.
constexpr size_t kDecodeRequestBytes = 24;
std::string DecodeRequestHeader(MusicFormat format, uint64_t length, uint64_t address_space);

// True when the process was started in the decode mode.
bool IsDecodeMode(int argc, char** argv);
// The decode mode's whole run; it ends the process: with status 0 once the
// PCM is written, with status 1 and the reason on standard error otherwise.
[[noreturn]] void RunMusicDecoder();
