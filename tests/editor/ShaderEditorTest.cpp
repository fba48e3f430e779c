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
    // The window at a known place and size, in front.
    void PlaceWindow(float height = 700.0f) {
        ImGui::SetWindowPos(kWindow, ImVec2(300, 20));
        ImGui::SetWindowSize(kWindow, ImVec2(900, height));
        Focus(kWindow);
    }
    // The editor's column of the first occurrence of text on the line (no tabs).
    int ColumnOf(int line, const std::string& text) {
        return static_cast<int>(g_text_editor.GetTextLines().at(static_cast<size_t>(line)).find(text));
    }
    // As if the program's last link in the editor had taken ms milliseconds.
    void LastLinkTook(const ShaderProgram* program, uint32_t ms) {
        g_shader_link_times = {{program, g_document_generation, ms}};
    }
};

void WriteFile(const std::string& name, const std::string& text) { std::ofstream(name, std::ios::binary) << text; }

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
    // Undo, one step per typed character (Ctrl+Z in the editor): the text,
    // byte for byte, and the picture come back.
    for (int i = 0; i < 5; ++i) Key(SDL_SCANCODE_Z, 1, true);
    EXPECT_EQ(program->fragment_shader_source, source);
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

TEST_F(ShaderEditorTest, LatinOneTextIsFoundAndCtrlFSendsWhatIsTypedNextToTheSearchField) {
    ShaderProgram* program = new ShaderProgram();
    const std::string source = "// caf\xE9 au lait\nvoid main() {}\n";
    program->fragment_shader_source = source;
    g_demo->shaders.push_back(program);
    g_shader_edit_request = 0;
    Frame();

    // The selection ends on the Latin-1 byte: its bytes become the search
    // text as they are, and find the line. It is made as a user makes it,
    // with the cursor at its end, so Ctrl+F moves the cursor to the match's
    // start and the code editor scrolls there.
    Focus("Shader Editor/TextEditor");
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(0, 7));
    g_text_editor.SetSelection(TextEditor::TextPosition(0, 0), TextEditor::TextPosition(0, 7));
    Frame();
    Key(SDL_SCANCODE_F, 1, true);
    EXPECT_STREQ(g_search_text, "// caf\xE9");
    EXPECT_EQ(g_search_matches.size(), 1u);
    // What is typed next goes into the search field (replacing its text),
    // not over the selection in the shader.
    Frame();
    IO().AddInputCharactersUTF8("q");
    Frame();
    EXPECT_STREQ(g_search_text, "q");
    EXPECT_EQ(program->fragment_shader_source, source);

    // The field shows the Latin-1 byte as U+FFFD; selecting all of it and
    // typing a letter replaces it.
    Key(SDL_SCANCODE_F, 1, true);
    EXPECT_STREQ(g_search_text, "// caf\xE9");
    EditField(Id(kWindow, {"##search"}), SDL_SCANCODE_A, true, "v");
    EXPECT_STREQ(g_search_text, "v");
    EXPECT_EQ(g_search_matches.size(), 1u);  // "void"
    EXPECT_EQ(program->fragment_shader_source, source);
}

