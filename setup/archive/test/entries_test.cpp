// Get item on archives the tests build: the count query, out-of-range
// indexes, attribute mapping for DOS and Unix hosts, DOS times as local time,
// the extended-timestamp ("UT") block, and positioning back and forth.
#include <gtest/gtest.h>

#include "archive_test_util.h"
#include "zip_builder.h"

namespace {

std::vector<TestEntry> ThreeEntries() {
    std::vector<TestEntry> entries(3);
    entries[0].name = "one.txt";
    entries[0].data = "first";
    entries[1].name = "dir/";
    entries[1].method = 0;
    entries[1].external = 0x10;
    entries[2].name = "dir/two.bin";
    entries[2].data = std::string(5000, 'z');
    return entries;
}

ZipItem ItemOf(const TestEntry& e) {
    std::string zip = BuildZip({e});
    ZipArchivePtr archive = OpenBytes(zip);
    ZipItem item = {};
    EXPECT_TRUE(archive != nullptr);
    if (archive) {
        EXPECT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 0, &item));
    }
    return item;
}

} // namespace

TEST(ZipEntries, CountQueryAndIndexesOutOfRange) {
    std::string zip = BuildZip(ThreeEntries());
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

    EXPECT_EQ(kZipBadArgs, ZipArchiveGetItem(archive.get(), -2, &item));
    EXPECT_EQ(kZipBadArgs, ZipArchiveGetItem(archive.get(), 3, &item));
    EXPECT_EQ(kZipBadArgs, ZipArchiveGetItem(archive.get(), 0x7FFFFFFF, &item));
    EXPECT_EQ(kZipBadArgs, ZipArchiveExtractItem(archive.get(), 3, L"x"));
    EXPECT_EQ(kZipBadArgs, ZipArchiveExtractItem(archive.get(), -1, L"x"));
    EXPECT_EQ(kZipBadArgs, ZipArchiveGetItem(nullptr, 0, &item));
    EXPECT_EQ(kZipBadArgs, ZipArchiveExtractItem(nullptr, 0, L"x"));
    EXPECT_EQ(kZipBadArgs, ZipArchiveSetBaseDir(nullptr, L"C:\\"));
    EXPECT_EQ(kZipBadArgs, ZipArchiveClose(nullptr));
}

TEST(ZipEntries, EmptyArchiveHasNoEntries) {
    // An end record alone at offset 0 is not taken for an archive by minizip;
    // behind a few bytes of something else it is one without entries.
    EXPECT_TRUE(OpenBytes(BuildZip({})) == nullptr);
    std::string zip = std::string(16, 'S') + BuildZip({});
    ZipArchivePtr archive = OpenBytes(zip);
    ASSERT_TRUE(archive != nullptr);
    ZipItem item;
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), -1, &item));
    EXPECT_EQ(0, item.index);
    EXPECT_EQ(kZipBadArgs, ZipArchiveGetItem(archive.get(), 0, &item));
}

TEST(ZipEntries, PositioningGoesForwardAndRestartsWhenAskedForAnEarlierEntry) {
    std::string zip = BuildZip(ThreeEntries());
    ZipArchivePtr archive = OpenBytes(zip);
    ASSERT_TRUE(archive != nullptr);
    ZipItem item;
    const int order[] = {2, 0, 1, 1, 2, 0, 2};
    const wchar_t* names[] = {L"one.txt", L"dir/", L"dir/two.bin"};
    for (int index : order) {
        ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), index, &item)) << index;
        EXPECT_EQ(index, item.index);
        EXPECT_STREQ(names[index], item.name);
    }
    EXPECT_EQ(5u, ZipArchiveGetItem(archive.get(), 0, &item) == kZipOk ? item.uncompressedSize : 0);
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), 2, &item));
    EXPECT_EQ(5000u, item.uncompressedSize);
    EXPECT_LT(item.compressedSize, 100u);
}

TEST(ZipEntries, DosHostAttributesAreTakenBitForBit) {
    TestEntry e = File("f", "d");
    const DWORD cases[][2] = {
        {0x20, 0x20}, {0x21, 0x21}, {0x22, 0x22}, {0x24, 0x24}, {0x10, 0x10}, {0x00, 0x00}, {0x37, 0x37},
        {0xFFFF0040, 0x00},  // bits other than the five are not taken
    };
    for (uint16_t host : {0, 7, 10, 11, 14}) {
        for (const auto& c : cases) {
            e.madeBy = static_cast<uint16_t>((host << 8) | 0x14);
            e.external = c[0];
            EXPECT_EQ(c[1], ItemOf(e).attributes) << "host " << host << " external " << c[0];
        }
    }
}

