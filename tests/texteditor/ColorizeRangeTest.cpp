// Marking lines, the bounded per-frame step and the token pass.
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tetest;
using Definition = TextEditor::SyntaxDefinition;

namespace {

std::string Lines(int count, const std::string& line) {
    std::string text;
    for (int i = 0; i < count; ++i) text += (i ? "\n" : "") + line;
    return text;
}

// Paints every glyph with one role, as if an older colouring had left it.
void Paint(TextEditor& e, PaletteIndex role) {
    for (auto& line : e.lines)
        for (auto& g : line) g.colorIndex = role;
}

// The C-style tokenizer, counting how often the colorizer asks it for a token.
int tokenSearches = 0;
bool CountingTokenizer(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd,
                       PaletteIndex& role) {
    ++tokenSearches;
    return TokenizeCStyle(inBegin, inEnd, outBegin, outEnd, role);
}

}  // namespace

// ---- Marking --------------------------------------------------------------------

TEST(ColorizeMarks, MarksMergeIntoOneSpanAfterTheRangeWasUsedUp) {
    TextEditor e;
    Load(e, Definition::CPlusPlus(), Lines(10, "x"));
    EXPECT_EQ(e.colorRangeMin, INT_MAX);  // used up
    EXPECT_EQ(e.colorRangeMax, 0);
    e.Colorize(4, 1);
    EXPECT_EQ(e.colorRangeMin, 4);
    EXPECT_EQ(e.colorRangeMax, 5);
    e.Colorize(8, 3);
    EXPECT_EQ(e.colorRangeMin, 4);
    EXPECT_EQ(e.colorRangeMax, 10);  // cut to the text
    EXPECT_TRUE(e.checkComments);
}

TEST(ColorizeMarks, ANegativeFirstLineIsClampedToZero) {
    TextEditor e;
    Load(e, Definition::CPlusPlus(), Lines(10, "x"));
    e.Colorize(-1, 3);
    EXPECT_EQ(e.colorRangeMin, 0);
    EXPECT_EQ(e.colorRangeMax, 2);
}

TEST(ColorizeMarks, MinusOneMeansThroughTheLastLine) {
    TextEditor e;
    Load(e, Definition::CPlusPlus(), Lines(7, "x"));
    e.Colorize(3, -1);
    EXPECT_EQ(e.colorRangeMin, 3);
    EXPECT_EQ(e.colorRangeMax, 7);
}

TEST(ColorizeMarks, HugeCountsDoNotOverflow) {
    TextEditor e;
    Load(e, Definition::CPlusPlus(), Lines(3, "x"));
    e.Colorize(INT_MAX, INT_MAX);
    EXPECT_LE(e.colorRangeMax, 3);  // a mark past the text is cut to the text
    e.Colorize(1, INT_MAX);
    EXPECT_EQ(e.colorRangeMin, 1);
    EXPECT_EQ(e.colorRangeMax, 3);
    ColorizeNow(e);
    EXPECT_EQ(e.colorRangeMin, INT_MAX);
}

TEST(ColorizeMarks, AMarkThatLeavesTheSpanEmptyLeavesNothingWaitingSoNoLaterEditCanStretchIt) {
    TextEditor e;
    Load(e, Definition::HLSL(), Lines(41, "x"));
    e.Colorize(47, 3);  // past the text: no line to mark
    EXPECT_EQ(e.colorRangeMin, INT_MAX);
    EXPECT_EQ(e.colorRangeMax, 0);
    e.DeleteRange(TextPosition(5, 1), TextPosition(40, 1));
    ASSERT_EQ(e.GetTotalLines(), 6);
    e.Colorize(4, 3);
    EXPECT_EQ(e.colorRangeMin, 4);
    EXPECT_EQ(e.colorRangeMax, 6);  // cut to the text
    TextPosition at(0, 0);
    ASSERT_EQ(e.InsertTextAt(at, std::string(15, '\n').c_str()), 15);
    EXPECT_EQ(e.colorRangeMin, 19);
    EXPECT_EQ(e.colorRangeMax, 21);
    // The fuzz target's bound: one frame per 10 lines, plus 3.
    EXPECT_LE(ColorizeNow(e), e.GetTotalLines() / 10 + 3);
}

// ---- The per-frame step -------------------------------------------------------------

