// The quit family: every way out (the page's cancel, the frame's cancel and
// close buttons, Alt+F4, WM_CLOSE from outside) during every worker: the
// installation (held at a checkpoint by the gate: after the record, in the
// middle of the extraction, after the shortcuts and the autostart value, and
// after the finish page showed), its rollback, the repair and the removal
// (Setup's and Uninstall's). The allowed end states: an installation
// entirely rolled back, a repair complete, a removal complete, and after the
// finish page the installation complete.
#include "fault_cases.h"

#include "cases_shared.h"
#include "fake_installation.h"
#include "product.h"
#include "test_support.h"
#include "wait_until.h"

namespace faults {

using testing_support::Exists;
using testing_support::FakeInstallation;
using testing_support::InstallOptions;
using testing_support::MakeDirs;
using testing_support::WaitUntil;
using testing_support::WriteBytes;

namespace {

constexpr DWORD kDeadline = 240000;

bool AsksFirst(Quit quit)
{
    return quit == Quit::PageCancel || quit == Quit::FrameCancel || quit == Quit::FrameClose;
}

void QuitDuringInstall(CaseRun& run, int k, Quit quit)
{
    const Payload& payload = Ctx().bigPayload;
    const int n = payload.Count();
    const std::wstring dir = NewTarget(run, L"quit");
    run.Before();
    const std::unique_ptr<Gate> gate = StartHeldAt(run, dir, k);
    if (!gate)
        return;
    WizardDriver& d = run.Driver();
    run.Note(L"held " + CheckpointName(k, n) + L": bar " + std::to_wstring(StableBar(d, L"Page6")) + L", " +
             DescribeProgress(ReadProgress(payload, dir, 1, {}), n) + L"; left by " + QuitName(quit));
    if (!run.Check(LeaveBy(d, quit, L"Page6", false), L"the way out is missing"))
        return;
    if (AsksFirst(quit)) {
        const MessageBoxSeen question = d.WaitMessageBox(15000, kCaptionNotice, kMsgQuitQuestion);
        gate->Release();
        run.Check(question.box && WizardDriver::Answer(question, IDYES), L"no quit question");
    } else {
        // The loop ends at once; the worker is told to stop when it goes on.
        run.Check(WaitUntil([&] { return !IsWindowVisible(d.Frame()); }, 15000), L"the frame stays");
        gate->Release();
    }
    run.Finish();
}

void AnsweredNoCompletes(CaseRun& run)
{
    const Payload& payload = Ctx().bigPayload;
    const int n = payload.Count();
    const std::wstring dir = NewTarget(run, L"no");
    run.Before();
    const std::unique_ptr<Gate> gate = StartHeldAt(run, dir, 5 + n / 2);
    if (!gate)
        return;
    WizardDriver& d = run.Driver();
    const MessageBoxSeen question = CancelWhileHeld(d, *gate);
    run.Check(question.box && WizardDriver::Answer(question, IDNO), L"no quit question");
    run.Check(d.WaitPageVisible(L"Page7", run.Left()) && d.Click(L"Page7", L"runnowbtn") &&
                  d.Click(L"Page7", L"finishbtn"),
              L"the installation did not go on to its finish page");
    run.Allow(AllowInstalled(payload, dir, 1));
    run.Finish();
    run.Check(IncompleteEntries(payload, Ctx().reference, dir).empty(), L"the installation is not complete");
    run.Note(L"answered No in the middle: the installation went on and completed");
}

void QuitDuringRollback(CaseRun& run, Quit quit)
{
    const Payload& payload = Ctx().bigPayload;
    const int n = payload.Count();
    const int k = 5 + n / 2;
    const std::wstring dir = NewTarget(run, L"rollback");
    run.Before();
    const std::unique_ptr<Gate> gate = StartHeldAt(run, dir, k);
    if (!gate)
        return;
    WizardDriver& d = run.Driver();
    const MessageBoxSeen question = CancelWhileHeld(d, *gate);
    if (!run.Check(question.box && WizardDriver::Answer(question, IDYES), L"no quit question"))
        return;
    // The rollback deletes what was written, the last entry first.
    const std::wstring lastWritten = payload.PathOf(dir, k - 5);
    if (!run.Check(WaitUntil([&] { return !Exists(lastWritten); }, 60000, 5), L"the rollback did not start"))
        return;
    const int left = FirstMissingEntry(payload, dir, {});
    LeaveBy(d, quit, L"Page6", false);
    run.Note(L"rollback under way (" + std::to_wstring(left) + L" of " + std::to_wstring(k - 4) +
             L" entries left) when left by " + QuitName(quit));
    // A question asked now may end unanswered when the rollback ends first.
    if (AsksFirst(quit)) {
        const MessageBoxSeen again = d.WaitMessageBox(3000, kCaptionNotice, kMsgQuitQuestion);
        if (again.box && WizardDriver::Answer(again, IDYES))
            run.Note(L"the quit question was asked again and answered Yes");
    }
    run.Finish();
}

void QuitDuringRepair(CaseRun& run, Quit quit)
{
    const Payload& payload = Ctx().bigPayload;
    InstallOptions options;
    FakeInstallation install(options);
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return;
    run.Watch(install.Parent());
    run.Before();
    WizardDriver& d = run.Start(Ctx().bigSetup, kSetupSkinFileName);
    if (!run.Check(d.WaitFrame(kSetupWindowTitle, 30000) != nullptr && d.Click(L"fixbtn") && d.Click(L"nextbtn") &&
                       d.WaitPageVisible(L"Page12", 10000),
                   L"the repair did not start"))
        return;
    int bar = -1;
    run.Check(WaitUntil([&] { return (bar = d.ProgressWidth(L"Page12")) > 20; }, 60000), L"the bar did not move");
    run.Check(LeaveBy(d, quit, L"Page12", AsksFirst(quit)), L"the way out is missing");
    run.Note(L"repair under way (bar " + std::to_wstring(bar) + L") when left by " + QuitName(quit));
    run.Allow(AllowInstalled(payload, install.Dir(), 1));
    run.Finish();
    run.Check(IncompleteEntries(payload, Ctx().reference, install.Dir()).empty(), L"the repair is not complete");
}

// Many more files in the folder, so that the removal takes a while.
void AddBulk(const std::wstring& dir, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::wstring folder = dir + L"\\bulk\\d" + std::to_wstring(i / 100);
        if (i % 100 == 0)
            MakeDirs(folder);
        WriteBytes(folder + L"\\f" + std::to_wstring(i) + L".dat", std::string(2048, static_cast<char>('a' + i % 26)));
    }
}

void QuitDuringRemoval(CaseRun& run, Quit quit, bool setup)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return;
    AddBulk(install.Dir(), Ctx().quick ? 1000 : 3000);
    run.Watch(install.Parent());
    run.Before();
    WizardDriver* d = nullptr;
    if (setup) {
        d = &run.Start(Ctx().bin + L"\\Setup.exe", kSetupSkinFileName);
        if (!run.Check(d->WaitFrame(kSetupWindowTitle, 30000) != nullptr && d->Click(L"nextbtn") &&
                           d->WaitPageVisible(L"Page9", 10000) && d->Click(L"Page9", L"nextbtn"),
                       L"the removal did not start"))
            return;
    } else {
        d = &run.Start(install.Dir() + L"\\" + kUninstallerFileName, kUninstallSkinFileName);
        if (!run.Check(d->WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml") != nullptr && d->Click(L"nextbtn"),
                       L"the removal did not start"))
            return;
    }
    run.Check(d->WaitPageVisible(L"Page10", 10000) || d->PageVisible(L"Page11"), L"no progress page");
    const bool under = Exists(install.Dir() + L"\\bulk");
    // Uninstall's frame closes without a question; Setup's asks.
    const bool asks = quit == Quit::PageCancel || (setup && AsksFirst(quit));
    run.Check(LeaveBy(*d, quit, L"Page10", asks), L"the way out is missing");
    run.Note(std::wstring(L"removal ") + (under ? L"under way" : L"already done") + L" when left by " +
             QuitName(quit));
    run.Allow(AllowRemoved(Ctx().realPayload, install.Dir(), 1, true));
    run.Finish();
    run.Check(!Exists(install.Dir()), L"the removal is not complete: the folder stays");
}

