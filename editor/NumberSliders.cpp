// The annotated number sliders: the literal scanner with its annotations,
// the panel with its splitter, and the write-back of a changed value.
#include "NumberSliders.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "EditorState.h"
#include "ShaderEditor.h"
#include "TextFields.h"
#include "Widgets.h"

/* === Bytes ================================================================ */

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
static bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// A byte that can belong to a name or a number's suffix.
static bool IsWordByte(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

/* === Annotations ========================================================== */

// The fields of one annotation, as "@%255[^=*\n ]=%*[[]%55[^:*\n ]:%55[^]*\n ]"
// fills them. A field the scan does not reach stays empty.
struct Annotation {
    char label[256] = "";
    char min[56] = "";
    char max[56] = "";
};

// Copies up to width bytes from p into field, stopping at the text's end and
// at the field's own stop byte, '*', a line feed or a space (every field of
// the format stops at the last three); the position after them, or null
// when none was copied.
static const char* ScanField(const char* p, char stop, size_t width, char* field) {
    size_t length = 0;
    for (; length < width; ++length) {
        const char c = p[length];
        if (c == '\0' || c == stop || c == '*' || c == '\n' || c == ' ') break;
        field[length] = c;
    }
    field[length] = '\0';
    return length == 0 ? nullptr : p + length;
}

// Reads the annotation at the '@' as sscanf would with the format above: the
// number of fields filled, or -1 when the text ends right after the '@'. A
// scan of its own, because sscanf measures the whole rest of the text first,
// which makes every annotation cost the length of the shader.
static int ScanAnnotation(const char* at, Annotation* fields) {
    const char* p = at + 1;
    if (*p == '\0') return -1;
    p = ScanField(p, '=', sizeof fields->label - 1, fields->label);
    if (p == nullptr) return 0;
    if (*p != '=' || p[1] != '[') return 1;
    p += 1;
    while (*p == '[') ++p;
    p = ScanField(p, ':', sizeof fields->min - 1, fields->min);
    if (p == nullptr) return 1;
    if (*p != ':') return 2;
    return ScanField(p + 1, ']', sizeof fields->max - 1, fields->max) == nullptr ? 2 : 3;
}

// Applies the annotation at the '@' to the literals of its line found so far.
// They are the last ones of the list, as lines only grow along the text.
static void AnnotateLine(const char* at, int32_t line, std::vector<NumberLiteral>* literals) {
    Annotation fields;
    const int count = ScanAnnotation(at, &fields);
    std::printf("%i %s %s %s", count, fields.label, fields.min, fields.max);
    for (size_t i = literals->size(); i > 0 && (*literals)[i - 1].line == line; --i) {
        NumberLiteral& literal = (*literals)[i - 1];
        literal.not_annotated = false;
        if (count >= 1) literal.label = fields.label;
        if (count == 3) {
            literal.min = static_cast<float>(std::atof(fields.min));
            literal.max = static_cast<float>(std::atof(fields.max));
        }
    }
}

/* === The scanner ========================================================== */

// The scanner walks the text once, in one of three states: code, a line
// comment or a block comment. In code a digit or '.' that does not follow a
// letter, or a '-' that is a sign, starts a literal, which runs over the
// digits and points that follow; the byte after the run ends it and is then
// read like any other. The scan itself allocates nothing but the records.

// The bytes that can change something, by state. A byte outside its state's
// set changes nothing there, so the scanner steps over runs of them.
enum : uint8_t {
    kCodeStop = 1,          // in code: literals, comment openings, line feeds, directives
    kLineCommentStop = 2,   // in a line comment: its end and annotations
    kBlockCommentStop = 4,  // in a block comment: line feeds, annotations, the closing '/'
};

struct ByteTable {
    uint8_t stops[256] = {};
    constexpr ByteTable() {
        const char* code = "\n/*#.-0123456789";
        for (const char* c = code; *c != '\0'; ++c) stops[static_cast<uint8_t>(*c)] |= kCodeStop;
        stops[static_cast<uint8_t>('\n')] |= kLineCommentStop | kBlockCommentStop;
        stops[static_cast<uint8_t>('@')] |= kLineCommentStop | kBlockCommentStop;
        stops[static_cast<uint8_t>('/')] |= kBlockCommentStop;
        stops[0] = kCodeStop | kLineCommentStop | kBlockCommentStop;  // the text's end
    }
};
static constexpr ByteTable kBytes;

// Steps from i over the bytes that do not stop the state's scan.
static int32_t SkipFrom(const char* text, int32_t i, uint8_t stop) {
    const char* p = text + i;
    while ((kBytes.stops[static_cast<uint8_t>(*p)] & stop) == 0) ++p;
    return static_cast<int32_t>(p - text);
}

// White space between tokens: blanks and line breaks.
static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// True when the word of the text that ends at last (its index) is exactly
// keyword, not the end of a longer name ("myreturn").
template <size_t N>
static bool WordIs(const char* text, int32_t last, const char (&keyword)[N]) {
    const int32_t first = last - static_cast<int32_t>(N - 1) + 1;
    if (first < 0 || std::memcmp(text + first, keyword, N - 1) != 0) return false;
    return first == 0 || !IsWordByte(text[first - 1]);
}

// What a minus needs to know of the code before it, kept as the scan goes.
// Comments lie between stretches of code: the scan notes, when a comment
// opens, the last code byte before it, so that the last code byte before any
// byte is found by walking back over blanks within the current stretch only.
// The forward scan alone knows where comments are ("//" can stand inside a
// block comment), which a walk back over the text could not tell.
struct CodeBehind {
    int32_t stretch_start = 0;    // first byte of the current stretch of code
    int32_t before_stretch = -1;  // last code byte before it that is not blank; -1 for none
    int32_t line_start = 0;       // first byte of the current line
    int32_t define_head = -1;     // last byte of the latest #define's name or parameter list; -1 for none

    // The index of the last byte before i that is code and not blank; -1
    // when there is none.
    int32_t LastBefore(const char* text, int32_t i) const {
        int32_t before = i - 1;
        while (before >= stretch_start && IsBlank(text[before])) --before;
        return before >= stretch_start ? before : before_stretch;
    }
    // A comment opens at opening, its first '/'.
    void CommentOpens(const char* text, int32_t opening) { before_stretch = LastBefore(text, opening); }
    // Code goes on at next, after a comment.
    void CodeResumes(int32_t next) { stretch_start = next; }
};

// Steps over spaces, tabs and block comments within a directive's line.
static const char* SkipDirectiveBlanks(const char* p) {
    for (;;) {
        if (*p == ' ' || *p == '\t') {
            ++p;
        } else if (p[0] == '/' && p[1] == '*') {
            const char* close = std::strstr(p + 2, "*/");
            if (close == nullptr) return p + std::strlen(p);
            p = close + 2;
        } else {
            return p;
        }
    }
}

// For the '#' at hash, which opens a directive: when it is a #define, the
// index of the last byte of the name it defines, or of the parameter list
// that follows the name at once ("#define F(x)"); otherwise -1. What follows
// that head is the macro's body, so a minus there is a sign
// ("#define R -0.25").
static int32_t DefineHead(const char* text, int32_t hash) {
    const char* p = SkipDirectiveBlanks(text + hash + 1);
    if (std::strncmp(p, "define", 6) != 0) return -1;
    const char* name = SkipDirectiveBlanks(p + 6);
    if (name == p + 6 || !(IsLetter(*name) || *name == '_')) return -1;
    const char* past = name;
    while (IsWordByte(*past)) ++past;
    if (*past != '(') return static_cast<int32_t>(past - 1 - text);
    while (*past != ')' && *past != '\n' && *past != '\0') ++past;
    return *past == ')' ? static_cast<int32_t>(past - text) : -1;
}

// True when the '-' at minus subtracts rather than signs a number: the last
// code byte before it, over blanks, line breaks and comments, ends an
// operand (a name, a number, ")" or "]"), as in "length(p) -0.25",
// "a[1]-0.5" or "a /* c */ -0.5". After the keywords return and case it is
// a sign again ("return -1.0;"), as it is after "=", "(", "," or another
// operator, and after the head of a #define, which is no operand.
static bool IsOperatorMinus(const char* text, int32_t minus, const CodeBehind& code) {
    const int32_t before = code.LastBefore(text, minus);
    if (before < 0 || before == code.define_head) return false;
    const char c = text[before];
    if (!IsWordByte(c) && c != '.' && c != ')' && c != ']') return false;
    if (c == 'n') return !WordIs(text, before, "return");
    if (c == 'e') return !WordIs(text, before, "case");
    return true;
}

// True when the byte at i, a number byte in code, starts no literal: a digit
// or '.' right after a letter (a name such as "vec2"), or an operator '-'.
static bool StartsNoLiteral(const char* text, int32_t i, const CodeBehind& code) {
    if (text[i] == '-') return IsOperatorMinus(text, i, code);
    return i >= 1 && IsLetter(text[i - 1]);
}

std::vector<NumberLiteral> ParseShaderNumbers(const char* text) {
    std::vector<NumberLiteral> literals;
    // Shader code holds about one literal in 20 bytes; room for one in 32
    // spares the list most of its growing.
    literals.reserve(std::strlen(text) / 32);
    bool in_line_comment = false;
    bool in_block_comment = false;
    int32_t block_opening = 0;  // the '/' of the open block comment's "/*"
    CodeBehind code;
    int32_t line = 0;
    int32_t i = 0;
    for (;;) {
        i = SkipFrom(text, i, in_line_comment ? kLineCommentStop : in_block_comment ? kBlockCommentStop : kCodeStop);
        const char c = text[i];
        if (c == '\0') break;
        const int32_t at = i++;
        if (c == '\n') {
            ++line;
            code.line_start = i;
            if (in_line_comment) {
                in_line_comment = false;
                code.CodeResumes(at);
            }
            continue;
        }
        // In a comment the byte is an '@' or, in a block comment, a '/';
        // either follows the comment's two opening bytes at least.
        if (in_line_comment || in_block_comment) {
            if (c == '@') {
                AnnotateLine(text + at, line, &literals);
            } else if (in_block_comment && text[at - 1] == '*' && at - 1 >= block_opening + 2) {
                // Only a star after the opening "/*" closes it: "/*/" is no
                // comment of its own. The '/' that closes a block comment
                // goes on as a byte of code, one that starts nothing, not
                // even a comment ("*//").
                in_block_comment = false;
                code.CodeResumes(i);
            }
            continue;
        }
        // In code: a comment's opening, a directive, or a number byte.
        if (c == '/' || c == '*') {
            // Both bytes of an opening are code of this stretch, so the '/'
            // that closed the comment before it is none of them.
            if (at >= 1 && text[at - 1] == '/' && at - 1 >= code.stretch_start) {
                if (c == '/') {
                    in_line_comment = true;
                } else {
                    in_block_comment = true;
                    block_opening = at - 1;
                }
                code.CommentOpens(text, at - 1);
            }
            continue;
        }
        if (c == '#') {
            // A '#' with no code before it on its line opens a directive.
            if (code.LastBefore(text, at) < code.line_start) {
                const int32_t head = DefineHead(text, at);
                if (head >= 0) code.define_head = head;
            }
            continue;
        }
        if (StartsNoLiteral(text, at, code)) continue;
        // A literal: the sign or first digit at its start and the digits and
        // points that follow. A lone '-' before a '.' or '-' is none, and
        // that byte is passed over. A '-' after a digit or point subtracts,
        // so it ends the literal ("2.0-0.5").
        if (c == '-' && (text[i] == '.' || text[i] == '-')) {
            ++i;
            continue;
        }
        bool has_point = c == '.' && at >= 1;
        for (; IsDigit(text[i]) || text[i] == '.'; ++i) has_point = has_point || text[i] == '.';
        // The byte that ends it is read next like any other;
        // the text's end records nothing.
        if (text[i] != '\0') literals.emplace_back(at, i, line, has_point, std::string(text + at, text + i));
    }
    return literals;
}

/* === The write-back ======================================================= */

// One change of the source: the bytes from start to end become text.
struct Replacement {
    int32_t start;
    int32_t end;
    std::string text;
};

// A value as the panel writes it: three decimals.
static std::string FormatValue(float value) {
    char buffer[64];  // the longest float with three decimals takes 44 bytes
    std::snprintf(buffer, sizeof buffer, "%0.3f", static_cast<double>(value));
    return buffer;
}

// Applies the replacements (in text order, not overlapping) to g_shader_text
// from the last to the first, so each range still holds what it held; then
// the code editor takes the text, the literals are rebuilt at the next panel
// draw, and the current program gets the text and is relinked at once, so a
// drag moves the picture as it goes. Nothing happens without a current
// program.
static void WriteBack(const std::vector<Replacement>& replacements) {
    if (CurrentShader() == nullptr) return;
    for (auto r = replacements.rbegin(); r != replacements.rend(); ++r) {
        const size_t start = static_cast<size_t>(r->start);
        // A negative value right after a minus is set apart from it:
        // "length(p)- -0.300", as "--" would read as a decrement.
        const bool apart = !r->text.empty() && r->text[0] == '-' && start > 0 && g_shader_text[start - 1] == '-';
        g_shader_text.replace(start, static_cast<size_t>(r->end - r->start), apart ? " " + r->text : r->text);
    }
    g_text_editor.SetText(g_shader_text);
    // The user is looking at the code while moving the slider: the view
    // stays on the lines it shows instead of SetText's scroll to the top.
    // SetText leaves the cursor and the selection as they were.
    g_text_editor.scrollToTop = false;
    g_reparse_numbers = true;
    StoreShaderText(RelinkPace::AtOnce);
}

/* === The panel ============================================================ */

// True when the byte at sign is the sign of a number's exponent ("1e-3",
// ".5E+2"): it follows an 'e' or 'E' that ends a word beginning with a digit
// or '.'. After a name ("ve-1", "a1e-3") it is a minus.
static bool IsExponentSign(const std::string& text, size_t sign) {
    if ((text[sign] != '-' && text[sign] != '+') || sign == 0) return false;
    if (text[sign - 1] != 'e' && text[sign - 1] != 'E') return false;
    size_t first = sign - 1;
    while (first > 0 && (IsWordByte(text[first - 1]) || text[first - 1] == '.')) --first;
    return IsDigit(text[first]) || text[first] == '.';
}

// True when the literal stands in the text as one whole number that a slider
// may rewrite: its range still holds its characters, they read completely
// as one finite number ("1.2.3" does not), and it is part neither of a name
// ("tex10", "my_2") nor of a longer number ("1e-3", "0x1F", "1.0f").
static bool IsWholeNumber(const std::string& text, const NumberLiteral& literal) {
    const size_t start = static_cast<size_t>(literal.start);
    const size_t end = static_cast<size_t>(literal.end);
    if (literal.start < 0 || end < start || end > text.size()) return false;
    if (text.compare(start, end - start, literal.text) != 0) return false;
    if (start > 0 && (IsWordByte(text[start - 1]) || text[start - 1] == '.' || IsExponentSign(text, start - 1)))
        return false;
    if (end < text.size() && IsWordByte(text[end])) return false;
    const char* first = literal.text.c_str();
    char* past = nullptr;
    const float value = std::strtof(first, &past);
    return !literal.text.empty() && past == first + literal.text.size() && std::isfinite(value);
}

// True when only blanks around one comma stand between the two literals.
static bool OnlyCommaBetween(const std::string& text, const NumberLiteral& a, const NumberLiteral& b) {
    int commas = 0;
    for (int32_t i = a.end; i < b.start; ++i) {
        const char c = text[static_cast<size_t>(i)];
        if (c == ',') ++commas;
        else if (c != ' ' && c != '\t') return false;
    }
    return commas == 1;
}

// The colour's replacements: one over the whole list "r,g,b" when the three
// literals are such a list; otherwise each literal on its own, so that code
// between them stays as it is.
static std::vector<Replacement> ColourReplacements(const NumberLiteral* const group[3], const float colour[3]) {
    if (OnlyCommaBetween(g_shader_text, *group[0], *group[1]) &&
        OnlyCommaBetween(g_shader_text, *group[1], *group[2])) {
        return {{group[0]->start, group[2]->end,
                 FormatValue(colour[0]) + "," + FormatValue(colour[1]) + "," + FormatValue(colour[2])}};
    }
    std::vector<Replacement> replacements;
    for (int i = 0; i < 3; ++i) replacements.push_back({group[i]->start, group[i]->end, FormatValue(colour[i])});
    return replacements;
}

constexpr float kSplitterHeight = 8.0f;

// The heights the panel may be drawn at, in whole pixels.
struct PanelBounds {
    float least;  // one row of sliders in the bordered panel
    float most;   // what leaves the height asked for under the splitter
};

// The bounds from the panel's top (the cursor) in the window. When not even
// one row fits, the space below wins; the panel is never below one pixel.
static PanelBounds PanelHeightBounds(float height_below) {
    const ImGuiStyle& style = ImGui::GetStyle();
    const float room =
        std::floor(ImGui::GetContentRegionAvail().y - style.ItemSpacing.y - kSplitterHeight - height_below);
    const float most = std::max(room, 1.0f);
    return {std::min(std::ceil(ImGui::GetFrameHeight() + 2.0f * style.WindowPadding.y), most), most};
}

// The bar under the panel that sets the stored height while dragged: from
// the height as drawn, so that the panel follows the mouse at once.
static void NumbersSplitter(float drawn, const PanelBounds& bounds) {
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0.0f, 0.0f));
    ImGui::InvisibleButton("##splitter_numbers_pane",
                           ImVec2(std::max(ImGui::GetWindowSize().x, 1.0f), kSplitterHeight), 0);
    if (ImGui::IsItemHovered()) ImGui::SetMouseCursor(ImGuiMouseCursor_ResizeNS);
    if (ImGui::IsItemActive()) {
        const float moved = std::trunc(ImGui::GetIO().MouseDelta.y);
        if (moved != 0.0f)
            g_numbers_panel_height = static_cast<int32_t>(std::clamp(drawn + moved, bounds.least, bounds.most));
    }
    ImGui::PopStyleVar(1);
}

