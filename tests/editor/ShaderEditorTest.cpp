// The Shader Editor through whole editor frames: text flowing between the
// code editor and the current program (with the picture following), the
// program list and its commands, the uniforms dialog, and finding.
#include <SDL.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <string>

#include "Demo.h"
#include "Documents.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "Effect.h"
#include "Event.h"
#include "Playback.h"
#include "ShaderEditor.h"
#include "ShaderProgram.h"

using edtest::EditorTest;

namespace {

const char* const kWindow = "Shader Editor";

// A source no earlier run compiled, so the driver's shader cache cannot
// answer for it.
std::string UniqueToThisRun(const std::string& source) {
    static int counter = 0;
    return source + "// run " + std::to_string(::getpid()) + "-" + std::to_string(time(nullptr)) + "-" +
           std::to_string(++counter) + "\n";
}

class ShaderEditorTest : public EditorTest {
protected:
    // The colour the document draws now, at beat 1.
    testgl::Pixel Drawn() {
        g_demo->Render(1.0f);
        return testgl::ReadPixel(10, 10);
    }
    void TypeInEditor(const char* text) {
        IO().AddInputCharactersUTF8(text);
        Frame();
    }
};

}  // namespace

TEST_F(ShaderEditorTest, EditsReachTheProgramAndThePictureAndUndoBringsBothBack) {
    Event* event = AddSolidEvent("red", 1, 0, 0, 0, 100);
    ShaderProgram* program = event->effect->program;
    std::string source =
        UniqueToThisRun("#version 150\nout vec4 c;\nvoid main() { c = vec4(1.0, 0.0, 0.0, 1.0); }\n");
    program->fragment_shader_source = source;
    program->Relink();
    g_shader_edit_request = 0;  // as the Effect Manager's "Edit" asks
    Frame();
    EXPECT_EQ(g_current_shader, 0);
    EXPECT_EQ(g_text_editor.GetText(), source + "\n");
    EXPECT_EQ(Drawn().r, 255);

    // The red channel becomes 0.0*1.0: the next frame draws black.
    Focus("Shader Editor/TextEditor");
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(2, 23));
    TypeInEditor("0.0*");
    EXPECT_NE(program->fragment_shader_source.find("vec4(0.0*1.0"), std::string::npos);
    EXPECT_EQ(program->log, "Compilation successful.");
    EXPECT_EQ(Drawn().r, 0);
    // A syntax error: the driver's error is the log.
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(0, 0));
    TypeInEditor("}");
    EXPECT_EQ(program->fragment_shader_source.substr(0, 13), "}#version 150");
    EXPECT_NE(program->log.find("error"), std::string::npos) << program->log;
    // Undo, one step per typed character (Ctrl+Z in the editor): the text
    // and the picture come back.
    for (int i = 0; i < 5; ++i) Key(SDL_SCANCODE_Z, 1, true);
    EXPECT_EQ(program->fragment_shader_source, source);  // byte for byte: storing adds no line feed
    EXPECT_EQ(program->log, "Compilation successful.");
    EXPECT_EQ(Drawn().r, 255);

    // With "Auto-recompile" off the text is stored but only "Compile" relinks.
    Press(Id(kWindow, {"Auto-recompile"}));
    EXPECT_FALSE(g_auto_recompile);
    Focus("Shader Editor/TextEditor");
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(0, 0));
    TypeInEditor("}");
    EXPECT_EQ(program->fragment_shader_source[0], '}');
    EXPECT_EQ(program->log, "Compilation successful.");
    Press(Id(kWindow, {"Compile"}));
    EXPECT_NE(program->log.find("error"), std::string::npos);
}

