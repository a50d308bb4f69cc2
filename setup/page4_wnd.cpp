#include "page4_wnd.h"

#include "free_space.h"
#include "page3_wnd.h"
#include "page6_wnd.h"
#include "product.h"
#include "setup_state.h"

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
    m_pPreBtn = Control(L"prebtn");
    m_pNextBtn = Control(L"nextbtn");
    m_pCancelBtn = Control(L"cancelbtn");
    m_pPathEdit = Control(L"pathedit");
    m_pDesktopBtn = Control(L"desktopscbtn");
    m_pQuickLaunchBtn = Control(L"startmenuscbtn");
    m_pBrowseBtn = Control(L"browsebtn");
    m_pDiskFreeLabel = Control(L"diskfreelabel");

    if (m_pPathEdit) {
        WCHAR path[MAX_PATH] = {};
        if (SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILES, FALSE) &&
            PathAppendW(path, kDefaultInstallSubdir))
            m_pPathEdit->SetText(path);
    }
    ShowSpace(kSpaceAtStart);
}

std::wstring CPage4Wnd::GetInstallPath() const
{
    return m_pPathEdit ? std::wstring(m_pPathEdit->GetText().GetData()) : std::wstring();
}

std::wstring CPage4Wnd::GetFreeSpaceText() const
{
    return FreeSpaceFigure(GetInstallPath());
}

void CPage4Wnd::ShowSpace(const wchar_t* format)
{
    if (!m_pDiskFreeLabel)
        return;
    CStdString text;
    text.Format(format, GetFreeSpaceText().c_str());
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
    if (!msg.pSender)
        return;
    CControlUI* sender = msg.pSender;
    if (msg.sType == L"killfocus") {
        if (sender == m_pPathEdit)
            ShowSpace(kSpaceAfterChange);
        return;
    }
    if (msg.sType != L"click")
        return;
    if (sender == m_pDesktopBtn) {
        g_bDesktopShortcut = g_bDesktopShortcut ? 0 : 1;
        SetCheckLook(m_pDesktopBtn, g_bDesktopShortcut != 0);
    } else if (sender == m_pQuickLaunchBtn) {
        g_bQuickLaunchShortcut = g_bQuickLaunchShortcut ? 0 : 1;
        SetCheckLook(m_pQuickLaunchBtn, g_bQuickLaunchShortcut != 0);
    } else if (sender == m_pBrowseBtn) {
        Browse();
    } else if (sender == m_pNextBtn) {
        if (g_pPage6Wnd && !g_pPage6Wnd->WorkerStarted()) {
            GoTo(g_pPage6Wnd);
            g_pPage6Wnd->StartInstall();
        }
    } else if (sender == m_pPreBtn) {
        GoTo(g_pPage3Wnd);
    } else if (sender == m_pCancelBtn) {
        AskQuit();
    }
}
