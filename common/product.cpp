#include "product.h"

#include "registry_key.h"

#include <shlobj.h>
#include <shlwapi.h>

HKEY RecordRoot(int allUsers)
{
    return allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring InstallRecordKeyPath(const std::wstring& productKey)
{
    return std::wstring(kUninstallParentKey) + L"\\" + productKey;
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

std::wstring AutostartCommand(const std::wstring& installDir)
{
    return L"\"" + AppExePath(installDir) + L"\"";
}

std::vector<RecordValue> InstallRecordValues(const std::wstring& installDir, RecordWriter writer)
{
    if (writer == RecordWriter::Install) {
        return {
            {kValueDisplayName, kDisplayName},
            {kValueInstallLocation, installDir},
            {kValuePublisher, kPublisher},
            {kValueUninstallString, UninstallCommand(installDir)},
        };
    }
    return {
        {kValueDisplayName, kDisplayName},
        {kValueUninstallStringRepair, UninstallCommand(installDir)},
        {kValueInstallLocation, installDir},
        {kValuePublisher, kPublisher},
    };
}

LONG WriteInstallRecord(int allUsers, const std::wstring& productKey, const std::wstring& installDir,
                        RecordWriter writer)
{
    CRegistryKey key;
    LONG rc = key.Create(RecordRoot(allUsers), InstallRecordKeyPath(productKey).c_str());
    if (rc != ERROR_SUCCESS)
        return rc;
    for (const RecordValue& value : InstallRecordValues(installDir, writer))
        key.WriteString(value.name, value.data.c_str());
    return ERROR_SUCCESS;
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

std::wstring ProgramsProductFolder(int allUsers)
{
    return Append(ShellFolder(ProgramsFolderId(allUsers)), kProgramsProductDir);
}

ShortcutPaths ComposeShortcutPaths(int allUsers)
{
    ShortcutPaths paths;
    const std::wstring programs = ShellFolder(ProgramsFolderId(allUsers));
    paths.programsGroup = Append(programs, kProgramsGroupDir);
    paths.programsProduct = Append(programs, kProgramsProductDir);
    paths.appLink = Append(paths.programsProduct, kAppShortcutName);
    paths.uninstallLink = Append(paths.programsProduct, kUninstallShortcutName);
    paths.desktopLink = Append(ShellFolder(CSIDL_DESKTOPDIRECTORY), kAppShortcutName);
    const std::wstring quickLaunch = Append(ShellFolder(CSIDL_APPDATA), kQuickLaunchFolder);
    paths.quickLaunchLink = Append(quickLaunch, kAppShortcutName);
    return paths;
}
