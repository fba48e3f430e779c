// The binary package: every class's body written field by field, little-
// endian, and read back by the constructors from FILE*. Objects refer to one
// another by 64-bit ids (the writer's addresses); a reader keeps the ids in
// the pointer fields until the whole package is read, then resolves them.
//
// Every read is checked: counts and lengths are compared with the bytes the
// package still holds before anything is allocated, and a short read marks
// the current PackageReadScope failed. After a failure every further read
// gives zeros, so the constructors run to their end without touching more
// of the file, and the load throws the partial document away.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "ByteBuffer.h"
#include "ByteFields.h"
#include "Demo.h"
#include "DocumentReading.h"
#include "Effect.h"
#include "Event.h"
#include "Files.h"
#include "ShaderProgram.h"
#include "Texture.h"

/* === The reading context ================================================== */

// The smallest number of bytes one list entry takes in a package; a count
// larger than the remaining bytes divided by this cannot be genuine.
constexpr uint64_t kEventEntryBytes = 8 + 8 + 4 + 4 + 8 + 8;  // id, effect, beats, name, curves
constexpr uint64_t kEffectEntryBytes = 8 + 8 + 8 + 8 + 8 + 1;  // id, two lists, program, name, flag
constexpr uint64_t kProgramEntryBytes = 8 + 4 * 8 + 8;         // id, four strings, uniforms
constexpr uint64_t kTextureEntryBytes = 8 + 8 + 8;             // id, name, bytes
constexpr uint64_t kCurveBytes = 8 + 4 + 1 + 8;                // name, mode, repeat, points
constexpr uint64_t kPointBytes = 4 + 4;
constexpr uint64_t kUniformBytes = 8 + 4 + 4 + 4;
constexpr uint64_t kIdBytes = 8;

static PackageReadScope* s_package_scope = nullptr;

PackageReadScope::PackageReadScope(FILE* file, uint64_t length)
    : file_(file), remaining_(length), outer_(s_package_scope) {
    s_package_scope = this;
}

PackageReadScope::~PackageReadScope() { s_package_scope = outer_; }

// Bytes between the file position and the end of the file; 0 when the
// stream cannot tell.
static uint64_t BytesToEnd(FILE* file) {
    long position = std::ftell(file);
    if (position < 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
    long end = std::ftell(file);
    std::fseek(file, position, SEEK_SET);
    return end > position ? static_cast<uint64_t>(end - position) : 0;
}

struct PackageReading {
    // The scope reading this file, or null for an unscoped read.
    static PackageReadScope* ScopeOf(FILE* file) {
        for (PackageReadScope* scope = s_package_scope; scope; scope = scope->outer_) {
            if (scope->file_ == file) return scope;
        }
        return nullptr;
    }

    static bool Failed(FILE* file) {
        PackageReadScope* scope = ScopeOf(file);
        return scope != nullptr && scope->failed_;
    }

    static uint64_t Remaining(FILE* file) {
        PackageReadScope* scope = ScopeOf(file);
        if (scope == nullptr) return BytesToEnd(file);
        return scope->failed_ ? 0 : scope->remaining_;
    }

    static void Fail(FILE* file, const std::string& error) {
        PackageReadScope* scope = ScopeOf(file);
        if (scope == nullptr || scope->failed_) return;
        scope->failed_ = true;
        scope->error_ = error;
    }

    // Reads length bytes into out; false, with out zeroed, when the package
    // holds fewer or the file ends early.
    static bool Read(FILE* file, void* out, uint64_t length, const char* what) {
        if (length == 0) return !Failed(file);
        if (length > Remaining(file)) {
            Fail(file, std::string("The package ends inside ") + what + ".");
            std::memset(out, 0, static_cast<size_t>(length));
            return false;
        }
        size_t got = std::fread(out, 1, static_cast<size_t>(length), file);
        PackageReadScope* scope = ScopeOf(file);
        if (scope) scope->remaining_ -= got;
        if (got != length) {
            Fail(file, std::string("The file ends inside ") + what + ".");
            std::memset(out, 0, static_cast<size_t>(length));
            return false;
        }
        return true;
    }
};

/* === Reading fields ======================================================= */

namespace {

uint64_t ReadU64(FILE* file, const char* what) {
    uint8_t bytes[8];
    if (!PackageReading::Read(file, bytes, 8, what)) return 0;
    return ReadLE64(bytes);
}

uint32_t ReadU32(FILE* file, const char* what) {
    uint8_t bytes[4];
    if (!PackageReading::Read(file, bytes, 4, what)) return 0;
    return ReadLE32(bytes);
}

float ReadF32(FILE* file, const char* what) {
    uint32_t bits = ReadU32(file, what);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Any non-zero byte reads as true.
bool ReadFlag(FILE* file, const char* what) {
    uint8_t byte = 0;
    PackageReading::Read(file, &byte, 1, what);
    return byte != 0;
}

// A count of entries of at least entry_bytes each; 0 (and the package
// refused) when the rest of the package cannot hold that many.
uint64_t ReadCount(FILE* file, uint64_t entry_bytes, const char* what) {
    uint64_t count = ReadU64(file, what);
    if (count > PackageReading::Remaining(file) / entry_bytes) {
        PackageReading::Fail(file, std::string("The package counts more ") + what + " than it holds.");
        return 0;
    }
    return count;
}

// A u64 length, then that many bytes: ReadString with the package's bounds.
std::string ReadText(FILE* file, const char* what) {
    uint64_t length = ReadU64(file, what);
    if (length > PackageReading::Remaining(file)) {
        PackageReading::Fail(file, std::string("The package is shorter than ") + what + " it holds.");
        return std::string();
    }
    std::string text(static_cast<size_t>(length), '\0');
    if (length > 0 && !PackageReading::Read(file, &text[0], length, what)) return std::string();
    return text;
}

template <typename T>
T* IdAsPointer(uint64_t id) {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(id));
}

uint64_t PointerAsId(const void* pointer) {
    return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(pointer));
}

// The object the map holds under the id a pointer field carries; null for
// an id that names nothing.
template <typename T>
T* Resolve(const std::map<uint64_t, void*>& objects_by_id, T* id_holder) {
    auto found = objects_by_id.find(PointerAsId(id_holder));
    return found == objects_by_id.end() ? nullptr : static_cast<T*>(found->second);
}

/* === Writing fields ======================================================= */

void WriteU64(uint64_t value, FILE* file) {
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    std::fwrite(bytes, 1, 8, file);
}

void WriteU32(uint32_t value, FILE* file) {
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    std::fwrite(bytes, 1, 4, file);
}

void WriteF32(float value, FILE* file) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteU32(bits, file);
}

