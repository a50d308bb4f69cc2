// CPage9Wnd: Setup's removal confirmation page ("Page9Wnd.xml"), a child of
// the maintenance frame. "nextbtn" refuses while the calendar runs (message
// "VELT电子日历正在运行中，请先结束进程才能继续" every time), otherwise shows
// the removal progress page, hides itself and starts the uninstall worker
// (once). "prebtn" shows the choice screen again (the option as it was);
// "cancelbtn" asks the quit question. "deldatabtn" is looked up and never
// read.
#pragma once

#include "setup_page.h"

class CDialogBuilderCallbackPage9Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage9Wnd : public CSetupPage {
public:
    void Notify(TNotifyUI& msg) override;

protected:
    LPCTSTR LayoutName() const override { return L"Page9Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    CDialogBuilderCallbackPage9Wnd m_callback;
    CControlUI* m_pDelDataBtn = nullptr;
};
