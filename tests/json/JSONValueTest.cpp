// The JSON value type: kinds, value semantics, building and neutral answers.
#include "JSON.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using Kind = JSON::Kind;

namespace {

std::vector<std::string> Keys(const JSON& value) {
    std::vector<std::string> keys;
    for (const auto& member : value.ObjectItems())
        keys.push_back(member.first);
    return keys;
}

}  // namespace

TEST(JSONValue, KindNumbersAreFixed) {
    EXPECT_EQ(uint32_t(Kind::Null), 0u);
    EXPECT_EQ(uint32_t(Kind::Object), 1u);
    EXPECT_EQ(uint32_t(Kind::Array), 2u);
    EXPECT_EQ(uint32_t(Kind::String), 3u);
    EXPECT_EQ(uint32_t(Kind::Float), 4u);
    EXPECT_EQ(uint32_t(Kind::Integer), 5u);
    EXPECT_EQ(uint32_t(Kind::Bool), 6u);
    EXPECT_EQ(sizeof(Kind), 4u);
}

TEST(JSONValue, EachConstructorMakesItsOwnKind) {
    EXPECT_EQ(JSON().GetKind(), Kind::Null);
    EXPECT_EQ(JSON(true).GetKind(), Kind::Bool);
    EXPECT_TRUE(JSON(true).AsBool());
    EXPECT_EQ(JSON("text").GetKind(), Kind::String);  // never a Bool through the pointer
    EXPECT_EQ(JSON("text").AsString(), "text");
    EXPECT_EQ(JSON(std::string("s\0t", 3)).AsString(), std::string("s\0t", 3));
    EXPECT_EQ(JSON(5).GetKind(), Kind::Integer);
    EXPECT_EQ(JSON(5).AsInt(), 5);
    EXPECT_EQ(JSON(2.5f).GetKind(), Kind::Float);
    EXPECT_EQ(JSON(2.5f).AsFloat(), 2.5);
    EXPECT_EQ(JSON(0.1f).AsFloat(), double(0.1f));  // widened, not re-rounded
    EXPECT_EQ(JSON(-1.25).AsFloat(), -1.25);
}

TEST(JSONValue, ANullTextPointerIsTheEmptyString) {
    const char* none = nullptr;
    EXPECT_EQ(JSON(none).GetKind(), Kind::String);
    EXPECT_EQ(JSON(none).AsString(), "");
    JSON value(5);
    value = none;
    EXPECT_EQ(value.GetKind(), Kind::String);
    EXPECT_EQ(value.AsString(), "");
    JSON object;
    object[none] = 1;
    EXPECT_EQ(object.Count(), 1);
    EXPECT_EQ(object[""].AsInt(), 1);
}

