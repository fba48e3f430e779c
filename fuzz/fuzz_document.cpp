// Fuzz target for the JSON document form: the input is read as JSON text and
// a Demo is built from the value, as Load JSON does; when the load would be
// kept, the Demo is written back as JSON text, as Save JSON does, and that
// text is loaded and written once more. Nothing may crash or trip a
// sanitizer, a saved text must load, and the second writing must give the
// same text as the first: what the program saves, it loads back the same.
// It runs under a virtual X display (see GLContext.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "Demo.h"
#include "DocumentReading.h"
#include "GLContext.h"
#include "JSON.h"

namespace {

// Loads the document text gives and writes it as Save JSON writes it; false
// when the load would be refused (base64 that does not decode).
bool LoadAndSave(const std::string& text, std::string& saved) {
    JSON value = JSON::FromText(text);
    JSONReadScope scope;
    Demo demo(value);
    if (scope.Failed()) return false;
    saved = demo.ToJSON().ToText(1, "  ");
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    MakeHiddenGLContext("fuzz_document");
    // The reader's messages go to std::cerr; thousands of lines a second
    // would only slow the fuzzer down.
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string saved;
    if (!LoadAndSave(text, saved)) return 0;
    std::string saved_again;
    if (!LoadAndSave(saved, saved_again)) {
        std::fprintf(stderr, "a saved document does not load:\n%s\n", saved.c_str());
        std::abort();
    }
    if (saved_again != saved) {
        std::fprintf(stderr, "a saved document changed when loaded and saved again:\n--- saved\n%s\n"
                     "--- loaded and saved again\n%s\n", saved.c_str(), saved_again.c_str());
        std::abort();
    }
    return 0;
}
