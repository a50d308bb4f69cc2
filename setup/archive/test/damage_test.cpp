// Damaged and hostile archives: what cannot be opened, entries whose local
// header is missing or disagrees, unreadable extra fields, wrong checksums,
// broken deflate data, encrypted entries, and a central directory that breaks
// on the way to an entry (entries with a data descriptor extract normally:
// ZipExtract.FilesGetTheirBytesAttributesAndTimes). Every case ends in a result
// code; none hangs, and nothing is written where an entry is refused.
#include <gtest/gtest.h>

#include "archive_test_util.h"
#include "test_support.h"
#include "zip_builder.h"

using testing_support::ScratchDir;

namespace {

struct Outcome {
    ZipResult get;
    ZipResult extract;
    bool written;
};

// Opens `zip`, gets and extracts entry `index` into a scratch folder.
Outcome RunEntry(const std::string& zip, int index = 0) {
    ScratchDir scratch(L"zipd");
    ZipArchivePtr archive = OpenBytes(zip);
    EXPECT_TRUE(archive != nullptr);
    if (!archive) return {0xFFFFFFFF, 0xFFFFFFFF, false};
    ZipArchiveSetBaseDir(archive.get(), scratch.Path().c_str());
    ZipItem item;
    Outcome o;
    o.get = ZipArchiveGetItem(archive.get(), index, &item);
    std::wstring name = o.get == kZipOk ? item.name : L"entry";
    o.extract = ZipArchiveExtractItem(archive.get(), index, name.c_str());
    o.written = !Tree(scratch.Path()).empty();
    return o;
}

} // namespace

TEST(ZipDamage, ArchivesThatCannotBeOpened) {
    std::string good = BuildZip({File("a.txt", "aaaa"), File("b.txt", "bbbb")});
    EXPECT_TRUE(OpenBytes(good) != nullptr);
    EXPECT_EQ(nullptr, ZipArchiveOpen(nullptr, 10));
    EXPECT_EQ(nullptr, ZipArchiveOpen(good.data(), 0));
    EXPECT_TRUE(OpenBytes("not a zip archive at all") == nullptr);
    EXPECT_TRUE(OpenBytes(std::string(100000, '\0')) == nullptr);
    // Cut anywhere inside the end record or before it.
    for (size_t cut : {good.size() - 1, good.size() - 10, good.size() - 22, good.size() / 2, size_t(4)})
        EXPECT_TRUE(OpenBytes(good.substr(0, cut)) == nullptr) << cut;
    // The counts of the end record disagree.
    std::string counts = good;
    counts[good.size() - 22 + 8] = 3;
    EXPECT_TRUE(OpenBytes(counts) == nullptr);
    // The central directory lies outside the block.
    std::string offset = good;
    offset[good.size() - 22 + 16] = '\x7F';
    offset[good.size() - 22 + 17] = '\x7F';
    EXPECT_TRUE(OpenBytes(offset) == nullptr);
}

