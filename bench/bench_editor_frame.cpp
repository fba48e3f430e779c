// One editor frame over a document of 2 000 events, the CPU side only: the
// main window with its fields and the Timeline, the tool windows shown at
// start but the Viewport (so no demo is drawn), the menu bar, and ImGui
// building its draw data, which is never rendered. The Timeline draws only
// the rows in view, so the frame stays far below a millisecond however many
// events the document holds.
//
// A document needs a GL context (its sound texture), made once from a hidden
// SDL window; run under xvfb-run where there is no display.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <imgui.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "BenchSupport.h"
#include "Demo.h"
#include "Editor.h"
#include "EditorState.h"
#include "Event.h"
#include "Playback.h"

namespace {

// One editor frame, without drawing the draw data.
void EditorFrame() {
    ImGui::NewFrame();
    ShowEditor(g_document_name, 0);
    ImGui::Render();
}

// === The benchmark ==========================================================

// Arguments: the number of events, spread evenly over the document, and its
// end beat. A long document pays for its grid: one line and one "%.2f" label
// per 16 beats (never more than the axis has pixels), whatever the rows.
void BM_EditorFrame(benchmark::State& state) {
    if (!HaveGLContext()) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    const int event_count = static_cast<int>(state.range(0));
    Demo* saved = g_demo;
    g_demo = new Demo();
    g_demo->end_beat = static_cast<float>(state.range(1));
    float spacing = g_demo->end_beat / static_cast<float>(event_count);
    for (int i = 0; i < event_count; ++i) {
        float start = std::trunc(spacing * static_cast<float>(i));
        g_demo->events.push_back(new Event("event " + std::to_string(i), nullptr, start, start + 12.0f));
    }
    g_show_viewport = false;
    g_beat = g_demo->end_beat / 2.0f;

    HeadlessUI ui;
    for (int i = 0; i < 3; ++i) EditorFrame();  // windows made and laid out
    for (auto _ : state) EditorFrame();

    // Rows out of view were drawn: the figure would not be the Timeline's.
    if (g_timeline.display_end - g_timeline.display_start > 20) state.SkipWithError("the Timeline drew rows out of view");
    delete g_demo;
    g_demo = saved;
}
BENCHMARK(BM_EditorFrame)
    ->ArgNames({"events", "end_beat"})
    ->Args({2000, 480})
    ->Args({2000, 32000})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
