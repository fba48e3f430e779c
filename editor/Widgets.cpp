#include "Widgets.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "Playback.h"

namespace {

/* === The edit of one field, kept in its window's state storage ============ */

// An edit lives in Dear ImGui's per-window storage, as its tree nodes keep
// their open state, under keys derived from the field's ID; it dies with the
// context. A refused text takes kRefusedBytes and the parts after it, one
// for every four bytes.
enum EditPart : int { kBefore, kGeneration, kText, kPending, kTyping, kRefusedLength, kRefusedBytes };

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

// Reads the text of the field's text box into text, and tells what it says
// as Dear ImGui reads a number from it (its "+", "*" and "/" act on the
// text editing began with).
TypedText ReadTypedText(ImGuiID field, std::string* text) {
    ImGuiInputTextState* state = ImGui::GetInputTextState(field);
    if (state == nullptr) return kNoText;
    text->clear();
    for (int i = 0; i < state->CurLenW && i < state->TextW.Size; ++i) {
        ImWchar c = state->TextW[i];
        *text += c < 0x80 ? static_cast<char>(c) : '?';  // a number field takes ASCII only
    }
    const char* initial = state->InitialTextA.Size > 0 ? state->InitialTextA.Data : "";
    if (*text == initial) return kAsBegun;
    float number = NAN;  // stays so when the text holds no number
    ImGui::DataTypeApplyOpFromText(text->c_str(), initial, ImGuiDataType_Float, &number, nullptr);
    return std::isfinite(number) ? kFiniteNumber : kNotANumber;
}

// A text that holds no finite number is kept beside the edit, so that the
// end can name it also when another text box has taken Dear ImGui's one
// text state by then. Four bytes to a stored int; a number field holds at
// most 63 characters.
constexpr int kKeptTextBytes = 64;

void KeepRefusedText(ImGuiStorage* storage, ImGuiID field, const std::string& text) {
    int length = static_cast<int>(std::min(text.size(), static_cast<size_t>(kKeptTextBytes)));
    storage->SetInt(EditKey(field, kRefusedLength), length);
    for (int at = 0; at < length; at += 4) {
        uint32_t word = 0;
        for (int i = 0; i < 4 && at + i < length; ++i) word |= uint32_t(uint8_t(text[size_t(at + i)])) << (8 * i);
        storage->SetInt(EditKey(field, EditPart(kRefusedBytes + at / 4)), static_cast<int>(word));
    }
}

std::string KeptRefusedText(ImGuiStorage* storage, ImGuiID field) {
    int length = std::clamp(storage->GetInt(EditKey(field, kRefusedLength), 0), 0, kKeptTextBytes);
    std::string text;
    for (int at = 0; at < length; at += 4) {
        uint32_t word = static_cast<uint32_t>(storage->GetInt(EditKey(field, EditPart(kRefusedBytes + at / 4)), 0));
        for (int i = 0; i < 4 && at + i < length; ++i) text += static_cast<char>((word >> (8 * i)) & 0xFF);
    }
    return text;
}

// What one frame of a widget did with its edit.
struct EditFrame {
    bool activated = false;  // the edit began in this frame
    bool typing = false;     // the user types into the widget's text box and goes on
    bool ended = false;      // the edit ended in this frame
    bool refused = false;    // it ended on a typed text that is not a finite number,
    std::string typed;       // this one
};

// Called right after the widget, with value_at_call the value before the
// widget ran, typed whether the widget's text box belongs to this edit and
// edit what the frame did with it. Remembers the value when editing begins
// and follows the typed text; when editing ends on a text that is not a
// finite number (which edit then holds as refused), or on the text it began
// with, puts the remembered value back. True when it did.
bool FollowEdit(float* value, float value_at_call, bool typed, EditFrame* edit) {
    ImGuiStorage* storage = ImGui::GetStateStorage();
    ImGuiID field = ImGui::GetItemID();
    if (edit->activated) {
        storage->SetFloat(EditKey(field, kBefore), value_at_call);
        storage->SetInt(EditKey(field, kGeneration), static_cast<int>(g_document_generation));
        storage->SetInt(EditKey(field, kText), kNoText);
    }
    // When another text box has taken Dear ImGui's one text state by the
    // time the end shows here, the text seen last frame stands.
    if (typed && (ImGui::IsItemActive() || edit->ended)) {
        std::string read;
        TypedText text = ReadTypedText(field, &read);
        if (text != kNoText) storage->SetInt(EditKey(field, kText), text);
        if (text == kNotANumber) KeepRefusedText(storage, field, read);
    }
    if (!edit->ended) return false;
    int text = storage->GetInt(EditKey(field, kText), kNoText);
    storage->SetInt(EditKey(field, kText), kNoText);
    if (text != kNotANumber && text != kAsBegun) return false;
    if (text == kNotANumber) {
        edit->refused = true;
        edit->typed = KeptRefusedText(storage, field);
    }
    // A load while the field was edited: the value before belongs to a
    // document that is gone.
    if (static_cast<uint32_t>(storage->GetInt(EditKey(field, kGeneration), 0)) != g_document_generation) return false;
    float before = storage->GetFloat(EditKey(field, kBefore), *value);
    if (before == *value) return false;
    *value = before;
    return true;
}

/* === The widgets over a float ============================================= */

// Ends the typed edit of the widget just drawn when end_typing asks for it,
// as Return would have ended it: the field lets go of the keyboard, and
// what was typed so far is the edit's last text. True when it did.
bool EndTypingNow(bool end_typing, bool typing) {
    if (!end_typing || !typing) return false;
    ImGui::ClearActiveID();
    return true;
}

// Takes what the widget just drawn left in edited (a copy of *value) into
// *value when it is finite and new, tells edit what the frame did, ending a
// typed edit at once with end_typing, and follows the edit. typed: the
// widget's text box belongs to this edit; typing: the user types into it.
// True when *value changed.
bool FinishWidget(float* value, float edited, bool typed, bool typing, bool end_typing, EditFrame* edit) {
    float at_call = *value;
    bool changed = std::isfinite(edited) && edited != *value;
    if (changed) *value = edited;
    edit->activated = ImGui::IsItemActivated();
    bool ended_now = EndTypingNow(end_typing, typing);
    edit->typing = typing && !ended_now;
    edit->ended = ended_now || ImGui::IsItemDeactivated();
    if (FollowEdit(value, at_call, typed, edit)) changed = true;
    return changed;
}

// Each runs one Dear ImGui widget on *value, changes it only to a finite
// value, follows the edit, and tells whether the user types into the
// widget's text box. With end_typing, a typed edit ends in this frame.
// True when *value changed.

bool FiniteInput(const char* label, float* value, float step, float step_fast, const char* format, bool end_typing,
                 EditFrame* edit) {
    float edited = *value;
    ImGui::InputFloat(label, &edited, step, step_fast, format, 0);
    // With step buttons the last item is the group, which stands for
    // whichever of its items is active: the text box or a button.
    bool typing = ImGui::IsItemActive() && ImGui::GetInputTextState(ImGui::GetItemID()) != nullptr;
    return FinishWidget(value, edited, true, typing, end_typing, edit);
}

bool CheckedSlider(const char* label, float* value, float min, float max, const char* format, bool end_typing,
                   EditFrame* edit) {
    float edited = *value;
    ImGui::SliderFloat(label, &edited, SliderBound(min), SliderBound(max), format, 0);
    // Ctrl+click (or Enter) turns the slider into a text box of the same ID;
    // its text state stays behind afterwards, and counts only while it is on.
    bool typed = GImGui->TempInputId != 0 && GImGui->TempInputId == ImGui::GetItemID();
    return FinishWidget(value, edited, typed, typed && ImGui::IsItemActive(), end_typing, edit);
}

/* === Typed values taken when editing ends ================================= */

// The field's ID, before the field is drawn. ImGui::GetID would also mark
// an active field as alive, and a field with step buttons, whose group then
// seems not to hold the active text box, would trip Dear ImGui's assertions.
// (Its text box sits inside PushID(label) with an empty label: same ID.)
ImGuiID FieldID(const char* label) { return ImGui::GetCurrentWindow()->GetIDNoKeepAlive(label); }

// Runs widget (one of the above, as widget(float* edited, EditFrame* edit))
// on a copy of *value and holds back what the user types into it: while the
// user types, the copy is the typed value, kept in the storage, and *value
// is left alone (it may change under the field, as the playing beat does).
// In the frame in which the typed edit ends, *value takes the typed value,
// unless the end refused it (FollowEdit put back the value from the start),
// it is the value the edit began with, or the document was replaced
// meanwhile. A change without typing (a drag) is taken at once. True when
// *value changed.
template <typename Widget>
bool TakeTypedValueOnEnd(ImGuiID field, float* value, std::optional<std::string>* refused, Widget widget) {
    ImGuiStorage* storage = ImGui::GetStateStorage();
    // The typed value waits while the field is (or was, last frame) being
    // typed into; a field left while hidden starts afresh.
    ImGuiContext& g = *GImGui;
    bool was_typing = (g.ActiveId == field || g.ActiveIdPreviousFrame == field) &&
                      storage->GetBool(EditKey(field, kTyping), false);
    float edited = was_typing ? storage->GetFloat(EditKey(field, kPending), *value) : *value;
    EditFrame edit;
    bool changed = widget(&edited, &edit);
    if (edit.refused && refused != nullptr) *refused = edit.typed;
    storage->SetBool(EditKey(field, kTyping), edit.typing);
    if (edit.typing) {
        storage->SetFloat(EditKey(field, kPending), edited);
        return false;
    }
    if (!was_typing) {
        if (changed) *value = edited;
        return changed;
    }
    if (!edit.ended) return false;
    if (static_cast<uint32_t>(storage->GetInt(EditKey(field, kGeneration), 0)) != g_document_generation) return false;
    if (edited == storage->GetFloat(EditKey(field, kBefore), edited) || edited == *value) return false;
    *value = edited;
    return true;
}

}  // namespace

