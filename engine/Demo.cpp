#include "Demo.h"

#include <GL/glew.h>

#include <algorithm>

#include "ByteBuffer.h"
#include "Effect.h"
#include "Event.h"
#include "Music.h"
#include "MusicPlayer.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "Texture.h"

/* === The empty document and destruction ================================== */

Demo::Demo() {
    music = new ByteBuffer(nullptr, 0);
    CreateSoundTexture();
}

Demo::~Demo() {
    // No music may go on reading bytes that are about to be freed.
    StopMusicFrom(music);
    for (Event* event : events) {
        if (g_loop_event == event) g_loop_event = nullptr;
        delete event;
    }
    for (Effect* effect : effects) delete effect;
    for (ShaderProgram* program : shaders) delete program;
    for (Texture* texture : textures) delete texture;
    delete music;
    delete sound_texture;
}

/* === Rendering =========================================================== */

Effect* Demo::Render(float beat) {
    if (sound_texture) sound_texture->Upload(SoundPixels());
    Effect* last = nullptr;
    for (Event* event : events) {
        if (!(event->start_beat <= beat && beat < event->end_beat)) continue;
        Effect* effect = event->effect;
        // An event without an effect, or whose effect has no program that
        // linked, draws nothing.
        if (!effect || !effect->Drawable()) continue;

        int count = effect->Bind(this, beat);
        bool sound_bound = effect->program->sound_texture_location != -1 && sound_texture;
        if (sound_bound) {
            glActiveTexture(GL_TEXTURE16);
            glBindTexture(GL_TEXTURE_2D, sound_texture->id);
        }
        effect->SetUniforms();
        event->SetAutomationUniforms(beat);
        effect->DrawQuad();
        UnbindTextures(count);
        if (sound_bound) {
            glActiveTexture(GL_TEXTURE16);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        last = effect;
    }
    return last;
}

Effect* Demo::RenderFrame(float beat, bool* captured) {
    Effect* last = Render(beat);
    // Only a capture writes what feedback reads: without this one, the last
    // effect would see the picture some earlier capture left, frozen.
    bool capture = last && last->ReadsOwnCapture();
    if (capture) last->CaptureBackBuffer();
    if (captured) *captured = capture;
    return last;
}

void Demo::ClearRenderTargets() {
    for (Effect* effect : effects) {
        if (effect) effect->ClearTarget();
    }
}

/* === Document operations ================================================= */

// Takes item out of list; false when it was not there.
template <typename T>
static bool RemoveFromList(std::vector<T*>& list, T* item) {
    auto found = std::find(list.begin(), list.end(), item);
    if (found == list.end()) return false;
    list.erase(found);
    return true;
}

// Null entries keep their texture units, so the other inputs keep their numbers.
template <typename T>
static void ClearReferences(std::vector<T*>& list, const T* item) {
    std::replace(list.begin(), list.end(), const_cast<T*>(item), static_cast<T*>(nullptr));
}

void Demo::DeleteTexture(Texture* texture) {
    if (!texture || !RemoveFromList(textures, texture)) return;
    for (Effect* effect : effects) ClearReferences(effect->input_textures, texture);
    delete texture;
}

void Demo::DeleteShaderProgram(ShaderProgram* program) {
    if (!program || !RemoveFromList(shaders, program)) return;
    for (Effect* effect : effects) {
        if (effect->program == program) effect->program = nullptr;
    }
    delete program;
}

void Demo::DeleteEffect(Effect* effect) {
    if (!effect || !RemoveFromList(effects, effect)) return;
    for (Effect* other : effects) ClearReferences(other->input_effects, effect);
    for (Event* event : events) {
        if (event->effect == effect) event->effect = nullptr;
    }
    delete effect;
}

void Demo::DeleteEvent(Event* event) {
    if (!event || !RemoveFromList(events, event)) return;
    if (g_loop_event == event) g_loop_event = nullptr;
    delete event;
}
