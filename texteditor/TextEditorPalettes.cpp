// TextEditor: the three built-in palettes and SetPalette.
//
// Colours are written as ImGui packs them: 0xAABBGGRR.
#include "TextEditor.h"

// ==========================================================================
// Built-in palettes, one colour per role in role order
// ==========================================================================

const TextEditor::Palette& TextEditor::GetDarkPalette() {
    static const Palette palette = {{
        0xff7f7f7f,  // Default
        0xffd69c56,  // Keyword
        0xff00ff00,  // Number
        0xff7070e0,  // String
        0xff70a0e0,  // CharLiteral
        0xffffffff,  // Punctuation
        0xff408080,  // Preprocessor
        0xffaaaaaa,  // Identifier
        0xff9bc64d,  // KnownIdentifier
        0xffc040a0,  // PreprocessorIdentifier
        0xff206020,  // Comment
        0xff406020,  // MultiLineComment
        0xff101010,  // Background
        0xffe0e0e0,  // Cursor
        0x80a06020,  // Selection
        0x800020ff,  // ErrorMarker
        0x40f08000,  // Breakpoint
        0xff707000,  // LineNumber
        0x40000000,  // CurrentLineFill
        0x40808080,  // CurrentLineFillInactive
        0x40a0a0a0,  // CurrentLineEdge
    }};
    return palette;
}

const TextEditor::Palette& TextEditor::GetLightPalette() {
    static const Palette palette = {{
        0xff7f7f7f,  // Default
        0xffff0c06,  // Keyword
        0xff008000,  // Number
        0xff2020a0,  // String
        0xff304070,  // CharLiteral
        0xff000000,  // Punctuation
        0xff406060,  // Preprocessor
        0xff404040,  // Identifier
        0xff606010,  // KnownIdentifier
        0xffc040a0,  // PreprocessorIdentifier
        0xff205020,  // Comment
        0xff405020,  // MultiLineComment
        0xffffffff,  // Background
        0xff000000,  // Cursor
        0x80600000,  // Selection
        0xa00010ff,  // ErrorMarker
        0x80f08000,  // Breakpoint
        0xff505000,  // LineNumber
        0x40000000,  // CurrentLineFill
        0x40808080,  // CurrentLineFillInactive
        0x40000000,  // CurrentLineEdge
    }};
    return palette;
}

const TextEditor::Palette& TextEditor::GetRetroBluePalette() {
    static const Palette palette = {{
        0xff00ffff,  // Default
        0xffffff00,  // Keyword
        0xff00ff00,  // Number
        0xff808000,  // String
        0xff808000,  // CharLiteral
        0xffffffff,  // Punctuation
        0xff008000,  // Preprocessor
        0xff00ffff,  // Identifier
        0xffffffff,  // KnownIdentifier
        0xffff00ff,  // PreprocessorIdentifier
        0xff808080,  // Comment
        0xff404040,  // MultiLineComment
        0xff800000,  // Background
        0xff0080ff,  // Cursor
        0x80ffff00,  // Selection
        0xa00000ff,  // ErrorMarker
        0x80ff8000,  // Breakpoint
        0xff808000,  // LineNumber
        0x40000000,  // CurrentLineFill
        0x40808080,  // CurrentLineFillInactive
        0x40000000,  // CurrentLineEdge
    }};
    return palette;
}

// ==========================================================================
// Setting a palette
// ==========================================================================

// Only the base changes here; the palette in use follows at the next draw,
// with the style's alpha applied.
void TextEditor::SetPalette(const Palette& value) { paletteBase = value; }
