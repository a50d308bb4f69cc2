// Damaged and hostile archives: what cannot be opened, entries whose local
// header is missing or disagrees, unreadable extra fields, wrong checksums,
// broken deflate data, encrypted entries, data descriptors, and a central
// directory that breaks on the way to an entry. Every case ends in a result
// code; none hangs, and nothing is written where an entry is refused.
#include <gtest/gtest.h>

#include "archive_test_util.h"
#include "test_support.h"
#include "zip_builder.h"

using testing_support::ReadBytes;
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

TEST(ZipDamage, TruncatedEntryDataIsReportedNotTakenForSuccess) {
    // The central directory stays whole; the entry's data are cut short by
    // moving the directory's offset over part of them is not possible, so the
    // damage is made inside the data instead.
    std::string data = PseudoRandom(40000, 3);
    std::string zip = BuildZip({File("r.bin", data)});
    // Overwrite the middle of the compressed stream.
    for (size_t i = 2000; i < 2400; ++i) zip[i] = '\xFF';
    Outcome o = RunEntry(zip);
    EXPECT_EQ(kZipOk, o.get);
    EXPECT_EQ(kZipInflate, o.extract);
}

TEST(ZipDamage, WrongChecksumIsReportedForDeflatedAndStoredEntries) {
    TestEntry deflated = File("d.txt", std::string(50000, 'q'));
    deflated.badCrc = true;
    TestEntry stored = File("s.txt", "stored");
    stored.method = 0;
    stored.badCrc = true;
    std::string zip = BuildZip({deflated, stored});
    EXPECT_EQ(kZipInflate, RunEntry(zip, 0).extract);
    EXPECT_EQ(kZipInflate, RunEntry(zip, 1).extract);
    // An empty entry that claims a non-zero checksum is damaged too.
    TestEntry empty = File("e.txt", "");
    empty.badCrc = true;
    EXPECT_EQ(kZipInflate, RunEntry(BuildZip({empty})).extract);
}

TEST(ZipDamage, EntryShorterThanItsDirectoryRecordSays) {
    // The deflate stream ends before the size that the directory announces:
    // patch the uncompressed size of the central record upwards.
    std::string zip = BuildZip({File("short.txt", "short text")});
    size_t central = zip.find("PK\x01\x02");
    ASSERT_NE(std::string::npos, central);
    zip[central + 24] = 50;  // uncompressed size 10 -> 50
    size_t local = 0;
    zip[local + 22] = 50;
    Outcome o = RunEntry(zip);
    EXPECT_EQ(kZipOk, o.get);
    EXPECT_EQ(kZipInflate, o.extract);
}

TEST(ZipDamage, EncryptedEntryIsRefusedWithoutWritingAFile) {
    TestEntry e = File("secret.txt", "secret");
    e.flags = 1;
    e.method = 0;
    Outcome o = RunEntry(BuildZip({e}));
    EXPECT_EQ(kZipOk, o.get);
    EXPECT_EQ(kZipPassword, o.extract);
    EXPECT_FALSE(o.written);
}

TEST(ZipDamage, MethodsOtherThanStoreAndDeflateAreNotWritten) {
    TestEntry bzip2 = File("b.bin", "abc");
    bzip2.method = 12;  // data stored as they are, but announced as bzip2
    Outcome o = RunEntry(BuildZip({bzip2}));
    EXPECT_EQ(kZipOk, o.get);
    EXPECT_EQ(kZipInflate, o.extract);
    EXPECT_FALSE(o.written);
    TestEntry lzma = File("l.bin", "abc");
    lzma.method = 14;
    o = RunEntry(BuildZip({lzma}));
    EXPECT_EQ(kZipBadHeader, o.get);
    EXPECT_FALSE(o.written);
}

TEST(ZipDamage, DataDescriptorEntriesExtractNormally) {
    ScratchDir scratch(L"zipd");
    TestEntry e = File("dd.txt", std::string(30000, 'd') + "end");
    e.flags = 8;
    std::string zip = BuildZip({e, File("after.txt", "after")});
    ZipArchivePtr archive = OpenBytes(zip);
    ASSERT_TRUE(archive != nullptr);
    ZipArchiveSetBaseDir(archive.get(), scratch.Path().c_str());
    ZipItem item;
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 0, &item));
    EXPECT_EQ(30003u, item.uncompressedSize);
    EXPECT_EQ(kZipOk, ZipArchiveExtractItem(archive.get(), 0, item.name));
    EXPECT_EQ(kZipOk, ZipArchiveExtractItem(archive.get(), 1, L"after.txt"));
    std::string bytes;
    ASSERT_TRUE(ReadBytes(scratch / L"dd.txt", &bytes));
    EXPECT_EQ(e.data, bytes);
    ASSERT_TRUE(ReadBytes(scratch / L"after.txt", &bytes));
    EXPECT_EQ("after", bytes);
}

TEST(ZipDamage, LocalHeaderMissingOrDisagreeing) {
    // The local header's name differs from the directory's.
    TestEntry renamed = File("a.txt", "aaaa");
    renamed.localName = "b.txt";
    Outcome o = RunEntry(BuildZip({renamed}));
    EXPECT_EQ(kZipBadHeader, o.get);
    EXPECT_EQ(kZipBadHeader, o.extract);
    EXPECT_FALSE(o.written);
    renamed.localName = "longer.txt";
    o = RunEntry(BuildZip({renamed}));
    EXPECT_EQ(kZipBadHeader, o.get);
    EXPECT_FALSE(o.written);

    // The local header's signature is gone.
    std::string zip = BuildZip({File("a.txt", "aaaa"), File("b.txt", "bbbb")});
    zip[0] = 'X';
    o = RunEntry(zip, 0);
    EXPECT_EQ(kZipBadHeader, o.get);
    EXPECT_FALSE(o.written);
    EXPECT_EQ(kZipOk, RunEntry(zip, 1).extract);  // the next entry is still fine
}

TEST(ZipDamage, LocalExtraFieldRunningOffTheEnd) {
    TestEntry e = File("x.txt", "x");
    e.method = 0;
    e.localExtra = std::string("\x0a\x00\x00\x00", 4);
    e.localExtraLengthDelta = 60000;  // promises far more than the archive holds
    Outcome o = RunEntry(BuildZip({e}));
    EXPECT_EQ(kZipBadExtra, o.get);
    EXPECT_FALSE(o.written);
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
