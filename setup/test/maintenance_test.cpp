// Setup's maintenance mode under Wine, driven through its windows: the
// choice between repair and removal and back, a repair of an installation
// recorded for the current user, the removal refused while the calendar
// runs and then done, and a record without a usable location. What a repair
// and a removal leave in detail: EngineTest.Repair* and RemovalEngine.*.
// Quitting while a repair or a removal runs is the fault suite's quit family.
#include <gtest/gtest.h>

#include "setup_e2e.h"

#include "product.h"
#include "wait_until.h"

using namespace setup_test;
using namespace testing_support;

namespace {

bool StartMaintenance(WizardDriver& run)
{
    return StartSetup(run) && FrameClass(run.Frame()) == L"Page8Wnd";
}

} // namespace

// Removal is the first choice; the confirmation's "prebtn" goes back to the
// choice with the option as it was; repair chosen starts at once and repairs
// the installation where it is recorded (for the current user here: the
// payload's placeholders become this build's programs, the missing desktop
// shortcut comes back).
TEST(SetupMaintenance, TheChoiceAndBackThenTheRepair)
{
    InstallOptions options;
    options.recordRoot = 0;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    const ShortcutPaths links = ComposeShortcutPaths(0);
    ASSERT_TRUE(DeleteFileW(links.desktopLink.c_str()));
    WizardDriver run;
    ASSERT_TRUE(StartMaintenance(run));
    ASSERT_TRUE(run.Click(L"fixbtn") && run.Click(L"uninstallbtn"));
    ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page9", 10000));
    ASSERT_TRUE(run.Click(L"prebtn") && run.WaitPageHidden(L"Page9", 10000));  // the frame's, forwarded to Page9's own
    ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page9", 10000));
    ASSERT_TRUE(run.Click(L"Page9", L"prebtn") && run.WaitPageHidden(L"Page9", 10000));

    ASSERT_TRUE(run.Click(L"uninstallbtn") && run.Click(L"fixbtn"));
    ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page13", 60000));
    EXPECT_FALSE(run.PageVisible(L"Page9"));
    // The progress page hides itself just after it has shown the completion.
    EXPECT_TRUE(run.WaitPageHidden(L"Page12", 10000));
    // "nextbtn" again starts nothing.
    ASSERT_TRUE(run.Click(L"nextbtn"));
    EXPECT_FALSE(WaitUntil([&] { return run.PageVisible(L"Page12") || run.PageVisible(L"Page9"); }, kNoReaction));
    ASSERT_TRUE(run.Click(L"Page13", L"finishbtn"));
    EXPECT_TRUE(EndsWithZero(run));
    const std::wstring app = install.Dir() + L"\\" + kAppFileName;
    EXPECT_EQ(FileContent(app), FileContent(ModuleDir() + L"\\" + kAppFileName));
    EXPECT_EQ(LinkTarget(links.desktopLink), app);
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
}

// The calendar runs: each "nextbtn" of the confirmation says so and changes
// nothing. Once it has ended, the removal takes the record and the folder.
TEST(SetupMaintenance, TheRemovalWaitsForTheCalendarThenRemoves)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    ChildProcess calendar;
    ScratchDir calendarDir(L"calendar");
    ASSERT_TRUE(calendar.StartSleeper(calendarDir / kAppFileName));
    WizardDriver run;
    ASSERT_TRUE(StartMaintenance(run));
    ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page9", 10000));
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(run.Click(L"Page9", L"nextbtn"));
        const MessageBoxSeen seen = run.WaitMessageBox(10000, kCaptionNotice, kMsgAppRunning);
        ASSERT_TRUE(seen.box && WizardDriver::Answer(seen, IDOK));
        EXPECT_TRUE(run.PageVisible(L"Page9"));
        EXPECT_TRUE(Exists(install.Dir() + L"\\" + kAppFileName));
    }
    calendar.Terminate();
    ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page11", 30000));
    EXPECT_TRUE(run.WaitPageHidden(L"Page10", 10000));
    ASSERT_TRUE(run.Click(L"Page11", L"finishbtn"));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(AutostartValue(HKEY_LOCAL_MACHINE), L"<none>");
    EXPECT_FALSE(Exists(ComposeShortcutPaths(1).programsProduct));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(install.Dir() + L"\\" + kAppFileName); }, 30000, 100));
}

// A record without "InstallLocation": the message, Setup ends with 0.
// (Nothing written, for every unusable location:
// EngineTest.RepairWithoutAUsableLocationWritesNothing.)
TEST(SetupMaintenance, RepairWithoutALocationSaysSo)
{
    InstallOptions options;
    options.writeLocation = false;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    WizardDriver run;
    ASSERT_TRUE(StartMaintenance(run));
    ASSERT_TRUE(run.Click(L"fixbtn") && run.Click(L"nextbtn"));
    const MessageBoxSeen seen = run.WaitMessageBox(20000, kCaptionError, kMsgNotInstalled);
    ASSERT_TRUE(seen.box && WizardDriver::Answer(seen, IDOK));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_EQ(RecordString(HKEY_LOCAL_MACHINE, kValueInstallLocation), L"<none>");
}
