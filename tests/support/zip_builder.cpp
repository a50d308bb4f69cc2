#include "zip_builder.h"

#include <windows.h>
#include <zlib.h>

#include <random>

namespace {

// The little-endian bytes of each value, as wide as its type.
template <typename... T>
std::string Le(T... values) {
    std::string out;
    (out.append(reinterpret_cast<const char*>(&values), sizeof(values)), ...);
    return out;
}

// Raw deflate: zlib's stream without its 2-byte head and 4-byte checksum.
std::string Deflate(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 6);
    return out.substr(2, size - 6);
}

std::string Convert(UINT codePage, const wchar_t* text) {
    const int size = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text, -1, &out[0], size, nullptr, nullptr);
    out.pop_back();
    return out;
}

} // namespace

std::string BuildZip(const std::vector<TestEntry>& entries) {
    std::string body, central;
    for (const TestEntry& e : entries) {
        uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
        if (e.badCrc) crc ^= 0x5A5A5A5A;
        std::string stored = e.method == 8 ? Deflate(e.data) : e.data;
        if (e.flags & 1) stored = std::string(12, '\x42') + stored;  // an encryption header, never checked
        const bool descriptor = (e.flags & 8) != 0;
        const std::string& localName = e.localName.empty() ? e.name : e.localName;
        const uint32_t offset = static_cast<uint32_t>(body.size()), storedSize = static_cast<uint32_t>(stored.size()),
                       size = static_cast<uint32_t>(e.data.size());
        // Version needed, flags, method, time, date, checksum and both sizes:
        // the same in both headers, but for the local header's zeros before a
        // descriptor.
        const auto common = [&](bool zeros) {
            return Le(uint16_t(20), e.flags, e.method, e.dosTime, e.dosDate, zeros ? 0 : crc, zeros ? 0 : storedSize,
                      zeros ? 0 : size);
        };
        body += Le(0x04034b50u) + common(descriptor) +
                Le(uint16_t(localName.size()), uint16_t(e.localExtra.size() + e.localExtraLengthDelta)) + localName +
                e.localExtra + stored;
        if (descriptor) body += Le(0x08074b50u, crc, storedSize, size);
        // Then comment length, disk and internal attributes, all 0.
        central += Le(0x02014b50u, e.madeBy) + common(false) +
                   Le(uint16_t(e.name.size()), uint16_t(e.centralExtra.size()), uint16_t(0), uint16_t(0), uint16_t(0),
                      e.external, offset) +
                   e.name + e.centralExtra;
    }
    const uint16_t count = static_cast<uint16_t>(entries.size());
    return body + central +
           Le(0x06054b50u, uint16_t(0), uint16_t(0), count, count, uint32_t(central.size()), uint32_t(body.size()),
              uint16_t(0));
}

std::string Cp936(const wchar_t* text) { return Convert(936, text); }
std::string Utf8(const wchar_t* text) { return Convert(CP_UTF8, text); }

std::string UtBlock(uint8_t flags, const std::vector<int32_t>& times) {
    std::string data(1, static_cast<char>(flags));
    for (int32_t t : times) data += Le(t);
    return "UT" + Le(uint16_t(data.size())) + data;
}

std::string PseudoRandom(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(random() >> 24);
    return out;
}
