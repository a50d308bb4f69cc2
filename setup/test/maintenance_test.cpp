// Setup's maintenance mode under Wine, driven through its windows: the
// choice between repair and removal and back, the removal (the same state as
// Uninstall leaves), a running calendar at the confirmation, the repair of a
// damaged installation (also one recorded for the current user), and a
// record without a usable location. Quitting while a repair or a removal
// runs is the fault suite's quit family.
#include <gtest/gtest.h>

#include "setup_e2e.h"

#include "fake_installation.h"
#include "install_manifest.h"
#include "install_record.h"
#include "product.h"
#include "registry_key.h"
#include "test_support.h"
#include "wait_until.h"

#include <shlobj.h>

using namespace setup_test;
using namespace testing_support;

namespace {

constexpr DWORD kNoReaction = 1500;

FILETIME RecordWritten(HKEY root)
{
    FILETIME written = {};
    CRegistryKey key;
    if (key.Open(root, InstallRecordKeyPath(kProductKey).c_str(), KEY_READ) == ERROR_SUCCESS)
        RegQueryInfoKeyW(key.Handle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, &written);
    return written;
}

bool StartMaintenance(WizardDriver& run, const wchar_t* exe = L"Setup.exe")
{
    return StartSetup(run, exe) && FrameClass(run.Frame()) == L"Page8Wnd";
}

void ExpectRemoved(const FakeInstallation& install, int allUsers)
{
    EXPECT_FALSE(RecordExists(RecordRoot(allUsers), kProductKey));
    EXPECT_EQ(AutostartValue(RecordRoot(allUsers)), L"<none>");
    const ShortcutPaths links = ComposeShortcutPaths(allUsers);
    EXPECT_FALSE(Exists(links.programsProduct));
    EXPECT_FALSE(Exists(links.desktopLink));
    EXPECT_FALSE(Exists(links.quickLaunchLink));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(install.Dir() + L"\\" + kAppFileName); }, 30000, 100));
}

// Every payload program is the real one; the repair wrote them.
void ExpectRepaired(const std::wstring& dir, int allUsers)
{
    for (const wchar_t* name : {kAppFileName, kWindowLibraryFileName, kUninstallerFileName, kUninstallSkinFileName})
        EXPECT_EQ(FileContent(dir + L"\\" + name), FileContent(ModuleDir() + L"\\" + name)) << name;
    EXPECT_TRUE(Exists(dir + L"\\res\\image\\weather\\d53.gif"));
    EXPECT_EQ(AutostartValue(RecordRoot(allUsers)), AutostartCommand(dir));
    const ShortcutPaths links = ComposeShortcutPaths(allUsers);
    EXPECT_EQ(LinkTarget(links.appLink), AppExePath(dir));
    EXPECT_EQ(LinkTarget(links.desktopLink), AppExePath(dir));
    EXPECT_EQ(RecordString(RecordRoot(allUsers), kValueInstallLocation), dir);
    EXPECT_EQ(RecordString(RecordRoot(allUsers), kValueUninstallString), UninstallCommand(dir));
}

} // namespace

// Removal is the first choice; the confirmation's "prebtn" goes back to the
// choice with the option as it was; repair chosen starts at once.
TEST(SetupMaintenance, TheChoiceAndBack)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    WizardDriver run;
    ASSERT_TRUE(StartMaintenance(run));
    ASSERT_TRUE(run.Click(L"fixbtn"));
    ASSERT_TRUE(run.Click(L"uninstallbtn"));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page9", 10000));
    ASSERT_TRUE(run.Click(L"prebtn"));  // the frame's, forwarded to Page9's own
    ASSERT_TRUE(run.WaitPageHidden(L"Page9", 10000));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page9", 10000));
    ASSERT_TRUE(run.Click(L"Page9", L"prebtn"));
    ASSERT_TRUE(run.WaitPageHidden(L"Page9", 10000));

    ASSERT_TRUE(run.Click(L"uninstallbtn"));
    ASSERT_TRUE(run.Click(L"fixbtn"));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page13", 60000));
    EXPECT_FALSE(run.PageVisible(L"Page9"));
    // The progress page hides itself just after it has shown the completion.
    EXPECT_TRUE(run.WaitPageHidden(L"Page12", 10000));
    // "nextbtn" again starts nothing.
    ASSERT_TRUE(run.Click(L"nextbtn"));
    EXPECT_FALSE(WaitUntil([&] { return run.PageVisible(L"Page12") || run.PageVisible(L"Page9"); }, kNoReaction));
    ASSERT_TRUE(run.Click(L"Page13", L"finishbtn"));
    EXPECT_TRUE(EndsWithZero(run));
    ExpectRepaired(install.Dir(), 1);
}

