// The whole-text comment scan against a plain reference: a glyph-by-glyph
// walk of the same rules, written for clarity rather than speed. Random texts
// built from the bytes each language treats specially (quotes, backslashes,
// comment delimiters and their pieces, the preprocessor character, blanks,
// tabs, line-final backslashes, multi-byte and broken UTF-8) must get exactly
// the reference's three flags on every glyph, whatever flags the glyphs held
// before the scan.
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace tetest;
using Definition = TextEditor::SyntaxDefinition;

namespace {

// Random texts per definition; fewer in the sanitized build, which runs
// several times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kTextsPerDefinition = 800;
#else
constexpr int kTextsPerDefinition = 3000;
#endif

// ==========================================================================
// The reference scan
// ==========================================================================

struct GlyphFlags {
    bool comment = false;
    bool multiLineComment = false;
    bool preprocessor = false;
    bool operator==(const GlyphFlags& o) const {
        return comment == o.comment && multiLineComment == o.multiLineComment && preprocessor == o.preprocessor;
    }
};
using TextFlags = std::vector<std::vector<GlyphFlags>>;

int SequenceLength(uint8_t lead) {
    if ((lead & 0xFE) == 0xFC) return 6;
    if ((lead & 0xFC) == 0xF8) return 5;
    if ((lead & 0xF8) == 0xF0) return 4;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xE0) == 0xC0) return 2;
    return 1;
}

// The bytes of the character at index: the lead byte and every continuation
// byte it announces when all of them are there, else the one byte.
size_t CharacterBytes(const std::string& line, size_t index) {
    const size_t announced = static_cast<size_t>(SequenceLength(static_cast<uint8_t>(line[index])));
    if (index + announced > line.size()) return 1;
    for (size_t k = 1; k < announced; ++k)
        if ((static_cast<uint8_t>(line[index + k]) & 0xC0) != 0x80) return 1;
    return announced;
}

bool Spells(const std::string& line, size_t index, const std::string& word) {
    return index + word.size() <= line.size() && line.compare(index, word.size(), word) == 0;
}

// One step per character, the open block comment kept as its start position.
TextFlags ReferenceScan(const std::vector<std::string>& text, const Definition& language) {
    TextFlags out(text.size());
    for (size_t l = 0; l < text.size(); ++l) out[l].resize(text[l].size());

    const size_t lineCount = text.size();
    size_t openLine = lineCount;  // (lineCount, 0): no block comment open
    size_t openIndex = 0;
    auto inBlock = [&](size_t line, size_t index) {
        return openLine < line || (openLine == line && openIndex <= index);
    };
    bool withinString = false, withinSingle = false, withinPreproc = false, firstChar = true, concatenate = false;

    for (size_t l = 0; l < lineCount; ++l) {
        const std::string& line = text[l];
        if (!concatenate) {
            withinSingle = false;
            withinPreproc = false;
            firstChar = true;
        }
        concatenate = false;
        size_t i = 0;
        while (i < line.size()) {
            const uint8_t c = static_cast<uint8_t>(line[i]);
            const size_t stepStart = i;
            if (c != static_cast<uint8_t>(language.preprocessorChar) && !std::isspace(c)) firstChar = false;
            concatenate = i == line.size() - 1 && c == '\\';
            GlyphFlags flags;
            if (withinString) {
                flags = {false, inBlock(l, i), withinPreproc};
                out[l][i] = flags;
                if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                    ++i;  // a doubled quote
                else if (c == '"')
                    withinString = false;
                else if (c == '\\')
                    ++i;  // the escaped byte
                if (i < line.size()) out[l][i] = flags;
            } else {
                if (firstChar && c == static_cast<uint8_t>(language.preprocessorChar)) withinPreproc = true;
                if (c == '"') {
                    withinString = true;
                    flags = {false, inBlock(l, i), withinPreproc};
                } else {
                    const std::string& start = language.commentStart;
                    const std::string& single = language.singleLineComment;
                    const std::string& end = language.commentEnd;
                    const bool opensBlock = !withinSingle && !start.empty() && Spells(line, i, start);
                    const bool opensSingle = !single.empty() && Spells(line, i, single);
                    if (opensSingle && !(opensBlock && start.size() > single.size())) {
                        withinSingle = true;
                    } else if (opensBlock) {
                        openLine = l;
                        openIndex = i;
                    }
                    flags = {withinSingle, inBlock(l, i), withinPreproc};
                    if (i + 1 >= end.size() && Spells(line, i + 1 - end.size(), end)) openLine = lineCount;
                }
                out[l][i] = flags;
            }
            // The other bytes of a multi-byte character take its lead's flags.
            const size_t next = (i == stepStart ? i + CharacterBytes(line, i) : i + 1);
            for (size_t k = i + 1; k < next && k < line.size(); ++k) out[l][k] = flags;
            i = next;
        }
    }
    return out;
}

