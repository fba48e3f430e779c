// The Event Manager through whole editor frames: the events list and its
// commands, each variable's curve row, the control-point table, seeking on a
// plot and the beat marker, and selections that never outlive what they
// select.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Demo.h"
#include "Documents.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "Effect.h"
#include "Event.h"
#include "Playback.h"
#include "ShaderProgram.h"

namespace {

const char* const kEvents = "Event Manager/Selectables";
const char* const kPoints = "Event Manager/Control points";

struct Variable {
    const char* name;
    float min_val, max_val, default_val;
};

class EventManagerTest : public edtest::EditorTest {
protected:
    // The Event Manager alone, large, in front.
    void SetUp() override {
        EditorTest::SetUp();
        g_show_viewport = g_show_effect_manager = g_show_shader_editor = false;
        g_show_event_manager = true;
        Frame();
        ImGui::SetWindowPos("Event Manager", ImVec2(0.0f, 40.0f));
        ImGui::SetWindowSize("Event Manager", ImVec2(1200.0f, 640.0f));
        Focus("Event Manager");
    }

    // An event from start to end in demo (g_demo when null), showing an
    // effect whose program declares the variables.
    static Event* AddEvent(const char* name, float start, float end, std::initializer_list<Variable> variables,
                           Demo* demo = nullptr) {
        if (demo == nullptr) demo = g_demo;
        ShaderProgram* program = new ShaderProgram();
        program->fragment_shader_source = "#version 150\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n";
        program->Relink();
        program->fragment_shader_filename = std::string("resources\\") + name + ".frag";
        for (const Variable& v : variables)
            program->uniform_defs.push_back(new UniformDef(v.name, v.min_val, v.max_val, v.default_val));
        demo->shaders.push_back(program);
        Effect* effect = new Effect(name, program, nullptr, nullptr, false);
        demo->effects.push_back(effect);
        demo->events.push_back(new Event(name, effect, start, end));
        return demo->events.back();
    }

    // The window drew this text (its spaces aside).
    bool Shows(const char* window, std::string text) const {
        text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
        return DrawnText(window).find(text) != std::string::npos;
    }

    // The beat marker's centre x and top. It is the only white shape of the
    // pane taller than a text line: white vertices, not of a glyph, above
    // another at the same x (to rounding) more than 40 pixels away.
    std::optional<ImVec2> Marker() const {
        std::set<std::pair<float, float>> glyph_corners;
        for (const ImFontGlyph& glyph : imgui->IO().Fonts->Fonts[0]->Glyphs)
            for (float u : {glyph.U0, glyph.U1})
                for (float w : {glyph.V0, glyph.V1}) glyph_corners.insert({u, w});
        std::vector<ImVec2> white;
        for (const ImDrawVert& vertex : Window(kPoints)->DrawList->VtxBuffer)
            if ((vertex.col & 0x00FFFFFFu) == 0x00FFFFFFu && !glyph_corners.count({vertex.uv.x, vertex.uv.y}))
                white.push_back(vertex.pos);
        std::optional<ImVec2> marker;
        float left = 1e9f, right = -1e9f, top = 1e9f;
        for (const ImVec2& a : white) {
            for (const ImVec2& b : white) {
                if (std::fabs(a.x - b.x) > 0.01f || b.y - a.y <= 40.0f) continue;
                left = std::min(left, a.x);
                right = std::max(right, a.x);
                top = std::min(top, a.y);
                marker = ImVec2((left + right) / 2.0f, top);
            }
        }
        return marker;
    }

    // Where the variable rows' plots stand: from 184 pixels into the pane to
    // its content's right edge; the first row under the header line and its
    // separator.
    float PlotLeft() const { return Window(kPoints)->Pos.x + 184.0f; }
    float PlotWidth() const { return Window(kPoints)->ContentRegionRect.Max.x - PlotLeft(); }
    float FirstRowTop() const {
        const ImGuiStyle& style = ImGui::GetStyle();
        return Window(kPoints)->DC.CursorStartPos.y + ImGui::GetFontSize() + 2.0f * style.ItemSpacing.y + 1.0f;
    }
    // Holds the mouse button down at a point for a frame, then lets it go.
    void PressMouseAt(ImVec2 at) {
        MouseTo(at);
        Frame();
        IO().MouseDown[0] = true;
        Frame();
        IO().MouseDown[0] = false;
        Frame();
    }
    static bool AllFinite() {
        ImDrawData* data = ImGui::GetDrawData();
        for (int l = 0; l < data->CmdListsCount; ++l)
            for (const ImDrawVert& vertex : data->CmdLists[l]->VtxBuffer)
                if (!std::isfinite(vertex.pos.x) || !std::isfinite(vertex.pos.y)) return false;
        for (float sample : g_plot_samples)
            if (!std::isfinite(sample)) return false;
        return true;
    }
};

// The curve's points as "beat:value" pairs.
std::string Points(const Automation& curve) {
    std::string text;
    char point[64];
    for (const ControlPoint& p : curve.control_points) {
        std::snprintf(point, sizeof point, "%s%g:%g", text.empty() ? "" : " ", p.beat, p.value);
        text += point;
    }
    return text;
}

}  // namespace

