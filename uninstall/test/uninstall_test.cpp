// Uninstall.exe under Wine, driven only through its windows: the fake
// installation is laid out as Setup leaves it, Uninstall is started from it,
// its buttons are clicked by name (their places come from Uninstall.DAT's
// layouts), and then the registry, the files and the shortcuts are checked.
#include "fake_installation.h"
#include "gdi_handles.h"
#include "wizard_driver.h"

#include "install_record.h"
#include "product.h"
#include "registry_key.h"
#include "test_support.h"
#include "wait_until.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <set>

using namespace testing_support;

namespace {

bool AutostartExists(HKEY root)
{
    return AutostartValue(root) != L"<none>";
}

bool Gone(const std::wstring& path, DWORD ms)
{
    return WaitUntil([&] { return !Exists(path); }, ms, 100);
}

// Uninstall's three files in a folder are gone.
bool UninstallerGone(const std::wstring& dir, DWORD ms)
{
    return WaitUntil(
        [&] {
            return !Exists(dir + L"\\Uninstall.exe") && !Exists(dir + L"\\Uninstall.DAT") &&
                   !Exists(dir + L"\\DuiLibu.dll");
        },
        ms, 100);
}

// Starts <dir>\\Uninstall.exe (current directory: `workDir`, by default the
// temporary folder) and waits for its confirmation frame.
bool StartUninstall(WizardDriver& run, const std::wstring& dir, const std::wstring& workDir = L"")
{
    return run.Start(dir + L"\\" + kUninstallerFileName, kUninstallSkinFileName, workDir) &&
           run.WaitFrame(kUninstallWindowTitle, 20000, L"Page9Wnd.xml") != nullptr;
}

// Clicks "nextbtn" and waits for the completion page; then "finishbtn" and
// waits for the exit. While Uninstall runs its folder must still be there.
void RemoveThroughTheWizard(WizardDriver& run, const std::wstring& dir)
{
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page11", 20000));
    EXPECT_TRUE(run.WaitPageHidden(L"Page10", 5000));
    EXPECT_TRUE(Exists(dir + L"\\Uninstall.exe")) << "removed while Uninstall still runs";
    ASSERT_TRUE(run.Click(L"Page11", L"finishbtn"));
    // Until the process has ended, its folder and files stay.
    bool stayed = true;
    const bool exited = WaitUntil(
        [&] {
            const bool running = run.Running();
            if (running && !Exists(dir + L"\\Uninstall.exe"))
                stayed = false;
            return !running;
        },
        20000, 20);
    EXPECT_TRUE(stayed) << "removed before Uninstall ended";
    ASSERT_TRUE(exited);
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(0, &code));
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

// Something of the machine-wide installation is gone.
bool AnyTraceGone(const FakeInstallation& install)
{
    return !RecordExists(HKEY_LOCAL_MACHINE) || !AutostartExists(HKEY_LOCAL_MACHINE) ||
           !Exists(install.Dir() + L"\\Uninstall.exe") || !Exists(install.Dir() + L"\\res\\profile.xml") ||
           !Exists(ComposeShortcutPaths(1).appLink);
}

} // namespace

// Started in its own folder, as a double click in the folder starts it (the
// folder is then the program's current directory, and a child's unless told
// otherwise). Also: a "Quorvel" programs group shared with another product
// stays with that product's shortcut; only this product's folder in it goes.
TEST(UninstallWizard, FullRemovalForAllUsersEndsWithTheFolderGoneAfterExit)
{
    InstallOptions options;
    options.recordRoot = 1;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    ASSERT_TRUE(Exists(ComposeShortcutPaths(1).appLink));
    const std::wstring other = ShellPath(CSIDL_COMMON_PROGRAMS, L"Quorvel\\Other Product\\Other.lnk");
    ASSERT_TRUE(MakeDirs(other.substr(0, other.find_last_of(L'\\'))));
    ASSERT_TRUE(WriteBytes(other, "other"));
    WizardDriver run;
    ASSERT_TRUE(StartUninstall(run, install.Dir(), install.Dir()));
    ASSERT_EQ(1u, run.VisibleTopLevelWindows().size());
    RemoveThroughTheWizard(run, install.Dir());

    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(AutostartExists(HKEY_LOCAL_MACHINE));
    const ShortcutPaths links = ComposeShortcutPaths(1);
    EXPECT_FALSE(Exists(links.programsProduct));
    EXPECT_FALSE(Exists(links.desktopLink));
    EXPECT_FALSE(Exists(links.quickLaunchLink));
    EXPECT_TRUE(Exists(links.programsGroup));
    EXPECT_EQ("other", FileContent(other));
    EXPECT_TRUE(Gone(install.Dir(), 30000)) << "the installation folder stays after Uninstall ended";
    EXPECT_TRUE(Exists(install.Parent()));
}

