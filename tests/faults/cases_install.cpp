// The installation interrupted while it runs, into a new folder or into one
// of the user's (files of payload names, read-only, hidden or system, with
// old times):
//   cancel.<folder>.<checkpoint>  held at the checkpoint by the test
//       program's gate (checkpoint_gate.h): the bar and what the installation
//       has made must be what that checkpoint shows; the page's cancel asks,
//       the worker waits at the checkpoint while the question is open, Yes;
//   cancel.timed.<folder>.<moment>  no hold: the cancel clicked when the real
//       extraction reaches a moment (the first or the last entry's file
//       appears, the bar passes a fraction); wherever it lands, the gate
//       tells which checkpoint the worker stopped at, and the bar and the
//       files must fit it (the evidence says where it landed);
//   quit.install.<checkpoint>.<way>  every way out while held (the end of
//       the Windows session while the question is open, early ones only);
//   quit.install.answered-no-completes  the question answered No;
//   quit.rollback.<way>  every way out while the cancel is rolled back;
//   locked.run-key.rollback  the Run key made read-only before the rollback
//       reaches the autostart value.
// A cancel or a quit must leave the machine exactly as it was.
#include "fault_support.h"

#include "checkpoint_gate_driver.h"
#include "extraction.h"
#include "worker_hooks.h"

#include <tuple>
#include <utility>

