// Installations through Setup's windows under Wine, the first from the
// unpacked release kit: what they leave (record, files byte for byte,
// shortcuts, autostart value, install manifest), their removal by the
// installed Uninstall.exe, a cancel into the desktop, the progress page
// closed from outside, the wrong-path stop, a damaged payload, and the
// launch of the calendar. Cancels at every checkpoint, the user's own
// folder, every way out and the files that cannot be written are the fault
// suite's (tools/faults; its quick subset runs with these tests).
#include <gtest/gtest.h>

#include "setup_e2e.h"

#include "fake_installation.h"
#include "install_manifest.h"
#include "product.h"
#include "registry_key.h"
#include "running_app.h"
#include "test_support.h"
#include "test_zip.h"
#include "wait_until.h"

#include <shlobj.h>
#include <shlwapi.h>

using namespace setup_test;
using namespace testing_support;

namespace {

constexpr DWORD kNoReaction = 1500;

// The bar is past its first entry and short of the end of the extraction.
bool MidExtraction(int width)
{
    return width > 1 && width < 374;
}

// Starts the test program with the large payload, walks to Page4, types the
// path and starts the installation; returns once the bar has moved.
void StartLargeInstallation(WizardDriver& run, const std::wstring& dir)
{
    ASSERT_TRUE(StartSetup(run, L"SetupLargeTest.exe"));
    ASSERT_TRUE(WalkSetupToPage4(run));
    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", dir));
    ASSERT_TRUE(run.Click(L"Page4", L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page6", 10000));
    ASSERT_TRUE(WaitUntil([&] { return run.ProgressWidth(L"Page6") > 20; }, 60000));
}

// Clicks Page6's cancel and returns the bar's width while the question is
// open (the worker waits at its next checkpoint, so the width stays).
int CancelAndReadBar(WizardDriver& run)
{
    EXPECT_TRUE(run.Click(L"Page6", L"cancelbtn"));
    const MessageBoxSeen seen = run.WaitMessageBox(10000, kCaptionNotice, kMsgQuitQuestion);
    EXPECT_NE(seen.box, nullptr);
    int width = -1;
    // Once paused, two readings agree.
    WaitUntil(
        [&] {
            const int now = run.ProgressWidth(L"Page6");
            const bool still = now == width && now > 0;
            width = now;
            return still;
        },
        5000, 200);
    return width;
}

void ExpectNothingOfTheProduct()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        EXPECT_FALSE(RecordExists(root, kProductKey));
        EXPECT_EQ(AutostartValue(root), L"<none>");
    }
    for (int allUsers : {0, 1})
        EXPECT_FALSE(Exists(ComposeShortcutPaths(allUsers).programsGroup));
    EXPECT_FALSE(Exists(ComposeShortcutPaths(1).desktopLink));
    EXPECT_FALSE(Exists(ComposeShortcutPaths(1).quickLaunchLink));
}

void ExpectInstalled(const std::wstring& dir, int allUsers, bool desktop)
{
    const HKEY root = RecordRoot(allUsers);
    EXPECT_EQ(RecordString(root, kValueDisplayName), kDisplayName);
    EXPECT_EQ(RecordString(root, kValueInstallLocation), dir);
    EXPECT_EQ(RecordString(root, kValuePublisher), kPublisher);
    EXPECT_EQ(RecordString(root, kValueUninstallString), UninstallCommand(dir));
    EXPECT_EQ(AutostartValue(root), AutostartCommand(dir));
    for (const wchar_t* name : {kAppFileName, kWindowLibraryFileName, kUninstallerFileName, kUninstallSkinFileName})
        EXPECT_EQ(FileContent(dir + L"\\" + name), FileContent(ModuleDir() + L"\\" + name)) << name;
    InstallManifest manifest;
    ASSERT_EQ(ReadInstallManifest(dir, &manifest), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(manifest.files.size(), 79u);
    const ShortcutPaths links = ComposeShortcutPaths(allUsers);
    EXPECT_EQ(LinkTarget(links.appLink), AppExePath(dir));
    EXPECT_EQ(LinkTarget(links.uninstallLink), UninstallerExePath(dir));
    EXPECT_EQ(LinkTarget(links.desktopLink), desktop ? AppExePath(dir) : L"<none>");
}

// The installed Uninstall.exe removes everything, its own folder last.
void RemoveWithTheInstalledUninstaller(const std::wstring& dir)
{
    WizardDriver run;
    ASSERT_TRUE(run.Start(dir + L"\\" + kUninstallerFileName, kUninstallSkinFileName));
    ASSERT_NE(run.WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml"), nullptr);
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page11", 30000));
    ASSERT_TRUE(run.Click(L"Page11", L"finishbtn"));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(dir); }, 30000, 100)) << "the installation folder stays";
    ExpectNothingOfTheProduct();
}

} // namespace

