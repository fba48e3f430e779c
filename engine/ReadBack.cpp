#include "ReadBack.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "Playback.h"

SDL_Surface* ReadBackBufferToSurface() {
    int width = g_screen_size->width;
    int height = g_screen_size->height;
    if (width <= 0 || height <= 0) return nullptr;
    SDL_Surface* surface =
        SDL_CreateRGBSurface(0, width, height, 24, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    if (!surface) return nullptr;

    // GL pads each RGB row to a multiple of 4 bytes, as SDL pads the
    // surface's rows; when the two agree the rows land in place.
    const size_t row = static_cast<size_t>(width) * 3;
    const size_t gl_pitch = (row + 3) & ~static_cast<size_t>(3);
    const size_t pitch = static_cast<size_t>(surface->pitch);
    uint8_t* pixels = static_cast<uint8_t*>(surface->pixels);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (pitch == gl_pitch) {
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    } else {
        std::vector<uint8_t> block(gl_pitch * static_cast<size_t>(height));
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, block.data());
        for (int y = 0; y < height; ++y) {
            std::memcpy(pixels + pitch * y, block.data() + gl_pitch * y, row);
        }
    }

    // GL's rows run bottom-up: turn the picture upright, row by row.
    for (int i = 0; i < height / 2; ++i) {
        std::swap_ranges(pixels + pitch * i, pixels + pitch * i + row, pixels + pitch * (height - 1 - i));
    }
    return surface;
}
