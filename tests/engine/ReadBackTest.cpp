// Reading the back buffer into an image surface for the video-frame export:
// upright and unsheared whatever the width's padding.
#include <gtest/gtest.h>

#include "ReadBack.h"
#include "RenderHelpers.h"

using testrender::RenderTest;

using ReadBackTest = RenderTest;

namespace {

// Clears a rectangle of the back buffer (GL coordinates, y from the bottom).
void Fill(int x, int y, int w, int h, float r, float g, float b) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, w, h);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

struct RGB {
    int r, g, b;
};

RGB At(SDL_Surface* s, int x, int y) {
    const uint8_t* p = static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * 3;
    return {p[0], p[1], p[2]};
}

}  // namespace

TEST_F(ReadBackTest, TheSurfaceIsUprightAndUnshearedForEveryRowPadding) {
    // Rows of 3 bytes per pixel are padded to 4: each width below pads differently.
    for (int width : {64, 63, 62, 61}) {
        for (int height : {48, 47}) {
            g_screen_size->width = width;
            g_screen_size->height = height;
            testgl::Clear(0, 0, 0, 1);
            Fill(0, height - 1, width, 1, 0, 1, 0);  // the top row green
            Fill(0, 0, width, 1, 1, 0, 0);           // the bottom row red
            Fill(0, 1, 1, height - 2, 0, 0, 1);      // the left column blue between them
            Fill(width - 1, 1, 1, height - 2, 1, 1, 1);  // the right column white

            SDL_Surface* surface = ReadBackBufferToSurface();
            ASSERT_NE(surface, nullptr);
            EXPECT_EQ(surface->w, width);
            EXPECT_EQ(surface->h, height);
            EXPECT_EQ(surface->format->BitsPerPixel, 24);
            SCOPED_TRACE(testing::Message() << width << " x " << height);
            for (int x : {0, width / 2, width - 1}) {
                RGB top = At(surface, x, 0);
                RGB bottom = At(surface, x, height - 1);
                EXPECT_EQ(top.g, 255);
                EXPECT_EQ(top.r, 0);
                EXPECT_EQ(bottom.r, 255);
                EXPECT_EQ(bottom.g, 0);
            }
            for (int y = 1; y < height - 1; ++y) {
                RGB left = At(surface, 0, y);
                RGB middle = At(surface, width / 2, y);
                RGB right = At(surface, width - 1, y);
                ASSERT_EQ(left.b, 255) << "row " << y;
                ASSERT_EQ(left.r, 0) << "row " << y;
                ASSERT_EQ(middle.r + middle.g + middle.b, 0) << "row " << y;
                ASSERT_EQ(right.r + right.g + right.b, 3 * 255) << "row " << y;
            }
            SDL_FreeSurface(surface);
        }
    }
}

TEST_F(ReadBackTest, AnOddMiddleRowStaysInPlace) {
    g_screen_size->width = 8;
    g_screen_size->height = 3;
    testgl::Clear(0, 0, 0, 1);
    Fill(0, 1, 8, 1, 1, 0, 1);  // the middle of three rows magenta
    Fill(0, 2, 8, 1, 0, 1, 0);  // the top row green
    SDL_Surface* surface = ReadBackBufferToSurface();
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(At(surface, 3, 0).g, 255);
    EXPECT_EQ(At(surface, 3, 1).r, 255);
    EXPECT_EQ(At(surface, 3, 1).b, 255);
    EXPECT_EQ(At(surface, 3, 2).r + At(surface, 3, 2).g + At(surface, 3, 2).b, 0);
    SDL_FreeSurface(surface);
}

TEST_F(ReadBackTest, NoScreenGivesNoSurface) {
    g_screen_size->width = 0;
    EXPECT_EQ(ReadBackBufferToSurface(), nullptr);
}
