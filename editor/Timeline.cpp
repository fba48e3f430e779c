// The Timeline widget and the document's Timeline.
#include "Timeline.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include "Demo.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "Event.h"
#include "Playback.h"
#include "TextFields.h"

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

/* === Dragging ============================================================= */

const int kBar = 2;  // TimelineDrag::part of a bar; 0 and 1 are the handles
// How far below a whole value a movement may lie and still count as it: far
// under a pixel, and above a float's rounding of a movement below 16 384.
const float kWholeTolerance = 1.0f / 256.0f;

// A movement in whole values: truncated toward zero, except that one a
// rounding error short of a whole value counts as that value, so n pixels
// at an even ratio of values to pixels move as far as they should.
float WholeSteps(float movement) {
    float nearest = std::round(movement);
    if (std::fabs(movement - nearest) <= kWholeTolerance) return nearest;
    return std::trunc(movement);
}

// A press on one of the row's parts starts a drag from the pair as it stands.
void StartDrag(int row, int part, const float values[2]) {
    TimelineDrag& drag = g_timeline_drag;
    drag = TimelineDrag();
    drag.row = row;
    drag.part = part;
    drag.press_values[0] = values[0];
    drag.press_values[1] = values[1];
    drag.press_x = ImGui::GetIO().MouseClickedPos[0].x;
}

// The pair as the drag places it: the mouse's whole movement since the press
// added to the pair at the press. A bar moves both ends and stops at 0 and
// the maximum with its length kept; a handle moves its own end, which stops
// there, and the other end stays where it was. The pair comes out in order,
// so a handle dragged across the other swaps the two. Returns the index of
// the handle that now shows the moving end; -1 for a bar, or when the ends
// meet.
int DraggedPair(const TimelineDrag& drag, float values[2]) {
    float max = g_timeline.max;
    float movement = WholeSteps(AxisDelta(ImGui::GetIO().MousePos.x - drag.press_x));
    const float* press = drag.press_values;
    if (drag.part == kBar) {
        float low = std::min(press[0], press[1]);
        float high = std::max(press[0], press[1]);
        movement = std::max(std::min(movement, max - high), -low);
        values[0] = low + movement;
        values[1] = high + movement;
        return -1;
    }
    float moving = std::clamp(press[drag.part] + movement, 0.0f, max);
    float other = press[1 - drag.part];
    values[0] = std::min(moving, other);
    values[1] = std::max(moving, other);
    return moving < other ? 0 : moving > other ? 1 : -1;
}

// The dragged end has crossed the other: the drag's button goes over to the
// handle that now shows it, so that handle is the one lit.
void HandOverDrag(const ImGuiID handles[2], int to) {
    ImGuiContext& g = *ImGui::GetCurrentContext();
    if (to < 0 || g.ActiveId != handles[1 - to]) return;
    int button = g.ActiveIdMouseButton;
    ImGui::SetActiveID(handles[to], ImGui::GetCurrentWindow());
    g.ActiveIdMouseButton = button;
}

/* === One row ============================================================== */

