// Display columns, byte indexes, UTF-8 sequences and clamping.
#include "TextEditor.h"
#include "TextEditorDetail.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

using namespace tetest;

// ---- UTF-8 helpers --------------------------------------------------------

TEST(ModelUtf8, SequenceLengthComesFromTheLeadByte) {
    EXPECT_EQ(UTF8CharLength('a'), 1);
    EXPECT_EQ(UTF8CharLength(0x7F), 1);
    EXPECT_EQ(UTF8CharLength(0x80), 1);  // a stray continuation byte counts as one
    EXPECT_EQ(UTF8CharLength(0xBF), 1);
    EXPECT_EQ(UTF8CharLength(0xC3), 2);
    EXPECT_EQ(UTF8CharLength(0xE2), 3);
    EXPECT_EQ(UTF8CharLength(0xF0), 4);
    EXPECT_EQ(UTF8CharLength(0xF8), 5);
    EXPECT_EQ(UTF8CharLength(0xFC), 6);
    EXPECT_EQ(UTF8CharLength(0xFE), 1);
    EXPECT_EQ(UTF8CharLength(0xFF), 1);
}

TEST(ModelUtf8, OnlyTenXxxxxxBytesAreContinuations) {
    EXPECT_TRUE(IsUTFSequence(0x80));
    EXPECT_TRUE(IsUTFSequence(0xBF));
    EXPECT_FALSE(IsUTFSequence(0x7F));
    EXPECT_FALSE(IsUTFSequence(0xC0));
}

TEST(ModelUtf8, ALeadByteStartsALongerCharacterOnlyWhenEveryContinuationByteItAnnouncesFollows) {
    // Each line with the byte lengths of its characters, as every walk over a
    // line (columns, moves forwards and backwards) must find them.
    const std::vector<std::pair<std::string, std::vector<int>>> cases = {
        {"caf\xE9s!", {1, 1, 1, 1, 1, 1}},                // Latin-1 0xE9 before letters
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", {2, 3, 4}},  // whole sequences
        {"\xE9\x80\x80\xBF", {3, 1}},                     // 0xE9 with its two, then a stray one
        {"\xF0\x9F\x98x\xE2\x82", {1, 1, 1, 1, 1, 1}},    // cut short by a letter and by the end
        {"\xFC\x80\x80\x80\x80\x80\xF8\x80", {6, 1, 1}},   // six bytes whole, five cut short
        {"\xC0\xC0\x80\xFE\xFF", {1, 2, 1, 1}},           // a lead byte never continues another
    };
    for (const auto& [text, lengths] : cases) {
        TextEditor e;
        e.SetTextLines({text});
        const TextEditor::Line& line = e.lines[0];
        std::vector<int> starts;
        std::vector<int> found;
        for (int i = 0; i < static_cast<int>(line.size()); i += CharacterLength(line, i)) {
            starts.push_back(i);
            found.push_back(CharacterLength(line, i));
        }
        EXPECT_EQ(found, lengths) << text;
        EXPECT_EQ(e.LineCharCount(0), static_cast<int>(lengths.size())) << text;
        EXPECT_EQ(e.LineEndColumn(0), static_cast<int>(lengths.size())) << text;
        for (size_t k = 0; k < starts.size(); ++k) {
            const int end = starts[k] + lengths[k];
            EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, static_cast<int>(k))), starts[k]) << text;
            EXPECT_EQ(e.CharIndexToColumn(0, end), static_cast<int>(k) + 1) << text;
            EXPECT_EQ(texteditor_detail::PreviousCharacterStart(line, end), starts[k]) << text;
        }
    }
}

TEST(ModelUtf8, EncodingWritesOneToFourBytesAndNothingWhenTheBufferIsShort) {
    char b[7] = {};
    EXPECT_EQ(ImTextCharToUtf8(b, 7, 'x'), 1);
    EXPECT_EQ(b[0], 'x');
    EXPECT_EQ(ImTextCharToUtf8(b, 7, 0xE9), 2);
    EXPECT_EQ(std::string(b, 2), "\xC3\xA9");
    EXPECT_EQ(ImTextCharToUtf8(b, 7, 0x20AC), 3);
    EXPECT_EQ(std::string(b, 3), "\xE2\x82\xAC");
    EXPECT_EQ(ImTextCharToUtf8(b, 7, 0xD800), 4);
    EXPECT_EQ(ImTextCharToUtf8(b, 7, 0xDC00), 0);  // a low surrogate alone encodes to nothing
    EXPECT_EQ(ImTextCharToUtf8(b, 7, 0xDFFF), 0);

    char small[3] = {'-', '-', '-'};
    EXPECT_EQ(ImTextCharToUtf8(small, 1, 0xE9), 0);
    EXPECT_EQ(ImTextCharToUtf8(small, 2, 0x20AC), 0);
    EXPECT_EQ(ImTextCharToUtf8(small, 3, 0xD800), 0);
    EXPECT_EQ(std::string(small, 3), "---");
}

// ---- Columns and byte indexes ---------------------------------------------

TEST(ModelColumns, ATabAdvancesToTheNextTabStop) {
    TextEditor e;
    e.SetText("\tab");
    EXPECT_EQ(e.CharIndexToColumn(0, 0), 0);
    EXPECT_EQ(e.CharIndexToColumn(0, 1), 4);
    EXPECT_EQ(e.CharIndexToColumn(0, 2), 5);
    EXPECT_EQ(e.CharIndexToColumn(0, 3), 6);
    EXPECT_EQ(e.CharIndexToColumn(0, 99), 6);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 0)), 0);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 1)), 1);  // inside the tab's span: the index after it
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 2)), 1);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 3)), 1);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 4)), 1);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 5)), 2);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 9)), 3);  // beyond the line: its length
    EXPECT_EQ(e.LineEndColumn(0), 6);
    EXPECT_EQ(e.LineCharCount(0), 3);
}

