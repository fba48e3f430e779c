#include "TextFields.h"

#include <imgui.h>

#include <cstring>

/* === Characters and cuts ================================================== */

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

const char* const kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

size_t Utf8SequenceLength(const char* text, size_t length) {
    if (length == 0) return 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    unsigned char lead = s[0];
    if (lead < 0x80) return 1;
    // The range the second byte must lie in narrows for some lead bytes:
    // E0 and F0 rule out overlong forms, ED the surrogates, F4 what lies
    // past U+10FFFF. C0, C1 and F5 to FF start nothing.
    size_t need = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (length < need || s[1] < low || s[1] > high) return 0;
    for (size_t i = 2; i < need; ++i) {
        if (!IsContinuation(s[i])) return 0;
    }
    return need;
}

bool IsValidUtf8(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;  // most names are ASCII throughout
            continue;
        }
        size_t length = Utf8SequenceLength(text.data() + at, text.size() - at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string RepairUtf8(const std::string& text) {
    std::string repaired;
    repaired.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        size_t length = Utf8SequenceLength(text.data() + at, text.size() - at);
        if (length == 0) {
            repaired += kReplacement;
            at += 1;
        } else {
            repaired.append(text, at, length);
            at += length;
        }
    }
    return repaired;
}

size_t CharacterCut(const std::string& text, size_t max_bytes) {
    if (text.size() <= max_bytes) return text.size();
    size_t cut = 0;
    while (cut < text.size()) {
        size_t length = Utf8SequenceLength(text.data() + cut, text.size() - cut);
        if (length == 0) length = 1;  // a stray byte is a character of its own
        if (cut + length > max_bytes) break;
        cut += length;
    }
    return cut;
}

void CopyBounded(char* buffer, size_t size, const std::string& text) {
    if (size == 0) return;
    size_t length = CharacterCut(text, size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

std::string FieldText(const std::string& text, size_t size) {
    std::string shown = RepairUtf8(text);
    shown.resize(CharacterCut(shown, size == 0 ? 0 : size - 1));
    return shown;
}

/* === Shown text =========================================================== */

ShownText::ShownText(const std::string& text) : text_(&text) {
    if (IsValidUtf8(text)) return;
    repaired_ = RepairUtf8(text);
    text_ = &repaired_;
}

/* === Fields =============================================================== */

namespace {

// The field over its own copy of stored; true with the field's text in
// edited when the user changed it.
bool EditCopy(const char* label, const std::string& stored, size_t size, std::string* edited) {
    if (size == 0) return false;
    std::string buffer = FieldText(stored, size);
    buffer.resize(size, '\0');
    if (!ImGui::InputText(label, &buffer[0], size, 0)) return false;
    edited->assign(buffer.c_str());
    return true;
}

}  // namespace

bool InputTextField(const char* label, char* text, size_t size) {
    std::string edited;
    if (!EditCopy(label, std::string(text, strnlen(text, size)), size, &edited)) return false;
    CopyBounded(text, size, edited);  // fits: the field holds at most size - 1 bytes
    return true;
}

bool InputTextField(const char* label, std::string* text, size_t size) {
    std::string edited;
    if (!EditCopy(label, *text, size, &edited)) return false;
    *text = edited;
    return true;
}
