// A worker meeting trouble, as rows of one table: the set-up (what the
// machine holds, what stands in the way, which Setup with which skin), what
// the user starts, the steps through the windows, and the end (what may
// change and what must hold).
//   disk.*    a drive of its own (a tmpfs of 8 MB, tools/faults.sh) filled up;
//   locked.*  the user's read-only, hidden and system files of payload names,
//             a file in use, the calendar running from the folder, a
//             read-only drive (mounted so; Wine ignores a folder's read-only
//             attribute and, as root, Unix permissions), registry keys that
//             cannot be opened for writing (a DACL; Wine checks it when the
//             key is opened) and an Uninstall key that takes no record (made
//             volatile: a non-volatile key cannot be created below one);
//   quit.*    every way out during the repair and the removals (the end of
//             the Windows session among them for the removals), and on the
//             finish page;
//   skin.*    Setup's and Uninstall's skin archives missing, truncated,
//             without a layout or a named control, or with damaged pictures:
//             where the frame cannot be built the program says that it is
//             damaged and changes nothing; otherwise every way out the skin
//             leaves still ends it in an allowed state;
//   record.*  install records whose "InstallLocation" is hostile (a drive's
//             root, the Windows folder, Program Files, the user's profile, a
//             share, a relative path, a path with '%', 300 characters), met
//             by Uninstall (a copy in a folder of its own), Setup's removal
//             and Setup's repair; install manifests that are damaged,
//             foreign, escaping their folder or naming another, met by the
//             installation's Uninstall and Setup's removal. Nothing but the
//             product's own entries may go; a repair may write them where
//             the record says. A real folder first receives decoys of the
//             product's names and a file of the user's; a large one is
//             watched at its top level and in "res".
#include "fault_support.h"

#include "extraction.h"
#include "registry_key.h"
#include "test_zip.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <optional>

