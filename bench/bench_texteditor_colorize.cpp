// Colouring a 10 000-line GLSL text from scratch: with the "C++" tokenizer,
// with the "GLSL" token patterns, and the whole-text comment scan alone.
// The "lines" counter is a rate in lines per second (divide by 1000 for lines
// per millisecond). Then one long line of blanks ending in a byte no token
// starts with, under the "C++" tokenizer: its colouring must grow linearly
// with the line (the "bytes" counter, a rate in bytes per second, stays flat
// from 20 000 to 160 000 blanks).
#include "TextEditor.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kLines = 10000;

// A fragment shader of the kind the Shader Editor holds, repeated to kLines lines.
std::string GlslText() {
    static const char* const kShader[] = {
        "#version 150",
        "uniform float beat;",
        "uniform vec2 resolution;",
        "uniform sampler2D tex;",
        "out vec4 fragColor;",
        "/* A tunnel with a pulse on every beat.",
        "   The \"speed\" follows the music. */",
        "float hash(vec2 p) { return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453); }",
        "",
        "vec3 palette(float t) {",
        "    vec3 a = vec3(0.5, 0.5, 0.5), b = vec3(0.5);",
        "    return a + b * cos(6.28318 * (vec3(1.0, 1.0, 1.0) * t + vec3(0.0, 0.33, 0.67)));",
        "}",
        "",
        "void main() {",
        "    vec2 uv = (gl_FragCoord.xy * 2.0 - resolution) / resolution.y; // centred",
        "    float r = length(uv), a = atan(uv.y, uv.x);",
        "    float pulse = exp(-4.0 * fract(beat)) * 0.25f;",
        "    int steps = 0x1F;",
        "    for (int i = 0; i < steps; ++i) {",
        "        a += 0.01 * float(i) - .5e-2;",
        "    }",
        "    vec3 col = palette(1.0 / (r + 1e-3) + beat * 0.125) * (1.0 + pulse);",
        "    col *= texture(tex, vec2(a / 6.28318, 1.0 / r)).rgb; // sample",
        "    fragColor = vec4(col, 1.0);",
        "}",
    };
    const int count = static_cast<int>(sizeof(kShader) / sizeof(kShader[0]));
    std::string text;
    for (int i = 0; i < kLines; ++i) {
        text += kShader[i % count];
        text += '\n';
    }
    text.pop_back();
    return text;
}

void ReportLines(benchmark::State& state) {
    state.counters["lines"] = benchmark::Counter(static_cast<double>(kLines) * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}

// Full colouring as Render drives it: one per-frame step after another until
// no line is left waiting.
void ColourFromScratch(benchmark::State& state, const TextEditor::SyntaxDefinition& language) {
    const std::string text = GlslText();
    TextEditor editor;
    editor.SetSyntaxDefinition(language);
    for (auto _ : state) {
        state.PauseTiming();
        editor.SetText(text);
        state.ResumeTiming();
        while (editor.checkComments || editor.colorRangeMin < editor.colorRangeMax) editor.ColorizeInternal();
        benchmark::DoNotOptimize(editor.lines.back().data());
    }
    ReportLines(state);
}

void BM_ColorizeGlslWithCppTokenizer(benchmark::State& state) {
    ColourFromScratch(state, TextEditor::SyntaxDefinition::CPlusPlus());
}
BENCHMARK(BM_ColorizeGlslWithCppTokenizer)->Unit(benchmark::kMillisecond);

void BM_ColorizeGlslWithGlslPatterns(benchmark::State& state) {
    ColourFromScratch(state, TextEditor::SyntaxDefinition::GLSL());
}
BENCHMARK(BM_ColorizeGlslWithGlslPatterns)->Unit(benchmark::kMillisecond);

void BM_CommentScanOnly(benchmark::State& state) {
    TextEditor editor;
    editor.SetSyntaxDefinition(TextEditor::SyntaxDefinition::CPlusPlus());
    editor.SetText(GlslText());
    for (auto _ : state) {
        editor.ScanComments();
        benchmark::DoNotOptimize(editor.lines.back().data());
    }
    ReportLines(state);
}
BENCHMARK(BM_CommentScanOnly)->Unit(benchmark::kMillisecond);

// A line of state.range(0) blanks and '@', re-tokenised as every keystroke on
// it would have it.
void BM_ColorizeBlanksBeforeAnUnknownByte(benchmark::State& state) {
    const int blanks = static_cast<int>(state.range(0));
    TextEditor editor;
    editor.SetSyntaxDefinition(TextEditor::SyntaxDefinition::CPlusPlus());
    editor.SetText(std::string(static_cast<size_t>(blanks), ' ') + "@");
    for (auto _ : state) {
        editor.ColorizeRange(0, 1);
        benchmark::DoNotOptimize(editor.lines.back().data());
    }
    state.counters["bytes"] = benchmark::Counter(static_cast<double>(blanks + 1) * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ColorizeBlanksBeforeAnUnknownByte)->Arg(20000)->Arg(160000)->Unit(benchmark::kMillisecond);

}  // namespace