void WriteFlag(bool value, FILE* file) { std::fputc(value ? 1 : 0, file); }

}  // namespace

/* === ByteBuffer and Texture =============================================== */

ByteBuffer::ByteBuffer(FILE* file) {
    uint64_t size = ReadU64(file, "a byte block");
    if (size > PackageReading::Remaining(file)) {
        PackageReading::Fail(file, "The package is shorter than a byte block it holds.");
        return;
    }
    if (size == 0) return;
    data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
    if (data == nullptr) {
        PackageReading::Fail(file, "Out of memory for a byte block.");
        return;
    }
    length = size;
    if (!PackageReading::Read(file, data, size, "a byte block")) {
        std::free(data);
        data = nullptr;
        length = 0;
    }
}

void ByteBuffer::Write(FILE* file) const {
    WriteU64(data ? length : 0, file);
    if (data && length > 0) std::fwrite(data, 1, static_cast<size_t>(length), file);
}

Texture::Texture(FILE* file) {
    name = ReadText(file, "a texture name");
    image_buffer = new ByteBuffer(file);
    if (!PackageReading::Failed(file)) LoadImage();
}

// A texture without image bytes writes Bytes of length 0.
void Texture::Write(FILE* file) const {
    WriteString(name, file);
    if (image_buffer) {
        image_buffer->Write(file);
    } else {
        WriteU64(0, file);
    }
}

/* === UniformDef and ShaderProgram ========================================= */

UniformDef::UniformDef(FILE* file) {
    location = -1;
    name = ReadText(file, "a uniform name");
    min_val = ReadF32(file, "a uniform");
    max_val = ReadF32(file, "a uniform");
    default_val = ReadF32(file, "a uniform");
}

void UniformDef::Write(FILE* file) const {
    WriteString(name, file);
    WriteF32(min_val, file);
    WriteF32(max_val, file);
    WriteF32(default_val, file);
}

ShaderProgram::ShaderProgram(FILE* file) {
    vertex_shader_filename = ReadText(file, "a shader file name");
    vertex_shader_source = ReadText(file, "a shader source");
    fragment_shader_filename = ReadText(file, "a shader file name");
    fragment_shader_source = ReadText(file, "a shader source");
    uint64_t count = ReadCount(file, kUniformBytes, "uniforms");
    for (uint64_t i = 0; i < count && !PackageReading::Failed(file); ++i) {
        uniform_defs.push_back(new UniformDef(file));
    }
    // A package refused part-way is thrown away; its programs need no GL objects.
    if (PackageReading::Failed(file)) return;
    CreateShaders();
    Compile();
    Link();
}

