// Image: see image.h.
#include "image.h"

#include "UIlib.h"
#include "file_handle.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <algorithm>

namespace skinshot {

namespace {

// A 32-bit top-down DIB section selected into a memory DC; both released
// on destruction.
class DibCanvas {
public:
    DibCanvas(int w, int h) {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
        bmi.bmiHeader.biWidth = w;
        bmi.bmiHeader.biHeight = -h;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bitmap = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &m_bits, nullptr, 0);
        if (m_dc != nullptr && m_bitmap != nullptr) m_old = ::SelectObject(m_dc, m_bitmap);
        m_w = w;
        m_h = h;
    }
    ~DibCanvas() {
        if (m_old != nullptr) ::SelectObject(m_dc, m_old);
        if (m_bitmap != nullptr) ::DeleteObject(m_bitmap);
        if (m_dc != nullptr) ::DeleteDC(m_dc);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    bool Ok() const { return m_old != nullptr && m_bits != nullptr; }
    HDC Dc() const { return m_dc; }
    // Copies the pixels out as opaque 0xFFRRGGBB.
    void CopyOpaque(Image* out) const {
        ::GdiFlush();
        out->Reset(m_w, m_h);
        const uint32_t* src = static_cast<const uint32_t*>(m_bits);
        for (size_t i = 0; i < out->pixels.size(); ++i) out->pixels[i] = src[i] | 0xFF000000u;
    }
    void Fill(uint32_t value) {
        uint32_t* p = static_cast<uint32_t*>(m_bits);
        std::fill(p, p + static_cast<size_t>(m_w) * m_h, value);
    }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    void* m_bits = nullptr;
    int m_w = 0;
    int m_h = 0;
};

// The device context of the whole screen, released on destruction.
class ScreenDc {
public:
    ScreenDc() : m_dc(::GetDC(nullptr)) {}
    ~ScreenDc() {
        if (m_dc != nullptr) ::ReleaseDC(nullptr, m_dc);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

// A region handle, deleted on destruction.
class Region {
public:
    Region() : m_rgn(::CreateRectRgn(0, 0, 0, 0)) {}
    ~Region() {
        if (m_rgn != nullptr) ::DeleteObject(m_rgn);
    }
    Region(const Region&) = delete;
    Region& operator=(const Region&) = delete;
    HRGN Get() const { return m_rgn; }

private:
    HRGN m_rgn;
};

} // namespace

void Image::Reset(int w, int h, uint32_t fill) {
    width = std::max(w, 0);
    height = std::max(h, 0);
    pixels.assign(static_cast<size_t>(width) * height, fill);
}

Image Image::Crop(const RECT& rc) const {
    Image out;
    int l = std::max<int>(rc.left, 0), t = std::max<int>(rc.top, 0);
    int r = std::min<int>(rc.right, width), b = std::min<int>(rc.bottom, height);
    if (r <= l || b <= t) return out;
    out.Reset(r - l, b - t);
    for (int y = t; y < b; ++y) {
        for (int x = l; x < r; ++x) out.At(x - l, y - t) = At(x, y);
    }
    return out;
}

bool RenderWindow(CPaintManagerUI& manager, Image* out) {
    out->Reset(0, 0);
    HWND hwnd = manager.GetPaintWindow();
    if (hwnd == nullptr) return false;
    RECT client;
    ::GetClientRect(hwnd, &client);
    if (client.right <= 0 || client.bottom <= 0) return false;
    DibCanvas canvas(client.right, client.bottom);
    if (!canvas.Ok()) return false;
    canvas.Fill(0xFFFFFFFFu);
    manager.RenderTo(canvas.Dc());
    canvas.CopyOpaque(out);
    return true;
}

void Paste(Image& dst, const Image& src, int x, int y) {
    for (int sy = 0; sy < src.height; ++sy) {
        int dy = y + sy;
        if (dy < 0 || dy >= dst.height) continue;
        for (int sx = 0; sx < src.width; ++sx) {
            int dx = x + sx;
            if (dx < 0 || dx >= dst.width) continue;
            dst.At(dx, dy) = src.At(sx, sy);
        }
    }
}

void MaskWithWindowRegion(Image& image, HWND hwnd) {
    Region region;
    if (region.Get() == nullptr) return;
    int kind = ::GetWindowRgn(hwnd, region.Get());
    if (kind == ERROR || kind == NULLREGION) return;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (!::PtInRegion(region.Get(), x, y)) image.At(x, y) = 0;
        }
    }
}

bool CaptureScreen(const RECT& rc, Image* out) {
    out->Reset(0, 0);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return false;
    ScreenDc screen;
    if (screen.Get() == nullptr) return false;
    DibCanvas canvas(w, h);
    if (!canvas.Ok()) return false;
    if (!::BitBlt(canvas.Dc(), 0, 0, w, h, screen.Get(), rc.left, rc.top, SRCCOPY)) return false;
    canvas.CopyOpaque(out);
    return true;
}

bool DecodePicture(const void* data, size_t size, Image* out) {
    out->Reset(0, 0);
    if (data == nullptr || size == 0 || size > 0x7FFFFFFF) return false;
    int w = 0, h = 0, comp = 0;
    unsigned char* rgba =
        stbi_load_from_memory(static_cast<const stbi_uc*>(data), static_cast<int>(size), &w, &h, &comp, 4);
    if (rgba == nullptr) return false;
    out->Reset(w, h);
    for (size_t i = 0; i < out->pixels.size(); ++i) {
        const unsigned char* p = rgba + i * 4;
        out->pixels[i] = (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
    stbi_image_free(rgba);
    return true;
}

namespace {

void AppendBytes(void* context, void* data, int size) {
    auto* bytes = static_cast<std::string*>(context);
    bytes->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

} // namespace

bool WritePng(const std::wstring& path, const Image& image) {
    if (image.Empty()) return false;
    std::vector<unsigned char> rgba(image.pixels.size() * 4);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint32_t v = image.pixels[i];
        rgba[i * 4 + 0] = static_cast<unsigned char>(v >> 16);
        rgba[i * 4 + 1] = static_cast<unsigned char>(v >> 8);
        rgba[i * 4 + 2] = static_cast<unsigned char>(v);
        rgba[i * 4 + 3] = static_cast<unsigned char>(v >> 24);
    }
    std::string png;
    if (!stbi_write_png_to_func(AppendBytes, &png, image.width, image.height, 4, rgba.data(), image.width * 4)) {
        return false;
    }
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file.Get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    return ok && written == png.size();
}

} // namespace skinshot
