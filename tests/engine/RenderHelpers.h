// Small shaders, programs and textures for the engine's pixel tests.
#pragma once

#include <GL/glew.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Demo.h"
#include "Effect.h"
#include "Event.h"
#include "GLFixture.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "Texture.h"

namespace testrender {

// A fragment shader in the program's dialect: declarations, then the body
// that assigns "color". uv is the pixel's place on the screen, 0 to 1.
inline std::string Fragment(const std::string& declarations, const std::string& body) {
    return "#version 150\n" + declarations +
           "\nuniform vec2 resolution;\nout vec4 color;\nvoid main() {\n"
           "vec2 uv = gl_FragCoord.xy / resolution;\n" + body + "\n}\n";
}

// A shader that draws one colour everywhere.
inline std::string Solid(float r, float g, float b, float a = 1.0f) {
    char body[128];
    std::snprintf(body, sizeof body, "color = vec4(%f, %f, %f, %f);", r, g, b, a);
    return Fragment("", body);
}

// A shader that shows sampler name opaque ("tex", "tex1" ...).
inline std::string Sampling(const std::string& sampler) {
    return Fragment("uniform sampler2D " + sampler + ";",
                    "color = vec4(texture(" + sampler + ", uv).rgb, 1.0);");
}

// The default program with this fragment source and these user uniforms,
// compiled and linked; the test asserts the compile succeeded.
inline ShaderProgram* MakeProgram(const std::string& fragment, std::vector<UniformDef*> defs = {}) {
    ShaderProgram* program = new ShaderProgram();
    // The default program's empty fragment shader does not link, and
    // looking locations up in an unlinked program raises a GL error: expected.
    while (glGetError() != GL_NO_ERROR) {
    }
    program->fragment_shader_source = fragment;
    program->uniform_defs = std::move(defs);
    program->Relink();
    return program;
}

// A w x h texture filled with one RGBA colour (bytes).
inline Texture* SolidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255, int w = 4, int h = 4) {
    Texture* texture = new Texture(w, h);
    std::vector<uint8_t> pixels;
    for (int i = 0; i < w * h; ++i) pixels.insert(pixels.end(), {r, g, b, a});
    texture->Upload(pixels.data());
    return texture;
}

// The texture bound to GL_TEXTURE_2D on a unit.
inline GLint BoundTexture(int unit) {
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glActiveTexture(GL_TEXTURE0 + unit);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glActiveTexture(static_cast<GLenum>(active));
    return bound;
}

// The quads that draw() draws (two triangles each), counted by the GPU
// through a GL_PRIMITIVES_GENERATED query; -1 when the query fails.
template <typename Draw>
int CountQuads(Draw draw) {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);
    if (glGetError() != GL_NO_ERROR) return -1;
    return static_cast<int>(primitives / 2);
}

// Fixture: a GL context, the playback globals reset, a fresh document
// as g_demo (owning whatever the test adds to its lists) and a
// viewport over the whole test window.
class RenderTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        saved_demo_ = g_demo;
        demo = new Demo();
        g_demo = demo;
        g_beat = 0.0f;
        g_loop_event = nullptr;
        for (int i = 0; i < 3; ++i) g_camera_position[i] = g_camera_rotation[i] = 0.0f;
        g_screen_size->width = testgl::kWidth;
        g_screen_size->height = testgl::kHeight;
        glViewport(0, 0, testgl::kWidth, testgl::kHeight);
        testgl::Clear(0.0f, 0.0f, 0.0f, 1.0f);
    }
    void TearDown() override {
        delete demo;
        g_demo = saved_demo_;
        g_beat = 0.0f;
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    // Adds objects to the document, which owns them.
    ShaderProgram* Add(ShaderProgram* program) { demo->shaders.push_back(program); return program; }
    Effect* Add(Effect* effect) { demo->effects.push_back(effect); return effect; }
    Event* Add(Event* event) { demo->events.push_back(event); return event; }
    Texture* Add(Texture* texture) { demo->textures.push_back(texture); return texture; }

    // An effect with a new program from this fragment source.
    Effect* AddEffect(const std::string& fragment, bool feedback = false) {
        return Add(new Effect("effect", Add(MakeProgram(fragment)), nullptr, nullptr, feedback));
    }

    // count effects, each taking the next one as both of its inputs ("tex"
    // and "tex1") and showing their mean; the last one draws the colour
    // (r, g, b). Returned top first: the top reaches the last one by
    // 2^(count - 1) paths.
    std::vector<Effect*> AddSharedInputLayers(int count, float r, float g, float b) {
        ShaderProgram* mean = Add(MakeProgram(Fragment(
            "uniform sampler2D tex; uniform sampler2D tex1;",
            "color = vec4(0.5 * (texture(tex, uv).rgb + texture(tex1, uv).rgb), 1.0);")));
        ShaderProgram* solid = Add(MakeProgram(Solid(r, g, b)));
        std::vector<Effect*> layers(count);
        for (int i = count - 1; i >= 0; --i) {
            bool last = i == count - 1;
            layers[i] = Add(new Effect("layer" + std::to_string(i), last ? solid : mean, nullptr, nullptr, false));
            if (!last) layers[i]->input_effects = {layers[i + 1], layers[i + 1]};
        }
        return layers;
    }

    Demo* demo = nullptr;
    Demo* saved_demo_ = nullptr;
};

}  // namespace testrender

// Compares a read-back pixel with expected bytes, one step of rounding allowed.
#define EXPECT_PIXEL_NEAR(pixel, r_, g_, b_)      \
    do {                                           \
        testgl::Pixel p_ = (pixel);                \
        EXPECT_NEAR(p_.r, (r_), 2) << "red";       \
        EXPECT_NEAR(p_.g, (g_), 2) << "green";     \
        EXPECT_NEAR(p_.b, (b_), 2) << "blue";      \
    } while (0)
