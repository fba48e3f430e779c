// What Render hands to ImGui's draw lists: the gutter and line numbers, the
// selection, current-line fill, cursor, bars, whitespace marks, coloured text,
// tooltips, the palette in use and the scrolling it asks for.
#include "EditorFrameHarness.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace tetest;

namespace {

class Rendering : public ::testing::Test {
protected:
    void Load(const std::string& text) {
        h.editor.SetText(text);
        h.Frame();
        h.Frame();
    }
    float Width(const char* text) const { return ImGui::CalcTextSize(text).x; }
    float LineTop(int line) const { return h.origin.y + static_cast<float>(line) * h.editor.charAdvance.y; }
    float TextLeft() const { return h.origin.x + h.editor.textStart; }
    // Quads of a role whose top edge lies in the given line's row (a glyph's
    // quad starts a little below the row's top).
    std::vector<Quad> OnLine(PaletteIndex role, int line) const {
        std::vector<Quad> out;
        for (const Quad& q : h.QuadsOfColor(h.Role(role)))
            if (q.y0 > LineTop(line) - 0.5f && q.y0 < LineTop(line + 1) - 0.5f) out.push_back(q);
        return out;
    }

    EditorFrameHarness h;
};

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "x" + std::string(i + 1 < count ? "\n" : "");
    return text;
}

}  // namespace

// ---- Gutter and line numbers ------------------------------------------------------

TEST_F(Rendering, TheGutterWidensByOneDigitFromNineLinesToTen) {
    Load(Lines(9));
    EXPECT_FLOAT_EQ(h.editor.textStart, Width(" 9 ") + 10.0f);
    const float nine = h.editor.textStart;
    Load(Lines(10));
    EXPECT_FLOAT_EQ(h.editor.textStart, Width(" 10 ") + 10.0f);
    EXPECT_FLOAT_EQ(h.editor.textStart - nine, Width("0"));
}

TEST_F(Rendering, LineNumbersAreRightAlignedTwoBlanksBeforeTheText) {
    Load(Lines(12));
    const std::vector<Quad> line8 = OnLine(PaletteIndex::LineNumber, 8);   // "9"
    const std::vector<Quad> line10 = OnLine(PaletteIndex::LineNumber, 10);  // "11"
    ASSERT_EQ(line8.size(), 1u);
    ASSERT_EQ(line10.size(), 2u);
    const float right8 = line8[0].x1;
    const float right10 = std::max(line10[0].x1, line10[1].x1);
    EXPECT_NEAR(right8, right10, 0.01f);
    EXPECT_LT(right8, TextLeft() - Width("  ") + 0.01f);
    EXPECT_GT(right8, TextLeft() - Width("0  ") - 0.01f);
}

// ---- Current line and cursor ------------------------------------------------------------

TEST_F(Rendering, TheCursorLineIsFilledAndOutlinedWhileFocused) {
    Load("a\nb\nc");
    h.editor.SetCursorPosition(TextPosition(1, 1));
    h.Frame();  // takes focus
    h.Frame();
    EXPECT_EQ(OnLine(PaletteIndex::CurrentLineFill, 1).size(), 1u);
    EXPECT_TRUE(OnLine(PaletteIndex::CurrentLineFill, 0).empty());
    EXPECT_GT(h.VerticesOfColor(h.Role(PaletteIndex::CurrentLineEdge)), 0);
}

TEST_F(Rendering, AnUnfocusedEditorFillsTheCursorLineInactiveAndShowsNoCursor) {
    Load("a\nb");
    h.editor.startTime = 0;  // the blink is in its visible half
    h.Frame();
    EXPECT_EQ(OnLine(PaletteIndex::CurrentLineFillInactive, 0).size(), 1u);
    EXPECT_TRUE(h.QuadsOfColor(h.Role(PaletteIndex::CurrentLineFill)).empty());
    EXPECT_TRUE(h.QuadsOfColor(h.Role(PaletteIndex::Cursor)).empty());
}

TEST_F(Rendering, WithASelectionTheCursorLineIsNotFilled) {
    Load("abc\ndef");
    h.editor.SetSelection(TextPosition(0, 1), TextPosition(0, 2));
    h.Frame();
    EXPECT_TRUE(h.QuadsOfColor(h.Role(PaletteIndex::CurrentLineFillInactive)).empty());
}

TEST_F(Rendering, TheCursorIsAOnePixelBarThatBlinks) {
    Load("abcd");
    h.editor.SetCursorPosition(TextPosition(0, 2));
    h.Focus();
    h.editor.startTime = 0;  // long ago: shown, and the blink restarts
    h.Frame();
    const std::vector<Quad> cursor = h.QuadsOfColor(h.Role(PaletteIndex::Cursor));
    ASSERT_EQ(cursor.size(), 1u);
    EXPECT_FLOAT_EQ(cursor[0].x0, TextLeft() + Width("ab"));
    EXPECT_FLOAT_EQ(cursor[0].x1 - cursor[0].x0, 1.0f);
    EXPECT_FLOAT_EQ(cursor[0].y1 - cursor[0].y0, h.editor.charAdvance.y);

    h.Frame();  // within 400 ms of the restart: hidden
    EXPECT_TRUE(h.QuadsOfColor(h.Role(PaletteIndex::Cursor)).empty());
}

