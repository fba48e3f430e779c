// The whole-text comment scan: strings, block and single-line comments,
// preprocessor lines and backslash continuation, as flags per glyph
// ('1' set, '.' clear).
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

using namespace tetest;
using Definition = TextEditor::SyntaxDefinition;

namespace {

struct Scanned {
    TextEditor editor;
    Scanned(const std::string& text, const Definition& language = Definition::CPlusPlus()) {
        Load(editor, language, text);
    }
    std::string Comment(int line) const { return Flags(editor, line, Flag::Comment); }
    std::string Block(int line) const { return Flags(editor, line, Flag::MultiLineComment); }
    std::string Preproc(int line) const { return Flags(editor, line, Flag::Preprocessor); }
};

}  // namespace

TEST(ColorizeComments, ABlockCommentRunsFromItsOpenerThroughItsCloserAcrossLines) {
    Scanned s("a\nb\nc\nx /* y\nzz\n\nw\nq */ r\ns");
    EXPECT_EQ(s.Block(2), ".");
    EXPECT_EQ(s.Block(3), "..1111");
    EXPECT_EQ(s.Block(4), "11");
    EXPECT_EQ(s.Block(6), "1");
    EXPECT_EQ(s.Block(7), "1111..");
    EXPECT_EQ(s.Block(8), ".");
    EXPECT_EQ(s.Comment(7), "......");
}

TEST(ColorizeComments, TheCloserMayShareItsStarWithTheOpener) {
    Scanned s("/*/ x\ny");
    EXPECT_EQ(s.Block(0), "111..");
    EXPECT_EQ(s.Block(1), ".");
}

TEST(ColorizeComments, ASingleLineCommentEndsWithItsLineUnlessTheLineEndsInABackslash) {
    Scanned s("a // b\nc\nd // e \\\nf g\nh");
    EXPECT_EQ(s.Comment(0), "..1111");
    EXPECT_EQ(s.Comment(1), ".");
    EXPECT_EQ(s.Comment(2), "..111111");
    EXPECT_EQ(s.Comment(3), "111");
    EXPECT_EQ(s.Comment(4), ".");
}

TEST(ColorizeComments, APreprocessorLineStartsAtItsCharacterAfterBlanksAndContinuesAfterABackslash) {
    Scanned s("  #define A \\\n  B\nx #y\nint z;");
    EXPECT_EQ(s.Preproc(0), "..11111111111");
    EXPECT_EQ(s.Preproc(1), "111");
    EXPECT_EQ(s.Preproc(2), "....");
    EXPECT_EQ(s.Preproc(3), "......");
}

TEST(ColorizeComments, EveryDefinitionOpensPreprocessorLinesWithTheHashSign) {
    for (const Definition* d : {&Definition::Lua(), &Definition::SQL(), &Definition::HLSL()}) {
        Scanned s("  #x\na#", *d);
        EXPECT_EQ(s.Preproc(0), "..11") << d->name;
        EXPECT_EQ(s.Preproc(1), "..") << d->name;
    }
}

TEST(ColorizeComments, AnUnclosedStringHidesCommentOpenersUntilTheNextQuote) {
    Scanned s("a \"b // c\n/* d\ne \" f /* g\nh");
    EXPECT_EQ(s.Comment(0), ".........");
    EXPECT_EQ(s.Block(0), ".........");
    EXPECT_EQ(s.Block(1), "....");
    EXPECT_EQ(s.Block(2), "......1111");  // the quote closed the string: /* opens
    EXPECT_EQ(s.Block(3), "1");
}

TEST(ColorizeComments, EscapedAndDoubledQuotesStayInsideTheString) {
    EXPECT_EQ(Scanned("\"a\\\" // b").Comment(0), ".........");
    EXPECT_EQ(Scanned("\"a\"\"b // c").Comment(0), "..........");
    EXPECT_EQ(Scanned("\"a\"\"b\" // c").Comment(0), ".......1111");
}

TEST(ColorizeComments, StringStateCarriesIntoTheNextLine) {
    Scanned s("\"a // b\nc\" // d");
    EXPECT_EQ(s.Comment(0), ".......");
    EXPECT_EQ(s.Comment(1), "...1111");
}

TEST(ColorizeComments, CommentOpenersInsideAClosedStringAreIgnored) {
    Scanned s("s = \"/* // \"; // c");
    EXPECT_EQ(s.Block(0), std::string(18, '.'));
    EXPECT_EQ(s.Comment(0), std::string(14, '.') + "1111");
}

TEST(ColorizeComments, ADoubleQuoteOpensAStringEvenInsideABlockComment) {
    Scanned s("/* \" */ x\ny\n\" */ z");
    EXPECT_EQ(s.Block(0), "111111111");
    EXPECT_EQ(s.Block(1), "1");              // the */ was inside the string
    EXPECT_EQ(s.Block(2), "1111..");         // closed after the string ended
}

TEST(ColorizeComments, ALineCommentInsideABlockCommentFlagsTheRestOfItsLine) {
    Scanned s("/* a // b\nc */ d");
    EXPECT_EQ(s.Block(0), "111111111");
    EXPECT_EQ(s.Comment(0), ".....1111");
    EXPECT_EQ(s.Block(1), "1111..");
    EXPECT_EQ(s.Comment(1), "......");
}

TEST(ColorizeComments, LuaRecognisesBothItsCommentForms) {
    const Definition& lua = Definition::Lua();
    Scanned line("x -- y\nz", lua);
    EXPECT_EQ(line.Comment(0), "..1111");
    EXPECT_EQ(line.Comment(1), ".");
    Scanned block("a --[[ b\nc ]] d", lua);
    EXPECT_EQ(block.Block(0), "..111111");
    EXPECT_EQ(block.Block(1), "1111..");
    EXPECT_EQ(block.Comment(1), "......");
}

TEST(ColorizeComments, AllBytesOfAMultiByteCharacterShareItsFlags) {
    Scanned s("// \xC3\xA9\n\"\xE2\x82\xAC\" \xC3\xA9");
    EXPECT_EQ(s.Comment(0), "11111");
    EXPECT_EQ(s.Comment(1), "........");
}

TEST(ColorizeComments, FlagsDependOnTheTextAloneNotOnEarlierScans) {
    TextEditor e;
    Load(e, Definition::CPlusPlus(), "//x\n");
    ASSERT_EQ(Flags(e, 0, Flag::Comment), "111");
    TextPosition start(0, 0);
    e.InsertTextAt(start, "\"");  // the comment is now inside an unclosed string
    e.Colorize(0, 1);
    ColorizeNow(e);
    EXPECT_EQ(Flags(e, 0, Flag::Comment), "....");
}

TEST(ColorizeComments, TheScanWritesOnlyFlagsAndTheTokenPassOnlyColours) {
    TextEditor e;
    Load(e, Definition::CPlusPlus(), "int a; // b");
    const std::string runs = Runs(e, 0);
    e.ScanComments();
    EXPECT_EQ(Runs(e, 0), runs);
    const std::string flags = Flags(e, 0, Flag::Comment);
    e.ColorizeRange(0, 1);
    EXPECT_EQ(Flags(e, 0, Flag::Comment), flags);
}