namespace faults {

using testing_support::InstallOptions;
using testing_support::Manifest;
using testing_support::ZipEntries;

namespace {

const wchar_t kUserFile[] = L"velt-faults-user.txt";

// A part of the set-up; false when the case cannot go on (failed or skipped).
using SetUp = std::function<bool(CaseRun&)>;
// A step through the windows, or the end.
using Step = std::function<void(CaseRun&)>;

// What the user starts: the program alone, or a worker through its windows.
enum class Starts { Setup, Uninstall, Install, InstallForMe, Repair, SetupRemoval, UninstallRemoval };

Worker WorkerOf(Starts starts)
{
    return starts == Starts::Repair             ? Worker::Repair
           : starts == Starts::SetupRemoval     ? Worker::SetupRemoval
           : starts == Starts::UninstallRemoval ? Worker::UninstallRemoval
                                                : Worker::Install;
}

// --- set-ups ------------------------------------------------------------------

// A fake installation (fake_installation.h), with `bulk` files more, so
// that its removal takes a while.
SetUp Installed(InstallOptions options = {}, int bulk = 0)
{
    return [=](CaseRun& run) {
        run.install = std::make_unique<testing_support::FakeInstallation>(options);
        run.dir = run.install->Dir();
        run.Watch(run.install->Parent());
        for (int i = 0; i < bulk; ++i) {
            const std::wstring folder = run.dir + L"\\bulk\\d" + std::to_wstring(i / 100);
            MakeDirs(folder);
            WriteBytes(folder + L"\\f" + std::to_wstring(i) + L".dat", std::string(2048, 'a' + i % 26));
        }
        return run.Check(run.install->Ok(), L"the installation could not be laid out");
    };
}

// The folder `name` on a drive tools/faults.sh maps (the small one, emptied
// first; the read-only one, below "parent"); the case is skipped without it.
SetUp OnDrive(bool small, const wchar_t* name)
{
    return [=](CaseRun& run) {
        const std::wstring drive = small ? Ctx().smallDrive : Ctx().readOnlyDrive;
        if (drive.empty()) {
            run.Skip(std::wstring(L"no ") + (small ? L"small" : L"read-only") + L" drive (faults.sh maps it as root)");
            return false;
        }
        const std::wstring folder = drive + (small ? L"\\" : L"\\parent\\");
        for (const wchar_t* left : {L"ballast.bin", L"VELT", L"mine"}) {
            if (small)
                RemoveTree(folder + left);
        }
        run.dir = folder + name;
        run.Watch(folder);
        return run.Check(small ? GetDriveTypeW(folder.c_str()) == DRIVE_FIXED : Exists(folder + L"mine"),
                         L"the drive is not as tools/faults.sh maps it");
    };
}

// Leaves half the size of the payload's largest file free on the small
// drive: less than any installation or repair (which writes each file
// beside the old one first) needs. Notes what is free after the case.
bool Filled(CaseRun& run)
{
    DWORD largest = 0;
    for (const PayloadEntry& entry : Ctx().real.entries)
        largest = std::max(largest, entry.size);
    ULARGE_INTEGER free = {};
    // A drive of more than 64 MB free is not the small one (unmounted under
    // the suite): no ballast is written then.
    const bool room = GetDiskFreeSpaceExW(Ctx().smallDrive.c_str(), &free, nullptr, nullptr) &&
                      free.QuadPart > largest / 2 && free.QuadPart < (64ull << 20);
    run.cleanups.push_back([&run] {
        ULARGE_INTEGER left = {};
        GetDiskFreeSpaceExW(Ctx().smallDrive.c_str(), &left, nullptr, nullptr);
        run.Note(L"free afterwards " + std::to_wstring(left.QuadPart / 1024) + L" KiB");
    });
    const std::string ballast(room ? free.QuadPart - largest / 2 : 0, 'b');
    return run.Check(room && WriteBytes(Ctx().smallDrive + L"\\ballast.bin", ballast),
                     L"the drive could not be filled");
}

// The earlier edition's record and autostart value (an intact Setup removes
// them before its first window); removed after the case.
bool EarlierEdition(CaseRun& run)
{
    CRegistryKey uninstall, earlier, autostart;
    run.cleanups.push_back([] {
        CRegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kUninstallParentKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
            key.DeleteTree(kLegacyProductCode);
    });
    const std::wstring location = run.install->Parent() + L"\\earlier";
    return run.Check(uninstall.Create(HKEY_LOCAL_MACHINE, kUninstallParentKey) == ERROR_SUCCESS &&
                         earlier.Create(uninstall.Handle(), kLegacyProductCode) == ERROR_SUCCESS &&
                         earlier.WriteString(kValueInstallLocation, location.c_str()) == ERROR_SUCCESS &&
                         autostart.Create(HKEY_LOCAL_MACHINE, kRunKey) == ERROR_SUCCESS &&
                         autostart.WriteString(kLegacyAutostartValueName, L"C:\\old\\VELT电子日历.exe") == ERROR_SUCCESS,
                     L"could not lay out the earlier edition's traces");
}

// The current user's Uninstall key made volatile (when it holds nothing).
bool VolatileUninstallKey(CaseRun& run)
{
    const LONG emptied = SHDeleteEmptyKeyW(HKEY_CURRENT_USER, kUninstallParentKey);
    if (emptied != ERROR_SUCCESS && emptied != ERROR_FILE_NOT_FOUND) {
        run.Skip(L"the current user's Uninstall key has entries of its own");
        return false;
    }
    run.cleanups.push_back([&run] {
        run.Note(std::wstring(L"record ") + (RecordExists(0) ? L"written" : L"not written"));
        RegDeleteKeyW(HKEY_CURRENT_USER, kUninstallParentKey);
    });
    HKEY key = nullptr;
    const bool made = RegCreateKeyExW(HKEY_CURRENT_USER, kUninstallParentKey, 0, nullptr, REG_OPTION_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return run.Check(made, L"could not make the Uninstall key volatile");
}

// Removes what a case left in a location that is not the suite's own: the
// product's entries that were not there before (deepest first), the decoys.
void RemoveAdded(const MachineState& before, const std::wstring& location)
{
    std::vector<std::wstring> added = {InstallManifestPath(location)};
    for (int i = 0; i < Ctx().real.Count(); ++i)
        added.push_back(Ctx().real.PathOf(location, i));
    std::sort(added.begin(), added.end(), [](auto& a, auto& b) { return a.size() > b.size(); });
    for (const std::wstring& path : added) {
        const bool folder = PathIsDirectoryW(path.c_str()) != FALSE;
        if (before.count((folder ? L"D|" : L"F|") + Upper(path)))
            continue;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
    }
    for (const wchar_t* decoy : {kAppFileName, L"res\\profile.xml", kUserFile})
        DeleteFileW((location + L"\\" + decoy).c_str());
    RemoveDirectoryW((location + L"\\res").c_str());
}

// A record of the product whose location is `path`, with its autostart
// value; decoys in the location when it is a real folder, and in the
// temporary folder for a relative one (it would be taken from the programs'
// current folders); Uninstall in a folder of its own.
SetUp RecordAt(const std::wstring& path, bool folder)
{
    return [=](CaseRun& run) {
        WCHAR temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::wstring relative = std::wstring(temp) + kDisplayName;
        for (const std::wstring& place : {folder ? path : L"", path == kDisplayName ? relative : L""}) {
            if (place.empty())
                continue;
            MakeDirs(place + L"\\res");
            WriteBytes(place + L"\\" + kAppFileName, "decoy calendar");
            WriteBytes(place + L"\\res\\profile.xml", "<decoy/>");
            WriteBytes(place + L"\\" + kUserFile, "the user's own");
            const bool ours = place == relative || Below(place, Ctx().scratch);
            run.Watch(place, ours ? -1 : 0);
            run.Watch(place + L"\\res");
            run.cleanups.push_back([&run, place, ours] {
                RemoveAdded(run.before, place);
                if (ours)
                    RemoveTree(place);
            });
        }
        WriteInstallRecord(1, kProductKey, path, RecordWriter::Install);
        CRegistryKey autostart;
        if (autostart.Open(HKEY_LOCAL_MACHINE, kRunKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
            autostart.WriteString(kAutostartValueName, AutostartCommand(path).c_str());
        run.dir = path;
        run.uninstallFrom = ScratchFolder(L"uninstall");
        for (const wchar_t* name : {kUninstallerFileName, kUninstallSkinFileName, kWindowLibraryFileName})
            CopyFileW(Ctx().Bin(name).c_str(), (run.uninstallFrom + L"\\" + name).c_str(), FALSE);
        run.Watch(run.uninstallFrom);
        run.allowed.push_back(AllowRead(run.uninstallFrom));
        return true;
    };
}

enum class Kind { Damaged, Foreign, Escaping, OtherFolder };

// A fake installation with the user's "letter.txt" and "res\\mine.png",
// and "outside.txt" beside it, whose manifest is damaged, of another
// product, lists "..\\outside.txt" or names another folder; the last two
// list the payload's files and the letter, in the product's format (count
// and checksum right).
SetUp HostileManifest(Kind kind)
{
    return [=](CaseRun& run) {
        InstallOptions options;
        options.manifest = kind == Kind::Damaged ? Manifest::Damaged : Manifest::CreatedDirectory;
        options.userFiles = {{L"letter.txt", "dear user"}, {L"res\\mine.png", "a photo"}};
        if (!Installed(options)(run))
            return false;
        WriteBytes(run.install->Parent() + L"\\outside.txt", "next to the installation");
        InstallManifest manifest;
        manifest.directory = kind == Kind::OtherFolder ? run.install->Parent() + L"\\elsewhere" : run.dir;
        manifest.createdDirectory = true;
        for (const PayloadEntry& entry : Ctx().real.entries) {
            if (!entry.folder)
                manifest.files.push_back(entry.name);
        }
        manifest.files.push_back(L"letter.txt");
        if (kind == Kind::Escaping)
            manifest.files.push_back(L"..\\outside.txt");
        MakeDirs(manifest.directory);
        const char foreign[] = "OTHER-PRODUCT-FILES 3\r\ncreated 1\r\nF letter.txt\r\nF res\\mine.png\r\n";
        if (kind != Kind::Damaged)
            WriteBytes(InstallManifestPath(run.dir),
                       kind == Kind::Foreign ? std::string(foreign) : SerializeInstallManifest(manifest));
        return true;
    };
}

// Setup's test program with the large payload, and that payload.
bool LargeSetup(CaseRun& run)
{
    run.setupExe = Ctx().big.exe;
    run.payload = &Ctx().big;
    return true;
}

// --- damaged skins ------------------------------------------------------------

// Writes a damaged copy of the skin archive `from` to `to`.
using SkinEdit = std::function<bool(const std::wstring& from, const std::wstring& to)>;

SkinEdit EditEntries(const std::function<void(ZipEntries*)>& edit)
{
    return [=](const std::wstring& from, const std::wstring& to) {
        ZipEntries entries;
        const bool read = testing_support::ReadZip(from, &entries);
        edit(&entries);
        return read && testing_support::WriteZip(to, entries);
    };
}
bool Missing(const std::wstring&, const std::wstring& to)
{
    return DeleteFileW(to.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}
bool Truncated(const std::wstring& from, const std::wstring& to)
{
    std::string bytes;
    return testing_support::ReadBytes(from, &bytes) && WriteBytes(to, bytes.substr(0, bytes.size() / 2));
}
SkinEdit NoEntry(const std::string& name)
{
    return EditEntries([=](ZipEntries* entries) { std::erase_if(*entries, [&](auto& e) { return e.first == name; }); });
}
// The element that carries name="control" removed from a layout.
SkinEdit NoControl(const std::string& layout, const std::string& control)
{
    return EditEntries([=](ZipEntries* entries) {
        for (auto& [name, xml] : *entries) {
            const size_t at = name == layout ? xml.find("name=\"" + control + "\"") : std::string::npos;
            const size_t start = at == std::string::npos ? at : xml.rfind('<', at);
            if (start != std::string::npos && xml.find("/>", at) != std::string::npos)
                xml.erase(start, xml.find("/>", at) + 2 - start);
        }
    });
}
// Pictures whose bytes are no picture any more ("button.png" cut to a third).
SkinEdit BadPictures(const std::vector<std::string>& pictures)
{
    return EditEntries([=](ZipEntries* entries) {
        for (auto& [name, bytes] : *entries) {
            if (std::find(pictures.begin(), pictures.end(), name) == pictures.end())
                continue;
            for (size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = static_cast<char>((i * 131 + 7) & 0xFF);
            if (name == "button.png")
                bytes.resize(bytes.size() / 3);
        }
    });
}

// Setup (as the row has it so far) beside a damaged skin, in a folder of its own.
SetUp SetupSkin(const SkinEdit& edit)
{
    return [=](CaseRun& run) {
        const std::wstring folder = ScratchFolder(L"skin") + L"\\";
        const std::wstring copy = folder + run.setupExe.substr(run.setupExe.rfind(L'\\') + 1);
        const std::wstring library = Ctx().Bin(kWindowLibraryFileName);
        const bool laid = CopyFileW(run.setupExe.c_str(), copy.c_str(), FALSE) &&
                          CopyFileW(library.c_str(), (folder + kWindowLibraryFileName).c_str(), FALSE) &&
                          edit(Ctx().Bin(kSetupSkinFileName), folder + kSetupSkinFileName);
        run.setupExe = copy;
        return run.Check(laid, L"could not lay out Setup with the damaged skin");
    };
}

// The installation's Uninstall skin damaged.
SetUp UninstallSkin(const SkinEdit& edit)
{
    return [=](CaseRun& run) {
        return run.Check(edit(Ctx().Bin(kUninstallSkinFileName), run.dir + L"\\" + kUninstallSkinFileName),
                         L"could not write the damaged skin");
    };
}

// --- steps --------------------------------------------------------------------

// A message box with this caption and text answered OK.
Step Says(const wchar_t* caption, const wchar_t* text, DWORD ms = 30000)
{
    return [=](CaseRun& run) { AnswerMessage(run, *run.d, caption, text, ms); };
}

// The write-failure message (naming the held file, if any), or (any) an
// error message, answered OK.
Step Fails(bool any = false)
{
    return [=](CaseRun& run) {
        const MessageBoxSeen seen = run.d->WaitMessageBox(120000, kCaptionError);
        if (!run.Check(seen.box != nullptr, L"no error message"))
            return;
        run.Note(L"message \"" + seen.text + L"\"");
        const std::wstring format = kMsgWriteFailedFormat;
        run.Check(any || seen.text.compare(0, format.find(L"%s"), format, 0, format.find(L"%s")) == 0,
                  L"not the write-failure message: " + seen.text);
        run.Check(any || run.held.empty() || seen.text == WriteFailedText(run.held), L"the message names another file");
        run.Check(WizardDriver::Answer(seen, IDOK), L"the message could not be answered");
    };
}

// The worker goes through its finish page; or else (otherwise) shows an
// error message, which `otherwise` answers.
Step Finishes(Worker worker, const Step& otherwise = nullptr)
{
    return [=](CaseRun& run) {
        WaitUntil(
            [&] {
                return run.d->PageVisible(FinishPage(worker)) ||
                       (otherwise && run.d->WaitMessageBox(0, kCaptionError).box);
            },
            120000, 100);
        if (otherwise && !run.d->PageVisible(FinishPage(worker)))
            otherwise(run);
        else if (FinishThrough(run, *run.d, worker))
            run.Note(L"went through to the finish page");
    };
}

// The damaged-installer message: alone, owned by no window, OK only.
void DamagedAlone(CaseRun& run)
{
    const MessageBoxSeen seen = run.d->WaitMessageBox(30000, kCaptionError, kMsgSetupDamaged);
    if (!run.Check(seen.box != nullptr, L"no damaged-installer message"))
        return;
    run.Check(VisibleWindowsOf(run.d->ProcessId()) == std::vector<HWND>{seen.box}, L"another window shows");
    run.Check(GetWindow(seen.box, GW_OWNER) == nullptr, L"the message is owned by a window");
    run.Check(GetDlgItem(seen.box, IDOK) && !GetDlgItem(seen.box, IDYES), L"the message is not an OK message");
    run.Note(L"message \"" + seen.text + L"\" alone");
    WizardDriver::Answer(seen, IDOK);
}

// Waits (up to ms) until `what` holds, checked as `failure`; then for the
// program to wait for input.
Step Until(const std::function<bool(CaseRun&)>& what, DWORD ms, const std::wstring& failure)
{
    return [=](CaseRun& run) {
        run.Check(WaitUntil([&] { return what(run); }, ms), failure);
        run.d->WaitIdle(5000);
    };
}

Step Shows(const std::wstring& page)
{
    return Until([=](CaseRun& run) { return run.d->PageVisible(page); }, 120000, page + L" did not show");
}

// The damaged skin has no such control to click (page empty: the frame's,
// once the frame shows).
Step Lacks(const std::wstring& page, const std::wstring& control)
{
    return [=](CaseRun& run) {
        run.Check(!page.empty() || (run.uninstall ? run.d->WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml")
                                                  : run.d->WaitFrame(kSetupWindowTitle, 30000)),
                  L"the frame did not show");
        run.Check(!run.d->Click(page, control), L"the damaged skin still has " + control);
    };
}

Step BarPast20(const std::wstring& page)
{
    return [=](CaseRun& run) {
        int bar = -1;
        run.Check(WaitUntil([&] { return (bar = run.d->ProgressWidth(page)) > 20; }, 60000), L"the bar did not move");
        run.Note(L"bar " + std::to_wstring(bar));
    };
}

// The case's way out (or `quit`) from `page` (empty: the frame).
Step Leave(const std::wstring& page = L"", std::optional<Quit> quit = std::nullopt)
{
    return [=](CaseRun& run) {
        run.Note(L"left by " + QuitName(quit.value_or(run.way)));
        TakeWayOut(run, *run.d, quit.value_or(run.way), page, !run.uninstall);
    };
}

// --- ends ---------------------------------------------------------------------

// The installation (without the autostart value; for the current user
// without a record), complete; or (asItWas) each file as it was or complete.
Step Installs(bool autostart = true, int allUsers = 1, bool asItWas = false)
{
    return [=](CaseRun& run) {
        run.allowed.push_back(AllowInstalled(*run.payload, run.dir, allUsers, allUsers == 1, autostart));
        run.Finish();
        run.helper.Terminate();  // a held file can be read again
        CheckInstalled(run, *run.payload, run.dir, asItWas);
    };
}

// The removal, the folder gone; without the autostart value, which stays.
Step Removes(bool autostart = true)
{
    return [=](CaseRun& run) {
        run.allowed.push_back(AllowRemoved(Ctx().real, run.dir, true, autostart));
        run.Finish();
        std::wstring left;
        for (const std::wstring& name : testing_support::Tree(run.dir))
            left += L" " + name;
        run.Check(!Exists(run.dir), L"the removal is not complete, left:" + left);
        run.Check(autostart || AutostartExists(), L"the autostart value went through a read-only key");
    };
}

// A hostile record's location: the product's names there may go (a
// removal) or be written (a repair); the user's file stays.
Step AtLocation(bool folder, bool repair)
{
    return [=](CaseRun& run) {
        run.allowed.push_back(repair ? AllowInstalled(Ctx().real, run.dir) : AllowRemoved(Ctx().real, run.dir, false));
        run.Finish();
        run.Check(!folder || Exists(run.dir + L"\\" + kUserFile), L"the user's file went");
        run.Note(!folder ? L"not a usable folder: nothing there touched"
                         : std::wstring(L"the product's names there ") +
                               (Exists(run.dir + L"\\" + kAppFileName) ? L"kept or written" : L"removed") +
                               L", the user's file kept");
    };
}

// --- the table ----------------------------------------------------------------

struct Row {
    std::wstring name;
    std::vector<SetUp> setUp;
    Starts starts;
    std::vector<Step> steps;
    Step end = nullptr;           // none: nothing may change
    std::vector<Quit> ways = {};  // one case per way out, "<name>.<way>"
};

void RunRow(CaseRun& run, const Row& row, Quit way)
{
    run.way = way;
    run.setupExe = Ctx().Bin(L"Setup.exe");
    run.payload = &Ctx().real;
    run.uninstall = row.starts == Starts::Uninstall || row.starts == Starts::UninstallRemoval;
    bool ready = true;
    for (const SetUp& part : row.setUp)
        ready = ready && part(run);
    const std::wstring uninstallFrom = run.uninstallFrom.empty() ? run.dir : run.uninstallFrom;
    if (ready) {
        run.Before();
        if (row.starts == Starts::Setup || row.starts == Starts::Uninstall)
            run.d = &run.Start(run.uninstall ? uninstallFrom + L"\\" + kUninstallerFileName : run.setupExe,
                               run.uninstall ? kUninstallSkinFileName : kSetupSkinFileName);
        else
            run.d = StartWorker(run, WorkerOf(row.starts), run.setupExe, run.uninstall ? uninstallFrom : run.dir,
                                row.starts == Starts::InstallForMe);
        for (size_t i = 0; run.d && i < row.steps.size(); ++i)
            row.steps[i](run);
        if (row.end)
            row.end(run);
        run.Finish();
    }
    run.helper.Terminate();
    run.lock.reset();
    for (const auto& cleanup : run.cleanups)
        cleanup();
}

} // namespace

void AddWorkerCases(Cases* cases)
{
    using S = Starts;
    const std::vector<Quit> everyWay = {Quit::PageCancel, Quit::FrameClose, Quit::AltF4, Quit::WmClose};
    const std::vector<Quit> frameWays = {Quit::FrameClose, Quit::AltF4, Quit::WmClose};

    const SetUp newFolder = [](CaseRun& run) {
        run.dir = ScratchFolder(L"target") + L"\\VELT";
        run.Watch(run.dir.substr(0, run.dir.rfind(L'\\')));
        return true;
    };
    // A folder of the user's (MakeUserFolder): the set-up's folder, or a fresh one.
    const SetUp userFolder = [=](CaseRun& run) {
        if (run.dir.empty())
            newFolder(run);
        MakeUserFolder(Ctx().real, run.dir);
        return true;
    };
    const SetUp installedBySetup = [](CaseRun& run) {
        WizardDriver* d = StartWorker(run, Worker::Install, Ctx().Bin(L"Setup.exe"), run.dir);
        return d && FinishThrough(run, *d, Worker::Install) && run.Check(d->WaitExit(30000), L"Setup did not end");
    };
    // A copy of the test helper named like the calendar, running from the
    // folder; or the test helper holding the window library open without sharing.
    const auto helper = [](bool calendar) {
        return [=](CaseRun& run) {
            SetFileAttributesW((run.dir + L"\\" + kAppFileName).c_str(), FILE_ATTRIBUTE_NORMAL);
            run.held = calendar ? L"" : kWindowLibraryFileName;
            const bool started = calendar ? run.helper.StartSleeper(run.dir + L"\\" + kAppFileName)
                                          : run.helper.StartHolder(run.dir + L"\\" + kWindowLibraryFileName);
            run.own.push_back(run.helper.Id());
            return run.Check(started, L"the test helper did not start");
        };
    };
    const SetUp calendarRunning = helper(true), libraryInUse = helper(false);
    const auto locked = [](const std::wstring& key) {
        return [=](CaseRun& run) {
            run.lock = std::make_unique<KeyLock>(key);
            return run.Check(run.lock->Locked(), L"the key could not be made read-only");
        };
    };
    const SetUp runKeyLocked = locked(kRunKey);
    const SetUp small = OnDrive(true, L"VELT");
    InstallOptions noRecord;
    noRecord.recordRoot = -1;
    const Step writeFails = Fails(), appRunning = Says(kCaptionNotice, kMsgAppRunning);
    const Step runKeyMissing = Says(kCaptionError, kMsgRunKeyMissing, 120000);
    const Step installs = Finishes(Worker::Install), repairs = Finishes(Worker::Repair);
    const Step removes = Finishes(Worker::SetupRemoval), uninstalls = Finishes(Worker::UninstallRemoval);
    const Step errorOpen = Until([](CaseRun& run) { return run.d->WaitMessageBox(0, kCaptionError).box != nullptr; },
                                 120000, L"no error message");
    const Step recordGone = Until([](CaseRun&) { return !RecordExists(); }, 60000, L"the removal did not run");
    const Step folderMade =
        Until([](CaseRun& run) { return Exists(run.dir); }, 30000, L"the worker did not make the folder");
    // The removal's progress page (or already its finish page); notes whether it still works.
    const Step underWay = [](CaseRun& run) {
        run.Check(run.d->WaitPageVisible(L"Page10", 10000) || run.d->PageVisible(L"Page11"), L"no progress page");
        run.Note(std::wstring(L"removal ") + (run.d->PageVisible(L"Page10") ? L"under way" : L"already done"));
    };
    // Without access to the record no file goes; the shortcuts and the
    // autostart value still go, and the record's deletion is attempted.
    // Windows refuses that deletion (no DELETE right in the DACL); Wine grants it.
    const Step keepsTheFiles = [](CaseRun& run) {
        static const Payload nothing;
        run.allowed.push_back(AllowRemoved(nothing, L"", false));
        run.Finish();
        run.Note(std::wstring(L"record ") + (RecordExists() ? L"kept" : L"gone") + L", files " +
                 (Exists(run.dir + L"\\" + kAppFileName) ? L"kept" : L"gone"));
    };
    // Files rewritten with the same bytes; each as it was or complete.
    const Step rewrites = [](CaseRun& run) {
        run.allowed.push_back({L"files rewritten with the same bytes", [dir = run.dir](const Change& change) {
                                   return change.kind == ChangeKind::Changed && change.item == ItemKind::File &&
                                          Below(change.path, dir) &&
                                          Property(change.before, L"hash") == Property(change.after, L"hash") &&
                                          Property(change.before, L"size") == Property(change.after, L"size");
                               }});
        run.Finish();
        CheckInstalled(run, *run.payload, run.dir, true);
    };
    // A hostile manifest: the user's letter, the file outside and the folder stay.
    const Step keepsTheUsersFiles = [](CaseRun& run) {
        run.allowed.push_back(AllowRemoved(Ctx().real, run.dir, false));
        run.Finish();
        const auto kept = [](const std::wstring& path, const wchar_t* gone) { return Exists(path) ? L"kept" : gone; };
        run.Note(std::wstring(L"letter.txt ") + kept(run.dir + L"\\letter.txt", L"GONE") + L", outside.txt " +
                 kept(run.install->Parent() + L"\\outside.txt", L"GONE") + L", folder " + kept(run.dir, L"gone"));
    };
    const Step removesAllButUninstall = [](CaseRun& run) {
        run.allowed.push_back(AllowRemoved(Ctx().real, run.dir, true));
        run.Finish();
        const std::wstring manifest = InstallManifestPath(run.dir);
        std::wstring left;
        for (const std::wstring& name : testing_support::Tree(run.dir)) {
            if (name != kUninstallerFileName && name != kUninstallSkinFileName && name != kWindowLibraryFileName &&
                name != manifest.substr(manifest.rfind(L'\\') + 1))
                left += L" " + name;
        }
        run.Check(left.empty(), L"the removal is not complete, left:" + left);
    };
    const int bulk = Ctx().quick ? 1000 : 3000;
    static std::vector<Row> rows = {
        {L"disk.install.new-folder", {small, Filled}, S::Install, {writeFails}},
        {L"disk.install.existing-folder", {OnDrive(true, L"mine"), userFolder, Filled}, S::Install, {writeFails}},
        {L"disk.repair", {small, installedBySetup, Filled}, S::Repair, {writeFails}, rewrites},
        {L"locked.marked-files.install-completes", {userFolder}, S::Install, {installs}, Installs()},
        {L"locked.calendar-running.install", {newFolder, calendarRunning}, S::Setup, {appRunning}},
        {L"locked.calendar-running.repair", {Installed(), calendarRunning}, S::Repair,
         {Finishes(Worker::Repair, writeFails)}, Installs(true, 1, true)},
        {L"locked.calendar-running.removal-uninstall", {Installed(), calendarRunning}, S::UninstallRemoval,
         {appRunning, Leave(L"", Quit::FrameClose)}},
        {L"locked.calendar-running.removal-setup", {Installed(), calendarRunning}, S::SetupRemoval,
         {appRunning, Leave(L"", Quit::FrameClose)}},
        {L"locked.file-in-use.install", {userFolder, libraryInUse}, S::Install, {writeFails}},
        // The session ends while nobody answers the message: it goes, and the installation rolls back.
        {L"locked.file-in-use.install", {userFolder, libraryInUse}, S::Install, {errorOpen, Leave(L"Page6")}, nullptr,
         {Quit::SessionEnd}},
        {L"locked.file-in-use.repair", {Installed(), libraryInUse}, S::Repair, {writeFails}, Installs(true, 1, true)},
        {L"locked.readonly-drive.new-folder", {OnDrive(false, L"VELT")}, S::Install,
         {Says(kCaptionError, kMsgBadInstallPath), Shows(L"Page6"), Leave(L"Page6", Quit::PageCancel)}},
        {L"locked.readonly-drive.existing-folder", {OnDrive(false, L"mine")}, S::Install, {writeFails}},
        {L"locked.run-key.install", {newFolder, runKeyLocked}, S::Install, {runKeyMissing}, Installs(false)},
        {L"locked.run-key.repair", {Installed(), runKeyLocked}, S::Repair, {runKeyMissing}, Installs(false)},
        {L"locked.run-key.removal-uninstall", {Installed(), runKeyLocked}, S::UninstallRemoval, {uninstalls},
         Removes(false)},
        {L"locked.run-key.removal-setup", {Installed(), runKeyLocked}, S::SetupRemoval, {removes}, Removes(false)},
        {L"locked.record-key.removal", {Installed(), locked(InstallRecordKeyPath(kProductKey))}, S::UninstallRemoval,
         {uninstalls}, keepsTheFiles},
        {L"locked.uninstall-key.install", {VolatileUninstallKey, newFolder}, S::InstallForMe, {installs},
         Installs(true, 0)},
        {L"quit.repair", {Installed(), LargeSetup}, S::Repair, {BarPast20(L"Page12"), Leave(L"Page12")}, Installs(),
         everyWay},
        {L"quit.removal-setup", {Installed({}, bulk)}, S::SetupRemoval, {underWay, Leave(L"Page10")}, Removes(),
         everyWay},
        {L"quit.removal-uninstall", {Installed({}, bulk)}, S::UninstallRemoval, {underWay, Leave(L"Page10")}, Removes(),
         everyWay},
        // The end of the session: the removal finishes before it is answered
        // (no files more: Wine on a busy machine deleted as few as thirty a second);
        // Uninstall's own files stay with it (their removal after it has
        // ended would end with the session).
        {L"quit.removal-setup", {Installed()}, S::SetupRemoval, {underWay, Leave(L"Page10")}, Removes(),
         {Quit::SessionEnd}},
        {L"quit.removal-uninstall", {Installed()}, S::UninstallRemoval, {underWay, Leave(L"Page10")},
         removesAllButUninstall, {Quit::SessionEnd}},
        // Without a worker the session may end; the installation is final.
        {L"quit.install.finished", {newFolder}, S::Install, {Shows(L"Page7"), Leave(L"Page7")}, Installs(),
         {Quit::FrameClose, Quit::AltF4, Quit::WmClose, Quit::SessionEnd}},
        {L"skin.setup.missing", {Installed(noRecord), EarlierEdition, SetupSkin(Missing)}, S::Setup, {DamagedAlone}},
        {L"skin.setup.truncated", {Installed(noRecord), EarlierEdition, SetupSkin(Truncated)}, S::Setup,
         {DamagedAlone}},
        {L"skin.setup.no-frame-layout", {Installed(noRecord), EarlierEdition, SetupSkin(NoEntry("CoverWnd.xml"))},
         S::Setup, {DamagedAlone}},
        {L"skin.setup.maintenance.no-frame-layout", {Installed(), EarlierEdition, SetupSkin(NoEntry("Page8Wnd.xml"))},
         S::Setup, {DamagedAlone}},
        // Without its progress layout or bar the worker stops after the record and the folder; the page stays.
        {L"skin.setup.no-progress-layout", {newFolder, SetupSkin(NoEntry("Page6Wnd.xml"))}, S::Install,
         {folderMade, Leave()}, nullptr, frameWays},
        {L"skin.setup.no-progressbar", {newFolder, SetupSkin(NoControl("Page6Wnd.xml", "progressbar"))}, S::Install,
         {folderMade, Leave()}, nullptr, {Quit::FrameClose}},
        {L"skin.setup.no-page-cancel", {newFolder, LargeSetup, SetupSkin(NoControl("Page6Wnd.xml", "cancelbtn"))},
         S::Install, {BarPast20(L"Page6"), Lacks(L"Page6", L"cancelbtn"), Leave()}, nullptr, frameWays},
        // (The frame's cancel lies under the finish page: not a way out there.)
        {L"skin.setup.no-finishbtn", {newFolder, SetupSkin(NoControl("Page7Wnd.xml", "finishbtn"))}, S::Install,
         {Shows(L"Page7"), Leave()}, Installs(), frameWays},
        {L"skin.setup.no-pathedit", {SetupSkin(NoControl("Page4Wnd.xml", "pathedit"))}, S::Install,
         {Says(kCaptionError, kMsgBadInstallPath), Leave(L"", Quit::FrameClose)}},
        {L"skin.setup.no-closebtn", {SetupSkin(NoControl("CoverWnd.xml", "closebtn"))}, S::Setup,
         {Lacks(L"", L"closebtn"), Leave()}, nullptr, {Quit::FrameCancel, Quit::AltF4, Quit::WmClose}},
        {L"skin.setup.bad-pictures",
         {newFolder, SetupSkin(BadPictures({"progress.png", "CoverBK.jpg", "Page6BK.jpg", "button.png"}))}, S::Install,
         {installs}, Installs()},
        // The repair without its bar rewrites the record with what it held; nothing else happens.
        {L"skin.setup.repair-no-progressbar", {Installed(), SetupSkin(NoControl("Page12Wnd.xml", "progressbar"))},
         S::Repair, {Shows(L"Page12"), Leave(L"Page12")}, Installs(true, 1, true), {Quit::PageCancel, Quit::AltF4}},
        {L"skin.uninstall.missing", {Installed(), UninstallSkin(Missing)}, S::Uninstall, {DamagedAlone}},
        {L"skin.uninstall.truncated", {Installed(), UninstallSkin(Truncated)}, S::Uninstall, {DamagedAlone}},
        {L"skin.uninstall.no-frame-layout", {Installed(), UninstallSkin(NoEntry("Page9Wnd.xml"))}, S::Uninstall,
         {DamagedAlone}},
        {L"skin.uninstall.no-progress-layout", {Installed(), UninstallSkin(NoEntry("Page10Wnd.xml"))},
         S::UninstallRemoval, {uninstalls}, Removes()},
        {L"skin.uninstall.no-done-layout", {Installed(), UninstallSkin(NoEntry("Page11Wnd.xml"))}, S::UninstallRemoval,
         {recordGone, Leave(L"Page11")}, Removes(), frameWays},
        {L"skin.uninstall.no-nextbtn", {Installed(), UninstallSkin(NoControl("Page9Wnd.xml", "nextbtn"))}, S::Uninstall,
         {Lacks(L"", L"nextbtn"), Leave()}, nullptr, {Quit::FrameClose, Quit::FrameCancel, Quit::AltF4, Quit::WmClose}},
        {L"skin.uninstall.no-finishbtn", {Installed(), UninstallSkin(NoControl("Page11Wnd.xml", "finishbtn"))},
         S::UninstallRemoval, {recordGone, Leave(L"Page11")}, Removes(), frameWays},
        {L"skin.uninstall.bad-pictures",
         {Installed(), UninstallSkin(BadPictures({"progress.png", "Page9BK.jpg", "button.png"}))}, S::UninstallRemoval,
         {uninstalls}, Removes()},
    };
    // The hostile locations, each met by the three programs; the hostile
    // manifests, each by the two removals.
    const std::wstring windows = ShellPath(CSIDL_WINDOWS);
    std::wstring longPath = Ctx().scratch + L"\\cases\\long\\";
    while (longPath.size() < 300)
        longPath += L"VELT电子日历-";
    const std::tuple<const wchar_t*, std::wstring, bool> locations[] = {
        {L"drive-root", L"C:\\", true},
        {L"windows", windows, true},
        {L"program-files", ShellPath(CSIDL_PROGRAM_FILES), true},
        {L"profile", ShellPath(CSIDL_PROFILE), true},
        {L"share", L"\\\\velt-server\\share\\VELT电子日历", false},
        {L"relative", kDisplayName, false},
        {L"percent", Ctx().scratch + L"\\cases\\pct\\a%PATH%b", true},
        {L"300-characters", longPath.substr(0, 300), false},
    };
    const std::tuple<const wchar_t*, S, Step> programs[] = {
        {L".uninstall", S::UninstallRemoval, uninstalls},
        {L".setup-removal", S::SetupRemoval, removes},
        {L".setup-repair", S::Repair, Finishes(Worker::Repair, Fails(true))},
    };
    for (const auto& [name, path, folder] : locations) {
        for (const auto& [program, starts, step] : programs) {
            rows.push_back({L"record.location-" + std::wstring(name) + program, {RecordAt(path, folder)}, starts,
                            {step}, AtLocation(folder, starts == S::Repair)});
        }
    }
    const std::pair<const wchar_t*, Kind> manifests[] = {{L"damaged", Kind::Damaged},
                                                          {L"foreign", Kind::Foreign},
                                                          {L"escaping", Kind::Escaping},
                                                          {L"other-folder", Kind::OtherFolder}};
    for (const auto& [name, kind] : manifests) {
        for (const auto& [program, starts, step] : {programs[0], programs[1]})
            rows.push_back({L"record.manifest-" + std::wstring(name) + program, {HostileManifest(kind)}, starts, {step},
                            keepsTheUsersFiles});
    }
    for (const Row& row : rows) {
        const bool quicker = row.name.starts_with(L"skin.") || row.name.starts_with(L"record.");
        Add(cases, row.name, quicker ? 180000 : 240000, row.ways,
            [&row](CaseRun& run, Quit way) { RunRow(run, row, way); });
    }
}

} // namespace faults
