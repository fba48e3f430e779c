// One Event Manager frame, the CPU side only: a headless Dear ImGui frame
// with the "Event Manager" window around its body, and ImGui building its
// draw data, which is never rendered. The event shows 50 variables whose
// curves hold 100 points each, and the selected curve's 100 point rows are
// laid out. Each curve row in view samples its curve 512 times (a 100-point
// curve evaluated 512 times); rows scrolled out of view are not sampled. The
// frame must stay under 2 ms.
//
// Argument: the window's height. 275 is its first-use size (about three
// rows in view); 1080 fills a full-HD display (about fifteen); 4000, on a
// display as tall, puts all 50 rows in view, so every curve is sampled.
//
// The document's shader program needs a GL context, made once from a hidden
// SDL window; run under xvfb-run where there is no display.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "BenchSupport.h"
#include "Demo.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "Effect.h"
#include "Event.h"
#include "Playback.h"
#include "ShaderProgram.h"

namespace {

const int kVariables = 50;
const int kPointsPerCurve = 100;
const float kEventBeats = 64.0f;

// A document of one event over kEventBeats beats whose program declares
// kVariables variables, each automated by a smooth curve of kPointsPerCurve
// points spread over the event.
Demo* AutomatedDocument() {
    Demo* demo = new Demo();
    ShaderProgram* program = new ShaderProgram();
    demo->shaders.push_back(program);
    Effect* effect = new Effect("automated", program, nullptr, nullptr, false);
    demo->effects.push_back(effect);
    Event* event = new Event("automated", effect, 0.0f, kEventBeats);
    demo->events.push_back(event);
    for (int v = 0; v < kVariables; ++v) {
        std::string name = "variable" + std::to_string(v);
        program->uniform_defs.push_back(new UniformDef(name, -1.0f, 1.0f, 0.0f));
        Automation& curve = event->automation[name];
        curve.mode = 2;
        for (int p = 0; p < kPointsPerCurve; ++p) {
            float beat = kEventBeats * static_cast<float>(p) / (kPointsPerCurve - 1);
            curve.control_points.emplace_back(beat, std::sin(0.37f * static_cast<float>(p + v)));
        }
    }
    return demo;
}

// The window as the editor frame opens it (at the top left, height pixels
// tall), around its body.
void EventManagerFrame(float height) {
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f), ImGuiCond_FirstUseEver, ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(ImVec2(728.0f, height), ImGuiCond_FirstUseEver);
    ImGui::Begin("Event Manager", nullptr, 0);
    ShowEventManager();
    ImGui::End();
    ImGui::Render();
}

void BM_EventManagerFrame(benchmark::State& state) {
    if (!HaveGLContext()) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    Demo* saved = g_demo;
    g_demo = AutomatedDocument();
    g_beat = kEventBeats / 2.0f;

    const float height = static_cast<float>(state.range(0));
    HeadlessUI ui(ImVec2(1920.0f, std::max(1080.0f, height)));

    for (int i = 0; i < 3; ++i) EventManagerFrame(height);  // window made, selections chosen
    for (auto _ : state) EventManagerFrame(height);

    // The figure is the one asked for only if every row was a plotted curve
    // and the first variable's table was laid out.
    const Automation& first = g_demo->events[0]->automation["variable0"];
    if (g_selected_variable_position != 0 || first.control_points.size() != kPointsPerCurve)
        state.SkipWithError("the event's curves were not shown as built");

    delete g_demo;
    g_demo = saved;
}
BENCHMARK(BM_EventManagerFrame)->ArgName("window_height")->Arg(275)->Arg(1080)->Arg(4000)->Unit(benchmark::kMicrosecond);

}  // namespace
