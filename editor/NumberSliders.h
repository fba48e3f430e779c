// Annotated number sliders: the numeric literals of a fragment shader, and
// the panel of sliders (and a colour editor on a line's third literal) over
// the ranges that comments on their lines give:
//
//   float speed = 0.5; // @speed=[0:2]
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
    int32_t line;                // zero-based line (line feeds before it)
    bool has_point;              // it holds a '.'
    bool not_annotated = true;   // no annotation applied: no slider
    float max = 1.0f;            // slider maximum
    float min = 0.0f;            // slider minimum
    std::string text;            // its characters as they stand in the source
    std::string label;           // the annotation's label

    NumberLiteral(int32_t start, int32_t end, int32_t line, bool has_point, std::string text)
        : start(start), end(end), line(line), has_point(has_point), text(std::move(text)) {}
};

// The literals of a NUL-terminated text, in text order; one trace line per
// annotation on standard output.
std::vector<NumberLiteral> ParseShaderNumbers(const char* text);
// The panel (sliders, labels, colour editor) and its splitter; called by the
// Shader Editor while g_number_literals is not empty.
void ShowNumbersPanel();
