// The removal guard and the identity of paths (protected_path.h,
// path_identity.h) against the real folders of the Wine prefix: one table of
// paths, each protected or not and disguised or not, with the reason; the
// shell folders in any spelling; links planted by the test session.
#include "path_identity.h"
#include "protected_path.h"

#include "fake_installation.h"
#include "plant_link.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace testing_support;

namespace {

struct PathRow {
    std::wstring path;
    bool isProtected;
    bool disguised;
    const char* reason;
};

std::wstring ShortName(const std::wstring& path)
{
    WCHAR name[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(path.c_str(), name, MAX_PATH);
    return length > 0 && length < MAX_PATH ? name : L"";
}

// A link planted by the test session at C:\velt-links\<name>; the links stay
// (no Windows call removes a link under Wine without acting on its target,
// and no cleanup walks that folder), so a link left by an earlier run is
// taken when it leads to the same place.
std::wstring Link(const std::wstring& name, const std::wstring& target)
{
    const std::wstring folder = L"C:\\velt-links\\planted", link = folder + L"\\" + name;
    MakeDirs(folder);
    std::wstring why;
    if (!PlantLink(link, target, &why) && FinalPathOf(link) != FinalPathOf(target))
        ADD_FAILURE() << "no link planted: " << testing::PrintToString(why);
    return link;
}

} // namespace

TEST(ProtectedPath, PathsAreJudgedByWhatTheyName)
{
    const std::wstring windows = ShellPath(CSIDL_WINDOWS);
    const std::wstring programData = ShellPath(CSIDL_COMMON_APPDATA), shortData = ShortName(programData);
    ASSERT_FALSE(shortData.empty());
    ASSERT_NE(shortData, programData) << "Wine gives ProgramData no short name";
    const std::wstring profile = ShellPath(CSIDL_PROFILE), profiles = profile.substr(0, profile.find_last_of(L'\\'));
    ScratchDir scratch(L"guard");
    const std::wstring victim = scratch / L"victim folder";
    MakeDirs(victim);
    const std::wstring toWindows = Link(L"paths-windows", windows);
    const std::wstring toVictim = Link(L"paths-victim-" + std::to_wstring(GetCurrentProcessId()), victim);
    const std::wstring drive = windows.substr(0, 2);
    const std::wstring rest = windows.substr(2);

    const PathRow rows[] = {
        {L"C:\\", true, false, "a drive's root"},
        {L"", true, false, "empty: cannot be judged"},
        {L"relative\\dir", true, false, "relative: cannot be judged"},
        {L"\\\\server\\share", true, false, "a share's root"},
        {windows, true, false, "the Windows folder"},
        {windows + L"\\Temp", true, false, "below the Windows folder"},
        // A 32-bit program on a 64-bit Windows reaches SysWOW64 by this name
        // (the file system redirector): the name does not say where it leads.
        {windows + L"\\system32\\drivers", true, RunsUnderWow64(), "below the Windows folder"},
        {windows + L"\\not there yet\\x", true, false, "below the Windows folder, not existing"},
        {ShellPath(CSIDL_PROGRAM_FILES), true, false, "Program Files"},
        {ShellPath(CSIDL_PROGRAM_FILES, L"QRVL\\VELT电子日历"), false, false, "installations live below Program Files"},
        {programData, true, false, "a known folder"},
        {shortData, true, true, "a known folder by its short name"},
        {shortData + L"\\VELT", false, true, "below a known folder, by a short name"},
        {programData + L"\\VELT", false, false, "below a known folder"},
        {L"\\\\?\\" + windows + L"\\Temp", true, true, "literal form"},
        {L"\\\\?\\" + victim, true, true, "literal form of a plain folder"},
        {L"\\\\.\\" + victim, true, true, "device form"},
        {L"\\\\localhost\\" + drive.substr(0, 1) + L"$" + rest, true, true, "administrative share"},
        {L"\\\\localhost\\ADMIN$", true, true, "administrative share"},
        {victim + L".", true, true, "a trailing dot"},
        {scratch / L"victim folder \\x", true, true, "a component ending in a space"},
        {victim + L":stream", true, true, "a stream"},
        {profiles, true, false, "the folder of the profiles"},
        {profiles + L"\\someone-else", true, false, "another user's profile"},
        {profile + L"\\my calendar", false, false, "a folder in the profile"},
        {victim, false, false, "a plain folder"},
        {victim + L"\\new\\VELT", false, false, "a plain folder, not existing"},
        {L"Q:\\no drive\\VELT", false, false, "a drive that does not exist: nothing to resolve"},
        {toWindows, true, true, "a link to the Windows folder"},
        {toWindows + L"\\system32", true, true, "through a link to the Windows folder"},
        {toVictim, false, true, "a link to a plain folder"},
        {toVictim + L"\\VELT", false, true, "through a link to a plain folder"},
    };
    for (const PathRow& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.path) + " (" + row.reason + ")");
        EXPECT_EQ(row.isProtected, IsProtectedPath(row.path));
        EXPECT_EQ(row.disguised, IsDisguisedPath(row.path));
    }
    EXPECT_EQ(victim, FinalPathOf(toVictim));
    EXPECT_EQ(programData + L"\\a\\b", FinalPathOf(shortData + L"\\a\\b"));
}

// The shell folders in any spelling, with and without a trailing separator.
TEST(ProtectedPath, ShellFoldersAreRefusedInAnySpelling)
{
    for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROFILE,
                      CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS,
                      CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_FONTS}) {
        std::wstring folder = ShellPath(csidl);
        ASSERT_FALSE(folder.empty()) << csidl;
        std::wstring upper = folder;
        CharUpperW(&upper[0]);
        for (const std::wstring& path : {folder, folder + L"\\", upper, ShellPath(csidl, L"x\\..")})
            EXPECT_TRUE(IsProtectedPath(path)) << testing::PrintToString(path);
    }
}

TEST(ProtectedPath, SamePathIgnoresSpelling)
{
    EXPECT_TRUE(SamePath(L"C:\\Program Files\\QRVL\\VELT电子日历", L"c:/program files/qrvl/VELT电子日历/"));
    EXPECT_TRUE(SamePath(L"C:\\a\\b\\..\\c", L"C:\\a\\c"));
    EXPECT_FALSE(SamePath(L"C:\\a\\c", L"C:\\a\\cd"));
    EXPECT_FALSE(SamePath(L"", L""));
    EXPECT_EQ(L"C:\\", NormalisePath(L"C:\\"));
    EXPECT_EQ(L"C:\\x", NormalisePath(L"C:\\x\\\\"));
}
