// JSON text reader: a lenient recursive-descent parser over one string and a
// read position. A syntax error never throws and never stops the program: one
// line goes to std::cerr and the construct hands back what it has read.
//
// The position never passes the end of the text. At the end, the character
// seen is NUL, which no construct accepts, so a text that stops early meets
// the usual messages with the NUL shown as what was found.
#include "JSON.h"
#include "JSONArena.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <vector>

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

// The first double quote or backslash among the sixteen bytes at data + i
// (all inside the text), or i + 16 when there is none.
inline size_t QuoteOrBackslashIn16(const char* data, size_t i) {
#if defined(__SSE2__)
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    unsigned mask = unsigned(_mm_movemask_epi8(_mm_or_si128(
        _mm_cmpeq_epi8(chunk, _mm_set1_epi8('"')), _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\')))));
    return mask != 0 ? i + size_t(__builtin_ctz(mask)) : i + 16;
#else
    for (size_t end = i + 16; i < end; ++i)
        if (data[i] == '"' || data[i] == '\\')
            return i;
    return i;
#endif
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
#endif
    for (; i + 16 <= end; i += 16) {
        size_t found = QuoteOrBackslashIn16(data, i);
        if (found != i + 16)
            return found;
    }
    for (; i < end; ++i)
        if (data[i] == '"' || data[i] == '\\')
            return i;
    return end;
}

// The first byte that is not white space among the sixteen at data + i (all
// inside the text), or i + 16 when all are.
inline size_t EndOfSpaceIn16(const char* data, size_t i) {
#if defined(__SSE2__)
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    // Tab to carriage return: c - 9 is at most 4, unsigned.
    __m128i shifted = _mm_sub_epi8(chunk, _mm_set1_epi8(9));
    __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(4)), shifted);
    __m128i space = _mm_or_si128(control, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(' ')));
    unsigned other = unsigned(_mm_movemask_epi8(space)) ^ 0xFFFFu;
    return other != 0 ? i + size_t(__builtin_ctz(other)) : i + 16;
#else
    for (size_t end = i + 16; i < end; ++i)
        if (!IsSpace(data[i]))
            return i;
    return i;
#endif
}

// The first position in data[from, end) that is not white space, or end.
size_t EndOfSpace(const char* data, size_t from, size_t end) {
    size_t i = from;
    for (; i + 16 <= end; i += 16) {
        size_t found = EndOfSpaceIn16(data, i);
        if (found != i + 16)
            return found;
    }
    while (i < end && IsSpace(data[i]))
        ++i;
    return i;
}

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

// Reads the run of decimal digits at data + at into value (times ten, plus
// the digit, for each) and returns the position after it. Past 19 digits the
// value wraps; callers count the digits and do not use it then.
inline size_t ReadDigits(const char* data, size_t at, uint64_t& value) {
    while (IsDigit(data[at]))
        value = value * 10 + uint64_t(data[at++] - '0');
    return at;
}

// The powers of ten that a double holds exactly.
const double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

// === The parser ==============================================================

// Code run only on errors: out of line, so the parse's own paths stay as
// compact as they are without it.
#if defined(__GNUC__)
#define JSON_READER_COLD __attribute__((cold, noinline))
#else
#define JSON_READER_COLD
#endif

// One parse: the text, how deep the objects and arrays being read are
// nested, and where its messages are counted. Each construct starts at
// position and leaves it after what it read (or where its message says); it
// writes its value into out, which is Null on entry and is where the value
// stays (an entry of the container being read), so no value is copied on its
// way up.
//
// The character at the end of the text is NUL (std::string keeps one there),
// so data_[position] is safe for every position up to the end.
class JSON::Reader {
public:
    // messages, when not null, counts the messages and keeps the first.
    explicit Reader(const std::string& text, TextMessages* messages = nullptr)
        : text_(text), data_(text.data()), size_(text.size()), messages_(messages) {}

