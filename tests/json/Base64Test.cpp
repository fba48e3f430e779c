// The base64 codec: RFC 4648 vectors, both alphabets, padding, line breaks
// and the decoder's one exception.
#include "Base64.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>

namespace {

std::string RandomBytes(std::mt19937& random, size_t length) {
    std::string bytes(length, '\0');
    for (char& c : bytes)
        c = char(random() & 0xFF);
    return bytes;
}

// Expects Base64Decode to throw exactly the decoder's error.
void ExpectInvalid(const std::string& text, bool remove_linebreaks = false) {
    try {
        Base64Decode(text, remove_linebreaks);
        ADD_FAILURE() << "no exception for '" << text << "'";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Input is not valid base64-encoded data.");
    }
}

}  // namespace

// === Encoding ================================================================

TEST(Base64, RfcVectorsForEveryPrefixOfFoobar) {
    const char* expected[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
    std::string foobar = "foobar";
    for (size_t n = 0; n <= 6; ++n) {
        EXPECT_EQ(Base64Encode(foobar.substr(0, n)), expected[n]);
        EXPECT_EQ(Base64Decode(expected[n]), foobar.substr(0, n));
    }
}

TEST(Base64, UrlAlphabetPadsWithAPoint) {
    std::string bytes = "\xfb\xff";
    EXPECT_EQ(Base64Encode(bytes), "+/8=");
    EXPECT_EQ(Base64Encode(bytes, true), "-_8.");
    EXPECT_EQ(Base64Decode("+/8="), bytes);
    EXPECT_EQ(Base64Decode("-_8."), bytes);
    EXPECT_EQ(Base64Encode("f", true), "Zg..");
}

TEST(Base64, PointerFormMatchesStringForm) {
    const unsigned char bytes[] = {0, 1, 2, 253, 254, 255, 128};
    EXPECT_EQ(Base64Encode(bytes, sizeof bytes), "AAEC/f7/gA==");
    EXPECT_EQ(Base64Encode(bytes, sizeof bytes, true), "AAEC_f7_gA..");
    EXPECT_EQ(Base64Encode(nullptr, 0), "");
}

TEST(Base64, EveryLengthRoundTripsInWholeGroupsInBothAlphabets) {
    std::mt19937 random(11);
    for (size_t length = 0; length < 200; ++length) {
        std::string bytes = RandomBytes(random, length);
        EXPECT_EQ(Base64Encode(bytes).size(), (length + 2) / 3 * 4);
        EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes) << length;
        EXPECT_EQ(Base64Decode(Base64Encode(bytes, true)), bytes) << length;
    }
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += char(c);
    EXPECT_EQ(Base64Decode(Base64Encode(all)), all);
}

TEST(Base64, FastAndPlainEncodingAgree) {
    // The same three bytes encode the same wherever they fall in the input.
    std::mt19937 random(13);
    std::string bytes = RandomBytes(random, 3 * 40);
    std::string text = Base64Encode(bytes);
    for (size_t group = 0; group < 40; ++group)
        EXPECT_EQ(text.substr(group * 4, 4), Base64Encode(bytes.substr(group * 3, 3)));
}

TEST(Base64, UrlTextIsTheStandardTextWithThreeCharactersSwapped) {
    std::mt19937 random(29);
    for (size_t length = 0; length < 120; ++length) {
        std::string bytes = RandomBytes(random, length);
        std::string standard = Base64Encode(bytes);
        for (char& c : standard)
            c = c == '+' ? '-' : c == '/' ? '_' : c == '=' ? '.' : c;
        EXPECT_EQ(Base64Encode(bytes, true), standard) << length;
    }
}

// === Line breaks =============================================================

TEST(Base64, PemBreaksAfterSixtyFourCharacters) {
    std::string text48 = Base64EncodePem(std::string(48, 'x'));
    EXPECT_EQ(text48.size(), 64u);
    EXPECT_EQ(text48.find('\n'), std::string::npos);
    std::string text49 = Base64EncodePem(std::string(49, 'x'));
    EXPECT_EQ(text49.size(), 69u);
    EXPECT_EQ(text49.find('\n'), 64u);
    EXPECT_EQ(text49.rfind('\n'), 64u);
}

TEST(Base64, MimeBreaksAfterSeventySixCharacters) {
    EXPECT_EQ(Base64EncodeMime(std::string(57, 'x')).find('\n'), std::string::npos);
    std::string text58 = Base64EncodeMime(std::string(58, 'x'));
    EXPECT_EQ(text58.find('\n'), 76u);
    EXPECT_EQ(text58.rfind('\n'), 76u);
    EXPECT_EQ(text58.find('\r'), std::string::npos);
}

TEST(Base64, LineBreaksNeverFollowTheLastLine) {
    EXPECT_EQ(Base64InsertLineBreaks("", 4), "");
    EXPECT_EQ(Base64InsertLineBreaks("abcd", 4), "abcd");
    EXPECT_EQ(Base64InsertLineBreaks("abcdefgh", 4), "abcd\nefgh");
    EXPECT_EQ(Base64InsertLineBreaks("abcdefghi", 4), "abcd\nefgh\ni");
    EXPECT_EQ(Base64InsertLineBreaks("abc", 1), "a\nb\nc");
    EXPECT_EQ(Base64InsertLineBreaks("abc", 0), "abc");
}

