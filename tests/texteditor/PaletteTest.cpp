// The three built-in palettes and SetPalette.
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

using namespace tetest;

namespace {

ImU32 At(const TextEditor::Palette& p, PaletteIndex role) { return p[static_cast<size_t>(role)]; }

}  // namespace

TEST(Palette, DarkPaletteColours) {
    const auto& p = TextEditor::GetDarkPalette();
    EXPECT_EQ(At(p, PaletteIndex::Default), 0xff7f7f7fu);
    EXPECT_EQ(At(p, PaletteIndex::Keyword), 0xffd69c56u);
    EXPECT_EQ(At(p, PaletteIndex::String), 0xff7070e0u);
    EXPECT_EQ(At(p, PaletteIndex::KnownIdentifier), 0xff9bc64du);
    EXPECT_EQ(At(p, PaletteIndex::Background), 0xff101010u);
    EXPECT_EQ(At(p, PaletteIndex::Selection), 0x80a06020u);
    EXPECT_EQ(At(p, PaletteIndex::ErrorMarker), 0x800020ffu);
    EXPECT_EQ(At(p, PaletteIndex::Breakpoint), 0x40f08000u);
    EXPECT_EQ(At(p, PaletteIndex::CurrentLineEdge), 0x40a0a0a0u);
}

TEST(Palette, LightPaletteColours) {
    const auto& p = TextEditor::GetLightPalette();
    EXPECT_EQ(At(p, PaletteIndex::Keyword), 0xffff0c06u);
    EXPECT_EQ(At(p, PaletteIndex::Punctuation), 0xff000000u);
    EXPECT_EQ(At(p, PaletteIndex::Background), 0xffffffffu);
    EXPECT_EQ(At(p, PaletteIndex::ErrorMarker), 0xa00010ffu);
    EXPECT_EQ(At(p, PaletteIndex::LineNumber), 0xff505000u);
    EXPECT_EQ(At(p, PaletteIndex::CurrentLineEdge), 0x40000000u);
}

TEST(Palette, RetroBluePaletteColours) {
    const auto& p = TextEditor::GetRetroBluePalette();
    EXPECT_EQ(At(p, PaletteIndex::Default), 0xff00ffffu);
    EXPECT_EQ(At(p, PaletteIndex::Keyword), 0xffffff00u);
    EXPECT_EQ(At(p, PaletteIndex::PreprocessorIdentifier), 0xffff00ffu);
    EXPECT_EQ(At(p, PaletteIndex::Background), 0xff800000u);
    EXPECT_EQ(At(p, PaletteIndex::Cursor), 0xff0080ffu);
    EXPECT_EQ(At(p, PaletteIndex::Breakpoint), 0x80ff8000u);
}

TEST(Palette, TheThreePalettesDifferAndShareTheCurrentLineFills) {
    const auto& dark = TextEditor::GetDarkPalette();
    const auto& light = TextEditor::GetLightPalette();
    const auto& retro = TextEditor::GetRetroBluePalette();
    EXPECT_NE(dark, light);
    EXPECT_NE(light, retro);
    for (const auto* p : {&dark, &light, &retro}) {
        EXPECT_EQ(At(*p, PaletteIndex::CurrentLineFill), 0x40000000u);
        EXPECT_EQ(At(*p, PaletteIndex::CurrentLineFillInactive), 0x40808080u);
    }
    EXPECT_EQ(&dark, &TextEditor::GetDarkPalette());  // one object each
}

TEST(Palette, SetPaletteCopiesIntoTheBaseAndLeavesThePaletteInUseForTheNextDraw) {
    TextEditor e;
    e.palette = TextEditor::GetDarkPalette();
    TextEditor::Palette custom = TextEditor::GetRetroBluePalette();
    e.SetPalette(custom);
    custom[0] = 0x12345678;
    EXPECT_EQ(e.paletteBase, TextEditor::GetRetroBluePalette());
    EXPECT_EQ(e.palette, TextEditor::GetDarkPalette());
}
