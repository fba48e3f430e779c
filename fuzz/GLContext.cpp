#include "GLContext.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "Startup.h"

void MakeHiddenGLContext(const char* target) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s needs a display: %s\n", target, SDL_GetError());
        std::abort();
    }
    SetGLAttributes();
    SDL_Window* window = SDL_CreateWindow(target, 0, 0, 64, 48, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        std::fprintf(stderr, "%s needs a GL context: %s\n", target, SDL_GetError());
        std::abort();
    }
    glewExperimental = GL_TRUE;
    glewInit();
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}
