#include "DecodeMode.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <soxr.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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

/* === The conversion to 48 kHz ============================================ */

// The mixer plays the music on a device at the file's own rate, so that it
// converts channels and sample format only; this converts the rate, with
// libsoxr at its high quality, on a thread of its own beside the decode.
// Its input is the device's frames (32-bit float stereo), its output the
// PCM the program reads.
class RateConverter {
public:
    ~RateConverter() {
        if (soxr_ != nullptr) soxr_delete(soxr_);
    }

    // Prepares the conversion from rate Hz and starts its thread. False, with
    // the reason, when the converter cannot be made.
    bool Start(uint32_t rate, int descriptor, std::string* reason) {
        rate_ = rate;
        descriptor_ = descriptor;
        soxr_error_t error = nullptr;
        // No dither: the same file always decodes to the same PCM.
        soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_INT16_I);
        io.flags |= SOXR_NO_DITHER;
        soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        soxr_ = soxr_create(rate, kAudioFrequency, kAudioChannels, &error, &io, &quality, nullptr);
        if (soxr_ == nullptr || error != nullptr) {
            *reason = std::string("the decoder cannot convert from ") + std::to_string(rate) + " Hz (" +
                      (error != nullptr ? error : "no resampler") + ")";
            return false;
        }
        thread_ = std::thread([this] { Run(); });
        return true;
    }

    // Audio thread: queues the frames; waits while the queue is full, so the
    // decode never runs far ahead of the conversion. False once the converter
    // has stopped for a failed write.
    bool Push(const float* samples, uint64_t frames) {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return queue_.size() < kQueuedBlocks || failed_; });
        if (failed_) return false;
        queue_.emplace_back(samples, samples + frames * kAudioChannels);
        input_frames_ += frames;
        changed_.notify_all();
        return true;
    }

    // Audio thread: the music has ended; what is queued is converted, the
    // conversion flushed, and the thread ends.
    void Finish() {
        std::lock_guard<std::mutex> hold(lock_);
        finished_ = true;
        changed_.notify_all();
    }

    // Main thread: waits for the thread to end. False when a write failed.
    bool Join() {
        if (thread_.joinable()) thread_.join();
        return !failed_;
    }

private:
    static constexpr size_t kQueuedBlocks = 8;
    static constexpr size_t kOutputFrames = 16384;

    void Run() {
        std::vector<int16_t> output(kOutputFrames * kAudioChannels);
        for (;;) {
            std::vector<float> block;
            bool last = false;
            {
                std::unique_lock<std::mutex> hold(lock_);
                changed_.wait(hold, [this] { return !queue_.empty() || finished_; });
                if (!queue_.empty()) {
                    block.swap(queue_.front());
                    queue_.pop_front();
                    changed_.notify_all();
                } else {
                    last = true;
                }
            }
            bool written = last ? Flush(output) : Convert(block, output);
            if (!written) {
                std::lock_guard<std::mutex> hold(lock_);
                failed_ = true;
                changed_.notify_all();
                return;
            }
            if (last) return;
        }
    }

    // One block through the resampler, its output written as it comes.
    bool Convert(const std::vector<float>& block, std::vector<int16_t>& output) {
        size_t frames = block.size() / kAudioChannels;
        size_t taken = 0;
        while (taken < frames) {
            size_t in = 0;
            size_t out = 0;
            soxr_error_t error = soxr_process(soxr_, block.data() + taken * kAudioChannels, frames - taken, &in,
                                              output.data(), kOutputFrames, &out);
            if (error != nullptr || !Write(output.data(), out)) return false;
            if (in == 0 && out == 0) break;  // cannot happen with room for output; never spin
            taken += in;
        }
        return true;
    }

    // The resampler's last output, once there is no more input: what its
    // filter still holds. The PCM ends at the input's own end, in 48 kHz
    // frames rounded to the nearest.
    bool Flush(std::vector<int16_t>& output) {
        uint64_t frames = 0;
        {
            std::lock_guard<std::mutex> hold(lock_);
            frames = input_frames_;
        }
        end_ = static_cast<uint64_t>(std::llround(static_cast<double>(frames) * kAudioFrequency / rate_));
        for (;;) {
            size_t out = 0;
            soxr_error_t error = soxr_process(soxr_, nullptr, 0, nullptr, output.data(), kOutputFrames, &out);
            if (error != nullptr || !Write(output.data(), out)) return false;
            if (out == 0 || written_ >= end_) return true;
        }
    }

    // Writes up to frames frames of output, never past the end once it is known.
    bool Write(const int16_t* samples, size_t frames) {
        if (end_ > 0) frames = static_cast<size_t>(std::min<uint64_t>(frames, end_ - std::min(end_, written_)));
        if (frames == 0) return true;
        written_ += frames;
        return WriteDescriptor(descriptor_, samples, frames * kAudioChannels * sizeof(int16_t));
    }

    uint32_t rate_ = 0;
    int descriptor_ = -1;
    soxr_t soxr_ = nullptr;
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::vector<float>> queue_;  // under lock_
    uint64_t input_frames_ = 0;             // under lock_
    bool finished_ = false;                 // under lock_
    std::atomic<bool> failed_{false};       // set under lock_
    uint64_t written_ = 0;                  // the converter thread's
    uint64_t end_ = 0;                      // the converter thread's; 0 until the input has ended
};

