// The C-style tokenizer and its five matchers, token by token.
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tetest;

namespace {

// Runs TokenizeCStyle over text the way the colorizer does and describes
// every step: "Role[token]" for a token, "-[c]" for a byte no matcher took.
std::string Tokens(const std::string& text) {
    std::string out;
    const char* first = text.data();
    const char* const last = text.data() + text.size();
    while (first != last) {
        const char* b = nullptr;
        const char* e = nullptr;
        PaletteIndex role = PaletteIndex::Count;
        if (!out.empty()) out += ' ';
        if (TokenizeCStyle(first, last, b, e, role)) {
            out += std::string(RoleName(role)) + '[' + std::string(b, e) + ']';
            first = e;
        } else {
            EXPECT_EQ(role, PaletteIndex::Count);
            out += "-[" + std::string(first, 1) + ']';
            ++first;
        }
    }
    return out;
}

using Matcher = bool (*)(const char*, const char*, const char*&, const char*&);

// The token a matcher finds at the start of text, or "(none)".
std::string Match(Matcher matcher, const std::string& text) {
    const char* sentinel = "untouched";
    const char* b = sentinel;
    const char* e = sentinel;
    if (!matcher(text.data(), text.data() + text.size(), b, e)) {
        EXPECT_EQ(b, sentinel);  // failure leaves the out-parameters alone
        EXPECT_EQ(e, sentinel);
        return "(none)";
    }
    EXPECT_EQ(b, text.data());
    return std::string(b, e);
}

}  // namespace

// ---- The tokenizer ------------------------------------------------------------

TEST(TokenizerCStyle, ASignRightBeforeDigitsBelongsToTheNumber) {
    EXPECT_EQ(Tokens("x-1"), "Identifier[x] Number[-1]");
    EXPECT_EQ(Tokens("a - b"), "Identifier[a] Punctuation[-] Identifier[b]");
    EXPECT_EQ(Tokens("+2"), "Number[+2]");
}

TEST(TokenizerCStyle, NumberSuffixesFollowTheCase) {
    EXPECT_EQ(Tokens("0x1F"), "Number[0x1F]");
    EXPECT_EQ(Tokens("1.5f"), "Number[1.5f]");
    EXPECT_EQ(Tokens("1.5F"), "Number[1.5] Identifier[F]");
    EXPECT_EQ(Tokens("10UL"), "Number[10UL]");
    EXPECT_EQ(Tokens("1.0u"), "Number[1.0] Identifier[u]");
    EXPECT_EQ(Tokens("0b101"), "Number[0b101]");
    EXPECT_EQ(Tokens("2e-3f"), "Number[2e-3f]");
    EXPECT_EQ(Tokens("7f"), "Number[7f]");
    EXPECT_EQ(Tokens("0b12"), "Number[0b1] Number[2]");
}

TEST(TokenizerCStyle, AnExponentWithoutDigitsIsNoNumber) {
    EXPECT_EQ(Tokens("1e"), "-[1] Identifier[e]");
    EXPECT_EQ(Tokens("1e+"), "-[1] Identifier[e] Punctuation[+]");
}

TEST(TokenizerCStyle, ALeadingPointIsPunctuation) {
    EXPECT_EQ(Tokens(".5"), "Punctuation[.] Number[5]");
    EXPECT_EQ(Tokens("5."), "Number[5.]");
}

TEST(TokenizerCStyle, StringsNeedTheirClosingQuote) {
    EXPECT_EQ(Tokens("\"abc"), "-[\"] Identifier[abc]");
    EXPECT_EQ(Tokens("\"a\\\"b\""), "String[\"a\\\"b\"]");
    EXPECT_EQ(Tokens("\"a\\nb\" x"), "String[\"a\\nb\"] Identifier[x]");
    EXPECT_EQ(Tokens("\"\""), "String[\"\"]");
}

TEST(TokenizerCStyle, ACharacterLiteralHoldsOneCharacterOrOneEscape) {
    EXPECT_EQ(Tokens("'a'"), "CharLiteral['a']");
    EXPECT_EQ(Tokens("'\\n'"), "CharLiteral['\\n']");
    EXPECT_EQ(Tokens("'ab'"), "-['] Identifier[ab] -[']");
}

