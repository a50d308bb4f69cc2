// Display scaling: awareness and DPI, found at run time (display_scaling.h).
#include "display_scaling.h"

namespace display {
namespace {

using SetContextFn = BOOL(WINAPI*)(HANDLE);
using SetAwareFn = BOOL(WINAPI*)(void);
using IsAwareFn = BOOL(WINAPI*)(void);
using DpiForWindowFn = UINT(WINAPI*)(HWND);

// The DPI_AWARENESS_CONTEXT values, which XP's headers do not have.
const HANDLE kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kPerMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

template <typename Fn>
Fn User32Proc(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

UINT ScreenDpi() {
    HDC screen = GetDC(nullptr);
    if (!screen) return kLayoutDpi;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kLayoutDpi;
}

} // namespace

bool SetProcessAwareness() {
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

UINT DpiOfWindow(HWND hwnd) {
    auto forWindow = User32Proc<DpiForWindowFn>("GetDpiForWindow");
    if (forWindow && hwnd) {
        const UINT dpi = forWindow(hwnd);
        if (dpi > 0) return dpi;
    }
    return ScreenDpi();
}

int ScaleByDpi(int value, UINT dpi) {
    if (dpi == 0 || dpi == kLayoutDpi) return value;
    return MulDiv(value, static_cast<int>(dpi), static_cast<int>(kLayoutDpi));
}

} // namespace display
