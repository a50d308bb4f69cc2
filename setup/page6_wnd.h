// CPage6Wnd: the install progress page ("Page6Wnd.xml") and the install
// worker that runs on it.
//
// Page4's "nextbtn" shows the page and calls StartInstall, which starts
// InstallThreadProc on this object once. The worker (DoInstall) runs the
// installation (install_worker.h) with this page's bar, checkpoints and error
// boxes, then shows the finish page; after a cancel, a damaged payload or a
// file that cannot be written it rolls back (RollBack) and ends Setup; after
// "错误的安装路径。" it stops and the page stays, with "cancelbtn" as the way
// out.
//
// OnCancel ("cancelbtn", and the frame's close and cancel while the
// installation runs) pauses the worker at its next checkpoint, asks the quit
// question and, on Yes, waits for the worker while still dispatching
// messages, rolls back once more on the interface thread and ends Setup.
// FinishOnQuit, called by the entry after the message loop (Alt+F4,
// WM_CLOSE, any quit), does the same without asking when the installation
// has not completed, so that a half-written installation never stays; a
// completed one is committed (the files it kept aside are deleted).
//
// The pause and cancel flags are read and written atomically. The worker
// touches windows only through the window library's thread-safe calls and
// message boxes owned by this page; the interface thread never blocks on it.
#pragma once

#include "install_journal.h"
#include "install_worker.h"
#include "setup_page.h"

class CDialogBuilderCallbackPage6Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage6Wnd : public CSetupPage {
public:
    CPage6Wnd() = default;
    ~CPage6Wnd() override;

    void Notify(TNotifyUI& msg) override;

    // Starts the install worker once; false when it was started already or
    // could not be started.
    bool StartInstall();
    bool WorkerStarted() const { return m_hWorkerThread != nullptr; }
    // The worker completed the installation and showed the finish page.
    bool Finished() const;

    void OnCancel();
    // The loop has ended: a worker that has not decided yet stops at its next
    // checkpoint and rolls back; no page is shown any more. Called first
    // thing after the loop, so that no checkpoint passes between a quit and
    // this (FinishOnQuit calls it too).
    void StopOnQuit();
    void FinishOnQuit();
    // The installation is final: what it kept aside goes.
    void Commit() { m_journal.Commit(); }

    // The worker; runs on the worker thread.
    void DoInstall();
    // Undoes what the installation made and ends Setup's message loop.
    void RollBack();

    HANDLE m_hWorkerThread = nullptr;  // owned; closed by the destructor
    volatile LONG m_bPaused = 0;
    volatile LONG m_bCancelled = 0;

protected:
    LPCTSTR LayoutName() const override { return L"Page6Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    class Hooks : public InstallHooks {
    public:
        explicit Hooks(CPage6Wnd& page) : m_page(page) {}
        int BarMaxWidth() override;
        void SetBarWidth(int width) override;
        bool Checkpoint() override;
        void ShowError(const std::wstring& text) override;

    private:
        CPage6Wnd& m_page;
    };

    CDialogBuilderCallbackPage6Wnd m_callback;
    CControlUI* m_pProgressBar = nullptr;
    Hooks m_hooks{*this};
    InstallJournal m_journal;
    volatile LONG m_nOutcome = -1;          // InstallOutcome once the worker has decided
    volatile LONG m_bFinished = 0;          // the finish page was shown
    volatile LONG m_bLeaveWindowsAlone = 0; // the loop has ended: no more page changes
    volatile LONG m_bRolledBack = 0;        // a confirmed cancel has rolled back on the interface thread
};

DWORD WINAPI InstallThreadProc(LPVOID param);
