// Fuzz target for the base64 decoder: any input either decodes or throws the
// decoder's own error, nothing else. Whatever decodes is encoded again and
// must decode to the same bytes.
#include "Base64.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks line-break removal and the alphabet of the re-encoding.
    const bool remove_linebreaks = (data[0] & 1) != 0;
    const bool url = (data[0] & 2) != 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string bytes;
    try {
        bytes = Base64Decode(text, remove_linebreaks);
    } catch (const std::runtime_error& error) {
        if (std::strcmp(error.what(), "Input is not valid base64-encoded data.") != 0)
            std::abort();
        return 0;
    }
    if (bytes.size() > text.size() / 4 * 3 + 2)
        std::abort();
    if (Base64Decode(Base64Encode(bytes, url)) != bytes)
        std::abort();
    if (Base64Decode(Base64EncodeMime(bytes), true) != bytes)
        std::abort();
    return 0;
}
