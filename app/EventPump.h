// The input side of one pass of the main loop: SDL's events handed to Dear
// ImGui (and to the loop's own keys) in an order it cannot lose, and the
// start of the user-interface frame that reads them.
//
// Dear ImGui 1.86 reads whether a key is down once per frame, and its
// widgets apply a frame's typed text and key presses in an order of their
// own: its text fields apply the text first, the code editor the keys
// first. On a slow frame a key pressed and released within that frame would
// never be seen, and a key pressed after typed text could act before it. So
// the pump hands the waiting events over in order and stops before the
// first one that would lose that order:
//   - a second change (press or release) of a key already changed in this pass;
//   - a press of a key that types no text, after typed text in this pass;
//   - typed text, or the press of a key that types it, after such a press.
// What is left waits, in order, for the next pass. Key repeats are not
// presses and change no key, so they never stop a pass. The first waiting
// event always goes, so every pass makes progress: typed text is only
// spread over frames, never dropped.
//
//   EventPump pump;               // one for the run
//   pump.Pump(state);             // every pass, where the loop polled events
//   BeginInterfaceFrame();        // then the frame that reads them
#pragma once

#include <SDL.h>

#include <cstddef>
#include <deque>

#include "MainLoop.h"

// How many of the waiting events, from the front, go to the user interface
// in this pass under the rules above: at least one when any wait, all of
// them when none would lose order. A key press types text when the event
// right behind it is a text event: SDL posts a key's press and the text it
// types together.
size_t EventsForThisPass(const std::deque<SDL_Event>& waiting);

// The events SDL has delivered and the pump has not yet handed over.
class EventPump {
public:
    // One pass's events: resets the pass's shortcut key, takes every event
    // SDL holds behind those that waited, then hands this pass's share, in
    // order, each to ImGui_ImplSDL2_ProcessEvent and then to HandleLoopEvent.
    // After each key event it sets Dear ImGui's KeyCtrl, KeyShift, KeyAlt and
    // KeySuper from that event's own modifiers: the backend reads SDL's
    // current ones, which a waiting event may have outlived (a deferred
    // Ctrl+V is still Ctrl+V).
    void Pump(MainLoopState& state);
    // Events waiting for a later pass.
    size_t Waiting() const { return waiting_.size(); }

private:
    std::deque<SDL_Event> waiting_;  // oldest first
};

// Starts the user-interface frame: the OpenGL 3 renderer's and the SDL
// backend's NewFrame, the Viewport's filter of the click that ends
// mouse-look (the backend reads the mouse buttons itself, in its NewFrame),
// then ImGui::NewFrame.
void BeginInterfaceFrame();
