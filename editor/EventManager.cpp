// The Event Manager window: the document's events in their drawing order
// (deleted, moved, looped, their spans typed) and, for the selected event,
// every variable of its shader with its current value and curve, and the
// control points of the selected variable.
//
// The selections are positions (EditorState.h) and are turned into objects
// where they are used, in every frame, against the document as it is then.
// So a load, a delete in any window, a uniform deleted in the Shader Editor
// or an effect given another program leaves at worst a position that no
// longer fits, which selects nothing; no pointer into the document is kept
// from one frame to the next.
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Demo.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "Effect.h"
#include "Event.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "TextFields.h"
#include "Widgets.h"

// The order of "Sort": ascending beat, equal beats compare equal.
bool ControlPointBeatLess(const ControlPoint& a, const ControlPoint& b) { return a.beat < b.beat; }

namespace {

/* === Names and layout ===================================================== */

// Curve modes by number; any other mode has no name here.
const char* const kModeNames[] = {"Last value", "Linear", "Smooth"};
const uint32_t kModeCount = 3;

const int kSampleCount = static_cast<int>(sizeof g_plot_samples / sizeof g_plot_samples[0]);

// What one frame of the window measures and passes from row to row.
struct FrameLayout {
    bool row_clicked = false;  // an event row was clicked: the variable selection starts over
    float width = 0.0f;        // W: plots and value sliders; 0 until the first variable row measures it
    bool plotted = false;      // a curve was plotted, at first_plot
    ImVec2 first_plot;         // screen position of the first plot's top left corner
};

/* === Selections =========================================================== */

// A document replaced since the window last drew (a load) starts the
// selections over, as at the start of the run.
void ForgetReplacedDocument() {
    if (g_event_manager_document != g_document_generation) {
        g_selected_event_position = 0;
        g_variable_selection_set = false;
        g_selected_variable_position = -1;
    }
    g_event_manager_document = g_document_generation;
}

int EventCount() { return static_cast<int>(g_demo->events.size()); }

// The event at the selected position, or null when the position lies outside
// the list.
Event* SelectedEvent() {
    int position = g_selected_event_position;
    return position >= 0 && position < EventCount() ? g_demo->events[position] : nullptr;
}

// The program whose uniforms are the event's variables, or null.
const ShaderProgram* VariablesOf(const Event& event) {
    return event.effect != nullptr ? event.effect->program : nullptr;
}

int VariableCount(const Event& event) {
    const ShaderProgram* program = VariablesOf(event);
    return program != nullptr ? static_cast<int>(program->uniform_defs.size()) : 0;
}

// The first variable is chosen on the pane's first use and after a click on
// an event row; a position that no longer fits the variables (one deleted, the
// program changed) selects none.
void UpdateVariableSelection(const Event& event, bool row_clicked) {
    int count = VariableCount(event);
    if (!g_variable_selection_set || row_clicked) {
        g_selected_variable_position = count > 0 ? 0 : -1;
        g_variable_selection_set = true;
    }
    if (g_selected_variable_position < 0 || g_selected_variable_position >= count) g_selected_variable_position = -1;
}

// The variable at the selected position, or null.
const UniformDef* SelectedVariable(const Event& event) {
    if (g_selected_variable_position < 0 || g_selected_variable_position >= VariableCount(event)) return nullptr;
    return VariablesOf(event)->uniform_defs[g_selected_variable_position];
}

/* === Events pane ========================================================== */

// Exchanges the selected event with the one offset places away (both inside
// the list); the selection moves with it.
void MoveSelectedEvent(int offset) {
    int from = g_selected_event_position;
    int to = from + offset;
    if (from < 0 || from >= EventCount() || to < 0 || to >= EventCount()) return;
    std::swap(g_demo->events[from], g_demo->events[to]);
    g_selected_event_position = to;
}

void ShowEventCommands() {
    if (ImGui::Button("Delete") && SelectedEvent() != nullptr) {
        g_demo->DeleteEvent(SelectedEvent());  // ends the loop when it was this event
        g_selected_event_position = 0;
    }
    if (g_selected_event_position > 0) {
        ImGui::SameLine();
        if (ImGui::Button("Up")) MoveSelectedEvent(-1);
    }
    if (g_selected_event_position < EventCount() - 1) {
        ImGui::SameLine();
        if (ImGui::Button("Down")) MoveSelectedEvent(1);
    }
    ImGui::SameLine();
    if (g_loop_event != nullptr) {
        std::string stop = "Stop " + g_loop_event->name;
        if (ImGui::Button(ShownText(stop).c_str())) g_loop_event = nullptr;
    } else if (ImGui::Button("Loop")) {
        // Playback would seek back every frame over a span that is not after
        // its start; such an event is not looped.
        Event* event = SelectedEvent();
        if (event != nullptr && event->end_beat > event->start_beat) g_loop_event = event;
    }
    ImGui::SameLine();
    ImGui::Text("%i events (Name, Start & End)", EventCount());
}

// One row per event. The row at the selected position is drawn selected, so
// the first event is selected as soon as the list has one, without a click.
void ShowEventRows(FrameLayout& frame) {
    for (int i = 0; i < EventCount(); ++i) {
        Event* event = g_demo->events[i];
        ImGui::PushID(i);
        if (ImGui::Selectable(ShownText(event->name).c_str(), i == g_selected_event_position, 0,
                              ImVec2(150.0f, 16.0f))) {
            frame.row_clicked = true;
            g_selected_event_position = i;
        }
        // Spans are typed freely: no snapping, and the end may precede the start.
        ImGui::SameLine();
        ImGui::PushItemWidth(100.0f);
        InputFiniteFloat("##Start", &event->start_beat, 0.125f, 1.0f, "%.3f");
        ImGui::SameLine();
        InputFiniteFloat("##End", &event->end_beat, 0.125f, 1.0f, "%.3f");
        ImGui::PopItemWidth();
        ImGui::PopID();
    }
}

void ShowEventsPane(FrameLayout& frame) {
    ImGui::BeginChild("Selectables", ImVec2(450.0f, 0.0f), true, 0);
    ShowEventCommands();
    ShowEventRows(frame);
    ImGui::EndChild();
}

/* === Variable rows ======================================================== */

// The curve's 512 samples from the event's start to its end, both included.
// Positions are taken in double precision so that no span between two finite
// beats overflows. The samples come from Event::GetValue on a copy of the
// event that holds this curve alone, under the empty name: each evaluation
// then finds its curve at once instead of searching the event's curves by
// name, which is a fifth of the window's time with many variables.
void SampleCurve(const Event& event, const Automation& curve) {
    Event alone("", nullptr, event.start_beat, event.end_beat);
    const std::string name;
    alone.automation[name] = curve;
    const double start = event.start_beat;
    const double span = static_cast<double>(event.end_beat) - start;
    for (int i = 0; i < kSampleCount; ++i) {
        float beat = static_cast<float>(start + span * i / (kSampleCount - 1));
        g_plot_samples[i] = alone.GetValue(name, beat);
    }
}

// A curve of two or more points: its value now and its plot over the event;
// holding the mouse button down on the plot seeks to the beat under it.
void ShowCurveRow(Event& event, const UniformDef& variable, const Automation& curve, FrameLayout& frame) {
    ImGui::SameLine(132.0f, -1.0f);
    ImGui::Text("%.3f", event.GetValue(variable.name, g_beat));
    ImGui::SameLine(184.0f, -1.0f);
    if (!frame.plotted) {
        frame.first_plot = ImGui::GetCursorScreenPos();
        frame.plotted = true;
    }
    if (frame.width == 0.0f) frame.width = ImGui::GetContentRegionAvail().x;
    // A narrow pane leaves no width: the plot shrinks to a pixel (0 would ask
    // for the default width) and nothing is placed on it.
    ImVec2 size(std::max(frame.width, 1.0f), 64.0f);
    // Sampling is most of the window's time; a plot scrolled out of view
    // draws nothing and cannot be hovered, so its curve is not sampled.
    if (ImGui::IsRectVisible(size)) SampleCurve(event, curve);
    ImGui::PlotLines("##plot", g_plot_samples, kSampleCount, 0, nullptr, SliderBound(variable.min_val),
                     SliderBound(variable.max_val), size, sizeof(float));
    float span = event.end_beat - event.start_beat;
    if (ImGui::IsItemHovered(0) && ImGui::IsMouseDown(0) && frame.width > 0.0f && span != 0.0f) {
        float along = (ImGui::GetIO().MousePos.x - ImGui::GetItemRectMin().x) / frame.width;
        SeekToBeat(event.start_beat + span * along);
    }
}

// A curve of one point: "Automate" adds a second point at the current beat,
// and the slider edits the first point's value.
void ShowSingleValueRow(Event& event, const UniformDef& variable, int index, Automation& curve,
                        FrameLayout& frame) {
    if (frame.width == 0.0f) frame.width = ImGui::GetContentRegionAvail().x;  // from the pane's left edge
    ImGui::SameLine(116.0f, -1.0f);
    if (ImGui::Button("Automate")) {
        curve.control_points.emplace_back(g_beat - event.start_beat, variable.default_val);
        g_selected_variable_position = index;
    }
    ImGui::SameLine(184.0f, -1.0f);
    ImGui::PushItemWidth(std::max(frame.width, 1.0f));
    float value = curve.control_points[0].value;
    if (SliderFloatChecked("##Value1", &value, variable.min_val, variable.max_val, "%.3f") && std::isfinite(value))
        curve.control_points[0].value = value;
    ImGui::PopItemWidth();
}

// One row per variable. Looking the curve up creates it; a curve without
// points is given the variable's default at beat 0, held, so every variable
// of a shown event has a curve of at least one point (and it is saved so).
void ShowVariableRows(Event& event, FrameLayout& frame) {
    const ShaderProgram* program = VariablesOf(event);
    for (int i = 0; i < VariableCount(event); ++i) {
        const UniformDef* variable = program->uniform_defs[i];
        if (variable == nullptr) continue;
        ImGui::PushID(i);
        Automation& curve = event.automation[variable->name];
        if (curve.control_points.empty()) {
            curve.control_points.emplace_back(0.0f, variable->default_val);
            curve.mode = 0;
        }
        bool single = curve.control_points.size() == 1;
        ImVec2 size(100.0f, single ? 20.0f : 64.0f);
        if (ImGui::Selectable(ShownText(variable->name).c_str(), i == g_selected_variable_position, 0, size))
            g_selected_variable_position = i;
        if (single)
            ShowSingleValueRow(event, *variable, i, curve, frame);
        else
            ShowCurveRow(event, *variable, curve, frame);
        ImGui::PopID();
    }
}

// A white line at the current beat from the top of the first plot down
// through every row below it, while the beat lies within the event.
void ShowBeatMarker(const Event& event, const FrameLayout& frame) {
    float span = event.end_beat - event.start_beat;
    if (!frame.plotted || frame.width <= 0.0f || span <= 0.0f) return;
    if (g_beat < event.start_beat || g_beat > event.end_beat) return;
    float x = frame.first_plot.x + (g_beat - event.start_beat) / span * frame.width;
    float bottom = ImGui::GetCursorScreenPos().y - 2.0f;
    ImGui::GetWindowDrawList()->AddLine(ImVec2(x, frame.first_plot.y), ImVec2(x, bottom), 0xFFFFFFFF, 2.0f);
}

/* === Control point table ================================================== */

// The table edits a working copy of the curve, stored back whole after each
// change.
void StoreCurve(Event& event, const UniformDef& variable, const Automation& curve) {
    event.automation[variable.name] = curve;
}

void ShowCurveSettings(Event& event, const UniformDef& variable, Automation& curve) {
    // A mode from a hand-edited document has no name: it is shown by number.
    char shown[32];
    if (curve.mode < kModeCount)
        std::snprintf(shown, sizeof shown, "%s", kModeNames[curve.mode]);
    else
        std::snprintf(shown, sizeof shown, "Unknown (%u)", static_cast<unsigned>(curve.mode));
    if (ImGui::BeginCombo("Mode", shown, 0)) {
        for (uint32_t mode = 0; mode < kModeCount; ++mode) {
            if (ImGui::Selectable(kModeNames[mode], curve.mode == mode, 0, ImVec2(0.0f, 0.0f))) {
                curve.mode = mode;
                StoreCurve(event, variable, curve);
            }
        }
        ImGui::EndCombo();
    }
    ImGui::SameLine();
    if (ImGui::Checkbox("Repeat", &curve.repeat)) StoreCurve(event, variable, curve);
    ImGui::SameLine();
    if (ImGui::Button("Sort")) {
        // Stable, so a beat that is not a number cannot lead the sort
        // outside the points.
        std::stable_sort(curve.control_points.begin(), curve.control_points.end(), ControlPointBeatLess);
        StoreCurve(event, variable, curve);
    }
}

// One row per point, in stored order (an edited beat does not re-sort);
// the index of the point whose "Delete" was pressed, or -1.
int ShowPointRows(Event& event, const UniformDef& variable, Automation& curve, float width) {
    int marked = -1;
    for (int i = 0; i < static_cast<int>(curve.control_points.size()); ++i) {
        ControlPoint point = curve.control_points[i];
        ImGui::PushID(i);
        if (ImGui::Button("Go")) SeekToBeat(point.beat + event.start_beat);
        ImGui::SameLine();
        ImGui::PushItemWidth(150.0f);
        bool changed = InputFiniteFloat("##Beat2", &point.beat, 0.125f, 1.0f, "%.3f");
        ImGui::PopItemWidth();
        ImGui::SameLine();
        if (ImGui::Button("Current")) {
            point.beat = g_beat - event.start_beat;
            curve.control_points[i] = point;
            StoreCurve(event, variable, curve);
        }
        ImGui::SameLine();
        // W - 150 wide, but never so wide that "Delete" leaves the pane (W
        // may have been measured across the whole pane, at a one-point row).
        const ImGuiStyle& style = ImGui::GetStyle();
        float delete_width = ImGui::CalcTextSize("Delete").x + style.FramePadding.x * 2.0f + style.ItemSpacing.x;
        float room = ImGui::GetContentRegionAvail().x - delete_width;
        ImGui::PushItemWidth(std::max(std::min(width - 150.0f, room), 1.0f));
        float value = point.value;
        if (SliderFloatChecked("##Value2", &value, variable.min_val, variable.max_val, "%.3f") &&
            std::isfinite(value)) {
            point.value = value;
            changed = true;
        }
        if (changed) {
            curve.control_points[i] = point;
            StoreCurve(event, variable, curve);
        }
        ImGui::PopItemWidth();
        ImGui::SameLine();
        if (ImGui::Button("Delete")) marked = i;
        ImGui::PopID();
    }
    return marked;
}

// A curve left with one point becomes a held value from the event's start,
// edited again in its variable row.
void DeletePoint(Event& event, const UniformDef& variable, Automation& curve, int index) {
    curve.control_points.erase(curve.control_points.begin() + index);
    StoreCurve(event, variable, curve);
    if (curve.control_points.size() != 1) return;
    curve.repeat = false;
    curve.control_points[0].beat = 0.0f;
    curve.mode = 0;
    StoreCurve(event, variable, curve);
}

// A new point at the current beat. After a point at one bound it takes the
// other, so pressing "Add" repeatedly draws a square wave; otherwise it holds
// the variable's default.
void AddPoint(Event& event, const UniformDef& variable, Automation& curve) {
    float value = variable.default_val;
    if (!curve.control_points.empty()) {
        float last = curve.control_points.back().value;
        if (last == variable.min_val)
            value = variable.max_val;
        else if (last == variable.max_val)
            value = variable.min_val;
    }
    curve.control_points.emplace_back(g_beat - event.start_beat, value);
    StoreCurve(event, variable, curve);
}

// The selected variable's points; a variable of one point has none shown.
void ShowControlPointTable(Event& event, const UniformDef& variable, float width) {
    Automation curve = event.automation[variable.name];
    if (curve.control_points.size() < 2) return;
    ImGui::Separator();
    ImGui::Text("%i control points (Beat & Value)", static_cast<int>(curve.control_points.size()));
    ShowCurveSettings(event, variable, curve);
    int marked = ShowPointRows(event, variable, curve, width);
    if (marked >= 0) DeletePoint(event, variable, curve, marked);
    if (ImGui::Button("Add##controlpoint")) AddPoint(event, variable, curve);
}

/* === Control points pane ================================================== */

void ShowControlPointsPane(FrameLayout& frame) {
    ImGui::SameLine();
    ImGui::BeginChild("Control points", ImVec2(0.0f, 0.0f), true, 0);
    Event* event = SelectedEvent();
    if (event != nullptr) {
        ImGui::Text("%i variables for %s (Name & Current Value)", static_cast<int>(event->automation.size()),
                    ShownText(event->name).c_str());
        ImGui::Separator();
        UpdateVariableSelection(*event, frame.row_clicked);
        ShowVariableRows(*event, frame);
        ShowBeatMarker(*event, frame);
        const UniformDef* variable = SelectedVariable(*event);
        if (variable != nullptr) ShowControlPointTable(*event, *variable, frame.width);
    }
    ImGui::EndChild();
}

}  // namespace

void ShowEventManager() {
    ForgetReplacedDocument();
    FrameLayout frame;
    ShowEventsPane(frame);
    ShowControlPointsPane(frame);
}
