// Images encoded in memory, for the video-frame export: a frame is made
// whole in memory and then saved as every file is.
#pragma once

#include <SDL.h>

#include <string>

// The surface as PNG bytes, made in memory with the same encoder a PNG file
// is written with; false (png empty) with the reason when it could not be
// made whole.
bool EncodePNG(SDL_Surface* surface, std::string* png, std::string* error);