TEST_F(Rendering, InOverwriteModeTheCursorIsAsWideAsTheCharacterOrTheRestOfTheTab) {
    Load("a\tb");
    h.editor.overwrite = true;
    h.editor.SetCursorPosition(TextPosition(0, 0));
    h.Focus();
    h.editor.startTime = 0;
    h.Frame();
    std::vector<Quad> cursor = h.QuadsOfColor(h.Role(PaletteIndex::Cursor));
    ASSERT_EQ(cursor.size(), 1u);
    EXPECT_FLOAT_EQ(cursor[0].x1 - cursor[0].x0, Width("a"));

    h.editor.SetCursorPosition(TextPosition(0, 1));  // on the tab, after "a"
    h.Frame();
    h.editor.startTime = 0;
    h.Frame();
    cursor = h.QuadsOfColor(h.Role(PaletteIndex::Cursor));
    ASSERT_EQ(cursor.size(), 1u);
    EXPECT_FLOAT_EQ(cursor[0].x1 - cursor[0].x0, 4.0f * Width(" ") - Width("a"));

    h.editor.SetCursorPosition(TextPosition(0, 5));  // the line end
    h.Frame();
    h.editor.startTime = 0;
    h.Frame();
    cursor = h.QuadsOfColor(h.Role(PaletteIndex::Cursor));
    ASSERT_EQ(cursor.size(), 1u);
    EXPECT_FLOAT_EQ(cursor[0].x1 - cursor[0].x0, 1.0f);
}

// ---- Selection -------------------------------------------------------------------------------

TEST_F(Rendering, ASelectionShadesEachLineItCoversAndOneCellForEachLineBreak) {
    Load("line zero\nline one\nline two\nline three\nline four");
    h.editor.SetSelection(TextPosition(2, 3), TextPosition(4, 0));
    h.Frame();
    const float cell = h.editor.charAdvance.x;

    const std::vector<Quad> two = OnLine(PaletteIndex::Selection, 2);
    ASSERT_EQ(two.size(), 1u);
    EXPECT_FLOAT_EQ(two[0].x0, TextLeft() + Width("lin"));
    EXPECT_FLOAT_EQ(two[0].x1, TextLeft() + Width("line two") + cell);
    EXPECT_FLOAT_EQ(two[0].y1 - two[0].y0, h.editor.charAdvance.y);

    const std::vector<Quad> three = OnLine(PaletteIndex::Selection, 3);
    ASSERT_EQ(three.size(), 1u);
    EXPECT_FLOAT_EQ(three[0].x0, TextLeft());
    EXPECT_FLOAT_EQ(three[0].x1, TextLeft() + Width("line three") + cell);

    EXPECT_TRUE(OnLine(PaletteIndex::Selection, 4).empty());
    EXPECT_TRUE(OnLine(PaletteIndex::Selection, 1).empty());
}

// ---- Breakpoints and error markers ---------------------------------------------------------

TEST_F(Rendering, BreakpointAndErrorBarsAreDrawnOnTheLineTheirNumberCountsFromOne) {
    Load("a\nb\nc\nd\ne\nf");
    h.editor.breakpoints.insert(2);
    h.editor.errorMarkers[5] = "bad token";
    h.Frame();
    EXPECT_EQ(OnLine(PaletteIndex::Breakpoint, 1).size(), 1u);
    EXPECT_EQ(OnLine(PaletteIndex::ErrorMarker, 4).size(), 1u);
    EXPECT_EQ(h.QuadsOfColor(h.Role(PaletteIndex::ErrorMarker)).size(), 1u);
    EXPECT_FALSE(h.TooltipShown());
}

TEST_F(Rendering, HoveringAnErrorBarShowsTheLineNumberAndTheMessage) {
    Load("a\nb\nc\nd\ne\nf");
    h.editor.errorMarkers[5] = "bad";
    h.IO().MousePos = ImVec2(h.origin.x + 200.0f, LineTop(4) + 2.0f);
    h.Frame();
    h.Frame();
    ASSERT_TRUE(h.TooltipShown());
    // "Error at line 5:" in red and the message in yellow, one quad per visible glyph.
    EXPECT_EQ(h.QuadsOfColor(ImGui::ColorConvertFloat4ToU32(ImVec4(1.0f, 0.2f, 0.2f, 1.0f))).size(), 13u);
    EXPECT_EQ(h.QuadsOfColor(ImGui::ColorConvertFloat4ToU32(ImVec4(1.0f, 1.0f, 0.2f, 1.0f))).size(), 3u);
}

