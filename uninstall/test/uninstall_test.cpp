// Uninstall.exe under Wine, driven only through its windows: the fake
// installation is laid out as Setup leaves it, Uninstall is started from it
// (or from a copy elsewhere), its buttons are clicked by name (their places
// come from Uninstall.DAT's layouts). Here what the windows add: the frame,
// the pages, the running calendar's refusal, the bar as the screen shows it,
// and Uninstall's own folder after it has ended. What the removal takes from
// the folder, the shortcuts, the autostart value and the record, for every
// kind of record and manifest: RemovalEngine.* (common/removal_worker_test.cpp).
// The completion page's line about files in use, as the screen shows it
// (the files held open, and nothing else: RemovalEngine.*). Quitting at the
// confirmation or during the removal: the fault suite's
// uninstall.no-nextbtn.* and quit.removal-uninstall.* cases. A control's
// shortcut key gives the click a mouse gives (the window library's Buttons.*
// tests; the layouts' shortcuts: SkinLayout.*).
#include "fake_installation.h"
#include "file_handle.h"
#include "gdi_handles.h"
#include "wizard_driver.h"

#include "product.h"
#include "wait_until.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <set>

using namespace testing_support;

namespace {

// On the completion page: the progress page has gone, the line about files
// in use says `left` (nothing when empty), Uninstall's folder is still
// there; `beforeFinish` runs; "finishbtn" ends Uninstall with 0, its folder
// staying until then.
void Finish(WizardDriver& run, const std::wstring& dir, const std::wstring& left = L"",
            const std::function<void()>& beforeFinish = {})
{
    EXPECT_TRUE(run.WaitPageHidden(L"Page10", 5000));
    EXPECT_TRUE(WaitUntil([&] { return run.ShowsText(L"Page11", L"leftlabel", left); }, 5000))
        << testing::PrintToString(left);
    if (beforeFinish)
        beforeFinish();
    EXPECT_TRUE(Exists(dir + L"\\Uninstall.exe")) << "removed while Uninstall still runs";
    ASSERT_TRUE(run.Click(L"Page11", L"finishbtn"));
    bool stayed = true;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const bool running = run.Running();
            stayed = stayed && (!running || Exists(dir + L"\\Uninstall.exe"));
            return !running;
        },
        20000, 20));
    EXPECT_TRUE(stayed) << "removed before Uninstall ended";
    EXPECT_TRUE(EndsWithZero(run, 0));
}

} // namespace

// Started in its own folder, as a double click in the folder starts it (the
// folder is then the program's current directory, and a child's unless told
// otherwise). The frame alone: maximised to the work area, square while
// maximised, restored with its round region, minimised by its button (its
// region and hit test: WizardWindow.*, on the real layout's round corner and
// caption band: SkinLayout.EveryLayoutMeetsTheWindowContract). Restored, the
// removal: the folder the installation made goes once Uninstall has ended,
// the folder above it stays.
TEST(UninstallWizard, TheFrameThenTheFullRemovalWithTheFolderGoneAfterExit)
{
    FakeInstallation install(InstallOptions{});
    ASSERT_TRUE(install.Ok());
    WizardDriver run;
    ASSERT_TRUE(StartUninstall(run, install.Dir(), install.Dir()));
    ASSERT_EQ(1u, VisibleWindowsOf(run.ProcessId()).size());
    HWND frame = run.Frame();
    RECT now = {};
    auto sizeIs = [&](LONG width, LONG height) {
        GetWindowRect(frame, &now);
        return now.right - now.left == width && now.bottom - now.top == height;
    };
    auto seen = [&] { return std::to_string(now.right - now.left) + "x" + std::to_string(now.bottom - now.top); };
    // The region's box, {-1, -1} without one.
    auto region = [&] {
        RECT box = {-1, -1, -1, -1};
        GdiObject<HRGN> rgn(CreateRectRgn(0, 0, 0, 0));
        if (GetWindowRgn(frame, rgn.Get()) != ERROR)
            GetRgnBox(rgn.Get(), &box);
        return std::pair{box.right, box.bottom};
    };
    EXPECT_TRUE(sizeIs(517, 397));
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    PostMessageW(frame, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsZoomed(frame) != FALSE; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return sizeIs(work.right - work.left, work.bottom - work.top); }, 5000)) << seen();
    EXPECT_EQ(region(), std::pair(-1L, -1L)) << "a region on the maximised window";
    PostMessageW(frame, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsZoomed(frame); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return sizeIs(517, 397); }, 5000)) << seen();
    EXPECT_TRUE(WaitUntil([&] { return region() == std::pair(517L, 397L); }, 5000))
        << region().first << "x" << region().second;
    ASSERT_TRUE(run.Click(L"minbtn"));
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(frame) != FALSE; }, 5000));
    PostMessageW(frame, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsIconic(frame) && sizeIs(517, 397); }, 5000)) << seen();

    ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page11", 20000));
    Finish(run, install.Dir());
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(install.Dir()); }, 30000, 100)) << "the folder stays after the end";
    EXPECT_TRUE(Exists(install.Parent()));
}

