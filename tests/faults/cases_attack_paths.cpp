// attack.paths.*: install records whose "InstallLocation" names a folder by
// another name than its own (a short name, the literal "\\?\" and device
// "\\.\" forms, an administrative share, a link planted by the test
// session) or a folder below the Windows folder, met by Uninstall and by
// Setup's removal. Each folder stands for a system folder or another
// program's: it holds a file of the user's and files of the product's names,
// and (but for ProgramData itself, which only gets the files) an install
// manifest planted by whoever could write there, claiming that the
// installation made the folder, so that a removal that believed it would
// take the whole folder. Every byte of the folder must stay; only the
// planted manifest may be read or go, and the record, autostart value and
// shortcuts go.
// attack.paths.page4: the same disguises typed into Page4's "pathedit": each
// is refused with the bad-path message and Page4 stays; nothing is written.
#include "fault_support.h"

#include "plant_link.h"
#include "registry_key.h"

#include <shlobj.h>

namespace faults {

namespace {

const wchar_t kUserFile[] = L"velt-faults-user.txt";

// The name the location gives the victim folder; empty when this machine
// cannot spell it so (the case is skipped).
using Spelling = std::function<std::wstring(const std::wstring& victim)>;

struct Attack {
    const wchar_t* name;
    std::function<std::wstring()> victim;  // the folder attacked (made when missing)
    Spelling location;
    bool manifest;  // a manifest claiming the folder is planted in it
};

std::wstring ShortName(const std::wstring& path)
{
    WCHAR name[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(path.c_str(), name, MAX_PATH);
    return length > 0 && length < MAX_PATH && lstrcmpiW(name, path.c_str()) != 0 ? name : L"";
}

// A link to the victim, planted once at a fixed place that no cleanup walks
// (a link cannot be removed from Windows under Wine without acting on its
// target); an earlier run's link is taken again.
std::wstring LinkTo(const std::wstring& victim)
{
    const std::wstring folder = L"C:\\velt-links\\planted", link = folder + L"\\paths-fault-victim";
    MakeDirs(folder);
    testing_support::PlantLink(link, victim);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    return GetFileAttributesExW(link.c_str(), GetFileExInfoStandard, &data) &&
                   (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && Exists(link + L"\\" + kUserFile)
               ? link
               : L"";
}

const wchar_t* const kVictimFiles[] = {kUserFile, kAppFileName, L"res\\profile.xml"};

void RunAttack(CaseRun& run, const Attack& attack, Worker worker)
{
    const std::wstring victim = attack.victim();
    const bool ours = !Exists(victim);
    MakeDirs(victim + L"\\res");
    std::vector<std::wstring> planted;
    for (const wchar_t* name : kVictimFiles) {
        const std::wstring path = victim + L"\\" + name;
        if (!Exists(path) && WriteBytes(path, "the victim's own bytes"))
            planted.push_back(path);
    }
    run.cleanups.push_back([=] {
        if (ours)
            RemoveTree(victim);
        for (const std::wstring& path : planted)
            DeleteFileW(path.c_str());
        DeleteFileW(InstallManifestPath(victim).c_str());
        RemoveDirectoryW((victim + L"\\res").c_str());
    });
    const std::wstring location = attack.location(victim);
    if (location.empty()) {
        run.Skip(L"this machine cannot name the folder so");
        return;
    }
    if (attack.manifest) {
        InstallManifest manifest;
        manifest.directory = location;
        manifest.createdDirectory = true;
        for (const wchar_t* name : kVictimFiles)
            manifest.AddFile(name);
        if (!run.Check(WriteInstallManifest(victim, manifest) == ERROR_SUCCESS, L"could not plant the manifest"))
            return;
    }
    WriteInstallRecord(1, kProductKey, location, RecordWriter::Install);
    CRegistryKey autostart;
    if (autostart.Open(HKEY_LOCAL_MACHINE, kRunKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        autostart.WriteString(kAutostartValueName, AutostartCommand(location).c_str());
    const std::wstring uninstallFrom = ScratchFolder(L"uninstall");
    for (const wchar_t* name : {kUninstallerFileName, kUninstallSkinFileName, kWindowLibraryFileName})
        CopyFileW(Ctx().Bin(name).c_str(), (uninstallFrom + L"\\" + name).c_str(), FALSE);
    run.uninstall = worker == Worker::UninstallRemoval;
    run.Watch(victim, ours ? -1 : 0);
    run.Watch(victim + L"\\res");
    run.Watch(uninstallFrom);
    static const Payload nothing;
    run.allowed.push_back(AllowRemoved(nothing, L"", false));
    run.allowed.push_back(AllowRead(uninstallFrom));
    run.allowed.push_back({L"the planted manifest read or removed",
                           [manifest = Upper(InstallManifestPath(victim))](const Change& change) {
                               return change.kind != ChangeKind::Added && Upper(change.path) == manifest;
                           }});
    run.Before();
    run.d = StartWorker(run, worker, Ctx().Bin(L"Setup.exe"), run.uninstall ? uninstallFrom : location);
    if (run.d)
        FinishThrough(run, *run.d, worker);
    run.Finish();
    std::wstring gone;
    for (const wchar_t* name : kVictimFiles)
        gone += Exists(victim + L"\\" + name) ? L"" : std::wstring(L" ") + name;
    run.Check(gone.empty(), L"the victim lost" + gone);
    run.Note(L"location " + location + (gone.empty() ? L", the victim intact" : L", the victim lost" + gone));
}

// Each disguised location typed on Page4 and refused there.
void RefusedOnPage4(CaseRun& run)
{
    const std::wstring folder = ScratchFolder(L"page4") + L"\\VELT";
    const std::wstring programData = ShortName(ShellPath(CSIDL_COMMON_APPDATA));
    const std::wstring typed[] = {
        L"\\\\.\\" + folder,
        L"\\\\?\\" + folder,
        L"\\\\localhost\\" + folder.substr(0, 1) + L"$" + folder.substr(2),
        programData.empty() ? L"" : programData + L"\\VELT",
        folder + L":stream",
        folder + L".",
        folder + L" \\x",
    };
    run.Before();
    run.d = StartToPage4(run, Ctx().Bin(L"Setup.exe"), L"");
    for (size_t i = 0; run.d && i < std::size(typed); ++i) {
        if (typed[i].empty())
            continue;
        run.Check(run.d->TypeText(L"Page4", L"pathedit", typed[i]) && run.d->WaitIdle(10000) &&
                      run.d->Click(L"Page4", L"nextbtn"),
                  L"could not type and go on: " + typed[i]);
        if (!AnswerMessage(run, *run.d, kCaptionError, kMsgBadInstallPath))
            break;
        run.Check(WaitUntil([&] { return run.d->PageVisible(L"Page4") && !run.d->PageVisible(L"Page6"); }, 10000),
                  L"Page4 did not stay for " + typed[i]);
    }
    if (run.d)
        TakeWayOut(run, *run.d, Quit::FrameClose, L"", true);
    run.Finish();
    run.Check(!RecordExists(), L"a record was written");
}

} // namespace

void AddAttackPathsCases(Cases* cases)
{
    const auto scratchVictim = [] { return Ctx().scratch + L"\\paths-victim\\victim folder of files"; };
    const auto tempVictim = [] { return ShellPath(CSIDL_WINDOWS, L"Temp\\velt-paths-victim"); };
    static const Attack attacks[] = {
        {L"short-name", scratchVictim, ShortName, true},
        {L"program-data-short-name", [] { return ShellPath(CSIDL_COMMON_APPDATA); }, ShortName, false},
        {L"literal", scratchVictim, [](const std::wstring& v) { return L"\\\\?\\" + v; }, true},
        {L"device", scratchVictim, [](const std::wstring& v) { return L"\\\\.\\" + v; }, true},
        {L"admin-share", scratchVictim,
         [](const std::wstring& v) { return L"\\\\localhost\\" + v.substr(0, 1) + L"$" + v.substr(2); }, true},
        {L"link", scratchVictim, LinkTo, true},
        {L"windows-temp-literal", tempVictim, [](const std::wstring& v) { return L"\\\\?\\" + v; }, true},
        {L"windows-temp", tempVictim, [](const std::wstring& v) { return v; }, true},
    };
    Add(cases, L"attack.paths.page4", 180000, {}, [](CaseRun& run, Quit) { RefusedOnPage4(run); });
    for (const Attack& attack : attacks) {
        for (const auto& [program, worker] :
             {std::pair{L".uninstall", Worker::UninstallRemoval}, std::pair{L".setup-removal", Worker::SetupRemoval}})
            Add(cases, std::wstring(L"attack.paths.") + attack.name + program, 180000, {},
                [&attack, worker](CaseRun& run, Quit) { RunAttack(run, attack, worker); });
    }
}

} // namespace faults
