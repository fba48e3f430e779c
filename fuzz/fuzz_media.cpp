// Fuzz target for the media a document carries: the input is taken as a
// texture's image bytes and loaded as a document load does (the image check,
// then its format's own decoder and the upload), and as a document's music
// (the music check, then the typed load of the format found, which is freed
// again). Nothing may crash, hang past libFuzzer's -timeout or take more
// memory than its -rss_limit_mb. The system decoders are not instrumented,
// so the fuzzer mostly explores the checks; a decoder's crash still ends the
// run. Playback is not run here: growth while playing is for the tests.
// It runs under a virtual X display (see GLContext.h) with the dummy audio
// driver.
#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ByteBuffer.h"
#include "GLContext.h"
#include "Music.h"
#include "Texture.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // SDL must not take SIGINT and SIGTERM from libFuzzer, which stops a
    // run with them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    MakeHiddenGLContext("fuzz_media");
    // The audio device as start-up opens it: the decoders convert to it.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 || !OpenAudioDevice()) {
        std::fprintf(stderr, "fuzz_media needs an audio device: %s\n", SDL_GetError());
        std::abort();
    }
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
    std::string reason;
    Mix_Music* music = LoadMusic(data, size, &reason);
    if (music != nullptr) Mix_FreeMusic(music);
    return 0;
}
