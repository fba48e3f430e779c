// The JSON text reader: values, lenient recovery, messages and positions.
#include "ErrorLog.h"
#include "JSON.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using Kind = JSON::Kind;
using Lines = std::vector<std::string>;

namespace {

const std::string kNul(1, '\0');

// Reads text and returns the value, collecting the messages in lines. Every
// message must be a whole line, line feed included, and the reader counts
// exactly the lines it wrote and keeps the first of them.
JSON Read(const std::string& text, Lines& lines, JSON::TextMessages* kept = nullptr) {
    ErrorLog log;
    JSON::TextMessages messages;
    messages.count = -1;
    JSON value = JSON::FromText(text, &messages);
    lines = log.Lines();
    const std::string written = log.Text();
    EXPECT_TRUE(written.empty() || written.back() == '\n') << written;
    EXPECT_EQ(messages.count, static_cast<int64_t>(lines.size())) << written;
    EXPECT_EQ(messages.first, lines.empty() ? "" : lines.front());
    EXPECT_LE(messages.first_offset, text.size());
    const size_t offset = std::min(messages.first_offset, text.size());
    const size_t line = 1 + size_t(std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n'));
    EXPECT_EQ(messages.first_line, lines.empty() ? 0 : line);
    // The parts of the first line: its words stand in it, and it ends with what was found.
    EXPECT_NE(messages.first.find(messages.first_text), std::string::npos) << messages.first;
    EXPECT_EQ(messages.first_found_end, !lines.empty() && messages.first_offset >= text.size());
    const std::string found_end = "'" + (messages.first_found_end ? kNul : messages.first_found) + "'";
    EXPECT_TRUE(lines.empty() || messages.first.size() >= found_end.size() + messages.first_text.size());
    if (!lines.empty()) {
        EXPECT_EQ(messages.first.substr(messages.first.size() - std::min(found_end.size(), messages.first.size())),
                  found_end);
    }
    EXPECT_LE(messages.value_end, text.size());
    if (kept) *kept = messages;
    return value;
}

}  // namespace

// === Well-formed text ========================================================

TEST(JSONReader, EmptyContainersWithOrWithoutSpace) {
    Lines lines;
    EXPECT_EQ(Read("{}", lines).GetKind(), Kind::Object);
    EXPECT_EQ(Read("[]", lines).GetKind(), Kind::Array);
    JSON spaced = Read(" \t\r\n{ \n }\v\f", lines);
    EXPECT_EQ(spaced.GetKind(), Kind::Object);
    EXPECT_EQ(spaced.Count(), 0);
    EXPECT_TRUE(lines.empty());
}

TEST(JSONReader, TextAfterTheFirstValueIsIgnoredSilently) {
    Lines lines;
    JSON::TextMessages messages;
    JSON value = Read("{} and more words", lines, &messages);
    EXPECT_EQ(value.GetKind(), Kind::Object);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(messages.value_end, 2u);  // the caller learns where the value ended
    Read(" \n [1, \"}\"] \n}", lines, &messages);
    EXPECT_EQ(messages.value_end, 11u);
}

TEST(JSONReader, ScalarsInAnArray) {
    Lines lines;
    JSON value = Read("[1, 2.5, true, false, null]", lines);
    ASSERT_EQ(value.Count(), 5);
    EXPECT_EQ(value[0].GetKind(), Kind::Integer);
    EXPECT_EQ(value[0].AsInt(), 1);
    EXPECT_EQ(value[1].AsFloat(), 2.5);
    EXPECT_EQ(value[2].GetKind(), Kind::Bool);
    EXPECT_TRUE(value[2].AsBool());
    EXPECT_EQ(value[3].GetKind(), Kind::Bool);
    EXPECT_FALSE(value[3].AsBool());
    EXPECT_TRUE(value[4].IsNull());
    EXPECT_TRUE(lines.empty());
}

TEST(JSONReader, NumberForms) {
    Lines lines;
    JSON value = Read("[42, -7, 2.50, 1e3, 1.5E-2, 2E-1, 1-2, 1.2.3, 007, -0.5]", lines);
    EXPECT_TRUE(lines.empty());
    ASSERT_EQ(value.Count(), 10);
    EXPECT_EQ(value[0].AsInt(), 42);
    EXPECT_EQ(value[1].AsInt(), -7);
    EXPECT_EQ(value[2].AsFloat(), 2.5);
    EXPECT_EQ(value[3].GetKind(), Kind::Float);
    EXPECT_EQ(value[3].AsFloat(), 1000.0);
    EXPECT_DOUBLE_EQ(value[4].AsFloat(), 0.015);
    EXPECT_DOUBLE_EQ(value[5].AsFloat(), 0.2);
    EXPECT_EQ(value[6].GetKind(), Kind::Integer);  // longest prefix that converts
    EXPECT_EQ(value[6].AsInt(), 1);
    EXPECT_EQ(value[7].AsFloat(), 1.2);
    EXPECT_EQ(value[8].AsInt(), 7);
    EXPECT_EQ(value[9].AsFloat(), -0.5);
}

TEST(JSONReader, IntegerLimitsOfThirtyTwoBits) {
    Lines lines;
    JSON value = Read("[2147483647, -2147483648]", lines);
    EXPECT_EQ(value[0].AsInt(), 2147483647);
    EXPECT_EQ(value[1].AsInt(), -2147483647 - 1);
    EXPECT_TRUE(lines.empty());
}

TEST(JSONReader, StringEscapes) {
    Lines lines;
    EXPECT_EQ(Read(R"("a\tb\/c\"d\\e\bf\fg\nh\ri")", lines).AsString(),
              "a\tb/c\"d\\e\bf\fg\nh\ri");
    EXPECT_EQ(Read(R"("x\qy")", lines).AsString(), "x\\y");  // the q is gone
    EXPECT_EQ(Read(R"("\u00e9")", lines).AsString(), "\\u00e9");
    EXPECT_EQ(Read(R"("\uABCDz")", lines).AsString(), "\\uABCDz");
    EXPECT_TRUE(lines.empty());
}

TEST(JSONReader, StringBytesAreTakenAsTheyStand) {
    Lines lines;
    std::string raw = "\x01\x7f\x80\xff\t\n ";
    EXPECT_EQ(Read("\"" + raw + "\"", lines).AsString(), raw);
    std::string nul_inside = std::string("\"a") + kNul + "b\"";
    EXPECT_EQ(Read(nul_inside, lines).AsString(), std::string("a") + kNul + "b");
    EXPECT_TRUE(lines.empty());
}

TEST(JSONReader, LongStringsWithEscapesAtEveryOffset) {
    // Escapes and the closing quote fall at every place of the bulk scan.
    for (size_t length = 0; length < 150; ++length) {
        std::string body(length, 'x');
        std::string expected = body + "\"" + body;
        Lines lines;
        EXPECT_EQ(Read("\"" + body + "\\\"" + body + "\"", lines).AsString(), expected);
        EXPECT_TRUE(lines.empty());
    }
}

TEST(JSONReader, ObjectMembersAndRepeatedKeys) {
    Lines lines;
    JSON value = Read(R"({"b": {"c": [1]}, "a": "x", "a": "y", true: 5})", lines);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(value.Count(), 3);
    EXPECT_EQ(value["a"].AsString(), "y");
    EXPECT_EQ(value["b"]["c"][0].AsInt(), 1);
    EXPECT_EQ(value[""].AsInt(), 5);  // a key that is no string names ""
}

TEST(JSONReader, WhiteSpaceIsTheCLocalesAndNoHighByte) {
    Lines lines;
    EXPECT_EQ(Read("\v\f\r\n\t [ 1 ]", lines)[0].AsInt(), 1);
    EXPECT_TRUE(Read("\xa0[]", lines).IsNull());
    EXPECT_EQ(lines, Lines{"ERROR: Parse: Unknown starting character '\xa0'"});
}

// === Messages and recovery ===================================================

TEST(JSONReader, EmptyTextShowsTheNulCharacter) {
    Lines lines;
    EXPECT_TRUE(Read("", lines).IsNull());
    EXPECT_EQ(lines, Lines{"ERROR: Parse: Unknown starting character '" + kNul + "'"});
}

TEST(JSONReader, TrailingCommaReadsTheBracketAsAnElement) {
    Lines lines;
    JSON value = Read("[1,]", lines);
    EXPECT_EQ(lines, Lines{"ERROR: Parse: Unknown starting character ']'"});
    ASSERT_EQ(value.Count(), 2);
    EXPECT_EQ(value[0].AsInt(), 1);
    EXPECT_TRUE(value[1].IsNull());
}

TEST(JSONReader, MissingArrayCommaDropsTheElements) {
    Lines lines;
    JSON value = Read("[1 2]", lines);
    EXPECT_EQ(lines, Lines{"ERROR: Array: Expected ',' or ']', found '2'"});
    EXPECT_EQ(value.GetKind(), Kind::Array);
    EXPECT_EQ(value.Count(), 0);
}

TEST(JSONReader, MissingObjectCommaKeepsTheMembersRead) {
    Lines lines;
    JSON value = Read(R"({"a": 1, "b": 2 "c": 3})", lines);
    EXPECT_EQ(lines, Lines{"ERROR: Object: Expected comma, found '\"'"});
    EXPECT_EQ(value.Count(), 2);
    EXPECT_EQ(value["b"].AsInt(), 2);
}

TEST(JSONReader, MissingColonKeepsTheMembersBefore) {
    Lines lines;
    JSON value = Read(R"({"a": 1, "b" 2})", lines);
    EXPECT_EQ(lines, Lines{"Error: Object: Expected colon, found '2'"});
    EXPECT_EQ(value.Count(), 1);
    EXPECT_EQ(value["a"].AsInt(), 1);
}

TEST(JSONReader, NumberKeyGivesTwoMessages) {
    Lines lines;
    JSON value = Read("{1:2}", lines);
    EXPECT_EQ(lines, (Lines{"ERROR: Number: unexpected character ':'",
                            "Error: Object: Expected colon, found '2'"}));
    EXPECT_EQ(value.GetKind(), Kind::Object);
    EXPECT_EQ(value.Count(), 0);
}

TEST(JSONReader, NumberThatEndsTheTextIsRefused) {
    Lines lines;
    EXPECT_TRUE(Read("5", lines).IsNull());
    EXPECT_EQ(lines, Lines{"ERROR: Number: unexpected character '" + kNul + "'"});
    EXPECT_EQ(Read("[5]", lines)[0].AsInt(), 5);
}

TEST(JSONReader, BadFollowersOfNumbers) {
    Lines lines;
    JSON plus = Read("[1e+3]", lines);
    EXPECT_EQ(lines, (Lines{"ERROR: Number: Expected a number for exponent, found '+'",
                            "ERROR: Array: Expected ',' or ']', found '3'"}));
    EXPECT_EQ(plus.Count(), 0);
    JSON letters = Read("[12abc]", lines);
    EXPECT_EQ(lines, (Lines{"ERROR: Number: unexpected character 'a'",
                            "ERROR: Array: Expected ',' or ']', found 'b'"}));
    EXPECT_EQ(letters.GetKind(), Kind::Array);
    EXPECT_EQ(letters.Count(), 0);
}

TEST(JSONReader, BadUnicodeEscapeGivesAnEmptyString) {
    Lines lines;
    JSON value = Read(R"("\u00g1")", lines);
    EXPECT_EQ(lines,
              Lines{"ERROR: String: Expected hex character in unicode escape, found 'g'"});
    EXPECT_EQ(value.GetKind(), Kind::String);
    EXPECT_EQ(value.AsString(), "");
}

TEST(JSONReader, BadWordsShowWhatFollows) {
    Lines lines;
    EXPECT_EQ(Read("[nul]", lines).Count(), 0);
    EXPECT_EQ(lines, (Lines{"ERROR: Null: Expected 'null', found 'nul]'",
                            "ERROR: Array: Expected ',' or ']', found 'n'"}));
    EXPECT_EQ(Read("[tru]", lines).Count(), 0);
    EXPECT_EQ(lines, (Lines{"ERROR: Bool: Expected 'true' or 'false', found 'tru]'",
                            "ERROR: Array: Expected ',' or ']', found 't'"}));
    EXPECT_EQ(Read("[fxlse]", lines).Count(), 0);
    EXPECT_EQ(lines, (Lines{"ERROR: Bool: Expected 'true' or 'false', found 'fxlse'",
                            "ERROR: Array: Expected ',' or ']', found 'f'"}));
    EXPECT_TRUE(Read("nULL", lines).IsNull());
    EXPECT_EQ(lines, Lines{"ERROR: Null: Expected 'null', found 'nULL'"});
    EXPECT_TRUE(Read("fals", lines).IsNull());
    EXPECT_EQ(lines, Lines{"ERROR: Bool: Expected 'true' or 'false', found 'fals'"});
}

TEST(JSONReader, TheFirstMessageIsKeptWithWhereItsFoundTextStartsAndItsLine) {
    struct Case {
        std::string text;
        int64_t count;
        size_t offset, line;  // of the first message's found text
        std::string words;    // the first message's, and what it found ("" and end for the end of the text)
        std::string found;
        bool end;
    } cases[] = {
        {"{1:2}", 2, 2, 1, "Number: unexpected character", ":", false},  // then the object's message
        {"{\n  \"a\": 1,\n  \"b\" 2\n}", 1, 18, 3, "Object: Expected colon", "2", false},
        {"{\n  \"a\": [1, 2", 3, 14, 2, "Number: unexpected character", "", true},  // cut short
        {"\"abc", 1, 4, 1, "String: Expected closing quote", "", true},
        {"", 1, 0, 1, "Parse: Unknown starting character", "", true},
        {"\xEF\xBB\xBF{}", 1, 0, 1, "Parse: Unknown starting character", "\xEF", false},
        {"[\n\ntru]", 2, 3, 3, "Bool: Expected 'true' or 'false'", "tru]", false},  // a word: where it starts
        {R"("ab\u00g1")", 1, 7, 1, "String: Expected hex character in unicode escape", "g", false},
        {"{\"a\": [1, 2]}", 0, 0, 0, "", "", false},
    };
    for (const Case& c : cases) {
        Lines lines;
        JSON::TextMessages first;
        Read(c.text, lines, &first);  // also checks the kept line against the lines written
        EXPECT_EQ(first.count, c.count) << c.text;
        EXPECT_EQ(first.first_offset, c.offset) << c.text;
        EXPECT_EQ(first.first_line, c.line) << c.text;
        EXPECT_EQ(first.first_text, c.words) << c.text;
        EXPECT_EQ(first.first_found, c.found) << c.text;
        EXPECT_EQ(first.first_found_end, c.end) << c.text;
    }
}

// === Where each construct leaves the position ================================

TEST(JSONReaderPosition, SuccessStopsRightAfterTheConstruct) {
    ErrorLog log;
    size_t position = 0;
    JSON::ParseBool("trueX", position);
    EXPECT_EQ(position, 4u);  // no word boundary: the X is next
    position = 0;
    EXPECT_EQ(JSON::ParseNumber("12,", position).AsInt(), 12);
    EXPECT_EQ(position, 2u);  // on the character that ended the number
    position = 0;
    EXPECT_EQ(JSON::ParseNumber("1.5e2 ", position).AsFloat(), 150.0);
    EXPECT_EQ(position, 5u);
    position = 0;
    JSON::ParseString(R"("a\"b" x)", position);
    EXPECT_EQ(position, 6u);
    position = 2;
    JSON::ConsumeWhitespace("[  \t 1", position);
    EXPECT_EQ(position, 5u);
    position = 1;
    EXPECT_EQ(JSON::Parse(" [ null ] x", position).Count(), 1);
    EXPECT_EQ(position, 9u);
    EXPECT_EQ(log.Text(), "");
}

TEST(JSONReaderPosition, ErrorsLeaveThePositionAsTabled) {
    ErrorLog log;
    size_t position = 0;
    JSON::Parse("  ?", position);
    EXPECT_EQ(position, 2u);  // white space skipped, then unchanged
    position = 0;
    JSON::ParseObject(R"({"a" 1})", position);
    EXPECT_EQ(position, 5u);  // on the offending character
    position = 0;
    JSON::ParseObject(R"({"a": 1 x})", position);
    EXPECT_EQ(position, 8u);
    position = 0;
    JSON::ParseArray("[1 x]", position);
    EXPECT_EQ(position, 3u);
    position = 0;
    JSON::ParseString(R"("ab\u12x4")", position);
    EXPECT_EQ(position, 4u);  // on the 'u'
    position = 0;
    JSON::ParseNumber("1e+3", position);
    EXPECT_EQ(position, 3u);  // just past the '+'
    position = 0;
    JSON::ParseNumber("12ab", position);
    EXPECT_EQ(position, 3u);  // just past the 'a'
    position = 0;
    JSON::ParseBool("tree", position);
    EXPECT_EQ(position, 0u);
    position = 0;
    JSON::ParseNull("nil", position);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(log.Lines().size(), 9u);
}

TEST(JSONReaderPosition, NeverPassesTheEndOfTheText) {
    ErrorLog log;
    for (std::string text : {"5", "-", "1e", "1e-", "[", "{", "\"", "\"\\", "t", "n", "{\"a\"",
                             "{\"a\":", "[1,", "\"\\u12"}) {
        size_t position = 0;
        JSON::Parse(text, position);
        EXPECT_LE(position, text.size()) << text;
    }
    size_t beyond = 100;
    EXPECT_TRUE(JSON::Parse("[]", beyond).IsNull());
    EXPECT_EQ(beyond, 2u);
}

// === Text the format leaves open =============================================

TEST(JSONReaderDamage, TextEndingInsideAStringKeepsWhatWasRead) {
    Lines lines;
    JSON value = Read("\"abc", lines);
    EXPECT_EQ(value.AsString(), "abc");
    EXPECT_EQ(lines, Lines{"ERROR: String: Expected closing quote, found '" + kNul + "'"});

    EXPECT_EQ(Read("\"ab\\", lines).AsString(), "ab");
    EXPECT_EQ(lines.size(), 1u);

    JSON array = Read("[\"abc", lines);
    EXPECT_EQ(array.Count(), 0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "ERROR: Array: Expected ',' or ']', found '" + kNul + "'");

    // The string stops at the end of the text, also after a last backslash.
    ErrorLog log;
    for (std::string text : {"\"abc", "\"ab\\", "\"a\\\\"}) {
        size_t position = 0;
        JSON::ParseString(text, position);
        EXPECT_EQ(position, text.size()) << text;
    }
}

TEST(JSONReaderDamage, UnicodeEscapeCutByTheEnd) {
    Lines lines;
    JSON value = Read("\"\\u00", lines);
    EXPECT_EQ(value.AsString(), "");
    EXPECT_EQ(lines, Lines{"ERROR: String: Expected hex character in unicode escape, found '" +
                           kNul + "'"});
}

TEST(JSONReaderDamage, NumbersThatDoNotConvertReadAsNull) {
    const char* texts[] = {"[-]",          "[-.]",       "[--1]",          "[2147483648]",
                           "[-2147483649]", "[1e]",       "[1e-]",          "[1e2147483648]",
                           "[1e400]",       "[0e400]",    "[99999999999e1]", "[-.e3]"};
    for (const char* text : texts) {
        Lines lines;
        JSON value = Read(text, lines);
        ASSERT_EQ(lines.size(), 1u) << text;
        EXPECT_EQ(lines[0].rfind("ERROR: Number: ", 0), 0u) << lines[0];
        ASSERT_EQ(value.Count(), 1) << text;  // the array goes on after it
        EXPECT_TRUE(value[0].IsNull()) << text;
    }
    std::string huge = "[1" + std::string(400, '0') + ".0, 7]";
    Lines lines;
    JSON value = Read(huge, lines);
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_TRUE(value[0].IsNull());
    EXPECT_EQ(value[1].AsInt(), 7);
}

TEST(JSONReaderDamage, TinyNumbersReadAsTheNearestDouble) {
    Lines lines;
    JSON value = Read("[1e-400, 0." + std::string(400, '0') + "1]", lines);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(value[0].AsFloat(), 0.0);
    EXPECT_EQ(value[1].GetKind(), Kind::Float);
}

namespace {

std::string Nested(int levels, const std::string& inner) {
    return std::string(size_t(levels), '[') + inner + std::string(size_t(levels), ']');
}

int ArrayDepth(const JSON& value) {
    int depth = 0;
    for (const JSON* at = &value; at->GetKind() == Kind::Array; at = &(*at->ArrayItems().begin())) {
        ++depth;
        if (at->Count() == 0)
            break;
    }
    return depth;
}

}  // namespace

TEST(JSONReaderDamage, NestingUpToTheBoundReads) {
    Lines lines;
    JSON value = Read(Nested(JSON::kMaxDepth, ""), lines);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(ArrayDepth(value), JSON::kMaxDepth);
}

TEST(JSONReaderDamage, NestingBeyondTheBoundReadsAsNullWithOneMessage) {
    Lines lines;
    // The part too deep holds brackets inside strings, which must not count.
    std::string deep = Nested(JSON::kMaxDepth + 1, R"("]]}", {"k": "[\"["})");
    JSON value = Read("{\"deep\": " + deep + ", \"next\": 1}", lines);
    EXPECT_EQ(lines, Lines{"ERROR: Parse: Nesting deeper than 1000 levels, found '['"});
    EXPECT_EQ(value["next"].AsInt(), 1);
    EXPECT_EQ(ArrayDepth(value["deep"]), JSON::kMaxDepth - 1);
}

