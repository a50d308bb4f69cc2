// The disk family (a small drive of its own that fills up) and the locked
// family (payload names held by the user's read-only, hidden or system
// files; files in use; the calendar running from the folder; a read-only
// drive; registry keys that cannot be opened for writing).
//
// What Wine can and cannot simulate here:
//   - a full disk: a tmpfs of a few MB mapped as a drive letter by
//     tools/faults.sh (--small-drive); writes fail with ERROR_DISK_FULL;
//   - a read-only folder: Wine ignores the read-only attribute of a folder
//     (as Windows does for creating files in it) and, as root, Unix
//     permissions too; tools/faults.sh mounts a folder read-only instead
//     (--readonly-drive), which refuses every write, as a write-protected
//     drive does;
//   - registry permissions: Wine checks a key's DACL when the key itself is
//     opened, not the parent's when a sub-key is created; so the Run key and
//     the record key are made read-only with a DACL, and an Uninstall key
//     that refuses new sub-keys is made volatile (a non-volatile key cannot
//     be created below a volatile one, ERROR_CHILD_MUST_BE_VOLATILE, on
//     Windows and Wine alike).
#include "fault_cases.h"

#include "cases_shared.h"
#include "fake_installation.h"
#include "install_record.h"
#include "product.h"
#include "test_support.h"
#include "wait_until.h"

#include <shlobj.h>

namespace faults {

using testing_support::ChildProcess;
using testing_support::Exists;
using testing_support::FakeInstallation;
using testing_support::InstallOptions;
using testing_support::MakeDirs;
using testing_support::RemoveTree;
using testing_support::WaitUntil;
using testing_support::WriteBytes;

namespace {

constexpr DWORD kDeadline = 240000;
const wchar_t kWriteFailedStart[] = L"无法写入文件“";

std::wstring Setup()
{
    return Ctx().bin + L"\\Setup.exe";
}

std::wstring Helper()
{
    return Ctx().bin + L"\\velt_test_helper.exe";
}

// Waits for the write-failure message (for `entry`, or any entry when it is
// empty) and answers it.
bool AnswerWriteFailed(CaseRun& run, WizardDriver& d, const std::wstring& entry = L"")
{
    const MessageBoxSeen seen = d.WaitMessageBox(120000, kCaptionError);
    if (!run.Check(seen.box != nullptr, L"no error message"))
        return false;
    run.Note(L"message \"" + seen.text + L"\"");
    run.Check(seen.text.compare(0, lstrlenW(kWriteFailedStart), kWriteFailedStart) == 0,
              L"not the write-failure message: " + seen.text);
    if (!entry.empty())
        run.Check(seen.text.find(L"\u201C" + entry + L"\u201D") != std::wstring::npos,
                  L"the message names another file");
    return run.Check(WizardDriver::Answer(seen, IDOK), L"the message could not be answered");
}

// Answers every message with this text until the program ends; the count.
int AnswerUntilExit(WizardDriver& d, const std::wstring& caption, const std::wstring& text, DWORD ms)
{
    int answered = 0;
    const DWORD start = GetTickCount();
    while (d.Running() && GetTickCount() - start < ms) {
        const MessageBoxSeen seen = d.WaitMessageBox(500, caption, text);
        if (seen.box && WizardDriver::Answer(seen, IDOK))
            ++answered;
    }
    return answered;
}

// Setup through every page, the installation to its finish page and Setup
// ended (the calendar not started).
bool InstallThrough(CaseRun& run, const InstallPlan& plan)
{
    if (!StartInstall(run, plan))
        return false;
    WizardDriver& d = run.Driver();
    return run.Check(d.WaitPageVisible(L"Page7", 180000) &&
                         d.Click(L"Page7", L"runnowbtn") && d.Click(L"Page7", L"finishbtn") && d.WaitExit(30000),
                     L"the installation did not complete");
}

// Starts Setup in maintenance mode and starts the repair.
bool StartRepair(CaseRun& run, const std::wstring& exe)
{
    WizardDriver& d = run.Start(exe, kSetupSkinFileName);
    return run.Check(d.WaitFrame(kSetupWindowTitle, 30000) != nullptr && d.Click(L"fixbtn") && d.Click(L"nextbtn") &&
                         d.WaitPageVisible(L"Page12", 10000),
                     L"the repair did not start");
}

// Uninstall from `dir`, or Setup's maintenance mode, to its confirmation.
WizardDriver* StartRemoval(CaseRun& run, const std::wstring& dir, bool setup)
{
    if (setup) {
        WizardDriver& d = run.Start(Setup(), kSetupSkinFileName);
        if (!run.Check(d.WaitFrame(kSetupWindowTitle, 30000) != nullptr && d.Click(L"nextbtn") &&
                           d.WaitPageVisible(L"Page9", 10000),
                       L"Setup's removal confirmation did not show"))
            return nullptr;
        return &d;
    }
    WizardDriver& d = run.Start(dir + L"\\" + kUninstallerFileName, kUninstallSkinFileName);
    if (!run.Check(d.WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml") != nullptr,
                   L"Uninstall's frame did not show"))
        return nullptr;
    return &d;
}

// Clicks the removal's "nextbtn" (Setup's Page9 or Uninstall's frame).
bool ConfirmRemoval(WizardDriver& d, bool setup)
{
    return setup ? d.Click(L"Page9", L"nextbtn") : d.Click(L"nextbtn");
}

void ClearDrive(const std::wstring& root)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::wstring> names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    for (const std::wstring& name : names)
        RemoveTree(root + name);
}

// Writes "ballast.bin" so that about `left` bytes stay free on the drive.
bool LeaveFree(const std::wstring& root, ULONGLONG left)
{
    ULARGE_INTEGER available = {}, total = {}, free = {};
    if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free) || available.QuadPart <= left)
        return false;
    ULONGLONG size = available.QuadPart - left;
    HANDLE file = CreateFileW((root + L"ballast.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string block(64 * 1024, 'b');
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size < block.size() ? size : block.size());
        DWORD written = 0;
        if (!WriteFile(file, block.data(), chunk, &written, nullptr) || written == 0)
            break;
        size -= written;
    }
    CloseHandle(file);
    return true;
}

