// The JSON text writer: layout byte for byte, escapes, and round trips
// through the reader.
#include "ErrorLog.h"
#include "JSON.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using Kind = JSON::Kind;

// === Layout ==================================================================

TEST(JSONWriter, Scalars) {
    EXPECT_EQ(JSON().ToText(), "null");
    EXPECT_EQ(JSON(true).ToText(), "true");
    EXPECT_EQ(JSON(false).ToText(), "false");
    EXPECT_EQ(JSON(-3).ToText(), "-3");
    EXPECT_EQ(JSON(-2147483647 - 1).ToText(), "-2147483648");
    EXPECT_EQ(JSON(2.5).ToText(), "2.500000");
    EXPECT_EQ(JSON(130.0f).ToText(), "130.000000");
    EXPECT_EQ(JSON(0.5).ToText(), "0.500000");
    EXPECT_EQ(JSON(0.0000001).ToText(), "0.000000");
    EXPECT_EQ(JSON(-0.0000006).ToText(), "-0.000001");
    EXPECT_EQ(JSON("x").ToText(), "\"x\"");
}

// Floats print as printf's "%f" prints them, ties and the widest values too.
TEST(JSONWriter, FloatsPrintAsPrintfFixedDoes) {
    std::mt19937_64 random(5);
    std::vector<double> values = {0.0, -0.0, 0.0078125, -2.5e-7, 5e-324, 1e300, -1.7976931348623157e308};
    for (int i = 0; i < 20000; ++i) {
        uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof(any));
        values.push_back(any);
        values.push_back(std::ldexp(double(random() % 100000000), -int(random() % 40)));
        values.push_back(double(int64_t(random() % 2000000000) - 1000000000) / 1e6);
    }
    for (double value : values) {
        if (!std::isfinite(value))
            continue;
        char expected[400];
        std::snprintf(expected, sizeof(expected), "%f", value);
        ASSERT_EQ(JSON(value).ToText(), expected);
    }
}