// Uninstall's own three files once it and its delayed removal have ended:
// from a folder the installation did not make (the user's, with its
// manifest; the desktop, without one) they go, and the folder and the user's
// file stay; a copy run from a folder of its own that is no installation
// removes the installation and leaves its own folder alone.
TEST(UninstallWizard, ItsOwnFilesGoAfterExitOnlyFromTheInstallation)
{
    ScratchDir existing(L"existing"), elsewhere(L"copy");
    const struct {
        const char* from;
        std::wstring intoFolder;  // empty: a fresh one, and Uninstall run from a copy elsewhere
        Manifest manifest;
    } cases[] = {{"the user's folder", existing.Path(), Manifest::PreexistingDirectory},
                 {"the desktop", ShellPath(CSIDL_DESKTOPDIRECTORY), Manifest::None},
                 {"a copy elsewhere", L"", Manifest::CreatedDirectory}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        const bool copy = c.intoFolder.empty();
        FakeInstallation install(
            {.manifest = c.manifest, .userFiles = {{L"VeltTest-notes.txt", "my notes"}}, .intoFolder = c.intoFolder});
        ASSERT_TRUE(install.Ok());
        const std::wstring dir = copy ? elsewhere.Path() : install.Dir();
        for (const wchar_t* name : {kUninstallerFileName, kUninstallSkinFileName, kWindowLibraryFileName})
            ASSERT_TRUE(!copy || CopyFileW((install.Dir() + L"\\" + name).c_str(), (dir + L"\\" + name).c_str(), 0));
        ASSERT_TRUE(!copy || WriteBytes(dir + L"\\VeltTest-notes.txt", "my notes"));
        WizardDriver run;
        ASSERT_TRUE(StartUninstall(run, dir));
        ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page11", 20000));
        Finish(run, dir);
        EXPECT_TRUE(run.WaitChildrenEnded(L"cmd.exe", 30000));
        for (const wchar_t* name : {kUninstallerFileName, kUninstallSkinFileName, kWindowLibraryFileName})
            EXPECT_EQ(Exists(dir + L"\\" + name), copy) << name;
        EXPECT_EQ("my notes", FileContent(dir + L"\\VeltTest-notes.txt"));
        EXPECT_EQ(Exists(install.Dir()), !copy) << "the installation";
    }
}