// ==========================================================================
// Random texts
// ==========================================================================

// The pieces random texts for a definition are made of: its delimiters and
// their parts, quotes, backslashes, blanks, tabs, the preprocessor
// character, ordinary bytes, line breaks (some after a backslash) and UTF-8
// sequences, whole, cut short and stray.
std::vector<std::string> PiecesFor(const Definition& language) {
    std::vector<std::string> pieces = {"a", "b", "1", "_", "(", ";", "*", "/", "-", "[", "]", "=",
                                       " ", " ", "  ", "\t", "\"", "\"", "\"\"", "'", "\\", "\\\"", "\\\\",
                                       "\n", "\n", "\\\n", "\"\\\n", " \\\n", "\xC3\xA9", "\xE2\x82\xAC",
                                       "\xF0\x9F\x98\x80", "\xC3", "\xE2\x82", "\xA9", "\xFC\x80", "\xFE", "\xFF",
                                       "\xE2\\\n", "\xC3\"", "\v", "\f", "\r"};
    for (const std::string* word : {&language.commentStart, &language.commentEnd, &language.singleLineComment}) {
        if (word->empty()) continue;
        pieces.push_back(*word);
        pieces.push_back(*word);
        pieces.push_back(word->substr(0, 1));
        pieces.push_back(word->substr(word->size() - 1));
    }
    pieces.push_back(std::string(1, language.preprocessorChar));
    pieces.push_back(std::string(1, language.preprocessorChar) + "define");
    pieces.push_back(" " + std::string(1, language.preprocessorChar));
    return pieces;
}

std::string RandomText(const std::vector<std::string>& pieces, std::mt19937& random) {
    std::uniform_int_distribution<size_t> count(0, 120);
    std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
    std::string text;
    for (size_t n = count(random); n > 0; --n) text += pieces[pick(random)];
    return text;
}

// ==========================================================================
// Comparing
// ==========================================================================

std::string Escaped(const std::string& text) {
    std::ostringstream out;
    for (const char ch : text) {
        const uint8_t c = static_cast<uint8_t>(ch);
        if (c == '\n') out << "\\n";
        else if (c == '\\') out << "\\\\";
        else if (c < 32 || c >= 127) out << "\\x" << std::hex << static_cast<int>(c) << std::dec;
        else out << ch;
    }
    return out.str();
}

// Scans text in editor (which holds the language) after giving its glyphs
// random flags, and returns a description of the first glyph whose flags
// differ from the reference's; "" when all agree.
std::string FirstDifference(TextEditor& editor, const std::string& text, std::mt19937& random) {
    const Definition& language = editor.language;
    editor.SetText(text);
    std::bernoulli_distribution coin(0.5);
    for (TextEditor::Line& line : editor.lines)
        for (TextEditor::Glyph& glyph : line) {
            glyph.comment = coin(random);
            glyph.multiLineComment = coin(random);
            glyph.preprocessor = coin(random);
        }
    editor.ScanComments();

    const TextFlags expected = ReferenceScan(editor.GetTextLines(), language);
    for (size_t l = 0; l < expected.size(); ++l) {
        for (size_t i = 0; i < expected[l].size(); ++i) {
            const TextEditor::Glyph& glyph = editor.lines[l][i];
            const GlyphFlags got{glyph.comment, glyph.multiLineComment, glyph.preprocessor};
            if (got == expected[l][i]) continue;
            std::ostringstream out;
            out << language.name << ": line " << l << " byte " << i << " has (comment, block, preprocessor) = ("
                << got.comment << got.multiLineComment << got.preprocessor << "), expected ("
                << expected[l][i].comment << expected[l][i].multiLineComment << expected[l][i].preprocessor
                << ") in text \"" << Escaped(text) << "\"";
            return out.str();
        }
    }
    return "";
}

void ExpectScanMatchesReference(const Definition& language, unsigned seed) {
    std::mt19937 random(seed);
    const std::vector<std::string> pieces = PiecesFor(language);
    TextEditor editor;
    editor.SetSyntaxDefinition(language);
    for (int n = 0; n < kTextsPerDefinition; ++n) {
        const std::string difference = FirstDifference(editor, RandomText(pieces, random), random);
        if (!difference.empty()) {
            ADD_FAILURE() << difference;
            return;
        }
    }
}