void ShaderProgram::Write(FILE* file) const {
    WriteString(vertex_shader_filename, file);
    WriteString(vertex_shader_source, file);
    WriteString(fragment_shader_filename, file);
    WriteString(fragment_shader_source, file);
    uint64_t count = 0;
    for (const UniformDef* def : uniform_defs) count += def ? 1 : 0;
    WriteU64(count, file);
    for (const UniformDef* def : uniform_defs) {
        if (def) def->Write(file);
    }
}

/* === Effect =============================================================== */

// The references hold ids until ResolvePointers; no quad is made here.
Effect::Effect(FILE* file) {
    uint64_t count = ReadCount(file, kIdBytes, "input textures");
    for (uint64_t i = 0; i < count && !PackageReading::Failed(file); ++i) {
        input_textures.push_back(IdAsPointer<Texture>(ReadU64(file, "an input texture")));
    }
    count = ReadCount(file, kIdBytes, "input effects");
    for (uint64_t i = 0; i < count && !PackageReading::Failed(file); ++i) {
        input_effects.push_back(IdAsPointer<Effect>(ReadU64(file, "an input effect")));
    }
    program = IdAsPointer<ShaderProgram>(ReadU64(file, "an effect's program"));
    name = ReadText(file, "an effect name");
    feedback = ReadFlag(file, "an effect");
}

// Null references write the id 0, which names no object.
void Effect::Write(FILE* file) const {
    WriteU64(input_textures.size(), file);
    for (const Texture* input : input_textures) WriteU64(PointerAsId(input), file);
    WriteU64(input_effects.size(), file);
    for (const Effect* input : input_effects) WriteU64(PointerAsId(input), file);
    WriteU64(PointerAsId(program), file);
    WriteString(name, file);
    WriteFlag(feedback, file);
}

void Effect::ResolvePointers(std::map<uint64_t, void*>& objects_by_id) {
    for (Texture*& input : input_textures) input = Resolve(objects_by_id, input);
    for (Effect*& input : input_effects) input = Resolve(objects_by_id, input);
    program = Resolve(objects_by_id, program);
    if (program != nullptr && vao == 0) CreateQuad();
}

/* === Event ================================================================ */

// The effect holds its id until ResolvePointers.
Event::Event(FILE* file) {
    effect = IdAsPointer<Effect>(ReadU64(file, "an event's effect"));
    start_beat = ReadF32(file, "an event");
    end_beat = ReadF32(file, "an event");
    name = ReadText(file, "an event name");
    uint64_t curves = ReadCount(file, kCurveBytes, "curves");
    for (uint64_t i = 0; i < curves && !PackageReading::Failed(file); ++i) {
        std::string uniform = ReadText(file, "a curve name");
        Automation curve;
        curve.mode = ReadU32(file, "a curve");
        curve.repeat = ReadFlag(file, "a curve");
        uint64_t points = ReadCount(file, kPointBytes, "control points");
        for (uint64_t p = 0; p < points && !PackageReading::Failed(file); ++p) {
            float beat = ReadF32(file, "a control point");
            float value = ReadF32(file, "a control point");
            curve.control_points.emplace_back(beat, value);
        }
        automation[uniform] = curve;
    }
}

void Event::Write(FILE* file) const {
    WriteU64(PointerAsId(effect), file);
    WriteF32(start_beat, file);
    WriteF32(end_beat, file);
    WriteString(name, file);
    WriteU64(automation.size(), file);
    for (const auto& entry : automation) {
        WriteString(entry.first, file);
        WriteU32(entry.second.mode, file);
        WriteFlag(entry.second.repeat, file);
        WriteU64(entry.second.control_points.size(), file);
        for (const ControlPoint& point : entry.second.control_points) {
            WriteF32(point.beat, file);
            WriteF32(point.value, file);
        }
    }
}

void Event::ResolvePointers(std::map<uint64_t, void*>& objects_by_id) {
    effect = Resolve(objects_by_id, effect);
}

/* === Demo: the whole package ============================================== */

