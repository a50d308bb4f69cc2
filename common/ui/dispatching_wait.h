// WaitDispatching: waits for a thread (or any waitable handle) to be
// signalled while still dispatching the calling thread's messages, so that a
// worker that shows a message box owned by one of this thread's windows,
// sends it a message or switches its pages is never blocked by the wait.
// WM_QUIT that arrives meanwhile is dropped: the caller is ending the
// program anyway. Returns at once for a null handle; returns when the handle
// is signalled or the wait fails.
#pragma once

#include <windows.h>

void WaitDispatching(HANDLE handle);
