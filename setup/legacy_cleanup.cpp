#include "legacy_cleanup.h"

#include "delete_path.h"
#include "install_record.h"
#include "product.h"
#include "paths.h"
#include "protected_path.h"
#include "raised_priority.h"
#include "record_trust.h"
#include "registry_key.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <string>

namespace {

// The earlier edition's program folder below a recorded location, or empty
// when it does not fit a path buffer.
std::wstring ProgramFolder(const WCHAR* location)
{
    WCHAR folder[MAX_PATH + 1] = {};
    lstrcpynW(folder, location, MAX_PATH);
    if (!PathAppendW(folder, kLegacyProgramSubfolder))
        return std::wstring();
    return folder;
}

// The earlier edition's folder: a full path, not protected, holding that
// edition's program as a file.
bool IsEarlierEditionFolder(const std::wstring& folder)
{
    if (folder.empty() || NormalisePath(folder).empty() || IsProtectedPath(folder))
        return false;
    const DWORD attributes = GetFileAttributesW(JoinPath(folder, kAppFileName).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteFolder(const std::wstring& folder, bool announce)
{
    if (!IsEarlierEditionFolder(folder))
        return;
    if (!announce) {
        DeletePath(folder.c_str());
        return;
    }
    const RaisedPriority raised;
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, folder.c_str(), nullptr);
    DeletePath(folder.c_str());
}

void DeleteShellFile(int csidl, const wchar_t* relative)
{
    WCHAR path[MAX_PATH + 1] = {};
    if (SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE) && PathAppendW(path, relative))
        DeleteFileW(path);
}

// Returns the all-users flag to go on with.
int RemoveProgramFolder(const std::wstring& entryPath, int allUsers)
{
    WCHAR location[MAX_PATH + 1] = {};
    CRegistryKey key;
    if (key.Open(RecordRoot(allUsers), entryPath.c_str(), kFullAccess) == ERROR_SUCCESS &&
        ReadInstallLocation(key, location)) {
        if (location[0])
            DeleteFolder(ProgramFolder(location), true);
        return allUsers;
    }
    key.Close();
    if (key.Open(HKEY_CURRENT_USER, entryPath.c_str(), kFullAccess) == ERROR_SUCCESS &&
        ReadTrustedInstallLocation(key, HKEY_CURRENT_USER, location)) {
        if (location[0])
            DeleteFolder(ProgramFolder(location), false);
        return 0;
    }
    return allUsers;
}

} // namespace

int CleanLegacyInstall(int allUsers)
{
    allUsers = RemoveProgramFolder(InstallRecordKeyPath(kLegacyProductCode), allUsers);

    DeleteShellFile(ProgramsFolderId(allUsers), kLegacyProgramsShortcut);
    DeleteShellFile(CSIDL_DESKTOPDIRECTORY, kLegacyDesktopShortcut);
    DeleteShellFile(CSIDL_COMMON_DESKTOPDIRECTORY, kLegacyDesktopShortcut);

    CRegistryKey key;
    if (key.Open(RecordRoot(allUsers), kRunKey, kFullAccess) == ERROR_SUCCESS)
        RegDeleteValueW(key.Handle(), kLegacyAutostartValueName);
    key.Close();
    if (key.Open(RecordRoot(allUsers), kUninstallParentKey, kFullAccess) == ERROR_SUCCESS)
        key.DeleteKey(kLegacyProductCode);
    key.Close();
    // The installer service keeps its product registrations in the 64-bit
    // view; this 32-bit program would otherwise look under Wow6432Node. The
    // view bit is ignored on 32-bit Windows, and the key keeps it for the
    // deletion below.
    if (key.Open(RecordRoot(allUsers), kLegacyProductsKey, kFullAccess | KEY_WOW64_64KEY) == ERROR_SUCCESS)
        key.DeleteTree(kLegacyPackedProductCode);
    key.Close();
    return allUsers;
}
