// What the skin tests share: pointing the window library at a real skin
// archive (Uninstall.DAT, VELTSetupDate.DAT) that the build put beside the
// test program, reading its pictures, and comparing rendered pixels with
// sprite rectangles.
#pragma once

#include <windows.h>

#include <string>

#include "image.h"

namespace skintest {

// Sets the library up for the skin archive of that name beside the test
// program; false when the archive is not there.
bool UseSkin(const wchar_t* archive);
inline bool UseUninstallSkin() { return UseSkin(L"Uninstall.DAT"); }
inline bool UseSetupSkin() { return UseSkin(L"VELTSetupDate.DAT"); }

// Decodes a picture of the current skin archive; false when it is missing.
bool LoadSkinPicture(const wchar_t* name, skinshot::Image* out);

// Compares the shot at `at` with the `source` rectangle of `sprite`, over
// the sprite's fully opaque pixels only; returns how many differ by more
// than `tolerance` in any channel (or -1 when no pixel was compared).
int CountMismatches(const skinshot::Image& shot, POINT at, const skinshot::Image& sprite, const RECT& source,
                    int tolerance = 3);

// How many pixels of the rectangle of the shot are dark (text ink on a
// light background).
int CountInk(const skinshot::Image& shot, const RECT& rc);

// How many pixels two equally sized images differ in.
int CountDifferences(const skinshot::Image& a, const skinshot::Image& b);

// "left,top,right,bottom", for comparing rectangles in test messages.
std::string Describe(const RECT& rc);

} // namespace skintest
