#include "MusicDecode.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "ChildProcess.h"
#include "DecodeMode.h"
#include "MusicCheck.h"

/* === Limits ============================================================== */

namespace {

std::mutex s_limits_lock;
MusicDecodeLimits s_limits;

constexpr uint64_t kFrameBytes = 4;            // stereo, 16-bit
constexpr double kAudioRate = 48000.0;         // the PCM's frames per second
constexpr size_t kErrorTail = 4096;            // the end of the child's error stream that is kept
constexpr size_t kReasonBytes = 240;           // the longest reason taken from the child

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string TimeLimitReason(const MusicDecodeLimits& limits) {
    return "the decoder ran for more than " + Number(limits.milliseconds / 1000.0) + " s";
}

std::string MemoryLimitReason(const MusicDecodeLimits& limits) {
    return "the decoder used more than " + Number(static_cast<double>(limits.resident_bytes) / (1 << 20)) + " MiB";
}

std::string LengthLimitReason(const MusicDecodeLimits& limits) {
    double seconds = static_cast<double>(limits.pcm_bytes / kFrameBytes) / 48000.0;
    if (seconds >= 60.0 && seconds == 60.0 * static_cast<double>(static_cast<uint64_t>(seconds / 60.0))) {
        return "the music is longer than " + Number(seconds / 60.0) + " minutes";
    }
    return "the music is longer than " + Number(seconds) + " seconds";
}

// The last line of what the child wrote on its error stream, as one line of
// printable text: other bytes are written as escapes, so the status line
// shows it as it is.
std::string LastLine(const std::string& errors) {
    size_t end = errors.find_last_not_of("\r\n");
    if (end == std::string::npos) return "";
    size_t start = errors.find_last_of('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    std::string line;
    for (size_t i = start; i <= end && line.size() < kReasonBytes; ++i) {
        unsigned char c = static_cast<unsigned char>(errors[i]);
        if (c >= 0x20 && c < 0x7F) {
            line += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            line += escaped;
        }
    }
    return line;
}

}  // namespace

void SetMusicDecodeLimits(const MusicDecodeLimits& limits) {
    std::lock_guard<std::mutex> hold(s_limits_lock);
    s_limits = limits;
}

MusicDecodeLimits GetMusicDecodeLimits() {
    std::lock_guard<std::mutex> hold(s_limits_lock);
    return s_limits;
}

/* === The PCM as it arrives =============================================== */

namespace {

// The child's standard output, read into a buffer sized here: once, to the
// length expected from the file's headers (when they give one), and past
// that by doubling up to the length limit; what passes the limit is refused
// rather than stored. Pages of the buffer that the PCM never reaches are
// never touched, so an overstated length costs address space, not memory.
class PCMReader {
public:
    PCMReader(uint64_t limit, uint64_t expected) : limit_(limit - limit % kFrameBytes) {
        uint64_t capacity = std::min(expected + kFrameBytes - 1, limit_);
        capacity -= capacity % kFrameBytes;
        if (capacity > 0) {
            bytes_ = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(capacity)));
            if (bytes_ != nullptr) capacity_ = capacity;
        }
    }
    ~PCMReader() { std::free(bytes_); }

    void Take(const uint8_t* bytes, size_t count) {
        if (too_long_ || no_room_) return;
        if (count > limit_ - used_) {
            too_long_ = true;
            return;
        }
        if (used_ + count > capacity_) {
            uint64_t capacity = std::max<uint64_t>(capacity_ * 2, uint64_t{1} << 20);
            capacity = std::min(std::max(capacity, used_ + count), limit_);
            void* grown = std::realloc(bytes_, static_cast<size_t>(capacity));
            if (grown == nullptr) {
                no_room_ = true;
                return;
            }
            bytes_ = static_cast<uint8_t*>(grown);
            capacity_ = capacity;
        }
        std::memcpy(bytes_ + used_, bytes, count);
        used_ += count;
    }

    bool TooLong() const { return too_long_; }
    bool NoRoom() const { return no_room_; }
    // Whole frames only; the buffer goes to pcm.
    void Release(MusicPCM* pcm) {
        pcm->frames = used_ / kFrameBytes;
        if (pcm->frames > 0 && capacity_ > pcm->frames * kFrameBytes) {
            void* fitted = std::realloc(bytes_, static_cast<size_t>(pcm->frames * kFrameBytes));
            if (fitted != nullptr) bytes_ = static_cast<uint8_t*>(fitted);
        }
        pcm->samples.reset(reinterpret_cast<int16_t*>(bytes_));
        bytes_ = nullptr;
        used_ = capacity_ = 0;
    }

private:
    uint64_t limit_;
    uint8_t* bytes_ = nullptr;
    uint64_t used_ = 0;
    uint64_t capacity_ = 0;
    bool too_long_ = false;
    bool no_room_ = false;
};

}  // namespace

/* === The decode ========================================================== */

namespace {

// The PCM the file's headers promise, in bytes at 48 kHz: their length in
// the file's own frames, round(frames * 48000 / rate) frames once converted;
// 0 when they give no length or no rate. The PCM reader caps it at the
// length limit, so an overstated header costs no more than that.
uint64_t ExpectedPCMBytes(const CheckedMusic& checked) {
    if (checked.rate == 0 || checked.frames == 0) return 0;
    double frames = std::round(static_cast<double>(checked.frames) * kAudioRate / checked.rate);
    if (!(frames < 1e15)) return UINT64_MAX / 2;  // past any limit; the reader caps it
    return static_cast<uint64_t>(frames) * kFrameBytes;
}

}  // namespace

