// Uninstall.exe under Wine, driven only through its windows: the fake
// installation is laid out as Setup leaves it, Uninstall is started from it,
// its buttons are clicked with mouse messages at their layout positions, and
// then the registry, the files and the shortcuts are checked.
#include "uninstall_driver.h"

#include "product.h"
#include "registry_key.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace testing_support;
using namespace uninstall_test;

namespace {

bool RecordExists(HKEY root)
{
    CRegistryKey key;
    return key.Open(root, InstallRecordKeyPath(kProductKey).c_str(), KEY_READ) == ERROR_SUCCESS;
}

bool AutostartExists(HKEY root)
{
    CRegistryKey key;
    if (key.Open(root, kRunKey, KEY_READ) != ERROR_SUCCESS)
        return false;
    return RegQueryValueExW(key.Handle(), kAutostartValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string Content(const std::wstring& path)
{
    std::string bytes;
    ReadBytes(path, &bytes);
    return bytes;
}

// Screenshots go beside the test program ("shots\\<name>.bmp").
void Shot(const wchar_t* name)
{
    MakeDirs(ModuleDir() + L"\\shots");
    SaveScreenshot(ModuleDir() + L"\\shots\\" + name + L".bmp");
}

// Clicks "nextbtn" and waits for the completion page; then "finishbtn" and
// waits for the exit. While Uninstall runs its folder must still be there.
void RemoveThroughTheWizard(UninstallRun& run, const std::wstring& dir, const wchar_t* shotPrefix)
{
    UninstallRun::Click(run.Frame(), kFrameNext);
    ASSERT_TRUE(run.WaitPageVisible(L"Page11", 20000));
    for (int i = 0; i < 100 && run.PageVisible(L"Page10"); ++i)
        Sleep(50);
    EXPECT_FALSE(run.PageVisible(L"Page10"));
    Sleep(300);
    if (shotPrefix)
        Shot((std::wstring(shotPrefix) + L"-completion").c_str());
    EXPECT_TRUE(Exists(dir + L"\\Uninstall.exe")) << "removed while Uninstall still runs";
    UninstallRun::Click(run.Page(L"Page11"), kPageFinish);
    // Until the process has ended, its folder and files stay.
    for (;;) {
        const bool exited = WaitForSingleObject(run.Process(), 20) == WAIT_OBJECT_0;
        if (exited)
            break;
        ASSERT_TRUE(Exists(dir + L"\\Uninstall.exe")) << "removed before Uninstall ended";
    }
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(1000, &code));
    EXPECT_EQ(0u, code);
}

void ExpectShortcutsGone(int allUsers)
{
    const ShortcutPaths links = ComposeShortcutPaths(allUsers);
    EXPECT_FALSE(Exists(links.programsProduct));
    EXPECT_FALSE(Exists(links.programsGroup));
    EXPECT_FALSE(Exists(links.desktopLink));
    EXPECT_FALSE(Exists(links.quickLaunchLink));
}

} // namespace

TEST(UninstallWizard, FullRemovalForAllUsersEndsWithTheFolderGoneAfterExit)
{
    InstallOptions options;
    options.recordRoot = 1;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    ASSERT_TRUE(Exists(ComposeShortcutPaths(1).appLink));
    UninstallRun run;
    ASSERT_TRUE(run.Start(install.Dir()));
    Shot(L"uninstall-1-confirmation");
    ASSERT_EQ(1u, run.VisibleTopLevelWindows().size());
    RemoveThroughTheWizard(run, install.Dir(), L"uninstall-3");

    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(AutostartExists(HKEY_LOCAL_MACHINE));
    ExpectShortcutsGone(1);
    EXPECT_TRUE(WaitGone(install.Dir(), 30000)) << "the installation folder stays after Uninstall ended";
    EXPECT_TRUE(Exists(install.Parent()));
}

TEST(UninstallWizard, CurrentUserRecordWithLocationRemovesTheCurrentUsersInstallation)
{
    InstallOptions options;
    options.recordRoot = 0;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    UninstallRun run;
    ASSERT_TRUE(run.Start(install.Dir()));
    RemoveThroughTheWizard(run, install.Dir(), nullptr);
    EXPECT_FALSE(RecordExists(HKEY_CURRENT_USER));
    EXPECT_FALSE(AutostartExists(HKEY_CURRENT_USER));
    ExpectShortcutsGone(0);
    EXPECT_TRUE(WaitGone(install.Dir(), 30000));
}

TEST(UninstallWizard, MachineRecordWithoutLocationFallsBackToTheCurrentUsersRecord)
{
    InstallOptions options;
    options.recordRoot = 0;  // the installation and its record with "InstallLocation"
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    {
        CRegistryKey machine;  // a machine-wide record without "InstallLocation"
        ASSERT_EQ(ERROR_SUCCESS, machine.Create(HKEY_LOCAL_MACHINE, InstallRecordKeyPath(kProductKey).c_str()));
        machine.WriteString(kValueDisplayName, kDisplayName);
    }
    UninstallRun run;
    ASSERT_TRUE(run.Start(install.Dir()));
    RemoveThroughTheWizard(run, install.Dir(), nullptr);
    EXPECT_FALSE(RecordExists(HKEY_CURRENT_USER));
    EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE)) << "the machine-wide record stays";
    EXPECT_FALSE(AutostartExists(HKEY_CURRENT_USER));
    ExpectShortcutsGone(0);
    EXPECT_TRUE(WaitGone(install.Dir(), 30000));
}

