// JSON text reader: a lenient recursive-descent parser over one string and a
// read position. A syntax error never throws and never stops the program: one
// line goes to std::cerr and the construct hands back what it has read.
//
// The position never passes the end of the text. At the end, the character
// seen is NUL, which no construct accepts, so a text that stops early meets
// the usual messages with the NUL shown as what was found.
#include "JSON.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iostream>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// === Characters ==============================================================

// The character at position, or NUL at (and beyond) the end of the text.
inline char CharAt(const std::string& text, size_t position) {
    return position < text.size() ? text[position] : '\0';
}

// White space of the "C" locale; bytes 128 to 255 are not white space.
inline bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The characters allowed right after a number.
inline bool EndsNumber(char c) {
    return IsSpace(c) || c == ',' || c == ']' || c == '}';
}

// The first double quote or backslash in data[from, end), or end when there is
// none. Strings are mostly long runs of plain characters (base64 payloads), so
// this is scanned sixteen bytes at a time.
size_t FindQuoteOrBackslash(const char* data, size_t from, size_t end) {
    size_t i = from;
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    for (; i + 64 <= end; i += 64) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16));
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 32));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 48));
        __m128i ma = _mm_or_si128(_mm_cmpeq_epi8(a, quote), _mm_cmpeq_epi8(a, backslash));
        __m128i mb = _mm_or_si128(_mm_cmpeq_epi8(b, quote), _mm_cmpeq_epi8(b, backslash));
        __m128i mc = _mm_or_si128(_mm_cmpeq_epi8(c, quote), _mm_cmpeq_epi8(c, backslash));
        __m128i md = _mm_or_si128(_mm_cmpeq_epi8(d, quote), _mm_cmpeq_epi8(d, backslash));
        __m128i any = _mm_or_si128(_mm_or_si128(ma, mb), _mm_or_si128(mc, md));
        if (_mm_movemask_epi8(any) != 0)
            break;  // the hit is somewhere in these 64 bytes
    }
    for (; i + 16 <= end; i += 16) {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        int mask = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, backslash)));
        if (mask != 0)
            return i + size_t(__builtin_ctz(unsigned(mask)));
    }
#endif
    for (; i < end; ++i)
        if (data[i] == '"' || data[i] == '\\')
            return i;
    return end;
}

// === Messages ================================================================

// Writes one message line: the text, what was found, an apostrophe.
void Report(const char* message, const std::string& found) {
    std::string line = message;
    line += found;
    line += "'\n";
    std::cerr << line;
}

void Report(const char* message, char found) { Report(message, std::string(1, found)); }

// === Number conversion =======================================================

// The signed 32-bit integer of the longest prefix of text that is an optional
// minus sign and digits; false when there are no digits or the number does not
// fit.
bool ConvertInteger(const std::string& text, int32_t& value) {
    size_t i = 0;
    bool negative = false;
    if (CharAt(text, i) == '-') {
        negative = true;
        ++i;
    }
    if (!IsDigit(CharAt(text, i)))
        return false;
    int64_t magnitude = 0;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (; IsDigit(CharAt(text, i)); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit)
            return false;
    }
    value = int32_t(negative ? -magnitude : magnitude);
    return true;
}

// The double of the longest prefix of text that reads as one; false when no
// prefix does or the value is beyond the range of double.
bool ConvertDouble(const std::string& text, double& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    double result = std::strtod(begin, &end);
    if (end == begin)
        return false;
    if (errno == ERANGE && std::isinf(result))
        return false;
    value = result;
    return true;
}

// === The parser ==============================================================

// One parse: the text and how deep the objects and arrays being read are
// nested. Each function starts at position and leaves it after what it read
// (or where its message says).
class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    JSON Value(size_t& position, int depth);
    JSON Object(size_t& position, int depth);
    JSON Array(size_t& position, int depth);
    JSON String(size_t& position);
    JSON Number(size_t& position);
    JSON Bool(size_t& position);
    JSON Null(size_t& position);
    void SkipSpace(size_t& position) const;

private:
    JSON TooDeep(size_t& position);
    // Steps over the opening character a construct was called on.
    void StepOver(size_t& position) const {
        if (position < text_.size())
            ++position;
    }
    // Steps over an opening bracket and the space after it; true, with the
    // position past it, when the closing bracket follows at once.
    bool OpensEmpty(size_t& position, char close) const {
        StepOver(position);
        SkipSpace(position);
        if (CharAt(text_, position) != close)
            return false;
        ++position;
        return true;
    }

    const std::string& text_;
};

