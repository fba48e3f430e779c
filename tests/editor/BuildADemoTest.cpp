// A whole demo built inside the editor, window by window, as a user would:
// an effect given a program and an image, placed as an event, automated;
// then saved as JSON and loaded back to the same document. Run under ASan
// too: nothing deleted along the way may be used afterwards.
#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>

#include <string>

#include "Commands.h"
#include "Demo.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "Effect.h"
#include "Event.h"
#include "JSON.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "Texture.h"

using edtest::EditorTest;

TEST_F(EditorTest, AUserBuildsADemoInTheEditorAndItSurvivesSaveAndLoad) {
    // The resources: one image.
    ASSERT_EQ(mkdir("resources", 0755), 0);
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, 8, 4, 32, SDL_PIXELFORMAT_RGBA32);
    ASSERT_NE(image, nullptr);
    SDL_FillRect(image, nullptr, SDL_MapRGBA(image->format, 0, 200, 0, 255));
    ASSERT_EQ(IMG_SavePNG(image, "resources/grass.png"), 0);
    SDL_FreeSurface(image);

    // A program with one user uniform, written in the Shader Editor.
    g_show_texture_manager = true;
    g_show_event_manager = true;
    Frame();
    ImGui::SetWindowPos("Effect Manager", ImVec2(0, 20));
    ImGui::SetWindowSize("Effect Manager", ImVec2(640, 700));
    ImGui::SetWindowPos("Event Manager", ImVec2(0, 20));  // wide: the point table has fixed widths
    ImGui::SetWindowSize("Event Manager", ImVec2(1280, 700));
    ImGui::SetWindowPos("Texture Manager", ImVec2(0, 400));
    Press(Id("Shader Editor", {"New"}));
    ShaderProgram* program = g_demo->shaders.at(0);
    program->fragment_shader_source =
        "#version 150\nuniform float gain;\nuniform sampler2D tex;\nout vec4 c;\n"
        "void main() { c = vec4(gain, texture(tex, vec2(0.5)).g, 0.0, 1.0); }\n";
    program->uniform_defs.push_back(new UniformDef("gain", 0.0f, 1.0f, 0.25f));
    program->Relink();
    ASSERT_EQ(program->log, "Compilation successful.");

    // The image, through the picker.
    Press(Id("Texture Manager", {"Load image"}));
    Frame();
    std::snprintf(g_picker_filename, sizeof g_picker_filename, "grass.png");
    Press(Id("Load image file", {"OK"}));
    ASSERT_EQ(g_demo->textures.size(), 1u);

    // The effect: made, given the program and the image, placed as an event.
    const char* list = "Effect Manager/Selectables";
    const char* inspector = "Effect Manager/Inspector";
    Press(Id(list, {"New effect"}));
    Press(Id(list, {0, "untitled effect"}));
    Press(Id(inspector, {"Shader"}));
    Frame();
    Press(Id("##Combo_00", {0, "resources\\untitled.frag"}));
    Press(Id(inspector, {"##texture"}));
    Frame();
    Press(Id("##Combo_00", {0, "resources\\grass.png"}));
    Press(Id(inspector, {"Add##texture"}));
    Press(Id(inspector, {"Add as Event"}));
    Frame();
    TypeInto(Id("Add as Event", {"Event name"}), "opening");
    Press(Id("Add as Event", {"OK"}));
    ASSERT_EQ(g_demo->events.size(), 1u);
    Event* event = g_demo->events[0];

    // The uniform automated in the Event Manager: from its held value to a
    // curve with the bounds in turn.
    const char* points = "Event Manager/Control points";
    Frame();
    g_demo->paused = true;
    g_beat = 8.0f;
    Press(Id(points, {0, "Automate"}));
    Press(Id(points, {"Add##controlpoint"}));  // the default after a value between the bounds
    TypeInto(Id(points, {2, "##Value2"}), "1");
    Press(Id(points, {"Add##controlpoint"}));  // after the maximum, the minimum
    Press(Id(points, {"Add##controlpoint"}));  // and back
    const Automation& gain = event->automation["gain"];
    ASSERT_EQ(gain.control_points.size(), 5u);
    EXPECT_EQ(gain.control_points[1].beat, 8.0f);
    EXPECT_EQ(gain.control_points[2].value, 1.0f);
    EXPECT_EQ(gain.control_points[3].value, 0.0f);
    EXPECT_EQ(gain.control_points[4].value, 1.0f);

    // What it draws at beat 8: the curve's value in red, the image's green.
    g_demo->Render(8.0f);
    testgl::Pixel pixel = testgl::ReadPixel(5, 5);
    EXPECT_NEAR(pixel.r, 255.0f * event->GetValue("gain", 8.0f), 2.0f);
    EXPECT_NEAR(pixel.g, 200, 2);

    // Saved and loaded back: the same document.
    std::string saved = g_demo->ToJSON().ToText(1, "  ");
    Frame(SDLK_s);
    EXPECT_EQ(GetStatusMessage(), "Saved untitled.demo.json");
    Frame(SDLK_l);
    EXPECT_EQ(GetStatusMessage(), "Loaded untitled.demo.json");
    EXPECT_EQ(g_demo->ToJSON().ToText(1, "  "), saved);
    Frames(3);  // every window follows the new document
    g_demo->Render(8.0f);
    EXPECT_NEAR(testgl::ReadPixel(5, 5).g, 200, 2);
}
