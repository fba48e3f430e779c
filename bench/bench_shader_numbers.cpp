// Finding the numbers of a 10 000-line fragment shader with an annotation on
// every tenth line, as the number panel does after every change of the text.
// The trace lines of the annotations are sent to /dev/null while it runs, so
// the figure holds their formatting and writing but no terminal.
#include "NumberSliders.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 10000;

// Ten lines of shader code, the last of them annotated, repeated to kLines.
std::string AnnotatedShader() {
    static const char* const kBlock[] = {
        "    vec2 uv = (gl_FragCoord.xy * 2.0 - resolution) / resolution.y; // centred",
        "    float r = length(uv), a = atan(uv.y, uv.x);",
        "    float pulse = exp(-4.0 * fract(beat)) * 0.25;",
        "    /* a second ring, 12 pixels wide */",
        "    a += 0.01 * float(steps) - 1e-3;",
        "    col += texture(tex10, vec2(a / 6.28318, 1.0 / r)).rgb;",
        "    col *= vec3(1.0, 0.8, 0.6) * (1.0 + pulse);",
        "    float glow = smoothstep(0.1, 0.4, r);",
        "    col = mix(col, vec3(0.2, 0.3, 0.9), glow * 0.5);",
        "    col += vec3(0.05, 0.1, 0.2) * 0.75; // @tint=[0:1]",
    };
    const int count = static_cast<int>(sizeof(kBlock) / sizeof(kBlock[0]));
    std::string text;
    for (int i = 0; i < kLines; ++i) {
        text += kBlock[i % count];
        text += '\n';
    }
    return text;
}

void BM_ParseShaderNumbers(benchmark::State& state) {
    const std::string text = AnnotatedShader();
    std::fflush(stdout);
    const int saved_stdout = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (saved_stdout >= 0 && null >= 0) dup2(null, STDOUT_FILENO);
    size_t literals = 0;
    for (auto _ : state) {
        std::vector<NumberLiteral> found = ParseShaderNumbers(text.c_str());
        literals = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    std::fflush(stdout);
    if (saved_stdout >= 0) {
        dup2(saved_stdout, STDOUT_FILENO);
        close(saved_stdout);
    }
    if (null >= 0) close(null);
    state.counters["literals"] = static_cast<double>(literals);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseShaderNumbers)->Unit(benchmark::kMillisecond);

}  // namespace