TEST(UninstallWizard, WithoutAnyRecordNothingIsDeletedFromTheFolder)
{
    InstallOptions options;
    options.recordRoot = -1;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    UninstallRun run;
    ASSERT_TRUE(run.Start(install.Dir()));
    RemoveThroughTheWizard(run, install.Dir(), nullptr);
    Sleep(4000);  // longer than a delayed removal would take
    EXPECT_TRUE(Exists(install.Dir() + L"\\VELT电子日历.exe"));
    EXPECT_TRUE(Exists(install.Dir() + L"\\Uninstall.exe"));
    EXPECT_TRUE(Exists(install.Dir() + L"\\res\\profile.xml"));
    // The shortcuts are still attempted.
    ExpectShortcutsGone(1);
}

TEST(UninstallWizard, PreexistingFolderKeepsEveryByteOfTheUsersFiles)
{
    const std::string big(100000, 'q');
    for (Manifest manifest : {Manifest::PreexistingDirectory, Manifest::None, Manifest::Damaged}) {
        InstallOptions options;
        options.recordRoot = 1;
        options.manifest = manifest;
        options.userFiles = {{L"letters\\2024.txt", "dear diary"}, {L"big.bin", big},
                             {L"res\\image\\mine.png", "my picture"}};
        FakeInstallation install(options);
        ASSERT_TRUE(install.Ok());
        UninstallRun run;
        ASSERT_TRUE(run.Start(install.Dir()));
        RemoveThroughTheWizard(run, install.Dir(), nullptr);
        EXPECT_TRUE(WaitGone(install.Dir() + L"\\DuiLibu.dll", 30000));
        Sleep(1500);
        EXPECT_EQ("dear diary", Content(install.Dir() + L"\\letters\\2024.txt"));
        EXPECT_EQ(big, Content(install.Dir() + L"\\big.bin"));
        EXPECT_EQ("my picture", Content(install.Dir() + L"\\res\\image\\mine.png"));
        EXPECT_FALSE(Exists(install.Dir() + L"\\VELT电子日历.exe"));
        EXPECT_FALSE(Exists(install.Dir() + L"\\Uninstall.exe"));
        EXPECT_FALSE(Exists(install.Dir() + L"\\Uninstall.DAT"));
        EXPECT_FALSE(Exists(install.Dir() + L"\\res\\image\\weather"));
        EXPECT_FALSE(Exists(install.Dir() + L"\\res\\profile.xml"));
        EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    }
}

