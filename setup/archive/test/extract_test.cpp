// Extract item against the real file system under Wine: content, attributes
// and times of files (an entry with a data descriptor among them), folder
// creation one level at a time, replacing existing files (and failing on
// read-only and hidden ones unless the entry is hidden too), zero-length
// files, large files through the transfer buffer, and the rule that nothing is
// ever written outside the base directory, however the name or path is made.
#include <gtest/gtest.h>

#include "archive_test_util.h"
#include "test_support.h"
#include "zip_builder.h"

using testing_support::Exists;
using testing_support::FileContent;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

// An archive of `entries` extracted below <scratch>\base, name by name as the
// workers do it; the results per entry.
std::vector<ZipResult> ExtractAll(const std::string& zip, const std::wstring& base) {
    std::vector<ZipResult> results;
    ZipArchivePtr archive = OpenBytes(zip);
    EXPECT_TRUE(archive != nullptr);
    if (!archive) return results;
    EXPECT_EQ(kZipOk, ZipArchiveSetBaseDir(archive.get(), base.c_str()));
    ZipItem item;
    ZipArchiveGetItem(archive.get(), -1, &item);
    for (int i = 0, n = item.index; i < n; ++i) {
        ZipArchiveGetItem(archive.get(), i, &item);
        results.push_back(ZipArchiveExtractItem(archive.get(), i, item.name));
    }
    return results;
}

} // namespace

