// Drawing helpers and attribute parsing (see UIRender.h).
#include "UIRender.h"

#include "gdi_handles.h"

// stb_image for this file only (static functions, so that the compiler drops
// what is not called), from memory, for the four picture formats a skin may
// hold; no float conversions, and no failure texts (nobody asks for them).
// Its per-thread settings (flip, unpremultiply) are never set, so they are
// plain statics: a thread-local variable would bring in the runtime's
// emulated TLS and with it the whole POSIX thread library (about 32 KB).
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_FAILURE_STRINGS
#define STBI_NO_THREAD_LOCALS
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#include <stb_image.h>

#include "resample.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace duirender {
namespace {

HBITMAP CreateDib(int w, int h, BYTE** bits)
{
    BITMAPINFO bmi;
    ZeroMemory(&bmi, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* p = NULL;
    HBITMAP hbm = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &p, NULL, 0);
    *bits = static_cast<BYTE*>(p);
    return hbm;
}

void Blend(HDC hDC, HDC src, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, BYTE fade)
{
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
    GdiAlphaBlend(hDC, dx, dy, dw, dh, src, sx, sy, sw, sh, bf);
}

bool ReadQuoted(const wchar_t*& p, std::wstring* value)
{
    while (*p == L' ') ++p;
    wchar_t quote = *p;
    if (quote != L'\'' && quote != L'"') return false;
    ++p;
    const wchar_t* start = p;
    while (*p && *p != quote) ++p;
    value->assign(start, p - start);
    if (*p) ++p;
    return true;
}

} // namespace

bool DecodeImage(const std::vector<BYTE>& data, Image* out)
{
    *out = Image();
    if (data.empty() || data.size() > 0x7fffffff) return false;
    int w = 0, h = 0, n = 0;
    stbi_uc* px = stbi_load_from_memory(data.data(), static_cast<int>(data.size()), &w, &h, &n, 4);
    if (px == NULL) return false;
    BYTE* bits = NULL;
    HBITMAP hbm = (w > 0 && h > 0) ? CreateDib(w, h, &bits) : NULL;
    if (hbm == NULL) {
        stbi_image_free(px);
        return false;
    }
    // RGBA -> premultiplied BGRA.
    for (int i = 0; i < w * h; ++i) {
        const stbi_uc* s = px + i * 4;
        BYTE* d = bits + i * 4;
        unsigned a = s[3];
        d[0] = static_cast<BYTE>(s[2] * a / 255);
        d[1] = static_cast<BYTE>(s[1] * a / 255);
        d[2] = static_cast<BYTE>(s[0] * a / 255);
        d[3] = static_cast<BYTE>(a);
    }
    stbi_image_free(px);
    GdiFlush();
    out->hbm = hbm;
    out->width = w;
    out->height = h;
    return true;
}

bool ParseImageString(const wchar_t* s, ImageSpec* out)
{
    *out = ImageSpec();
    if (s == NULL || *s == L'\0') return false;
    if (wcschr(s, L'=') == NULL) {
        out->file = s;
        return true;
    }
    const wchar_t* p = s;
    while (*p) {
        while (*p == L' ' || *p == L'\t' || *p == L'\r' || *p == L'\n') ++p;
        if (!*p) break;
        const wchar_t* nameStart = p;
        while (*p && *p != L'=' && *p != L' ') ++p;
        std::wstring name(nameStart, p - nameStart);
        while (*p == L' ') ++p;
        if (*p != L'=') break;
        ++p;
        std::wstring value;
        if (!ReadQuoted(p, &value)) break;
        if (name == L"file") out->file = value;
        else if (name == L"source") {
            out->source = ParseRect(value.c_str());
            out->hasSource = true;
        } else if (name == L"dest") {
            out->dest = ParseRect(value.c_str());
            out->hasDest = true;
        } else if (name == L"corner") out->corner = ParseRect(value.c_str());
        else if (name == L"fade") {
            int f = ParseInt(value.c_str());
            out->fade = static_cast<BYTE>(f < 0 ? 0 : (f > 255 ? 255 : f));
        }
    }
    return !out->file.empty();
}

