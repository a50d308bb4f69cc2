// Installations through Setup's windows under Wine, the first from the
// unpacked release kit: where the pages' choices (all users or the current
// user, the typed path as typed, the optional shortcuts, "runnowbtn") take
// the installation, its removal by the installed Uninstall.exe, the progress
// page closed from outside, the wrong-path stop, a damaged payload, and the
// launch of the calendar. What an installation leaves in detail, a cancel at
// every checkpoint and a cancel into the desktop: EngineTest.*. Cancels from
// the windows, every way out and the files that cannot be written are the
// fault suite's (tools/faults; its quick subset runs with these tests).
#include <gtest/gtest.h>

#include "setup_e2e.h"

#include "product.h"
#include "running_app.h"
#include "test_zip.h"
#include "wait_until.h"

#include <shlobj.h>
#include <shlwapi.h>

using namespace setup_test;
using namespace testing_support;

namespace {

void ExpectNothingOfTheProduct()
{
    for (int allUsers : {0, 1}) {
        EXPECT_FALSE(RecordExists(RecordRoot(allUsers)));
        EXPECT_EQ(AutostartValue(RecordRoot(allUsers)), L"<none>");
        EXPECT_FALSE(Exists(ComposeShortcutPaths(allUsers).programsGroup));
    }
    EXPECT_FALSE(Exists(ComposeShortcutPaths(1).desktopLink));
    EXPECT_FALSE(Exists(ComposeShortcutPaths(1).quickLaunchLink));
}

// Recorded and linked under the root of `allUsers` only, as typed.
void ExpectInstalled(const std::wstring& dir, int allUsers, bool optionalShortcuts)
{
    EXPECT_EQ(RecordString(RecordRoot(allUsers), kValueInstallLocation), dir);
    EXPECT_EQ(RecordString(RecordRoot(allUsers), kValueUninstallString), UninstallCommand(dir));
    EXPECT_FALSE(RecordExists(RecordRoot(!allUsers)));
    const ShortcutPaths links = ComposeShortcutPaths(allUsers);
    EXPECT_TRUE(Exists(links.appLink));
    EXPECT_FALSE(Exists(ComposeShortcutPaths(!allUsers).appLink));
    EXPECT_EQ(Exists(links.desktopLink), optionalShortcuts);
    EXPECT_EQ(Exists(links.quickLaunchLink), optionalShortcuts);
    EXPECT_TRUE(Exists(dir + (dir.back() == L'\\' ? L"" : L"\\") + kAppFileName));
}

// The program file of process `pid`, which is ended then.
std::wstring EndProcess(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    WCHAR path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    typedef BOOL(WINAPI * QueryName)(HANDLE, DWORD, LPWSTR, PDWORD);
    const QueryName query = reinterpret_cast<QueryName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
    if (query)
        query(process, 0, path, &size);
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    return path;
}

// The installed Uninstall.exe removes everything, its own folder last.
void RemoveWithTheInstalledUninstaller(const std::wstring& dir)
{
    WizardDriver run;
    ASSERT_TRUE(run.Start(dir + L"\\" + kUninstallerFileName, kUninstallSkinFileName));
    ASSERT_NE(run.WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml"), nullptr);
    ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page11", 30000));
    ASSERT_TRUE(run.Click(L"Page11", L"finishbtn"));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(dir); }, 30000, 100)) << "the installation folder stays";
    ExpectNothingOfTheProduct();
}

} // namespace

// The 64-bit release kit, made the same way as the shipped one, unpacked
// into a folder of its own: its Setup installs for all users by default with
// every shortcut and does not start the calendar with "runnowbtn" cleared;
// the installed Uninstall removes it all, with the folder Setup made above it.
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
    ExpectInstalled(DefaultInstallDir(), 1, true);
    RemoveWithTheInstalledUninstaller(DefaultInstallDir());
    EXPECT_TRUE(WaitUntil([] { return !Exists(ShellPath(CSIDL_PROGRAM_FILES, L"QRVL")); }, 30000, 100));
    EXPECT_TRUE(Exists(ShellPath(CSIDL_PROGRAM_FILES)));
}