// The 64-bit release kit, made the same way as the shipped one, unpacked
// into a folder of its own: its Setup installs for all users by default, and
// the installed Uninstall removes it all.
TEST(SetupInstall, TheKitInstallsForAllUsersByDefaultThenItsUninstallerRemoves)
{
    CleanMachine clean;
    WIN32_FIND_DATAW found = {};
    const std::wstring kits = ModuleDir() + L"\\..\\kit\\";
    HANDLE find = FindFirstFileW((kits + L"VELT-Calendar-Setup-*-win64.zip").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "no kit in " << std::string(kits.begin(), kits.end());
    FindClose(find);
    ZipEntries entries;
    ASSERT_TRUE(ReadZip(kits + found.cFileName, &entries));
    ScratchDir unpacked(L"kit");
    for (const auto& entry : entries)
        ASSERT_TRUE(WriteBytes(unpacked / std::wstring(entry.first.begin(), entry.first.end()), entry.second));
    ASSERT_EQ(Tree(unpacked.Path()), (std::vector<std::wstring>{L"DuiLibu.dll", L"Setup.exe", L"VELTSetupDate.DAT"}));

    WizardDriver run;
    ASSERT_TRUE(run.Start(unpacked / L"Setup.exe", kSetupSkinFileName));
    ASSERT_NE(run.WaitFrame(kSetupWindowTitle, 30000), nullptr);
    ASSERT_TRUE(WalkSetupToPage4(run));
    ASSERT_TRUE(InstallAndWaitForFinish(run));
    EXPECT_TRUE(run.VisibleTopLevelWindows().size() == 1u) << "a message box appeared";
    ASSERT_TRUE(Finish(run));
    EXPECT_EQ(FindRunningApp(), 0u);
    ExpectInstalled(DefaultDir(), 1, true);
    RemoveWithTheInstalledUninstaller(DefaultDir());
    // The folder Setup made above the installation goes with it.
    EXPECT_TRUE(WaitUntil([] { return !Exists(ShellPath(CSIDL_PROGRAM_FILES, L"QRVL")); }, 30000, 100));
    EXPECT_TRUE(Exists(ShellPath(CSIDL_PROGRAM_FILES, L"")));
}

TEST(SetupInstall, ForTheCurrentUserIntoAPathWithSpacesWithoutOptionalShortcuts)
{
    CleanMachine clean;
    ScratchDir parent(L"spaces");
    const std::wstring dir = parent / L"VELT Calendar 日历";
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run));
    ASSERT_TRUE(WalkSetupToPage4(run));
    ASSERT_TRUE(run.Click(L"Page4", L"prebtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page3", 10000));
    ASSERT_TRUE(run.Click(L"Page3", L"onlymebtn"));
    ASSERT_TRUE(run.Click(L"Page3", L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page4", 10000));
    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", dir));
    ASSERT_TRUE(run.Click(L"Page4", L"desktopscbtn"));
    ASSERT_TRUE(run.Click(L"Page4", L"startmenuscbtn"));
    ASSERT_TRUE(InstallAndWaitForFinish(run));
    ASSERT_TRUE(Finish(run));
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE, kProductKey));
    ExpectInstalled(dir, 0, false);
    EXPECT_FALSE(Exists(ComposeShortcutPaths(0).quickLaunchLink));
    EXPECT_FALSE(Exists(ComposeShortcutPaths(1).appLink));
    RemoveWithTheInstalledUninstaller(dir);
    EXPECT_TRUE(Exists(parent.Path()));
}

