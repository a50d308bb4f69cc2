// Setup and Uninstall under Wine driven by the keyboard alone: real key
// presses (SendInput, so they reach whatever window holds the keyboard in the
// foreground program, with the key state the program reads), not one mouse
// event. A fresh installation (Alt+N right after start and right after the
// quit question, asked by Escape, was answered No; Enter; Tab and Space for
// the licence and the check boxes, an arrow for the choice of users; typing
// and Ctrl+A in the fields; Alt+I), then
// its removal by the installed Uninstall; a repair and a removal through
// Setup's maintenance mode. Each checks what the mouse walk-through checks
// (wizard_test.cpp, uninstall_test.cpp): the record, the folder, the
// shortcuts. The focus order and every key's rule: the window library's
// Keyboard.* tests. The focus mark as the screen shows it is checked here
// once, on Page4's "nextbtn".
#include <gtest/gtest.h>

#include "clean_machine_fixture.h"
#include "fake_installation.h"
#include "image.h"
#include "install_record.h"
#include "product.h"
#include "running_app.h"
#include "test_support.h"
#include "wait_until.h"
#include "wizard_driver.h"

#include <shlobj.h>

#include <algorithm>

using namespace testing_support;

namespace {

constexpr DWORD kPage = 10000;

// The text of the window holding the program's keyboard (a native field).
std::wstring KeyboardText(const WizardDriver& run)
{
    return WindowTextOf(run.KeyboardWindow());
}

// Keys, then the page that they show.
bool KeysTo(WizardDriver& run, std::initializer_list<WORD> chord, const wchar_t* page, DWORD ms = kPage)
{
    return WizardDriver::Keys(chord) && run.WaitPageVisible(page, ms);
}

bool Tabs(int n)
{
    for (int i = 0; i < n; ++i) {
        if (!WizardDriver::Keys({VK_TAB}))
            return false;
    }
    return true;
}

// Pixels of the skin's focus colour (#19588B) on screen along the top and
// bottom line of the mark inside a button.
int FocusMarkOnScreen(WizardDriver& run, const std::wstring& page, const std::wstring& control)
{
    RECT rect = {};
    skinshot::Image shot;
    if (!run.ControlScreenRect(page, control, &rect) || !InflateRect(&rect, 4, 4) ||
        !skinshot::CaptureScreen(rect, &shot))
        return -1;
    int n = 0;
    for (int x = 0; x < shot.width; ++x)
        n += ColoursNear(shot.At(x, 6), 0x19588B, 0) + ColoursNear(shot.At(x, shot.height - 7), 0x19588B, 0);
    return n;
}

using KeyboardWalk = CleanMachineTest;

} // namespace

