// The Viewport: the demo's last effect as an upright 16:9 picture, and the
// fly camera: keys held per frame, Left Shift, and mouse-look by clicks.
#include <SDL.h>

#include <cfloat>
#include <cmath>

#include "Demo.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "Effect.h"
#include "Event.h"
#include "Playback.h"

using edtest::EditorTest;

namespace {

// The rectangle and texture coordinates of the first quad drawn with the texture.
struct DrawnImage {
    bool found = false;
    ImVec2 min, max, uv_min, uv_max;
};

DrawnImage FindImage(ImTextureID texture) {
    DrawnImage image;
    const ImDrawData* data = ImGui::GetDrawData();
    for (int l = 0; data && l < data->CmdListsCount && !image.found; ++l) {
        const ImDrawList* list = data->CmdLists[l];
        for (const ImDrawCmd& cmd : list->CmdBuffer) {
            if (cmd.TextureId != texture || cmd.ElemCount < 6) continue;
            const ImDrawVert& a = list->VtxBuffer[list->IdxBuffer[cmd.IdxOffset] + cmd.VtxOffset];
            const ImDrawVert& c = list->VtxBuffer[list->IdxBuffer[cmd.IdxOffset + 2] + cmd.VtxOffset];
            image = {true, a.pos, c.pos, a.uv, c.uv};
            break;
        }
    }
    return image;
}

}  // namespace

TEST_F(EditorTest, TheViewportShowsTheLastEffectUprightAtSixteenByNine) {
    AddSolidEvent("under", 0, 0, 1, 0, 100);
    Event* top = AddSolidEvent("top", 1, 0, 0, 0, 100);
    g_demo->paused = true;
    g_beat = 1.0f;
    Frame();
    Frame();
    ASSERT_NE(top->effect->texture, 0u);  // captured from the back buffer
    DrawnImage image = FindImage((ImTextureID)(intptr_t)top->effect->texture);
    ASSERT_TRUE(image.found);
    float width = Window("Viewport")->ContentRegionRect.GetWidth();
    EXPECT_NEAR(image.max.x - image.min.x, width, 0.5f);
    EXPECT_NEAR(image.max.y - image.min.y, width * 9.0f / 16.0f, 0.5f);
    EXPECT_EQ(image.uv_min.y, 1.0f);  // turned upright
    EXPECT_EQ(image.uv_max.y, 0.0f);
    // What the Viewport drew is still in the back buffer: the top event.
    testgl::Pixel pixel = testgl::ReadPixel(10, 10);
    EXPECT_GT(pixel.r, 200);
    EXPECT_LT(pixel.b, 50);

    // No event at this beat: an empty Viewport, and still no full-screen draw.
    g_beat = 200.0f;
    EXPECT_TRUE(Frame());
    EXPECT_FALSE(FindImage((ImTextureID)(intptr_t)top->effect->texture).found);
}

