// CPage8Wnd: the frame of maintenance mode ("Page8Wnd.xml"), Setup's
// top-level window when the product is recorded. Its own layout is the
// choice between repair ("fixbtn") and removal ("uninstallbtn", the start
// choice); Page9 to Page13 are its children.
//
// "nextbtn": on the choice screen, removal shows the confirmation page
// (Page9) and repair shows the repair progress page and starts the repair,
// once; while Page9 shows, it is Page9's own "nextbtn"; while a progress or
// completion page shows, nothing. "prebtn" is Page9's own while Page9 shows.
// "closebtn" and "cancelbtn" ask the quit question; "minbtn" minimises. No
// resize borders. Runs on the interface thread; owned by WinMain.
#pragma once

#include "wizard_window.h"

class CDialogBuilderCallbackPage8Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage8Wnd : public CWizardWnd {
public:
    void Notify(TNotifyUI& msg) override;

protected:
    LPCTSTR GetWindowClassName() const override { return L"Page8Wnd"; }
    UINT GetClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS; }
    bool HasResizeBorders() const override { return false; }
    LPCTSTR LayoutName() const override { return L"Page8Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    void Choose(int uninstall);

    CDialogBuilderCallbackPage8Wnd m_callback;
    CControlUI* m_pCloseBtn = nullptr;
    CControlUI* m_pMinBtn = nullptr;
    CControlUI* m_pPreBtn = nullptr;
    CControlUI* m_pNextBtn = nullptr;
    CControlUI* m_pCancelBtn = nullptr;
    CControlUI* m_pFixBtn = nullptr;
    CControlUI* m_pUninstallBtn = nullptr;
};
