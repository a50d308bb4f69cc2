// The record family: install records whose "InstallLocation" is hostile (a
// drive's root, the Windows folder, Program Files, the user's profile, a
// network share, a relative path, a path with '%', 300 characters) and
// install manifests that are damaged, foreign, escaping their folder or
// naming another folder. Each is met by Uninstall (a copy run from a folder
// of its own), by Setup's removal and by Setup's repair. Nothing but the
// product's own entries (the payload's names and the manifest) may go; a
// repair may write the product's entries where the record says.
//
// Where a location is a real folder, it first receives decoys with the
// product's names ("VELT电子日历.exe", "res\\profile.xml") and a file of the
// user's; a large folder is watched at its top level and in "res".
#include "fault_cases.h"

#include "fake_installation.h"
#include "install_manifest.h"
#include "install_record.h"
#include "product.h"
#include "test_support.h"
#include "wait_until.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>

namespace faults {

using testing_support::Exists;
using testing_support::FakeInstallation;
using testing_support::InstallOptions;
using testing_support::Manifest;
using testing_support::MakeDirs;
using testing_support::RemoveTree;
using testing_support::WriteBytes;

namespace {

constexpr DWORD kDeadline = 180000;
const wchar_t kUserFile[] = L"velt-faults-user.txt";

enum class Program { Uninstall, SetupRemoval, SetupRepair };

std::wstring ProgramName(Program program)
{
    switch (program) {
    case Program::Uninstall:
        return L"uninstall";
    case Program::SetupRemoval:
        return L"setup-removal";
    case Program::SetupRepair:
        return L"setup-repair";
    }
    return L"?";
}

// What a case leaves in a location that is not the suite's own: the
// product's entries that were not there before, and the decoys.
void RemoveAdded(const MachineState& before, const std::wstring& location)
{
    const Payload& payload = Ctx().realPayload;
    std::vector<std::wstring> added;
    for (int i = 0; i < payload.Count(); ++i)
        added.push_back(payload.PathOf(location, i));
    added.push_back(InstallManifestPath(location));
    // Deepest first, so that folders are empty when their turn comes.
    std::sort(added.begin(), added.end(), [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& path : added) {
        const bool folder = PathIsDirectoryW(path.c_str()) != FALSE;
        if (before.count((folder ? L"D|" : L"F|") + Upper(path)))
            continue;
        if (folder)
            RemoveDirectoryW(path.c_str());
        else if (Exists(path)) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
}

void PlaceDecoys(const std::wstring& location)
{
    MakeDirs(location + L"\\res");
    WriteBytes(location + L"\\" + kAppFileName, "decoy calendar");
    WriteBytes(location + L"\\res\\profile.xml", "<decoy/>");
    WriteBytes(location + L"\\" + kUserFile, "the user's own");
}

void WriteRecord(const std::wstring& location)
{
    WriteInstallRecord(1, kProductKey, location, RecordWriter::Install);
    HKEY run = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
        const std::wstring command = AutostartCommand(location);
        RegSetValueExW(run, kAutostartValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(run);
    }
}

// Uninstall with its skin and library, in a folder of its own.
std::wstring UninstallCopy(CaseRun& run)
{
    const std::wstring folder = ScratchFolder(L"uninstall");
    for (const wchar_t* name : {kUninstallerFileName, kUninstallSkinFileName, kWindowLibraryFileName})
        CopyFileW((Ctx().bin + L"\\" + name).c_str(), (folder + L"\\" + name).c_str(), FALSE);
    run.Watch(folder);
    run.Allow(AllowRead(folder));
    return folder;
}

// Runs the program against the recorded installation, answering what it
// says; notes what it showed.
void RunProgram(CaseRun& run, Program program, const std::wstring& uninstallFolder)
{
    if (program == Program::Uninstall) {
        WizardDriver& d = run.Start(uninstallFolder + L"\\" + kUninstallerFileName, kUninstallSkinFileName);
        run.Check(d.WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml") != nullptr && d.Click(L"nextbtn") &&
                      d.WaitPageVisible(L"Page11", 60000) && d.Click(L"Page11", L"finishbtn"),
                  L"Uninstall did not go through");
        return;
    }
    WizardDriver& d = run.Start(Ctx().bin + L"\\Setup.exe", kSetupSkinFileName);
    if (!run.Check(d.WaitFrame(kSetupWindowTitle, 30000) != nullptr, L"Setup did not start"))
        return;
    if (program == Program::SetupRemoval) {
        run.Check(d.Click(L"nextbtn") && d.WaitPageVisible(L"Page9", 10000) && d.Click(L"Page9", L"nextbtn") &&
                      d.WaitPageVisible(L"Page11", 60000) && d.Click(L"Page11", L"finishbtn"),
                  L"Setup's removal did not go through");
        return;
    }
    run.Check(d.Click(L"fixbtn") && d.Click(L"nextbtn"), L"the repair did not start");
    bool done = false;
    testing_support::WaitUntil(
        [&] {
            const MessageBoxSeen seen = d.WaitMessageBox(0, kCaptionError);
            if (seen.box) {
                run.Note(L"message \"" + seen.text + L"\"");
                WizardDriver::Answer(seen, IDOK);
                return true;
            }
            return done = d.PageVisible(L"Page13");
        },
        120000, 100);
    if (done) {
        run.Note(L"repaired there");
        d.Click(L"Page13", L"finishbtn");
    }
}

struct Location {
    const wchar_t* name;
    std::wstring path;
    bool folder;    // a real folder that receives decoys
    bool large;     // watched at its top level and in "res" only
    bool ours;      // the suite's own scratch folder: removed after the case
};

std::vector<Location> Locations()
{
    WCHAR windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring longPath = Ctx().scratch + L"\\cases\\long\\";
    while (longPath.size() < 300)
        longPath += L"VELT电子日历-";
    longPath.resize(300);
    return {
        {L"drive-root", L"C:\\", true, true, false},
        {L"windows", windows, true, true, false},
        {L"program-files", ShellPath(CSIDL_PROGRAM_FILES), true, true, false},
        {L"profile", ShellPath(CSIDL_PROFILE), true, true, false},
        {L"share", L"\\\\velt-server\\share\\VELT电子日历", false, false, false},
        {L"relative", kDisplayName, false, false, false},
        {L"percent", Ctx().scratch + L"\\cases\\pct\\a%PATH%b", true, false, true},
        {L"300-characters", longPath, false, false, false},
    };
}

void HostileLocation(CaseRun& run, const Location& location, Program program)
{
    const std::wstring& path = location.path;
    if (location.folder) {
        MakeDirs(path);
        PlaceDecoys(path);
        if (location.large) {
            run.Watch(path, 0);
            run.Watch(path + L"\\res");
        } else {
            run.Watch(path);
        }
    }
    // A relative location would be taken from the programs' current folders.
    WCHAR temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring relativeDecoys = std::wstring(temp) + kDisplayName;
    if (lstrcmpW(location.name, L"relative") == 0) {
        PlaceDecoys(relativeDecoys);
        run.Watch(relativeDecoys);
    }
    WriteRecord(path);
    const std::wstring uninstallFolder = program == Program::Uninstall ? UninstallCopy(run) : std::wstring();
    run.Before();
    RunProgram(run, program, uninstallFolder);
    if (program == Program::SetupRepair)
        run.Allow(AllowInstalled(Ctx().realPayload, path, 1));
    else
        run.Allow(AllowRemoved(Ctx().realPayload, path, 1, false));
    run.Finish();
    if (location.folder) {
        run.Check(Exists(path + L"\\" + kUserFile), L"the user's file went");
        run.Note(std::wstring(L"the product's names there ") +
                 (Exists(path + L"\\" + kAppFileName) ? L"kept or written" : L"removed") + L", the user's file kept");
    } else {
        run.Note(L"not a usable folder: nothing there touched");
    }
    if (location.folder) {
        RemoveAdded(run.BeforeState(), path);
        DeleteFileW((path + L"\\" + kAppFileName).c_str());
        DeleteFileW((path + L"\\res\\profile.xml").c_str());
        DeleteFileW((path + L"\\" + kUserFile).c_str());
        RemoveDirectoryW((path + L"\\res").c_str());
        if (location.ours)
            RemoveTree(path);
    }
    RemoveTree(relativeDecoys);
}

// --- manifests -----------------------------------------------------------------

// A manifest in the product's format (count and checksum right) for
// `directory`, listing `files` as they stand, safe or not.
std::string ManifestText(const std::wstring& directory, const std::vector<std::wstring>& files)
{
    InstallManifest manifest;
    manifest.directory = directory;
    manifest.createdDirectory = true;
    manifest.files = files;
    return SerializeInstallManifest(manifest);
}

enum class ManifestKind { Damaged, Foreign, Escaping, OtherFolder };

void HostileManifest(CaseRun& run, ManifestKind kind, Program program)
{
    InstallOptions options;
    options.manifest = kind == ManifestKind::Damaged ? Manifest::Damaged : Manifest::CreatedDirectory;
    options.userFiles = {{L"letter.txt", "dear user"}, {L"res\\mine.png", "a photo"}};
    FakeInstallation install(options);
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return;
    const std::wstring dir = install.Dir();
    std::vector<std::wstring> listed;
    for (const PayloadEntry& entry : Ctx().realPayload.entries) {
        if (!entry.folder) {
            std::wstring name = entry.name;
            std::replace(name.begin(), name.end(), L'/', L'\\');
            listed.push_back(name);
        }
    }
    listed.push_back(L"letter.txt");
    const std::wstring outside = install.Parent() + L"\\outside.txt";
    WriteBytes(outside, "next to the installation");
    switch (kind) {
    case ManifestKind::Damaged:
        break;
    case ManifestKind::Foreign:
        WriteBytes(InstallManifestPath(dir), "OTHER-PRODUCT-FILES 3\r\ncreated 1\r\nF letter.txt\r\nF res\\mine.png\r\n");
        break;
    case ManifestKind::Escaping:
        listed.push_back(L"..\\outside.txt");
        WriteBytes(InstallManifestPath(dir), ManifestText(dir, listed));
        break;
    case ManifestKind::OtherFolder: {
        const std::wstring elsewhere = install.Parent() + L"\\elsewhere";
        MakeDirs(elsewhere);
        WriteBytes(InstallManifestPath(dir), ManifestText(elsewhere, listed));
        break;
    }
    }
    run.Watch(install.Parent());
    run.Before();
    RunProgram(run, program, dir);
    if (program == Program::SetupRepair)
        run.Allow(AllowInstalled(Ctx().realPayload, dir, 1));
    else
        run.Allow(AllowRemoved(Ctx().realPayload, dir, 1, false));
    run.Finish();
    run.Note(std::wstring(L"letter.txt ") + (Exists(dir + L"\\letter.txt") ? L"kept" : L"GONE") + L", outside.txt " +
             (Exists(outside) ? L"kept" : L"GONE") + L", folder " + (Exists(dir) ? L"kept" : L"gone"));
}

} // namespace

void AddRecordCases(std::vector<FaultCase>* cases)
{
    for (const Location& location : Locations()) {
        for (Program program : {Program::Uninstall, Program::SetupRemoval, Program::SetupRepair}) {
            const bool quick = program == Program::Uninstall && lstrcmpW(location.name, L"drive-root") == 0;
            cases->push_back({L"record", L"record.location-" + std::wstring(location.name) + L"." + ProgramName(program),
                              quick, kDeadline, [=](CaseRun& run) { HostileLocation(run, location, program); }});
        }
    }
    const std::pair<const wchar_t*, ManifestKind> manifests[] = {{L"damaged", ManifestKind::Damaged},
                                                                  {L"foreign", ManifestKind::Foreign},
                                                                  {L"escaping", ManifestKind::Escaping},
                                                                  {L"other-folder", ManifestKind::OtherFolder}};
    for (const auto& manifest : manifests) {
        for (Program program : {Program::Uninstall, Program::SetupRemoval}) {
            const ManifestKind kind = manifest.second;
            cases->push_back({L"record", L"record.manifest-" + std::wstring(manifest.first) + L"." + ProgramName(program),
                              kind == ManifestKind::OtherFolder && program == Program::Uninstall, kDeadline,
                              [=](CaseRun& run) { HostileManifest(run, kind, program); }});
        }
    }
}

} // namespace faults