TEST(JSONReaderDamage, VeryDeepTextDoesNotExhaustTheStack) {
    Lines lines;
    JSON value = Read(std::string(1000000, '['), lines);
    EXPECT_EQ(value.GetKind(), Kind::Array);
    EXPECT_EQ(value.Count(), 0);
    JSON balanced = Read(Nested(200000, ""), lines);
    EXPECT_EQ(balanced.GetKind(), Kind::Array);
}

TEST(JSONReaderDamage, DeepObjectsStopAtTheBoundToo) {
    std::string open;
    for (int i = 0; i < 200000; ++i)
        open += "{\"k\": ";
    Lines lines;
    JSON value = Read(open + "1" + std::string(200000, '}'), lines);
    EXPECT_EQ(lines, Lines{"ERROR: Parse: Nesting deeper than 1000 levels, found '{'"});
    int depth = 0;
    for (const JSON* at = &value; at->GetKind() == Kind::Object;
         at = &at->ObjectItems().begin()->second)
        ++depth;
    EXPECT_EQ(depth, JSON::kMaxDepth);
}

// === Numbers and members against independent rules ===========================

namespace {

// A number of the plain form -?digits(.digits)?, with lengths around every
// limit the reader's quick conversion has (19 digits, 2^53, 22 decimals, the
// 32-bit range) and leading zeros now and then.
std::string RandomPlainNumber(std::mt19937_64& random) {
    auto digits = [&](size_t count) {
        std::string text;
        for (size_t i = 0; i < count; ++i)
            text += char('0' + random() % 10);
        return text;
    };
    const char* edges[] = {"9007199254740991", "9007199254740992",    "9007199254740993",
                           "2147483647",       "2147483648",          "99999999999999999999",
                           "0",                "1844674407370955161", "18446744073709551616"};
    std::string text = random() % 3 == 0 ? "-" : "";
    switch (random() % 4) {
    case 0: text += edges[random() % 9]; break;
    case 1: text += digits(1 + random() % 24); break;
    case 2: text += std::string(random() % 3, '0') + digits(1 + random() % 6); break;
    default: text += digits(1 + random() % 4); break;
    }
    if (random() % 3 != 0) {
        text += '.';
        text += random() % 4 == 0 ? digits(1 + random() % 26) : digits(1 + random() % 7);
    }
    return text;
}

}  // namespace

