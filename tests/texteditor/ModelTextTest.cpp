// Replacing, reading, inserting and deleting text; lines keep their markers.
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tetest;

// ---- SetText, SetTextLines, GetText ----------------------------------------

TEST(ModelSetText, CarriageReturnsAreDroppedAndLineFeedsSplitLines) {
    TextEditor e;
    e.SetText(std::string("a\r\nb"));
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(e.GetText(), "a\nb\n");
}

TEST(ModelSetText, EachRoundTripAddsOneLineFeedAtTheEnd) {
    TextEditor e;
    e.SetText("abc\n");
    EXPECT_EQ(e.GetTotalLines(), 2);
    EXPECT_EQ(e.GetText(), "abc\n\n");
    e.SetText(e.GetText());
    EXPECT_EQ(e.GetText(), "abc\n\n\n");
}

TEST(ModelSetText, EveryByteBecomesOneDefaultGlyph) {
    TextEditor e;
    e.SetText(std::string("x\0\xC3\xA9", 4));
    ASSERT_EQ(e.lines[0].size(), 4u);
    EXPECT_EQ(e.lines[0][1].character, 0);
    EXPECT_EQ(e.lines[0][2].character, 0xC3);
    for (const auto& g : e.lines[0]) EXPECT_EQ(g.colorIndex, PaletteIndex::Default);
    EXPECT_EQ(e.GetText(), std::string("x\0\xC3\xA9\n", 5));
}

TEST(ModelSetText, SettingTextMarksChangesEmptiesUndoAndRequestsAFullRecolour) {
    TextEditor e;
    e.undoBuffer.resize(3);
    e.undoIndex = 2;
    e.colorRangeMin = INT_MAX;
    e.colorRangeMax = 0;
    e.checkComments = false;
    e.state.cursorPosition = TextPosition(5, 5);
    e.SetText("a\nb\nc");
    EXPECT_TRUE(e.IsTextChanged());
    EXPECT_TRUE(e.scrollToTop);
    EXPECT_TRUE(e.undoBuffer.empty());
    EXPECT_EQ(e.undoIndex, 0);
    EXPECT_EQ(e.colorRangeMin, 0);
    EXPECT_EQ(e.colorRangeMax, 3);
    EXPECT_TRUE(e.checkComments);
    EXPECT_EQ(e.state.cursorPosition, TextPosition(5, 5));  // left as it was; reads clamp it
    EXPECT_EQ(e.GetCursorPosition(), TextPosition(2, 1));
}

TEST(ModelSetTextLines, AnEmptyVectorLeavesOneEmptyLine) {
    TextEditor e;
    e.SetText("abc");
    e.SetTextLines({});
    EXPECT_EQ(e.GetTotalLines(), 1);
    EXPECT_EQ(e.GetText(), "\n");
}

TEST(ModelSetTextLines, StringsAreTakenByteForByteAndALineFeedInOneStartsAnotherLine) {
    TextEditor e;
    e.undoBuffer.resize(1);
    e.undoIndex = 1;
    e.SetTextLines({"a\nb", "c\r"});
    EXPECT_EQ(e.GetTotalLines(), 3);
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"a", "b", "c\r"}));
    EXPECT_TRUE(e.IsTextChanged());
    EXPECT_TRUE(e.scrollToTop);
    EXPECT_EQ(e.undoIndex, 0);
    EXPECT_TRUE(e.undoBuffer.empty());
}

// ---- GetTextRange -------------------------------------------------------------

TEST(ModelTextRange, ARangeSpanningLinesJoinsThemWithLineFeeds) {
    TextEditor e;
    e.SetText("abc\n\tde\nfg");
    EXPECT_EQ(e.GetTextRange(TextPosition(0, 1), TextPosition(2, 1)), "bc\n\tde\nf");
    EXPECT_EQ(e.GetTextRange(TextPosition(1, 4), TextPosition(1, 5)), "d");  // columns after the tab
    EXPECT_EQ(e.GetTextRange(TextPosition(1, 2), TextPosition(1, 5)), "d");  // inside the tab: after it
    EXPECT_EQ(e.GetTextRange(TextPosition(0, 3), TextPosition(1, 0)), "\n");
    EXPECT_EQ(e.GetTextRange(TextPosition(0, 1), TextPosition(0, 1)), "");
}

TEST(ModelTextRange, ARangeEndingPastTheTextStopsAfterTheLastLine) {
    TextEditor e;
    e.SetText("ab\ncd");
    EXPECT_EQ(e.GetTextRange(TextPosition(1, 1), TextPosition(9, 0)), "d\n");
    EXPECT_EQ(e.GetTextRange(TextPosition(5, 0), TextPosition(9, 0)), "");
    EXPECT_EQ(e.GetTextRange(TextPosition(-3, 0), TextPosition(1, 0)), "");
}

