// The composed install record, commands and shortcut paths, and the record as
// written into Wine's registry.
#include "install_record.h"
#include "product.h"

#include "registry_key.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using testing_support::RegString;
using testing_support::ValueNames;

namespace {

// A product key of the test's own, so that no test touches the real record.
struct TestRecord {
    std::wstring productKey = L"{VELT-TEST-" + testing_support::UniqueName(L"record") + L"}";
    int allUsers;
    explicit TestRecord(int all) : allUsers(all) {}
    ~TestRecord()
    {
        CRegistryKey parent;
        if (parent.Open(RecordRoot(allUsers), kUninstallParentKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
            parent.DeleteKey(productKey.c_str());
    }
};

} // namespace

// A typed trailing backslash is kept (for the uninstall command:
// ProductRecord.WrittenRecordHoldsExactlyTheFourValues).
TEST(ProductCommands, ExecutablePathsInCommandsAreQuotedAndKeepATypedTrailingBackslash)
{
    const std::wstring dir = L"C:\\Program Files\\QRVL\\VELT电子日历";
    EXPECT_EQ(L"\"C:\\Program Files\\QRVL\\VELT电子日历\\Uninstall.exe\"", UninstallCommand(dir));
    EXPECT_EQ(L"\"C:\\Program Files\\QRVL\\VELT电子日历\\VELT电子日历.exe\"", AutostartCommand(dir));
    EXPECT_EQ(L"C:\\Program Files\\QRVL\\VELT电子日历\\VELT电子日历.exe", AppExePath(dir));
    EXPECT_EQ(L"D:\\Soft\\\\VELT电子日历.exe", AppExePath(L"D:\\Soft\\"));
}

TEST(ProductRecord, WrittenRecordHoldsExactlyTheFourValues)
{
    for (int allUsers : {1, 0}) {
        TestRecord record(allUsers);
        const std::wstring dir = L"C:\\Program Files\\QRVL\\VELT电子日历\\";
        ASSERT_EQ(ERROR_SUCCESS, WriteInstallRecord(allUsers, record.productKey, dir, RecordWriter::Install));
        const std::wstring path = InstallRecordKeyPath(record.productKey);
        const HKEY root = allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        DWORD type = 0;
        EXPECT_EQ(L"VELT电子日历", RegString(root, path, L"DisplayName", &type));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        EXPECT_EQ(dir, RegString(root, path, L"InstallLocation"));
        EXPECT_EQ(L"VELT", RegString(root, path, L"Publisher"));
        EXPECT_EQ(L"\"C:\\Program Files\\QRVL\\VELT电子日历\\\\Uninstall.exe\"",
                  RegString(root, path, L"UninstallString"));
        EXPECT_EQ(4u, ValueNames(root, path).size());
    }
}

TEST(ProductRecord, RepairKeepsTheStoredSpellingOfTheUninstallCommand)
{
    TestRecord record(0);
    ASSERT_EQ(ERROR_SUCCESS, WriteInstallRecord(0, record.productKey, L"C:\\old", RecordWriter::Install));
    ASSERT_EQ(ERROR_SUCCESS, WriteInstallRecord(0, record.productKey, L"C:\\new", RecordWriter::Repair));
    const auto names = ValueNames(HKEY_CURRENT_USER, InstallRecordKeyPath(record.productKey));
    ASSERT_EQ(4u, names.size());
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), std::wstring(L"UninstallString")));
    EXPECT_EQ(L"\"C:\\new\\Uninstall.exe\"",
              RegString(HKEY_CURRENT_USER, InstallRecordKeyPath(record.productKey), L"UnInstallString"));
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
