// The one door to stb_image in this program: decodes a PNG held in memory into
// 8-bit RGBA rows, top row first. Returns an owning pointer (empty on any
// decoding error) and the picture's size through `width` and `height`.
//
// ResizePremultiplied (stb_image_resize, its default smoothing filter, edges
// repeated): 4-byte pixels with premultiplied alpha in the fourth byte, rows
// packed, from `src` (w x h) into `dst` (dw x dh, which the caller owns);
// no colour of the result exceeds its alpha.
// False when the sizes are not positive.
#pragma once

#include <memory>

struct StbPixelsFree {
    void operator()(unsigned char* pixels) const;
};
using StbPixels = std::unique_ptr<unsigned char, StbPixelsFree>;

StbPixels DecodePngRgba(const unsigned char* bytes, int size, int* width, int* height);

bool ResizePremultiplied(const unsigned char* src, int w, int h, unsigned char* dst, int dw, int dh);
