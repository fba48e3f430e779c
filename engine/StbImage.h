// StbImage: the GIF decoder. stb_image's, from the distribution's header,
// compiled into the engine with its GIF reader only; every stb symbol stays
// inside StbImage.cpp, so none meets the libstb that Dear ImGui may link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ImageCheck.h"

// The first frame of a GIF as RGBA bytes, row 0 first, at the frame's own
// size (its place on the logical screen plays no part): transparent pixels
// are 0, 0, 0, 0 and every other pixel is opaque. Only for bytes that
// CheckImage accepted as a GIF, with its claim. Null on failure, with the
// reason in *reason; release the bytes with FreeGIFFrame.
uint8_t* DecodeGIFFrame(const uint8_t* bytes, size_t length, const ImageClaim& claim, int* width, int* height,
                        std::string* reason);
void FreeGIFFrame(uint8_t* rgba);
