// TextEditor: measured lines.
//
// Drawing a frame needs to know where characters lie in pixels: the line's
// width for the scroll range, the cursor's and the selection's offsets, and
// the first character in view. Measuring a line walks it from its start, so
// a line is measured once, the first time a frame needs it, and its layout is
// kept until the line changes: its end (length, end column, width) and, about
// every kLayoutMarkBytes bytes, a mark of where a character starts. A place
// in the line is then found from the nearest mark before it, and a frame
// costs what is on screen however long its lines are.
//
// Layouts are kept one per line in lineLayouts, which follows the lines as
// they are inserted and removed; every primitive and command that changes the
// glyphs of a line drops its layout (LineChanged). A layout measured with a
// different length than its line has now, or a list out of step with the
// lines, is measured anew, and so is everything when the font, the font size
// or the tab size changes.
//
// Every walk here steps as ColumnToCharIndex and DistanceToLineStart step,
// one character as CharacterLength splits it, and adds up the same widths in
// the same order, so a place found from a mark is the one a walk from the
// line's start finds.
#include "TextEditor.h"

#include "TextEditorDetail.h"

#include <algorithm>
#include <cmath>

namespace {

using LinePlace = TextEditor::LinePlace;
using texteditor_detail::DrawnCharacter;
using texteditor_detail::TextWidth;

// Slack, in pixels, in the choice of a mark before a point, so the rounding
// of sums of widths far along a line never picks a mark past the point.
float MarkSlack(float x) { return 1.0f + std::fabs(x) * 1e-6f; }

}  // namespace

// ==========================================================================
// Keeping layouts
// ==========================================================================

void TextEditor::LineChanged(int line) {
    if (line >= 0 && line < static_cast<int>(lineLayouts.size())) lineLayouts[line].glyphCount = -1;
}

const TextEditor::LineLayout& TextEditor::LayoutOf(int lineIndex) const {
    // Widths belong to one font at one size, tab stops to one tab size.
    const ImFont* font = ImGui::GetFont();
    const float fontSize = ImGui::GetFontSize();
    if (font != layoutMeasure.font || fontSize != layoutMeasure.fontSize || tabSize != layoutMeasure.tabSize) {
        layoutMeasure.font = font;
        layoutMeasure.fontSize = fontSize;
        layoutMeasure.tabSize = tabSize;
        for (int byte = 0; byte < 128; ++byte) {
            const char c = static_cast<char>(byte);
            layoutMeasure.asciiWidth[byte] = TextWidth(&c, &c + 1);
        }
        layoutMeasure.spaceWidth = layoutMeasure.asciiWidth[' '];
        lineLayouts.clear();
    }
    if (lineLayouts.size() != lines.size()) lineLayouts.assign(lines.size(), LineLayout());

    LineLayout& layout = lineLayouts[lineIndex];
    const Line& line = lines[lineIndex];
    const int length = static_cast<int>(line.size());
    if (layout.glyphCount == length) return layout;

    layout.marks.clear();
    LinePlace at;
    int nextMark = kLayoutMarkBytes;
    while (at.index < length) {
        if (at.index >= nextMark) {
            layout.marks.push_back(at);
            nextMark = at.index + kLayoutMarkBytes;
        }
        StepPlace(line, at);
    }
    layout.end = at;
    layout.glyphCount = length;
    return layout;
}

// ==========================================================================
// Walking a line
// ==========================================================================

float TextEditor::StepPlace(const Line& line, LinePlace& place) const {
    const uint8_t byte = line[place.index].character;
    float width = 0.0f;
    if (byte == '\t') {
        const float next = TabStopX(place.x, layoutMeasure.spaceWidth);
        width = next - place.x;
        place.x = next;
        place.column = TabStop(place.column);
        ++place.index;
        return width;
    }
    if (byte < 0x80) {
        width = layoutMeasure.asciiWidth[byte];
        ++place.index;
    } else {
        char drawn[7];
        const int n = DrawnCharacter(line, place.index, drawn);
        width = TextWidth(drawn, drawn + n);
    }
    place.x += width;
    ++place.column;
    return width;
}

TextEditor::LinePlace TextEditor::PlaceOfColumn(int lineIndex, int column) const {
    const LineLayout& layout = LayoutOf(lineIndex);
    if (column >= layout.end.column) return layout.end;

    // From the last mark at or before the column (columns only grow along a line).
    const auto after = std::upper_bound(layout.marks.begin(), layout.marks.end(), column,
                                        [](int c, const LinePlace& mark) { return c < mark.column; });
    LinePlace at = after == layout.marks.begin() ? LinePlace() : *(after - 1);
    const Line& line = lines[lineIndex];
    const int length = static_cast<int>(line.size());
    while (at.index < length && at.column < column) StepPlace(line, at);
    return at;
}

// A point left of a character's middle lands before it, a point right of it
// after it (a tab's middle is that of its span).
TextEditor::LinePlace TextEditor::PlaceAtX(int lineIndex, float localX) const {
    const LineLayout& layout = LayoutOf(lineIndex);

    // Every character before the chosen mark ends left of the point, so the
    // walk would pass it anyway. (A NaN point chooses no mark, as it stops
    // nowhere.)
    const float slack = MarkSlack(localX);
    const auto after = std::partition_point(layout.marks.begin(), layout.marks.end(), [&](const LinePlace& mark) {
        return textStart + mark.x + slack < localX;
    });
    LinePlace at = after == layout.marks.begin() ? LinePlace() : *(after - 1);
    const Line& line = lines[lineIndex];
    const int length = static_cast<int>(line.size());
    while (at.index < length) {
        LinePlace next = at;
        const float width = StepPlace(line, next);
        if (textStart + at.x + width * 0.5f > localX) break;
        at = next;
    }
    return at;
}

// SanitizePosition, with each line's end column taken from its layout.
TextEditor::TextPosition TextEditor::SanitizeLaidOut(const TextPosition& position) const {
    if (lines.empty()) return TextPosition(0, 0);
    const int count = static_cast<int>(lines.size());
    if (position.line >= count) return TextPosition(count - 1, LayoutOf(count - 1).end.column);
    const int line = std::max(0, position.line);
    return TextPosition(line, std::max(0, std::min(position.column, LayoutOf(line).end.column)));
}