// For the current user into a path with spaces, without the optional
// shortcuts; into a path typed with a trailing backslash, which stays in the
// record (the commands then hold a doubled one before the file name). The
// launch: Wine told to report Windows XP to Setup, the calendar starts
// through the shell from the installation folder; told to report Windows 7,
// Setup registers a task (Wine's Task Scheduler cannot) and ends cleanly
// without starting it itself.
TEST(SetupInstall, TheInstallationGoesWhereThePagesSay)
{
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\Setup.exe";
    ScratchDir parent(L"typed");
    const struct {
        std::wstring typed;
        bool onlyMe;
        const wchar_t* reported;  // the Windows version Setup is told
        bool removeAfter;         // by the installed Uninstall, the parent staying
    } cases[] = {{parent / L"VELT Calendar 日历", true, L"winxp64", true}, {parent / L"Velt\\", false, L"win7", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reported);
        CleanMachine clean;
        ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, appDefaults, L"Version", c.reported));
        WizardDriver run;
        ASSERT_TRUE(StartSetup(run));
        ASSERT_TRUE(WalkSetupToPage4(run, c.onlyMe));
        ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", c.typed));
        ASSERT_TRUE(!c.onlyMe || (run.Click(L"Page4", L"desktopscbtn") && run.Click(L"Page4", L"startmenuscbtn")));
        ASSERT_TRUE(InstallAndWaitForFinish(run));
        ASSERT_TRUE(Finish(run, true));
        SHDeleteKeyW(HKEY_CURRENT_USER, appDefaults.c_str());
        ExpectInstalled(c.typed, !c.onlyMe, !c.onlyMe);
        const bool xp = lstrcmpW(c.reported, L"winxp64") == 0;
        DWORD pid = 0;
        EXPECT_EQ(WaitUntil([&] { return (pid = FindRunningApp()) != 0; }, xp ? 30000 : kNoReaction), xp);
        EXPECT_TRUE(!pid || lstrcmpiW(EndProcess(pid).c_str(), AppExePath(c.typed).c_str()) == 0);
        if (c.removeAfter) {
            RemoveWithTheInstalledUninstaller(c.typed);
            EXPECT_TRUE(Exists(parent.Path()));
        }
    }
}

// WM_CLOSE from outside to the progress page itself during the
// installation: rolled back, Setup ends with 0. (The frame's ways out at
// every phase are the fault suite's quit family.)
TEST(SetupInstall, ClosingTheProgressPageRollsTheInstallationBack)
{
    CleanMachine clean;
    ScratchDir parent(L"quit");
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run, L"SetupLargeTest.exe"));
    ASSERT_TRUE(WalkSetupToPage4(run));
    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", parent / L"VELT"));
    ASSERT_TRUE(run.Click(L"Page4", L"nextbtn") && run.WaitPageVisible(L"Page6", 10000));
    ASSERT_TRUE(WaitUntil([&] { return run.ProgressWidth(L"Page6") > 20; }, 60000));
    ASSERT_TRUE(PostMessageW(run.Page(L"Page6"), WM_CLOSE, 0, 0));
    EXPECT_TRUE(EndsWithZero(run, 120000));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(parent / L"VELT"); }, 30000, 100));
    ExpectNothingOfTheProduct();
}

// A directory that cannot be made (a drive that does not exist, a field
// emptied with Backspace): the message, the page stays; its cancel then
// removes the record that was written.
TEST(SetupInstall, AWrongPathStopsAndCancelRemovesTheRecord)
{
    for (const auto& [typed, shown] : {std::pair{L"Q:\\no drive\\VELT", L"Q:\\no drive\\VELT"}, {L"\b", L""}}) {
        SCOPED_TRACE(shown);
        CleanMachine clean;
        WizardDriver run;
        ASSERT_TRUE(StartSetup(run));
        ASSERT_TRUE(WalkSetupToPage4(run));
        ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", typed));
        ASSERT_TRUE(WaitUntil([&] { return EditText(run, L"Page4", L"pathedit") == shown; }, 5000));
        ASSERT_TRUE(run.Click(L"Page4", L"nextbtn"));
        const MessageBoxSeen seen = run.WaitMessageBox(20000, kCaptionError, kMsgBadInstallPath);
        ASSERT_TRUE(seen.box && WizardDriver::Answer(seen, IDOK));
        EXPECT_TRUE(run.PageVisible(L"Page6"));
        EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE));
        ASSERT_TRUE(run.Click(L"Page6", L"cancelbtn") && AnswerQuitQuestion(run, IDYES));
        EXPECT_TRUE(EndsWithZero(run));
        ExpectNothingOfTheProduct();
    }
}

// A damaged payload: the message, then the rollback; nothing of the
// product. (The engine's outcome: EngineTest.ADamagedOrMissingPayload...)
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
    ASSERT_TRUE(seen.box && WizardDriver::Answer(seen, IDOK));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(parent / L"damaged"); }, 30000, 100));
    ExpectNothingOfTheProduct();
}
