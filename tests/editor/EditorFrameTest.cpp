// The editor frame through whole frames of ShowEditor: what it returns, the
// field row, Play/Pause by button and by Space, the shortcuts, the View
// menu, Arrange windows, the status message and the BPM Tap.
#include <SDL.h>

#include <cmath>
#include <cstring>

#include "Commands.h"
#include "Demo.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "Playback.h"

using edtest::EditorTest;

#define EXPECT_VEC(actual, expected)            \
    do {                                        \
        ImVec2 a_ = (actual), e_ = (expected);  \
        EXPECT_FLOAT_EQ(a_.x, e_.x) << #actual; \
        EXPECT_FLOAT_EQ(a_.y, e_.y) << #actual; \
    } while (0)
using edtest::kMain;

// Every window of the editor.
const char* const kTitles[7] = {kMain,           "Shader Editor", "Viewport", "Effect Manager",
                                "Texture Manager", "Event Manager", "BPM Tap"};

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

    // Ctrl+E shows and hides the Event Manager, first made over the lower
    // half of the Shader Editor's place.
    Frame(SDLK_e);
    EXPECT_TRUE(g_show_event_manager);
    Frame();
    ASSERT_NE(Window("Event Manager"), nullptr);
    EXPECT_EQ(Window("Event Manager")->Pos.x, Window("Shader Editor")->Pos.x);
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

TEST_F(EditorTest, NumberFieldsTypedOneKeyAtATimeKeepTheValueFromBeforeATextThatIsNoNumber) {
    g_demo->paused = true;  // the clock leaves g_beat alone
    g_demo->bpm = 120.0f;
    g_demo->end_beat = 480.0f;
    g_beat = 5.0f;
    g_start_ticks = 12345;  // only a seek moves it while paused

    // On the way to "1e39" the field holds "1e3", a number; the end puts
    // back the value from before.
    TypeKeysInto(Id(kMain, {"##BPM"}), "1e39");
    EXPECT_EQ(g_demo->bpm, 120.0f);
    TypeKeysInto(Id(kMain, {"##End beat"}), "1e39");
    EXPECT_EQ(g_demo->end_beat, 480.0f);
    TypeKeysInto(Id(kMain, {"##currentBeat"}), "1e39");
    EXPECT_EQ(g_beat, 5.0f);
    EXPECT_EQ(g_start_ticks, 12345u);  // and nothing was sought on the way

    // Numbers typed so are taken; the step buttons still step.
    TypeKeysInto(Id(kMain, {"##End beat"}), "64");
    EXPECT_EQ(g_demo->end_beat, 64.0f);
    Press(Id(kMain, {"##BPM", "+"}));
    Frame();
    EXPECT_EQ(g_demo->bpm, 121.0f);
    TypeKeysInto(Id(kMain, {"##currentBeat"}), "32");
    EXPECT_EQ(g_beat, 32.0f);
    EXPECT_NE(g_start_ticks, 12345u);

    // Going on to another field ends the edit too, also when that field
    // comes first in the frame and takes the text state along.
    TypeKeysInto(Id(kMain, {"##BPM"}), "1e39", false);
    EXPECT_EQ(g_demo->bpm, 1000.0f);  // "1e3", as typed on the way
    TypeKeysInto(Id(kMain, {"##End beat"}), "", false);
    EXPECT_EQ(g_demo->bpm, 121.0f);

    // A document loaded meanwhile keeps its own value.
    g_demo->bpm = 140.0f;
    SaveJSON();
    g_demo->bpm = 120.0f;
    TypeKeysInto(Id(kMain, {"##BPM"}), "1e39", false);
    Frame(SDLK_l);
    Key(SDL_SCANCODE_RETURN);
    EXPECT_EQ(g_demo->bpm, 140.0f);

    // Escape gives back the value itself, not the three decimals shown.
    g_demo->bpm = 120.0001f;
    TypeKeysInto(Id(kMain, {"##BPM"}), "7", false);
    EXPECT_EQ(g_demo->bpm, 7.0f);
    Key(SDL_SCANCODE_ESCAPE);
    EXPECT_EQ(g_demo->bpm, 120.0001f);
}