void Reader::SkipSpace(size_t& position) const {
    while (position < text_.size() && IsSpace(text_[position]))
        ++position;
}

JSON Reader::Value(size_t& position, int depth) {
    SkipSpace(position);
    char c = CharAt(text_, position);
    switch (c) {
    case '{':
    case '[':
        if (depth >= JSON::kMaxDepth)
            return TooDeep(position);
        return c == '{' ? Object(position, depth) : Array(position, depth);
    case '"': return String(position);
    case 't':
    case 'f': return Bool(position);
    case 'n': return Null(position);
    default: break;
    }
    if (IsDigit(c) || c == '-')
        return Number(position);
    Report("ERROR: Parse: Unknown starting character '", c);
    return JSON();
}

// An object or array nested too deep: one message, and the whole bracketed
// part is passed over without recursion (strings inside it included), so the
// construct around it carries on after it. The part reads as Null.
JSON Reader::TooDeep(size_t& position) {
    static const std::string message =
        "ERROR: Parse: Nesting deeper than " + std::to_string(JSON::kMaxDepth) + " levels, found '";
    Report(message.c_str(), CharAt(text_, position));
    size_t open = 0;
    while (position < text_.size()) {
        char c = text_[position++];
        if (c == '"') {
            while (position < text_.size()) {
                char s = text_[position++];
                if (s == '\\' && position < text_.size())
                    ++position;
                else if (s == '"')
                    break;
            }
        } else if (c == '{' || c == '[') {
            ++open;
        } else if (c == '}' || c == ']') {
            if (--open == 0)
                break;
        }
    }
    return JSON();
}

JSON Reader::Object(size_t& position, int depth) {
    JSON result = JSON::MakeObject();
    if (OpensEmpty(position, '}'))
        return result;
    for (;;) {
        std::string key = Value(position, depth + 1).AsString();
        SkipSpace(position);
        char c = CharAt(text_, position);
        if (c != ':') {
            Report("Error: Object: Expected colon, found '", c);
            break;
        }
        ++position;
        SkipSpace(position);
        result[key] = Value(position, depth + 1);
        SkipSpace(position);
        c = CharAt(text_, position);
        if (c == ',') {
            ++position;
            continue;
        }
        if (c == '}') {
            ++position;
            break;
        }
        Report("ERROR: Object: Expected comma, found '", c);
        break;
    }
    return result;
}

JSON Reader::Array(size_t& position, int depth) {
    JSON result = JSON::MakeArray();
    if (OpensEmpty(position, ']'))
        return result;
    // No check for ']' right after a ',': in [1,] the ']' is read as an
    // element (a message and Null).
    for (;;) {
        result.Append(Value(position, depth + 1));
        SkipSpace(position);
        if (CharAt(text_, position) != ',')
            break;
        ++position;
    }
    char c = CharAt(text_, position);
    if (c == ']') {
        ++position;
        return result;
    }
    Report("ERROR: Array: Expected ',' or ']', found '", c);
    return JSON::MakeArray();
}

JSON Reader::String(size_t& position) {
    const char* data = text_.data();
    const size_t end = text_.size();
    std::string value;
    StepOver(position);  // the opening quote
    for (;;) {
        // Plain characters (control characters and bytes 128 to 255 included)
        // are taken as they stand, a whole run at a time.
        size_t stop = FindQuoteOrBackslash(data, position, end);
        value.append(data + position, stop - position);
        position = stop;
        if (position < end && data[position] == '"') {
            ++position;
            return JSON(std::move(value));
        }
        if (position + 1 >= end) {
            // The text ends inside the string, perhaps right after a
            // backslash, which then escapes nothing: keep what was read.
            position = end;
            Report("ERROR: String: Expected closing quote, found '", '\0');
            return JSON(std::move(value));
        }
        char c = data[++position];  // the character after the backslash
        switch (c) {
        case '"': value += '"'; break;
        case '/': value += '/'; break;
        case '\\': value += '\\'; break;
        case 'b': value += '\b'; break;
        case 'f': value += '\f'; break;
        case 'n': value += '\n'; break;
        case 'r': value += '\r'; break;
        case 't': value += '\t'; break;
        case 'u':
            // Kept as six characters of text; no code point is decoded.
            for (size_t i = 1; i <= 4; ++i) {
                char h = CharAt(text_, position + i);
                if (!IsHexDigit(h)) {
                    Report("ERROR: String: Expected hex character in unicode escape, found '", h);
                    return JSON(std::string());
                }
            }
            value += '\\';
            value.append(data + position, 5);
            position += 4;
            break;
        default:
            // An unknown escape leaves one backslash; the character is dropped.
            value += '\\';
            break;
        }
        ++position;
    }
}

