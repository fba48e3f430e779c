// The Timeline widget and the document's Timeline.
#include "Timeline.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "Demo.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "Event.h"
#include "Playback.h"

namespace {

/* === Geometry ============================================================= */

const float kHandleRadius = 6.0f;  // pixels; the handle's hit box is 12 x 12
const float kBarTop = 3.0f;        // the bar between the handles, below the row's top
const float kBarBottom = 9.0f;

// Values can be placed: a positive, finite maximum over a positive width.
bool AxisUsable() {
    return g_timeline.max > 0.0f && std::isfinite(g_timeline.max) && g_timeline.axis_width > 0.0f;
}

// Screen x of a value (with a usable axis). Far-off values stop one axis
// width beyond either end, out of view, so no item lands at a position the
// library's integer content sizes cannot hold.
float AxisX(float value) {
    float left = g_timeline.axis_left;
    float width = g_timeline.axis_width;
    return std::clamp(left + width * (value / g_timeline.max), left - width, left + 2.0f * width);
}

// The change of value for a horizontal mouse movement of pixels.
float AxisDelta(float pixels) { return pixels / g_timeline.axis_width * g_timeline.max; }

// A 1-pixel vertical line at x from top down to the current window's bottom
// edge (the region's, inside it).
void VerticalLine(float x, float top, ImU32 colour) {
    float bottom = ImGui::GetWindowPos().y + ImGui::GetWindowSize().y;
    ImGui::GetWindowDrawList()->AddLine(ImVec2(x, top), ImVec2(x, bottom), colour, 1.0f);
}

ImU32 PartColour(bool lit) { return ImGui::GetColorU32(lit ? ImGuiCol_ButtonHovered : ImGuiCol_Button); }

/* === One row ============================================================== */

// A handle dragged across the other one: the values swap, so the mouse now
// holds the other handle, which takes the drag over; otherwise the handle
// held would keep moving the smaller value and the span would shrink to one
// frame's movement.
void HandOverDrag(const ImGuiID handles[2]) {
    ImGuiContext& g = *ImGui::GetCurrentContext();
    ImGuiID to = g.ActiveId == handles[0] ? handles[1] : g.ActiveId == handles[1] ? handles[0] : 0;
    if (to == 0) return;
    int button = g.ActiveIdMouseButton;
    ImGui::SetActiveID(to, ImGui::GetCurrentWindow());
    g.ActiveIdMouseButton = button;
}

// The row's axis part, the cursor at its top in the axis column: the two
// handles, the bar between them, then the pair kept in order and in range.
// True when the user dragged it.
bool EditRange(const char* label, float values[2]) {
    ImDrawList* draw = ImGui::GetWindowDrawList();
    float y = ImGui::GetCursorScreenPos().y;
    float visible_top = ImGui::GetWindowPos().y;
    bool dragging = ImGui::IsMouseDragging(0, -1.0f);
    float movement = ImGui::GetIO().MouseDelta.x;
    bool changed = false;
    bool hovered = false;

    ImGuiID handles[2];
    for (int i = 0; i < 2; ++i) {
        ImVec2 centre(AxisX(values[i]), y + kHandleRadius);
        ImGui::PushID(i);
        ImGui::SetCursorScreenPos(ImVec2(centre.x - kHandleRadius, centre.y - kHandleRadius));
        ImGui::InvisibleButton(label, ImVec2(2.0f * kHandleRadius, 2.0f * kHandleRadius));
        handles[i] = ImGui::GetItemID();
        bool active = ImGui::IsItemActive();
        bool lit = active || ImGui::IsItemHovered();
        if (lit) {
            ImGui::SetTooltip("%f", static_cast<double>(values[i]));
            VerticalLine(centre.x, visible_top, ImGui::GetColorU32(ImGuiCol_SeparatorActive));
            hovered = true;
        }
        if (active && dragging) {
            values[i] += AxisDelta(movement);
            changed = hovered = true;
        }
        ImGui::PopID();
        draw->AddCircleFilled(centre, kHandleRadius, PartColour(lit));
    }

    // The bar fills the space between the circles; a span narrower than the
    // two handles has none, and a bar under a pixel wide makes no button.
    ImVec2 bar_min(AxisX(values[0]) + kHandleRadius, y + kBarTop);
    ImVec2 bar_max(AxisX(values[1]) - kHandleRadius, y + kBarBottom);
    bool has_bar = bar_max.x - bar_min.x >= 1.0f;
    bool bar_lit = false;
    if (has_bar) {
        ImGui::PushID(-1);
        ImGui::SetCursorScreenPos(bar_min);
        ImGui::InvisibleButton(label, ImVec2(bar_max.x - bar_min.x, bar_max.y - bar_min.y));
        bar_lit = ImGui::IsItemActive() || ImGui::IsItemHovered();
        if (ImGui::IsItemActive() && dragging) {
            float delta = AxisDelta(movement);
            values[0] += delta;
            values[1] += delta;
            changed = hovered = true;
        } else if (ImGui::IsItemHovered()) {
            hovered = true;
        }
        ImGui::PopID();
    }
    ImGui::SetCursorScreenPos(ImVec2(g_timeline.axis_left - kHandleRadius, y + g_timeline.row_height));
    if (has_bar) draw->AddRectFilled(bar_min, bar_max, PartColour(bar_lit));

    // In order and inside [0, max], the length kept; on every drawn row.
    float max = g_timeline.max;
    if (values[0] > values[1]) {
        std::swap(values[0], values[1]);
        HandOverDrag(handles);
    }
    if (values[1] > max) {
        values[0] -= values[1] - max;
        values[1] = max;
    }
    if (values[0] < 0.0f) {
        values[1] -= values[0];
        values[0] = 0.0f;
    }
    if (hovered) ImGui::SetMouseCursor(ImGuiMouseCursor_ResizeAll);
    return changed;
}

/* === Below the rows ======================================================= */

// The bar under the region: the part up to current in progress_colour, the
// rest in the idle button colour, with the current value's line between.
void DrawProgressBar(ImVec2 min, float width, float current, ImU32 progress_colour) {
    ImDrawList* draw = ImGui::GetWindowDrawList();
    ImVec2 max(min.x + width, min.y + g_timeline.row_height);
    float rounding = ImGui::GetStyle().ScrollbarRounding;
    ImU32 idle = ImGui::GetColorU32(ImGuiCol_Button);
    if (!(current > 0.0f)) {
        draw->AddRectFilled(min, max, idle, rounding, ImDrawFlags_RoundCornersAll);
    } else if (current > g_timeline.max) {
        draw->AddRectFilled(min, max, progress_colour, rounding, ImDrawFlags_RoundCornersAll);
    } else {
        float m = min.x + width * (current / g_timeline.max);
        draw->AddRectFilled(min, ImVec2(m, max.y), progress_colour, rounding, ImDrawFlags_RoundCornersLeft);
        draw->AddRectFilled(ImVec2(m, min.y), max, idle, rounding, ImDrawFlags_RoundCornersRight);
        draw->AddLine(ImVec2(m, min.y), ImVec2(m, max.y), ImGui::GetColorU32(ImGuiCol_SeparatorActive), 1.0f);
    }
}

// Label i, the value i x max / line_count, stands under grid line i; the
// last grid line, at the maximum, has none.
void DrawLabels(ImVec2 min, float step, int line_count) {
    ImDrawList* draw = ImGui::GetWindowDrawList();
    ImU32 colour = ImGui::GetColorU32(ImGuiCol_Text);
    char text[256];
    for (int i = 0; i < line_count; ++i) {
        float value = static_cast<float>(i) * g_timeline.max / static_cast<float>(line_count);
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
        draw->AddText(ImVec2(min.x + static_cast<float>(i) * step, min.y), colour, text);
    }
}

/* === The document's Timeline: its parts =================================== */

const ImU32 kProgressColour = 0xC8008000;  // red 0, green 128, blue 0, alpha 200
// How far below a whole beat a dragged value may lie and still count as it:
// far under a pixel, and above a float's rounding of any beat below 16 384.
const float kWholeBeatTolerance = 1.0f / 256.0f;

// The whole beat stored for a dragged value: truncated toward zero, except
// that a value a rounding error short of a whole beat counts as that beat.
// Both ends of a dragged bar move by the same amount in separately rounded
// sums and the clamp subtracts one from the other, so plain truncation could
// store a span pushed against either end one beat longer than it is.
float WholeBeat(float value) {
    float nearest = std::round(value);
    if (std::fabs(value - nearest) <= kWholeBeatTolerance) return nearest;
    return std::trunc(value);
}

// One grid line per 16 beats of the end beat, rounded down, and never more
// than the axis has pixels.
int GridLineCount(float end_beat) {
    float lines = std::floor(end_beat / 16.0f);
    if (!(lines > 0.0f) || !std::isfinite(lines)) return 0;
    return static_cast<int>(std::min(lines, std::max(g_timeline.axis_width, 0.0f)));
}

// The drag ends when the button is released, the document is replaced, or
// its row no longer holds its event (deleted, or the list changed).
void EndFinishedDrag(const std::vector<Event*>& events) {
    TimelineDrag& drag = g_timeline_drag;
    if (drag.row < 0) return;
    bool holds = static_cast<size_t>(drag.row) < events.size() && events[drag.row] == drag.event;
    if (!ImGui::IsMouseDown(0) || drag.generation != g_document_generation || !holds) drag = TimelineDrag();
}

// One event's row. During a drag the row shows the dragged values with
// their fractions and the event takes them as whole beats.
void ShowEventRow(int row, Event* event) {
    TimelineDrag& drag = g_timeline_drag;
    float values[2] = {event->start_beat, event->end_beat};
    if (drag.row == row) {
        values[0] = drag.values[0];
        values[1] = drag.values[1];
    }
    if (!TimelineRange(event->name.c_str(), values)) return;
    drag.row = row;
    drag.event = event;
    drag.generation = g_document_generation;
    drag.values[0] = values[0];
    drag.values[1] = values[1];
    event->start_beat = WholeBeat(values[0]);
    event->end_beat = WholeBeat(values[1]);
}

// Holding the button on the region (not on a handle or bar, which would be
// the active item) seeks to the beat under the mouse; the names column
// counts as beat 0, the far right as the end beat.
void SeekOnClick(float end_beat, float names_width) {
    if (!ImGui::IsItemHovered(0) || !ImGui::IsMouseDown(0)) return;
    float width = ImGui::GetContentRegionAvail().x - names_width;
    if (!(width > 0.0f)) return;
    float ratio = std::min((ImGui::GetMousePos().x - ImGui::GetItemRectMin().x - names_width) / width, 1.0f);
    float beat = std::max(end_beat * ratio, 0.0f);
    if (std::isfinite(beat)) SeekToBeat(beat);
}

}  // namespace

