// The check every music file passes before the mixer sees it: a document's
// music, a package's, and "Import music.mp3".
//
// The format is recognised by its signature alone (never by the file's
// name) and handed to its own decoder: MP3, Ogg Vorbis, Ogg Opus, FLAC, WAV
// and AIFF. Anything else is refused, tracker modules and MIDI among them:
// the mixer's own detection would hand such bytes to decoders that hang or
// take gigabytes on a few damaged bytes. The headers the decoders act on are
// checked too: a WAV, AIFF, FLAC or Ogg Vorbis file must declare 1 to 8
// channels and a sample rate from 1,000 to 768,000 Hz (an Ogg Opus file the
// channels only: Opus always plays at 48 kHz), in every header a decoder
// could read, since 0 channels crash the conversion and 1 Hz makes the
// resampler grow without end. What a decoder reads whole at load (WAV and
// AIFF text and tag chunks, FLAC metadata) must lie within the file, so no
// claimed size becomes an allocation and no load fails halfway.
//
// The check also reads what the headers say of the sound: its sample rate,
// which the decoder converts from, and its length, which sizes the buffer
// that receives the decoded sound. Neither is trusted for more: a wrong
// rate or length never makes music refused or played at another speed.
#pragma once

#include <SDL_mixer.h>

#include <cstdint>
#include <string>

// The kept music formats.
enum class MusicFormat { MP3, OggVorbis, OggOpus, FLAC, WAV, AIFF };

// What a check found in bytes that pass.
struct CheckedMusic {
    MusicFormat format = MusicFormat::MP3;
    Mix_MusicType type = MUS_NONE;  // the mixer's loader for it (MUS_WAV for AIFF too)
    // Hz, as the headers give it: WAV's fmt, AIFF's COMM, FLAC's STREAMINFO,
    // the first Vorbis stream's header; 48000 for Opus, which always plays
    // at 48 kHz; for MP3, the first valid frame header after any ID3v2 tag.
    // 0 when unknown (an MP3 with no frame header the check recognises).
    uint32_t rate = 0;
    // The length in the file's own frames (samples per channel, at rate) as
    // the file states it: WAV's data chunk and AIFF's COMM frame count (at
    // most what the sound data present can hold), FLAC's STREAMINFO total,
    // the last granule position of each Ogg stream (less Opus's pre-skip),
    // an MP3's Xing or Info frame count (less the encoder's delay and
    // padding that a LAME tag gives). 0 when the file does not say, says
    // "unknown" (FLAC's 0, WAV's 0xFFFFFFFF) or its parts differ in rate.
    uint64_t frames = 0;
};

// The bounds a header must keep.
constexpr int kMusicMaxChannels = 8;
constexpr uint32_t kMusicMinRate = 1000;    // Hz
constexpr uint32_t kMusicMaxRate = 768000;  // Hz

// The reason given for bytes in no kept format.
extern const char* const kNotAMusicFormat;

// True when size bytes are music in a kept format whose headers pass, with
// its format and mixer type in checked (when not null). False otherwise,
// with the reason in reason (when not null): "the file is empty",
// kNotAMusicFormat, "the file declares 0 channels", "the file declares a
// sample rate of 1 Hz", or "the file is damaged: " and what is wrong. Reads
// no byte outside [bytes, bytes + size), and takes time linear in size.
bool CheckMusic(const void* bytes, uint64_t size, CheckedMusic* checked, std::string* reason);

// The format's name for messages: "MP3", "Ogg Vorbis", "Ogg Opus", "FLAC",
// "WAV" or "AIFF".
const char* MusicFormatName(MusicFormat format);
