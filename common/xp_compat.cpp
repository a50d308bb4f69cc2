// Keeps the shipped 32-bit programs starting on Windows XP.
//
// The static thread runtime that libstdc++ pulls in calls GetTickCount64,
// which Windows XP's kernel32 lacks; a static import of it would stop every
// program at load time. This object defines the import slot itself, so the
// linker takes it instead of kernel32's: the slot points to a function that
// uses the real GetTickCount64 where the system has it and a wrap-around
// counter built on GetTickCount elsewhere. Linked only into the i686 build of
// every shipped program and DLL (see velt_shipped in cmake/velt.cmake).
#include <windows.h>

namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

TickCount64Fn LookUpTickCount64()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<TickCount64Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")))
                  : nullptr;
}

// Extends GetTickCount's 32 bits with a count of its wrap-arounds. Callers only
// use it for timeouts, so a rare race between two threads at a wrap is harmless.
volatile LONG g_lastLow = 0;
volatile LONG g_wraps = 0;
// Looked up without a guarded static: the guard itself may need the thread runtime.
TickCount64Fn g_real = nullptr;
volatile LONG g_looked = 0;

ULONGLONG WINAPI TickCount64()
{
    if (!g_looked) {
        g_real = LookUpTickCount64();
        InterlockedExchange(&g_looked, 1);
    }
    if (g_real)
        return g_real();
    const DWORD low = GetTickCount();
    const DWORD previous = static_cast<DWORD>(InterlockedExchange(&g_lastLow, static_cast<LONG>(low)));
    if (low < previous)
        InterlockedIncrement(&g_wraps);
    return (static_cast<ULONGLONG>(static_cast<DWORD>(g_wraps)) << 32) | low;
}

} // namespace

extern "C" {
// The import slot the linker would otherwise fill from kernel32.
ULONGLONG(WINAPI* velt_imp_GetTickCount64)() __asm__("__imp__GetTickCount64@0") = TickCount64;
}
