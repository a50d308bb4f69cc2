// What every case of the fault suite shares: the cases' table entries, the
// context of a run (which programs and payloads, which drives), CaseRun
// (through which a case snapshots the machine, drives the programs, states
// what it allows to change and gets judged), the allowed differences, and
// the steps through the programs' windows that the cases are made of.
//
// A case passes only when, after the programs it started have ended,
//   - every program ended with exit code 0 within the case's deadline,
//   - no crash dialog (winedbg) and no leftover process (Setup, Uninstall,
//     the calendar, cmd, ping) is left once the delayed removal has had time,
//   - every difference between the snapshots before and after is one that
//     the case allows (none unless it says otherwise),
//   - and every check of the case held.
// Evidence (where a click landed, which message showed) is noted and printed
// beside the verdict.
//
// The cases are the rows of the tables of cases_install.cpp (the
// installation interrupted at a named checkpoint, held there by the test
// programs' gate, or by a click timed against the real extraction) and of
// cases_workers.cpp (a worker meeting a full drive, locked files and keys,
// damaged skins, hostile records, or left on its way) and of the attacks on
// the elevated programs (cases_attack_*.cpp); the quick subset (the test
// command's) is the list in fault_runner.cpp.
#pragma once

#include "fake_installation.h"
#include "install_manifest.h"
#include "install_record.h"
#include "product.h"
#include "snapshot.h"
#include "test_support.h"
#include "wait_until.h"
#include "wizard_driver.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace faults {

using testing_support::Exists;
using testing_support::MakeDirs;
using testing_support::MessageBoxSeen;
using testing_support::RemoveTree;
using testing_support::ShellPath;
using testing_support::ToUtf8;
using testing_support::VisibleWindowsOf;
using testing_support::WaitUntil;
using testing_support::WizardDriver;
using testing_support::WriteBytes;

// One entry of a payload archive, as Setup extracts it.
struct PayloadEntry {
    std::wstring name;  // "res\\profile.xml": '\\'-separated, no trailing separator
    bool folder;
    DWORD size;
};

// The payload of a Setup program, and the folder where it is extracted once
// for comparisons.
struct Payload {
    std::wstring exe;
    std::wstring reference;
    std::vector<PayloadEntry> entries;
    std::set<std::wstring> names;  // the entries' names, upper-cased
    int Count() const { return static_cast<int>(entries.size()); }
    std::wstring PathOf(const std::wstring& dir, int i) const
    {
        return dir + (!dir.empty() && dir.back() == L'\\' ? L"" : L"\\") + entries[static_cast<size_t>(i)].name;
    }
    bool Has(const std::wstring& relative) const { return names.count(Upper(relative)) != 0; }
};

// Reads the payload of a Setup program (its resource, through the archive
// reader Setup uses) and extracts it to payload->reference, unless that was
// done for this build of the program; false on failure.
bool LoadPayload(const std::wstring& exe, Payload* payload);

struct Context {
    std::wstring bin;            // the build's bin folder (the runner's own)
    std::wstring scratch;        // "C:\\velt-faults": the suite's own folder in the prefix
    std::wstring smallDrive;     // "F:" when the small drive (a tmpfs) is mapped, else empty
    std::wstring readOnlyDrive;  // "G:" when the read-only drive is mapped, else empty
    bool quick = false;
    bool verbose = false;  // every unexpected change is listed, not the first twelve
    Payload big;           // of SetupFaultTest.exe, or SetupLargeTest.exe without it (and with --quick)
    Payload real;          // of Setup.exe
    std::wstring Bin(const std::wstring& name) const { return bin + L"\\" + name; }
};
// The run's context, set once by the runner before any case.
inline Context g_context;
inline const Context& Ctx() { return g_context; }

// How a program is left. Setup asks whether to quit for its buttons,
// Uninstall only for its page's cancel; Alt+F4 and WM_CLOSE never ask, nor
// does the end of the Windows session (EndSession).
enum class Quit { PageCancel, FrameCancel, FrameClose, AltF4, WmClose, SessionEnd };