TEST(ModelColumns, ATabAfterTextStopsAtTheNextMultipleOfTheTabSize) {
    TextEditor e;
    e.SetText("ab\tc\t\td");
    EXPECT_EQ(e.CharIndexToColumn(0, 3), 4);
    EXPECT_EQ(e.CharIndexToColumn(0, 4), 5);
    EXPECT_EQ(e.CharIndexToColumn(0, 5), 8);
    EXPECT_EQ(e.CharIndexToColumn(0, 6), 12);
    e.SetTabSize(3);
    EXPECT_EQ(e.CharIndexToColumn(0, 3), 3);
    EXPECT_EQ(e.LineEndColumn(0), 10);
}

TEST(ModelColumns, TabSizeZeroActsAsOneColumnPerStop) {
    TextEditor e;
    e.SetText("\t\tx");
    e.SetTabSize(0);
    EXPECT_EQ(e.CharIndexToColumn(0, 1), 1);
    EXPECT_EQ(e.CharIndexToColumn(0, 2), 2);
    EXPECT_EQ(e.LineEndColumn(0), 3);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 2)), 2);
    EXPECT_EQ(e.TabStop(5), 6);
}

TEST(ModelColumns, ATwoByteCharacterTakesOneColumnAndTwoGlyphs) {
    TextEditor e;
    e.SetText("\xC3\xA9x");
    EXPECT_EQ(e.lines[0].size(), 3u);
    EXPECT_EQ(e.CharIndexToColumn(0, 2), 1);
    EXPECT_EQ(e.CharIndexToColumn(0, 3), 2);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 1)), 2);
    EXPECT_EQ(e.LineCharCount(0), 2);
    EXPECT_EQ(e.LineEndColumn(0), 2);
}

TEST(ModelColumns, ALeadByteCutShortByTheLineEndIsACharacterOfItsOwn) {
    TextEditor e;
    e.SetText("a\xE2\x82");  // a three-byte lead with only one continuation byte
    EXPECT_EQ(e.LineCharCount(0), 3);
    EXPECT_EQ(e.LineEndColumn(0), 3);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 2)), 2);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, 50)), 3);
}

TEST(ModelColumns, MissingLinesGiveMinusOneIndexAndZeroColumns) {
    TextEditor e;
    e.SetText("abc");
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(1, 0)), -1);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(-1, 0)), -1);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(INT_MIN, 0)), -1);
    EXPECT_EQ(e.CharIndexToColumn(3, 1), 0);
    EXPECT_EQ(e.CharIndexToColumn(-2, 1), 0);
    EXPECT_EQ(e.LineCharCount(4), 0);
    EXPECT_EQ(e.LineEndColumn(-1), 0);
    EXPECT_EQ(e.ColumnToCharIndex(TextPosition(0, -5)), 0);
}

// ---- Clamping -------------------------------------------------------------

TEST(ModelSanitize, APositionPastTheTextClampsToTheEndOfTheLastLine) {
    TextEditor e;
    e.SetText("one\ntwo\nthree");
    EXPECT_EQ(e.SanitizePosition(TextPosition(5, 0)), TextPosition(2, 5));
    EXPECT_EQ(e.SanitizePosition(TextPosition(INT_MAX, INT_MAX)), TextPosition(2, 5));
    EXPECT_EQ(e.SanitizePosition(TextPosition(1, 99)), TextPosition(1, 3));
    EXPECT_EQ(e.SanitizePosition(TextPosition(1, 2)), TextPosition(1, 2));
}

TEST(ModelSanitize, NegativeLinesAndColumnsClampToTheStart) {
    TextEditor e;
    e.SetText("one\ntwo");
    EXPECT_EQ(e.SanitizePosition(TextPosition(-1, 2)), TextPosition(0, 2));
    EXPECT_EQ(e.SanitizePosition(TextPosition(INT_MIN, INT_MIN)), TextPosition(0, 0));
    EXPECT_EQ(e.SanitizePosition(TextPosition(1, -7)), TextPosition(1, 0));
}

TEST(ModelSanitize, ATextWithoutLinesClampsEverythingToTheOrigin) {
    TextEditor e;
    e.lines.clear();
    EXPECT_EQ(e.SanitizePosition(TextPosition(3, 3)), TextPosition(0, 0));
    EXPECT_EQ(e.GetCursorPosition(), TextPosition(0, 0));
}

// ---- Stepping -------------------------------------------------------------

TEST(ModelStepForward, MovesOneCharacterAndFromTheLastCharacterToTheNextLine) {
    TextEditor e;
    e.SetText("ab\ncd");
    TextPosition p(0, 0);
    e.StepForward(p);
    EXPECT_EQ(p, TextPosition(0, 1));
    e.StepForward(p);  // from the last character of the line
    EXPECT_EQ(p, TextPosition(1, 0));
    p = TextPosition(0, 2);  // from the end of the line
    e.StepForward(p);
    EXPECT_EQ(p, TextPosition(1, 0));
}

TEST(ModelStepForward, StepsOverAWholeTabAndStopsOutsideTheText) {
    TextEditor e;
    e.SetText("\tx\ny");
    TextPosition p(0, 0);
    e.StepForward(p);
    EXPECT_EQ(p, TextPosition(0, 4));
    p = TextPosition(1, 0);
    e.StepForward(p);
    EXPECT_EQ(p, TextPosition(2, 0));  // past the last line
    e.StepForward(p);
    EXPECT_EQ(p, TextPosition(2, 0));  // not a line: nothing
    p = TextPosition(-1, 3);
    e.StepForward(p);
    EXPECT_EQ(p, TextPosition(-1, 3));
}
