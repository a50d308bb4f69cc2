// What every case of the fault suite shares: the table entry of a case, the
// context of a run (which programs, which drives), and CaseRun, through
// which a case snapshots the machine, drives the programs, states what it
// allows to change and gets judged.
//
// A case passes only when, after the programs it started have ended,
//   - every program ended with exit code 0 within the case's deadline,
//   - no crash dialog (winedbg) and no leftover process (Setup, Uninstall,
//     the calendar, cmd, ping) is left once the deadline for the delayed
//     removal has passed,
//   - every difference between the snapshots before and after is one that
//     the case allows (none unless it says otherwise),
//   - and every check of the case held.
// Evidence (where a click landed, which message showed) is noted and printed
// beside the verdict.
#pragma once

#include "fake_installation.h"
#include "worker_hooks.h"
#include "snapshot.h"
#include "wizard_driver.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct CheckpointGateBlock;

namespace faults {

using testing_support::MessageBoxSeen;
using testing_support::WizardDriver;

// One entry of a payload archive, as Setup extracts it.
struct PayloadEntry {
    std::wstring name;   // "res/profile.xml", folders end in '/'
    bool folder = false;
    DWORD size = 0;
};

// The payload carried by a Setup program, read from its resource.
struct Payload {
    std::wstring exe;
    std::vector<PayloadEntry> entries;
    int Count() const { return static_cast<int>(entries.size()); }
    // Full path of entry i below dir ('\\' separated, no trailing separator).
    std::wstring PathOf(const std::wstring& dir, int i) const;
    // True when name (relative, either separator, any case) is an entry.
    bool Has(const std::wstring& relative) const;
};

// Reads the payload of a Setup program (its resource, through the archive
// reader Setup uses); false when it has none.
bool LoadPayload(const std::wstring& exe, Payload* payload);
// Extracts the payload of `exe` into `folder` once (kept while the program
// is unchanged); false on failure.
bool ExtractReference(const std::wstring& exe, const std::wstring& folder);

struct Context {
    std::wstring bin;         // the build's bin folder (the runner's own)
    std::wstring scratch;     // "C:\\velt-faults": the suite's own folder in the prefix
    std::wstring bigSetup;    // SetupFaultTest.exe, or SetupLargeTest.exe without it
    std::wstring smallDrive;  // "F:" when the small drive (a tmpfs) is mapped, else empty
    std::wstring readOnlyDrive;  // "G:" when the read-only drive is mapped, else empty
    bool quick = false;
    bool verbose = false;     // every unexpected change is listed, not the first twelve
    Payload bigPayload;       // of bigSetup
    Payload realPayload;      // of Setup.exe
    std::wstring reference;   // folder with bigPayload extracted once, for comparisons
    std::wstring realReference;
};

const Context& Ctx();
void InitContext(const Context& context);

// Checkpoint k (1-based) of the install worker for a payload of n entries.
struct CheckpointAt {
    ::Checkpoint what;
    int entry = -1;  // for AfterEntry: the entry just written (0-based)
};
CheckpointAt DescribeCheckpoint(int k, int n);
std::wstring CheckpointName(int k, int n);
// The bar's width at checkpoint k (layout start width 1, W = 474).
int BarAtCheckpoint(int k, int n);

// Holds the install worker of process `pid` (a Setup test program) at its
// k-th checkpoint (checkpoint_gate.h). Release lets it go on; the destructor
// releases it too.
class Gate {
public:
    Gate(DWORD pid, int k);
    ~Gate();
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;
    bool Armed() const { return m_block != nullptr && m_release != nullptr; }
    bool WaitHeld(DWORD ms) const;
    void Release();
    int Reached() const;

private:
    HANDLE m_mapping = nullptr;
    ::CheckpointGateBlock* m_block = nullptr;
    HANDLE m_release = nullptr;  // the manual-reset event that lets the worker go on
};

// How a program is left.
enum class Quit { PageCancel, FrameCancel, FrameClose, AltF4, WmClose };
std::wstring QuitName(Quit quit);

// Allowed difference: a predicate over one change, with a name for reports.
struct Allowance {
    std::wstring what;
    std::function<bool(const Change&)> matches;
};

class CaseRun {
public:
    CaseRun(DWORD deadlineMs);
    ~CaseRun();
    CaseRun(const CaseRun&) = delete;
    CaseRun& operator=(const CaseRun&) = delete;