/* === The widget =========================================================== */

bool TimelineBegin(const char* str_id, float max_value, int visible_rows, int row_count) {
    g_timeline = TimelineWidgetState();
    if (visible_rows < 1) visible_rows = 5;
    float h = ImGui::GetTextLineHeightWithSpacing();
    bool result = ImGui::BeginChild(str_id, ImVec2(0.0f, h * static_cast<float>(visible_rows)), false, 0);
    ImGui::PushStyleColor(ImGuiCol_Separator, ImGui::GetColorU32(ImGuiCol_Border));
    ImGui::Columns(2, str_id, true);

    // The names take 15% of the width until the user drags the separator;
    // dragged to 48% or beyond, it goes back.
    float width = ImGui::GetWindowContentRegionWidth();
    if (ImGui::GetColumnOffset(1) >= 0.48f * width) ImGui::SetColumnOffset(1, 0.15f * width);
    g_timeline.max = max_value >= 0.0f ? max_value : 0.85f * width;
    g_timeline.axis_left = ImGui::GetWindowPos().x + ImGui::GetWindowContentRegionMin().x + ImGui::GetColumnOffset(1);
    g_timeline.axis_width = ImGui::GetColumnWidth(1) - ImGui::GetStyle().ScrollbarSize;
    g_timeline.rows_top = ImGui::GetCursorScreenPos().y;
    g_timeline.row_height = h;

    // Only the rows in view are drawn; the space of those above is skipped.
    if (row_count > 0) {
        g_timeline.rows = row_count;
        ImGui::CalcListClipping(row_count, h, &g_timeline.display_start, &g_timeline.display_end);
        ImGui::SetCursorPosY(ImGui::GetCursorPosY() + static_cast<float>(g_timeline.display_start) * h);
    }
    return result;
}

