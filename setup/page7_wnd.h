// CPage7Wnd: the finish page ("Page7Wnd.xml"), shown when the installation
// has completed. "runnowbtn" toggles the wizard's run-now choice with its
// check look; "finishbtn" hides the page, makes the installation final and,
// when run-now is chosen, starts the calendar (launch.h), then ends Setup.
#pragma once

#include "option_looks.h"
#include "setup_page.h"

class CPage7Wnd : public CSetupPage {
public:
    using CSetupPage::CSetupPage;

protected:
    LPCTSTR LayoutName() const override { return L"Page7Wnd.xml"; }
    void OnLayoutBuilt() override
    {
        CControlUI* runNow = Control(L"runnowbtn");
        OnClick(L"runnowbtn", [this, runNow] { SetCheckLook(runNow, m_wizard.ToggleRunNow()); });
        OnClick(L"finishbtn", [this] { m_wizard.Finish(); });
    }
};
