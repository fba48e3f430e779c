// Finding the numbers of a 10 000-line fragment shader with an annotation on
// every tenth line, as the number panel does after every change of the text,
// and the Shader Editor's whole keystroke frame on that shader: the code
// editor, storing the text into the program and the scan; then the same
// frame on a 5 000-line shader that compiles, with "Auto-recompile" on. The
// trace lines of the annotations are sent to /dev/null while they run, so the
// figures hold their formatting and writing but no terminal.
//
// Run the Auto-recompile figure with MESA_SHADER_CACHE_DISABLE=true: the
// typed texts repeat, and a driver's shader cache would answer for them.
#include "NumberSliders.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Demo.h"
#include "Editor.h"
#include "EditorState.h"
#include "Playback.h"
#include "ShaderProgram.h"

namespace {

constexpr int kLines = 10000;

// Ten lines of shader code, the last of them annotated, repeated to lines.
std::string AnnotatedShader(int lines = kLines) {
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
    for (int i = 0; i < lines; ++i) {
        text += kBlock[i % count];
        text += '\n';
    }
    return text;
}

// Standard output goes to /dev/null while the object lives.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        null_ = open("/dev/null", O_WRONLY);
        if (saved_ >= 0 && null_ >= 0) dup2(null_, STDOUT_FILENO);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            dup2(saved_, STDOUT_FILENO);
            close(saved_);
        }
        if (null_ >= 0) close(null_);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_ = -1;
    int null_ = -1;
};

