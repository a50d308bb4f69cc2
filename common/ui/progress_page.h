// The pages around a worker, one class each for every worker of both
// programs.
//
// CProgressPage: the page a worker runs on. Setup's install progress
// (CPage6Wnd, "Page6Wnd.xml"), the removal progress of both programs
// (CPage10Wnd, "Page10Wnd.xml") and Setup's repair progress (CPage12Wnd,
// "Page12Wnd.xml"). It looks up "cancelbtn" and "progressbar" and gives the
// worker its hooks (worker_hooks.h): the bar, its widths in layout units,
// set through the window library's thread-safe setter scaled by the page's
// DPI and set again when that changes (0 or less hides it); error boxes owned by the
// page; and the checkpoints: each reaches the test programs' observer first
// (worker_hooks.h), and on a page that holds its worker (the installation)
// waits while the quit question is open and says whether to stop.
//
// Start(work, done, stopped) runs `work` once, on a new thread owned by the
// page, with the page's hooks. Once it has returned, `done` runs on the
// interface thread (the page posts itself a message), unless a confirmed
// quit or the end of the message loop came first.
//
// "cancelbtn" (and Cancel, which a frame calls for its own close and cancel):
//   - before a worker started, or on a page that does not hold its worker:
//     the quit question; Yes hides the page and ends the loop while the
//     worker goes on (the entry waits for it after the loop);
//   - on a page that holds its worker: the worker is held at its next
//     checkpoint while the question is open. On Yes its checkpoint tells it
//     to stop; the page waits for it while still dispatching messages, runs
//     `stopped` (the installation's rollback) on the interface thread, hides
//     itself and ends the loop. On No the worker goes on, and a `done` that
//     came meanwhile runs now.
// After the message loop the entry calls EndOfLoop (no `done` any more; a
// held worker stops at its next checkpoint) and then WaitForWorker, which
// waits for the thread while dispatching this thread's messages, so that the
// worker finishes what it has begun and never meets a released window.
//
// While the worker runs (Working), the frame holds up the end of the Windows
// session with the page's reason (session_end.h), from Start until the
// worker has returned. At the end of the session the wizard makes the page
// Quiet (its error boxes are no longer shown, and one the worker shows
// already is answered OK: nobody would answer them) and waits for the
// worker for a bounded time (WaitForWorker's limit).
//
// CDonePage: a completion page (CPage11Wnd "Page11Wnd.xml", CPage13Wnd
// "Page13Wnd.xml"): "finishbtn" hides the page and ends the loop, without a
// question. The removal's completion page also says, in one line, which files
// were in use and go later.
//
// Pages are owned by the program's wizard; everything but the hooks runs on
// the interface thread.
#pragma once

#include "file_handle.h"
#include "session_end.h"
#include "wizard_window.h"
#include "worker_hooks.h"

#include <windows.h>

#include <functional>
#include <string>

// The full width to use for a bar whose layout says `maxWidth`: a missing or
// unbounded maximum (9999 or more, or not positive) gives `fallback`.
int UsableBarWidth(int maxWidth, int fallback);

class CProgressPage : public CWizardWnd, private WorkerHooks {
public:
    enum class CancelMode { AskOnly, HoldWorker };
    // `blockReason`: what the frame tells Windows while the worker runs.
    CProgressPage(LPCTSTR layout, CancelMode mode, const wchar_t* blockReason)
        : m_layout(layout), m_mode(mode), m_blockReason(blockReason)
    {
    }
    ~CProgressPage() override = default;

    // False when a worker was started already or the thread could not be made.
    bool Start(std::function<void(WorkerHooks&)> work, std::function<void()> done,
               std::function<void()> stopped = {});
    bool Started() const { return m_thread.Valid(); }
    bool Working() const { return Started() && WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT; }
    // The page's hooks, for work that follows the worker on the interface
    // thread (a rollback after a confirmed cancel).
    WorkerHooks& Hooks() { return *this; }
    void Cancel();
    void EndOfLoop();
    // True once the worker has ended (or none was started); false when
    // `limitMs` passed first.
    bool WaitForWorker(DWORD limitMs = INFINITE);
    void Quiet();

protected:
    LPCTSTR LayoutName() const override { return m_layout; }
    void OnLayoutBuilt() override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void Notify(TNotifyUI& msg) override;

private:
    // The bar's widths are in layout units (the page scales them by its DPI).
    int BarMaxWidth() override;
    void SetBarWidth(int width) override;
    bool PassCheckpoint(Checkpoint at, int entry) override;
    void ShowError(const std::wstring& text) override;

    static DWORD WINAPI ThreadProc(LPVOID param);
    void OnWorkerReturned();

    LPCTSTR m_layout;
    CancelMode m_mode;
    const wchar_t* m_blockReason;
    SessionBlockReason m_block;
    CControlUI* m_pProgressBar = nullptr;
    ThreadHandle m_thread{nullptr};
    DWORD m_threadId = 0;
    std::function<void(WorkerHooks&)> m_work;
    std::function<void()> m_done;
    std::function<void()> m_stopped;
    volatile LONG m_paused = 0;  // the worker waits at its checkpoints while 1
    volatile LONG m_stop = 0;    // its checkpoints answer "stop" once 1
    volatile LONG m_quiet = 0;   // 1: error boxes are not shown
    volatile LONG m_barWidth = 0;  // the worker's last width, layout units
    bool m_loopEnded = false;
    bool m_asking = false;       // the quit question is open
    bool m_donePending = false;  // the worker returned while it was open
};

class CDonePage : public CWizardWnd {
public:
    explicit CDonePage(LPCTSTR layout) : m_layout(layout) {}

protected:
    LPCTSTR LayoutName() const override { return m_layout; }
    void OnLayoutBuilt() override;

private:
    LPCTSTR m_layout;
};

// The removal's progress and completion pages, the same in both programs.
class CPage10Wnd : public CProgressPage {
public:
    CPage10Wnd() : CProgressPage(L"Page10Wnd.xml", CancelMode::AskOnly, kBlockReasonRemoval) {}
};

class CPage11Wnd : public CDonePage {
public:
    CPage11Wnd() : CDonePage(L"Page11Wnd.xml") {}
    // Shows `line` (LeftForLaterLine, removal_worker.h: the files the delayed
    // removal took over) in the layout's "leftlabel"; an empty line shows
    // nothing there. Before the page is shown.
    void ShowLeftForLater(const std::wstring& line);
};
