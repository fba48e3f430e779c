// Helpers shared by the widget's own source files; not part of its interface.
#pragma once

#include "TextEditor.h"

#include <imgui.h>

#include <algorithm>
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

// The byte index where the character before index starts (0 at the line's
// start). A byte that is no continuation byte always starts a character; a
// continuation byte belongs to the nearest such byte before it when the
// character starting there reaches it (CharacterLength), and is a character
// of its own otherwise. So the answer needs no walk from the line's start:
// at most five bytes are looked at.
inline int PreviousCharacterStart(const TextEditor::Line& line, int index) {
    const int last = std::min(index, static_cast<int>(line.size())) - 1;
    if (last <= 0) return 0;
    int lead = last;
    while (lead > 0 && last - lead < 5 && IsUTFSequence(line[lead].character)) --lead;
    if (lead < last && !IsUTFSequence(line[lead].character) && lead + CharacterLength(line, lead) > last) return lead;
    return last;
}

// U+FFFD, drawn in place of a character ImGui cannot draw as one glyph.
constexpr char kReplacementCharacter[] = "\xEF\xBF\xBD";

// Copies the bytes that draw the character starting at index of a line into
// buffer (room for 7 bytes, a terminating zero included) and moves index past
// the character. Returns the bytes copied. A byte that is a character alone
// but no ASCII (a Latin-1 0xE9, a stray continuation byte) and a five- or
// six-byte sequence are drawn as U+FFFD: ImGui's decoder would read a lone
// lead byte together with the bytes after it ("\xE9s!" as one glyph) and a
// five-byte sequence as five glyphs, and each character must draw one glyph.
// index at or past the line's end: nothing copied, index unchanged.
inline int DrawnCharacter(const TextEditor::Line& line, int& index, char* buffer) {
    const int length = CharacterLength(line, index);
    int n = 0;
    if ((length == 1 && line[index].character >= 0x80) || length > 4) {
        for (; kReplacementCharacter[n] != '\0'; ++n) buffer[n] = kReplacementCharacter[n];
    } else {
        for (; n < length; ++n) buffer[n] = static_cast<char>(line[index + n].character);
    }
    buffer[n] = '\0';
    index += length;
    return n;
}

// Where the word at byte index i of a line starts, and where it ends, by the
// rules of FindWordStart and FindWordEnd; i must lie inside the line. -1 when
// the walk would end more than limit bytes from i.
int WordStartIndex(const TextEditor::Line& line, int i, int limit);
int WordEndIndex(const TextEditor::Line& line, int i, int limit);

// The colour of one role in a palette.
inline ImU32 Role(const TextEditor::Palette& palette, TextEditor::PaletteIndex role) {
    return palette[static_cast<size_t>(role)];
}

}  // namespace texteditor_detail
