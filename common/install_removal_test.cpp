// Removal bounded by the install manifest, on real folders of the Wine prefix.
#include "install_removal.h"

#include "install_manifest.h"
#include "fake_installation.h"
#include "payload_entries.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <functional>

using namespace testing_support;

namespace {

using Files = std::vector<std::pair<std::wstring, std::string>>;  // relative path, bytes

// Writes `relative` below `dir` with `bytes`, making the folders above it.
bool Put(const std::wstring& dir, const std::wstring& relative, const std::string& bytes)
{
    const std::wstring path = dir + L"\\" + relative;
    return MakeDirs(path.substr(0, path.find_last_of(L'\\'))) && WriteBytes(path, bytes);
}

// The payload's placeholders with `manifest` beside them.
bool PayloadWith(const std::wstring& dir, const InstallManifest& manifest)
{
    return WritePayloadPlaceholders(dir) && WriteInstallManifest(dir, manifest) == ERROR_SUCCESS;
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
        InstallManifest manifest = PayloadManifest(dir);
        manifest.createdDirectory = true;
        manifest.createdParents = 2;
        ASSERT_TRUE(PayloadWith(dir, manifest));
        ASSERT_TRUE(WriteBytes(dir + L"\\res\\user-notes.txt", "later"));
        ASSERT_TRUE(!shared || WriteBytes(top + L"\\other product.txt", "theirs"));
        EXPECT_EQ(RemovalScope::WholeDirectory, PlanRemoval(dir));
        int parents = -1;
        EXPECT_EQ(RemovalScope::WholeDirectory, RemoveInstalledFiles(dir, &parents));
        EXPECT_EQ(2, parents);
        EXPECT_FALSE(Exists(top + L"\\QRVL"));
        EXPECT_EQ(Exists(top), shared);
        EXPECT_TRUE(Exists(scratch.Path()));
    }
    // Never above a protected folder, whatever the count says; never a
    // location that is no full path; a drive's root only by its entries.
    EXPECT_EQ(RemovalScope::Nothing, RemoveInstalledFiles(L""));
    EXPECT_EQ(RemovalScope::Nothing, RemoveInstalledFiles(L"relative\\dir"));
    EXPECT_EQ(RemovalScope::PayloadEntries, PlanRemoval(L"C:\\"));
    WCHAR programs[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, programs, CSIDL_PROGRAM_FILES, FALSE);
    EXPECT_EQ(std::vector<std::wstring>{std::wstring(programs) + L"\\QRVL"},
              CreatedParentFolders(std::wstring(programs) + L"\\QRVL\\VELT", 5));
}

// A manifest written for another directory: only its names that are payload
// entries go, with the folders they leave empty, and the manifest; the
// user's files stay byte for byte. A listed folder that is now a file, or a
// listed file that is now a folder, stays too. (A directory that existed
// before, a missing or damaged manifest, the desktop: RemovalEngine.*.)
TEST(InstallRemoval, WithoutACreatedDirectoryOnlyListedOrPayloadEntriesGo)
{
    InstallManifest elsewhere = PayloadManifest(L"C:\\elsewhere"), swapped;
    elsewhere.createdDirectory = true;
    elsewhere.AddFile(L"letter.txt");
    swapped.AddFile(L"profile.xml");
    swapped.AddFolder(L"res");
    struct Case {
        const char* what;
        std::function<bool(const std::wstring& dir)> layOut;  // after the user's files
        Files kept;
        std::vector<std::wstring> gone;
    };
    const Case cases[] = {
        {"manifest of another directory", [&](const std::wstring& dir) { return PayloadWith(dir, elsewhere); },
         {{L"keep.txt", "keep"}, {L"letter.txt", "the user's"}}, {L"DuiLibu.dll", L"VELTInstall.lst"}},
        {"listed entries swapped", [&](const std::wstring& dir) { return WriteInstallManifest(dir, swapped) == 0; },
         {{L"profile.xml\\inner.txt", "inner"}, {L"res", "a file where a folder was"}}, {L"VELTInstall.lst"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir scratch(L"removal");
        const std::wstring dir = scratch / L"Tools";
        swapped.directory = dir;
        for (const auto& [relative, bytes] : c.kept)
            ASSERT_TRUE(Put(dir, relative, bytes));
        ASSERT_TRUE(c.layOut(dir));
        EXPECT_EQ(RemovalScope::ListedEntries, RemoveInstalledFiles(dir));
        for (const auto& [relative, bytes] : c.kept)
            EXPECT_EQ(bytes, FileContent(dir + L"\\" + relative)) << testing::PrintToString(relative);
        for (const std::wstring& relative : c.gone)
            EXPECT_FALSE(Exists(dir + L"\\" + relative)) << testing::PrintToString(relative);
    }
}