    void Value(size_t& position, int depth, JSON& out);
    void Object(size_t& position, int depth, JSON& out);
    void Array(size_t& position, int depth, JSON& out);
    void String(size_t& position, JSON& out);
    void Number(size_t& position, JSON& out);
    void Bool(size_t& position, JSON& out);
    void Null(size_t& position);
    void SkipSpace(size_t& position) const {
        // Mostly none or one character (after a colon); the indent of a
        // member's line is a run.
        if (!IsSpace(data_[position]))
            return;
        ++position;
        if (IsSpace(data_[position]))
            position = EndOfSpace(data_, position + 1, size_);
    }

private:
    // Writes one message line: the text, what was found (which starts at
    // offset in the text), an apostrophe; counts it, and keeps the first.
    JSON_READER_COLD void Report(const char* message, const std::string& found, size_t offset);
    JSON_READER_COLD void Report(const char* message, char found, size_t offset);
    void TooDeep(size_t& position);
    // A string without escapes, whose opening quote is at position: its
    // bytes as they stand in the text, and position after its closing quote.
    // False, with nothing consumed, when an escape or the end comes first.
    bool PlainText(size_t& position, const char*& data, size_t& size) const;
    // Reads the string whose opening quote is at position into text, which
    // is empty on entry; on a bad unicode escape text is left empty.
    void ReadText(size_t& position, std::string& text);
    // A member's key: the text of a string, or "" for a value of any other
    // kind (read all the same, with its messages). The bytes stay valid
    // until the parse ends.
    void ReadKey(size_t& position, int depth, const char*& key, size_t& key_size);
    // The plain forms the writer prints: -?digits or -?digits.digits, short
    // enough to convert exactly, ended by a character that may end a number.
    // False, with nothing consumed, for anything else.
    bool PlainNumber(size_t& position, JSON& out) const;
    // Every other number, by the general rules.
    JSON GeneralNumber(size_t& position);
    // Steps over the opening character a construct was called on.
    void StepOver(size_t& position) const {
        if (position < size_)
            ++position;
    }
    // Steps over an opening bracket and the space after it; true, with the
    // position past it, when the closing bracket follows at once.
    bool OpensEmpty(size_t& position, char close) const {
        StepOver(position);
        SkipSpace(position);
        if (data_[position] != close)
            return false;
        ++position;
        return true;
    }
    // The entries read so far of the container open at depth. One list per
    // depth: a container's entries stay where they are while the containers
    // inside it are read, so each value is read straight into its entry.
    template <typename Entry>
    static std::vector<Entry>& AtDepth(std::deque<std::vector<Entry>>& levels, int depth) {
        while (levels.size() <= size_t(depth))
            levels.emplace_back();
        return levels[size_t(depth)];
    }

    const std::string& text_;
    const char* data_;
    size_t size_;
    TextMessages* messages_;
    std::deque<std::vector<JSON>> elements_;
    std::deque<std::vector<PendingMember>> members_;
    // The keys that held escapes, unescaped; a deque, so that the keys stay
    // where they are while more are added.
    std::deque<std::string> escaped_keys_;
    // The blocks of the Objects and Arrays read.
    Arena arena_;
};

namespace {

// A message's own words: without the "ERROR: " (or the colon message's
// "Error: ") in front, and without what brings in the found text at its end
// (", found '" or " '").
std::string WordsOf(const char* message) {
    std::string words = message;
    for (const char* prefix : {"ERROR: ", "Error: "}) {
        if (words.compare(0, std::strlen(prefix), prefix) == 0) {
            words.erase(0, std::strlen(prefix));
            break;
        }
    }
    if (!words.empty() && words.back() == '\'')
        words.pop_back();
    while (!words.empty() && words.back() == ' ')
        words.pop_back();
    static const std::string kFound = ", found";
    if (words.size() >= kFound.size() && words.compare(words.size() - kFound.size(), kFound.size(), kFound) == 0)
        words.erase(words.size() - kFound.size());
    return words;
}

}  // namespace

