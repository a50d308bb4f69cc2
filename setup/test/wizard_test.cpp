// Setup's wizard under Wine, driven only through its windows: which frame
// the install record selects, every step forward and back through Page1 to
// Page4 with the frame's and the pages' own buttons, the licence gate, the
// location page, quitting, a running calendar and the earlier edition's
// cleanup. A damaged skin archive is the fault suite's skin family.
#include <gtest/gtest.h>

#include "setup_e2e.h"

#include "fake_installation.h"
#include "install_record.h"
#include "product.h"
#include "registry_key.h"
#include "test_support.h"
#include "wait_until.h"

#include <shlobj.h>

using namespace setup_test;
using namespace testing_support;

namespace {

// Something that must not happen within a short while (the program has had
// ample time to react to posted input by then).
constexpr DWORD kNoReaction = 1500;

void MakeRecord(HKEY root)
{
    CRegistryKey key;
    ASSERT_EQ(key.Create(root, InstallRecordKeyPath(kProductKey).c_str()), ERROR_SUCCESS);
}

bool NoPageVisible(WizardDriver& run)
{
    for (const wchar_t* page : {L"Page1", L"Page2", L"Page3", L"Page4", L"Page6", L"Page7"}) {
        if (run.PageVisible(page))
            return false;
    }
    return true;
}

// The machine's registered organisation set for a test, put back after it.
class RegisteredOrganisation {
public:
    explicit RegisteredOrganisation(const std::wstring& text)
    {
        CRegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kOrganizationKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
            return;
        ULONG bytes = sizeof m_old - sizeof(WCHAR);
        m_had = key.ReadString(kOrganizationValue, m_old, &bytes) == ERROR_SUCCESS;
        m_set = key.WriteString(kOrganizationValue, text.c_str()) == ERROR_SUCCESS;
    }
    ~RegisteredOrganisation()
    {
        CRegistryKey key;
        if (!m_set || key.Open(HKEY_LOCAL_MACHINE, kOrganizationKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
            return;
        if (m_had)
            key.WriteString(kOrganizationValue, m_old);
        else
            RegDeleteValueW(key.Handle(), kOrganizationValue);
    }
    bool Set() const { return m_set; }

private:
    WCHAR m_old[1024] = {};
    bool m_had = false;
    bool m_set = false;
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
        if (c.machine)
            MakeRecord(HKEY_LOCAL_MACHINE);
        if (c.user)
            MakeRecord(HKEY_CURRENT_USER);
        WizardDriver run;
        ASSERT_TRUE(StartSetup(run));
        EXPECT_EQ(FrameClass(run.Frame()), c.frameClass);
        EXPECT_EQ(run.VisibleTopLevelWindows().size(), 1u);
        ASSERT_TRUE(run.PostSysClose());
        EXPECT_TRUE(EndsWithZero(run));
        EXPECT_EQ(RecordExists(HKEY_LOCAL_MACHINE, kProductKey), c.machine);
        EXPECT_EQ(RecordExists(HKEY_CURRENT_USER, kProductKey), c.user);
    }
}

// Also: Page3 shows a registered organisation of 200 characters in full.
TEST(SetupWizard, ForwardAndBackKeepEveryPagesState)
{
    CleanMachine clean;
    std::wstring organisation;
    for (int i = 0; i < 20; ++i)
        organisation += L"QRVL 组织-" + std::to_wstring(i % 10) + L"-";
    ASSERT_EQ(organisation.size(), 200u);
    RegisteredOrganisation registered(organisation);
    ASSERT_TRUE(registered.Set());
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run));
    EXPECT_TRUE(NoPageVisible(run));

