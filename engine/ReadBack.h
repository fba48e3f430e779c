// Reading the whole back buffer into an image, for the video-frame export.
#pragma once

#include <SDL.h>

// A new 24-bit surface (bytes R, G, B) of the screen size holding the back
// buffer top row first; the caller saves it and frees it with
// SDL_FreeSurface. Null when the surface cannot be made.
SDL_Surface* ReadBackBufferToSurface();
