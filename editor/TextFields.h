// Text fields over text that need not be valid UTF-8. Names in a document,
// file names from a directory and text selected in a shader can hold any
// bytes (a Latin-1 "caf\xE9"), but Dear ImGui's text field reads its buffer
// as UTF-8: a lone lead byte at the end makes it read past the terminator,
// and editing such a text trips its assertions, which Debian's build keeps.
//
// So a field never sees the stored bytes. It shows and edits a copy in which
// every byte that is not part of a well-formed UTF-8 sequence reads U+FFFD,
// cut on a character boundary to the field's size, and the stored text
// changes only when the user edits the field. Until then the stored bytes
// stay as they were: a search still finds Latin-1 text, a picked file still
// opens, and a name survives being looked at.
//
// A character here is a well-formed UTF-8 sequence (no overlong forms, no
// surrogates, nothing above U+10FFFF) or else one single byte.
#pragma once

#include <cstddef>
#include <string>

/* === Characters and cuts ================================================== */

// The length in bytes of the well-formed UTF-8 sequence that starts text
// (1 to 4), or 0 when its first byte starts none; 0 for an empty text.
size_t Utf8SequenceLength(const char* text, size_t length);
// True when every byte of text is part of a well-formed UTF-8 sequence.
bool IsValidUtf8(const std::string& text);
// text with every byte that is not part of a well-formed UTF-8 sequence
// replaced by U+FFFD ("\xEF\xBF\xBD"); valid text comes back unchanged.
std::string RepairUtf8(const std::string& text);
// The length of the longest start of text that ends on a character boundary
// and holds at most max_bytes bytes.
size_t CharacterCut(const std::string& text, size_t max_bytes);
// Copies text's bytes as they are into buffer of size bytes (at least 1):
// at most size - 1 of them, cut on a character boundary, and a terminator.
void CopyBounded(char* buffer, size_t size, const std::string& text);
// What a field of size bytes shows of text: RepairUtf8(text) cut on a
// character boundary to at most size - 1 bytes. Always valid UTF-8.
std::string FieldText(const std::string& text, size_t size);

/* === Shown text =========================================================== */

// What a label or a line of text shows of stored text: the text itself when
// it is valid UTF-8 (a scan, no copy), otherwise RepairUtf8 of it, held
// here. Dear ImGui draws a lone lead byte as the start of a longer
// character and swallows the bytes after it: "caf\xE9.frag" would read
// "caf?rag". A label's ID comes from its text, so a repaired label has the
// ID of its repaired text. Made for one call, and the stored text must
// outlive it:
//   ImGui::Selectable(ShownText(effect->name).c_str(), ...);
class ShownText {
public:
    explicit ShownText(const std::string& text);
    ShownText(const ShownText&) = delete;  // it may point into itself
    ShownText& operator=(const ShownText&) = delete;
    const char* c_str() const { return text_->c_str(); }

private:
    const std::string* text_;  // the stored text, or repaired_
    std::string repaired_;
};

/* === Fields =============================================================== */

// ImGui::InputText (flags 0) with a buffer of size bytes over FieldText of
// the stored text. When the user changed the field, the stored text becomes
// the field's text and the result is true; otherwise the stored text is not
// touched. The first form reads text as a terminated array of size bytes.
bool InputTextField(const char* label, char* text, size_t size);
bool InputTextField(const char* label, std::string* text, size_t size);