// ---- InsertTextAt -----------------------------------------------------------------

TEST(ModelInsertTextAt, ALineFeedSplitsTheLineAndThePositionFollowsTheText) {
    TextEditor e;
    e.SetText("abcd");
    e.textChanged = false;
    TextPosition where(0, 2);
    EXPECT_EQ(e.InsertTextAt(where, "x\ny"), 1);
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"abx", "ycd"}));
    EXPECT_EQ(where, TextPosition(1, 1));
    EXPECT_TRUE(e.IsTextChanged());
}

TEST(ModelInsertTextAt, CarriageReturnsAreSkippedAndEveryLineFeedCounts) {
    TextEditor e;
    e.SetText("ab");
    TextPosition where(0, 1);
    EXPECT_EQ(e.InsertTextAt(where, "\r\n\r\n"), 2);
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(where, TextPosition(2, 0));
}

TEST(ModelInsertTextAt, MultiByteCharactersMoveTheColumnByOneAndTabsToTheNextStop) {
    TextEditor e;
    e.SetText("z");
    TextPosition where(0, 0);
    e.InsertTextAt(where, "\xC3\xA9\t");
    EXPECT_EQ(where, TextPosition(0, 4));
    EXPECT_EQ(e.lines[0].size(), 4u);
    EXPECT_EQ(e.GetText(), "\xC3\xA9\tz\n");
}

TEST(ModelInsertTextAt, ALeadByteWithoutItsContinuationBytesIsOneColumnAndALineFeedAfterItBreaksTheLine) {
    TextEditor e;
    e.SetText("");
    TextPosition where(0, 0);
    EXPECT_EQ(e.InsertTextAt(where, "a\xE2\x82\n\xF0\nz"), 2);
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"a\xE2\x82", "\xF0", "z"}));
    EXPECT_EQ(where, TextPosition(2, 1));
    where = TextPosition(0, 3);
    e.InsertTextAt(where, "!");
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"a\xE2\x82!", "\xF0", "z"}));
    EXPECT_EQ(where, TextPosition(0, 4));
}

TEST(ModelInsertTextAt, APositionOffTheTextIsClampedFirst) {
    TextEditor e;
    e.SetText("ab\ncd");
    TextPosition where(7, 3);
    e.InsertTextAt(where, "!");
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"ab", "cd!"}));
    where = TextPosition(-2, -2);
    e.InsertTextAt(where, "<");
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"<ab", "cd!"}));
    EXPECT_EQ(e.InsertTextAt(where, nullptr), 0);
}

// ---- DeleteRange --------------------------------------------------------------------

TEST(ModelDeleteRange, AcrossThreeLinesJoinsTheFirstAndLastAndRemovesTheMiddle) {
    TextEditor e;
    e.SetText("abc\ndef\nghi\njkl");
    e.textChanged = false;
    e.DeleteRange(TextPosition(0, 1), TextPosition(2, 2));
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"ai", "jkl"}));
    EXPECT_TRUE(e.IsTextChanged());
}

TEST(ModelDeleteRange, WithinOneLineAndToItsEnd) {
    TextEditor e;
    e.SetText("a\tbcd");
    e.DeleteRange(TextPosition(0, 1), TextPosition(0, 5));  // the tab and b
    EXPECT_EQ(e.GetText(), "acd\n");
    e.DeleteRange(TextPosition(0, 1), TextPosition(0, 99));
    EXPECT_EQ(e.GetText(), "a\n");
}

TEST(ModelDeleteRange, AnEmptyRangeChangesNothing) {
    TextEditor e;
    e.SetText("abc");
    e.textChanged = false;
    e.DeleteRange(TextPosition(0, 1), TextPosition(0, 1));
    EXPECT_EQ(e.GetText(), "abc\n");
    EXPECT_FALSE(e.IsTextChanged());
}

TEST(ModelDeleteRange, ReversedOrOutOfRangeEndsAreClampedAndOrdered) {
    TextEditor e;
    e.SetText("abc\ndef");
    e.DeleteRange(TextPosition(9, 9), TextPosition(0, 2));
    EXPECT_EQ(e.GetText(), "ab\n");
    e.DeleteRange(TextPosition(-4, 0), TextPosition(0, 1));
    EXPECT_EQ(e.GetText(), "b\n");
}

// ---- Line operations and markers (keys count lines from 1) ------------------------

TEST(ModelLines, InsertingALineMovesMarkersAtOrAfterItDown) {
    TextEditor e;
    e.SetText("a\nb\nc\nd");
    e.errorMarkers = {{1, "first"}, {3, "third"}};
    e.breakpoints = {2, 4};
    e.textChanged = false;
    TextEditor::Line& line = e.InsertLine(2);  // before the third line
    EXPECT_TRUE(line.empty());
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"a", "b", "", "c", "d"}));
    EXPECT_EQ(e.errorMarkers, (std::map<int, std::string>{{1, "first"}, {4, "third"}}));
    EXPECT_EQ(e.breakpoints, (std::unordered_set<int>{2, 5}));
    EXPECT_FALSE(e.IsTextChanged());
}

