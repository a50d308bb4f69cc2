// Skin test support: see skin_test_env.h.
#include "skin_test_env.h"

#include "UIlib.h"
#include "test_support.h"

namespace skintest {

bool UseSkin(const wchar_t* archive) {
    const std::wstring dir = testing_support::ModuleDir() + L"\\";
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath(dir.c_str());
    CPaintManagerUI::SetResourceZip(archive);
    return testing_support::Exists(dir + archive);
}

int CountMismatches(const skinshot::Image& shot, POINT at, const skinshot::Image& sprite, const RECT& source,
                    int tolerance) {
    int compared = 0, mismatches = 0;
    for (int y = source.top; y < source.bottom; ++y) {
        for (int x = source.left; x < source.right; ++x) {
            const int sx = at.x + x - source.left, sy = at.y + y - source.top;
            if (x >= sprite.width || y >= sprite.height || (sprite.At(x, y) >> 24) != 0xFF || sx < 0 || sy < 0 ||
                sx >= shot.width || sy >= shot.height)
                continue;
            ++compared;
            mismatches += !testing_support::ColoursNear(shot.At(sx, sy), sprite.At(x, y), tolerance);
        }
    }
    return compared == 0 ? -1 : mismatches;
}

} // namespace skintest