// One damaged or unsupported entry each: what Get item and Extract item
// return (an entry whose header is refused is not extracted either), and,
// where the entry is refused before its data, that nothing is written.
TEST(ZipDamage, EachDamagedEntryEndsInItsResultCode) {
    auto entry = [](const char* name, const std::string& data, auto change) {
        TestEntry e = File(name, data);
        change(e);
        return BuildZip({e});
    };
    // Deflate data overwritten in the middle.
    std::string cut = BuildZip({File("r.bin", PseudoRandom(40000, 3))});
    for (size_t i = 2000; i < 2400; ++i) cut[i] = '\xFF';
    // The data end before the size both records announce (10 -> 50).
    std::string shorter = BuildZip({File("short.txt", "short text")});
    shorter[shorter.find("PK\x01\x02") + 24] = 50;
    shorter[22] = 50;
    // The first local header's signature is gone.
    std::string noLocal = BuildZip({File("a.txt", "aaaa"), File("b.txt", "bbbb")});
    noLocal[0] = 'X';
    const std::string hugeExtra = entry("x.txt", "x", [](TestEntry& e) {
        e.method = 0;
        e.localExtra = std::string("\x0a\0\0\0", 4);
        e.localExtraLengthDelta = 60000;
    });
    struct Case {
        const char* what;
        std::string zip;
        ZipResult get, extract;
        bool nothingWritten;
    };
    const Case cases[] = {
        {"broken deflate data", cut, kZipOk, kZipInflate, false},
        {"wrong checksum, deflated", entry("d.txt", std::string(50000, 'q'), [](TestEntry& e) { e.badCrc = true; }),
         kZipOk, kZipInflate, false},
        {"wrong checksum, stored", entry("s.txt", "stored", [](TestEntry& e) { e.method = 0, e.badCrc = true; }),
         kZipOk, kZipInflate, false},
        {"empty, with a checksum", entry("e.txt", "", [](TestEntry& e) { e.badCrc = true; }), kZipOk, kZipInflate,
         false},
        {"shorter than announced", shorter, kZipOk, kZipInflate, false},
        {"encrypted", entry("secret.txt", "secret", [](TestEntry& e) { e.flags = 1, e.method = 0; }), kZipOk,
         kZipPassword, true},
        {"bzip2 (data stored as they are)", entry("b.bin", "abc", [](TestEntry& e) { e.method = 12; }), kZipOk,
         kZipInflate, true},
        {"lzma", entry("l.bin", "abc", [](TestEntry& e) { e.method = 14; }), kZipBadHeader, kZipBadHeader, true},
        {"local name differs", entry("a.txt", "aaaa", [](TestEntry& e) { e.localName = "b.txt"; }), kZipBadHeader,
         kZipBadHeader, true},
        {"local name longer", entry("a.txt", "aaaa", [](TestEntry& e) { e.localName = "longer.txt"; }),
         kZipBadHeader, kZipBadHeader, true},
        {"no local header", noLocal, kZipBadHeader, kZipBadHeader, true},
        {"local extra field promising more than the archive holds", hugeExtra, kZipBadExtra, kZipBadExtra, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o = RunEntry(c.zip);
        EXPECT_EQ(c.get, o.get);
        EXPECT_EQ(c.extract, o.extract);
        if (c.nothingWritten) {
            EXPECT_FALSE(o.written);
        }
    }
    EXPECT_EQ(kZipOk, RunEntry(noLocal, 1).extract);  // the entry after the damaged one is still fine
}

TEST(ZipDamage, BrokenDirectoryRecordOnTheWayEndsWithAnErrorAndLaterCallsRestart) {
    std::string zip = BuildZip({File("a.txt", "aaaa"), File("b.txt", "bbbb"), File("c.txt", "cccc")});
    // Break the second central record's signature.
    size_t first = zip.find("PK\x01\x02");
    size_t second = zip.find("PK\x01\x02", first + 4);
    ASSERT_NE(std::string::npos, second);
    zip[second + 3] = 9;
    ZipArchivePtr archive = OpenBytes(zip);
    ASSERT_TRUE(archive != nullptr);
    ZipItem item;
    EXPECT_EQ(kZipBadHeader, ZipArchiveGetItem(archive.get(), 2, &item));
    EXPECT_EQ(L'\0', item.name[0]);
    EXPECT_EQ(kZipBadHeader, ZipArchiveGetItem(archive.get(), 1, &item));
    EXPECT_EQ(kZipBadHeader, ZipArchiveExtractItem(archive.get(), 2, L"c.txt"));
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 0, &item));
    EXPECT_STREQ(L"a.txt", item.name);
}

TEST(ZipDamage, DirectoryClaimingMoreEntriesThanItHoldsEndsWithAnError) {
    std::string zip = BuildZip({File("a.txt", "aaaa"), File("b.txt", "bbbb")});
    // Both counts say 200; the directory holds two records, then the end record.
    size_t end = zip.size() - 22;
    zip[end + 8] = static_cast<char>(200);
    zip[end + 10] = static_cast<char>(200);
    ZipArchivePtr archive = OpenBytes(zip);
    ASSERT_TRUE(archive != nullptr);
    ZipItem item;
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), -1, &item));
    EXPECT_EQ(200, item.index);
    EXPECT_EQ(kZipBadHeader, ZipArchiveGetItem(archive.get(), 199, &item));
    EXPECT_EQ(kZipBadHeader, ZipArchiveGetItem(archive.get(), 2, &item));
    EXPECT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 1, &item));
    EXPECT_STREQ(L"b.txt", item.name);
}
