// The beat clock, seeking, the end and loop rules and the main loop's keys,
// driven with made-up tick counts and SDL events instead of real time.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "Demo.h"
#include "Event.h"
#include "GLFixture.h"
#include "MainLoop.h"
#include "Playback.h"

/* === Clock arithmetic ==================================================== */

TEST(BeatClock, AtElapsedZeroTheBeatIsMinusTheBeatOffset) {
    EXPECT_FLOAT_EQ(BeatAtElapsed(0, 130.0f, 0.5f), -0.5f);
    EXPECT_FLOAT_EQ(BeatAtElapsed(0, 120.0f, 0.0f), 0.0f);
}

TEST(BeatClock, OneMinuteAtTheTempoIsThatManyBeats) {
    EXPECT_FLOAT_EQ(BeatAtElapsed(60000, 130.0f, 0.5f), 129.5f);
    EXPECT_FLOAT_EQ(BeatAtElapsed(500, 120.0f, 0.0f), 1.0f);
    // Computed as elapsed * bpm / 60000 - offset in single precision.
    float elapsed = 12345.0f;
    EXPECT_EQ(BeatAtElapsed(12345, 133.0f, 0.25f), elapsed * 133.0f / 60000.0f - 0.25f);
}

TEST(BeatClock, MillisecondsAtBeatTruncatesTowardZero) {
    EXPECT_EQ(MillisecondsAtBeat(0.0f, 0.5f, 130.0f), 230u);  // 230.769...
    EXPECT_EQ(MillisecondsAtBeat(1.0f, 0.0f, 120.0f), 500u);
    EXPECT_EQ(MillisecondsAtBeat(-0.5f, 0.5f, 130.0f), 0u);
}

TEST(BeatClock, ANegativeTimeSeeksToZeroMilliseconds) {
    EXPECT_EQ(MillisecondsAtBeat(-10.0f, 0.5f, 130.0f), 0u);
    EXPECT_EQ(MillisecondsAtBeat(-0.6f, 0.5f, 130.0f), 0u);
}

TEST(BeatClock, ATempoOfZeroOrBelowNeverDividesByZero) {
    EXPECT_EQ(MillisecondsAtBeat(10.0f, 0.5f, 0.0f), 0u);
    EXPECT_EQ(MillisecondsAtBeat(10.0f, 0.5f, -120.0f), 0u);
    EXPECT_EQ(MillisecondsAtBeat(10.0f, 0.5f, std::numeric_limits<float>::quiet_NaN()), 0u);
    EXPECT_EQ(MillisecondsAtBeat(std::numeric_limits<float>::quiet_NaN(), 0.5f, 120.0f), 0u);
}

TEST(BeatClock, TimesBeyondTheCounterSaturateInsteadOfOverflowing) {
    EXPECT_EQ(MillisecondsAtBeat(1e12f, 0.0f, 120.0f), 0xFFFFFFFFu);
    EXPECT_EQ(MillisecondsAtBeat(std::numeric_limits<float>::infinity(), 0.0f, 120.0f), 0xFFFFFFFFu);
    EXPECT_EQ(MillisecondsAtBeat(10.0f, 0.0f, 1e-30f), 0xFFFFFFFFu);
}

TEST(BeatClock, ASeekFollowedByTheClockGivesBackTheBeatLessTheTruncation) {
    const float bpm = 130.0f;
    const float offset = 0.5f;
    for (float beat : {0.0f, 1.0f, 17.25f, 100.3f, 479.9f}) {
        uint32_t ms = MillisecondsAtBeat(beat, offset, bpm);
        float back = BeatAtElapsed(ms, bpm, offset);
        EXPECT_LE(back, beat + 1e-4f);
        EXPECT_GT(back, beat - bpm / 60000.0f - 1e-4f) << "at beat " << beat;
    }
}

TEST(EndRule, QuitsPastTheEndBeatOnlyInARunThatNeverShowedTheEditor) {
    EXPECT_FALSE(EndRuleQuits(480.0f, 480.0f, false, false));  // at the end beat: not yet
    EXPECT_TRUE(EndRuleQuits(480.01f, 480.0f, false, false));
    EXPECT_TRUE(EndRuleQuits(0.0f, -5.0f, false, false));      // an end beat already passed
    EXPECT_FALSE(EndRuleQuits(-0.5f, 480.0f, false, false));
    EXPECT_FALSE(EndRuleQuits(480.01f, 480.0f, true, true));   // never while editing
    EXPECT_FALSE(EndRuleQuits(1e6f, 480.0f, false, true));     // nor with the editor hidden again
}

