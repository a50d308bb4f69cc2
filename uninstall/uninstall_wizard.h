// CUninstallWizard: the one owner of a run of Uninstall: the confirmation
// frame CPage9Wnd (top-level, "VELT电子日历卸载向导"), the removal progress
// page CPage10Wnd and the completion page CPage11Wnd over it (hidden at
// first), the step the run is at, and the removal worker and its outcome.
//
// The frame's "nextbtn" goes on, unless the calendar runs (the message, owned
// by the frame, each time): the progress page shows over the frame, which
// stays visible beneath it, and the removal (removal_worker.h) starts on it
// with the record's root; when it has returned, the completion page replaces
// the progress page. The frame's "cancelbtn" and "closebtn" end Uninstall at
// once, without a question; there is no way back.
//
// EndOfLoop, after the message loop: a removal that runs finishes the step it
// has begun (the wait keeps dispatching messages, the worker touches no
// window any more); then the windows are destroyed and the objects freed in
// creation order. SelfRemoval then tells what is left to do with
// Uninstall's own folder. Runs on the interface thread.
//
// The end of the Windows session (session_end.h), through the frame: held
// up while the removal runs; when it comes anyway, the removal finishes its
// step (waited for at most kSessionEndLimitMs, with no message box) and
// Uninstall ends.
#pragma once

#include "confirm_page.h"
#include "removal_worker.h"
#include "session_end.h"

#include <memory>
#include <string>
#include <vector>

class CWizardWnd;
class CPage10Wnd;

class CUninstallWizard : public WizardNavigator, public SessionEndHandler {
public:
    explicit CUninstallWizard(int allUsers);
    ~CUninstallWizard();
    CUninstallWizard(const CUninstallWizard&) = delete;
    CUninstallWizard& operator=(const CUninstallWizard&) = delete;

    // False when a window object could not be made.
    bool CreateWindows();
    void EndOfLoop();

    void Next() override;
    void Back() override {}
    bool MayEndSession() override;
    void EndSession() override;

    // After EndOfLoop: the removal's outcome, when it finished its run.
    const RemovalOutcome* Removal() const { return m_removed ? &m_outcome : nullptr; }

private:
    std::vector<std::unique_ptr<CWizardWnd>> m_windows;  // frame, progress page, completion page
    CPage10Wnd* m_progress = nullptr;
    int m_allUsers;
    RemovalOutcome m_outcome;
    volatile LONG m_removed = 0;  // the worker finished its steps
};
