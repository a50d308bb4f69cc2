// WaitDispatching: waits for a thread (or any waitable handle) to be
// signalled while still dispatching the calling thread's messages, so that a
// worker that shows a message box owned by one of this thread's windows,
// sends it a message or switches its pages is never blocked by the wait.
// WM_QUIT that arrives meanwhile is dropped: the caller is ending the
// program anyway. Returns true at once for a null handle, and when the
// handle is signalled or the wait fails; false once `limitMs` has passed
// without that.
#pragma once

#include <windows.h>

bool WaitDispatching(HANDLE handle, DWORD limitMs = INFINITE);
