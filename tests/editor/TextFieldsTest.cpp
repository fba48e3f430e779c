// Text that is not valid UTF-8 in the editor's text fields: repair, cuts, a field edited for real.
#include <gtest/gtest.h>

#include <string>

#include "EditorHarness.h"
#include "Playback.h"
#include "TextFields.h"

namespace {

using edtest::EditorTest;
const std::string kFFFD = "\xEF\xBF\xBD";

TEST(TextFields, EveryByteOutsideAWellFormedSequenceReadsUFFFDAndNoCutSplitsACharacter) {
    const struct { std::string text, repaired; } repairs[] = {
        {"a\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", ""},  // kept
        {"caf\xE9", "caf" + kFFFD},                                       // a lone lead byte at the end
        {"\xC0\xAF\xE0\x9F\xBF", kFFFD + kFFFD + kFFFD + kFFFD + kFFFD},  // overlong forms
        {"\xED\xA0\x80\xF4\x90", kFFFD + kFFFD + kFFFD + kFFFD + kFFFD},  // a surrogate, beyond U+10FFFF
        {"\x80x\xF5", kFFFD + "x" + kFFFD},                               // bytes that start nothing
        {"\xE2\x82\xC3\xA9", kFFFD + kFFFD + "\xC3\xA9"},                 // a sequence broken off
    };
    for (const auto& r : repairs) {
        EXPECT_EQ(RepairUtf8(r.text), r.repaired.empty() ? r.text : r.repaired);
        EXPECT_EQ(IsValidUtf8(r.text), r.repaired.empty());
    }
    // A four-byte character at a copy's end; a repair's three bytes at a field's.
    char buffer[6];
    CopyBounded(buffer, sizeof buffer, "aa\xF0\x9F\x98\x80");
    EXPECT_STREQ(buffer, "aa");
    EXPECT_EQ(FieldText("caf\xE9", 6), "caf");
}

TEST_F(EditorTest, TheDocumentNameFieldEditsANameEndingInAnyBytesSafely) {
    const std::string cut(253, 'a');  // with its two-byte character, one byte more than the field holds
    for (const auto& [name, edited] : {std::pair<std::string, std::string>{"caf\xE9", "caf" + kFFFD + "b"},
                                       {cut + "\xC3\xA9", cut + "b"}}) {
        CopyBounded(g_document_name, sizeof g_document_name, name);
        EditField(Id(edtest::kMain, {"##Demo filename"}), SDL_SCANCODE_END, false, "b");
        EXPECT_EQ(g_document_name, edited);
    }
}

}  // namespace