/* === Number fields ======================================================== */

bool InputFiniteFloat(const char* label, float* value, float step, float step_fast, const char* format) {
    EditFrame edit;
    return FiniteInput(label, value, step, step_fast, format, false, &edit);
}

bool InputFiniteFloatOnEnd(const char* label, float* value, float step, float step_fast, const char* format,
                           bool end_typing, std::optional<std::string>* refused) {
    return TakeTypedValueOnEnd(FieldID(label), value, refused, [&](float* edited, EditFrame* edit) {
        return FiniteInput(label, edited, step, step_fast, format, end_typing, edit);
    });
}

/* === Sliders ============================================================== */

float SliderBound(float bound) {
    if (std::isnan(bound)) return 0.0f;
    return std::clamp(bound, -FLT_MAX / 2.0f, FLT_MAX / 2.0f);
}

bool SliderFloatChecked(const char* label, float* value, float min, float max, const char* format) {
    EditFrame edit;
    return CheckedSlider(label, value, min, max, format, false, &edit);
}

bool SliderFloatCheckedOnEnd(const char* label, float* value, float min, float max, const char* format,
                             bool end_typing, std::optional<std::string>* refused) {
    return TakeTypedValueOnEnd(FieldID(label), value, refused, [&](float* edited, EditFrame* edit) {
        return CheckedSlider(label, edited, min, max, format, end_typing, edit);
    });
}
