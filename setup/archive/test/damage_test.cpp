// Damaged and hostile archives: what cannot be opened, entries whose local
// header is missing or disagrees, unreadable extra fields, wrong checksums,
// broken deflate data, encrypted entries, and a central directory that breaks
// on the way to an entry (entries with a data descriptor extract normally:
// ZipExtract.EntriesLandBelowTheBase...). Every case ends in a result
// code; none hangs, and nothing is written where an entry is refused.
#include <gtest/gtest.h>

#include <tuple>

#include "archive_test_util.h"
#include "test_support.h"
#include "zip_builder.h"

using Results = std::vector<ZipResult>;

TEST(ZipDamage, ArchivesThatCannotBeOpened) {
    const std::string good = BuildZip({{"a.txt", "aaaa"}, {"b.txt", "bbbb"}});
    EXPECT_TRUE(OpenBytes(good) != nullptr);
    EXPECT_EQ(nullptr, ZipArchiveOpen(nullptr, 10));
    EXPECT_EQ(nullptr, ZipArchiveOpen(good.data(), 0));
    // Not an archive; cut anywhere inside the end record or before it; the
    // counts of the end record disagree; the directory lies outside the block.
    std::string counts = good, offset = good;
    counts[good.size() - 22 + 8] = 3;
    offset[good.size() - 22 + 16] = '\x7F';
    offset[good.size() - 22 + 17] = '\x7F';
    for (const std::string& bad : {std::string("not a zip archive at all"), std::string(100000, '\0'),
                                   good.substr(0, good.size() - 1), good.substr(0, good.size() - 10),
                                   good.substr(0, good.size() - 22), good.substr(0, good.size() / 2), good.substr(0, 4),
                                   counts, offset})
        EXPECT_TRUE(OpenBytes(bad) == nullptr) << bad.size();
}

// One damaged or unsupported entry each: what Get item and Extract item
// return (an entry whose header is refused is not extracted either), and,
// where the entry is refused before its data, that nothing is written.
TEST(ZipDamage, EachDamagedEntryEndsInItsResultCode) {
    // Deflate data overwritten in the middle.
    std::string cut = BuildZip({{"r.bin", PseudoRandom(40000, 3)}});
    std::fill(cut.begin() + 2000, cut.begin() + 2400, '\xFF');
    // The data end before the size both records announce (10 -> 50).
    std::string shorter = BuildZip({{"short.txt", "short text"}});
    shorter[shorter.find("PK\x01\x02") + 24] = 50;
    shorter[22] = 50;
    const std::tuple<const char*, std::string, ZipResult, ZipResult, bool> cases[] = {
        {"broken deflate data", cut, kZipOk, kZipInflate, false},
        {"wrong checksum, deflated", BuildZip({{.name = "d.txt", .data = std::string(50000, 'q'), .badCrc = true}}),
         kZipOk, kZipInflate, false},
        {"wrong checksum, stored", BuildZip({{.name = "s.txt", .data = "stored", .method = 0, .badCrc = true}}), kZipOk,
         kZipInflate, false},
        {"empty, with a checksum", BuildZip({{.name = "e.txt", .badCrc = true}}), kZipOk, kZipInflate, false},
        {"shorter than announced", shorter, kZipOk, kZipInflate, false},
        {"encrypted", BuildZip({{.name = "secret.txt", .data = "secret", .method = 0, .flags = 1}}), kZipOk,
         kZipPassword, true},
        {"bzip2 (data stored as they are)", BuildZip({{.name = "b.bin", .data = "abc", .method = 12}}), kZipOk,
         kZipInflate, true},
        {"lzma", BuildZip({{.name = "l.bin", .data = "abc", .method = 14}}), kZipBadHeader, kZipBadHeader, true},
        {"local name differs", BuildZip({{.name = "a.txt", .data = "aaaa", .localName = "b.txt"}}), kZipBadHeader,
         kZipBadHeader, true},
        {"local name longer", BuildZip({{.name = "a.txt", .data = "aaaa", .localName = "longer.txt"}}), kZipBadHeader,
         kZipBadHeader, true},
        {"local extra field promising more than the archive holds",
         BuildZip({{.name = "x.txt", .data = "x", .method = 0, .localExtra = std::string("\x0a\0\0\0", 4),
                    .localExtraLengthDelta = 60000}}),
         kZipBadExtra, kZipBadExtra, true},
    };
    for (const auto& [what, zip, get, extract, nothingWritten] : cases) {
        SCOPED_TRACE(what);
        testing_support::ScratchDir dir(L"zipd");
        Results gets;
        EXPECT_EQ(Results{extract}, ExtractAll(zip, dir.Path(), &gets));
        EXPECT_EQ(Results{get}, gets);
        if (nothingWritten) {
            EXPECT_EQ(std::vector<std::wstring>{}, Tree(dir.Path()));
        }
    }

    // The first local header's signature is gone: that entry is refused, the
    // one after it is still fine.
    std::string noLocal = BuildZip({{"a.txt", "aaaa"}, {"b.txt", "bbbb"}});
    noLocal[0] = 'X';
    testing_support::ScratchDir dir(L"zipd");
    Results gets;
    EXPECT_EQ((Results{kZipBadHeader, kZipOk}), ExtractAll(noLocal, dir.Path(), &gets));
    EXPECT_EQ((Results{kZipBadHeader, kZipOk}), gets);
    EXPECT_EQ(std::vector<std::wstring>{L"b.txt"}, Tree(dir.Path()));
}

// A central record broken on the way to an entry, and a directory whose
// counts claim more entries than it holds: an error where the records give
// out; a later call for an earlier entry starts again from the first.
TEST(ZipDamage, ABrokenOrShortDirectoryEndsWithAnErrorAndLaterCallsRestart) {
    std::string broken = BuildZip({{"a.txt", "aaaa"}, {"b.txt", "bbbb"}, {"c.txt", "cccc"}});
    const size_t second = broken.find("PK\x01\x02", broken.find("PK\x01\x02") + 4);
    ASSERT_NE(std::string::npos, second);
    broken[second + 3] = 9;
    std::string claims = BuildZip({{"a.txt", "aaaa"}, {"b.txt", "bbbb"}});
    claims[claims.size() - 22 + 8] = static_cast<char>(200);  // both counts say 200
    claims[claims.size() - 22 + 10] = static_cast<char>(200);
    ZipArchivePtr archive = OpenBytes(broken), claiming = OpenBytes(claims);
    ASSERT_TRUE(archive != nullptr && claiming != nullptr);
    ZipItem item;
    EXPECT_EQ(kZipBadHeader, ZipArchiveGetItem(archive.get(), 2, &item));
    EXPECT_EQ(L'\0', item.name[0]);
    EXPECT_EQ(kZipBadHeader, ZipArchiveGetItem(archive.get(), 1, &item));
    EXPECT_EQ(kZipBadHeader, ZipArchiveExtractItem(archive.get(), 2, L"c.txt"));
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 0, &item));
    EXPECT_STREQ(L"a.txt", item.name);

    ASSERT_EQ(kZipOk, ZipArchiveGetItem(claiming.get(), -1, &item));
    EXPECT_EQ(200, item.index);
    EXPECT_EQ(kZipBadHeader, ZipArchiveGetItem(claiming.get(), 199, &item));
    EXPECT_EQ(kZipBadHeader, ZipArchiveGetItem(claiming.get(), 2, &item));
    EXPECT_EQ(kZipOk, ZipArchiveGetItem(claiming.get(), 1, &item));
    EXPECT_STREQ(L"b.txt", item.name);
}
