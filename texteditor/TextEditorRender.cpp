// TextEditor: drawing one frame.
//
// Render opens the editor's child window, reads keys and mouse, runs one
// bounded colouring step and draws the visible lines: per line the selection,
// the breakpoint and error bars, the line number, the current-line fill with
// the blinking cursor, and the text in runs of one colour with marks for
// blanks and tabs. The palette in use is rebuilt from paletteBase each frame
// with the style's alpha applied.
//
// A frame costs what is on screen: the lines in view, and of each only the
// columns in view, found from the line's kept layout (TextEditorLayout.cpp),
// which also gives its width for the scroll range. A line of 100 000 blanks
// draws the dots the window shows, not 100 000 of them.
#include "TextEditor.h"

#include "TextEditorDetail.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using TextPosition = TextEditor::TextPosition;
using LinePlace = TextEditor::LinePlace;
using PaletteIndex = TextEditor::PaletteIndex;
using texteditor_detail::DrawnCharacter;
using texteditor_detail::NowMilliseconds;
using texteditor_detail::Role;
using texteditor_detail::TextWidth;
using texteditor_detail::WordEndIndex;
using texteditor_detail::WordStartIndex;

// The child window: fixed in place, with a horizontal scroll bar always shown.
constexpr ImGuiWindowFlags kChildFlags =
    ImGuiWindowFlags_NoMove | ImGuiWindowFlags_HorizontalScrollbar | ImGuiWindowFlags_AlwaysHorizontalScrollbar;

// The cursor is hidden for this long, then shown for as long again.
constexpr uint64_t kBlinkHiddenMs = 400;
constexpr uint64_t kBlinkPeriodMs = 800;

// Marks drawn for whitespace.
constexpr ImU32 kTabArrowColor = 0x90909090;
constexpr ImU32 kBlankDotColor = 0x80808080;

// The cursor bar's width at cx, the cursor standing before byte index of its
// line: one pixel, or in overwrite mode on a character that character's
// width (on a tab, the rest of the tab's span).
float CursorWidth(const TextEditor& editor, const TextEditor::Line& line, int index, float cx, float spaceSize) {
    if (!editor.overwrite || index < 0 || index >= static_cast<int>(line.size())) return 1.0f;
    if (line[index].character == '\t') return editor.TabStopX(cx, spaceSize) - cx;
    char drawn[7];
    const int n = DrawnCharacter(line, index, drawn);
    return TextWidth(drawn, drawn + n);
}

// The mark of a tab: an arrow from x1 to x2 at height y, its head size wide.
void DrawTabArrow(ImDrawList* drawList, float x1, float x2, float y, float head) {
    drawList->AddLine(ImVec2(x1, y), ImVec2(x2, y), kTabArrowColor, 1.0f);
    drawList->AddLine(ImVec2(x2, y), ImVec2(x2 - head, y - head), kTabArrowColor, 1.0f);
    drawList->AddLine(ImVec2(x2, y), ImVec2(x2 - head, y + head), kTabArrowColor, 1.0f);
}

}  // namespace

// ==========================================================================
// The frame
// ==========================================================================

void TextEditor::Render(const char* title, const ImVec2& size, bool border) {
    withinRender = true;
    textChanged = false;
    cursorPositionChanged = false;

    // The background comes from the palette the previous frame computed (the
    // dark one before the first frame, as the constructor set it).
    ImGui::PushStyleColor(ImGuiCol_ChildBg, ImGui::ColorConvertU32ToFloat4(Role(palette, PaletteIndex::Background)));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0.0f, 0.0f));
    if (!ignoreImGuiChild) ImGui::BeginChild(title, size, border, kChildFlags);

    if (handleKeyboardInputs) {
        HandleKeyboardInputs();
        ImGui::PushAllowKeyboardFocus(true);
    }
    if (handleMouseInputs) HandleMouseInputs();

    ColorizeInternal();
    RenderText();

    if (handleKeyboardInputs) ImGui::PopAllowKeyboardFocus();
    if (!ignoreImGuiChild) ImGui::EndChild();
    ImGui::PopStyleVar();
    ImGui::PopStyleColor();
    withinRender = false;
}

