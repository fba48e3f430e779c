#include "Texture.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_image.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "Files.h"
#include "ImageCheck.h"
#include "StbImage.h"

/* === Texture objects ===================================================== */

uint32_t CreateTexture(int width, int height, const void* rgba, int wrap) {
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return id;
}

/* === Construction ======================================================== */

Texture::Texture(const char* path, std::string* reason) : name(path ? path : "") {
    uint32_t size = 0;
    char* bytes = ReadWholeFile(path, &size);
    // A file that cannot be read gives an image texture with no bytes,
    // which decodes to nothing and binds as texture 0.
    image_buffer = new ByteBuffer(bytes, bytes ? size : 0);
    std::free(bytes);
    LoadImage(reason);
}

Texture::Texture(int32_t width, int32_t height) {
    char label[64];
    std::snprintf(label, sizeof label, "Texture %p (%d x %d)", static_cast<void*>(this), width, height);
    name = label;
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    std::vector<uint8_t> zeros(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    id = CreateTexture(width, height, zeros.data(), GL_CLAMP);
    this->width = width;
    this->height = height;
}

Texture::~Texture() {
    if (id != 0) glDeleteTextures(1, &id);
    delete image_buffer;
}

/* === Decoding and upload ================================================= */

namespace {

// The largest width or height a texture may have on the current GL context.
int MaxTextureSize() {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

std::string CannotDecode(const char* why) {
    return std::string("the image cannot be decoded") + (why && *why ? std::string(": ") + why : "");
}

// Checked bytes through their format's own SDL_image decoder; never the
// library's own format detection, which would reach every decoder it
// carries whatever the bytes are. Null on failure, with the reason.
SDL_Surface* DecodeWithSDLImage(const ByteBuffer& bytes, ImageFormat format, std::string* reason) {
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data, static_cast<int>(bytes.length));
    if (!stream) {
        *reason = CannotDecode(SDL_GetError());
        return nullptr;
    }
    SDL_Surface* image = nullptr;
    switch (format) {
        case ImageFormat::PNG: image = IMG_LoadPNG_RW(stream); break;
        case ImageFormat::JPEG: image = IMG_LoadJPG_RW(stream); break;
        case ImageFormat::BMP: image = IMG_LoadBMP_RW(stream); break;
        case ImageFormat::WEBP: image = IMG_LoadWEBP_RW(stream); break;
        case ImageFormat::GIF:
        case ImageFormat::Unknown: SDL_SetError("no decoder"); break;
    }
    if (!image) *reason = CannotDecode(IMG_GetError());
    SDL_RWclose(stream);
    return image;
}

// Blits the image onto an all-zero RGBA surface (bytes R, G, B, A) and
// makes the GL texture from it. SDL's default blit blends an image with
// alpha onto it, so such an image arrives with its colours multiplied by
// its alpha, and a colour-keyed pixel stays 0, 0, 0, 0.
bool UploadSurface(SDL_Surface* image, Texture* texture, std::string* reason) {
    SDL_Surface* rgba = SDL_CreateRGBSurface(0, image->w, image->h, 32, 0x000000FF, 0x0000FF00, 0x00FF0000,
                                             0xFF000000);
    bool made = false;
    if (rgba && SDL_UpperBlit(image, nullptr, rgba, nullptr) == 0) {
        // 32-bit rows need no padding: the pitch is exactly w * 4.
        texture->id = CreateTexture(rgba->w, rgba->h, rgba->pixels, GL_CLAMP);
        texture->width = rgba->w;
        texture->height = rgba->h;
        made = true;
    } else {
        *reason = CannotDecode(SDL_GetError());
    }
    if (rgba) SDL_FreeSurface(rgba);
    return made;
}

// Sets id, width and height from the texture's bytes; false with the reason.
bool DecodeAndUpload(Texture* texture, std::string* reason) {
    const ByteBuffer* bytes = texture->image_buffer;
    if (!bytes || !bytes->data || bytes->length == 0) {
        *reason = "the image file is empty";
        return false;
    }
    if (bytes->length > INT_MAX) {
        *reason = "the image file is larger than 2 GiB";
        return false;
    }
    ImageClaim claim;
    if (!CheckImage(bytes->data, bytes->length, MaxTextureSize(), &claim, reason)) return false;

    if (claim.format == ImageFormat::GIF) {
        // SDL_image's own GIF decoder does not survive damaged bytes.
        int w = 0;
        int h = 0;
        uint8_t* rgba = DecodeGIFFrame(bytes->data, static_cast<size_t>(bytes->length), claim, &w, &h, reason);
        if (!rgba) return false;
        texture->id = CreateTexture(w, h, rgba, GL_CLAMP);
        texture->width = w;
        texture->height = h;
        FreeGIFFrame(rgba);
        return true;
    }
    SDL_Surface* image = DecodeWithSDLImage(*bytes, claim.format, reason);
    if (!image) return false;
    bool made = UploadSurface(image, texture, reason);
    SDL_FreeSurface(image);
    return made;
}

}  // namespace

bool Texture::LoadImage(std::string* reason) {
    if (id != 0) glDeleteTextures(1, &id);  // a reload replaces the old picture
    id = 0;
    width = 0;
    height = 0;
    std::string why;
    if (DecodeAndUpload(this, &why)) return true;
    // The texture stays in the document with its bytes and binds as texture 0.
    std::fprintf(stderr, "%s: %s\n", name.c_str(), why.c_str());
    if (reason) *reason = why;
    return false;
}

void Texture::Upload(const void* rgba) {
    if (id == 0 || !rgba) return;
    glBindTexture(GL_TEXTURE_2D, id);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
