// A PNG picture loaded from disk into a 32-bit top-down DIB section with
// premultiplied alpha, ready for AlphaBlend. The object owns the bitmap.
//
// Load returns false (and leaves the image empty) when the file is missing,
// unreadable, larger than 16 MB or not a PNG that stb_image can decode. The
// file is a picture for 96 DPI: at another `dpi` it is resized once, with a
// smoothing filter, to its size scaled by that DPI (display_scaling.h).
// LayoutWidth/LayoutHeight are the file's size, Width/Height the size drawn.
// Draw does nothing for an empty image; it blends the whole picture at
// (x, y) with per-pixel alpha.
#pragma once

#include <windows.h>

#include <string>

#include "gdi_handles.h"

class PngImage {
public:
    bool Load(const std::wstring& path, UINT dpi);
    bool Empty() const { return !m_bitmap; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int LayoutWidth() const { return m_layoutWidth; }
    int LayoutHeight() const { return m_layoutHeight; }
    void Draw(HDC dc, int x, int y) const;

private:
    GdiObject<HBITMAP> m_bitmap;
    int m_width = 0;
    int m_height = 0;
    int m_layoutWidth = 0;
    int m_layoutHeight = 0;
};
