// The planted DLL of the fault suite's "attack.dll" cases: a stand-in for
// what an ordinary user could leave beside a downloaded Setup.exe. Copied
// there as "msimg32.dll" and "comctl32.dll", it writes "<its own path>.loaded"
// as soon as a process loads it (DllMain), so a case sees which of the
// copies ran in the elevated program. It exports what the window library
// once imported from those two DLLs, so that a program that still imports
// them starts and shows its windows: AlphaBlend (passed on to gdi32's
// GdiAlphaBlend) and InitCommonControlsEx (does nothing, reports success).
#define NOGDI
#include <windows.h>

namespace {

void WriteMarker(HINSTANCE self)
{
    WCHAR path[MAX_PATH + 16] = {};
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    lstrcatW(path, L".loaded");
    const HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(marker, "loaded", 6, &written, nullptr);
    CloseHandle(marker);
}

} // namespace

// The blend function travels as its four bytes, as BLENDFUNCTION does.
using BlendFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, DWORD);

extern "C" __declspec(dllexport) BOOL WINAPI AlphaBlend(HDC to, int x, int y, int w, int h, HDC from, int sx, int sy,
                                                        int sw, int sh, DWORD blend)
{
    const BlendFn gdi = reinterpret_cast<BlendFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"gdi32.dll"), "GdiAlphaBlend")));
    return gdi ? gdi(to, x, y, w, h, from, sx, sy, sw, sh, blend) : FALSE;
}

extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*)
{
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        WriteMarker(self);
    return TRUE;
}
