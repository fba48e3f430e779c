// The editor frame through whole frames of ShowEditor: what it returns, the
// field row, Play/Pause by button and by Space, the shortcuts, the View
// menu, Arrange windows, the status message and the BPM Tap.
#include <SDL.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "Commands.h"
#include "Demo.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "JSON.h"
#include "Playback.h"

using edtest::EditorTest;

#define EXPECT_VEC(actual, expected)            \
    do {                                        \
        ImVec2 a_ = (actual), e_ = (expected);  \
        EXPECT_FLOAT_EQ(a_.x, e_.x) << #actual; \
        EXPECT_FLOAT_EQ(a_.y, e_.y) << #actual; \
    } while (0)
using edtest::kMain;

TEST_F(EditorTest, TheFrameReturnsWhetherTheViewportDrewAndTheViewMenuSwitchesWindows) {
    EXPECT_TRUE(Frame());
    EXPECT_NE(Window("Viewport"), nullptr);
    EXPECT_NE(Window("Shader Editor"), nullptr);
    EXPECT_EQ(Window("Event Manager"), nullptr);  // hidden at start, never made

    // Unticking "Viewport" in the View menu: the same frame already returns false.
    Press(Id("##MainMenuBar", {"##menubar", "View"}));
    Frame();
    EXPECT_FALSE(Press(Id("##Menu_00", {"Viewport"})));
    EXPECT_FALSE(g_show_viewport);
    EXPECT_FALSE(Frame());
    EXPECT_FALSE(Window("Viewport")->Active);

    // Ctrl+E shows and hides the Event Manager, with its first-use size.
    Frame(SDLK_e);
    EXPECT_TRUE(g_show_event_manager);
    Frame();
    ASSERT_NE(Window("Event Manager"), nullptr);
    EXPECT_EQ(Window("Event Manager")->Size.x, Window("Shader Editor")->Size.x);
    EXPECT_NEAR(Window("Event Manager")->Size.y, Window("Shader Editor")->Size.y / 2.0f, 1.0f);
    Frame(SDLK_e);
    EXPECT_FALSE(g_show_event_manager);
    Frame(SDLK_x);  // any other key does nothing
    EXPECT_FALSE(g_show_event_manager);
    EXPECT_FALSE(g_quit);
    Frame(SDLK_q);
    EXPECT_TRUE(g_quit);
}

TEST_F(EditorTest, TheBeatFieldSeeksOnlyOnAnEditAndKeepsItsValueForANonNumber) {
    g_demo->paused = true;  // the clock leaves g_beat alone
    g_demo->bpm = 120.0f;
    ImGuiID beat_field = Id(kMain, {"##currentBeat"});
    TypeInto(beat_field, "12.5");
    EXPECT_EQ(g_beat, 12.5f);
    // 13 beats of music time at 120 bpm: the clock starts 6500 ms back.
    EXPECT_NEAR(static_cast<double>(SDL_GetTicks() - g_start_ticks), 6500.0, 50.0);
    TypeInto(beat_field, "-3");
    EXPECT_EQ(g_beat, 0.0f);
    TypeInto(beat_field, "1e39");  // not a float: the beat stays
    EXPECT_EQ(g_beat, 0.0f);
    TypeInto(Id(kMain, {"##BPM"}), "1e39");
    EXPECT_EQ(g_demo->bpm, 120.0f);
    TypeInto(Id(kMain, {"##End beat"}), "64");
    EXPECT_EQ(g_demo->end_beat, 64.0f);

    // While the editor is shown a negative beat from the clock is raised to 0.
    g_beat = -0.5f;
    Frame();
    EXPECT_EQ(g_beat, 0.0f);
}

