// Display scaling: the process's awareness of it and the DPI a window is
// drawn at. Layouts are written for 96 DPI; a manager scales their numbers
// by its window's DPI (CPaintManagerUI::Scale), so at 96 nothing changes.
//
// Everything newer than Windows XP is looked up in user32 at run time:
//   - SetProcessAwareness: per-monitor (version 2, then version 1) through
//     SetProcessDpiAwarenessContext (Windows 10 1703 and 1607), else
//     system-wide through SetProcessDPIAware (Vista on). It returns true when
//     the process is aware afterwards (also when its manifest made it so and
//     the calls answered "already set"); on XP, false: XP has no virtualised
//     scaling and every program draws at the screen's DPI anyway.
//   - DpiOfWindow: GetDpiForWindow (Windows 10 1607) for a window, else the
//     screen's LOGPIXELSY; 96 when neither answers.
#include "UIInternal.h"

namespace {

using SetContextFn = BOOL(WINAPI*)(HANDLE);
using SetAwareFn = BOOL(WINAPI*)(void);
using IsAwareFn = BOOL(WINAPI*)(void);
using DpiForWindowFn = UINT(WINAPI*)(HWND);

// The DPI_AWARENESS_CONTEXT values, which XP's headers do not have.
const HANDLE kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kPerMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

template <typename Fn>
Fn User32Proc(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : NULL;
}

UINT ScreenDpi()
{
    HDC screen = GetDC(NULL);
    if (screen == NULL) return CPaintManagerUI::kLayoutDpi;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : CPaintManagerUI::kLayoutDpi;
}

} // namespace

bool CPaintManagerUI::SetProcessAwareness()
{
    auto setContext = User32Proc<SetContextFn>("SetProcessDpiAwarenessContext");
    if (setContext) {
        if (setContext(kPerMonitorV2) || setContext(kPerMonitor)) return true;
        // Already set (by the manifest): ERROR_ACCESS_DENIED.
        if (GetLastError() == ERROR_ACCESS_DENIED) return true;
    }
    auto setAware = User32Proc<SetAwareFn>("SetProcessDPIAware");
    if (setAware && setAware()) return true;
    auto isAware = User32Proc<IsAwareFn>("IsProcessDPIAware");
    return isAware && isAware();
}

UINT CPaintManagerUI::DpiOfWindow(HWND hWnd)
{
    auto forWindow = User32Proc<DpiForWindowFn>("GetDpiForWindow");
    if (forWindow && hWnd) {
        const UINT dpi = forWindow(hWnd);
        if (dpi > 0) return dpi;
    }
    return ScreenDpi();
}

int CPaintManagerUI::ScaleByDpi(int value, UINT dpi)
{
    if (dpi == 0 || dpi == kLayoutDpi) return value;
    return MulDiv(value, static_cast<int>(dpi), static_cast<int>(kLayoutDpi));
}