void DrawImage(HDC hDC, const Image& img, const RECT& rcDest, const RECT& rcSrcIn, const RECT& corner, BYTE fade)
{
    if (img.hbm == NULL) return;
    RECT rcSrc = rcSrcIn;
    if (rcSrc.left == 0 && rcSrc.top == 0 && rcSrc.right == 0 && rcSrc.bottom == 0) {
        rcSrc.right = img.width;
        rcSrc.bottom = img.height;
    }
    if (rcSrc.right > img.width) rcSrc.right = img.width;
    if (rcSrc.bottom > img.height) rcSrc.bottom = img.height;
    if (rcSrc.left < 0) rcSrc.left = 0;
    if (rcSrc.top < 0) rcSrc.top = 0;
    if (rcSrc.right <= rcSrc.left || rcSrc.bottom <= rcSrc.top) return;
    MemoryDc mem(hDC);
    if (mem.Get() == NULL) return;
    SelectObjectScope sel(mem.Get(), img.hbm);
    int dw = rcDest.right - rcDest.left, dh = rcDest.bottom - rcDest.top;
    int sw = rcSrc.right - rcSrc.left, sh = rcSrc.bottom - rcSrc.top;
    bool corners = corner.left || corner.top || corner.right || corner.bottom;
    if (!corners) {
        Blend(hDC, mem.Get(), rcDest.left, rcDest.top, dw, dh, rcSrc.left, rcSrc.top, sw, sh, fade);
        return;
    }
    // Nine pieces: the corners keep their size, edges stretch one way, the
    // middle both ways.
    int cl = corner.left, ct = corner.top, cr = corner.right, cb = corner.bottom;
    if (cl + cr > dw || cl + cr > sw || ct + cb > dh || ct + cb > sh) {
        Blend(hDC, mem.Get(), rcDest.left, rcDest.top, dw, dh, rcSrc.left, rcSrc.top, sw, sh, fade);
        return;
    }
    int dx[4] = {rcDest.left, rcDest.left + cl, rcDest.right - cr, rcDest.right};
    int dy[4] = {rcDest.top, rcDest.top + ct, rcDest.bottom - cb, rcDest.bottom};
    int sx[4] = {rcSrc.left, rcSrc.left + cl, rcSrc.right - cr, rcSrc.right};
    int sy[4] = {rcSrc.top, rcSrc.top + ct, rcSrc.bottom - cb, rcSrc.bottom};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            Blend(hDC, mem.Get(), dx[c], dy[r], dx[c + 1] - dx[c], dy[r + 1] - dy[r], sx[c], sy[r], sx[c + 1] - sx[c],
                  sy[r + 1] - sy[r], fade);
}

