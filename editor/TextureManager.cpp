// The Texture Manager: images from "resources" join the document as
// textures, are listed, looked at and deleted.
#include <imgui.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "Commands.h"
#include "Demo.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "Files.h"
#include "FilePicker.h"
#include "Playback.h"
#include "TextFields.h"
#include "Texture.h"

namespace {

// The texture at the selected position, or null when it lies outside the list.
Texture* SelectedTexture() {
    if (g_selected_texture_position < 0) return nullptr;
    if (static_cast<size_t>(g_selected_texture_position) >= g_demo->textures.size()) return nullptr;
    return g_demo->textures[static_cast<size_t>(g_selected_texture_position)];
}

// Adds the picked file as a texture; a file that cannot be read adds
// nothing. One that reads but is refused or does not decode is kept (id 0,
// its bytes in the document), and the status line says why.
void AddTexture(const std::string& path) {
    uint32_t size = 0;
    char* bytes = ReadWholeFile(path.c_str(), &size);
    if (bytes == nullptr) {
        SetStatusMessage("Cannot read " + path);
        return;
    }
    std::free(bytes);
    std::string reason;
    g_demo->textures.push_back(new Texture(path.c_str(), &reason));
    if (!reason.empty()) SetStatusMessage(path + ": " + reason);
}

void ShowInspector() {
    ImGui::BeginChild("Inspector", ImVec2(0, 0), true, ImGuiWindowFlags_HorizontalScrollbar);
    if (Texture* texture = SelectedTexture()) {
        ImGui::Text("%s", ShownText(texture->name).c_str());
        char line[128];
        std::snprintf(line, sizeof line, "ID: %d    Dimensions: %d x %d", static_cast<int>(texture->id), texture->width,
                      texture->height);
        ImGui::Text("%s", line);
        // 256 wide, in the image's proportions.
        int64_t height = texture->width > 0 ? static_cast<int64_t>(texture->height) * 256 / texture->width : 0;
        ImGui::Image((ImTextureID)(intptr_t)texture->id, ImVec2(256.0f, static_cast<float>(height)), ImVec2(0, 0),
                     ImVec2(1, 1), ImVec4(1, 1, 1, 1), ImVec4(0, 0, 0, 0));
    }
    ImGui::EndChild();
}

}  // namespace

void ShowTextureManager() {
    std::string path = ShowFilePickerPopup("Load image file", "resources");
    if (!path.empty()) AddTexture(path);
    if (ImGui::Button("Load image")) ImGui::OpenPopup("Load image file");
    ImGui::SameLine();
    if (ImGui::Button("Delete") && SelectedTexture()) {
        // Effects that used it lose it from their inputs; the Effect Manager
        // drops it as its pending choice.
        if (g_pending_texture == SelectedTexture()) g_pending_texture.Clear();
        g_demo->DeleteTexture(SelectedTexture());
        g_selected_texture_position = 0;
    }

    ImGui::BeginChild("Selectables", ImVec2(300, 0), true, ImGuiWindowFlags_HorizontalScrollbar);
    for (size_t i = 0; i < g_demo->textures.size(); ++i) {
        ImGui::PushID(static_cast<int>(i));
        bool selected = static_cast<int32_t>(i) == g_selected_texture_position;
        ImGui::Selectable(ShownText(g_demo->textures[i]->name).c_str(), &selected, 0, ImVec2(0, 0));
        if (selected) g_selected_texture_position = static_cast<int32_t>(i);
        ImGui::PopID();
    }
    ImGui::EndChild();
    ImGui::SameLine();
    ShowInspector();
}
