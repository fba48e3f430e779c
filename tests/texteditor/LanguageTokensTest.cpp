// What each built-in definition makes of short texts: the colour runs of one
// coloured line ("Role[text]", blanks between tokens stay Default).
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

using namespace tetest;
using Definition = TextEditor::SyntaxDefinition;

namespace {

std::string Colour(const Definition& language, const std::string& line) {
    TextEditor editor;
    Load(editor, language, line);
    return Runs(editor, 0);
}

}  // namespace

TEST(LanguageTokensCpp, TheTokenizerColoursNumbersStringsAndWords) {
    const Definition& d = Definition::CPlusPlus();
    EXPECT_EQ(Colour(d, "0x1F"), "Number[0x1F]");
    EXPECT_EQ(Colour(d, "1.5f"), "Number[1.5f]");
    EXPECT_EQ(Colour(d, "1.5F"), "Number[1.5] Identifier[F]");
    EXPECT_EQ(Colour(d, "1e"), "Default[1] Identifier[e]");
    EXPECT_EQ(Colour(d, ".5"), "Punctuation[.] Number[5]");
    EXPECT_EQ(Colour(d, "\"abc"), "Default[\"] Identifier[abc]");
    EXPECT_EQ(Colour(d, "'a' 'ab'"), "CharLiteral['a'] Default[ '] Identifier[ab] Default[']");
    EXPECT_EQ(Colour(d, "std::vector<int> v;"),
              "KnownIdentifier[std] Punctuation[::] KnownIdentifier[vector] Punctuation[<] Keyword[int] "
              "Punctuation[>] Default[ ] Identifier[v] Punctuation[;]");
    EXPECT_EQ(Colour(d, "x = \"a\\\"b\";"),
              "Identifier[x] Default[ ] Punctuation[=] Default[ ] String[\"a\\\"b\"] Punctuation[;]");
}

TEST(LanguageTokensC, CUsesTheCWordLists) {
    const Definition& d = Definition::C();
    EXPECT_EQ(Colour(d, "_Bool b = nullptr;"),
              "Keyword[_Bool] Default[ ] Identifier[b] Default[ ] Punctuation[=] Default[ ] Identifier[nullptr] "
              "Punctuation[;]");
    EXPECT_EQ(Colour(d, "printf(x)"), "Identifier[printf] Punctuation[(] Identifier[x] Punctuation[)]");
    EXPECT_EQ(Colour(d, "puts(x)"), "KnownIdentifier[puts] Punctuation[(] Identifier[x] Punctuation[)]");
}

TEST(LanguageTokensHlsl, TheFirstMatchingPatternWins) {
    const Definition& d = Definition::HLSL();
    EXPECT_EQ(Colour(d, "0x1F"), "Number[0] Identifier[x1F]");
    EXPECT_EQ(Colour(d, ".5"), "Number[.5]");
    EXPECT_EQ(Colour(d, "1.5f 1.5F"), "Number[1.5f] Default[ ] Number[1.5F]");
    EXPECT_EQ(Colour(d, "1e"), "Number[1] Identifier[e]");
    EXPECT_EQ(Colour(d, "a-1"), "Identifier[a] Number[-1]");
    EXPECT_EQ(Colour(d, "a - 1"), "Identifier[a] Default[ ] Punctuation[-] Default[ ] Number[1]");
    EXPECT_EQ(Colour(d, "\"abc"), "Default[\"] Identifier[abc]");
    EXPECT_EQ(Colour(d, "L\"a\\\"b\""), "String[L\"a\\\"b\"]");
    EXPECT_EQ(Colour(d, "'a' '\\n' 'ab'"),
              "CharLiteral['a'] Default[ ] CharLiteral['\\n'] Default[ '] Identifier[ab] Default[']");
    EXPECT_EQ(Colour(d, "float4 c = saturate(x);"),
              "Keyword[float4] Default[ ] Identifier[c] Default[ ] Punctuation[=] Default[ ] "
              "KnownIdentifier[saturate] Punctuation[(] Identifier[x] Punctuation[);]");
}