// The row's axis part, the cursor at its top in the axis column: the
// buttons of the two handles and of the bar between them where the pair
// stands, then this row's drag, if any, then the handles and the bar drawn
// where the pair now stands. True when the drag changed the pair.
bool EditRange(const char* label, float values[2]) {
    int row = g_timeline.row_index;
    float y = ImGui::GetCursorScreenPos().y;
    ImGuiID ids[3] = {0, 0, 0};  // the start handle, the end handle, the bar
    bool hovered[3] = {false, false, false};
    for (int i = 0; i < 2; ++i) {
        ImGui::PushID(i);
        ImGui::SetCursorScreenPos(ImVec2(AxisX(values[i]) - kHandleRadius, y));
        ImGui::InvisibleButton(label, ImVec2(2.0f * kHandleRadius, 2.0f * kHandleRadius));
        ids[i] = ImGui::GetItemID();
        hovered[i] = ImGui::IsItemHovered();
        if (ImGui::IsItemActivated()) StartDrag(row, i, values);
        ImGui::PopID();
    }
    // The bar fills the space between the circles; a span narrower than the
    // two handles has none, and a bar under a pixel wide makes no button.
    ImVec2 bar_min(AxisX(values[0]) + kHandleRadius, y + kBarTop);
    ImVec2 bar_max(AxisX(values[1]) - kHandleRadius, y + kBarBottom);
    if (bar_max.x - bar_min.x >= 1.0f) {
        ImGui::PushID(-1);
        ImGui::SetCursorScreenPos(bar_min);
        ImGui::InvisibleButton(label, ImVec2(bar_max.x - bar_min.x, bar_max.y - bar_min.y));
        ids[kBar] = ImGui::GetItemID();
        hovered[kBar] = ImGui::IsItemHovered();
        if (ImGui::IsItemActivated()) StartDrag(row, kBar, values);
        ImGui::PopID();
    }
    ImGui::SetCursorScreenPos(ImVec2(g_timeline.axis_left - kHandleRadius, y + g_timeline.row_height));

    // The drag goes on while the button pressed on this row is held; it
    // changes the pair once the mouse has moved.
    bool changed = false;
    TimelineDrag& drag = g_timeline_drag;
    if (drag.row == row) {
        ImGuiID held = ImGui::GetActiveID();
        if (held == 0 || (held != ids[0] && held != ids[1] && held != ids[kBar]) || !ImGui::IsMouseDown(0)) {
            drag = TimelineDrag();
        } else if (ImGui::GetIO().MouseDragMaxDistanceSqr[0] > 0.0f) {
            float dragged[2];
            HandOverDrag(ids, DraggedPair(drag, dragged));
            changed = dragged[0] != values[0] || dragged[1] != values[1];
            values[0] = dragged[0];
            values[1] = dragged[1];
        }
    }

    // Lit: hovered, or held by the drag.
    ImDrawList* draw = ImGui::GetWindowDrawList();
    ImGuiID active = ImGui::GetActiveID();
    bool lit[3];
    for (int i = 0; i < 3; ++i) lit[i] = hovered[i] || (ids[i] != 0 && active == ids[i]);
    for (int i = 0; i < 2; ++i) {
        ImVec2 centre(AxisX(values[i]), y + kHandleRadius);
        if (lit[i]) {
            ImGui::SetTooltip("%f", static_cast<double>(values[i]));
            VerticalLine(centre.x, ImGui::GetWindowPos().y, ImGui::GetColorU32(ImGuiCol_SeparatorActive));
        }
        draw->AddCircleFilled(centre, kHandleRadius, PartColour(lit[i]));
    }
    bar_min.x = AxisX(values[0]) + kHandleRadius;
    bar_max.x = AxisX(values[1]) - kHandleRadius;
    if (bar_max.x - bar_min.x >= 1.0f) draw->AddRectFilled(bar_min, bar_max, PartColour(lit[kBar]));
    if (lit[0] || lit[1] || lit[kBar]) ImGui::SetMouseCursor(ImGuiMouseCursor_ResizeAll);
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

// One grid line per 16 beats of the end beat, rounded down, and never more
// than the axis has pixels.
int GridLineCount(float end_beat) {
    float lines = std::floor(end_beat / 16.0f);
    if (!(lines > 0.0f) || !std::isfinite(lines)) return 0;
    return static_cast<int>(std::min(lines, std::max(g_timeline.axis_width, 0.0f)));
}

// A drag ends when the document is replaced or its row no longer holds its
// event (deleted, or the list changed). Dear ImGui may still hold the row's
// button, but without a drag nothing moves until the next press.
void EndStaleDrag(const std::vector<Event*>& events) {
    TimelineDrag& drag = g_timeline_drag;
    if (drag.row < 0) return;
    bool holds = static_cast<size_t>(drag.row) < events.size() && drag.event.Is(events[drag.row]);
    if (!holds) drag = TimelineDrag();
}

// One event's row. A press on it ties the drag to the event and the
// document; the event takes a dragged pair truncated to whole beats.
void ShowEventRow(int row, Event* event) {
    float values[2] = {event->start_beat, event->end_beat};
    bool changed = TimelineRange(ShownText(event->name).c_str(), values);
    TimelineDrag& drag = g_timeline_drag;
    if (drag.row == row && drag.event == nullptr) drag.event.Keep(event);
    if (!changed) return;
    event->start_beat = std::trunc(values[0]);
    event->end_beat = std::trunc(values[1]);
}

// The beat under the mouse on the axis, clamped to it: the names column
// counts as beat 0, anything right of the axis as the end beat. Not finite
// when the end beat is not.
float BeatUnderMouse(float end_beat) {
    float x = ImGui::GetMousePos().x - g_timeline.axis_left;
    float width = g_timeline.axis_width;
    float ratio = width > 0.0f ? std::clamp(x / width, 0.0f, 1.0f) : x > 0.0f ? 1.0f : 0.0f;
    return std::max(end_beat * ratio, 0.0f);
}

// A press on the region's background, not on a handle or bar (which take the
// press themselves), starts a scrub: in every frame while that button is
// held, wherever the mouse goes, the beat under it is sought. The flag is
// the editor's own, since once pressed the region is the active item and no
// longer reports itself hovered.
void Scrub(float end_beat) {
    if (!ImGui::IsMouseDown(0)) {
        g_timeline_scrubbing = false;
        return;
    }
    if (ImGui::IsMouseClicked(0) && ImGui::IsItemHovered(0)) g_timeline_scrubbing = true;
    if (!g_timeline_scrubbing) return;
    float beat = BeatUnderMouse(end_beat);
    if (std::isfinite(beat)) SeekToBeat(beat);
}

}  // namespace

