#include "ShaderProgram.h"

#include <GL/glew.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "Files.h"

/* === UniformDef ========================================================== */

UniformDef::UniformDef(std::string name, float min_val, float max_val, float default_val)
    : name(std::move(name)), min_val(min_val), max_val(max_val), default_val(default_val) {}

/* === The default program ================================================= */

ShaderProgram::ShaderProgram()
    : vertex_shader_source("#version 150\n\nin vec3 vp;\n\nvoid main() {\ngl_Position = vec4(vp, 1.0);\n}\n"),
      vertex_shader_filename("resources\\default.vert"),
      fragment_shader_filename("resources\\untitled.frag") {
    CreateShaders();
    Compile();
    Link();
}

ShaderProgram::~ShaderProgram() {
    for (UniformDef* def : uniform_defs) delete def;
    if (program != 0) glDeleteProgram(program);
    if (vertex_shader != 0) glDeleteShader(vertex_shader);
    if (fragment_shader != 0) glDeleteShader(fragment_shader);
}

/* === Compiling and linking =============================================== */

void ShaderProgram::CreateShaders() {
    vertex_shader = glCreateShader(GL_VERTEX_SHADER);
    fragment_shader = glCreateShader(GL_FRAGMENT_SHADER);
}

// The source goes in with its length, so it need not be zero-terminated and
// may hold any bytes.
static void CompileSource(uint32_t shader, const std::string& source) {
    const GLchar* text = source.data();
    GLint length = source.size() > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<GLint>(source.size());
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
}

// Compiles source into a new shader object that takes the place of shader,
// also in the program when there is one. A fresh object for every compile:
// a driver whose shader cache hits on a recompile of the same object reports
// the log of that object's earlier compile, which would show a fixed
// shader's old error as its result.
void ShaderProgram::CompileFresh(uint32_t& shader, uint32_t type, const std::string& source) {
    uint32_t fresh = glCreateShader(type);
    CompileSource(fresh, source);
    CheckCompileLog(fresh);
    if (shader != 0) {
        if (program != 0) glDetachShader(program, shader);
        glDeleteShader(shader);
    }
    if (program != 0) glAttachShader(program, fresh);
    shader = fresh;
}

void ShaderProgram::Compile() {
    CompileFresh(vertex_shader, GL_VERTEX_SHADER, vertex_shader_source);
    CompileFresh(fragment_shader, GL_FRAGMENT_SHADER, fragment_shader_source);
}

void ShaderProgram::CheckCompileLog(uint32_t shader) {
    // The driver's log of this compile, cut to 1023 characters, whatever it
    // says: a warning that mentions "error" in a name is still a warning.
    // A failed compile may come without any log.
    char text[1024];
    text[0] = '\0';
    glGetShaderInfoLog(shader, sizeof text, nullptr, text);
    text[sizeof text - 1] = '\0';
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (text[0] != '\0') {
        std::printf("%s\n", text);
        log = text;
    } else if (compiled != GL_TRUE) {
        log = "Compilation failed.";
    } else {
        log = "Compilation successful.";
    }
}

// "vp" always at one location: an effect's quad is made when the effect
// gets its program, perhaps before that program ever linked (a new, empty
// program) or while it fails to, and must fit every later link.
static void BindVertexPosition(uint32_t program) {
    glBindAttribLocation(program, kVertexPositionLocation, "vp");
}

// A program that did not link cannot be used: glUseProgram of it fails and
// leaves the program of the previous draw in place. So its status is kept,
// and the driver's reason (a shader without main, an input no stage writes)
// goes where compile errors go: printed, and into log for the Errors pane.
void ShaderProgram::CheckLinkLog() {
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    linked = status == GL_TRUE;
    if (linked) return;
    char text[1024];
    text[0] = '\0';
    glGetProgramInfoLog(program, sizeof text, nullptr, text);
    text[sizeof text - 1] = '\0';
    std::string reason = text[0] != '\0' ? text : "Linking failed.";
    std::printf("%s\n", reason.c_str());
    // A clean compile says nothing worth keeping next to the link's reason.
    if (log == "Compilation successful.") {
        log = reason;
    } else {
        if (!log.empty() && log.back() != '\n') log += '\n';
        log += reason;
    }
}

void ShaderProgram::Link() {
    program = glCreateProgram();
    glAttachShader(program, vertex_shader);
    glAttachShader(program, fragment_shader);
    BindVertexPosition(program);
    glLinkProgram(program);
    CheckLinkLog();
    LookupLocations();
}

void ShaderProgram::Relink() {
    // The same program object; Compile attaches the fresh shaders to it.
    Compile();
    BindVertexPosition(program);
    glLinkProgram(program);
    CheckLinkLog();
    LookupLocations();
}

void ShaderProgram::LookupLocations() {
    if (!linked) {
        // GL has no locations for a program that did not link (and asking
        // raises an error): every one reads -1, so nothing is ever sent.
        beat_location = sound_location = sound_texture_location = -1;
        for (int32_t& location : tex_locations) location = -1;
        resolution_location = camera_position_location = camera_rotation_location = vp_location = -1;
        for (UniformDef* def : uniform_defs) {
            if (def) def->location = -1;
        }
        return;
    }
    beat_location = glGetUniformLocation(program, "beat");
    sound_location = glGetUniformLocation(program, "sound");
    sound_texture_location = glGetUniformLocation(program, "sound_texture");
    char name[16];
    for (int i = 0; i < 16; ++i) {
        if (i == 0) {
            std::snprintf(name, sizeof name, "tex");
        } else {
            std::snprintf(name, sizeof name, "tex%d", i);
        }
        tex_locations[i] = glGetUniformLocation(program, name);
    }
    resolution_location = glGetUniformLocation(program, "resolution");
    camera_position_location = glGetUniformLocation(program, "camera_position");
    camera_rotation_location = glGetUniformLocation(program, "camera_rotation");
    vp_location = glGetAttribLocation(program, "vp");
    for (UniformDef* def : uniform_defs) {
        if (def) def->location = glGetUniformLocation(program, def->name.c_str());
    }
}

/* === Shader files ======================================================== */

// Prints "Loading file", then the whole file into text; false (text
// untouched) when it cannot be read.
static bool ReadSourceFile(const std::string& path, std::string& text) {
    std::printf("Loading file %s\n", path.c_str());
    uint32_t size = 0;
    char* bytes = ReadWholeFile(path.c_str(), &size);
    if (!bytes) return false;
    text.assign(bytes, size);
    std::free(bytes);
    return true;
}

std::string ShaderProgram::LoadFile(const std::string& path) {
    std::string text;
    ReadSourceFile(path, text);
    return text;
}

bool ShaderProgram::Load() {
    bool vertex_ok = ReadSourceFile(vertex_shader_filename, vertex_shader_source);
    bool fragment_ok = ReadSourceFile(fragment_shader_filename, fragment_shader_source);
    return vertex_ok && fragment_ok;
}

bool ShaderProgram::Save() {
    bool vertex_ok = WriteWholeFile(vertex_shader_filename.c_str(), vertex_shader_source.data(),
                                    vertex_shader_source.size());
    bool fragment_ok = WriteWholeFile(fragment_shader_filename.c_str(), fragment_shader_source.data(),
                                      fragment_shader_source.size());
    return vertex_ok && fragment_ok;
}