TEST(LanguageTokensHlsl, OnAPreprocessorLineWordsAreNotLookedUpAsKeywords) {
    const Definition& d = Definition::HLSL();
    EXPECT_EQ(Colour(d, "#define X float"), "Preprocessor[#define] Default[ ] Identifier[X] Default[ ] Identifier[float]");
    EXPECT_EQ(Colour(d, "  # if A"), "Preprocessor[  # if] Default[ ] Identifier[A]");
    EXPECT_EQ(Colour(d, "float"), "Keyword[float]");
}

TEST(LanguageTokensHlsl, PreprocessorIdentifiersAreFoundOnPreprocessorLinesAndElsewhereAfterTheOtherLists) {
    Definition d = Definition::HLSL();
    d.preprocessorIdentifiers["MYMACRO"] = TextEditor::IdentifierInfo();
    d.preprocessorIdentifiers["float"] = TextEditor::IdentifierInfo();
    EXPECT_EQ(Colour(d, "#if MYMACRO"), "Preprocessor[#if] Default[ ] PreprocessorIdentifier[MYMACRO]");
    EXPECT_EQ(Colour(d, "x = MYMACRO;"),
              "Identifier[x] Default[ ] Punctuation[=] Default[ ] PreprocessorIdentifier[MYMACRO] Punctuation[;]");
    EXPECT_EQ(Colour(d, "float"), "Keyword[float]");  // keywords are looked up first
}

TEST(LanguageTokensGlsl, GlslUsesSetAWithTheCWordLists) {
    const Definition& d = Definition::GLSL();
    EXPECT_EQ(Colour(d, "vec3 v = sqrt(x);"),
              "Identifier[vec3] Default[ ] Identifier[v] Default[ ] Punctuation[=] Default[ ] KnownIdentifier[sqrt] "
              "Punctuation[(] Identifier[x] Punctuation[);]");
    EXPECT_EQ(Colour(d, "const float k = 0x10;"),
              "Keyword[const] Default[ ] Keyword[float] Default[ ] Identifier[k] Default[ ] Punctuation[=] Default[ ] "
              "Number[0] Identifier[x10] Punctuation[;]");
}

TEST(LanguageTokensSql, WordsAreUpperCasedBeforeLookup) {
    const Definition& d = Definition::SQL();
    EXPECT_EQ(Colour(d, "select"), "Keyword[select]");
    EXPECT_EQ(Colour(d, "Select"), "Keyword[Select]");
    EXPECT_EQ(Colour(d, "USER user"), "Keyword[USER] Default[ ] Keyword[user]");  // in both lists: keyword
    EXPECT_EQ(Colour(d, "count(*)"), "KnownIdentifier[count] Punctuation[(*)]");
    EXPECT_EQ(Colour(d, "'it''s'"), "String['it''s']");
    EXPECT_EQ(Colour(d, "x = 'ab' -- c"),
              "Identifier[x] Default[ ] Punctuation[=] Default[ ] String['ab'] Default[ ] Punctuation[--] Default[ ] "
              "Identifier[c]");
}

TEST(LanguageTokensAngelScript, SingleQuotedCharactersAreStrings) {
    const Definition& d = Definition::AngelScript();
    EXPECT_EQ(Colour(d, "'a' 'ab'"), "String['a'] Default[ '] Identifier[ab] Default[']");
    EXPECT_EQ(Colour(d, "int8 x = cos(1);"),
              "Keyword[int8] Default[ ] Identifier[x] Default[ ] Punctuation[=] Default[ ] KnownIdentifier[cos] "
              "Punctuation[(] Number[1] Punctuation[);]");
}

TEST(LanguageTokensLua, HexadecimalStandsBeforeTheDecimalForms) {
    const Definition& d = Definition::Lua();
    EXPECT_EQ(Colour(d, "local x = 0x1F"),
              "Keyword[local] Default[ ] Identifier[x] Default[ ] Punctuation[=] Default[ ] Number[0x1F]");
    EXPECT_EQ(Colour(d, "print('ab')"), "KnownIdentifier[print] Punctuation[(] String['ab'] Punctuation[)]");
    EXPECT_EQ(Colour(d, "#t"), "Default[#] Identifier[t]");
}