// ---- Text, whitespace marks and tooltips ---------------------------------------------------

TEST_F(Rendering, TextIsDrawnInTheColourOfItsTokens) {
    Load("float x = 12;");
    const std::vector<Quad> keyword = h.QuadsOfColor(h.Role(PaletteIndex::Keyword));
    EXPECT_EQ(keyword.size(), 5u);
    EXPECT_EQ(h.QuadsOfColor(h.Role(PaletteIndex::Number)).size(), 2u);
    EXPECT_EQ(h.QuadsOfColor(h.Role(PaletteIndex::Identifier)).size(), 1u);
    ASSERT_FALSE(keyword.empty());
    EXPECT_NEAR(std::min_element(keyword.begin(), keyword.end(), [](const Quad& a, const Quad& b) { return a.x0 < b.x0; })->x0,
                TextLeft(), Width("f"));
}

TEST_F(Rendering, BlanksAndTabsAreMarkedOnlyWhileWhitespaceIsShown) {
    Load("a b\tc");
    EXPECT_GT(h.VerticesOfColor(0x80808080), 0);  // the dot for the blank
    EXPECT_GT(h.VerticesOfColor(0x90909090), 0);  // the arrow for the tab
    h.editor.showWhitespaces = false;
    h.Frame();
    EXPECT_EQ(h.VerticesOfColor(0x80808080), 0);
    EXPECT_EQ(h.VerticesOfColor(0x90909090), 0);
}

TEST_F(Rendering, HoveringAKnownIdentifierShowsItsDeclaration) {
    Load("float y = sin(x);");
    h.IO().MousePos = ImVec2(TextLeft() + Width("float y = si"), LineTop(0) + 3.0f);
    h.Frame();
    h.Frame();
    EXPECT_TRUE(h.TooltipShown());
    h.IO().MousePos = ImVec2(TextLeft() + Width("flo"), LineTop(0) + 3.0f);  // a keyword
    h.Frame();
    h.Frame();
    EXPECT_FALSE(h.TooltipShown());
}

TEST_F(Rendering, ATooltipFallsBackToThePreprocessorIdentifiersAndShowsTheDeclaration) {
    TextEditor::SyntaxDefinition language = TextEditor::SyntaxDefinition::HLSL();
    language.preprocessorIdentifiers["MYMACRO"].declaration = "Expands to one";
    h.editor.SetSyntaxDefinition(language);
    Load("MYMACRO abs");  // no punctuation: nothing else is drawn in the tooltip's white
    const ImU32 white = ImGui::GetColorU32(ImGuiCol_Text);
    h.IO().MousePos = ImVec2(TextLeft() + Width("MYM"), LineTop(0) + 3.0f);
    h.Frame();
    h.Frame();
    ASSERT_TRUE(h.TooltipShown());
    EXPECT_EQ(h.QuadsOfColor(white).size(), 12u);  // "Expands to one" without its blanks

    h.IO().MousePos = ImVec2(TextLeft() + Width("MYMACRO a"), LineTop(0) + 3.0f);
    h.Frame();
    h.Frame();
    ASSERT_TRUE(h.TooltipShown());
    EXPECT_EQ(h.QuadsOfColor(white).size(), 16u);  // "Built-in function" without its blank
}

TEST_F(Rendering, TooltipWordsAreLookedUpAsWrittenEvenInACaseInsensitiveLanguage) {
    h.editor.SetSyntaxDefinition(TextEditor::SyntaxDefinition::SQL());
    Load("abs ABS");  // both colour as known identifiers; the list holds "ABS"
    h.IO().MousePos = ImVec2(TextLeft() + Width("a"), LineTop(0) + 3.0f);
    h.Frame();
    h.Frame();
    EXPECT_FALSE(h.TooltipShown());
    h.IO().MousePos = ImVec2(TextLeft() + Width("abs A"), LineTop(0) + 3.0f);
    h.Frame();
    h.Frame();
    EXPECT_TRUE(h.TooltipShown());
}

TEST_F(Rendering, NoIdentifierTooltipWhileTheMouseIsOutsideTheEditor) {
    h.size = ImVec2(800.0f, 100.0f);  // the editor takes the top of the window
    std::string text;
    for (int i = 0; i < 40; ++i) text += "sin(x);\n";
    Load(text);
    // Below the editor, where line 30 would be if the editor reached that far.
    h.IO().MousePos = ImVec2(TextLeft() + Width("s"), LineTop(30) + 3.0f);
    h.Frame();
    h.Frame();
    EXPECT_FALSE(h.TooltipShown());
}

// ---- Palette ---------------------------------------------------------------------------------