void JSON::Reader::Report(const char* message, const std::string& found, size_t offset) {
    std::string line = message;
    line += found;
    line += '\'';
    if (messages_ && messages_->count++ == 0) {
        messages_->first = line;
        messages_->first_text = WordsOf(message);
        // At the end of the text the NUL after it is what was found.
        messages_->first_found_end = offset >= size_;
        if (!messages_->first_found_end)
            messages_->first_found = found;
        messages_->first_offset = offset;
    }
    line += '\n';
    std::cerr << line;
}

void JSON::Reader::Report(const char* message, char found, size_t offset) {
    Report(message, std::string(1, found), offset);
}

void JSON::Reader::Value(size_t& position, int depth, JSON& out) {
    SkipSpace(position);
    char c = data_[position];
    switch (c) {
    case '{':
    case '[':
        if (depth >= JSON::kMaxDepth)
            TooDeep(position);
        else if (c == '{')
            Object(position, depth, out);
        else
            Array(position, depth, out);
        return;
    case '"': String(position, out); return;
    case 't':
    case 'f': Bool(position, out); return;
    case 'n': Null(position); return;
    default: break;
    }
    if (IsDigit(c) || c == '-')
        Number(position, out);
    else
        Report("ERROR: Parse: Unknown starting character '", c, position);
}

