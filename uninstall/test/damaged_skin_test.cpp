// Uninstall.exe started without a usable skin archive: no "Uninstall.DAT"
// beside it, one without the frame's layout "Page9Wnd.xml", or one that is
// no zip at all. It shows the damaged-installer message (caption "错误", no
// owner) as its only window, ends with exit code 0 once it is answered, and
// leaves the installation as it was.
#include "fake_installation.h"
#include "wizard_driver.h"

#include "product.h"
#include "test_support.h"
#include "wait_until.h"

#include "test_zip.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_support;

namespace {

// Runs the Uninstall.exe of `dir` and expects the damaged-installer message
// as its only window, then exit code 0 once answered.
void ExpectDamagedMessage(const std::wstring& dir)
{
    WizardDriver run;
    ASSERT_TRUE(run.Start(dir + L"\\" + kUninstallerFileName, kUninstallSkinFileName));
    const MessageBoxSeen seen = run.WaitMessageBox(20000, kCaptionError, kMsgSetupDamaged);
    ASSERT_TRUE(seen.box != nullptr) << "no damaged-installer message";
    EXPECT_EQ(GetWindow(seen.box, GW_OWNER), nullptr) << "owned by a window";
    EXPECT_EQ(run.VisibleTopLevelWindows(), std::vector<HWND>{seen.box}) << "another window shows";
    EXPECT_NE(GetDlgItem(seen.box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(seen.box, IDYES), nullptr);
    ASSERT_TRUE(WizardDriver::Answer(seen, IDOK));
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
}

} // namespace

TEST(UninstallDamagedSkin, MissingArchiveOrFrameLayoutShowsTheMessageAndTouchesNothing)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    const std::wstring installedSkin = install.Dir() + L"\\" + kUninstallSkinFileName;
    const std::wstring app = install.Dir() + L"\\VELT电子日历.exe";

    // A copy of Uninstall without its archive, then with one that lacks the frame's layout.
    ScratchDir elsewhere(L"damaged");
    for (const wchar_t* name : {kUninstallerFileName, kWindowLibraryFileName})
        ASSERT_TRUE(CopyFileW((install.Dir() + L"\\" + name).c_str(), (elsewhere / name).c_str(), FALSE));
    ExpectDamagedMessage(elsewhere.Path());
    ZipEntries entries;
    ASSERT_TRUE(ReadZip(installedSkin, &entries));
    const auto frame =
        std::find_if(entries.begin(), entries.end(), [](const auto& e) { return e.first == "Page9Wnd.xml"; });
    ASSERT_NE(frame, entries.end());
    entries.erase(frame);
    ASSERT_TRUE(WriteZip(elsewhere / kUninstallSkinFileName, entries));
    ExpectDamagedMessage(elsewhere.Path());

    // The installed Uninstall with an archive that is no zip.
    std::string skinBytes;
    ASSERT_TRUE(ReadBytes(installedSkin, &skinBytes));
    ASSERT_TRUE(WriteBytes(installedSkin, std::string(skinBytes.size(), 'P')));
    ExpectDamagedMessage(install.Dir());

    // Nothing of the installation goes, now or by a delayed removal.
    EXPECT_FALSE(WaitUntil(
        [&] {
            return !RecordExists(HKEY_LOCAL_MACHINE) || !Exists(app) || !Exists(install.Dir() + L"\\Uninstall.exe") ||
                   !Exists(install.Dir() + L"\\res\\profile.xml") || !Exists(ComposeShortcutPaths(1).appLink) ||
                   !Exists(elsewhere / kUninstallerFileName);
        },
        2000, 100));
}