/* === Capturing what the music filled ===================================== */

// Shared between the mixer's audio thread, which writes, and the main thread,
// which waits for done.
struct Capture {
    int descriptor = -1;                 // where the PCM goes
    Mix_Music* music = nullptr;          // what plays
    int device_rate = kAudioFrequency;   // Hz
    RateConverter* converter = nullptr;  // null when the device runs at 48 kHz
    uint64_t written = 0;                // device frames handed on so far
    double end_seconds = -1.0;           // the mixer's position once the music finished; -1 unknown
    std::atomic<bool> finished{false};   // the mixer's finished hook ran in this buffer
    std::atomic<bool> done{false};       // the last buffer is handed on
    std::atomic<bool> failed{false};     // handing on failed: the program has gone
};

Capture s_capture;

// Runs on the audio thread inside the buffer in which the music ends, before
// the post-mix sees that buffer.
void MusicFinished() {
    s_capture.end_seconds = Mix_GetMusicPosition(s_capture.music);
    s_capture.finished = true;
}

// The frames of the buffer in which the music finished that are music: up
// to where the mixer's own position stands, which is the frames the decoder
// produced, also when the file's header gives no length or a wrong one,
// and none at all when the music ended on the previous buffer's edge.
uint64_t FramesBeforeTheEnd(uint64_t frames) {
    if (s_capture.end_seconds < 0.0) return frames;  // no position: the whole buffer, as played
    double end = std::round(s_capture.end_seconds * s_capture.device_rate);
    double written = static_cast<double>(s_capture.written);
    if (end <= written) return 0;
    return static_cast<uint64_t>(std::min(end - written, static_cast<double>(frames)));
}

// Post-mix: the device runs from its opening to its closing, but only the
// buffers the music filled are handed on: those while it plays, and the one
// in which it finished, cut where it ended (the rest of that buffer is the
// mixer's padding).
void CapturePostMix(void* userdata, Uint8* stream, int length) {
    (void)userdata;
    if (s_capture.done || length <= 0) return;
    bool finishing = s_capture.finished.exchange(false);
    if (!finishing && !Mix_PlayingMusic()) return;  // the device runs before the music starts
    RateConverter* converter = s_capture.converter;
    uint64_t frame_bytes = converter != nullptr ? kAudioChannels * sizeof(float) : kAudioChannels * sizeof(int16_t);
    uint64_t frames = static_cast<uint64_t>(length) / frame_bytes;
    if (finishing) frames = FramesBeforeTheEnd(frames);
    bool handed = frames == 0 ||
                  (converter != nullptr ? converter->Push(reinterpret_cast<const float*>(stream), frames)
                                        : WriteDescriptor(s_capture.descriptor, stream, frames * frame_bytes));
    if (!handed) {
        s_capture.failed = true;
        s_capture.done = true;
        return;
    }
    s_capture.written += frames;
    if (finishing) {
        if (converter != nullptr) converter->Finish();
        s_capture.done = true;
    }
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
// the song aloud, in real time) is replaced. The mixer converts no rate
// where the file's rate is known; where it must (a later link of a chained
// Ogg at another rate), it does so the same way whatever the user set.
void ChooseSilentDevice() {
    SetEnvironment("SDL_AUDIODRIVER", "disk");
    SetEnvironment("SDL_DISKAUDIODELAY", "0");
    SetEnvironment("SDL_DISKAUDIOFILE", NullDevice());
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_RESAMPLING_MODE, "default", SDL_HINT_OVERRIDE);
}

