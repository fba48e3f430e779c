// Arbitrary bytes through the text editor's model and colorizer: the text
// goes in with SetText, is coloured to the end in one of the seven
// languages, and the word, range and edit primitives then run at positions
// taken from the input (in range and out of range alike). Every operation
// must stay inside the text, and no line may ever hold a line feed, whatever
// bytes (malformed UTF-8 among them) come before it; the checks below abort
// on a broken invariant.
#include "TextEditor.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const TextEditor::SyntaxDefinition& Language(uint8_t choice) {
    switch (choice % 7) {
        case 0: return TextEditor::SyntaxDefinition::CPlusPlus();
        case 1: return TextEditor::SyntaxDefinition::HLSL();
        case 2: return TextEditor::SyntaxDefinition::GLSL();
        case 3: return TextEditor::SyntaxDefinition::C();
        case 4: return TextEditor::SyntaxDefinition::SQL();
        case 5: return TextEditor::SyntaxDefinition::AngelScript();
        default: return TextEditor::SyntaxDefinition::Lua();
    }
}

void Check(bool condition) {
    if (!condition) std::abort();
}

// A position near the text: mostly inside it, sometimes just outside or wild.
TextEditor::TextPosition Position(FuzzedDataProvider& in, const TextEditor& editor) {
    const int lines = editor.GetTotalLines();
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0)
        return TextEditor::TextPosition(in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>());
    const int line = in.ConsumeIntegralInRange<int>(-1, lines);
    return TextEditor::TextPosition(line, in.ConsumeIntegralInRange<int>(-1, editor.LineEndColumn(line) + 2));
}

bool NoLineHoldsALineFeed(const TextEditor& editor) {
    for (const TextEditor::Line& line : editor.lines)
        for (const TextEditor::Glyph& glyph : line)
            if (glyph.character == '\n') return false;
    return true;
}

bool InsideText(const TextEditor& editor, const TextEditor::TextPosition& p) {
    return p.line >= 0 && p.line < editor.GetTotalLines() && p.column >= 0 && p.column <= editor.LineEndColumn(p.line);
}

void ColourToTheEnd(TextEditor& editor) {
    // The bounded per-frame step must finish: at most one step per 10 lines.
    const int limit = editor.GetTotalLines() / 10 + 3;
    int frames = 0;
    do {
        editor.ColorizeInternal();
        Check(++frames <= limit);
    } while (editor.colorRangeMin < editor.colorRangeMax);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const uint8_t language = in.ConsumeIntegral<uint8_t>();
    const int tabSize = in.ConsumeIntegralInRange<int>(-1, 33);
    const size_t operations = in.ConsumeIntegralInRange<size_t>(0, 24);
    const std::string text = in.ConsumeRandomLengthString(4096);

    // One editor per language, kept between runs: compiling the token patterns
    // for every input would cost more than the rest of the run. SetText resets
    // the text, the undo history and the colour marks.
    static TextEditor* editors[7] = {};
    TextEditor*& slot = editors[language % 7];
    if (slot == nullptr) {
        slot = new TextEditor();
        slot->SetSyntaxDefinition(Language(language));
    }
    TextEditor& editor = *slot;
    editor.SetTabSize(tabSize);
    editor.SetText(text);
    Check(editor.GetTotalLines() >= 1);
    ColourToTheEnd(editor);

    for (size_t n = 0; n < operations && in.remaining_bytes() > 0; ++n) {
        const TextEditor::TextPosition p = Position(in, editor);
        const TextEditor::TextPosition clamped = editor.SanitizePosition(p);
        Check(InsideText(editor, clamped));

        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
            case 0: {
                // A column inside a tab's span stands for the character after the tab.
                const TextEditor::TextPosition at(
                    clamped.line, editor.CharIndexToColumn(clamped.line, editor.ColumnToCharIndex(clamped)));
                const TextEditor::TextPosition start = editor.FindWordStart(at);
                const TextEditor::TextPosition end = editor.FindWordEnd(at);
                Check(start <= at && at <= end && InsideText(editor, start) && InsideText(editor, end));
                editor.GetWordAt(p);
                editor.FindWordStart(p);
                editor.FindWordEnd(p);
                break;
            }
            case 1: {
                const TextEditor::TextPosition next = editor.FindNextWord(p);
                if (InsideText(editor, p)) Check(InsideText(editor, next) && clamped <= next);
                editor.IsWordBoundary(p);
                break;
            }
            case 2: {
                TextEditor::TextPosition step = clamped;
                editor.StepForward(step);
                Check(clamped < step);
                TextEditor::TextPosition wild = p;
                editor.StepForward(wild);
                editor.GetTextRange(p, Position(in, editor));
                break;
            }
            case 3: {
                const std::string insert = in.ConsumeRandomLengthString(64);
                TextEditor::TextPosition where = p;
                const int before = editor.GetTotalLines();
                const int breaks = editor.InsertTextAt(where, insert.c_str());
                Check(editor.GetTotalLines() == before + breaks);
                Check(InsideText(editor, where));
                Check(NoLineHoldsALineFeed(editor));
                editor.Colorize(where.line - breaks - 1, breaks + 2);
                break;
            }
            case 4: {
                editor.DeleteRange(p, Position(in, editor));
                Check(editor.GetTotalLines() >= 1);
                editor.Colorize(clamped.line - 1, 3);
                break;
            }
            case 5:
                ColourToTheEnd(editor);
                break;
            default: {
                const std::string all = editor.GetText();
                size_t bytes = 0;
                for (const auto& line : editor.lines) bytes += line.size() + 1;
                Check(all.size() == bytes);
                Check(editor.GetTextRange(TextEditor::TextPosition(0, 0),
                                          TextEditor::TextPosition(editor.GetTotalLines(), 0)) == all);
                break;
            }
        }
    }
    Check(NoLineHoldsALineFeed(editor));
    ColourToTheEnd(editor);
    return 0;
}