TEST(ZipExtract, FilesGetTheirBytesAttributesAndTimes) {
    ScratchDir scratch(L"zipx");
    std::vector<TestEntry> entries;
    entries.push_back(File("plain.txt", "hello, world"));
    entries.push_back(File("stored.bin", "stored bytes"));
    entries.back().method = 0;
    entries.push_back(File("dd.txt", std::string(30000, 'd') + "end"));  // sizes and CRC after the data
    entries.back().flags = 8;
    entries.push_back(File("big.bin", PseudoRandom(100000, 7) + std::string(70000, 'a')));  // after dd.txt
    entries.push_back(File("ro.txt", "read only"));
    entries.back().external = 0x21;
    entries.push_back(File("ut.txt", "with UT"));
    entries.back().localExtra = UtBlock(7, {1700000000, 1600000000, 1500000000});
    entries.push_back(File("empty.txt", ""));  // zero-length, deflated and stored
    entries.push_back(File("empty2.txt", ""));
    entries.back().method = 0;
    std::string zip = BuildZip(entries);
    std::wstring base = scratch / L"base";
    std::vector<ZipResult> results = ExtractAll(zip, base + L"\\");
    ASSERT_EQ(std::vector<ZipResult>(8, kZipOk), results);

    // Times first: reading a file may move its access time on the host.
    FILETIME w, a, c;
    const unsigned long long dos = ExpectedDosTicks(entries[0].dosDate, entries[0].dosTime);
    for (const wchar_t* name : {L"\\plain.txt", L"\\empty.txt", L"\\empty2.txt"}) {
        ASSERT_TRUE(FileTimes(base + name, &w, &a, &c));
        EXPECT_EQ(dos, Ticks(w));
        EXPECT_EQ(dos, Ticks(a));
        EXPECT_EQ(dos, Ticks(c));
    }
    ASSERT_TRUE(FileTimes(base + L"\\ut.txt", &w, &a, &c));
    EXPECT_EQ(UnixTicks(1700000000), Ticks(w));
    EXPECT_EQ(UnixTicks(1600000000), Ticks(a));
    // Wine on a Linux file system keeps no creation time and reports the
    // write time instead; Windows keeps the one that was set.
    EXPECT_TRUE(Ticks(c) == UnixTicks(1500000000) || Ticks(c) == Ticks(w)) << Ticks(c);

    EXPECT_EQ("hello, world", FileContent(base + L"\\plain.txt"));
    EXPECT_EQ("stored bytes", FileContent(base + L"\\stored.bin"));
    EXPECT_EQ(entries[2].data, FileContent(base + L"\\dd.txt"));
    EXPECT_EQ(entries[3].data, FileContent(base + L"\\big.bin"));
    EXPECT_EQ("", FileContent(base + L"\\empty.txt"));
    EXPECT_EQ("", FileContent(base + L"\\empty2.txt"));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW((base + L"\\plain.txt").c_str()));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY), GetFileAttributesW((base + L"\\ro.txt").c_str()));
    SetFileAttributesW((base + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ZipExtract, FolderEntriesCreateEveryLevelIncludingAMissingBase) {
    ScratchDir scratch(L"zipx");
    std::vector<TestEntry> entries;
    for (const wchar_t* folder : {L"res/", L"res/image/", L"res/image/face/", L"res/image/face/默认/"}) {
        TestEntry e = File(Cp936(folder), "");
        e.method = 0;
        e.external = 0x10;
        entries.push_back(e);
    }
    // A file whose folders have no entries of their own.
    entries.push_back(File(Cp936(L"deep/er/默认/f.txt"), "deep"));
    // A folder entry deeper than anything before it.
    TestEntry lone = File("x/y/z/", "");
    lone.external = 0x10;
    lone.method = 0;
    entries.push_back(lone);
    std::string zip = BuildZip(entries);
    std::wstring base = scratch / L"newbase";  // does not exist yet
    ASSERT_EQ(std::vector<ZipResult>(6, kZipOk), ExtractAll(zip, base));
    std::vector<std::wstring> expected = {
        L"deep", L"deep\\er", L"deep\\er\\默认", L"deep\\er\\默认\\f.txt", L"res", L"res\\image", L"res\\image\\face",
        L"res\\image\\face\\默认", L"x", L"x\\y", L"x\\y\\z"};
    EXPECT_EQ(expected, Tree(base));
    EXPECT_EQ("deep", FileContent(base + L"\\deep\\er\\默认\\f.txt"));
}

TEST(ZipExtract, ExistingFilesAreReplacedButNotReadOnlyOrHiddenOnes) {
    ScratchDir scratch(L"zipx");
    std::string zip = BuildZip({File("normal.txt", "new"), File("readonly.txt", "new"), File("hidden.txt", "new"),
                                File("system.txt", "new")});
    ASSERT_TRUE(WriteBytes(scratch / L"normal.txt", "old, longer content"));
    const std::pair<const wchar_t*, DWORD> kept[] = {
        {L"readonly.txt", FILE_ATTRIBUTE_READONLY}, {L"hidden.txt", FILE_ATTRIBUTE_HIDDEN},
        {L"system.txt", FILE_ATTRIBUTE_SYSTEM}};
    for (const auto& [name, attributes] : kept) {
        ASSERT_TRUE(WriteBytes(scratch / name, "old"));
        ASSERT_TRUE(SetFileAttributesW((scratch / name).c_str(), attributes));
    }

    std::vector<ZipResult> results = ExtractAll(zip, scratch.Path());
    EXPECT_EQ((std::vector<ZipResult>{kZipOk, kZipNoFile, kZipNoFile, kZipNoFile}), results);
    EXPECT_EQ("new", FileContent(scratch / L"normal.txt"));
    for (const auto& [name, attributes] : kept)
        EXPECT_EQ("old", FileContent(scratch / name)) << attributes;

    // A second extraction of the same archive replaces again.
    ASSERT_TRUE(WriteBytes(scratch / L"normal.txt", "changed"));
    EXPECT_EQ(kZipOk, ExtractAll(zip, scratch.Path())[0]);
    EXPECT_EQ("new", FileContent(scratch / L"normal.txt"));
    // An entry that is hidden itself may replace a hidden file.
    TestEntry hidden = File("hidden.txt", "new");
    hidden.external = 0x22;
    EXPECT_EQ(kZipOk, ExtractAll(BuildZip({hidden}), scratch.Path())[0]);
    EXPECT_EQ("new", FileContent(scratch / L"hidden.txt"));
    for (const auto& [name, attributes] : kept)
        SetFileAttributesW((scratch / name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Names whose sanitised form (ZipNames.SanitisingFollowsTheRulesRepeatedly)
// still climbs out are refused; the others land below the base, where their
// sanitised form says (a file written at the raw name would be outside the
// scratch folder, where the tree check below cannot see it).
TEST(ZipExtract, NothingIsEverWrittenOutsideTheBase) {
    ScratchDir scratch(L"zipx");
    std::wstring base = scratch / L"inner\\base";
    ASSERT_TRUE(testing_support::MakeDirs(base));
    struct Case {
        std::string raw;
        ZipResult result;
        const wchar_t* landsAt;  // relative to base, or null
    } cases[] = {
        {"../x1", kZipNoFile, nullptr},
        {"..\\x2", kZipNoFile, nullptr},
        {"a/../../x3", kZipNoFile, nullptr},  // sanitised to "../x3"
        {"C:/../x4", kZipNoFile, nullptr},    // sanitised to "../x4"
        {"..", kZipNoFile, nullptr},
        {"a/..", kZipNoFile, nullptr},
        {"../", kZipNoFile, nullptr},
        {"sub/../../x5/", kZipNoFile, nullptr},
        {"C:\\x6", kZipOk, L"x6"},
        {"/x7", kZipOk, L"x7"},
        {"\\\\server\\share\\x8", kZipOk, L"server\\share\\x8"},
        {"..\\..\\x9", kZipOk, L"x9"},
        {"a/../b10", kZipOk, L"b10"},
        {"a\\..\\b\\..\\c11", kZipOk, L"c11"},
        {"..x12", kZipOk, L"..x12"},
    };
    std::vector<TestEntry> entries;
    for (const Case& c : cases) {
        TestEntry e = File(c.raw, "payload");
        if (!c.raw.empty() && (c.raw.back() == '/')) {
            e.external = 0x10;
            e.data.clear();
        }
        entries.push_back(e);
    }
    std::vector<ZipResult> results = ExtractAll(BuildZip(entries), base);
    ASSERT_EQ(sizeof(cases) / sizeof(cases[0]), results.size());
    for (size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(cases[i].result, results[i]) << cases[i].raw;
        if (cases[i].landsAt != nullptr) {
            EXPECT_EQ("payload", FileContent(base + L"\\" + cases[i].landsAt)) << cases[i].raw;
        }
    }
    // Outside the base there is nothing but the base itself.
    std::vector<std::wstring> all = Tree(scratch.Path());
    for (const std::wstring& path : all) {
        EXPECT_TRUE(path == L"inner" || path.rfind(L"inner\\base", 0) == 0) << std::string(path.begin(), path.end());
    }
}

TEST(ZipExtract, DeviceNamesAreNotFilesBelowTheBase) {
    ScratchDir scratch(L"zipx");
    std::string zip = BuildZip({File("NUL", "x"), File("sub/con", "x"), File("aux", "x"), File("fine", "x")});
    EXPECT_EQ((std::vector<ZipResult>{kZipNoFile, kZipNoFile, kZipNoFile, kZipOk}), ExtractAll(zip, scratch.Path()));
}

TEST(ZipExtract, NamesTheCallerPassesMustStayBelowTheBaseToo) {
    ScratchDir scratch(L"zipx");
    std::wstring base = scratch / L"base";
    std::string zip = BuildZip({File("good.txt", "good")});
    ZipArchivePtr archive = OpenBytes(zip);
    ASSERT_TRUE(archive != nullptr);
    ASSERT_EQ(kZipOk, ZipArchiveSetBaseDir(archive.get(), base.c_str()));
    for (const std::wstring& name : {scratch / L"absolute.txt", std::wstring(L"\\evil.txt"), std::wstring(L"/evil.txt"),
                                     std::wstring(L"C:evil.txt"), std::wstring(L"..\\evil.txt"),
                                     std::wstring(L"a\\..\\..\\evil.txt"), std::wstring()})
        EXPECT_EQ(kZipNoFile, ZipArchiveExtractItem(archive.get(), 0, name.c_str())) << testing::PrintToString(name);
    EXPECT_EQ(std::vector<std::wstring>{}, Tree(scratch.Path()));
    // Under another name inside the base is fine.
    EXPECT_EQ(kZipOk, ZipArchiveExtractItem(archive.get(), 0, L"sub\\renamed.txt"));
    EXPECT_EQ("good", FileContent(base + L"\\sub\\renamed.txt"));
}

TEST(ZipExtract, PathsThatDoNotFitEndInAnError) {
    ScratchDir scratch(L"zipx");
    std::string zip = BuildZip({File(std::string(200, 'n'), "long"), File("short.txt", "short")});
    ZipArchivePtr archive = OpenBytes(zip);
    ASSERT_TRUE(archive != nullptr);

    // A base that does not fit leaves no base at all: nothing is extracted anywhere.
    std::wstring tooLong = scratch.Path() + L"\\" + std::wstring(300, L'b');
    EXPECT_EQ(kZipBadArgs, ZipArchiveSetBaseDir(archive.get(), tooLong.c_str()));
    ZipItem item;
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 1, &item));
    EXPECT_EQ(kZipNoFile, ZipArchiveExtractItem(archive.get(), 1, item.name));
    EXPECT_EQ(kZipBadArgs, ZipArchiveSetBaseDir(archive.get(), L""));
    EXPECT_EQ(kZipBadArgs, ZipArchiveSetBaseDir(archive.get(), nullptr));
    EXPECT_EQ(kZipNoFile, ZipArchiveExtractItem(archive.get(), 1, item.name));

    // A base plus name longer than 259 units is refused, a shorter one works.
    std::wstring base = scratch.Path() + L"\\" + std::wstring(259 - 200 - scratch.Path().size(), L'c');
    ASSERT_EQ(kZipOk, ZipArchiveSetBaseDir(archive.get(), base.c_str()));
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 0, &item));
    EXPECT_EQ(kZipNoFile, ZipArchiveExtractItem(archive.get(), 0, item.name));
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 1, &item));
    EXPECT_EQ(kZipOk, ZipArchiveExtractItem(archive.get(), 1, item.name));
    EXPECT_EQ("short", FileContent(base + L"\\short.txt"));
    std::vector<std::wstring> tree = Tree(scratch.Path());
    EXPECT_EQ(2u, tree.size());
}

TEST(ZipExtract, BaseDirectoryStartsAsTheCurrentDirectory) {
    ScratchDir scratch(L"zipx");
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(scratch.Path().c_str()));
    std::string zip = BuildZip({File("here.txt", "here")});
    {
        ZipArchivePtr archive = OpenBytes(zip);
        SetCurrentDirectoryW(saved);
        ASSERT_TRUE(archive != nullptr);
        EXPECT_EQ(kZipOk, ZipArchiveExtractItem(archive.get(), 0, L"here.txt"));
    }
    EXPECT_EQ("here", FileContent(scratch / L"here.txt"));
}
