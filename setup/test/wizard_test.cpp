// Setup's wizard under Wine, driven only through its windows: which frame
// the install record selects, every step forward and back through Page1 to
// Page4 with the frame's and the pages' own buttons, the licence gate, the
// organisation and location fields, the space label, quitting, the choice on
// Page3 that an earlier edition for the current user makes, and a running
// calendar. The earlier edition's cleanup itself: LegacyCleanup.* in
// engine_test.cpp. A damaged skin archive is the fault suite's skin family.
#include <gtest/gtest.h>

#include "setup_e2e.h"

#include "install_record.h"
#include "product.h"
#include "wait_until.h"

#include <shlwapi.h>

using namespace setup_test;
using namespace testing_support;

namespace {

bool NoPageVisible(WizardDriver& run)
{
    for (const wchar_t* page : {L"Page1", L"Page2", L"Page3", L"Page4", L"Page6", L"Page7"}) {
        if (run.PageVisible(page))
            return false;
    }
    return true;
}

// Runs `undo` when it goes out of scope.
template <typename Undo>
struct Finally {
    Undo undo;
    ~Finally() { undo(); }
};

} // namespace

// No record: the fresh-installation frame. A record under either root, or
// both, even an empty one: the maintenance frame. Nothing is changed by
// looking, and Alt+F4 ends Setup without a question.
TEST(SetupWizard, TheRecordChoosesTheMode)
{
    struct Case {
        bool machine, user;
        const wchar_t* frameClass;
    };
    for (const Case& c : {Case{false, false, L"CoverWnd"}, Case{true, false, L"Page8Wnd"},
                          Case{false, true, L"Page8Wnd"}, Case{true, true, L"Page8Wnd"}}) {
        SCOPED_TRACE(testing::Message() << c.machine << c.user);
        CleanMachine clean;
        for (const auto& [root, wanted] : {std::pair{HKEY_LOCAL_MACHINE, c.machine}, {HKEY_CURRENT_USER, c.user}}) {
            HKEY key = nullptr;
            const std::wstring record = InstallRecordKeyPath(kProductKey);
            ASSERT_TRUE(!wanted || RegCreateKeyW(root, record.c_str(), &key) == ERROR_SUCCESS);
            if (key)
                RegCloseKey(key);
        }
        WizardDriver run;
        ASSERT_TRUE(StartSetup(run));
        EXPECT_EQ(FrameClass(run.Frame()), c.frameClass);
        EXPECT_EQ(run.VisibleTopLevelWindows().size(), 1u);
        ASSERT_TRUE(run.PostSysClose());
        EXPECT_TRUE(EndsWithZero(run));
        EXPECT_EQ(RecordExists(HKEY_LOCAL_MACHINE), c.machine);
        EXPECT_EQ(RecordExists(HKEY_CURRENT_USER), c.user);
    }
}