TEST_F(EditorTest, TypedNumbersTakenWhenTheirEditEndsOrOnCtrlSMustBeFiniteAndSeekNothingAndATypedVolumeIsClamped) {
    g_demo->paused = true;  // only a seek moves g_start_ticks
    g_start_ticks = 12345;
    // A refusal at Return is said, with the value kept.
    TypeKeysInto(Id(kMain, {"##BPM"}), "1e39");
    EXPECT_EQ(g_demo->bpm, 130.0f);
    EXPECT_EQ(GetStatusMessage(), "BPM: 1e39 is not a finite number; 130 kept");
    g_beat = 2.5f;
    TypeKeysInto(Id(kMain, {"##currentBeat"}), "1e39");
    EXPECT_EQ(g_beat, 2.5f);
    EXPECT_EQ(GetStatusMessage(), "Beat: 1e39 is not a finite number; 2.5 kept");
    EXPECT_EQ(g_start_ticks, 12345u);
    // A tempo must be above 0, typed or stepped.
    const std::pair<const char*, const char*> not_above_0[] = {
        {"0", "BPM: 0 is not above 0; 130 kept"},
        {"-0", "BPM: -0 is not above 0; 130 kept"},
        {"-140", "BPM: -140 is not above 0; 130 kept"},
        {"1e-50", "BPM: 0 is not above 0; 130 kept"},  // read as 0
    };
    for (const auto& [typed, said] : not_above_0) {
        TypeKeysInto(Id(kMain, {"##BPM"}), typed);
        EXPECT_EQ(g_demo->bpm, 130.0f) << typed;
        EXPECT_EQ(GetStatusMessage(), said);
    }
    TypeKeysInto(Id(kMain, {"##BPM"}), "1");
    EXPECT_EQ(g_demo->bpm, 1.0f);
    Press(Id(kMain, {"##BPM", "-"}));
    EXPECT_EQ(g_demo->bpm, 1.0f);
    EXPECT_EQ(GetStatusMessage(), "BPM: 0 is not above 0; 1 kept");
    // A document may hold such a tempo: the field keeps it until changed.
    g_demo->bpm = 0.0f;
    SetStatusMessage("");
    Frame();
    EXPECT_EQ(g_demo->bpm, 0.0f);
    EXPECT_EQ(GetStatusMessage(), "");
    Press(Id(kMain, {"##BPM", "+"}));
    EXPECT_EQ(g_demo->bpm, 1.0f);
    g_demo->bpm = 130.0f;
    EXPECT_EQ(g_start_ticks, 12345u);
    // A typed offset waits for the end of the edit ("1e3" would put a playing beat below 0), and must be finite.
    TypeKeysInto(Id(kMain, {"##Beat offset"}), "1e39", false);
    EXPECT_EQ(g_demo->beat_offset, 0.5f);
    Key(SDL_SCANCODE_RETURN);
    EXPECT_EQ(g_demo->beat_offset, 0.5f);
    EXPECT_EQ(GetStatusMessage(), "Beat offset: 1e39 is not a finite number; 0.5 kept");
    TypeInto(Id(kMain, {"##volume"}), "2147483647");
    EXPECT_EQ(g_volume, 128);

    // Playing 10 s in, a typed tempo waits for the end of its edit: "1" on the
    // way to "140" would put the beat below 0, which the Beat field raises by a seek.
    g_demo->paused = false;
    beat_clock = true;
    g_start_ticks = SDL_GetTicks() - 10000;
    const uint32_t start = g_start_ticks;
    TypeKeysInto(Id(kMain, {"##BPM"}), "140");
    EXPECT_EQ(g_demo->bpm, 140.0f);
    EXPECT_EQ(g_start_ticks, start);
    Press(Id(kMain, {"##BPM", "+"}));  // a step acts at once
    EXPECT_EQ(g_demo->bpm, 141.0f);

    // Ctrl+S while a typed value waits ends its edit as Return would, before the save: the file holds what the
    // field shows, and the field lets go of the keyboard. A text that is not finite is refused the same way.
    auto saved = [&](const char* member) {
        return JSON::FromText(dir->Read("untitled.demo.json"))[member].AsFloat();
    };
    auto ctrl_s = [&] {  // S pressed with Ctrl held, then released: the shortcut comes with the release
        IO().KeyCtrl = IO().KeysDown[SDL_SCANCODE_S] = true;
        Frame();
        IO().KeysDown[SDL_SCANCODE_S] = false;
        Frame(SDLK_s);
        IO().KeyCtrl = false;
    };
    TypeKeysInto(Id(kMain, {"##BPM"}), "140", false);
    ctrl_s();
    EXPECT_EQ(g_demo->bpm, 140.0f);
    EXPECT_EQ(saved("bpm"), 140.0);
    EXPECT_EQ(Context().ActiveId, 0u);
    TypeKeysInto(Id(kMain, {"##Beat offset"}), "0.25", false);
    ctrl_s();
    EXPECT_EQ(g_demo->beat_offset, 0.25f);
    EXPECT_EQ(saved("beat_offset"), 0.25);
    EXPECT_EQ(Context().ActiveId, 0u);
    TypeKeysInto(Id(kMain, {"##BPM"}), "1e39", false);
    ctrl_s();
    EXPECT_EQ(g_demo->bpm, 140.0f);
    EXPECT_EQ(saved("bpm"), 140.0);
    EXPECT_EQ(Context().ActiveId, 0u);
    EXPECT_EQ(GetStatusMessage(), "Saved untitled.demo.json; BPM: 1e39 is not a finite number; 140 kept");
    Frame();
    EXPECT_NE(DrawnText(kMain).find("140.000"), std::string::npos) << DrawnText(kMain);
    // The end beat too: the prefix "1e3" does not stand in for the refused text.
    TypeKeysInto(Id(kMain, {"##End beat"}), "1e39", false);
    ctrl_s();
    EXPECT_EQ(g_demo->end_beat, 480.0f);
    EXPECT_EQ(saved("end_beat"), 480.0);
    EXPECT_EQ(GetStatusMessage(), "Saved untitled.demo.json; End beat: 1e39 is not a finite number; 480 kept");
    // The menu's Save JSON: the click that opens the menu ends the edit, and the save keeps what the
    // status line says of it.
    TypeKeysInto(Id(kMain, {"##BPM"}), "", false);
    Key(SDL_SCANCODE_BACKSPACE);  // the whole text was selected
    const ImGuiID file_menu = Id("##MainMenuBar", {"##menubar", "File"});
    ImVec2 at(0.0f, ImGui::GetFrameHeight() / 2.0f);  // along the menu bar until the mouse is on "File"
    for (; at.x < 400.0f; at.x += 4.0f) {
        MouseTo(at);
        Frame();
        if (Context().HoveredId == file_menu) break;
    }
    ASSERT_EQ(Context().HoveredId, file_menu);
    PressMouse(at);
    ReleaseMouse();
    EXPECT_EQ(GetStatusMessage(), "BPM: an empty field is not a finite number; 140 kept");
    Press(Id("##Menu_00", {"Save JSON"}));
    EXPECT_EQ(g_demo->bpm, 140.0f);
    EXPECT_EQ(saved("bpm"), 140.0);
    EXPECT_EQ(GetStatusMessage(), "Saved untitled.demo.json; BPM: an empty field is not a finite number; 140 kept");
    // A typed beat goes on waiting: the beat is not saved, and taking it would seek.
    TypeKeysInto(Id(kMain, {"##currentBeat"}), "7", false);
    ctrl_s();
    EXPECT_EQ(g_start_ticks, start);
    EXPECT_EQ(Context().ActiveId, Id(kMain, {"##currentBeat"}));
}