// The current user's record with its location removes the current user's
// installation, also when a machine-wide record without "InstallLocation"
// is there (which stays). (Without it: SetupInstall.ForTheCurrentUser...)
TEST(UninstallWizard, CurrentUserRecordWithLocationWinsOverAMachineRecordWithout)
{
    InstallOptions options;
    options.recordRoot = 0;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    CRegistryKey machine;
    ASSERT_EQ(ERROR_SUCCESS, machine.Create(HKEY_LOCAL_MACHINE, InstallRecordKeyPath(kProductKey).c_str()));
    machine.WriteString(kValueDisplayName, kDisplayName);
    machine.Close();
    WizardDriver run;
    ASSERT_TRUE(StartUninstall(run, install.Dir()));
    RemoveThroughTheWizard(run, install.Dir());
    EXPECT_FALSE(RecordExists(HKEY_CURRENT_USER));
    EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(AutostartExists(HKEY_CURRENT_USER));
    ExpectShortcutsGone(0);
    EXPECT_TRUE(Gone(install.Dir(), 30000));
}

TEST(UninstallWizard, WithoutAnyRecordNothingIsDeletedFromTheFolder)
{
    InstallOptions options;
    options.recordRoot = -1;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    WizardDriver run;
    ASSERT_TRUE(StartUninstall(run, install.Dir()));
    RemoveThroughTheWizard(run, install.Dir());
    // Longer than a delayed removal would take.
    EXPECT_FALSE(WaitUntil(
        [&] {
            return !Exists(install.Dir() + L"\\VELT电子日历.exe") || !Exists(install.Dir() + L"\\Uninstall.exe") ||
                   !Exists(install.Dir() + L"\\res\\profile.xml");
        },
        4000, 100));
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
        WizardDriver run;
        ASSERT_TRUE(StartUninstall(run, install.Dir()));
        RemoveThroughTheWizard(run, install.Dir());
        EXPECT_TRUE(UninstallerGone(install.Dir(), 30000));
        EXPECT_EQ("dear diary", FileContent(install.Dir() + L"\\letters\\2024.txt"));
        EXPECT_EQ(big, FileContent(install.Dir() + L"\\big.bin"));
        EXPECT_EQ("my picture", FileContent(install.Dir() + L"\\res\\image\\mine.png"));
        EXPECT_FALSE(Exists(install.Dir() + L"\\VELT电子日历.exe"));
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
        WizardDriver run;
        ASSERT_TRUE(StartUninstall(run, desktop));
        RemoveThroughTheWizard(run, desktop);
        EXPECT_TRUE(UninstallerGone(desktop, 30000));
        EXPECT_FALSE(WaitUntil([&] { return !Exists(desktop) || !Exists(desktop + L"\\VeltTest-notes.txt"); },
                               2000, 100));
        EXPECT_EQ("my notes", FileContent(desktop + L"\\VeltTest-notes.txt"));
        EXPECT_FALSE(Exists(desktop + L"\\VELT电子日历.exe"));
        EXPECT_FALSE(Exists(desktop + L"\\res"));
        EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
        // The next round lays Uninstall's files out in the same folder again:
        // this round's delayed removal must have finished first.
        EXPECT_TRUE(run.WaitChildrenEnded(L"cmd.exe", 30000));
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
    WizardDriver run;
    ASSERT_TRUE(StartUninstall(run, elsewhere.Path()));
    RemoveThroughTheWizard(run, elsewhere.Path());
    EXPECT_TRUE(Gone(install.Dir(), 30000)) << "the recorded installation stays";
    EXPECT_FALSE(WaitUntil(
        [&] { return !Exists(elsewhere / L"Uninstall.exe") || !Exists(elsewhere / L"DuiLibu.dll"); }, 3000, 100))
        << "a folder that is no installation was touched";
    EXPECT_EQ("tool", FileContent(elsewhere / L"tool.txt"));
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
}