/* === The widget =========================================================== */

bool TimelineBegin(const char* str_id, float max_value, int visible_rows, int row_count) {
    g_timeline = TimelineWidgetState();
    if (!ImGui::IsMouseDown(0)) g_timeline_drag = TimelineDrag();  // released: the drag is over
    if (visible_rows < 1) visible_rows = 5;
    float h = ImGui::GetTextLineHeightWithSpacing();
    bool result = ImGui::BeginChild(str_id, ImVec2(0.0f, h * static_cast<float>(visible_rows)), false, 0);
    g_timeline.rows_top = ImGui::GetCursorScreenPos().y;
    g_timeline.row_height = h;

    // Only the rows in view are drawn. The space of those above is skipped
    // before the columns begin: each line of columns starts its second
    // column at the top of that line, which for the first line is where the
    // columns began.
    if (row_count > 0) {
        g_timeline.rows = row_count;
        ImGui::CalcListClipping(row_count, h, &g_timeline.display_start, &g_timeline.display_end);
        ImGui::SetCursorPosY(ImGui::GetCursorPosY() + static_cast<float>(g_timeline.display_start) * h);
    }
    ImGui::PushStyleColor(ImGuiCol_Separator, ImGui::GetColorU32(ImGuiCol_Border));
    ImGui::Columns(2, str_id, true);

    // The names take 15% of the width until the user drags the separator;
    // dragged to 48% or beyond, it goes back.
    float width = ImGui::GetWindowContentRegionWidth();
    if (ImGui::GetColumnOffset(1) >= 0.48f * width) ImGui::SetColumnOffset(1, 0.15f * width);
    g_timeline.max = max_value >= 0.0f ? max_value : 0.85f * width;
    g_timeline.axis_left = ImGui::GetWindowPos().x + ImGui::GetWindowContentRegionMin().x + ImGui::GetColumnOffset(1);
    g_timeline.axis_width = ImGui::GetColumnWidth(1) - ImGui::GetStyle().ScrollbarSize;
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
    EndStaleDrag(events);
    float end_beat = g_demo->end_beat;
    int row_count = static_cast<int>(std::min<size_t>(events.size(), INT_MAX));
    if (TimelineBegin("Timeline", end_beat, 10, row_count)) {
        for (int row = 0; row < row_count; ++row) ShowEventRow(row, events[row]);
    }
    TimelineEnd(GridLineCount(end_beat), g_beat, kProgressColour);
    Scrub(end_beat);
}
