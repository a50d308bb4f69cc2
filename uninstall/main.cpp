// Uninstall's entry: first narrows the DLL search to the system folder
// (system_dll.h), then sets up the skin archive "Uninstall.DAT" beside the
// executable and checks that it holds the frame's layout (if not: the
// damaged-installer message, and the program ends having touched nothing),
// takes the exit lock that the delayed removal waits for, leaves its own
// folder as the current directory, probes the install record
// (HKEY_LOCAL_MACHINE, then HKEY_CURRENT_USER; a record of the current
// user's that an elevated Uninstall may not trust, record_trust.h: the
// not-installed message, owned by no window, and the program ends having
// touched nothing), runs the wizard
// (uninstall_wizard.h) and, after a completed removal, has its own folder
// removed once it has exited. Ignores its command line; returns 0 in every
// case.
#include "delayed_removal.h"
#include "install_record.h"
#include "paths.h"
#include "product.h"
#include "skin_check.h"
#include "system_dll.h"
#include "uninstall_wizard.h"

#include "UIlib.h"

#include <shlwapi.h>

namespace {

// After a completed removal: the folder Uninstall runs from goes once
// Uninstall has ended, but only when it is the recorded installation
// directory; the whole tree only when the installation created it, else just
// Uninstall's own three files and then the folder if it is empty. A folder
// whose name the interpreter would rewrite is not handed to it: what is not
// in use goes at once and the rest stays (delayed_removal.h).
void StartSelfRemoval(const std::wstring& moduleDir, const RemovalOutcome& removal)
{
    if (removal.installDir.empty() || !SamePath(moduleDir, removal.installDir))
        return;
    if (removal.scope == RemovalScope::WholeDirectory)
        StartDelayedRemoval(moduleDir, DelayedRemoval::WholeTree, kDelayedRemovalTries, removal.createdParents);
    else
        StartDelayedRemoval(moduleDir, DelayedRemoval::UninstallerOnly);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();  // before anything else can load a DLL by name
    // A drive without a medium or a damaged one is an error to the caller,
    // never the system's own dialog, which a worker would wait behind.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    CPaintManagerUI::SetInstance(instance);
    CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
    CPaintManagerUI::SetResourceZip(kUninstallSkinFileName);
    if (!CheckSkinOrReport(L"Page9Wnd.xml"))
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
    const std::wstring moduleDir = module;

    const RecordProbe record = FindInstallRecord(kProductKey);
    if (!record.trusted) {
        MessageBoxW(nullptr, kMsgNotInstalled, kCaptionError, MB_ICONERROR);
        return 0;
    }
    CUninstallWizard wizard(record.allUsers);
    if (wizard.CreateWindows())
        CPaintManagerUI::MessageLoop();
    wizard.EndOfLoop();
    if (const RemovalOutcome* removal = wizard.Removal())
        StartSelfRemoval(moduleDir, *removal);
    return 0;
}
