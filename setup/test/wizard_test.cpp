// Setup under Wine, driven only through its windows. The fresh
// installation's wizard: which frame the install record selects, every step
// forward and back through Page1 to Page4 with the frame's and the pages'
// own buttons, the licence gate, the organisation and location fields, the
// space label, the choice on Page3 that an earlier edition for the current
// user makes, quitting answered No, a path that cannot be made, Page3 when
// Setup was elevated for another account, and a running calendar.
// Installations, one from the unpacked release kit: where the pages' choices
// (all users or the current user, the typed path made full, the optional
// shortcuts, "runnowbtn") take the installation, its
// removal by the installed Uninstall.exe, and the launch of the calendar;
// from the signed kit too (CTest: signed_kit_install), its programs signed.
// The maintenance mode: the choice between repair and removal and back, the
// removal refused while the calendar runs, a repair.
//
// Elsewhere: what an installation, a repair and a removal leave in detail, a
// cancel at every checkpoint into the desktop, a damaged payload and the
// earlier edition's cleanup: EngineTest.*, RemovalEngine.*, LegacyCleanup.*.
// A control's shortcut key gives the click a mouse gives (the window
// library's Buttons.* tests; the layouts' shortcuts: SkinLayout.*). Cancels
// from the windows, every way out (WM_CLOSE to a page too: every window of
// the wizard ends the program the same way), a failure's message and
// rollback, damaged skins, the removal through Setup's windows and records
// without a usable location are the fault suite's (tools/faults; its quick
// subset runs with these tests).
//
// Everything runs against Wine's real registry, file system and shell; the
// tests clean the product's real locations before and after.
#include <gtest/gtest.h>

#include "fake_installation.h"
#include "image.h"
#include "install_record.h"
#include "product.h"
#include "running_app.h"
#include "shell_user_hook.h"
#include "test_support.h"
#include "test_zip.h"
#include "wait_until.h"
#include "wizard_driver.h"

#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <softpub.h>
#include <wintrust.h>

#include <algorithm>

using namespace testing_support;

