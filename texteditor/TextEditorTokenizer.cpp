// TextEditor: the hand-written C-style tokenizer of "C++" and "C".
//
// Every matcher looks only at bytes inside [inBegin, inEnd) and only at
// ASCII classes, so bytes of 0x80 and above never join a token (other than
// inside strings and character literals).
#include "TextEditor.h"

namespace {

// ASCII-only character classes (never locale-dependent).
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsIdentifierStart(char c) { return IsLetter(c) || c == '_'; }
bool IsIdentifierPart(char c) { return IsIdentifierStart(c) || IsDigit(c); }

}  // namespace

// ==========================================================================
// Matchers
// ==========================================================================

// A double-quoted string; only \" is an escape. Unterminated: no token.
bool TokenizeCStyleString(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd) {
    const char* p = inBegin;
    if (p >= inEnd || *p != '"') return false;
    ++p;
    while (p < inEnd) {
        if (*p == '"') {
            outBegin = inBegin;
            outEnd = p + 1;
            return true;
        }
        if (*p == '\\' && p + 1 < inEnd && p[1] == '"') ++p;
        ++p;
    }
    return false;
}

// One character, or a backslash and one character, between single quotes.
bool TokenizeCStyleCharacterLiteral(const char* inBegin, const char* inEnd, const char*& outBegin,
                                    const char*& outEnd) {
    const char* p = inBegin;
    if (p >= inEnd || *p != '\'') return false;
    ++p;
    if (p < inEnd && *p == '\\') ++p;
    if (p < inEnd) ++p;
    if (p < inEnd && *p == '\'') {
        outBegin = inBegin;
        outEnd = p + 1;
        return true;
    }
    return false;
}

bool TokenizeCStyleIdentifier(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd) {
    const char* p = inBegin;
    if (p >= inEnd || !IsIdentifierStart(*p)) return false;
    ++p;
    while (p < inEnd && IsIdentifierPart(*p)) ++p;
    outBegin = inBegin;
    outEnd = p;
    return true;
}

// Decimal, floating (with exponent and a lower-case f), hexadecimal and
// binary literals; a sign directly before the digits belongs to the number.
bool TokenizeCStyleNumber(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd) {
    const char* p = inBegin;
    if (p >= inEnd) return false;
    const bool startsWithDigit = IsDigit(*p);
    if (*p != '+' && *p != '-' && !startsWithDigit) return false;
    bool hasDigits = startsWithDigit;
    ++p;
    while (p < inEnd && IsDigit(*p)) {
        hasDigits = true;
        ++p;
    }
    if (!hasDigits) return false;

    bool isFloat = false;
    bool isHex = false;
    bool isBinary = false;
    if (p < inEnd) {
        if (*p == '.') {
            isFloat = true;
            ++p;
            while (p < inEnd && IsDigit(*p)) ++p;
        } else if (*p == 'x' || *p == 'X') {
            isHex = true;
            ++p;
            while (p < inEnd && IsHexDigit(*p)) ++p;
        } else if (*p == 'b' || *p == 'B') {
            isBinary = true;
            ++p;
            while (p < inEnd && (*p == '0' || *p == '1')) ++p;
        }
    }

    if (!isHex && !isBinary) {
        if (p < inEnd && (*p == 'e' || *p == 'E')) {
            isFloat = true;
            ++p;
            if (p < inEnd && (*p == '+' || *p == '-')) ++p;
            bool hasExponent = false;
            while (p < inEnd && IsDigit(*p)) {
                hasExponent = true;
                ++p;
            }
            if (!hasExponent) return false;
        }
        if (p < inEnd && *p == 'f') ++p;
    }

    if (!isFloat)
        while (p < inEnd && (*p == 'u' || *p == 'U' || *p == 'l' || *p == 'L')) ++p;

    outBegin = inBegin;
    outEnd = p;
    return true;
}

// One of ! % & ( ) * + , - . / : ; < = > ? [ ] ^ { | } ~
bool TokenizeCStylePunctuation(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd) {
    if (inBegin >= inEnd) return false;
    switch (*inBegin) {
        case '!': case '%': case '&': case '(': case ')': case '*': case '+': case ',':
        case '-': case '.': case '/': case ':': case ';': case '<': case '=': case '>':
        case '?': case '[': case ']': case '^': case '{': case '|': case '}': case '~':
            outBegin = inBegin;
            outEnd = inBegin + 1;
            return true;
        default:
            return false;
    }
}

// ==========================================================================
// The tokenizer
// ==========================================================================

bool TokenizeCStyle(const char* inBegin, const char* inEnd, const char*& outBegin, const char*& outEnd,
                    TextEditor::PaletteIndex& paletteIndex) {
    using PaletteIndex = TextEditor::PaletteIndex;
    paletteIndex = PaletteIndex::Count;

    const char* p = inBegin;
    while (p < inEnd && (*p == ' ' || *p == '\t')) ++p;  // blanks are ASCII: 0x80 and above stop here
    if (p == inEnd) {
        outBegin = inEnd;
        outEnd = inEnd;
        paletteIndex = PaletteIndex::Default;
        return true;
    }

    if (TokenizeCStyleString(p, inEnd, outBegin, outEnd))
        paletteIndex = PaletteIndex::String;
    else if (TokenizeCStyleCharacterLiteral(p, inEnd, outBegin, outEnd))
        paletteIndex = PaletteIndex::CharLiteral;
    else if (TokenizeCStyleIdentifier(p, inEnd, outBegin, outEnd))
        paletteIndex = PaletteIndex::Identifier;
    else if (TokenizeCStyleNumber(p, inEnd, outBegin, outEnd))
        paletteIndex = PaletteIndex::Number;
    else if (TokenizeCStylePunctuation(p, inEnd, outBegin, outEnd))
        paletteIndex = PaletteIndex::Punctuation;

    if (paletteIndex != PaletteIndex::Count) return true;
    // No token starts at p: say where the search failed, past the blanks, so
    // the colorizer does not skip the same blanks again from each of them.
    outBegin = p;
    outEnd = p;
    return false;
}