// Half the size of the payload's largest file: space that no installation or
// repair (which writes each file beside the old one first) can do with.
ULONGLONG HalfTheLargestEntry()
{
    DWORD largest = 0;
    for (const PayloadEntry& entry : Ctx().realPayload.entries)
        largest = entry.size > largest ? entry.size : largest;
    return largest / 2;
}

bool SmallDrive(CaseRun& run, std::wstring* root)
{
    if (Ctx().smallDrive.empty()) {
        run.Skip(L"no small drive (tools/faults.sh maps one when it can mount a tmpfs)");
        return false;
    }
    *root = Ctx().smallDrive + L"\\";
    ClearDrive(*root);
    return run.Check(GetDriveTypeW(root->c_str()) == DRIVE_FIXED, L"the small drive is not there");
}

// --- disk ---------------------------------------------------------------------

void FullDiskInstall(CaseRun& run, bool existing)
{
    std::wstring root;
    if (!SmallDrive(run, &root))
        return;
    const std::wstring dir = root + (existing ? L"mine" : L"VELT");
    if (existing)
        MakeUserFolder(Ctx().realPayload, dir);
    if (!run.Check(LeaveFree(root, HalfTheLargestEntry()), L"the drive could not be filled"))
        return;
    run.Watch(root);
    run.Before();
    if (!StartInstall(run, {Setup(), dir}))
        return;
    AnswerWriteFailed(run, run.Driver());
    run.Finish();
    ULARGE_INTEGER available = {}, total = {}, free = {};
    GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free);
    run.Note(L"free afterwards " + std::to_wstring(available.QuadPart / 1024) + L" KiB");
}

Allowance AllowSameBytes(const std::wstring& dir)
{
    return {L"files rewritten with the same bytes", [=](const Change& change) {
                return change.kind == ChangeKind::Changed && change.item == ItemKind::File && Below(change.path, dir) &&
                       Property(change.before, L"hash") == Property(change.after, L"hash") &&
                       Property(change.before, L"size") == Property(change.after, L"size");
            }};
}

