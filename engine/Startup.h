// Pieces of start-up that tests reuse to get exactly the program's context.
#pragma once

// The GLSL version every shader and the UI renderer use.
constexpr const char* kGLSLVersion = "#version 150";

// The OpenGL context attributes: 3.0 core profile flag, double-buffered,
// 24-bit depth, 8-bit stencil. Call after SDL_Init, before creating the window.
void SetGLAttributes();
