// Removal bounded by the install manifest, on real folders of the Wine prefix.
#include "install_removal.h"

#include "install_manifest.h"
#include "fake_installation.h"
#include "payload_entries.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace testing_support;

namespace {

// The manifest an installation that made (or found) `dir` writes.
InstallManifest ManifestOfPayload(const std::wstring& dir, bool created)
{
    InstallManifest manifest = PayloadManifest(dir);
    manifest.createdDirectory = created;
    return manifest;
}

} // namespace

// A directory the installation created goes whole, with what was put in it
// later. The folders it made above the directory go once empty, innermost
// first; one that holds something else stays, and so does every folder above it.
TEST(InstallRemoval, CreatedDirectoryGoesWholeAndCreatedParentsWhenEmpty)
{
    ScratchDir scratch(L"removal");
    for (bool shared : {false, true}) {
        SCOPED_TRACE(shared);
        const std::wstring top = scratch / (shared ? L"Shared" : L"Alone");
        const std::wstring dir = top + L"\\QRVL\\VELT电子日历";
        ASSERT_TRUE(WritePayloadPlaceholders(dir));
        ASSERT_TRUE(WriteBytes(dir + L"\\res\\user-notes.txt", "later"));
        if (shared) {
            ASSERT_TRUE(WriteBytes(top + L"\\other product.txt", "theirs"));
        }
        InstallManifest manifest = ManifestOfPayload(dir, true);
        manifest.createdParents = 2;
        ASSERT_EQ(ERROR_SUCCESS, WriteInstallManifest(dir, manifest));
        EXPECT_EQ(RemovalScope::WholeDirectory, PlanRemoval(dir));
        int parents = -1;
        EXPECT_EQ(RemovalScope::WholeDirectory, RemoveInstalledFiles(dir, &parents));
        EXPECT_EQ(2, parents);
        EXPECT_FALSE(Exists(dir));
        EXPECT_FALSE(Exists(top + L"\\QRVL"));
        EXPECT_EQ(Exists(top), shared);
        EXPECT_TRUE(Exists(scratch.Path()));
    }
    // Never above a protected folder, whatever the count says.
    WCHAR programs[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, programs, CSIDL_PROGRAM_FILES, FALSE);
    const std::vector<std::wstring> above = CreatedParentFolders(std::wstring(programs) + L"\\QRVL\\VELT", 5);
    ASSERT_EQ(1u, above.size());
    EXPECT_EQ(std::wstring(programs) + L"\\QRVL", above[0]);
}

TEST(InstallRemoval, PreexistingDirectoryKeepsTheUsersFilesByteForByte)
{
    ScratchDir scratch(L"removal");
    const std::wstring dir = scratch / L"Tools";
    ASSERT_TRUE(MakeDirs(dir + L"\\res\\mine"));
    const std::string big(70000, 'u');
    ASSERT_TRUE(WriteBytes(dir + L"\\readme.txt", "the user's own"));
    ASSERT_TRUE(WriteBytes(dir + L"\\res\\mine\\big.bin", big));
    ASSERT_TRUE(WriteBytes(dir + L"\\res\\settings.ini", "x=1"));
    ASSERT_TRUE(WritePayloadPlaceholders(dir));
    ASSERT_EQ(ERROR_SUCCESS, WriteInstallManifest(dir, ManifestOfPayload(dir, false)));

    EXPECT_EQ(RemovalScope::ListedEntries, RemoveInstalledFiles(dir));
    EXPECT_EQ("the user's own", FileContent(dir + L"\\readme.txt"));
    EXPECT_EQ(big, FileContent(dir + L"\\res\\mine\\big.bin"));
    EXPECT_EQ("x=1", FileContent(dir + L"\\res\\settings.ini"));
    EXPECT_FALSE(Exists(dir + L"\\VELT电子日历.exe"));
    EXPECT_FALSE(Exists(dir + L"\\Uninstall.exe"));
    EXPECT_FALSE(Exists(dir + L"\\res\\profile.xml"));
    EXPECT_FALSE(Exists(dir + L"\\res\\image"));  // emptied, so removed
    EXPECT_TRUE(Exists(dir + L"\\res"));          // still holds the user's files
    EXPECT_FALSE(Exists(dir + L"\\VELTInstall.lst"));
}