// Also: Page3 shows a registered organisation of 200 characters in full, and
// with an earlier edition recorded for the current user only (gone by the
// time the frame shows), "onlymebtn" selected.
TEST(SetupWizard, ForwardAndBackKeepEveryPagesState)
{
    CleanMachine clean;
    std::wstring organisation;
    for (int i = 0; i < 20; ++i)
        organisation += L"QRVL 组织-" + std::to_wstring(i % 10) + L"-";
    ASSERT_EQ(organisation.size(), 200u);
    // The machine's registered organisation, put back after the test.
    const std::wstring before = RegString(HKEY_LOCAL_MACHINE, kOrganizationKey, kOrganizationValue);
    const Finally putBack{[&] {
        if (before == L"<none>")
            SHDeleteValueW(HKEY_LOCAL_MACHINE, kOrganizationKey, kOrganizationValue);
        else
            SetRegString(HKEY_LOCAL_MACHINE, kOrganizationKey, kOrganizationValue, before);
    }};
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, kOrganizationKey, kOrganizationValue, organisation));
    ScratchDir earlier(L"legacy");
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, LegacyEntryPath(), kValueInstallLocation, earlier.Path()));
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, LegacyEntryPath()));
    EXPECT_TRUE(NoPageVisible(run));
    // A click on `button` of `page` (empty: the frame) shows page `next`.
    auto step = [&](const wchar_t* page, const wchar_t* button, const wchar_t* next) {
        return run.Click(page, button) && run.WaitPageVisible(next, 10000);
    };
    auto staysOnPage2 = [&] { return !WaitUntil([&] { return run.PageVisible(L"Page3"); }, kNoReaction); };

    // The first screen and Page1, both ways.
    ASSERT_TRUE(step(L"", L"nextbtn", L"Page1"));
    ASSERT_TRUE(run.Click(L"Page1", L"prebtn") && run.WaitPageHidden(L"Page1", 10000));
    EXPECT_TRUE(NoPageVisible(run));
    ASSERT_TRUE(step(L"", L"nextbtn", L"Page1"));
    ASSERT_TRUE(step(L"Page1", L"nextbtn", L"Page2"));

    // The licence: unchecked, neither next button moves on; back and forth
    // keeps it unchecked; checked again, the frame's next button moves on.
    ASSERT_TRUE(run.Click(L"Page2", L"licensebtn") && run.Click(L"Page2", L"nextbtn"));
    EXPECT_TRUE(staysOnPage2());
    ASSERT_TRUE(run.PressAlt(L'N'));
    EXPECT_TRUE(staysOnPage2());
    ASSERT_TRUE(step(L"Page2", L"prebtn", L"Page1"));
    ASSERT_TRUE(step(L"Page1", L"nextbtn", L"Page2"));
    ASSERT_TRUE(run.Click(L"Page2", L"nextbtn"));
    EXPECT_TRUE(staysOnPage2());
    ASSERT_TRUE(run.Click(L"Page2", L"licensebtn"));
    ASSERT_TRUE(step(L"", L"nextbtn", L"Page3"));  // the frame's, forwarded to Page2's own
    EXPECT_TRUE(run.WaitPageHidden(L"Page2", 10000));
    EXPECT_EQ(EditText(run, L"Page3", L"companyedit"), organisation);
    // The page paints its options after it shows: wait for the two looks.
    // "anyonebtn" clicked, "onlymebtn" then looks as "anyonebtn" did.
    ASSERT_TRUE(WaitUntil(
        [&] { return CentrePixel(run, L"Page3", L"anyonebtn") != CentrePixel(run, L"Page3", L"onlymebtn"); }, 5000));
    const DWORD unselected = CentrePixel(run, L"Page3", L"anyonebtn");
    ASSERT_TRUE(run.Click(L"Page3", L"anyonebtn"));
    EXPECT_TRUE(WaitUntil([&] { return CentrePixel(run, L"Page3", L"onlymebtn") == unselected; }, 5000))
        << std::hex << CentrePixel(run, L"Page3", L"onlymebtn") << " is not " << unselected;

    // Page3 and Page4, with the frame's previous button too; the typed path
    // and the options stay while moving back and forth.
    ASSERT_TRUE(step(L"Page3", L"nextbtn", L"Page4"));
    EXPECT_EQ(EditText(run, L"Page4", L"pathedit"), DefaultInstallDir());
    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", L"C:\\Velt Kept"));
    ASSERT_TRUE(step(L"", L"prebtn", L"Page3"));
    ASSERT_TRUE(step(L"Page3", L"prebtn", L"Page2"));
    ASSERT_TRUE(step(L"Page2", L"nextbtn", L"Page3"));
    ASSERT_TRUE(step(L"", L"nextbtn", L"Page4"));
    EXPECT_EQ(EditText(run, L"Page4", L"pathedit"), L"C:\\Velt Kept");

    // Quit answered No changes nothing; Yes ends Setup, nothing installed.
    ASSERT_TRUE(run.Click(L"Page4", L"cancelbtn") && AnswerQuitQuestion(run, IDNO));
    EXPECT_TRUE(run.Running());
    EXPECT_TRUE(run.PageVisible(L"Page4"));
    ASSERT_TRUE(run.Click(L"cancelbtn") && AnswerQuitQuestion(run, IDYES));  // the frame's
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(Exists(L"C:\\Velt Kept"));
}

// The label below the path: 10MB at first, 30MB with the typed drive's space
// once the field loses the focus; a relative path has no figure.
TEST(SetupWizard, TheSpaceLabelFollowsThePathWhenTheFieldIsLeft)
{
    CleanMachine clean;
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run));
    ASSERT_TRUE(WalkSetupToPage4(run));
    auto label = [&] { return ControlPixels(run, L"Page4", L"diskfreelabel"); };
    const Pixels atStart = label();
    ASSERT_GT(InkedColumns(atStart), 0);

    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", DefaultInstallDir()));
    ASSERT_TRUE(run.Click(L"Page4", L"desktopscbtn"));  // the field loses the focus
    EXPECT_TRUE(WaitUntil([&] { return label() != atStart; }, 5000)) << "the label still says 10MB";
    const int inkWithFigure = InkedColumns(label());

    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", L"Test"));
    ASSERT_TRUE(run.Click(L"Page4", L"desktopscbtn"));
    EXPECT_TRUE(WaitUntil([&] { return InkedColumns(label()) < inkWithFigure - 20; }, 5000))
        << "a relative path still shows a figure";
    ASSERT_TRUE(run.PostSysClose());
    EXPECT_TRUE(EndsWithZero(run));
}

// The calendar runs: Setup says so and ends with 0; the earlier edition's
// traces are removed all the same.
TEST(SetupWizard, ARunningCalendarIsRefused)
{
    CleanMachine clean;
    ScratchDir earlier(L"legacy");
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, LegacyEntryPath(), kValueInstallLocation, earlier.Path()));
    ChildProcess calendar;
    ScratchDir calendarDir(L"calendar");
    ASSERT_TRUE(calendar.StartSleeper(calendarDir / kAppFileName));
    WizardDriver run;
    ASSERT_TRUE(run.Start(ModuleDir() + L"\\Setup.exe", kSetupSkinFileName));
    const MessageBoxSeen seen = run.WaitMessageBox(30000);
    ASSERT_NE(seen.box, nullptr);
    EXPECT_EQ(seen.caption, kCaptionNotice);
    EXPECT_EQ(seen.text, kMsgAppRunning);
    ASSERT_TRUE(WizardDriver::Answer(seen, IDOK));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, LegacyEntryPath()));
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
}