TEST_F(ShaderEditorTest, NamesThatAreNotUtf8AreListedReadablyKeptUnchangedAndEditedSafely) {
    ShaderProgram* program = new ShaderProgram();
    program->fragment_shader_filename = "resources\\caf\xE9";
    const std::string cut(253, 'u');  // with a two-byte character, one byte more than a field holds
    program->uniform_defs.push_back(new UniformDef("gain\xE9", 0.0f, 1.0f, 0.0f));
    program->uniform_defs.push_back(new UniformDef(cut + "\xC3\xA9", 0.0f, 1.0f, 0.0f));
    g_demo->shaders.push_back(program);
    ShaderProgram* frag = new ShaderProgram();
    frag->fragment_shader_filename = "resources\\caf\xE9.frag";
    g_demo->shaders.push_back(frag);
    g_shader_edit_request = 0;
    Frame();

    // The list and the combo show U+FFFD for the Latin-1 byte (the font
    // draws it as its fallback glyph) and every byte after it, not "caf?rag";
    // each entry is picked by that label.
    const std::string fallback(1, static_cast<char>(IO().Fonts->Fonts[0]->FindGlyph(0xFFFD)->Codepoint));
    const std::string drawn = "resources\\caf" + fallback + ".frag";
    Press(Id(kWindow, {"Shader"}));
    Frame();
    EXPECT_NE(DrawnText("##Combo_00").find(drawn), std::string::npos) << DrawnText("##Combo_00");
    Press(Id("##Combo_00", {1, "resources\\caf\xEF\xBF\xBD.frag"}));
    EXPECT_EQ(g_current_shader, 1);
    Frame();
    EXPECT_NE(DrawnText(kWindow).find(drawn), std::string::npos) << DrawnText(kWindow);
    Press(Id(kWindow, {"Shader"}));
    Frame();
    Press(Id("##Combo_00", {0, "resources\\caf\xEF\xBF\xBD"}));
    EXPECT_EQ(g_current_shader, 0);
    EXPECT_EQ(frag->fragment_shader_filename, "resources\\caf\xE9.frag");

    // Shown and left alone, every byte stays.
    const char* rename = "Edit fragment shader filename";
    Press(Id(kWindow, {"Name"}));
    Frame();
    Press(Id(rename, {"OK"}));
    EXPECT_EQ(program->fragment_shader_filename, "resources\\caf\xE9");
    program->fragment_shader_filename = std::string(300, 'n');  // longer than the field
    Press(Id(kWindow, {"Name"}));
    Frame();
    Press(Id(rename, {"OK"}));
    EXPECT_EQ(program->fragment_shader_filename, std::string(300, 'n'));
    program->fragment_shader_filename = "resources\\caf\xE9";
    Press(Id(kWindow, {"Name"}));
    Frame();
    EditField(Id(rename, {"Filename"}), SDL_SCANCODE_A, true, "x");
    Press(Id(rename, {"OK"}));
    EXPECT_EQ(program->fragment_shader_filename, "x");
    program->fragment_shader_filename = cut + "\xC3\xA9";
    Press(Id(kWindow, {"Name"}));
    Frame();
    EditField(Id(rename, {"Filename"}), SDL_SCANCODE_END, false, "b");
    Press(Id(rename, {"OK"}));
    EXPECT_EQ(program->fragment_shader_filename, cut + "b");

    Press(Id(kWindow, {"Uniforms"}));
    Frame();
    Frame();
    EXPECT_EQ(program->uniform_defs[0]->name, "gain\xE9");
    EXPECT_EQ(program->uniform_defs[1]->name, cut + "\xC3\xA9");
    EditField(Id("Uniforms", {0, "##uniform_name"}), SDL_SCANCODE_A, true, "x");
    EditField(Id("Uniforms", {1, "##uniform_name"}), SDL_SCANCODE_END, false, "b");
    EXPECT_EQ(program->uniform_defs[0]->name, "x");
    EXPECT_EQ(program->uniform_defs[1]->name, cut + "b");
}

TEST_F(ShaderEditorTest, ProgramsNamedAlikeCanBothBePickedAndRenamingActsOnlyOnTheProgramItWasOpenedFor) {
    for (int i = 0; i < 3; ++i) {
        ShaderProgram* program = new ShaderProgram();
        program->fragment_shader_filename = "resources\\same.frag";
        program->fragment_shader_source = "// " + std::to_string(i) + "\n";
        g_demo->shaders.push_back(program);
    }
    g_shader_edit_request = 0;
    Frame(SDLK_s);  // saved, to be loaded again below

    // A click on the second of the programs named alike picks it.
    Press(Id(kWindow, {"Shader"}));
    Frame();
    ImGuiWindow* list = Window("##Combo_00");
    ASSERT_NE(list, nullptr);
    MouseTo(ImVec2(list->ContentRegionRect.Min.x + 5.0f,
                   list->ContentRegionRect.Min.y + ImGui::GetTextLineHeightWithSpacing() + 3.0f));
    Frame();
    IO().MouseDown[0] = true;
    Frame();
    IO().MouseDown[0] = false;
    Frame();
    EXPECT_EQ(g_current_shader, 1);
    EXPECT_EQ(g_shader_text, "// 1\n");

    // The program the dialog was opened for is deleted: the dialog closes,
    // and renames no other program; the typed text waits for the next opening.
    const char* rename = "Edit fragment shader filename";
    Press(Id(kWindow, {"Name"}));
    Frame();
    TypeInto(Id(rename, {"Filename"}), "renamed");
    g_demo->DeleteShaderProgram(g_demo->shaders[1]);
    Frames(2);  // closed in the first, gone in the second
    EXPECT_FALSE(Window(rename)->Active);
    Press(Id(rename, {"OK"}));
    for (const ShaderProgram* program : g_demo->shaders) {
        EXPECT_EQ(program->fragment_shader_filename, "resources\\same.frag");
    }
    EXPECT_STREQ(g_shader_filename_buffer, "renamed");

    // Opened again, for the program now current, then another document is
    // loaded (Ctrl+L): the dialog closes, and nothing of the new one is renamed.
    Press(Id(kWindow, {"Name"}));
    Frame();
    EXPECT_TRUE(Window(rename)->Active);
    Frame(SDLK_l);
    Frames(2);
    EXPECT_FALSE(Window(rename)->Active);
    Press(Id(rename, {"OK"}));
    ASSERT_EQ(g_demo->shaders.size(), 3u);
    for (const ShaderProgram* program : g_demo->shaders) {
        EXPECT_EQ(program->fragment_shader_filename, "resources\\same.frag");
    }

    // In the new document "OK" renames the program the dialog was opened for.
    Press(Id(kWindow, {"Name"}));
    Frame();
    Press(Id(rename, {"OK"}));
    EXPECT_EQ(g_demo->shaders[0]->fragment_shader_filename, "renamed");
}

