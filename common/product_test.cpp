// The composed commands and shortcut paths, and the install record as an
// installation and a repair write it into Wine's registry.
#include "install_record.h"
#include "product.h"

#include "test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

using testing_support::RegString;
using testing_support::ValueNames;

namespace {

// A product key of the test's own, removed again, so that no test touches
// the real record.
struct TestRecord {
    const int allUsers;
    const std::wstring productKey = L"{VELT-TEST-" + testing_support::UniqueName(L"record") + L"}";
    ~TestRecord() { RegDeleteKeyW(RecordRoot(allUsers), InstallRecordKeyPath(productKey).c_str()); }
};

} // namespace

// A typed trailing backslash is kept (for the uninstall command:
// ProductRecord.InstallWritesExactlyFourValuesAndRepairKeepsTheirNames).
TEST(ProductCommands, ExecutablePathsInCommandsAreQuotedAndKeepATypedTrailingBackslash)
{
    const std::wstring dir = L"C:\\Program Files\\QRVL\\VELT电子日历";
    EXPECT_EQ(L"\"" + dir + L"\\Uninstall.exe\"", UninstallCommand(dir));
    EXPECT_EQ(L"\"" + dir + L"\\VELT电子日历.exe\"", AutostartCommand(dir));
    EXPECT_EQ(dir + L"\\VELT电子日历.exe", AppExePath(dir));
    EXPECT_EQ(L"D:\\Soft\\\\VELT电子日历.exe", AppExePath(L"D:\\Soft\\"));
}

// Under both roots: the four values of an installation; a repair rewrites the
// uninstall command and keeps the spelling of the name it is stored under.
TEST(ProductRecord, InstallWritesExactlyFourValuesAndRepairKeepsTheirNames)
{
    for (int allUsers : {1, 0}) {
        SCOPED_TRACE(allUsers);
        const TestRecord record{allUsers};
        const std::wstring path = InstallRecordKeyPath(record.productKey);
        const HKEY root = allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        const std::wstring dir = L"C:\\Program Files\\QRVL\\VELT电子日历\\";
        ASSERT_EQ(ERROR_SUCCESS, WriteInstallRecord(allUsers, record.productKey, dir, RecordWriter::Install));
        DWORD type = 0;
        EXPECT_EQ(L"VELT电子日历", RegString(root, path, L"DisplayName", &type));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        EXPECT_EQ(dir, RegString(root, path, L"InstallLocation"));
        EXPECT_EQ(L"VELT", RegString(root, path, L"Publisher"));
        EXPECT_EQ(L"\"" + dir + L"\\Uninstall.exe\"", RegString(root, path, L"UninstallString"));
        EXPECT_EQ(4u, ValueNames(root, path).size());

        ASSERT_EQ(ERROR_SUCCESS, WriteInstallRecord(allUsers, record.productKey, L"C:\\new", RecordWriter::Repair));
        const std::vector<std::wstring> names = ValueNames(root, path);
        EXPECT_EQ(4u, names.size());
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), std::wstring(L"UninstallString")));
        EXPECT_EQ(L"\"C:\\new\\Uninstall.exe\"", RegString(root, path, L"UnInstallString"));
    }
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
