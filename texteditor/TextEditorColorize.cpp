// TextEditor: the colorizer.
//
// Two passes write a glyph's look. The comment scan walks the whole text and
// writes only the three flags (comment, multi-line comment, preprocessor);
// the token pass re-tokenises marked lines and writes only colour indexes.
// Edits mark lines with Colorize; Render calls ColorizeInternal once per
// frame, which runs the scan when requested and then a bounded slice of the
// token pass, so a large text is coloured over several frames.
#include "TextEditor.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstddef>
#include <cstdint>

namespace {

// Lines re-tokenised per frame: a tokenizer function is cheap, patterns are not.
constexpr int kTokenizerLinesPerFrame = 10000;
constexpr int kPatternLinesPerFrame = 10;

// The longest token a pattern may match. The standard library's matcher
// recurses once or more per byte it consumes, so an unbounded search over a
// very long line (a 50 000-byte string literal) would overflow the stack.
constexpr std::ptrdiff_t kMaxPatternTokenLength = 1024;

// The range value meaning "nothing marked": the next mark's start replaces it.
constexpr int kNoRangeMin = INT_MAX;
constexpr int kNoRangeMax = 0;

// True when the bytes of line from index on spell word (and fit in the line).
bool LineHasAt(const TextEditor::Line& line, size_t index, const std::string& word) {
    if (index + word.size() > line.size()) return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (line[index + k].character != static_cast<uint8_t>(word[k])) return false;
    return true;
}

}  // namespace

// ==========================================================================
// Marking lines
// ==========================================================================

void TextEditor::Colorize(int fromLine, int lineCount) {
    const int64_t total = static_cast<int64_t>(lines.size());
    const int64_t toLine = lineCount == -1 ? total : std::min(total, static_cast<int64_t>(fromLine) + lineCount);
    // A first line past the text is cut to it too, so the span never reaches
    // beyond the text and is always used up in a bounded number of frames.
    const int from = static_cast<int>(std::min<int64_t>(fromLine, total));
    colorRangeMin = std::min(colorRangeMin, from);
    colorRangeMax = std::max(colorRangeMax, static_cast<int>(toLine));
    colorRangeMin = std::max(0, colorRangeMin);
    colorRangeMax = std::max(colorRangeMin, colorRangeMax);
    checkComments = true;
}

// ==========================================================================
// The per-frame step
// ==========================================================================

void TextEditor::ColorizeInternal() {
    if (lines.empty() || !colorizerEnabled) return;

    if (checkComments) {
        ScanComments();
        checkComments = false;
    }

    if (colorRangeMin < colorRangeMax) {
        const int step = language.tokenize != nullptr ? kTokenizerLinesPerFrame : kPatternLinesPerFrame;
        const int to = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(colorRangeMin) + step, colorRangeMax));
        ColorizeRange(colorRangeMin, to);
        colorRangeMin = to;
        if (colorRangeMin == colorRangeMax) {
            colorRangeMin = kNoRangeMin;
            colorRangeMax = kNoRangeMax;
        }
    }
}

// ==========================================================================
// The token pass
// ==========================================================================

void TextEditor::ColorizeRange(int fromLine, int toLine) {
    if (lines.empty() || fromLine >= toLine) return;
    const int endLine = std::max(0, std::min(static_cast<int>(lines.size()), toLine));

    std::string buffer;
    std::string identifier;
    std::cmatch match;
    for (int lineIndex = std::max(0, fromLine); lineIndex < endLine; ++lineIndex) {
        Line& line = lines[lineIndex];
        if (line.empty()) continue;

        buffer.resize(line.size());
        for (size_t j = 0; j < line.size(); ++j) {
            buffer[j] = static_cast<char>(line[j].character);
            line[j].colorIndex = PaletteIndex::Default;
        }

        const char* const bufferBegin = buffer.data();
        const char* const bufferEnd = bufferBegin + buffer.size();
        const char* first = bufferBegin;
        while (first != bufferEnd) {
            const char* tokenBegin = nullptr;
            const char* tokenEnd = nullptr;
            PaletteIndex role = PaletteIndex::Default;
            bool hasToken = false;

            if (language.tokenize != nullptr)
                hasToken = language.tokenize(first, bufferEnd, tokenBegin, tokenEnd, role);

            if (!hasToken) {
                const char* const searchEnd =
                    bufferEnd - first > kMaxPatternTokenLength ? first + kMaxPatternTokenLength : bufferEnd;
                for (const auto& entry : regexList) {
                    if (std::regex_search(first, searchEnd, match, entry.first, std::regex_constants::match_continuous)) {
                        hasToken = true;
                        tokenBegin = match[0].first;
                        tokenEnd = match[0].second;
                        role = entry.second;
                        break;
                    }
                }
            }

            // A token must lie in the rest of the line and move the search on;
            // anything else (an empty match, a stray tokenizer) counts as none,
            // so every line ends in at most one step per byte.
            if (hasToken && (tokenBegin < first || tokenEnd > bufferEnd || tokenBegin > tokenEnd || tokenEnd <= first))
                hasToken = false;
            if (!hasToken) {
                ++first;
                continue;
            }

            if (role == PaletteIndex::Identifier) {
                identifier.assign(tokenBegin, tokenEnd);
                if (!language.caseSensitive)
                    for (char& c : identifier) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

                if (line[first - bufferBegin].preprocessor) {
                    if (language.preprocessorIdentifiers.count(identifier) != 0) role = PaletteIndex::PreprocessorIdentifier;
                } else if (language.keywords.count(identifier) != 0) {
                    role = PaletteIndex::Keyword;
                } else if (language.identifiers.count(identifier) != 0) {
                    role = PaletteIndex::KnownIdentifier;
                } else if (language.preprocessorIdentifiers.count(identifier) != 0) {
                    role = PaletteIndex::PreprocessorIdentifier;
                }
            }

            // A tokenizer reports Count for "no token"; it is never a colour.
            if (role >= PaletteIndex::Count) role = PaletteIndex::Default;
            for (const char* p = tokenBegin; p < tokenEnd; ++p) line[p - bufferBegin].colorIndex = role;
            first = tokenEnd;
        }
    }
}