TEST_F(ShaderEditorTest, StoringTheEditorsTextGivesBackTheSameBytesRoundAfterRound) {
    // One source without a line feed at its end, one with an empty line there.
    const std::string sources[] = {"void main() {}", "void main() {\n}\n\n"};
    for (const std::string& source : sources) {
        g_demo->shaders.push_back(new ShaderProgram());
        g_demo->shaders.back()->fragment_shader_source = source;
    }
    // Ten times: show each program and edit it (a letter typed at the
    // start, then taken back): it keeps its bytes.
    for (int round = 0; round < 10; ++round) {
        for (size_t i = 0; i < 2; ++i) {
            g_shader_edit_request = static_cast<int32_t>(i);
            Frame();
            Focus("Shader Editor/TextEditor");
            TypeInEditor("x");
            ASSERT_EQ(g_demo->shaders[i]->fragment_shader_source, "x" + sources[i]);
            Key(SDL_SCANCODE_BACKSPACE);
            EXPECT_EQ(g_demo->shaders[i]->fragment_shader_source, sources[i]) << "round " << round;
        }
    }
    // A text the user empties stays in the editor with its undo history.
    g_shader_edit_request = 0;
    Frame();
    Focus("Shader Editor/TextEditor");
    g_text_editor.SelectAll();
    Key(SDL_SCANCODE_DELETE);
    Frame();
    EXPECT_EQ(g_demo->shaders[0]->fragment_shader_source, "");
    Key(SDL_SCANCODE_Z, 1, true);
    EXPECT_EQ(g_demo->shaders[0]->fragment_shader_source, sources[0]);
}

TEST_F(ShaderEditorTest, EachNewTextStartsWithTheCursorAtItsStartAndNothingSelected) {
    const std::string version = "#version 150\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n";
    WriteFile("plain.vert", "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n");
    WriteFile("plain.frag", version);
    for (int i = 0; i < 2; ++i) {
        ShaderProgram* program = new ShaderProgram();
        program->fragment_shader_source = version + "// program " + std::to_string(i) + "\n";
        program->vertex_shader_filename = "plain.vert";
        program->fragment_shader_filename = "plain.frag";
        g_demo->shaders.push_back(program);
    }
    g_shader_edit_request = 0;
    Frame();
    // "rsion" of "#version" selected, the cursor after it, in each text
    // before it is replaced.
    auto select_rsion = [&] {
        g_text_editor.SetSelection(TextEditor::TextPosition(0, 3), TextEditor::TextPosition(0, 8));
        g_text_editor.SetCursorPosition(TextEditor::TextPosition(0, 8));
        Frame();
        ASSERT_EQ(g_text_editor.GetSelectedText(), "rsion");
    };
    auto expect_fresh = [&](const char* after) {
        EXPECT_FALSE(g_text_editor.HasSelection()) << after;
        EXPECT_EQ(g_text_editor.GetCursorPosition(), TextEditor::TextPosition(0, 0)) << after;
    };
    select_rsion();
    g_shader_edit_request = 1;
    Frame();
    expect_fresh("another program");
    select_rsion();
    Press(Id(kWindow, {"Load"}));
    expect_fresh("Load");
    select_rsion();
    Press(Id(kWindow, {"Add ShaderToy header"}));
    expect_fresh("Add ShaderToy header");

    select_rsion();
    Demo* next = new Demo();
    next->shaders.push_back(new ShaderProgram());
    next->shaders.back()->fragment_shader_source = version;
    ReplaceDocument(next);
    Frame();
    expect_fresh("a document load");
}

