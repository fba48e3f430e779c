// Fuzz target for the JSON reader: parse the input, print the value, parse
// the printed text and print it again. Nothing may crash or trip a sanitizer,
// and printing is stable: text the writer produced prints the same once read
// back (unless a key holds a quote or backslash, which keys do not escape).
#include "JSON.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

// Whether any member name in the tree holds a character that the writer
// leaves unescaped but the reader treats specially.
bool HasAwkwardKey(const JSON& value) {
    for (const auto& member : value.ObjectItems()) {
        if (member.first.find_first_of("\"\\") != std::string::npos || HasAwkwardKey(member.second))
            return true;
    }
    for (const JSON& element : value.ArrayItems())
        if (HasAwkwardKey(element))
            return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The reader reports every syntax error on std::cerr; thousands of lines a
    // second would only slow the fuzzer down.
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    JSON value = JSON::FromText(text);
    const std::string printed = value.ToText(1, "  ");
    // A lone number is refused when it ends the text; everything else the
    // writer prints reads back.
    const JSON::Kind kind = value.GetKind();
    if (kind == JSON::Kind::Integer || kind == JSON::Kind::Float)
        return 0;
    JSON again = JSON::FromText(printed);
    const std::string reprinted = again.ToText(1, "  ");
    if (!HasAwkwardKey(value) && reprinted != printed)
        std::abort();
    return 0;
}