// ==========================================================================
// The comment scan
// ==========================================================================

// One linear pass over every glyph: strings (double-quoted, with escapes and
// doubled quotes), single-line comments, block comments across lines and
// preprocessor lines, where a line ending in a backslash continues the
// single-line comment or preprocessor line into the next one. Every glyph
// gets all three flags written, so the result depends on the text alone.
void TextEditor::ScanComments() {
    const int lineCount = static_cast<int>(lines.size());
    const std::string& startString = language.commentStart;
    const std::string& endString = language.commentEnd;
    const std::string& singleString = language.singleLineComment;
    const uint8_t preprocessorChar = static_cast<uint8_t>(language.preprocessorChar);

    // The open block comment's start; (lineCount, 0) when none is open.
    int openLine = lineCount;
    int openIndex = 0;
    auto isInComment = [&](int lineIndex, int index) {
        return openLine < lineIndex || (openLine == lineIndex && openIndex <= index);
    };

    bool withinString = false;
    bool withinSingleLineComment = false;
    bool withinPreproc = false;
    bool firstChar = true;
    bool concatenate = false;

    int currentLine = 0;
    int currentIndex = 0;
    while (currentLine < lineCount) {
        Line& line = lines[currentLine];
        const int length = static_cast<int>(line.size());

        if (currentIndex == 0 && !concatenate) {
            withinSingleLineComment = false;
            withinPreproc = false;
            firstChar = true;
        }
        concatenate = false;

        if (length == 0) {
            ++currentLine;
            currentIndex = 0;
            continue;
        }

        const int charIndex = currentIndex;
        const uint8_t c = line[currentIndex].character;
        if (c != preprocessorChar && !std::isspace(c)) firstChar = false;
        if (currentIndex == length - 1 && line[length - 1].character == '\\') concatenate = true;

        bool inComment = isInComment(currentLine, currentIndex);
        if (withinString) {
            line[currentIndex].multiLineComment = inComment;
            line[currentIndex].comment = false;
            if (c == '"') {
                if (currentIndex + 1 < length && line[currentIndex + 1].character == '"') {
                    ++currentIndex;  // a doubled quote stays inside the string
                    line[currentIndex].multiLineComment = inComment;
                    line[currentIndex].comment = false;
                } else {
                    withinString = false;
                }
            } else if (c == '\\') {
                ++currentIndex;  // the escaped byte is passed over
                if (currentIndex < length) {
                    line[currentIndex].multiLineComment = inComment;
                    line[currentIndex].comment = false;
                }
            }
        } else {
            if (firstChar && c == preprocessorChar) withinPreproc = true;
            if (c == '"') {
                withinString = true;
                line[currentIndex].multiLineComment = inComment;
                line[currentIndex].comment = false;
            } else {
                // Where both openers match (Lua's "--[[" starts with "--"), the
                // longer one, the block opener, wins.
                const bool opensBlock =
                    !withinSingleLineComment && !startString.empty() && LineHasAt(line, currentIndex, startString);
                const bool opensSingle = !singleString.empty() && LineHasAt(line, currentIndex, singleString);
                if (opensSingle && !(opensBlock && startString.size() > singleString.size())) {
                    withinSingleLineComment = true;
                } else if (opensBlock) {
                    openLine = currentLine;
                    openIndex = currentIndex;
                }
                inComment = isInComment(currentLine, currentIndex);
                line[currentIndex].multiLineComment = inComment;
                line[currentIndex].comment = withinSingleLineComment;

                const size_t endLength = endString.size();
                if (static_cast<size_t>(currentIndex) + 1 >= endLength &&
                    LineHasAt(line, currentIndex + 1 - endLength, endString)) {
                    openLine = lineCount;  // the closer's own glyphs stay inside the comment
                    openIndex = 0;
                }
            }
        }
        if (currentIndex < length) line[currentIndex].preprocessor = withinPreproc;

        // The rest of a multi-byte character shares its lead byte's flags.
        const int next = currentIndex + UTF8CharLength(c);
        const Glyph lead = line[charIndex];
        for (int k = currentIndex + 1; k < next && k < length; ++k) {
            line[k].comment = lead.comment;
            line[k].multiLineComment = lead.multiLineComment;
            line[k].preprocessor = lead.preprocessor;
        }
        currentIndex = next;
        if (currentIndex >= length) {
            currentIndex = 0;
            ++currentLine;
        }
    }
}