bool ScaleImage(const Image& img, const RECT& part, int width, int height, Image* out, const RECT& corner,
                const RECT& cornerTo)
{
    *out = Image();
    const int pw = part.right - part.left, ph = part.bottom - part.top;
    if (img.hbm == NULL || width <= 0 || height <= 0 || pw <= 0 || ph <= 0 || part.left < 0 || part.top < 0 ||
        part.right > img.width || part.bottom > img.height)
        return false;
    DIBSECTION dib;
    if (GetObjectW(img.hbm, sizeof(dib), &dib) != sizeof(dib) || dib.dsBm.bmBits == NULL) return false;
    GdiFlush();
    BYTE* bits = NULL;
    HBITMAP hbm = CreateDib(width, height, &bits);
    if (hbm == NULL) return false;
    const int stride = dib.dsBm.bmWidthBytes;
    const BYTE* from = static_cast<const BYTE*>(dib.dsBm.bmBits) + part.top * stride + part.left * 4;
    // The cells of the nine-grid (one cell without corners, or when they do
    // not fit on either side), each resized on its own.
    const bool grid = (corner.left || corner.top || corner.right || corner.bottom) &&
                      corner.left >= 0 && corner.top >= 0 && corner.right >= 0 && corner.bottom >= 0 &&
                      cornerTo.left >= 0 && cornerTo.top >= 0 && cornerTo.right >= 0 && cornerTo.bottom >= 0 &&
                      corner.left + corner.right < pw && corner.top + corner.bottom < ph &&
                      cornerTo.left + cornerTo.right < width && cornerTo.top + cornerTo.bottom < height;
    const int sx[4] = {0, grid ? corner.left : 0, grid ? pw - corner.right : pw, pw};
    const int sy[4] = {0, grid ? corner.top : 0, grid ? ph - corner.bottom : ph, ph};
    const int dx[4] = {0, grid ? cornerTo.left : 0, grid ? width - cornerTo.right : width, width};
    const int dy[4] = {0, grid ? cornerTo.top : 0, grid ? height - cornerTo.bottom : height, height};
    std::vector<BYTE> cell;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const int w = dx[c + 1] - dx[c], h = dy[r + 1] - dy[r];
            const int fw = sx[c + 1] - sx[c], fh = sy[r + 1] - sy[r];
            if (w <= 0 || h <= 0 || fw <= 0 || fh <= 0) continue;
            // BGRA, premultiplied; the edges of the cell are repeated, never
            // the neighbouring cell's or sprite's pixels.
            cell.resize(static_cast<size_t>(w) * h * 4);
            pixels::Resample(from + sy[r] * stride + sx[c] * 4, fw, fh, stride, cell.data(), w, h);
            for (int y = 0; y < h; ++y)
                memcpy(bits + (static_cast<size_t>(dy[r] + y) * width + dx[c]) * 4, cell.data() + static_cast<size_t>(y) * w * 4,
                       static_cast<size_t>(w) * 4);
        }
    }
    out->hbm = hbm;
    out->width = width;
    out->height = height;
    return true;
}

void DrawColor(HDC hDC, const RECT& rc, DWORD argb)
{
    BYTE a = static_cast<BYTE>(argb >> 24);
    if (a == 0 || rc.right <= rc.left || rc.bottom <= rc.top) return;
    BYTE r = static_cast<BYTE>(argb >> 16), g = static_cast<BYTE>(argb >> 8), b = static_cast<BYTE>(argb);
    if (a == 255) {
        GdiObject<HBRUSH> brush(CreateSolidBrush(RGB(r, g, b)));
        FillRect(hDC, &rc, brush.Get());
        return;
    }
    BYTE* bits = NULL;
    GdiObject<HBITMAP> dib(CreateDib(1, 1, &bits));
    if (dib.Get() == NULL) return;
    bits[0] = static_cast<BYTE>(b * a / 255);
    bits[1] = static_cast<BYTE>(g * a / 255);
    bits[2] = static_cast<BYTE>(r * a / 255);
    bits[3] = a;
    MemoryDc mem(hDC);
    SelectObjectScope sel(mem.Get(), dib.Get());
    Blend(hDC, mem.Get(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, 0, 0, 1, 1, 255);
}

void DrawBorder(HDC hDC, const RECT& rc, int size, DWORD argb, SIZE round)
{
    if (size <= 0 || (argb >> 24) == 0) return;
    COLORREF color = RGB(static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb));
    if (round.cx > 0 || round.cy > 0) {
        GdiObject<HPEN> pen(CreatePen(PS_INSIDEFRAME, size, color));
        SelectObjectScope sp(hDC, pen.Get());
        SelectObjectScope sb(hDC, GetStockObject(NULL_BRUSH));
        RoundRect(hDC, rc.left, rc.top, rc.right, rc.bottom, round.cx, round.cy);
        return;
    }
    DWORD opaque = argb | 0xFF000000;
    RECT edges[4] = {{rc.left, rc.top, rc.right, rc.top + size},
                     {rc.left, rc.bottom - size, rc.right, rc.bottom},
                     {rc.left, rc.top, rc.left + size, rc.bottom},
                     {rc.right - size, rc.top, rc.right, rc.bottom}};
    for (const RECT& e : edges) DrawColor(hDC, e, opaque);
}

