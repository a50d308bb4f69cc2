// Links planted where the removal acts, as rows of one table: each points at
// a victim folder of files outside the product's folders, and after the
// removal (Setup's maintenance or Uninstall, its delayed self-removal given
// time) the victim holds every byte.
//   attack.removal.res-link          "res" in the installation folder is a link;
//   attack.removal.own-file-links    "Uninstall.exe", "Uninstall.DAT" and
//                                    "DuiLibu.dll" are folder links, in a folder
//                                    the installation did not make (the three
//                                    go by the delayed command);
//   attack.removal.folder-link       the installation folder itself was moved
//                                    away and a link put in its place after the
//                                    record was written (Uninstall runs from
//                                    the moved folder);
//   attack.removal.manifest-via-link a manifest with a right checksum names
//                                    "j\secret.txt" and "j", "j" a link.
// Under Wine a link opens as its target, so what is not followed stays; the
// rest of the installation goes as usual.
#include "fault_support.h"

#include "payload_entries.h"
#include "plant_link.h"

namespace faults {

namespace {

enum class Plant { ResLink, OwnFileLinks, FolderLink, ManifestViaLink };

const std::pair<const wchar_t*, const char*> kVictimFiles[] = {
    {L"profile.xml", "the victim's profile"}, {L"VELT电子日历.exe", "the victim's program"},
    {L"DuiLibu.dll", "the victim's library"}, {L"secret.txt", "the victim's secret"},
    {L"inner\\deep.txt", "the victim's deep file"},
};

// Lays out the installation and the victim and plants the links; false when
// the case cannot go on.
bool LayOut(CaseRun& run, Plant plant, const std::wstring& victim)
{
    testing_support::InstallOptions options;
    options.manifest = plant == Plant::OwnFileLinks || plant == Plant::ManifestViaLink
                           ? testing_support::Manifest::PreexistingDirectory
                           : testing_support::Manifest::CreatedDirectory;
    run.install = std::make_unique<testing_support::FakeInstallation>(options);
    run.dir = run.install->Dir();
    run.Watch(run.install->Parent());
    run.Watch(victim);
    MakeDirs(victim + L"\\inner");
    for (const auto& [name, bytes] : kVictimFiles)
        WriteBytes(victim + L"\\" + name, bytes);
    if (!run.Check(run.install->Ok(), L"the installation could not be laid out"))
        return false;
    bool planted = true;
    switch (plant) {
    case Plant::ResLink:
        planted = RemoveTree(run.dir + L"\\res") && testing_support::PlantLink(run.dir + L"\\res", victim);
        break;
    case Plant::OwnFileLinks:
        for (const wchar_t* name : {kUninstallerFileName, kUninstallSkinFileName, kWindowLibraryFileName}) {
            planted = planted && DeleteFileW((run.dir + L"\\" + name).c_str()) &&
                      testing_support::PlantLink(run.dir + L"\\" + name, victim);
        }
        break;
    case Plant::FolderLink:
        run.uninstallFrom = run.dir + L"-moved";
        planted = MoveFileW(run.dir.c_str(), run.uninstallFrom.c_str()) && testing_support::PlantLink(run.dir, victim);
        break;
    case Plant::ManifestViaLink: {
        InstallManifest manifest = PayloadManifest(run.dir);
        manifest.AddFile(L"j\\secret.txt");
        manifest.AddFolder(L"j");
        planted = testing_support::PlantLink(run.dir + L"\\j", victim) &&
                  WriteInstallManifest(run.dir, manifest) == ERROR_SUCCESS;
        break;
    }
    }
    return run.Check(planted, L"the links could not be planted (no link planter in this session?)");
}

void RunAttack(CaseRun& run, Plant plant, Worker worker)
{
    const std::wstring victim = ScratchFolder(L"victim");
    if (LayOut(run, plant, victim)) {
        run.Before();
        const bool uninstall = worker == Worker::UninstallRemoval;
        run.d = StartWorker(run, worker, Ctx().Bin(L"Setup.exe"),
                            uninstall && !run.uninstallFrom.empty() ? run.uninstallFrom : run.dir);
        if (run.d)
            FinishThrough(run, *run.d, worker);
        run.allowed.push_back(AllowRemoved(Ctx().real, run.dir, true));
        run.Finish();
        int intact = 0;
        for (const auto& [name, bytes] : kVictimFiles) {
            const bool same = testing_support::FileContent(victim + L"\\" + name) == bytes;
            intact += same ? 1 : 0;
            run.Check(same, L"the victim's " + std::wstring(name) + L" changed or went");
        }
        run.Note(L"victim files intact: " + std::to_wstring(intact) + L"/" + std::to_wstring(std::size(kVictimFiles)));
    }
    for (const auto& cleanup : run.cleanups)
        cleanup();
}

} // namespace

void AddAttackRemovalCases(Cases* cases)
{
    struct Row {
        const wchar_t* name;
        Plant plant;
        Worker worker;
    };
    static const Row rows[] = {
        {L"attack.removal.res-link.setup", Plant::ResLink, Worker::SetupRemoval},
        {L"attack.removal.res-link.uninstall", Plant::ResLink, Worker::UninstallRemoval},
        {L"attack.removal.own-file-links.setup", Plant::OwnFileLinks, Worker::SetupRemoval},
        {L"attack.removal.folder-link.setup", Plant::FolderLink, Worker::SetupRemoval},
        {L"attack.removal.folder-link.uninstall", Plant::FolderLink, Worker::UninstallRemoval},
        {L"attack.removal.manifest-via-link.setup", Plant::ManifestViaLink, Worker::SetupRemoval},
        {L"attack.removal.manifest-via-link.uninstall", Plant::ManifestViaLink, Worker::UninstallRemoval},
    };
    for (const Row& row : rows)
        Add(cases, row.name, 180000, {}, [&row](CaseRun& run, Quit) { RunAttack(run, row.plant, row.worker); });
}

} // namespace faults
