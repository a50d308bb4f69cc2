// Attacks on what the elevated programs believe ("attack.trust.*"), as rows
// of one table. The victim is a folder of files outside the product's
// folders, standing for a system folder (the product's names "Uninstall.exe"
// and "res\\profile.xml" and a file of its own), which must keep every byte.
//   user-record.setup / .uninstall  an install record under
//             HKEY_CURRENT_USER alone, naming the victim: Setup and Uninstall
//             say that the product is not installed and change nothing
//             (otherwise the case goes on to the removal they offer);
//   legacy-user-entry  the earlier edition's entry under HKEY_CURRENT_USER
//             naming the victim, whose "VELT电子日历" holds files that are not
//             that edition's: a fresh Setup starts and is closed; nothing
//             of the victim or of the entry changes;
//   open-folder  an installation for all users into an existing folder that
//             everyone may write (its list set so; Wine keeps it as the
//             folder's Unix mode): Page4 says so and stays (otherwise the
//             case lets the installation finish).
#include "fault_support.h"

#include <shlwapi.h>

namespace faults {

namespace {

const wchar_t kVictimFile[] = L"velt-faults-victim.txt";

enum class Attack { UserRecordSetup, UserRecordUninstall, LegacyUserEntry, OpenFolder };

// The victim folder (made below the suite's folder and watched); its files
// lie in `sub` below it when given.
std::wstring Victim(CaseRun& run, const std::wstring& sub = L"")
{
    const std::wstring victim = ScratchFolder(L"victim");
    const std::wstring inner = sub.empty() ? victim : victim + L"\\" + sub;
    MakeDirs(inner + L"\\res");
    WriteBytes(inner + L"\\res\\profile.xml", "<victim/>");
    WriteBytes(inner + L"\\" + kUninstallerFileName, "the victim's program");
    WriteBytes(inner + L"\\" + kVictimFile, "the victim's own");
    run.Watch(victim);
    return victim;
}

// An "InstallLocation" under HKEY_CURRENT_USER\\<key>, removed after the case.
bool UserEntry(CaseRun& run, const std::wstring& key, const std::wstring& location)
{
    run.cleanups.push_back([key] { SHDeleteKeyW(HKEY_CURRENT_USER, key.c_str()); });
    return run.Check(testing_support::SetRegString(HKEY_CURRENT_USER, key, kValueInstallLocation, location),
                     L"could not write the current user's entry");
}

// Setup or Uninstall (a copy in a folder of its own) started on the
// current user's record alone.
void OnUserRecord(CaseRun& run, bool uninstall)
{
    const std::wstring victim = Victim(run);
    if (!UserEntry(run, InstallRecordKeyPath(kProductKey), victim))
        return;
    std::wstring exe = Ctx().Bin(L"Setup.exe");
    if (uninstall) {
        const std::wstring from = ScratchFolder(L"uninstall");
        for (const wchar_t* name : {kUninstallerFileName, kUninstallSkinFileName, kWindowLibraryFileName})
            CopyFileW(Ctx().Bin(name).c_str(), (from + L"\\" + name).c_str(), FALSE);
        run.Watch(from);
        exe = from + L"\\" + kUninstallerFileName;
    }
    run.Before();
    WizardDriver& d = run.Start(exe, uninstall ? kUninstallSkinFileName : kSetupSkinFileName);
    MessageBoxSeen seen;
    const wchar_t* title = uninstall ? kUninstallWindowTitle : kSetupWindowTitle;
    const wchar_t* layout = uninstall ? L"Page9Wnd.xml" : L"";
    WaitUntil([&] { return (seen = d.WaitMessageBox(0, kCaptionError, kMsgNotInstalled)).box || d.WaitFrame(title, 0, layout); },
              30000);
    if (seen.box) {
        run.Note(L"message \"" + seen.text + L"\"");
        run.Check(GetWindow(seen.box, GW_OWNER) == nullptr && WizardDriver::Answer(seen, IDOK),
                  L"the message is owned by a window or could not be answered");
    } else {
        run.Check(false, L"the record was believed: the wizard shows");
        // What believing it leads to: the removal the wizard offers.
        const bool started = d.WaitFrame(title, 30000, layout) && d.Click(L"nextbtn") &&
                             (uninstall || (d.WaitPageVisible(L"Page9", 10000) && d.Click(L"Page9", L"nextbtn")));
        if (started)
            FinishThrough(run, d, uninstall ? Worker::UninstallRemoval : Worker::SetupRemoval);
    }
    run.Finish();
    run.Check(testing_support::FileContent(victim + L"\\" + kVictimFile) == "the victim's own",
              L"the victim's file changed");
}

void OnLegacyUserEntry(CaseRun& run)
{
    const std::wstring victim = Victim(run, kDisplayName);
    if (!UserEntry(run, InstallRecordKeyPath(kLegacyProductCode), victim))
        return;
    run.Before();
    WizardDriver& d = run.Start(Ctx().Bin(L"Setup.exe"), kSetupSkinFileName);
    if (run.Check(d.WaitFrame(kSetupWindowTitle, 30000) != nullptr, L"the frame did not show"))
        TakeWayOut(run, d, Quit::FrameClose, L"", true);
    run.Finish();
    run.Note(Exists(victim + L"\\" + kDisplayName) ? L"the victim's folder kept" : L"the victim's folder GONE");
}

void OnOpenFolder(CaseRun& run)
{
    const std::wstring dir = Victim(run);
    if (!run.Check(testing_support::SetFolderDacl(dir, L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)"),
                   L"could not let everyone write the folder"))
        return;
    run.Before();
    WizardDriver* d = StartToPage4(run, Ctx().Bin(L"Setup.exe"), dir);
    if (d && run.Check(d->Click(L"Page4", L"nextbtn"), L"no nextbtn on Page4")) {
        if (AnswerMessage(run, *d, kCaptionNotice, kMsgUserWritableFolder, 15000)) {
            run.Check(d->PageVisible(L"Page4") && !d->PageVisible(L"Page6"), L"Page4 did not stay");
            TakeWayOut(run, *d, Quit::FrameClose, L"", true);
        } else {
            FinishThrough(run, *d, Worker::Install);
        }
    }
    run.Finish();
}

} // namespace

void AddAttackTrustCases(Cases* cases)
{
    const std::pair<const wchar_t*, Attack> rows[] = {
        {L"attack.trust.user-record.setup", Attack::UserRecordSetup},
        {L"attack.trust.user-record.uninstall", Attack::UserRecordUninstall},
        {L"attack.trust.legacy-user-entry", Attack::LegacyUserEntry},
        {L"attack.trust.open-folder", Attack::OpenFolder},
    };
    for (const auto& [name, attack] : rows) {
        Add(cases, name, 180000, {}, [attack](CaseRun& run, Quit) {
            switch (attack) {
            case Attack::UserRecordSetup:
            case Attack::UserRecordUninstall:
                OnUserRecord(run, attack == Attack::UserRecordUninstall);
                break;
            case Attack::LegacyUserEntry:
                OnLegacyUserEntry(run);
                break;
            case Attack::OpenFolder:
                OnOpenFolder(run);
                break;
            }
            for (const auto& cleanup : run.cleanups)
                cleanup();
        });
    }
}

} // namespace faults
