// The seven built-in language definitions and installing one in an editor.
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <regex>

using namespace tetest;
using Definition = TextEditor::SyntaxDefinition;

namespace {

struct Expected {
    const Definition& (*get)();
    const char* name;
    size_t keywords;
    size_t identifiers;
    const char* commentStart;
    const char* commentEnd;
    const char* singleLineComment;
    bool caseSensitive;
    bool autoIndentation;
    bool tokenizer;
    size_t patterns;
};

const Expected kExpected[] = {
    {&Definition::CPlusPlus, "C++", 92, 61, "/*", "*/", "//", true, true, true, 0},
    {&Definition::HLSL, "HLSL", 184, 135, "/*", "*/", "//", true, true, false, 9},
    {&Definition::GLSL, "GLSL", 44, 49, "/*", "*/", "//", true, true, false, 9},
    {&Definition::C, "C", 44, 49, "/*", "*/", "//", true, true, true, 0},
    {&Definition::SQL, "SQL", 174, 136, "/*", "*/", "//", false, false, false, 8},
    {&Definition::AngelScript, "AngelScript", 59, 31, "/*", "*/", "//", true, true, false, 8},
    {&Definition::Lua, "Lua", 21, 162, "--[[", "]]", "--", true, false, false, 7},
};

// The pattern list as "role:pattern" strings.
std::vector<std::string> Patterns(const Definition& d) {
    std::vector<std::string> out;
    for (const auto& p : d.tokenPatterns) out.push_back(std::string(RoleName(p.second)) + ":" + p.first);
    return out;
}

const std::string P1 = R"([ \t]*#[ \t]*[a-zA-Z_]+)";
const std::string P2 = R"(L?\"(\\.|[^\"])*\")";
const std::string P3 = R"(\'\\?[^\']\')";
const std::string P4 = R"(\'[^\']*\')";
const std::string P5 = R"([+-]?([0-9]+([.][0-9]*)?|[.][0-9]+)([eE][+-]?[0-9]+)?[fF]?)";
const std::string P6 = R"([+-]?[0-9]+[Uu]?[lL]?[lL]?)";
const std::string P7 = R"(0[0-7]+[Uu]?[lL]?[lL]?)";
const std::string P8 = R"(0[xX][0-9a-fA-F]+[uU]?[lL]?[lL]?)";
const std::string P9 = R"([a-zA-Z_][a-zA-Z0-9_]*)";
const std::string P10 = R"([\[\]\{\}\!\%\^\&\*\(\)\-\+\=\~\|\<\>\?\/\;\,\.])";

}  // namespace

TEST(LanguageDefinitions, EachBuiltInDefinitionHasItsListsDelimitersAndRules) {
    for (const Expected& x : kExpected) {
        SCOPED_TRACE(x.name);
        const Definition& d = x.get();
        EXPECT_EQ(&d, &x.get());  // one process-wide object
        EXPECT_EQ(d.name, x.name);
        EXPECT_EQ(d.keywords.size(), x.keywords);
        EXPECT_EQ(d.identifiers.size(), x.identifiers);
        EXPECT_TRUE(d.preprocessorIdentifiers.empty());
        EXPECT_EQ(d.commentStart, x.commentStart);
        EXPECT_EQ(d.commentEnd, x.commentEnd);
        EXPECT_EQ(d.singleLineComment, x.singleLineComment);
        EXPECT_EQ(d.preprocessorChar, '#');
        EXPECT_EQ(d.caseSensitive, x.caseSensitive);
        EXPECT_EQ(d.autoIndentation, x.autoIndentation);
        EXPECT_EQ(d.tokenize == &TokenizeCStyle, x.tokenizer);
        EXPECT_EQ(d.tokenize == nullptr, !x.tokenizer);
        EXPECT_EQ(d.tokenPatterns.size(), x.patterns);
        for (const auto& entry : d.identifiers) {
            EXPECT_EQ(entry.second.declaration, "Built-in function") << entry.first;
            EXPECT_EQ(entry.second.location, TextPosition(0, 0));
        }
    }
}

TEST(LanguageDefinitions, WordListsHoldTheirWordsAsWritten) {
    EXPECT_TRUE(Definition::CPlusPlus().keywords.count("atomic_noexcept"));
    EXPECT_TRUE(Definition::CPlusPlus().identifiers.count("unordered_set"));
    EXPECT_TRUE(Definition::HLSL().keywords.count("Hullshader"));
    EXPECT_TRUE(Definition::HLSL().keywords.count("float4x4"));
    EXPECT_TRUE(Definition::HLSL().identifiers.count("D3DCOLORtoUBYTE4"));
    EXPECT_TRUE(Definition::GLSL().keywords.count("_Thread_local"));
    EXPECT_FALSE(Definition::GLSL().keywords.count("vec3"));
    EXPECT_TRUE(Definition::SQL().keywords.count("USER"));
    EXPECT_TRUE(Definition::SQL().identifiers.count("USER"));
    EXPECT_FALSE(Definition::SQL().keywords.count("select"));  // upper-case lists
    EXPECT_TRUE(Definition::SQL().identifiers.count("VSIZE"));
    EXPECT_TRUE(Definition::AngelScript().identifiers.count("opDivAssign"));
    EXPECT_TRUE(Definition::Lua().keywords.count("elseif"));
    EXPECT_TRUE(Definition::Lua().identifiers.count("package"));
    EXPECT_TRUE(Definition::Lua().identifiers.count("__gc"));
}