namespace {

// Something that must not happen within a short while (the program has had
// ample time to react to posted input by then).
constexpr DWORD kNoReaction = 1500;

// What WinVerifyTrust says of a file's signature (no revocation check, no
// window). One that is intact but made with the throwaway certificate of
// tools/kit/signed_kit_test.py: CERT_E_UNTRUSTEDROOT on Windows, 0 under Wine
// (which trusts any root); TRUST_E_NOSIGNATURE without one, TRUST_E_BAD_DIGEST
// for a file changed after signing.
LONG SignatureStatus(const std::wstring& path)
{
    WINTRUST_FILE_INFO file = {sizeof(file), path.c_str(), nullptr, nullptr};
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    return WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

// Answers the quit question of a window with Yes or No.
bool AnswerQuitQuestion(WizardDriver& run, int id)
{
    const MessageBoxSeen seen = run.WaitMessageBox(10000, kCaptionNotice, kMsgQuitQuestion);
    return seen.box && WizardDriver::Answer(seen, id);
}

// The earlier, installer-package edition's uninstall entry (the cleanup's
// trace that decides the root; the rest: LegacyCleanup.* in engine_test.cpp).
std::wstring LegacyEntryPath()
{
    return std::wstring(kUninstallParentKey) + L"\\" + kLegacyProductCode;
}

// The text of the native edit field under a control of a page. A page that
// has just been shown can still lie under the one it replaces for a moment,
// so this waits until the window at the control's centre is the edit field;
// if it never is, the answer names what was there instead.
std::wstring EditText(WizardDriver& run, const std::wstring& page, const std::wstring& control)
{
    RECT rect = {};
    if (!run.ControlScreenRect(page, control, &rect))
        return L"<no control>";
    const POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    HWND at = nullptr;
    auto isEdit = [&] {
        wchar_t cls[16] = {};
        at = WindowFromPoint(centre);
        return GetClassNameW(at, cls, 16) > 0 && lstrcmpiW(cls, L"Edit") == 0;
    };
    return WaitUntil(isEdit, 5000) ? WindowTextOf(at) : L"<not the edit field: " + WindowTextOf(at) + L">";
}

// What the screen shows in a control's rectangle once the program waits for
// input; empty when the control is unknown.
skinshot::Image ControlShot(WizardDriver& run, const std::wstring& page, const std::wstring& control)
{
    RECT rect = {};
    skinshot::Image shot;
    if (run.ControlScreenRect(page, control, &rect)) {
        run.WaitIdle(5000);
        skinshot::CaptureScreen(rect, &shot);
    }
    return shot;
}

// The colour at the centre of a Page3 option on the screen (0: unknown).
uint32_t OptionCentre(WizardDriver& run, const wchar_t* option)
{
    const skinshot::Image shot = ControlShot(run, L"Page3", option);
    return shot.Empty() ? 0u : shot.At(shot.width / 2, shot.height / 2);
}

// Whether Page3's "otheruserlabel" shows its text (in the label's red).
bool ShowsElevationReason(WizardDriver& run)
{
    const skinshot::Image reason = ControlShot(run, L"Page3", L"otheruserlabel");
    return std::any_of(reason.pixels.begin(), reason.pixels.end(), [](uint32_t p) {
        return ((p >> 16) & 0xFF) > 0x90 && ((p >> 8) & 0xFF) < 0x70 && (p & 0xFF) < 0x70;
    });
}

// Every test starts and ends on a clean machine: no installation in the
// default folder, no trace of the product (records, the earlier edition's
// entries, autostart values, shortcuts), the machine's registered
// organisation as it was.
class SetupWizard : public testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override
    {
        Clean();
        if (m_organisation == L"<none>")
            SHDeleteValueW(HKEY_LOCAL_MACHINE, kOrganizationKey, kOrganizationValue);
        else
            SetRegString(HKEY_LOCAL_MACHINE, kOrganizationKey, kOrganizationValue, m_organisation);
    }
    static void Clean()
    {
        CleanMachine();
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            SHDeleteKeyW(root, LegacyEntryPath().c_str());
    }

    const std::wstring m_organisation = RegString(HKEY_LOCAL_MACHINE, kOrganizationKey, kOrganizationValue);
};
using SetupInstall = SetupWizard;
using SetupMaintenance = SetupWizard;

} // namespace

// No record: the fresh-installation frame. A record under either root, or
// both, even an empty one: the maintenance frame. Nothing is changed by
// looking, and Alt+F4 ends Setup without a question.
TEST_F(SetupWizard, TheRecordChoosesTheMode)
{
    struct Case {
        bool machine, user;
        const wchar_t* frameClass;
    };
    for (const Case& c : {Case{false, false, L"CoverWnd"}, Case{true, false, L"Page8Wnd"},
                          Case{false, true, L"Page8Wnd"}, Case{true, true, L"Page8Wnd"}}) {
        SCOPED_TRACE(testing::Message() << c.machine << c.user);
        Clean();
        for (const auto& [root, wanted] : {std::pair{HKEY_LOCAL_MACHINE, c.machine}, {HKEY_CURRENT_USER, c.user}}) {
            HKEY key = nullptr;
            const std::wstring record = InstallRecordKeyPath(kProductKey);
            ASSERT_TRUE(!wanted || RegCreateKeyW(root, record.c_str(), &key) == ERROR_SUCCESS);
            RegCloseKey(key);
        }
        WizardDriver run;
        ASSERT_TRUE(StartSetup(run));
        EXPECT_EQ(FindWindowW(c.frameClass, kSetupWindowTitle), run.Frame());
        EXPECT_EQ(VisibleWindowsOf(run.ProcessId()).size(), 1u);
        ASSERT_TRUE(run.PostSysClose());
        EXPECT_TRUE(EndsWithZero(run));
        EXPECT_EQ(RecordExists(HKEY_LOCAL_MACHINE), c.machine);
        EXPECT_EQ(RecordExists(HKEY_CURRENT_USER), c.user);
    }
}