TEST_F(Rendering, TheFirstFrameUsesTheDarkBackgroundAndASetPaletteShowsFromTheNextFrames) {
    // The harness drew its first frame at construction.
    EXPECT_EQ(h.editor.palette, TextEditor::GetDarkPalette());
    EXPECT_FALSE(h.QuadsOfColor(TextEditor::GetDarkPalette()[12]).empty());

    h.editor.SetPalette(TextEditor::GetRetroBluePalette());
    h.Frame();
    EXPECT_EQ(h.editor.palette, TextEditor::GetRetroBluePalette());
    h.Frame();
    EXPECT_FALSE(h.QuadsOfColor(TextEditor::GetRetroBluePalette()[12]).empty());
    EXPECT_TRUE(h.QuadsOfColor(TextEditor::GetDarkPalette()[12]).empty());
}

TEST_F(Rendering, ThePaletteInUseCarriesTheStylesGlobalAlpha) {
    ImGui::GetStyle().Alpha = 0.5f;
    h.Frame();
    const ImU32 keyword = h.editor.palette[static_cast<size_t>(PaletteIndex::Keyword)];
    EXPECT_EQ(keyword & 0x00FFFFFFu, 0x00d69c56u);
    EXPECT_NEAR(static_cast<double>(keyword >> 24), 128.0, 1.0);
}

// ---- Visible lines and scrolling -----------------------------------------------------------

TEST_F(Rendering, OnlyTheVisibleLinesAreDrawnWhereverTheViewIs) {
    h.editor.SetColorizerEnabled(false);  // every glyph in Default: one quad per line
    Load(Lines(10000));
    const size_t visible = static_cast<size_t>(600.0f / h.editor.charAdvance.y) + 2;
    const size_t atTop = h.QuadsOfColor(h.Role(PaletteIndex::Default)).size();
    EXPECT_GE(atTop, visible - 4);
    EXPECT_LE(atTop, visible);

    h.editor.SetCursorPosition(TextPosition(6000, 0));
    h.Frame();
    h.Frame();
    ImGuiWindow* window = h.EditorWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_GT(window->Scroll.y, 0.0f);
    const std::vector<Quad> drawn = h.QuadsOfColor(h.Role(PaletteIndex::Default));
    EXPECT_GE(drawn.size(), visible - 4);
    EXPECT_LE(drawn.size(), visible);
    // The cursor's line is among them, where the scrolled view shows it.
    const float cursorTop = LineTop(6000) - window->Scroll.y;
    auto inCursorRow = [&](const Quad& q) { return q.y0 > cursorTop - 0.5f && q.y0 < cursorTop + h.editor.charAdvance.y; };
    EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), inCursorRow));
    const std::vector<Quad> fill = h.QuadsOfColor(h.Role(PaletteIndex::CurrentLineFill));  // focused by the move
    ASSERT_EQ(fill.size(), 1u);
    EXPECT_TRUE(inCursorRow(fill[0]));
}

TEST_F(Rendering, TheContentCoversEveryLineAndTheLongestVisibleLine) {
    Load("short\n" + std::string(300, 'w') + "\nx");
    ImGuiWindow* window = h.EditorWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_NEAR(window->ContentSize.y, 3.0f * h.editor.charAdvance.y, 1.0f);
    EXPECT_NEAR(window->ContentSize.x, h.editor.textStart + Width(std::string(300, 'w').c_str()) + 2.0f, 1.0f);
}

// ---- Long lines: drawn over the columns in view ----------------------------------------------

