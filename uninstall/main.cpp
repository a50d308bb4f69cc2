// Uninstall's entry: sets up the skin archive "Uninstall.DAT" beside the
// executable and checks that it holds the frame's layout (if not: the
// damaged-installer message, and the program ends having touched nothing),
// takes the exit lock that the delayed removal waits for, probes
// the install record (HKEY_LOCAL_MACHINE, then HKEY_CURRENT_USER), creates the
// confirmation frame and its two pages, runs the message loop, waits for a
// running uninstall worker, releases the windows and, after a completed
// removal, has its own folder removed once it has exited. Ignores its command
// line; returns 0 in every case.
#include "delayed_removal.h"
#include "install_removal.h"
#include "maintenance_pages.h"
#include "page9_wnd.h"
#include "process_state.h"
#include "product.h"
#include "protected_path.h"
#include "registry_key.h"
#include "skin_check.h"
#include "uninstall_state.h"

#include <shlwapi.h>

#include <new>

CPage9Wnd* g_pPage9Wnd = nullptr;
std::wstring g_strModuleDir;

namespace {

// 1 when the record exists under HKEY_LOCAL_MACHINE, else 0 when it exists
// under HKEY_CURRENT_USER, else 1.
int ProbeAllUsers()
{
    const std::wstring path = InstallRecordKeyPath(g_strProductKey);
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, path.c_str(), kProbeAccess) == ERROR_SUCCESS)
        return 1;
    key.Close();
    if (key.Open(HKEY_CURRENT_USER, path.c_str(), kProbeAccess) == ERROR_SUCCESS)
        return 0;
    return 1;
}

bool CreateWindows()
{
    g_pPage9Wnd = new (std::nothrow) CPage9Wnd;
    if (!g_pPage9Wnd)
        return false;
    g_pPage9Wnd->Create(nullptr, kUninstallWindowTitle, 0x96C80000, 0, 0, 0, 517, 397);
    g_pPage9Wnd->CenterWindow();
    ::ShowWindow(g_pPage9Wnd->GetHWND(), SW_SHOW);

    g_pPage10Wnd = new (std::nothrow) CPage10Wnd;
    if (!g_pPage10Wnd)
        return false;
    g_pPage10Wnd->Create(g_pPage9Wnd->GetHWND(), L"Page10", 0x56000000, 0, 5, 31, 511, 391);
    ::ShowWindow(g_pPage10Wnd->GetHWND(), SW_HIDE);

    g_pPage11Wnd = new (std::nothrow) CPage11Wnd;
    if (!g_pPage11Wnd)
        return false;
    g_pPage11Wnd->Create(g_pPage9Wnd->GetHWND(), L"Page11", 0x56000000, 0, 5, 31, 511, 391);
    ::ShowWindow(g_pPage11Wnd->GetHWND(), SW_HIDE);
    return true;
}

void ReleaseWindows()
{
    // Destroying the frame destroys its pages too, while every object is
    // still alive; then the objects go in creation order.
    if (g_pPage9Wnd && IsWindow(g_pPage9Wnd->GetHWND()))
        DestroyWindow(g_pPage9Wnd->GetHWND());
    delete g_pPage9Wnd;
    g_pPage9Wnd = nullptr;
    delete g_pPage10Wnd;
    g_pPage10Wnd = nullptr;
    delete g_pPage11Wnd;
    g_pPage11Wnd = nullptr;
}

// After a completed removal: the folder Uninstall runs from goes once
// Uninstall has ended, but only when it is the recorded installation
// directory; the whole tree only when the installation created it, else just
// Uninstall's own three files and then the folder if it is empty. A folder
// whose name the interpreter would rewrite is not handed to it: what is not
// in use goes at once and the rest stays (delayed_removal.h).
void StartSelfRemoval()
{
    if (!g_bUninstallDone || g_strInstallDir.empty() || !SamePath(g_strModuleDir, g_strInstallDir))
        return;
    if (g_nRemovalScope == static_cast<int>(RemovalScope::WholeDirectory))
        StartDelayedRemoval(g_strModuleDir, DelayedRemoval::WholeTree, kDelayedRemovalTries, g_nRemovalParents);
    else
        StartDelayedRemoval(g_strModuleDir, DelayedRemoval::UninstallerOnly);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CPaintManagerUI::SetInstance(instance);
    CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
    CPaintManagerUI::SetResourceZip(kUninstallSkinFileName);
    if (!CheckSkinOrReport(kPage9Layout))
        return 0;

    HoldExitLockUntilExit();
    // Started from its own folder (a double click), Uninstall would keep that
    // folder busy as its current directory and the final removal would fail.
    WCHAR neutral[MAX_PATH] = {};
    if (GetSystemDirectoryW(neutral, MAX_PATH))
        SetCurrentDirectoryW(neutral);

    WCHAR module[MAX_PATH] = {};
    GetModuleFileNameW(instance, module, MAX_PATH);
    PathRemoveFileSpecW(module);
    g_strModuleDir = module;

    g_bAllUsers = ProbeAllUsers();

    if (CreateWindows())
        CPaintManagerUI::MessageLoop();

    if (g_pPage9Wnd && IsWindow(g_pPage9Wnd->GetHWND()))
        ::ShowWindow(g_pPage9Wnd->GetHWND(), SW_HIDE);
    if (g_pPage10Wnd)
        g_pPage10Wnd->WaitForWorker();
    ReleaseWindows();

    StartSelfRemoval();
    return 0;
}
