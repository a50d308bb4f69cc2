// One running calendar per session. The first process holds a named mutex for
// its whole life; a later process finds it taken, brings the running window
// (found by window class and title) to the front, restoring it when it is
// minimised, and then ends.
//
// SingleInstance::Acquire returns true in the first process (the object then
// owns the mutex handle and closes it on destruction) and false when another
// instance runs, or when the mutex cannot be made at all (then the caller
// still runs, since a calendar that never starts is worse than two).
#pragma once

#include <windows.h>

class SingleInstance {
public:
    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True: this is the only instance (or the check could not be made).
    bool Acquire(const wchar_t* mutexName);

private:
    HANDLE m_mutex = nullptr;
};

// Finds the running instance's top-level window, waiting up to `waitMs` for a
// first instance that is still creating it, restores it if minimised and makes
// it the foreground window. Returns that window, or nullptr when none appeared.
HWND ActivateRunningWindow(const wchar_t* windowClass, const wchar_t* title, DWORD waitMs);
