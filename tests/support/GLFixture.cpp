#include "GLFixture.h"

#include <GL/glew.h>

#include <cstdio>

#include "Playback.h"
#include "Startup.h"

namespace testgl {
namespace {

SDL_Window* g_test_window = nullptr;
SDL_GLContext g_test_context = nullptr;

}  // namespace

void EnsureContext() {
    if (g_test_window) return;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        FAIL() << "SDL_Init: " << SDL_GetError();
    }
    SetGLAttributes();
    g_test_window = SDL_CreateWindow("Velmara test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                     kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!g_test_window) FAIL() << "SDL_CreateWindow: " << SDL_GetError();
    g_test_context = SDL_GL_CreateContext(g_test_window);
    if (!g_test_context) FAIL() << "SDL_GL_CreateContext: " << SDL_GetError();
    SDL_GL_MakeCurrent(g_test_window, g_test_context);
    glewExperimental = GL_TRUE;
    glewInit();
    while (glGetError() != GL_NO_ERROR) {
    }
    g_window = g_test_window;
    g_gl_context = g_test_context;
    g_screen_size->width = kWidth;
    g_screen_size->height = kHeight;
    glViewport(0, 0, kWidth, kHeight);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

SDL_Window* Window() { return g_test_window; }

void Clear(float r, float g, float b, float a) {
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

Pixel ReadPixel(int x, int y) {
    Pixel p{0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return p;
}

}  // namespace testgl
