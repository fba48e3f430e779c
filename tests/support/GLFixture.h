// A real OpenGL context for tests: one hidden SDL window per test binary,
// requested exactly as start-up requests it, so tests draw for real and read
// pixels back. The screen size is set to the window's size.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

namespace testgl {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// Creates the window and context on first use (SDL video and events only);
// later calls return at once. Fails the current test when no context can be made.
void EnsureContext();
SDL_Window* Window();

// Clears the back buffer to the colour.
void Clear(float r, float g, float b, float a);
// The RGBA pixel of the back buffer at (x, y), y counted from the bottom.
struct Pixel {
    uint8_t r, g, b, a;
};
Pixel ReadPixel(int x, int y);

}  // namespace testgl

// Test fixture: every test of a suite derived from GLTest has the context current.
#include <gtest/gtest.h>
class GLTest : public ::testing::Test {
protected:
    void SetUp() override { testgl::EnsureContext(); }
};