/* === The clock and the loop rule on the current document ================= */

class PlaybackStateTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        saved_demo_ = g_demo;
        g_demo = new Demo();
        g_beat = 0.0f;
        g_start_ticks = 0;
        g_loop_event = nullptr;
        g_quit = false;
        g_packaged = false;
    }
    void TearDown() override {
        delete g_demo;
        g_demo = saved_demo_;
        g_loop_event = nullptr;
        g_quit = false;
        g_packaged = false;
        g_beat = 0.0f;
    }
    Demo* saved_demo_ = nullptr;
};

TEST_F(PlaybackStateTest, TheClockSetsTheBeatFromTheTicksSinceTheStart) {
    g_start_ticks = 1000;
    AdvanceBeatClock(1000);
    EXPECT_FLOAT_EQ(g_beat, -0.5f);
    AdvanceBeatClock(1000 + 60000);
    EXPECT_FLOAT_EQ(g_beat, 129.5f);
}

TEST_F(PlaybackStateTest, TheClockSurvivesTheTickCounterWrapping) {
    g_demo->bpm = 120.0f;
    g_demo->beat_offset = 0.0f;
    g_start_ticks = 0xFFFFFF00u;  // 256 ms before the wrap
    AdvanceBeatClock(244);        // 500 ms later, after the wrap
    EXPECT_FLOAT_EQ(g_beat, 1.0f);
}

TEST_F(PlaybackStateTest, PausingFreezesTheBeat) {
    g_demo->paused = true;
    g_beat = 12.5f;
    AdvanceBeatClock(90000);
    EXPECT_EQ(g_beat, 12.5f);
}

TEST_F(PlaybackStateTest, SeekingSetsTheBeatAndMovesTheClockStartBack) {
    g_demo->bpm = 120.0f;
    g_demo->beat_offset = 0.5f;
    uint32_t before = SDL_GetTicks();
    SeekToBeat(9.5f);  // 10 beats of music time: 5000 ms
    uint32_t after = SDL_GetTicks();
    EXPECT_EQ(g_beat, 9.5f);
    // In modular tick arithmetic: the start lies 5000 ms before the seek.
    EXPECT_LE(static_cast<uint32_t>(before - g_start_ticks), 5000u);
    EXPECT_GE(static_cast<uint32_t>(after - g_start_ticks), 5000u);
    AdvanceBeatClock(g_start_ticks + 5000);
    EXPECT_FLOAT_EQ(g_beat, 9.5f);
}

TEST_F(PlaybackStateTest, SeekingToANegativeTimeStartsTheMusicTheClockAndTheBeatAtZero) {
    g_demo->beat_offset = 0.5f;
    g_demo->paused = true;  // the paused clock must not keep the unreachable beat
    uint32_t before = SDL_GetTicks();
    SeekToBeat(-3.0f);
    EXPECT_EQ(g_beat, -0.5f);
    EXPECT_GE(g_start_ticks, before);  // no milliseconds taken off
    SeekToBeat(-0.5f);                 // exactly music time 0 is kept as asked
    EXPECT_EQ(g_beat, -0.5f);
    SeekToBeat(-0.25f);
    EXPECT_EQ(g_beat, -0.25f);
    SeekToBeat(std::nanf(""));
    EXPECT_EQ(g_beat, -0.5f);
}

TEST_F(PlaybackStateTest, SeekingWithATempoOfZeroKeepsTheClockUsable) {
    g_demo->bpm = 0.0f;
    uint32_t before = SDL_GetTicks();
    SeekToBeat(8.0f);
    EXPECT_EQ(g_beat, 8.0f);
    EXPECT_GE(g_start_ticks, before);
}