TEST(JSONReaderNumbers, PlainNumbersConvertAsStrtodAndStrtollDo) {
    std::mt19937_64 random(20240611);
    ErrorLog log;
    size_t refused = 0;
    for (int round = 0; round < 100000; ++round) {
        const std::string number = RandomPlainNumber(random);
        size_t position = 0;
        JSON value = JSON::ParseNumber(number + ",", position);
        ASSERT_EQ(position, number.size()) << number;
        if (number.find('.') != std::string::npos) {
            errno = 0;
            const double expected = std::strtod(number.c_str(), nullptr);
            if (errno == ERANGE && std::isinf(expected)) {
                EXPECT_TRUE(value.IsNull()) << number;
                ++refused;
                continue;
            }
            ASSERT_EQ(value.GetKind(), Kind::Float) << number;
            const double read = value.AsFloat();
            ASSERT_EQ(std::memcmp(&read, &expected, sizeof(double)), 0)
                << number << " read as " << read << ", strtod gives " << expected;
        } else {
            errno = 0;
            const long long expected = std::strtoll(number.c_str(), nullptr, 10);
            if (errno == ERANGE || expected < -2147483648LL || expected > 2147483647LL) {
                EXPECT_TRUE(value.IsNull()) << number;
                ++refused;
                continue;
            }
            ASSERT_EQ(value.GetKind(), Kind::Integer) << number;
            ASSERT_EQ(value.AsInt(), expected) << number;
        }
    }
    EXPECT_EQ(log.Lines().size(), refused);  // one "Cannot convert" each
    EXPECT_GT(refused, 0u);
}

