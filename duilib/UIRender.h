// Drawing helpers and attribute parsing shared by the controls.
//
// Pictures are decoded with stb_image into 32-bit, premultiplied, top-down
// DIB sections (DecodeImage; the caller owns the HBITMAP). DrawImage blends
// them with per-pixel alpha (GdiAlphaBlend, gdi32's own AlphaBlend), optionally stretched with fixed
// corners. Colours are 0xAARRGGBB; DrawColor blends translucent ones.
// Text goes through DrawTextW with the given font. Parse* accept the layout
// dialect's notation and return zero values for malformed input.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace duirender {

struct Image {
    HBITMAP hbm = NULL;
    int width = 0;
    int height = 0;
};

bool DecodeImage(const std::vector<BYTE>& data, Image* out);

// A parsed image string: file='..' source='l,t,r,b' dest='l,t,r,b'
// corner='l,t,r,b' fade='0..255'; a string without '=' is a bare file name.
struct ImageSpec {
    std::wstring file;
    RECT source = {0, 0, 0, 0};   // all zero: the whole picture
    RECT dest = {0, 0, 0, 0};     // all zero: the whole control
    RECT corner = {0, 0, 0, 0};
    BYTE fade = 255;
    bool hasSource = false;
    bool hasDest = false;
};
bool ParseImageString(const wchar_t* s, ImageSpec* out);

// Blends rcSrc of the image into rcDest; corners of `corner` size keep
// their size, the middle stretches.
void DrawImage(HDC hDC, const Image& img, const RECT& rcDest, const RECT& rcSrc, const RECT& corner, BYTE fade);
// A new picture of width x height from `part` of `img` (inside it), resized
// with a smoothing filter (common/resample.h: Catmull-Rom up, area average down,
// the part's edges repeated), alpha kept premultiplied. With a nine-grid
// `corner` (in the part's pixels) each of its nine cells is resized on its
// own, the corners to exactly `cornerTo`, so that no cell takes in its
// neighbour's pixels (a grid that does not fit either size is one cell). The
// caller owns out->hbm. False, with nothing made, for an empty or outside part.
bool ScaleImage(const Image& img, const RECT& part, int width, int height, Image* out,
                const RECT& corner = RECT{0, 0, 0, 0}, const RECT& cornerTo = RECT{0, 0, 0, 0});
void DrawColor(HDC hDC, const RECT& rc, DWORD argb);
void DrawBorder(HDC hDC, const RECT& rc, int size, DWORD argb, SIZE round);
void DrawText(HDC hDC, const RECT& rc, const wchar_t* text, DWORD argb, HFONT font, UINT style);
// A dotted one-pixel rectangle in argb: inside rc, or around it when rc is
// smaller than 20 pixels either way.
void DrawFocusFrame(HDC hDC, const RECT& rc, DWORD argb);

DWORD ParseColor(const wchar_t* s);
RECT ParseRect(const wchar_t* s);
SIZE ParseSize(const wchar_t* s);
bool ParseBool(const wchar_t* s);
int ParseInt(const wchar_t* s);

// True when the font draws a real glyph for every character of `probe`.
bool FontHasGlyphs(HFONT font, const wchar_t* probe);

} // namespace duirender