// ==========================================================================
// Drawing the text
// ==========================================================================

void TextEditor::RenderText() {
    const float fontSize = ImGui::GetFontSize();
    charAdvance = ImVec2(TextWidth("#"), ImGui::GetTextLineHeightWithSpacing() * lineSpacing);

    const float alpha = ImGui::GetStyle().Alpha;
    for (size_t i = 0; i < palette.size(); ++i) {
        ImVec4 colour = ImGui::ColorConvertU32ToFloat4(paletteBase[i]);
        colour.w *= alpha;
        palette[i] = ImGui::ColorConvertFloat4ToU32(colour);
    }

    const ImVec2 contentSize = ImGui::GetWindowContentRegionMax();
    ImDrawList* drawList = ImGui::GetWindowDrawList();
    float longest = textStart;

    if (scrollToTop) {
        scrollToTop = false;
        ImGui::SetScrollY(0.0f);
    }

    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float scrollX = ImGui::GetScrollX();
    const float scrollY = ImGui::GetScrollY();
    const int lineCount = static_cast<int>(lines.size());

    // The visible lines. The content region's maximum is in window
    // coordinates and moves up with the scroll, so scrollY + contentSize.y is
    // the height of the view: first plus the lines that fit in it.
    int first = 0;
    int last = -1;
    if (charAdvance.y > 0.0f) {
        first = static_cast<int>(std::floor(scrollY / charAdvance.y));
        const int shown = static_cast<int>(std::floor((scrollY + contentSize.y) / charAdvance.y));
        last = std::max(0, std::min(lineCount - 1, first + shown));
    }

    // The gutter holds the largest line number with a blank on either side.
    char numberText[32];
    std::snprintf(numberText, sizeof(numberText), " %d ", lineCount);
    textStart = TextWidth(numberText) + static_cast<float>(leftMargin);

    if (lineCount > 0) {
        const float spaceSize = TextWidth(" ");
        // Clamped by the kept line ends: a frame walks no line to its end.
        const TextPosition cursor = SanitizeLaidOut(state.cursorPosition);
        const bool hasSelection = SanitizeLaidOut(state.selectionEnd) > SanitizeLaidOut(state.selectionStart);
        // The columns in view: the window's clip rectangle, widened by a font
        // size on either side for glyphs and marks that reach past their cell.
        const float viewLeft = drawList->GetClipRectMin().x - fontSize;
        const float viewRight = drawList->GetClipRectMax().x + fontSize;

        for (int n = first; n <= last; ++n) {
            const ImVec2 lineStart(origin.x, origin.y + static_cast<float>(n) * charAdvance.y);
            const ImVec2 textPos(lineStart.x + textStart, lineStart.y);
            const LinePlace lineEnd = LayoutOf(n).end;
            const TextPosition lineStartPos(n, 0);
            const TextPosition lineEndPos(n, lineEnd.column);

            const float lineWidth = lineEnd.x;
            longest = std::max(longest, textStart + lineWidth);

            // --- Selection: the line break shows as one character cell ----
            // Only a selection that starts by the line's end and ends after its
            // start touches the line.
            if (state.selectionStart <= lineEndPos && state.selectionEnd > lineStartPos) {
                const float s0 = state.selectionStart > lineStartPos ? DistanceToLineStart(state.selectionStart) : 0.0f;
                float s1 = state.selectionEnd < lineEndPos ? DistanceToLineStart(state.selectionEnd) : lineWidth;
                if (state.selectionEnd.line > n) s1 += charAdvance.x;
                if (s0 < s1)
                    drawList->AddRectFilled(ImVec2(textPos.x + s0, lineStart.y),
                                            ImVec2(textPos.x + s1, lineStart.y + charAdvance.y),
                                            Role(palette, PaletteIndex::Selection));
            }

            // --- Bars from the visible left edge: breakpoint, error --------
            const ImVec2 barStart(lineStart.x + scrollX, lineStart.y);
            const ImVec2 barEnd(lineStart.x + contentSize.x + 2.0f * scrollX, lineStart.y + charAdvance.y);

            if (breakpoints.count(n + 1) != 0)
                drawList->AddRectFilled(barStart, barEnd, Role(palette, PaletteIndex::Breakpoint));

            const auto marker = errorMarkers.find(n + 1);
            if (marker != errorMarkers.end()) {
                drawList->AddRectFilled(barStart, barEnd, Role(palette, PaletteIndex::ErrorMarker));
                if (ImGui::IsMouseHoveringRect(lineStart, barEnd)) {
                    ImGui::BeginTooltip();
                    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.2f, 0.2f, 1.0f));
                    ImGui::Text("Error at line %d:", marker->first);
                    ImGui::PopStyleColor();
                    ImGui::Separator();
                    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 1.0f, 0.2f, 1.0f));
                    ImGui::Text("%s", marker->second.c_str());
                    ImGui::PopStyleColor();
                    ImGui::EndTooltip();
                }
            }

            // --- Line number, right-aligned two blanks before the text ------
            std::snprintf(numberText, sizeof(numberText), "%d  ", n + 1);
            const float numberWidth = TextWidth(numberText);
            drawList->AddText(ImVec2(lineStart.x + textStart - numberWidth, lineStart.y),
                              Role(palette, PaletteIndex::LineNumber), numberText);

            // --- Current line and cursor ------------------------------------
            if (cursor.line == n) {
                const bool focused = ImGui::IsWindowFocused();
                if (!hasSelection) {
                    const ImVec2 fillEnd(barStart.x + contentSize.x + scrollX, barStart.y + charAdvance.y);
                    drawList->AddRectFilled(barStart, fillEnd,
                                            Role(palette, focused ? PaletteIndex::CurrentLineFill
                                                                  : PaletteIndex::CurrentLineFillInactive));
                    drawList->AddRect(barStart, fillEnd, Role(palette, PaletteIndex::CurrentLineEdge), 1.0f, 0, 1.0f);
                }
                if (focused) {
                    const uint64_t now = NowMilliseconds();
                    const uint64_t elapsed = now - startTime;
                    if (elapsed > kBlinkHiddenMs) {
                        const LinePlace at = PlaceOfColumn(n, cursor.column);
                        const float width = CursorWidth(*this, lines[n], at.index, at.x, spaceSize);
                        drawList->AddRectFilled(ImVec2(textPos.x + at.x, lineStart.y),
                                                ImVec2(textPos.x + at.x + width, lineStart.y + charAdvance.y),
                                                Role(palette, PaletteIndex::Cursor));
                        if (elapsed > kBlinkPeriodMs) startTime = now;
                    }
                }
            }

            // --- Text in runs of one colour, over the columns in view -------
            RenderLineText(drawList, n, textPos, viewLeft - textPos.x, viewRight - textPos.x);
        }
    }

    // --- Identifier tooltip, while the mouse is over the editor -------------
    if (ImGui::IsMousePosValid() && ImGui::IsWindowHovered()) {
        const std::string word = TooltipWordAt(ImGui::GetMousePos());
        if (!word.empty()) {
            auto found = language.identifiers.find(word);
            bool show = found != language.identifiers.end();
            if (!show) {
                found = language.preprocessorIdentifiers.find(word);
                show = found != language.preprocessorIdentifiers.end();
            }
            if (show) {
                ImGui::BeginTooltip();
                ImGui::TextUnformatted(found->second.declaration.c_str());
                ImGui::EndTooltip();
            }
        }
    }

    // The content size: every line's height, the longest visible line's width.
    ImGui::Dummy(ImVec2(longest + 2.0f, static_cast<float>(lineCount) * charAdvance.y));

    if (scrollToCursor) {
        KeepCursorVisible();
        ImGui::SetWindowFocus();
        scrollToCursor = false;
    }
}

