// Skin test support: see skin_test_env.h.
#include "skin_test_env.h"

namespace skintest {

int CountMismatches(const skinshot::Image& shot, POINT at, const skinshot::Image& sprite, const RECT& source,
                    int tolerance) {
    const skinshot::Image want = sprite.Crop(source);
    const skinshot::Image got = shot.Crop({at.x, at.y, at.x + want.width, at.y + want.height});
    int compared = 0, mismatches = 0;
    for (size_t i = 0; got.width == want.width && got.height == want.height && i < want.pixels.size(); ++i) {
        if ((want.pixels[i] >> 24) != 0xFF) continue;
        ++compared;
        mismatches += !testing_support::ColoursNear(got.pixels[i], want.pixels[i], tolerance);
    }
    return compared == 0 ? -1 : mismatches;
}

} // namespace skintest
