// Get item on archives the tests build: the count query, out-of-range
// indexes, positioning back and forth, attribute mapping for DOS and Unix
// hosts, DOS times as local time, and the extended-timestamp ("UT") block.
#include <gtest/gtest.h>

#include <tuple>

#include "archive_test_util.h"

TEST(ZipEntries, CountIndexesOutOfRangePositioningBackAndForthAndAnArchiveWithoutEntries) {
    const std::string zip = BuildZip({{"one.txt", "first"},
                                      {.name = "dir/", .method = 0, .external = 0x10},
                                      {"dir/two.bin", std::string(5000, 'z')}});
    ZipArchivePtr archive = OpenBytes(zip);
    ASSERT_TRUE(archive != nullptr);
    ZipItem item;
    std::fill_n(reinterpret_cast<char*>(&item), sizeof(item), '\x5A');
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), -1, &item));
    EXPECT_EQ(3, item.index);
    EXPECT_EQ(L'\0', item.name[0]);
    EXPECT_EQ(0u, item.attributes);
    EXPECT_EQ(0u, Ticks(item.writeTime) | Ticks(item.accessTime) | Ticks(item.creationTime));
    EXPECT_EQ(0u, item.compressedSize | item.uncompressedSize);

    for (int index : {-2, 3, 0x7FFFFFFF})
        EXPECT_EQ(kZipBadArgs, ZipArchiveGetItem(archive.get(), index, &item)) << index;
    for (int index : {3, -1}) EXPECT_EQ(kZipBadArgs, ZipArchiveExtractItem(archive.get(), index, L"x")) << index;
    EXPECT_EQ(kZipBadArgs, ZipArchiveGetItem(nullptr, 0, &item));
    EXPECT_EQ(kZipBadArgs, ZipArchiveExtractItem(nullptr, 0, L"x"));
    EXPECT_EQ(kZipBadArgs, ZipArchiveSetBaseDir(nullptr, L"C:\\"));
    EXPECT_EQ(kZipBadArgs, ZipArchiveClose(nullptr));

    // Positioning goes forward and restarts when asked for an earlier entry.
    const wchar_t* names[] = {L"one.txt", L"dir/", L"dir/two.bin"};
    for (int index : {2, 0, 1, 1, 2, 0, 2}) {
        ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), index, &item)) << index;
        EXPECT_EQ(index, item.index);
        EXPECT_STREQ(names[index], item.name);
    }
    EXPECT_EQ(5000u, item.uncompressedSize);
    EXPECT_LT(item.compressedSize, 100u);
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 0, &item));
    EXPECT_EQ(5u, item.uncompressedSize);

    // An end record alone at offset 0 is not taken for an archive by minizip;
    // behind a few bytes of something else it is one without entries.
    EXPECT_TRUE(OpenBytes(BuildZip({})) == nullptr);
    const std::string empty = std::string(16, 'S') + BuildZip({});
    archive = OpenBytes(empty);
    ASSERT_TRUE(archive != nullptr);
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), -1, &item));
    EXPECT_EQ(0, item.index);
    EXPECT_EQ(kZipBadArgs, ZipArchiveGetItem(archive.get(), 0, &item));
}

TEST(ZipEntries, AttributesAreTheDosBitsOrComeFromTheUnixModeBits) {
    // DOS-like hosts (0, 7, 10, 11, 14): the five bits, bit for bit, and no
    // other.
    const std::pair<DWORD, DWORD> dos[] = {{0x20, 0x20}, {0x21, 0x21}, {0x22, 0x22}, {0x24, 0x24},
                                           {0x10, 0x10}, {0x00, 0x00}, {0x37, 0x37}, {0xFFFF0040, 0x00}};
    for (uint16_t host : {0, 7, 10, 11, 14}) {
        for (const auto& [external, attributes] : dos) {
            const uint16_t madeBy = static_cast<uint16_t>((host << 8) | 0x14);
            EXPECT_EQ(attributes, ItemOf({.name = "f", .data = "d", .madeBy = madeBy, .external = external}).attributes)
                << "host " << host << " external " << external;
        }
    }
    // A Unix host: rw-r--r--, r--r--r-- (not writable by the owner), a
    // folder; DOS bits mean nothing there.
    const std::pair<DWORD, DWORD> unixModes[] = {
        {0100644u << 16, 0x20}, {0100444u << 16, 0x21}, {(040755u << 16) | 0x10, 0x30}, {0x27, 0x21}};
    for (const auto& [external, attributes] : unixModes)
        EXPECT_EQ(attributes, ItemOf({.name = "f", .data = "d", .madeBy = 0x031E, .external = external}).attributes)
            << external;
}

// An extended-timestamp block replaces the times it carries; the others are
// the DOS stamp (kDos below), read as local time.
TEST(ZipEntries, TimesComeFromTheDosStampOrTheExtendedTimestampBlock) {
    const unsigned long long kDos = ~0ULL;
    const std::string other = std::string("\x0a\x00\x08\x00", 4) + std::string(8, '\x11');
    const std::tuple<const char*, TestEntry, unsigned long long, unsigned long long, unsigned long long> cases[] = {
        {"all three", {.localExtra = UtBlock(7, {1700000000, 1600000000, 1500000000})},
         UnixTicks(1700000000), UnixTicks(1600000000), UnixTicks(1500000000)},
        {"only a modification time", {.localExtra = UtBlock(1, {1700000000})}, UnixTicks(1700000000), kDos, kDos},
        {"access and creation, one before 1970", {.localExtra = UtBlock(6, {-86400, 86400})},
         kDos, UnixTicks(-86400), UnixTicks(86400)},
        {"behind another block, skipped by its size", {.localExtra = other + UtBlock(1, {1234567890})},
         UnixTicks(1234567890), kDos, kDos},
        {"flags promising more than the block holds",
         {.localExtra = UtBlock(7, {1700000000}) + std::string("\x0b\x00\x04\x00\x01\x02\x03\x04", 8)},
         UnixTicks(1700000000), kDos, kDos},
        {"in the central directory only: not used", {.centralExtra = UtBlock(1, {1700000000})}, kDos, kDos, kDos},
        {"four bytes of extra field: not scanned", {.localExtra = std::string("UT\x00\x00", 4)}, kDos, kDos, kDos},
        {"1980-01-01 00:00:00", {.dosTime = 0x0000, .dosDate = 0x0021}, kDos, kDos, kDos},
        {"2010-04-30 23:59:58", {.dosTime = 0xBF7D, .dosDate = 0x3C9E}, kDos, kDos, kDos},
        {"2025-09-28 00:00:02", {.dosTime = 0x0001, .dosDate = 0x5B3C}, kDos, kDos, kDos},
        {"an impossible date (month 0): zero, not garbage", {.dosDate = 0x0000}, 0, 0, 0},
    };
    for (auto [what, e, write, access, creation] : cases) {
        SCOPED_TRACE(what);
        const unsigned long long dos = ExpectedDosTicks(e.dosDate, e.dosTime);
        if (write == kDos || access == kDos) {
            ASSERT_NE(0u, dos);
        }
        e.name = "f";
        e.data = "d";
        const ZipItem item = ItemOf(e);
        EXPECT_EQ(write == kDos ? dos : write, Ticks(item.writeTime));
        EXPECT_EQ(access == kDos ? dos : access, Ticks(item.accessTime));
        EXPECT_EQ(creation == kDos ? dos : creation, Ticks(item.creationTime));
    }
}
