// JSON text writer: objects one line per member with an indent per depth,
// arrays on one line, numbers in fixed notation with six decimals.
//
// The whole text is appended into one string, so a long string value (a
// base64 payload) is copied once, whatever its depth.
#include "JSON.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// === Escapes =================================================================

// The escape of a character, or 0 when it goes out as it stands: only
// backspace, tab, line feed, form feed, carriage return, the double quote and
// the backslash are escaped; other control characters, the slash and bytes 128
// to 255 are not.
inline char EscapeOf(unsigned char c) {
    switch (c) {
    case '\b': return 'b';
    case '\t': return 't';
    case '\n': return 'n';
    case '\f': return 'f';
    case '\r': return 'r';
    case '"': return '"';
    case '\\': return '\\';
    default: return 0;
    }
}

// Whether any of the sixteen bytes at data may need an escape (a byte up to
// 13, a double quote or a backslash).
#if defined(__SSE2__)
inline bool MayNeedEscape(const char* data) {
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
    __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(chunk, _mm_set1_epi8(13)), chunk);
    __m128i quote = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('"'));
    __m128i backslash = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\'));
    return _mm_movemask_epi8(_mm_or_si128(low, _mm_or_si128(quote, backslash))) != 0;
}
#endif

// Appends data with its escapes to out; runs without escapes go in whole.
void AppendEscaped(std::string& out, const char* data, size_t size) {
    size_t run_start = 0;
    size_t i = 0;
    while (i < size) {
#if defined(__SSE2__)
        if (i + 16 <= size && !MayNeedEscape(data + i)) {
            i += 16;
            continue;
        }
#endif
        char escape = EscapeOf(static_cast<unsigned char>(data[i]));
        if (escape != 0) {
            out.append(data + run_start, i - run_start);
            out += '\\';
            out += escape;
            run_start = i + 1;
        }
        ++i;
    }
    out.append(data + run_start, size - run_start);
}

// === Numbers =================================================================

void AppendInteger(std::string& out, int32_t value) {
    char buffer[16];
    char* end = std::to_chars(buffer, buffer + sizeof(buffer), value).ptr;
    out.append(buffer, size_t(end - buffer));
}

// A finite double with six decimals, as printf's "%f" gives it: the exact
// binary value rounded to the nearest, ties to even. The widest (near
// DBL_MAX) takes 309 digits before the point.
void AppendFixed(std::string& out, double value) {
    char buffer[352];
    char* end = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 6).ptr;
    out.append(buffer, size_t(end - buffer));
}

// === Layout ==================================================================

// The indent repeated depth times; empty for a depth of 0 or less.
std::string Prefix(int depth, const std::string& indent) {
    std::string prefix;
    if (depth > 0) {
        prefix.reserve(size_t(depth) * indent.size());
        for (int i = 0; i < depth; ++i)
            prefix += indent;
    }
    return prefix;
}

}  // namespace

// === Printing ================================================================

std::string JSON::EscapeString(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    AppendEscaped(out, text.data(), text.size());
    return out;
}

std::string JSON::ToText(int depth, std::string indent) const {
    std::string out;
    AppendText(out, depth, indent);
    return out;
}

void JSON::AppendText(std::string& out, int depth, const std::string& indent) const {
    switch (kind) {
    case Kind::Bool:
        out += payload.bool_value ? "true" : "false";
        return;
    case Kind::Integer:
        AppendInteger(out, payload.int_value);
        return;
    case Kind::Float:
        // Infinity and NaN have no form the reader takes back: null.
        if (std::isfinite(payload.float_value))
            AppendFixed(out, payload.float_value);
        else
            out += "null";
        return;
    case Kind::String: {
        char buffer[kShortText];
        size_t size = 0;
        const char* data = TextData(buffer, size);
        out += '"';
        AppendEscaped(out, data, size);
        out += '"';
        return;
    }
    case Kind::Array: {
        out += '[';
        bool first = true;
        for (const JSON& element : ArrayItems()) {
            if (!first)
                out += ", ";
            first = false;
            element.AppendText(out, depth + 1, indent);
        }
        out += ']';
        return;
    }
    case Kind::Object: {
        const std::string prefix = Prefix(depth, indent);
        out += "{\n";
        bool first = true;
        for (const Member& member : ObjectItems()) {
            if (!first)
                out += ",\n";
            first = false;
            out += prefix;
            out += '"';
            out += member.first;  // keys go out as stored, unescaped
            out += "\" : ";
            member.second.AppendText(out, depth + 1, indent);
        }
        out += '\n';
        // The closing brace stands two characters left of the members.
        out.append(prefix, std::min<size_t>(2, prefix.size()), std::string::npos);
        out += '}';
        return;
    }
    default:
        out += "null";
        return;
    }
}