TEST(ModelLines, InsertingAtTheEndAddsALastLine) {
    TextEditor e;
    e.SetText("a");
    e.InsertLine(1);
    EXPECT_EQ(e.GetTotalLines(), 2);
    e.InsertLine(99);  // clamped to the end
    EXPECT_EQ(e.GetTotalLines(), 3);
}

TEST(ModelLines, RemovingLinesDropsTheirMarkersAndMovesLaterOnesUp) {
    TextEditor e;
    e.SetText("a\nb\nc\nd\ne");
    e.errorMarkers = {{1, "a"}, {2, "b"}, {3, "c"}, {5, "e"}};
    e.breakpoints = {1, 3, 4, 5};
    e.textChanged = false;
    e.RemoveLines(1, 3);  // lines b and c
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"a", "d", "e"}));
    EXPECT_EQ(e.errorMarkers, (std::map<int, std::string>{{1, "a"}, {3, "e"}}));
    EXPECT_EQ(e.breakpoints, (std::unordered_set<int>{1, 2, 3}));
    EXPECT_TRUE(e.IsTextChanged());

    e.RemoveLine(0);
    EXPECT_EQ(e.errorMarkers, (std::map<int, std::string>{{2, "e"}}));
    EXPECT_EQ(e.breakpoints, (std::unordered_set<int>{1, 2}));
}

TEST(ModelLines, RemovingOutOfRangeLinesDoesNothing) {
    TextEditor e;
    e.SetText("a\nb");
    e.textChanged = false;
    e.RemoveLine(5);
    e.RemoveLine(-1);
    e.RemoveLines(2, 1);
    EXPECT_EQ(e.GetTotalLines(), 2);
    EXPECT_FALSE(e.IsTextChanged());
}

TEST(ModelLines, DeletingAcrossLinesKeepsMarkersWithTheirLines) {
    TextEditor e;
    e.SetText("a\nb\nc\nd");
    e.errorMarkers = {{2, "b"}, {4, "d"}};
    e.DeleteRange(TextPosition(0, 1), TextPosition(2, 0));  // joins a with c
    EXPECT_EQ(e.GetTextLines(), (std::vector<std::string>{"ac", "d"}));
    EXPECT_EQ(e.errorMarkers, (std::map<int, std::string>{{2, "d"}}));
}

TEST(ModelLines, InsertTextAtMovesMarkersBelowTheInsertedLines) {
    TextEditor e;
    e.SetText("a\nb");
    e.breakpoints = {2};
    TextPosition where(0, 1);
    e.InsertTextAt(where, "\n\n");
    EXPECT_EQ(e.breakpoints, (std::unordered_set<int>{4}));
}

// ---- Glyph colour -----------------------------------------------------------------

TEST(ModelGlyphColor, CommentWinsOverMultiLineCommentWhichWinsOverTheIndex) {
    TextEditor e;
    e.palette = TextEditor::GetDarkPalette();
    TextEditor::Glyph g('x', PaletteIndex::Keyword);
    EXPECT_EQ(e.GetGlyphColor(g), 0xffd69c56u);
    g.multiLineComment = true;
    EXPECT_EQ(e.GetGlyphColor(g), 0xff406020u);
    g.comment = true;
    EXPECT_EQ(e.GetGlyphColor(g), 0xff206020u);
}

TEST(ModelGlyphColor, APreprocessorGlyphIsTheChannelMeanWithThePreprocessorColour) {
    TextEditor e;
    e.palette = TextEditor::GetDarkPalette();
    TextEditor::Glyph g('x', PaletteIndex::Keyword);  // ffd69c56 with ff408080
    g.preprocessor = true;
    // ff: (ff+ff)/2 = ff; d6,40 -> 8b; 9c,80 -> 8e; 56,80 -> 6b
    EXPECT_EQ(e.GetGlyphColor(g), 0xff8b8e6bu);
    e.palette[static_cast<size_t>(PaletteIndex::Keyword)] = 0x01030507;
    e.palette[static_cast<size_t>(PaletteIndex::Preprocessor)] = 0x00000000;
    EXPECT_EQ(e.GetGlyphColor(g), 0x00010203u);  // fractions dropped per channel
}

TEST(ModelGlyphColor, WithTheColorizerDisabledEveryGlyphIsDefault) {
    TextEditor e;
    e.palette = TextEditor::GetDarkPalette();
    e.SetColorizerEnabled(false);
    TextEditor::Glyph g('x', PaletteIndex::Number);
    g.comment = true;
    g.preprocessor = true;
    EXPECT_EQ(e.GetGlyphColor(g), 0xff7f7f7fu);
}
