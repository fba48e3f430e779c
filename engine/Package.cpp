// First version; built out below.
#include <cstdio>
#include <map>

#include "ByteBuffer.h"
#include "Demo.h"
#include "Effect.h"
#include "Event.h"
#include "ShaderProgram.h"
#include "Texture.h"

ByteBuffer::ByteBuffer(FILE* file) { (void)file; }
void ByteBuffer::Write(FILE* file) const { (void)file; }
Texture::Texture(FILE* file) { (void)file; }
void Texture::Write(FILE* file) const { (void)file; }
UniformDef::UniformDef(FILE* file) { (void)file; }
void UniformDef::Write(FILE* file) const { (void)file; }
ShaderProgram::ShaderProgram(FILE* file) { (void)file; }
void ShaderProgram::Write(FILE* file) const { (void)file; }
Effect::Effect(FILE* file) { (void)file; }
void Effect::Write(FILE* file) const { (void)file; }
void Effect::ResolvePointers(std::map<uint64_t, void*>& objects_by_id) { (void)objects_by_id; }
Event::Event(FILE* file) { (void)file; }
void Event::Write(FILE* file) const { (void)file; }
void Event::ResolvePointers(std::map<uint64_t, void*>& objects_by_id) { (void)objects_by_id; }
Demo::Demo(FILE* file) { (void)file; CreateSoundTexture(); }
void Demo::Write(FILE* file) const { (void)file; }