// A removal from Setup leaves what Uninstall leaves: record, autostart value,
// shortcuts and the folder gone; a shared "Quorvel" and the user's files in a
// folder that existed before stay.
TEST(SetupMaintenance, RemovalLeavesWhatUninstallLeaves)
{
    ScratchDir existing(L"existing");
    InstallOptions options;
    options.intoFolder = existing.Path();
    options.manifest = Manifest::PreexistingDirectory;
    options.userFiles = {{L"my.txt", "user bytes"}, {L"res\\mine.png", "user picture"}};
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    const std::wstring other = ComposeShortcutPaths(1).programsGroup + L"\\Other Product";
    ASSERT_TRUE(MakeDirs(other));
    WizardDriver run;
    ASSERT_TRUE(StartMaintenance(run));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page9", 10000));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page11", 30000));
    EXPECT_TRUE(run.WaitPageHidden(L"Page10", 10000));
    ASSERT_TRUE(run.Click(L"Page11", L"finishbtn"));
    EXPECT_TRUE(EndsWithZero(run));
    ExpectRemoved(install, 1);
    EXPECT_EQ(FileContent(existing / L"my.txt"), "user bytes");
    EXPECT_EQ(FileContent(existing / L"res\\mine.png"), "user picture");
    EXPECT_TRUE(Exists(other));
    RemoveTree(ComposeShortcutPaths(1).programsGroup);
}

TEST(SetupMaintenance, ARunningCalendarBlocksTheRemovalEachTime)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    ChildProcess calendar;
    ScratchDir calendarDir(L"calendar");
    ASSERT_TRUE(calendar.StartSleeper(calendarDir / kAppFileName));
    WizardDriver run;
    ASSERT_TRUE(StartMaintenance(run));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page9", 10000));
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(run.Click(L"Page9", L"nextbtn"));
        const MessageBoxSeen seen = run.WaitMessageBox(10000, kCaptionNotice, kMsgAppRunning);
        ASSERT_NE(seen.box, nullptr);
        ASSERT_TRUE(WizardDriver::Answer(seen, IDOK));
        EXPECT_TRUE(run.PageVisible(L"Page9"));
        EXPECT_TRUE(Exists(install.Dir() + L"\\" + kAppFileName));
    }
    calendar.Terminate();
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page11", 30000));
    ASSERT_TRUE(run.Click(L"Page11", L"finishbtn"));
    EXPECT_TRUE(EndsWithZero(run));
    ExpectRemoved(install, 1);
}

// A damaged installation recorded for the current user: files deleted and
// changed (one made read-only and system), a user file added, the desktop
// shortcut and the autostart value gone. The repair restores the product
// there and keeps the user's file.
TEST(SetupMaintenance, RepairRestoresTheProductWhereItIsRecorded)
{
    InstallOptions options;
    options.recordRoot = 0;
    options.userFiles = {{L"diary.txt", "keep me"}};
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    const std::wstring dir = install.Dir();
    ASSERT_TRUE(DeleteFileW((dir + L"\\res\\image\\weather\\d53.gif").c_str()));
    ASSERT_TRUE(WriteBytes(dir + L"\\res\\profile.xml", "changed by the user"));
    SetFileAttributesW((dir + L"\\res\\profile.xml").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(DeleteFileW(ComposeShortcutPaths(0).desktopLink.c_str()));
    {
        CRegistryKey run;
        ASSERT_EQ(run.Open(HKEY_CURRENT_USER, kRunKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
        RegDeleteValueW(run.Handle(), kAutostartValueName);
    }
    WizardDriver run;
    ASSERT_TRUE(StartMaintenance(run));
    ASSERT_TRUE(run.Click(L"fixbtn"));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page13", 60000));
    ASSERT_TRUE(run.Click(L"Page13", L"finishbtn"));
    EXPECT_TRUE(EndsWithZero(run));
    ExpectRepaired(dir, 0);
    EXPECT_NE(FileContent(dir + L"\\res\\profile.xml"), "changed by the user");
    EXPECT_EQ(FileContent(dir + L"\\diary.txt"), "keep me");
    // The manifest keeps what the installation wrote (a folder it created);
    // nothing written aside is left.
    InstallManifest manifest;
    ASSERT_EQ(ReadInstallManifest(dir, &manifest), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(manifest.createdDirectory);
    for (const std::wstring& name : Tree(dir))
        EXPECT_EQ(name.find(L".~veltnew"), std::wstring::npos) << name;
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE, kProductKey));
}

// A record without "InstallLocation": the message, Setup ends with 0, the
// record stays as it was, no shortcut comes back. (Nothing written, for every
// unusable location: EngineTest.RepairWithoutAUsableLocationWritesNothing.)
TEST(SetupMaintenance, RepairWithoutALocationSaysSo)
{
    InstallOptions options;
    options.writeLocation = false;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    const FILETIME before = RecordWritten(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(DeleteFileW(ComposeShortcutPaths(1).desktopLink.c_str()));
    WizardDriver run;
    ASSERT_TRUE(StartMaintenance(run));
    ASSERT_TRUE(run.Click(L"fixbtn"));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    const MessageBoxSeen seen = run.WaitMessageBox(20000, kCaptionError, kMsgNotInstalled);
    ASSERT_NE(seen.box, nullptr);
    ASSERT_TRUE(WizardDriver::Answer(seen, IDOK));
    EXPECT_TRUE(EndsWithZero(run));
    const FILETIME after = RecordWritten(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(CompareFileTime(&before, &after), 0);
    EXPECT_EQ(RecordString(HKEY_LOCAL_MACHINE, kValueInstallLocation), L"<none>");
    EXPECT_FALSE(Exists(ComposeShortcutPaths(1).desktopLink));
}
