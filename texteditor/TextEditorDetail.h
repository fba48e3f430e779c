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

// The byte index where the character before index starts. Characters are
// taken from the line's start as the column functions take them: a lead byte
// and the bytes it announces, a stray continuation byte alone. For valid
// UTF-8 that is the last lead byte before index; a malformed sequence (a
// Latin-1 0xE9 announcing three bytes) is stepped over as the one column it
// occupies, so the result is always a column boundary.
inline int PreviousCharacterStart(const TextEditor::Line& line, int index) {
    const int length = static_cast<int>(line.size());
    int start = 0;
    for (int i = 0; i < index && i < length; i += UTF8CharLength(line[i].character)) start = i;
    return start;
}

// The colour of one role in a palette.
inline ImU32 Role(const TextEditor::Palette& palette, TextEditor::PaletteIndex role) {
    return palette[static_cast<size_t>(role)];
}

}  // namespace texteditor_detail
