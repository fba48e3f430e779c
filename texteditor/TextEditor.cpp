// TextEditor: construction, the text model and its coordinates.
//
// Positions are (line, display column); every byte index is derived from a
// column by walking the line, character by character as CharacterLength
// splits it. Functions that take a position check that its line exists before
// they index anything, so a stale or hostile position never reads outside a
// line or the text.
#include "TextEditor.h"

#include "TextEditorDetail.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <optional>
#include <type_traits>

namespace {

using texteditor_detail::PreviousCharacterStart;
using texteditor_detail::Role;
using texteditor_detail::WordEndIndex;
using texteditor_detail::WordStartIndex;

// The standard character classes, asked with the byte as an unsigned value.
bool IsBlank(uint8_t byte) { return std::isspace(byte) != 0; }
bool IsAlphaNumeric(uint8_t byte) { return std::isalnum(byte) != 0; }

}  // namespace

// ==========================================================================
// UTF-8 helpers
// ==========================================================================

int UTF8CharLength(uint8_t leadByte) {
    if ((leadByte & 0xFE) == 0xFC) return 6;
    if ((leadByte & 0xFC) == 0xF8) return 5;
    if ((leadByte & 0xF8) == 0xF0) return 4;
    if ((leadByte & 0xF0) == 0xE0) return 3;
    if ((leadByte & 0xE0) == 0xC0) return 2;
    return 1;
}

bool IsUTFSequence(uint8_t byte) { return (byte & 0xC0) == 0x80; }

int CharacterLength(const TextEditor::Glyph* begin, const TextEditor::Glyph* end) {
    if (begin >= end) return 0;
    const int announced = UTF8CharLength(begin->character);
    if (announced > end - begin) return 1;
    for (int k = 1; k < announced; ++k)
        if (!IsUTFSequence(begin[k].character)) return 1;
    return announced;
}

int CharacterLength(const TextEditor::Line& line, int index) {
    if (index < 0 || index >= static_cast<int>(line.size())) return 0;
    return CharacterLength(line.data() + index, line.data() + line.size());
}