TEST(JSONValue, QueriesOfTheWrongKindAnswerNeutrally) {
    bool ok = true;
    EXPECT_EQ(JSON(3).AsFloat(ok), 0.0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(JSON(3.0).AsInt(ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(JSON(3).AsString(ok), "");
    EXPECT_FALSE(ok);
    EXPECT_FALSE(JSON("true").AsBool(ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(JSON(3).AsInt(ok), 3);
    EXPECT_TRUE(ok);
    EXPECT_EQ(JSON(false).AsBool(ok), false);
    EXPECT_TRUE(ok);
    EXPECT_EQ(JSON("").AsString(ok), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(JSON(0.5).AsFloat(ok), 0.5);
    EXPECT_TRUE(ok);
}

TEST(JSONValue, CountIsMinusOneUnlessObjectOrArray) {
    EXPECT_EQ(JSON().Count(), -1);
    EXPECT_EQ(JSON("abc").Count(), -1);
    EXPECT_EQ(JSON(7).Count(), -1);
    EXPECT_EQ(JSON(7.0).Count(), -1);
    EXPECT_EQ(JSON(true).Count(), -1);
    EXPECT_EQ(JSON::MakeObject().Count(), 0);
    EXPECT_EQ(JSON::MakeArray().Count(), 0);
}

TEST(JSONValue, KeyIndexTurnsAnyKindIntoAnObject) {
    JSON value;
    EXPECT_TRUE(value["a"].IsNull());
    EXPECT_EQ(value.GetKind(), Kind::Object);
    EXPECT_EQ(value.Count(), 1);

    JSON array = JSON::MakeArray();
    array.Append(1);
    array.Append(2);
    array["k"] = 1;
    EXPECT_EQ(array.GetKind(), Kind::Object);
    EXPECT_EQ(array.Count(), 1);
    EXPECT_EQ(array["k"].AsInt(), 1);

    JSON object{"x", 1};
    object["y"] = "two";
    EXPECT_EQ(object.Count(), 2);  // an Object keeps its members
}

TEST(JSONValue, NumberIndexGrowsAnArrayWithNull) {
    JSON value;
    EXPECT_TRUE(value[3].IsNull());
    EXPECT_EQ(value.GetKind(), Kind::Array);
    EXPECT_EQ(value.Count(), 4);
    for (const JSON& element : value.ArrayItems())
        EXPECT_TRUE(element.IsNull());

    JSON three = JSON::MakeArray();
    three.Append(10);
    three.Append(11);
    three.Append(12);
    EXPECT_EQ(three[1].AsInt(), 11);
    EXPECT_EQ(three.Count(), 3);
}

TEST(JSONValue, AppendTurnsAStringIntoAnArray) {
    JSON value("text");
    value.Append(true);
    ASSERT_EQ(value.GetKind(), Kind::Array);
    EXPECT_EQ(value.Count(), 1);
    EXPECT_TRUE(value[0].AsBool());
}

TEST(JSONValue, InitializerListSortsKeysAndKeepsTheLaterValue) {
    JSON value{"b", 1, "a", 2, "b", 3};
    EXPECT_EQ(Keys(value), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(value["a"].AsInt(), 2);
    EXPECT_EQ(value["b"].AsInt(), 3);
}

TEST(JSONValue, KeysSortByteByByteWithPrefixesFirst) {
    JSON value{"ab", 1, "a", 2, "B", 3, "\xc3\xa9", 4, "", 5};
    EXPECT_EQ(Keys(value), (std::vector<std::string>{"", "B", "a", "ab", "\xc3\xa9"}));
}

TEST(JSONValue, InitializerListKeyThatIsNoStringNamesTheEmptyMember) {
    JSON value{1, 2};
    EXPECT_EQ(value.GetKind(), Kind::Object);
    EXPECT_EQ(value.Count(), 1);
    EXPECT_EQ(value[""].AsInt(), 2);
}

TEST(JSONValue, InitializerListIgnoresATrailingKey) {
    JSON value{"a", 1, "b"};
    EXPECT_EQ(value.Count(), 1);
    EXPECT_FALSE(value.HasMember("b"));
    JSON lone{"a"};
    EXPECT_EQ(lone.GetKind(), Kind::Object);
    EXPECT_EQ(lone.Count(), 0);
}

TEST(JSONValue, HasMemberInsertsNothing) {
    JSON array = JSON::MakeArray();
    array.Append(1);
    EXPECT_FALSE(array.HasMember("a"));
    EXPECT_EQ(array.GetKind(), Kind::Array);
    EXPECT_EQ(array.Count(), 1);

    JSON object{"a", 1};
    EXPECT_TRUE(object.HasMember("a"));
    EXPECT_FALSE(object.HasMember("b"));
    EXPECT_EQ(object.Count(), 1);
}

TEST(JSONValue, MoveLeavesTheSourceNull) {
    JSON source{"a", JSON("text")};
    JSON target(std::move(source));
    EXPECT_TRUE(source.IsNull());
    EXPECT_EQ(source.Count(), -1);
    EXPECT_EQ(target["a"].AsString(), "text");

    JSON other(5);
    other = std::move(target);
    EXPECT_TRUE(target.IsNull());
    EXPECT_EQ(other.GetKind(), Kind::Object);
    EXPECT_EQ(other["a"].AsString(), "text");
}

TEST(JSONValue, CopyIsDeep) {
    JSON original;
    original["list"].Append(1);
    original["list"].Append(JSON{"x", "y"});
    JSON copy(original);
    copy["list"][0] = 99;
    copy["list"][1]["x"] = "changed";
    copy["new"] = true;
    EXPECT_EQ(original["list"][0].AsInt(), 1);
    EXPECT_EQ(original["list"][1]["x"].AsString(), "y");
    EXPECT_FALSE(original.HasMember("new"));

    JSON assigned;
    assigned = original;
    assigned["list"].Append(3);
    EXPECT_EQ(original["list"].Count(), 2);
    EXPECT_EQ(assigned["list"].Count(), 3);
}

TEST(JSONValue, SelfAssignmentKeepsTheValue) {
    JSON value{"a", JSON("text")};
    JSON& same = value;
    value = same;
    EXPECT_EQ(value["a"].AsString(), "text");
    value = std::move(same);
    EXPECT_EQ(value["a"].AsString(), "text");
}

TEST(JSONValue, AssigningAMemberToItsOwnerKeepsTheMembersContent) {
    JSON value{"inner", JSON{"x", 7}};
    value = value["inner"];
    EXPECT_EQ(value["x"].AsInt(), 7);
    EXPECT_EQ(value.Count(), 1);

    JSON moved{"inner", JSON{"y", 8}};
    moved = std::move(moved["inner"]);
    EXPECT_EQ(moved["y"].AsInt(), 8);
    EXPECT_EQ(moved.Count(), 1);

    JSON list = JSON::MakeArray();
    list.Append("first");
    list.Append(list[0]);
    EXPECT_EQ(list[1].AsString(), "first");
}

TEST(JSONValue, ScalarAssignmentsChangeKind) {
    JSON value = JSON::MakeObject();
    value = 4;
    EXPECT_EQ(value.GetKind(), Kind::Integer);
    value = 4.5;
    EXPECT_EQ(value.AsFloat(), 4.5);
    value = std::string("s");
    EXPECT_EQ(value.AsString(), "s");
    value = "literal";
    EXPECT_EQ(value.GetKind(), Kind::String);
    value = false;
    EXPECT_EQ(value.GetKind(), Kind::Bool);
}

TEST(JSONValue, SetKindKeepsContentOfTheSameKind) {
    JSON value = JSON::MakeArray();
    value.Append(1);
    value.Append(2);
    value.SetKind(Kind::Array);
    EXPECT_EQ(value.Count(), 2);
    value.SetKind(Kind::String);
    EXPECT_EQ(value.AsString(), "");
    value.SetKind(Kind::Null);
    EXPECT_TRUE(value.IsNull());
}

TEST(JSONValue, MakeOfKindGivesEmptyContent) {
    EXPECT_EQ(JSON::MakeOfKind(Kind::Float).AsFloat(), 0.0);
    EXPECT_EQ(JSON::MakeOfKind(Kind::Float).GetKind(), Kind::Float);
    EXPECT_FALSE(JSON::MakeOfKind(Kind::Bool).AsBool());
    EXPECT_EQ(JSON::MakeOfKind(Kind::Bool).GetKind(), Kind::Bool);
    EXPECT_EQ(JSON::MakeOfKind(Kind::Integer).AsInt(), 0);
    EXPECT_EQ(JSON::MakeOfKind(Kind::String).AsString(), "");
    EXPECT_EQ(JSON::MakeOfKind(Kind::Null).GetKind(), Kind::Null);
    EXPECT_EQ(JSON::MakeOfKind(Kind(99)).GetKind(), Kind::Null);
}

TEST(JSONValue, ItemRangesOfTheWrongKindAreEmpty) {
    JSON object{"a", 1};
    JSON array = JSON::MakeArray();
    array.Append(1);
    int iterations = 0;
    for (auto& element : object.ArrayItems()) {
        (void)element;
        ++iterations;
    }
    for (auto& member : array.ObjectItems()) {
        (void)member;
        ++iterations;
    }
    const JSON scalar(1);
    for (const auto& element : scalar.ArrayItems()) {
        (void)element;
        ++iterations;
    }
    EXPECT_EQ(iterations, 0);
}

TEST(JSONValue, ItemRangesWalkInOrderAndAllowChanges) {
    JSON array = JSON::MakeArray();
    for (int i = 0; i < 5; ++i)
        array.Append(i);
    for (JSON& element : array.ArrayItems())
        element = element.AsInt() * 10;
    int expected = 0;
    const JSON& view = array;
    for (const JSON& element : view.ArrayItems()) {
        EXPECT_EQ(element.AsInt(), expected);
        expected += 10;
    }
    EXPECT_EQ(expected, 50);
}

// Short texts live inside the value, longer ones apart: every length on both
// sides of the line keeps its bytes through copies, moves and assignments.
TEST(JSONValue, StringsOfEveryLengthKeepTheirBytes) {
    for (size_t length = 0; length <= 40; ++length) {
        std::string text;
        for (size_t i = 0; i < length; ++i)
            text += char(i % 5 == 4 ? 0 : i % 3 == 2 ? 0xFF - i : 'a' + i);  // zero and high bytes too
        JSON value(text);
        EXPECT_EQ(value.AsString(), text);
        JSON copy(value);
        JSON moved(std::move(copy));
        EXPECT_TRUE(copy.IsNull());
        EXPECT_EQ(moved.AsString(), text);
        JSON assigned = JSON::MakeArray();
        assigned = text;
        EXPECT_EQ(assigned.AsString(), text);
        assigned = moved;
        moved = "x";
        EXPECT_EQ(assigned.AsString(), text);
        EXPECT_EQ(JSON::FromText(value.ToText()).AsString(), text);
    }
}

TEST(JSONValue, MembersStayFindableWhileTheObjectGrows) {
    JSON object;
    for (int i = 0; i < 100; ++i)
        object["k" + std::to_string((i * 37) % 100)] = i;
    EXPECT_EQ(object.Count(), 100);
    std::vector<std::string> keys;
    for (const auto& member : object.ObjectItems())
        keys.push_back(member.first);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(object["k" + std::to_string((i * 37) % 100)].AsInt(), i);
    EXPECT_EQ(object.Count(), 100);
}

// The blocks of a value read from text are shared among its parts; each part
// moved out still owns what it holds once the rest is gone, also when the
// parts are released on different threads at once.
TEST(JSONValue, PartsOfAReadValueOutliveIt) {
    JSON kept;
    {
        JSON read = JSON::FromText(R"({"a": {"x": [1, 2, {"y": 3}]}, "b": [4, "longer than eleven"]})");
        kept = std::move(read["a"]);
        JSON copy = read["b"];
        read = JSON();
        EXPECT_EQ(copy[1].AsString(), "longer than eleven");
    }
    EXPECT_EQ(kept["x"][2]["y"].AsInt(), 3);
    kept["x"].Append(5);  // grows out of the block the reader made
    kept["x"][2]["z"] = 6;
    EXPECT_EQ(kept["x"].Count(), 4);
    EXPECT_EQ(kept["x"][2].Count(), 2);

    std::string text = "[";
    for (int i = 0; i < 2000; ++i)
        text += std::string(i ? ", " : "") + "{\"i\": " + std::to_string(i) + "}";
    JSON list = JSON::FromText(text + "]");
    std::vector<JSON> halves[2];
    int index = 0;
    for (JSON& element : list.ArrayItems())
        halves[index++ % 2].push_back(std::move(element));
    list = JSON();
    std::thread first([&] { halves[0].clear(); });
    std::thread second([&] { halves[1].clear(); });
    first.join();
    second.join();
    EXPECT_TRUE(halves[0].empty() && halves[1].empty());
}

// A reference to a member or an element stays valid while that entry exists,
// however many entries its container gains: containers built in code and read
// from text, of sizes that leave their storage full or roomy. The referenced
// text is too long to live inside the value, so a stale read trips ASan.
TEST(JSONValue, ReferencesToEntriesSurviveInsertionsIntoTheirContainer) {
    const std::string name = "a text too long to be kept inside the value itself";
    for (int size = 1; size < 10; ++size)
        for (bool read : {false, true})
            for (bool grown : {false, true}) {
                SCOPED_TRACE(std::to_string(size) + (read ? " read" : " built") + (grown ? " grown" : ""));
                JSON object, array = JSON::MakeArray();
                std::string object_text = "{\"name\": \"" + name + "\"", array_text = "[\"" + name + "\"";
                object["name"] = name;
                array.Append(name);
                for (int i = 1; i < size; ++i) {
                    object["x" + std::to_string(i)] = i;
                    array.Append(i);
                    object_text += ", \"x" + std::to_string(i) + "\": 0";
                    array_text += ", 0";
                }
                if (read) {
                    object = JSON::FromText(object_text + "}");
                    array = JSON::FromText(array_text + "]");
                }
                if (grown) {
                    object["z"] = 0;
                    array.Append(0);
                }
                // A missing member given another's value: C++17 looks the right side up first.
                object["a"] = object["name"];
                EXPECT_EQ(object["a"].AsString(), name);
                // A reference held across the insertion of a member that sorts before it.
                JSON& held = object["name"];
                object["effects"];
                EXPECT_EQ(held.AsString(), name);
                // An element past the end given the first one's value.
                const unsigned last = unsigned(array.Count()) + 4;
                array[last] = array[0];
                EXPECT_EQ(array[last].AsString(), name);
            }
}
