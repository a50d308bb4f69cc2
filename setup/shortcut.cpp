#include "shortcut.h"

#include "com_ptr.h"
#include "install_journal.h"
#include "product.h"
#include "run_log.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace {

void MakeFolder(const std::wstring& folder, InstallJournal* journal)
{
    if (folder.empty() || PathFileExistsW(folder.c_str()))
        return;
    if (journal)
        journal->CreateLinkFolder(folder);
    else
        CreateDirectoryW(folder.c_str(), nullptr);
}

void MakeLink(const std::wstring& link, const std::wstring& target, InstallJournal* journal)
{
    if (link.empty())
        return;
    if (journal && !journal->PrepareLink(link))
        return;
    const bool saved = CreateShortcut(link, target, target.c_str());
    if (saved)
        LogLine(L"创建快捷方式：" + link);
    if (journal && (saved || PathFileExistsW(link.c_str())))
        journal->LinkWritten(link);
}

} // namespace

bool CreateShortcut(const std::wstring& link, const std::wstring& target, const wchar_t* icon)
{
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                IID_IShellLinkW, shellLink.OutVoid())))
        return false;
    if (FAILED(shellLink->SetPath(target.c_str())))
        return false;
    if (icon && FAILED(shellLink->SetIconLocation(icon, 0)))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.OutVoid())))
        return false;
    // Any non-zero "remember" flag makes the saved file the link's current one.
    return SUCCEEDED(file->Save(link.c_str(), 2));
}

void CreateProductShortcuts(int allUsers, const std::wstring& installDir, bool desktop, bool quickLaunch,
                            InstallJournal* journal)
{
    const ComScope com;
    const std::wstring app = AppExePath(installDir);
    const ShortcutPaths links = ComposeShortcutPaths(allUsers);
    MakeFolder(links.programsGroup, journal);
    MakeFolder(links.programsProduct, journal);
    MakeLink(links.appLink, app, journal);
    MakeLink(links.uninstallLink, UninstallerExePath(installDir), journal);
    if (desktop)
        MakeLink(links.desktopLink, app, journal);
    // The Quick Launch folder is never created: without it there is no link.
    if (quickLaunch && !links.quickLaunchFolder.empty() && PathIsDirectoryW(links.quickLaunchFolder.c_str()))
        MakeLink(links.quickLaunchLink, app, journal);
}
