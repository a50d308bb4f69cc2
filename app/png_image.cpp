// PNG decoding (stb_image) into premultiplied DIB sections, resized for the
// display's DPI (see png_image.h).
#include "png_image.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "display_scaling.h"
#include "png_decode.h"
#include "resample.h"

namespace {

constexpr DWORD kMaxFileBytes = 16u * 1024 * 1024;

bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>* bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = false;
    const DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && size > 0 && size <= kMaxFileBytes) {
        bytes->resize(size);
        DWORD got = 0;
        ok = ReadFile(file, bytes->data(), size, &got, nullptr) && got == size;
    }
    CloseHandle(file);
    return ok;
}

} // namespace

bool PngImage::Load(const std::wstring& path, UINT dpi) {
    m_bitmap.Reset();
    m_width = m_height = m_layoutWidth = m_layoutHeight = 0;
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, &bytes)) return false;
    int w = 0, h = 0;
    StbPixels rgba = DecodePngRgba(bytes.data(), static_cast<int>(bytes.size()), &w, &h);
    if (!rgba || w <= 0 || h <= 0 || w > 4096 || h > 4096) return false;

    // BGRA, premultiplied, at the file's size.
    std::vector<unsigned char> bgra(static_cast<size_t>(w) * h * 4);
    const unsigned char* src = rgba.get();
    for (size_t i = 0; i < bgra.size(); i += 4) {
        const unsigned a = src[i + 3];
        bgra[i + 0] = static_cast<unsigned char>(src[i + 2] * a / 255);  // blue
        bgra[i + 1] = static_cast<unsigned char>(src[i + 1] * a / 255);  // green
        bgra[i + 2] = static_cast<unsigned char>(src[i + 0] * a / 255);  // red
        bgra[i + 3] = static_cast<unsigned char>(a);
    }
    const int dw = display::ScaleByDpi(w, dpi), dh = display::ScaleByDpi(h, dpi);
    if (dw <= 0 || dh <= 0 || dw > 16384 || dh > 16384) return false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = dw;
    info.bmiHeader.biHeight = -dh;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return false;
    unsigned char* dst = static_cast<unsigned char*>(bits);
    if (dw == w && dh == h) {
        std::copy(bgra.begin(), bgra.end(), dst);
    } else {
        pixels::Resample(bgra.data(), w, h, w * 4, dst, dw, dh);
    }
    GdiFlush();
    m_bitmap = std::move(bitmap);
    m_width = dw;
    m_height = dh;
    m_layoutWidth = w;
    m_layoutHeight = h;
    return true;
}

void PngImage::Draw(HDC dc, int x, int y) const {
    if (!m_bitmap) return;
    MemoryDc source(dc);
    SelectObjectScope select(source.Get(), m_bitmap.Get());
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, m_width, m_height, source.Get(), 0, 0, m_width, m_height, blend);
}