TEST_F(PlaybackStateTest, TheLoopedEventSendsTheBeatBackToItsStartAtItsEnd) {
    Event* loop = new Event("loop", nullptr, 8.0f, 16.0f);
    g_demo->events.push_back(loop);
    g_loop_event = loop;
    g_beat = 15.99f;
    EXPECT_FALSE(ApplyLoopRule());
    EXPECT_EQ(g_beat, 15.99f);
    g_beat = 16.0f;  // at the end beat: back to the start
    EXPECT_TRUE(ApplyLoopRule());
    EXPECT_EQ(g_beat, 8.0f);
    loop->end_beat = 8.0f;  // an empty span would seek every frame: it does not loop
    g_beat = 9.0f;
    EXPECT_FALSE(ApplyLoopRule());
    EXPECT_EQ(g_beat, 9.0f);
    loop->end_beat = 16.0f;
    g_beat = 40.0f;
    EXPECT_TRUE(ApplyLoopRule());
    EXPECT_EQ(g_beat, 8.0f);
    // An event that ends before the first beat a seek can reach would be
    // sought back to in every frame, as the seek lands past its end: a seek
    // before music time 0 lands on minus the beat offset (here beat 2) ...
    g_demo->beat_offset = -2.0f;
    loop->start_beat = 0.0f;
    loop->end_beat = 1.0f;
    SeekToBeat(0.0f);
    EXPECT_FALSE(ApplyLoopRule());
    // ... and the editor's Beat field raises a negative beat to 0.
    g_demo->beat_offset = 0.5f;
    loop->start_beat = -0.45f;
    loop->end_beat = -0.1f;
    g_beat = 0.0f;
    EXPECT_FALSE(ApplyLoopRule());
    g_loop_event = nullptr;
    g_beat = 40.0f;
    EXPECT_FALSE(ApplyLoopRule());
    EXPECT_EQ(g_beat, 40.0f);
}

/* === Keys and quit requests ============================================== */

static SDL_Event KeyUp(SDL_Keycode key, uint16_t mod = KMOD_NONE) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_KEYUP;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    return event;
}

static SDL_Event KeyDown(SDL_Keycode key, uint16_t mod = KMOD_NONE) {
    SDL_Event event = KeyUp(key, mod);
    event.type = SDL_KEYDOWN;
    return event;
}

class MainLoopKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_quit = false;
        g_packaged = false;
    }
    void TearDown() override {
        g_quit = false;
        g_packaged = false;
    }
    MainLoopState state;
};

TEST_F(MainLoopKeysTest, EscapeQuitsOnReleaseInARunThatNeverShowedTheEditor) {
    HandleLoopEvent(KeyDown(SDLK_ESCAPE), state);
    EXPECT_FALSE(g_quit);
    HandleLoopEvent(KeyUp(SDLK_ESCAPE), state);
    EXPECT_TRUE(g_quit);
    EXPECT_FALSE(state.editor_was_shown);
}

TEST_F(MainLoopKeysTest, EscapeWithTheEditorHiddenAgainShowsItInsteadOfQuitting) {
    HandleLoopEvent(KeyUp(SDLK_t, KMOD_LCTRL), state);
    EXPECT_TRUE(state.editor_was_shown);
    HandleLoopEvent(KeyUp(SDLK_t, KMOD_LCTRL), state);
    EXPECT_FALSE(state.editor_shown);
    EXPECT_TRUE(state.editor_was_shown);  // hiding keeps it
    HandleLoopEvent(KeyUp(SDLK_ESCAPE), state);
    EXPECT_TRUE(state.editor_shown);
    EXPECT_FALSE(g_quit);
    HandleLoopEvent(KeyUp(SDLK_ESCAPE), state);  // with the editor shown: nothing
    EXPECT_TRUE(state.editor_shown);
    EXPECT_FALSE(g_quit);
}

TEST_F(MainLoopKeysTest, CtrlQQuitsAnEditingSessionWithTheEditorHiddenWhileOtherShortcutsWait) {
    HandleLoopEvent(KeyUp(SDLK_t, KMOD_LCTRL), state);
    HandleLoopEvent(KeyUp(SDLK_t, KMOD_LCTRL), state);
    HandleLoopEvent(KeyUp(SDLK_s, KMOD_LCTRL), state);  // handed on, read by no editor frame
    EXPECT_EQ(state.shortcut_key, SDLK_s);
    EXPECT_FALSE(g_quit);
    HandleLoopEvent(KeyUp(SDLK_q, KMOD_RCTRL), state);
    EXPECT_TRUE(g_quit);
    EXPECT_FALSE(state.editor_shown);
}

