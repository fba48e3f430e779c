// The editor frame: its windows, fields, commands and menus, through whole
// frames of ShowEditor.
#include "EditorHarness.h"

#include "Demo.h"
#include "EditorState.h"
#include "Playback.h"

using edtest::EditorTest;
using edtest::kMain;

TEST_F(EditorTest, Smoke) {
    EXPECT_TRUE(Frame());
    Press(Id(kMain, {"Pause"}));
    EXPECT_TRUE(g_demo->paused);
}