// Makes an existing key readable only (its DACL replaced by "read for
// everyone"); Wine checks a key's DACL when the key is opened, so an open
// for KEY_ALL_ACCESS then fails with ERROR_ACCESS_DENIED, as on Windows. The
// destructor gives the key its DACL back (the owner may always rewrite it).
// The original is also noted in the suite's folder, so that a run that died
// is repaired by the next (RestoreLockedKey).
class KeyLock {
public:
    explicit KeyLock(const std::wstring& path);  // below HKEY_LOCAL_MACHINE
    ~KeyLock();
    bool Locked() const { return m_locked; }

private:
    std::wstring m_path;
    std::wstring m_sddl;
    bool m_locked = false;
};
// Allowed difference: a predicate over one change, with a name for reports.
struct Allowance {
    std::wstring what;
    std::function<bool(const Change&)> matches;
};

// Programs still running when it goes are ended by their drivers.
struct CaseRun {
    explicit CaseRun(DWORD deadlineMs);
    // The standard scope (records, Run values, the earlier edition's keys,
    // programs folders, desktops, Quick Launch, Program Files' top level and
    // the default installation folder, the temporary folder's "VELTExit"
    // entries) is always in; cases add their folders before Before().
    void Watch(const std::wstring& folder, int depth = -1) { scope.folders.push_back({folder, depth, L""}); }
    void Before();
    // Starts a program under the driver; its exit code and end are judged.
    WizardDriver& Start(const std::wstring& exe, const std::wstring& skin);
    bool Check(bool holds, const std::wstring& what);
    void Note(const std::wstring& text) { evidence += (evidence.empty() ? L"" : L"; ") + text; }
    // Skipped: the case cannot run here (a drive is missing); not a failure.
    void Skip(const std::wstring& why);
    // Waits for every started program to end (deadline), then for leftovers,
    // then takes the second snapshot and judges (once).
    void Finish();
    DWORD Left() const { return GetTickCount() - start >= deadline ? 0 : deadline - (GetTickCount() - start); }

    const DWORD deadline;
    const DWORD start;
    SnapshotScope scope;
    MachineState before;
    bool haveBefore = false;
    std::vector<std::unique_ptr<WizardDriver>> drivers;
    std::vector<DWORD> own;  // processes of the case's own (a fake calendar, a holder): no leftovers
    std::vector<Allowance> allowed;
    std::vector<std::wstring> failures;
    std::wstring evidence;
    bool skipped = false;
    bool finished = false;

    // What a case of the workers' table (cases_workers.cpp) holds while it runs.
    std::wstring dir;            // the installation's folder
    std::wstring uninstallFrom;  // Uninstall's folder, when not dir
    std::wstring setupExe;       // the Setup program it starts
    bool uninstall = false;      // it starts Uninstall, not Setup
    std::wstring held;           // the payload file held open, if any
    const Payload* payload = nullptr;
    Quit way = Quit::FrameClose;  // the case's own way out
    WizardDriver* d = nullptr;
    std::unique_ptr<testing_support::FakeInstallation> install;
    testing_support::ChildProcess helper;
    std::unique_ptr<KeyLock> lock;
    std::vector<std::function<void()>> cleanups;  // after the case is judged
};

// The product installed into dir (added or changed, for allUsers: its
// record, autostart value, shortcuts, the payload's entries and the install
// manifest, dir and the parents made for it), or removed (for all users; dir
// and what is below it only when removeDir).
Allowance AllowInstalled(const Payload& payload, const std::wstring& dir, int allUsers = 1, bool record = true,
                         bool autostart = true);
Allowance AllowRemoved(const Payload& payload, const std::wstring& dir, bool removeDir, bool autostart = true);
// Files below `folder` read, nothing else: only their last-access time moved
// (a program run from there reads its own files).
Allowance AllowRead(const std::wstring& folder);

// Removes every trace of the product (records, autostart values, shortcuts,
// the default folder) and the case folders below the scratch folder.
void CleanMachine();
inline bool RecordExists(int allUsers = 1)
{
    return testing_support::RecordExists(allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
}
inline bool AutostartExists() { return testing_support::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName); }
// The autostart value as the snapshot names it.
inline std::wstring AutostartPath(int allUsers = 1)
{
    return std::wstring(allUsers ? L"HKLM\\" : L"HKCU\\") + kRunKey + L"\\" + kAutostartValueName;
}
// A fresh folder below the suite's scratch folder (made), unique per call.
std::wstring ScratchFolder(const std::wstring& hint);
// Makes dir a folder of the user's: "letter.txt", a read-only
// "res\\profile.xml", a hidden "DuiLibu.dll", a system "Uninstall.DAT", a
// "res\\mine\\photo.png" and (when the payload has it) a read-only hidden
// "filler\\d000\\f00000.bin", all with old times.
void MakeUserFolder(const Payload& payload, const std::wstring& dir);