void FullDiskRepair(CaseRun& run)
{
    std::wstring root;
    if (!SmallDrive(run, &root))
        return;
    const std::wstring dir = root + L"VELT";
    if (!InstallThrough(run, {Setup(), dir}))
        return;
    if (!run.Check(LeaveFree(root, HalfTheLargestEntry()), L"the drive could not be filled"))
        return;
    run.Watch(root);
    run.Before();
    if (!StartRepair(run, Setup()))
        return;
    AnswerWriteFailed(run, run.Driver());
    run.Allow(AllowSameBytes(dir));
    run.Finish();
    CheckAsItWasOrComplete(run, Ctx().realPayload, Ctx().realReference, dir);
}

// --- locked -------------------------------------------------------------------

void MarkedFilesReplaced(CaseRun& run)
{
    const std::wstring dir = ScratchFolder(L"marked") + L"\\mine";
    MakeUserFolder(Ctx().realPayload, dir);
    run.Watch(dir.substr(0, dir.find_last_of(L'\\')));
    run.Before();
    InstallThrough(run, {Setup(), dir});
    run.Allow(AllowInstalled(Ctx().realPayload, dir, 1));
    run.Finish();
    run.Check(IncompleteEntries(Ctx().realPayload, Ctx().realReference, dir).empty(),
              L"the installation is not complete");
    run.Note(L"read-only, hidden and system files of payload names replaced; the user's other files kept");
}

// A copy of the test helper named like the calendar, running from dir.
bool StartCalendar(CaseRun& run, const std::wstring& dir, ChildProcess* calendar)
{
    const std::wstring exe = dir + L"\\" + kAppFileName;
    SetFileAttributesW(exe.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!run.Check(CopyFileW(Helper().c_str(), exe.c_str(), FALSE) != 0, L"could not place the calendar"))
        return false;
    const std::wstring event = L"VeltFaultCalendar" + std::to_wstring(GetTickCount());
    if (!run.Check(calendar->Start(exe, L"sleep 600000 " + event, event), L"the calendar did not start"))
        return false;
    run.Own(calendar->Id());
    return true;
}

void CalendarRunningAtInstall(CaseRun& run)
{
    const std::wstring parent = ScratchFolder(L"running");
    const std::wstring dir = parent + L"\\VELT";
    MakeDirs(dir);
    ChildProcess calendar;
    if (!StartCalendar(run, dir, &calendar))
        return;
    run.Watch(parent);
    run.Before();
    WizardDriver& d = run.Start(Setup(), kSetupSkinFileName);
    AnswerMessage(run, d, kCaptionNotice, kMsgAppRunning);
    run.Finish();
    calendar.Terminate();
}

// A file of a payload name, held open without sharing by another program.
bool HoldFile(CaseRun& run, const std::wstring& path, ChildProcess* holder)
{
    const std::wstring event = L"VeltFaultHold" + std::to_wstring(GetTickCount());
    if (!run.Check(holder->Start(Helper(), L"hold \"" + path + L"\" 600000 " + event, event),
                   L"could not hold " + path))
        return false;
    run.Own(holder->Id());
    return true;
}

void HeldFileAtInstall(CaseRun& run)
{
    const std::wstring dir = ScratchFolder(L"held") + L"\\mine";
    MakeUserFolder(Ctx().realPayload, dir);
    ChildProcess holder;
    if (!HoldFile(run, dir + L"\\" + kWindowLibraryFileName, &holder))
        return;
    run.Watch(dir.substr(0, dir.find_last_of(L'\\')));
    run.Before();
    if (!StartInstall(run, {Setup(), dir}))
        return;
    AnswerWriteFailed(run, run.Driver(), kWindowLibraryFileName);
    run.Finish();
    holder.Terminate();
}

void HeldFileAtRepair(CaseRun& run)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return;
    ChildProcess holder;
    if (!HoldFile(run, install.Dir() + L"\\" + kWindowLibraryFileName, &holder))
        return;
    run.Watch(install.Parent());
    run.Before();
    if (!StartRepair(run, Setup()))
        return;
    AnswerWriteFailed(run, run.Driver());
    run.Allow(AllowInstalled(Ctx().realPayload, install.Dir(), 1));
    run.Finish();
    holder.Terminate();  // the file can be read again
    CheckAsItWasOrComplete(run, Ctx().realPayload, Ctx().realReference, install.Dir());
}

