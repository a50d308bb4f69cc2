// CPage1Wnd: the welcome page ("Page1Wnd.xml"). "nextbtn" goes on to the
// licence page, "prebtn" back to the frame's first screen, "cancelbtn" asks
// the quit question. Its creation initialises COM on the interface thread
// (the folder browser and the launch need it); the page uninitialises it
// when it is destroyed, and only if its own call succeeded.
#pragma once

#include "com_ptr.h"
#include "setup_page.h"

#include <memory>

class CPage1Wnd : public CSetupPage {
public:
    using CSetupPage::CSetupPage;

protected:
    LPCTSTR LayoutName() const override { return L"Page1Wnd.xml"; }
    void OnLayoutBuilt() override
    {
        m_com = std::make_unique<ComScope>();
        BindPageButtons();
    }

private:
    std::unique_ptr<ComScope> m_com;
};
