// CPage7Wnd: the finish page ("Page7Wnd.xml"), shown by the install worker
// when the installation has completed. "runnowbtn" toggles g_bRunNow with its
// check look; "finishbtn" hides the page, makes the installation final and,
// when g_bRunNow is 1, starts the calendar (launch.h), then ends Setup.
#pragma once

#include "setup_page.h"

class CDialogBuilderCallbackPage7Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage7Wnd : public CSetupPage {
public:
    void Notify(TNotifyUI& msg) override;

protected:
    LPCTSTR LayoutName() const override { return L"Page7Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    CDialogBuilderCallbackPage7Wnd m_callback;
    CControlUI* m_pFinishBtn = nullptr;
    CControlUI* m_pRunNowBtn = nullptr;
};
