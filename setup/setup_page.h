// CSetupPage: what every window of Setup's wizard shares besides the window
// handling (wizard_window.h): the wizard it belongs to, and the bindings of
// the navigation buttons. A page's "prebtn" and "nextbtn" go back and on
// (CSetupWizard::Back, Next) and its "cancelbtn" asks the quit question; a
// frame's "nextbtn" does the same and its "prebtn" is disabled (nothing lies
// before a frame's own screen; the pages over it have their own), its
// "closebtn" and "cancelbtn"
// quit through the wizard (the installation's cancel while it runs) and its
// "minbtn" minimises. Runs on the interface thread; owned by the wizard.
#pragma once

#include "setup_wizard.h"
#include "wizard_window.h"

class CSetupPage : public CWizardWnd {
public:
    explicit CSetupPage(CSetupWizard& wizard) : m_wizard(wizard) {}

protected:
    void BindPageButtons();
    void BindFrameButtons();

    CSetupWizard& m_wizard;
};
