#include "page4_wnd.h"

#include "folder_acl.h"
#include "free_space.h"
#include "option_looks.h"
#include "path_identity.h"
#include "path_naming.h"
#include "paths.h"
#include "product.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace {

const wchar_t kSpaceAtStart[] = L"所需空间：10MB  可用空间：%s";
const wchar_t kSpaceAfterChange[] = L"所需空间：30MB  可用空间：%s";
const wchar_t kBrowseTitle[] = L"选择安装路径";

// An item list from the shell, freed with the task allocator.
class ItemList {
public:
    explicit ItemList(PIDLIST_ABSOLUTE list) : m_list(list) {}
    ~ItemList() { CoTaskMemFree(m_list); }
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    PIDLIST_ABSOLUTE Get() const { return m_list; }

private:
    PIDLIST_ABSOLUTE m_list;
};

} // namespace

void CPage4Wnd::OnLayoutBuilt()
{
    BindPageButtons();
    m_pPathEdit = Control(L"pathedit");
    CControlUI* desktop = Control(L"desktopscbtn");
    OnClick(L"desktopscbtn", [this, desktop] { SetCheckLook(desktop, m_wizard.ToggleDesktopShortcut()); });
    CControlUI* quickLaunch = Control(L"startmenuscbtn");
    OnClick(L"startmenuscbtn",
            [this, quickLaunch] { SetCheckLook(quickLaunch, m_wizard.ToggleQuickLaunchShortcut()); });
    OnClick(L"browsebtn", [this] { Browse(); });
    m_pDiskFreeLabel = Control(L"diskfreelabel");

    const std::wstring defaultDir = DefaultInstallDir();
    if (m_pPathEdit && !defaultDir.empty())
        m_pPathEdit->SetText(defaultDir.c_str());
    ShowSpace(kSpaceAtStart);
}

std::wstring CPage4Wnd::TypedPath() const
{
    return m_pPathEdit ? std::wstring(m_pPathEdit->GetText().GetData()) : std::wstring();
}

std::wstring CPage4Wnd::InstallPath() const
{
    return FullPath(TypedPath());
}

bool CPage4Wnd::MayInstallFor(int allUsers)
{
    const std::wstring path = InstallPath();
    if (!allUsers || path.empty() || !PathIsDirectoryW(path.c_str()) || !FolderLetsOrdinaryUsersWrite(path))
        return true;
    MessageBoxW(m_hWnd, kMsgUserWritableFolder, kCaptionNotice, MB_ICONINFORMATION);
    return false;
}

bool CPage4Wnd::AcceptsPath()
{
    if (FollowsNamingRules(TypedPath()) && !IsDisguisedPath(InstallPath()))
        return true;
    MessageBoxW(m_hWnd, kMsgBadInstallPath, kCaptionError, MB_ICONERROR);
    return false;
}

void CPage4Wnd::ShowSpace(const wchar_t* format)
{
    if (!m_pDiskFreeLabel)
        return;
    CStdString text;
    text.Format(format, FreeSpaceFigure(InstallPath()).c_str());
    m_pDiskFreeLabel->SetText(text);
}

void CPage4Wnd::Browse()
{
    WCHAR displayName[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = m_hWnd;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = kBrowseTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    const ItemList chosen(SHBrowseForFolderW(&info));
    if (!chosen.Get())
        return;
    WCHAR path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(chosen.Get(), path))
        return;
    if (m_pPathEdit)
        m_pPathEdit->SetText(path);
    ShowSpace(kSpaceAfterChange);
}

void CPage4Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType == L"killfocus" && msg.pSender && msg.pSender == m_pPathEdit) {
        // A name that breaks the rules stays as typed, for the page to refuse.
        const std::wstring typed = TypedPath(), full = InstallPath();
        if (full != typed && FollowsNamingRules(typed))
            m_pPathEdit->SetText(full.c_str());
        ShowSpace(kSpaceAfterChange);
    } else
        CSetupPage::Notify(msg);
}
