// Display scaling, for every program that draws: the process's awareness of
// it and the DPI a window is drawn at. Lengths are written for kLayoutDpi (96)
// and scaled by the window's DPI, so that at 96 nothing changes. The window
// library's CPaintManagerUI::SetProcessAwareness, DpiOfWindow and ScaleByDpi
// are these; the calendar application uses them directly.
//
// Everything newer than Windows XP is looked up in user32 at run time:
//   - SetProcessAwareness: per-monitor (version 2, then version 1) through
//     SetProcessDpiAwarenessContext (Windows 10 1703 and 1607), else
//     system-wide through SetProcessDPIAware (Vista on). True when the
//     process is aware afterwards (also when its manifest made it so and the
//     calls answered "already set"); on XP, false: XP has no virtualised
//     scaling and every program draws at the screen's DPI anyway. Call it
//     before the first window is made.
//   - DpiOfWindow: GetDpiForWindow (Windows 10 1607) for a window, else the
//     screen's LOGPIXELSY; kLayoutDpi when neither answers. A null window
//     gives the screen's.
//   - ScaleByDpi: value * dpi / 96, rounded (MulDiv); the value itself at 96
//     or for a DPI of 0.
#pragma once

#include <windows.h>

namespace display {

inline constexpr UINT kLayoutDpi = 96;

bool SetProcessAwareness();
UINT DpiOfWindow(HWND hwnd);
int ScaleByDpi(int value, UINT dpi);

} // namespace display
