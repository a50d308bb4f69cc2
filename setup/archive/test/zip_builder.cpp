#include "zip_builder.h"

#include <windows.h>
#include <zlib.h>

namespace {

void Put16(std::string* out, uint32_t v) {
    out->push_back(static_cast<char>(v & 0xFF));
    out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string* out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::string Deflate(const std::string& data) {
    z_stream z = {};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string Convert(UINT codePage, const wchar_t* text) {
    int n = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

} // namespace

std::string BuildZip(const std::vector<TestEntry>& entries) {
    std::string body;
    std::string central;
    for (const TestEntry& e : entries) {
        uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
        if (e.badCrc) crc ^= 0x5A5A5A5A;
        std::string stored = e.method == 8 ? Deflate(e.data) : e.data;
        if (e.flags & 1) stored = std::string(12, '\x42') + stored;  // an encryption header, never checked out
        bool descriptor = (e.flags & 8) != 0;
        const std::string& localName = e.localName.empty() ? e.name : e.localName;
        uint32_t offset = static_cast<uint32_t>(body.size());
        // Version needed, flags, method, time, date, checksum and both sizes:
        // the same in both headers, but for the local header's zeros before a descriptor.
        const auto putCommon = [&](std::string* out, bool zeros) {
            Put16(out, 20);
            Put16(out, e.flags);
            Put16(out, e.method);
            Put16(out, e.dosTime);
            Put16(out, e.dosDate);
            Put32(out, zeros ? 0 : crc);
            Put32(out, zeros ? 0 : static_cast<uint32_t>(stored.size()));
            Put32(out, zeros ? 0 : static_cast<uint32_t>(e.data.size()));
        };

        Put32(&body, 0x04034b50);
        putCommon(&body, descriptor);
        Put16(&body, static_cast<uint32_t>(localName.size()));
        Put16(&body, static_cast<uint32_t>(static_cast<int32_t>(e.localExtra.size()) + e.localExtraLengthDelta));
        body += localName;
        body += e.localExtra;
        body += stored;
        if (descriptor) {
            Put32(&body, 0x08074b50);
            Put32(&body, crc);
            Put32(&body, static_cast<uint32_t>(stored.size()));
            Put32(&body, static_cast<uint32_t>(e.data.size()));
        }

        Put32(&central, 0x02014b50);
        Put16(&central, e.madeBy);
        putCommon(&central, false);
        Put16(&central, static_cast<uint32_t>(e.name.size()));
        Put16(&central, static_cast<uint32_t>(e.centralExtra.size()));
        Put16(&central, 0);  // comment
        Put16(&central, 0);  // disk
        Put16(&central, 0);  // internal attributes
        Put32(&central, e.external);
        Put32(&central, offset);
        central += e.name;
        central += e.centralExtra;
    }
    std::string out = body + central;
    Put32(&out, 0x06054b50);
    Put16(&out, 0);
    Put16(&out, 0);
    Put16(&out, static_cast<uint32_t>(entries.size()));
    Put16(&out, static_cast<uint32_t>(entries.size()));
    Put32(&out, static_cast<uint32_t>(central.size()));
    Put32(&out, static_cast<uint32_t>(body.size()));
    Put16(&out, 0);
    return out;
}

std::string Cp936(const wchar_t* text) { return Convert(936, text); }
std::string Utf8(const wchar_t* text) { return Convert(CP_UTF8, text); }

std::string UtBlock(uint8_t flags, const std::vector<int32_t>& times) {
    std::string data(1, static_cast<char>(flags));
    for (int32_t t : times) Put32(&data, static_cast<uint32_t>(t));
    std::string out = "UT";
    Put16(&out, static_cast<uint32_t>(data.size()));
    return out + data;
}

std::string PseudoRandom(size_t size, uint32_t seed) {
    std::string out(size, '\0');
    uint32_t x = seed | 1;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<char>(x >> 24);
    }
    return out;
}
