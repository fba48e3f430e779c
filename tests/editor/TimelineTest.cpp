// The Timeline in the main window, through whole editor frames: its grid
// labels, its rows and their drags, its clipping and its click to seek.
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "Demo.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "Event.h"
#include "Playback.h"

namespace {

using edtest::kMain;

class TimelineTest : public edtest::EditorTest {
protected:
    // The main window alone, 1280 x 400 at the top left, so no tool window
    // covers the Timeline.
    void SetUp() override {
        EditorTest::SetUp();
        g_show_viewport = g_show_effect_manager = g_show_shader_editor = false;
        ImGui::SetWindowPos(kMain, ImVec2(0.0f, 0.0f));
        ImGui::SetWindowSize(kMain, ImVec2(1280.0f, 400.0f));
        Frame();
    }

    Event* AddEvent(const char* name, float start, float end) {
        g_demo->events.push_back(new Event(name, nullptr, start, end));
        return g_demo->events.back();
    }
    ImGuiWindow* Region() const { return Window(std::string(kMain) + "/Timeline"); }
    float Px(float beats) const { return beats * g_timeline.axis_width / g_timeline.max; }
    // A beat on a row, at the height of its handles and bar.
    ImVec2 At(int row, float beat) const {
        return ImVec2(g_timeline.axis_left + Px(beat), g_timeline.rows_top + row * g_timeline.row_height + 6.0f);
    }

    // Presses at a point; a drag counts from there, its first pixels too.
    void Grab(ImVec2 at) { PressMouse(at); }
    // Moves the held mouse along the axis by beats, px_per_frame at a time.
    void MoveBy(float beats, float px_per_frame) {
        ImVec2 from = IO().MousePos;
        int frames = static_cast<int>(std::ceil(std::fabs(Px(beats)) / px_per_frame));
        for (int k = 1; k <= frames; ++k) {
            MouseTo(ImVec2(from.x + Px(beats) * k / frames, from.y));
            Frame();
        }
    }
    void Release() {
        IO().MouseDown[0] = false;
        Frame();
    }
    void Drag(ImVec2 at, float beats, float px_per_frame) {
        Grab(at);
        MoveBy(beats, px_per_frame);
        Release();
    }
    void Click(ImVec2 at) {
        Grab(at);
        Release();
    }