void DrawText(HDC hDC, const RECT& rcIn, const wchar_t* text, DWORD argb, HFONT font, UINT style)
{
    if (text == NULL || *text == L'\0') return;
    RECT rc = rcIn;
    int oldMode = SetBkMode(hDC, TRANSPARENT);
    COLORREF oldColor =
        SetTextColor(hDC, RGB(static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb)));
    HGDIOBJ oldFont = font ? SelectObject(hDC, font) : NULL;
    ::DrawTextW(hDC, text, -1, &rc, style | DT_NOPREFIX);
    if (oldFont) SelectObject(hDC, oldFont);
    SetTextColor(hDC, oldColor);
    SetBkMode(hDC, oldMode);
}

void DrawFocusFrame(HDC hDC, const RECT& rc, DWORD color)
{
    // Inside a button that is big enough for it, around a small one (a check
    // box of 14 pixels).
    RECT r = rc;
    const int inset = (rc.right - rc.left >= 20 && rc.bottom - rc.top >= 20) ? 2 : -2;
    InflateRect(&r, -inset, -inset);
    if (r.right - r.left < 2 || r.bottom - r.top < 2) return;
    const COLORREF c = RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
    // Every other pixel, one pixel wide, as the system's own focus rectangle.
    for (int x = r.left; x < r.right; x += 2) {
        SetPixelV(hDC, x, r.top, c);
        SetPixelV(hDC, x, r.bottom - 1, c);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
        SetPixelV(hDC, r.left, y, c);
        SetPixelV(hDC, r.right - 1, y, c);
    }
}

DWORD ParseColor(const wchar_t* s)
{
    if (s == NULL) return 0;
    while (*s == L' ' || *s == L'#') ++s;
    if (s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) s += 2;
    wchar_t* end = NULL;
    unsigned long v = wcstoul(s, &end, 16);
    size_t digits = end - s;
    if (digits == 6) v |= 0xFF000000UL;
    return static_cast<DWORD>(v);
}

RECT ParseRect(const wchar_t* s)
{
    RECT rc = {0, 0, 0, 0};
    if (s == NULL) return rc;
    LONG* f[4] = {&rc.left, &rc.top, &rc.right, &rc.bottom};
    const wchar_t* p = s;
    for (int i = 0; i < 4 && *p; ++i) {
        wchar_t* end = NULL;
        *f[i] = wcstol(p, &end, 10);
        if (end == p) break;
        p = end;
        while (*p == L',' || *p == L' ') ++p;
    }
    return rc;
}

SIZE ParseSize(const wchar_t* s)
{
    SIZE sz = {0, 0};
    if (s == NULL) return sz;
    wchar_t* end = NULL;
    sz.cx = wcstol(s, &end, 10);
    if (end && *end == L',') sz.cy = wcstol(end + 1, &end, 10);
    return sz;
}

bool ParseBool(const wchar_t* s)
{
    return s != NULL && (_wcsicmp(s, L"true") == 0 || wcscmp(s, L"1") == 0);
}

int ParseInt(const wchar_t* s)
{
    return s ? static_cast<int>(wcstol(s, NULL, 10)) : 0;
}

bool FontHasGlyphs(HFONT font, const wchar_t* probe)
{
    HDC dc = GetDC(NULL);
    if (dc == NULL) return false;
    bool ok = false;
    {
        SelectObjectScope sel(dc, font);
        int n = static_cast<int>(wcslen(probe));
        std::vector<WORD> idx(n + 1);
        if (GetGlyphIndicesW(dc, probe, n, idx.data(), GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR) {
            ok = true;
            for (int i = 0; i < n; ++i)
                if (idx[i] == 0xFFFF || idx[i] == 0) ok = false;
        }
    }
    ReleaseDC(NULL, dc);
    return ok;
}

} // namespace duirender
