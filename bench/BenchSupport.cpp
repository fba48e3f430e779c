#include "BenchSupport.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <string>

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

SizedScreen::SizedScreen(int width, int height) {
    std::string title = "Velmara bench " + std::to_string(width) + " x " + std::to_string(height);
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window_ != nullptr && SDL_GL_MakeCurrent(window_, g_gl_context) != 0) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
    if (window_ == nullptr) return;
    saved_width_ = g_screen_size->width;
    saved_height_ = g_screen_size->height;
    g_screen_size->width = width;
    g_screen_size->height = height;
    glViewport(0, 0, width, height);
}

SizedScreen::~SizedScreen() {
    if (window_ == nullptr) return;
    g_screen_size->width = saved_width_;
    g_screen_size->height = saved_height_;
    SDL_GL_MakeCurrent(g_window, g_gl_context);
    SDL_DestroyWindow(window_);
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

const char* const kShaderBlock =
    "// Signed distance of a rounded box, one of many helpers.\n"
    "#define ROUNDING 0.125\n"
    "uniform float beat;\n"
    "uniform vec2 resolution;\n"
    "/* Marches the scene and returns the distance travelled,\n"
    "   or -1.0 when nothing was hit. */\n"
    "float sdRoundBox(vec3 p, vec3 b, float r)\n"
    "{\n"
    "\tvec3 q = abs(p) - b + vec3(r);\n"
    "\treturn length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - r;\n"
    "}\n"
    "\n"
    "vec3 shade(vec3 n, vec3 l, float t)\n"
    "{\n"
    "\tfloat d = clamp(dot(n, l), 0.0, 1.0);\n"
    "\tfloat s = pow(max(dot(reflect(-l, n), vec3(0.0, 0.0, 1.0)), 0.0), 32.0);\n"
    "\treturn vec3(0.2, 0.4, 0.8) * d + vec3(s) + 0.05 * sin(t * 6.2831);\n"
    "}\n"
    "\n"
    "\n";

std::string RepeatedShader(int lines) {
    std::string text;
    for (int written = 0; written < lines; written += 20) text += kShaderBlock;
    return text;
}

CodeEditorFrames::CodeEditorFrames(const std::string& text) {
    // As the OpenGL 3 renderer declares: a draw list may pass 65 536 vertices.
    ImGui::GetIO().BackendFlags |= ImGuiBackendFlags_RendererHasVtxOffset;
    TextEditor::SyntaxDefinition language = TextEditor::SyntaxDefinition::CPlusPlus();
    for (const char* word : {"mat2", "mat3", "mat4", "vec2", "vec3", "vec4", "sampler2D", "sampler3D", "in", "out",
                             "inout", "varying", "uniform"}) {
        language.keywords.insert(word);
    }
    editor.SetSyntaxDefinition(language);
    editor.SetText(text);
}

void CodeEditorFrames::Frame() {
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(ImGui::GetIO().DisplaySize);
    ImGui::Begin("Shader Editor", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoSavedSettings);
    editor.Render("TextEditor");
    ImGui::End();
    ImGui::Render();
}
