#include "product.h"

#include <shlobj.h>
#include <shlwapi.h>

HKEY RecordRoot(int allUsers)
{
    return allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring AppExePath(const std::wstring& installDir)
{
    return installDir + L"\\" + kAppFileName;
}

std::wstring UninstallerExePath(const std::wstring& installDir)
{
    return installDir + L"\\" + kUninstallerFileName;
}

std::wstring UninstallCommand(const std::wstring& installDir)
{
    return L"\"" + UninstallerExePath(installDir) + L"\"";
}

std::wstring QuietUninstallCommand(const std::wstring& installDir)
{
    return UninstallCommand(installDir) + L" /S";
}

std::wstring AutostartCommand(const std::wstring& installDir)
{
    return L"\"" + AppExePath(installDir) + L"\"";
}

std::wstring ShellFolder(int csidl)
{
    WCHAR path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return std::wstring();
    return path;
}

namespace {

// folder + relative, joined by PathAppendW in a MAX_PATH buffer; empty when
// the folder is empty or the result does not fit.
std::wstring Append(const std::wstring& folder, const wchar_t* relative)
{
    if (folder.empty() || folder.size() >= MAX_PATH)
        return std::wstring();
    WCHAR path[MAX_PATH] = {};
    lstrcpynW(path, folder.c_str(), MAX_PATH);
    if (!PathAppendW(path, relative))
        return std::wstring();
    return path;
}

} // namespace

std::wstring DefaultInstallDir()
{
    return Append(ShellFolder(CSIDL_PROGRAM_FILES), kDefaultInstallSubdir);
}

int ProgramsFolderId(int allUsers)
{
    return allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
}

ShortcutPaths ComposeShortcutPaths(int allUsers)
{
    ShortcutPaths paths;
    const std::wstring programs = ShellFolder(ProgramsFolderId(allUsers));
    paths.programsGroup = Append(programs, kProgramsGroupFolder);
    paths.programsProduct = Append(paths.programsGroup, kProgramsProductFolder);
    paths.appLink = Append(paths.programsProduct, kAppShortcutName);
    paths.uninstallLink = Append(paths.programsProduct, kUninstallShortcutName);
    paths.oldAppLink = Append(Append(paths.programsGroup, kProgramsOldProductFolder), kAppShortcutName);
    paths.desktopLink = Append(ShellFolder(CSIDL_DESKTOPDIRECTORY), kAppShortcutName);
    paths.quickLaunchFolder = Append(ShellFolder(CSIDL_APPDATA), kQuickLaunchFolder);
    paths.quickLaunchLink = Append(paths.quickLaunchFolder, kAppShortcutName);
    return paths;
}
