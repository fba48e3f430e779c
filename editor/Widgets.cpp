#include "Widgets.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string>

#include "Playback.h"

namespace {

/* === The edit of one field, kept in its window's state storage ============ */

// An edit lives in Dear ImGui's per-window storage, as its tree nodes keep
// their open state, under keys derived from the field's ID; it dies with the
// context.
enum EditPart { kBefore, kGeneration, kText, kPending, kTyping };

ImGuiID EditKey(ImGuiID field, EditPart part) {
    int number = part;
    return ImHashData(&number, sizeof number, field);
}

// What the field's text said when last seen.
enum TypedText {
    kNoText,        // nothing typed in this edit: a drag, a step button
    kFiniteNumber,  // a finite number other than the text editing began with
    kNotANumber,    // no number, or one that is not finite
    kAsBegun,       // the text editing began with
};

// Reads the text of the field's text box as Dear ImGui reads a number from
// it (its "+", "*" and "/" act on the text editing began with).
TypedText ReadTypedText(ImGuiID field) {
    ImGuiInputTextState* state = ImGui::GetInputTextState(field);
    if (state == nullptr) return kNoText;
    std::string text;
    for (int i = 0; i < state->CurLenW && i < state->TextW.Size; ++i) {
        ImWchar c = state->TextW[i];
        text += c < 0x80 ? static_cast<char>(c) : '?';  // a number field takes ASCII only
    }
    const char* initial = state->InitialTextA.Size > 0 ? state->InitialTextA.Data : "";
    if (text == initial) return kAsBegun;
    float number = NAN;  // stays so when the text holds no number
    ImGui::DataTypeApplyOpFromText(text.c_str(), initial, ImGuiDataType_Float, &number, nullptr);
    return std::isfinite(number) ? kFiniteNumber : kNotANumber;
}

// Called right after the widget, with value_at_call the value before the
// widget ran and typed whether the widget's text box belongs to this edit.
// Remembers the value when editing begins and follows the typed text; when
// editing ends on a text that is not a finite number, or on the text it
// began with, puts the remembered value back. True when it did.
bool FollowEdit(float* value, float value_at_call, bool typed) {
    ImGuiStorage* storage = ImGui::GetStateStorage();
    ImGuiID field = ImGui::GetItemID();
    if (ImGui::IsItemActivated()) {
        storage->SetFloat(EditKey(field, kBefore), value_at_call);
        storage->SetInt(EditKey(field, kGeneration), static_cast<int>(g_document_generation));
        storage->SetInt(EditKey(field, kText), kNoText);
    }
    bool ended = ImGui::IsItemDeactivated();
    // When another text box has taken Dear ImGui's one text state by the
    // time the end shows here, the text seen last frame stands.
    if (typed && (ImGui::IsItemActive() || ended)) {
        TypedText text = ReadTypedText(field);
        if (text != kNoText) storage->SetInt(EditKey(field, kText), text);
    }
    if (!ended) return false;
    int text = storage->GetInt(EditKey(field, kText), kNoText);
    storage->SetInt(EditKey(field, kText), kNoText);
    if (text != kNotANumber && text != kAsBegun) return false;
    // A load while the field was edited: the value before belongs to a
    // document that is gone.
    if (static_cast<uint32_t>(storage->GetInt(EditKey(field, kGeneration), 0)) != g_document_generation) return false;
    float before = storage->GetFloat(EditKey(field, kBefore), *value);
    if (before == *value) return false;
    *value = before;
    return true;
}

/* === The widgets over a float ============================================= */

// Each runs one Dear ImGui widget on *value, changes it only to a finite
// value, follows the edit, and sets *typing while the user types into the
// widget's text box. True when *value changed.

bool FiniteInput(const char* label, float* value, float step, float step_fast, const char* format, bool* typing) {
    float at_call = *value;
    float edited = *value;
    ImGui::InputFloat(label, &edited, step, step_fast, format, 0);
    bool changed = std::isfinite(edited) && edited != *value;
    if (changed) *value = edited;
    // With step buttons the last item is the group, which stands for
    // whichever of its items is active: the text box or a button.
    if (FollowEdit(value, at_call, true)) changed = true;
    *typing = ImGui::IsItemActive() && ImGui::GetInputTextState(ImGui::GetItemID()) != nullptr;
    return changed;
}

bool CheckedSlider(const char* label, float* value, float min, float max, const char* format, bool* typing) {
    float at_call = *value;
    float edited = *value;
    ImGui::SliderFloat(label, &edited, SliderBound(min), SliderBound(max), format, 0);
    bool changed = std::isfinite(edited) && edited != *value;
    if (changed) *value = edited;
    // Ctrl+click (or Enter) turns the slider into a text box of the same ID;
    // its text state stays behind afterwards, and counts only while it is on.
    bool typed = GImGui->TempInputId != 0 && GImGui->TempInputId == ImGui::GetItemID();
    if (FollowEdit(value, at_call, typed)) changed = true;
    *typing = typed && ImGui::IsItemActive();
    return changed;
}

/* === Typed values taken when editing ends ================================= */

// Runs widget (one of the above, as widget(float* edited, bool* typing)) on
// a copy of *value and holds back what the user types into it: while the
// user types, the copy is the typed value, kept in the storage, and *value
// is left alone (it may change under the field, as the playing beat does).
// In the frame in which the typed edit ends, *value takes the typed value,
// unless the end refused it (FollowEdit put back the value from the start),
// it is the value the edit began with, or the document was replaced
// meanwhile. A change without typing (a drag) is taken at once. True when
// *value changed.
// The field's ID, before the field is drawn. ImGui::GetID would also mark
// an active field as alive, and a field with step buttons, whose group then
// seems not to hold the active text box, would trip Dear ImGui's assertions.
// (Its text box sits inside PushID(label) with an empty label: same ID.)
ImGuiID FieldID(const char* label) { return ImGui::GetCurrentWindow()->GetIDNoKeepAlive(label); }

template <typename Widget>
bool TakeTypedValueOnEnd(ImGuiID field, float* value, Widget widget) {
    ImGuiStorage* storage = ImGui::GetStateStorage();
    // The typed value waits while the field is (or was, last frame) being
    // typed into; a field left while hidden starts afresh.
    ImGuiContext& g = *GImGui;
    bool was_typing = (g.ActiveId == field || g.ActiveIdPreviousFrame == field) &&
                      storage->GetBool(EditKey(field, kTyping), false);
    float edited = was_typing ? storage->GetFloat(EditKey(field, kPending), *value) : *value;
    bool typing = false;
    bool changed = widget(&edited, &typing);
    storage->SetBool(EditKey(field, kTyping), typing);
    if (typing) {
        storage->SetFloat(EditKey(field, kPending), edited);
        return false;
    }
    if (!was_typing) {
        if (changed) *value = edited;
        return changed;
    }
    if (!ImGui::IsItemDeactivated()) return false;
    if (static_cast<uint32_t>(storage->GetInt(EditKey(field, kGeneration), 0)) != g_document_generation) return false;
    if (edited == storage->GetFloat(EditKey(field, kBefore), edited) || edited == *value) return false;
    *value = edited;
    return true;
}

}  // namespace

/* === Number fields ======================================================== */

bool InputFiniteFloat(const char* label, float* value, float step, float step_fast, const char* format) {
    bool typing = false;
    return FiniteInput(label, value, step, step_fast, format, &typing);
}

bool InputFiniteFloatOnEnd(const char* label, float* value, float step, float step_fast, const char* format) {
    return TakeTypedValueOnEnd(FieldID(label), value, [&](float* edited, bool* typing) {
        return FiniteInput(label, edited, step, step_fast, format, typing);
    });
}

/* === Sliders ============================================================== */

float SliderBound(float bound) {
    if (std::isnan(bound)) return 0.0f;
    return std::clamp(bound, -FLT_MAX / 2.0f, FLT_MAX / 2.0f);
}

bool SliderFloatChecked(const char* label, float* value, float min, float max, const char* format) {
    bool typing = false;
    return CheckedSlider(label, value, min, max, format, &typing);
}

bool SliderFloatCheckedOnEnd(const char* label, float* value, float min, float max, const char* format) {
    return TakeTypedValueOnEnd(FieldID(label), value, [&](float* edited, bool* typing) {
        return CheckedSlider(label, edited, min, max, format, typing);
    });
}