// Forward and back, every page keeping its state. Page3 shows a registered
// organisation of 200 characters in full and, with an earlier edition
// recorded for the current user only (gone by the time the frame shows),
// "onlymebtn" selected. On Page4 the label below the path says 10MB at
// first, then 30MB with the typed drive's space once the field loses the
// focus, and follows the path each time the field is left (a share has no
// figure: FreeSpace.*); the folder browser opens and its cancel keeps the
// path. Quit answered No changes nothing. A name Windows refuses (a device
// name as a folder): the message, Page4 stays and nothing is written (every
// kind of such name: PathNaming.*). A directory that cannot be made (a drive
// that does not exist): the message, the progress page stays; its cancel
// then removes the record that was written.
TEST_F(SetupWizard, ForwardAndBackKeepEveryPagesStateUpToAPathThatCannotBeMade)
{
    std::wstring organisation;
    for (int i = 0; i < 20; ++i)
        organisation += L"QRVL 组织-" + std::to_wstring(i % 10) + L"-";
    ASSERT_EQ(organisation.size(), 200u);
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, kOrganizationKey, kOrganizationValue, organisation));
    ScratchDir earlier(L"legacy");
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, LegacyEntryPath(), kValueInstallLocation, earlier.Path()));
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run));
    EXPECT_EQ(FindWindowW(L"CoverWnd", kSetupWindowTitle), run.Frame());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, LegacyEntryPath()));
    auto noPageVisible = [&] {
        const wchar_t* pages[] = {L"Page1", L"Page2", L"Page3", L"Page4", L"Page6", L"Page7"};
        return std::none_of(std::begin(pages), std::end(pages), [&](auto page) { return run.PageVisible(page); });
    };
    EXPECT_TRUE(noPageVisible());
    // A click on `button` of `page` (empty: the frame) shows page `next`.
    auto step = [&](const wchar_t* page, const wchar_t* button, const wchar_t* next) {
        return run.Click(page, button) && run.WaitPageVisible(next, 10000);
    };
    auto staysOnPage2 = [&] { return !WaitUntil([&] { return run.PageVisible(L"Page3"); }, kNoReaction); };

    // The first screen and Page1, both ways.
    ASSERT_TRUE(step(L"", L"nextbtn", L"Page1"));
    ASSERT_TRUE(run.Click(L"Page1", L"prebtn") && run.WaitPageHidden(L"Page1", 10000));
    EXPECT_TRUE(noPageVisible());
    ASSERT_TRUE(step(L"", L"nextbtn", L"Page1"));
    ASSERT_TRUE(step(L"Page1", L"nextbtn", L"Page2"));

    // The licence: unchecked, neither next button moves on; back and forth
    // keeps it unchecked; checked again, the frame's next button moves on.
    ASSERT_TRUE(run.Click(L"Page2", L"licensebtn") && run.Click(L"Page2", L"nextbtn"));
    EXPECT_TRUE(staysOnPage2());
    ASSERT_TRUE(run.Click(L"nextbtn"));
    EXPECT_TRUE(staysOnPage2());
    ASSERT_TRUE(step(L"Page2", L"prebtn", L"Page1"));
    ASSERT_TRUE(step(L"Page1", L"nextbtn", L"Page2"));
    ASSERT_TRUE(run.Click(L"Page2", L"nextbtn"));
    EXPECT_TRUE(staysOnPage2());
    ASSERT_TRUE(run.Click(L"Page2", L"licensebtn"));
    ASSERT_TRUE(step(L"", L"nextbtn", L"Page3"));  // the frame's, forwarded to Page2's own
    EXPECT_TRUE(run.WaitPageHidden(L"Page2", 10000));
    EXPECT_EQ(EditText(run, L"Page3", L"companyedit"), organisation);
    EXPECT_FALSE(ShowsElevationReason(run));
    // The page paints its options after it shows: wait for the two looks.
    // "anyonebtn" clicked, "onlymebtn" then looks as "anyonebtn" did.
    auto centre = [&](const wchar_t* option) { return OptionCentre(run, option); };
    ASSERT_TRUE(WaitUntil([&] { return centre(L"anyonebtn") != centre(L"onlymebtn"); }, 5000));
    const uint32_t unselected = centre(L"anyonebtn");
    ASSERT_TRUE(run.Click(L"Page3", L"anyonebtn"));
    EXPECT_TRUE(WaitUntil([&] { return centre(L"onlymebtn") == unselected; }, 5000))
        << std::hex << centre(L"onlymebtn") << " is not " << unselected;

    // Page4 at first: the default folder, and the space label saying 10MB;
    // each time the field is left (by a click on an option) the label
    // follows the path: 30MB and the drive's space, then no figure.
    ASSERT_TRUE(step(L"Page3", L"nextbtn", L"Page4"));
    EXPECT_EQ(EditText(run, L"Page4", L"pathedit"), DefaultInstallDir());
    auto label = [&] { return ControlShot(run, L"Page4", L"diskfreelabel").pixels; };
    for (const std::wstring& path : {DefaultInstallDir(), std::wstring(L"\\\\server\\share\\x")}) {
        SCOPED_TRACE(path);
        const std::vector<uint32_t> shown = label();
        ASSERT_FALSE(shown.empty());
        ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", path) && run.Click(L"Page4", L"desktopscbtn"));
        EXPECT_TRUE(WaitUntil([&] { return label() != shown; }, 5000)) << "the label stays";
    }

    // The folder browser, with its tree; cancelled, it changes nothing.
    ASSERT_TRUE(run.Click(L"Page4", L"browsebtn"));
    const MessageBoxSeen browser = run.WaitMessageBox(20000);
    ASSERT_TRUE(browser.box);
    EXPECT_NE(browser.text.find(L"选择安装路径"), std::wstring::npos) << browser.text;
    EXPECT_TRUE(FindWindowExW(browser.box, nullptr, WC_TREEVIEWW, nullptr));
    ASSERT_TRUE(WizardDriver::Answer(browser, IDCANCEL));
    EXPECT_EQ(EditText(run, L"Page4", L"pathedit"), L"\\\\server\\share\\x");

    // Page3 and Page4, with the frame's previous button too; the typed path
    // and the options stay while moving back and forth.
    ASSERT_TRUE(run.TypeText(L"Page4", L"pathedit", L"C:\\Velt Kept"));
    ASSERT_TRUE(step(L"", L"prebtn", L"Page3"));
    ASSERT_TRUE(step(L"Page3", L"prebtn", L"Page2"));
    ASSERT_TRUE(step(L"Page2", L"nextbtn", L"Page3"));
    ASSERT_TRUE(step(L"", L"nextbtn", L"Page4"));
    EXPECT_EQ(EditText(run, L"Page4", L"pathedit"), L"C:\\Velt Kept");

    // Quit answered No changes nothing; the path that cannot be made.
    ASSERT_TRUE(run.Click(L"Page4", L"cancelbtn") && AnswerQuitQuestion(run, IDNO));
    EXPECT_TRUE(run.Running());
    EXPECT_TRUE(run.PageVisible(L"Page4"));
    // Typed, and the page told to go on: the bad-path message.
    auto refused = [&](const std::wstring& path) {
        if (!run.TypeText(L"Page4", L"pathedit", path) ||
            !WaitUntil([&] { return EditText(run, L"Page4", L"pathedit") == path; }, 5000) ||
            !run.Click(L"Page4", L"nextbtn"))
            return false;
        const MessageBoxSeen seen = run.WaitMessageBox(20000, kCaptionError, kMsgBadInstallPath);
        return seen.box && WizardDriver::Answer(seen, IDOK);
    };
    ASSERT_TRUE(refused(L"C:\\Velt Named\\Aux.日历\\VELT"));
    EXPECT_TRUE(run.PageVisible(L"Page4"));
    EXPECT_FALSE(run.PageVisible(L"Page6"));
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(Exists(L"C:\\Velt Named"));
    ASSERT_TRUE(refused(L"Q:\\no drive\\VELT"));
    EXPECT_TRUE(run.PageVisible(L"Page6"));
    EXPECT_TRUE(RecordExists(HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(run.Click(L"Page6", L"cancelbtn") && AnswerQuitQuestion(run, IDYES));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(Exists(L"C:\\Velt Kept"));
}

// Elevated with another account's password (the test program's hook names
// SYSTEM as the shell's user: under Wine the shell's user is always the
// process's): Page3 shows the shell user's name and offers all users only,
// even where an earlier edition for the current user chose "only me":
// "onlymebtn" takes no click, a click on "anyonebtn" changes no look, and
// the reason is shown (in its red).
TEST_F(SetupWizard, ElevatedForAnotherAccountPage3OffersAllUsersOnly)
{
    ScratchDir earlier(L"legacy");
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, LegacyEntryPath(), kValueInstallLocation, earlier.Path()));
    WizardDriver run;
    SetEnvironmentVariableW(kShellUserVariable, L"S-1-5-18");
    const bool started = StartSetup(run, L"SetupLargeTest.exe");
    SetEnvironmentVariableW(kShellUserVariable, nullptr);
    ASSERT_TRUE(started);
    for (const auto& [page, next] : {std::pair{L"", L"Page1"}, {L"Page1", L"Page2"}, {L"Page2", L"Page3"}})
        ASSERT_TRUE(run.Click(page, L"nextbtn") && run.WaitPageVisible(next, 10000)) << next;
    EXPECT_EQ(EditText(run, L"Page3", L"nameedit"), L"SYSTEM");
    auto centre = [&](const wchar_t* option) { return OptionCentre(run, option); };
    ASSERT_TRUE(WaitUntil([&] { return centre(L"anyonebtn") != centre(L"onlymebtn"); }, 5000));
    const uint32_t onlyMe = centre(L"onlymebtn");
    for (const wchar_t* option : {L"onlymebtn", L"anyonebtn"}) {
        SCOPED_TRACE(option);
        ASSERT_TRUE(run.Click(L"Page3", option));
        EXPECT_FALSE(WaitUntil([&] { return centre(L"onlymebtn") != onlyMe; }, kNoReaction));
    }
    EXPECT_TRUE(ShowsElevationReason(run));
    ASSERT_TRUE(run.Click(L"Page3", L"cancelbtn") && AnswerQuitQuestion(run, IDYES));
    EXPECT_TRUE(EndsWithZero(run));
}