TEST_F(ShaderEditorTest, ASliderMoveLeavesTheCodeViewTheCursorAndTheSelectionWhereTheyWere) {
    std::string source;
    for (int i = 0; i < 400; ++i)
        source += i == 211 ? "float k = 0.5; // @k=[0:2]\n" : "// line " + std::to_string(i) + "\n";
    ShaderProgram* program = new ShaderProgram();
    program->fragment_shader_source = source;
    g_demo->shaders.push_back(program);
    g_shader_edit_request = 0;
    Frame();
    PlaceWindow();
    Press(Id(kWindow, {"Constants"}));
    // The cursor on line 211 at the end of a selection, the view from line 301 on.
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(211, 6));
    g_text_editor.SetSelection(TextEditor::TextPosition(211, 2), TextEditor::TextPosition(211, 6));
    Frames(2);
    ImGuiWindow* code = Window("Shader Editor/TextEditor");
    ASSERT_NE(code, nullptr);
    const float view = 301.0f * g_text_editor.charAdvance.y;
    ImGui::SetScrollY(code, view);
    Frames(2);
    ASSERT_EQ(code->Scroll.y, view);

    // Ten slider moves: each rewrites the literal and nothing else.
    for (int round = 0; round < 10; ++round) {
        TypeInto(Id("Shader Editor/##numbers_panel", {0, ""}), round % 2 == 0 ? "1.5" : "0.25");
        EXPECT_EQ(code->Scroll.y, view) << "round " << round;
        EXPECT_EQ(g_text_editor.GetCursorPosition(), TextEditor::TextPosition(211, 6));
        EXPECT_EQ(g_text_editor.GetSelectedText(), "oat ");
    }
    std::string expected = source;
    expected.replace(expected.find("0.5;"), 3, "0.250");
    EXPECT_EQ(program->fragment_shader_source, expected);
    EXPECT_EQ(g_shader_text, expected);
}

TEST_F(ShaderEditorTest, TheNumberPanelKeepsItsHeightThroughACollapseAndLeavesFourLinesOfCode) {
    ShaderProgram* program = new ShaderProgram();
    program->fragment_shader_source = "float k = 0.5; // @k=[0:2]\n";
    g_demo->shaders.push_back(program);
    g_shader_edit_request = 0;
    Frame();
    PlaceWindow();
    Press(Id(kWindow, {"Constants"}));
    Frame();
    ImGuiWindow* panel = Window("Shader Editor/##numbers_panel");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Size.y, 100.0f);

    // Collapsed for a while, then shrunk for a frame: the panel comes back as it was.
    ImGui::SetWindowCollapsed(kWindow, true);
    Frames(3);
    ImGui::SetWindowCollapsed(kWindow, false);
    Frames(2);
    EXPECT_EQ(g_numbers_panel_height, 100);
    EXPECT_EQ(panel->Size.y, 100.0f);
    PlaceWindow(160.0f);
    Frame();
    EXPECT_LT(panel->Size.y, 100.0f);
    PlaceWindow();
    Frame();
    EXPECT_EQ(panel->Size.y, 100.0f);

    // The splitter dragged to the window's bottom and beyond: four lines of
    // code stay in view, and the window needs no scrolling to reach the splitter.
    ImVec2 grab(600.0f, panel->Pos.y + panel->Size.y + 8.0f);
    MouseTo(ImVec2(grab.x, grab.y - 1.0f));  // the mouse moves: it hovers again after the keys
    Frame();
    MouseTo(grab);
    Frame();
    ASSERT_EQ(Context().HoveredId, Id(kWindow, {"##splitter_numbers_pane"}));
    IO().MouseDown[0] = true;
    Frame();
    MouseTo(ImVec2(grab.x, grab.y + 2000.0f));
    Frame();
    IO().MouseDown[0] = false;
    Frames(2);
    EXPECT_GT(panel->Size.y, 400.0f);
    ImGuiWindow* code = Window("Shader Editor/TextEditor");
    ASSERT_NE(code, nullptr);
    EXPECT_GE(code->InnerRect.GetHeight(), 4.0f * g_text_editor.charAdvance.y);
    EXPECT_LT(code->InnerRect.GetHeight(), 5.0f * g_text_editor.charAdvance.y);
    EXPECT_EQ(Window(kWindow)->ScrollMax.y, 0.0f);
}