// "nextbtn" by a click, then by its shortcut Alt+N: refused both times.
TEST(UninstallWizard, RunningApplicationIsRefusedUntilItHasEnded)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    ScratchDir appDir(L"app");
    ChildProcess calendar;
    ASSERT_TRUE(calendar.StartSleeper(appDir / L"VELT电子日历.exe"));

    WizardDriver run;
    ASSERT_TRUE(StartUninstall(run, install.Dir()));
    for (int press = 0; press < 2; ++press) {
        if (press == 0)
            ASSERT_TRUE(run.Click(L"nextbtn"));
        else
            ASSERT_TRUE(run.PressAlt(L'n'));
        const MessageBoxSeen seen = run.WaitMessageBox(10000);
        ASSERT_TRUE(seen.box != nullptr);
        EXPECT_EQ(kCaptionNotice, seen.caption);
        EXPECT_EQ(kMsgAppRunning, seen.text);
        EXPECT_EQ(GetWindow(seen.box, GW_OWNER), run.Frame()) << "owned by the frame";
        ASSERT_TRUE(WizardDriver::Answer(seen, IDOK));
        EXPECT_FALSE(run.WaitPageVisible(L"Page10", 500));
        EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE));
        EXPECT_TRUE(Exists(install.Dir() + L"\\VELT电子日历.exe"));
    }
    calendar.Terminate();
    RemoveThroughTheWizard(run, install.Dir());
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(Gone(install.Dir(), 30000));
}

TEST(UninstallWizard, CancelCloseAndAltF4OnTheFrameRemoveNothing)
{
    // "cancelbtn", "closebtn", Alt+F4 (the close command) and a WM_CLOSE from outside.
    for (const wchar_t* way : {L"cancelbtn", L"closebtn", L"Alt+F4", L"WM_CLOSE"}) {
        InstallOptions options;
        FakeInstallation install(options);
        ASSERT_TRUE(install.Ok());
        WizardDriver run;
        ASSERT_TRUE(StartUninstall(run, install.Dir()));
        if (std::wstring(way) == L"Alt+F4")
            ASSERT_TRUE(run.PostSysClose());
        else if (std::wstring(way) == L"WM_CLOSE")
            ASSERT_TRUE(run.PostClose());
        else
            ASSERT_TRUE(run.Click(way));
        DWORD code = 99;
        ASSERT_TRUE(run.WaitExit(10000, &code)) << way;
        EXPECT_EQ(0u, code) << way;
        // A removal would have started by now.
        EXPECT_FALSE(WaitUntil([&] { return AnyTraceGone(install); }, 3000, 100)) << way;
    }
}

// Alt+F4, "closebtn", and the progress page's cancel answered Yes while the
// removal runs: the removal finishes and Uninstall ends with 0 without
// touching released windows. Answered No: the removal goes on to the
// completion page.
TEST(UninstallWizard, QuitDuringTheRemovalLetsTheRemovalFinishWithoutTouchingReleasedWindows)
{
    for (int way = 0; way < 4; ++way) {
        SCOPED_TRACE(way);
        InstallOptions options;
        FakeInstallation install(options);
        ASSERT_TRUE(install.Ok());
        WizardDriver run;
        ASSERT_TRUE(StartUninstall(run, install.Dir()));
        // Both go into the queue together: the quit arrives while the worker runs.
        ASSERT_TRUE(run.Click(L"nextbtn"));
        if (way == 0) {
            ASSERT_TRUE(run.PostSysClose());
        } else if (way == 1) {
            ASSERT_TRUE(run.Click(L"closebtn"));
        } else {
            ASSERT_TRUE(run.Click(L"Page10", L"cancelbtn"));
            const MessageBoxSeen seen = run.WaitMessageBox(10000);
            ASSERT_TRUE(seen.box != nullptr);
            EXPECT_EQ(kCaptionNotice, seen.caption);
            EXPECT_EQ(kMsgQuitQuestion, seen.text);
            ASSERT_TRUE(WizardDriver::Answer(seen, way == 2 ? IDYES : IDNO));
        }
        if (way == 3) {
            ASSERT_TRUE(run.WaitPageVisible(L"Page11", 20000)) << "the removal goes on after No";
            ASSERT_TRUE(run.Click(L"Page11", L"finishbtn"));
        }
        DWORD code = 99;
        ASSERT_TRUE(run.WaitExit(20000, &code));
        EXPECT_EQ(0u, code) << "Uninstall did not end cleanly";
        EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
        EXPECT_FALSE(AutostartExists(HKEY_LOCAL_MACHINE));
        ExpectShortcutsGone(1);
        EXPECT_TRUE(Gone(install.Dir(), 30000));
    }
}