// A definition with other delimiters than the built-in ones.
Definition Custom(const std::string& name, const std::string& start, const std::string& end, const std::string& single,
                  char preprocessorChar) {
    Definition d = Definition::C();
    d.name = name;
    d.commentStart = start;
    d.commentEnd = end;
    d.singleLineComment = single;
    d.preprocessorChar = preprocessorChar;
    return d;
}

}  // namespace

// ==========================================================================
// Tests
// ==========================================================================

TEST(ColorizeScanEquivalence, EveryBuiltInDefinitionFlagsRandomTextsAsTheReferenceDoes) {
    unsigned seed = 1;
    for (const Definition* d : {&Definition::CPlusPlus(), &Definition::HLSL(), &Definition::GLSL(), &Definition::C(),
                                &Definition::SQL(), &Definition::AngelScript(), &Definition::Lua()})
        ExpectScanMatchesReference(*d, seed++);
}

TEST(ColorizeScanEquivalence, UnusualDelimitersFlagRandomTextsAsTheReferenceDoes) {
    const Definition definitions[] = {
        Custom("no delimiters", "", "", "", '#'),
        Custom("no block comments", "", "", "//", '#'),
        Custom("no line comments", "/*", "*/", "", '#'),
        Custom("closer only", "", "*/", "", '#'),
        Custom("same opener and closer", "%%", "%%", "%", '#'),
        Custom("one-byte delimiters", "{", "}", ";", '!'),
        Custom("line opener longer than block opener", "<", ">", "<<<", '#'),
        Custom("quote and backslash in delimiters", "\"(", ")\\", "\\\\", '\\'),
        Custom("quote as preprocessor character", "/*", "*/", "//", '"'),
        Custom("blank as preprocessor character", "/*", "*/", "//", ' '),
        Custom("multi-byte delimiters", "\xC2\xAB", "\xC2\xBB", "\xC2\xA7", '#'),
        Custom("continuation bytes in delimiters", "\x80\x81", "\x82\x80", "\xA9", '\xA9'),
    };
    unsigned seed = 100;
    for (const Definition& d : definitions) ExpectScanMatchesReference(d, seed++);
}

TEST(ColorizeScanEquivalence, LongPlainRunsBetweenSpecialBytesAreFlaggedAsTheReferenceDoes) {
    // Long lines with few special bytes: most of the text passes through the
    // plain-run path of the scan.
    std::mt19937 random(7);
    std::vector<std::string> pieces = PiecesFor(Definition::CPlusPlus());
    for (int k = 0; k < 40; ++k) pieces.push_back("abc def ghi, 12 + x");
    for (int k = 0; k < 6; ++k) pieces.push_back("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC ");
    TextEditor editor;
    editor.SetSyntaxDefinition(Definition::CPlusPlus());
    for (int n = 0; n < kTextsPerDefinition / 5; ++n) {
        const std::string difference = FirstDifference(editor, RandomText(pieces, random), random);
        if (!difference.empty()) {
            ADD_FAILURE() << difference;
            return;
        }
    }
}

TEST(ColorizeScanEquivalence, EscapesAndDoubledQuotesOnAPreprocessorLineArePartOfIt) {
    TextEditor e;
    const std::string directive = "#define S \"a\\\"b\"\"c\"";
    const std::string statement = "int s = \"\\\"\";";
    Load(e, Definition::CPlusPlus(), directive + "\n" + statement);
    EXPECT_EQ(Flags(e, 0, Flag::Preprocessor), std::string(directive.size(), '1'));
    EXPECT_EQ(Flags(e, 1, Flag::Preprocessor), std::string(statement.size(), '.'));
}

TEST(ColorizeScanEquivalence, APreprocessorFlagLeftOnAStringEscapeIsClearedOnceTheLineIsNoLongerADirective) {
    TextEditor e;
    Load(e, Definition::CPlusPlus(), "#x \"\\\"\"");
    ASSERT_EQ(Flags(e, 0, Flag::Preprocessor), "1111111");
    TextPosition start(0, 0);
    TextPosition end(0, 1);
    e.DeleteRange(start, end);
    e.Colorize(0, 1);
    ColorizeNow(e);
    EXPECT_EQ(Flags(e, 0, Flag::Preprocessor), "......");
}
