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

    // Draws this effect alone (inputs included), without automation or the
    // sound texture; nothing without a program.
    void Render();
    // Draws and captures the input effects, selects the program and binds
    // feedback, input textures and input effects to units 0 to 15; returns
    // the number of units bound (0 without a program, never more than 16).
    // A null input keeps its unit, bound to texture 0; an input effect
    // already being bound further up (a cycle) is not drawn again: its last
    // capture is bound. Within one outermost Bind (an event's effect, or the
    // warm-up Render of one effect) each input effect is drawn and captured
    // at most once, however many effects of the graph take it: a further
    // reference binds the picture already captured, so the cost grows with
    // the number of effects, not with the number of paths through them. The
    // next outermost Bind draws its inputs afresh.
    int Bind();
    void SetUniforms();     // the built-in uniforms; nothing without a program
    void DrawQuad();        // nothing until the quad exists
    // Builds the quad on the location every program binds "vp" to, so it
    // draws with whatever link the program has at the time (again after a
    // program change, reusing the GL objects); nothing without a program.
    void CreateQuad();
    void EnsureTarget();    // a zero-filled screen-size target, once
    // Copies the back buffer into pixels and texture; nothing when the screen
    // size changed since the target was made.
    void CaptureBackBuffer();

    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;
};

// Unbinds texture units 0 to count - 1 (never beyond unit 15).
void UnbindTextures(int count);
