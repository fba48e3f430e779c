// The Shader Editor: the current program's fragment shader in the code
// editor widget, the program list and its commands, the uniforms dialog,
// the compile log, the Edit and View menus and the search row. Every change
// of the text goes into the program at once and, while "Auto-recompile" is
// on, relinks it, so the demo shows the edit in the next frame; on a program
// whose link is slow, typing relinks once the text has rested (see
// RelinkPace), so that keys are not lost to long frames.
#include "ShaderEditor.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "Commands.h"
#include "Demo.h"
#include "EditorState.h"
#include "EditorWindows.h"
#include "FreeName.h"
#include "NumberSliders.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "TextFields.h"
#include "Widgets.h"

/* === The current program ================================================== */

ShaderProgram* CurrentShader() {
    if (g_demo == nullptr || g_current_shader < 0) return nullptr;
    if (static_cast<size_t>(g_current_shader) >= g_demo->shaders.size()) return nullptr;
    return g_demo->shaders[static_cast<size_t>(g_current_shader)];
}

/* === Relinking ============================================================ */

namespace {

constexpr uint32_t kFastLinkMs = 50;  // a typed change relinks at once after a link this fast
constexpr uint32_t kRestMs = 300;     // otherwise it waits until the text has rested this long

// How long the program's last link in the editor took; 0 when none was timed.
uint32_t LastLinkTime(const ShaderProgram* program) {
    for (const ShaderLinkTime& time : g_shader_link_times)
        if (time.program.Is(program)) return time.milliseconds;
    return 0;
}

// The program's link times are dropped with it (its address may come back).
void ForgetLinkTime(const ShaderProgram* program) {
    g_shader_link_times.erase(std::remove_if(g_shader_link_times.begin(), g_shader_link_times.end(),
                                             [program](const ShaderLinkTime& time) { return time.program == program; }),
                              g_shader_link_times.end());
}

// Relinks the program now and keeps how long that took; a relink waiting
// for it is done with.
void RelinkNow(ShaderProgram* program) {
    if (g_pending_relink.program == program) g_pending_relink = PendingRelink();
    const uint32_t start = g_shader_clock();
    program->Relink();
    const uint32_t took = g_shader_clock() - start;
    // Times of programs of an earlier document go; this one's is replaced.
    g_shader_link_times.erase(
        std::remove_if(g_shader_link_times.begin(), g_shader_link_times.end(),
                       [program](const ShaderLinkTime& time) {
                           return time.program.generation != g_document_generation || time.program == program;
                       }),
        g_shader_link_times.end());
    g_shader_link_times.push_back({{program, g_document_generation}, took});
}

// Runs the waiting relink now, or drops it when its program is gone.
void RunPendingRelink() {
    const PendingRelink pending = g_pending_relink;
    g_pending_relink = PendingRelink();
    if (ShaderProgram* program = pending.program.In(g_demo->shaders)) RelinkNow(program);
}

// Relinks the program after a change of its text, at the pace given.
void Relink(ShaderProgram* program, RelinkPace pace) {
    if (pace == RelinkPace::Typed && LastLinkTime(program) >= kFastLinkMs) {
        // Only one program waits: another one's relink runs first.
        if (!g_pending_relink.program.Is(program)) RunPendingRelink();
        g_pending_relink.program.Keep(program);
        g_pending_relink.changed = g_shader_clock();
        return;
    }
    RelinkNow(program);
}

}  // namespace

void StoreShaderText(RelinkPace pace) {
    ShaderProgram* program = CurrentShader();
    if (program == nullptr) return;
    program->fragment_shader_source = g_shader_text;
    if (g_auto_recompile) Relink(program, pace);
}

void RunDueShaderRelink() {
    if (g_pending_relink.program == nullptr) return;
    if (g_pending_relink.program.In(g_demo->shaders) == nullptr) {
        g_pending_relink = PendingRelink();  // its program was deleted, or its document replaced
    } else if (g_shader_clock() - g_pending_relink.changed >= kRestMs) {
        RunPendingRelink();
    }
}

