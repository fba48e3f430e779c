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

// Where the token search goes on after none was found at first: the next
// byte, or, when the tokenizer failed at failedAt after skipping only blanks,
// the byte after failedAt. A search from any of those blanks would skip them
// again and fail at the same byte, so a long run of blanks before a byte no
// token starts with is passed once, not once per blank.
const char* AfterFailedSearch(const char* first, const char* failedAt, const char* end) {
    if (failedAt == nullptr || failedAt <= first || failedAt >= end) return first + 1;
    for (const char* p = first; p < failedAt; ++p)
        if (*p != ' ' && *p != '\t') return first + 1;
    return failedAt + 1;
}

}  // namespace

// ==========================================================================
// Marking lines
// ==========================================================================

void TextEditor::Colorize(int fromLine, int lineCount) {
    const int64_t total = static_cast<int64_t>(lines.size());
    const int64_t toLine = lineCount == -1 ? total : std::min(total, static_cast<int64_t>(fromLine) + lineCount);
    // A first line past the text is cut to it too, and so is the span's end,
    // so the span never reaches beyond the text and is always used up in a
    // bounded number of frames.
    const int from = static_cast<int>(std::min<int64_t>(fromLine, total));
    colorRangeMin = std::min(colorRangeMin, from);
    colorRangeMax = std::max(colorRangeMax, static_cast<int>(toLine));
    colorRangeMin = std::max(0, colorRangeMin);
    colorRangeMax = static_cast<int>(std::min<int64_t>(colorRangeMax, total));
    // A span with no line in it waits for nothing. Kept as an empty span at
    // the end, the removal of lines would pass it by (there is nothing to
    // move) and a later mark would stretch it over lines that are gone.
    if (colorRangeMin >= colorRangeMax) {
        colorRangeMin = kNoRangeMin;
        colorRangeMax = kNoRangeMax;
    }
    checkComments = true;
}

// ==========================================================================
// The waiting lines follow the text
// ==========================================================================

// Lines waiting to be re-tokenised move with their text: up past removed
// lines, and removed lines wait no more. So the range never reaches past the
// text's end, and a text that shrank is finished in the frames its own
// length needs (500 lines pasted and taken out again leave nothing waiting
// beyond the lines that remain).
void TextEditor::ColorRangeLinesRemoved(int start, int end) {
    if (colorRangeMin >= colorRangeMax || start >= end) return;
    const int removed = end - start;
    const auto follow = [start, removed](int line) { return line <= start ? line : std::max(start, line - removed); };
    colorRangeMin = follow(colorRangeMin);
    colorRangeMax = std::min(follow(colorRangeMax), static_cast<int>(lines.size()));
    if (colorRangeMin >= colorRangeMax) {
        colorRangeMin = kNoRangeMin;
        colorRangeMax = kNoRangeMax;
    }
}

