// Annotated number sliders: the numeric literals of a fragment shader, and
// the panel of sliders (and a colour editor on a line's third literal) over
// the ranges that comments on their lines give:
//
//   float speed = 0.5; // @speed=[0:2]
//   vec3 col = vec3(1.0, 0.5, 0.2); // @col=[0:1]
//
// An annotation is "@label=[min:max]" inside a comment ("]" optional, the
// label at most 255 characters, each bound at most 55); it applies to every
// literal of its line that comes before it, and the last one of a line wins.
//
// A '-' is a literal's sign only where it cannot subtract: when the last
// code byte before it, past white space, line breaks and comments, ends an
// operand (a letter, a digit, '_', '.', ')' or ']'), it is an operator,
// which ends a literal and starts none, unless that operand is the keyword
// return or case, or the name a #define line defines with its parameter
// list. So "length(p) -0.25", "a /* c */ -0.5" and "2.0-0.5" subtract,
// while "w = -0.5", "vec2(1.0,-0.5)", "return -1.0", "#define R -0.25",
// "#define F(x) -0.25" and "foo( // note" with "-0.25)" on the next line
// keep the sign. A slider therefore never writes over an operator, and a
// negative value written right after a minus gets a space before it
// ("length(p)- -0.300").
//
// Otherwise the scanner is deliberately loose: "tex10" yields the literal
// "0" and "1e-3" the literals 1 and 3. The panel therefore offers a slider
// only for a literal that stands in the code as a whole number, so that no
// slider rewrites part of a name or of a longer number.
//
// Moving a slider rewrites the literal in the source, which goes back into
// the code editor and the current program (relinked while "Auto-recompile"
// is on), so the demo changes in the next frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One numeric literal of a source text.
struct NumberLiteral {
    int32_t start;               // byte index of its first character
    int32_t end;                 // byte index one past its last character
    int32_t line;                // zero-based line of its first character
    bool has_point;              // it holds a '.' (one at byte 0 of the text does not count)
    bool not_annotated = true;   // no annotation applied: no slider
    float max = 1.0f;            // slider maximum, as atof reads the bound (may be infinite)
    float min = 0.0f;            // slider minimum, likewise
    std::string text;            // its characters as they stand in the source
    std::string label;           // the annotation's label; empty without one

    NumberLiteral(int32_t start, int32_t end, int32_t line, bool has_point, std::string text)
        : start(start), end(end), line(line), has_point(has_point), text(std::move(text)) {}
};

// The literals of a NUL-terminated text, in text order: outside comments, a
// sign '-' or a digit or '.' that does not follow a letter, and the digits
// and points after it. A block comment ends at the first "*/" after its
// "/*" (so "/*/" does not end it), and the '/' that ends it opens nothing
// ("*//" is no line comment). A literal that runs up to the text's end is
// not collected. Writes one trace line per
// annotation to standard output: "%i %s %s %s", the scan's count (-1 when the
// text ends at the '@') and the label, minimum and maximum texts, empty where
// the scan stopped before them; no line break.
std::vector<NumberLiteral> ParseShaderNumbers(const char* text);

// The panel (labels, sliders, colour editor) and its splitter below it; the
// Shader Editor calls it while g_number_literals is not empty. A change is
// written into g_shader_text, the code editor (whose view, cursor and
// selection stay) and the current program, which is relinked at once; with
// no current program nothing is written. A typed value that is not finite
// is refused.
//
// The panel is drawn g_numbers_panel_height high, but at least one row of
// sliders and at most as high as leaves height_below pixels of the window
// under the splitter. Only a drag of the splitter changes the stored height,
// so a window collapsed or shrunk for a while gets its panel back.
void ShowNumbersPanel(float height_below);