void BM_ParseShaderNumbers(benchmark::State& state) {
    const std::string text = AnnotatedShader();
    QuietStdout quiet;
    size_t literals = 0;
    for (auto _ : state) {
        std::vector<NumberLiteral> found = ParseShaderNumbers(text.c_str());
        literals = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["literals"] = static_cast<double>(literals);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseShaderNumbers)->Unit(benchmark::kMillisecond);

// A whole fragment shader that compiles: about lines lines, most of them
// ten-line functions (a layer of colour each, with an annotation on its last
// line), of which main draws the last eight, as long shaders keep many
// helpers of which one effect uses a few.
std::string CompilingShader(int lines) {
    static const char* const kBody[] = {
        "    float r = length(uv), a = atan(uv.y, uv.x);",
        "    float pulse = exp(-4.0 * fract(beat)) * 0.25;",
        "    /* a second ring, 12 pixels wide */",
        "    a += 0.01 * pulse - 1e-3;",
        "    col += vec3(sin(a * 6.0), cos(r * 3.0), 0.5) * 0.01;",
        "    col *= vec3(1.0, 0.8, 0.6) * (1.0 + pulse * 0.01);",
        "    float glow = smoothstep(0.1, 0.4, r);",
        "    return mix(col, vec3(0.2, 0.3, 0.9), glow * 0.005) + 0.0075; // @tint=[0:1]",
    };
    const int layers = (lines - 10) / 10;
    std::string text = "#version 150\nuniform float beat;\nuniform vec2 resolution;\nout vec4 colour;\n";
    for (int layer = 0; layer < layers; ++layer) {
        text += "vec3 layer" + std::to_string(layer) + "(vec2 uv, vec3 col) { // centred\n";
        for (const char* line : kBody) text += std::string(line) + "\n";
        text += "}\n";
    }
    text += "void main() {\n    vec2 uv = (gl_FragCoord.xy * 2.0 - resolution) / resolution.y;\n"
            "    vec3 col = vec3(0.0);\n";
    for (int layer = std::max(0, layers - 8); layer < layers; ++layer)
        text += "    col = layer" + std::to_string(layer) + "(uv, col);\n";
    return text + "    colour = vec4(col, 1.0);\n}\n";
}

// Frames of the editor with only the Shader Editor shown, in each of which
// one character is typed at column 8 of the line: the benchmark's
// iterations. Undo puts the line back every so often, so every frame types
// into a line of the same length.
void TypeIntoShaderEditor(benchmark::State& state, const std::string& source, int line, bool auto_recompile,
                          bool numbers_panel) {
    if (!HaveGLContext()) {
        state.SkipWithError("no GL context");
        return;
    }
    QuietStdout quiet;
    Demo* saved = g_demo;
    g_demo = new Demo();
    ShaderProgram* program = new ShaderProgram();
    program->fragment_shader_source = source;
    program->Relink();
    g_demo->shaders.push_back(program);
    for (bool* shown : {&g_show_viewport, &g_show_effect_manager, &g_show_texture_manager, &g_show_event_manager,
                        &g_show_bpm_tap})
        *shown = false;
    g_show_shader_editor = true;
    g_auto_recompile = auto_recompile;
    g_shader_edit_request = 0;

    HeadlessUI ui;
    auto frame = [] {
        ImGui::NewFrame();
        ShowEditor(g_document_name, 0);
        ImGui::Render();
    };
    frame();  // the window shows the program
    g_number_literals.clear();
    if (numbers_panel) g_number_literals = ParseShaderNumbers(g_shader_text.c_str());
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(line, 8));  // also gives the editor the focus
    for (int i = 0; i < 4; ++i) frame();
    // One keystroke and its undo before the figures: the editor has linked
    // the program once and knows how long that takes.
    ImGui::GetIO().AddInputCharacter('7');
    frame();
    g_text_editor.Undo(1);
    frame();

    constexpr int kTypedBeforeUndo = 64;
    int typed = 0;
    for (auto _ : state) {
        ImGui::GetIO().AddInputCharacter('7');
        frame();
        if (++typed == kTypedBeforeUndo) {
            state.PauseTiming();
            g_text_editor.Undo(typed);
            frame();
            typed = 0;
            state.ResumeTiming();
        }
    }
    if (program->fragment_shader_source.find("7") == std::string::npos ||
        g_number_literals.empty() == numbers_panel)
        state.SkipWithError("the keystrokes did not reach the program and the panel");
    if (auto_recompile) {
        // The frame that relinks once the typing has rested, for the record.
        SDL_Delay(310);
        const auto start = std::chrono::steady_clock::now();
        frame();
        state.counters["rested_relink_ms"] =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (g_pending_relink.program != nullptr) state.SkipWithError("the relink did not come once typing rested");
        if (program->log != "Compilation successful.") state.SkipWithError(program->log.c_str());
    }
    g_shader_link_times.clear();
    g_number_literals.clear();
    g_auto_recompile = true;
    delete g_demo;
    g_demo = saved;
}

// One editor frame with the number panel open on the 10 000-line shader, in
// which one character is typed. The program is not relinked
// ("Auto-recompile" off): what the driver's compiler takes is not the
// editor's.
void BM_ShaderEditorKeystrokeFrame(benchmark::State& state) {
    TypeIntoShaderEditor(state, AnnotatedShader(), kLines / 2, false, true);
}
BENCHMARK(BM_ShaderEditorKeystrokeFrame)->Unit(benchmark::kMillisecond);

// The keystroke frame on a 5 000-line shader with "Auto-recompile" on, typed
// into a comment in the middle so that the source still compiles: what
// typing costs while the editor keeps the program linked. Its link takes far
// over 50 ms on a software renderer, so keystrokes only store the text, and
// one relink comes once typing has rested 300 ms; the counter
// rested_relink_ms is that frame.
void BM_ShaderEditorKeystrokeFrameAutoRecompile(benchmark::State& state) {
    const std::string source = CompilingShader(5000);
    const size_t comment = source.find("/* a second ring", source.size() / 2);
    TypeIntoShaderEditor(state, source, static_cast<int>(std::count(source.begin(), source.begin() + comment, '\n')),
                         true, false);
}
BENCHMARK(BM_ShaderEditorKeystrokeFrameAutoRecompile)->Unit(benchmark::kMillisecond);

}  // namespace