TEST(InstallRemoval, ManifestOfAnotherDirectoryNeverTakesTheWholeFolder)
{
    ScratchDir scratch(L"removal");
    const std::wstring dir = scratch / L"moved";
    ASSERT_TRUE(WritePayloadPlaceholders(dir));
    ASSERT_TRUE(WriteBytes(dir + L"\\keep.txt", "keep"));
    ASSERT_TRUE(WriteBytes(dir + L"\\letter.txt", "the user's"));
    // It lists a file of the user's too: not this folder's manifest, so only
    // the payload's names count.
    InstallManifest other = ManifestOfPayload(scratch / L"elsewhere", true);
    other.AddFile(L"letter.txt");
    ASSERT_EQ(ERROR_SUCCESS, WriteInstallManifest(dir, other));
    EXPECT_EQ(RemovalScope::ListedEntries, RemoveInstalledFiles(dir));
    EXPECT_EQ("keep", FileContent(dir + L"\\keep.txt"));
    EXPECT_EQ("the user's", FileContent(dir + L"\\letter.txt"));
    EXPECT_FALSE(Exists(dir + L"\\DuiLibu.dll"));
    EXPECT_FALSE(Exists(dir + L"\\VELTInstall.lst"));
}

TEST(InstallRemoval, WithoutAReadableManifestOnlyThePayloadGoes)
{
    for (bool damaged : {false, true}) {
        ScratchDir scratch(L"removal");
        const std::wstring dir = scratch / L"nomanifest";
        ASSERT_TRUE(WritePayloadPlaceholders(dir));
        ASSERT_TRUE(WriteBytes(dir + L"\\res\\image\\weather\\d99.png", "not ours"));
        ASSERT_TRUE(WriteBytes(dir + L"\\diary.txt", "mine"));
        if (damaged) {
            ASSERT_TRUE(WriteBytes(dir + L"\\VELTInstall.lst", "VELT-INSTALL-MANIFEST 1\r\ncreated 1\r\n"));
        }
        EXPECT_EQ(RemovalScope::PayloadEntries, RemoveInstalledFiles(dir));
        EXPECT_EQ("mine", FileContent(dir + L"\\diary.txt"));
        EXPECT_EQ("not ours", FileContent(dir + L"\\res\\image\\weather\\d99.png"));
        EXPECT_FALSE(Exists(dir + L"\\res\\image\\weather\\d53.gif"));
        EXPECT_FALSE(Exists(dir + L"\\res\\image\\face"));
        EXPECT_FALSE(Exists(dir + L"\\VELT电子日历.exe"));
        EXPECT_FALSE(Exists(dir + L"\\VELTInstall.lst"));
    }
}

TEST(InstallRemoval, ProtectedLocationsNeverGoWholeOnlyTheirListedEntriesDo)
{
    EXPECT_EQ(RemovalScope::Nothing, RemoveInstalledFiles(L""));
    EXPECT_EQ(RemovalScope::Nothing, RemoveInstalledFiles(L"relative\\dir"));
    EXPECT_EQ(RemovalScope::PayloadEntries, PlanRemoval(L"C:\\"));
    WCHAR desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    const std::wstring ours = std::wstring(desktop) + L"\\VELTInstall-guard-ours.txt";
    const std::wstring theirs = std::wstring(desktop) + L"\\VELTInstall-guard-theirs.txt";
    ASSERT_TRUE(WriteBytes(ours, "ours"));
    ASSERT_TRUE(WriteBytes(theirs, "stay"));
    // Even a manifest that claims the installation created the desktop.
    InstallManifest claim;
    claim.directory = desktop;
    claim.createdDirectory = true;
    claim.AddFile(L"VELTInstall-guard-ours.txt");
    ASSERT_EQ(ERROR_SUCCESS, WriteInstallManifest(desktop, claim));
    EXPECT_EQ(RemovalScope::ListedEntries, RemoveInstalledFiles(desktop));
    EXPECT_FALSE(Exists(ours));
    EXPECT_EQ("stay", FileContent(theirs));
    EXPECT_TRUE(Exists(desktop));
    EXPECT_FALSE(Exists(InstallManifestPath(desktop)));
    DeleteFileW(theirs.c_str());
}

TEST(InstallRemoval, ListedFolderThatIsNowAFileAndListedFileThatIsNowAFolderStay)
{
    ScratchDir scratch(L"removal");
    const std::wstring dir = scratch / L"swapped";
    ASSERT_TRUE(MakeDirs(dir + L"\\profile.xml"));
    ASSERT_TRUE(WriteBytes(dir + L"\\profile.xml\\inner.txt", "inner"));
    ASSERT_TRUE(WriteBytes(dir + L"\\res", "a file where a folder was"));
    InstallManifest manifest;
    manifest.directory = dir;
    manifest.AddFile(L"profile.xml");
    manifest.AddFolder(L"res");
    ASSERT_EQ(ERROR_SUCCESS, WriteInstallManifest(dir, manifest));
    EXPECT_EQ(RemovalScope::ListedEntries, RemoveInstalledFiles(dir));
    EXPECT_EQ("inner", FileContent(dir + L"\\profile.xml\\inner.txt"));
    EXPECT_EQ("a file where a folder was", FileContent(dir + L"\\res"));
}