TEST_F(ShaderEditorTest, ProgramsAreCreatedDeletedAndFollowTheDocumentWithoutDanglingPointers) {
    Event* event = AddSolidEvent("red", 1, 0, 0, 0, 100);
    g_shader_edit_request = 0;
    Frame();
    // "New" names a file free in the document and shows the new program at once.
    Press(Id(kWindow, {"New"}));
    Press(Id(kWindow, {"New"}));
    ASSERT_EQ(g_demo->shaders.size(), 3u);
    EXPECT_EQ(g_demo->shaders[1]->fragment_shader_filename, "resources\\untitled.frag");
    EXPECT_EQ(g_demo->shaders[2]->fragment_shader_filename, "resources\\untitled2.frag");
    EXPECT_EQ(g_current_shader, 2);
    EXPECT_EQ(g_text_editor.GetText(), "\n");

    // The header twice: 712 characters more, not recompiled.
    g_demo->shaders[2]->fragment_shader_source = "void main() {}\n";
    Press(Id(kWindow, {"Add ShaderToy header"}));
    Press(Id(kWindow, {"Add ShaderToy header"}));
    EXPECT_EQ(g_demo->shaders[2]->fragment_shader_source.size(), 712u + 15u);
    EXPECT_EQ(g_shader_text, g_demo->shaders[2]->fragment_shader_source);

    // Deleting the program an effect draws with leaves the effect without one,
    // and the editor shows the nearest program left.
    g_shader_edit_request = 0;
    Frame();
    EXPECT_EQ(g_current_shader, 0);
    Press(Id(kWindow, {"Delete"}));
    EXPECT_EQ(event->effect->program, nullptr);
    EXPECT_EQ(g_current_shader, 0);
    EXPECT_EQ(g_demo->shaders[0]->fragment_shader_filename, "resources\\untitled.frag");
    Press(Id(kWindow, {"Delete"}));
    Press(Id(kWindow, {"Delete"}));
    EXPECT_TRUE(g_demo->shaders.empty());
    EXPECT_EQ(CurrentShader(), nullptr);
    EXPECT_TRUE(g_text_editor.IsReadOnly());  // nothing typed can be lost
    Focus("Shader Editor/TextEditor");
    TypeInEditor("lost?");
    EXPECT_EQ(g_text_editor.GetText(), "\n");
    for (const char* button : {"Delete", "Load", "Save", "Add ShaderToy header", "Name", "Uniforms", "Constants"}) {
        Press(Id(kWindow, {button}));  // nothing to act on: nothing happens
    }
    Frame();
    EXPECT_TRUE(g_demo->shaders.empty());
    g_demo->Render(1.0f);  // the event's effect has no program: it draws nothing

    // An edit request for a program that is not there is dropped.
    g_shader_edit_request = 5;
    Frame();
    EXPECT_EQ(g_shader_edit_request, -1);
    EXPECT_EQ(g_current_shader, -1);

    // A new document: the window shows its first program.
    Demo* next = new Demo();
    ShaderProgram* first = new ShaderProgram();
    first->fragment_shader_source = "// first\n";
    next->shaders.push_back(first);
    next->shaders.push_back(new ShaderProgram());
    g_current_shader = 1;
    g_shader_edit_request = 1;  // from the old document: dropped too
    ReplaceDocument(next);
    Frame();
    EXPECT_EQ(g_current_shader, 0);
    EXPECT_FALSE(g_text_editor.IsReadOnly());
    EXPECT_EQ(g_text_editor.GetText(), "// first\n\n");
}

TEST_F(ShaderEditorTest, TheUniformsDialogAddsRenamesAndDeletesUniforms) {
    Event* event = AddSolidEvent("red", 1, 0, 0, 0, 100);
    ShaderProgram* program = event->effect->program;
    program->fragment_shader_source =
        "#version 150\nuniform float gain;\nout vec4 c;\nvoid main() { c = vec4(gain, 0.0, 0.0, 1.0); }\n";
    program->Relink();
    g_shader_edit_request = 0;
    Frame();
    Press(Id(kWindow, {"Uniforms"}));
    Frame();
    const char* popup = "Uniforms";
    Press(Id(popup, {"Add##uniform"}));
    Press(Id(popup, {"Add##uniform"}));
    ASSERT_EQ(program->uniform_defs.size(), 2u);
    EXPECT_EQ(program->uniform_defs[0]->name, "untitled");
    EXPECT_EQ(program->uniform_defs[0]->location, -1);
    TypeInto(Id(popup, {0, "##uniform_name"}), "gain");
    EXPECT_EQ(program->uniform_defs[0]->name, "gain");
    EXPECT_NE(program->uniform_defs[0]->location, -1);  // found in the linked program
    TypeInto(Id(popup, {1, "max"}), "1e39");              // not a float: kept
    EXPECT_EQ(program->uniform_defs[1]->max_val, 1.0f);
    Press(Id(popup, {0, "Delete"}));
    ASSERT_EQ(program->uniform_defs.size(), 1u);
    EXPECT_EQ(program->uniform_defs[0]->name, "untitled");
    Press(Id(popup, {"Close"}));
    Frame();
    EXPECT_EQ(Window(popup)->Active, false);
}

