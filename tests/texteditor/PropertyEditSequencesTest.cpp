// Random editing sessions: thousands of sequences of typing, Enter, Tab,
// Backspace, Delete, clipboard commands, moves with and without Shift,
// overwrite, undo and redo on random texts with tabs, multi-byte characters
// and bytes that are no UTF-8 (Latin-1 letters, stray continuation bytes,
// sequences cut short), which the clipboard brings in too. Every change of
// the text must be one undo record, every undo and redo must give back
// exactly the lines of that point in the history, no line may ever hold a
// line feed, and at the end undoing everything restores the original lines
// byte for byte and redoing everything the final ones. The same holds for
// random keys, characters, pastes, clicks and drags fed through whole ImGui
// frames.
#include "EditorFrameHarness.h"
#include "HeadlessImGui.h"
#include "TextEditor.h"
#include "TextEditorTestUtil.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace tetest;

namespace {

// Random edit sessions of 60 commands, and random input frames; fewer in the
// sanitized build, which runs several times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kSequences = 1000;
constexpr int kInputFrames = 2000;
#else
constexpr int kSequences = 4000;
constexpr int kInputFrames = 8000;
#endif
constexpr int kStepsPerSequence = 60;

// Pieces random texts and pasted texts are made of: ASCII, blanks, tabs, two-,
// three- and four-byte UTF-8 characters; lone lead bytes (Latin-1 letters
// among them), stray continuation bytes and sequences cut short, which join
// into characters or split apart as the text around them changes; and the
// bytes the text stores but typing and pasting never put in: carriage
// returns and zero bytes.
const std::string kPieces[] = {"a", "b", "x", "0", "_", "(", ";", " ", " ", "\t", "\xC3\xA9", "\xE2\x82\xAC",
                               "\xF0\x9F\x98\x80", "//", "/*", "*/", "\"", "\xE9", "caf\xE9", "\xC0", "\xC3",
                               "\xE2", "\xF0", "\xF7", "\x80", "\xA9", "\xBF", "\x80\x80", "\xE2\x82",
                               "\xF0\x9F\x98", "\r", std::string(1, '\0')};
// Characters typed, as ImGui delivers them: 16-bit code units (a carriage
// return only reaches EnterCharacter from a caller, never from the keys).
const ImWchar kTyped[] = {'a', 'z', '1', ' ', '{', '}', '(', ';', '"', '#', 0x00E9, 0x20AC, 0x4E2D, 0xD83D, '\r'};

using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& text) {
    Lines lines(1);
    for (const char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back().push_back(c);
    }
    return lines;
}

// True when no line of the editor holds a line feed.
bool NoLineHoldsALineFeed(const TextEditor& e) {
    for (const TextEditor::Line& line : e.lines)
        for (const TextEditor::Glyph& glyph : line)
            if (glyph.character == '\n') return false;
    return true;
}

class Session {
public:
    explicit Session(uint32_t seed) : random_(seed) {}

    std::string RandomText(int maxLines, int maxPieces) {
        std::string text;
        const int lineCount = Uniform(1, maxLines);
        for (int l = 0; l < lineCount; ++l) {
            if (l > 0) text += '\n';
            const int pieces = Uniform(0, maxPieces);
            for (int p = 0; p < pieces; ++p) text += kPieces[Uniform(0, static_cast<int>(sizeof(kPieces) / sizeof(kPieces[0])) - 1)];
        }
        return text;
    }

    TextPosition RandomPosition(const TextEditor& e) {
        // Lines and columns a little past the text too: stale positions.
        return TextPosition(Uniform(0, e.GetTotalLines() + 1), Uniform(0, 14));
    }

