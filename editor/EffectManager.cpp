// The Effect Manager: the document's effects on the left, the selected one
// in the inspector on the right with its name, program, feedback, input
// textures and input effects; effects are created, removed and placed on
// the timeline as events.
#include <imgui.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "Commands.h"
#include "Demo.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "Effect.h"
#include "Event.h"
#include "FreeName.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "TextFields.h"
#include "Texture.h"

namespace {

// Drops a choice whose object the list no longer holds in the document it
// was made in.
template <typename T>
void DropIfGone(DocumentRef<T>& choice, const std::vector<T*>& list) {
    if (choice.In(list) == nullptr) choice.Clear();
}

// Drops the selection and the pending choices whose objects are no longer
// in the document (replaced, or deleted in any window). After this, each
// frame follows their addresses.
void DropGoneChoices() {
    DropIfGone(g_selected_effect, g_demo->effects);
    DropIfGone(g_pending_effect, g_demo->effects);
    DropIfGone(g_pending_texture, g_demo->textures);
}

// True when target is from itself or one of the effects it draws first,
// however deep. A document read from a file may already hold a cycle, so
// every effect is visited once.
bool Reaches(const Effect* from, const Effect* target) {
    std::vector<const Effect*> open = {from};
    std::set<const Effect*> seen;
    while (!open.empty()) {
        const Effect* effect = open.back();
        open.pop_back();
        if (effect == nullptr || !seen.insert(effect).second) continue;
        if (effect == target) return true;
        for (const Effect* input : effect->input_effects) open.push_back(input);
    }
    return false;
}

// An effect may take candidate as an input only when candidate does not
// draw it already (that would be a loop without end).
bool CanTakeAsInput(const Effect* effect, const Effect* candidate) { return !Reaches(candidate, effect); }

std::string FreeEffectName() {
    std::vector<std::string> taken;
    for (const Effect* effect : g_demo->effects) taken.push_back(effect->name);
    return FreeName(taken, "untitled effect", [](int n) { return "untitled effect " + std::to_string(n); });
}

/* === The list ============================================================= */

void ShowEffectList() {
    ImGui::BeginChild("Selectables", ImVec2(150, 0), true, ImGuiWindowFlags_HorizontalScrollbar);
    if (ImGui::Button("New effect")) {
        g_demo->effects.push_back(new Effect(FreeEffectName(), nullptr, nullptr, nullptr, false));
    }
    for (size_t i = 0; i < g_demo->effects.size(); ++i) {
        Effect* effect = g_demo->effects[i];
        ImGui::PushID(static_cast<int>(i));
        bool selected = g_selected_effect == effect;
        ImGui::Selectable(ShownText(effect->name).c_str(), &selected, 0, ImVec2(0, 0));
        if (selected) g_selected_effect.Keep(effect);
        ImGui::PopID();
    }
    ImGui::EndChild();
}

/* === The inspector, top to bottom ========================================= */

void ShowNameAndProgram(Effect* effect) {
    ImGui::Text("Effect: %s", ShownText(effect->name).c_str());
    ImGui::Separator();
    InputTextField("Name", &effect->name, 255);  // the name follows each keystroke

    static const std::string nothing = "<no shader selected>";
    ShownText preview(effect->program ? effect->program->fragment_shader_filename : nothing);
    if (ImGui::BeginCombo("Shader", preview.c_str(), 0)) {
        for (size_t i = 0; i < g_demo->shaders.size(); ++i) {
            ShaderProgram* program = g_demo->shaders[i];
            ImGui::PushID(static_cast<int>(i));
            bool current = program == effect->program;
            if (ImGui::Selectable(ShownText(program->fragment_shader_filename).c_str(), current, 0, ImVec2(0, 0))) {
                effect->program = program;
                effect->CreateQuad();  // an effect made without a program has no quad yet
            }
            if (current) ImGui::SetItemDefaultFocus();
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    ImGui::SameLine();
    if (ImGui::Button("Edit")) {
        auto found = std::find(g_demo->shaders.begin(), g_demo->shaders.end(), effect->program);
        if (effect->program != nullptr && found != g_demo->shaders.end()) {
            g_shader_edit_request = static_cast<int32_t>(found - g_demo->shaders.begin());
            g_show_shader_editor = true;
        }
    }
    ImGui::Separator();
    ImGui::Checkbox("Input from self (feedback loop)", &effect->feedback);
    ImGui::Separator();
}

// Up, Down and Delete of one row of an input list; the rows are told apart
// by their place, so equal entries and missing ones work row by row.
// Returns true when the row is to be deleted.
template <typename T>
bool ShowRowButtons(std::vector<T*>& list, size_t row, const char* remove, const char* up, const char* down) {
    bool marked = ImGui::Button(remove);
    if (row > 0) {
        ImGui::SameLine();
        if (ImGui::Button(up)) std::swap(list[row], list[row - 1]);
    }
    if (row + 1 < list.size()) {
        ImGui::SameLine();
        if (ImGui::Button(down)) std::swap(list[row], list[row + 1]);
    }
    return marked;
}

// A combo of the objects of a list that offered() allows, by name; a click
// makes one the pending choice, kept with its document.
template <typename T, typename Offered>
void ShowChoiceCombo(const char* label, const char* nothing, const std::vector<T*>& list, DocumentRef<T>& pending,
                     Offered offered) {
    if (!ImGui::BeginCombo(label, pending.object ? ShownText(pending.object->name).c_str() : nothing, 0)) return;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!offered(list[i])) continue;
        ImGui::PushID(static_cast<int>(i));
        bool is_pending = pending == list[i];
        if (ImGui::Selectable(ShownText(list[i]->name).c_str(), is_pending, 0, ImVec2(0, 0))) pending.Keep(list[i]);
        if (is_pending) ImGui::SetItemDefaultFocus();
        ImGui::PopID();
    }
    ImGui::EndCombo();
}

void ShowInputTextures(Effect* effect) {
    std::vector<Texture*>& inputs = effect->input_textures;
    ImGui::Text("Input textures: %d", static_cast<int>(inputs.size()));
    int marked = -1;
    for (size_t row = 0; row < inputs.size(); ++row) {
        ImGui::PushID(static_cast<int>(row));
        if (Texture* texture = inputs[row]) {
            ImGui::Text("ID %d", static_cast<int>(texture->id));
            ImGui::SameLine();
            ImGui::Image((ImTextureID)(intptr_t)texture->id, ImVec2(96, 54), ImVec2(0, 0), ImVec2(1, 1),
                         ImVec4(1, 1, 1, 1), ImVec4(0, 0, 0, 0));
        } else {
            ImGui::Text("<missing>");
        }
        ImGui::SameLine();
        if (ShowRowButtons(inputs, row, "Delete", "Up", "Down")) marked = static_cast<int>(row);
        ImGui::PopID();
    }
    if (marked >= 0) inputs.erase(inputs.begin() + marked);

    ShowChoiceCombo("##texture", "<add texture>", g_demo->textures, g_pending_texture,
                    [](const Texture*) { return true; });
    if (Texture* pending = g_pending_texture.object) {
        ImGui::SameLine();
        if (ImGui::Button("Add##texture")) {
            inputs.push_back(pending);  // also when it is there already
            g_pending_texture.Clear();
        }
    }
}

void ShowInputEffects(Effect* effect) {
    std::vector<Effect*>& inputs = effect->input_effects;
    ImGui::Separator();
    ImGui::Text("Input effects: %d", static_cast<int>(inputs.size()));
    int marked = -1;
    Effect* inspect_next = nullptr;
    for (size_t row = 0; row < inputs.size(); ++row) {
        ImGui::PushID(static_cast<int>(row));
        if (ShowRowButtons(inputs, row, "-", "^", "v")) marked = static_cast<int>(row);
        ImGui::SameLine();
        if (Effect* input = inputs[row]) {
            if (ImGui::Selectable(ShownText(input->name).c_str(), false, 0, ImVec2(0, 0))) inspect_next = input;
        } else {
            ImGui::Text("<missing>");
        }
        ImGui::PopID();
    }
    if (marked >= 0) inputs.erase(inputs.begin() + marked);
    // The inspector moves to it in the next frame.
    if (inspect_next) g_selected_effect.Keep(inspect_next);

    // Offered: every effect that does not draw this one already.
    ShowChoiceCombo("##effect", "<add effect>", g_demo->effects, g_pending_effect,
                    [effect](const Effect* candidate) { return CanTakeAsInput(effect, candidate); });
    if (Effect* pending = g_pending_effect.object) {
        ImGui::SameLine();
        if (ImGui::Button("Add##effect")) {
            // The choice may date from another inspected effect: checked again.
            if (CanTakeAsInput(effect, pending)) {
                inputs.push_back(pending);
                g_pending_effect.Clear();
            } else {
                SetStatusMessage("Cannot add " + pending->name + ": it would feed itself");
            }
        }
    }
}

// The "Add as Event" dialog: a new event from beat 0 to 64 showing the
// effect. Without an effect (it went while the dialog was open) it closes.
void ShowAddAsEventDialog(Effect* effect) {
    if (!ImGui::BeginPopupModal("Add as Event", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
    if (effect == nullptr) ImGui::CloseCurrentPopup();
    // The name field takes the keyboard as the dialog opens, so that what is
    // typed right away names the event.
    if (ImGui::IsWindowAppearing()) ImGui::SetKeyboardFocusHere();
    InputTextField("Event name", g_event_name_buffer, sizeof g_event_name_buffer);
    if (ImGui::Button("OK", ImVec2(120, 0)) && effect != nullptr) {
        g_demo->events.push_back(new Event(g_event_name_buffer, effect, 0.0f, 64.0f));
        g_event_name_buffer[0] = '\0';
        ImGui::CloseCurrentPopup();
    }
    ImGui::SetItemDefaultFocus();
    ImGui::SameLine();
    if (ImGui::Button("Cancel", ImVec2(120, 0))) ImGui::CloseCurrentPopup();  // the name stays
    ImGui::EndPopup();
}

void ShowInspector() {
    ImGui::BeginChild("Inspector", ImVec2(0, 0), true, ImGuiWindowFlags_HorizontalScrollbar);
    Effect* effect = g_selected_effect.object;
    if (effect != nullptr) {
        ShowNameAndProgram(effect);
        ShowInputTextures(effect);
        ShowInputEffects(effect);
        ImGui::Separator();
        if (ImGui::Button("Remove effect")) {
            // Destroyed; events and effects that showed it are left without it.
            g_demo->DeleteEffect(effect);
            effect = nullptr;
            DropGoneChoices();  // the selection goes with it
        } else {
            ImGui::SameLine();
        }
    }
    ShowAddAsEventDialog(effect);
    if (effect != nullptr && ImGui::Button("Add as Event")) ImGui::OpenPopup("Add as Event");
    ImGui::EndChild();
}

}  // namespace

void ShowEffectManager() {
    DropGoneChoices();
    ShowEffectList();
    ImGui::SameLine();
    ShowInspector();
}