TEST(JSONReaderNumbers, NegativeZeroKeepsItsSign) {
    Lines lines;
    JSON value = Read("[-0.0, -0, 0.000000]", lines);
    EXPECT_TRUE(std::signbit(value[0].AsFloat()));
    EXPECT_EQ(value[1].GetKind(), Kind::Integer);
    EXPECT_EQ(value[1].AsInt(), 0);
    EXPECT_FALSE(std::signbit(value[2].AsFloat()));
    EXPECT_TRUE(lines.empty());
}

// Members come in any order, keys repeat and some hold escapes: the Object
// read is the one that assigning each member in turn builds.
TEST(JSONReaderMembers, MembersInAnyOrderReadAsIfAssignedInTurn) {
    std::mt19937 random(7);
    const char* keys[] = {"a", "b", "ab", "", "beat", "b\\n", "b\\\"", "\\u00e9", "z", "name"};
    const char* unescaped[] = {"a", "b", "ab", "", "beat", "b\n", "b\"", "\\u00e9", "z", "name"};
    for (int round = 0; round < 500; ++round) {
        std::string text = "{";
        JSON expected = JSON::MakeObject();
        const int count = int(random() % 30);
        for (int i = 0; i < count; ++i) {
            const size_t key = random() % 10;
            const int number = int(random() % 1000);
            text += std::string(i ? ", " : "") + "\"" + keys[key] + "\": " + std::to_string(number);
            expected[unescaped[key]] = number;
        }
        text += "}";
        Lines lines;
        JSON value = Read(text, lines);
        ASSERT_TRUE(lines.empty()) << text;
        ASSERT_EQ(value.ToText(), expected.ToText()) << text;
    }
}