TEST_F(ShaderEditorTest, FindingSelectsExactlyAndF3MovesOneMatchPerPress) {
    ShaderProgram* program = new ShaderProgram();
    // A tab before the match in the middle of a line, and a two-byte
    // character before a match.
    program->fragment_shader_source = "aaaa\nx\tfoo\n\xC3\xA9 foo\nfoo\n";
    g_demo->shaders.push_back(program);
    g_shader_edit_request = 0;
    Frame();

    TypeInto(Id(kWindow, {"##search"}), "aa");  // typing finds the first, Enter the next
    ASSERT_EQ(g_search_matches.size(), 2u);
    EXPECT_EQ(g_search_matches[1].column, 2);  // byte index, not overlapping
    EXPECT_EQ(g_text_editor.GetSelectedText(), "aa");
    EXPECT_EQ(g_text_editor.GetSelectionBound().column, 2);

    Focus(edtest::kMain);  // leaves the search field, so typing replaces its text
    TypeInto(Id(kWindow, {"##search"}), "foo");
    ASSERT_EQ(g_search_matches.size(), 3u);
    // Enter moved from the first match (after the tab: columns 4 to 7) to
    // the second (after the two-byte character: columns 2 to 5).
    EXPECT_EQ(g_text_editor.GetSelectionBound(), TextEditor::TextPosition(2, 2));
    EXPECT_EQ(g_text_editor.GetSelectedText(), "foo");

    // F3 held for three frames moves one match; past the last it wraps.
    IO().KeysDown[SDL_SCANCODE_F3] = true;
    Frames(3);
    IO().KeysDown[SDL_SCANCODE_F3] = false;
    Frame();
    EXPECT_EQ(g_text_editor.GetSelectionBound(), TextEditor::TextPosition(3, 0));
    Key(SDL_SCANCODE_F3);
    EXPECT_EQ(g_text_editor.GetSelectionBound(), TextEditor::TextPosition(1, 4));
    EXPECT_EQ(g_text_editor.GetSelectedText(), "foo");

    // Ctrl+F takes the selection as the search text; Ctrl+Shift+F does nothing.
    g_text_editor.SetSelection(TextEditor::TextPosition(0, 0), TextEditor::TextPosition(0, 1));
    IO().KeyShift = true;
    Key(SDL_SCANCODE_F, 1, true);
    IO().KeyShift = false;
    EXPECT_STREQ(g_search_text, "foo");
    Key(SDL_SCANCODE_F, 1, true);  // also while the search field is being typed into
    EXPECT_STREQ(g_search_text, "a");
    EXPECT_EQ(g_search_matches.size(), 4u);

    // One occurrence on each of 150 lines: the search stops at 101.
    std::string many;
    for (int i = 0; i < 150; ++i) many += "x\n";
    g_text_editor.SetText(many);
    Focus(edtest::kMain);
    TypeInto(Id(kWindow, {"##search"}), "x");
    EXPECT_EQ(g_search_matches.size(), 101u);
}

TEST_F(ShaderEditorTest, ConstantsOpensThePanelWhichFollowsEveryChangeOfTheText) {
    ShaderProgram* program = new ShaderProgram();
    program->fragment_shader_source = "float speed = 0.5; // @speed=[0:2]\n";
    g_demo->shaders.push_back(program);
    g_shader_edit_request = 0;
    Frame();
    Press(Id(kWindow, {"Constants"}));
    ASSERT_EQ(g_number_literals.size(), 1u);
    EXPECT_EQ(g_number_literals[0].label, "speed");
    Frame();
    EXPECT_NE(Window("Shader Editor/##numbers_panel"), nullptr);

    // Typing rebuilds the list: a second annotated literal on the line.
    Focus("Shader Editor/TextEditor");
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(0, 17));
    IO().AddInputCharactersUTF8(" + 1.5");
    Frame();
    EXPECT_EQ(program->fragment_shader_source, "float speed = 0.5 + 1.5; // @speed=[0:2]\n");
    EXPECT_EQ(g_number_literals.size(), 2u);

    // "Constants" switches the panel off and on; deleting the last program empties it.
    Press(Id(kWindow, {"Constants"}));
    EXPECT_TRUE(g_number_literals.empty());
    Press(Id(kWindow, {"Constants"}));
    EXPECT_EQ(g_number_literals.size(), 2u);
    Press(Id(kWindow, {"Delete"}));
    EXPECT_TRUE(g_number_literals.empty());
}