    // The glyphs drawn in a window between two heights, in draw order, read
    // back through the font atlas: each glyph is a quad from its corner UVs.
    std::string TextIn(ImGuiWindow* window, float top, float bottom) const {
        std::map<std::pair<float, float>, const ImFontGlyph*> glyphs;
        ImFont* font = imgui->IO().Fonts->Fonts[0];
        for (const ImFontGlyph& glyph : font->Glyphs) glyphs[{glyph.U0, glyph.V0}] = &glyph;
        const ImVector<ImDrawVert>& v = window->DrawList->VtxBuffer;
        std::string text;
        for (int i = 0; i + 3 < v.Size; ++i) {
            auto found = glyphs.find({v[i].uv.x, v[i].uv.y});
            if (found == glyphs.end() || v[i + 2].uv.x != found->second->U1 || v[i + 2].uv.y != found->second->V1 ||
                v[i].pos.y < top || v[i].pos.y >= bottom)
                continue;
            text += static_cast<char>(found->second->Codepoint);
            i += 3;
        }
        return text;
    }
    std::string Names() const { return TextIn(Region(), Region()->Pos.y, Region()->Pos.y + Region()->Size.y); }
    std::string Labels() const {
        float bottom = Region()->Pos.y + Region()->Size.y;
        return TextIn(Window(kMain), bottom, bottom + 2.0f * g_timeline.row_height);
    }
    static std::string Expected(int count, float interval) {
        std::string text;
        char label[32];
        for (int i = 0; i < count; ++i) {
            std::snprintf(label, sizeof label, "%.2f", i * interval);
            text += label;
        }
        return text;
    }
    // Every vertex of the frame lies at a finite position.
    static bool AllFinite() {
        ImDrawData* data = ImGui::GetDrawData();
        for (int l = 0; l < data->CmdListsCount; ++l)
            for (const ImDrawVert& vertex : data->CmdLists[l]->VtxBuffer)
                if (!std::isfinite(vertex.pos.x) || !std::isfinite(vertex.pos.y)) return false;
        return true;
    }
};

TEST_F(TimelineTest, EndBeat480HasThirtyLinesLabelled0To464And264SixteenLines16AndAHalfApart) {
    EXPECT_EQ(Labels(), Expected(30, 16.0f));
    g_demo->end_beat = 264.0f;
    Frame();
    EXPECT_EQ(Labels(), Expected(16, 16.5f));
}

TEST_F(TimelineTest, SlowDragsMoveByTheDraggedBeatsBothWaysAndStoreWholeBeats) {
    Event* event = AddEvent("a", 40.0f, 50.0f);
    Frame();
    ASSERT_LT(Px(1.0f), 4.0f);  // a pixel is under a beat: the drags below are slow
    Drag(At(0, 45.0f), 6.5f, 1.0f);  // the bar, right: 46.5 to 56.5
    EXPECT_EQ(event->start_beat, 46.0f);
    EXPECT_EQ(event->end_beat, 56.0f);
    Drag(At(0, 51.0f), -6.5f, 1.0f);  // the bar, left: by the 6 whole beats of the movement
    EXPECT_EQ(event->start_beat, 40.0f);
    EXPECT_EQ(event->end_beat, 50.0f);
    Drag(At(0, 50.0f), 7.9f, 3.0f);  // the end handle: 57.9
    EXPECT_EQ(event->start_beat, 40.0f);
    EXPECT_EQ(event->end_beat, 57.0f);
    EXPECT_EQ(g_beat, 0.0f);  // a press on a bar or handle does not seek
}

TEST_F(TimelineTest, BarsStopAtTheAxisEndsWithTheirLengthHandlesMoveOnlyTheirEndAndCrossedHandlesSwap) {
    Event* event = AddEvent("a", 440.0f, 460.0f);
    Frame();
    Drag(At(0, 450.0f), 50.0f, 3.0f);
    EXPECT_EQ(event->start_beat, 460.0f);
    EXPECT_EQ(event->end_beat, 480.0f);
    Drag(At(0, 470.0f), -500.0f, 40.0f);
    EXPECT_EQ(event->start_beat, 0.0f);
    EXPECT_EQ(event->end_beat, 20.0f);
    // The start handle, slowly across the end handle: the end stays put and
    // the mouse goes on holding the moving value.
    // (Its left half, over the column separator, is not the handle's.)
    Drag(ImVec2(At(0, 0.0f).x + 3.0f, At(0, 0.0f).y), 30.5f, 1.0f);
    EXPECT_EQ(event->start_beat, 20.0f);
    EXPECT_EQ(event->end_beat, 30.0f);
    Drag(At(0, 20.0f), -50.5f, 10.0f);  // the start handle, past 0: the end stays
    EXPECT_EQ(event->start_beat, 0.0f);
    EXPECT_EQ(event->end_beat, 30.0f);
}

TEST_F(TimelineTest, EventsOfTheSameNameDragApart) {
    Event* first = AddEvent("twin", 100.0f, 120.0f);
    Event* second = AddEvent("twin", 100.0f, 120.0f);
    Frame();
    Drag(At(1, 110.0f), 20.5f, 4.0f);
    EXPECT_EQ(first->start_beat, 100.0f);
    EXPECT_EQ(second->start_beat, 120.0f);
    EXPECT_EQ(second->end_beat, 140.0f);
}

TEST_F(TimelineTest, ADragEndsWhenItsRowLosesItsEventOrTheDocumentIsReplaced) {
    Event* first = AddEvent("twin", 10.0f, 20.0f);
    Event* second = AddEvent("twin", 100.0f, 110.0f);
    Frame();
    Grab(At(0, 15.0f));
    MoveBy(3.5f, 2.0f);
    g_demo->DeleteEvent(first);  // the same row and ID now hold the second event
    MoveBy(1.5f, 100.0f);
    Release();
    EXPECT_EQ(second->start_beat, 100.0f);
    EXPECT_EQ(second->end_beat, 110.0f);
    Frame(SDLK_s);
    Grab(At(0, 105.0f));
    Frame(SDLK_l);  // the loaded event of that row stays where the file has it
    MoveBy(4.5f, 2.0f);
    EXPECT_EQ(g_demo->events[0]->start_beat, 100.0f);
}

TEST_F(TimelineTest, OfTwentyFiveEventsTenRowsShowAndTheScrolledOnesDrag) {
    std::string first_ten, last_ten;
    for (int i = 0; i < 25; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "e%02d", i);
        AddEvent(name, i * 16.0f, i * 16.0f + 12.0f);
        if (i < 10) first_ten += name;
        if (i >= 15) last_ten += name;
    }
    Frame();
    EXPECT_EQ(Names(), first_ten);
    EXPECT_LE(g_timeline.display_end - g_timeline.display_start, 11);
    ImGui::SetScrollY(Region(), 15.0f * g_timeline.row_height);
    Frames(2);
    EXPECT_EQ(Names(), last_ten);
    EXPECT_GE(g_timeline.display_start, 14);
    Drag(At(15, 246.0f), 10.5f, 4.0f);  // e15's bar, 240 to 252: the first row in view
    EXPECT_EQ(g_demo->events[15]->start_beat, 250.0f);
    EXPECT_EQ(g_demo->events[16]->start_beat, 256.0f);
}

