#include "DecodeMode.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ByteFields.h"
#include "ChildProcess.h"
#include "Music.h"

const char* const kDecodeMusicArgument = "--decode-music";

std::string DecodeRequestHeader(MusicFormat format, uint64_t length, uint64_t address_space) {
    std::string header = "VDM1";
    auto put = [&header](uint64_t value, int count) {
        for (int i = 0; i < count; ++i) header += static_cast<char>(value >> (8 * i));
    };
    put(static_cast<uint32_t>(format), 4);
    put(length, 8);
    put(address_space, 8);
    return header;
}

bool IsDecodeMode(int argc, char** argv) {
    return argc == 2 && argv[1] != nullptr && std::strcmp(argv[1], kDecodeMusicArgument) == 0;
}

namespace {

/* === Capturing what the music filled ===================================== */

// Shared between the mixer's audio thread, which writes, and the main thread,
// which waits for done.
struct Capture {
    int descriptor = -1;               // where the PCM goes
    int64_t length = -1;               // the music's length in frames, -1 when unknown
    uint64_t written = 0;              // frames written so far
    std::atomic<bool> finished{false}; // the mixer's finished hook ran in this buffer
    std::atomic<bool> done{false};     // the last buffer is written
    std::atomic<bool> failed{false};   // a write failed: the program has gone
};

Capture s_capture;

void MusicFinished() { s_capture.finished = true; }

// Post-mix: the device runs from its opening to its closing, but only the
// buffers the music filled are written: those while it plays, and the one
// in which it finished, cut to the music's length when that ends inside it
// (the rest of that buffer is the mixer's padding).
void CapturePostMix(void* userdata, Uint8* stream, int length) {
    (void)userdata;
    if (s_capture.done || length <= 0) return;
    bool finishing = s_capture.finished.exchange(false);
    if (!finishing && !Mix_PlayingMusic()) return;  // the device runs before the music starts
    uint64_t frames = static_cast<uint64_t>(length) / 4;
    int64_t end = s_capture.length;
    if (finishing && end > static_cast<int64_t>(s_capture.written) &&
        end < static_cast<int64_t>(s_capture.written + frames)) {
        frames = static_cast<uint64_t>(end) - s_capture.written;
    }
    if (!WriteDescriptor(s_capture.descriptor, stream, frames * 4)) {
        s_capture.failed = true;
        s_capture.done = true;
        return;
    }
    s_capture.written += frames;
    if (finishing) s_capture.done = true;
}

void DiscardLog(void* userdata, int category, SDL_LogPriority priority, const char* message) {
    (void)userdata;
    (void)category;
    (void)priority;
    (void)message;
}

/* === The run ============================================================= */

[[noreturn]] void Fail(const std::string& reason) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    std::fflush(stderr);
    ExitNow(1);
}

Mix_MusicType TypeOf(uint32_t format) {
    switch (static_cast<MusicFormat>(format)) {
        case MusicFormat::MP3: return MUS_MP3;
        case MusicFormat::OggVorbis: return MUS_OGG;
        case MusicFormat::OggOpus: return MUS_OPUS;
        case MusicFormat::FLAC: return MUS_FLAC;
        case MusicFormat::WAV:
        case MusicFormat::AIFF: return MUS_WAV;
    }
    return MUS_NONE;
}

// The disk driver writes every buffer to the null device, without waiting
// between buffers; whatever the environment chose (a real device would play
// the song aloud, in real time) is replaced.
void ChooseSilentDevice() {
    SetEnvironment("SDL_AUDIODRIVER", "disk");
    SetEnvironment("SDL_DISKAUDIODELAY", "0");
    SetEnvironment("SDL_DISKAUDIOFILE", NullDevice());
}

bool OpenDecodeDevice() {
    if (Mix_OpenAudioDevice(kAudioFrequency, AUDIO_S16LSB, kAudioChannels, kDecodeBufferFrames, nullptr, 0) != 0) {
        return false;
    }
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    return Mix_QuerySpec(&frequency, &format, &channels) != 0 && frequency == kAudioFrequency &&
           format == AUDIO_S16LSB && channels == kAudioChannels;
}

}  // namespace

void RunMusicDecoder() {
    s_capture.descriptor = TakeStandardOutput();
    if (s_capture.descriptor < 0) Fail("the decoder cannot take its standard output");
    ChooseSilentDevice();
    SDL_LogSetOutputFunction(DiscardLog, nullptr);  // the disk driver announces itself

    uint8_t header[kDecodeRequestBytes];
    if (!ReadStandardInput(header, sizeof header) || std::memcmp(header, "VDM1", 4) != 0) {
        Fail("the decoder was sent no music");
    }
    uint32_t format = ReadLE32(header + 4);
    uint64_t length = ReadLE64(header + 8);
    uint64_t address_space = ReadLE64(header + 16);
    Mix_MusicType type = TypeOf(format);
    if (type == MUS_NONE || length == 0 || length > static_cast<uint64_t>(INT_MAX)) {
        Fail("the decoder was sent no music");
    }
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[length]);
    if (!bytes || !ReadStandardInput(bytes.get(), length)) Fail("the decoder was sent less than the file");

    if (SDL_Init(SDL_INIT_AUDIO) != 0) Fail(std::string("the decoder has no audio: ") + SDL_GetError());
    if (!OpenDecodeDevice()) Fail(std::string("the decoder cannot open its device: ") + Mix_GetError());
    if (address_space > 0) LimitAddressSpaceGrowth(address_space);

    const char* name = MusicFormatName(static_cast<MusicFormat>(format));
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.get(), static_cast<int>(length));
    Mix_Music* music = stream != nullptr ? Mix_LoadMUSType_RW(stream, type, 1) : nullptr;
    if (music == nullptr) Fail(std::string("the file does not decode as ") + name + " (" + Mix_GetError() + ")");
    double seconds = Mix_MusicDuration(music);
    s_capture.length = seconds > 0.0 ? static_cast<int64_t>(std::llround(seconds * kAudioFrequency)) : -1;
    Mix_HookMusicFinished(MusicFinished);
    Mix_SetPostMix(CapturePostMix, nullptr);
    // Once, whole: loop tags are not followed.
    if (Mix_PlayMusic(music, 0) != 0) {
        Fail(std::string("the file does not play as ") + name + " (" + Mix_GetError() + ")");
    }
    while (!s_capture.done) SDL_Delay(1);
    if (s_capture.failed) Fail("the decoder could not hand over its sound");
    if (s_capture.written == 0) Fail("the file holds no sound");
    // Straight out: the PCM is written, and no exit-time report (of a
    // sanitizer build, say) may turn a good file into a failure.
    ExitNow(0);
}
