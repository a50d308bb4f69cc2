// CSetupPage: what every page of Setup's wizard adds to the shared window
// handling (wizard_window.h): its "prebtn" and "nextbtn" as the frame sees
// them, the frame's forwarding of its own buttons, and the step from one page
// to another.
//
// A page is a child window of its mode's frame, created hidden at start-up
// and never destroyed before the message loop ends. All of it runs on the
// interface thread.
#pragma once

#include "wizard_window.h"

class CSetupPage : public CWizardWnd {
public:
    // Handles a click on this page's own "prebtn" or "nextbtn" exactly as if
    // the user had clicked it: the frame forwards its own buttons this way.
    // Does nothing when the layout has no such button.
    void ForwardClick(LPCTSTR name);
    // This page's "nextbtn" exists and is enabled.
    bool NextEnabled() const;
    bool IsVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }

protected:
    // Shows `target`, then hides this page (always in that order).
    void GoTo(CWindowWnd* target);

    CControlUI* m_pPreBtn = nullptr;
    CControlUI* m_pNextBtn = nullptr;
    CControlUI* m_pCancelBtn = nullptr;
};