MusicDecode::MusicDecode(const void* bytes, uint64_t size) { Start(bytes, size); }

MusicDecode::MusicDecode(std::string bytes) : owned_(std::move(bytes)) {
    Start(owned_.data(), owned_.size());
    if (!child_) std::string().swap(owned_);  // no child will read them
}

void MusicDecode::Start(const void* bytes, uint64_t size) {
    CheckedMusic checked;
    if (!CheckMusic(bytes, size, &checked, &reason_)) return;
    if (size > static_cast<uint64_t>(INT_MAX)) {  // the mixer reads at most that from memory
        reason_ = "the file is larger than 2 GiB";
        return;
    }
    MusicDecodeLimits limits = GetMusicDecodeLimits();
    // The address space may grow by twice the resident limit: room for
    // libraries and reservations, none for an allocation that runs away.
    header_ = DecodeRequestHeader(checked.format, size, limits.resident_bytes * 2);
    std::vector<ChildInput> request = {
        {reinterpret_cast<const uint8_t*>(header_.data()), header_.size()},
        {static_cast<const uint8_t*>(bytes), static_cast<size_t>(size)},
    };
    child_.reset(new ChildProcess());
    std::string error;
    // The program's SDL_* settings are the user's for the program's own
    // device; in the decoder they would change the sound (the resampling
    // mode) or refuse whole formats (SDL_MIXER_DISABLE_*).
    if (!child_->Start(kDecodeMusicArgument, request, "SDL_", &error)) {
        reason_ = "the decoder could not be started: " + error;
        child_.reset();
        return;
    }
    uint64_t expected = ExpectedPCMBytes(checked);
    thread_ = std::thread([this, limits, size, expected] { Watch(limits, size, expected); });
}

MusicDecode::~MusicDecode() {
    cancelled_ = true;
    if (thread_.joinable()) thread_.join();
}

bool MusicDecode::Finish(MusicPCM* pcm, std::string* reason) {
    if (thread_.joinable()) thread_.join();
    if (!decoded_) {
        if (reason) *reason = reason_;
        return false;
    }
    if (pcm) *pcm = std::move(pcm_);
    return true;
}

void MusicDecode::Watch(const MusicDecodeLimits& limits, uint64_t file_bytes, uint64_t expected_pcm_bytes) {
    using Clock = std::chrono::steady_clock;
    ChildProcess& child = *child_;
    PCMReader output(limits.pcm_bytes, expected_pcm_bytes);
    // The child holds the whole file it was sent, which is not what the
    // limit is for: a long WAV is as large as its PCM.
    const uint64_t resident_limit = limits.resident_bytes + file_bytes;
    std::string errors;
    auto on_output = [&output](const uint8_t* bytes, size_t count) { output.Take(bytes, count); };
    auto on_error = [&errors](const uint8_t* bytes, size_t count) {
        errors.append(reinterpret_cast<const char*>(bytes), count);
        if (errors.size() > 2 * kErrorTail) errors.erase(0, errors.size() - kErrorTail);
    };

    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + std::chrono::milliseconds(limits.milliseconds);
    Clock::time_point next_sample = start;
    std::string stopped;  // why the child was killed
    ChildTraffic traffic;
    for (;;) {
        traffic = child.Exchange(10, on_output, on_error);
        if (!traffic.input_open && !owned_.empty()) std::string().swap(owned_);  // the child has them
        Clock::time_point now = Clock::now();
        if (cancelled_) {
            stopped = "the decode was called off";
        } else if (output.TooLong()) {
            stopped = LengthLimitReason(limits);
        } else if (output.NoRoom()) {
            stopped = "the program has no room for the decoded music";
        } else if (now >= deadline) {
            stopped = TimeLimitReason(limits);
        } else if (now >= next_sample) {
            uint64_t resident = 0;
            if (child.ResidentBytes(&resident) && resident > resident_limit) stopped = MemoryLimitReason(limits);
            next_sample = now + std::chrono::milliseconds(10);
        }
        if (!stopped.empty()) break;
        if (!traffic.output_open && !traffic.error_open && child.HasEnded()) break;
    }
    if (!stopped.empty()) child.Kill();
    ChildEnd end = child.Wait();
    child_.reset();              // its pipes go with it
    std::string().swap(owned_);  // and the file, when the decode held it
    if (!stopped.empty()) {
        reason_ = stopped;
    } else if (end.signal != 0) {
        reason_ = "the decoder crashed (signal " + std::to_string(end.signal) + ")";
    } else if (!end.exited || end.status != 0) {
        reason_ = LastLine(errors);
        if (reason_.empty()) reason_ = "the decoder failed (status " + std::to_string(end.status) + ")";
    } else if (traffic.input_refused) {
        reason_ = "the decoder did not take the whole file";
    } else {
        output.Release(&pcm_);
        if (pcm_.frames == 0) {
            reason_ = "the file holds no sound";
            pcm_ = MusicPCM();
        } else {
            decoded_ = true;
        }
    }
}

bool DecodeMusic(const void* bytes, uint64_t size, MusicPCM* pcm, std::string* reason) {
    MusicDecode decode(bytes, size);
    return decode.Finish(pcm, reason);
}
