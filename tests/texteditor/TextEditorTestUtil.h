// Small helpers shared by the text editor tests: building texts, running the
// colorizer to completion and describing colour runs as readable strings.
#pragma once

#include "TextEditor.h"

#include <string>

namespace tetest {

using PaletteIndex = TextEditor::PaletteIndex;
using TextPosition = TextEditor::TextPosition;

inline const char* RoleName(PaletteIndex role) {
    static const char* const names[] = {"Default", "Keyword", "Number", "String", "CharLiteral", "Punctuation",
                                        "Preprocessor", "Identifier", "KnownIdentifier", "PreprocessorIdentifier",
                                        "Comment", "MultiLineComment", "Background", "Cursor", "Selection",
                                        "ErrorMarker", "Breakpoint", "LineNumber", "CurrentLineFill",
                                        "CurrentLineFillInactive", "CurrentLineEdge", "Count"};
    const size_t index = static_cast<size_t>(role);
    return index < sizeof(names) / sizeof(names[0]) ? names[index] : "?";
}

// Runs the per-frame colouring step until nothing is left to colour.
// Returns the number of frames it took.
inline int ColorizeNow(TextEditor& editor) {
    int frames = 0;
    do {
        editor.ColorizeInternal();
        ++frames;
    } while (editor.colorRangeMin < editor.colorRangeMax && frames < 100000);
    return frames;
}

// The colour runs of one line: "Identifier[x] Default[ ] Number[-1]".
inline std::string Runs(const TextEditor& editor, int line) {
    std::string out;
    const TextEditor::Line& glyphs = editor.lines.at(line);
    size_t i = 0;
    while (i < glyphs.size()) {
        const PaletteIndex role = glyphs[i].colorIndex;
        std::string text;
        while (i < glyphs.size() && glyphs[i].colorIndex == role) text.push_back(static_cast<char>(glyphs[i++].character));
        if (!out.empty()) out += ' ';
        out += RoleName(role);
        out += '[' + text + ']';
    }
    return out;
}

// One character per glyph for a flag: '1' set, '.' clear.
enum class Flag { Comment, MultiLineComment, Preprocessor };
inline std::string Flags(const TextEditor& editor, int line, Flag flag) {
    std::string out;
    for (const TextEditor::Glyph& g : editor.lines.at(line)) {
        const bool set = flag == Flag::Comment ? g.comment : flag == Flag::MultiLineComment ? g.multiLineComment : g.preprocessor;
        out.push_back(set ? '1' : '.');
    }
    return out;
}

// Puts the cursor at a position with an empty selection there, as if the
// user had just clicked it (both ends of the selection being made too).
inline void PlaceCursor(TextEditor& editor, TextPosition cursor) {
    editor.SetCursorPosition(cursor);
    editor.SetSelection(cursor, cursor);
    editor.interactiveStart = editor.interactiveEnd = cursor;
}

// Types each byte of characters as one character, without Shift.
inline void TypeCharacters(TextEditor& editor, const std::string& characters) {
    for (const char c : characters) editor.EnterCharacter(static_cast<ImWchar>(static_cast<unsigned char>(c)), false);
}

// An editor holding text in the given language, fully coloured.
inline void Load(TextEditor& editor, const TextEditor::SyntaxDefinition& language, const std::string& text) {
    editor.SetSyntaxDefinition(language);
    editor.SetText(text);
    ColorizeNow(editor);
}

}  // namespace tetest
