#include "BenchSupport.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdint>
#include <cstdio>

#include "Playback.h"
#include "Startup.h"

bool HaveGLContext() {
    static const bool made = [] {
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
            return false;
        }
        SetGLAttributes();
        g_window = SDL_CreateWindow("Velmara bench", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 64, 48,
                                    SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        g_gl_context = g_window != nullptr ? SDL_GL_CreateContext(g_window) : nullptr;
        if (g_gl_context == nullptr) {
            std::fprintf(stderr, "No GL context: %s\n", SDL_GetError());
            return false;
        }
        SDL_GL_MakeCurrent(g_window, g_gl_context);
        glewExperimental = GL_TRUE;
        glewInit();
        while (glGetError() != GL_NO_ERROR) {
        }
        return true;
    }();
    return made;
}

HeadlessUI::HeadlessUI(ImVec2 display) {
    context_ = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = display;
    io.DeltaTime = 1.0f / 60.0f;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);  // builds the atlas
    io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(1)));
}

HeadlessUI::~HeadlessUI() { ImGui::DestroyContext(context_); }
