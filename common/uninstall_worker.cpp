#include "uninstall_worker.h"

#include "delayed_removal.h"
#include "delete_path.h"
#include "install_removal.h"
#include "maintenance_pages.h"
#include "process_state.h"
#include "product.h"
#include "protected_path.h"
#include "registry_key.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace {

// Reads "InstallLocation" of the open record into a zeroed buffer of
// MAX_PATH + 1 units (the last one is never written).
bool ReadLocation(CRegistryKey& key, WCHAR (&location)[MAX_PATH + 1])
{
    ZeroMemory(location, sizeof location);
    ULONG bytes = MAX_PATH * sizeof(WCHAR);
    return key.ReadString(kValueInstallLocation, location, &bytes) == ERROR_SUCCESS;
}

// Shell folder + relative path in a zeroed MAX_PATH buffer; empty when the
// folder is unknown or the result does not fit.
std::wstring FolderPath(int csidl, LPCWSTR relative)
{
    WCHAR path[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE) || !PathAppendW(path, relative))
        return std::wstring();
    return path;
}

void DeleteUnlessProtected(const std::wstring& path)
{
    if (!path.empty() && !IsProtectedPath(path))
        DeletePath(path.c_str());
}

} // namespace

DWORD WINAPI UninstallThreadProc(LPVOID param)
{
    static_cast<CPage10Wnd*>(param)->DoUninstall();
    return 0;
}

void CPage10Wnd::DoUninstall()
{
    const std::wstring recordPath = InstallRecordKeyPath(g_strProductKey);
    WCHAR location[MAX_PATH + 1] = {};
    RemovalScope scope = RemovalScope::Nothing;
    int parents = 0;
    CRegistryKey key;
    if (key.Open(RecordRoot(g_bAllUsers), recordPath.c_str(), kFullAccess) == ERROR_SUCCESS) {
        if (ReadLocation(key, location)) {
            if (location[0]) {
                SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
                SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
                SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, location, nullptr);
                scope = RemoveInstalledFiles(location, &parents);
            }
        } else {
            key.Close();
            if (key.Open(HKEY_CURRENT_USER, recordPath.c_str(), kFullAccess) == ERROR_SUCCESS &&
                ReadLocation(key, location)) {
                if (location[0])
                    scope = RemoveInstalledFiles(location, &parents);
                g_bAllUsers = 0;
            } else {
                ZeroMemory(location, sizeof location);
            }
        }
        g_strInstallDir = location;
        // What is still in use (this program's own files) goes once the
        // program has ended; the whole tree only when the installation made it.
        if (!g_strInstallDir.empty() && scope != RemovalScope::Nothing) {
            if (scope == RemovalScope::WholeDirectory)
                StartDelayedRemoval(g_strInstallDir, DelayedRemoval::WholeTree, kDelayedRemovalTries, parents);
            else
                StartDelayedRemoval(g_strInstallDir, DelayedRemoval::UninstallerOnly);
        }
    }
    g_nRemovalScope = static_cast<int>(scope);
    g_nRemovalParents = parents;
    key.Close();

    const int maxWidth = BarMaxWidth();
    SetBarWidth(maxWidth / 3);

    const int programs = ProgramsFolderId(g_bAllUsers);
    DeleteUnlessProtected(FolderPath(programs, kProgramsOldAppShortcut));
    DeleteUnlessProtected(FolderPath(programs, kProgramsProductDir));
    const std::wstring group = FolderPath(programs, kProgramsGroupDir);
    if (!group.empty() && PathIsDirectoryEmptyW(group.c_str()))
        DeleteUnlessProtected(group);
    DeleteUnlessProtected(FolderPath(CSIDL_DESKTOPDIRECTORY, kAppShortcutName));
    DeleteUnlessProtected(
        FolderPath(CSIDL_APPDATA, (std::wstring(kQuickLaunchFolder) + L"\\" + kAppShortcutName).c_str()));

    SetBarWidth(2 * maxWidth / 3);

    if (key.Open(RecordRoot(g_bAllUsers), kRunKey, kFullAccess) == ERROR_SUCCESS)
        RegDeleteValueW(key.Handle(), kAutostartValueName);
    key.Close();
    if (key.Open(RecordRoot(g_bAllUsers), kUninstallParentKey, kFullAccess) == ERROR_SUCCESS)
        key.DeleteKey(g_strProductKey.c_str());
    key.Close();

    SetBarWidth(maxWidth);
    g_bUninstallDone = 1;

    if (!LeaveWindowsAlone()) {
        if (g_pPage11Wnd)
            g_pPage11Wnd->ShowWindow(true);
        ShowWindow(false);
    }
}