void CalendarRunningAtRepair(CaseRun& run)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return;
    ChildProcess calendar;
    if (!StartCalendar(run, install.Dir(), &calendar))
        return;
    run.Watch(install.Parent());
    run.Before();
    if (!StartRepair(run, Setup()))
        return;
    WizardDriver& d = run.Driver();
    // Either the calendar cannot be replaced (the write-failure message) or
    // the repair completes.
    WaitUntil([&] { return d.PageVisible(L"Page13") || d.WaitMessageBox(0, kCaptionError).box != nullptr; }, 120000,
              100);
    if (d.PageVisible(L"Page13")) {
        run.Note(L"the repair completed with the calendar running");
        d.Click(L"Page13", L"finishbtn");
    } else {
        AnswerWriteFailed(run, d);
    }
    run.Allow(AllowInstalled(Ctx().realPayload, install.Dir(), 1));
    run.Finish();
    CheckAsItWasOrComplete(run, Ctx().realPayload, Ctx().realReference, install.Dir());
    calendar.Terminate();
}

void CalendarRunningAtRemoval(CaseRun& run, bool setup)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return;
    ChildProcess calendar;
    if (!StartCalendar(run, install.Dir(), &calendar))
        return;
    run.Watch(install.Parent());
    run.Before();
    WizardDriver* d = StartRemoval(run, install.Dir(), setup);
    if (!d)
        return;
    ConfirmRemoval(*d, setup);
    AnswerMessage(run, *d, kCaptionNotice, kMsgAppRunning);
    run.Check(LeaveBy(*d, Quit::FrameClose, L"", setup), L"could not leave");
    run.Finish();
    calendar.Terminate();
}

void ReadOnlyDrive(CaseRun& run, bool existing)
{
    if (Ctx().readOnlyDrive.empty()) {
        run.Skip(L"no read-only drive (tools/faults.sh maps one when it can mount)");
        return;
    }
    const std::wstring parent = Ctx().readOnlyDrive + L"\\parent";
    const std::wstring dir = parent + (existing ? L"\\mine" : L"\\VELT");
    if (!run.Check(!existing || Exists(dir), L"the read-only drive has no parent\\mine"))
        return;
    run.Watch(parent);
    run.Before();
    if (!StartInstall(run, {Setup(), dir}))
        return;
    WizardDriver& d = run.Driver();
    if (existing) {
        AnswerWriteFailed(run, d);
    } else {
        AnswerMessage(run, d, kCaptionError, kMsgBadInstallPath);
        run.Check(d.PageVisible(L"Page6"), L"the progress page did not stay");
        run.Check(LeaveBy(d, Quit::PageCancel, L"Page6", true), L"the page's cancel did not ask");
    }
    run.Finish();
}

void RunKeyLockedAtInstall(CaseRun& run)
{
    const std::wstring dir = NewTarget(run, L"runkey");
    KeyLock lock(HKEY_LOCAL_MACHINE, kRunKey);
    if (!run.Check(lock.Locked(), L"the Run key could not be made read-only"))
        return;
    run.Before();
    if (!StartInstall(run, {Setup(), dir}))
        return;
    WizardDriver& d = run.Driver();
    AnswerMessage(run, d, kCaptionError, kMsgRunKeyMissing, 120000);
    run.Allow(AllowInstalled(Ctx().realPayload, dir, 1, true, false));
    run.Finish();
    run.Check(IncompleteEntries(Ctx().realPayload, Ctx().realReference, dir).empty(),
              L"what was installed is not complete");
}

