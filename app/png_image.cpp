// PNG decoding (stb_image) into premultiplied DIB sections (see png_image.h).
#include "png_image.h"

#include <utility>
#include <vector>

#include "png_decode.h"

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

bool PngImage::Load(const std::wstring& path) {
    m_bitmap.Reset();
    m_width = m_height = 0;
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, &bytes)) return false;
    int w = 0, h = 0;
    StbPixels rgba = DecodePngRgba(bytes.data(), static_cast<int>(bytes.size()), &w, &h);
    if (!rgba || w <= 0 || h <= 0 || w > 4096 || h > 4096) return false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return false;

    const unsigned char* src = rgba.get();
    unsigned char* dst = static_cast<unsigned char*>(bits);
    for (int i = 0; i < w * h; ++i, src += 4, dst += 4) {
        const unsigned a = src[3];
        dst[0] = static_cast<unsigned char>(src[2] * a / 255);  // blue
        dst[1] = static_cast<unsigned char>(src[1] * a / 255);  // green
        dst[2] = static_cast<unsigned char>(src[0] * a / 255);  // red
        dst[3] = static_cast<unsigned char>(a);
    }
    GdiFlush();
    m_bitmap = std::move(bitmap);
    m_width = w;
    m_height = h;
    return true;
}

void PngImage::Draw(HDC dc, int x, int y) const {
    if (!m_bitmap) return;
    MemoryDc source(dc);
    SelectObjectScope select(source.Get(), m_bitmap.Get());
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, m_width, m_height, source.Get(), 0, 0, m_width, m_height, blend);
}
