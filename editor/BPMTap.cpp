// The BPM Tap: the tempo of the user's clicks, as the mean of the last ten
// intervals. It only measures; the user types the tempo into "BPM:".
#include <SDL.h>
#include <imgui.h>

#include <cstdint>

#include "EditorState.h"
#include "EditorWindows.h"

void TapAt(uint32_t now) {
    uint32_t interval = now - s_last_tap_ticks;  // survives the tick wrap
    s_last_tap_ticks = now;
    s_tap_intervals.push_back(interval);
    if (s_tap_intervals.size() > 10) s_tap_intervals.erase(s_tap_intervals.begin());
    uint64_t sum = 0;  // ten intervals of up to 2^32 ms each cannot wrap it
    for (uint32_t each : s_tap_intervals) sum += each;
    float mean = static_cast<float>(sum) / static_cast<float>(s_tap_intervals.size());
    if (mean > 0.0f) s_tapped_bpm = 60000.0f / mean;  // taps in the same millisecond leave it
}

void ShowBPMTap() {
    if (!s_tap_started) {  // the first interval runs from the window's first showing
        s_last_tap_ticks = SDL_GetTicks();
        s_tap_started = true;
    }
    if (ImGui::Button("Tap", ImVec2(0.0f, 0.0f))) TapAt(SDL_GetTicks());
    ImGui::Text("%0.3f", s_tapped_bpm);
}
