// TextEditor: Velmara's syntax-highlighting code editor widget.
//
// The text is a vector of lines, each line a vector of glyphs, one glyph per
// byte of the UTF-8 text, each carrying a colour role and three flags written
// by the colorizer. There is no line-break glyph: lines are separate vectors.
//
// The decision a reader would otherwise trip over: a TextPosition holds a
// *display column*, not a byte index. A tab advances the column to the next
// multiple of the tab size, every other character (whatever the length of its
// UTF-8 sequence) takes one column. Every position is turned into a byte index
// by walking its line (ColumnToCharIndex), and every position handed in from
// outside is clamped (SanitizePosition) before it indexes a line, so no
// operation reads outside a line or the text.
//
// The text need not be UTF-8 (a shader saved as Latin-1 holds "é" as the one
// byte 0xE9). One rule says where characters start, and every walk over a
// line uses it (CharacterLength): a lead byte and the continuation bytes it
// announces are one character only when all of them follow it on the line;
// any other byte is a character of its own. Undo records name their ranges in
// bytes, because an edit can join the bytes on either side of it into one
// character (a lone lead byte before pasted continuation bytes), and no column
// names a place inside a character.
//
// Colouring is incremental: edits only mark lines (Colorize); Render runs one
// bounded colouring step per frame (ColorizeInternal).
//
// Everything runs on the user-interface thread; the widget takes no locks.
#pragma once

#include <imgui.h>

