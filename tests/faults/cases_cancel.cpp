// The cancel family: the installation cancelled at every checkpoint, into a
// new folder and into an existing folder that holds the user's files (some
// with payload names, read-only, hidden or system, with old times).
//
// "cancel.<folder>.<point>" holds the worker at the checkpoint with the test
// program's gate, reads the bar and what the installation has made so far
// (the proof of where the click lands), clicks the progress page's cancel,
// lets the worker reach the checkpoint, sees that it waits there while the
// question is open, and answers Yes. "cancel.timed.<folder>.<point>" uses no
// gate: it clicks when the real extraction reaches a point (the first or the
// last entry's file appears, the bar passes a fraction) and proves where the
// click landed from the bar and the files at the pause. Every cancel must
// leave the machine exactly as it was.
#include "fault_cases.h"

#include "cases_shared.h"

#include "product.h"
#include "test_support.h"
#include "wait_until.h"

namespace faults {

using testing_support::Exists;
using testing_support::MakeDirs;
using testing_support::WaitUntil;
using testing_support::WriteBytes;

namespace {

constexpr DWORD kDeadline = 240000;

void SetTimes(const std::wstring& path, WORD year)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SYSTEMTIME created = {year, 1, 0, 1, 8, 0, 0, 0};
    SYSTEMTIME written = {static_cast<WORD>(year + 1), 2, 0, 3, 9, 30, 0, 0};
    SYSTEMTIME accessed = {static_cast<WORD>(year + 2), 3, 0, 4, 10, 45, 0, 0};
    FILETIME c, w, a;
    SystemTimeToFileTime(&created, &c);
    SystemTimeToFileTime(&written, &w);
    SystemTimeToFileTime(&accessed, &a);
    SetFileTime(file, &c, &a, &w);
    CloseHandle(file);
}

} // namespace

