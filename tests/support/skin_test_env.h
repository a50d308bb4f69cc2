// What the tests of the real skin archives share besides the window
// library's test support (dui_test_support.h, which points the library at
// Uninstall.DAT or VELTSetupDate.DAT beside the test program): comparing
// rendered pixels with sprite rectangles. Windows of the archives' layouts,
// their pictures and message pumps come from the skin library (skin/shot).
#pragma once

#include <windows.h>

#include "dui_test_support.h"
#include "image.h"

namespace skintest {

// Compares the shot at `at` with the `source` rectangle of `sprite`, over
// the sprite's fully opaque pixels only; returns how many differ by more
// than `tolerance` in any channel (or -1 when no pixel was compared).
int CountMismatches(const skinshot::Image& shot, POINT at, const skinshot::Image& sprite, const RECT& source,
                    int tolerance = 3);

} // namespace skintest
