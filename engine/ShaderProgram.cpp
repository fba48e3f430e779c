#include "ShaderProgram.h"

#include <GL/glew.h>

#include <cctype>
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

void ShaderProgram::Compile() {
    CompileSource(vertex_shader, vertex_shader_source);
    CheckCompileLog(vertex_shader);
    CompileSource(fragment_shader, fragment_shader_source);
    CheckCompileLog(fragment_shader);
}

// True when text mentions an error in any letter case ("error:", "ERROR:").
static bool MentionsError(const char* text) {
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("error") != std::string::npos;
}

void ShaderProgram::CheckCompileLog(uint32_t shader) {
    // The log's text decides, cut to 1023 characters; the compile status
    // only guards against two driver faults: a shader cache that skips a
    // successful recompile keeps the earlier failure's log (Mesa does), and
    // a failed compile may come without any log.
    char text[1024];
    text[0] = '\0';
    glGetShaderInfoLog(shader, sizeof text, nullptr, text);
    text[sizeof text - 1] = '\0';
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    bool stale = compiled == GL_TRUE && MentionsError(text);
    if (text[0] != '\0' && !stale) {
        std::printf("%s\n", text);
        log = text;
    } else if (compiled != GL_TRUE) {
        log = "Compilation failed.";
    } else {
        log = "Compilation successful.";
    }
}

void ShaderProgram::Link() {
    program = glCreateProgram();
    glAttachShader(program, vertex_shader);
    glAttachShader(program, fragment_shader);
    glLinkProgram(program);
    LookupLocations();
}

void ShaderProgram::Relink() {
    // Same shader and program objects: the shaders stay attached.
    Compile();
    glLinkProgram(program);
    LookupLocations();
}

void ShaderProgram::LookupLocations() {
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

void ShaderProgram::Load() {
    ReadSourceFile(vertex_shader_filename, vertex_shader_source);
    ReadSourceFile(fragment_shader_filename, fragment_shader_source);
}

bool ShaderProgram::Save() {
    bool vertex_ok = WriteWholeFile(vertex_shader_filename.c_str(), vertex_shader_source.data(),
                                    vertex_shader_source.size());
    bool fragment_ok = WriteWholeFile(fragment_shader_filename.c_str(), fragment_shader_source.data(),
                                      fragment_shader_source.size());
    return vertex_ok && fragment_ok;
}