TEST_F(ShaderEditorTest, CtrlFOnLatinOneTextGivesTheSearchFieldItsBytesAndWhatIsTypedNext) {
    ShaderProgram* program = new ShaderProgram();
    const std::string source = "// caf\xE9 au lait\nvec2 p;\nvoid main() {}\n";
    program->fragment_shader_source = source;
    g_demo->shaders.push_back(program);
    g_shader_edit_request = 0;
    Frame();
    // The selection ends on the Latin-1 byte, the cursor at its end as a user
    // leaves it: the find moves the cursor to the match's start.
    Focus("Shader Editor/TextEditor");
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(0, 7));
    g_text_editor.SetSelection(TextEditor::TextPosition(0, 0), TextEditor::TextPosition(0, 7));
    Frame();
    Key(SDL_SCANCODE_F, 1, true);
    // What is typed next replaces the search text, not the selection in the shader.
    Frame();
    TypeInEditor("q");
    EXPECT_STREQ(g_search_text, "q");
    EXPECT_EQ(program->fragment_shader_source, source);
    // The field shows U+FFFD for the byte: selected and replaced, no assertion.
    Key(SDL_SCANCODE_F, 1, true);
    ASSERT_STREQ(g_search_text, "// caf\xE9");
    EditField(Id(kWindow, {"##search"}), SDL_SCANCODE_A, true, "v");
    EXPECT_STREQ(g_search_text, "v");

    // Ctrl+F leaves the search field's whole text selected, also where it was typed into before.
    TypeKeysInto(Id(kWindow, {"##search"}), "ab", false);
    Focus("Shader Editor/TextEditor");
    g_text_editor.SetSelection(TextEditor::TextPosition(1, 1), TextEditor::TextPosition(1, 4));
    ASSERT_EQ(g_text_editor.GetSelectedText(), "ec2");
    Key(SDL_SCANCODE_F, 1, true);
    Frame();
    TypeInEditor("Z");
    EXPECT_STREQ(g_search_text, "Z");
    // The same where the find did not fill it: no selection in the code.
    g_text_editor.SetSelection(TextEditor::TextPosition(1, 0), TextEditor::TextPosition(1, 0));
    TypeKeysInto(Id(kWindow, {"##search"}), "ab", false);
    Key(SDL_SCANCODE_F, 1, true);
    Frame();
    TypeInEditor("Y");
    EXPECT_STREQ(g_search_text, "Y");
    EXPECT_EQ(program->fragment_shader_source, source);
}

TEST_F(ShaderEditorTest, ProgramsNamedAlikeInAnyBytesAreListedReadablyPickedAndRenamedOneByOne) {
    for (const char* name : {"caf\xE9.frag", "caf\xE9", "caf\xE9"}) {
        g_demo->shaders.push_back(new ShaderProgram());
        g_demo->shaders.back()->fragment_shader_filename = name;
    }
    g_demo->shaders[2]->uniform_defs.push_back(new UniformDef("gain\xE9", 0, 1, 0));
    g_shader_edit_request = 0;
    Frame(SDLK_s);  // saved, to be loaded again below
    // The list shows U+FFFD (the font's fallback glyph), not "caf?rag"; a
    // click on the second of two programs named alike picks it.
    Press(Id(kWindow, {"Shader"}));
    Frame();
    const char fallback = static_cast<char>(IO().Fonts->Fonts[0]->FindGlyph(0xFFFD)->Codepoint);
    EXPECT_NE(DrawnText("##Combo_00").find(std::string("caf") + fallback + ".frag"), std::string::npos);
    const ImRect list = Window("##Combo_00")->ContentRegionRect;
    PressMouse(ImVec2(list.Min.x + 5.0f, list.Min.y + 2.0f * ImGui::GetTextLineHeightWithSpacing() + 3.0f));
    ReleaseMouse();
    EXPECT_EQ(g_current_shader, 2);
    // Names ending in a Latin-1 byte are edited safely: a uniform's, and the program's.
    Press(Id(kWindow, {"Uniforms"}));
    Frame();
    EditField(Id("Uniforms", {0, "##uniform_name"}), SDL_SCANCODE_A, true, "x");
    EXPECT_EQ(g_demo->shaders[2]->uniform_defs[0]->name, "x");
    Press(Id("Uniforms", {"Close"}));
    const char* rename = "Edit fragment shader filename";
    Press(Id(kWindow, {"Name"}));
    Frame();
    EditField(Id(rename, {"Filename"}), SDL_SCANCODE_A, true, "x");
    // The document is loaded again (Ctrl+L): the dialog closes and renames nothing in it.
    Frame(SDLK_l);
    Frames(2);
    Press(Id(rename, {"OK"}));
    EXPECT_EQ(g_demo->shaders[0]->fragment_shader_filename, "caf\xE9.frag");
}

