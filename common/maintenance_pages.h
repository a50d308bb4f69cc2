// The removal progress page (CPage10Wnd, "Page10Wnd.xml") and the removal
// completion page (CPage11Wnd, "Page11Wnd.xml"), child pages over a frame,
// shared by Setup's maintenance mode and Uninstall; and the process-wide
// state around the uninstall worker.
//
// CPage10Wnd: "cancelbtn" asks the quit question; on Yes the page hides and
// the program's loop ends (the entry then waits for the worker, see
// WaitForWorker). The uninstall worker (uninstall_worker.h) runs on this
// object. CPage11Wnd: "finishbtn" hides the page and ends the loop. Both react
// to "click" only. Window objects are owned by the program's entry.
#pragma once

#include "wizard_window.h"

#include <windows.h>

class CDialogBuilderCallbackPage10Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CDialogBuilderCallbackPage11Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage10Wnd : public CWizardWnd {
public:
    CPage10Wnd() = default;
    ~CPage10Wnd() override;

    void Notify(TNotifyUI& msg) override;

    // The removal; runs on the worker thread (uninstall_worker.cpp).
    void DoUninstall();

    // Starts UninstallThreadProc on this page once; false when a worker was
    // already started or the thread could not be created.
    bool StartWorker();
    // After the message loop: tells the worker to leave the windows alone and
    // waits for it to end while still dispatching this thread's messages.
    void WaitForWorker();

    HANDLE m_hWorkerThread = nullptr;  // owned; closed by the destructor

protected:
    LPCTSTR LayoutName() const override { return L"Page10Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    void SetBarWidth(int width);
    CDialogBuilderCallbackPage10Wnd m_callback;
    CControlUI* m_pCancelBtn = nullptr;
    CControlUI* m_pProgressBar = nullptr;
};

class CPage11Wnd : public CWizardWnd {
public:
    void Notify(TNotifyUI& msg) override;

protected:
    LPCTSTR LayoutName() const override { return L"Page11Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    CDialogBuilderCallbackPage11Wnd m_callback;
    CControlUI* m_pFinishBtn = nullptr;
};

// Process-wide state of the removal (defined in maintenance_pages.cpp).
extern CPage10Wnd* g_pPage10Wnd;
extern CPage11Wnd* g_pPage11Wnd;
extern int g_bUninstallDone;                // 1 once the worker has finished its steps
extern volatile LONG g_bLeaveWindowsAlone;  // 1 once the loop has ended: the worker shows no more pages
extern int g_nRemovalScope;                 // the RemovalScope (install_removal.h) the worker used
