#include "Effect.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "ByteBuffer.h"
#include "Demo.h"
#include "Event.h"
#include "Music.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "Texture.h"

// Units 0 to 15 carry an effect's samplers ("tex", "tex1" .. "tex15"); unit
// 16 is the sound texture's, so an effect binds at most this many.
static constexpr int kEffectUnits = 16;

/* === Construction ======================================================== */

Effect::Effect(std::string name, ShaderProgram* program, Texture* input_texture, Effect* input_effect,
               bool feedback)
    : program(program), name(std::move(name)), feedback(feedback) {
    if (input_texture) input_textures.push_back(input_texture);
    if (input_effect) input_effects.push_back(input_effect);
    if (program) CreateQuad();
}

Effect::~Effect() {
    delete pixels;
    if (texture != 0) glDeleteTextures(1, &texture);
    if (vbo != 0) glDeleteBuffers(1, &vbo);
    if (vao != 0) glDeleteVertexArrays(1, &vao);
}

/* === The full-screen quad ================================================ */

void Effect::CreateQuad() {
    if (!program) return;
    static const float kQuad[18] = {
        -1.0f, -1.0f, 0.0f, -1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f,
        1.0f,  1.0f,  0.0f, 1.0f,  -1.0f, 0.0f, -1.0f, -1.0f, 0.0f,
    };
    // A second call (the effect got another program) reuses the objects.
    if (vao == 0) glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    if (vbo == 0) glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof kQuad, kQuad, GL_STATIC_DRAW);
    // Every link binds "vp" to this location, so the quad fits the program's
    // current link, whatever vp_location was when the program was picked
    // (-1 for a program that had not linked yet).
    glEnableVertexAttribArray(kVertexPositionLocation);
    glVertexAttribPointer(kVertexPositionLocation, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindVertexArray(0);
}

void Effect::DrawQuad() {
    if (vao == 0) return;  // no quad yet: nothing to draw
    glBindVertexArray(vao);
    glDrawArrays(GL_TRIANGLES, 0, 6);
}

/* === Render target and back-buffer capture =============================== */

void Effect::EnsureTarget() {
    if (!pixels) pixels = new Buffer();
    if (texture == 0) {
        int width = g_screen_size->width;
        int height = g_screen_size->height;
        // Upload the zeros only when the block holds the whole picture.
        bool whole = pixels->size == static_cast<int64_t>(width) * height * 4;
        texture = CreateTexture(width, height, whole ? pixels->bytes : nullptr, GL_CLAMP);
    }
}

void Effect::CaptureBackBuffer() {
    EnsureTarget();
    int width = g_screen_size->width;
    int height = g_screen_size->height;
    // The block was sized when it was made; never read more than it holds.
    if (pixels->size != static_cast<int64_t>(width) * height * 4 || pixels->size == 0) return;
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels->bytes);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels->bytes);
}

void Effect::ClearTarget() {
    int width = g_screen_size->width;
    int height = g_screen_size->height;
    if (pixels && texture != 0 && pixels->size == static_cast<int64_t>(width) * height * 4 && pixels->size > 0) {
        std::memset(pixels->bytes, 0, static_cast<size_t>(pixels->size));
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels->bytes);
        return;
    }
    // No target, or one of another size: EnsureTarget makes a zero-filled one when needed.
    delete pixels;
    pixels = nullptr;
    if (texture != 0) glDeleteTextures(1, &texture);
    texture = 0;
}

/* === Drawing ============================================================= */

// The effects whose Bind is running, innermost last. An effect met again
// among its own inputs (a cycle) is not drawn a second time: its last
// captured texture is bound instead.
static std::vector<const Effect*> s_binding;

// The input effects drawn and captured since the outermost Bind began. An
// input met again anywhere inside that binding binds the picture already
// captured, so a graph whose effects share inputs costs one draw per effect,
// not one per path. Emptied when the outermost Bind ends, so the next event
// draws its inputs afresh.
static std::unordered_set<const Effect*> s_captured;

bool Effect::Drawable() const { return program != nullptr && program->linked; }