TEST_F(EditorTest, PlayAndPauseByButtonAndBySpaceOnlyWhileTheMainWindowHasTheFocus) {
    EXPECT_FALSE(g_demo->paused);
    Press(Id(kMain, {"Pause"}));
    EXPECT_TRUE(g_demo->paused);
    g_beat = 8.0f;  // edited while paused: playback resumes from here
    Press(Id(kMain, {"Play"}));
    EXPECT_FALSE(g_demo->paused);
    float expected = BeatAtElapsed(SDL_GetTicks() - g_start_ticks, g_demo->bpm, g_demo->beat_offset);
    EXPECT_NEAR(expected, 8.0f, 0.1f);

    Focus(kMain);
    Key(SDL_SCANCODE_SPACE);
    EXPECT_TRUE(g_demo->paused);
    Key(SDL_SCANCODE_SPACE);
    EXPECT_FALSE(g_demo->paused);

    // Typing a space into the file name does not toggle.
    ImGui::ActivateItem(Id(kMain, {"##Demo filename"}));
    Frame();
    Frame();
    IO().AddInputCharacter(' ');
    Key(SDL_SCANCODE_SPACE);
    EXPECT_FALSE(g_demo->paused);
    EXPECT_NE(std::strchr(g_document_name, ' '), nullptr);

    // With the Viewport focused Space moves the camera instead.
    Focus("Viewport");
    Key(SDL_SCANCODE_SPACE);
    EXPECT_FALSE(g_demo->paused);
    EXPECT_NEAR(g_camera_position[1], 0.1f, 1e-6f);
}