TEST(ColorizeFrames, PatternLanguagesColourTenLinesPerFrame) {
    TextEditor e;
    e.SetText(Lines(25, "int x;"));
    Paint(e, PaletteIndex::Number);
    e.ColorizeInternal();
    EXPECT_EQ(e.colorRangeMin, 10);
    EXPECT_EQ(Runs(e, 9), "Keyword[int] Default[ ] Identifier[x] Punctuation[;]");
    EXPECT_EQ(Runs(e, 10), "Number[int x;]");  // still waiting: keeps its old colours
    e.ColorizeInternal();
    EXPECT_EQ(e.colorRangeMin, 20);
    e.ColorizeInternal();
    EXPECT_EQ(e.colorRangeMin, INT_MAX);
    EXPECT_EQ(e.colorRangeMax, 0);
    EXPECT_EQ(Runs(e, 24), "Keyword[int] Default[ ] Identifier[x] Punctuation[;]");
}

TEST(ColorizeFrames, TokenizerLanguagesColourUpToTenThousandLinesPerFrame) {
    TextEditor e;
    e.SetSyntaxDefinition(Definition::CPlusPlus());
    e.SetText(Lines(10005, "int x;"));
    e.ColorizeInternal();
    EXPECT_EQ(e.colorRangeMin, 10000);
    EXPECT_EQ(Runs(e, 9999), "Keyword[int] Default[ ] Identifier[x] Punctuation[;]");
    EXPECT_EQ(Runs(e, 10000), "Default[int x;]");
    e.ColorizeInternal();
    EXPECT_EQ(e.colorRangeMin, INT_MAX);
}

TEST(ColorizeFrames, AChangeToTwentyFiveLinesTakesThreeFramesWithPatternsAndOneWithATokenizer) {
    TextEditor hlsl;
    Load(hlsl, Definition::HLSL(), Lines(40, "a"));
    hlsl.Colorize(5, 25);
    EXPECT_EQ(ColorizeNow(hlsl), 3);
    TextEditor cpp;
    Load(cpp, Definition::CPlusPlus(), Lines(40, "a"));
    cpp.Colorize(5, 25);
    EXPECT_EQ(ColorizeNow(cpp), 1);
}

TEST(ColorizeFrames, RemovingLinesShortensTheWaitingRangeToTheTextsEnd) {
    TextEditor e;
    Load(e, Definition::HLSL(), "a\nb");
    std::string pasted;
    for (int i = 0; i < 500; ++i) pasted += "\nx";
    e.SetCursorPosition(TextPosition(1, 1));
    e.InsertText(pasted);  // marks the lines up to the one after the cursor
    e.SetSelection(TextPosition(1, 1), TextPosition(501, 1));
    e.Delete();  // and takes the 500 lines out again
    ASSERT_EQ(e.GetTotalLines(), 2);
    EXPECT_EQ(e.colorRangeMax, 2);
    EXPECT_EQ(ColorizeNow(e), 1);

    e.SetText(Lines(600, "x"));
    e.ColorizeInternal();  // lines 10 to 599 still wait
    e.SetText("a\nb");     // a shorter text replaces them all
    EXPECT_EQ(e.colorRangeMax, 2);
}

TEST(ColorizeFrames, LinesWaitingToBeColouredMoveDownWithTheirTextWhenLinesAreInserted) {
    TextEditor e;
    e.SetText(Lines(30, "int x;"));
    Paint(e, PaletteIndex::Number);
    e.ColorizeInternal();  // lines 10 to 29 still wait
    e.SetCursorPosition(TextPosition(0, 0));
    e.InsertText(Lines(6, "y"));  // five line breaks
    ASSERT_EQ(e.GetTotalLines(), 35);
    ColorizeNow(e);
    EXPECT_EQ(Runs(e, 34), "Keyword[int] Default[ ] Identifier[x] Punctuation[;]");
}

TEST(ColorizeFrames, TheCommentScanRunsOnceWhenRequested) {
    TextEditor e;
    e.SetSyntaxDefinition(Definition::CPlusPlus());
    e.SetText("// a");
    EXPECT_TRUE(e.checkComments);
    e.ColorizeInternal();
    EXPECT_FALSE(e.checkComments);
    EXPECT_EQ(Flags(e, 0, Flag::Comment), "1111");
    e.lines[0][0].comment = false;  // not rescanned until requested again
    e.ColorizeInternal();
    EXPECT_FALSE(e.lines[0][0].comment);
}

TEST(ColorizeFrames, NothingIsColouredWhileTheColorizerIsDisabled) {
    TextEditor e;
    e.SetSyntaxDefinition(Definition::CPlusPlus());
    e.SetText("int // x");
    e.SetColorizerEnabled(false);
    e.ColorizeInternal();
    EXPECT_TRUE(e.checkComments);
    EXPECT_EQ(e.colorRangeMin, 0);
    EXPECT_EQ(e.colorRangeMax, 1);
    EXPECT_EQ(Runs(e, 0), "Default[int // x]");
    e.SetColorizerEnabled(true);
    ColorizeNow(e);
    EXPECT_EQ(Runs(e, 0), "Keyword[int] Default[ ] Punctuation[//] Default[ ] Identifier[x]");
}