// SDL's own rate conversion reads the samples it keeps between buffers
// before it first writes them, when a stream begins converting (a later
// link of a chained Ogg at another rate): with what the heap last held
// there, that was a burst of noise at full scale, different from run to
// run. Memory from SDL starts zeroed, so it is silence, as in a fresh process.
void* ZeroedAllocation(size_t size) { return std::calloc(1, size); }

// The device at rate Hz: 16-bit at 48 kHz, which is the PCM itself, 32-bit
// float at any other rate, which the converter takes.
bool OpenDecodeDevice(int rate) {
    Uint16 wanted = rate == kAudioFrequency ? AUDIO_S16LSB : AUDIO_F32SYS;
    if (Mix_OpenAudioDevice(rate, wanted, kAudioChannels, kDecodeBufferFrames, nullptr, 0) != 0) return false;
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    return Mix_QuerySpec(&frequency, &format, &channels) != 0 && frequency == rate && format == wanted &&
           channels == kAudioChannels;
}

}  // namespace

void RunMusicDecoder() {
    // Before SDL allocates anything.
    SDL_SetMemoryFunctions(ZeroedAllocation, std::calloc, std::realloc, std::free);
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

    // The decoder learns the file's rate by running the music check on the
    // bytes itself; the request does not carry it. Without a rate (an MP3
    // whose frames the check does not find) the mixer converts to 48 kHz.
    CheckedMusic checked;
    bool known = CheckMusic(bytes.get(), length, &checked, nullptr) && checked.rate >= kMusicMinRate &&
                 checked.rate <= kMusicMaxRate;
    s_capture.device_rate = known ? static_cast<int>(checked.rate) : kAudioFrequency;

    if (SDL_Init(SDL_INIT_AUDIO) != 0) Fail(std::string("the decoder has no audio: ") + SDL_GetError());
    if (!OpenDecodeDevice(s_capture.device_rate)) {
        Fail(std::string("the decoder cannot open its device: ") + Mix_GetError());
    }
    // Made before the address space is limited: the thread's stack is mapped whole.
    RateConverter converter;
    if (s_capture.device_rate != kAudioFrequency) {
        std::string reason;
        if (!converter.Start(static_cast<uint32_t>(s_capture.device_rate), s_capture.descriptor, &reason)) {
            Fail(reason);
        }
        s_capture.converter = &converter;
    }
    if (address_space > 0) LimitAddressSpaceGrowth(address_space);

    const char* name = MusicFormatName(static_cast<MusicFormat>(format));
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.get(), static_cast<int>(length));
    Mix_Music* music = stream != nullptr ? Mix_LoadMUSType_RW(stream, type, 1) : nullptr;
    if (music == nullptr) Fail(std::string("the file does not decode as ") + name + " (" + Mix_GetError() + ")");
    s_capture.music = music;
    Mix_HookMusicFinished(MusicFinished);
    Mix_SetPostMix(CapturePostMix, nullptr);
    // Once, whole: loop tags are not followed.
    if (Mix_PlayMusic(music, 0) != 0) {
        Fail(std::string("the file does not play as ") + name + " (" + Mix_GetError() + ")");
    }
    while (!s_capture.done) SDL_Delay(1);
    if (s_capture.failed || !converter.Join()) Fail("the decoder could not hand over its sound");
    if (s_capture.written == 0) Fail("the file holds no sound");
    // Straight out: the PCM is written, and no exit-time report (of a
    // sanitizer build, say) may turn a good file into a failure.
    ExitNow(0);
}
