#include "FilePicker.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "EditorState.h"
#include "Platform.h"

void ListResourceFiles(const char* directory) {
    std::vector<std::string> names = ListRegularFiles(directory);
    std::sort(names.begin(), names.end());  // byte order: upper case first
    for (const std::string& name : names) {
        ImGui::Text("%s", name.c_str());
        if (ImGui::IsItemHovered(0) && ImGui::IsMouseDown(0)) {
            std::snprintf(g_picker_filename, sizeof g_picker_filename, "%s", name.c_str());
        }
    }
}

std::string ShowFilePickerPopup(const char* popup_name, const char* directory) {
    std::string path;
    if (!ImGui::BeginPopupModal(popup_name, nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return path;
    ListResourceFiles(directory);
    ImGui::InputText("Filename", g_picker_filename, sizeof g_picker_filename);
    if (ImGui::Button("OK", ImVec2(120, 0))) {
        // Stored with a backslash, as documents keep paths; opened with '/' where that is the separator.
        path = std::string(directory) + "\\" + g_picker_filename;
        std::snprintf(g_picker_filename, sizeof g_picker_filename, "%s", path.c_str());  // cut to the field
        ImGui::CloseCurrentPopup();
    }
    ImGui::SetItemDefaultFocus();
    ImGui::SameLine();
    if (ImGui::Button("Cancel", ImVec2(120, 0))) ImGui::CloseCurrentPopup();  // the field keeps its text
    ImGui::EndPopup();
    return path;
}
