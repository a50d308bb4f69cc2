// Test archives written byte by byte, so that tests can make well-formed
// archives and every kind of damaged or hostile one: raw name bytes, method,
// flags, host system, external attributes, DOS times, local and central extra
// fields, data descriptors, wrong checksums, disagreeing local headers.
//
// BuildZip returns the archive bytes; nothing touches the disk. Data are
// deflated with zlib (raw deflate) when method is 8, stored otherwise.
// Entries are written with designated initializers:
// TestEntry{.name = "dir/", .method = 0, .external = 0x10}.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TestEntry {
    std::string name{};                // stored name bytes
    std::string data{};                // uncompressed content
    uint16_t method = 8;
    uint16_t flags = 0;                // bit 0 encrypted, bit 3 data descriptor, bit 11 UTF-8
    uint16_t madeBy = 0x0014;          // host system in the high byte (0 = MS-DOS)
    uint32_t external = 0x20;          // archive attribute
    uint16_t dosTime = 0x6A2F;         // 13:17:30
    uint16_t dosDate = 0x5A86;         // 2025-04-06
    std::string localExtra{};
    std::string centralExtra{};
    std::string localName{};           // when not empty: the local header's name instead
    bool badCrc = false;               // store a checksum that does not match
    int32_t localExtraLengthDelta = 0; // added to the local extra length field only
};

std::string BuildZip(const std::vector<TestEntry>& entries);

// Helpers for test data.
std::string Cp936(const wchar_t* text);   // UTF-16 -> code page 936 bytes
std::string Utf8(const wchar_t* text);    // UTF-16 -> UTF-8 bytes
std::string UtBlock(uint8_t flags, const std::vector<int32_t>& times);  // an extended-timestamp block
std::string PseudoRandom(size_t size, uint32_t seed);  // incompressible bytes
