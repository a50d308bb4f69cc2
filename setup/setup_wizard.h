// CSetupWizard: the one owner of a run of Setup once the entry has chosen
// the mode: the frame and the pages of that mode, the user's choices, the
// navigation between the steps, and the workers.
//
// Windows: the fresh installation's frame CCoverWnd with Page1, Page2,
// Page3, Page4, Page6 and Page7, or the maintenance frame CPage8Wnd with
// Page9 to Page13; the frame top-level, centred and shown by CreateWindows,
// each page a child at its place, made (and hidden) the first time its step
// is entered, so that the first screen waits for no page (the licence's
// native text field alone took longer than the rest of the start under
// Wine). The wizard owns every window object from its creation to the
// wizard's own end; pages hold a reference to it, never to each other.
//
// Navigation is the table in setup_wizard.cpp: for every step the step that
// "prebtn" goes back to and the one "nextbtn" goes on to; the frame's own
// "prebtn" and "nextbtn" and the page's do the same. Going to a step shows its
// window and then hides the page that was showing (the frame itself is never
// hidden, so a step back to the first screen only hides the page). Guards:
// the licence must be accepted to leave it; the installation starts only
// where Page4 allows it (CPage4Wnd::MayInstallFor: not an existing folder
// that ordinary users can write, for all users); the removal starts only
// while the calendar is not running (the message, owned by Page9, every
// time).
// Entering Installing, Repairing or Removing starts its worker on the step's
// progress page (progress_page.h) with a job built here, on the interface
// thread; the worker's outcome comes back here and moves on to the
// completion step. The current step is the wizard's, never read off the
// windows.
//
// Everything but the workers runs on the interface thread. EndOfLoop, after
// the message loop: an unfinished installation stops at its next checkpoint
// and is rolled back (a completed one is made final), a repair or removal
// finishes the step it has begun; then the windows are destroyed and the
// objects freed in creation order.
//
// The end of the Windows session (session_end.h), through the frame: held
// up while a worker runs; when it comes anyway, the same settling as after
// the loop runs at once, with no message box and the wait for a worker
// bounded, and Setup ends.
#pragma once

#include "confirm_page.h"
#include "install_run.h"
#include "removal_worker.h"
#include "repair_worker.h"
#include "session_end.h"

#include <memory>
#include <string>
#include <vector>

class CWizardWnd;
class CProgressPage;
class CPage2Wnd;
class CPage4Wnd;

class CSetupWizard : public WizardNavigator, public SessionEndHandler {
public:
    enum class Mode { FreshInstall, Maintenance };
    enum class Step {
        FirstScreen, Welcome, Licence, UserInfo, Location, Installing, Finished,  // fresh installation
        Choice, Confirm, Removing, Removed, Repairing, Repaired,                  // maintenance
        None,
    };

    // `allUsers`: where the record was found (maintenance), or what the
    // earlier edition's cleanup left (fresh installation).
    CSetupWizard(Mode mode, int allUsers);
    ~CSetupWizard();
    CSetupWizard(const CSetupWizard&) = delete;
    CSetupWizard& operator=(const CSetupWizard&) = delete;

    // The frame. False when its object could not be made, or its layout did
    // not build (*damaged is set then: the skin archive is damaged).
    bool CreateWindows(bool* damaged);
    void EndOfLoop();

    void Next() override;
    void Back() override;
    Step Current() const { return m_step; }
    // The frames' "closebtn" and "cancelbtn": while the installation runs its
    // cancel, else the quit question owned by the frame.
    void QuitFromFrame();
    bool MayEndSession() override;
    void EndSession() override;

    // The user's choices.
    int AllUsers() const { return m_allUsers; }
    void SetAllUsers(int allUsers) { m_allUsers = allUsers; }
    bool ToggleDesktopShortcut() { return m_desktopShortcut = !m_desktopShortcut; }
    bool ToggleQuickLaunchShortcut() { return m_quickLaunchShortcut = !m_quickLaunchShortcut; }
    bool ToggleRunNow() { return m_runNow = !m_runNow; }
    void ChooseRemoval(bool removal) { m_removal = removal; }
    // Page7's "finishbtn": the installation is final; the calendar starts
    // when asked to; Setup ends.
    void Finish();

private:
    // Takes ownership of a window object of `step` (none: null).
    CWizardWnd* Keep(CWizardWnd* window, Step step);
    // A new page object of `step` (null: none, or out of memory).
    CWizardWnd* MakePage(Step step);
    // The window of a step of this mode; a page is made the first time its
    // step is entered. Null for another mode's step, or when it could not be
    // made.
    CWizardWnd* WindowOf(Step step);
    bool MayEnter(Step target);
    void GoTo(Step target);
    void Begin(Step step);
    void RepairDone();
    // What runs is stopped or finished (at most `limitMs` waited for a
    // worker).
    void Settle(DWORD limitMs);

    Mode m_mode;
    Step m_step;
    int m_allUsers;
    bool m_desktopShortcut = true;
    bool m_quickLaunchShortcut = true;
    bool m_runNow = true;
    bool m_removal = true;

    std::vector<std::unique_ptr<CWizardWnd>> m_windows;  // creation order; the frame first
    std::vector<std::pair<Step, CWizardWnd*>> m_stepWindows;
    CPage2Wnd* m_page2 = nullptr;
    CPage4Wnd* m_page4 = nullptr;
    CProgressPage* m_installPage = nullptr;
    CProgressPage* m_repairPage = nullptr;
    CProgressPage* m_removalPage = nullptr;
    std::unique_ptr<InstallRun> m_install;
    RepairResult m_repair;
    RemovalOutcome m_removalOutcome;
};