// The calendar runs: "nextbtn" is refused with a message owned by the frame.
// Once it has ended, the removal of a large installation runs: the progress
// page covers the frame and its bar shows only the worker's widths, never
// shrinking; its cancel answered No lets the removal go on to the completion
// page.
TEST(UninstallWizard, ARunningCalendarIsRefusedThenTheBarShowsTheRemoval)
{
    FakeInstallation install(InstallOptions{});
    ASSERT_TRUE(install.Ok());
    for (int i = 0; i < 1500; ++i)
        ASSERT_TRUE(WriteBytes(install.Dir() + L"\\res\\image\\weather\\extra" + std::to_wstring(i) + L".png", "x"));
    ScratchDir appDir(L"app");
    ChildProcess calendar;
    ASSERT_TRUE(calendar.StartSleeper(appDir / kAppFileName));
    WizardDriver run;
    ASSERT_TRUE(StartUninstall(run, install.Dir()));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    const MessageBoxSeen seen = run.WaitMessageBox(10000, kCaptionNotice, kMsgAppRunning);
    ASSERT_TRUE(seen.box != nullptr);
    EXPECT_EQ(GetWindow(seen.box, GW_OWNER), run.Frame()) << "owned by the frame";
    ASSERT_TRUE(WizardDriver::Answer(seen, IDOK));
    EXPECT_FALSE(run.WaitPageVisible(L"Page10", 500));
    EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(Exists(install.Dir() + L"\\" + kAppFileName));
    calendar.Terminate();

    ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page10", 10000));
    std::vector<int> widths;
    auto readUntilDone = [&] {
        const int width = run.ProgressWidth(L"Page10");
        if (width >= 0 && (widths.empty() || widths.back() != width))
            widths.push_back(width);
        return run.PageVisible(L"Page11");
    };
    ASSERT_TRUE(WaitUntil([&] { return readUntilDone() || !widths.empty(); }, 60000, 10));
    ASSERT_TRUE(run.Click(L"Page10", L"cancelbtn"));
    const MessageBoxSeen question = run.WaitMessageBox(10000, kCaptionNotice, kMsgQuitQuestion);
    ASSERT_TRUE(question.box && WizardDriver::Answer(question, IDNO));
    ASSERT_TRUE(WaitUntil(readUntilDone, 60000, 10));
    ASSERT_FALSE(widths.empty()) << "the bar was never read";
    for (size_t i = 0; i < widths.size(); ++i) {
        EXPECT_TRUE(std::set<int>({1, 158, 316, 474}).count(widths[i])) << "width " << widths[i];
        EXPECT_TRUE(i == 0 || widths[i] > widths[i - 1]) << widths[i];
    }
    EXPECT_TRUE(IsWindowVisible(run.Frame())) << "the frame stays beneath the pages";
    Finish(run, install.Dir());
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(install.Dir()); }, 60000, 100));
}

// Files another program holds open without sharing deletion (a picture in a
// viewer, the calendar in an editor): the completion page names the first
// and their number, and they go once they are free and Uninstall has ended,
// from the folder the installation made (with the folder) as from the
// user's own folder.
TEST(UninstallWizard, FilesHeldOpenAreNamedOnTheCompletionPageAndGoLater)
{
    ScratchDir existing(L"existing");
    const std::wstring kLine = L"以下文件正在使用，将在稍后删除：";
    const struct {
        const char* name;
        Manifest manifest;
        std::wstring intoFolder;
        std::vector<std::wstring> held;
        std::wstring line;
    } cases[] = {
        {"created folder", Manifest::CreatedDirectory, L"", {L"res\\image\\weather\\d2.png", L"VELT电子日历.exe"},
         kLine + L"res\\image\\weather\\d2.png 等 2 个文件"},
        {"the user's folder", Manifest::PreexistingDirectory, existing.Path(), {L"res\\profile.xml"},
         kLine + L"res\\profile.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeInstallation install({.manifest = c.manifest, .userFiles = {}, .intoFolder = c.intoFolder});
        ASSERT_TRUE(install.Ok());
        std::vector<std::unique_ptr<FileHandle>> handles;
        for (const std::wstring& name : c.held) {
            handles.push_back(std::make_unique<FileHandle>(CreateFileW((install.Dir() + L"\\" + name).c_str(),
                                                                       GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                                       OPEN_EXISTING, 0, nullptr)));
            ASSERT_TRUE(handles.back()->Valid());
        }
        WizardDriver run;
        ASSERT_TRUE(StartUninstall(run, install.Dir()));
        ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page11", 30000));
        Finish(run, install.Dir(), c.line, [&] {
            for (const std::wstring& name : c.held)
                EXPECT_TRUE(Exists(install.Dir() + L"\\" + name)) << testing::PrintToString(name);
            handles.clear();
        });
        for (const std::wstring& name : c.held)
            EXPECT_TRUE(WaitUntil([&] { return !Exists(install.Dir() + L"\\" + name); }, 30000))
                << testing::PrintToString(name);
        EXPECT_TRUE(run.WaitChildrenEnded(L"cmd.exe", 30000));
        EXPECT_TRUE(c.manifest != Manifest::CreatedDirectory || !Exists(install.Dir()));
    }
}
