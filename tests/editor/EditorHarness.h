// Drives the editor in-process: a real GL context (the demo draws for real),
// a headless Dear ImGui context fed the way the 1.86 SDL backend feeds it
// (keys in io.KeysDown by SDL scancode, with the backend's key map), a fresh
// document as g_demo, the editor's state at its start values, and a fresh
// temporary working directory (saves, "render", "resources").
//
//   EditorTest fixture:
//     Frame();                                  // one editor frame
//     Press(Id("Velmara :: 0.1", {"Play"}));    // a button pressed in the next frame
//     Press(MenuItem("File", "Save JSON"));     // opens the menu, presses the item
//     TypeInto(Id(kMain, {"##currentBeat"}), "-3");
//     Key(SDL_SCANCODE_W, 10);                  // held for 10 frames
//
// Items are found by their ID, computed from the window and the labels
// (and integer IDs) pushed on the way, as Dear ImGui computes it.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "GLFixture.h"
#include "HeadlessImGui.h"
#include "TempDir.h"

class Demo;
class Event;

namespace edtest {

constexpr const char* kMain = "Velmara :: 0.1";

// One step of an ID path: a label (hashed as Dear ImGui hashes it) or an
// integer pushed with PushID(int).
struct IdPart {
    IdPart(const char* text) : label(text) {}
    IdPart(int number) : index(number), is_index(true) {}
    const char* label = nullptr;
    int index = 0;
    bool is_index = false;
};

// Resets the editor's run-long state to its start values.
void ResetEditorState();

// The Shader Editor's clock in tests, in milliseconds (ResetEditorState sets it and zeroes both):
// it stands still unless a test moves g_test_clock or has each reading move it on by g_test_clock_step.
extern uint32_t g_test_clock, g_test_clock_step;
uint32_t TestClock();

class EditorTest : public GLTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // One frame: ShowEditor with the shortcut key, then the frame is
    // finished and retired documents are released. ShowEditor's result.
    // The beat clock (with beat_clock) and the mouse-look click filter run first, as in the main loop.
    bool Frame(int shortcut_key = 0);
    void Frames(int count);

    // The window of that name (a child window: "Parent/child"), or null.
    ImGuiWindow* Window(const std::string& name) const;
    // The ID of the item reached from the window through the path.
    ImGuiID Id(const std::string& window, std::initializer_list<IdPart> path) const;
    // Presses the item (a button, check box, selectable or menu item) in the
    // next frame, as the keyboard's activation would; ShowEditor's result.
    bool Press(ImGuiID id);
    // Opens a menu of the main menu bar, then presses its item.
    void PressMenuItem(const char* menu, const char* item);
    // Types text into an input field (replacing what it holds) and presses
    // Enter, over five frames.
    void TypeInto(ImGuiID id, const std::string& text);
    // The same, one character a frame; without enter the field stays in its edit.
    void TypeKeysInto(ImGuiID id, const std::string& text, bool enter = true);
    // Activates a field as a click would, presses key (with Ctrl when ctrl is set), types text, presses Enter.
    void EditField(ImGuiID id, SDL_Scancode key, bool ctrl, const std::string& text);
    // Holds a key (SDL scancode) down for frames frames, then lets it go.
    void Key(SDL_Scancode key, int frames = 1, bool ctrl = false);
    // Moves the mouse; the button state stays.
    void MouseTo(ImVec2 position);
    // Presses the left button at a point (moving there in the frame before), or lets it go; a frame each.
    void PressMouse(ImVec2 at);
    void ReleaseMouse();
    // Gives the window the keyboard focus, as a click on it would.
    void Focus(const std::string& window);

    // Adds to g_demo a program drawing one opaque colour, an effect with it
    // and an event showing it from start to end; the event.
    Event* AddSolidEvent(const std::string& name, float r, float g, float b, float start, float end);
    // The characters the window drew, in draw order, each known by its quad's atlas corners: a space reads
    // as nothing, a character the font lacks as the font's fallback glyph.
    std::string DrawnText(const std::string& window) const;

    ImGuiIO& IO() { return imgui->IO(); }
    ImGuiContext& Context() { return *imgui->Context(); }

    std::unique_ptr<HeadlessImGui> imgui;
    std::unique_ptr<testutil::TempDir> dir;
    std::unique_ptr<testutil::ScopedWorkingDirectory> in_dir;
    Demo* saved_demo = nullptr;
    bool beat_clock = false;  // set, each Frame first sets g_beat from the clock as the main loop does
};

}  // namespace edtest
