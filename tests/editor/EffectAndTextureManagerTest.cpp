// The Effect Manager and the Texture Manager with its file picker, through
// whole editor frames: what a user builds with them, and that nothing they
// delete is used afterwards (these tests also run under ASan).
#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "Demo.h"
#include "Commands.h"
#include "Documents.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "Effect.h"
#include "Event.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "Texture.h"

using edtest::EditorTest;

namespace {

const char* const kList = "Effect Manager/Selectables";
const char* const kInspector = "Effect Manager/Inspector";

// A w x h opaque PNG file.
bool WritePng(const std::string& path, int w, int h) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr) return false;
    SDL_FillRect(surface, nullptr, SDL_MapRGBA(surface->format, 200, 10, 10, 255));
    bool ok = IMG_SavePNG(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

class ManagerTest : public EditorTest {
protected:
    // Opens a combo of the inspector and picks the entry at index.
    void PickInCombo(const char* combo, int index, const std::string& label) {
        Press(Id(kInspector, {combo}));
        Frame();
        Press(Id("##Combo_00", {index, label.c_str()}));
    }
};

}  // namespace

TEST_F(ManagerTest, EffectsAreMadeWiredPlacedAndRemovedWithoutDanglingReferences) {
    ShaderProgram* program = new ShaderProgram();
    program->fragment_shader_source = "#version 150\nin vec3 vp;\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n";
    program->Relink();
    g_demo->shaders.push_back(program);
    PressMenuItem("View", "Arrange windows");  // the Effect Manager gets its place and size
    Frame();

    Press(Id(kList, {"New effect"}));
    Press(Id(kList, {"New effect"}));
    ASSERT_EQ(g_demo->effects.size(), 2u);
    EXPECT_EQ(g_demo->effects[0]->name, "untitled effect");
    EXPECT_EQ(g_demo->effects[1]->name, "untitled effect 2");  // free names: the JSON form can tell them apart
    EXPECT_EQ(g_selected_effect, nullptr);
    Effect* first = g_demo->effects[0];
    Effect* second = g_demo->effects[1];

    Press(Id(kList, {0, "untitled effect"}));
    EXPECT_EQ(g_selected_effect, first);
    // A name that is not UTF-8 is listed with U+FFFD (the font's fallback
    // glyph) for a stray byte; its field edits a copy cut on a character.
    first->name = "glow\xE9ing";
    Frame();
    const char fallback = static_cast<char>(IO().Fonts->Fonts[0]->FindGlyph(0xFFFD)->Codepoint);
    EXPECT_NE(DrawnText(kList).find(std::string("glow") + fallback + "ing"), std::string::npos);
    first->name = std::string(252, 'e') + "\xE9\xC3\xA9";  // U+FFFD and é: 257 bytes for 254
    TypeInto(Id(kInspector, {"Name"}), "glow");
    EXPECT_EQ(first->name, "glow");
    PickInCombo("Shader", 0, "resources\\untitled.frag");
    EXPECT_EQ(first->program, program);
    EXPECT_NE(first->vao, 0u);  // the quad for the program's "vp"
    Press(Id(kInspector, {"Edit"}));
    EXPECT_EQ(g_shader_edit_request, 0);
    EXPECT_TRUE(g_show_shader_editor);

    // "Add as Event": the typed name survives Cancel; OK makes the event 0 to 64.
    Press(Id(kInspector, {"Add as Event"}));
    Frame();
    std::snprintf(g_event_name_buffer, sizeof g_event_name_buffer, "%s", (std::string(1021, 'v') + "\xE9\xE9").c_str());
    TypeInto(Id("Add as Event", {"Event name"}), "intro");
    Press(Id("Add as Event", {"Cancel"}));
    EXPECT_STREQ(g_event_name_buffer, "intro");
    EXPECT_TRUE(g_demo->events.empty());
    // The name field has the keyboard as the dialog opens: typing names the event.
    Press(Id(kInspector, {"Add as Event"}));
    Frame();
    Frame();
    EXPECT_EQ(Context().ActiveId, Id("Add as Event", {"Event name"}));
    IO().AddInputCharactersUTF8(" one");
    Frame();
    EXPECT_STREQ(g_event_name_buffer, "intro one");
    Press(Id("Add as Event", {"OK"}));
    ASSERT_EQ(g_demo->events.size(), 1u);
    EXPECT_EQ(g_demo->events[0]->name, "intro one");
    EXPECT_EQ(g_demo->events[0]->effect, first);
    EXPECT_EQ(g_demo->events[0]->start_beat, 0.0f);
    EXPECT_EQ(g_demo->events[0]->end_beat, 64.0f);
    EXPECT_STREQ(g_event_name_buffer, "");

    // The second effect as an input of the first, twice; then the second
    // cannot take the first (a loop): the combo leaves it out, and a choice
    // dating from another effect is refused when added.
    PickInCombo("##effect", 1, "untitled effect 2");
    Press(Id(kInspector, {"Add##effect"}));
    PickInCombo("##effect", 1, "untitled effect 2");
    Press(Id(kInspector, {"Add##effect"}));
    EXPECT_EQ(first->input_effects, (std::vector<Effect*>{second, second}));
    PickInCombo("##effect", 0, "glow");  // an effect may not draw itself either: not offered
    EXPECT_EQ(g_pending_effect, nullptr);
    g_pending_effect.Keep(first);  // as the combo chose it while the second was not yet an input
    Press(Id(kInspector, {0, "untitled effect 2"}));  // the input's row moves the inspector
    Frame();
    EXPECT_EQ(g_selected_effect, second);
    PickInCombo("##effect", 0, "glow");
    EXPECT_EQ(g_pending_effect, first);  // the stale choice is still pending...
    Press(Id(kInspector, {"Add##effect"}));
    EXPECT_TRUE(second->input_effects.empty());  // ...but refused
    EXPECT_EQ(GetStatusMessage(), "Cannot add glow: it would feed itself");

    // Removing the second destroys it: the first's rows show it missing and
    // can still be deleted, one row at a time.
    Press(Id(kInspector, {"Remove effect"}));
    ASSERT_EQ(g_demo->effects.size(), 1u);
    EXPECT_EQ(g_selected_effect, nullptr);
    EXPECT_EQ(g_pending_effect, first);  // still in the document: still pending
    EXPECT_EQ(first->input_effects, (std::vector<Effect*>{nullptr, nullptr}));
    g_demo->Render(1.0f);
    Press(Id(kList, {0, "glow"}));
    Press(Id(kInspector, {1, "-"}));
    EXPECT_EQ(first->input_effects.size(), 1u);

    // Removing the effect an event shows leaves the event without one.
    Press(Id(kInspector, {"Remove effect"}));
    EXPECT_EQ(g_demo->events[0]->effect, nullptr);
    Frames(2);
    g_demo->Render(1.0f);
}

