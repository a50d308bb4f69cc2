// CPage2Wnd: the licence agreement page ("Page2Wnd.xml"). The check button
// "licensebtn" switches between accepted (the start) and not accepted, with
// its look and the enabled state of "nextbtn"; the wizard leaves the page
// forward only while it is accepted. "nextbtn" goes on to the user
// information page, "prebtn" back to the welcome page, "cancelbtn" asks the
// quit question.
#pragma once

#include "setup_page.h"

class CPage2Wnd : public CSetupPage {
public:
    using CSetupPage::CSetupPage;
    bool Accepted() const { return m_accepted; }

protected:
    LPCTSTR LayoutName() const override { return L"Page2Wnd.xml"; }
    void OnLayoutBuilt() override;

private:
    bool m_accepted = true;
};
