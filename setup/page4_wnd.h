// CPage4Wnd: the install location and options page ("Page4Wnd.xml").
//
// At creation "pathedit" gets the default directory (Program Files +
// "QRVL\\VELT电子日历"; the layout's text stays if the shell has no such
// folder) and "diskfreelabel" the 10MB text with the free space of its drive.
// After a folder was chosen with "browsebtn" (the chosen folder itself
// becomes the path) and whenever "pathedit" loses the focus, the label shows
// the 30MB text for the path then in the field; leaving the field also
// shows the path typed there as the full path it stands for (relative to
// Setup's current folder), unless it breaks Windows' naming rules
// (path_naming.h). "desktopscbtn" and
// "startmenuscbtn" toggle the wizard's desktop and Quick Launch shortcut
// choices with their check looks. "nextbtn" goes on to the progress page,
// which starts the installation with InstallPath; "prebtn" goes back to the
// user information page; "cancelbtn" asks the quit question. Before the
// wizard goes on, AcceptsPath refuses, with the bad-path message, a typed or
// browsed path that Windows would not take as a folder's name
// (FollowsNamingRules: a misplaced ':', < > " | ? *, a control character, a
// component ending in '.' or ' ', a device name such as NUL or COM1) or
// that does not name itself (IsDisguisedPath: a short name, a link, a
// junction, a subst drive, a device or literal form, an administrative
// share), and MayInstallFor, for all users,
// an existing folder that ordinary users can write (folder_acl.h) with a
// notice; the page stays. Every other unusable directory is reported by the
// install worker.
#pragma once

#include "setup_page.h"

#include <string>

class CPage4Wnd : public CSetupPage {
public:
    using CSetupPage::CSetupPage;
    void Notify(TNotifyUI& msg) override;

    // The full path (GetFullPathNameW) of the text of "pathedit", the text
    // as it is when it has none (empty without the field or with no text);
    // what the install worker, its record and its manifest are given.
    std::wstring InstallPath() const;
    // False, after the notice "所选文件夹可被普通用户修改，请选择其他安装位置。"
    // (caption "提示", owned by this page), when allUsers is set and the
    // path names an existing folder that ordinary users can write.
    bool MayInstallFor(int allUsers);
    // False, after the bad-path message owned by the page, for a disguised path.
    bool AcceptsPath();

protected:
    LPCTSTR LayoutName() const override { return L"Page4Wnd.xml"; }
    void OnLayoutBuilt() override;

private:
    // The text of "pathedit" exactly as typed or set (empty without the field).
    std::wstring TypedPath() const;
    void ShowSpace(const wchar_t* format);
    void Browse();

    CControlUI* m_pPathEdit = nullptr;
    CControlUI* m_pDiskFreeLabel = nullptr;
};
