// Extract item against the real file system under Wine: content, attributes
// and times of files (an entry with a data descriptor among them), folder
// creation one level at a time, zero-length files, large files through the
// transfer buffer, and the rule that nothing is ever written outside the
// base directory, however the name or path is made (device names among
// them), in one archive; replacing existing files (and failing on read-only
// and hidden ones unless the entry is hidden too); the new-file-only way that
// makes nothing where something is in its way; paths too long; the base
// directory that starts as the current one.
#include <gtest/gtest.h>

#include "archive_test_util.h"
#include "test_support.h"
#include "zip_builder.h"

using testing_support::FileContent;
using testing_support::WriteBytes;

namespace {

using Results = std::vector<ZipResult>;

class ZipExtract : public ::testing::Test {
protected:
    testing_support::ScratchDir scratch{L"zipx"};
};

} // namespace

// Files (an entry with a data descriptor among them) with their bytes,
// attributes and times; folders one level at a time (a file whose folders
// have no entries of their own, a folder entry deeper than anything before
// it); names whose sanitised form (ZipNames.NamesAreSanitisedDecodedAndRefused...)
// still climbs out, and device names, are refused; the others land below the
// base, where their sanitised form says. The base does not exist yet (its
// parent does, so that a file written one level too high would still be in
// the scratch folder, where the tree check can see it).
TEST_F(ZipExtract, EntriesLandBelowTheBaseWithTheirBytesAttributesAndTimesAndNothingOutsideIt) {
    std::vector<TestEntry> entries = {
        {"plain.txt", "hello, world"},
        {.name = "stored.bin", .data = "stored bytes", .method = 0},
        // Sizes and checksum after the data; the next entry follows it.
        {.name = "dd.txt", .data = std::string(30000, 'd') + "end", .flags = 8},
        {"big.bin", PseudoRandom(100000, 7) + std::string(70000, 'a')},
        {.name = "ro.txt", .data = "read only", .external = 0x21},
        {.name = "ut.txt", .data = "with UT", .localExtra = UtBlock(7, {1700000000, 1600000000, 1500000000})},
        {"empty.txt", ""},
        {.name = "empty2.txt", .data = "", .method = 0},
    };
    const size_t files = entries.size();
    for (const wchar_t* folder : {L"res/", L"res/image/", L"res/image/face/", L"res/image/face/默认/"})
        entries.push_back({.name = Cp936(folder), .method = 0, .external = 0x10});
    entries.push_back({Cp936(L"deep/er/默认/f.txt"), "deep"});
    entries.push_back({.name = "x/y/z/", .method = 0, .external = 0x10});
    // "a/../../x3" and "C:/../x4" are sanitised to "../x3" and "../x4".
    const size_t refusedFrom = entries.size();
    for (const char* name : {"../x1", "..\\x2", "a/../../x3", "C:/../x4", "..", "a/..", "../", "sub/../../x5/", "NUL",
                             "sub/con", "aux"}) {
        const bool folder = std::string(name).back() == '/';
        entries.push_back({.name = name, .data = folder ? "" : "payload", .external = folder ? 0x10u : 0x20u});
    }
    const size_t landingFrom = entries.size();
    for (const char* name :
         {"C:\\x6", "/x7", "\\\\server\\share\\x8", "..\\..\\x9", "a/../b10", "a\\..\\b\\..\\c11", "..x12", "fine"})
        entries.push_back({name, "payload"});
    Results expected(refusedFrom, kZipOk);
    expected.resize(landingFrom, kZipNoFile);
    expected.resize(entries.size(), kZipOk);
    ASSERT_TRUE(testing_support::MakeDirs(scratch / L"inner"));
    const std::wstring base = scratch / L"inner\\base";
    ASSERT_EQ(expected, ExtractAll(BuildZip(entries), base + L"\\"));

    const unsigned long long dos = ExpectedDosTicks(entries[0].dosDate, entries[0].dosTime);
    for (const TestEntry& e : std::vector<TestEntry>(entries.begin(), entries.begin() + files)) {
        SCOPED_TRACE(e.name);
        const std::wstring path = base + L"\\" + std::wstring(e.name.begin(), e.name.end());
        const bool ut = e.name == "ut.txt";
        // Times first: reading a file may move its access time on the host.
        // Wine on a Linux file system keeps no creation time and reports the
        // write time instead; Windows keeps the one that was set.
        WIN32_FILE_ATTRIBUTE_DATA file;
        ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file));
        const unsigned long long w = Ticks(file.ftLastWriteTime), c = Ticks(file.ftCreationTime);
        EXPECT_EQ(ut ? UnixTicks(1700000000) : dos, w);
        EXPECT_EQ(ut ? UnixTicks(1600000000) : dos, Ticks(file.ftLastAccessTime));
        EXPECT_TRUE(c == (ut ? UnixTicks(1500000000) : dos) || (ut && c == w)) << c;
        EXPECT_EQ(e.external, file.dwFileAttributes);
        EXPECT_EQ(e.data, FileContent(path));
    }
    SetFileAttributesW((base + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ("payload", FileContent(base + L"\\server\\share\\x8"));
    // Everything in the base, and outside it nothing but the base itself.
    std::vector<std::wstring> tree = {
        L"plain.txt", L"stored.bin", L"dd.txt", L"big.bin", L"ro.txt", L"ut.txt", L"empty.txt", L"empty2.txt",
        L"res", L"res\\image", L"res\\image\\face", L"res\\image\\face\\默认", L"deep", L"deep\\er",
        L"deep\\er\\默认", L"deep\\er\\默认\\f.txt", L"x", L"x\\y", L"x\\y\\z", L"x6", L"x7", L"server",
        L"server\\share", L"server\\share\\x8", L"x9", L"b10", L"c11", L"..x12", L"fine"};
    std::sort(tree.begin(), tree.end());
    EXPECT_EQ(tree, Tree(base));
    for (const std::wstring& path : Tree(scratch.Path()))
        EXPECT_TRUE(path == L"inner" || path.rfind(L"inner\\base", 0) == 0) << testing::PrintToString(path);
}

TEST_F(ZipExtract, ExistingFilesAreReplacedButNotReadOnlyOrHiddenOnes) {
    const std::string zip =
        BuildZip({{"normal.txt", "new"}, {"readonly.txt", "new"}, {"hidden.txt", "new"}, {"system.txt", "new"}});
    ASSERT_TRUE(WriteBytes(scratch / L"normal.txt", "old, longer content"));
    const std::pair<const wchar_t*, DWORD> kept[] = {
        {L"readonly.txt", FILE_ATTRIBUTE_READONLY}, {L"hidden.txt", FILE_ATTRIBUTE_HIDDEN},
        {L"system.txt", FILE_ATTRIBUTE_SYSTEM}};
    for (const auto& [name, attributes] : kept) {
        ASSERT_TRUE(WriteBytes(scratch / name, "old"));
        ASSERT_TRUE(SetFileAttributesW((scratch / name).c_str(), attributes));
    }
    const Results onlyNormal = {kZipOk, kZipNoFile, kZipNoFile, kZipNoFile};
    EXPECT_EQ(onlyNormal, ExtractAll(zip, scratch.Path()));
    EXPECT_EQ("new", FileContent(scratch / L"normal.txt"));
    for (const auto& [name, attributes] : kept) EXPECT_EQ("old", FileContent(scratch / name)) << attributes;

    // A second extraction of the same archive replaces again; an entry that
    // is hidden itself may replace a hidden file.
    ASSERT_TRUE(WriteBytes(scratch / L"normal.txt", "changed"));
    EXPECT_EQ(onlyNormal, ExtractAll(zip, scratch.Path()));
    EXPECT_EQ("new", FileContent(scratch / L"normal.txt"));
    EXPECT_EQ(Results{kZipOk}, ExtractAll(BuildZip({{.name = "hidden.txt", .data = "new", .external = 0x22}}),
                                          scratch.Path()));
    EXPECT_EQ("new", FileContent(scratch / L"hidden.txt"));
    for (const auto& [name, attributes] : kept) SetFileAttributesW((scratch / name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The installation's way for most files: a new file in a folder that exists,
// or nothing at all and kZipNotNew, so that the usual way (with its looks and
// checks) takes the entry over.
TEST_F(ZipExtract, ANewFileIsMadeOnlyWhereNothingIsInItsWay) {
    const std::string zip = BuildZip({{"new.txt", "new"}, {"old.txt", "new"}, {"missing/f.txt", "new"},
                                      {.name = "folder/", .method = 0, .external = 0x10}, {"f", "new"}});
    ASSERT_TRUE(WriteBytes(scratch / L"old.txt", "old"));
    ZipArchivePtr archive = OpenBytes(zip);
    ASSERT_TRUE(archive != nullptr);
    ASSERT_EQ(kZipOk, ZipArchiveSetBaseDir(archive.get(), scratch.Path().c_str()));
    const std::pair<const wchar_t*, ZipResult> cases[] = {{L"new.txt", kZipOk},        {L"old.txt", kZipNotNew},
                                                          {L"missing\\f.txt", kZipNotNew}, {L"folder\\", kZipNotNew},
                                                          {L"..\\f", kZipNotNew},       {L"g.txt", kZipNotNew}};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(cases[i].second, ZipArchiveExtractNewFile(archive.get(), i, cases[i].first)) << i;
    EXPECT_EQ((std::vector<std::wstring>{L"new.txt", L"old.txt"}), Tree(scratch.Path()));
    EXPECT_EQ("new", FileContent(scratch / L"new.txt"));
    EXPECT_EQ("old", FileContent(scratch / L"old.txt"));
    EXPECT_EQ(kZipNotNew, ZipArchiveExtractNewFile(nullptr, 0, L"new.txt"));
}

TEST_F(ZipExtract, PathsThatDoNotFitEndInAnError) {
    const std::string zip = BuildZip({{std::string(200, 'n'), "long"}, {"short.txt", "short"}});
    ZipArchivePtr archive = OpenBytes(zip);
    ASSERT_TRUE(archive != nullptr);
    ZipItem item;
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 1, &item));

    // A base that does not fit leaves no base at all: nothing is extracted
    // anywhere, and neither after an empty or null one.
    const std::wstring tooLong = scratch.Path() + L"\\" + std::wstring(300, L'b');
    for (const wchar_t* dir : {tooLong.c_str(), L"", static_cast<const wchar_t*>(nullptr)}) {
        EXPECT_EQ(kZipBadArgs, ZipArchiveSetBaseDir(archive.get(), dir));
        EXPECT_EQ(kZipNoFile, ZipArchiveExtractItem(archive.get(), 1, item.name));
    }

    // A base plus name longer than 259 units is refused, a shorter one works.
    const std::wstring base = scratch.Path() + L"\\" + std::wstring(259 - 200 - scratch.Path().size(), L'c');
    EXPECT_EQ((Results{kZipNoFile, kZipOk}), ExtractAll(zip, base));
    EXPECT_EQ("short", FileContent(base + L"\\short.txt"));
    EXPECT_EQ(2u, Tree(scratch.Path()).size());
}

// The base starts as the current directory; names the caller passes must
// stay below the base like the entries' own.
TEST_F(ZipExtract, BaseStartsAsTheCurrentDirectoryAndNamesTheCallerPassesStayBelowIt) {
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(scratch.Path().c_str()));
    const std::string zip = BuildZip({{"good.txt", "good"}});
    ZipArchivePtr archive = OpenBytes(zip);
    SetCurrentDirectoryW(saved);
    ASSERT_TRUE(archive != nullptr);
    EXPECT_EQ(kZipOk, ZipArchiveExtractItem(archive.get(), 0, L"here.txt"));
    EXPECT_EQ("good", FileContent(scratch / L"here.txt"));

    const std::wstring base = scratch / L"base";
    ASSERT_EQ(kZipOk, ZipArchiveSetBaseDir(archive.get(), base.c_str()));
    for (const std::wstring& name : {scratch / L"absolute.txt", std::wstring(L"\\evil.txt"), std::wstring(L"/evil.txt"),
                                     std::wstring(L"C:evil.txt"), std::wstring(L"..\\evil.txt"),
                                     std::wstring(L"a\\..\\..\\evil.txt"), std::wstring()})
        EXPECT_EQ(kZipNoFile, ZipArchiveExtractItem(archive.get(), 0, name.c_str())) << testing::PrintToString(name);
    EXPECT_EQ(std::vector<std::wstring>{L"here.txt"}, Tree(scratch.Path()));
    // Under another name inside the base is fine.
    EXPECT_EQ(kZipOk, ZipArchiveExtractItem(archive.get(), 0, L"sub\\renamed.txt"));
    EXPECT_EQ("good", FileContent(base + L"\\sub\\renamed.txt"));
}
