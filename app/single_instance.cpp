// Named-mutex single instance and activation of the running window
// (see single_instance.h).
#include "single_instance.h"

SingleInstance::~SingleInstance() {
    if (m_mutex) CloseHandle(m_mutex);
}

bool SingleInstance::Acquire(const wchar_t* mutexName) {
    if (m_mutex) return true;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, mutexName);
    if (!mutex) return true;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    m_mutex = mutex;
    return true;
}

HWND ActivateRunningWindow(const wchar_t* windowClass, const wchar_t* title, DWORD waitMs) {
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    for (;;) {
        window = FindWindowW(windowClass, title);
        if (window || GetTickCount() - start >= waitMs) break;
        Sleep(50);
    }
    if (!window) return nullptr;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    else if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    return window;
}
