#include "legacy_cleanup.h"

#include "delete_path.h"
#include "process_state.h"
#include "product.h"
#include "protected_path.h"
#include "registry_key.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <string>

namespace {

// Reads "InstallLocation" of the open entry into a zeroed buffer; the buffer
// keeps one more zero so that the shell sees a list of one name.
bool ReadLocation(CRegistryKey& key, WCHAR (&location)[MAX_PATH + 1])
{
    ZeroMemory(location, sizeof location);
    ULONG bytes = MAX_PATH * sizeof(WCHAR);
    return key.ReadString(kValueInstallLocation, location, &bytes) == ERROR_SUCCESS;
}

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

void DeleteFolder(const std::wstring& folder, bool announce)
{
    if (folder.empty() || IsProtectedPath(folder))
        return;
    if (announce) {
        SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, folder.c_str(), nullptr);
    }
    DeletePath(folder.c_str());
}

void DeleteShellFile(int csidl, const wchar_t* relative)
{
    WCHAR path[MAX_PATH + 1] = {};
    if (SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE) && PathAppendW(path, relative))
        DeleteFileW(path);
}

void RemoveProgramFolder(const std::wstring& entryPath)
{
    WCHAR location[MAX_PATH + 1] = {};
    CRegistryKey key;
    if (key.Open(RecordRoot(g_bAllUsers), entryPath.c_str(), kFullAccess) == ERROR_SUCCESS &&
        ReadLocation(key, location)) {
        if (location[0])
            DeleteFolder(ProgramFolder(location), true);
        return;
    }
    key.Close();
    if (key.Open(HKEY_CURRENT_USER, entryPath.c_str(), kFullAccess) == ERROR_SUCCESS && ReadLocation(key, location)) {
        if (location[0])
            DeleteFolder(ProgramFolder(location), false);
        g_bAllUsers = 0;
    }
}

} // namespace

void CleanLegacyInstall()
{
    const std::wstring entryPath = std::wstring(kUninstallParentKey) + L"\\" + kLegacyProductCode;
    RemoveProgramFolder(entryPath);

    DeleteShellFile(ProgramsFolderId(g_bAllUsers), kLegacyProgramsShortcut);
    DeleteShellFile(CSIDL_DESKTOPDIRECTORY, kLegacyDesktopShortcut);
    DeleteShellFile(CSIDL_COMMON_DESKTOPDIRECTORY, kLegacyDesktopShortcut);

    CRegistryKey key;
    if (key.Open(RecordRoot(g_bAllUsers), kRunKey, kFullAccess) == ERROR_SUCCESS)
        RegDeleteValueW(key.Handle(), kLegacyAutostartValueName);
    key.Close();
    if (key.Open(RecordRoot(g_bAllUsers), kUninstallParentKey, kFullAccess) == ERROR_SUCCESS)
        key.DeleteKey(kLegacyProductCode);
    key.Close();
    if (key.Open(RecordRoot(g_bAllUsers), kLegacyProductsKey, kFullAccess) == ERROR_SUCCESS)
        key.DeleteTree(kLegacyPackedProductCode);
    key.Close();
}