TEST(TokenizerCStyle, BlanksBeforeATokenAreSkippedAndABlankTailIsAnEmptyDefaultToken) {
    const std::string text = "  \tint";
    const char* b = nullptr;
    const char* e = nullptr;
    PaletteIndex role = PaletteIndex::Count;
    ASSERT_TRUE(TokenizeCStyle(text.data(), text.data() + text.size(), b, e, role));
    EXPECT_EQ(b, text.data() + 3);
    EXPECT_EQ(role, PaletteIndex::Identifier);

    const std::string blanks = "   ";
    ASSERT_TRUE(TokenizeCStyle(blanks.data(), blanks.data() + blanks.size(), b, e, role));
    EXPECT_EQ(b, blanks.data() + 3);
    EXPECT_EQ(e, b);
    EXPECT_EQ(role, PaletteIndex::Default);
    EXPECT_EQ(Tokens("a  "), "Identifier[a] Default[]");
}

TEST(TokenizerCStyle, BytesNoMatcherTakesYieldNoToken) {
    EXPECT_EQ(Tokens("#$@\\`"), "-[#] -[$] -[@] -[\\] -[`]");
    EXPECT_EQ(Tokens("\xC3\xA9x"), "-[\xC3] -[\xA9] Identifier[x]");
    EXPECT_EQ(Tokens(std::string("\0a", 2)), std::string("-[\0] Identifier[a]", 18));
}

// ---- The matchers -------------------------------------------------------------

TEST(TokenizerMatchers, StringMatcherOnlyEscapesTheDoubleQuote) {
    EXPECT_EQ(Match(TokenizeCStyleString, "\"ab\"cd"), "\"ab\"");
    EXPECT_EQ(Match(TokenizeCStyleString, "\"a\\\\\"b\""), "\"a\\\\\"b\"");  // \\ then \" : escaped quote
    EXPECT_EQ(Match(TokenizeCStyleString, "\"a\\\""), "(none)");
    EXPECT_EQ(Match(TokenizeCStyleString, "\""), "(none)");
    EXPECT_EQ(Match(TokenizeCStyleString, "x\"\""), "(none)");
}

TEST(TokenizerMatchers, CharacterLiteralMatcherStopsAtTheEndOfTheInput) {
    EXPECT_EQ(Match(TokenizeCStyleCharacterLiteral, "'x'y"), "'x'");
    EXPECT_EQ(Match(TokenizeCStyleCharacterLiteral, "'''"), "'''");
    EXPECT_EQ(Match(TokenizeCStyleCharacterLiteral, "'"), "(none)");
    EXPECT_EQ(Match(TokenizeCStyleCharacterLiteral, "'\\"), "(none)");
    EXPECT_EQ(Match(TokenizeCStyleCharacterLiteral, "'\\'"), "(none)");
    EXPECT_EQ(Match(TokenizeCStyleCharacterLiteral, "'a"), "(none)");
}

TEST(TokenizerMatchers, IdentifierMatcherTakesAsciiLettersDigitsAndUnderscores) {
    EXPECT_EQ(Match(TokenizeCStyleIdentifier, "_a1b2+"), "_a1b2");
    EXPECT_EQ(Match(TokenizeCStyleIdentifier, "ab\xC3\xA9"), "ab");
    EXPECT_EQ(Match(TokenizeCStyleIdentifier, "1ab"), "(none)");
    EXPECT_EQ(Match(TokenizeCStyleIdentifier, "\xC3\xA9"), "(none)");
}

TEST(TokenizerMatchers, NumberMatcherNeedsADigit) {
    EXPECT_EQ(Match(TokenizeCStyleNumber, "-"), "(none)");
    EXPECT_EQ(Match(TokenizeCStyleNumber, "+x"), "(none)");
    EXPECT_EQ(Match(TokenizeCStyleNumber, "0xfFg"), "0xfF");
    EXPECT_EQ(Match(TokenizeCStyleNumber, "0x"), "0x");
    EXPECT_EQ(Match(TokenizeCStyleNumber, "3uLlU"), "3uLlU");
    EXPECT_EQ(Match(TokenizeCStyleNumber, "3.0L"), "3.0");
    EXPECT_EQ(Match(TokenizeCStyleNumber, "1E+10f"), "1E+10f");
    EXPECT_EQ(Match(TokenizeCStyleNumber, "1e5u"), "1e5");
    EXPECT_EQ(Match(TokenizeCStyleNumber, "1e"), "(none)");
}

TEST(TokenizerMatchers, PunctuationMatcherTakesExactlyTheTwentyFourCharacters) {
    const std::string accepted = "!%&()*+,-./:;<=>?[]^{|}~";
    EXPECT_EQ(accepted.size(), 24u);
    for (int c = 0; c < 256; ++c) {
        const std::string one(1, static_cast<char>(c));
        const bool expected = accepted.find(static_cast<char>(c)) != std::string::npos && c != 0;
        EXPECT_EQ(Match(TokenizeCStylePunctuation, one) == one, expected) << "byte " << c;
    }
}