void RunKeyLockedAtRollback(CaseRun& run)
{
    const Payload& payload = Ctx().bigPayload;
    const int n = payload.Count();
    const std::wstring dir = NewTarget(run, L"runkey");
    run.Before();
    // Held once the autostart value is written.
    const std::unique_ptr<Gate> gate = StartHeldAt(run, dir, n + 6);
    if (!gate)
        return;
    WizardDriver& d = run.Driver();
    KeyLock lock(HKEY_LOCAL_MACHINE, kRunKey);
    if (!run.Check(lock.Locked(), L"the Run key could not be made read-only"))
        return;
    const MessageBoxSeen question = CancelWhileHeld(d, *gate);
    if (!run.Check(question.box && WizardDriver::Answer(question, IDYES), L"no quit question"))
        return;
    const int messages = AnswerUntilExit(d, kCaptionError, kMsgRunKeyMissing, run.Left());
    run.Note(L"\"" + std::wstring(kMsgRunKeyMissing) + L"\" shown " + std::to_wstring(messages) + L" time(s)");
    // Once by the worker's rollback, once by the interface thread's, as
    // specified; never a third time when Setup ends.
    run.Check(messages == 2, L"the Run key was reported " + std::to_wstring(messages) + L" times, not twice");
    // The value the rollback cannot reach stays; nothing else.
    run.Allow({L"the autostart value", [](const Change& change) {
                   return change.item == ItemKind::Value && change.kind == ChangeKind::Added &&
                          Upper(change.path) == Upper(std::wstring(L"HKLM\\") + kRunKey + L"\\" + kAutostartValueName);
               }});
    run.Finish();
}

void RunKeyLockedAtRemoval(CaseRun& run, bool setup)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return;
    KeyLock lock(HKEY_LOCAL_MACHINE, kRunKey);
    if (!run.Check(lock.Locked(), L"the Run key could not be made read-only"))
        return;
    run.Watch(install.Parent());
    run.Before();
    WizardDriver* d = StartRemoval(run, install.Dir(), setup);
    if (!d)
        return;
    ConfirmRemoval(*d, setup);
    run.Check(d->WaitPageVisible(L"Page11", 60000) && d->Click(L"Page11", L"finishbtn"), L"the removal did not complete");
    run.Allow(AllowRemoved(Ctx().realPayload, install.Dir(), 1, true, false));
    run.Finish();
    run.Check(AutostartExists(1), L"the autostart value went through a read-only key");
    run.Check(!Exists(install.Dir()), L"the installation folder stays");
}

void RunKeyLockedAtRepair(CaseRun& run)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return;
    KeyLock lock(HKEY_LOCAL_MACHINE, kRunKey);
    if (!run.Check(lock.Locked(), L"the Run key could not be made read-only"))
        return;
    run.Watch(install.Parent());
    run.Before();
    if (!StartRepair(run, Setup()))
        return;
    AnswerMessage(run, run.Driver(), kCaptionError, kMsgRunKeyMissing, 120000);
    run.Allow(AllowInstalled(Ctx().realPayload, install.Dir(), 1, true, false));
    run.Finish();
    run.Check(IncompleteEntries(Ctx().realPayload, Ctx().realReference, install.Dir()).empty(),
              L"the repair did not complete its files");
}

void RecordKeyLockedAtRemoval(CaseRun& run)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return;
    KeyLock lock(HKEY_LOCAL_MACHINE, InstallRecordKeyPath(kProductKey));
    if (!run.Check(lock.Locked(), L"the record could not be made read-only"))
        return;
    run.Watch(install.Parent());
    run.Before();
    WizardDriver* d = StartRemoval(run, install.Dir(), false);
    if (!d)
        return;
    ConfirmRemoval(*d, false);
    run.Check(d->WaitPageVisible(L"Page11", 60000) && d->Click(L"Page11", L"finishbtn"), L"the removal did not complete");
    // As specified: without access to the record no file goes; the
    // shortcuts and the autostart value still go, and the record's deletion
    // is attempted. Windows refuses that deletion (no DELETE right in the
    // DACL); Wine grants it, so the record may go here.
    run.Allow({L"shortcuts, autostart value and (Wine) the record", [](const Change& change) {
                   if (change.kind != ChangeKind::Removed)
                       return false;
                   const ShortcutPaths links = ComposeShortcutPaths(1);
                   return Below(change.path, links.programsGroup) || Upper(change.path) == Upper(links.desktopLink) ||
                          Upper(change.path) == Upper(links.quickLaunchLink) ||
                          Upper(change.path) ==
                              Upper(std::wstring(L"HKLM\\") + kRunKey + L"\\" + kAutostartValueName) ||
                          Below(change.path, std::wstring(L"HKLM\\") + InstallRecordKeyPath(kProductKey));
               }});
    run.Finish();
    run.Note(std::wstring(L"record ") + (RecordExists(1) ? L"kept" : L"gone") + L", files " +
             (Exists(install.Dir() + L"\\" + kAppFileName) ? L"kept" : L"gone"));
}