// An object or array nested too deep: one message, and the whole bracketed
// part is passed over without recursion (strings inside it included), so the
// construct around it carries on after it. The part reads as Null.
void JSON::Reader::TooDeep(size_t& position) {
    static const std::string message =
        "ERROR: Parse: Nesting deeper than " + std::to_string(JSON::kMaxDepth) + " levels, found '";
    Report(message.c_str(), data_[position], position);
    size_t open = 0;
    while (position < size_) {
        char c = data_[position++];
        if (c == '"') {
            while (position < size_) {
                char s = data_[position++];
                if (s == '\\' && position < size_)
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
}

void JSON::Reader::ReadKey(size_t& position, int depth, const char*& key, size_t& key_size) {
    SkipSpace(position);
    key = "";
    key_size = 0;
    if (data_[position] != '"') {
        JSON ignored;
        Value(position, depth, ignored);  // never a String: the key is ""
        return;
    }
    if (PlainText(position, key, key_size))
        return;
    escaped_keys_.emplace_back();
    ReadText(position, escaped_keys_.back());
    key = escaped_keys_.back().data();
    key_size = escaped_keys_.back().size();
}

void JSON::Reader::Object(size_t& position, int depth, JSON& out) {
    out.SetKind(Kind::Object);
    if (OpensEmpty(position, '}'))
        return;
    std::vector<PendingMember>& members = AtDepth(members_, depth);
    for (;;) {
        const char* key = nullptr;
        size_t key_size = 0;
        ReadKey(position, depth + 1, key, key_size);
        SkipSpace(position);
        char c = data_[position];
        if (c != ':') {
            Report("Error: Object: Expected colon, found '", c, position);
            break;
        }
        ++position;
        PendingMember& member = members.emplace_back();
        member.key = key;
        member.key_size = key_size;
        Value(position, depth + 1, member.value);  // white space first, as anywhere
        SkipSpace(position);
        c = data_[position];
        if (c == ',') {
            ++position;
            continue;
        }
        if (c == '}') {
            ++position;
            break;
        }
        Report("ERROR: Object: Expected comma, found '", c, position);
        break;
    }
    // A repeated key keeps its later value, as if each member were assigned
    // in turn.
    JSON object = TakeMembers(members.data(), members.size(), &arena_);
    out.TakeFrom(object);
    members.clear();
}

void JSON::Reader::Array(size_t& position, int depth, JSON& out) {
    out.SetKind(Kind::Array);
    if (OpensEmpty(position, ']'))
        return;
    std::vector<JSON>& elements = AtDepth(elements_, depth);
    // No check for ']' right after a ',': in [1,] the ']' is read as an
    // element (a message and Null).
    for (;;) {
        elements.emplace_back();
        Value(position, depth + 1, elements.back());
        SkipSpace(position);
        if (data_[position] != ',')
            break;
        ++position;
    }
    char c = data_[position];
    if (c == ']') {
        ++position;
        JSON array = TakeElements(elements.data(), elements.size(), &arena_);
        out.TakeFrom(array);
    } else {
        // The elements read are dropped: the Array stays empty.
        Report("ERROR: Array: Expected ',' or ']', found '", c, position);
    }
    elements.clear();
}

void JSON::Reader::String(size_t& position, JSON& out) {
    const char* data = nullptr;
    size_t size = 0;
    if (PlainText(position, data, size)) {
        out.SetText(data, size);
        return;
    }
    std::string text;
    ReadText(position, text);
    out.SetText(std::move(text));
}

bool JSON::Reader::PlainText(size_t& position, const char*& data, size_t& size) const {
    const size_t start = position < size_ ? position + 1 : position;
    size_t stop = start + 16;
    if (start + 16 <= size_)
        stop = QuoteOrBackslashIn16(data_, start);
    if (stop == start + 16)
        stop = FindQuoteOrBackslash(data_, start, size_);
    if (stop == size_ || data_[stop] != '"')
        return false;
    data = data_ + start;
    size = stop - start;
    position = stop + 1;
    return true;
}

void JSON::Reader::ReadText(size_t& position, std::string& text) {
    const char* data = data_;
    const size_t end = size_;
    StepOver(position);  // the opening quote
    for (;;) {
        // Plain characters (control characters and bytes 128 to 255 included)
        // are taken as they stand, a whole run at a time.
        size_t stop = FindQuoteOrBackslash(data, position, end);
        text.append(data + position, stop - position);
        position = stop;
        if (position < end && data[position] == '"') {
            ++position;
            return;
        }
        if (position + 1 >= end) {
            // The text ends inside the string, perhaps right after a
            // backslash, which then escapes nothing: keep what was read.
            position = end;
            Report("ERROR: String: Expected closing quote, found '", '\0', end);
            return;
        }
        char c = data[++position];  // the character after the backslash
        switch (c) {
        case '"': text += '"'; break;
        case '/': text += '/'; break;
        case '\\': text += '\\'; break;
        case 'b': text += '\b'; break;
        case 'f': text += '\f'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        case 'u':
            // Kept as six characters of text; no code point is decoded.
            for (size_t i = 1; i <= 4; ++i) {
                char h = CharAt(text_, position + i);
                if (!IsHexDigit(h)) {
                    Report("ERROR: String: Expected hex character in unicode escape, found '", h,
                           std::min(position + i, end));
                    text.clear();
                    return;
                }
            }
            text += '\\';
            text.append(data + position, 5);
            position += 4;
            break;
        default:
            // An unknown escape leaves one backslash; the character is dropped.
            text += '\\';
            break;
        }
        ++position;
    }
}

void JSON::Reader::Number(size_t& position, JSON& out) {
    if (PlainNumber(position, out))
        return;
    JSON number = GeneralNumber(position);
    out.TakeFrom(number);
}

bool JSON::Reader::PlainNumber(size_t& position, JSON& out) const {
    size_t at = position;
    const bool negative = data_[at] == '-';
    if (negative)
        ++at;
    // Up to 19 digits in all fit in 64 bits; longer numbers go the general
    // way (the sum may wrap first, but is not used then).
    uint64_t digits = 0;
    const size_t integer_start = at;
    at = ReadDigits(data_, at, digits);
    const size_t integer_digits = at - integer_start;
    if (integer_digits == 0 || integer_digits > 19)
        return false;
    if (data_[at] != '.') {
        // An Integer; one out of the 32-bit range is the general path's
        // message.
        const uint64_t limit = negative ? 2147483648u : 2147483647u;
        if (!EndsNumber(data_[at]) || integer_digits > 10 || digits > limit)
            return false;
        out.kind = Kind::Integer;
        out.payload.int_value = int32_t(negative ? -int64_t(digits) : int64_t(digits));
        position = at;
        return true;
    }
    ++at;  // the point
    const size_t fraction_start = at;
    at = ReadDigits(data_, at, digits);
    const size_t fraction_digits = at - fraction_start;
    // digits / 10^fraction_digits, both exact in a double, is one correctly
    // rounded division: the same double as the conversion of the whole text.
    if (fraction_digits == 0 || integer_digits + fraction_digits > 19 ||
        digits > (uint64_t(1) << 53) || !EndsNumber(data_[at]))
        return false;
    double value = double(digits) / kExactPowersOfTen[fraction_digits];
    out.kind = Kind::Float;
    out.payload.float_value = negative ? -value : value;
    position = at;
    return true;
}

JSON JSON::Reader::GeneralNumber(size_t& position) {
    const size_t start = position;
    // Mantissa: '-', digits and '.' wherever they stand; the conversion takes
    // the longest prefix that means something.
    std::string mantissa;
    bool floating = false;
    char c = data_[position];
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
               c, position);
        position = std::min(position + 1, size_);
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
        Report("ERROR: Number: Cannot convert '", text_.substr(start, position - start), start);
        return JSON();
    }
    if (floating || has_exponent)
        return JSON(float_value);
    return JSON(int(int_value));
}

void JSON::Reader::Bool(size_t& position, JSON& out) {
    if (text_.compare(position, 4, "true") == 0) {
        position += 4;
        out = true;
    } else if (text_.compare(position, 5, "false") == 0) {
        position += 5;
        out = false;
    } else {
        Report("ERROR: Bool: Expected 'true' or 'false', found '", text_.substr(position, 5), position);
    }
}

// null reads as the Null that out already is.
void JSON::Reader::Null(size_t& position) {
    if (text_.compare(position, 4, "null") == 0)
        position += 4;
    else
        Report("ERROR: Null: Expected 'null', found '", text_.substr(position, 4), position);
}

namespace {

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

JSON JSON::FromText(const std::string& text, TextMessages* messages) {
    if (messages) *messages = TextMessages();
    size_t position = 0;
    JSON value;
    Reader(text, messages).Value(position, 0, value);
    if (messages)
        messages->value_end = position;
    // The line is counted for the first message only, once the reading is over.
    if (messages && messages->count > 0) {
        size_t offset = std::min(messages->first_offset, text.size());
        messages->first_line = 1 + size_t(std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n'));
    }
    return value;
}

JSON JSON::Parse(const std::string& text, size_t& position) {
    JSON value;
    Reader(text).Value(Clamp(text, position), 0, value);
    return value;
}

JSON JSON::ParseObject(const std::string& text, size_t& position) {
    JSON value;
    Reader(text).Object(Clamp(text, position), 0, value);
    return value;
}

JSON JSON::ParseArray(const std::string& text, size_t& position) {
    JSON value;
    Reader(text).Array(Clamp(text, position), 0, value);
    return value;
}

JSON JSON::ParseString(const std::string& text, size_t& position) {
    JSON value;
    Reader(text).String(Clamp(text, position), value);
    return value;
}

JSON JSON::ParseNumber(const std::string& text, size_t& position) {
    JSON value;
    Reader(text).Number(Clamp(text, position), value);
    return value;
}

JSON JSON::ParseBool(const std::string& text, size_t& position) {
    JSON value;
    Reader(text).Bool(Clamp(text, position), value);
    return value;
}

JSON JSON::ParseNull(const std::string& text, size_t& position) {
    Reader(text).Null(Clamp(text, position));
    return JSON();
}

void JSON::ConsumeWhitespace(const std::string& text, size_t& position) {
    Reader(text).SkipSpace(Clamp(text, position));
}
