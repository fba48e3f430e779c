// Text that is not valid UTF-8 in the editor's text fields and labels: the
// repair and the cuts at their edges, the text a label shows, and a field of
// the main window edited for real.
// The fields of the other windows are edited in their windows' tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "EditorHarness.h"
#include "EditorState.h"
#include "Playback.h"
#include "TextFields.h"

using edtest::EditorTest;

namespace {

const std::string kFFFD = "\xEF\xBF\xBD";

TEST(RepairUtf8, KeepsWellFormedTextAndReplacesEveryOtherByteOnItsOwn) {
    // One to four bytes, the edges of each range included.
    for (const char* valid : {"plain", "\x7F", "\xC2\x80\xDF\xBF", "\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF",
                              "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "caf\xC3\xA9"}) {
        EXPECT_EQ(RepairUtf8(valid), valid);
        EXPECT_TRUE(IsValidUtf8(valid)) << valid;
    }
    for (const char* invalid : {"caf\xE9", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82\xC3\xA9", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(IsValidUtf8(invalid)) << invalid;
    // A lone lead byte at the end, with or without its start of a sequence.
    EXPECT_EQ(RepairUtf8("caf\xE9"), "caf" + kFFFD);
    EXPECT_EQ(RepairUtf8("ab\xF0\x9F\x98"), "ab" + kFFFD + kFFFD + kFFFD);
    // Overlong forms, surrogates, beyond U+10FFFF, bytes that start nothing.
    EXPECT_EQ(RepairUtf8("\xC0\xAF"), kFFFD + kFFFD);
    EXPECT_EQ(RepairUtf8("\xE0\x9F\xBF"), kFFFD + kFFFD + kFFFD);
    EXPECT_EQ(RepairUtf8("\xF0\x8F\xBF\xBF"), kFFFD + kFFFD + kFFFD + kFFFD);
    EXPECT_EQ(RepairUtf8("\xED\xA0\x80"), kFFFD + kFFFD + kFFFD);
    EXPECT_EQ(RepairUtf8("\xF4\x90\x80\x80"), kFFFD + kFFFD + kFFFD + kFFFD);
    EXPECT_EQ(RepairUtf8("\x80x\xF5\xFF"), kFFFD + "x" + kFFFD + kFFFD);
    // A lead byte whose sequence breaks off: the next character stays whole.
    EXPECT_EQ(RepairUtf8("\xE2\x82\xC3\xA9"), kFFFD + kFFFD + "\xC3\xA9");
    EXPECT_EQ(Utf8SequenceLength("\xE2\x82\xAC", 2), 0u);  // the length given ends it
}

TEST(RepairUtf8, CutsFallOnCharacterBoundaries) {
    const std::string smile = "aa\xF0\x9F\x98\x80";  // a four-byte character at the cut
    EXPECT_EQ(CharacterCut(smile, 2), 2u);
    EXPECT_EQ(CharacterCut(smile, 5), 2u);
    EXPECT_EQ(CharacterCut(smile, 6), 6u);
    EXPECT_EQ(CharacterCut("caf\xE9xy", 4), 4u);  // a stray byte is a character of its own
    char buffer[6] = "?????";
    CopyBounded(buffer, sizeof buffer, smile);
    EXPECT_STREQ(buffer, "aa");
    CopyBounded(buffer, sizeof buffer, "caf\xE9xy");  // raw bytes stay raw
    EXPECT_STREQ(buffer, "caf\xE9x");
    CopyBounded(buffer, 1, "abc");
    EXPECT_STREQ(buffer, "");
    // The field's copy: repaired first, then cut, so the repair's three
    // bytes are never split.
    EXPECT_EQ(FieldText("caf\xE9", 7), "caf" + kFFFD);
    EXPECT_EQ(FieldText("caf\xE9", 6), "caf");
    EXPECT_EQ(FieldText(std::string(253, 'a') + "\xC3\xA9", 255), std::string(253, 'a'));
}

TEST(ShownText, IsTheStoredTextItselfWhenValidAndItsRepairOtherwise) {
    const std::string valid = "caf\xC3\xA9.frag", latin1 = "caf\xE9.frag";
    EXPECT_EQ(ShownText(valid).c_str(), valid.c_str());  // no copy
    EXPECT_EQ(ShownText(latin1).c_str(), "caf" + kFFFD + ".frag");
}

TEST_F(EditorTest, TheDocumentNameFieldShowsAnyBytesAndIsEditedSafely) {
    ImGuiID field = Id(edtest::kMain, {"##Demo filename"});
    std::snprintf(g_document_name, sizeof g_document_name, "%s", "caf\xE9");
    Frames(2);
    EXPECT_STREQ(g_document_name, "caf\xE9");  // shown, not changed
    EditField(field, SDL_SCANCODE_A, true, "x");
    EXPECT_STREQ(g_document_name, "x");
    // 255 bytes, the last character cut by the field's 254.
    std::string cut(253, 'a');
    std::snprintf(g_document_name, sizeof g_document_name, "%s", (cut + "\xC3\xA9").c_str());
    EditField(field, SDL_SCANCODE_END, false, "b");
    EXPECT_EQ(std::string(g_document_name), cut + "b");
}

}  // namespace