// A typed trailing backslash stays in the record: the commands then hold a
// doubled one before the file name.
TEST(SetupInstall, ATrailingBackslashIsKeptAsTyped)
{
    CleanMachine clean;
    ScratchDir parent(L"slash");
    const std::wstring dir = parent / L"Velt\\";
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run));
    ASSERT_TRUE(WalkSetupToPage4(run));
    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", dir));
    ASSERT_TRUE(InstallAndWaitForFinish(run));
    ASSERT_TRUE(Finish(run));
    EXPECT_EQ(RecordString(HKEY_LOCAL_MACHINE, kValueInstallLocation), dir);
    EXPECT_NE(RecordString(HKEY_LOCAL_MACHINE, kValueUninstallString).find(L"Velt\\\\Uninstall.exe"),
              std::wstring::npos);
    EXPECT_TRUE(Exists(dir + kAppFileName));
}

// Straight into the desktop, then cancelled: the desktop is as it was.
TEST(SetupInstall, AShellFolderChosenAndCancelledIsUntouched)
{
    CleanMachine clean;
    const std::wstring desktop = ShellPath(CSIDL_DESKTOPDIRECTORY, L"");
    MakeDirs(desktop);
    ASSERT_TRUE(WriteBytes(desktop + L"\\on the desktop.txt", "mine"));
    const std::vector<std::wstring> tree = Tree(desktop);
    WizardDriver run;
    StartLargeInstallation(run, desktop);
    EXPECT_TRUE(MidExtraction(CancelAndReadBar(run)));
    ASSERT_TRUE(AnswerQuitQuestion(run, IDYES));
    EXPECT_TRUE(EndsWithZero(run, 120000));
    EXPECT_EQ(Tree(desktop), tree);
    DeleteFileW((desktop + L"\\on the desktop.txt").c_str());
}

// WM_CLOSE from outside to the progress page itself during the
// installation: rolled back, Setup ends with 0. (The frame's ways out at
// every phase are the fault suite's quit family.)
TEST(SetupInstall, ClosingTheProgressPageRollsTheInstallationBack)
{
    CleanMachine clean;
    ScratchDir parent(L"quit");
    const std::wstring dir = parent / L"VELT";
    WizardDriver run;
    StartLargeInstallation(run, dir);
    ASSERT_TRUE(PostMessageW(run.Page(L"Page6"), WM_CLOSE, 0, 0));
    EXPECT_TRUE(EndsWithZero(run, 120000));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(dir); }, 30000, 100));
    ExpectNothingOfTheProduct();
}

