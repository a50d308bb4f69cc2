// Links planted where the installation and the repair write (PlantLink:
// tests/support/plant_link.h), each against a victim folder outside the
// product's folders that must hold every byte afterwards:
//   attack.extract.res-link.install    the installation folder (the user's,
//       existing) holds "res" as a link to the victim: the installation stops
//       with the write-failure message for "res" and rolls back;
//   attack.extract.backup-name.install a link at the name the kept-aside
//       folder had when it was named after Setup's process id, planted once
//       Setup runs (its id known), in a folder of the user's with files of
//       the payload's names: the installation completes and keeps nothing
//       through the link;
//   attack.extract.res-link.repair     an installation whose "res" was
//       replaced by a link to the victim: the repair stops with the
//       write-failure message for "res".
// A link planted while a cancelled installation rolls back: the engine test
// InstallJournal.RollbackNeverFollowsALinkPlantedMidway.
#include "fault_support.h"

#include "extraction.h"
#include "plant_link.h"

namespace faults {

namespace {

constexpr DWORD kDeadline = 180000;

// The victim: a folder of its own with files of the payload's "res" names
// and one of its own, watched whole; the case fails when any byte changes.
std::wstring Victim(CaseRun& run)
{
    const std::wstring victim = ScratchFolder(L"victim");
    MakeDirs(victim + L"\\image\\weather");
    WriteBytes(victim + L"\\profile.xml", "<the victim's settings/>");
    WriteBytes(victim + L"\\image\\weather\\d0.gif", "the victim's picture");
    WriteBytes(victim + L"\\diary.txt", "the victim's own");
    run.Watch(victim);
    return victim;
}

bool Plant(CaseRun& run, const std::wstring& link, const std::wstring& target)
{
    std::wstring why;
    if (testing_support::PlantLink(link, target, &why))
        return true;
    run.Skip(L"no link planted (" + why + L"): run under tools/faults.sh");
    return false;
}

// The write-failure message for `entry`, answered; then Setup ends by itself.
void FailsFor(CaseRun& run, WizardDriver& d, const std::wstring& entry)
{
    AnswerMessage(run, d, kCaptionError, WriteFailedText(entry), 120000);
}

void ResLinkInstall(CaseRun& run)
{
    const std::wstring victim = Victim(run);
    run.dir = ScratchFolder(L"existing") + L"\\mine";
    run.Watch(run.dir.substr(0, run.dir.rfind(L'\\')));
    MakeDirs(run.dir);
    WriteBytes(run.dir + L"\\letter.txt", "dear user");
    if (!Plant(run, run.dir + L"\\res", victim))
        return;
    run.Before();
    if (WizardDriver* d = StartWorker(run, Worker::Install, Ctx().Bin(L"Setup.exe"), run.dir))
        FailsFor(run, *d, L"res");
    run.Finish();
}

void BackupNameInstall(CaseRun& run)
{
    const std::wstring victim = Victim(run);
    run.dir = ScratchFolder(L"existing") + L"\\mine";
    run.Watch(run.dir.substr(0, run.dir.rfind(L'\\')));
    MakeUserFolder(Ctx().real, run.dir);
    WizardDriver* d = StartToPage4(run, Ctx().Bin(L"Setup.exe"), run.dir);
    if (!d || !Plant(run, run.dir + L"\\~VELTSetup" + std::to_wstring(d->ProcessId()) + L".bak", victim))
        return;
    // (Setup runs already: its exit lock goes with it.)
    run.Before();
    run.allowed.push_back({L"Setup's exit lock", [](const Change& change) {
                               return change.kind == ChangeKind::Removed &&
                                      Upper(change.path).find(L"\\VELTEXIT-") != std::wstring::npos;
                           }});
    run.Check(d->Click(L"Page4", L"nextbtn"), L"the installation did not start");
    FinishThrough(run, *d, Worker::Install);
    run.allowed.push_back(AllowInstalled(Ctx().real, run.dir));
    run.Finish();
    CheckInstalled(run, Ctx().real, run.dir);
    run.Check(Exists(run.dir + L"\\letter.txt"), L"the user's letter went");
    run.Note(L"installed over the user's files with a link at the pid-named backup folder's place");
}

void ResLinkRepair(CaseRun& run)
{
    const std::wstring victim = Victim(run);
    run.install = std::make_unique<testing_support::FakeInstallation>(testing_support::InstallOptions{});
    run.dir = run.install->Dir();
    run.Watch(run.install->Parent());
    if (!run.Check(run.install->Ok() && RemoveTree(run.dir + L"\\res"), L"the installation could not be laid out") ||
        !Plant(run, run.dir + L"\\res", victim))
        return;
    run.Before();
    if (WizardDriver* d = StartWorker(run, Worker::Repair, Ctx().Bin(L"Setup.exe"), run.dir))
        FailsFor(run, *d, L"res");
    // The top-level files before "res" are rewritten with the payload's bytes.
    run.allowed.push_back(AllowInstalled(Ctx().real, run.dir));
    run.Finish();
}

} // namespace

void AddAttackExtractCases(Cases* cases)
{
    cases->push_back({L"attack.extract.res-link.install", kDeadline, ResLinkInstall});
    cases->push_back({L"attack.extract.backup-name.install", kDeadline, BackupNameInstall});
    cases->push_back({L"attack.extract.res-link.repair", kDeadline, ResLinkRepair});
}

} // namespace faults
