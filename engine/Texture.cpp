#include "Texture.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_image.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ByteBuffer.h"
#include "Files.h"

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

Texture::Texture(const char* path) : name(path ? path : "") {
    uint32_t size = 0;
    char* bytes = ReadWholeFile(path, &size);
    // A file that cannot be read gives an image texture with no bytes,
    // which decodes to nothing and binds as texture 0.
    image_buffer = new ByteBuffer(bytes, bytes ? size : 0);
    std::free(bytes);
    LoadImage();
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

void Texture::LoadImage() {
    if (id != 0) glDeleteTextures(1, &id);  // a reload replaces the old picture
    id = 0;
    width = 0;
    height = 0;
    if (!image_buffer || image_buffer->length == 0 || image_buffer->length > INT_MAX) return;

    SDL_RWops* stream = SDL_RWFromConstMem(image_buffer->data, static_cast<int>(image_buffer->length));
    if (!stream) return;
    SDL_Surface* image = IMG_Load_RW(stream, 1);  // closes the stream
    if (!image) return;

    // Convert by blitting onto an all-zero RGBA surface (bytes R, G, B, A).
    // SDL's default blit blends an image with alpha onto it, so such an
    // image arrives with its colours multiplied by its alpha.
    SDL_Surface* rgba = SDL_CreateRGBSurface(0, image->w, image->h, 32, 0x000000FF, 0x0000FF00,
                                             0x00FF0000, 0xFF000000);
    if (rgba) {
        if (SDL_UpperBlit(image, nullptr, rgba, nullptr) == 0) {
            // 32-bit rows need no padding: the pitch is exactly w * 4.
            id = CreateTexture(rgba->w, rgba->h, rgba->pixels, GL_CLAMP);
            width = rgba->w;
            height = rgba->h;
        }
        SDL_FreeSurface(rgba);
    }
    SDL_FreeSurface(image);
}

void Texture::Upload(const void* rgba) {
    if (id == 0 || !rgba) return;
    glBindTexture(GL_TEXTURE_2D, id);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