TEST(LanguageDefinitions, PatternSetsAreInTheirOrderWithTheirRoles) {
    EXPECT_EQ(Patterns(Definition::HLSL()),
              (std::vector<std::string>{"Preprocessor:" + P1, "String:" + P2, "CharLiteral:" + P3, "Number:" + P5,
                                        "Number:" + P6, "Number:" + P7, "Number:" + P8, "Identifier:" + P9,
                                        "Punctuation:" + P10}));
    EXPECT_EQ(Patterns(Definition::GLSL()), Patterns(Definition::HLSL()));
    EXPECT_EQ(Patterns(Definition::SQL()),
              (std::vector<std::string>{"String:" + P2, "String:" + P4, "Number:" + P5, "Number:" + P6, "Number:" + P7,
                                        "Number:" + P8, "Identifier:" + P9, "Punctuation:" + P10}));
    EXPECT_EQ(Patterns(Definition::AngelScript()),
              (std::vector<std::string>{"String:" + P2, "String:" + P3, "Number:" + P5, "Number:" + P6, "Number:" + P7,
                                        "Number:" + P8, "Identifier:" + P9, "Punctuation:" + P10}));
    EXPECT_EQ(Patterns(Definition::Lua()),
              (std::vector<std::string>{"String:" + P2, "String:" + P4, "Number:" + P8, "Number:" + P5, "Number:" + P6,
                                        "Identifier:" + P9, "Punctuation:" + P10}));
}

TEST(LanguageDefinitions, EveryBuiltInPatternCompiles) {
    for (const std::string& p : {P1, P2, P3, P4, P5, P6, P7, P8, P9, P10})
        EXPECT_NO_THROW(std::regex(p, std::regex_constants::ECMAScript | std::regex_constants::optimize)) << p;
}

// ---- SetSyntaxDefinition ----------------------------------------------------------

TEST(LanguageSetSyntaxDefinition, TheEditorKeepsItsOwnCopy) {
    Definition extended = Definition::CPlusPlus();
    extended.keywords.insert("vec3");
    TextEditor e;
    e.SetSyntaxDefinition(extended);
    extended.keywords.insert("mat4");
    EXPECT_TRUE(e.language.keywords.count("vec3"));
    EXPECT_FALSE(e.language.keywords.count("mat4"));
    EXPECT_FALSE(Definition::CPlusPlus().keywords.count("vec3"));
    EXPECT_EQ(e.language.name, "C++");
    EXPECT_TRUE(e.regexList.empty());
}

TEST(LanguageSetSyntaxDefinition, PatternsAreCompiledInOrderWithTheirRoles) {
    TextEditor e;
    e.SetSyntaxDefinition(Definition::Lua());
    ASSERT_EQ(e.regexList.size(), 7u);
    EXPECT_EQ(e.regexList[2].second, PaletteIndex::Number);
    EXPECT_TRUE(std::regex_match("0x1F", e.regexList[2].first));
    EXPECT_EQ(e.regexList[5].second, PaletteIndex::Identifier);
}

TEST(LanguageSetSyntaxDefinition, PatternsAreCaseSensitiveEvenForCaseInsensitiveLanguages) {
    Definition d;
    d.caseSensitive = false;
    d.tokenPatterns.emplace_back("abc", PaletteIndex::Number);
    TextEditor e;
    e.SetSyntaxDefinition(d);
    EXPECT_TRUE(std::regex_match("abc", e.regexList[0].first));
    EXPECT_FALSE(std::regex_match("ABC", e.regexList[0].first));
}

TEST(LanguageSetSyntaxDefinition, ItRequestsAWholeRecolourAndLeavesEverythingElse) {
    TextEditor e;
    e.SetText("a\nb\nc\nd");
    e.state.cursorPosition = TextPosition(2, 1);
    e.undoBuffer.resize(2);
    e.undoIndex = 1;
    e.SetPalette(TextEditor::GetLightPalette());
    ColorizeNow(e);
    ASSERT_FALSE(e.checkComments);
    e.SetSyntaxDefinition(Definition::SQL());
    EXPECT_EQ(e.colorRangeMin, 0);
    EXPECT_EQ(e.colorRangeMax, 4);
    EXPECT_TRUE(e.checkComments);
    EXPECT_EQ(e.GetText(), "a\nb\nc\nd\n");
    EXPECT_EQ(e.state.cursorPosition, TextPosition(2, 1));
    EXPECT_EQ(e.undoBuffer.size(), 2u);
    EXPECT_EQ(e.undoIndex, 1);
    EXPECT_EQ(e.paletteBase, TextEditor::GetLightPalette());
}

TEST(LanguageSetSyntaxDefinition, ARejectedPatternThrowsAndLeavesTheEditorAsItWas) {
    Definition bad = Definition::GLSL();
    bad.name = "bad";
    bad.tokenPatterns.emplace_back("([unclosed", PaletteIndex::Number);
    TextEditor e;
    EXPECT_THROW(e.SetSyntaxDefinition(bad), std::regex_error);
    EXPECT_EQ(e.language.name, "HLSL");
    EXPECT_EQ(e.regexList.size(), 9u);
}
