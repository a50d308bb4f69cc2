// Image: an RGBA picture in memory, and the ways the screenshot tool and the
// skin tests get one: a window's own rendering (through its paint manager),
// the screen under a rectangle, a picture file decoded with stb_image. PNG
// files are written with stb_image_write.
//
// Contract
//   - Pixels are 0xAARRGGBB, top-down rows, straight (not premultiplied)
//     alpha. An Image owns its pixels.
//   - Every function returns false on failure (nothing drawn, bad picture,
//     file not writable) and leaves the output image empty then.
//   - RenderWindow runs on the window's interface thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CPaintManagerUI;

namespace skinshot {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    bool Empty() const { return width <= 0 || height <= 0; }
    void Reset(int w, int h, uint32_t fill = 0);
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    // A copy of the rectangle (clamped to the image).
    Image Crop(const RECT& rc) const;
};

// Paints the manager's whole control tree (laid out first if needed) into
// an opaque image of the window's client size.
bool RenderWindow(CPaintManagerUI& manager, Image* out);

// Copies src onto dst with its top-left corner at x,y (clipped).
void Paste(Image& dst, const Image& src, int x, int y);

// Makes transparent every pixel outside the window's region (as set with
// SetWindowRgn); a window without a region keeps every pixel.
void MaskWithWindowRegion(Image& image, HWND hwnd);

// What the screen shows in the rectangle (screen coordinates).
bool CaptureScreen(const RECT& rc, Image* out);

// Decodes a PNG, JPEG or GIF held in memory.
bool DecodePicture(const void* data, size_t size, Image* out);

// Writes the image as a PNG file.
bool WritePng(const std::wstring& path, const Image& image);

} // namespace skinshot