// The calendar runs: Setup says so and ends with 0; the earlier edition's
// traces are removed all the same.
TEST_F(SetupWizard, ARunningCalendarIsRefused)
{
    ScratchDir earlier(L"legacy");
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, LegacyEntryPath(), kValueInstallLocation, earlier.Path()));
    ChildProcess calendar;
    ScratchDir calendarDir(L"calendar");
    ASSERT_TRUE(calendar.StartSleeper(calendarDir / kAppFileName));
    WizardDriver run;
    ASSERT_TRUE(run.Start(ModuleDir() + L"\\Setup.exe", kSetupSkinFileName));
    const MessageBoxSeen seen = run.WaitMessageBox(30000, kCaptionNotice, kMsgAppRunning);
    ASSERT_TRUE(seen.box && WizardDriver::Answer(seen, IDOK));
    EXPECT_TRUE(EndsWithZero(run));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, LegacyEntryPath()));
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
}

// Setup from the release kit installs for all users into the default folder
// by default, with every shortcut, and starts nothing with "runnowbtn"
// cleared.
// For the current user into a path with spaces, without the optional
// shortcuts; into a path typed relative to Setup's current folder with a
// trailing backslash: the field shows it full once it is left, and the record
// holds that full path, backslash and all (the commands then hold a doubled
// one before the file name). The
// launch: Wine told to report Windows XP to Setup, the calendar starts
// through the shell from the installation folder; told to report Windows 7,
// Setup registers a task (Wine's Task Scheduler cannot) and ends cleanly
// without starting it itself. The installed Uninstall removes everything,
// the folder Setup made above the installation too, but not one that was
// there.
TEST_F(SetupInstall, TheInstallationGoesWhereThePagesSay)
{
    // The release kit of this build (the shipped one in the 32-bit build; the
    // release_kit test checks what it holds), unpacked into a folder of its own.
    // VELT_KIT_FOLDER names another folder of the build tree with a kit: the
    // signed one (CTest: signed_kit_install), whose first row is enough and
    // whose installed programs carry their signatures.
    ScratchDir parent(L"typed"), kit(L"kit");
    WIN32_FIND_DATAW found = {};
    const wchar_t* const signedKit = _wgetenv(L"VELT_KIT_FOLDER");
    const std::wstring kits = ModuleDir() + L"\\..\\" + (signedKit ? signedKit : L"kit") + L"\\";
    const wchar_t* kitName = sizeof(void*) == 4 ? L"VELT-Calendar-Setup-*-win32.zip" : L"VELT-Calendar-Setup-*-win64.zip";
    const HANDLE find = FindFirstFileW((kits + kitName).c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "no kit";
    FindClose(find);
    ZipEntries entries;
    ASSERT_TRUE(ReadZip(kits + found.cFileName, &entries));
    for (const auto& entry : entries)
        ASSERT_TRUE(WriteBytes(kit / std::wstring(entry.first.begin(), entry.first.end()), entry.second));
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\Setup.exe";
    const struct {
        std::wstring typed;       // empty: the default folder
        bool onlyMe;
        const wchar_t* reported;  // the Windows version Setup is told; null: "runnowbtn" cleared
        bool removeAfter;         // by the installed Uninstall
    } cases[] = {{L"", false, nullptr, true},
                 {parent / L"VELT Calendar 日历", true, L"winxp64", true},
                 {L"Velt\\", false, L"win7", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reported ? c.reported : L"defaults");
        Clean();
        const std::wstring dir = c.typed.empty()                      ? DefaultInstallDir()
                                 : PathIsRelativeW(c.typed.c_str()) ? parent / c.typed
                                                                    : c.typed;
        const std::wstring above = dir.substr(0, dir.find_last_of(L'\\', dir.size() - 2));
        const bool aboveExisted = Exists(above);
        ASSERT_TRUE(!c.reported || SetRegString(HKEY_CURRENT_USER, appDefaults, L"Version", c.reported));
        WizardDriver run;
        ASSERT_TRUE(run.Start(kit / L"Setup.exe", kSetupSkinFileName, parent.Path()));
        ASSERT_NE(run.WaitFrame(kSetupWindowTitle, 30000), nullptr);
        ASSERT_TRUE(WalkSetupToPage4(run, c.onlyMe));
        ASSERT_TRUE(c.typed.empty() ||
                    (run.TypeText(L"Page4", L"pathedit", c.typed) &&
                     WaitUntil([&] { return EditText(run, L"Page4", L"pathedit") == c.typed; }, 5000) &&
                     run.Click(L"Page4", L"diskfreelabel")));
        EXPECT_TRUE(WaitUntil([&] { return EditText(run, L"Page4", L"pathedit") == dir; }, 5000))
            << EditText(run, L"Page4", L"pathedit");
        ASSERT_TRUE(!c.onlyMe || (run.Click(L"Page4", L"desktopscbtn") && run.Click(L"Page4", L"startmenuscbtn")));
        ASSERT_TRUE(run.Click(L"Page4", L"nextbtn") && run.WaitPageVisible(L"Page7", 60000));
        EXPECT_TRUE(run.WaitPageHidden(L"Page6", 10000));
        EXPECT_EQ(VisibleWindowsOf(run.ProcessId()).size(), 1u) << "a message box appeared";
        // The click on "runnowbtn" is handled before the one on "finishbtn":
        // posted input to one window keeps its order.
        ASSERT_TRUE((c.reported || run.Click(L"Page7", L"runnowbtn")) && run.Click(L"Page7", L"finishbtn"));
        EXPECT_TRUE(EndsWithZero(run));
        SHDeleteKeyW(HKEY_CURRENT_USER, appDefaults.c_str());

        // Recorded and linked under the chosen root only, as typed.
        const int allUsers = !c.onlyMe;
        EXPECT_EQ(RecordString(RecordRoot(allUsers), kValueInstallLocation), dir);
        EXPECT_EQ(RecordString(RecordRoot(allUsers), kValueUninstallString), UninstallCommand(dir));
        EXPECT_FALSE(RecordExists(RecordRoot(!allUsers)));
        const ShortcutPaths links = ComposeShortcutPaths(allUsers);
        EXPECT_TRUE(Exists(links.appLink));
        EXPECT_FALSE(Exists(ComposeShortcutPaths(!allUsers).appLink));
        EXPECT_EQ(Exists(links.desktopLink), !c.onlyMe);
        EXPECT_EQ(Exists(links.quickLaunchLink), !c.onlyMe);
        EXPECT_TRUE(Exists(dir + (dir.back() == L'\\' ? L"" : L"\\") + kAppFileName));
        for (const wchar_t* program : {kAppFileName, kUninstallerFileName, L"DuiLibu.dll"}) {
            const LONG status = signedKit ? SignatureStatus(dir + L"\\" + program) : 0;
            EXPECT_TRUE(status == 0 || status == CERT_E_UNTRUSTEDROOT) << program << " 0x" << std::hex << status;
        }
        const bool xp = c.reported && lstrcmpW(c.reported, L"winxp64") == 0;
        DWORD pid = 0;
        EXPECT_EQ(WaitUntil([&] { return (pid = FindRunningApp()) != 0; }, xp ? 30000 : kNoReaction), xp);
        EXPECT_TRUE(!pid || lstrcmpiW(EndProcess(pid).c_str(), AppExePath(dir).c_str()) == 0);
        if (!c.removeAfter)
            continue;

        WizardDriver uninstall;
        ASSERT_TRUE(StartUninstall(uninstall, dir));
        ASSERT_TRUE(uninstall.Click(L"nextbtn") && uninstall.WaitPageVisible(L"Page11", 30000));
        ASSERT_TRUE(uninstall.Click(L"Page11", L"finishbtn"));
        EXPECT_TRUE(EndsWithZero(uninstall));
        EXPECT_TRUE(WaitUntil([&] { return !Exists(dir) && Exists(above) == aboveExisted; }, 30000, 100))
            << "the installation folder or the one above it stays";
        EXPECT_TRUE(Exists(ShellPath(CSIDL_PROGRAM_FILES)));
        for (int root : {0, 1}) {
            EXPECT_FALSE(RecordExists(RecordRoot(root)));
            EXPECT_EQ(AutostartValue(RecordRoot(root)), L"<none>");
            EXPECT_FALSE(Exists(ComposeShortcutPaths(root).programsGroup));
        }
        EXPECT_FALSE(Exists(links.desktopLink));
        EXPECT_FALSE(Exists(links.quickLaunchLink));
        if (signedKit)
            break;
    }
}

// Removal is the first choice; while the calendar runs, the confirmation's
// "nextbtn" says so and changes nothing. Its "prebtn" (or the frame's) goes
// back to the choice with the option as it was; repair chosen starts at once
// and repairs the installation where it is recorded (for the current user
// here: the payload's placeholders become this build's programs, the missing
// desktop shortcut comes back).
TEST_F(SetupMaintenance, TheChoiceAndBackThenTheRepair)
{
    InstallOptions options;  // for the current user, without the desktop shortcut: what a repair mends
    options.recordRoot = 0;
    options.desktopLink = false;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    const ShortcutPaths links = ComposeShortcutPaths(0);
    ChildProcess calendar;
    ScratchDir calendarDir(L"calendar");
    ASSERT_TRUE(calendar.StartSleeper(calendarDir / kAppFileName));
    WizardDriver run;
    ASSERT_TRUE(StartSetup(run));
    ASSERT_EQ(FindWindowW(L"Page8Wnd", kSetupWindowTitle), run.Frame());
    ASSERT_TRUE(run.Click(L"fixbtn") && run.Click(L"uninstallbtn"));
    ASSERT_TRUE(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page9", 10000));
    ASSERT_TRUE(run.Click(L"Page9", L"nextbtn"));
    const MessageBoxSeen seen = run.WaitMessageBox(10000, kCaptionNotice, kMsgAppRunning);
    ASSERT_TRUE(seen.box && WizardDriver::Answer(seen, IDOK));
    EXPECT_TRUE(run.PageVisible(L"Page9"));
    EXPECT_TRUE(RecordExists(HKEY_CURRENT_USER));
    calendar.Terminate();
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