// Unit layout: feedback, input textures, input effects; only units 0 to 15
// are bound, so input effects beyond them are neither drawn nor bound. The
// number of input effects that get a unit.
static size_t BoundInputEffects(const Effect& effect) {
    int first = (effect.feedback ? 1 : 0) + static_cast<int>(effect.input_textures.size());
    if (first >= kEffectUnits) return 0;
    return std::min(effect.input_effects.size(), static_cast<size_t>(kEffectUnits - first));
}

int Effect::Bind(const Demo* document, float beat) {
    // An effect without a program, or whose program did not link, draws
    // nothing: using that program would fail and draw with the last one.
    if (!Drawable()) return 0;

    s_binding.push_back(this);
    for (size_t i = 0; i < BoundInputEffects(*this); ++i) {
        Effect* input = input_effects[i];
        if (!input || !input->Drawable()) continue;  // draws nothing, captures nothing
        if (std::find(s_binding.begin(), s_binding.end(), input) != s_binding.end()) continue;
        if (!s_captured.insert(input).second) continue;  // already drawn in this binding
        input->Render(document, beat);
        input->CaptureBackBuffer();
    }
    s_binding.pop_back();
    if (s_binding.empty()) s_captured.clear();

    if (feedback) EnsureTarget();
    glUseProgram(program->program);

    int unit = 0;
    auto bind = [&unit](uint32_t id) {
        if (unit >= kEffectUnits) return;
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, id);
        unit += 1;
    };
    if (feedback) bind(texture);
    for (Texture* input : input_textures) bind(input ? input->id : 0);
    for (Effect* input : input_effects) bind(input ? input->texture : 0);
    return unit;
}

void Effect::SetUniforms() {
    if (!program) return;
    const ShaderProgram& p = *program;
    if (p.beat_location != -1) glUniform1f(p.beat_location, g_beat);
    if (p.sound_location != -1) glUniform1i(p.sound_location, GetSoundLevel());
    if (p.sound_texture_location != -1) glUniform1i(p.sound_texture_location, 16);
    for (int i = 0; i < 16; ++i) {
        if (p.tex_locations[i] != -1) glUniform1i(p.tex_locations[i], i);
    }
    if (p.resolution_location != -1) {
        glUniform2f(p.resolution_location, static_cast<float>(g_screen_size->width),
                    static_cast<float>(g_screen_size->height));
    }
    if (p.camera_position_location != -1) {
        glUniform3f(p.camera_position_location, g_camera_position[0], g_camera_position[1], g_camera_position[2]);
    }
    if (p.camera_rotation_location != -1) {
        glUniform3f(p.camera_rotation_location, g_camera_rotation[0], g_camera_rotation[1], g_camera_rotation[2]);
    }
}

void Effect::SetOwnUniforms(const Demo* document, float beat) {
    if (!program) return;
    if (document) {
        for (Event* event : document->events) {
            if (event && event->effect == this && event->start_beat <= beat && beat < event->end_beat) {
                event->SetAutomationUniforms(beat);
                return;
            }
        }
    }
    for (const UniformDef* def : program->uniform_defs) {
        if (def && def->location != -1) glUniform1f(def->location, def->default_val);
    }
}

void Effect::Render(const Demo* document, float beat) {
    if (!Drawable()) return;
    int count = Bind(document, beat);
    SetUniforms();
    SetOwnUniforms(document, beat);
    DrawQuad();
    UnbindTextures(count);
}

bool Effect::ReadsOwnCapture() const {
    if (feedback) return true;
    if (input_effects.empty()) return false;  // the common case, without a search
    // Walks the inputs as Bind draws them: an input that cannot draw is not
    // drawn, so what lies behind it is never read.
    std::vector<const Effect*> waiting = {this};
    std::unordered_set<const Effect*> visited = {this};
    while (!waiting.empty()) {
        const Effect* effect = waiting.back();
        waiting.pop_back();
        for (size_t i = 0; i < BoundInputEffects(*effect); ++i) {
            const Effect* input = effect->input_effects[i];
            if (input == this) return true;
            if (!input || !input->Drawable() || !visited.insert(input).second) continue;
            waiting.push_back(input);
        }
    }
    return false;
}

void UnbindTextures(int count) {
    for (int unit = 0; unit < count && unit < kEffectUnits; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}