namespace {

// 32 columns of shader code that start and end on a tab stop: a tab, tokens of
// several colours, a two-byte and a three-byte character, blanks.
const std::string kStretch = "\tx = abs(beat) * 1.5 + \xC3\xA9\xE2\x82\xAC;   ";
constexpr int kStretchColumns = 32;

std::string Stretches(int count) {
    std::string text;
    text.reserve(kStretch.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) text += kStretch;
    return text;
}

// One row of the long-line scenario: the lines, edits made after they were
// drawn (with frames between them), and the view: its first column, the
// cursor and the selection.
struct LongLineCase {
    const char* name;
    std::vector<std::string> lines;
    std::function<void(EditorFrameHarness&)> edit;
    int firstColumn;
    TextPosition cursor;
    TextPosition selectionStart;
    TextPosition selectionEnd;
    bool overwrite;
};

// The colours the text area shows: the text roles, selection, cursor, the
// current-line fill and edge, and the marks of blanks and tabs.
std::vector<ImU32> ShownColours(const EditorFrameHarness& h) {
    std::vector<ImU32> colours;
    for (int role = 0; role < static_cast<int>(PaletteIndex::Count); ++role)
        if (role != static_cast<int>(PaletteIndex::LineNumber)) colours.push_back(h.Role(static_cast<PaletteIndex>(role)));
    colours.push_back(0x80808080);
    colours.push_back(0x90909090);
    return colours;
}

// What the last frame showed in one colour right of the gutter, over the
// lines: its quads clipped to that area, in order.
std::vector<Quad> ShownIn(const EditorFrameHarness& h, ImU32 colour, int lineCount) {
    const ImGuiWindow* window = h.EditorWindow();
    const float left = h.origin.x + h.editor.textStart;
    const float right = window->InnerClipRect.Max.x;
    const float top = h.origin.y;
    const float bottom = top + static_cast<float>(lineCount) * h.editor.charAdvance.y;
    std::vector<Quad> shown;
    for (Quad q : h.QuadsOfColor(colour)) {
        q.x0 = std::max(q.x0, left);
        q.x1 = std::min(q.x1, right);
        q.y0 = std::max(q.y0, top);
        q.y1 = std::min(q.y1, bottom);
        if (q.x0 < q.x1 && q.y0 < q.y1) shown.push_back(q);
    }
    std::sort(shown.begin(), shown.end(), [](const Quad& a, const Quad& b) {
        return std::tie(a.y0, a.x0, a.x1, a.y1) < std::tie(b.y0, b.x0, b.x1, b.y1);
    });
    return shown;
}

// Shows text in a fresh editor of 800 by 600 pixels (C++, as shaders are
// coloured), scrolled right by scrollColumns, focused, the cursor shown.
void ShowLines(EditorFrameHarness& h, const std::string& text, const std::function<void(EditorFrameHarness&)>& edit,
               int scrollColumns, TextPosition cursor, TextPosition selectionStart, TextPosition selectionEnd,
               bool overwrite) {
    h.IO().BackendFlags |= ImGuiBackendFlags_RendererHasVtxOffset;  // as the OpenGL 3 renderer declares
    h.editor.SetSyntaxDefinition(TextEditor::SyntaxDefinition::CPlusPlus());
    h.editor.SetText(text);
    h.Frame();
    h.Frame();
    if (edit) {
        edit(h);
        h.Frame();
    }
    h.Focus();
    h.editor.overwrite = overwrite;
    h.editor.state.cursorPosition = cursor;
    h.editor.state.selectionStart = selectionStart;
    h.editor.state.selectionEnd = selectionEnd;
    h.Frame();
    h.EditorWindow()->Scroll.x = static_cast<float>(scrollColumns) * h.editor.charAdvance.x;
    h.editor.startTime = 0;  // the cursor is in the visible half of its blink
    h.Frame();
}

// The bytes of the character whose UTF-8 lead byte is lead.
size_t SequenceLength(uint8_t lead) {
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    return lead >= 0xC0 ? 2 : 1;
}

// Checks that the last frame drew every character of the lines in view that
// reaches into the window's clip rectangle, its edges included as ImGui's
// own culling of glyphs includes them, at the place the font's one
// character width (ImGui's font is monospaced) and the tab stops give it,
// counted here from the line's start rather than by the renderer: a glyph
// whose ink reaches into the rectangle as its quad in its colour (ImGui
// itself leaves out a glyph whose ink lies wholly outside), a blank whose
// cell does as its dot, a tab whose span does as its arrow. Returns the
// number of characters checked.
int ExpectEveryCharacterInViewDrawn(const EditorFrameHarness& h) {
    const TextEditor& e = h.editor;
    const ImGuiWindow* window = h.EditorWindow();
    const ImRect clip = window->InnerClipRect;
    const float advance = e.charAdvance.x;
    const float textLeft = h.origin.x - window->Scroll.x + e.textStart;
    const float top = h.origin.y - window->Scroll.y;
    const int tab = std::max(1, e.tabSize);
    ImGui::SetCurrentContext(h.imgui.Context());
    const ImFont* font = ImGui::GetFont();
    const float scale = ImGui::GetFontSize() / font->FontSize;
    std::vector<std::pair<ImU32, std::vector<Quad>>> quads;  // by colour, each read once
    auto quadsOf = [&](ImU32 colour) -> const std::vector<Quad>& {
        for (const auto& entry : quads)
            if (entry.first == colour) return entry.second;
        quads.emplace_back(colour, h.QuadsOfColor(colour));
        return quads.back().second;
    };
    int checked = 0;
    int missing = 0;
    for (int l = 0; l < e.GetTotalLines(); ++l) {
        const float rowTop = top + static_cast<float>(l) * e.charAdvance.y;
        const float rowBottom = rowTop + e.charAdvance.y;
        if (rowBottom <= clip.Min.y || rowTop >= clip.Max.y) continue;
        auto onRow = [&](const Quad& q) { return q.y0 > rowTop - 0.5f && q.y0 < rowBottom - 0.5f; };
        const TextEditor::Line& line = e.lines[l];
        int column = 0;
        for (size_t i = 0; i < line.size(); i += std::max<size_t>(1, std::min(SequenceLength(line[i].character),
                                                                                line.size() - i))) {
            const uint8_t byte = line[i].character;
            const int next = byte == '\t' ? (column / tab + 1) * tab : column + 1;
            const float x0 = textLeft + static_cast<float>(column) * advance;
            const float x1 = textLeft + static_cast<float>(next) * advance;
            column = next;
            float ink0 = x0;  // where the mark shows, from what it is
            float ink1 = x1;
            const ImFontGlyph* glyph = nullptr;
            if (byte != '\t' && byte != ' ') {
                char bytes[5] = {};
                for (size_t b = 0; b < 4 && i + b < line.size(); ++b) bytes[b] = static_cast<char>(line[i + b].character);
                unsigned int codepoint = 0;
                ImTextCharFromUtf8(&codepoint, bytes, bytes + std::min(SequenceLength(byte), line.size() - i));
                glyph = font->FindGlyph(static_cast<ImWchar>(codepoint));
                ink0 = x0 + glyph->X0 * scale;
                ink1 = x0 + glyph->X1 * scale;
            }
            if (ink1 < clip.Min.x || ink0 > clip.Max.x) continue;
            ++checked;
            bool drawn = false;
            if (byte == '\t') {
                for (const Quad& q : quadsOf(0x90909090))
                    drawn = drawn || (onRow(q) && std::fabs(q.x0 - (x0 + 1.0f)) <= 1.0f &&
                                      std::fabs(q.x1 - (x1 - 1.0f)) <= 1.0f);
            } else if (byte == ' ') {
                for (const Quad& q : quadsOf(0x80808080))
                    drawn = drawn || (onRow(q) && std::fabs((q.x0 + q.x1) * 0.5f - (x0 + advance * 0.5f)) <= 0.5f);
            } else {
                for (const Quad& q : quadsOf(e.GetGlyphColor(line[i])))
                    drawn = drawn || (onRow(q) && std::fabs(q.x0 - ink0) <= 1.0f && std::fabs(q.x1 - ink1) <= 1.0f);
            }
            if (!drawn && ++missing <= 3)
                ADD_FAILURE() << "line " << l << " byte " << i << " (" << static_cast<int>(byte) << ") in ["
                              << x0 << ", " << x1 << ") not drawn; clip [" << clip.Min.x << ", " << clip.Max.x << ")";
        }
    }
    return checked;
}

// Overwrites the character at column of line 0 with a tab, and, when undone
// is set, takes that back again after a frame.
void OverwriteWithTab(EditorFrameHarness& h, int column, bool undone) {
    h.editor.overwrite = true;
    PlaceCursor(h.editor, TextPosition(0, column));
    h.editor.EnterCharacter('\t', false);
    h.editor.overwrite = false;
    if (!undone) return;
    h.Frame();
    h.editor.Undo(1);
}

}  // namespace

