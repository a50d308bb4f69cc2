// CPage4Wnd: the install location and options page ("Page4Wnd.xml").
//
// At creation "pathedit" gets the default directory (Program Files +
// "QRVL\\VELT电子日历"; the layout's text stays if the shell has no such
// folder) and "diskfreelabel" the 10MB text with the free space of its drive.
// After a folder was chosen with "browsebtn" (the chosen folder itself
// becomes the path) and whenever "pathedit" loses the focus, the label shows
// the 30MB text for the path then in the field. "desktopscbtn" and
// "startmenuscbtn" toggle g_bDesktopShortcut and g_bQuickLaunchShortcut with
// their check looks. "nextbtn" shows the progress page and starts the
// installation; "prebtn" goes back to the user information page;
// "cancelbtn" asks the quit question. Nothing is validated here: the install
// worker reports an unusable directory.
//
// GetInstallPath may be called from any thread (the worker and the rollback
// read it); everything else runs on the interface thread.
#pragma once

#include "setup_page.h"

#include <string>

class CDialogBuilderCallbackPage4Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage4Wnd : public CSetupPage {
public:
    void Notify(TNotifyUI& msg) override;

    // The text of "pathedit" exactly as typed or set (empty without the field).
    std::wstring GetInstallPath() const;
    // The free-space figure for that text (free_space.h).
    std::wstring GetFreeSpaceText() const;

protected:
    LPCTSTR LayoutName() const override { return L"Page4Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    void ShowSpace(const wchar_t* format);
    void Browse();

    CDialogBuilderCallbackPage4Wnd m_callback;
    CControlUI* m_pPathEdit = nullptr;
    CControlUI* m_pDesktopBtn = nullptr;
    CControlUI* m_pQuickLaunchBtn = nullptr;
    CControlUI* m_pBrowseBtn = nullptr;
    CControlUI* m_pDiskFreeLabel = nullptr;
};