namespace faults {

namespace {

constexpr DWORD kDeadline = 240000;

// A checkpoint of the installation; entry is the entry's index for AfterEntry.
struct Point {
    Checkpoint at;
    int entry = -1;
};

int Entries() { return Ctx().big.Count(); }

std::wstring PointName(const Point& p)
{
    if (p.at == Checkpoint::AfterEntry)
        return L"after entry " + std::to_wstring(p.entry + 1) + L" of " + std::to_wstring(Entries());
    const wchar_t* names[] = {L"after the record", L"after the folder", L"after the folder (second)",
                              L"before the first entry", L"", L"after the manifest, before the shortcuts",
                              L"after the shortcuts and the autostart value", L"at the finish"};
    return names[static_cast<int>(p.at)];
}

// The bar's width at a checkpoint: the layout's start width 1 before the
// entries, the extraction's width after each, the full 474 at the finish.
int BarAt(const Point& p)
{
    if (p.at == Checkpoint::AtFinish)
        return 474;
    return p.at < Checkpoint::AfterEntry
               ? 1
               : ExtractionBarWidth(p.at == Checkpoint::AfterEntry ? p.entry : Entries() - 1, Entries(), 474);
}

// Where the installation goes: a new folder, or a folder of the user's.
struct Target {
    std::wstring dir;
    bool existing;
    const MachineState& before;  // the case's first snapshot, which holds the folder
    // Entry i is written: its folder is there, or its file with the entry's
    // size (a file of the user's by that name is not the entry).
    bool Written(int i) const
    {
        const PayloadEntry& entry = Ctx().big.entries[static_cast<size_t>(i)];
        WIN32_FILE_ATTRIBUTE_DATA info = {};
        return GetFileAttributesExW(Ctx().big.PathOf(dir, i).c_str(), GetFileExInfoStandard, &info) &&
               (entry.folder || (info.nFileSizeHigh == 0 && info.nFileSizeLow == entry.size));
    }
    // Entry i is begun: written, or a file or folder of its name appeared.
    bool Begun(int i) const
    {
        const std::wstring path = Upper(Ctx().big.PathOf(dir, i));
        return Written(i) || (Exists(path) && !before.count(L"F|" + path) && !before.count(L"D|" + path));
    }
    // How many entries are written, in order.
    int WrittenEntries() const
    {
        int i = 0;
        while (i < Entries() && Written(i))
            ++i;
        return i;
    }
};

Target MakeTarget(CaseRun& run, bool existing)
{
    const std::wstring parent = ScratchFolder(existing ? L"existing" : L"new");
    run.Watch(parent);
    Target target{parent + (existing ? L"\\我的 文件夹" : L"\\VELT 日历"), existing, run.before};
    if (existing)
        MakeUserFolder(Ctx().big, target.dir);
    return target;
}

// What an installation has made, in words.
std::wstring Made(bool record, bool folder, int entries, bool manifest, bool links, bool autostart)
{
    auto yes = [](bool b) { return b ? L"yes" : L"no"; };
    return std::wstring(L"record ") + yes(record) + L", folder " + yes(folder) + L", entries " +
           std::to_wstring(entries) + L"/" + std::to_wstring(Entries()) + L", manifest " + yes(manifest) +
           L", shortcuts " + yes(links) + L", autostart " + yes(autostart);
}

// What the installation into t has made so far.
std::wstring Made(const Target& t)
{
    return Made(RecordExists(), Exists(t.dir), t.WrittenEntries(), Exists(InstallManifestPath(t.dir)),
                Exists(ComposeShortcutPaths(1).appLink), AutostartExists());
}

// What it has made at checkpoint p: the record from the first; the folder
// from the second; the entries up to p's; the manifest after the entries;
// the shortcuts and the autostart value after the manifest.
std::wstring Made(const Point& p, const Target& t)
{
    const int entries = p.at < Checkpoint::AfterEntry ? 0 : p.at == Checkpoint::AfterEntry ? p.entry + 1 : Entries();
    const bool linked = p.at > Checkpoint::AfterManifest;
    return Made(true, p.at != Checkpoint::AfterRecord || t.existing, entries, p.at > Checkpoint::AfterEntry, linked,
                linked);
}

// Something the worker does after checkpoint p has begun: the folder, the
// next entry, the manifest, the shortcuts, the finish page, the bar moved.
bool Moved(WizardDriver& d, const Target& t, const Point& p, int bar)
{
    const int now = d.ProgressWidth(L"Page6");
    if (d.PageVisible(L"Page7") || (now >= 0 && now != bar))
        return true;
    if (p.at == Checkpoint::AfterManifest)
        return Exists(ComposeShortcutPaths(1).appLink);
    if (p.at == Checkpoint::AfterEntry && p.entry + 1 == Entries())
        return Exists(InstallManifestPath(t.dir));
    return p.at <= Checkpoint::AfterEntry && ((p.at == Checkpoint::AfterRecord && !t.existing && Exists(t.dir)) ||
                                              t.Begun(p.at == Checkpoint::AfterEntry ? p.entry + 1 : 0));
}

// Reads the bar (once two readings 150 ms apart agree) and what was made at
// checkpoint p, notes them, checks that they fit p; returns the bar.
int CheckStand(CaseRun& run, WizardDriver& d, const Target& t, const Point& p, const std::wstring& how)
{
    int last = -2, bar = -1;
    const bool stable = WaitUntil(
        [&] {
            last = std::exchange(bar, d.ProgressWidth(L"Page6"));
            return last == bar && bar >= 0;
        },
        5000, 150);
    bar = stable ? bar : -1;
    const std::wstring made = Made(t);
    run.Note(how + L" " + PointName(p) + L": bar " + std::to_wstring(bar) + L", " + made);
    run.Check(bar == BarAt(p), L"bar " + std::to_wstring(bar) + L", expected " + std::to_wstring(BarAt(p)));
    run.Check(made == Made(p, t), L"made at the checkpoint: " + Made(p, t));
    return bar;
}

// While the quit question is open, the worker stays at p.
void CheckHeld(CaseRun& run, WizardDriver& d, const Target& t, const Point& p, int bar)
{
    run.Check(!WaitUntil([&] { return Moved(d, t, p, bar); }, 800, 100),
              L"the worker went on while the question was open");
}

// Starts the large Setup for t, arms its gate (holding at `hold`, or
// nowhere) and starts the installation; with a hold, waits until the worker
// is held there. Null, with the check failed, when a step did not happen.
std::unique_ptr<CheckpointGateDriver> StartGated(CaseRun& run, const Target& t, const Point* hold)
{
    WizardDriver* d = StartToPage4(run, Ctx().big.exe, t.dir);
    auto gate = d ? std::make_unique<CheckpointGateDriver>(
                           d->ProcessId(), hold ? static_cast<LONG>(hold->at) : -1, hold ? hold->entry : -1) : nullptr;
    if (!gate || !run.Check(gate->Armed(), L"the checkpoint gate could not be made"))
        return nullptr;
    d->Click(L"Page4", L"nextbtn");
    if (hold && !run.Check(gate->WaitHeld(run.Left()), L"the worker was never held " + PointName(*hold)))
        return nullptr;
    return gate;
}

// What the user does once the worker is held and asked: Yes, No, Yes with
// the Run key made read-only first, or Yes and a way out during the rollback.
enum class Then { Yes, No, RunKeyLocked, QuitRollingBack };

// Held at p; the user leaves by `quit` (during the rollback: the page's
// cancel first) and answers as `then` says when asked.
void LeaveWhileHeld(CaseRun& run, const Point& p, bool existing, Quit quit, Then then = Then::Yes)
{
    const Target t = MakeTarget(run, existing);
    run.Before();
    const std::unique_ptr<CheckpointGateDriver> gate = StartGated(run, t, &p);
    if (!gate)
        return;
    WizardDriver* d = run.drivers.back().get();
    const auto lock = then == Then::RunKeyLocked ? std::make_unique<KeyLock>(kRunKey) : nullptr;
    if (lock && !run.Check(lock->Locked(), L"the Run key could not be made read-only"))
        return;
    const int bar = CheckStand(run, *d, t, p, L"held");
    const Quit first = then == Then::QuitRollingBack ? Quit::PageCancel : quit;
    run.Note(L"left by " + QuitName(first));
    if (first == Quit::SessionEnd) {
        // The session ends while the user is being asked: the question holds
        // the worker at p, and the end of the session stops it there.
        d->Click(L"Page6", L"cancelbtn");
        const MessageBoxSeen question = d->WaitMessageBox(15000, kCaptionNotice, kMsgQuitQuestion);
        gate->Release();
        if (run.Check(question.box != nullptr, L"no quit question")) {
            CheckHeld(run, *d, t, p, bar);
            EndSession(run, *d, L"Page6");
        }
        return;
    }
    if (!TakeWayOut(run, *d, first, L"Page6", true, false))
        return;
    if (!Asks(first, true)) {
        // The frame goes at once; the worker is told to stop when it goes on.
        run.Check(WaitUntil([&] { return !IsWindowVisible(d->Frame()); }, 15000), L"the frame stays");
        return;
    }
    const MessageBoxSeen question = d->WaitMessageBox(15000, kCaptionNotice, kMsgQuitQuestion);
    gate->Release();
    if (!run.Check(question.box != nullptr, L"no quit question"))
        return;
    CheckHeld(run, *d, t, p, bar);
    run.Check(WizardDriver::Answer(question, then == Then::No ? IDNO : IDYES), L"the question could not be answered");
    if (then == Then::No) {
        FinishThrough(run, *d, Worker::Install, run.Left());
        run.Note(L"answered No: the installation went on and completed");
        run.allowed.push_back(AllowInstalled(Ctx().big, t.dir));
        run.Finish();
        CheckInstalled(run, Ctx().big, t.dir);
    } else if (then == Then::RunKeyLocked) {
        int messages = 0;
        while (d->Running() && run.Left() > 0) {
            const MessageBoxSeen seen = d->WaitMessageBox(500, kCaptionError, kMsgRunKeyMissing);
            messages += seen.box && WizardDriver::Answer(seen, IDOK);
        }
        run.Note(L"\"" + std::wstring(kMsgRunKeyMissing) + L"\" shown " + std::to_wstring(messages) + L" time(s)");
        // Once by the worker's rollback, once by the interface thread's; never
        // a third time when Setup ends.
        run.Check(messages == 2, L"the Run key was reported " + std::to_wstring(messages) + L" times, not twice");
        // The value the rollback cannot reach stays; nothing else.
        const auto value = [](const Change& change) {
            return change.kind == ChangeKind::Added && Upper(change.path) == Upper(AutostartPath());
        };
        run.allowed.push_back({L"the autostart value", value});
        run.Finish();
    } else if (then == Then::QuitRollingBack) {
        // The rollback deletes what was written, the last entry first.
        if (!run.Check(WaitUntil([&] { return !Exists(Ctx().big.PathOf(t.dir, p.entry)); }, 60000, 5),
                       L"the rollback did not start"))
            return;
        const int left = t.WrittenEntries();
        TakeWayOut(run, *d, quit, L"Page6", true, false);
        run.Note(L"rollback under way (" + std::to_wstring(left) + L" of " + std::to_wstring(p.entry + 1) +
                 L" entries left) when left by " + QuitName(quit));
        // A question asked now may end unanswered when the rollback ends first.
        const MessageBoxSeen again = Asks(quit, true) ? d->WaitMessageBox(3000, kCaptionNotice, kMsgQuitQuestion)
                                                      : MessageBoxSeen{};
        if (again.box && WizardDriver::Answer(again, IDYES))
            run.Note(L"the quit question was asked again and answered Yes");
    }
}

void LeftOnPage4(CaseRun& run, bool existing)
{
    const Target t = MakeTarget(run, existing);
    run.Before();
    if (WizardDriver* d = StartToPage4(run, Ctx().big.exe, t.dir))
        TakeWayOut(run, *d, Quit::FrameCancel, L"", true);
    run.Note(std::wstring(L"left on Page4 before the worker started: record ") + (RecordExists() ? L"yes" : L"no"));
}

// When a timed cancel is clicked: once the first or the last entry's file
// appears, or the bar passes `percent` of the extraction.
void CancelTimed(CaseRun& run, int entry, int percent, bool existing)
{
    const Target t = MakeTarget(run, existing);
    run.Before();
    const std::unique_ptr<CheckpointGateDriver> gate = StartGated(run, t, nullptr);
    if (!gate)
        return;
    WizardDriver& d = *run.drivers.back();
    const int target = BarAt({Checkpoint::AfterManifest}) * percent / 100;
    const std::wstring when = entry < 0 ? L"the bar passed " + std::to_wstring(percent) + L"%"
                                        : L"entry " + std::to_wstring(entry + 1) + L"'s file appeared";
    if (!run.Check(WaitUntil([&] { return entry < 0 ? d.ProgressWidth(L"Page6") >= target
                                                    : Exists(Ctx().big.PathOf(t.dir, entry)); },
                             run.Left(), entry < 0 ? 10 : 2),
                   L"the extraction never got where " + when))
        return;
    d.Click(L"Page6", L"cancelbtn");
    const MessageBoxSeen question = d.WaitMessageBox(15000, kCaptionNotice, kMsgQuitQuestion);
    if (!run.Check(question.box != nullptr, L"no quit question"))
        return;
    // The worker stops at its next checkpoint: the last the gate saw, once it
    // passes no more and nothing after it begins.
    Point landed = Point{gate->LastAt(), gate->LastEntry()};
    int seen = -1;
    run.Check(WaitUntil(
                  [&] {
                      const int before = std::exchange(seen, gate->Reached());
                      landed = Point{gate->LastAt(), gate->LastEntry()};
                      return before == seen && !Moved(d, t, landed, BarAt(landed));
                  },
                  30000, 300),
              L"the worker did not stop at a checkpoint while the question was open");
    const int bar = CheckStand(run, d, t, landed, L"clicked when " + when + L", landed");
    CheckHeld(run, d, t, landed, bar);
    run.Check(WizardDriver::Answer(question, IDYES), L"the question could not be answered");
}

} // namespace

void AddInstallCases(Cases* cases)
{
    const int n = Entries();
    using C = Checkpoint;
    const Point middle = {C::AfterEntry, n / 2};
    const std::pair<const wchar_t*, Point> points[] = {
        {L"after-record", {C::AfterRecord}},           {L"after-folder", {C::AfterFolder}},
        {L"after-folder-again", {C::AfterFolderAgain}}, {L"before-first-entry", {C::BeforeExtraction}},
        {L"entry-first", {C::AfterEntry, 0}},           {L"entry-second", {C::AfterEntry, 1}},
        {L"entry-third", {C::AfterEntry, 2}},           {L"entry-5pct", {C::AfterEntry, n * 5 / 100}},
        {L"entry-10pct", {C::AfterEntry, n / 10}},      {L"entry-25pct", {C::AfterEntry, n / 4}},
        {L"entry-middle", middle},                      {L"entry-75pct", {C::AfterEntry, n * 3 / 4}},
        {L"entry-90pct", {C::AfterEntry, n * 9 / 10}},  {L"entry-last-but-two", {C::AfterEntry, n - 3}},
        {L"entry-last-but-one", {C::AfterEntry, n - 2}}, {L"entry-last", {C::AfterEntry, n - 1}},
        {L"after-manifest", {C::AfterManifest}},        {L"after-shortcuts-and-autostart", {C::AfterAutostart}},
        {L"at-finish", {C::AtFinish}},
    };
    // The first and the last entry are long enough to aim at only in the
    // fault payload (64 MiB each).
    const bool bigEnds = Ctx().big.entries.front().size >= 16u << 20 && Ctx().big.entries.back().size >= 16u << 20;
    const std::tuple<const wchar_t*, int, int> moments[] = {
        {L"entry-first", 0, 0}, {L"at-10pct", -1, 10}, {L"at-50pct", -1, 50}, {L"at-90pct", -1, 90},
        {L"entry-last", n - 1, 0}};
    for (const std::wstring folder : {L"new", L"existing"}) {
        const bool existing = folder == L"existing";
        Add(cases, L"cancel." + folder + L".before-record", kDeadline, {},
            [=](CaseRun& run, Quit) { LeftOnPage4(run, existing); });
        for (const auto& [name, point] : points) {
            Add(cases, L"cancel." + folder + L"." + name, kDeadline, {},
                [=, p = point](CaseRun& run, Quit) { LeaveWhileHeld(run, p, existing, Quit::PageCancel); });
        }
    }
    for (const std::wstring folder : {L"new", L"existing"}) {
        for (const auto& [name, entry, percent] : moments) {
            if (entry < 0 || bigEnds)
                Add(cases, L"cancel.timed." + folder + L"." + name, kDeadline, {},
                    [=, e = entry, p = percent](CaseRun& run, Quit) { CancelTimed(run, e, p, folder == L"existing"); });
        }
    }
    // The frame's own cancel button lies under the progress page, whose
    // cancel sits at the same place: page-cancel covers both.
    const std::vector<Quit> ways = {Quit::PageCancel, Quit::FrameClose, Quit::AltF4, Quit::WmClose};
    const std::pair<const wchar_t*, Point> phases[] = {{L"after-record", {C::AfterRecord}},
                                                       {L"mid-extraction", middle},
                                                       {L"after-autostart", {C::AfterAutostart}},
                                                       {L"at-finish", {C::AtFinish}}};
    for (const auto& [name, point] : phases) {
        Add(cases, L"quit.install." + std::wstring(name), kDeadline, ways,
            [p = point](CaseRun& run, Quit quit) { LeaveWhileHeld(run, p, false, quit); });
    }
    // The end of the session rolls back before it is answered, in the five
    // seconds Windows gives: under Wine (some ten milliseconds a file on a
    // busy machine) only while few of the large payload's files are written.
    for (const auto& [name, point] : {phases[0], std::pair{L"early-extraction", Point{C::AfterEntry, 40}}}) {
        Add(cases, L"quit.install." + std::wstring(name), kDeadline, {Quit::SessionEnd},
            [p = point](CaseRun& run, Quit quit) { LeaveWhileHeld(run, p, false, quit); });
    }
    Add(cases, L"quit.install.answered-no-completes", kDeadline, {},
        [=](CaseRun& run, Quit) { LeaveWhileHeld(run, middle, false, Quit::PageCancel, Then::No); });
    Add(cases, L"quit.rollback", kDeadline, ways,
        [=](CaseRun& run, Quit quit) { LeaveWhileHeld(run, middle, false, quit, Then::QuitRollingBack); });
    Add(cases, L"locked.run-key.rollback", kDeadline, {}, [](CaseRun& run, Quit) {
        LeaveWhileHeld(run, {Checkpoint::AfterAutostart}, false, Quit::PageCancel, Then::RunKeyLocked);
    });
}

} // namespace faults
