// What the tests of the real skin archives share: pointing the window library
// at a skin archive (Uninstall.DAT, VELTSetupDate.DAT) that the build put
// beside the test program, and comparing rendered pixels with sprite
// rectangles. Windows of the archives' layouts, their pictures and message
// pumps come from the skin library (skin/shot).
#pragma once

#include <windows.h>

#include "image.h"

namespace skintest {

// Sets the library up for the skin archive of that name beside the test
// program; false when the archive is not there.
bool UseSkin(const wchar_t* archive);

// Compares the shot at `at` with the `source` rectangle of `sprite`, over
// the sprite's fully opaque pixels only; returns how many differ by more
// than `tolerance` in any channel (or -1 when no pixel was compared).
int CountMismatches(const skinshot::Image& shot, POINT at, const skinshot::Image& sprite, const RECT& source,
                    int tolerance = 3);

} // namespace skintest