TEST(ColorizeFrames, AnEmptyTextIsLeftAlone) {
    TextEditor e;
    e.lines.clear();
    e.Colorize(0, -1);
    e.ColorizeInternal();
    e.ColorizeRange(0, 5);
    EXPECT_TRUE(e.lines.empty());
}

// ---- The token pass -----------------------------------------------------------------

TEST(ColorizeTokens, ARangeIsResetToDefaultBeforeItIsTokenised) {
    TextEditor e;
    e.SetSyntaxDefinition(Definition::CPlusPlus());
    e.SetText("a  $ b\nc");
    Paint(e, PaletteIndex::Number);
    e.ColorizeRange(0, 1);
    EXPECT_EQ(Runs(e, 0), "Identifier[a] Default[  $ ] Identifier[b]");
    EXPECT_EQ(Runs(e, 1), "Number[c]");  // outside the range
}

TEST(ColorizeTokens, RangesBeyondTheTextAreCutAndEmptyRangesDoNothing) {
    TextEditor e;
    e.SetSyntaxDefinition(Definition::CPlusPlus());
    e.SetText("a\nb");
    Paint(e, PaletteIndex::Number);
    e.ColorizeRange(1, 1);
    e.ColorizeRange(2, 0);
    EXPECT_EQ(Runs(e, 1), "Number[b]");
    e.ColorizeRange(-3, 99);
    EXPECT_EQ(Runs(e, 0), "Identifier[a]");
    EXPECT_EQ(Runs(e, 1), "Identifier[b]");
}

TEST(ColorizeTokens, APatternMatchingNothingCannotStallTheLine) {
    Definition d;
    d.tokenPatterns.emplace_back("x*", PaletteIndex::Number);
    TextEditor e;
    Load(e, d, "xxab x");
    EXPECT_EQ(Runs(e, 0), "Number[xx] Default[ab ] Number[x]");
}

TEST(ColorizeTokens, BlanksBeforeAByteNoTokenStartsWithArePassedOnceNotOncePerBlank) {
    Definition d = Definition::CPlusPlus();
    d.tokenize = CountingTokenizer;
    TextEditor e;
    Load(e, d, std::string(1000, ' ') + "@ x\n\t\t\xC3\xA9 y");
    tokenSearches = 0;
    e.ColorizeRange(0, 2);
    EXPECT_EQ(Runs(e, 0), "Default[" + std::string(1000, ' ') + "@ ] Identifier[x]");
    EXPECT_EQ(Runs(e, 1), "Default[\t\t\xC3\xA9 ] Identifier[y]");
    // The blanks and '@', then " x"; the tabs and the lead byte, the
    // continuation byte, then " y".
    EXPECT_EQ(tokenSearches, 5);
}

TEST(ColorizeTokens, AVeryLongLineIsColouredWithoutExhaustingTheStack) {
    const std::string longString = "\"" + std::string(60000, 'a') + "\" x";
    TextEditor hlsl;
    Load(hlsl, Definition::HLSL(), longString);
    EXPECT_EQ(hlsl.lines[0].back().colorIndex, PaletteIndex::Identifier);
    TextEditor cpp;
    Load(cpp, Definition::CPlusPlus(), longString);
    EXPECT_EQ(cpp.lines[0].front().colorIndex, PaletteIndex::String);
    EXPECT_EQ(cpp.lines[0].back().colorIndex, PaletteIndex::Identifier);
}

TEST(ColorizeTokens, ALanguageWithoutCaseUpperCasesWordsBeforeLookingThemUp) {
    Definition d;
    d.caseSensitive = false;
    d.tokenize = TokenizeCStyle;
    d.keywords.insert("SELECT");
    d.identifiers["COUNT"] = TextEditor::IdentifierInfo();
    d.keywords.insert("lower");  // a lower-case entry can never match
    TextEditor e;
    Load(e, d, "select Count lower");
    EXPECT_EQ(Runs(e, 0), "Keyword[select] Default[ ] KnownIdentifier[Count] Default[ ] Identifier[lower]");
}

TEST(ColorizeTokens, TheFlagAtTheSearchStartDecidesAPreprocessorLookup) {
    TextEditor e;
    e.SetSyntaxDefinition(Definition::CPlusPlus());
    e.SetText("#if int");
    e.ColorizeInternal();
    EXPECT_EQ(Runs(e, 0), "Default[#] Identifier[if] Default[ ] Identifier[int]");
}
