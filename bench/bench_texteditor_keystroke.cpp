// One keystroke frame of the code editor on a 10 000-line shader: a typed
// character goes through ImGui's character queue into the editor, which
// edits, records undo, marks lines for colouring, runs its per-frame colouring
// step (a whole-text comment scan after every edit) and draws the visible
// lines; the frame ends with ImGui building its draw data. No GL is involved:
// this is the CPU cost the Shader Editor pays per keystroke before it
// recompiles the shader. The variant colorizer:0 leaves colouring out, which
// shows what the colouring step costs.
#include "BenchSupport.h"
#include "TextEditor.h"

#include <benchmark/benchmark.h>
#include <imgui.h>

#include <cstdint>

namespace {

// === The benchmark ===============================================================

void BM_TextEditorKeystrokeFrame(benchmark::State& state) {
    CodeEditorFrames frames(RepeatedShader(10000));
    // The cursor in the middle of the shader, inside a function body; the
    // first frames scroll there, give the editor focus and colour the text.
    frames.editor.SetCursorPosition(TextEditor::TextPosition(5008, 12));
    for (int i = 0; i < 4; ++i) frames.Frame();
    frames.editor.SetColorizerEnabled(state.range(0) != 0);

    // Undo puts the line back every so often, so every frame types into a
    // line of the same length.
    constexpr int kTypedBeforeUndo = 64;
    int typed = 0;
    for (auto _ : state) {
        ImGui::GetIO().AddInputCharacter('x');
        frames.Frame();
        if (++typed == kTypedBeforeUndo) {
            state.PauseTiming();
            frames.editor.Undo(typed);
            frames.Frame();
            typed = 0;
            state.ResumeTiming();
        }
    }
    // Every timed frame typed one character: one undo record each.
    if (frames.editor.undoIndex != typed) state.SkipWithError("a keystroke did not reach the editor");
}
BENCHMARK(BM_TextEditorKeystrokeFrame)->ArgName("colorizer")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace
