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
#include <string>

namespace {

// === The shader ================================================================

// A 20-line block of typical fragment-shader code with both comment kinds, a
// preprocessor line and strings of keywords, numbers and calls.
const char* const kBlock =
    "// Signed distance of a rounded box, one of many helpers.\n"
    "#define ROUNDING 0.125\n"
    "uniform float beat;\n"
    "uniform vec2 resolution;\n"
    "/* Marches the scene and returns the distance travelled,\n"
    "   or -1.0 when nothing was hit. */\n"
    "float sdRoundBox(vec3 p, vec3 b, float r)\n"
    "{\n"
    "\tvec3 q = abs(p) - b + vec3(r);\n"
    "\treturn length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - r;\n"
    "}\n"
    "\n"
    "vec3 shade(vec3 n, vec3 l, float t)\n"
    "{\n"
    "\tfloat d = clamp(dot(n, l), 0.0, 1.0);\n"
    "\tfloat s = pow(max(dot(reflect(-l, n), vec3(0.0, 0.0, 1.0)), 0.0), 32.0);\n"
    "\treturn vec3(0.2, 0.4, 0.8) * d + vec3(s) + 0.05 * sin(t * 6.2831);\n"
    "}\n"
    "\n"
    "\n";

std::string MakeShader(int lineCount) {
    std::string text;
    int lines = 0;
    while (lines < lineCount) {
        text += kBlock;
        lines += 20;
    }
    return text;
}

// === A headless ImGui frame around the editor =================================

class EditorFrames {
public:
    EditorFrames() {
        TextEditor::SyntaxDefinition language = TextEditor::SyntaxDefinition::CPlusPlus();
        for (const char* word : {"mat2", "mat3", "mat4", "vec2", "vec3", "vec4", "sampler2D", "sampler3D", "in", "out",
                                 "inout", "varying", "uniform"})
            language.keywords.insert(word);
        editor.SetSyntaxDefinition(language);
        editor.SetText(MakeShader(10000));
    }

    // One user-interface frame with the editor filling a window.
    void Frame() {
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::SetNextWindowSize(ImGui::GetIO().DisplaySize);
        ImGui::Begin("Shader Editor", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoSavedSettings);
        editor.Render("TextEditor");
        ImGui::End();
        ImGui::Render();
    }

    HeadlessUI ui;  // made before the editor, gone after it
    TextEditor editor;
};

// === The benchmark ===============================================================

void BM_TextEditorKeystrokeFrame(benchmark::State& state) {
    EditorFrames frames;
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
