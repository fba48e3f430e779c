#include "MainLoop.h"

#include <algorithm>

#include "Demo.h"
#include "Event.h"
#include "Playback.h"

bool EndRuleQuits(float beat, float end_beat, bool editor_shown, bool editor_was_shown) {
    return beat > end_beat && !editor_shown && !editor_was_shown;
}

void AdvanceBeatClock(uint32_t now_ticks) {
    if (!g_demo || g_demo->paused) return;
    uint32_t elapsed = now_ticks - g_start_ticks;
    g_beat = BeatAtElapsed(elapsed, g_demo->bpm, g_demo->beat_offset);
}

bool ApplyLoopRule() {
    if (!g_loop_event || !(g_beat >= g_loop_event->end_beat)) return false;
    // A span that ends at or before its start would seek every frame: no loop.
    if (!(g_loop_event->end_beat > g_loop_event->start_beat)) return false;
    // So would one that ends before the first beat a seek can reach: a seek
    // before music time 0 lands on minus the beat offset, and the editor's
    // Beat field raises a negative beat to 0.
    float beat_offset = g_demo ? g_demo->beat_offset : 0.0f;
    if (!(g_loop_event->end_beat > std::max(0.0f, -beat_offset))) return false;
    SeekToBeat(g_loop_event->start_beat);
    return true;
}

void HandleLoopEvent(const SDL_Event& event, MainLoopState& state) {
    if (event.type == SDL_QUIT) {
        g_quit = true;
        return;
    }
    if (event.type != SDL_KEYUP) return;  // everything else is the UI's
    SDL_Keycode key = event.key.keysym.sym;
    if (key == SDLK_ESCAPE && !state.editor_shown) {
        // Escape leaves the full-screen picture of an editing session, which
        // it would otherwise end with all that is not saved.
        if (state.editor_was_shown) {
            state.editor_shown = true;
        } else {
            g_quit = true;
        }
    }
    if ((event.key.keysym.mod & KMOD_CTRL) != 0 && !g_packaged) {
        if (key == SDLK_t) {
            state.editor_shown = !state.editor_shown;
            if (state.editor_shown) state.editor_was_shown = true;
        } else if (key == SDLK_q && !state.editor_shown && state.editor_was_shown) {
            // No editor frame reads the shortcut while the editor is hidden,
            // and an editing session does not end at the end beat: Ctrl+Q
            // still ends it, as it does with the editor shown.
            g_quit = true;
        } else {
            state.shortcut_key = key;  // the last one of the pass wins
        }
    }
}