    // --- scope and snapshots ------------------------------------------------
    // The standard scope (records, Run values, the earlier edition's keys,
    // programs folders, desktops, Quick Launch, the default installation
    // folder's parent, the temporary folder's "VELT" entries) is always in;
    // cases add their folders before Before().
    void Watch(const std::wstring& folder, int depth = -1) { m_scope.AddFolder(folder, depth); }
    void Before();
    const MachineState& BeforeState() const { return m_before; }

    // --- programs -----------------------------------------------------------
    // Starts a program under the driver; its exit code and end are judged.
    WizardDriver& Start(const std::wstring& exe, const std::wstring& skin, const std::wstring& workDir = L"");
    WizardDriver& Driver() { return *m_drivers.back(); }
    // A process of the case's own (a fake calendar, a holder): not a leftover.
    void Own(DWORD pid) { m_own.push_back(pid); }

    // --- allowances, checks and evidence ---------------------------------
    void Allow(const Allowance& allowance) { m_allowed.push_back(allowance); }
    bool Check(bool holds, const std::wstring& what);
    void Note(const std::wstring& evidence);
    // Skipped: the case cannot run here (a drive is missing); not a failure.
    void Skip(const std::wstring& why);

    // Waits for every started program to end (deadline), then for leftovers,
    // then takes the second snapshot and judges. Returns the verdict.
    bool Finish();