namespace {

enum class ObjectKind { Event, Effect, ShaderProgram, Texture };

// The id map of one package read, with each object's kind, so that a
// reference can only ever resolve to an object of the kind it expects.
struct PackageIds {
    std::map<uint64_t, void*> objects_by_id;
    std::map<uint64_t, ObjectKind> kinds_by_id;

    // False for the id 0 and for an id already taken: the package is damaged.
    bool Enter(uint64_t id, void* object, ObjectKind kind) {
        if (id == 0 || objects_by_id.count(id) != 0) return false;
        objects_by_id[id] = object;
        kinds_by_id[id] = kind;
        return true;
    }

    // Clears a reference whose id names an object of another kind.
    template <typename T>
    void KeepOnly(T*& id_holder, ObjectKind kind) const {
        auto found = kinds_by_id.find(PointerAsId(id_holder));
        if (found == kinds_by_id.end() || found->second != kind) id_holder = nullptr;
    }
};

}  // namespace

Demo::Demo(FILE* file) {
    PackageIds ids;
    auto enter = [&](uint64_t id, void* object, ObjectKind kind) {
        if (!ids.Enter(id, object, kind)) {
            PackageReading::Fail(file, "The package gives two objects the same id, or the id 0.");
        }
    };

    uint64_t count = ReadCount(file, kEventEntryBytes, "events");
    for (uint64_t i = 0; i < count && !PackageReading::Failed(file); ++i) {
        uint64_t id = ReadU64(file, "an event id");
        events.push_back(new Event(file));
        enter(id, events.back(), ObjectKind::Event);
    }
    count = ReadCount(file, kEffectEntryBytes, "effects");
    for (uint64_t i = 0; i < count && !PackageReading::Failed(file); ++i) {
        uint64_t id = ReadU64(file, "an effect id");
        effects.push_back(new Effect(file));
        enter(id, effects.back(), ObjectKind::Effect);
    }
    count = ReadCount(file, kProgramEntryBytes, "shader programs");
    for (uint64_t i = 0; i < count && !PackageReading::Failed(file); ++i) {
        uint64_t id = ReadU64(file, "a shader program id");
        shaders.push_back(new ShaderProgram(file));
        enter(id, shaders.back(), ObjectKind::ShaderProgram);
    }
    count = ReadCount(file, kTextureEntryBytes, "textures");
    for (uint64_t i = 0; i < count && !PackageReading::Failed(file); ++i) {
        uint64_t id = ReadU64(file, "a texture id");
        textures.push_back(new Texture(file));
        enter(id, textures.back(), ObjectKind::Texture);
    }
    music = new ByteBuffer(file);

    // Resolution runs even for a refused package, so that no pointer field
    // of the partial document is left holding an id.
    for (Event* event : events) {
        ids.KeepOnly(event->effect, ObjectKind::Effect);
        event->ResolvePointers(ids.objects_by_id);
    }
    bool failed = PackageReading::Failed(file);
    for (Effect* effect : effects) {
        for (Texture*& input : effect->input_textures) ids.KeepOnly(input, ObjectKind::Texture);
        for (Effect*& input : effect->input_effects) ids.KeepOnly(input, ObjectKind::Effect);
        ids.KeepOnly(effect->program, ObjectKind::ShaderProgram);
        // Programs of a refused package have no GL objects to build a quad on.
        if (failed) effect->program = nullptr;
        effect->ResolvePointers(ids.objects_by_id);
    }

    float end = ReadF32(file, "the timing");
    float tempo = ReadF32(file, "the timing");
    float offset = ReadF32(file, "the timing");
    if (!PackageReading::Failed(file)) {
        end_beat = end;
        bpm = tempo;
        beat_offset = offset;
    }
    CreateSoundTexture();
}

void Demo::Write(FILE* file) const {
    WriteU64(events.size(), file);
    for (const Event* event : events) {
        WriteU64(PointerAsId(event), file);
        event->Write(file);
    }
    WriteU64(effects.size(), file);
    for (const Effect* effect : effects) {
        WriteU64(PointerAsId(effect), file);
        effect->Write(file);
    }
    WriteU64(shaders.size(), file);
    for (const ShaderProgram* program : shaders) {
        WriteU64(PointerAsId(program), file);
        program->Write(file);
    }
    WriteU64(textures.size(), file);
    for (const Texture* texture : textures) {
        WriteU64(PointerAsId(texture), file);
        texture->Write(file);
    }
    if (music) {
        music->Write(file);
    } else {
        WriteU64(0, file);
    }
    WriteF32(end_beat, file);
    WriteF32(bpm, file);
    WriteF32(beat_offset, file);
}
