#include "shortcut.h"

#include "com_ptr.h"
#include "install_journal.h"
#include "product.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace {

// folder + relative in a MAX_PATH buffer; empty when it does not fit.
std::wstring Append(const std::wstring& folder, const wchar_t* relative)
{
    WCHAR path[MAX_PATH] = {};
    if (folder.empty() || folder.size() >= MAX_PATH)
        return std::wstring();
    lstrcpynW(path, folder.c_str(), MAX_PATH);
    if (!PathAppendW(path, relative))
        return std::wstring();
    return path;
}

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
    const std::wstring programs = ShellFolder(ProgramsFolderId(allUsers));
    const std::wstring group = Append(programs, kProgramsGroupFolder);
    MakeFolder(group, journal);
    const std::wstring product = Append(group, kProgramsProductFolder);
    MakeFolder(product, journal);
    MakeLink(Append(product, kAppShortcutName), app, journal);
    MakeLink(Append(product, kUninstallShortcutName), UninstallerExePath(installDir), journal);
    if (desktop)
        MakeLink(Append(ShellFolder(CSIDL_DESKTOPDIRECTORY), kAppShortcutName), app, journal);
    if (quickLaunch) {
        const std::wstring quickLaunchFolder = Append(ShellFolder(CSIDL_APPDATA), kQuickLaunchFolder);
        // The Quick Launch folder is never created: without it there is no link.
        if (!quickLaunchFolder.empty() && PathIsDirectoryW(quickLaunchFolder.c_str()))
            MakeLink(Append(quickLaunchFolder, kAppShortcutName), app, journal);
    }
}