TEST_F(KeyboardWalk, InstallThenUninstallWithKeysOnly)
{
    ScratchDir parent(L"keys");
    const std::wstring dir = parent / L"键盘 Keys";
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run));
    ASSERT_TRUE(run.WaitForeground(10000)) << "the started wizard does not have the keyboard";

    // Escape asks the quit question; No (Tab to it, Space) keeps the first
    // screen, and Alt+N works at once after it.
    ASSERT_TRUE(WizardDriver::Keys({VK_ESCAPE}));
    const MessageBoxSeen quit = run.WaitMessageBox(kPage, kCaptionNotice, kMsgQuitQuestion);
    ASSERT_NE(quit.box, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == quit.box; }, kPage));
    ASSERT_TRUE(WizardDriver::Keys({VK_TAB}) && WizardDriver::Keys({VK_SPACE}));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(quit.box); }, kPage));
    ASSERT_TRUE(KeysTo(run, {VK_MENU, 'N'}, L"Page1"));
    ASSERT_TRUE(KeysTo(run, {VK_RETURN}, L"Page2"));
    // The licence, accepted at first: a Tab into its text, one more to its
    // check box, Space declines and Space accepts again; then Alt+N. Alt+B
    // goes back and Enter forward again.
    ASSERT_TRUE(Tabs(2) && WizardDriver::Keys({VK_SPACE}) && WizardDriver::Keys({VK_SPACE}));
    ASSERT_TRUE(KeysTo(run, {VK_MENU, 'N'}, L"Page3"));
    ASSERT_TRUE(KeysTo(run, {VK_MENU, 'B'}, L"Page2") && KeysTo(run, {VK_RETURN}, L"Page3"));
    // Page3 opens with the keyboard on "nextbtn", as Page2's own had it. The
    // fields: Tab round to the first, Ctrl+A, typing; Tab on to "anyonebtn",
    // Down chooses "onlymebtn".
    ASSERT_TRUE(Tabs(4) && WizardDriver::Keys({VK_CONTROL, 'A'}) && WizardDriver::TypeKeys(L"键盘用户"));
    EXPECT_TRUE(WaitUntil([&] { return KeyboardText(run) == L"键盘用户"; }, kPage)) << KeyboardText(run);
    ASSERT_TRUE(Tabs(1) && WizardDriver::Keys({VK_CONTROL, 'A'}) && WizardDriver::TypeKeys(L"QRVL"));
    EXPECT_TRUE(WaitUntil([&] { return KeyboardText(run) == L"QRVL"; }, kPage)) << KeyboardText(run);
    ASSERT_TRUE(Tabs(1) && WizardDriver::Keys({VK_DOWN}));
    ASSERT_TRUE(KeysTo(run, {VK_MENU, 'N'}, L"Page4"));
    // Page4 opens with the keyboard on its default button "nextbtn" (Page3
    // has no "onlymebtn" there): the mark shows on it. Shift+Tab back
    // through the check buttons (Space clears both) and "browsebtn" to the
    // path, which is typed over.
    EXPECT_TRUE(WaitUntil([&] { return FocusMarkOnScreen(run, L"Page4", L"nextbtn") > 20; }, kPage));
    ASSERT_TRUE(WizardDriver::Keys({VK_SHIFT, VK_TAB}) && WizardDriver::Keys({VK_SHIFT, VK_TAB}) &&
                WizardDriver::Keys({VK_SPACE}) && WizardDriver::Keys({VK_SHIFT, VK_TAB}) &&
                WizardDriver::Keys({VK_SPACE}) && WizardDriver::Keys({VK_SHIFT, VK_TAB}) &&
                WizardDriver::Keys({VK_SHIFT, VK_TAB}));
    ASSERT_TRUE(WizardDriver::Keys({VK_CONTROL, 'A'}) && WizardDriver::TypeKeys(dir));
    EXPECT_TRUE(WaitUntil([&] { return KeyboardText(run) == dir; }, kPage)) << KeyboardText(run);
    // Alt+I installs; on the finish page Tab reaches "runnowbtn", Space
    // clears it, Enter presses "finishbtn".
    ASSERT_TRUE(KeysTo(run, {VK_MENU, 'I'}, L"Page7", 60000));
    ASSERT_TRUE(run.WaitPageHidden(L"Page6", kPage));
    ASSERT_TRUE(Tabs(1) && WizardDriver::Keys({VK_SPACE}) && WizardDriver::Keys({VK_RETURN}));
    EXPECT_TRUE(EndsWithZero(run));

    // For the current user only, where typed, without the optional shortcuts.
    EXPECT_EQ(RecordString(RecordRoot(0), kValueInstallLocation), dir);
    EXPECT_FALSE(RecordExists(RecordRoot(1)));
    const ShortcutPaths links = ComposeShortcutPaths(0);
    EXPECT_TRUE(Exists(links.appLink));
    EXPECT_FALSE(Exists(links.desktopLink));
    EXPECT_FALSE(Exists(links.quickLaunchLink));
    EXPECT_TRUE(Exists(dir + L"\\" + kAppFileName));
    EXPECT_FALSE(WaitUntil([] { return FindRunningApp() != 0; }, 1500)) << "the calendar started";

    // The installed Uninstall: Enter removes, Enter finishes.
    WizardDriver uninstall;
    ASSERT_TRUE(StartUninstall(uninstall, dir));
    ASSERT_TRUE(uninstall.WaitForeground(10000));
    ASSERT_TRUE(KeysTo(uninstall, {VK_RETURN}, L"Page11", 30000));
    ASSERT_TRUE(WizardDriver::Keys({VK_RETURN}));
    EXPECT_TRUE(EndsWithZero(uninstall));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(dir); }, 30000, 100)) << "the installation folder stays";
    EXPECT_FALSE(RecordExists(RecordRoot(0)));
    EXPECT_FALSE(Exists(links.appLink));
}

TEST_F(KeyboardWalk, RepairThenRemoveThroughSetupWithKeysOnly)
{
    InstallOptions options;  // for the current user, without the desktop shortcut: what a repair mends
    options.recordRoot = 0;
    options.desktopLink = false;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    const ShortcutPaths links = ComposeShortcutPaths(0);
    const std::wstring app = install.Dir() + L"\\" + kAppFileName;

    // Repair: Tab to the choice (one stop, on "uninstallbtn", chosen at
    // first), Up to "fixbtn", Enter; Enter on the completion page.
    {
        WizardDriver run;
        ASSERT_TRUE(StartSetup(run) && run.WaitForeground(10000));
        ASSERT_TRUE(Tabs(1) && WizardDriver::Keys({VK_UP}));
        ASSERT_TRUE(KeysTo(run, {VK_RETURN}, L"Page13", 60000));
        ASSERT_TRUE(WizardDriver::Keys({VK_RETURN}));
        EXPECT_TRUE(EndsWithZero(run));
        EXPECT_EQ(FileContent(app), FileContent(ModuleDir() + L"\\" + kAppFileName));
        EXPECT_EQ(LinkTarget(links.desktopLink), app);
    }
    // Removal, the choice at start: Enter, Enter on the confirmation, Enter
    // on the completion page.
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run) && run.WaitForeground(10000));
    ASSERT_TRUE(KeysTo(run, {VK_RETURN}, L"Page9"));
    ASSERT_TRUE(KeysTo(run, {VK_RETURN}, L"Page11", 60000));
    ASSERT_TRUE(WizardDriver::Keys({VK_RETURN}));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_FALSE(RecordExists(RecordRoot(0)));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(app); }, 30000, 100));
    EXPECT_FALSE(Exists(links.appLink));
}
