// Music the decoder tests make: clicks at known times, encoded by the
// command-line encoders scripts/setup installs (lame, flac, oggenc), and
// the files' sound read back by those tools' own decoders. These are the
// references for the decoder's timing and content; none comes from the
// mixer, whose rate conversion is what once drifted.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DocumentSamples.h"
#include "Process.h"

namespace musicmade {

/* === Clicks =============================================================== */

constexpr int16_t kClickHeight = 16000;
constexpr double kClickSeconds = 0.010;

// The first loud sample of a click at time seconds, in a file at rate Hz.
inline int64_t ClickSample(double time, int rate) { return std::llround(time * rate); }

// A 16-bit stereo WAV at rate Hz, seconds long, silent but for clicks: at
// each of times, a 10 ms pulse of kClickHeight on both channels.
inline std::string ClickWav(int rate, double seconds, const std::vector<double>& times) {
    const int frames = static_cast<int>(std::llround(seconds * rate));
    const int64_t width = std::max<int64_t>(1, std::llround(kClickSeconds * rate));
    return samples::MakeWavOf(frames, rate, [&](int frame, int) -> int16_t {
        for (double time : times) {
            int64_t start = ClickSample(time, rate);
            if (frame >= start && frame < start + width) return kClickHeight;
        }
        return 0;
    });
}

// Where a click should begin in 48 kHz PCM: its rising edge lies halfway
// between its last silent sample and its first loud one, and the first
// 48 kHz frame at half its height is within one frame of that.
inline int64_t ClickFrame(double time, int rate) {
    return std::llround((static_cast<double>(ClickSample(time, rate)) - 0.5) * 48000.0 / rate);
}

// The first frame at or after from whose left sample reaches half a click;
// -1 when none does.
inline int64_t FirstClickFrame(const int16_t* samples, uint64_t frames, int64_t from) {
    for (uint64_t frame = static_cast<uint64_t>(std::max<int64_t>(from, 0)); frame < frames; ++frame) {
        if (std::abs(samples[2 * frame]) >= kClickHeight / 2) return static_cast<int64_t>(frame);
    }
    return -1;
}

/* === The encoders and their decoders ====================================== */

// input written to dir as "in" + the input's extension, run through
// command (its arguments; "IN" and "OUT" stand for the two files), and the
// output file read back, "out" + output_extension; "" when the tool failed.
inline std::string RunCodec(const samples::TempDir& dir, const std::string& input, const std::string& input_extension,
                            std::vector<std::string> command, const std::string& output_extension) {
    const std::string in = dir.File("in" + input_extension);
    const std::string out = dir.File("out" + output_extension);
    samples::WriteFile(in, input);
    std::remove(out.c_str());
    for (std::string& argument : command) {
        if (argument == "IN") argument = in;
        if (argument == "OUT") argument = out;
    }
    testproc::Exit exit = testproc::RunTool(command, 120);
    if (!exit.exited || exit.status != 0) return "";
    return samples::ReadFile(out);
}

// A WAV encoded as FLAC, as MP3 at 256 kbit/s with LAME's Info tag (which
// gives the encoder's delay and padding), as Ogg Vorbis.
inline std::string EncodeFLAC(const samples::TempDir& dir, const std::string& wav) {
    return RunCodec(dir, wav, ".wav", {"flac", "--silent", "--force", "-o", "OUT", "IN"}, ".flac");
}
inline std::string EncodeMP3(const samples::TempDir& dir, const std::string& wav) {
    return RunCodec(dir, wav, ".wav", {"lame", "--quiet", "-b", "256", "IN", "OUT"}, ".mp3");
}
inline std::string EncodeVorbis(const samples::TempDir& dir, const std::string& wav) {
    return RunCodec(dir, wav, ".wav", {"oggenc", "--quiet", "-q", "6", "-o", "OUT", "IN"}, ".ogg");
}

// A FLAC or Ogg Vorbis file decoded to a 16-bit WAV by its own tool.
inline std::string DecodeFLAC(const samples::TempDir& dir, const std::string& flac) {
    return RunCodec(dir, flac, ".flac", {"flac", "--silent", "--force", "-d", "-o", "OUT", "IN"}, ".wav");
}
inline std::string DecodeVorbis(const samples::TempDir& dir, const std::string& ogg) {
    return RunCodec(dir, ogg, ".ogg", {"oggdec", "--quiet", "-b", "16", "-o", "OUT", "IN"}, ".wav");
}

}  // namespace musicmade
