// The end of the Windows session (a log-off or a shutdown) while a worker
// runs.
//
// SessionEndHandler: what a program's wizard answers for its frame, to which
// CWizardWnd passes both messages (a window without a handler lets the
// session end and does nothing when it ends):
//   MayEndSession  (WM_QUERYENDSESSION) false while a worker runs: the frame
//                  answers FALSE and the end waits;
//   EndSession     (WM_ENDSESSION with wParam TRUE: the session ends anyway,
//                  and Windows ends the process soon after the answer) what
//                  runs is settled as after the message loop, an
//                  installation rolled back as after a cancel, a repair or a
//                  removal finishing its step, within kSessionEndLimitMs and
//                  without any message box; then the program ends.
// WM_ENDSESSION with wParam FALSE (the end was called off) changes nothing.
//
// SessionBlockReason: the reason Windows shows for a frame that holds up the
// end, set while a worker runs (ShutdownBlockReasonCreate and
// ShutdownBlockReasonDestroy, Windows Vista on, looked up at run time; on
// Windows XP there is none, and the FALSE answer is all there is). Used on
// the thread that made the frame.
#pragma once

#include <windows.h>

class SessionEndHandler {
public:
    virtual bool MayEndSession() = 0;
    virtual void EndSession() = 0;

protected:
    ~SessionEndHandler() = default;
};

// How long the end of the session waits for a worker: Windows gives a
// program about five seconds to answer WM_ENDSESSION, and the interface
// thread's own part of a rollback follows the wait.
inline constexpr DWORD kSessionEndLimitMs = 4000;

inline constexpr wchar_t kBlockReasonInstall[] = L"正在安装VELT电子日历";
inline constexpr wchar_t kBlockReasonRepair[] = L"正在修复VELT电子日历";
inline constexpr wchar_t kBlockReasonRemoval[] = L"正在卸载VELT电子日历";

class SessionBlockReason {
public:
    SessionBlockReason() = default;
    ~SessionBlockReason() { Clear(); }
    SessionBlockReason(const SessionBlockReason&) = delete;
    SessionBlockReason& operator=(const SessionBlockReason&) = delete;

    // Sets `reason` on the top-level window `frame` (a reason set before is
    // cleared first); Clear takes it away again. Without the functions
    // (Windows XP) both only note the state.
    void Set(HWND frame, const wchar_t* reason);
    void Clear();
    bool IsSet() const { return m_frame != nullptr; }

private:
    HWND m_frame = nullptr;
};
