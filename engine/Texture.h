// Texture: a named image held as its encoded file bytes and uploaded as a GL
// texture, or (without bytes) a render target such as the sound texture.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "IWritable.h"

class ByteBuffer;

class Texture : public IWritable {
public:
    uint32_t id = 0;                      // GL texture; 0 when the image does not decode
    ByteBuffer* image_buffer = nullptr;   // encoded image file; null for a render target
    std::string name;                     // picked path, or a generated label
    int32_t width = 0;                    // 0 when the image does not decode
    int32_t height = 0;

    // Reads and decodes an image file; a picture that does not decode leaves
    // the reason in *reason when reason is not null (see LoadImage).
    explicit Texture(const char* path, std::string* reason = nullptr);
    Texture(int32_t width, int32_t height);  // zero-filled RGBA render target
    explicit Texture(JSON& value);        // see DocumentJSON.cpp
    explicit Texture(FILE* file);         // see Package.cpp
    virtual ~Texture();

    JSON ToJSON() const override;
    void Write(FILE* file) const override;

    // Checks image_buffer (ImageCheck.h), decodes it with its format's own
    // decoder and uploads it. On failure id, width and height are 0, a line
    // "<name>: <reason>" goes to the error stream, *reason (when reason is
    // not null) holds the reason and the result is false; the bytes stay.
    bool LoadImage(std::string* reason = nullptr);
    // Re-specifies level 0 from RGBA bytes at width x height; nothing when
    // there is no GL texture (id 0) or no bytes.
    void Upload(const void* rgba);

    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
};

// A new nearest-filtered GL texture holding width x height RGBA bytes.
uint32_t CreateTexture(int width, int height, const void* rgba, int wrap);