// A line is measured and drawn only over the columns in view, and what is in
// view is what the same columns show as a line of their own: the text in its
// colours, the marks of blanks and tabs, the selection, the cursor, and the
// word and column under the mouse. A line of 100 000 blanks draws the dots
// the window shows, not 100 000 of them; the scroll range still reaches the
// end of the longest line, after edits too.
TEST_F(Rendering, ALongLineIsDrawnOverTheColumnsInViewAsThoseColumnsAloneAre) {
    const int middle = 3000 * kStretchColumns;  // a tab stop in the middle of the 200 000-column line
    const int tail = 6247 * kStretchColumns;    // the last three stretches of the first line
    const std::vector<LongLineCase> cases = {
        {"100 000 blanks, scrolled to the middle, a selection from before the view",
         {std::string(100000, ' ')}, nullptr, 50000,
         TextPosition(0, 50003), TextPosition(0, 49992), TextPosition(0, 50020), false},
        {"200 000 columns of code, scrolled to the middle, the overwrite cursor on a tab",
         {Stretches(6250)}, nullptr, middle,
         TextPosition(0, middle), TextPosition(0, middle), TextPosition(0, middle), true},
        {"the end of the first line in view, a selection across its line break",
         {Stretches(6250), Stretches(6260)}, nullptr, tail,
         TextPosition(1, tail + 40), TextPosition(0, tail + 50), TextPosition(1, tail + 40), false},
        {"a blank overwritten by a two-byte character, then a letter by a tab (the line's length kept)",
         {Stretches(6250)},
         [middle](EditorFrameHarness& h) {
             h.editor.overwrite = true;
             PlaceCursor(h.editor, TextPosition(0, middle + 5));
             h.editor.EnterCharacter(0xE9, false);
             h.Frame();
             PlaceCursor(h.editor, TextPosition(0, middle + 4));
             h.editor.EnterCharacter('\t', false);
             h.editor.overwrite = false;
         },
         middle, TextPosition(0, middle + 9), TextPosition(0, middle + 9), TextPosition(0, middle + 9), false},
        {"the tab undone (the length kept again)",
         {Stretches(6250)},
         [middle](EditorFrameHarness& h) { OverwriteWithTab(h, middle + 4, true); },
         middle, TextPosition(0, middle + 9), TextPosition(0, middle + 9), TextPosition(0, middle + 9), false},
        {"a blank before the view overwritten by a tab (the line's length kept, its width not)",
         {std::string(100000, ' ')},
         [](EditorFrameHarness& h) { OverwriteWithTab(h, 10, false); },
         50000, TextPosition(0, 50003), TextPosition(0, 50003), TextPosition(0, 50003), false},
        {"that tab undone",
         {std::string(100000, ' ')},
         [](EditorFrameHarness& h) { OverwriteWithTab(h, 10, true); },
         50000, TextPosition(0, 50003), TextPosition(0, 50003), TextPosition(0, 50003), false},
        {"both lines indented by a tab",
         {Stretches(6250), Stretches(6260)},
         [](EditorFrameHarness& h) {
             h.editor.SetSelection(TextPosition(0, 10), TextPosition(1, 10));
             h.editor.EnterCharacter('\t', false);
         },
         middle + 4, TextPosition(0, middle + 6), TextPosition(0, middle + 6), TextPosition(0, middle + 6), false},
    };

    for (const LongLineCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text;
        for (size_t l = 0; l < c.lines.size(); ++l) text += (l > 0 ? "\n" : "") + c.lines[l];
        EditorFrameHarness subject;
        ShowLines(subject, text, c.edit, c.firstColumn, c.cursor, c.selectionStart, c.selectionEnd, c.overwrite);

        // The same columns alone: 160 of every line from the first in view,
        // more than the window shows, the positions moved with them.
        const TextEditor& e = subject.editor;
        const int lineCount = e.GetTotalLines();
        std::string columns;
        int widest = 0;
        for (int l = 0; l < lineCount; ++l) {
            const int from = e.ColumnToCharIndex(TextPosition(l, c.firstColumn));
            const int to = e.ColumnToCharIndex(TextPosition(l, c.firstColumn + 160));
            for (int i = from; i < to; ++i) columns.push_back(static_cast<char>(e.lines[l][i].character));
            if (l + 1 < lineCount) columns += "\n";
            widest = std::max(widest, e.LineEndColumn(l));
        }
        auto moved = [&](TextPosition p) { return TextPosition(p.line, std::max(0, p.column - c.firstColumn)); };
        EditorFrameHarness alone;
        ShowLines(alone, columns, nullptr, 0, moved(c.cursor), moved(c.selectionStart), moved(c.selectionEnd),
                  c.overwrite);

        // Every character reaching into the view is drawn, at its place as
        // counted outside the renderer (the reference above is drawn by the
        // same culling code, so it would miss what that code misses).
        EXPECT_GT(ExpectEveryCharacterInViewDrawn(subject), 100);

        // The scroll range reaches the end of the longest line as it is now.
        EXPECT_NEAR(subject.EditorWindow()->ContentSize.x,
                    e.textStart + static_cast<float>(widest) * e.charAdvance.x + 2.0f, 1.0f);
        ASSERT_FALSE(ShownIn(alone, 0x80808080, lineCount).empty());  // blanks are in view
        ASSERT_FALSE(ShownIn(alone, alone.Role(PaletteIndex::Cursor), lineCount).empty());
        const std::vector<ImU32> colours = ShownColours(subject);
        for (ImU32 colour : colours) {
            SCOPED_TRACE(colour);
            const std::vector<Quad> shown = ShownIn(subject, colour, lineCount);
            const std::vector<Quad> expected = ShownIn(alone, colour, lineCount);
            ASSERT_EQ(shown.size(), expected.size());
            for (size_t q = 0; q < shown.size(); ++q) {
                EXPECT_FLOAT_EQ(shown[q].x0, expected[q].x0);
                EXPECT_FLOAT_EQ(shown[q].x1, expected[q].x1);
                EXPECT_FLOAT_EQ(shown[q].y0, expected[q].y0);
                EXPECT_FLOAT_EQ(shown[q].y1, expected[q].y1);
            }
            // Off screen, at most a few characters at either edge are drawn.
            EXPECT_LE(subject.QuadsOfColor(colour).size(), alone.QuadsOfColor(colour).size() + 8);
        }

        // The mouse finds the same word and the same column: over "abs", or blanks.
        const ImVec2 point = alone.PointAt(0, 9);
        for (EditorFrameHarness* h : {&subject, &alone}) {
            h->IO().MousePos = point;
            h->Frame();
            h->Frame();
        }
        EXPECT_EQ(subject.TooltipShown(), alone.TooltipShown());
        subject.Click(point);
        alone.Click(point);
        EXPECT_EQ(subject.editor.GetCursorPosition(),
                  TextPosition(0, c.firstColumn + alone.editor.GetCursorPosition().column));
    }
}

