// The one door to stb_image in this program: decodes a PNG held in memory into
// 8-bit RGBA rows, top row first. Returns an owning pointer (empty on any
// decoding error) and the picture's size through `width` and `height`.
#pragma once

#include <memory>

struct StbPixelsFree {
    void operator()(unsigned char* pixels) const;
};
using StbPixels = std::unique_ptr<unsigned char, StbPixelsFree>;

StbPixels DecodePngRgba(const unsigned char* bytes, int size, int* width, int* height);