std::wstring QuitName(Quit quit);
inline bool Asks(Quit quit, bool setup)
{
    return quit == Quit::PageCancel || (setup && (quit == Quit::FrameCancel || quit == Quit::FrameClose));
}
// Sends the way out (`page` is the visible page, for PageCancel); with
// `answer`, answers Yes when the question comes. Checked into the run; false
// when the way out is missing.
bool TakeWayOut(CaseRun& run, WizardDriver& d, Quit quit, const std::wstring& page, bool setup, bool answer = true);

// The end of the Windows session as Windows brings it to the frame, with
// `page` the visible page: WM_QUERYENDSESSION must be answered FALSE while a
// progress page ("Page6", "Page10", "Page12") shows and its worker runs, and
// TRUE otherwise; the block reason is checked where the system can read it
// back (ShutdownBlockReasonQuery). WM_ENDSESSION with FALSE (the end called
// off) must change nothing; then WM_ENDSESSION (TRUE, log-off) must be
// answered within the five seconds Windows gives, with no error message
// shown, and the program is ended as Windows ends it then
// (TerminateProcess, exit code 0): what the case judges is what the program
// had done before its answer.
bool EndSession(CaseRun& run, WizardDriver& d, const std::wstring& page);

enum class Worker { Install, Repair, SetupRemoval, UninstallRemoval };
inline const wchar_t* FinishPage(Worker worker)
{
    return worker == Worker::Install ? L"Page7" : worker == Worker::Repair ? L"Page13" : L"Page11";
}
// Starts Setup (`exe`), walks to Page4 and types dir into "pathedit" (when
// not empty), "onlymebtn" chosen when onlyMe. Null, with the case's check
// failed, when a step did not happen.
WizardDriver* StartToPage4(CaseRun& run, const std::wstring& exe, const std::wstring& dir, bool onlyMe = false);
// Starts the worker through the windows: an installation into dir (Page4's
// "nextbtn"; its progress or finish page shows), Setup's repair ("fixbtn",
// "nextbtn"; its progress or finish page or a message shows) or removal
// (confirmed on Page9), or Uninstall's from dir. Null, with the check
// failed, when a step did not happen.
WizardDriver* StartWorker(CaseRun& run, Worker worker, const std::wstring& exe, const std::wstring& dir,
                          bool onlyMe = false);
// Waits for the finish page and clicks through it (the calendar not started).
bool FinishThrough(CaseRun& run, WizardDriver& d, Worker worker, DWORD ms = 180000);
// Waits for a message box with this caption and text (empty: any), notes it
// and answers OK.
bool AnswerMessage(CaseRun& run, WizardDriver& d, const std::wstring& caption, const std::wstring& text,
                   DWORD ms = 30000);

// Checks every payload entry below dir against the payload (orAsItWas: each
// file is as the payload has it or as it was before the case).
void CheckInstalled(CaseRun& run, const Payload& payload, const std::wstring& dir, bool orAsItWas = false);

void RestoreLockedKey();

void Say(const std::wstring& text);

// A case ("<family>.<what>").
struct FaultCase {
    std::wstring name;
    DWORD deadlineMs;
    std::function<void(CaseRun&)> run;
};
using Cases = std::vector<FaultCase>;
// One case per way out ("<name>.<way>"), or one case when `ways` is empty.
void Add(Cases* cases, const std::wstring& name, DWORD deadlineMs, const std::vector<Quit>& ways,
         const std::function<void(CaseRun&, Quit)>& run);
void AddInstallCases(Cases* cases);
void AddWorkerCases(Cases* cases);
void AddAttackExtractCases(Cases* cases);
void AddAttackRemovalCases(Cases* cases);
void AddAttackTrustCases(Cases* cases);
void AddAttackPathsCases(Cases* cases);
void AddAttackDllCases(Cases* cases);

} // namespace faults