int ImTextCharToUtf8(char* buffer, int bufferSize, unsigned int c) {
    if (c < 0x80) {
        if (bufferSize < 1) return 0;
        buffer[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        if (bufferSize < 2) return 0;
        buffer[0] = static_cast<char>(0xC0 + (c >> 6));
        buffer[1] = static_cast<char>(0x80 + (c & 0x3F));
        return 2;
    }
    if (c >= 0xDC00 && c < 0xE000) return 0;
    if (c >= 0xD800 && c < 0xDC00) {
        if (bufferSize < 4) return 0;
        buffer[0] = static_cast<char>(0xF0 + (c >> 18));
        buffer[1] = static_cast<char>(0x80 + ((c >> 12) & 0x3F));
        buffer[2] = static_cast<char>(0x80 + ((c >> 6) & 0x3F));
        buffer[3] = static_cast<char>(0x80 + (c & 0x3F));
        return 4;
    }
    if (bufferSize < 3) return 0;
    buffer[0] = static_cast<char>(0xE0 + (c >> 12));
    buffer[1] = static_cast<char>(0x80 + ((c >> 6) & 0x3F));
    buffer[2] = static_cast<char>(0x80 + (c & 0x3F));
    return 3;
}

// ==========================================================================
// Construction
// ==========================================================================

// The palette in use starts as the dark one too, so the first frame, whose
// background comes from it before any draw has computed it, is not transparent.
TextEditor::TextEditor() {
    startTime = texteditor_detail::NowMilliseconds();
    SetPalette(GetDarkPalette());
    palette = GetDarkPalette();
    SetSyntaxDefinition(SyntaxDefinition::HLSL());
    lines.push_back(Line());
}

TextEditor::~TextEditor() = default;

// ==========================================================================
// Small accessors
// ==========================================================================

int TextEditor::GetTotalLines() const { return static_cast<int>(lines.size()); }
bool TextEditor::IsTextChanged() const { return textChanged; }
void TextEditor::SetReadOnly(bool value) { readOnly = value; }
bool TextEditor::IsReadOnly() const { return readOnly; }
void TextEditor::SetColorizerEnabled(bool value) { colorizerEnabled = value; }
void TextEditor::SetTabSize(int value) { tabSize = std::max(0, std::min(32, value)); }

TextEditor::TextPosition TextEditor::GetCursorPosition() const { return SanitizedCursor(); }
TextEditor::TextPosition TextEditor::GetSelectionBound() const { return SanitizePosition(state.selectionStart); }
TextEditor::TextPosition TextEditor::SanitizedCursor() const { return SanitizePosition(state.cursorPosition); }

// The selection's ends are clamped into the text first, as HasSelection has them.
std::string TextEditor::GetSelectedText() const {
    return GetTextRange(SanitizePosition(state.selectionStart), SanitizePosition(state.selectionEnd));
}

std::string TextEditor::GetCurrentLineText() const {
    const int line = state.cursorPosition.line;
    return GetTextRange(TextPosition(line, 0), TextPosition(line, LineEndColumn(line)));
}

std::string TextEditor::GetWordUnderCursor() const { return GetWordAt(GetCursorPosition()); }

// ==========================================================================
// Columns and byte indexes
// ==========================================================================

// A tab size of 0 would divide by zero: it acts as one column per stop.
int TextEditor::TabStop(int column) const {
    const int size = std::max(1, tabSize);
    return (column / size) * size + size;
}

float TextEditor::TabStopX(float x, float spaceWidth) const {
    const float step = static_cast<float>(std::max(1, tabSize)) * spaceWidth;
    if (!(step > 0.0f)) return x;  // no font measured yet
    return (1.0f + std::floor((1.0f + x) / step)) * step;
}

int TextEditor::ColumnToCharIndex(const TextPosition& position) const {
    if (static_cast<size_t>(static_cast<uint32_t>(position.line)) >= lines.size()) return -1;
    const Line& line = lines[position.line];
    const int length = static_cast<int>(line.size());
    int column = 0;
    int i = 0;
    while (i < length && column < position.column) {
        column = line[i].character == '\t' ? TabStop(column) : column + 1;
        i += CharacterLength(line, i);
    }
    return i;
}

int TextEditor::CharIndexToColumn(int lineIndex, int index) const {
    if (lineIndex < 0 || lineIndex >= static_cast<int>(lines.size())) return 0;
    const Line& line = lines[lineIndex];
    const int length = static_cast<int>(line.size());
    int column = 0;
    int i = 0;
    while (i < index && i < length) {
        column = line[i].character == '\t' ? TabStop(column) : column + 1;
        i += CharacterLength(line, i);
    }
    return column;
}

int TextEditor::LineCharCount(int lineIndex) const {
    if (lineIndex < 0 || lineIndex >= static_cast<int>(lines.size())) return 0;
    const Line& line = lines[lineIndex];
    int count = 0;
    for (int i = 0; i < static_cast<int>(line.size()); i += CharacterLength(line, i)) ++count;
    return count;
}

int TextEditor::LineEndColumn(int lineIndex) const {
    if (lineIndex < 0 || lineIndex >= static_cast<int>(lines.size())) return 0;
    return CharIndexToColumn(lineIndex, static_cast<int>(lines[lineIndex].size()));
}

// A negative line or column is clamped to 0 as well, so a sanitized position
// always names an existing line (when there is one).
TextEditor::TextPosition TextEditor::SanitizePosition(const TextPosition& position) const {
    if (lines.empty()) return TextPosition(0, 0);
    const int count = static_cast<int>(lines.size());
    if (position.line >= count) return TextPosition(count - 1, LineEndColumn(count - 1));
    const int line = std::max(0, position.line);
    return TextPosition(line, std::max(0, std::min(position.column, LineEndColumn(line))));
}

// From the line's last character, or its end, to the start of the next line.
void TextEditor::StepForward(TextPosition& position) const {
    if (position.line < 0 || position.line >= static_cast<int>(lines.size())) return;
    const Line& line = lines[position.line];
    const int i = ColumnToCharIndex(position);
    const int next = i + CharacterLength(line, i);
    if (next < static_cast<int>(line.size())) {
        position.column = CharIndexToColumn(position.line, next);
    } else {
        ++position.line;
        position.column = 0;
    }
}

// ==========================================================================
// Words: runs of glyphs sharing one colour index, bounded by blanks
// ==========================================================================

// The word walks by byte index. A walk that would end more than limit bytes
// from where it started gives up with -1, so a caller that only wants short
// words (the identifier tooltip) never walks a long run of blanks.
int texteditor_detail::WordStartIndex(const TextEditor::Line& line, int i, int limit) {
    const int from = i;
    // Back over blanks (each a character of one byte), then over the
    // characters of the word: i is always where a character starts.
    while (i > 0 && IsBlank(line[i].character)) {
        if (from - i > limit) return -1;
        i = PreviousCharacterStart(line, i);
    }
    const TextEditor::PaletteIndex colour = line[i].colorIndex;
    while (i > 0) {
        if (from - i > limit) return -1;
        const uint8_t byte = line[i].character;
        if (byte <= 32 && IsBlank(byte)) {
            ++i;
            break;
        }
        if (line[i - 1].colorIndex != colour) break;
        i = PreviousCharacterStart(line, i);
    }
    return from - i > limit ? -1 : i;
}

int texteditor_detail::WordEndIndex(const TextEditor::Line& line, int i, int limit) {
    const int from = i;
    const int length = static_cast<int>(line.size());
    const bool startBlank = IsBlank(line[i].character);
    const TextEditor::PaletteIndex colour = line[i].colorIndex;
    while (i < length) {
        if (i - from > limit) return -1;
        const uint8_t byte = line[i].character;
        if (line[i].colorIndex != colour) break;
        if (IsBlank(byte) != startBlank) {
            // From a word, the end lies past the blanks that follow it.
            if (IsBlank(byte)) {
                while (i < length && IsBlank(line[i].character)) {
                    if (i - from > limit) return -1;
                    ++i;
                }
            }
            break;
        }
        i += CharacterLength(line, i);
    }
    return i - from > limit ? -1 : i;
}

TextEditor::TextPosition TextEditor::FindWordStart(const TextPosition& from) const {
    if (from.line < 0 || from.line >= static_cast<int>(lines.size())) return from;
    const Line& line = lines[from.line];
    const int i = ColumnToCharIndex(from);
    if (i >= static_cast<int>(line.size())) return from;
    return TextPosition(from.line, CharIndexToColumn(from.line, WordStartIndex(line, i, INT_MAX)));
}

TextEditor::TextPosition TextEditor::FindWordEnd(const TextPosition& from) const {
    if (from.line < 0 || from.line >= static_cast<int>(lines.size())) return from;
    const Line& line = lines[from.line];
    const int i = ColumnToCharIndex(from);
    if (i >= static_cast<int>(line.size())) return from;
    return TextPosition(from.line, CharIndexToColumn(from.line, WordEndIndex(line, i, INT_MAX)));
}

TextEditor::TextPosition TextEditor::FindNextWord(const TextPosition& from) const {
    TextPosition at = from;
    if (at.line < 0 || at.line >= static_cast<int>(lines.size())) return at;

    int i = ColumnToCharIndex(from);
    bool isWord = false;
    bool skip = false;
    if (i < static_cast<int>(lines[at.line].size())) isWord = skip = IsAlphaNumeric(lines[at.line][i].character);

    while (!isWord || skip) {
        if (at.line >= static_cast<int>(lines.size())) {
            const int last = std::max(0, static_cast<int>(lines.size()) - 1);
            return TextPosition(last, LineEndColumn(last));
        }
        const Line& line = lines[at.line];
        if (i < static_cast<int>(line.size())) {
            isWord = IsAlphaNumeric(line[i].character);
            if (isWord && !skip) return TextPosition(at.line, CharIndexToColumn(at.line, i));
            if (!isWord) skip = false;
            i += CharacterLength(line, i);
        } else {
            i = 0;
            ++at.line;
            skip = false;
            isWord = false;
        }
    }
    return at;
}

// The start of a line is always a boundary (there is no glyph before it).
bool TextEditor::IsWordBoundary(const TextPosition& at) const {
    if (at.line < 0 || at.line >= static_cast<int>(lines.size()) || at.column == 0) return true;
    const Line& line = lines[at.line];
    const int i = ColumnToCharIndex(at);
    if (i <= 0 || i >= static_cast<int>(line.size())) return true;
    if (colorizerEnabled) return line[i].colorIndex != line[i - 1].colorIndex;
    return IsBlank(line[i].character) != IsBlank(line[i - 1].character);
}

std::string TextEditor::GetWordAt(const TextPosition& at) const {
    const int start = ColumnToCharIndex(FindWordStart(at));
    const int end = ColumnToCharIndex(FindWordEnd(at));
    std::string word;
    if (start < 0 || end < 0) return word;
    const Line& line = lines[at.line];
    for (int i = start; i < end && i < static_cast<int>(line.size()); ++i)
        word.push_back(static_cast<char>(line[i].character));
    return word;
}

// ==========================================================================
// Text extraction
// ==========================================================================

std::string TextEditor::GetTextRange(const TextPosition& start, const TextPosition& end) const {
    int lineIndex = start.line;
    const int lastLine = end.line;
    int i = ColumnToCharIndex(start);
    const int endIndex = ColumnToCharIndex(end);

    size_t size = 0;
    const int from = std::max(0, lineIndex);
    const int to = std::min(lastLine, static_cast<int>(lines.size()));
    for (int l = from; l < to; ++l) size += lines[l].size();
    std::string result;
    result.reserve(size + size / 8);

    while (i < endIndex || lineIndex < lastLine) {
        if (lineIndex < 0 || lineIndex >= static_cast<int>(lines.size())) break;
        const Line& line = lines[lineIndex];
        if (i >= 0 && i < static_cast<int>(line.size())) {
            // The run of characters up to the line's end, or to the end
            // position on the last line, in one go.
            int stop = static_cast<int>(line.size());
            if (lineIndex >= lastLine) stop = std::min(stop, endIndex);
            size_t at = result.size();
            result.resize(at + static_cast<size_t>(stop - i));
            for (; i < stop; ++i) result[at++] = static_cast<char>(line[i].character);
        } else {
            result.push_back('\n');
            i = 0;
            ++lineIndex;
        }
    }
    return result;
}

std::string TextEditor::GetText() const {
    return GetTextRange(TextPosition(0, 0), TextPosition(static_cast<int>(lines.size()), 0));
}

std::vector<std::string> TextEditor::GetTextLines() const {
    std::vector<std::string> result;
    result.reserve(lines.size());
    for (const Line& line : lines) {
        std::string text(line.size(), '\0');
        for (size_t i = 0; i < line.size(); ++i) text[i] = static_cast<char>(line[i].character);
        result.push_back(std::move(text));
    }
    return result;
}

// ==========================================================================
// Replacing the whole text
// ==========================================================================

namespace {

// Appends bytes to the text's last line; a line feed starts a new line (so
// no line holds one), and a carriage return is dropped when asked.
void AppendBytes(TextEditor::Lines& lines, const std::string& bytes, bool drop_returns) {
    lines.back().reserve(lines.back().size() + bytes.size());
    for (const char c : bytes) {
        if (c == '\r' && drop_returns) continue;
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back().emplace_back(static_cast<uint8_t>(c), TextEditor::PaletteIndex::Default);
    }
}

// After the whole text was replaced: scrolled to the top, no undo history,
// coloured anew.
void StartOverWithNewText(TextEditor& editor) {
    editor.textChanged = true;
    editor.scrollToTop = true;
    editor.undoBuffer.clear();
    editor.undoIndex = 0;
    editor.Colorize(0, -1);
}

// Takes every line out; nothing of the old text waits to be coloured.
void RemoveAllLines(TextEditor& editor) {
    const int count = static_cast<int>(editor.lines.size());
    editor.lines.clear();
    editor.lineLayouts.clear();
    editor.ColorRangeLinesRemoved(0, count);
}

}  // namespace

void TextEditor::SetText(const std::string& text) {
    RemoveAllLines(*this);
    lines.emplace_back();
    AppendBytes(lines, text, true);
    StartOverWithNewText(*this);
}

void TextEditor::SetTextLines(const std::vector<std::string>& text) {
    RemoveAllLines(*this);
    lines.reserve(text.size());
    lines.emplace_back();
    for (size_t l = 0; l < text.size(); ++l) {
        if (l > 0) lines.emplace_back();
        AppendBytes(lines, text[l], false);
    }
    StartOverWithNewText(*this);
}

// ==========================================================================
// Insert and delete primitives
// ==========================================================================

// The text goes in through InsertBytes, so a line feed breaks the line
// whatever byte comes before it.
int TextEditor::InsertTextAt(TextPosition& where, const char* text) {
    if (text == nullptr) return 0;
    if (lines.empty()) lines.emplace_back();
    std::string bytes(text);
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
    if (bytes.empty()) {
        where = SanitizePosition(where);
        return 0;
    }
    TextPosition at = ByteAt(where);
    const int breaks = InsertBytes(at, bytes);
    where = ColumnAt(at);
    return breaks;
}

void TextEditor::DeleteRange(const TextPosition& start, const TextPosition& end) {
    if (start == end || lines.empty()) return;
    DeleteBytes(ByteAt(start), ByteAt(end));
}

// ==========================================================================
// Byte positions and the byte-exact primitives
// ==========================================================================

TextEditor::TextPosition TextEditor::ByteAt(const TextPosition& position) const {
    const TextPosition clamped = SanitizePosition(position);
    if (lines.empty()) return clamped;
    return TextPosition(clamped.line, ColumnToCharIndex(clamped));
}

TextEditor::TextPosition TextEditor::ColumnAt(const TextPosition& at) const {
    return TextPosition(at.line, CharIndexToColumn(at.line, at.column));
}

TextEditor::TextPosition TextEditor::ClampBytes(const TextPosition& at) const {
    if (lines.empty()) return TextPosition(0, 0);
    const int count = static_cast<int>(lines.size());
    if (at.line >= count) return TextPosition(count - 1, static_cast<int>(lines[count - 1].size()));
    const int line = std::max(0, at.line);
    return TextPosition(line, std::max(0, std::min(at.column, static_cast<int>(lines[line].size()))));
}

// The rest of the line moves out, the bytes go in (a line feed opens a line
// below), and the rest closes the last line: every byte is copied once.
int TextEditor::InsertBytes(TextPosition& at, const std::string& bytes) {
    if (lines.empty()) lines.emplace_back();
    at = ClampBytes(at);
    if (bytes.empty()) return 0;
    Line& first = lines[at.line];
    const Line rest(first.begin() + at.column, first.end());
    first.erase(first.begin() + at.column, first.end());
    int breaks = 0;
    for (const char byte : bytes) {
        if (byte == '\n') {
            InsertLine(at.line + 1);
            ++at.line;
            ++breaks;
        } else {
            lines[at.line].emplace_back(static_cast<uint8_t>(byte), PaletteIndex::Default);
        }
    }
    Line& last = lines[at.line];
    at.column = static_cast<int>(last.size());
    last.insert(last.end(), rest.begin(), rest.end());
    LineChanged(at.line - breaks);
    LineChanged(at.line);
    textChanged = true;
    return breaks;
}

void TextEditor::DeleteBytes(const TextPosition& startIn, const TextPosition& endIn) {
    if (lines.empty()) return;
    TextPosition start = ClampBytes(startIn);
    TextPosition end = ClampBytes(endIn);
    if (end < start) std::swap(start, end);
    if (start == end) return;

    Line& first = lines[start.line];
    if (start.line == end.line) {
        first.erase(first.begin() + start.column, first.begin() + end.column);
    } else {
        const Line& last = lines[end.line];
        first.erase(first.begin() + start.column, first.end());
        first.insert(first.end(), last.begin() + end.column, last.end());
        RemoveLines(start.line + 1, end.line + 1);
    }
    LineChanged(start.line);
    textChanged = true;
}

// ==========================================================================
// Line operations: breakpoints and error markers stay keyed to their lines
// (keys count lines from 1, so line index n has key n + 1)
// ==========================================================================

namespace {

// Passes every key of the breakpoint set or the error-marker map through
// newKey, dropping those it gives no new key (the keys of removed lines).
template <typename Container, typename NewKey>
void Rekey(Container& keyed, NewKey newKey) {
    Container out;
    for (const auto& entry : keyed) {
        if constexpr (std::is_same_v<Container, std::unordered_set<int>>) {
            if (const std::optional<int> key = newKey(entry)) out.insert(*key);
        } else {
            if (const std::optional<int> key = newKey(entry.first)) out.emplace(*key, entry.second);
        }
    }
    keyed = std::move(out);
}

}  // namespace

TextEditor::Line& TextEditor::InsertLine(int index) {
    index = std::max(0, std::min(index, static_cast<int>(lines.size())));
    // Line index n has key n + 1: the lines at or after index have keys above index.
    const auto moveDown = [index](int key) -> std::optional<int> { return key > index ? key + 1 : key; };
    Rekey(errorMarkers, moveDown);
    Rekey(breakpoints, moveDown);
    ColorRangeLineInserted(index);
    if (lineLayouts.size() == lines.size()) lineLayouts.insert(lineLayouts.begin() + index, LineLayout());
    return *lines.insert(lines.begin() + index, Line());
}

void TextEditor::RemoveLine(int index) { RemoveLines(index, index + 1); }

void TextEditor::RemoveLines(int start, int end) {
    start = std::max(0, start);
    end = std::min(end, static_cast<int>(lines.size()));
    if (start >= end) return;
    // The removed lines have the keys start + 1 to end.
    const auto moveUp = [start, end](int key) -> std::optional<int> {
        if (key <= start) return key;
        if (key <= end) return std::nullopt;
        return key - (end - start);
    };
    Rekey(errorMarkers, moveUp);
    Rekey(breakpoints, moveUp);
    if (lineLayouts.size() == lines.size()) lineLayouts.erase(lineLayouts.begin() + start, lineLayouts.begin() + end);
    lines.erase(lines.begin() + start, lines.begin() + end);
    ColorRangeLinesRemoved(start, end);
    textChanged = true;
}

// ==========================================================================
// Glyph colour
// ==========================================================================

ImU32 TextEditor::GetGlyphColor(const Glyph& glyph) const {
    if (!colorizerEnabled) return Role(palette, PaletteIndex::Default);
    if (glyph.comment) return Role(palette, PaletteIndex::Comment);
    if (glyph.multiLineComment) return Role(palette, PaletteIndex::MultiLineComment);
    const ImU32 colour = glyph.colorIndex < PaletteIndex::Count ? Role(palette, glyph.colorIndex)
                                                                : Role(palette, PaletteIndex::Default);
    if (!glyph.preprocessor) return colour;

    // Per-channel mean with the preprocessor colour, fraction dropped.
    const ImU32 other = Role(palette, PaletteIndex::Preprocessor);
    ImU32 result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const ImU32 a = (colour >> shift) & 0xFF;
        const ImU32 b = (other >> shift) & 0xFF;
        result |= ((a + b) / 2) << shift;
    }
    return result;
}

