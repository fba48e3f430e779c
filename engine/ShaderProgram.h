// ShaderProgram: a vertex and fragment shader pair linked into one GL
// program, with the sources, their files, the compile log and the uniform
// locations the renderer uses each frame. UniformDef: one user uniform.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "IWritable.h"

// The vertex attribute location of "vp", the quad's position: bound before
// every link, so an effect's quad fits whichever link of its program runs.
constexpr uint32_t kVertexPositionLocation = 0;

class UniformDef final : public IWritable {
public:
    std::string name;        // uniform name, and the key of events' curves
    float min_val = 0.0f;    // slider range
    float max_val = 1.0f;
    float default_val = 0.0f;  // value where no automation applies
    int32_t location = -1;   // in the owning program

    UniformDef(std::string name, float min_val, float max_val, float default_val);
    explicit UniformDef(JSON& value);  // see DocumentJSON.cpp
    explicit UniformDef(FILE* file);   // see Package.cpp

    JSON ToJSON() const override;
    void Write(FILE* file) const override;
};

class ShaderProgram final : public IWritable {
public:
    std::string vertex_shader_source;
    std::string fragment_shader_source;
    std::string vertex_shader_filename;    // "resources\default.vert" by default
    std::string fragment_shader_filename;  // the program's name in the editor
    std::vector<UniformDef*> uniform_defs; // owned
    // The fragment shader's last compile check, followed by the link log
    // when the last link failed.
    std::string log;
    uint32_t vertex_shader = 0;
    uint32_t fragment_shader = 0;
    uint32_t program = 0;
    int32_t beat_location = -1;
    int32_t sound_location = -1;
    int32_t tex_locations[16] = {-1, -1, -1, -1, -1, -1, -1, -1,
                                 -1, -1, -1, -1, -1, -1, -1, -1};
    int32_t resolution_location = -1;
    int32_t camera_position_location = -1;
    int32_t camera_rotation_location = -1;
    int32_t sound_texture_location = -1;
    int32_t vp_location = -1;
    // The last link succeeded. Read back from GL after every link; never
    // stored in a document. An effect whose program did not link draws nothing.
    bool linked = false;

    ShaderProgram();                     // the default program, compiled and linked
    explicit ShaderProgram(JSON& value); // see DocumentJSON.cpp
    explicit ShaderProgram(FILE* file);  // see Package.cpp
    ~ShaderProgram();

    JSON ToJSON() const override;
    void Write(FILE* file) const override;

    void CreateShaders();
    // Compiles both sources, each into a new shader object that replaces the
    // old one (also in the program); log := the fragment shader's result.
    void Compile();
    // log := the shader's info log (printed), or "Compilation successful.";
    // a failed compile without a log gives "Compilation failed.".
    void CheckCompileLog(uint32_t shader);
    // Links a new program of both shaders, "vp" bound to
    // kVertexPositionLocation, sets linked and looks the locations up. A
    // failed link prints its log and adds it to log.
    void Link();
    // Compiles both sources again and relinks the same program ("vp" bound
    // as in Link), then sets linked and looks the locations up again, as Link.
    void Relink();
    // Every location from the linked program; all -1 when it did not link.
    void LookupLocations();
    // Both sources from their files (no compile). A file that cannot be read
    // leaves that source as it was; false when one could not be read.
    bool Load();
    // Both sources to their files; false when a file could not be written.
    bool Save();
    // The whole file as a string, or "" when it cannot be read.
    static std::string LoadFile(const std::string& path);

    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

private:
    void CheckLinkLog();
    void CompileFresh(uint32_t& shader, uint32_t type, const std::string& source);
};
