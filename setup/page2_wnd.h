// CPage2Wnd: the licence agreement page ("Page2Wnd.xml"). The check button
// "licensebtn" switches between accepted (the start) and not accepted, with
// its look and the enabled state of "nextbtn"; "nextbtn" goes on to the user
// information page, "prebtn" back to the welcome page, "cancelbtn" asks the
// quit question. Nothing outside this page reads the acceptance.
#pragma once

#include "setup_page.h"

class CDialogBuilderCallbackPage2Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage2Wnd : public CSetupPage {
public:
    void Notify(TNotifyUI& msg) override;
    int Accepted() const { return m_bAccepted; }

protected:
    LPCTSTR LayoutName() const override { return L"Page2Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    CDialogBuilderCallbackPage2Wnd m_callback;
    CControlUI* m_pLicenseBtn = nullptr;
    int m_bAccepted = 1;
};