TEST(Base64, LongPemTextDecodesOnlyWithLineBreakRemoval) {
    std::mt19937 random(17);
    std::string bytes = RandomBytes(random, 1000);
    std::string pem = Base64EncodePem(bytes);
    EXPECT_EQ(Base64Decode(pem, true), bytes);
    EXPECT_EQ(Base64Decode(Base64EncodeMime(bytes), true), bytes);
    ExpectInvalid(pem);
}

// === Decoding ================================================================

TEST(Base64, PaddingIsOptionalAndEndsAGroup) {
    EXPECT_EQ(Base64Decode("Zg"), "f");
    EXPECT_EQ(Base64Decode("Zg=="), "f");
    EXPECT_EQ(Base64Decode("Zg.."), "f");
    EXPECT_EQ(Base64Decode("Zg=."), "f");
    EXPECT_EQ(Base64Decode("Zm8"), "fo");
    EXPECT_EQ(Base64Decode("Zm9vYg"), "foob");
    EXPECT_EQ(Base64Decode("Zg==Zg=="), "ff");
    EXPECT_EQ(Base64Decode("Zm8.Zm9v"), "fofoo");
}

TEST(Base64, ConcatenatedEncodingsDecodeToBoth) {
    std::mt19937 random(19);
    for (int round = 0; round < 50; ++round) {
        std::string a = RandomBytes(random, random() % 40);
        std::string b = RandomBytes(random, random() % 40);
        EXPECT_EQ(Base64Decode(Base64Encode(a) + Base64Encode(b, true)), a + b);
    }
}

TEST(Base64, LongTextsDecodeWithoutTheirPadding) {
    // The unpadded last group falls at every place of the bulk decoding.
    std::mt19937 random(31);
    for (size_t length = 0; length < 100; ++length) {
        std::string bytes = RandomBytes(random, length);
        for (bool url : {false, true}) {
            std::string text = Base64Encode(bytes, url);
            text.erase(text.find_last_not_of(url ? '.' : '=') + 1);
            EXPECT_EQ(Base64Decode(text), bytes) << text;
        }
    }
}

TEST(Base64, LoneFinalCharacterAfterLongTextThrows) {
    std::mt19937 random(37);
    for (size_t groups = 0; groups < 12; ++groups)
        ExpectInvalid(Base64Encode(RandomBytes(random, groups * 3)) + "Q");
}

TEST(Base64, CharacterAfterAPaddedThirdPlaceIsNotExamined) {
    EXPECT_EQ(Base64Decode("Zg=!"), "f");
    EXPECT_EQ(Base64Decode("Zg= "), "f");
}

TEST(Base64, UnusedLowBitsAreNotExamined) {
    EXPECT_EQ(Base64Decode("Zh=="), "f");
    EXPECT_EQ(Base64Decode("Zm9="), "fo");
}

TEST(Base64, AlphabetsMayBeMixed) {
    EXPECT_EQ(Base64Decode("-/8="), "\xfb\xff");
    EXPECT_EQ(Base64Decode("+_8."), "\xfb\xff");
}

TEST(Base64, DecodedBytesMayHoldNul) {
    std::string bytes("a\0b\0", 4);
    EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes);
    EXPECT_EQ(Base64Decode("AAAA"), std::string(3, '\0'));
}

TEST(Base64, EmptyTextGivesNoBytes) {
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Decode(""), "");
    EXPECT_EQ(Base64Decode("", true), "");
    EXPECT_EQ(Base64Decode("\n\n", true), "");
}

TEST(Base64, ForeignCharactersThrow) {
    ExpectInvalid("Z");
    ExpectInvalid("Zm9vZ");
    ExpectInvalid("=Zg=");
    ExpectInvalid("Z=g=");
    ExpectInvalid("Zm9v\nYmFy");
    ExpectInvalid("Zm9v\r\nYmFy", true);  // carriage returns stay
    ExpectInvalid("Zm 9");
    ExpectInvalid("Zm9*");
    ExpectInvalid(std::string("Zm\0v", 4));
    ExpectInvalid("Zm9v\xc3\xa9==");
}

TEST(Base64, LineFeedsGoOnlyWithRemoval) {
    EXPECT_EQ(Base64Decode("Zm9v\nYmFy", true), "foobar");
    EXPECT_EQ(Base64Decode("Zm\n9v\nYm\nFy\n", true), "foobar");
}

TEST(Base64, ForeignCharacterFarIntoALongTextThrows) {
    std::mt19937 random(23);
    std::string text = Base64Encode(RandomBytes(random, 3000));
    for (size_t at : {size_t(0), size_t(7), size_t(1001), text.size() - 1}) {
        std::string broken = text;
        broken[at] = '#';
        ExpectInvalid(broken);
    }
}

TEST(Base64, CharIndexOfBothAlphabets) {
    EXPECT_EQ(Base64CharIndex('A'), 0u);
    EXPECT_EQ(Base64CharIndex('Z'), 25u);
    EXPECT_EQ(Base64CharIndex('a'), 26u);
    EXPECT_EQ(Base64CharIndex('z'), 51u);
    EXPECT_EQ(Base64CharIndex('0'), 52u);
    EXPECT_EQ(Base64CharIndex('9'), 61u);
    EXPECT_EQ(Base64CharIndex('+'), 62u);
    EXPECT_EQ(Base64CharIndex('-'), 62u);
    EXPECT_EQ(Base64CharIndex('/'), 63u);
    EXPECT_EQ(Base64CharIndex('_'), 63u);
    for (unsigned char c : {'=', '.', '\0', '\n', ' ', '\xff'})
        EXPECT_THROW(Base64CharIndex(c), std::runtime_error) << int(c);
}