// The characters of a line that lie between left and right, in pixels from
// the text's left edge: from the first whose cell reaches left to the last
// that starts by right. A run of one colour is drawn where its first
// character lies, so what is in view is drawn as a walk from the line's
// start would draw it.
void TextEditor::RenderLineText(ImDrawList* drawList, int lineIndex, const ImVec2& textPos, float left, float right) {
    const Line& line = lines[lineIndex];
    const int length = static_cast<int>(line.size());
    const float fontSize = ImGui::GetFontSize();
    const float spaceSize = layoutMeasure.spaceWidth;

    // From the last kept mark that starts left of the edge (every character
    // before it ends there too; a pixel's slack, as sums of widths far along
    // a line round) to the first character whose cell reaches the edge. Not
    // from the character nearest the edge: a wide tab whose middle lies left
    // of it would be passed over while its end still shows.
    const LineLayout& layout = LayoutOf(lineIndex);
    const float slack = 1.0f + std::fabs(left) * 1e-6f;
    const auto after = std::partition_point(layout.marks.begin(), layout.marks.end(),
                                            [&](const LinePlace& mark) { return mark.x + slack < left; });
    LinePlace at = after == layout.marks.begin() ? LinePlace() : *(after - 1);
    while (at.index < length) {
        LinePlace next = at;
        StepPlace(line, next);
        if (next.x >= left) break;
        at = next;
    }

    lineBuffer.clear();
    float runX = at.x;
    ImU32 runColor = 0;
    auto flush = [&]() {
        drawList->AddText(ImVec2(textPos.x + runX, textPos.y), runColor, lineBuffer.data(),
                          lineBuffer.data() + lineBuffer.size());
        lineBuffer.clear();
    };

    while (at.index < length && at.x <= right) {
        const Glyph& glyph = line[at.index];
        const ImU32 color = GetGlyphColor(glyph);
        const bool isTab = glyph.character == '\t';
        const bool isBlank = glyph.character == ' ';
        if (!lineBuffer.empty() && (color != runColor || isTab || isBlank)) flush();

        const float x = at.x;
        if (isTab) {
            StepPlace(line, at);
            if (showWhitespaces)
                DrawTabArrow(drawList, textPos.x + x + 1.0f, textPos.x + at.x - 1.0f, textPos.y + fontSize * 0.5f,
                             fontSize * 0.2f);
        } else if (isBlank) {
            if (showWhitespaces)
                drawList->AddCircleFilled(ImVec2(textPos.x + x + spaceSize * 0.5f, textPos.y + fontSize * 0.5f), 1.5f,
                                          kBlankDotColor, 4);
            StepPlace(line, at);
        } else {
            // A character's bytes go together, as the columns count them.
            if (lineBuffer.empty()) {
                runX = x;
                runColor = color;
            }
            int index = at.index;
            char drawn[7];
            const int n = DrawnCharacter(line, index, drawn);
            lineBuffer.append(drawn, static_cast<size_t>(n));
            StepPlace(line, at);
        }
    }
    if (!lineBuffer.empty()) flush();
}

// The identifier tooltip's word: what GetWordAt finds where the point lands.
// A word longer than every word of the two tables has no tooltip, so the
// walks stop there instead of crossing a long run of blanks.
std::string TextEditor::TooltipWordAt(const ImVec2& point) const {
    int lineIndex = 0;
    LinePlace at;
    if (!PointToPlace(point, lineIndex, at)) return std::string();
    const Line& line = lines[lineIndex];
    if (at.index >= static_cast<int>(line.size())) return std::string();

    int limit = 0;
    for (const auto& entry : language.identifiers) limit = std::max(limit, static_cast<int>(entry.first.size()));
    for (const auto& entry : language.preprocessorIdentifiers)
        limit = std::max(limit, static_cast<int>(entry.first.size()));

    const int start = WordStartIndex(line, at.index, limit);
    const int end = WordEndIndex(line, at.index, limit);
    if (start < 0 || end < 0 || end - start > limit) return std::string();
    std::string word;
    for (int i = start; i < end; ++i) word.push_back(static_cast<char>(line[i].character));
    return word;
}
