// The composed commands and the paths of the installation and its shortcuts.
// The install record as an installation and a repair write it into Wine's
// registry: EngineTest.* (setup/test/engine_test.cpp).
#include "product.h"

#include <gtest/gtest.h>
#include <shlobj.h>

// A typed trailing backslash is kept (in the record too:
// SetupInstall.TheInstallationGoesWhereThePagesSay).
TEST(ProductCommands, ExecutablePathsInCommandsAreQuotedAndKeepATypedTrailingBackslash)
{
    const std::wstring dir = L"C:\\Program Files\\QRVL\\VELT电子日历";
    EXPECT_EQ(L"\"" + dir + L"\\Uninstall.exe\"", UninstallCommand(dir));
    EXPECT_EQ(L"\"" + dir + L"\\VELT电子日历.exe\"", AutostartCommand(dir));
    EXPECT_EQ(dir + L"\\VELT电子日历.exe", AppExePath(dir));
    EXPECT_EQ(L"D:\\Soft\\\\VELT电子日历.exe", AppExePath(L"D:\\Soft\\"));
}

TEST(ProductFolders, DefaultDirAndShortcutsFollowTheShellFolders)
{
    EXPECT_EQ(ShellFolder(CSIDL_PROGRAM_FILES) + L"\\QRVL\\VELT电子日历", DefaultInstallDir());

    const ShortcutPaths all = ComposeShortcutPaths(1);
    const std::wstring common = ShellFolder(CSIDL_COMMON_PROGRAMS);
    ASSERT_FALSE(common.empty());
    EXPECT_EQ(common + L"\\Quorvel", all.programsGroup);
    EXPECT_EQ(common + L"\\Quorvel\\VELT电子日历\\VELT电子日历.lnk", all.appLink);
    EXPECT_EQ(common + L"\\Quorvel\\VELT电子日历\\Uninstall.lnk", all.uninstallLink);
    // Desktop and Quick Launch always belong to the current user.
    EXPECT_EQ(ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\VELT电子日历.lnk", all.desktopLink);
    EXPECT_EQ(ShellFolder(CSIDL_APPDATA) + L"\\Microsoft\\Internet Explorer\\Quick Launch\\VELT电子日历.lnk",
              all.quickLaunchLink);

    const ShortcutPaths mine = ComposeShortcutPaths(0);
    EXPECT_EQ(ShellFolder(CSIDL_PROGRAMS) + L"\\Quorvel\\VELT电子日历", mine.programsProduct);
    EXPECT_EQ(all.desktopLink, mine.desktopLink);
    EXPECT_NE(all.appLink, mine.appLink);
}
