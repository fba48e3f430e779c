// Textures: creation, decoding image files (each format through its own
// decoder), upload, and the render targets.
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "ByteBuffer.h"
#include "DocumentSamples.h"
#include "RenderHelpers.h"
#include "TempDir.h"

using testrender::RenderTest;
using testutil::TempDir;

using TextureTest = RenderTest;

// The texture's level 0 as RGBA bytes, row 0 first.
static std::vector<uint8_t> TexturePixels(GLuint id, int w, int h) {
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return pixels;
}

static GLint TextureParameter(GLuint id, GLenum name) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, id);
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

// A 2 x 2 RGBA image saved as PNG: top row red and half-transparent
// orange, bottom row green and blue.
static void WriteTestPNG(const std::string& path) {
    SDL_Surface* s = SDL_CreateRGBSurface(0, 2, 2, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    const uint8_t rows[16] = {255, 0, 0, 255, 200, 100, 50, 128, 0, 255, 0, 255, 0, 0, 255, 255};
    for (int y = 0; y < 2; ++y) std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, rows + y * 8, 8);
    ASSERT_EQ(IMG_SavePNG(s, path.c_str()), 0);
    SDL_FreeSurface(s);
}

TEST_F(TextureTest, CreateTextureIsNearestFilteredWithTheGivenWrapAndHoldsTheBytes) {
    const uint8_t bytes[8] = {1, 2, 3, 4, 250, 251, 252, 253};
    GLuint id = CreateTexture(2, 1, bytes, GL_CLAMP);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(TextureParameter(id, GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(TextureParameter(id, GL_TEXTURE_WRAP_T), GL_CLAMP);
    EXPECT_EQ(TextureParameter(id, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(TextureParameter(id, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(TexturePixels(id, 2, 1), std::vector<uint8_t>(bytes, bytes + 8));
    glDeleteTextures(1, &id);
}

TEST_F(TextureTest, ARenderTargetIsZeroFilledAndNamedFromItsAddressAndSize) {
    Texture target(1024, 2);
    EXPECT_EQ(target.image_buffer, nullptr);
    EXPECT_EQ(target.width, 1024);
    EXPECT_EQ(target.height, 2);
    char expected[64];
    std::snprintf(expected, sizeof expected, "Texture %p (%d x %d)", static_cast<void*>(&target), 1024, 2);
    EXPECT_EQ(target.name, expected);
    ASSERT_NE(target.id, 0u);
    EXPECT_EQ(TextureParameter(target.id, GL_TEXTURE_WRAP_S), GL_CLAMP);
    std::vector<uint8_t> pixels = TexturePixels(target.id, 1024, 2);
    EXPECT_EQ(pixels, std::vector<uint8_t>(1024 * 2 * 4, 0));
}

TEST_F(TextureTest, UploadReplacesTheLevelZeroPixels) {
    Texture target(2, 2);
    const uint8_t bytes[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
    target.Upload(bytes);
    EXPECT_EQ(TexturePixels(target.id, 2, 2), std::vector<uint8_t>(bytes, bytes + 16));
}

TEST_F(TextureTest, AnImageFileDecodesTopRowFirstWithColoursMultipliedByAlpha) {
    TempDir dir;
    WriteTestPNG(dir.File("image.png"));
    Texture texture(dir.File("image.png").c_str());
    EXPECT_EQ(texture.name, dir.File("image.png"));
    ASSERT_NE(texture.image_buffer, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(texture.image_buffer->data), texture.image_buffer->length),
              dir.Read("image.png"));  // the file's bytes, as read
    ASSERT_NE(texture.id, 0u);
    EXPECT_EQ(texture.width, 2);
    EXPECT_EQ(texture.height, 2);
    EXPECT_EQ(TextureParameter(texture.id, GL_TEXTURE_WRAP_S), GL_CLAMP);
    std::vector<uint8_t> p = TexturePixels(texture.id, 2, 2);
    EXPECT_EQ(std::vector<uint8_t>(p.begin(), p.begin() + 4), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_NEAR(p[4], 200 * 128 / 255, 2);  // blended onto transparent black
    EXPECT_NEAR(p[5], 100 * 128 / 255, 2);
    EXPECT_NEAR(p[6], 50 * 128 / 255, 2);
    EXPECT_NEAR(p[7], 128, 1);
    EXPECT_EQ(std::vector<uint8_t>(p.begin() + 8, p.end()),
              (std::vector<uint8_t>{0, 255, 0, 255, 0, 0, 255, 255}));
}

TEST_F(TextureTest, AnImageWithoutAlphaArrivesOpaque) {
    TempDir dir;
    SDL_Surface* s = SDL_CreateRGBSurface(0, 1, 1, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    static_cast<uint8_t*>(s->pixels)[0] = 10;
    static_cast<uint8_t*>(s->pixels)[1] = 20;
    static_cast<uint8_t*>(s->pixels)[2] = 30;
    ASSERT_EQ(SDL_SaveBMP(s, dir.File("rgb.bmp").c_str()), 0);
    SDL_FreeSurface(s);
    Texture texture(dir.File("rgb.bmp").c_str());
    ASSERT_NE(texture.id, 0u);
    EXPECT_EQ(TexturePixels(texture.id, 1, 1), (std::vector<uint8_t>{10, 20, 30, 255}));
}

TEST_F(TextureTest, BytesThatAreNoImageKeepNameAndBytesWithSizeAndIdZeroAndSayWhy) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("notes.txt", "not an image at all"));
    std::string reason;
    testing::internal::CaptureStderr();
    Texture texture(dir.File("notes.txt").c_str(), &reason);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(texture.name, dir.File("notes.txt"));
    ASSERT_NE(texture.image_buffer, nullptr);
    EXPECT_EQ(texture.image_buffer->length, 19u);
    EXPECT_EQ(texture.id, 0u);
    EXPECT_EQ(texture.width, 0);
    EXPECT_EQ(texture.height, 0);
    EXPECT_EQ(reason, "not an image format Velmara reads (PNG, JPEG, BMP, GIF, WEBP)");
    EXPECT_EQ(said, dir.File("notes.txt") + ": " + reason + "\n");
    EXPECT_FALSE(texture.LoadImage());
}

TEST_F(TextureTest, ABlueImageInEachFormatVelmaraReadsArrivesBlue) {
    struct Case {
        const char* sample;
        uint8_t blue, alpha;  // of every pixel; a half-transparent one is blended onto transparent black
        int tolerance;        // for lossy formats
    } cases[] = {
        {"image-blue.png", 255, 255, 0},  {"image-blue.bmp", 255, 255, 0},
        {"image-blue.jpg", 255, 255, 8},  {"image-blue.gif", 255, 255, 0},
        {"image-blue.webp", 255, 255, 8}, {"image-blue-lossless.webp", 255, 255, 0},
        {"image-blue-alpha.webp", 128, 128, 3},
    };
    for (const Case& c : cases) {
        Texture texture(samples::MediaSamplePath(c.sample).c_str());
        ASSERT_NE(texture.id, 0u) << c.sample;
        ASSERT_EQ(texture.width, 4) << c.sample;
        ASSERT_EQ(texture.height, 4) << c.sample;
        std::vector<uint8_t> pixels = TexturePixels(texture.id, 4, 4);
        const int expected[4] = {0, 0, c.blue, c.alpha};
        for (size_t i = 0; i < pixels.size(); ++i) EXPECT_NEAR(pixels[i], expected[i % 4], c.tolerance) << c.sample << i;
    }
}

// What SDL_image's own GIF decoder gives, blitted onto transparent black as
// other formats are: the picture a GIF texture has always had.
static std::vector<uint8_t> SDLImageGIFPixels(const std::string& bytes, int* w, int* h) {
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SDL_Surface* image = IMG_LoadGIF_RW(stream);
    SDL_RWclose(stream);
    if (!image) return {};
    SDL_Surface* rgba = SDL_CreateRGBSurface(0, image->w, image->h, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    SDL_UpperBlit(image, nullptr, rgba, nullptr);
    *w = rgba->w;
    *h = rgba->h;
    std::vector<uint8_t> pixels(static_cast<uint8_t*>(rgba->pixels),
                                static_cast<uint8_t*>(rgba->pixels) + rgba->w * rgba->h * 4);
    SDL_FreeSurface(rgba);
    SDL_FreeSurface(image);
    return pixels;
}

TEST_F(TextureTest, AGIFIsItsFirstFrameAloneAtItsOwnSizeWithTransparentPixelsClearAsBefore) {
    // A transparent colour; a 4 x 4 frame at 2, 2 on an 8 x 8 screen; a blue frame, then a red one.
    for (const char* sample : {"image-transparent.gif", "image-frame.gif", "image-two-frames.gif"}) {
        Texture texture(samples::MediaSamplePath(sample).c_str());
        int w = 0, h = 0;
        std::vector<uint8_t> before = SDLImageGIFPixels(samples::MediaSample(sample), &w, &h);
        ASSERT_EQ(texture.width, w) << sample;
        ASSERT_EQ(texture.height, h) << sample;
        EXPECT_EQ(TexturePixels(texture.id, w, h), before) << sample;
    }
    Texture transparent(samples::MediaSamplePath("image-transparent.gif").c_str());
    EXPECT_EQ(TexturePixels(transparent.id, 4, 4)[5 * 4 + 3], 0);  // a pixel of the hole
}

TEST_F(TextureTest, AFileThatCannotBeReadGivesATextureWithoutBytesOrPicture) {
    TempDir dir;
    Texture texture(dir.File("missing.png").c_str());
    EXPECT_EQ(texture.name, dir.File("missing.png"));
    ASSERT_NE(texture.image_buffer, nullptr);
    EXPECT_EQ(texture.image_buffer->length, 0u);
    EXPECT_EQ(texture.id, 0u);
    EXPECT_EQ(texture.width, 0);
}

TEST_F(TextureTest, APickedPathWithABackslashIsReadWithASlash) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.File("resources").c_str(), 0755), 0);
    WriteTestPNG(dir.File("resources/pic.png"));
    std::string stored = dir.Path() + "/resources\\pic.png";
    Texture texture(stored.c_str());
    EXPECT_EQ(texture.name, stored);  // the stored name is unchanged
    EXPECT_EQ(texture.width, 2);
}

TEST_F(TextureTest, LoadImageAgainReplacesThePictureWithoutLeakingTheOldTexture) {
    TempDir dir;
    WriteTestPNG(dir.File("image.png"));
    Texture texture(dir.File("image.png").c_str());
    GLuint first = texture.id;
    texture.LoadImage();
    EXPECT_NE(texture.id, 0u);
    EXPECT_EQ(texture.width, 2);
    if (texture.id != first) {
        EXPECT_FALSE(glIsTexture(first));
    }
}
