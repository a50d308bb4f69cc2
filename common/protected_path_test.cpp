// The removal guard against the real shell folders of the Wine prefix.
#include "protected_path.h"

#include "test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace testing_support;

namespace {

std::wstring SpecialFolder(int csidl)
{
    WCHAR path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    return path;
}

} // namespace

// Drive roots, shares, and paths that cannot be judged (empty, relative,
// rooted without a drive, wildcards).
TEST(ProtectedPath, DriveRootsSharesAndPathsThatCannotBeJudgedAreRefused)
{
    for (const wchar_t* path : {L"C:\\", L"C:", L"c:/", L"D:\\", L"Z:\\", L"C:\\.", L"C:\\x\\..",
                                L"\\\\server\\share", L"\\\\server\\share\\", L"", L"relative\\dir",
                                L"\\rooted-without-drive", L"C:\\a*b", L"C:\\a?", L"."})
        EXPECT_TRUE(IsProtectedPath(path)) << std::string(path, path + wcslen(path));
}

TEST(ProtectedPath, SystemAndShellFoldersAndTheirParentsAreRefused)
{
    for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY,
                      CSIDL_PERSONAL, CSIDL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS,
                      CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_FONTS}) {
        const std::wstring folder = SpecialFolder(csidl);
        ASSERT_FALSE(folder.empty()) << csidl;
        EXPECT_TRUE(IsProtectedPath(folder)) << csidl;
        EXPECT_TRUE(IsProtectedPath(folder + L"\\")) << csidl;
        // Another spelling of the same folder.
        std::wstring upper = folder;
        CharUpperW(&upper[0]);
        EXPECT_TRUE(IsProtectedPath(upper)) << csidl;
    }
    // The folder that holds the profiles, and another user's profile.
    std::wstring profile = SpecialFolder(CSIDL_PROFILE);
    const std::wstring profiles = profile.substr(0, profile.find_last_of(L'\\'));
    EXPECT_TRUE(IsProtectedPath(profiles));
    EXPECT_TRUE(IsProtectedPath(profiles + L"\\someone-else"));
    EXPECT_TRUE(IsProtectedPath(SpecialFolder(CSIDL_WINDOWS) + L"\\system32\\.."));
}

TEST(ProtectedPath, InstallationFoldersArePermitted)
{
    const std::wstring programFiles = SpecialFolder(CSIDL_PROGRAM_FILES);
    EXPECT_FALSE(IsProtectedPath(programFiles + L"\\QRVL\\VELT电子日历"));
    EXPECT_FALSE(IsProtectedPath(programFiles + L"\\QRVL"));
    EXPECT_FALSE(IsProtectedPath(L"C:\\VELT"));
    EXPECT_FALSE(IsProtectedPath(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"\\my calendar"));
    ScratchDir dir(L"guard");
    EXPECT_FALSE(IsProtectedPath(dir.Path()));
}

TEST(ProtectedPath, SamePathIgnoresCaseSeparatorsAndTrailingSlash)
{
    EXPECT_TRUE(SamePath(L"C:\\Program Files\\QRVL\\VELT电子日历", L"c:/program files/qrvl/VELT电子日历/"));
    EXPECT_TRUE(SamePath(L"C:\\a\\b\\..\\c", L"C:\\a\\c"));
    EXPECT_FALSE(SamePath(L"C:\\a\\c", L"C:\\a\\cd"));
    EXPECT_FALSE(SamePath(L"", L""));
    EXPECT_EQ(L"C:\\", NormalisePath(L"C:\\"));
    EXPECT_EQ(L"C:\\x", NormalisePath(L"C:\\x\\\\"));
}