TEST(UninstallWizard, InstallationStraightIntoTheDesktopLeavesTheDesktopAndItsFiles)
{
    const std::wstring desktop = ShellPath(CSIDL_DESKTOPDIRECTORY, L"");
    for (Manifest manifest : {Manifest::None, Manifest::CreatedDirectory}) {
        InstallOptions options;
        options.intoFolder = desktop;
        options.manifest = manifest;  // even a manifest that claims the desktop
        options.userFiles = {{L"VeltTest-notes.txt", "my notes"}};
        FakeInstallation install(options);
        ASSERT_TRUE(install.Ok());
        UninstallRun run;
        ASSERT_TRUE(run.Start(desktop));
        RemoveThroughTheWizard(run, desktop, nullptr);
        EXPECT_TRUE(WaitGone(desktop + L"\\Uninstall.exe", 30000));
        Sleep(2000);
        EXPECT_TRUE(Exists(desktop));
        EXPECT_EQ("my notes", Content(desktop + L"\\VeltTest-notes.txt"));
        EXPECT_FALSE(Exists(desktop + L"\\VELT电子日历.exe"));
        EXPECT_FALSE(Exists(desktop + L"\\DuiLibu.dll"));
        EXPECT_FALSE(Exists(desktop + L"\\res"));
        EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    }
}

TEST(UninstallWizard, CopyRunFromElsewhereRemovesTheInstallationButNotItsOwnFolder)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    ScratchDir elsewhere(L"copy");
    for (const wchar_t* name : {L"Uninstall.exe", L"DuiLibu.dll", L"Uninstall.DAT"})
        ASSERT_TRUE(CopyFileW((install.Dir() + L"\\" + name).c_str(), (elsewhere / name).c_str(), FALSE));
    ASSERT_TRUE(WriteBytes(elsewhere / L"tool.txt", "tool"));
    UninstallRun run;
    ASSERT_TRUE(run.Start(elsewhere.Path()));
    RemoveThroughTheWizard(run, elsewhere.Path(), nullptr);
    EXPECT_TRUE(WaitGone(install.Dir(), 30000)) << "the recorded installation stays";
    Sleep(3000);
    EXPECT_TRUE(Exists(elsewhere / L"Uninstall.exe")) << "a folder that is no installation was touched";
    EXPECT_TRUE(Exists(elsewhere / L"DuiLibu.dll"));
    EXPECT_EQ("tool", Content(elsewhere / L"tool.txt"));
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
}

TEST(UninstallWizard, RunningApplicationIsRefusedUntilItHasEnded)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    ScratchDir appDir(L"app");
    const std::wstring app = appDir / L"VELT电子日历.exe";
    ASSERT_TRUE(CopyFileW((ModuleDir() + L"\\velt_test_helper.exe").c_str(), app.c_str(), FALSE));
    ChildProcess calendar;
    const std::wstring event = UniqueName(L"calendar");
    ASSERT_TRUE(calendar.Start(app, L"sleep 120000 " + event, event));

    UninstallRun run;
    ASSERT_TRUE(run.Start(install.Dir()));
    for (int press = 0; press < 2; ++press) {
        UninstallRun::Click(run.Frame(), kFrameNext);
        MessageBoxSeen seen;
        HWND box = run.WaitMessageBox(10000, &seen);
        ASSERT_TRUE(box != nullptr);
        if (press == 0)
            Shot(L"uninstall-0-running");
        EXPECT_EQ(kCaptionNotice, seen.caption);
        EXPECT_EQ(kMsgAppRunning, seen.text);
        UninstallRun::Answer(box, IDOK);
        Sleep(500);
        EXPECT_FALSE(run.PageVisible(L"Page10"));
        EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE));
        EXPECT_TRUE(Exists(install.Dir() + L"\\VELT电子日历.exe"));
    }
    calendar.Terminate();
    RemoveThroughTheWizard(run, install.Dir(), nullptr);
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(WaitGone(install.Dir(), 30000));
}