// See cases_shared.h.
std::vector<bool> MakeUserFolder(const Payload& payload, const std::wstring& dir)
{
    struct UserFile {
        const wchar_t* name;
        const char* bytes;
        DWORD attributes;
    };
    const UserFile files[] = {
        {L"letter.txt", "dear user", FILE_ATTRIBUTE_ARCHIVE},
        {L"res\\profile.xml", "<my settings/>", FILE_ATTRIBUTE_READONLY},
        {L"DuiLibu.dll", "someone else's library", FILE_ATTRIBUTE_HIDDEN},
        {L"Uninstall.DAT", "the user's data", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
        {L"res\\mine\\photo.png", "a photo", FILE_ATTRIBUTE_ARCHIVE},
        {L"filler\\d000\\f00000.bin", "not filler", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
    };
    MakeDirs(dir);
    for (const UserFile& file : files) {
        if (std::wstring(file.name).find(L"filler") == 0 && !payload.Has(file.name))
            continue;
        const std::wstring path = dir + L"\\" + file.name;
        MakeDirs(path.substr(0, path.find_last_of(L'\\')));
        WriteBytes(path, file.bytes);
        SetTimes(path, 2010);
        SetFileAttributesW(path.c_str(), file.attributes);
    }
    std::vector<bool> preexisting;
    for (int i = 0; i < payload.Count(); ++i)
        preexisting.push_back(Exists(payload.PathOf(dir, i)));
    return preexisting;
}

namespace {

struct Folder {
    std::wstring dir;
    std::vector<bool> preexisting;
    bool existing = false;
};

Folder PrepareFolder(CaseRun& run, const Payload& payload, bool existing)
{
    const std::wstring parent = ScratchFolder(existing ? L"existing" : L"new");
    run.Watch(parent);
    Folder folder;
    folder.existing = existing;
    folder.dir = parent + (existing ? L"\\我的 文件夹" : L"\\VELT 日历");
    if (existing)
        folder.preexisting = MakeUserFolder(payload, folder.dir);
    return folder;
}

// Something the worker would do after checkpoint k has happened.
bool WorkerMoved(WizardDriver& d, const Payload& payload, const Folder& folder, int k, int bar)
{
    const int n = payload.Count();
    if (d.PageVisible(L"Page7"))
        return true;
    const CheckpointAt at = DescribeCheckpoint(k, n);
    if (at.what == Checkpoint::AfterRecord && !folder.existing && Exists(folder.dir))
        return true;
    const int next = at.what == Checkpoint::AfterEntry ? at.entry + 1 : at.what < Checkpoint::AfterEntry ? 0 : -1;
    if (next >= 0 && next < n && FirstMissingEntry(payload, folder.dir, folder.preexisting) > next)
        return true;
    if (at.what == Checkpoint::AfterManifest && AppLinkExists(1))
        return true;
    const int now = d.ProgressWidth(L"Page6");
    return now >= 0 && now != bar;
}

void CancelAtCheckpoint(CaseRun& run, int k, bool existing)
{
    const Payload& payload = Ctx().bigPayload;
    const int n = payload.Count();
    const Folder folder = PrepareFolder(run, payload, existing);
    run.Before();
    const std::unique_ptr<Gate> gate = StartHeldAt(run, folder.dir, k);
    if (!gate)
        return;
    WizardDriver& d = run.Driver();
    const int bar = StableBar(d, L"Page6");
    const InstallProgress progress = ReadProgress(payload, folder.dir, 1, folder.preexisting);
    run.Note(L"held " + CheckpointName(k, n) + L" (checkpoint " + std::to_wstring(k) + L"): bar " +
             std::to_wstring(bar) + L", " + DescribeProgress(progress, n));
    run.Check(bar == BarAtCheckpoint(k, n),
              L"bar " + std::to_wstring(bar) + L", expected " + std::to_wstring(BarAtCheckpoint(k, n)));
    run.Check(ProgressMatches(progress, k, n, existing), L"what was made does not fit the checkpoint");
    if (!run.Check(d.Click(L"Page6", L"cancelbtn"), L"no cancel button"))
        return;
    const MessageBoxSeen question = d.WaitMessageBox(15000, kCaptionNotice, kMsgQuitQuestion);
    if (!run.Check(question.box != nullptr, L"no quit question"))
        return;
    gate->Release();
    run.Check(!WaitUntil([&] { return WorkerMoved(d, payload, folder, k, bar); }, 800, 100),
              L"the worker went on while the question was open");
    run.Check(WizardDriver::Answer(question, IDYES), L"the question could not be answered");
    run.Finish();
}

void CancelBeforeTheRecord(CaseRun& run, bool existing)
{
    const Payload& payload = Ctx().bigPayload;
    const Folder folder = PrepareFolder(run, payload, existing);
    run.Before();
    if (!StartToPage4(run, {Ctx().bigSetup, folder.dir}))
        return;
    WizardDriver& d = run.Driver();
    run.Check(LeaveBy(d, Quit::FrameCancel, L"", true), L"the frame's cancel did not ask");
    run.Note(std::wstring(L"left on Page4 before the worker started: record ") + (RecordExists(1) ? L"yes" : L"no"));
    run.Finish();
}

enum class Moment { FirstEntry, Fraction, LastEntry };

void CancelTimed(CaseRun& run, Moment moment, int percent, bool existing)
{
    const Payload& payload = Ctx().bigPayload;
    const int n = payload.Count();
    const int span = BarAtCheckpoint(n + 5, n);
    const Folder folder = PrepareFolder(run, payload, existing);
    run.Before();
    if (!StartInstall(run, {Ctx().bigSetup, folder.dir}))
        return;
    WizardDriver& d = run.Driver();
    const std::wstring first = payload.PathOf(folder.dir, 0);
    const std::wstring last = payload.PathOf(folder.dir, n - 1);
    const int target = span * percent / 100;
    bool reached = false;
    switch (moment) {
    case Moment::FirstEntry:
        reached = WaitUntil([&] { return Exists(first); }, run.Left(), 2);
        break;
    case Moment::LastEntry:
        reached = WaitUntil([&] { return Exists(last); }, run.Left(), 2);
        break;
    case Moment::Fraction:
        reached = WaitUntil([&] { return d.ProgressWidth(L"Page6") >= target; }, run.Left(), 10);
        break;
    }
    if (!run.Check(reached, L"the moment never came"))
        return;
    d.Click(L"Page6", L"cancelbtn");
    const MessageBoxSeen question = d.WaitMessageBox(15000, kCaptionNotice, kMsgQuitQuestion);
    if (!run.Check(question.box != nullptr, L"no quit question"))
        return;
    // The worker stops at its next checkpoint: the bar and the files stay.
    const int bar = StableBar(d, L"Page6");
    const InstallProgress progress = ReadProgress(payload, folder.dir, 1, folder.preexisting);
    const int landed = progress.firstMissing;  // checkpoint after entry landed-1
    run.Note(L"clicked, landed after entry " + std::to_wstring(landed) + L" of " + std::to_wstring(n) + L": bar " +
             std::to_wstring(bar) + L", " + DescribeProgress(progress, n));
    if (landed > 0 && landed <= n && !progress.manifest)
        run.Check(bar == BarAtCheckpoint(4 + landed, n), L"the bar does not fit the entries written");
    switch (moment) {
    case Moment::FirstEntry:
        run.Check(landed == 1, L"meant to land at the first entry");
        break;
    case Moment::LastEntry:
        run.Check(landed == n && !progress.manifest, L"meant to land at the last entry");
        break;
    case Moment::Fraction:
        run.Check(bar >= target && bar <= target + span / 6 && !progress.manifest,
                  L"meant to land near " + std::to_wstring(percent) + L"% of the extraction");
        break;
    }
    run.Check(WizardDriver::Answer(question, IDYES), L"the question could not be answered");
    run.Finish();
}

} // namespace

void AddCancelCases(std::vector<FaultCase>* cases)
{
    const int n = Ctx().bigPayload.Count();
    struct Point {
        const wchar_t* name;
        int k;
    };
    const Point points[] = {
        {L"after-record", 1},
        {L"after-folder", 2},
        {L"after-folder-again", 3},
        {L"before-first-entry", 4},
        {L"entry-first", 5},
        {L"entry-second", 6},
        {L"entry-third", 7},
        {L"entry-5pct", 5 + n * 5 / 100},
        {L"entry-10pct", 5 + n / 10},
        {L"entry-25pct", 5 + n / 4},
        {L"entry-middle", 5 + n / 2},
        {L"entry-75pct", 5 + n * 3 / 4},
        {L"entry-90pct", 5 + n * 9 / 10},
        {L"entry-last-but-two", 5 + n - 3},
        {L"entry-last-but-one", 5 + n - 2},
        {L"entry-last", 5 + n - 1},
        {L"after-manifest", n + 5},
        {L"after-shortcuts-and-autostart", n + 6},
        {L"at-finish", n + 7},
    };
    for (bool existing : {false, true}) {
        const std::wstring where = existing ? L"existing" : L"new";
        cases->push_back({L"cancel", L"cancel." + where + L".before-record", false, kDeadline,
                          [=](CaseRun& run) { CancelBeforeTheRecord(run, existing); }});
        for (const Point& point : points) {
            const int k = point.k;
            const bool quick = (!existing && k == 1) || k == 5 + n / 2;
            cases->push_back({L"cancel", L"cancel." + where + L"." + point.name, quick, kDeadline,
                              [=](CaseRun& run) { CancelAtCheckpoint(run, k, existing); }});
        }
    }
    // Clicks timed against the real extraction, without the gate. The first
    // and the last entry are only long enough to aim at in the fault
    // payload (64 MiB each). None is in the quick subset: on a busy machine
    // the worker can outrun the click, and the gated cases above prove the
    // same cancels exactly.
    const bool bigEnds = n > 0 && Ctx().bigPayload.entries.front().size >= 16u * 1024 * 1024 &&
                         Ctx().bigPayload.entries.back().size >= 16u * 1024 * 1024;
    for (bool existing : {false, true}) {
        const std::wstring where = existing ? L"existing" : L"new";
        if (bigEnds) {
            cases->push_back({L"cancel", L"cancel.timed." + where + L".entry-first", false, kDeadline,
                              [=](CaseRun& run) { CancelTimed(run, Moment::FirstEntry, 0, existing); }});
        }
        for (int percent : {10, 50, 90}) {
            cases->push_back({L"cancel", L"cancel.timed." + where + L".at-" + std::to_wstring(percent) + L"pct",
                              false, kDeadline,
                              [=](CaseRun& run) { CancelTimed(run, Moment::Fraction, percent, existing); }});
        }
        if (bigEnds) {
            cases->push_back({L"cancel", L"cancel.timed." + where + L".entry-last", false, kDeadline,
                              [=](CaseRun& run) { CancelTimed(run, Moment::LastEntry, 0, existing); }});
        }
    }
}

} // namespace faults
