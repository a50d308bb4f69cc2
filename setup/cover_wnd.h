// CCoverWnd: the frame of a fresh installation ("CoverWnd.xml"), Setup's
// top-level window. Its own layout is the first screen; the pages 1, 2, 3,
// 4, 6 and 7 are its children and lie on top of it.
//
// At creation it refuses to go on while the calendar runs (message
// "VELT电子日历正在运行中，请先结束进程才能继续", then the program ends) and
// removes the earlier edition's traces (legacy_cleanup.h) in either case.
// Its "nextbtn" and "prebtn" act on the visible page (Page1 to Page4; Page2's
// "nextbtn" only while it is enabled); on the first screen "nextbtn" shows
// Page1. "closebtn" and "cancelbtn" ask the quit question; while the
// installation runs they are the progress page's cancel. "minbtn" minimises.
// Runs on the interface thread; owned by WinMain.
#pragma once

#include "wizard_window.h"

class CDialogBuilderCallbackCoverWnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CCoverWnd : public CWizardWnd {
public:
    void Notify(TNotifyUI& msg) override;

protected:
    LPCTSTR LayoutName() const override { return L"CoverWnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    void Forward(LPCTSTR name);

    CDialogBuilderCallbackCoverWnd m_callback;
    CControlUI* m_pCloseBtn = nullptr;
    CControlUI* m_pMinBtn = nullptr;
    CControlUI* m_pPreBtn = nullptr;
    CControlUI* m_pNextBtn = nullptr;
    CControlUI* m_pCancelBtn = nullptr;
};