// The bar shows only the worker's widths, never shrinking, while the
// progress page covers the frame.
TEST(UninstallWizard, ProgressPageCoversTheFrameWhileALargeInstallationGoes)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    for (int i = 0; i < 1500; ++i)
        ASSERT_TRUE(WriteBytes(install.Dir() + L"\\res\\image\\weather\\extra" + std::to_wstring(i) + L".png", "x"));
    WizardDriver run;
    ASSERT_TRUE(StartUninstall(run, install.Dir()));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page10", 10000));
    std::vector<int> widths;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const int width = run.ProgressWidth(L"Page10");
            if (width >= 0 && (widths.empty() || widths.back() != width))
                widths.push_back(width);
            return run.PageVisible(L"Page11");
        },
        60000, 10));
    ASSERT_FALSE(widths.empty()) << "the bar was never read";
    for (size_t i = 0; i < widths.size(); ++i) {
        EXPECT_TRUE(std::set<int>({1, 158, 316, 474}).count(widths[i])) << "width " << widths[i];
        if (i > 0) {
            EXPECT_GT(widths[i], widths[i - 1]);
        }
    }
    EXPECT_TRUE(IsWindowVisible(run.Frame())) << "the frame stays beneath the pages";
    ASSERT_TRUE(run.Click(L"Page11", L"finishbtn"));
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(Gone(install.Dir(), 60000));
}

// The frame: maximised to the work area and restored, and minimised by its
// button. (Its region and hit test: WizardWindow.*, on the real layout's
// round corner and caption band: SkinLayout.EveryLayoutMeetsTheWindowContract.)
TEST(UninstallWizard, FrameMaximisesRestoresAndMinimises)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    WizardDriver run;
    ASSERT_TRUE(StartUninstall(run, install.Dir()));
    RECT rc = {};
    GetWindowRect(run.Frame(), &rc);
    EXPECT_EQ(517, rc.right - rc.left);
    EXPECT_EQ(397, rc.bottom - rc.top);

    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT now = {};
    auto sizeIs = [&](LONG width, LONG height) {
        GetWindowRect(run.Frame(), &now);
        return now.right - now.left == width && now.bottom - now.top == height;
    };
    auto seen = [&] {
        return std::to_string(now.left) + "," + std::to_string(now.top) + " " +
               std::to_string(now.right - now.left) + "x" + std::to_string(now.bottom - now.top);
    };
    PostMessageW(run.Frame(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsZoomed(run.Frame()) != FALSE; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return sizeIs(work.right - work.left, work.bottom - work.top); }, 5000))
        << seen();
    // Square while maximised; round again once restored.
    auto regionBox = [&] {
        RECT box = {-1, -1, -1, -1};
        GdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
        if (GetWindowRgn(run.Frame(), region.Get()) != ERROR)
            GetRgnBox(region.Get(), &box);
        return box;
    };
    EXPECT_EQ(regionBox().right, -1) << "a region on the maximised window";
    PostMessageW(run.Frame(), WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsZoomed(run.Frame()); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return sizeIs(517, 397); }, 5000))
        << seen();
    EXPECT_TRUE(WaitUntil([&] { return regionBox().right == 517 && regionBox().bottom == 397; }, 5000))
        << regionBox().right << "x" << regionBox().bottom;

    ASSERT_TRUE(run.Click(L"minbtn"));
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(run.Frame()) != FALSE; }, 5000));
    ASSERT_TRUE(run.PostSysClose());
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE));
}