TEST_F(MainLoopKeysTest, EscapeWithTheEditorShownDoesNotQuit) {
    state.editor_shown = true;
    HandleLoopEvent(KeyUp(SDLK_ESCAPE), state);
    EXPECT_FALSE(g_quit);
}

TEST_F(MainLoopKeysTest, TheWindowsCloseRequestQuits) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_QUIT;
    state.editor_shown = true;
    HandleLoopEvent(event, state);
    EXPECT_TRUE(g_quit);
}

TEST_F(MainLoopKeysTest, CtrlTTogglesTheEditorOnceOnReleaseWithEitherControlKey) {
    HandleLoopEvent(KeyDown(SDLK_t, KMOD_LCTRL), state);
    EXPECT_FALSE(state.editor_shown);
    HandleLoopEvent(KeyUp(SDLK_t, KMOD_LCTRL), state);
    EXPECT_TRUE(state.editor_shown);
    HandleLoopEvent(KeyUp(SDLK_t, KMOD_RCTRL), state);
    EXPECT_FALSE(state.editor_shown);
    EXPECT_EQ(state.shortcut_key, 0);  // Ctrl+T is not handed to the editor
    EXPECT_FALSE(g_quit);
}

TEST_F(MainLoopKeysTest, TWithoutControlDoesNothing) {
    HandleLoopEvent(KeyUp(SDLK_t, KMOD_SHIFT), state);
    EXPECT_FALSE(state.editor_shown);
    EXPECT_EQ(state.shortcut_key, 0);
}

TEST_F(MainLoopKeysTest, CtrlWithAnotherKeyHandsTheLastKeyOfThePassToTheEditor) {
    HandleLoopEvent(KeyUp(SDLK_s, KMOD_LCTRL), state);
    EXPECT_EQ(state.shortcut_key, SDLK_s);
    HandleLoopEvent(KeyUp(SDLK_e, KMOD_RCTRL | KMOD_SHIFT), state);
    EXPECT_EQ(state.shortcut_key, SDLK_e);
    HandleLoopEvent(KeyDown(SDLK_l, KMOD_LCTRL), state);  // a press hands over nothing
    EXPECT_EQ(state.shortcut_key, SDLK_e);
    EXPECT_FALSE(state.editor_shown);
}

TEST_F(MainLoopKeysTest, APackagedRunTakesNoControlShortcutsButEscapeStillQuits) {
    g_packaged = true;
    HandleLoopEvent(KeyUp(SDLK_t, KMOD_LCTRL), state);
    HandleLoopEvent(KeyUp(SDLK_s, KMOD_LCTRL), state);
    HandleLoopEvent(KeyUp(SDLK_q, KMOD_LCTRL), state);
    EXPECT_FALSE(state.editor_shown);
    EXPECT_FALSE(state.editor_was_shown);
    EXPECT_EQ(state.shortcut_key, 0);
    EXPECT_FALSE(g_quit);
    HandleLoopEvent(KeyUp(SDLK_ESCAPE), state);
    EXPECT_TRUE(g_quit);
}

TEST_F(MainLoopKeysTest, OtherEventsAreLeftToTheUserInterface) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_MOUSEBUTTONUP;
    HandleLoopEvent(event, state);
    EXPECT_FALSE(g_quit);
    EXPECT_EQ(state.shortcut_key, 0);
}

TEST_F(MainLoopKeysTest, TheEventWatchQuitsWhenTheAppGoesToTheBackground) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_KEYUP;
    EXPECT_EQ(QuitEventWatch(nullptr, &event), 1);
    EXPECT_FALSE(g_quit);
    event.type = SDL_APP_WILLENTERBACKGROUND;
    EXPECT_EQ(QuitEventWatch(nullptr, &event), 1);
    EXPECT_TRUE(g_quit);
}

/* === GL errors =========================================================== */

using CheckGLErrorTest = GLTest;

TEST_F(CheckGLErrorTest, PrintsEveryQueuedErrorWithItsTagAndEmptiesTheQueue) {
    glEnable(0xFFFF);  // GL_INVALID_ENUM
    testing::internal::CaptureStdout();
    CheckGLError("flushing");
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "ERROR! flushing: 500\n");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    testing::internal::CaptureStdout();
    CheckGLError("again");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