TEST_F(TimelineTest, DegenerateEndBeatsAndANarrowRegionShowNamesAndDrawNothingNonFinite) {
    Event* event = AddEvent("solo", 2.0f, 6.0f);
    for (float end_beat : {0.0f, -5.0f, NAN, INFINITY, 10.0f}) {
        SCOPED_TRACE(end_beat);
        g_demo->end_beat = end_beat;
        Frame();
        Click(ImVec2(Region()->Pos.x + Region()->Size.x / 2.0f, Region()->Pos.y + 30.0f));
        EXPECT_TRUE(AllFinite());
        EXPECT_TRUE(std::isfinite(g_beat));
        EXPECT_EQ(Names(), "solo");
        EXPECT_EQ(Labels(), "");
    }
    Drag(At(0, 4.0f), 2.0f, 2.0f);  // below 16 beats the rows still drag
    EXPECT_EQ(event->start_beat, 4.0f);
    ImGui::SetWindowSize(kMain, ImVec2(32.0f, 400.0f));
    Frames(2);
    EXPECT_LE(g_timeline.axis_width, 0.0f);
    Click(ImVec2(Region()->Pos.x + 2.0f, Region()->Pos.y + 6.0f));
    EXPECT_TRUE(AllFinite());
}

TEST_F(TimelineTest, PressingTheNamesColumnSeeksTo0TheFarRightToTheEndBeatAndAHeldPressScrubs) {
    SeekToBeat(100.0f);
    float middle = Region()->Pos.y + Region()->Size.y / 2.0f;
    Click(ImVec2(Region()->Pos.x + 4.0f, middle));
    EXPECT_EQ(g_beat, 0.0f);
    Click(ImVec2(Region()->Pos.x + Region()->Size.x - 0.5f, middle));
    EXPECT_NEAR(g_beat, 480.0f, 0.5f);
    Grab(ImVec2(At(0, 100.0f).x, middle));
    MouseTo(ImVec2(At(0, 300.0f).x, middle));  // held: a seek in every frame
    Frame();
    EXPECT_NEAR(g_beat, 300.0f, 0.5f);
}

}  // namespace