    // The first screen and Page1, both ways.
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page1", 10000));
    ASSERT_TRUE(run.Click(L"Page1", L"prebtn"));
    ASSERT_TRUE(run.WaitPageHidden(L"Page1", 10000));
    EXPECT_TRUE(NoPageVisible(run));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page1", 10000));
    ASSERT_TRUE(run.Click(L"Page1", L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page2", 10000));

    // The licence: unchecked, neither next button moves on; back and forth
    // keeps it unchecked; checked again, the frame's next button moves on.
    ASSERT_TRUE(run.Click(L"Page2", L"licensebtn"));
    ASSERT_TRUE(run.Click(L"Page2", L"nextbtn"));
    EXPECT_FALSE(WaitUntil([&] { return run.PageVisible(L"Page3"); }, kNoReaction));
    ASSERT_TRUE(run.PressAlt(L'N'));
    EXPECT_FALSE(WaitUntil([&] { return run.PageVisible(L"Page3"); }, kNoReaction));
    ASSERT_TRUE(run.Click(L"Page2", L"prebtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page1", 10000));
    ASSERT_TRUE(run.Click(L"Page1", L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page2", 10000));
    ASSERT_TRUE(run.Click(L"Page2", L"nextbtn"));
    EXPECT_FALSE(WaitUntil([&] { return run.PageVisible(L"Page3"); }, kNoReaction));
    ASSERT_TRUE(run.Click(L"Page2", L"licensebtn"));
    ASSERT_TRUE(run.Click(L"nextbtn"));  // the frame's, forwarded to Page2's own
    ASSERT_TRUE(run.WaitPageVisible(L"Page3", 10000));
    EXPECT_TRUE(run.WaitPageHidden(L"Page2", 10000));
    EXPECT_EQ(EditText(run, L"Page3", L"companyedit"), organisation);

    // Page3 and Page4, with the frame's previous button too; the typed path
    // and the options stay while moving back and forth.
    ASSERT_TRUE(run.Click(L"Page3", L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page4", 10000));
    EXPECT_EQ(EditText(run, L"Page4", L"pathedit"), DefaultDir());
    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", L"C:\\Velt Kept"));
    ASSERT_TRUE(run.Click(L"prebtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page3", 10000));
    ASSERT_TRUE(run.Click(L"Page3", L"prebtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page2", 10000));
    ASSERT_TRUE(run.Click(L"Page2", L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page3", 10000));
    ASSERT_TRUE(run.Click(L"nextbtn"));
    ASSERT_TRUE(run.WaitPageVisible(L"Page4", 10000));
    EXPECT_EQ(EditText(run, L"Page4", L"pathedit"), L"C:\\Velt Kept");

    // Quit answered No changes nothing; Yes ends Setup, nothing installed.
    ASSERT_TRUE(run.Click(L"Page4", L"cancelbtn"));
    ASSERT_TRUE(AnswerQuitQuestion(run, IDNO));
    EXPECT_TRUE(run.Running());
    EXPECT_TRUE(run.PageVisible(L"Page4"));
    ASSERT_TRUE(run.Click(L"cancelbtn"));  // the frame's
    ASSERT_TRUE(AnswerQuitQuestion(run, IDYES));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE, kProductKey));
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
    const std::vector<DWORD> atStart = ControlPixels(run, L"Page4", L"diskfreelabel");
    ASSERT_GT(InkedColumns(run, L"Page4", L"diskfreelabel"), 0);

    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", DefaultDir()));
    ASSERT_TRUE(run.Click(L"Page4", L"desktopscbtn"));  // the field loses the focus
    EXPECT_TRUE(WaitUntil([&] { return ControlPixels(run, L"Page4", L"diskfreelabel") != atStart; }, 5000))
        << "the label still says 10MB";
    const int inkWithFigure = InkedColumns(run, L"Page4", L"diskfreelabel");

    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", L"Test"));
    ASSERT_TRUE(run.Click(L"Page4", L"desktopscbtn"));
    EXPECT_TRUE(WaitUntil([&] { return InkedColumns(run, L"Page4", L"diskfreelabel") < inkWithFigure - 20; }, 5000))
        << "a relative path still shows a figure";
    ASSERT_TRUE(run.PostSysClose());
    EXPECT_TRUE(EndsWithZero(run));
}

TEST(SetupWizard, TheEarlierEditionGoesAndItsNeighboursStay)
{
    CleanMachine clean;
    ScratchDir place(L"legacy");
    {
        EarlierEdition earlier(HKEY_LOCAL_MACHINE, place.Path());
        WizardDriver run;
        ASSERT_TRUE(StartSetup(run));
        earlier.ExpectRemoved();
        // Still for all users: Page3 shows "anyonebtn" selected (a blue dot).
        ASSERT_TRUE(WalkSetupToPage4(run));
        ASSERT_TRUE(run.Click(L"Page4", L"prebtn"));
        ASSERT_TRUE(run.WaitPageVisible(L"Page3", 10000));
        // The page paints its options after it shows: wait for the two looks.
        EXPECT_TRUE(WaitUntil(
            [&] { return CentrePixel(run, L"Page3", L"anyonebtn") != CentrePixel(run, L"Page3", L"onlymebtn"); },
            5000));
        const DWORD selected = CentrePixel(run, L"Page3", L"anyonebtn");
        ASSERT_TRUE(run.PostSysClose());
        EXPECT_TRUE(EndsWithZero(run));

        // Recorded for the current user only: removed there, and the
        // installation goes to the current user, as Page3 shows.
        EarlierEdition mine(HKEY_CURRENT_USER, place.Path() + L"\\user");
        WizardDriver second;
        ASSERT_TRUE(StartSetup(second));
        mine.ExpectRemoved();
        ASSERT_TRUE(WalkSetupToPage4(second));
        ASSERT_TRUE(second.Click(L"Page4", L"prebtn"));
        ASSERT_TRUE(second.WaitPageVisible(L"Page3", 10000));
        EXPECT_TRUE(WaitUntil([&] { return CentrePixel(second, L"Page3", L"onlymebtn") == selected; }, 5000))
            << std::hex << CentrePixel(second, L"Page3", L"onlymebtn") << " is not " << selected;
        EXPECT_NE(CentrePixel(second, L"Page3", L"anyonebtn"), selected);
        ASSERT_TRUE(second.PostSysClose());
        EXPECT_TRUE(EndsWithZero(second));
    }
}

// The calendar runs: Setup says so and ends with 0; the earlier edition's
// traces are removed all the same.
TEST(SetupWizard, ARunningCalendarIsRefused)
{
    CleanMachine clean;
    ScratchDir place(L"legacy");
    EarlierEdition earlier(HKEY_LOCAL_MACHINE, place.Path());
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
    earlier.ExpectRemoved();
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE, kProductKey));
}