namespace {

// Put in front of a source written for ShaderToy's names: maps them to this
// program's uniforms, and an empty line follows.
const char* const kShaderToyHeader =
    "#version 150\n"
    "#define mainImage(X,Y) main()\n"
    "#define iResolution resolution\n"
    "#define iTime beat\n"
    "#define fragCoord (gl_FragCoord.xy)\n"
    "#define iChannel0 tex\n"
    "#define iChannel1 tex1\n"
    "#define iChannel2 tex2\n"
    "#define iChannel3 tex3\n"
    "uniform int sound;\n"
    "uniform float beat;\n"
    "uniform sampler2D tex;\n"
    "uniform vec2 resolution;\n"
    "vec2 iMouse = vec2(0., 0.);\n"
    "out vec4 fragColor;\n"
    "\n";

// The "C++" language with the shader words added.
void SetUpLanguage() {
    TextEditor::SyntaxDefinition language = TextEditor::SyntaxDefinition::CPlusPlus();
    for (const char* word : {"mat2", "mat3", "mat4", "vec2", "vec3", "vec4", "sampler2D", "sampler3D", "in", "out",
                             "inout", "varying", "uniform"}) {
        language.keywords.insert(word);
    }
    g_text_editor.SetSyntaxDefinition(language);
    g_editor_set_up = true;
}

// Shows the program at index in the editor (g_current_shader is the
// caller's), with the cursor at the start and nothing selected, so that no
// selection made in the old text acts on the new one. A relink that waits
// for another program's text runs first. Without a program the editor shows
// an empty text it does not let the user type into, so nothing typed is
// lost, and the panel closes.
void SelectShader(int index) {
    bool exists = index >= 0 && static_cast<size_t>(index) < g_demo->shaders.size();
    ShaderProgram* program = exists ? g_demo->shaders[static_cast<size_t>(index)] : nullptr;
    if (!g_pending_relink.program.Is(program)) RunPendingRelink();
    g_shader_text = program ? program->fragment_shader_source : std::string();
    g_search_matches.clear();
    g_text_editor.SetText(g_shader_text);
    // Set directly: SetCursorPosition would also give the editor the keyboard
    // focus. SetText has scrolled to the top already.
    g_text_editor.state = TextEditor::CursorState();
    g_text_editor.interactiveStart = g_text_editor.interactiveEnd = TextEditor::TextPosition();
    g_text_editor.SetReadOnly(program == nullptr);
    if (program == nullptr) {
        g_number_literals.clear();
    } else if (!g_number_literals.empty()) {
        g_number_literals = ParseShaderNumbers(g_shader_text.c_str());
    }
}

// The first program of the document, or none: at the first frame and
// whenever the document was replaced. Nothing of the old one is stored.
void FollowDocument() {
    if (g_shader_window_started && g_shader_document == g_document_generation) return;
    g_shader_window_started = true;
    g_shader_document = g_document_generation;
    g_shader_edit_request = -1;
    g_current_shader = g_demo->shaders.empty() ? -1 : 0;
    SelectShader(g_current_shader);
}

// A file name no program of the document has: "resources\untitled.frag",
// then "resources\untitled2.frag" and on; "Save" writes to it too.
std::string FreeProgramName() {
    std::vector<std::string> taken;
    for (const ShaderProgram* program : g_demo->shaders) taken.push_back(program->fragment_shader_filename);
    return FreeName(taken, "resources\\untitled.frag",
                    [](int n) { return "resources\\untitled" + std::to_string(n) + ".frag"; });
}

// The editor's text as the program keeps it. GetText ends every line with a
// line feed, the last one too: that one is dropped, so a text set into the
// editor comes back byte for byte, and no edit adds a line feed at the end.
std::string EditorText() {
    std::string text = g_text_editor.GetText();
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// The height the window keeps under the number panel's splitter: the
// "Errors" pane, the search row and four lines of code above the editor's
// scroll bar.
constexpr float kErrorsHeight = 64.0f;
float HeightBelowNumbersPanel() {
    const ImGuiStyle& style = ImGui::GetStyle();
    const float code_line = ImGui::GetFontSize() * g_text_editor.lineSpacing;  // the editor's line, no spacing
    return kErrorsHeight + style.ItemSpacing.y + ImGui::GetFrameHeight() + style.ItemSpacing.y + 4.0f * code_line +
           style.ScrollbarSize;
}

/* === Finding ============================================================== */

// Every occurrence of the search text, line by line, not overlapping; the
// search stops after the line in which the list passed 100 matches.
void FindAllMatches() {
    g_search_matches.clear();
    size_t length = std::strlen(g_search_text);
    if (length == 0) return;
    std::vector<std::string> lines = g_text_editor.GetTextLines();
    for (size_t line = 0; line < lines.size(); ++line) {
        if (g_search_matches.size() > 100) return;
        for (size_t at = lines[line].find(g_search_text); at != std::string::npos;
             at = lines[line].find(g_search_text, at + length)) {
            g_search_matches.emplace_back(static_cast<int32_t>(line), static_cast<int32_t>(at));
        }
    }
}

// Selects a match: byte indices become display columns as the editor counts
// them (tab stops, UTF-8 characters).
void SelectMatch(const TextEditor::TextPosition& match) {
    int length = static_cast<int>(std::strlen(g_search_text));
    TextEditor::TextPosition start(match.line, g_text_editor.CharIndexToColumn(match.line, match.column));
    TextEditor::TextPosition end(match.line, g_text_editor.CharIndexToColumn(match.line, match.column + length));
    g_text_editor.SetCursorPosition(start);
    g_text_editor.SetSelection(start, end, TextEditor::SelectionMode::Normal);
}

// The position in the list of the first match at byte index or later on
// line, or on a later line; 0 (back to the first) when none follows; -1
// without matches.
int FirstMatchFrom(int line, int index) {
    if (g_search_matches.empty()) return -1;
    for (size_t i = 0; i < g_search_matches.size(); ++i) {
        const TextEditor::TextPosition& match = g_search_matches[i];
        if (match.line > line || (match.line == line && match.column >= index)) return static_cast<int>(i);
    }
    return 0;
}

// The first match at the display column on line or after it.
int NextMatchAfter(int line, int column) {
    int index = g_text_editor.ColumnToCharIndex(TextEditor::TextPosition(line, column));
    return FirstMatchFrom(line, index < 0 ? 0 : index);
}

// Has the search field start its next edit afresh: a field being typed
// into lets go, and the cursor it kept from earlier typing is forgotten, so
// the focus it is given next selects its whole text, as on its first use.
void RestartSearchEdit() {
    if (g_search_field_id == 0) return;
    // A search field being typed into holds its own copy of the text, which
    // it would write back over a new search text.
    if (ImGui::GetActiveID() == g_search_field_id) ImGui::ClearActiveID();
    if (ImGuiInputTextState* state = ImGui::GetInputTextState(g_search_field_id)) state->ID = 0;
}

// "Find" (Ctrl+F): the selection, when it is 1 to 119 bytes, becomes the
// search text (its bytes as they are, so Latin-1 text is found too); then
// the first match from the selection on. The search field takes the
// keyboard with its whole text selected, so what is typed next replaces the
// search text and does not go into the shader.
void FindCommand() {
    g_focus_search = true;
    RestartSearchEdit();
    std::string selected = g_text_editor.GetSelectedText();
    if (!selected.empty() && selected.size() < sizeof g_search_text) {
        CopyBounded(g_search_text, sizeof g_search_text, selected);
    }
    FindAllMatches();
    if (g_search_matches.empty()) return;
    int target = 0;
    if (!selected.empty()) {
        TextEditor::TextPosition start = g_text_editor.GetSelectionBound();
        target = NextMatchAfter(start.line, start.column);
    }
    if (target != -1) SelectMatch(g_search_matches[static_cast<size_t>(target)]);
}

// "Find Next" (F3, "Next", Enter in the search field): the match after the
// selected one, back to the first after the last.
void FindNextCommand() {
    FindAllMatches();
    TextEditor::TextPosition start = g_text_editor.GetSelectionBound();
    int index = g_text_editor.ColumnToCharIndex(start);
    int target = FirstMatchFrom(start.line, (index < 0 ? 0 : index) + static_cast<int>(std::strlen(g_search_text)));
    if (target != -1) SelectMatch(g_search_matches[static_cast<size_t>(target)]);
}

// "First", and every edit of the search text.
void FindFirstCommand() {
    FindAllMatches();
    if (!g_search_matches.empty()) SelectMatch(g_search_matches.front());
}

/* === The window's parts, in screen order ================================== */

void ShowProgramRow() {
    ShaderProgram* current = CurrentShader();
    if (current && ImGui::BeginCombo("Shader", ShownText(current->fragment_shader_filename).c_str(), 0)) {
        for (size_t i = 0; i < g_demo->shaders.size(); ++i) {
            ImGui::PushID(static_cast<int>(i));  // programs may share a name
            bool selected = static_cast<int>(i) == g_current_shader;
            const ShaderProgram* program = g_demo->shaders[i];
            if (ImGui::Selectable(ShownText(program->fragment_shader_filename).c_str(), selected, 0, ImVec2(0, 0))) {
                g_current_shader = static_cast<int>(i);
                SelectShader(g_current_shader);
            }
            if (selected) ImGui::SetItemDefaultFocus();
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    ImGui::SameLine();
    if (ImGui::Button("Name") && CurrentShader()) {
        g_rename_program.Keep(CurrentShader());
        ImGui::OpenPopup("Edit fragment shader filename");
    }
    if (ImGui::BeginPopupModal("Edit fragment shader filename", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
        // Renames the program it was opened for, whichever is current now.
        if (ShaderProgram* program = g_rename_program.In(g_demo->shaders)) {
            if (g_shader_filename_buffer[0] == '\0') {
                CopyBounded(g_shader_filename_buffer, sizeof g_shader_filename_buffer, program->fragment_shader_filename);
            }
            InputTextField("Filename", g_shader_filename_buffer, sizeof g_shader_filename_buffer);
            if (ImGui::Button("OK", ImVec2(120, 0))) {
                // Kept as typed; a name too long for the field stays whole
                // unless its text was changed.
                char untouched[sizeof g_shader_filename_buffer];
                CopyBounded(untouched, sizeof untouched, program->fragment_shader_filename);
                if (std::strcmp(untouched, g_shader_filename_buffer) != 0) {
                    program->fragment_shader_filename = g_shader_filename_buffer;
                }
                g_shader_filename_buffer[0] = '\0';
                g_rename_program.Clear();
                ImGui::CloseCurrentPopup();
            }
            ImGui::SetItemDefaultFocus();
            ImGui::SameLine();
            if (ImGui::Button("Cancel", ImVec2(120, 0))) {
                g_rename_program.Clear();
                ImGui::CloseCurrentPopup();  // the typed text stays
            }
        } else {
            // Its program or its document is gone: nothing to rename; the
            // typed text stays, as after "Cancel".
            g_rename_program.Clear();
            ImGui::CloseCurrentPopup();
        }
        ImGui::EndPopup();
    }
    ImGui::SameLine();
    if (ImGui::Button("New")) {
        ShaderProgram* program = new ShaderProgram();
        program->fragment_shader_filename = FreeProgramName();
        g_demo->shaders.push_back(program);
        g_current_shader = static_cast<int>(g_demo->shaders.size()) - 1;
        SelectShader(g_current_shader);
    }
    ImGui::SameLine();
    if (ImGui::Button("Delete") && CurrentShader()) {
        // Effects that drew with it are left without a program; a relink
        // waiting for it is dropped.
        ShaderProgram* program = CurrentShader();
        if (g_pending_relink.program == program) g_pending_relink = PendingRelink();
        ForgetLinkTime(program);
        g_demo->DeleteShaderProgram(program);
        int count = static_cast<int>(g_demo->shaders.size());
        if (g_current_shader >= count) g_current_shader = count - 1;  // the nearest one left, or none
        SelectShader(g_current_shader);
    }
}

void ShowUniformsPopup() {
    if (!ImGui::BeginPopupModal("Uniforms", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
    ShaderProgram* program = CurrentShader();
    if (program == nullptr) {  // its program is gone
        ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
        return;
    }
    ImGui::Text("Uniforms for %s", ShownText(program->fragment_shader_filename).c_str());
    ImGui::Separator();
    if (ImGui::Button("Add##uniform")) program->uniform_defs.push_back(new UniformDef("untitled", 0.0f, 1.0f, 0.0f));
    ImGui::Separator();
    ImGui::PushItemWidth(100);
    int marked = -1;
    for (size_t i = 0; i < program->uniform_defs.size(); ++i) {
        UniformDef* uniform = program->uniform_defs[i];
        ImGui::PushID(static_cast<int>(i));
        if (InputTextField("##uniform_name", &uniform->name, 255)) program->LookupLocations();
        ImGui::SameLine();
        ImGui::BeginDisabled(true);
        bool found = uniform->location != -1;  // the linked program declares and uses it
        ImGui::Checkbox("##uniform_found", &found);
        ImGui::EndDisabled();
        ImGui::SameLine();
        InputFiniteFloat("min", &uniform->min_val, 0.0f, 0.0f, "%.3f");
        ImGui::SameLine();
        InputFiniteFloat("max", &uniform->max_val, 0.0f, 0.0f, "%.3f");
        ImGui::SameLine();
        InputFiniteFloat("default", &uniform->default_val, 0.0f, 0.0f, "%.3f");
        ImGui::SameLine();
        if (ImGui::Button("Delete")) marked = static_cast<int>(i);
        ImGui::PopID();
    }
    ImGui::PopItemWidth();
    if (marked >= 0) {
        delete program->uniform_defs[static_cast<size_t>(marked)];
        program->uniform_defs.erase(program->uniform_defs.begin() + marked);
    }
    ImGui::Separator();
    if (ImGui::Button("Close", ImVec2(120, 0))) ImGui::CloseCurrentPopup();
    ImGui::EndPopup();
}

void ShowCommandRow() {
    ImGui::Checkbox("Auto-recompile", &g_auto_recompile);
    ImGui::SameLine();
    if (!g_auto_recompile) {
        if (ImGui::Button("Compile") && CurrentShader()) RelinkNow(CurrentShader());
        ImGui::SameLine();
    }
    if (ImGui::Button("Load") && CurrentShader()) {
        ShaderProgram* program = CurrentShader();
        if (!program->Load()) SetStatusMessage("Cannot read every file of " + program->fragment_shader_filename);
        SelectShader(g_current_shader);
        if (g_auto_recompile) {
            Relink(program, RelinkPace::Typed);  // as if the new text had been typed
        } else {
            program->Compile();  // the log shows the result; "Compile" runs it
        }
    }
    ImGui::SameLine();
    if (ImGui::Button("Save") && CurrentShader()) {
        ShaderProgram* program = CurrentShader();
        if (!program->Save()) SetStatusMessage("Cannot save " + program->fragment_shader_filename);
    }
    ImGui::SameLine();
    if (ImGui::Button("Add ShaderToy header") && CurrentShader()) {
        ShaderProgram* program = CurrentShader();
        program->fragment_shader_source = kShaderToyHeader + program->fragment_shader_source;
        SelectShader(g_current_shader);
        if (g_auto_recompile) Relink(program, RelinkPace::Typed);
    }
    ImGui::SameLine();
    if (ImGui::Button("Constants")) {
        if (g_number_literals.empty() && CurrentShader()) {
            g_number_literals = ParseShaderNumbers(g_shader_text.c_str());
        } else {
            g_number_literals.clear();
        }
    }
    ShowUniformsPopup();
    ImGui::SameLine();
    if (ImGui::Button("Uniforms") && CurrentShader()) ImGui::OpenPopup("Uniforms");
}

void ShowErrors() {
    ImGui::BeginChild("Errors", ImVec2(0, kErrorsHeight), true, 0);
    ShaderProgram* program = CurrentShader();
    static const std::string none;
    ImGui::Text("%s", ShownText(program ? program->log : none).c_str());  // a log may quote the source
    ImGui::EndChild();
}

// The Edit and View menus; true when an item changed the text (outside the
// editor's own frame, which would not report it).
bool ShowMenuBar() {
    bool edited = false;
    if (!ImGui::BeginMenuBar()) return false;
    if (ImGui::BeginMenu("Edit")) {
        if (ImGui::MenuItem("Undo", "Ctrl-Z", false, g_text_editor.CanUndo())) {
            g_text_editor.Undo(1);
            edited = true;
        }
        if (ImGui::MenuItem("Redo", "Ctrl-Y", false, g_text_editor.CanRedo())) {
            g_text_editor.Redo(1);
            edited = true;
        }
        ImGui::Separator();
        if (ImGui::MenuItem("Copy", "Ctrl-C", false, g_text_editor.HasSelection())) g_text_editor.Copy();
        if (ImGui::MenuItem("Cut", "Ctrl-X", false, g_text_editor.HasSelection())) {
            g_text_editor.Cut();
            edited = true;
        }
        if (ImGui::MenuItem("Delete", "Del", false, g_text_editor.HasSelection())) {
            g_text_editor.Delete();
            edited = true;
        }
        if (ImGui::MenuItem("Paste", "Ctrl-V", false, ImGui::GetClipboardText() != nullptr)) {
            g_text_editor.Paste();
            edited = true;
        }
        ImGui::Separator();
        if (ImGui::MenuItem("Find", "Ctrl-F", false, true)) FindCommand();
        if (ImGui::MenuItem("Find Next", "F3", false, true)) FindNextCommand();
        if (ImGui::MenuItem("Select all", nullptr, false, true)) {
            g_text_editor.SetSelection(TextEditor::TextPosition(0, 0),
                                       TextEditor::TextPosition(g_text_editor.GetTotalLines(), 0),
                                       TextEditor::SelectionMode::Normal);
        }
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("View")) {
        if (ImGui::MenuItem("Dark palette", nullptr, false, true)) g_text_editor.SetPalette(TextEditor::GetDarkPalette());
        if (ImGui::MenuItem("Light palette", nullptr, false, true)) g_text_editor.SetPalette(TextEditor::GetLightPalette());
        if (ImGui::MenuItem("Retro blue palette", nullptr, false, true)) {
            g_text_editor.SetPalette(TextEditor::GetRetroBluePalette());
        }
        ImGui::EndMenu();
    }
    ImGui::EndMenuBar();
    return edited;
}

// The search row; focus gives the field the keyboard.
void ShowSearchRow(bool focus) {
    ImGui::Text("Search:");
    ImGui::SameLine();
    if (focus) ImGui::SetKeyboardFocusHere(0);
    g_search_field_id = ImGui::GetID("##search");
    if (InputTextField("##search", g_search_text, sizeof g_search_text)) {
        FindFirstCommand();
        g_focus_search = true;
    } else if (ImGui::IsItemFocused() && ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), true)) {
        FindNextCommand();
        g_focus_search = true;
    }
    ImGui::SameLine();
    if (ImGui::Button("First")) FindFirstCommand();
    ImGui::SameLine();
    if (ImGui::Button("Next") && !g_search_matches.empty()) FindNextCommand();
    ImGui::SameLine();
    if (g_search_matches.empty()) {
        ImGui::Text("No matches");
    } else if (g_search_matches.size() == 1) {
        ImGui::Text("1 match");
    } else {
        ImGui::Text("%i matches", static_cast<int>(g_search_matches.size()));
    }
}

// Ctrl+F and F3 whichever window has the focus, once per key press and at
// the keyboard's repeat rate while held. Dear ImGui 1.86 names neither key:
// they are read by SDL scancode, as its SDL backend stores them.
void HandleFindKeys() {
    ImGuiIO& io = ImGui::GetIO();
    if (io.KeyMods == ImGuiKeyModFlags_Ctrl && ImGui::IsKeyPressed(SDL_SCANCODE_F, true)) {
        FindCommand();
    } else if (ImGui::IsKeyPressed(SDL_SCANCODE_F3, true) && !g_search_matches.empty()) {
        FindNextCommand();
    }
}

}  // namespace

void ShaderEditorWindow() {
    if (!g_editor_set_up) SetUpLanguage();
    FollowDocument();
    if (g_shader_edit_request != -1) {
        // Checked against the document as it is now: the request may be old.
        int request = g_shader_edit_request;
        g_shader_edit_request = -1;
        if (request >= 0 && static_cast<size_t>(request) < g_demo->shaders.size()) {
            g_current_shader = request;
            SelectShader(request);
        }
    }
    // A program whose text the user emptied is not selected again, which
    // would drop the editor's undo history.
    if (g_shader_text.empty() && CurrentShader() && !CurrentShader()->fragment_shader_source.empty())
        SelectShader(g_current_shader);

    ShowProgramRow();
    ShowCommandRow();
    if (!g_number_literals.empty()) ShowNumbersPanel(HeightBelowNumbersPanel());
    ShowErrors();
    // A find that moves the cursor has the code editor scroll to it and take
    // the focus back in that frame, which would undo the search field's
    // request of the same frame: the field asks for the keyboard in the
    // frame after the find, Ctrl+F and F3 find before the code editor draws.
    bool focus_search = g_focus_search;
    g_focus_search = false;
    bool edited_by_menu = ShowMenuBar();
    ShowSearchRow(focus_search);
    HandleFindKeys();
    g_text_editor.Render("TextEditor", ImVec2(0, 0), false);
    if (g_text_editor.IsTextChanged() || edited_by_menu) {
        g_shader_text = EditorText();
        if (!g_number_literals.empty()) g_number_literals = ParseShaderNumbers(g_shader_text.c_str());
        StoreShaderText(RelinkPace::Typed);
    }
}
