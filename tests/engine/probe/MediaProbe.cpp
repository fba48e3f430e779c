// media_probe: loads one media file through the engine's own paths, in a
// process of its own, so that a test can watch a decoder that crashes, hangs
// or takes gigabytes without taking the test with it.
//
//   media_probe image <file>            the bytes as a texture's image (hidden GL window)
//   media_probe music <file> <seconds>  the bytes as a document's music, played for a while
//                                       (no wait when it does not start)
//   media_probe mixer <file> <out>      the bytes played once by the mixer in this process, on
//                                       the disk driver at the decoder's buffer size, whose
//                                       output (every buffer from the device's opening to its
//                                       closing) goes to <out>: what the decoder's child makes
//                                       of the music, without the child
//
// It prints one line on standard output, "texture <id> <width> <height>",
// "music playing", "music silent" or "mixer done"; the engine's own reasons
// go to the error stream. Exit status 0 when it got that far.
#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ByteBuffer.h"
#include "DecodeMode.h"
#include "Demo.h"
#include "Files.h"
#include "Music.h"
#include "MusicCheck.h"
#include "MusicPlayer.h"
#include "Playback.h"
#include "Startup.h"
#include "Texture.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: media_probe image|music <file> [seconds]\n");
    return 2;
}

// The hidden window and GL context a texture upload needs.
bool StartGL() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    SetGLAttributes();
    g_window = SDL_CreateWindow("media_probe", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 64, 48,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (g_window == nullptr) return false;
    g_gl_context = SDL_GL_CreateContext(g_window);
    if (g_gl_context == nullptr) return false;
    glewExperimental = GL_TRUE;
    return glewInit() == GLEW_OK;
}

// The audio device as start-up opens it (the dummy driver in tests).
bool StartAudio() {
    if (SDL_Init(SDL_INIT_AUDIO) != 0) return false;
    g_fft = kiss_fftr_alloc(1024, 0, nullptr, nullptr);
    return OpenAudioDevice();
}

int ProbeImage(const char* path) {
    if (!StartGL()) {
        std::fprintf(stderr, "no GL context: %s\n", SDL_GetError());
        return 3;
    }
    Texture texture(path);  // reads the file and loads its image, as a pick does
    std::printf("texture %u %d %d\n", texture.id, texture.width, texture.height);
    return 0;
}

int ProbeMusic(const char* path, double seconds) {
    if (!StartAudio()) {
        std::fprintf(stderr, "no audio device: %s\n", Mix_GetError());
        return 3;
    }
    uint32_t size = 0;
    char* bytes = ReadWholeFile(path, &size);
    if (bytes == nullptr) return 4;
    Demo* demo = new Demo();
    delete demo->music;
    demo->music = new ByteBuffer(bytes, size);
    std::free(bytes);
    demo->PlayMusic();
    // Music that did not start has nothing to play for a while.
    if (MusicPlaying()) SDL_Delay(static_cast<Uint32>(seconds * 1000.0));
    std::printf("music %s\n", MusicPlaying() ? "playing" : "silent");
    return 0;
}

}  // namespace

int ProbeMixer(const char* path, const char* out) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out, 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    if (SDL_Init(SDL_INIT_AUDIO) != 0 ||
        Mix_OpenAudioDevice(kAudioFrequency, AUDIO_S16LSB, kAudioChannels, kDecodeBufferFrames, nullptr, 0) != 0) {
        std::fprintf(stderr, "no audio device: %s\n", Mix_GetError());
        return 3;
    }
    uint32_t size = 0;
    char* bytes = ReadWholeFile(path, &size);
    CheckedMusic checked;
    std::string reason;
    if (bytes == nullptr || !CheckMusic(bytes, size, &checked, &reason)) return 4;
    Mix_Music* music = Mix_LoadMUSType_RW(SDL_RWFromConstMem(bytes, static_cast<int>(size)), checked.type, 1);
    if (music == nullptr || Mix_PlayMusic(music, 0) != 0) {
        std::fprintf(stderr, "mixer: %s\n", Mix_GetError());
        return 5;
    }
    while (Mix_PlayingMusic()) SDL_Delay(1);
    Mix_FreeMusic(music);
    Mix_CloseAudio();  // the driver's file is whole once the device is closed
    SDL_Quit();
    std::free(bytes);
    std::printf("mixer done\n");
    return 0;
}

int main(int argc, char* argv[]) {
    if (IsDecodeMode(argc, argv)) RunMusicDecoder();  // the probe decodes its music as the program does
    if (argc < 3) return Usage();
    int status = 0;
    if (std::strcmp(argv[1], "image") == 0) {
        status = ProbeImage(argv[2]);
    } else if (std::strcmp(argv[1], "mixer") == 0 && argc > 3) {
        status = ProbeMixer(argv[2], argv[3]);
    } else if (std::strcmp(argv[1], "music") == 0) {
        status = ProbeMusic(argv[2], argc > 3 ? std::atof(argv[3]) : 0.0);
    } else {
        status = Usage();
    }
    std::fflush(stdout);
    // Straight out: the probe's result is printed, and tearing the mixer
    // and the GL context down is not what it measures.
    std::_Exit(status);
}
