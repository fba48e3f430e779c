// The rules of one pass of the main loop, apart from the drawing: the end
// rule, the beat clock, the loop rule and the keys. The loop itself is in
// app/Main.cpp; these take the time and the events as arguments so that tests
// can drive them without a clock or a keyboard.
#pragma once

#include <SDL.h>

#include <cstdint>

// State local to the main loop.
struct MainLoopState {
    bool editor_shown = false;      // Ctrl+T shows and hides the editor
    bool editor_was_shown = false;  // the editor has been shown in this run: an editing session
    int shortcut_key = 0;           // Ctrl+key released this pass, for the editor; 0 for none
};

// End rule: true when the beat has passed the end beat in a run that never
// showed the editor (the player stops). An editing session never ends by
// itself: with the editor hidden to watch the demo, playback runs on past
// the end beat, and only a quit (File > Quit, Ctrl+Q, the window's close
// request) ends it.
bool EndRuleQuits(float beat, float end_beat, bool editor_shown, bool editor_was_shown);
// Beat clock: unless g_demo is paused, g_beat := the beat at now_ticks
// minus g_start_ticks (an unsigned difference, so the tick wrap is harmless).
void AdvanceBeatClock(uint32_t now_ticks);
// Loop rule: once g_beat has reached the looped event's end beat, seeks to
// its start beat. True when it sought. An event whose end is not after its
// start, or not after both beat 0 and minus the beat offset (where a seek
// before music time 0 lands), does not loop.
bool ApplyLoopRule();
// Acts on one SDL event of the pass: the window's close request quits;
// keys act on release: Escape while the editor is hidden quits a run that
// never showed the editor and shows the editor again in one that did; with
// either Control key held (and not in a packaged run) T toggles the editor,
// Q quits an editing session whose editor is hidden, and any other key
// becomes the pass's shortcut key (which only a shown editor reads).
void HandleLoopEvent(const SDL_Event& event, MainLoopState& state);