JSON Reader::Number(size_t& position) {
    const size_t start = position;
    // Mantissa: '-', digits and '.' wherever they stand; the conversion takes
    // the longest prefix that means something.
    std::string mantissa;
    bool floating = false;
    char c = CharAt(text_, position);
    while (c == '-' || c == '.' || IsDigit(c)) {
        floating |= c == '.';
        mantissa += c;
        c = CharAt(text_, ++position);
    }
    // position is on the character that ended the mantissa.
    bool has_exponent = false;
    std::string exponent_text;
    if (c == 'e' || c == 'E') {
        has_exponent = true;
        ++position;
        if (CharAt(text_, position) == '-') {
            exponent_text += '-';
            ++position;
        }
        c = CharAt(text_, position);
        while (IsDigit(c)) {
            exponent_text += c;
            c = CharAt(text_, ++position);
        }
    }
    if (!EndsNumber(c)) {
        Report(has_exponent ? "ERROR: Number: Expected a number for exponent, found '"
                            : "ERROR: Number: unexpected character '",
               c);
        position = std::min(position + 1, text_.size());
        return JSON();
    }
    // position is on the accepted character after the number.

    int32_t exponent = 0;
    bool ok = !has_exponent || ConvertInteger(exponent_text, exponent);
    double float_value = 0.0;
    int32_t int_value = 0;
    if (ok && floating) {
        ok = ConvertDouble(mantissa, float_value);
    } else if (ok) {
        ok = ConvertInteger(mantissa, int_value);
        float_value = double(int_value);
    }
    if (ok && (floating || has_exponent)) {
        float_value *= std::pow(10.0, double(exponent));
        ok = std::isfinite(float_value);
    }
    if (!ok) {
        Report("ERROR: Number: Cannot convert '", text_.substr(start, position - start));
        return JSON();
    }
    if (floating || has_exponent)
        return JSON(float_value);
    return JSON(int(int_value));
}

JSON Reader::Bool(size_t& position) {
    if (text_.compare(position, 4, "true") == 0) {
        position += 4;
        return JSON(true);
    }
    if (text_.compare(position, 5, "false") == 0) {
        position += 5;
        return JSON(false);
    }
    Report("ERROR: Bool: Expected 'true' or 'false', found '", text_.substr(position, 5));
    return JSON();
}

JSON Reader::Null(size_t& position) {
    if (text_.compare(position, 4, "null") == 0) {
        position += 4;
        return JSON();
    }
    Report("ERROR: Null: Expected 'null', found '", text_.substr(position, 4));
    return JSON();
}

// A position beyond the text (only a caller can pass one) reads as its end.
size_t& Clamp(const std::string& text, size_t& position) {
    if (position > text.size())
        position = text.size();
    return position;
}

}  // namespace

// === The reader's entry points ===============================================

JSON JSON::FromText(const std::string& text) {
    size_t position = 0;
    return Parse(text, position);
}

JSON JSON::Parse(const std::string& text, size_t& position) {
    return Reader(text).Value(Clamp(text, position), 0);
}

JSON JSON::ParseObject(const std::string& text, size_t& position) {
    return Reader(text).Object(Clamp(text, position), 0);
}

JSON JSON::ParseArray(const std::string& text, size_t& position) {
    return Reader(text).Array(Clamp(text, position), 0);
}

JSON JSON::ParseString(const std::string& text, size_t& position) {
    return Reader(text).String(Clamp(text, position));
}

JSON JSON::ParseNumber(const std::string& text, size_t& position) {
    return Reader(text).Number(Clamp(text, position));
}

JSON JSON::ParseBool(const std::string& text, size_t& position) {
    return Reader(text).Bool(Clamp(text, position));
}

JSON JSON::ParseNull(const std::string& text, size_t& position) {
    return Reader(text).Null(Clamp(text, position));
}

void JSON::ConsumeWhitespace(const std::string& text, size_t& position) {
    Reader(text).SkipSpace(Clamp(text, position));
}
