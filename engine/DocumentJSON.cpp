// The JSON form of a document: every class's ToJSON and its constructor from
// a JSON value. Objects refer to one another by name in this form; reading
// resolves the names through maps that live only while a Demo is built.

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>

#include "Base64.h"
#include "ByteBuffer.h"
#include "Demo.h"
#include "DocumentReading.h"
#include "Documents.h"
#include "Effect.h"
#include "Event.h"
#include "JSON.h"
#include "ShaderProgram.h"
#include "Texture.h"

/* === Reading members ====================================================== */

namespace {

// A float field. Files the program writes hold Floats; a hand-written whole
// number ("bpm": 120) is an Integer and reads as its value too.
float ReadFloat(const JSON& value) {
    double number = 0.0;
    if (value.GetKind() == JSON::Kind::Float) {
        number = value.AsFloat();
    } else if (value.GetKind() == JSON::Kind::Integer) {
        number = value.AsInt();
    }
    if (std::isnan(number)) return 0.0f;
    if (number > FLT_MAX) return std::isinf(number) ? INFINITY : FLT_MAX;
    if (number < -FLT_MAX) return std::isinf(number) ? -INFINITY : -FLT_MAX;
    return static_cast<float>(number);
}

// An integer field; a Float ("mode": 2.0) reads as its whole part.
int ReadInt(const JSON& value) {
    if (value.GetKind() == JSON::Kind::Integer) return value.AsInt();
    if (value.GetKind() != JSON::Kind::Float) return 0;
    double number = value.AsFloat();
    if (std::isnan(number)) return 0;
    if (number >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (number <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(number);
}

// The elements of a list member; a missing member or one that is not an
// Array reads as an empty list.
JSON::ItemRange<JSON::ArrayDeque> ListMember(JSON& object, const char* key) {
    return object[key].ArrayItems();
}

// The object a name maps to; null for a name the map does not hold. A null
// reference is written as the empty name, so the empty name always reads as
// null, even when some object of the document is itself named "".
template <typename T>
T* Lookup(const std::map<std::string, T*>& objects_by_name, const std::string& name) {
    if (name.empty()) return nullptr;
    auto found = objects_by_name.find(name);
    return found == objects_by_name.end() ? nullptr : found->second;
}

}  // namespace

/* === ByteBuffer: base64 text ============================================== */

ByteBuffer::ByteBuffer(JSON& value) {
    std::string bytes;
    try {
        bytes = Base64Decode(value.AsString());
    } catch (const std::exception& failure) {
        JSONReadScope::Fail(failure.what());
        bytes.clear();
    }
    length = bytes.size();
    if (length > 0) {
        data = static_cast<uint8_t*>(std::malloc(length));
        if (data == nullptr) {
            JSONReadScope::Fail("Out of memory for a byte buffer.");
            length = 0;
        } else {
            std::memcpy(data, bytes.data(), length);
        }
    }
}

JSON ByteBuffer::ToJSON() const {
    if (data == nullptr || length == 0) return JSON(std::string());
    return JSON(Base64Encode(data, static_cast<size_t>(length)));
}

/* === Texture and UniformDef =============================================== */

Texture::Texture(JSON& value) {
    name = value["name"].AsString();
    image_buffer = new ByteBuffer(value["image_buffer"]);
    LoadImage();
}

// A texture without bytes writes an empty string.
JSON Texture::ToJSON() const {
    JSON result = JSON::MakeObject();
    result["image_buffer"] = image_buffer ? image_buffer->ToJSON() : JSON(std::string());
    result["name"] = name;
    return result;
}

UniformDef::UniformDef(JSON& value) {
    location = -1;
    name = value["name"].AsString();
    min_val = ReadFloat(value["min_val"]);
    max_val = ReadFloat(value["max_val"]);
    default_val = ReadFloat(value["default_val"]);
}

JSON UniformDef::ToJSON() const {
    JSON result = JSON::MakeObject();
    result["default_val"] = JSON(default_val);
    result["max_val"] = JSON(max_val);
    result["min_val"] = JSON(min_val);
    result["name"] = name;
    return result;
}

/* === ShaderProgram ======================================================== */

ShaderProgram::ShaderProgram(JSON& value) {
    vertex_shader_source = value["vertex_shader_source"].AsString();
    fragment_shader_source = value["fragment_shader_source"].AsString();
    vertex_shader_filename = value["vertex_shader_filename"].AsString();
    fragment_shader_filename = value["fragment_shader_filename"].AsString();
    for (JSON& element : ListMember(value, "uniform_defs")) {
        uniform_defs.push_back(new UniformDef(element));
    }
    CreateShaders();
    Compile();
    Link();
}

JSON ShaderProgram::ToJSON() const {
    JSON result = JSON::MakeObject();
    result["fragment_shader_filename"] = fragment_shader_filename;
    result["fragment_shader_source"] = fragment_shader_source;
    JSON defs = JSON::MakeArray();
    for (const UniformDef* def : uniform_defs) {
        if (def) defs.Append(def->ToJSON());
    }
    result["uniform_defs"] = std::move(defs);
    result["vertex_shader_filename"] = vertex_shader_filename;
    result["vertex_shader_source"] = vertex_shader_source;
    return result;
}

/* === Effect =============================================================== */

Effect::Effect(JSON& value, std::map<std::string, Texture*>& textures_by_name,
               std::map<std::string, ShaderProgram*>& programs_by_name) {
    name = value["name"].AsString();
    for (JSON& element : ListMember(value, "textures")) {
        input_textures.push_back(Lookup(textures_by_name, element.AsString()));
    }
    feedback = value["feedback"].AsBool();
    program = Lookup(programs_by_name, value["program"].AsString());
}

void Effect::ResolveInputEffects(JSON& value, std::map<std::string, Effect*>& effects_by_name) {
    for (JSON& element : ListMember(value, "effects")) {
        input_effects.push_back(Lookup(effects_by_name, element.AsString()));
    }
    if (program != nullptr && vao == 0) CreateQuad();
}

// A null program or input writes the empty name, which reads back as null.
JSON Effect::ToJSON() const {
    JSON result = JSON::MakeObject();
    JSON effect_names = JSON::MakeArray();
    for (const Effect* input : input_effects) {
        effect_names.Append(JSON(input ? input->name : std::string()));
    }
    result["effects"] = std::move(effect_names);
    result["feedback"] = feedback;
    result["name"] = name;
    result["program"] = program ? program->fragment_shader_filename : std::string();
    JSON texture_names = JSON::MakeArray();
    for (const Texture* input : input_textures) {
        texture_names.Append(JSON(input ? input->name : std::string()));
    }
    result["textures"] = std::move(texture_names);
    return result;
}

/* === Event and its curves ================================================= */

Event::Event(JSON& value, std::map<std::string, Effect*>& effects_by_name) {
    name = value["name"].AsString();
    start_beat = ReadFloat(value["start_beat"]);
    end_beat = ReadFloat(value["end_beat"]);
    effect = Lookup(effects_by_name, value["effect"].AsString());
    if (!value.HasMember("control_points")) return;
    for (auto& member : value["control_points"].ObjectItems()) {
        JSON& curve_value = member.second;
        Automation curve;
        curve.mode = static_cast<uint32_t>(ReadInt(curve_value["mode"]));
        curve.repeat = curve_value["repeat"].AsBool();
        for (JSON& point : ListMember(curve_value, "control_points")) {
            curve.control_points.emplace_back(ReadFloat(point["beat"]), ReadFloat(point["value"]));
        }
        automation[member.first] = curve;
    }
}

// A null effect writes the empty name, which reads back as null.
JSON Event::ToJSON() const {
    JSON result = JSON::MakeObject();
    JSON curves = JSON::MakeObject();
    for (const auto& entry : automation) {
        const Automation& curve = entry.second;
        JSON curve_value = JSON::MakeObject();
        JSON points = JSON::MakeArray();
        for (const ControlPoint& point : curve.control_points) {
            JSON point_value = JSON::MakeObject();
            point_value["beat"] = JSON(point.beat);
            point_value["value"] = JSON(point.value);
            points.Append(std::move(point_value));
        }
        curve_value["control_points"] = std::move(points);
        curve_value["mode"] = JSON(static_cast<int>(curve.mode));
        curve_value["repeat"] = curve.repeat;
        // The writer prints member names as they stand, so a curve's name
        // goes in as its escaped text: a name holding a double quote or a
        // backslash then reads back as itself instead of breaking the file.
        curves[JSON::EscapeString(entry.first)] = std::move(curve_value);
    }
    result["control_points"] = std::move(curves);
    result["effect"] = effect ? effect->name : std::string();
    result["end_beat"] = JSON(end_beat);
    result["name"] = name;
    result["start_beat"] = JSON(start_beat);
    return result;
}

/* === Demo: the whole document ============================================= */

// Builds the lists in dependency order: textures, programs, effects (their
// inputs in a second pass, so effects may name effects listed after them),
// events, then music and timing. Names resolve to the last object that
// carries them.
Demo::Demo(JSON& value) {
    std::map<std::string, Texture*> textures_by_name;
    std::map<std::string, ShaderProgram*> programs_by_name;
    std::map<std::string, Effect*> effects_by_name;

    for (JSON& element : ListMember(value, "textures")) {
        Texture* texture = new Texture(element);
        textures_by_name[texture->name] = texture;
        textures.push_back(texture);
    }
    for (JSON& element : ListMember(value, "shaders")) {
        ShaderProgram* program = new ShaderProgram(element);
        programs_by_name[program->fragment_shader_filename] = program;
        shaders.push_back(program);
    }
    for (JSON& element : ListMember(value, "effects")) {
        Effect* effect = new Effect(element, textures_by_name, programs_by_name);
        effects_by_name[effect->name] = effect;
        effects.push_back(effect);
    }
    // Each effect takes the input names of its own element, so two effects of
    // the same name both get their inputs and their quads.
    size_t index = 0;
    for (JSON& element : ListMember(value, "effects")) {
        if (index >= effects.size()) break;
        effects[index++]->ResolveInputEffects(element, effects_by_name);
    }
    for (JSON& element : ListMember(value, "events")) {
        events.push_back(new Event(element, effects_by_name));
    }
    music = new ByteBuffer(value["music"]);
    end_beat = ReadFloat(value["end_beat"]);
    bpm = ReadFloat(value["bpm"]);
    beat_offset = ReadFloat(value["beat_offset"]);
    CreateSoundTexture();
}

bool HoldsDocumentMember(const JSON& value) {
    static const char* const kMembers[] = {"beat_offset", "bpm",   "effects", "end_beat",
                                           "events",      "music", "shaders", "textures"};
    for (const char* key : kMembers) {
        if (value.HasMember(key)) return true;
    }
    return false;
}

JSON Demo::ToJSON() const {
    JSON result = JSON::MakeObject();
    result["beat_offset"] = JSON(beat_offset);
    result["bpm"] = JSON(bpm);
    JSON effect_values = JSON::MakeArray();
    for (const Effect* effect : effects) effect_values.Append(effect->ToJSON());
    result["effects"] = std::move(effect_values);
    result["end_beat"] = JSON(end_beat);
    JSON event_values = JSON::MakeArray();
    for (const Event* event : events) event_values.Append(event->ToJSON());
    result["events"] = std::move(event_values);
    result["music"] = music ? music->ToJSON() : JSON(std::string());
    JSON shader_values = JSON::MakeArray();
    for (const ShaderProgram* program : shaders) shader_values.Append(program->ToJSON());
    result["shaders"] = std::move(shader_values);
    JSON texture_values = JSON::MakeArray();
    for (const Texture* texture : textures) texture_values.Append(texture->ToJSON());
    result["textures"] = std::move(texture_values);
    return result;
}

/* === The reading scope ==================================================== */

static JSONReadScope* s_json_scope = nullptr;

JSONReadScope::JSONReadScope() : outer_(s_json_scope) { s_json_scope = this; }

JSONReadScope::~JSONReadScope() { s_json_scope = outer_; }

void JSONReadScope::Fail(const std::string& error) {
    if (s_json_scope == nullptr) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return;
    }
    if (!s_json_scope->failed_) s_json_scope->error_ = error;
    s_json_scope->failed_ = true;
}
