#include "FilePicker.h"

#include <imgui.h>

#include <algorithm>
#include <vector>

#include "EditorState.h"
#include "Platform.h"
#include "TextFields.h"

void ListResourceFiles(const char* directory) {
    std::vector<std::string> names = ListRegularFiles(directory);
    std::sort(names.begin(), names.end());  // byte order: upper case first
    for (const std::string& name : names) {
        ImGui::Text("%s", ShownText(name).c_str());
        if (ImGui::IsItemHovered(0) && ImGui::IsMouseDown(0)) {
            CopyBounded(g_picker_filename, sizeof g_picker_filename, name);  // the name's own bytes
        }
    }
}

std::string ShowFilePickerPopup(const char* popup_name, const char* directory) {
    std::string path;
    if (!ImGui::BeginPopupModal(popup_name, nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return path;
    ListResourceFiles(directory);
    // The field shows the name as UTF-8; the buffer keeps the bytes that open the file.
    InputTextField("Filename", g_picker_filename, sizeof g_picker_filename);
    if (ImGui::Button("OK", ImVec2(120, 0))) {
        // Stored with a backslash, as documents keep paths; opened with '/' where that is the separator.
        path = std::string(directory) + "\\" + g_picker_filename;
        CopyBounded(g_picker_filename, sizeof g_picker_filename, path);  // cut to the field
        ImGui::CloseCurrentPopup();
    }
    ImGui::SetItemDefaultFocus();
    ImGui::SameLine();
    if (ImGui::Button("Cancel", ImVec2(120, 0))) ImGui::CloseCurrentPopup();  // the field keeps its text
    ImGui::EndPopup();
    return path;
}