void QuitAfterFinishPage(CaseRun& run, Quit quit)
{
    const std::wstring dir = NewTarget(run, L"finished");
    run.Before();
    if (!StartInstall(run, {Ctx().bin + L"\\Setup.exe", dir}))
        return;
    WizardDriver& d = run.Driver();
    if (!run.Check(d.WaitPageVisible(L"Page7", 120000), L"no finish page"))
        return;
    run.Check(LeaveBy(d, quit, L"Page7", quit == Quit::FrameClose),
              L"the way out is missing");
    run.Note(L"left the finish page by " + QuitName(quit));
    run.Allow(AllowInstalled(Ctx().realPayload, dir, 1));
    run.Finish();
    run.Check(IncompleteEntries(Ctx().realPayload, Ctx().realReference, dir).empty(),
              L"the installation is not complete");
}

} // namespace

void AddQuitCases(std::vector<FaultCase>* cases)
{
    auto add = [&](const std::wstring& name, bool quick, std::function<void(CaseRun&)> run) {
        cases->push_back({L"quit", L"quit." + name, quick, kDeadline, run});
    };
    const int n = Ctx().bigPayload.Count();
    const std::pair<const wchar_t*, int> phases[] = {
        {L"after-record", 1}, {L"mid-extraction", 5 + n / 2}, {L"after-autostart", n + 6}, {L"at-finish", n + 7}};
    // The frame's own cancel button lies under the progress page, whose
    // cancel button sits at the same place: page-cancel covers both.
    const Quit quits[] = {Quit::PageCancel, Quit::FrameClose, Quit::AltF4, Quit::WmClose};
    for (const auto& [phase, k] : phases) {
        for (Quit quit : quits) {
            // In the middle, every way out but the page's cancel (the cancel family's).
            add(L"install." + std::wstring(phase) + L"." + QuitName(quit), k == 5 + n / 2 && quit != Quit::PageCancel,
                [=, k = k](CaseRun& run) { QuitDuringInstall(run, k, quit); });
        }
    }
    add(L"install.answered-no-completes", true, [](CaseRun& run) { AnsweredNoCompletes(run); });
    for (Quit quit : quits) {
        add(L"rollback." + QuitName(quit), quit == Quit::WmClose, [=](CaseRun& run) { QuitDuringRollback(run, quit); });
        add(L"repair." + QuitName(quit), quit == Quit::AltF4, [=](CaseRun& run) { QuitDuringRepair(run, quit); });
        for (bool setup : {true, false}) {
            add(std::wstring(setup ? L"removal-setup." : L"removal-uninstall.") + QuitName(quit),
                (quit == Quit::PageCancel && !setup) || (quit == Quit::AltF4 && setup),
                [=](CaseRun& run) { QuitDuringRemoval(run, quit, setup); });
        }
        if (quit != Quit::PageCancel)
            add(L"install.finished." + QuitName(quit), false, [=](CaseRun& run) { QuitAfterFinishPage(run, quit); });
    }
}

} // namespace faults