TEST(UninstallWizard, CancelCloseAndAltF4OnTheFrameRemoveNothing)
{
    // "cancelbtn", "closebtn", Alt+F4 (the close command) and a WM_CLOSE from outside.
    const POINT buttons[] = {kFrameCancel, kFrameClose, {-1, -1}, {-2, -2}};
    for (const POINT& button : buttons) {
        InstallOptions options;
        FakeInstallation install(options);
        ASSERT_TRUE(install.Ok());
        UninstallRun run;
        ASSERT_TRUE(run.Start(install.Dir()));
        if (button.x == -1)
            run.PostSysClose();
        else if (button.x == -2)
            PostMessageW(run.Frame(), WM_CLOSE, 0, 0);
        else
            UninstallRun::Click(run.Frame(), button);
        DWORD code = 99;
        ASSERT_TRUE(run.WaitExit(10000, &code));
        EXPECT_EQ(0u, code);
        Sleep(3000);  // a removal would have started by now
        EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE));
        EXPECT_TRUE(AutostartExists(HKEY_LOCAL_MACHINE));
        EXPECT_TRUE(Exists(install.Dir() + L"\\Uninstall.exe"));
        EXPECT_TRUE(Exists(install.Dir() + L"\\res\\profile.xml"));
        EXPECT_TRUE(Exists(ComposeShortcutPaths(1).appLink));
    }
}

TEST(UninstallWizard, QuitDuringTheRemovalLetsTheRemovalFinishWithoutTouchingReleasedWindows)
{
    for (int way = 0; way < 3; ++way) {
        InstallOptions options;
        FakeInstallation install(options);
        ASSERT_TRUE(install.Ok());
        UninstallRun run;
        ASSERT_TRUE(run.Start(install.Dir()));
        // Both go into the queue together: the quit arrives while the worker runs.
        UninstallRun::Click(run.Frame(), kFrameNext);
        if (way == 0) {
            run.PostSysClose();
        } else if (way == 1) {
            UninstallRun::Click(run.Frame(), kFrameClose);
        } else {
            UninstallRun::Click(run.Page(L"Page10"), kPageCancel);
            MessageBoxSeen seen;
            HWND box = run.WaitMessageBox(10000, &seen);
            ASSERT_TRUE(box != nullptr);
            EXPECT_EQ(kMsgQuitQuestion, seen.text);
            UninstallRun::Answer(box, IDYES);
        }
        DWORD code = 99;
        ASSERT_TRUE(run.WaitExit(20000, &code));
        EXPECT_EQ(0u, code) << "Uninstall did not end cleanly";
        EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
        EXPECT_FALSE(AutostartExists(HKEY_LOCAL_MACHINE));
        ExpectShortcutsGone(1);
        EXPECT_TRUE(WaitGone(install.Dir(), 30000));
    }
}

TEST(UninstallWizard, ProgressPageCancelAnsweredNoLetsTheRemovalGoOn)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    UninstallRun run;
    ASSERT_TRUE(run.Start(install.Dir()));
    UninstallRun::Click(run.Frame(), kFrameNext);
    UninstallRun::Click(run.Page(L"Page10"), kPageCancel);
    MessageBoxSeen seen;
    HWND box = run.WaitMessageBox(10000, &seen);
    ASSERT_TRUE(box != nullptr);
    Shot(L"uninstall-2-quit-question");
    EXPECT_EQ(kCaptionNotice, seen.caption);
    EXPECT_EQ(kMsgQuitQuestion, seen.text);
    UninstallRun::Answer(box, IDNO);
    ASSERT_TRUE(run.WaitPageVisible(L"Page11", 20000)) << "the removal goes on after No";
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    UninstallRun::Click(run.Page(L"Page11"), kPageFinish);
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(WaitGone(install.Dir(), 30000));
}

TEST(UninstallWizard, SharedQuorvelFolderOfAnotherProductStays)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    const std::wstring other = ShellPath(CSIDL_COMMON_PROGRAMS, L"Quorvel\\Other Product\\Other.lnk");
    ASSERT_TRUE(MakeDirs(other.substr(0, other.find_last_of(L'\\'))));
    ASSERT_TRUE(WriteBytes(other, "other"));
    UninstallRun run;
    ASSERT_TRUE(run.Start(install.Dir()));
    RemoveThroughTheWizard(run, install.Dir(), nullptr);
    EXPECT_EQ("other", Content(other));
    EXPECT_FALSE(Exists(ComposeShortcutPaths(1).programsProduct));
    EXPECT_TRUE(Exists(ComposeShortcutPaths(1).programsGroup));
    EXPECT_TRUE(WaitGone(install.Dir(), 30000));
}

