// A Dear ImGui context for tests that needs no window and no renderer: the
// default font atlas is built (so text can be measured), the display size and
// frame time are set, and frames can be begun and ended. Draw data is built
// but never rendered.
//
//   HeadlessImGui imgui;          // context + fonts
//   imgui.BeginFrame();           // ImGui::NewFrame and a full-size window
//   ... ImGui calls, TextEditor::Render, geometry functions ...
//   imgui.EndFrame();             // closes the window, ImGui::Render
#pragma once

#include <imgui.h>

class HeadlessImGui {
public:
    // Creates and makes current a new context with its font atlas built.
    explicit HeadlessImGui(ImVec2 displaySize = ImVec2(1280.0f, 720.0f), float deltaTime = 1.0f / 60.0f);
    // Ends an open frame and destroys the context.
    ~HeadlessImGui();
    HeadlessImGui(const HeadlessImGui&) = delete;
    HeadlessImGui& operator=(const HeadlessImGui&) = delete;

    // Starts a frame and, unless windowTitle is null, opens a window filling
    // the display (no padding, no decoration) so the cursor starts at (0, 0).
    void BeginFrame(const char* windowTitle = "Headless");
    // Closes the window opened by BeginFrame and finishes the frame.
    void EndFrame();
    // BeginFrame then EndFrame: lets ImGui settle focus and hover state.
    void Frame();

    ImGuiContext* Context() const { return context_; }
    ImGuiIO& IO() const;
    bool InFrame() const { return inFrame_; }

private:
    ImGuiContext* context_ = nullptr;
    bool inFrame_ = false;
    bool windowOpen_ = false;
};