TEST_F(ManagerTest, ImagesArePickedFromResourcesUsedAsInputsAndDeleted) {
    ASSERT_EQ(mkdir("resources", 0755), 0);
    ASSERT_EQ(mkdir("resources/sub.png", 0755), 0);  // a directory is never listed
    ASSERT_TRUE(WritePng("resources/b.png", 4, 4));
    ASSERT_TRUE(WritePng("resources/A.png", 4, 4));
    ASSERT_TRUE(WritePng("resources/a.png", 4, 2));
    ASSERT_TRUE(dir->Write("resources/broken.png", "not an image"));
    ASSERT_TRUE(WritePng("resources/caf\xE9.png", 4, 4));
    ASSERT_EQ(symlink("b.png", "resources/link.png"), 0);  // a link to a file is listed
    g_show_texture_manager = true;
    Frame();
    // Room for the Effect Manager's inspector with two image rows.
    ImGui::SetWindowPos("Effect Manager", ImVec2(0, 0));
    ImGui::SetWindowSize("Effect Manager", ImVec2(700, 720));
    ImGui::SetWindowPos("Texture Manager", ImVec2(700, 0));
    Frame();

    // The picker lists the regular files in byte order; pressing on a name
    // puts it in the field.
    Press(Id("Texture Manager", {"Load image"}));
    Frame();
    ImGuiWindow* picker = Window("Load image file");
    ASSERT_NE(picker, nullptr);
    float line = ImGui::GetTextLineHeightWithSpacing();
    auto press_row = [&](int row) {
        g_picker_filename[0] = '\0';
        MouseTo(ImVec2(picker->ContentRegionRect.Min.x + 5.0f, picker->ContentRegionRect.Min.y + line * row + 3.0f));
        IO().MouseDown[0] = true;
        Frame();
        IO().MouseDown[0] = false;
        Frame();
        return std::string(g_picker_filename);
    };
    press_row(0);  // the first press lets go of the button that opened the picker
    std::vector<std::string> listed;
    for (int row = 0; row < 7; ++row) listed.push_back(press_row(row));
    // The seventh row is the "Filename" field: "sub.png" is not listed.
    EXPECT_EQ(listed,
              (std::vector<std::string>{"A.png", "a.png", "b.png", "broken.png", "caf\xE9.png", "link.png", ""}));
    const char fallback = static_cast<char>(IO().Fonts->Fonts[0]->FindGlyph(0xFFFD)->Codepoint);
    EXPECT_NE(DrawnText("Load image file").find(std::string("caf") + fallback + ".png"), std::string::npos);
    press_row(0);  // leaves the field, which would write its own text back

    // "OK" joins directory, backslash and name; the field then holds the path.
    std::snprintf(g_picker_filename, sizeof g_picker_filename, "%s", (std::string(1021, 'p') + "\xE9\xE9").c_str());
    TypeInto(Id("Load image file", {"Filename"}), "a.png");  // over bytes whose U+FFFD would not fit
    Press(Id("Load image file", {"OK"}));
    ASSERT_EQ(g_demo->textures.size(), 1u);
    Texture* texture = g_demo->textures[0];
    EXPECT_EQ(texture->name, "resources\\a.png");
    EXPECT_EQ(texture->width, 4);
    EXPECT_STREQ(g_picker_filename, "resources\\a.png");
    // A file that cannot be read adds nothing; one that does not decode is
    // kept, and the status line says why.
    Press(Id("Texture Manager", {"Load image"}));
    Frame();
    std::snprintf(g_picker_filename, sizeof g_picker_filename, "nothing.png");
    Press(Id("Load image file", {"OK"}));
    EXPECT_EQ(GetStatusMessage(), "Cannot read resources\\nothing.png");
    Press(Id("Texture Manager", {"Load image"}));
    Frame();
    std::snprintf(g_picker_filename, sizeof g_picker_filename, "broken.png");
    Press(Id("Load image file", {"OK"}));
    ASSERT_EQ(g_demo->textures.size(), 2u);
    EXPECT_EQ(g_demo->textures[1]->id, 0u);
    EXPECT_EQ(GetStatusMessage(),
              "resources\\broken.png: not an image format Velmara reads (PNG, JPEG, BMP, GIF, WEBP)");

    // The first texture is selected without a click, previewed 256 wide.
    Frame();
    EXPECT_EQ(g_selected_texture_position, 0);
    bool previewed = false;
    for (int l = 0; l < ImGui::GetDrawData()->CmdListsCount; ++l) {
        const ImDrawList* list = ImGui::GetDrawData()->CmdLists[l];
        for (const ImDrawCmd& cmd : list->CmdBuffer) {
            if (cmd.TextureId != (ImTextureID)(intptr_t)texture->id) continue;
            const ImDrawVert& a = list->VtxBuffer[list->IdxBuffer[cmd.IdxOffset] + cmd.VtxOffset];
            const ImDrawVert& c = list->VtxBuffer[list->IdxBuffer[cmd.IdxOffset + 2] + cmd.VtxOffset];
            previewed = c.pos.x - a.pos.x == 256.0f && c.pos.y - a.pos.y == 128.0f;
        }
    }
    EXPECT_TRUE(previewed);

    // Used as an input (twice), chosen again as pending, then deleted: the
    // inputs lose it, the pending choice goes, and drawing uses nothing gone.
    Event* event = AddSolidEvent("user", 1, 0, 0, 0, 100);
    Effect* effect = event->effect;
    Press(Id(kList, {0, "user"}));
    for (int i = 0; i < 2; ++i) {
        PickInCombo("##texture", 0, "resources\\a.png");
        Press(Id(kInspector, {"Add##texture"}));
    }
    PickInCombo("##texture", 0, "resources\\a.png");
    EXPECT_EQ(effect->input_textures, (std::vector<Texture*>{texture, texture}));
    EXPECT_EQ(g_pending_texture, texture);
    Press(Id("Texture Manager", {"Delete"}));
    EXPECT_EQ(g_pending_texture, nullptr);
    EXPECT_EQ(effect->input_textures, (std::vector<Texture*>{nullptr, nullptr}));
    ASSERT_EQ(g_demo->textures.size(), 1u);
    EXPECT_EQ(g_selected_texture_position, 0);  // the one now first
    Frames(2);
    g_demo->Render(1.0f);
    // A missing row is deleted by its place; so is a row whose image did not decode.
    Press(Id(kInspector, {0, "Delete"}));
    EXPECT_EQ(effect->input_textures.size(), 1u);
    effect->input_textures.push_back(g_demo->textures[0]);  // id 0
    Press(Id(kInspector, {1, "Delete"}));
    EXPECT_EQ(effect->input_textures, (std::vector<Texture*>{nullptr}));

    // A load drops the choices even when the next document holds the same objects, as one may at reused addresses.
    AddSolidEvent("other", 0, 1, 0, 0, 100);
    PickInCombo("##effect", 1, "other");
    PickInCombo("##texture", 0, "resources\\broken.png");
    ASSERT_TRUE(g_selected_effect != nullptr && g_pending_effect != nullptr && g_pending_texture != nullptr);
    Demo* next = new Demo();
    next->shaders.swap(g_demo->shaders);
    next->effects.swap(g_demo->effects);
    next->textures.swap(g_demo->textures);
    ReplaceDocument(next);
    Frame();
    EXPECT_EQ(g_selected_effect, nullptr);
    EXPECT_EQ(g_pending_effect, nullptr);
    EXPECT_EQ(g_pending_texture, nullptr);
}