TEST_F(EditorTest, TheCameraFliesByHeldKeysOnlyWhileTheViewportHasTheFocus) {
    Key(SDL_SCANCODE_W, 10);  // not focused: nothing moves
    EXPECT_EQ(g_camera_position[2], 0.0f);

    Focus("Viewport");
    // With Ctrl held the letters are shortcuts: Ctrl+S saves and Ctrl+E shows
    // the Event Manager, and neither flies nor turns the camera.
    IO().KeyCtrl = true;
    IO().KeysDown[SDL_SCANCODE_S] = true;
    Frames(3);
    IO().KeysDown[SDL_SCANCODE_S] = false;
    Frame(SDLK_s);  // released with Ctrl held: the main loop hands the key over
    IO().KeysDown[SDL_SCANCODE_E] = true;
    Frames(3);
    IO().KeysDown[SDL_SCANCODE_E] = false;
    Frame(SDLK_e);
    IO().KeyCtrl = false;
    Frame();
    EXPECT_TRUE(dir->Exists("untitled.demo.json"));
    EXPECT_TRUE(g_show_event_manager);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(g_camera_position[i], 0.0f) << i;
        EXPECT_EQ(g_camera_rotation[i], 0.0f) << i;
    }
    Focus("Viewport");  // the Event Manager came up with the focus

    Key(SDL_SCANCODE_W, 10);  // W alone flies
    EXPECT_NEAR(g_camera_position[2], 1.0f, 1e-5f);
    IO().KeysDown[SDL_SCANCODE_LSHIFT] = true;
    Key(SDL_SCANCODE_W, 10);
    IO().KeysDown[SDL_SCANCODE_LSHIFT] = false;
    EXPECT_NEAR(g_camera_position[2], 11.0f, 1e-4f);
    IO().KeysDown[SDL_SCANCODE_RSHIFT] = true;  // the right Shift does nothing
    Key(SDL_SCANCODE_C, 1);
    IO().KeysDown[SDL_SCANCODE_RSHIFT] = false;
    EXPECT_NEAR(g_camera_position[1], -0.1f, 1e-6f);

    // R resets; with the y rotation at pi/2, D moves +z and W moves -x.
    Key(SDL_SCANCODE_R, 1);
    EXPECT_EQ(g_camera_position[2], 0.0f);
    g_camera_rotation[1] = static_cast<float>(M_PI / 2.0);
    Key(SDL_SCANCODE_D, 1);
    EXPECT_NEAR(g_camera_position[2], 0.1f, 1e-6f);
    Key(SDL_SCANCODE_UP, 1);
    EXPECT_NEAR(g_camera_position[0], -0.1f, 1e-6f);
    Key(SDL_SCANCODE_Q, 1);
    EXPECT_NEAR(g_camera_rotation[1], static_cast<float>(M_PI / 2.0) + 0.01f, 1e-6f);
    Key(SDL_SCANCODE_E, 2);
    EXPECT_NEAR(g_camera_rotation[1], static_cast<float>(M_PI / 2.0) - 0.01f, 1e-6f);
}

TEST_F(EditorTest, MouseLookTurnsByTheMouseIgnoresJumpsAndInvalidPositionsAndTheClickEndingItPressesNothing) {
    PressMenuItem("View", "Arrange windows");  // no other window over the Viewport
    Frame();
    Focus("Viewport");
    ImGuiWindow* viewport = Window("Viewport");
    ImVec2 inside(viewport->ContentRegionRect.Min.x + 10.0f, viewport->ContentRegionRect.Min.y + 10.0f);
    auto click = [&](ImVec2 at) {
        MouseTo(at);
        IO().MouseDown[0] = true;
        Frame();
        IO().MouseDown[0] = false;
        Frame();
    };
    click(inside);
    ASSERT_TRUE(g_mouse_look);
    EXPECT_EQ(g_camera_rotation[1], 0.0f);  // the first frame has no previous position

    MouseTo(ImVec2(inside.x + 99.0f, inside.y));
    Frame();
    EXPECT_NEAR(g_camera_rotation[1], -1.98f, 1e-5f);
    MouseTo(ImVec2(inside.x + 199.0f, inside.y + 5.0f));  // a jump of exactly 100 in x
    Frame();
    EXPECT_NEAR(g_camera_rotation[1], -1.98f, 1e-5f);
    EXPECT_NEAR(g_camera_rotation[0], -0.1f, 1e-6f);
    MouseTo(ImVec2(-FLT_MAX, -FLT_MAX));  // the mouse left the window
    Frame();
    EXPECT_NEAR(g_camera_rotation[1], -1.98f, 1e-5f);
    EXPECT_EQ(g_last_mouse_x, static_cast<int32_t>(inside.x + 199.0f));

    // The next click, anywhere while the Viewport keeps the focus, ends it.
    click(ImVec2(inside.x + 150.0f, inside.y + 5.0f));
    EXPECT_FALSE(g_mouse_look);
    EXPECT_EQ(g_last_mouse_x, -10000);

    // Over a button, that click presses nothing; the next one does.
    Press(Id(edtest::kMain, {"Pause"}));  // by the keyboard, which marks where the button lies
    ImRect button = Window(edtest::kMain)->NavRectRel[0];
    button.Translate(Window(edtest::kMain)->DC.CursorStartPos);
    Focus("Viewport");
    click(inside);
    click(button.GetCenter());
    EXPECT_TRUE(g_demo->paused);
    click(button.GetCenter());
    EXPECT_FALSE(g_demo->paused);
}
