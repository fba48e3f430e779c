// One frame of a document whose effects share their inputs: each of the
// argument's number of effects takes the next one as both of its inputs, so
// 2^(count - 1) paths lead from the event's effect to the last one, and
// Demo::Render draws and captures each effect once. The frame is drawn at
// 1920 x 1080 (on a hidden window of that size made for the run), so each
// capture reads back and uploads 8 MB; the label gives the quads drawn per
// frame as the GPU counted them.
//
// Needs a display, like the document benchmarks; for example
//   SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1920x1080x24"
//   ./velmara_bench --benchmark_filter=SharedInputs   (as one command line)
#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Demo.h"
#include "Effect.h"
#include "Event.h"
#include "Playback.h"
#include "ShaderProgram.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

const char* kMeanShader =
    "#version 150\n"
    "uniform sampler2D tex;\n"
    "uniform sampler2D tex1;\n"
    "uniform vec2 resolution;\n"
    "out vec4 color;\n"
    "void main() {\n"
    "    vec2 uv = gl_FragCoord.xy / resolution;\n"
    "    color = vec4(0.5 * (texture(tex, uv).rgb + texture(tex1, uv).rgb), 1.0);\n"
    "}\n";
const char* kSolidShader =
    "#version 150\nout vec4 color;\nvoid main() { color = vec4(0.2, 0.6, 1.0, 1.0); }\n";

ShaderProgram* Program(Demo& demo, const char* fragment) {
    ShaderProgram* program = new ShaderProgram();
    program->fragment_shader_source = fragment;
    program->Relink();
    demo.shaders.push_back(program);
    return program;
}

// The document: count effects in a chain of shared inputs and one event on
// the first, active at beat 0.
void BuildSharedInputs(Demo& demo, int count) {
    ShaderProgram* mean = Program(demo, kMeanShader);
    ShaderProgram* solid = Program(demo, kSolidShader);
    std::vector<Effect*> layers(count);
    for (int i = count - 1; i >= 0; --i) {
        bool last = i == count - 1;
        layers[i] = new Effect("layer" + std::to_string(i), last ? solid : mean, nullptr, nullptr, false);
        if (!last) layers[i]->input_effects = {layers[i + 1], layers[i + 1]};
    }
    demo.effects = layers;
    demo.events.push_back(new Event("shared inputs", layers[0], 0.0f, 0.1f));
}

// The quads one frame draws, counted by a GL_PRIMITIVES_GENERATED query.
int QuadsPerFrame(Demo& demo) {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    demo.Render(0.0f);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);
    return static_cast<int>(primitives / 2);
}

// The far corner shows the last effect's colour only when the back buffer
// really is the full size.
bool DrawnToTheCorner() {
    unsigned char corner[4] = {0, 0, 0, 0};
    glReadPixels(kWidth - 1, kHeight - 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    return corner[2] >= 250;
}

void BM_RenderSharedInputs(benchmark::State& state) {
    if (!HaveGLContext()) {
        state.SkipWithError("no GL context (run under a display)");
        return;
    }
    SizedScreen screen(kWidth, kHeight);
    if (!screen.Ready()) {
        state.SkipWithError("no 1920 x 1080 window");
        return;
    }
    {
        Demo demo;
        BuildSharedInputs(demo, static_cast<int>(state.range(0)));
        int quads = QuadsPerFrame(demo);
        if (!DrawnToTheCorner()) state.SkipWithError("the back buffer is smaller than 1920 x 1080");
        for (auto _ : state) {
            demo.Render(0.0f);
            glFinish();
        }
        state.SetLabel(std::to_string(quads) + " quads per frame at 1920 x 1080");
    }
}
BENCHMARK(BM_RenderSharedInputs)->Arg(12)->Arg(22)->Unit(benchmark::kMillisecond);

}  // namespace