TEST(ZipEntries, UnixHostAttributesComeFromTheModeBits) {
    TestEntry e = File("f", "d");
    e.madeBy = 0x031E;  // Unix
    e.external = 0100644u << 16;  // rw-r--r--
    EXPECT_EQ(0x20u, ItemOf(e).attributes);
    e.external = 0100444u << 16;  // r--r--r--: not writable by the owner
    EXPECT_EQ(0x21u, ItemOf(e).attributes);
    e.external = (040755u << 16) | 0x10;  // a folder
    EXPECT_EQ(0x30u, ItemOf(e).attributes);
    e.external = 0x27;  // DOS bits mean nothing on a Unix host
    EXPECT_EQ(0x21u, ItemOf(e).attributes);
}

TEST(ZipEntries, DosTimesAreLocalTimeAndGoToAllThreeTimes) {
    TestEntry e = File("f", "d");
    const uint16_t stamps[][2] = {{0x5A86, 0x6A2F}, {0x0021, 0x0000}, {0x3C9E, 0xBF7D}, {0x5B3C, 0x0001}};
    for (const auto& s : stamps) {
        e.dosDate = s[0];
        e.dosTime = s[1];
        ZipItem item = ItemOf(e);
        unsigned long long expected = ExpectedDosTicks(s[0], s[1]);
        ASSERT_NE(0u, expected);
        EXPECT_EQ(expected, Ticks(item.writeTime)) << std::hex << s[0] << " " << s[1];
        EXPECT_EQ(expected, Ticks(item.accessTime));
        EXPECT_EQ(expected, Ticks(item.creationTime));
    }
    // An impossible date (month 0) gives zero times, not garbage.
    e.dosDate = 0x0000;
    EXPECT_EQ(0u, Ticks(ItemOf(e).writeTime));
}

TEST(ZipEntries, ExtendedTimestampBlockReplacesTheTimesItCarries) {
    TestEntry e = File("f", "d");
    unsigned long long dos = ExpectedDosTicks(e.dosDate, e.dosTime);

    e.localExtra = UtBlock(7, {1700000000, 1600000000, 1500000000});
    ZipItem item = ItemOf(e);
    EXPECT_EQ(UnixTicks(1700000000), Ticks(item.writeTime));
    EXPECT_EQ(UnixTicks(1600000000), Ticks(item.accessTime));
    EXPECT_EQ(UnixTicks(1500000000), Ticks(item.creationTime));

    // Only a modification time: the others keep the DOS time.
    e.localExtra = UtBlock(1, {1700000000});
    item = ItemOf(e);
    EXPECT_EQ(UnixTicks(1700000000), Ticks(item.writeTime));
    EXPECT_EQ(dos, Ticks(item.accessTime));
    EXPECT_EQ(dos, Ticks(item.creationTime));

    // Access and creation only; a time before 1970 is allowed.
    e.localExtra = UtBlock(6, {-86400, 86400});
    item = ItemOf(e);
    EXPECT_EQ(dos, Ticks(item.writeTime));
    EXPECT_EQ(UnixTicks(-86400), Ticks(item.accessTime));
    EXPECT_EQ(UnixTicks(86400), Ticks(item.creationTime));

    // Behind another block, which is skipped by its size.
    std::string other = std::string("\x0a\x00\x08\x00", 4) + std::string(8, '\x11');
    e.localExtra = other + UtBlock(1, {1234567890});
    EXPECT_EQ(UnixTicks(1234567890), Ticks(ItemOf(e).writeTime));

    // Flags that promise more than the block holds: only what is there is read.
    std::string shortBlock = UtBlock(7, {1700000000});
    e.localExtra = shortBlock + std::string("\x0b\x00\x04\x00\x01\x02\x03\x04", 8);
    item = ItemOf(e);
    EXPECT_EQ(UnixTicks(1700000000), Ticks(item.writeTime));
    EXPECT_EQ(dos, Ticks(item.accessTime));

    // A block in the central directory only is not used.
    e.localExtra.clear();
    e.centralExtra = UtBlock(1, {1700000000});
    EXPECT_EQ(dos, Ticks(ItemOf(e).writeTime));

    // Four bytes or less of extra field are not scanned.
    e.centralExtra.clear();
    e.localExtra = std::string("UT\x00\x00", 4);
    EXPECT_EQ(dos, Ticks(ItemOf(e).writeTime));
}