// Waiting lines at or after index move down with their text, so none of them
// drops out of the range; the new line itself is marked by whoever made it.
void TextEditor::ColorRangeLineInserted(int index) {
    if (colorRangeMin >= colorRangeMax) return;
    if (colorRangeMin >= index) ++colorRangeMin;
    if (colorRangeMax > index) ++colorRangeMax;
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
            // Patterns may match at any of the skipped blanks: with patterns
            // the search goes on byte by byte.
            const char* const failedAt = !hasToken && regexList.empty() ? tokenBegin : nullptr;

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
                first = AfterFailedSearch(first, failedAt, bufferEnd);
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
// gets all three flags written (the backslash of an escape and the first of
// a doubled quote the same as the byte they pass over), so the result
// depends on the text alone.
//
// The scan runs over the whole text after every edit, so it is built for
// speed: most bytes (letters, digits, blanks, most punctuation) change no
// state, and a run of them is passed with one table look-up and one flag
// write per byte. The full rules run only at the bytes that can change the
// state (see StepTables).

namespace {

using Glyph = TextEditor::Glyph;

// White space as the C library's isspace has it in the "C" locale: space,
// horizontal tab, line feed, vertical tab, form feed, carriage return.
inline bool IsBlank(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Step table values: the step at this byte needs the full rules; it is one
// plain byte; it is a plain character that may be longer (a lead byte, whose
// character's length CharacterLength gives).
constexpr uint8_t kFullStep = 0;
constexpr uint8_t kPlainByte = 1;
constexpr uint8_t kPlainCharacter = 2;

// Per language and byte: what a step starting at that byte is, kFullStep
// where the byte may change the state. While a line has shown nothing but
// blanks and preprocessor characters, only its blanks other than the
// preprocessor character pass as plain bytes.
struct StepTables {
    uint8_t code[256];               // outside strings: quotes, openers' first bytes, the closer's last byte
    uint8_t inString[256];           // inside strings: quotes and backslashes
    uint8_t codeLineStart[256];      // code, before the line's first other byte
    uint8_t inStringLineStart[256];  // inString, before the line's first other byte

    explicit StepTables(const TextEditor::SyntaxDefinition& language) {
        for (int b = 0; b < 256; ++b) {
            const bool lead = UTF8CharLength(static_cast<uint8_t>(b)) > 1;
            code[b] = lead ? kPlainCharacter : kPlainByte;
            inString[b] = code[b];
        }
        inString[static_cast<uint8_t>('"')] = kFullStep;
        inString[static_cast<uint8_t>('\\')] = kFullStep;
        code[static_cast<uint8_t>('"')] = kFullStep;
        if (!language.singleLineComment.empty()) code[static_cast<uint8_t>(language.singleLineComment[0])] = kFullStep;
        if (!language.commentStart.empty()) code[static_cast<uint8_t>(language.commentStart[0])] = kFullStep;
        if (!language.commentEnd.empty()) {
            code[static_cast<uint8_t>(language.commentEnd.back())] = kFullStep;
        } else {
            // An empty closer closes the block at every step outside strings.
            for (uint8_t& value : code) value = kFullStep;
        }
        const uint8_t preprocessorChar = static_cast<uint8_t>(language.preprocessorChar);
        for (int b = 0; b < 256; ++b) {
            const bool leading = IsBlank(static_cast<uint8_t>(b)) && b != preprocessorChar;
            codeLineStart[b] = leading ? code[b] : kFullStep;
            inStringLineStart[b] = leading ? inString[b] : kFullStep;
        }
    }
};

// True when the bytes of the glyphs from index on spell word (and fit before length).
inline bool GlyphsSpell(const Glyph* glyphs, int length, int index, const std::string& word) {
    if (static_cast<size_t>(index) + word.size() > static_cast<size_t>(length)) return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (glyphs[static_cast<size_t>(index) + k].character != static_cast<uint8_t>(word[k])) return false;
    return true;
}

// Writes the three flags of one glyph.
inline void SetFlags(Glyph& glyph, bool comment, bool multiLineComment, bool preprocessor) {
    glyph.comment = comment;
    glyph.multiLineComment = multiLineComment;
    glyph.preprocessor = preprocessor;
}

// Writes the three flags of glyphs [from, to).
inline void SetFlags(Glyph* glyphs, int from, int to, bool comment, bool multiLineComment, bool preprocessor) {
    for (int k = from; k < to; ++k) SetFlags(glyphs[k], comment, multiLineComment, preprocessor);
}

// The scan's state between glyphs; it runs on from one line into the next.
struct ScanState {
    bool inBlockComment = false;           // a block comment is open
    bool withinString = false;             // inside a double-quoted string
    bool withinSingleLineComment = false;  // inside a single-line comment
    bool withinPreproc = false;            // on a preprocessor line
    bool firstChar = true;                 // only blanks and preprocessor characters so far on the line
    bool concatenate = false;              // the previous line ended in a backslash
};

// Passes the glyphs from index on that change no state: each gets the flags
// the state gives. Stops at the line's length or at a byte that needs the
// full rules. Returns the start of the last step taken, or -1 for none.
inline int PassPlainRun(const uint8_t* steps, const ScanState& s, Glyph* glyphs, int length, int& index) {
    const bool comment = s.withinSingleLineComment && !s.withinString;
    const bool block = s.inBlockComment;
    const bool preproc = s.withinPreproc;
    int lastStep = -1;
    int i = index;
    while (i < length) {
        // One-byte steps first: the next index does not wait for the look-up.
        const int runStart = i;
        while (i < length && steps[glyphs[i].character] == kPlainByte) {
            SetFlags(glyphs[i], comment, block, preproc);
            ++i;
        }
        if (i > runStart) lastStep = i - 1;
        if (i >= length) break;
        if (steps[glyphs[i].character] == kFullStep) break;
        // A lead byte: the other bytes of its character share its flags.
        lastStep = i;
        const int next = i + CharacterLength(glyphs + i, glyphs + length);
        SetFlags(glyphs, i, next, comment, block, preproc);
        i = next;
    }
    index = i;
    return lastStep;
}

// One step by the full rules at index, inside a string. Moves index on.
inline void StringStep(ScanState& s, Glyph* glyphs, int length, int& index) {
    const int i = index;
    const uint8_t c = glyphs[i].character;
    int covered = 1;
    if (c == '"') {
        if (i + 1 < length && glyphs[i + 1].character == '"')
            covered = 2;  // a doubled quote stays inside the string
        else
            s.withinString = false;
    } else if (c == '\\') {
        covered = 2;  // the escaped byte is passed over
    } else {
        covered = CharacterLength(glyphs + i, glyphs + length);
    }
    const int next = std::min(i + covered, length);
    SetFlags(glyphs, i, next, false, s.inBlockComment, s.withinPreproc);
    index = i + covered;
}

// One step by the full rules at index, outside strings. Moves index on.
inline void CodeStep(ScanState& s, const TextEditor::SyntaxDefinition& language, Glyph* glyphs, int length,
                     int& index) {
    const int i = index;
    const uint8_t c = glyphs[i].character;
    if (s.firstChar && c == static_cast<uint8_t>(language.preprocessorChar)) s.withinPreproc = true;
    if (c == '"') {
        s.withinString = true;
        SetFlags(glyphs, i, i + 1, false, s.inBlockComment, s.withinPreproc);
        index = i + 1;
        return;
    }

    const std::string& startString = language.commentStart;
    const std::string& singleString = language.singleLineComment;
    const std::string& endString = language.commentEnd;
    // Where both openers match (Lua's "--[[" starts with "--"), the longer
    // one, the block opener, wins.
    const bool opensBlock = !s.withinSingleLineComment && !startString.empty() &&
                            c == static_cast<uint8_t>(startString[0]) && GlyphsSpell(glyphs, length, i, startString);
    const bool opensSingle = !singleString.empty() && c == static_cast<uint8_t>(singleString[0]) &&
                             GlyphsSpell(glyphs, length, i, singleString);
    if (opensSingle && !(opensBlock && startString.size() > singleString.size()))
        s.withinSingleLineComment = true;
    else if (opensBlock)
        s.inBlockComment = true;

    const int covered = CharacterLength(glyphs + i, glyphs + length);
    SetFlags(glyphs, i, i + covered, s.withinSingleLineComment, s.inBlockComment, s.withinPreproc);

    // The closer's own glyphs stay inside the comment; it closes after them.
    const size_t endLength = endString.size();
    if (endLength == 0 ||
        (c == static_cast<uint8_t>(endString.back()) && static_cast<size_t>(i) + 1 >= endLength &&
         GlyphsSpell(glyphs, length, i + 1 - static_cast<int>(endLength), endString)))
        s.inBlockComment = false;
    index = i + covered;
}

// Scans one line, carrying the state on into the next.
void ScanLine(ScanState& s, const TextEditor::SyntaxDefinition& language, const StepTables& tables,
              TextEditor::Line& line) {
    // A line that does not continue the one before starts a new logical line.
    if (!s.concatenate) {
        s.withinSingleLineComment = false;
        s.withinPreproc = false;
        s.firstChar = true;
    }
    s.concatenate = false;
    const int length = static_cast<int>(line.size());
    if (length == 0) return;

    Glyph* const glyphs = line.data();
    const uint8_t preprocessorChar = static_cast<uint8_t>(language.preprocessorChar);
    int lastStep = 0;  // where the line's last step started
    int i = 0;
    while (i < length) {
        const uint8_t* const steps = s.firstChar ? (s.withinString ? tables.inStringLineStart : tables.codeLineStart)
                                                 : (s.withinString ? tables.inString : tables.code);
        const int passed = PassPlainRun(steps, s, glyphs, length, i);
        if (passed >= 0) lastStep = passed;
        if (i >= length) break;
        lastStep = i;
        const uint8_t c = glyphs[i].character;
        if (c != preprocessorChar && !IsBlank(c)) s.firstChar = false;
        if (s.withinString)
            StringStep(s, glyphs, length, i);
        else
            CodeStep(s, language, glyphs, length, i);
    }
    // A backslash read as the line's last step continues the line.
    s.concatenate = lastStep == length - 1 && glyphs[length - 1].character == '\\';
}

}  // namespace

void TextEditor::ScanComments() {
    const StepTables tables(language);
    ScanState state;
    for (Line& line : lines) ScanLine(state, language, tables, line);
}
