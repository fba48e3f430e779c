#include "HeadlessImGui.h"

#include <cstdint>

HeadlessImGui::HeadlessImGui(ImVec2 displaySize, float deltaTime) {
    context_ = ImGui::CreateContext();
    ImGui::SetCurrentContext(context_);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // tests leave no imgui.ini behind
    io.LogFilename = nullptr;
    io.DisplaySize = displaySize;
    io.DeltaTime = deltaTime;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);  // builds the atlas
    io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(1)));
}

HeadlessImGui::~HeadlessImGui() {
    ImGui::SetCurrentContext(context_);
    if (inFrame_) EndFrame();
    ImGui::DestroyContext(context_);
}

ImGuiIO& HeadlessImGui::IO() const {
    ImGui::SetCurrentContext(context_);
    return ImGui::GetIO();
}

void HeadlessImGui::BeginFrame(const char* windowTitle) {
    ImGui::SetCurrentContext(context_);
    ImGui::NewFrame();
    inFrame_ = true;
    windowOpen_ = windowTitle != nullptr;
    if (windowOpen_) {
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::SetNextWindowSize(ImGui::GetIO().DisplaySize);
        ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0.0f, 0.0f));
        ImGui::Begin(windowTitle, nullptr,
                     ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings);
        ImGui::PopStyleVar();
    }
}

void HeadlessImGui::EndFrame() {
    ImGui::SetCurrentContext(context_);
    if (windowOpen_) ImGui::End();
    windowOpen_ = false;
    ImGui::Render();
    inFrame_ = false;
}

void HeadlessImGui::Frame() {
    BeginFrame();
    EndFrame();
}
