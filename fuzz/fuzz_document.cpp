// Fuzz target for the JSON document form: the input is read as JSON text and
// a Demo is built from the value, as Load JSON does; when the load would be
// kept, the Demo is written back as JSON text, as Save JSON does, and that
// text is loaded and written once more. Nothing may crash or trip a
// sanitizer, a saved text must load, and the second writing must give the
// same text as the first: what the program saves, it loads back the same.
//
// Documents build GL objects, so the target makes a hidden window with a GL
// context first (run it under a virtual X display).
#include <GL/glew.h>
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "Demo.h"
#include "DocumentReading.h"
#include "JSON.h"
#include "Startup.h"

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
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "fuzz_document needs a display: %s\n", SDL_GetError());
        std::abort();
    }
    SetGLAttributes();
    SDL_Window* window = SDL_CreateWindow("fuzz_document", 0, 0, 64, 48, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        std::fprintf(stderr, "fuzz_document needs a GL context: %s\n", SDL_GetError());
        std::abort();
    }
    glewExperimental = GL_TRUE;
    glewInit();
    // Shader compile logs go to standard output and the reader's messages to
    // std::cerr; thousands of lines a second would only slow the fuzzer down.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
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