    bool Finished() const { return m_finished; }
    bool Skipped() const { return m_skipped; }
    bool Passed() const { return !m_skipped && m_failures.empty(); }
    const std::vector<std::wstring>& Failures() const { return m_failures; }
    const std::wstring& Evidence() const { return m_evidence; }
    double Seconds() const;
    DWORD Deadline() const { return m_deadline; }
    DWORD Elapsed() const { return GetTickCount() - m_start; }
    DWORD Left() const;

private:
    SnapshotScope m_scope;
    MachineState m_before;
    bool m_haveBefore = false;
    std::vector<std::unique_ptr<WizardDriver>> m_drivers;
    std::vector<DWORD> m_own;
    std::vector<Allowance> m_allowed;
    std::vector<std::wstring> m_failures;
    std::wstring m_evidence;
    bool m_skipped = false;
    bool m_finished = false;
    DWORD m_deadline;
    DWORD m_start;
};

// --- allowances -------------------------------------------------------------
// The product installed into dir for allUsers: its record and values, its
// autostart value, its shortcuts (desktop and Quick Launch as asked), the
// payload's entries and the install manifest in dir (added or changed),
// dir itself and any missing parents of it (added).
Allowance AllowInstalled(const Payload& payload, const std::wstring& dir, int allUsers, bool record = true,
                         bool autostart = true);
// The same items removed; dir itself only when removeDir.
Allowance AllowRemoved(const Payload& payload, const std::wstring& dir, int allUsers, bool removeDir,
                       bool autostart = true);
// Every change below `path` (the case's own scratch, a temporary file).
Allowance AllowBelow(const std::wstring& path);
// Files below `folder` read, nothing else: only their last-access time moved
// (a program run from there reads its own files).
Allowance AllowRead(const std::wstring& folder);

// --- the machine ------------------------------------------------------------
// Removes every trace of the product (records, autostart values, shortcuts,
// the default folder) and the case's scratch folder.
void CleanMachine();
// The record's, the Run key's and the shortcuts' state, for evidence.
bool RecordExists(int allUsers);
bool AutostartExists(int allUsers);
bool AppLinkExists(int allUsers);
using testing_support::ShellPath;
// A fresh folder below the suite's scratch folder (made), unique per call.
std::wstring ScratchFolder(const std::wstring& hint);
// "<a fresh scratch folder>\\VELT", not made; the scratch folder is watched.
std::wstring NewTarget(CaseRun& run, const std::wstring& hint);

// --- driving Setup and Uninstall -------------------------------------------
struct InstallPlan {
    std::wstring exe;   // full path of the Setup program
    std::wstring dir;   // typed into "pathedit" (empty: nothing typed)
    bool onlyMe = false;
};
// Starts Setup, walks to Page4, chooses and types as planned.
bool StartToPage4(CaseRun& run, const InstallPlan& plan);
// ... and clicks Page4's "nextbtn": the installation starts.
bool StartInstall(CaseRun& run, const InstallPlan& plan);
// Starts the large Setup for `dir`, arms a checkpoint gate at k, clicks
// Page4's "nextbtn" and waits until the worker is held there. Null, with the
// case's check failed, when any step did not happen.
std::unique_ptr<Gate> StartHeldAt(CaseRun& run, const std::wstring& dir, int k);
// Clicks Page6's "cancelbtn" while the worker is held, waits for the quit
// question and then lets the worker go on; box is null when none showed.
MessageBoxSeen CancelWhileHeld(WizardDriver& driver, Gate& gate);
// Waits for the quit question and answers it.
bool AnswerQuestion(WizardDriver& driver, int id, DWORD ms = 15000);
// Waits for a message box with this caption and text (text empty: any) and
// answers it with OK; notes it as evidence.
bool AnswerMessage(CaseRun& run, WizardDriver& driver, const std::wstring& caption, const std::wstring& text,
                   DWORD ms = 30000);
// The bar's width on screen once two readings 150 ms apart agree; -1 if not.
int StableBar(WizardDriver& driver, const std::wstring& page);
// Leaves the program the given way; `page` is the visible page for
// PageCancel; `question` says whether the quit question follows (answered Yes).
bool LeaveBy(WizardDriver& driver, Quit quit, const std::wstring& page, bool question);
// The first payload entry (in order) that is not written below dir: a file
// missing or not of the entry's size (a file of the user's by that name), a
// folder missing (folders in `preexisting` are skipped); n when every entry
// is there.
int FirstMissingEntry(const Payload& payload, const std::wstring& dir, const std::vector<bool>& preexisting);
// Compares the files of the payload below dir with the reference extraction:
// the names of those that differ or are missing (empty when complete).
std::vector<std::wstring> IncompleteEntries(const Payload& payload, const std::wstring& reference,
                                            const std::wstring& dir);

// --- registry permissions ---------------------------------------------------
// Makes an existing key readable only (its DACL replaced by "read for
// everyone"); Wine checks a key's DACL when the key is opened, so an open
// for KEY_ALL_ACCESS then fails with ERROR_ACCESS_DENIED, as on Windows. The
// destructor gives the key its DACL back (the owner may always rewrite it).
// The original is also noted in the suite's folder, so that a run that died
// is repaired by the next (RestoreLockedKeys).
class KeyLock {
public:
    KeyLock(HKEY root, const std::wstring& path);
    ~KeyLock();
    KeyLock(const KeyLock&) = delete;
    KeyLock& operator=(const KeyLock&) = delete;
    bool Locked() const { return m_locked; }
    void Unlock();

private:
    HKEY m_root;
    std::wstring m_path;
    std::wstring m_sddl;
    bool m_locked = false;
};
void RestoreLockedKeys();

// --- evidence of where the worker stands --------------------------------------
// What an installation into dir has made so far, as a line of evidence.
struct InstallProgress {
    bool record = false, folder = false, manifest = false, links = false, autostart = false;
    int firstMissing = 0;  // first payload entry not there (pre-existing names skipped)
};
InstallProgress ReadProgress(const Payload& payload, const std::wstring& dir, int allUsers,
                             const std::vector<bool>& preexisting);
std::wstring DescribeProgress(const InstallProgress& progress, int n);
// True when the progress is what checkpoint k shows.
bool ProgressMatches(const InstallProgress& progress, int k, int n, bool existingFolder);

// Every payload file below dir is either as it was before (same hash as in
// `before`) or as the payload has it, and none is missing or empty where
// the payload's is not; failures are checked into the run.
void CheckAsItWasOrComplete(CaseRun& run, const Payload& payload, const std::wstring& reference,
                            const std::wstring& dir);

// --- output -------------------------------------------------------------------
void Say(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

} // namespace faults