#include <array>
#include <cstdint>
#include <map>
#include <regex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class TextEditor {
public:
    // ======================================================================
    // Types
    // ======================================================================

    // The 21 colour roles; a glyph's colour index is one of the first ten.
    enum class PaletteIndex : uint32_t {
        Default = 0,                   // text no token covers
        Keyword = 1,                   // words of the language's keywords
        Number = 2,                    // numeric literals
        String = 3,                    // string literals
        CharLiteral = 4,               // character literals
        Punctuation = 5,               // operators and punctuation
        Preprocessor = 6,              // directives; blended into preprocessor lines
        Identifier = 7,                // identifiers in no word list
        KnownIdentifier = 8,           // words of the language's identifiers
        PreprocessorIdentifier = 9,    // words of the preprocessor identifiers
        Comment = 10,                  // glyphs in a single-line comment
        MultiLineComment = 11,         // glyphs in a block comment
        Background = 12,               // child window background
        Cursor = 13,                   // cursor bar
        Selection = 14,                // selection rectangles
        ErrorMarker = 15,              // bar of a line with an error
        Breakpoint = 16,               // bar of a line with a breakpoint
        LineNumber = 17,               // gutter numbers
        CurrentLineFill = 18,          // cursor line fill, focused
        CurrentLineFillInactive = 19,  // cursor line fill, not focused
        CurrentLineEdge = 20,          // cursor line outline
        Count = 21,                    // number of roles; "no token" for a tokenizer
    };

    // One colour per role, in role order, packed as ImGui packs colours
    // (red in bits 0-7, green 8-15, blue 16-23, alpha 24-31).
    using Palette = std::array<ImU32, static_cast<size_t>(PaletteIndex::Count)>;

    // How a mouse selection grows (SetSelection).
    enum class SelectionMode : int32_t {
        Normal = 0,  // character by character
        Word = 1,    // by whole words
        Line = 2,    // by whole lines
    };

    // A position in the text: a line from 0 and a display column from 0.
    // Comparisons order by line, then column. (There is deliberately no >=.)
    struct TextPosition {
        int32_t line = 0;
        int32_t column = 0;

        TextPosition() = default;
        TextPosition(int32_t aLine, int32_t aColumn) : line(aLine), column(aColumn) {}

        bool operator==(const TextPosition& o) const { return line == o.line && column == o.column; }
        bool operator!=(const TextPosition& o) const { return !(*this == o); }
        bool operator<(const TextPosition& o) const { return line != o.line ? line < o.line : column < o.column; }
        bool operator<=(const TextPosition& o) const { return line != o.line ? line < o.line : column <= o.column; }
        bool operator>(const TextPosition& o) const { return line != o.line ? line > o.line : column > o.column; }
    };

    // One byte of the text with its colour role and the colorizer's flags.
    struct Glyph {
        uint8_t character;             // one byte of a UTF-8 sequence
        PaletteIndex colorIndex;       // set by the token pass
        bool comment : 1;              // inside a single-line comment
        bool multiLineComment : 1;     // inside a block comment
        bool preprocessor : 1;         // on a preprocessor line

        Glyph(uint8_t aCharacter, PaletteIndex aColorIndex)
            : character(aCharacter), colorIndex(aColorIndex), comment(false), multiLineComment(false),
              preprocessor(false) {}
    };

    using Line = std::vector<Glyph>;  // never holds a line break
    using Lines = std::vector<Line>;

    // Selection and cursor.
    struct CursorState {
        TextPosition selectionStart;
        TextPosition selectionEnd;
        TextPosition cursorPosition;
    };

    // A word of a language's identifier tables, with its tooltip text.
    struct IdentifierInfo {
        TextPosition location;
        std::string declaration;
    };

    // A hand-written tokenizer: finds one token in [inBegin, inEnd), which may
    // start after leading blanks. Returns false when it found none; it may
    // then set outBegin to the byte where its search failed, past blanks
    // (spaces and tabs) it skipped, and the colorizer goes on after that byte.
    typedef bool (*TokenizeCallback)(const char* inBegin, const char* inEnd, const char*& outBegin,
                                     const char*& outEnd, PaletteIndex& paletteIndex);

    // One language: word lists, comment delimiters and either a tokenizer or
    // an ordered list of token patterns (the first that matches wins).
    struct SyntaxDefinition {
        std::string name;                                                   // display name
        std::unordered_set<std::string> keywords;                           // coloured Keyword
        std::unordered_map<std::string, IdentifierInfo> identifiers;        // coloured KnownIdentifier
        std::unordered_map<std::string, IdentifierInfo> preprocessorIdentifiers;  // on preprocessor lines
        std::string commentStart;                                           // opens a block comment
        std::string commentEnd;                                             // closes a block comment
        std::string singleLineComment;                                      // runs to the end of the line
        char preprocessorChar = '#';                                        // first non-blank: a directive
        bool autoIndentation = true;                                        // Enter copies leading blanks
        TokenizeCallback tokenize = nullptr;                                // null: use tokenPatterns
        std::vector<std::pair<std::string, PaletteIndex>> tokenPatterns;    // ECMAScript patterns, in order
        bool caseSensitive = true;                                          // false: words upper-cased first

        // The seven built-in definitions, built on first use, never changed.
        static const SyntaxDefinition& CPlusPlus();
        static const SyntaxDefinition& HLSL();
        static const SyntaxDefinition& GLSL();
        static const SyntaxDefinition& C();
        static const SyntaxDefinition& SQL();
        static const SyntaxDefinition& AngelScript();
        static const SyntaxDefinition& Lua();
    };

    // One undoable change: what it inserted, what it removed, and the cursor
    // state on both sides of it. The four range ends are byte positions (the
    // column member holds a byte index of the line, see ByteAt): the removed
    // range as the text stood before the change, the added one after it. The
    // cursor states hold columns, as the cursor always does.
    struct UndoEntry {
        std::string added;           // bytes inserted; a line feed breaks the line
        TextPosition addedStart;     // byte position where they start
        TextPosition addedEnd;       // byte position after them
        std::string removed;         // bytes erased
        TextPosition removedStart;   // byte position where they started
        TextPosition removedEnd;     // byte position after them
        CursorState before;          // restored by Undo
        CursorState after;           // restored by Redo

        UndoEntry() = default;
        UndoEntry(const std::string& aAdded, const TextPosition aAddedStart, const TextPosition aAddedEnd,
                  const std::string& aRemoved, const TextPosition aRemovedStart, const TextPosition aRemovedEnd,
                  const CursorState& aBefore, const CursorState& aAfter);

        void Undo(TextEditor* editor);  // reverts the change in the editor
        void Redo(TextEditor* editor);  // applies the change again
    };

    // ======================================================================
    // Public API
    // ======================================================================

    TextEditor();   // one empty line, dark palette, "HLSL"
    ~TextEditor();

    // --- Language and palette ---------------------------------------------
    void SetSyntaxDefinition(const SyntaxDefinition& definition);  // copies it; recolours all
    void SetPalette(const Palette& value);                          // shown from the next Render
    static const Palette& GetDarkPalette();
    static const Palette& GetLightPalette();
    static const Palette& GetRetroBluePalette();

    // --- Drawing ----------------------------------------------------------
    // Draws the editor in a child window titled title; reads keys and mouse.
    void Render(const char* title, const ImVec2& size = ImVec2(), bool border = false);

    // --- Whole text -------------------------------------------------------
    void SetText(const std::string& text);                  // "\r" dropped; always >= 1 line
    void SetTextLines(const std::vector<std::string>& text);  // one string per line (a line feed in one starts
                                                              // another); empty: one empty line
    std::string GetText() const;                            // every line followed by "\n"
    std::vector<std::string> GetTextLines() const;          // no line breaks
    std::string GetSelectedText() const;                    // the selection clamped into the text; "" without one
    std::string GetCurrentLineText() const;                 // the cursor's line, no line break
    int GetTotalLines() const;                              // number of lines
    bool IsTextChanged() const;                             // changed since the last Render began
    std::string GetWordUnderCursor() const;                 // "" on a line end

    // --- Settings ---------------------------------------------------------
    void SetReadOnly(bool value);
    bool IsReadOnly() const;
    void SetColorizerEnabled(bool value);  // false: every glyph in Default
    void SetTabSize(int value);            // clamped to 0..32; 0 acts as 1

    // --- Cursor and selection ---------------------------------------------
    TextPosition GetCursorPosition() const;  // clamped into the text
    TextPosition GetSelectionBound() const;  // selection start, clamped into the text
    void SetCursorPosition(const TextPosition& position);  // stored unclamped
    void SetSelectionStart(const TextPosition& position);
    void SetSelectionEnd(const TextPosition& position);
    void SetSelection(const TextPosition& start, const TextPosition& end,
                      SelectionMode mode = SelectionMode::Normal);
    void SelectWordUnderCursor();
    void SelectAll();          // the cursor stays
    bool HasSelection() const;  // selection end after selection start, both clamped into the text

    // --- Cursor moves (select: extend the selection; wordMode: by words) ----
    void MoveUp(int amount = 1, bool select = false);
    void MoveDown(int amount = 1, bool select = false);
    void MoveLeft(int amount = 1, bool select = false, bool wordMode = false);
    void MoveRight(int amount = 1, bool select = false, bool wordMode = false);
    void MoveTop(bool select = false);     // to (0, 0)
    void MoveBottom(bool select = false);  // to the start of the last line
    void MoveHome(bool select = false);    // to the start of the line
    void MoveEnd(bool select = false);     // to the end of the line

    // --- Editing commands (each adds at most one undo record) ---------------
    void Copy();       // without a selection: the cursor's whole line
    void Cut();        // read-only: copies only
    void Paste();      // nothing when read-only or the clipboard is empty
    void Delete();     // nothing at the end of the text
    void Backspace();  // nothing at the start of the text
    void InsertText(const std::string& text);  // at the cursor; adds no undo record
    void InsertText(const char* text);         // null: nothing
    void EnterCharacter(ImWchar character, bool shift);  // typing, Enter, Tab

    // --- Undo -------------------------------------------------------------
    bool CanUndo() const;  // false when read-only
    bool CanRedo() const;  // false when read-only
    void Undo(int steps = 1);
    void Redo(int steps = 1);

    // ======================================================================
    // Internals: used by the widget's own parts and by tests.
    // ======================================================================

    // --- Positions and columns (text model) --------------------------------
    TextPosition SanitizePosition(const TextPosition& position) const;  // clamped into the text
    TextPosition SanitizedCursor() const;
    int ColumnToCharIndex(const TextPosition& position) const;  // -1 for a missing line
    int CharIndexToColumn(int line, int index) const;           // 0 for a missing line
    int LineCharCount(int line) const;                          // 0 for a missing line
    int LineEndColumn(int line) const;                          // 0 for a missing line
    void StepForward(TextPosition& position) const;             // past a line end: next line start
    int TabStop(int column) const;                              // next tab stop after column (tab size 0 acts as 1)
    float TabStopX(float x, float spaceWidth) const;            // next tab stop in pixels after x

    // --- Words --------------------------------------------------------------
    TextPosition FindWordStart(const TextPosition& from) const;  // from itself off the text
    TextPosition FindWordEnd(const TextPosition& from) const;    // from itself off the text
    TextPosition FindNextWord(const TextPosition& from) const;   // end of the text when none
    bool IsWordBoundary(const TextPosition& at) const;           // true off the text
    std::string GetWordAt(const TextPosition& at) const;         // "" off the text

    // --- Text extraction and primitives -------------------------------------
    std::string GetTextRange(const TextPosition& start, const TextPosition& end) const;  // "" when empty
    int InsertTextAt(TextPosition& where, const char* text);  // where clamped first; "\r" dropped, every "\n"
                                                              // breaks the line; returns line breaks inserted
    void DeleteRange(const TextPosition& start, const TextPosition& end);  // ends clamped and ordered first
    Line& InsertLine(int index);        // markers at or after index move down
    void RemoveLine(int index);         // markers of the line dropped, later ones move up
    void RemoveLines(int start, int end);  // lines [start, end)
    ImU32 GetGlyphColor(const Glyph& glyph) const;

    // --- Byte positions: the column member holds a byte index of the line ---
    TextPosition ByteAt(const TextPosition& position) const;  // position clamped, its column made a byte index
    TextPosition ColumnAt(const TextPosition& at) const;      // the column of a byte position (line kept)
    TextPosition ClampBytes(const TextPosition& at) const;    // into the text: a line, an index <= its size
    int InsertBytes(TextPosition& at, const std::string& bytes);  // at clamped first; every byte kept, every
                                                                  // "\n" breaks the line; at moves past them;
                                                                  // returns line breaks inserted
    void DeleteBytes(const TextPosition& start, const TextPosition& end);  // [start, end), clamped and ordered

    // --- Pixel geometry (inside the editor's window, during a frame) -------
    float DistanceToLineStart(const TextPosition& position) const;  // pixels from the text's left edge
    TextPosition ScreenPosToPosition(const ImVec2& point) const;    // clamped into the text

    // --- Measured lines (during a frame; see TextEditorLayout.cpp) ----------
    // A line is measured once and its layout kept until the line changes, so
    // that a frame need not walk a long line to find what is in view.

    // Where a character starts: its byte index, display column and pixels
    // from the line's start (DistanceToLineStart of that column).
    struct LinePlace {
        int index = 0;
        int column = 0;
        float x = 0.0f;
    };
    // What measuring a line keeps.
    struct LineLayout {
        int glyphCount = -1;           // the line's length when measured; -1: not measured
        LinePlace end;                 // the line's end: its length, end column and width
        std::vector<LinePlace> marks;  // a character start every kLayoutMarkBytes bytes or so, after index 0
    };
    // The font, font size and tab size the kept layouts were measured with,
    // and the widths of the ASCII characters in that font.
    struct LayoutMeasure {
        const ImFont* font = nullptr;
        float fontSize = 0.0f;
        int tabSize = -1;
        float spaceWidth = 0.0f;
        std::array<float, 128> asciiWidth{};
    };
    static constexpr int kLayoutMarkBytes = 256;

    const LineLayout& LayoutOf(int line) const;  // the line must exist; measured now unless kept
    void LineChanged(int line);                  // the line's glyphs changed: its layout is dropped
    LinePlace PlaceOfColumn(int line, int column) const;  // the character ColumnToCharIndex finds
    LinePlace PlaceAtX(int line, float localX) const;     // the character a point localX pixels right of
                                                          // the content's left edge lands before
    bool PointToPlace(const ImVec2& point, int& line, LinePlace& place) const;  // ScreenPosToPosition's line
                                                                                // and place; false: no lines
    float StepPlace(const Line& line, LinePlace& place) const;  // past one character; returns its width
    TextPosition SanitizeLaidOut(const TextPosition& position) const;  // SanitizePosition by the kept ends

    // --- Scrolling and undo history (editing commands) ----------------------
    void KeepCursorVisible();
    int GetPageSize() const;            // whole lines in the window
    void AddUndo(UndoEntry& value);
    void DeleteSelection();

    // --- Colorizer ----------------------------------------------------------
    void Colorize(int fromLine = 0, int lineCount = -1);  // marks lines; -1: through the end
    void ColorizeRange(int fromLine, int toLine);         // re-tokenises [fromLine, toLine) now
    void ColorizeInternal();                              // one bounded per-frame step
    void ScanComments();                                  // whole-text comment/preprocessor scan
    void ColorRangeLinesRemoved(int start, int end);      // waiting lines follow the removal of [start, end)
    void ColorRangeLineInserted(int index);               // waiting lines follow a line inserted at index

    // --- Rendering and input ------------------------------------------------
    void HandleKeyboardInputs();
    void HandleMouseInputs();
    void RenderText();
    void RenderLineText(ImDrawList* drawList, int line, const ImVec2& textPos, float left, float right);
    std::string TooltipWordAt(const ImVec2& point) const;  // GetWordAt at the point; "" for a word no
                                                           // table can hold

    // --- Fields, in declaration order ---------------------------------------
    float lineSpacing = 1.0f;                    // line height factor
    Lines lines;                                 // the text; at least one line
    CursorState state;                           // selection and cursor
    std::vector<UndoEntry> undoBuffer;           // undo records
    int undoIndex = 0;                           // records Undo can revert
    int tabSize = 4;                             // columns per tab stop (0 acts as 1)
    bool overwrite = false;                      // typing replaces the character under the cursor
    bool readOnly = false;                       // the user cannot change the text
    bool withinRender = false;                   // true while Render runs
    bool scrollToCursor = false;                 // bring the cursor into view at the next Render
    bool scrollToTop = false;                    // scroll to the top at the next Render
    bool textChanged = false;                    // the text changed since Render began
    bool colorizerEnabled = true;                // colours come from the colorizer
    float textStart = 20.0f;                     // pixels from the child window's left edge to the text
    int leftMargin = 10;                         // pixels added to the gutter
    bool cursorPositionChanged = false;          // cursor or selection moved
    int colorRangeMin = 0;                       // first line waiting to be re-tokenised
    int colorRangeMax = 0;                       // line after the last one waiting
    SelectionMode selectionMode = SelectionMode::Normal;  // mode of the mouse selection
    bool handleKeyboardInputs = true;            // Render reads the keyboard
    bool handleMouseInputs = true;               // Render reads the mouse
    bool ignoreImGuiChild = false;               // draw into the current window, no child
    bool showWhitespaces = true;                 // mark blanks and tabs
    Palette paletteBase{};                       // the palette as set
    Palette palette{};                           // the palette in use; the dark one until a Render computes it
    SyntaxDefinition language;                   // the language in use
    std::vector<std::pair<std::regex, PaletteIndex>> regexList;  // compiled token patterns
    bool checkComments = true;                   // comment scan requested
    std::unordered_set<int> breakpoints;         // line numbers counted from 1
    std::map<int, std::string> errorMarkers;     // line number from 1 -> message
    ImVec2 charAdvance = ImVec2(0.0f, 0.0f);     // one character's width, one line's height (pixels)
    TextPosition interactiveStart;               // one end of the selection being made
    TextPosition interactiveEnd;                 // the other end
    std::string lineBuffer;                      // renderer scratch
    uint64_t startTime = 0;                      // wall-clock milliseconds, moved by cursor blinking
    float lastClick = -1.0f;                     // ImGui time of the last click, -1: none
    mutable std::vector<LineLayout> lineLayouts;  // one per line while in step with lines
    mutable LayoutMeasure layoutMeasure;          // what the kept layouts were measured with
};

