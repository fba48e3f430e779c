// The annotated number sliders: what the scanner finds in a text and which
// annotations reach which literals; then the panel in a window of its own,
// with a real program behind it: what a slider and the colour editor write
// into the source and the picture, which literals get no slider, and the
// splitter's bounds.
#include <SDL.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Demo.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "Effect.h"
#include "Event.h"
#include "NumberSliders.h"
#include "Playback.h"
#include "ShaderProgram.h"

namespace {

/* === The scanner ========================================================== */

// A literal in one line: "text Lline", and " @label [min:max]" once annotated.
std::string Describe(const NumberLiteral& literal) {
    char buffer[512];
    if (literal.not_annotated)
        std::snprintf(buffer, sizeof buffer, "%s L%d", literal.text.c_str(), literal.line);
    else
        std::snprintf(buffer, sizeof buffer, "%s L%d @%s [%g:%g]", literal.text.c_str(), literal.line,
                      literal.label.c_str(), static_cast<double>(literal.min), static_cast<double>(literal.max));
    return buffer;
}

// The literals of the text, and the trace written.
std::vector<NumberLiteral> ScanLiterals(const std::string& text, std::string* trace) {
    testing::internal::CaptureStdout();
    std::vector<NumberLiteral> literals = ParseShaderNumbers(text.c_str());
    std::fflush(stdout);
    *trace = testing::internal::GetCapturedStdout();
    return literals;
}

// The literals of the text as Describe tells them, and the trace written.
std::vector<std::string> Scan(const std::string& text, std::string* trace) {
    std::vector<std::string> described;
    for (const NumberLiteral& literal : ScanLiterals(text, trace)) {
        described.push_back(Describe(literal));
        // Every record names its own bytes.
        EXPECT_EQ(text.substr(literal.start, literal.end - literal.start), literal.text) << text;
        EXPECT_EQ(literal.has_point, literal.text.find('.') != std::string::npos) << text;
    }
    return described;
}

struct ScanCase {
    const char* text;
    std::vector<std::string> literals;
    const char* trace;
};

TEST(NumberSlidersScan, FindsTheLiteralsAndAppliesEachAnnotationToItsLine) {
    const ScanCase cases[] = {
        {"float speed = 0.5; // @speed=[0:2]\n", {"0.5 L0 @speed [0:2]"}, "3 speed 0 2"},
        {"vec3 col = vec3(1.0, 0.5, 0.2); // @col=[0:1]\n",
         {"1.0 L0 @col [0:1]", "0.5 L0 @col [0:1]", "0.2 L0 @col [0:1]"}, "3 col 0 1"},
        {"x = 0.25; // @x\n", {"0.25 L0 @x [0:1]"}, "1 x  "},
        {"y = 0.25; // @\n", {"0.25 L0 @ [0:1]"}, "0   "},
        {"y = 0.25; // @", {"0.25 L0 @ [0:1]"}, "-1   "},  // the text ends at the '@'
        {"z = 2.0; // @a=[0:1] @b=[0:5]\n", {"2.0 L0 @b [0:5]"}, "3 a 0 13 b 0 5"},
        {"z = 2.0; // @a=[0:5] @b\n", {"2.0 L0 @b [0:5]"}, "3 a 0 51 b  "},  // only the fields read apply
        // A block comment's annotation reaches the literals before it only.
        {"p = 0.5 + 0.25; /* @k=[1:4] */ q = 3.0;\n", {"0.5 L0 @k [1:4]", "0.25 L0 @k [1:4]", "3.0 L0"}, "3 k 1 4"},
        {"vec2 v; // 1.0\n", {}, ""},
        {"w = -0.5;\n", {"-0.5 L0"}, ""},
        {"w = a-1;\n", {"1 L0"}, ""},
        {"w = 1e-3;\n", {"1 L0", "3 L0"}, ""},
        {"v = vec2(1.0,-0.5);\n", {"1.0 L0", "-0.5 L0"}, ""},
        // A minus after an operand subtracts: it ends a literal and starts none.
        {"float d = length(p)-0.25;\n", {"0.25 L0"}, ""},
        {"float d = length(p) -0.25;\n", {"0.25 L0"}, ""},
        {"x = a[1]-0.5;\n", {"1 L0", "0.5 L0"}, ""},
        {"x = 2.0-0.5;\n", {"2.0 L0", "0.5 L0"}, ""},
        {"x = foo2-0.5;\n", {"0.5 L0"}, ""},
        {"x = 2. -1.0 + i_\t-2.0;\n", {"2. L0", "1.0 L0", "2.0 L0"}, ""},
        {"a\n  -0.5;\n", {"0.5 L1"}, ""},  // across a line break, back to the text's start
        {"x = a\r\n-0.5;\r\n", {"0.5 L1"}, ""},
        {"d = a - b;\n", {}, ""},
        // After return and case, words of their own, the minus is a sign.
        {"return -1.0;\n", {"-1.0 L0"}, ""},
        {"case -1: return-2.0;\n", {"-1 L0", "-2.0 L0"}, ""},
        {"x = myreturn -1.0 + showcase -2.0 + return_ -3.0;\n", {"1.0 L0", "2.0 L0", "3.0 L0"}, ""},
        {"  \n\t\t  \n    -0.5;\n", {"-0.5 L2"}, ""},  // nothing but blanks before it
        // Comments are passed over on the way back: what counts is the last
        // code byte before the minus.
        {"float n = foo( // note\n    -0.25); // @n=[-1:1]\n", {"-0.25 L1 @n [-1:1]"}, "3 n -1 1"},
        {"x = a /* c */ -0.5;\n", {"0.5 L0"}, ""},
        {"x = a/**/-0.5 + b /* one */ /* two */\n -0.5;\n", {"0.5 L0", "0.5 L1"}, ""},
        {"x // half\n-0.5;\n", {"0.5 L1"}, ""},
        {"float z = a\n  -0.5;\n", {"0.5 L1"}, ""},
        {"x = f( /* a // in a block */ -0.5) + a /* // */ -0.5;\n", {"-0.5 L0", "0.5 L0"}, ""},
        {"return /* r */ -1.0;\n/* c */ -2.0;\n", {"-1.0 L0", "-2.0 L1"}, ""},
        // A block comment ends at the first "*/" after its "/*", and the '/'
        // that ends it opens nothing.
        {"x = a /*/ note */ -0.5; // @aa=[-1:1]\n", {"0.5 L0 @aa [-1:1]"}, "3 aa -1 1"},
        {"p = 1.0 /*/ 2 */ +0.25;\n", {"1.0 L0", "0.25 L0"}, ""},
        {"x = a /* c *// 2.0;\n", {"2.0 L0"}, ""},
        {"x = /**/ 1.0 /* a *//* 2.0 */ -3.0 /* b */*4.0;\n", {"1.0 L0", "3.0 L0", "4.0 L0"}, ""},
        // The name a #define defines, with its parameters, is no operand;
        // its body holds operands as any code does.
        {"#define R -0.25 // @R=[-1:1]\n", {"-0.25 L0 @R [-1:1]"}, "3 R -1 1"},
        {"#define F(x) -0.25\n", {"-0.25 L0"}, ""},
        {"  #  define /* c */ R2 /* d */ -0.5\n#define G(a, b)\t-1.5\n", {"-0.5 L0", "-1.5 L1"}, ""},
        {"#define R a -0.25\n#define F (x) -0.5\n#define H(x) x-1.0\n", {"0.25 L0", "0.5 L1", "1.0 L2"}, ""},
        {"x = R # define R -0.5\n#defined Q -1.0\n", {"0.5 L0", "1.0 L1"}, ""},  // no directive
        {"d = - b;\n", {"- L0"}, ""},       // a lone sign before a blank is recorded
        {"w = 1.5", {}, ""},  // nothing after the last literal
        {"t = tex10; u = my_2; h = 0x1F; n = --1 + -.5;\n", {"0 L0", "2 L0", "0 L0", "1 L0", "5 L0"}, ""},
        {"x = 0.5; @k=[0:2]\n", {"0.5 L0", "0 L0", "2 L0"}, ""},  // no comment, no annotation
        // The literal ended by a line feed belongs to the line it stands on.
        {"#version 150\nfloat s = 0.5; // @s=[0:2]\n", {"150 L0", "0.5 L1 @s [0:2]"}, "3 s 0 2"},
        {"a = 1.0; // @first\nb = 2.0; /* @k=[0:3]\n  @j */ c = 4.0;\n",
         {"1.0 L0 @first [0:1]", "2.0 L1 @k [0:3]", "4.0 L2"}, "1 first  3 k 0 31 j  "},
        {"k = 0.5; // @k=[[[-1e39:nan]]\n", {"0.5 L0 @k [-inf:nan]"}, "3 k -1e39 nan"},
    };
    for (const ScanCase& c : cases) {
        std::string trace;
        EXPECT_EQ(Scan(c.text, &trace), c.literals) << c.text;
        EXPECT_EQ(trace, c.trace) << c.text;
    }
}

TEST(NumberSlidersScan, ReadsAnAnnotationAsTheScanFormatWithItsFieldWidths) {
    const std::string tails[] = {
        "@speed=[0:2]", "@x", "@=[0:1]", "@a=0:1", "@a=[[[0:1", "@a=[0 :1]", "@a=[0:]", "@a=[:1]", "@a*b=[0:1]",
        "@a=[0:1*2]", "@a b=[0:1]", "@a=", "@a=[", "@a=[0", "@a=[0:", "@a\t=[0:1]",
        "@" + std::string(1000, 'L') + "=[0:1]",  // a label far past its 255 bytes
        "@k=[" + std::string(300, '1') + ":2]",   // a minimum past its 55
        "@k=[0:" + std::string(300, '9') + "]",   // a maximum past its 55
        "@k=" + std::string(10000, '[') + "0:2]", // any run of '['
    };
    for (const std::string& tail : tails) {
        for (const char* end : {"", "\n"}) {
            const std::string text = "v = 0.5; // " + tail + end;
            char label[256] = "", min[56] = "", max[56] = "";
            const int count = std::sscanf(text.c_str() + text.find('@'), "@%255[^=*\n ]=%*[[]%55[^:*\n ]:%55[^]*\n ]",
                                          label, min, max);
            std::string expected(512, '\0');
            expected.resize(std::snprintf(&expected[0], expected.size(), "%i %s %s %s", count, label, min, max));
            std::string trace;
            const NumberLiteral literal = ScanLiterals(text, &trace).at(0);
            EXPECT_EQ(trace, expected) << text.substr(0, 40);
            EXPECT_FALSE(literal.not_annotated);
            EXPECT_EQ(literal.label, count >= 1 ? label : "");
            EXPECT_EQ(literal.min, count == 3 ? static_cast<float>(std::atof(min)) : 0.0f);
            EXPECT_EQ(literal.max, count == 3 ? static_cast<float>(std::atof(max)) : 1.0f);
        }
    }
}

/* === The panel ============================================================ */

constexpr const char* kHost = "Numbers";

class NumberSlidersPanel : public edtest::EditorTest {
protected:
    // Makes the source the current program's text, drawn by an event from
    // beat 0 to 100, with its literals in the panel; draws one frame.
    ShaderProgram* Show(const std::string& source) {
        ShaderProgram* program = AddSolidEvent("tint", 0.0f, 0.0f, 0.0f, 0.0f, 100.0f)->effect->program;
        program->fragment_shader_source = source;
        program->Relink();
        g_current_shader = static_cast<int32_t>(g_demo->shaders.size()) - 1;
        g_shader_text = source;
        g_text_editor.SetText(source);
        testing::internal::CaptureStdout();  // the annotations' trace
        g_number_literals = ParseShaderNumbers(source.c_str());
        testing::internal::GetCapturedStdout();
        PanelFrame();
        return program;
    }
    // One frame with the panel in a window filling the display.
    void PanelFrame() {
        imgui->BeginFrame(kHost);
        testing::internal::CaptureStdout();
        ShowNumbersPanel(0.0f);
        testing::internal::GetCapturedStdout();
        imgui->EndFrame();
    }
    // The slider (or, with field, the colour editor's field) of a widget id.
    ImGuiID Slider(int widget_id, const char* field = nullptr) {
        const std::string panel = std::string(kHost) + "/##numbers_panel";
        return field == nullptr ? Id(panel, {widget_id, ""}) : Id(panel, {widget_id, "", field});
    }
    // Opens the item for typing, as Ctrl+click does, types the text and
    // presses Enter. False, and nothing typed, when the panel has no such item.
    bool TypeIntoPanel(ImGuiID id, const std::string& text) {
        ImGui::SetCurrentContext(imgui->Context());
        ImGui::ActivateItem(id);
        Context().NavNextActivateFlags = ImGuiActivateFlags_PreferInput;
        PanelFrame();
        if (Context().ActiveId != id) return false;
        IO().AddInputCharactersUTF8(text.c_str());
        PanelFrame();
        IO().KeysDown[SDL_SCANCODE_RETURN] = true;
        PanelFrame();
        IO().KeysDown[SDL_SCANCODE_RETURN] = false;
        PanelFrame();
        return true;
    }
    // The colour the document draws at beat 1.
    testgl::Pixel Drawn() {
        g_demo->Render(1.0f);
        return testgl::ReadPixel(10, 10);
    }
};

const char* const kTintShader =
    "#version 150\n"
    "out vec4 colour;\n"
    "void main() {\n"
    "    vec4 c = vec4(0.2, 0.4, 0.6, 1.0); // @col=[0:1]\n"
    "    colour = c;\n"
    "}\n";

TEST_F(NumberSlidersPanel, MovingASliderRewritesTheLiteralAndTheProgramDrawsTheNewValue) {
    ShaderProgram* program = Show(kTintShader);
    EXPECT_EQ(Drawn().r, 51);
    g_text_editor.SetCursorPosition(TextEditor::TextPosition(4, 6));
    g_shader_link_times = {{program, g_document_generation, 1000}};  // however slow its link, a slider relinks at once

    ASSERT_TRUE(TypeIntoPanel(Slider(0), "1"));
    const std::string expected = "    vec4 c = vec4(1.000, 0.4, 0.6, 1.0); // @col=[0:1]\n";
    EXPECT_NE(g_shader_text.find(expected), std::string::npos) << g_shader_text;
    EXPECT_EQ(program->fragment_shader_source, g_shader_text);
    EXPECT_EQ(g_text_editor.GetText().substr(0, g_shader_text.size()), g_shader_text);
    EXPECT_EQ(g_text_editor.GetCursorPosition(), TextEditor::TextPosition(4, 6));
    EXPECT_EQ(program->log, "Compilation successful.");
    EXPECT_EQ(Drawn().r, 255);
    EXPECT_EQ(Drawn().g, 102);
    EXPECT_EQ(g_number_literals[1].text, "1.000");  // the list follows the text

    // Without a current program the panel writes nothing.
    g_current_shader = -1;
    ASSERT_TRUE(TypeIntoPanel(Slider(1), "0"));
    EXPECT_NE(g_shader_text.find(expected), std::string::npos) << g_shader_text;
}

TEST_F(NumberSlidersPanel, TheColourReplacesACommaListWholeAndOtherwiseEachLiteralAlone) {
    Show("vec3 a = vec3(0.2, 0.4,\t0.6); // @a=[0:1]\n"
         "vec3 b = vec3(0.2 * k, 0.4 + m, 0.6); // @b=[0:1]\n"
         "vec3 c = vec3(0.2, 0.4 , , 0.6, 0.8); // @c=[0:1]\n");
    ASSERT_TRUE(TypeIntoPanel(Slider(2, "##X"), "255"));
    ASSERT_TRUE(TypeIntoPanel(Slider(5, "##Y"), "0"));
    ASSERT_TRUE(TypeIntoPanel(Slider(8, "##Z"), "255"));
    EXPECT_EQ(g_shader_text,
              "vec3 a = vec3(1.000,0.400,0.600); // @a=[0:1]\n"
              "vec3 b = vec3(0.200 * k, 0.000 + m, 0.600); // @b=[0:1]\n"
              "vec3 c = vec3(0.200, 0.400 , , 1.000, 0.8); // @c=[0:1]\n");
}

TEST_F(NumberSlidersPanel, NoSliderRewritesPartOfANameOrOfALongerNumber) {
    Show("float a = 1e-3 + 1.5E+2 + 0.5; // @a=[0:1]\n"
         "vec4 t = texture(tex10, vec2(0.5)) * my_2; // @t=[0:1]\n"
         "float h = 0x1F + 1.0f; // @h=[0:1]\n");
    ASSERT_TRUE(TypeIntoPanel(Slider(0), "0.75"));
    ASSERT_TRUE(TypeIntoPanel(Slider(1), "0.25"));
    EXPECT_FALSE(TypeIntoPanel(Slider(2), "0.5"));
    EXPECT_EQ(g_shader_text,
              "float a = 1e-3 + 1.5E+2 + 0.750; // @a=[0:1]\n"
              "vec4 t = texture(tex10, vec2(0.250)) * my_2; // @t=[0:1]\n"
              "float h = 0x1F + 1.0f; // @h=[0:1]\n");
}

TEST_F(NumberSlidersPanel, AMinusBeforeALiteralStaysAnOperatorWhateverTheSliderWrites) {
    ShaderProgram* program = Show("#version 150\n"
                                  "out vec4 colour;\n"
                                  "void main() {\n"
                                  "    vec2 p = vec2(0.3, 0.4);\n"
                                  "    float d = length(p)-0.25; // @d=[-1:1]\n"
                                  "    colour = vec4(d, 0.0, 0.0, 1.0);\n"
                                  "}\n");
    EXPECT_EQ(Drawn().r, 64);
    ASSERT_TRUE(TypeIntoPanel(Slider(0), "0.1"));
    EXPECT_NE(g_shader_text.find("length(p)-0.100;"), std::string::npos) << g_shader_text;
    EXPECT_EQ(Drawn().r, 102);
    // A negative value stands apart from the minus, which "--" would not.
    ASSERT_TRUE(TypeIntoPanel(Slider(0), "-0.3"));
    EXPECT_NE(g_shader_text.find("length(p)- -0.300;"), std::string::npos) << g_shader_text;
    EXPECT_EQ(program->log, "Compilation successful.");
    EXPECT_EQ(Drawn().r, 204);
    ASSERT_TRUE(TypeIntoPanel(Slider(0), "0.5"));
    EXPECT_NE(g_shader_text.find("length(p)- 0.500;"), std::string::npos) << g_shader_text;
    EXPECT_EQ(Drawn().r, 0);
}

TEST_F(NumberSlidersPanel, BoundsBeyondWhatSlidersTakeAreDrawnAndKept) {
    Show("float k = 0.5; // @k=[-1e39:1e39]\nfloat n = 0.5; // @n=[nan:nan]\n");
    ASSERT_TRUE(TypeIntoPanel(Slider(0), "1e39"));  // refused: "inf" would leave k no slider
    ASSERT_TRUE(TypeIntoPanel(Slider(0), "2"));
    ASSERT_TRUE(TypeIntoPanel(Slider(1), "3"));
    EXPECT_EQ(g_shader_text, "float k = 2.000; // @k=[-1e39:1e39]\nfloat n = 3.000; // @n=[nan:nan]\n");
    EXPECT_EQ(g_number_literals[0].min, -INFINITY);
    EXPECT_EQ(g_number_literals[0].max, INFINITY);
}

TEST_F(NumberSlidersPanel, TheSplitterKeepsThePanelBetweenOneRowAndTheWindowHeight) {
    Show(kTintShader);
    ImGuiWindow* panel = Window(std::string(kHost) + "/##numbers_panel");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Size.y, 100.0f);
    const ImGuiID splitter = Id(kHost, {"##splitter_numbers_pane"});