void ShowNumbersPanel(float height_below) {
    // Only what is drawn is bounded: the stored height is the user's.
    const PanelBounds bounds = PanelHeightBounds(height_below);
    const float drawn = std::clamp(static_cast<float>(g_numbers_panel_height), bounds.least, bounds.most);
    ImGui::BeginChild("##numbers_panel", ImVec2(0.0f, drawn), true, 0);
    int32_t previous_line = -1;
    float colour[3] = {0.0f, 0.0f, 0.0f};     // the first three values of the line
    const NumberLiteral* group[3] = {};       // and their literals
    int32_t count_on_line = 0;
    int widget_id = 0;
    // The change of this frame. It is written after the walk, so that every
    // widget of the frame sees the text its literals were found in.
    std::vector<Replacement> change;
    ImGui::PushItemWidth(128.0f);
    if (g_reparse_numbers) {
        g_number_literals = ParseShaderNumbers(g_shader_text.c_str());
        g_reparse_numbers = false;
    }
    for (const NumberLiteral& literal : g_number_literals) {
        if (literal.not_annotated || !IsWholeNumber(g_shader_text, literal)) continue;
        if (literal.line == previous_line) {
            ImGui::SameLine();
            ++count_on_line;
        } else {
            count_on_line = 0;
        }
        ImGui::PushID(widget_id);
        float value = static_cast<float>(std::atof(literal.text.c_str()));
        if (count_on_line < 3) {
            colour[count_on_line] = value;
            group[count_on_line] = &literal;
        }
        if (count_on_line == 0) {
            ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(0, 255, 0, 255));
            ImGui::Text("%s", ShownText(literal.label).c_str());
            ImGui::PopStyleColor(1);
            ImGui::SameLine();
        }
        // A value typed with Ctrl+click beyond float's range ("1e39") is
        // refused by the slider, which keeps or puts back the literal's own
        // value, finite too (IsWholeNumber): no source reads "inf".
        if (SliderFloatChecked("", &value, literal.min, literal.max, "%.3f") && change.empty())
            change.push_back({literal.start, literal.end, FormatValue(value)});
        if (count_on_line == 2) {
            ImGui::SameLine();
            ImGui::PushItemWidth(128.0f);
            if (ImGui::ColorEdit3("", colour, 0) && std::isfinite(colour[0]) && std::isfinite(colour[1]) &&
                std::isfinite(colour[2]) && change.empty())
                change = ColourReplacements(group, colour);
            ImGui::PopItemWidth();
        }
        ImGui::PopID();
        previous_line = literal.line;
        ++widget_id;
    }
    ImGui::PopItemWidth();
    if (!change.empty()) WriteBack(change);
    ImGui::EndChild();
    NumbersSplitter(drawn, bounds);
}