void UninstallKeyRefusesRecord(CaseRun& run)
{
    HKEY existing = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallParentKey, 0, KEY_READ, &existing) == ERROR_SUCCESS) {
        DWORD subkeys = 0, values = 0;
        RegQueryInfoKeyW(existing, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(existing);
        if (subkeys || values) {
            run.Skip(L"the current user's Uninstall key has entries of its own");
            return;
        }
        RegDeleteKeyW(HKEY_CURRENT_USER, kUninstallParentKey);
    }
    HKEY key = nullptr;
    if (!run.Check(RegCreateKeyExW(HKEY_CURRENT_USER, kUninstallParentKey, 0, nullptr, REG_OPTION_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS,
                   L"could not make the Uninstall key volatile"))
        return;
    RegCloseKey(key);
    const std::wstring dir = NewTarget(run, L"nokey");
    run.Before();
    InstallPlan plan{Setup(), dir};
    plan.onlyMe = true;
    InstallThrough(run, plan);
    run.Allow(AllowInstalled(Ctx().realPayload, dir, 0, false, true));
    run.Finish();
    run.Note(std::wstring(L"record ") + (RecordExists(0) ? L"written" : L"not written") + L", installation " +
             (IncompleteEntries(Ctx().realPayload, Ctx().realReference, dir).empty() ? L"complete" : L"incomplete"));
    RegDeleteKeyW(HKEY_CURRENT_USER, kUninstallParentKey);
}

} // namespace

void AddDiskAndLockedCases(std::vector<FaultCase>* cases)
{
    auto add = [&](const std::wstring& name, bool quick, void (*run)(CaseRun&)) {
        cases->push_back({name.substr(0, name.find(L'.')), name, quick, kDeadline, run});
    };
    add(L"disk.install.new-folder", true, [](CaseRun& r) { FullDiskInstall(r, false); });
    add(L"disk.install.existing-folder", false, [](CaseRun& r) { FullDiskInstall(r, true); });
    add(L"disk.repair", true, [](CaseRun& r) { FullDiskRepair(r); });
    add(L"locked.marked-files.install-completes", true, [](CaseRun& r) { MarkedFilesReplaced(r); });
    add(L"locked.calendar-running.install", true, [](CaseRun& r) { CalendarRunningAtInstall(r); });
    add(L"locked.calendar-running.repair", false, [](CaseRun& r) { CalendarRunningAtRepair(r); });
    add(L"locked.calendar-running.removal-uninstall", false, [](CaseRun& r) { CalendarRunningAtRemoval(r, false); });
    add(L"locked.calendar-running.removal-setup", false, [](CaseRun& r) { CalendarRunningAtRemoval(r, true); });
    add(L"locked.file-in-use.install", true, [](CaseRun& r) { HeldFileAtInstall(r); });
    add(L"locked.file-in-use.repair", false, [](CaseRun& r) { HeldFileAtRepair(r); });
    add(L"locked.readonly-drive.new-folder", false, [](CaseRun& r) { ReadOnlyDrive(r, false); });
    add(L"locked.readonly-drive.existing-folder", false, [](CaseRun& r) { ReadOnlyDrive(r, true); });
    add(L"locked.run-key.install", true, [](CaseRun& r) { RunKeyLockedAtInstall(r); });
    add(L"locked.run-key.rollback", false, [](CaseRun& r) { RunKeyLockedAtRollback(r); });
    add(L"locked.run-key.repair", false, [](CaseRun& r) { RunKeyLockedAtRepair(r); });
    add(L"locked.run-key.removal-uninstall", false, [](CaseRun& r) { RunKeyLockedAtRemoval(r, false); });
    add(L"locked.run-key.removal-setup", false, [](CaseRun& r) { RunKeyLockedAtRemoval(r, true); });
    add(L"locked.record-key.removal", false, [](CaseRun& r) { RecordKeyLockedAtRemoval(r); });
    add(L"locked.uninstall-key.install", false, [](CaseRun& r) { UninstallKeyRefusesRecord(r); });
}

} // namespace faults