    // Runs one random command; returns its name for failure messages, and
    // whether it was an undo or a redo.
    std::string Step(TextEditor& e, int& kind) {
        kind = 0;
        switch (Uniform(0, 24)) {
            case 0: case 1: case 2: {
                const ImWchar c = kTyped[Uniform(0, static_cast<int>(sizeof(kTyped) / sizeof(kTyped[0])) - 1)];
                e.EnterCharacter(c, false);
                return "type " + std::to_string(c);
            }
            case 3: e.EnterCharacter('\n', false); return "enter";
            case 4: { const bool shift = Coin(); e.EnterCharacter('\t', shift); return shift ? "shift+tab" : "tab"; }
            case 5: e.Backspace(); return "backspace";
            case 6: e.Delete(); return "delete";
            case 7: {
                const std::string clip = RandomText(3, 4);
                ImGui::SetClipboardText(clip.c_str());
                e.Paste();
                return "paste";
            }
            case 8: e.Cut(); return "cut";
            case 9: e.Copy(); return "copy";
            case 10: { const bool s = Coin(), w = Coin(); e.MoveLeft(Uniform(1, 3), s, w); return "left"; }
            case 11: { const bool s = Coin(), w = Coin(); e.MoveRight(Uniform(1, 3), s, w); return "right"; }
            case 12: e.MoveUp(Uniform(1, 3), Coin()); return "up";
            case 13: e.MoveDown(Uniform(1, 3), Coin()); return "down";
            case 14: e.MoveHome(Coin()); return "home";
            case 15: e.MoveEnd(Coin()); return "end";
            case 16: if (Coin()) e.MoveTop(Coin()); else e.MoveBottom(Coin()); return "top/bottom";
            case 17: case 18: kind = -1; e.Undo(1); return "undo";
            case 19: kind = 1; e.Redo(1); return "redo";
            case 20: e.overwrite = !e.overwrite; return "insert";
            case 21: e.SelectAll(); return "select all";
            case 22: e.SetSelection(RandomPosition(e), RandomPosition(e)); return "select";
            case 23: e.SetCursorPosition(RandomPosition(e)); return "place";
            default: e.ColorizeInternal(); return "colorize";
        }
    }

private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
    bool Coin() { return Uniform(0, 1) == 1; }

    std::mt19937 random_;
};

}  // namespace

TEST(PropertyEditSequences, UndoAndRedoWalkTheHistoryExactlyInRandomSessions) {
    HeadlessImGui imgui;  // the clipboard
    // Two editors reused across sessions (building one compiles its patterns):
    // one with automatic indentation ("HLSL"), one without ("Lua").
    TextEditor indenting;
    TextEditor plain;
    plain.SetSyntaxDefinition(TextEditor::SyntaxDefinition::Lua());
    for (int sequence = 0; sequence < kSequences; ++sequence) {
        Session session(static_cast<uint32_t>(sequence) * 2654435761u + 1u);
        TextEditor& e = sequence % 3 == 0 ? plain : indenting;
        // Every byte of a line stays with SetTextLines; SetText drops the
        // carriage returns. Both empty the history.
        const std::string original = session.RandomText(6, 8);
        if (sequence % 2 == 0)
            e.SetTextLines(SplitLines(original));
        else
            e.SetText(original);
        e.state = TextEditor::CursorState();
        e.interactiveStart = e.interactiveEnd = TextPosition();
        e.overwrite = false;
        const Lines start = e.GetTextLines();

        // texts[k]: the lines when undoIndex is k.
        std::vector<Lines> texts{start};
        std::ostringstream log;
        for (int step = 0; step < kStepsPerSequence; ++step) {
            const Lines before = e.GetTextLines();
            const int index = e.undoIndex;
            const size_t records = e.undoBuffer.size();
            int kind = 0;
            log << session.Step(e, kind) << "; ";
            const Lines after = e.GetTextLines();
            ASSERT_GE(e.GetTotalLines(), 1);
            ASSERT_TRUE(NoLineHoldsALineFeed(e)) << "sequence " << sequence << ": " << log.str();

            if (kind != 0) {
                ASSERT_EQ(after, texts.at(static_cast<size_t>(e.undoIndex)))
                    << "sequence " << sequence << ": " << log.str();
            } else if (e.undoIndex == index + 1) {
                ASSERT_EQ(e.undoBuffer.size(), static_cast<size_t>(e.undoIndex));
                texts.resize(static_cast<size_t>(e.undoIndex));
                texts.push_back(after);
            } else {
                ASSERT_EQ(e.undoIndex, index) << log.str();
                ASSERT_EQ(e.undoBuffer.size(), records) << log.str();
                ASSERT_EQ(after, before) << "a change without an undo record in sequence " << sequence << ": "
                                         << log.str();
            }
        }

        const Lines final = e.GetTextLines();
        const int finalIndex = e.undoIndex;
        e.Undo(static_cast<int>(e.undoBuffer.size()) + 1);
        ASSERT_EQ(e.GetTextLines(), start) << "undo all, sequence " << sequence << ": " << log.str();
        e.Redo(finalIndex);
        ASSERT_EQ(e.GetTextLines(), final) << "redo to the end, sequence " << sequence << ": " << log.str();
        e.Redo(static_cast<int>(e.undoBuffer.size()));
        ASSERT_EQ(e.GetTextLines(), texts.back()) << "redo all, sequence " << sequence << ": " << log.str();
    }
}