TEST(JSONWriter, InfinityAndNaNPrintAsNull) {
    EXPECT_EQ(JSON(std::numeric_limits<double>::infinity()).ToText(), "null");
    EXPECT_EQ(JSON(-std::numeric_limits<double>::infinity()).ToText(), "null");
    EXPECT_EQ(JSON(std::nan("")).ToText(), "null");
    JSON list = JSON::MakeArray();
    list.Append(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(list.ToText(), "[null]");
}

TEST(JSONWriter, WorkedExampleInKeyOrder) {
    JSON value;
    value["b"].Append(1);
    value["b"].Append(2);
    value["a"] = "x";
    EXPECT_EQ(value.ToText(1, "  "), "{\n  \"a\" : \"x\",\n  \"b\" : [1, 2]\n}");
}

TEST(JSONWriter, EmptyContainers) {
    EXPECT_EQ(JSON::MakeArray().ToText(1, "  "), "[]");
    EXPECT_EQ(JSON::MakeObject().ToText(1, "  "), "{\n\n}");
}

TEST(JSONWriter, DepthZeroPutsMembersAtTheMargin) {
    JSON value{"a", 1};
    EXPECT_EQ(value.ToText(0, "  "), "{\n\"a\" : 1\n}");
    EXPECT_EQ(value.ToText(-4, "  "), "{\n\"a\" : 1\n}");
}

TEST(JSONWriter, ClosingBraceStandsTwoCharactersLeftWhateverTheIndent) {
    JSON value{"a", 1};
    EXPECT_EQ(value.ToText(1, "    "), "{\n    \"a\" : 1\n  }");
    EXPECT_EQ(value.ToText(1, "\t"), "{\n\t\"a\" : 1\n}");
    EXPECT_EQ(value.ToText(3, "\t"), "{\n\t\t\t\"a\" : 1\n\t}");
}

TEST(JSONWriter, NestedObjectsAndArraysOfObjects) {
    JSON value;
    value["list"].Append(JSON{"x", 1});
    value["list"].Append(JSON{"y", 2});
    value["obj"]["k"] = true;
    EXPECT_EQ(value.ToText(1, "  "),
              "{\n"
              "  \"list\" : [{\n"
              "      \"x\" : 1\n"
              "    }, {\n"
              "      \"y\" : 2\n"
              "    }],\n"
              "  \"obj\" : {\n"
              "    \"k\" : true\n"
              "  }\n"
              "}");
}

TEST(JSONWriter, ArraysOfArraysStayOnOneLine) {
    JSON value = JSON::MakeArray();
    value[0].Append(1);
    value[0].Append(2.5);
    value[1] = JSON::MakeArray();
    value[2].Append("s");
    value[2].Append(JSON());
    value[2].Append(true);
    EXPECT_EQ(value.ToText(1, "  "), "[[1, 2.500000], [], [\"s\", null, true]]");
}

TEST(JSONWriter, DefaultsAreDepthOneAndTwoSpaces) {
    JSON value{"a", JSON{"b", 1}};
    EXPECT_EQ(value.ToText(), value.ToText(1, "  "));
}

TEST(JSONWriter, EscapeTable) {
    EXPECT_EQ(JSON::EscapeString("\t\"/\x01"), "\\t\\\"/\x01");
    EXPECT_EQ(JSON::EscapeString("\b\f\n\r\\"), "\\b\\f\\n\\r\\\\");
    std::string untouched = "\x0b\x1f\x7f\x80\xff";
    untouched += '\0';
    EXPECT_EQ(JSON::EscapeString(untouched), untouched);
    EXPECT_EQ(JSON::EscapeString("\\u00e9"), "\\\\u00e9");
    EXPECT_EQ(JSON::EscapeString(""), "");
}

TEST(JSONWriter, EscapesAtEveryOffsetOfALongString) {
    for (size_t at = 0; at < 70; ++at) {
        std::string text(70, 'a');
        text[at] = '\n';
        std::string expected = text.substr(0, at) + "\\n" + text.substr(at + 1);
        EXPECT_EQ(JSON::EscapeString(text), expected) << at;
    }
}

TEST(JSONWriter, KeysAreWrittenUnescaped) {
    JSON value;
    value["a\"b"] = 1;
    EXPECT_EQ(value.ToText(1, "  "), "{\n  \"a\"b\" : 1\n}");
}

// === Round trips =============================================================

TEST(JSONRoundTrip, FloatsAndIntegersKeepTheirKinds) {
    JSON value{"f", 130.0f, "i", 130, "tiny", 0.0000001, "neg", -2.25};
    ErrorLog log;
    JSON back = JSON::FromText(value.ToText());
    EXPECT_EQ(back["f"].GetKind(), Kind::Float);
    EXPECT_EQ(back["f"].AsFloat(), 130.0);
    EXPECT_EQ(back["i"].GetKind(), Kind::Integer);
    EXPECT_EQ(back["i"].AsInt(), 130);
    EXPECT_EQ(back["tiny"].AsFloat(), 0.0);
    EXPECT_EQ(back["neg"].AsFloat(), -2.25);
    EXPECT_EQ(log.Text(), "");
}

TEST(JSONRoundTrip, UnicodeEscapeTextSurvivesSaveAndLoad) {
    ErrorLog log;
    JSON loaded = JSON::FromText(R"({"s": "caf\u00e9"})");
    JSON again = JSON::FromText(loaded.ToText());
    EXPECT_EQ(again["s"].AsString(), "caf\\u00e9");
    EXPECT_EQ(log.Text(), "");
}

TEST(JSONRoundTrip, KeyWithAQuoteDoesNotReadBack) {
    JSON value;
    value["a\"b"] = 1;
    ErrorLog log;
    JSON back = JSON::FromText(value.ToText());
    EXPECT_FALSE(back.HasMember("a\"b"));
    EXPECT_FALSE(log.Text().empty());
}

namespace {

// A random value: strings of any bytes, floats with an exact six-decimal
// form, integers across the 32-bit range, keys without quote or backslash.
JSON RandomValue(std::mt19937& random, int depth) {
    std::uniform_int_distribution<int> pick(0, depth > 4 ? 4 : 6);
    auto random_text = [&](bool key) {
        std::string text(random() % 12, ' ');
        for (char& c : text) {
            c = char(random() % 256);
            if (key && (c == '"' || c == '\\'))
                c = 'k';
        }
        return text;
    };
    switch (pick(random)) {
    case 0: return JSON();
    case 1: return JSON(random() % 2 == 0);
    case 2: return JSON(int(int32_t(random())));
    case 3: return JSON(double(int32_t(random() % 2000000) - 1000000) / 64.0);
    case 4: return JSON(random_text(false));
    case 5: {
        JSON list = JSON::MakeArray();
        for (unsigned n = random() % 5; n > 0; --n)
            list.Append(RandomValue(random, depth + 1));
        return list;
    }
    default: {
        JSON object = JSON::MakeObject();
        for (unsigned n = random() % 5; n > 0; --n)
            object[random_text(true)] = RandomValue(random, depth + 1);
        return object;
    }
    }
}

// Same kinds and same content, all the way down.
bool SameValue(const JSON& a, const JSON& b) {
    if (a.GetKind() != b.GetKind())
        return false;
    switch (a.GetKind()) {
    case Kind::Bool: return a.AsBool() == b.AsBool();
    case Kind::Integer: return a.AsInt() == b.AsInt();
    case Kind::Float: return a.AsFloat() == b.AsFloat();
    case Kind::String: return a.AsString() == b.AsString();
    case Kind::Array: {
        if (a.Count() != b.Count())
            return false;
        auto other = b.ArrayItems().begin();
        for (const JSON& element : a.ArrayItems())
            if (!SameValue(element, *other++))
                return false;
        return true;
    }
    case Kind::Object: {
        if (a.Count() != b.Count())
            return false;
        auto other = b.ObjectItems().begin();
        for (const auto& member : a.ObjectItems()) {
            if (member.first != other->first || !SameValue(member.second, other->second))
                return false;
            ++other;
        }
        return true;
    }
    default: return true;
    }
}

}  // namespace

TEST(JSONRoundTrip, GeneratedValuesReadBackUnchanged) {
    std::mt19937 random(20240601);
    ErrorLog log;
    for (int round = 0; round < 300; ++round) {
        JSON value = JSON::MakeObject();
        for (int member = 0; member < 4; ++member)
            value["m" + std::to_string(member)] = RandomValue(random, 1);
        std::string text = value.ToText(1, "  ");
        JSON back = JSON::FromText(text);
        ASSERT_TRUE(SameValue(value, back)) << text;
        ASSERT_EQ(back.ToText(1, "  "), text);
        JSON copy(back);
        ASSERT_TRUE(SameValue(copy, value));
    }
    EXPECT_EQ(log.Text(), "");
}