// At every scroll position, pixel by pixel over four stops of 16-column tabs,
// every character whose cell reaches into the view is drawn at either edge:
// a wide tab whose middle lies left of the view but whose end lies in it
// too, and the last characters that start before the right edge.
TEST_F(Rendering, EveryCharacterWhoseCellReachesIntoTheViewIsDrawnAtEveryScrollPosition) {
    std::string tabs;  // tabs of every width, 16 columns down to 1
    for (int i = 0; i < 2000; ++i) tabs += std::string(static_cast<size_t>(i % 16), 'x') + "\t";
    EditorFrameHarness subject;
    subject.editor.SetTabSize(16);
    ShowLines(subject, tabs + "\n" + Stretches(600), nullptr, 0, TextPosition(0, 0), TextPosition(0, 0),
              TextPosition(0, 0), false);
    const float base = 5000.0f * subject.editor.charAdvance.x;
    const float stop = 16.0f * subject.editor.charAdvance.x;
    for (float shift = 0.0f; shift < 4.0f * stop; shift += 1.0f) {
        SCOPED_TRACE(shift);
        subject.EditorWindow()->Scroll.x = base + shift;
        subject.Frame();
        ASSERT_EQ(subject.EditorWindow()->Scroll.x, base + shift);
        ASSERT_GT(ExpectEveryCharacterInViewDrawn(subject), 150);
        if (HasFailure()) break;
    }
}