TEST_F(EditorTest, ArrangeWindowsLaysOutEveryWindowWhereItFirstAppearedForOneFrameAndHasTheLayoutSaved) {
    // Without saved places each window, also one opened later, first appears where arranged; then all are moved.
    const char* titles[7] = {"Shader Editor", "Viewport", "Effect Manager", kMain, "Texture Manager",
                             "Event Manager", "BPM Tap"};
    Frame();
    g_show_texture_manager = g_show_event_manager = g_show_bpm_tap = true;
    Frames(2);
    ImRect first[7];
    for (int i = 0; i < 7; ++i) {
        first[i] = Window(titles[i])->Rect();
        ImGui::SetWindowPos(titles[i], ImVec2(300.0f + 10.0f * i, 300.0f));
    }
    Context().SettingsDirtyTimer = 0.0f;  // nothing waits to be written to "imgui.ini"
    PressMenuItem("View", "Arrange windows");
    EXPECT_TRUE(g_arrange_windows);  // carried out in the frame after the click
    Frame();
    EXPECT_FALSE(g_arrange_windows);
    EXPECT_GT(Context().SettingsDirtyTimer, 0.0f);
    // Dear ImGui keeps window places and sizes in whole pixels.
    const float w = 1280.0f, h = 720.0f, v = std::floor(w * 9.0f / 16.0f / 3.0f);
    const float third = std::floor(w / 3.0f);
    EXPECT_VEC(Window("Shader Editor")->Pos, ImVec2(third, 16.0f));
    EXPECT_VEC(Window("Shader Editor")->Size, ImVec2(std::floor(w * 2.0f / 3.0f), h * 3.0f / 4.0f - 16.0f));
    EXPECT_VEC(Window("Viewport")->Pos, ImVec2(0.0f, 16.0f));
    EXPECT_VEC(Window("Viewport")->Size, ImVec2(third, v + 16.0f));
    EXPECT_VEC(Window("Effect Manager")->Pos, ImVec2(0.0f, v + 32.0f));
    EXPECT_VEC(Window("Effect Manager")->Size, ImVec2(third, (h * 3.0f / 4.0f - 16.0f) - (v + 16.0f)));
    Frame();
    EXPECT_VEC(Window(kMain)->Pos, ImVec2(0.0f, h * 3.0f / 4.0f));
    EXPECT_VEC(Window(kMain)->Size, ImVec2(w, h / 4.0f));
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(titles[i]);
        EXPECT_VEC(Window(titles[i])->Pos, first[i].Min);
        EXPECT_VEC(Window(titles[i])->Size, first[i].GetSize());
    }
    // Moved away, the windows stay where they are put: the layout was one frame's.
    ImGui::SetWindowPos("Viewport", ImVec2(300.0f, 300.0f));
    Frames(2);
    EXPECT_VEC(Window("Viewport")->Pos, ImVec2(300.0f, 300.0f));
}

TEST_F(EditorTest, TheStatusMessageLastsTwoSecondsAndTheTapShowsTheMeanTempo) {
    SetStatusMessage("Saved x");
    uint32_t set = g_status_ticks;
    EXPECT_EQ(StatusMessageAt(set + 1999), "Saved x");
    EXPECT_EQ(StatusMessageAt(set + 2000), "");
    g_status_ticks = 0xFFFFFF00u;  // set just before the tick counter wraps
    EXPECT_EQ(StatusMessageAt(0x100u), "Saved x");

    // First tap 5000 ms after the window was first drawn, then nine 500 ms apart.
    g_show_bpm_tap = true;
    Frame();
    uint32_t opened = s_last_tap_ticks;
    EXPECT_NE(Window("BPM Tap"), nullptr);
    for (int i = 0; i < 10; ++i) TapAt(opened + 5000 + 500 * i);
    EXPECT_NEAR(s_tapped_bpm, 60000.0f / 950.0f, 1e-3f);  // 63.158
    // The eleventh tap pushes the 5000 ms interval out.
    TapAt(opened + 5000 + 500 * 10);
    EXPECT_NEAR(s_tapped_bpm, 120.0f, 1e-3f);
    // The button taps too; the list keeps ten intervals.
    Press(Id("BPM Tap", {"Tap"}));
    EXPECT_EQ(s_tap_intervals.size(), 10u);
    // A mean of 0 (a first tap in the very millisecond of the opening)
    // leaves the shown tempo as it was.
    s_tap_intervals.clear();
    s_tapped_bpm = 42.0f;
    s_last_tap_ticks = 1000;
    TapAt(1000);
    EXPECT_EQ(s_tapped_bpm, 42.0f);
}
