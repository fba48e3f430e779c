// Fuzz target for the media a document carries: the input is taken as a
// texture's image bytes and loaded as a document load does (the image check,
// then its format's own decoder and the upload), and as a document's music
// through the music check. Music is decoded only in a child process of the
// program, under limits (MusicDecode.h), so its decoders are the tests'
// concern, not this target's. Nothing may crash, hang past libFuzzer's
// -timeout or take more memory than its -rss_limit_mb. The system decoders
// are not instrumented, so the fuzzer mostly explores the checks; a
// decoder's crash still ends the run. It runs under a virtual X display (see
// GLContext.h).
#include <GL/glew.h>
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ByteBuffer.h"
#include "GLContext.h"
#include "MusicCheck.h"
#include "Texture.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // SDL must not take SIGINT and SIGTERM from libFuzzer, which stops a
    // run with them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    MakeHiddenGLContext("fuzz_media");
    // A refused image writes its reason on the error stream: thousands of
    // lines a second would bury the fuzzer's own. libFuzzer keeps its own
    // handle on the stream, and the sanitizers write to its descriptor, so
    // their reports still show.
    FILE* quiet = std::fopen("/dev/null", "w");
    if (quiet != nullptr) stderr = quiet;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        // A texture as a document builds it: its bytes, then LoadImage.
        Texture texture(1, 1);
        glDeleteTextures(1, &texture.id);
        texture.id = 0;
        texture.name = "resources\\fuzz";
        texture.image_buffer = new ByteBuffer(data, size);
        texture.LoadImage();
    }
    CheckedMusic checked;
    std::string reason;
    CheckMusic(data, size, &checked, &reason);
    return 0;
}
