// Effect: one full-screen render pass with a shader program, its input
// textures and input effects, an optional feedback of its own last output,
// its quad and its screen-size output texture.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "IWritable.h"

class Buffer;
class Demo;
class ShaderProgram;
class Texture;

class Effect : public IWritable {
public:
    std::vector<Texture*> input_textures;  // bound after the feedback unit
    std::vector<Effect*> input_effects;    // drawn and captured first
    ShaderProgram* program = nullptr;      // null until one is chosen
    std::string name;
    bool feedback = false;                 // own last output on unit 0
    uint32_t vbo = 0;                      // full-screen quad; 0 until made
    uint32_t vao = 0;
    Buffer* pixels = nullptr;              // render target, made on first need
    uint32_t texture = 0;

    Effect(std::string name, ShaderProgram* program, Texture* input_texture,
           Effect* input_effect, bool feedback);
    Effect(JSON& value, std::map<std::string, Texture*>& textures_by_name,
           std::map<std::string, ShaderProgram*>& programs_by_name);  // DocumentJSON.cpp
    explicit Effect(FILE* file);  // Package.cpp; references hold ids until ResolvePointers
    virtual ~Effect();

    JSON ToJSON() const override;
    void Write(FILE* file) const override;

    // Second pass of the JSON reader: input effects by name, then the quad.
    void ResolveInputEffects(JSON& value, std::map<std::string, Effect*>& effects_by_name);
    // Package reader: ids to objects, then the quad when there is a program.
    void ResolvePointers(std::map<uint64_t, void*>& objects_by_id);

    // True when the effect can draw: it has a program, and that program's
    // last link succeeded. Any other effect draws nothing, and as an input
    // is neither drawn nor captured.
    bool Drawable() const;

    // Draws this effect alone (inputs included), without the sound texture,
    // its user uniforms as they belong to beat in document (see
    // SetOwnUniforms); nothing unless Drawable.
    void Render(const Demo* document = nullptr, float beat = 0.0f);
    // Draws and captures the input effects (each with its own values at beat
    // in document), selects the program and binds feedback, input textures
    // and input effects to units 0 to 15; returns the number of units bound
    // (0 unless Drawable, never more than 16).
    // A null input keeps its unit, bound to texture 0; an input effect
    // already being bound further up (a cycle) is not drawn again: its last
    // capture is bound. Within one outermost Bind (an event's effect, or the
    // warm-up Render of one effect) each input effect is drawn and captured
    // at most once, however many effects of the graph take it: a further
    // reference binds the picture already captured, so the cost grows with
    // the number of effects, not with the number of paths through them. The
    // next outermost Bind draws its inputs afresh.
    int Bind(const Demo* document = nullptr, float beat = 0.0f);
    void SetUniforms();     // the built-in uniforms; nothing without a program
    // The user uniforms of this effect drawn outside its own event: the
    // automation at beat of its own event active at beat (the first in the
    // document's order), else every uniform's default value. So its picture
    // at a beat never depends on what was drawn before. Without a document,
    // the defaults.
    void SetOwnUniforms(const Demo* document, float beat);
    void DrawQuad();        // nothing until the quad exists
    // Builds the quad on the location every program binds "vp" to, so it
    // draws with whatever link the program has at the time (again after a
    // program change, reusing the GL objects); nothing without a program.
    void CreateQuad();
    void EnsureTarget();    // a zero-filled screen-size target, once
    // Copies the back buffer into pixels and texture; nothing when the screen
    // size changed since the target was made.
    void CaptureBackBuffer();
    // Empties the render target: it reads as all zero, as one never
    // captured. A target made for another screen size is dropped, and the
    // next need makes one of the current size.
    void ClearTarget();
    // True when drawing this effect reads its own last capture: it has
    // feedback, or it is among its own inputs, directly or through input
    // effects that Bind would draw. Such an effect, drawn last in a frame, is
    // captured after it (Demo::RenderFrame), so its next frame sees this one.
    bool ReadsOwnCapture() const;

    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;
};

// Unbinds texture units 0 to count - 1 (never beyond unit 15).
void UnbindTextures(int count);
