// Skin test support: see skin_test_env.h.
#include "skin_test_env.h"

#include "test_support.h"

using testing_support::ColoursNear;

namespace skintest {

bool UseSkin(const wchar_t* archive) {
    std::wstring dir = testing_support::ModuleDir() + L"\\";
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath(dir.c_str());
    CPaintManagerUI::SetResourceZip(archive);
    return testing_support::Exists(dir + archive);
}

bool Open(skinshot::CSkinWindow& window, int x, int y, bool visible) {
    return window.Open(nullptr, x, y, visible) && PumpUntil([&] { return window.Root()->GetPos().right > 0; });
}

bool LoadSkinPicture(const wchar_t* name, skinshot::Image* out) {
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!CPaintManagerUI::LoadResourceData(name, &data, &size)) return false;
    bool ok = skinshot::DecodePicture(data, size, out);
    CPaintManagerUI::FreeResourceData(data);
    return ok;
}

int CountMismatches(const skinshot::Image& shot, POINT at, const skinshot::Image& sprite, const RECT& source,
                    int tolerance) {
    int compared = 0, mismatches = 0;
    for (int y = source.top; y < source.bottom; ++y) {
        for (int x = source.left; x < source.right; ++x) {
            if (x >= sprite.width || y >= sprite.height) continue;
            uint32_t want = sprite.At(x, y);
            if ((want >> 24) != 0xFF) continue;
            int sx = at.x + x - source.left, sy = at.y + y - source.top;
            if (sx < 0 || sy < 0 || sx >= shot.width || sy >= shot.height) continue;
            ++compared;
            if (!ColoursNear(shot.At(sx, sy), want, tolerance)) ++mismatches;
        }
    }
    return compared == 0 ? -1 : mismatches;
}

int CountDifferences(const skinshot::Image& a, const skinshot::Image& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) n += !ColoursNear(a.pixels[i], b.pixels[i], 24);
    return n;
}

std::string Describe(const RECT& rc) {
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

} // namespace skintest
