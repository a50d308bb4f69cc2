// What the tests of the real skin archives share: pointing the window library
// at a skin archive (Uninstall.DAT, VELTSetupDate.DAT) that the build put
// beside the test program, opening a window of one of its layouts, pumping
// messages the way the programs' loop does, reading its pictures, and
// comparing rendered pixels with sprite rectangles.
#pragma once

#include <windows.h>

#include <string>

#include "UIlib.h"
#include "image.h"
#include "message_pump.h"
#include "skin_window.h"

namespace skintest {

// Sets the library up for the skin archive of that name beside the test
// program; false when the archive is not there.
bool UseSkin(const wchar_t* archive);
inline bool UseUninstallSkin() { return UseSkin(L"Uninstall.DAT"); }
inline bool UseSetupSkin() { return UseSkin(L"VELTSetupDate.DAT"); }

// Handles what this thread has queued, through the library's own
// pre-translation as the programs' message loop does.
inline void Pump() { testing_support::PumpPending(&CPaintManagerUI::TranslateMessage); }
template <typename Done>
bool PumpUntil(Done done, DWORD ms = 3000)
{
    return testing_support::PumpUntil(done, ms, &CPaintManagerUI::TranslateMessage);
}

// Opens the window at x,y of the screen (shown unless `visible` is false:
// destroying a shown window costs about two seconds under Wine without a
// window manager) and waits for its first layout pass; false when the
// layout did not build or lay out.
bool Open(skinshot::CSkinWindow& window, int x = 30, int y = 30, bool visible = true);

// Decodes a picture of the current skin archive; false when it is missing.
bool LoadSkinPicture(const wchar_t* name, skinshot::Image* out);

// Compares the shot at `at` with the `source` rectangle of `sprite`, over
// the sprite's fully opaque pixels only; returns how many differ by more
// than `tolerance` in any channel (or -1 when no pixel was compared).
int CountMismatches(const skinshot::Image& shot, POINT at, const skinshot::Image& sprite, const RECT& source,
                    int tolerance = 3);

// How many pixels two equally sized images differ in.
int CountDifferences(const skinshot::Image& a, const skinshot::Image& b);

// "left,top,right,bottom", for comparing rectangles in test messages.
std::string Describe(const RECT& rc);

} // namespace skintest
