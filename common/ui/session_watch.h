// SessionWatch: the end of the Windows session (a log-off or a shutdown)
// during a run without windows (/S). A thread of its own makes a top-level
// window that is never shown (Windows asks top-level windows only) and pumps
// its messages while the caller works on its own thread:
//   WM_QUERYENDSESSION  FALSE, with `reason` set as the reason Windows shows
//                       (session_end.h), so the end waits;
//   WM_ENDSESSION TRUE  sets the flag EndFlag() points at (the installation
//                       reads it at its checkpoints and rolls back), then
//                       waits until the caller calls Done(), at most
//                       kSessionEndLimitMs, before it answers: Windows ends
//                       the process soon after.
// Done() says the work and its rollback are over. The destructor closes the
// window and waits for its thread. Without the window (it could not be
// made) nothing holds up the end and the flag is never set.
#pragma once

#include <windows.h>

class SessionWatch {
public:
    explicit SessionWatch(const wchar_t* reason);
    ~SessionWatch();
    SessionWatch(const SessionWatch&) = delete;
    SessionWatch& operator=(const SessionWatch&) = delete;

    volatile LONG* EndFlag() { return &m_ended; }
    void Done() { SetEvent(m_done); }

private:
    static DWORD WINAPI Thread(void* self);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const wchar_t* m_reason;
    volatile LONG m_ended = 0;
    HANDLE m_done;
    HANDLE m_ready;
    HANDLE m_thread = nullptr;
    HWND m_window = nullptr;
};
