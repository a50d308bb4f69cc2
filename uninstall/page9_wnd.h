// CPage9Wnd: Uninstall's confirmation frame, the program's top-level window
// ("Page9Wnd.xml"), with the progress and completion pages as its children.
//
// "closebtn" and "cancelbtn" end Uninstall at once, without a question;
// "minbtn" minimises; "nextbtn" refuses while the calendar runs (message
// "VELT电子日历正在运行中，请先结束进程才能继续", caption "提示", error icon),
// otherwise shows the progress page over the frame and starts the uninstall
// worker on it (once; a second press while it runs does nothing). Reacts to
// "click" only. Owned by WinMain.
#pragma once

#include "wizard_window.h"

// The frame's layout in "Uninstall.DAT".
inline constexpr wchar_t kPage9Layout[] = L"Page9Wnd.xml";

class CDialogBuilderCallbackPage9Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage9Wnd : public CWizardWnd {
public:
    void Notify(TNotifyUI& msg) override;

protected:
    LPCTSTR LayoutName() const override { return kPage9Layout; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    CDialogBuilderCallbackPage9Wnd m_callback;
    CControlUI* m_pDelDataBtn = nullptr;  // not in the shipped layout; nothing reads it
    CControlUI* m_pCloseBtn = nullptr;
    CControlUI* m_pMinBtn = nullptr;
    CControlUI* m_pNextBtn = nullptr;
    CControlUI* m_pCancelBtn = nullptr;
};