// ==========================================================================
// Pixel geometry (current ImGui font and size)
// ==========================================================================

float TextEditor::DistanceToLineStart(const TextPosition& position) const {
    if (position.line < 0 || position.line >= static_cast<int>(lines.size())) return 0.0f;
    return PlaceOfColumn(position.line, position.column).x;
}

TextEditor::TextPosition TextEditor::ScreenPosToPosition(const ImVec2& point) const {
    int line = 0;
    LinePlace place;
    if (!PointToPlace(point, line, place)) return TextPosition(0, 0);
    return TextPosition(line, place.column);
}

bool TextEditor::PointToPlace(const ImVec2& point, int& line, LinePlace& place) const {
    if (lines.empty()) return false;
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const ImVec2 local(point.x - origin.x, point.y - origin.y);

    // Before the first render the line height is unknown: everything is line 0.
    const int count = static_cast<int>(lines.size());
    const float row = charAdvance.y > 0.0f ? std::floor(local.y / charAdvance.y) : 0.0f;
    if (row >= static_cast<float>(count)) {
        // Below the text: the end of the last line.
        line = count - 1;
        place = LayoutOf(line).end;
    } else {
        line = row > 0.0f ? static_cast<int>(row) : 0;
        place = PlaceAtX(line, local.x);
    }
    return true;
}