TEST_F(EventManagerTest, TheFirstEventIsSelectedWithoutAClickAndEveryVariableGetsAHeldValueThatIsSaved) {
    Event* first = AddEvent("first", 4, 12, {{"gain", 0, 1, 0.25f}, {"speed", -2, 2, 1}});
    Event* second = AddEvent("second", 0, 8, {{"hue", 0, 1, 0}});
    Frame();
    EXPECT_EQ(g_selected_event_position, 0);
    EXPECT_EQ(g_selected_variable_position, 0);
    ASSERT_EQ(first->automation.size(), 2u);
    EXPECT_EQ(Points(first->automation["gain"]), "0:0.25");
    EXPECT_EQ(first->automation["gain"].mode, 0u);  // "Last value"
    EXPECT_TRUE(second->automation.empty());  // only the shown event

    // One-point rows: "Automate" and the value slider, and no table.
    Frame();
    EXPECT_TRUE(Shows(kEvents, "2 events (Name, Start & End)"));
    EXPECT_TRUE(Shows(kPoints, "2 variables for first (Name & Current Value)gainAutomate0.250speedAutomate1.000"));
    EXPECT_FALSE(Shows(kPoints, "control points"));
    TypeInto(Id(kPoints, {1, "##Value1"}), "-1.5");

    std::string error;
    ASSERT_TRUE(SaveDemoJSON(*g_demo, "held.json", &error)) << error;
    Demo* saved = LoadDemoJSON("held.json", &error);
    ASSERT_NE(saved, nullptr) << error;
    EXPECT_EQ(Points(saved->events[0]->automation["speed"]), "0:-1.5");
    EXPECT_EQ(saved->events[0]->automation["speed"].mode, 0u);
    delete saved;
}

TEST_F(EventManagerTest, AutomateAddAndSortBuildACurveAndDeletingDownToOnePointMakesItAHeldValueAgain) {
    // The first row becomes a curve: the plots and the table are measured
    // from its plot, so the table's rows fit the pane.
    Event* event = AddEvent("pulse", 4, 20, {{"gain", -1, 2, 0.5f}, {"size", 0, 1, 0}});
    Frame();
    Press(Id(kPoints, {1, "size"}));
    EXPECT_EQ(g_selected_variable_position, 1);
    // At beat 10 of an event from beat 4 the new point stands at beat 6, and
    // its variable becomes the selected one.
    g_beat = 10.0f;
    Press(Id(kPoints, {0, "Automate"}));
    EXPECT_EQ(g_selected_variable_position, 0);
    const Automation& gain = event->automation["gain"];
    EXPECT_EQ(Points(gain), "0:0.5 6:0.5");
    Frame();
    EXPECT_TRUE(Shows(kPoints, "2 control points (Beat & Value)"));

    // "Add": the default after a value between the bounds, then the bounds in turn.
    Press(Id(kPoints, {"Add##controlpoint"}));
    TypeInto(Id(kPoints, {2, "##Value2"}), "-1");
    Press(Id(kPoints, {"Add##controlpoint"}));
    Press(Id(kPoints, {"Add##controlpoint"}));
    EXPECT_EQ(Points(gain), "0:0.5 6:0.5 6:-1 6:2 6:-1");

    // Beats typed out of order stay where they are until "Sort".
    int row = 1;
    for (const char* beat : {"5", "1", "3", "2"}) TypeInto(Id(kPoints, {row++, "##Beat2"}), beat);
    EXPECT_EQ(Points(gain), "0:0.5 5:0.5 1:-1 3:2 2:-1");
    Press(Id(kPoints, {"Sort"}));
    EXPECT_EQ(Points(gain), "0:0.5 1:-1 2:-1 3:2 5:0.5");

    Press(Id(kPoints, {"Repeat"}));
    Press(Id(kPoints, {"Mode"}));
    Press(Id("##Combo_00", {"Smooth"}));
    EXPECT_TRUE(gain.repeat);
    EXPECT_EQ(gain.mode, 2u);
    for (int i = 0; i < 3; ++i) Press(Id(kPoints, {0, "Delete"}));
    EXPECT_EQ(Points(gain), "3:2 5:0.5");
    EXPECT_EQ(gain.mode, 2u);  // two points are still a curve
    Press(Id(kPoints, {0, "Delete"}));
    EXPECT_EQ(Points(gain), "0:0.5");
    EXPECT_FALSE(gain.repeat);
    EXPECT_EQ(gain.mode, 0u);
    Frame();
    EXPECT_FALSE(Shows(kPoints, "control points"));
    EXPECT_TRUE(Shows(kPoints, "gainAutomate0.500"));
}