TEST(UninstallWizard, ProgressPageCoversTheFrameWhileALargeInstallationGoes)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    for (int i = 0; i < 1500; ++i)
        ASSERT_TRUE(WriteBytes(install.Dir() + L"\\res\\image\\weather\\extra" + std::to_wstring(i) + L".png", "x"));
    UninstallRun run;
    ASSERT_TRUE(run.Start(install.Dir()));
    UninstallRun::Click(run.Frame(), kFrameNext);
    ASSERT_TRUE(run.WaitPageVisible(L"Page10", 10000));
    Sleep(200);
    Shot(L"uninstall-2-progress");
    ASSERT_TRUE(run.WaitPageVisible(L"Page11", 60000));
    EXPECT_TRUE(IsWindowVisible(run.Frame())) << "the frame stays beneath the pages";
    UninstallRun::Click(run.Page(L"Page11"), kPageFinish);
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(WaitGone(install.Dir(), 60000));
}

TEST(UninstallWizard, FrameHasRoundCornersAndMaximisesToTheWorkArea)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    UninstallRun run;
    ASSERT_TRUE(run.Start(install.Dir()));
    RECT rc = {};
    GetWindowRect(run.Frame(), &rc);
    EXPECT_EQ(517, rc.right - rc.left);
    EXPECT_EQ(397, rc.bottom - rc.top);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(run.Frame(), region)) << "no window region";
    EXPECT_FALSE(PtInRegion(region, 0, 0)) << "the corner is not cut";
    EXPECT_TRUE(PtInRegion(region, 258, 198));
    EXPECT_TRUE(PtInRegion(region, 516, 198));
    DeleteObject(region);

    PostMessageW(run.Frame(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    for (int i = 0; i < 100 && !IsZoomed(run.Frame()); ++i)
        Sleep(50);
    ASSERT_TRUE(IsZoomed(run.Frame()));
    Sleep(300);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(run.Frame(), &rc);
    EXPECT_EQ(work.right - work.left, rc.right - rc.left);
    EXPECT_EQ(work.bottom - work.top, rc.bottom - rc.top);
    PostMessageW(run.Frame(), WM_SYSCOMMAND, SC_RESTORE, 0);
    for (int i = 0; i < 100 && IsZoomed(run.Frame()); ++i)
        Sleep(50);
    GetWindowRect(run.Frame(), &rc);
    EXPECT_EQ(517, rc.right - rc.left);
    run.PostSysClose();
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
}

TEST(UninstallWizard, FrameMinimisesAndDragsByItsCaption)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    UninstallRun run;
    ASSERT_TRUE(run.Start(install.Dir()));
    RECT rc = {};
    GetWindowRect(run.Frame(), &rc);
    // The caption band is a drag area, the buttons in it are not.
    EXPECT_EQ(HTCAPTION, SendMessageW(run.Frame(), WM_NCHITTEST, 0,
                                      MAKELPARAM(rc.left + kFrameCaption.x, rc.top + kFrameCaption.y)));
    EXPECT_EQ(HTCLIENT, SendMessageW(run.Frame(), WM_NCHITTEST, 0,
                                     MAKELPARAM(rc.left + kFrameClose.x, rc.top + kFrameClose.y)));
    EXPECT_EQ(HTCLIENT, SendMessageW(run.Frame(), WM_NCHITTEST, 0, MAKELPARAM(rc.left + 200, rc.top + 200)));
    UninstallRun::Click(run.Frame(), kFrameMin);
    Sleep(1000);
    EXPECT_TRUE(IsIconic(run.Frame()));
    run.PostSysClose();
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(10000, &code));
    EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE));
}
