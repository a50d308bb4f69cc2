#include "dispatching_wait.h"

bool WaitDispatching(HANDLE handle, DWORD limitMs)
{
    if (!handle)
        return true;
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = limitMs == INFINITE ? INFINITE : spent >= limitMs ? 0 : limitMs - spent;
        const DWORD wait = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_ALLINPUT);
        if (wait == WAIT_TIMEOUT)
            return false;
        if (wait != WAIT_OBJECT_0 + 1)
            return true;  // signalled (or the wait failed)
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}