// A directory that cannot be made (a drive that does not exist, an empty
// field): the message, the page stays; its cancel then removes the record
// that was written.
TEST(SetupInstall, AWrongPathStopsAndCancelRemovesTheRecord)
{
    for (const wchar_t* path : {L"Q:\\no drive\\VELT", L""}) {
        SCOPED_TRACE(path);
        CleanMachine clean;
        WizardDriver run;
        ASSERT_TRUE(StartSetup(run));
        ASSERT_TRUE(WalkSetupToPage4(run));
        ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", path));
        if (!*path) {
            // The key goes to the focused window: first the posted click must
            // have focused the field. Then the selected text goes.
            ASSERT_TRUE(WaitUntil(
                [&] {
                    GUITHREADINFO info = {};
                    info.cbSize = sizeof info;
                    WCHAR name[16] = {};
                    return GetGUIThreadInfo(GetWindowThreadProcessId(run.Frame(), nullptr), &info) &&
                           info.hwndFocus && GetClassNameW(info.hwndFocus, name, 16) && lstrcmpiW(name, L"Edit") == 0;
                },
                5000));
            ASSERT_TRUE(run.PressKey(VK_DELETE));
        }
        ASSERT_TRUE(WaitUntil([&] { return EditText(run, L"Page4", L"pathedit") == path; }, 5000));
        ASSERT_TRUE(run.Click(L"Page4", L"nextbtn"));
        const MessageBoxSeen seen = run.WaitMessageBox(20000, kCaptionError, kMsgBadInstallPath);
        ASSERT_NE(seen.box, nullptr);
        ASSERT_TRUE(WizardDriver::Answer(seen, IDOK));
        EXPECT_TRUE(run.PageVisible(L"Page6"));
        EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE, kProductKey));
        ASSERT_TRUE(run.Click(L"Page6", L"cancelbtn"));
        ASSERT_TRUE(AnswerQuitQuestion(run, IDYES));
        EXPECT_TRUE(EndsWithZero(run));
        ExpectNothingOfTheProduct();
    }
}

// A damaged payload: the message, then the rollback; nothing of the
// product. (A file that cannot be written: the fault suite's
// locked.file-in-use cases.)
TEST(SetupInstall, ADamagedPayloadIsReportedAndRolledBack)
{
    CleanMachine clean;
    ScratchDir parent(L"fail");
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run, L"SetupDamagedTest.exe"));
    ASSERT_TRUE(WalkSetupToPage4(run));
    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", parent / L"damaged"));
    ASSERT_TRUE(run.Click(L"Page4", L"nextbtn"));
    const MessageBoxSeen seen = run.WaitMessageBox(30000, kCaptionError, kMsgSetupDamaged);
    ASSERT_NE(seen.box, nullptr);
    ASSERT_TRUE(WizardDriver::Answer(seen, IDOK));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(parent / L"damaged"); }, 30000, 100));
    ExpectNothingOfTheProduct();
}

// The launch: Wine told to report Windows XP to Setup starts the calendar
// through the shell from the installation folder; told to report Windows 7,
// Setup registers a task (Wine's Task Scheduler cannot) and ends cleanly
// without starting it itself.
TEST(SetupInstall, TheCalendarIsStartedTheWayTheSystemAllows)
{
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\Setup.exe";
    for (const wchar_t* version : {L"winxp64", L"win7"}) {
        SCOPED_TRACE(version);
        CleanMachine clean;
        {
            CRegistryKey key;
            ASSERT_EQ(key.Create(HKEY_CURRENT_USER, appDefaults.c_str()), ERROR_SUCCESS);
            key.WriteString(L"Version", version);
        }
        WizardDriver run;
        ASSERT_TRUE(StartSetup(run));
        ASSERT_TRUE(WalkSetupToPage4(run));
        ASSERT_TRUE(InstallAndWaitForFinish(run));
        ASSERT_TRUE(Finish(run, true));
        SHDeleteKeyW(HKEY_CURRENT_USER, appDefaults.c_str());
        const bool xp = lstrcmpW(version, L"winxp64") == 0;
        DWORD pid = 0;
        EXPECT_EQ(WaitUntil([&] { return (pid = FindRunningApp()) != 0; }, xp ? 30000 : kNoReaction), xp);
        if (pid) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
            WCHAR path[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            typedef BOOL(WINAPI * QueryName)(HANDLE, DWORD, LPWSTR, PDWORD);
            const QueryName query = reinterpret_cast<QueryName>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
            if (query && query(process, 0, path, &size)) {
                EXPECT_EQ(lstrcmpiW(path, AppExePath(DefaultDir()).c_str()), 0) << path;
            }
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
    }
}
