// Setup's entry: first narrows the DLL search to the system folder
// (system_dll.h), then sets up the skin archive "VELTSetupDate.DAT" beside the
// executable, takes the exit lock that a delayed removal waits for, looks for
// the install record (HKEY_LOCAL_MACHINE, then HKEY_CURRENT_USER) to choose
// between a fresh installation and maintenance (a record of the current
// user's that an elevated Setup may not trust, record_trust.h: the
// not-installed message, owned by no window, and Setup ends having changed
// nothing), and checks that the skin
// archive holds the frame's layout of that mode (if not: the damaged-
// installer message, and Setup ends having changed nothing). For a fresh
// installation it then refuses to go on while the calendar runs (the
// message, owned by no window) and removes the earlier edition's traces, in
// that order and in either case. Then the wizard of the mode (setup_wizard.h)
// creates its windows, the message loop runs, and the wizard ends what still
// runs and releases its windows.
//
// First of all it reads its command line (command_line.h): /? shows the
// usage and ends; a refused line ends with kExitBadCommandLine (its reason
// in the log, and with windows the usage shown); /LOG= opens the log, which
// the wizard and the workers write too (run_log.h); /S hands the run to
// RunSetupSilently (silent_run.h) with the session watched
// (session_watch.h), and its exit code is Setup's. A run with windows
// returns kExitDone. The wizard takes no other option.
#include "command_line.h"
#include "delayed_removal.h"
#include "exit_code.h"
#include "install_record.h"
#include "legacy_cleanup.h"
#include "product.h"
#include "run_log.h"
#include "run_start.h"
#include "running_app.h"
#include "session_end.h"
#include "session_watch.h"
#include "setup_wizard.h"
#include "silent_run.h"
#include "skin_check.h"
#include "system_dll.h"

#include "UIlib.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();  // before anything else can load a DLL by name
    // A drive without a medium or a damaged one is an error to the caller,
    // never the system's own dialog, which a worker would wait behind.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const CommandOptions options = ParseCommandLine(GetCommandLineW(), CommandProgram::Setup);
    if (const int refused = StartRun(options, CommandProgram::Setup, kSetupWindowTitle); refused >= 0)
        return refused;
    if (options.silent) {
        HoldExitLockUntilExit();
        SessionWatch watch(options.repair      ? kBlockReasonRepair
                           : options.uninstall ? kBlockReasonRemoval
                                               : kBlockReasonInstall);
        const int code = RunSetupSilently(options, FindInstallRecord(kProductKey), watch.EndFlag());
        watch.Done();
        return code;
    }
    CPaintManagerUI::SetInstance(instance);
    CPaintManagerUI::SetProcessAwareness();  // the manifest's word, for systems that read none
    CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
    CPaintManagerUI::SetResourceZip(kSetupSkinFileName);
    HoldExitLockUntilExit();

    const RecordProbe record = FindInstallRecord(kProductKey);
    if (!record.trusted) {
        LogLine(kMsgNotInstalled);
        MessageBoxW(nullptr, kMsgNotInstalled, kCaptionError, MB_ICONERROR);
        return kExitDone;
    }
    const CSetupWizard::Mode mode = record.found ? CSetupWizard::Mode::Maintenance : CSetupWizard::Mode::FreshInstall;
    if (!CheckSkinOrReport(record.found ? L"Page8Wnd.xml" : L"CoverWnd.xml"))
        return 0;
    int allUsers = record.allUsers;
    if (mode == CSetupWizard::Mode::FreshInstall) {
        const bool running = RefuseWhileAppRuns(nullptr);
        allUsers = CleanLegacyInstall(allUsers);
        if (running)
            return 0;
    }

    bool damaged = false;
    {
        CSetupWizard wizard(mode, allUsers);
        if (wizard.CreateWindows(&damaged))
            CPaintManagerUI::MessageLoop();
        wizard.EndOfLoop();
    }
    if (damaged)
        MessageBoxW(nullptr, kMsgSetupDamaged, kCaptionError, MB_ICONERROR);
    return kExitDone;
}
