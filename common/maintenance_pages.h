// The progress and completion pages of the maintenance steps, child pages
// over a frame, shared by Setup's maintenance mode and Uninstall.
//
// CProgressPage: one implementation for the removal progress page
// (CPage10Wnd, "Page10Wnd.xml") and Setup's repair progress page
// (CPage12Wnd, "Page12Wnd.xml"). "cancelbtn" asks the quit question (the
// worker is not paused; on Yes the page hides and the loop ends). The page
// starts its worker once (StartWorker) and keeps the thread handle; after the
// loop the entry calls WaitForWorker, which tells the worker to show no more
// pages and waits for it while still dispatching this thread's messages, so
// that the worker finishes the step it has begun and never touches a
// released window. The bar ("progressbar", looked up at creation) is moved
// through the window library's thread-safe setter.
//
// CDonePage: one implementation for the completion pages (CPage11Wnd
// "Page11Wnd.xml", CPage13Wnd "Page13Wnd.xml"): "finishbtn" hides the page
// and ends the loop, without a question.
//
// Both react to "click" only. Window objects are owned by the program's entry.
#pragma once

#include "wizard_window.h"

#include <windows.h>

class CProgressPage : public CWizardWnd {
public:
    CProgressPage() = default;
    ~CProgressPage() override;

    void Notify(TNotifyUI& msg) override;

    // Starts `proc` with this page as its parameter, once; false when a
    // worker was already started or the thread could not be created.
    bool StartWorker(LPTHREAD_START_ROUTINE proc);
    bool WorkerStarted() const { return m_hWorkerThread != nullptr; }
    void WaitForWorker();
    // The loop has ended: the worker shows and hides no more pages.
    bool LeaveWindowsAlone() const;

    // The bar's full width (its layout's "maxwidth"), 0 without a bar.
    int BarMaxWidth() const;
    void SetBarWidth(int width);

    HANDLE m_hWorkerThread = nullptr;  // owned; closed by the destructor

protected:
    void OnLayoutBuilt() override;
    CControlUI* m_pCancelBtn = nullptr;
    CControlUI* m_pProgressBar = nullptr;

private:
    volatile LONG m_bLeaveWindowsAlone = 0;
};

class CDonePage : public CWizardWnd {
public:
    void Notify(TNotifyUI& msg) override;

protected:
    void OnLayoutBuilt() override;

private:
    CControlUI* m_pFinishBtn = nullptr;
};

class CDialogBuilderCallbackPage10Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CDialogBuilderCallbackPage11Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

// The removal progress page; the uninstall worker (uninstall_worker.h) runs
// on it.
class CPage10Wnd : public CProgressPage {
public:
    // The removal; runs on the worker thread (uninstall_worker.cpp).
    void DoUninstall();
    bool StartUninstall();

protected:
    LPCTSTR LayoutName() const override { return L"Page10Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }

private:
    CDialogBuilderCallbackPage10Wnd m_callback;
};

class CPage11Wnd : public CDonePage {
protected:
    LPCTSTR LayoutName() const override { return L"Page11Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }

private:
    CDialogBuilderCallbackPage11Wnd m_callback;
};

// Process-wide state of the removal (defined in maintenance_pages.cpp).
extern CPage10Wnd* g_pPage10Wnd;
extern CPage11Wnd* g_pPage11Wnd;
extern int g_bUninstallDone;  // 1 once the worker has finished its steps
extern int g_nRemovalScope;   // the RemovalScope (install_removal.h) the worker used
extern int g_nRemovalParents; // with WholeDirectory: the folders above it the installation created