// ==========================================================================
// UTF-8 helpers
// ==========================================================================

// Bytes of the sequence a lead byte announces; 1 for ASCII and stray
// continuation bytes. Only CharacterLength says how long a character is.
int UTF8CharLength(uint8_t leadByte);
// True for a continuation byte (10xxxxxx).
bool IsUTFSequence(uint8_t byte);
// Bytes of the character that starts at the glyph begin, of the glyphs
// [begin, end): the length its lead byte announces when that many bytes
// remain and all but the first are continuation bytes, else 1 (a Latin-1
// 0xE9 before plain text, a stray continuation byte, a sequence cut short).
// 0 when begin is not before end. A byte that is no continuation byte thus
// always starts a character.
int CharacterLength(const TextEditor::Glyph* begin, const TextEditor::Glyph* end);
// The same for the character at byte index of a line; 0 outside the line.
int CharacterLength(const TextEditor::Line& line, int index);
// Encodes an ImGui character code into buffer (no terminator). Returns the
// bytes written; 0 when the buffer is too small or c is a low surrogate.
int ImTextCharToUtf8(char* buffer, int bufferSize, unsigned int c);

// ==========================================================================
// The C-style tokenizer ("C++" and "C")
// ==========================================================================

// Skips blanks, then finds one string, character literal, identifier, number
// or punctuation token. At the end of the input: an empty Default token.
// Returns false when no token starts at the first non-blank byte, with
// outBegin and outEnd both at that byte.
bool TokenizeCStyle(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd,
                    TextEditor::PaletteIndex& paletteIndex);

// The matchers: each needs a non-empty input, matches at inBegin and leaves
// the out-parameters untouched when it fails.
bool TokenizeCStyleString(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd);
bool TokenizeCStyleCharacterLiteral(const char* inBegin, const char* inEnd, const char*& outBegin,
                                    const char*& outEnd);
bool TokenizeCStyleIdentifier(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd);
bool TokenizeCStyleNumber(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd);
bool TokenizeCStylePunctuation(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd);