    // Grabs the splitter just under the panel, moves the mouse by dy, lets go.
    auto drag = [&](float dy) {
        ImVec2 grab(100.0f, panel->Pos.y + panel->Size.y + 8.0f);
        MouseTo(grab);
        PanelFrame();
        EXPECT_EQ(Context().HoveredId, splitter);
        EXPECT_EQ(ImGui::GetMouseCursor(), ImGuiMouseCursor_ResizeNS);
        IO().MouseDown[0] = true;
        PanelFrame();
        MouseTo(ImVec2(grab.x, grab.y + dy));
        PanelFrame();
        IO().MouseDown[0] = false;
        PanelFrame();
    };
    drag(25.0f);
    EXPECT_EQ(g_numbers_panel_height, 125);
    drag(-1000.0f);
    const ImGuiStyle& style = ImGui::GetStyle();
    const int one_row = static_cast<int>(std::ceil(ImGui::GetFrameHeight() + 2.0f * style.WindowPadding.y));
    EXPECT_EQ(g_numbers_panel_height, one_row);
    EXPECT_EQ(panel->Size.y, static_cast<float>(one_row));
    drag(5000.0f);
    EXPECT_EQ(panel->Pos.y + panel->Size.y + style.ItemSpacing.y + 8.0f, 720.0f);  // the splitter ends at the bottom
    EXPECT_EQ(static_cast<float>(g_numbers_panel_height), panel->Size.y);
}

}  // namespace
