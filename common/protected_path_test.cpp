// The removal guard against the real shell folders of the Wine prefix.
#include "protected_path.h"

#include "fake_installation.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace testing_support;

// Drive roots, shares, paths that cannot be judged (empty, relative, rooted
// without a drive, wildcards), the system and shell folders in any spelling,
// the folder that holds the profiles and another user's profile.
TEST(ProtectedPath, RootsSharesSystemAndShellFoldersAndUnjudgeablePathsAreRefused)
{
    std::vector<std::wstring> refused = {L"C:\\", L"C:", L"c:/", L"D:\\", L"Z:\\", L"C:\\.", L"C:\\x\\..",
                                         L"\\\\server\\share", L"\\\\server\\share\\", L"", L"relative\\dir",
                                         L"\\rooted-without-drive", L"C:\\a*b", L"C:\\a?", L".",
                                         ShellPath(CSIDL_WINDOWS, L"system32\\..")};
    for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY,
                      CSIDL_PERSONAL, CSIDL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS,
                      CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_FONTS}) {
        std::wstring folder = ShellPath(csidl);
        ASSERT_FALSE(folder.empty()) << csidl;
        refused.push_back(folder);
        refused.push_back(folder + L"\\");
        CharUpperW(&folder[0]);
        refused.push_back(folder);
    }
    const std::wstring profile = ShellPath(CSIDL_PROFILE), profiles = profile.substr(0, profile.find_last_of(L'\\'));
    refused.push_back(profiles);
    refused.push_back(profiles + L"\\someone-else");
    for (const std::wstring& path : refused)
        EXPECT_TRUE(IsProtectedPath(path)) << testing::PrintToString(path);
}

TEST(ProtectedPath, InstallationFoldersArePermittedAndSamePathIgnoresSpelling)
{
    ScratchDir scratch(L"guard");
    for (const std::wstring& path : {ShellPath(CSIDL_PROGRAM_FILES, L"QRVL\\VELT电子日历"),
                                     ShellPath(CSIDL_PROGRAM_FILES, L"QRVL"), std::wstring(L"C:\\VELT"),
                                     ShellPath(CSIDL_DESKTOPDIRECTORY, L"my calendar"), scratch.Path()})
        EXPECT_FALSE(IsProtectedPath(path)) << testing::PrintToString(path);

    EXPECT_TRUE(SamePath(L"C:\\Program Files\\QRVL\\VELT电子日历", L"c:/program files/qrvl/VELT电子日历/"));
    EXPECT_TRUE(SamePath(L"C:\\a\\b\\..\\c", L"C:\\a\\c"));
    EXPECT_FALSE(SamePath(L"C:\\a\\c", L"C:\\a\\cd"));
    EXPECT_FALSE(SamePath(L"", L""));
    EXPECT_EQ(L"C:\\", NormalisePath(L"C:\\"));
    EXPECT_EQ(L"C:\\x", NormalisePath(L"C:\\x\\\\"));
}
