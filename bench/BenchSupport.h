// What the benchmarks share: a GL context on a hidden window (a document
// needs one for its textures and programs) and a headless Dear ImGui context
// whose frames are built but never drawn. Run the benchmarks that need them
// under xvfb-run where there is no display.
#pragma once

#include <SDL.h>
#include <imgui.h>

#include <string>

#include "TextEditor.h"

// Makes a hidden SDL window and its GL context current on the first call,
// as start-up requests it; false when there is none (the reason is printed
// once on the error stream).
bool HaveGLContext();

// A hidden window of width x height with the program's GL context current on
// it, the screen size and the viewport set to match, while the object lives;
// then the context goes back to the program's window and the screen size to
// what it was. Call HaveGLContext first. Ready() is false when no such window
// could be made.
class SizedScreen {
public:
    SizedScreen(int width, int height);
    ~SizedScreen();
    bool Ready() const { return window_ != nullptr; }
    SizedScreen(const SizedScreen&) = delete;
    SizedScreen& operator=(const SizedScreen&) = delete;

private:
    SDL_Window* window_ = nullptr;
    int saved_width_ = 0;
    int saved_height_ = 0;
};

// A Dear ImGui context of the given display size with its font atlas built,
// current while the object lives.
class HeadlessUI {
public:
    explicit HeadlessUI(ImVec2 display = ImVec2(1920.0f, 1080.0f));
    ~HeadlessUI();
    HeadlessUI(const HeadlessUI&) = delete;
    HeadlessUI& operator=(const HeadlessUI&) = delete;

private:
    ImGuiContext* context_ = nullptr;
};

// A 20-line block of typical fragment-shader code with both comment kinds, a
// preprocessor line and strings of keywords, numbers and calls.
extern const char* const kShaderBlock;
// kShaderBlock repeated up to at least lines lines.
std::string RepeatedShader(int lines);

// The code editor alone, with the Shader Editor's language, filling a
// window of a headless user interface.
class CodeEditorFrames {
public:
    explicit CodeEditorFrames(const std::string& text);
    // One user-interface frame with the editor filling the window.
    void Frame();

    HeadlessUI ui;  // made before the editor, gone after it
    TextEditor editor;
};
