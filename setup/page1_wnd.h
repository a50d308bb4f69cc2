// CPage1Wnd: the welcome page ("Page1Wnd.xml"). "nextbtn" goes on to the
// licence page, "prebtn" hides the page (the frame's first screen shows
// again), "cancelbtn" asks the quit question. Its creation initialises COM on
// the interface thread (the folder browser and the launch need it); the page
// uninitialises it when it is destroyed, and only if its own call succeeded.
#pragma once

#include "setup_page.h"

class CDialogBuilderCallbackPage1Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage1Wnd : public CSetupPage {
public:
    ~CPage1Wnd() override;
    void Notify(TNotifyUI& msg) override;

protected:
    LPCTSTR LayoutName() const override { return L"Page1Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    CDialogBuilderCallbackPage1Wnd m_callback;
    bool m_bComInitialised = false;
};
