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
// removed once it has exited.
//
// Before all that it reads its command line (command_line.h, run_start.h:
// /?, /LOG=, a refused line). With /S there is no window at any moment and
// no skin is needed: without a record it ends with kExitNotInstalled, else
// the removal runs (silent_removal.h) with the session watched
// (session_watch.h), its own folder goes as after the wizard's removal, and
// the exit code says how it went (exit_code.h). A run with windows returns
// kExitDone.
#include "command_line.h"
#include "decimal_text.h"
#include "delayed_removal.h"
#include "exit_code.h"
#include "install_record.h"
#include "paths.h"
#include "product.h"
#include "run_log.h"
#include "run_start.h"
#include "session_end.h"
#include "session_watch.h"
#include "silent_removal.h"
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
    const CommandOptions options = ParseCommandLine(GetCommandLineW(), CommandProgram::Uninstall);
    if (const int refused = StartRun(options, CommandProgram::Uninstall, kUninstallWindowTitle); refused >= 0)
        return refused;
    if (!options.silent) {
        CPaintManagerUI::SetInstance(instance);
        CPaintManagerUI::SetProcessAwareness();  // the manifest's word, for systems that read none
        CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
        CPaintManagerUI::SetResourceZip(kUninstallSkinFileName);
        if (!CheckSkinOrReport(L"Page9Wnd.xml"))
            return kExitDone;
    }

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
    if (!record.trusted || (options.silent && !record.found)) {
        LogLine(kMsgNotInstalled);
        if (options.silent)
            return record.trusted ? kExitNotInstalled : kExitRefused;
        MessageBoxW(nullptr, kMsgNotInstalled, kCaptionError, MB_ICONERROR);
        return kExitDone;
    }
    if (options.silent) {
        SessionWatch watch(kBlockReasonRemoval);
        RemovalOutcome removal;
        const int code = RemoveSilently(record.allUsers, &removal);
        if (code == kExitDone)
            StartSelfRemoval(moduleDir, removal);
        watch.Done();
        LogLine(L"退出代码 " + DecimalText(code));
        return code;
    }
    CUninstallWizard wizard(record.allUsers);
    if (wizard.CreateWindows())
        CPaintManagerUI::MessageLoop();
    wizard.EndOfLoop();
    if (const RemovalOutcome* removal = wizard.Removal())
        StartSelfRemoval(moduleDir, *removal);
    return kExitDone;
}