TEST(PropertyEditSequences, RandomKeysCharactersPastesClicksAndDragsThroughFramesUndoBackToTheOriginal) {
    EditorFrameHarness h;
    std::mt19937 random(77);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const SDL_Scancode keys[] = {SDL_SCANCODE_Z, SDL_SCANCODE_Y, SDL_SCANCODE_UP, SDL_SCANCODE_DOWN, SDL_SCANCODE_LEFT,
                                 SDL_SCANCODE_RIGHT, SDL_SCANCODE_PAGEUP, SDL_SCANCODE_PAGEDOWN, SDL_SCANCODE_HOME,
                                 SDL_SCANCODE_END, SDL_SCANCODE_DELETE, SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_INSERT,
                                 SDL_SCANCODE_C, SDL_SCANCODE_V, SDL_SCANCODE_X, SDL_SCANCODE_A, SDL_SCANCODE_RETURN,
                                 SDL_SCANCODE_TAB};
    // Typed text as the platform hands it to ImGui, which turns bytes that
    // are no UTF-8 into U+FFFD before the editor sees them.
    const char* const typed[] = {"a", " ", "\t", "\xC3\xA9", "\xE2\x82\xAC", "{", "\n", "\x01", "//", "\"",
                                 "\xE9", "\x80"};
    Session session(5);
    const std::string original = session.RandomText(40, 10);
    h.editor.SetTextLines(SplitLines(original));
    const Lines start = h.editor.GetTextLines();
    h.Focus();
    for (int frame = 0; frame < kInputFrames; ++frame) {
        switch (uniform(0, 4)) {
            case 0: {
                // Modifiers on one key in three, so whole-text commands stay rare.
                const unsigned mods = uniform(0, 2) == 0 ? static_cast<unsigned>(uniform(0, 7)) : kNone;
                h.Key(keys[uniform(0, static_cast<int>(sizeof(keys) / sizeof(keys[0])) - 1)], mods);
                break;
            }
            case 1: h.Type(typed[uniform(0, static_cast<int>(sizeof(typed) / sizeof(typed[0])) - 1)]); break;
            case 2: h.Click(ImVec2(static_cast<float>(uniform(-20, 820)), static_cast<float>(uniform(-20, 620))),
                            static_cast<unsigned>(uniform(0, 1))); break;
            case 3:
                ImGui::SetClipboardText(session.RandomText(3, 4).c_str());
                h.Key(SDL_SCANCODE_V, kCtrl);
                break;
            default:
                h.Drag(h.PointAt(uniform(0, 45), uniform(0, 20)), h.PointAt(uniform(0, 45), uniform(0, 20)));
                break;
        }
        ASSERT_GE(h.editor.GetTotalLines(), 1);
        ASSERT_TRUE(NoLineHoldsALineFeed(h.editor)) << "frame " << frame;
        const TextPosition cursor = h.editor.GetCursorPosition();
        ASSERT_LT(cursor.line, h.editor.GetTotalLines());
        ASSERT_LE(cursor.column, h.editor.LineEndColumn(cursor.line));
    }
    h.editor.Undo(static_cast<int>(h.editor.undoBuffer.size()));
    EXPECT_EQ(h.editor.GetTextLines(), start);
}