TEST_F(ShaderEditorTest, TheNumberPanelKeepsTheCodeInViewAndItsHeightThroughACollapse) {
    std::string source;
    for (int i = 0; i < 400; ++i) source += i == 211 ? "float k = 0.5; // @k=[0:2]\n" : "//\n";
    g_demo->shaders.push_back(new ShaderProgram());
    g_demo->shaders[0]->fragment_shader_source = source;
    g_shader_edit_request = 0;
    Frame();
    ImGui::SetWindowSize(kWindow, ImVec2(900, 700));
    Press(Id(kWindow, {"Constants"}));
    // A slider move leaves the view where it was: from line 301, the cursor on line 211.
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(211, 6));
    Frames(2);
    ImGuiWindow* code = Window("Shader Editor/TextEditor");
    const float view = 301.0f * g_text_editor.charAdvance.y;
    ImGui::SetScrollY(code, view);
    Frames(2);
    TypeInto(Id("Shader Editor/##numbers_panel", {0, ""}), "1.5");
    EXPECT_EQ(code->Scroll.y, view);
    // Collapsed for a while, the window gets its panel back as it was.
    ImGui::SetWindowCollapsed(kWindow, true);
    Frames(3);
    ImGui::SetWindowCollapsed(kWindow, false);
    Frames(2);
    EXPECT_EQ(Window("Shader Editor/##numbers_panel")->Size.y, 100.0f);
    // However high the panel is set, four lines of code stay in view.
    g_numbers_panel_height = 5000;
    Frame();
    EXPECT_GE(code->InnerRect.GetHeight(), 4.0f * g_text_editor.charAdvance.y);
}

TEST_F(ShaderEditorTest, WithAutoRecompileTheHeaderAndLoadRelinkAndAfterASlowLinkTypingWaitsForTheTextToRest) {
    ShaderProgram* program = AddSolidEvent("red", 1, 0, 0, 0, 100)->effect->program;
    program->fragment_shader_source =  // ShaderToy's names: it compiles only after the header
        UniqueToThisRun("void mainImage(out vec4 o, in vec2 p) {\n    fragColor = vec4(0.0, 0.0, 1.0, 1.0);\n}\n");
    program->Relink();
    g_shader_edit_request = 0;
    Frame();
    // The header relinks, and its text shows from the start with the old selection gone.
    g_text_editor.SetSelection(TextEditor::TextPosition(0, 3), TextEditor::TextPosition(0, 8));
    Press(Id(kWindow, {"Add ShaderToy header"}));
    EXPECT_EQ(program->log, "Compilation successful.");
    EXPECT_FALSE(g_text_editor.HasSelection());
    // After a link of 50 ms, typing relinks once the text has not changed for 300 ms.
    g_shader_link_times = {{program, g_document_generation, 50}};
    Focus("Shader Editor/TextEditor");
    TypeInEditor("}");
    edtest::g_test_clock += 299;
    TypeInEditor(" ");
    edtest::g_test_clock += 299;
    Frame();
    EXPECT_EQ(program->log, "Compilation successful.");
    edtest::g_test_clock += 1;
    Frame();
    EXPECT_NE(program->log.find("error"), std::string::npos);
    // A waiting relink runs before another program is shown.
    g_shader_link_times = {{program, g_document_generation, 50}};
    for (int i = 0; i < 2; ++i) Key(SDL_SCANCODE_BACKSPACE);
    Press(Id(kWindow, {"New"}));
    EXPECT_EQ(program->log, "Compilation successful.");
    // "Load" of the program's files relinks.
    std::ofstream("plain.vert") << "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n";
    std::ofstream("green.frag") << UniqueToThisRun("#version 150\nout vec4 c;\nvoid main() { c = vec4(0,1,0,1); }\n");
    program->vertex_shader_filename = "plain.vert";
    program->fragment_shader_filename = "green.frag";
    g_shader_edit_request = 0;
    Frame();
    Press(Id(kWindow, {"Load"}));
    EXPECT_EQ(Drawn().g, 255);
    // A relink waiting for a program that is deleted is dropped, never run on freed memory.
    g_shader_link_times = {{program, g_document_generation, 50}};
    Focus("Shader Editor/TextEditor");
    TypeInEditor("}");
    Press(Id(kWindow, {"Delete"}));
    EXPECT_EQ(g_pending_relink.program, nullptr);
}