bool TimelineRange(const char* label, float values[2]) {
    int row = ++g_timeline.row_index;
    if (g_timeline.rows > 0 && (row < g_timeline.display_start || row >= g_timeline.display_end)) return false;
    ImGui::PushID(row);
    ImGui::Text("%s", label);
    ImGui::NextColumn();
    bool changed = false;
    if (AxisUsable() && std::isfinite(values[0]) && std::isfinite(values[1])) changed = EditRange(label, values);
    ImGui::NextColumn();
    ImGui::PopID();
    return changed;
}

void TimelineEnd(int line_count, float current, ImU32 progress_colour) {
    float h = g_timeline.row_height;
    // The space of the rows below the view, so the region scrolls over all.
    if (g_timeline.rows > 0) {
        ImGui::SetCursorPosY(ImGui::GetCursorPosY() + static_cast<float>(g_timeline.rows - g_timeline.display_end) * h);
    }
    ImGui::NextColumn();

    float offset = ImGui::GetColumnOffset(1);
    float width = g_timeline.axis_width;
    bool has_lines = line_count > 0 && width > 0.0f;
    float step = has_lines ? width / static_cast<float>(line_count) : 0.0f;
    float content_top = ImGui::GetWindowPos().y + ImGui::GetWindowContentRegionMin().y;
    for (int i = 1; has_lines && i <= line_count; ++i) {
        VerticalLine(g_timeline.axis_left + static_cast<float>(i) * step, content_top,
                     ImGui::GetColorU32(ImGuiCol_Border));
    }
    if (AxisUsable() && current > 0.0f && g_timeline.max > current) {
        VerticalLine(AxisX(current), content_top, ImGui::GetColorU32(ImGuiCol_SeparatorActive));
    }
    ImGui::Columns(1, nullptr, true);
    ImGui::PopStyleColor(1);
    ImGui::EndChild();

    // The progress bar and the labels, right below the region.
    ImVec2 p = ImGui::GetCursorScreenPos();
    ImVec2 bar_min(p.x + offset, p.y);
    if (width > 0.0f) DrawProgressBar(bar_min, width, current, progress_colour);
    if (has_lines) DrawLabels(bar_min, step, line_count);
    ImGui::SetCursorPosY(ImGui::GetCursorPosY() + h);
}

/* === The document's Timeline ============================================== */

void ShowTimeline() {
    const std::vector<Event*>& events = g_demo->events;
    EndFinishedDrag(events);
    float end_beat = g_demo->end_beat;
    int row_count = static_cast<int>(std::min<size_t>(events.size(), INT_MAX));
    float names_width = 0.0f;
    if (TimelineBegin("Timeline", end_beat, 10, row_count)) {
        names_width = ImGui::GetColumnWidth(0);
        for (int row = 0; row < row_count; ++row) ShowEventRow(row, events[row]);
    }
    TimelineEnd(GridLineCount(end_beat), g_beat, kProgressColour);
    SeekOnClick(end_beat, names_width);
}
