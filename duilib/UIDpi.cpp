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
// The layout's lengths in text (duiint::ScaledLengths) and the root's window
// lengths (size, caption, sizebox, roundcorner, mininfo) are scaled here too,
// as the layout is read and again when the DPI changes.
#include "UIInternal.h"
#include "UIRender.h"

#include <wctype.h>

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

namespace duiint {

void AppendInt(std::wstring* out, int value)
{
    wchar_t digits[12];
    int n = 0;
    unsigned rest = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + rest % 10);
        rest /= 10;
    } while (rest);
    if (value < 0) *out += L'-';
    while (n) *out += digits[--n];
}

std::wstring ScaledLengths(const std::wstring& value, UINT dpi)
{
    if (dpi == 0 || dpi == CPaintManagerUI::kLayoutDpi) return value;
    std::wstring out;
    for (size_t i = 0; i < value.size();) {
        const bool sign = value[i] == L'-' && i + 1 < value.size() && iswdigit(value[i + 1]);
        if (!sign && !iswdigit(value[i])) {
            out += value[i++];
            continue;
        }
        size_t end = i + (sign ? 1 : 0);
        long long n = 0;
        while (end < value.size() && iswdigit(value[end])) {
            if (n < 1000000) n = n * 10 + (value[end] - L'0');
            ++end;
        }
        AppendInt(&out, CPaintManagerUI::ScaleByDpi(static_cast<int>(sign ? -n : n), dpi));
        i = end;
    }
    return out;
}

bool IsWindowLength(const std::wstring& name)
{
    return name == L"size" || name == L"caption" || name == L"sizebox" || name == L"roundcorner" ||
           name == L"mininfo";
}

void ApplyWindowLength(CPaintManagerUI* pm, const std::wstring& name, const std::wstring& written)
{
    const std::wstring value = ScaledLengths(written, pm->GetDpi());
    if (name == L"size") {
        const SIZE sz = duirender::ParseSize(value.c_str());
        pm->SetInitSize(sz.cx, sz.cy);
    } else if (name == L"caption") {
        RECT rc = duirender::ParseRect(value.c_str());
        pm->SetCaptionRect(rc);
    } else if (name == L"sizebox") {
        RECT rc = duirender::ParseRect(value.c_str());
        pm->SetSizeBox(rc);
    } else if (name == L"roundcorner") {
        const SIZE sz = duirender::ParseSize(value.c_str());
        pm->SetRoundCorner(sz.cx, sz.cy);
    } else if (name == L"mininfo") {
        const SIZE sz = duirender::ParseSize(value.c_str());
        pm->SetMinInfo(sz.cx, sz.cy);
    }
}

} // namespace duiint