TEST_F(EditorTest, ATypedBeatOffsetMustBeFiniteAndTakesEffectWhenTypedAndATypedVolumeIsClamped) {
    g_demo->beat_offset = 0.5f;
    ImGuiID offset = Id(kMain, {"##Beat offset"});  // Enter on a slider types into it, as Ctrl+click does
    TypeInto(offset, "1e39");
    EXPECT_EQ(g_demo->beat_offset, 0.5f);

    // While playing, the clock sets the beat in every frame from the offset.
    // On the way to "1e39" the text reads "1e3": an offset of 1000 then
    // would put the beat far below 0, which the Beat field raises to 0 by a
    // seek, to the music time of beat 1000 once the offset is back.
    ASSERT_FALSE(g_demo->paused);
    g_demo->bpm = 120.0f;
    SeekToBeat(5.0f);
    uint32_t start = g_start_ticks;
    beat_clock = true;
    TypeKeysInto(offset, "1e39");
    EXPECT_EQ(g_demo->beat_offset, 0.5f);
    EXPECT_EQ(g_start_ticks, start);  // nothing sought
    EXPECT_GE(g_beat, 5.0f);
    EXPECT_LT(g_beat, 100.0f);  // the clock's beat, two beats a second on
    // A number waits for the end of the edit too, typed after a Ctrl+click
    // (its text starts all selected). Beyond the slider's range, it is a
    // lead-in, and kept.
    ImGuiWindow* main = Window(kMain);
    ASSERT_EQ(Context().NavId, offset);  // the typing left the slider's place as the window's nav place
    ImRect slider = main->NavRectRel[0];  // relative to where the window's content starts
    slider.Translate(main->DC.CursorStartPos);
    IO().KeyCtrl = true;
    PressMouse(slider.GetCenter());
    IO().KeyCtrl = false;
    ReleaseMouse();
    for (char c : std::string("2.5")) {
        IO().AddInputCharacter(static_cast<unsigned char>(c));
        Frame();
    }
    EXPECT_EQ(g_demo->beat_offset, 0.5f);
    Key(SDL_SCANCODE_RETURN);
    EXPECT_EQ(g_demo->beat_offset, 2.5f);
    EXPECT_EQ(g_start_ticks, start);

    // A drag takes effect as it goes: the slider at its right end, then at
    // its left, with the button still held.
    PressMouse(ImVec2(slider.Max.x - 2.0f, slider.GetCenter().y));
    EXPECT_EQ(g_demo->beat_offset, 1.0f);
    MouseTo(ImVec2(slider.Min.x + 2.0f, slider.GetCenter().y));
    Frame();
    EXPECT_EQ(g_demo->beat_offset, 0.0f);
    ReleaseMouse();
    beat_clock = false;

    ImGuiID volume = Id(kMain, {"##volume"});
    TypeInto(volume, "2147483647");
    EXPECT_EQ(g_volume, 128);
    TypeInto(volume, "-5");
    EXPECT_EQ(g_volume, 0);
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

TEST_F(EditorTest, ArrangeWindowsLaysOutEveryWindowForOneFrameAndHasTheLayoutSaved) {
    // Every window where the first frame made it; then all moved away.
    g_show_texture_manager = g_show_event_manager = g_show_bpm_tap = true;
    Frames(2);
    ImRect first_place[7];
    for (int i = 0; i < 7; ++i) {
        first_place[i] = Window(kTitles[i])->Rect();
        ImGui::SetWindowPos(kTitles[i], ImVec2(300.0f + 10.0f * i, 300.0f));
        ImGui::SetWindowSize(kTitles[i], ImVec2(200.0f, 100.0f));
    }
    Frame();
    Context().SettingsDirtyTimer = 0.0f;  // nothing waits to be written

    PressMenuItem("View", "Arrange windows");
    EXPECT_TRUE(g_arrange_windows);  // carried out in the frame after the click
    Frame();
    EXPECT_FALSE(g_arrange_windows);
    EXPECT_GT(Context().SettingsDirtyTimer, 0.0f);  // "imgui.ini" is written a few seconds on
    // Dear ImGui keeps window places and sizes in whole pixels.
    const float w = 1280.0f, h = 720.0f, v = std::floor(w * 9.0f / 16.0f / 3.0f);
    const float third = std::floor(w / 3.0f);
    EXPECT_VEC(Window("Shader Editor")->Pos, ImVec2(third, 16.0f));
    EXPECT_VEC(Window("Shader Editor")->Size, ImVec2(std::floor(w * 2.0f / 3.0f), h * 3.0f / 4.0f - 16.0f));
    EXPECT_VEC(Window("Viewport")->Pos, ImVec2(0.0f, 16.0f));
    EXPECT_VEC(Window("Viewport")->Size, ImVec2(third, v + 16.0f));
    EXPECT_VEC(Window("Effect Manager")->Pos, ImVec2(0.0f, v + 32.0f));
    EXPECT_VEC(Window("Effect Manager")->Size, ImVec2(third, (h * 3.0f / 4.0f - 16.0f) - (v + 16.0f)));
    EXPECT_VEC(Window(kMain)->Pos, ImVec2(0.0f, h * 3.0f / 4.0f));
    EXPECT_VEC(Window(kMain)->Size, ImVec2(w, h / 4.0f));
    // Arranged is where each window first appeared (once Dear ImGui has
    // brought the title bars out from under the menu bar, as it does).
    Frame();
    for (int i = 0; i < 7; ++i) {
        EXPECT_VEC(Window(kTitles[i])->Pos, first_place[i].Min);
        EXPECT_VEC(Window(kTitles[i])->Size, first_place[i].GetSize());
    }
    // Moved away, the windows stay where they are put: the layout was one frame's.
    ImGui::SetWindowPos("Viewport", ImVec2(300.0f, 300.0f));
    Frames(2);
    EXPECT_VEC(Window("Viewport")->Pos, ImVec2(300.0f, 300.0f));
}

TEST_F(EditorTest, WithoutSavedPlacesEveryWindowFirstAppearsInItsOwnPlaceAndNoneOverTheViewport) {
    // A window first opened a while after the start lands in its place too.
    Frames(3);
    g_show_texture_manager = g_show_event_manager = g_show_bpm_tap = true;
    Frames(2);
    for (int i = 0; i < 7; ++i) {
        for (int j = i + 1; j < 7; ++j) {
            ImRect a = Window(kTitles[i])->Rect(), b = Window(kTitles[j])->Rect();
            EXPECT_FALSE(a.Min.x == b.Min.x && a.Min.y == b.Min.y && a.Max.x == b.Max.x && a.Max.y == b.Max.y)
                << kTitles[i] << " and " << kTitles[j] << " lie one over the other";
        }
    }
    ImRect viewport = Window("Viewport")->Rect();
    EXPECT_GT(viewport.GetWidth(), 400.0f);  // a third of the display, not a few pixels
    for (const char* title : {"Texture Manager", "Event Manager", "BPM Tap"})
        EXPECT_FALSE(Window(title)->Rect().Overlaps(viewport)) << title;
    // The BPM Tap's title reads whole beside its collapse arrow and close box.
    ImGuiWindow* tap = Window("BPM Tap");
    EXPECT_GE(tap->Size.x, ImGui::CalcTextSize("BPM Tap").x + 2.0f * ImGui::GetFrameHeight());
    EXPECT_GE(tap->Size.y, tap->ContentSize.y + tap->TitleBarHeight() + 2.0f * ImGui::GetStyle().WindowPadding.y);
}

TEST_F(EditorTest, ASavedPlaceWinsOverTheFirstUsePlace) {
    const char* saved = "[Window][Event Manager]\nPos=500,300\nSize=400,200\nCollapsed=0\n";
    ImGui::LoadIniSettingsFromMemory(saved);
    Frame(SDLK_e);
    Frame();
    EXPECT_VEC(Window("Event Manager")->Pos, ImVec2(500.0f, 300.0f));
    EXPECT_VEC(Window("Event Manager")->Size, ImVec2(400.0f, 200.0f));
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