TEST_F(EventManagerTest, APointsDeleteButtonStaysInThePaneWhenTheFirstRowIsAHeldValue) {
    // W is measured across the whole pane at a one-point first row; the
    // table's value sliders must still leave room for "Delete".
    Event* event = AddEvent("pulse", 0, 16, {{"size", 0, 1, 0}, {"gain", 0, 1, 0}});
    Frame();
    Automation& gain = event->automation["gain"];
    gain.control_points = {ControlPoint(0, 0.25f), ControlPoint(8, 0.75f), ControlPoint(12, 1.0f)};
    Press(Id(kPoints, {1, "gain"}));
    Frame();
    Press(Id(kPoints, {1, "Delete"}));
    EXPECT_EQ(Points(event->automation["gain"]), "0:0.25 12:1");
}

TEST_F(EventManagerTest, PressingOnAPlotSeeksAlongTheEventAndTheWhiteMarkerShowsTheBeatWithinIt) {
    Event* event = AddEvent("sweep", 8, 24, {{"a", 0, 1, 0}, {"b", 0, 1, 0}});
    for (const char* name : {"a", "b"}) {
        event->automation[name].control_points = {ControlPoint(0, 0), ControlPoint(16, 1)};
        event->automation[name].mode = 1;
    }
    g_beat = 12.0f;
    Frames(2);
    EXPECT_TRUE(Shows(kPoints, "a0.250b0.250"));
    EXPECT_EQ(g_plot_samples[0], 0.0f);  // the event's first beat
    EXPECT_EQ(g_plot_samples[511], 1.0f);  // and its last
    std::optional<ImVec2> marker = Marker();
    ASSERT_TRUE(marker);
    EXPECT_NEAR(marker->x, PlotLeft() + PlotWidth() / 4.0f, 1.5f);
    EXPECT_NEAR(marker->y, FirstRowTop(), 1.5f);
    g_beat = 24.0f;
    Frame();
    EXPECT_NEAR(Marker().value_or(ImVec2()).x, PlotLeft() + PlotWidth(), 1.5f);
    g_beat = 24.5f;
    Frame();
    EXPECT_FALSE(Marker());

    PressMouseAt(ImVec2(PlotLeft() + PlotWidth() / 2.0f, FirstRowTop() + 32.0f));
    EXPECT_NEAR(g_beat, 16.0f, 0.05f);
    PressMouseAt(ImVec2(PlotLeft() + PlotWidth() / 8.0f, FirstRowTop() + 64.0f + 4.0f + 32.0f));  // the second plot
    EXPECT_NEAR(g_beat, 10.0f, 0.05f);
    Press(Id(kPoints, {1, "Go"}));
    EXPECT_EQ(g_beat, 24.0f);
}

TEST_F(EventManagerTest, EventsAreMovedLoopedAndDeletedAndOnlyAClickOnARowStartsTheVariablesOver) {
    AddEvent("a", 0, 8, {{"x", 0, 1, 0}});
    Event* b = AddEvent("b", 8, 16, {{"u", 0, 1, 0}, {"v", 0, 1, 0}});
    AddEvent("c", 16, 16, {{"w", 0, 1, 0}});
    Frame();
    EXPECT_TRUE(Shows(kEvents, "3 events (Name, Start & End)"));

    Press(Id(kEvents, {1, "b"}));
    Press(Id(kPoints, {1, "v"}));
    EXPECT_EQ(g_selected_variable_position, 1);
    Press(Id(kEvents, {"Down"}));
    EXPECT_EQ(g_demo->events[2], b);
    EXPECT_EQ(g_selected_event_position, 2);
    Press(Id(kEvents, {"Up"}));
    EXPECT_EQ(g_demo->events[1], b);
    EXPECT_EQ(g_selected_event_position, 1);
    EXPECT_EQ(g_selected_variable_position, 1);
    Press(Id(kEvents, {2, "c"}));
    EXPECT_EQ(g_selected_variable_position, 0);

    // "c" ends where it starts: it is not looped.
    Press(Id(kEvents, {"Loop"}));
    EXPECT_EQ(g_loop_event, nullptr);
    Press(Id(kEvents, {1, "b"}));
    Press(Id(kEvents, {"Loop"}));
    EXPECT_EQ(g_loop_event, b);
    Frame();
    EXPECT_TRUE(Shows(kEvents, "Stop b"));
    Press(Id(kEvents, {"Stop b"}));
    EXPECT_EQ(g_loop_event, nullptr);
    Press(Id(kEvents, {"Loop"}));

    // Deleting the looped event ends the loop; the first event is shown at once.
    Press(Id(kEvents, {"Delete"}));
    ASSERT_EQ(g_demo->events.size(), 2u);
    EXPECT_EQ(g_loop_event, nullptr);
    EXPECT_EQ(g_selected_event_position, 0);
    EXPECT_TRUE(Shows(kPoints, "variables for a"));

    TypeInto(Id(kEvents, {1, "##End"}), "20.5");
    EXPECT_EQ(g_demo->events[1]->end_beat, 20.5f);
    TypeInto(Id(kEvents, {1, "##Start"}), "1e39");  // not a float: kept
    EXPECT_EQ(g_demo->events[1]->start_beat, 16.0f);
}