TEST_F(Rendering, MovingTheCursorOutsideRenderScrollsItIntoViewAtTheNextFrame) {
    Load(Lines(1000));
    h.editor.SetCursorPosition(TextPosition(500, 0));
    EXPECT_TRUE(h.editor.scrollToCursor);
    h.Frame();
    EXPECT_FALSE(h.editor.scrollToCursor);
    h.Frame();
    ImGuiWindow* window = h.EditorWindow();
    ASSERT_NE(window, nullptr);
    const float lineY = 500.0f * h.editor.charAdvance.y;
    EXPECT_GE(lineY, window->Scroll.y);
    EXPECT_LE(lineY + h.editor.charAdvance.y, window->Scroll.y + window->Size.y);
}

TEST_F(Rendering, SetTextScrollsBackToTheTop) {
    Load(Lines(1000));
    h.editor.SetCursorPosition(TextPosition(800, 0));
    h.Frame();
    h.Frame();
    ASSERT_GT(h.EditorWindow()->Scroll.y, 0.0f);
    h.editor.SetText(Lines(1000));
    h.Frame();
    h.Frame();
    EXPECT_EQ(h.EditorWindow()->Scroll.y, 0.0f);
}

TEST_F(Rendering, HorizontalScrollFollowsTheCursorOnlyWhenItLeavesTheView) {
    Load(std::string(400, 'w'));
    h.editor.SetCursorPosition(TextPosition(0, 300));
    h.Focus();
    h.Frame();
    ImGuiWindow* window = h.EditorWindow();
    ASSERT_NE(window, nullptr);
    const float scrolled = window->Scroll.x;
    const float cursorX = h.editor.textStart + 300.0f * h.editor.charAdvance.x;
    ASSERT_GT(scrolled, 0.0f);
    EXPECT_GE(cursorX, scrolled);
    EXPECT_LE(cursorX, scrolled + window->Size.x);

    for (int i = 0; i < 10; ++i) h.Key(SDL_SCANCODE_LEFT);  // still inside the view
    EXPECT_EQ(window->Scroll.x, scrolled);

    h.Key(SDL_SCANCODE_HOME);  // column 0: back to four pixels before the text
    h.Frame();
    EXPECT_FLOAT_EQ(window->Scroll.x, h.editor.textStart - 4.0f);
}

// ---- Damaged text --------------------------------------------------------------------------

TEST_F(Rendering, BrokenUtf8ZeroBytesAndPositionsPastTheTextAreDrawnWithoutHarm) {
    static const char bytes[] = "cut \xF0\x9F\n\xC3\n\x80\x80 stray\nzero \0 byte\n\t\xE2\x82";
    const std::string text(bytes, sizeof(bytes) - 1);
    Load(text);
    h.editor.overwrite = true;
    h.editor.state.cursorPosition = TextPosition(1, 0);  // on a lone lead byte
    h.editor.state.selectionStart = TextPosition(2, 1);
    h.editor.state.selectionEnd = TextPosition(40, 3);  // past the text
    h.editor.errorMarkers[99] = "past the text";
    h.editor.breakpoints.insert(-3);
    h.Focus();
    h.editor.startTime = 0;
    for (int line = 0; line < 7; ++line) {
        h.IO().MousePos = h.PointAt(line, line * 2);
        h.Frame();
    }
    EXPECT_EQ(h.editor.GetText(), text + "\n");
    EXPECT_FALSE(h.QuadsOfColor(h.Role(PaletteIndex::Selection)).empty());
}
