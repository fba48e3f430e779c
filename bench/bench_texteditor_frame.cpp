// One frame of the code editor showing a short shader, alone or with one very
// long line in view: 100 000 blanks, or 200 000 characters of shader code
// written without a line break. Nothing is typed: this is what the Shader
// Editor pays in every frame while such a text is on screen. A line is drawn
// and measured only over the columns in view, and its layout is kept until
// the line changes, so a long line in view costs about what the short shader
// costs (drawn and measured whole, it cost some 150 times as much). With
// middle:1 the view is scrolled to the long line's middle, the cursor is
// there and the mouse rests over the text (the identifier tooltip looks the
// word under it up); with middle:0 the cursor is at the line's start and the
// mouse away.
//
// BM_EditorFrameWithShader is the whole editor frame (as bench_editor_frame
// builds it, the Viewport hidden) with the Shader Editor showing the same
// texts as its program's source, the cursor at the start.
//
// ImGui builds its draw data, which is never rendered. The whole editor frame
// needs a GL context for its document, made once from a hidden SDL window;
// run under xvfb-run where there is no display.
#include "BenchSupport.h"
#include "Demo.h"
#include "Editor.h"
#include "EditorState.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "TextEditor.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <imgui.h>

#include <string>

namespace {

// === The texts ==================================================================

// Sixty lines of typical fragment-shader code.
std::string ShortShader() { return RepeatedShader(60); }

// Shader code without line breaks, count bytes of it.
std::string LongCode(size_t count) {
    const std::string piece = "col += vec3(0.2, 0.4, 0.8) * sin(beat * 6.2831 + uv.x * 12.0); ";
    std::string text;
    text.reserve(count + piece.size());
    while (text.size() < count) text += piece;
    text.resize(count);
    return text;
}

// The long line of each variant, inserted as line 10 of the short shader.
enum Variant { kShort = 0, kBlanks = 1, kCode = 2 };
constexpr int kLongLine = 10;

std::string Text(Variant variant) {
    const std::string shader = ShortShader();
    if (variant == kShort) return shader;
    size_t at = 0;
    for (int line = 0; line < kLongLine; ++line) at = shader.find('\n', at) + 1;
    const std::string longLine = variant == kBlanks ? std::string(100000, ' ') : LongCode(200000);
    return shader.substr(0, at) + longLine + "\n" + shader.substr(at);
}

// === The benchmark ===============================================================

// Arguments: the variant (0 the short shader, 1 a line of 100 000 blanks,
// 2 a line of 200 000 characters of code) and where the cursor stands on
// line 10 (0 its start, 1 its middle, scrolled there, with the mouse over
// the text).
void BM_TextEditorFrame(benchmark::State& state) {
    const Variant variant = static_cast<Variant>(state.range(0));
    const bool middle = state.range(1) != 0;
    CodeEditorFrames frames(Text(variant));

    const int column = middle ? frames.editor.LineEndColumn(kLongLine) / 2 : 0;
    frames.editor.SetCursorPosition(TextEditor::TextPosition(kLongLine, column));
    // The first frames colour the text, scroll to the cursor and focus the editor.
    for (int i = 0; i < 8; ++i) frames.Frame();
    // The window's padding is 8 pixels; the mouse rests over line 10.
    if (middle) ImGui::GetIO().MousePos = ImVec2(960.0f, 8.0f + (kLongLine + 0.5f) * frames.editor.charAdvance.y);
    frames.Frame();

    for (auto _ : state) frames.Frame();

    // Nothing was typed, the cursor stayed and the view holds it.
    if (frames.editor.GetCursorPosition().column != column) state.SkipWithError("the cursor moved");
}
BENCHMARK(BM_TextEditorFrame)
    ->ArgNames({"text", "middle"})
    ->Args({kShort, 0})
    ->Args({kBlanks, 0})
    ->Args({kCode, 0})
    ->Args({kShort, 1})
    ->Args({kBlanks, 1})
    ->Args({kCode, 1})
    ->Unit(benchmark::kMicrosecond);

// One editor frame, without drawing the draw data.
void WholeEditorFrame() {
    ImGui::NewFrame();
    ShowEditor(g_document_name, 0);
    ImGui::Render();
}

// Argument: the variant, as above, as the source of the document's one
// program, which the Shader Editor shows.
void BM_EditorFrameWithShader(benchmark::State& state) {
    if (!HaveGLContext()) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    const Variant variant = static_cast<Variant>(state.range(0));
    Demo* saved = g_demo;
    g_demo = new Demo();
    ShaderProgram* program = new ShaderProgram();
    program->fragment_shader_source = Text(variant);
    g_demo->shaders.push_back(program);
    ++g_document_generation;  // the Shader Editor follows the new document
    g_show_viewport = false;
    g_show_shader_editor = true;

    HeadlessUI ui;
    ImGui::GetIO().BackendFlags |= ImGuiBackendFlags_RendererHasVtxOffset;
    for (int i = 0; i < 8; ++i) WholeEditorFrame();  // windows made and laid out, the text coloured
    for (auto _ : state) WholeEditorFrame();

    // Only lines in view are measured: the long line must have been one.
    const bool shown = g_text_editor.GetTotalLines() > kLongLine &&
                       kLongLine < static_cast<int>(g_text_editor.lineLayouts.size()) &&
                       g_text_editor.lineLayouts[kLongLine].glyphCount >= 0;
    if (!shown) state.SkipWithError("line 10 was not in the Shader Editor's view");
    delete g_demo;
    g_demo = saved;
    ++g_document_generation;
}
BENCHMARK(BM_EditorFrameWithShader)
    ->ArgName("text")
    ->Arg(kShort)
    ->Arg(kBlanks)
    ->Arg(kCode)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