TEST_F(EventManagerTest, SelectionsAreDroppedWhenTheirVariableProgramEventOrDocumentIsGone) {
    Event* event = AddEvent("e", 0, 8, {{"a", 0, 1, 0}, {"b", 0, 1, 0}, {"c", 0, 1, 0}});
    AddEvent("f", 0, 8, {{"d", 0, 1, 0}});
    Frame();
    g_beat = 4.0f;
    Press(Id(kPoints, {2, "Automate"}));
    Frame();
    EXPECT_TRUE(Shows(kPoints, "2 control points"));

    // The selected uniform deleted, as the Shader Editor's dialog deletes it.
    ShaderProgram* program = event->effect->program;
    delete program->uniform_defs[2];
    program->uniform_defs.erase(program->uniform_defs.begin() + 2);
    Frame();
    EXPECT_EQ(g_selected_variable_position, -1);
    EXPECT_FALSE(Shows(kPoints, "control points"));

    // The effect given a program of fewer variables, which is then deleted.
    Press(Id(kPoints, {1, "b"}));
    Press(Id(kPoints, {1, "Automate"}));
    Event* other = AddEvent("other", 0, 8, {{"z", 0, 1, 0}});
    event->effect->program = other->effect->program;
    Frame();
    EXPECT_EQ(g_selected_variable_position, -1);
    EXPECT_TRUE(Shows(kPoints, "zAutomate"));
    g_demo->DeleteShaderProgram(event->effect->program);
    Frame();
    EXPECT_TRUE(Shows(kPoints, "variables for e"));
    EXPECT_FALSE(Shows(kPoints, "Automate"));

    // The selected event deleted by another window.
    Press(Id(kEvents, {2, "other"}));
    g_demo->DeleteEvent(g_demo->events[2]);
    Frame();
    EXPECT_FALSE(Shows(kPoints, "variables"));

    // A load while the second event's second variable is selected: the new
    // document starts with its first event and variable.
    Demo* next = new Demo();
    AddEvent("g", 0, 8, {{"p", 0, 1, 0}, {"q", 0, 1, 0}}, next);
    AddEvent("h", 0, 8, {{"r", 0, 1, 0}, {"s", 0, 1, 0}}, next);
    next->events[1]->automation["s"].control_points = {ControlPoint(0, 0), ControlPoint(1, 1)};
    g_selected_event_position = 1;
    g_selected_variable_position = 1;
    ReplaceDocument(next);
    Frame();
    EXPECT_EQ(g_selected_event_position, 0);
    EXPECT_EQ(g_selected_variable_position, 0);
    EXPECT_TRUE(Shows(kPoints, "variables for g"));
}

TEST_F(EventManagerTest, AnUnknownModeIsShownByNumberAndDegenerateSpansAndWidthsDivideNothing) {
    Event* event = AddEvent("instant", 4, 4, {{"a", 0, 1, 0}, {"b", 0, 1, 0}});
    event->automation["a"].control_points = {ControlPoint(0, 0.25f), ControlPoint(1, 0.75f)};
    event->automation["a"].mode = 7;
    g_beat = 4.0f;
    Frames(2);
    EXPECT_TRUE(Shows(kPoints, "Unknown (7)"));
    EXPECT_FALSE(Marker());
    EXPECT_TRUE(AllFinite());
    g_beat = 10.0f;
    PressMouseAt(ImVec2(PlotLeft() + PlotWidth() / 2.0f, FirstRowTop() + 32.0f));
    EXPECT_EQ(g_beat, 10.0f);

    // A pane too narrow for any plot or slider width.
    event->end_beat = 12.0f;
    ImGui::SetWindowSize("Event Manager", ImVec2(520.0f, 300.0f));
    Frames(2);
    EXPECT_LE(PlotWidth(), 0.0f);
    EXPECT_TRUE(AllFinite());
}
