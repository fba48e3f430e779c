// First version; built out below.
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "Base64.h"
#include "ByteBuffer.h"
#include "Demo.h"
#include "Effect.h"
#include "Event.h"
#include "JSON.h"
#include "ShaderProgram.h"
#include "Texture.h"

ByteBuffer::ByteBuffer(JSON& value) { (void)value; }
JSON ByteBuffer::ToJSON() const { return JSON(std::string()); }
Texture::Texture(JSON& value) { (void)value; }
JSON Texture::ToJSON() const { return JSON::MakeObject(); }
UniformDef::UniformDef(JSON& value) { (void)value; }
JSON UniformDef::ToJSON() const { return JSON::MakeObject(); }
ShaderProgram::ShaderProgram(JSON& value) { (void)value; }
JSON ShaderProgram::ToJSON() const { return JSON::MakeObject(); }
Effect::Effect(JSON& value, std::map<std::string, Texture*>& textures_by_name,
               std::map<std::string, ShaderProgram*>& programs_by_name) {
    (void)value; (void)textures_by_name; (void)programs_by_name;
}
void Effect::ResolveInputEffects(JSON& value, std::map<std::string, Effect*>& effects_by_name) {
    (void)value; (void)effects_by_name;
}
JSON Effect::ToJSON() const { return JSON::MakeObject(); }
Event::Event(JSON& value, std::map<std::string, Effect*>& effects_by_name) {
    (void)value; (void)effects_by_name;
}
JSON Event::ToJSON() const { return JSON::MakeObject(); }
Demo::Demo(JSON& value) { (void)value; CreateSoundTexture(); }
JSON Demo::ToJSON() const { return JSON::MakeObject(); }