TEST_F(ShaderEditorTest, AutoRecompileRelinksASlowProgramOnceItsTextRestsAndNeverOneThatIsGone) {
    Event* event = AddSolidEvent("red", 1, 0, 0, 0, 100);
    ShaderProgram* program = event->effect->program;
    program->fragment_shader_source =
        UniqueToThisRun("#version 150\nout vec4 c;\nvoid main() { c = vec4(1.0, 0.0, 0.0, 1.0); }\n");
    program->Relink();
    g_shader_edit_request = 0;
    Frame();
    Focus("Shader Editor/TextEditor");

    // A typed change relinks at once, which takes 80 ms on this clock.
    edtest::g_test_clock_step = 80;
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(2, ColumnOf(2, "1.0, 0.0, 0.0")));
    TypeInEditor("0.0*");
    edtest::g_test_clock_step = 0;
    EXPECT_EQ(Drawn().r, 0);
    // After a link that slow, the next change waits until the text has not
    // changed for 300 ms; the text itself is stored at once.
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(2, ColumnOf(2, "0.0, 0.0, 1.0")));
    TypeInEditor("1.0+");
    EXPECT_NE(program->fragment_shader_source.find("1.0+0.0"), std::string::npos);
    EXPECT_EQ(Drawn().g, 0);
    edtest::g_test_clock += 299;
    Frame();
    EXPECT_EQ(Drawn().g, 0);
    TypeInEditor(" ");  // another change: the wait starts over
    edtest::g_test_clock += 299;
    Frame();
    EXPECT_EQ(Drawn().g, 0);
    edtest::g_test_clock += 1;
    Frame();
    EXPECT_EQ(Drawn().g, 255);
    EXPECT_EQ(program->log, "Compilation successful.");

    // A waiting relink runs before another program is shown.
    LastLinkTook(program, 80);
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(2, ColumnOf(2, "0.0, 1.0)")));
    TypeInEditor("1.0+");
    EXPECT_EQ(Drawn().b, 0);
    Press(Id(kWindow, {"New"}));
    EXPECT_EQ(Drawn().b, 255);

    // One waiting for a program that is deleted, or whose document is
    // replaced, is dropped: it never runs on a freed program.
    g_shader_edit_request = 0;
    Frame();
    LastLinkTook(program, 80);
    Focus("Shader Editor/TextEditor");
    TypeInEditor("x");
    EXPECT_EQ(g_pending_relink.program, program);
    Press(Id(kWindow, {"Delete"}));
    EXPECT_EQ(g_pending_relink.program, nullptr);
    edtest::g_test_clock += 1000;
    Frame();
    ShaderProgram* left = g_demo->shaders.at(0);
    LastLinkTook(left, 80);
    Focus("Shader Editor/TextEditor");
    TypeInEditor("x");
    EXPECT_EQ(g_pending_relink.program, left);
    ReplaceDocument(new Demo());
    edtest::g_test_clock += 1000;
    Frames(2);  // the old document is released after the first
    EXPECT_EQ(g_pending_relink.program, nullptr);
}

TEST_F(ShaderEditorTest, WithAutoRecompileTheHeaderAndLoadRelinkLikeATypedChange) {
    Event* event = AddSolidEvent("red", 1, 0, 0, 0, 100);
    ShaderProgram* program = event->effect->program;
    // Written for ShaderToy's names: it compiles only after the header.
    program->fragment_shader_source =
        UniqueToThisRun("void mainImage(out vec4 o, in vec2 p) {\n    fragColor = vec4(0.0, 0.0, 1.0, 1.0);\n}\n");
    program->Relink();
    g_shader_edit_request = 0;
    Frame();
    EXPECT_NE(program->log.find("error"), std::string::npos);
    Press(Id(kWindow, {"Add ShaderToy header"}));
    EXPECT_EQ(program->log, "Compilation successful.");
    EXPECT_EQ(Drawn().b, 255);

    // "Load" of the program's files: the picture is the loaded shader's.
    WriteFile("plain.vert", "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n");
    WriteFile("green.frag", UniqueToThisRun("#version 150\nout vec4 c;\nvoid main() { c = vec4(0, 1, 0, 1); }\n"));
    program->vertex_shader_filename = "plain.vert";
    program->fragment_shader_filename = "green.frag";
    Press(Id(kWindow, {"Load"}));
    EXPECT_EQ(Drawn().g, 255);
    EXPECT_EQ(Drawn().b, 0);
    // After a slow link it waits for the text to rest, as typing does.
    LastLinkTook(program, 80);
    WriteFile("green.frag", UniqueToThisRun("#version 150\nout vec4 c;\nvoid main() { c = vec4(1, 0, 0, 1); }\n"));
    Press(Id(kWindow, {"Load"}));
    EXPECT_EQ(Drawn().r, 0);
    edtest::g_test_clock += 300;
    Frame();
    EXPECT_EQ(Drawn().r, 255);
}
