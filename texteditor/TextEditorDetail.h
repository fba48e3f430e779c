// Helpers shared by the widget's own source files; not part of its interface.
#pragma once

#include "TextEditor.h"

#include <imgui.h>

#include <cfloat>
#include <chrono>
#include <cstdint>

namespace texteditor_detail {

// Wall-clock milliseconds since the epoch: the cursor blink clock.
inline uint64_t NowMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

// Width in pixels of the bytes [begin, end) (end null: up to the terminating
// zero) in the current font at the current font size.
inline float TextWidth(const char* begin, const char* end = nullptr) {
    return ImGui::GetFont()->CalcTextSizeA(ImGui::GetFontSize(), FLT_MAX, -1.0f, begin, end).x;
}

// The colour of one role in a palette.
inline ImU32 Role(const TextEditor::Palette& palette, TextEditor::PaletteIndex role) {
    return palette[static_cast<size_t>(role)];
}

}  // namespace texteditor_detail
