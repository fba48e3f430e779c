// Words: runs of glyphs sharing one colour index, bounded by blanks.
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

using namespace tetest;

namespace {

// An editor with text coloured by the C++ tokenizer.
struct Coloured {
    TextEditor editor;
    explicit Coloured(const std::string& text) { Load(editor, TextEditor::SyntaxDefinition::CPlusPlus(), text); }
};

}  // namespace

TEST(ModelWords, WordStartInsideATokenIsTheTokensFirstColumn) {
    Coloured c("int value;");
    EXPECT_EQ(c.editor.FindWordStart(TextPosition(0, 6)), TextPosition(0, 4));
    EXPECT_EQ(c.editor.FindWordStart(TextPosition(0, 4)), TextPosition(0, 4));
    EXPECT_EQ(c.editor.FindWordStart(TextPosition(0, 2)), TextPosition(0, 0));
}

TEST(ModelWords, WordStartOnBlanksMovesBackOntoThePrecedingWord) {
    Coloured c("int   value");
    EXPECT_EQ(c.editor.FindWordStart(TextPosition(0, 4)), TextPosition(0, 0));
}

TEST(ModelWords, AColourChangeEndsAWordEvenWithoutBlanks) {
    Coloured c("a+bc");
    EXPECT_EQ(c.editor.FindWordStart(TextPosition(0, 3)), TextPosition(0, 2));
    EXPECT_EQ(c.editor.FindWordStart(TextPosition(0, 1)), TextPosition(0, 1));
    EXPECT_EQ(c.editor.FindWordEnd(TextPosition(0, 0)), TextPosition(0, 1));
    EXPECT_EQ(c.editor.FindWordEnd(TextPosition(0, 2)), TextPosition(0, 4));
}

TEST(ModelWords, WordEndOfUncolouredTextTakesTheBlanksAfterTheWord) {
    TextEditor e;
    e.SetText("foo  bar");  // not coloured yet: every glyph is Default
    EXPECT_EQ(e.FindWordEnd(TextPosition(0, 0)), TextPosition(0, 5));
    EXPECT_EQ(e.FindWordEnd(TextPosition(0, 3)), TextPosition(0, 5));  // from a blank: up to the next non-blank
}

TEST(ModelWords, WordFunctionsLeavePositionsOffTheTextAlone) {
    Coloured c("abc");
    for (const TextPosition p : {TextPosition(0, 3), TextPosition(0, 50), TextPosition(1, 0), TextPosition(-1, 2)}) {
        EXPECT_EQ(c.editor.FindWordStart(p), p);
        EXPECT_EQ(c.editor.FindWordEnd(p), p);
        EXPECT_EQ(c.editor.GetWordAt(p), "");
    }
}

TEST(ModelWords, NextWordIsTheStartOfTheNextAlphanumericRunAcrossLines) {
    Coloured c("foo bar\n  baz.");
    EXPECT_EQ(c.editor.FindNextWord(TextPosition(0, 0)), TextPosition(0, 4));
    EXPECT_EQ(c.editor.FindNextWord(TextPosition(0, 3)), TextPosition(0, 4));
    EXPECT_EQ(c.editor.FindNextWord(TextPosition(0, 5)), TextPosition(1, 2));
}

TEST(ModelWords, NextWordAtTheEndOfTheTextIsTheEndOfTheLastLine) {
    Coloured c("foo\nbar.");
    EXPECT_EQ(c.editor.FindNextWord(TextPosition(1, 0)), TextPosition(1, 4));
    EXPECT_EQ(c.editor.FindNextWord(TextPosition(1, 4)), TextPosition(1, 4));
    EXPECT_EQ(c.editor.FindNextWord(TextPosition(9, 0)), TextPosition(9, 0));  // not a line
}

TEST(ModelWords, BoundariesFollowColourRunsOrBlanksWhenTheColorizerIsOff) {
    Coloured c("ab+cd ef");
    TextEditor& e = c.editor;
    EXPECT_TRUE(e.IsWordBoundary(TextPosition(0, 0)));
    EXPECT_FALSE(e.IsWordBoundary(TextPosition(0, 1)));
    EXPECT_TRUE(e.IsWordBoundary(TextPosition(0, 2)));   // Identifier | Punctuation
    EXPECT_TRUE(e.IsWordBoundary(TextPosition(0, 3)));   // Punctuation | Identifier
    EXPECT_TRUE(e.IsWordBoundary(TextPosition(0, 8)));   // line end
    EXPECT_TRUE(e.IsWordBoundary(TextPosition(1, 1)));   // not a line
    EXPECT_TRUE(e.IsWordBoundary(TextPosition(-1, 1)));  // not a line
    e.SetColorizerEnabled(false);
    EXPECT_FALSE(e.IsWordBoundary(TextPosition(0, 2)));  // a, b, + and c are all non-blank
    EXPECT_TRUE(e.IsWordBoundary(TextPosition(0, 5)));   // d | blank
    EXPECT_TRUE(e.IsWordBoundary(TextPosition(0, 6)));   // blank | e
    EXPECT_FALSE(e.IsWordBoundary(TextPosition(0, 7)));
}

TEST(ModelWords, WordAtIsTheTokenUnderThePosition) {
    Coloured c("float value = 2;");
    EXPECT_EQ(c.editor.GetWordAt(TextPosition(0, 7)), "value");
    EXPECT_EQ(c.editor.GetWordAt(TextPosition(0, 0)), "float");
    EXPECT_EQ(c.editor.GetWordAt(TextPosition(0, 15)), ";");
}

TEST(ModelWords, AMultiByteCharacterIsNeverSplitByAWord) {
    TextEditor e;
    e.SetText("x\xC3\xA9y");  // uncoloured: one Default run
    EXPECT_EQ(e.FindWordStart(TextPosition(0, 2)), TextPosition(0, 0));
    EXPECT_EQ(e.FindWordEnd(TextPosition(0, 1)), TextPosition(0, 3));
    EXPECT_EQ(e.GetWordAt(TextPosition(0, 1)), "x\xC3\xA9y");
}
