// Demo: the whole document. It owns every event, effect, shader program and
// texture in its lists, its music and its sound texture.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "IWritable.h"

class ByteBuffer;
class Effect;
class Event;
class ShaderProgram;
class Texture;

class Demo : public IWritable {
public:
    std::vector<Event*> events;          // drawn in list order
    std::vector<Effect*> effects;
    std::vector<ShaderProgram*> shaders;
    std::vector<Texture*> textures;      // image textures only
    ByteBuffer* music = nullptr;         // encoded music file; never null
    float end_beat = 480.0f;             // the player stops after this beat
    float bpm = 130.0f;
    float beat_offset = 0.5f;            // beats subtracted from the clock
    Texture* sound_texture = nullptr;    // 1024 x 2 spectrum and waveform
    bool paused = false;

    Demo();                              // the empty document
    explicit Demo(JSON& value);          // DocumentJSON.cpp
    explicit Demo(FILE* file);           // Package.cpp
    virtual ~Demo();                     // also clears g_loop_event when it was one of ours

    JSON ToJSON() const override;
    void Write(FILE* file) const override;

    // Draws every event active at beat; returns the effect of the last one
    // drawn, or null. Each event binds afresh: its Bind draws and captures
    // every effect it takes as input, directly or through others, at most
    // once, each with its own values at beat; then the event's own effect is
    // drawn with its automation (never skipped, never captured here). An
    // effect that cannot draw (Effect::Drawable) is skipped.
    Effect* Render(float beat);
    // One frame as every form shows it (the player, the Viewport, the video
    // export): Render, then, when the last effect drawn reads its own
    // capture (Effect::ReadsOwnCapture), its capture, so that its next frame
    // sees this one. Returns the last effect drawn, or null; *captured (when
    // not null) tells whether it was captured.
    Effect* RenderFrame(float beat, bool* captured = nullptr);
    // Empties every effect's render target (Effect::ClearTarget), so what
    // is drawn next depends on the document alone.
    void ClearRenderTargets();

    // Music.cpp: starts the music, paused when paused is set. Music that is
    // refused plays nothing and says why on the error stream, and in
    // *refused when that is not null ("" when the music plays or there is none).
    void PlayMusic(std::string* refused = nullptr);
    // Reads path into music and starts it; false (nothing changed, the reason
    // in error when error is not null) when the file cannot be read, the
    // music check refuses it (MusicCheck.h: its reason) or the audio library
    // cannot decode it.
    bool ImportMusic(const char* path, std::string* error = nullptr);
    void CreateSoundTexture();

    // Document operations for the editor: each removes the object from its
    // list and clears every reference to it (effects' inputs and program,
    // events' effect, g_loop_event), then destroys it. A cleared input stays
    // in its list as null, so the other inputs keep their texture units. An
    // object that is not in this document (or null) is left alone.
    void DeleteTexture(Texture* texture);
    void DeleteShaderProgram(ShaderProgram* program);
    void DeleteEffect(Effect* effect);
    void DeleteEvent(Event* event);

    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;
};
