#include "StbImage.h"

#include <climits>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb_image.h>

uint8_t* DecodeGIFFrame(const uint8_t* bytes, size_t length, const ImageClaim& claim, int* width, int* height,
                        std::string* reason) {
    if (claim.format != ImageFormat::GIF || length > INT_MAX || claim.gif_frame + 10 > length) {
        *reason = "the image cannot be decoded";
        return nullptr;
    }
    // stb composes the frame onto the logical screen; the picture has always
    // been the frame alone. A copy whose screen is the frame, placed at 0, 0,
    // gives exactly that, and stb allocates no more than the checked size.
    std::vector<uint8_t> copy(bytes, bytes + length);
    auto put16 = [&copy](size_t at, int64_t value) {
        copy[at] = static_cast<uint8_t>(value);
        copy[at + 1] = static_cast<uint8_t>(value >> 8);
    };
    put16(6, claim.width);
    put16(8, claim.height);
    put16(claim.gif_frame + 1, 0);
    put16(claim.gif_frame + 3, 0);

    int channels = 0;
    stbi_uc* rgba = stbi_load_from_memory(copy.data(), static_cast<int>(copy.size()), width, height, &channels, 4);
    if (rgba == nullptr) {
        const char* why = stbi_failure_reason();
        *reason = std::string("the image cannot be decoded") + (why && *why ? std::string(": ") + why : "");
        return nullptr;
    }
    return rgba;
}

void FreeGIFFrame(uint8_t* rgba) { stbi_image_free(rgba); }
