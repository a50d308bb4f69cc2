// The real payload archive, embedded in this test program as the payload
// resource when the build has one (skipped otherwise). Checked against the
// entry list (PayloadEntryNames, generated from the packer's list) and
// against an independent reading of the archive's central directory: the
// count 83, every name, attribute, size and time; extraction writes the same
// bytes (checksums, and the four programs byte for byte against the build's
// own files) with the archive attribute and DOS times.
#include <gtest/gtest.h>

#include <zlib.h>

#include <string>
#include <vector>

#include "archive_test_util.h"
#include "payload_entries.h"
#include "product.h"
#include "test_support.h"

using testing_support::ModuleDir;
using testing_support::ReadBytes;
using testing_support::ScratchDir;

namespace {

struct RawRecord {
    unsigned madeBy, method, flags, dosTime, dosDate;
    unsigned long crc, compressed, uncompressed, external;
    std::string name;
};

// The embedded payload; or, when there is none, the file that the variable
// VELT_PAYLOAD_ZIP names (to check another build's payload by hand).
bool Payload(const unsigned char** data, DWORD* size, bool* embedded, std::string* file) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(kPayloadResourceId), kPayloadResourceType);
    *embedded = resource != nullptr;
    if (resource == nullptr) {
        wchar_t path[MAX_PATH];
        DWORD length = GetEnvironmentVariableW(L"VELT_PAYLOAD_ZIP", path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH || !ReadBytes(path, file) || file->empty()) return false;
        *data = reinterpret_cast<const unsigned char*>(file->data());
        *size = static_cast<DWORD>(file->size());
        return true;
    }
    HGLOBAL loaded = LoadResource(nullptr, resource);
    *data = static_cast<const unsigned char*>(LockResource(loaded));
    *size = SizeofResource(nullptr, resource);
    return *data != nullptr && *size != 0;
}

unsigned U16(const unsigned char* p) { return p[0] | (p[1] << 8); }
unsigned long U32(const unsigned char* p) { return U16(p) | (static_cast<unsigned long>(U16(p + 2)) << 16); }

// The central directory read by hand, without the reader under test.
std::vector<RawRecord> ReadCentral(const unsigned char* data, DWORD size) {
    std::vector<RawRecord> records;
    DWORD end = size - 22;
    while (end > 0 && U32(data + end) != 0x06054b50) --end;
    unsigned count = U16(data + end + 10);
    DWORD at = U32(data + end + 16);
    for (unsigned i = 0; i < count && at + 46 <= size && U32(data + at) == 0x02014b50; ++i) {
        const unsigned char* p = data + at;
        RawRecord r;
        r.madeBy = U16(p + 4);
        r.flags = U16(p + 8);
        r.method = U16(p + 10);
        r.dosTime = U16(p + 12);
        r.dosDate = U16(p + 14);
        r.crc = U32(p + 16);
        r.compressed = U32(p + 20);
        r.uncompressed = U32(p + 24);
        r.external = U32(p + 38);
        unsigned nameLength = U16(p + 28);
        r.name.assign(reinterpret_cast<const char*>(p + 46), nameLength);
        records.push_back(r);
        at += 46 + nameLength + U16(p + 30) + U16(p + 32);
    }
    return records;
}

std::wstring Decode936(const std::string& bytes) {
    wchar_t out[MAX_PATH] = {};
    MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), out, MAX_PATH - 1);
    return out;
}

std::wstring Backslashes(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

} // namespace

class RealPayload : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Payload(&m_data, &m_size, &m_embedded, &m_file)) GTEST_SKIP() << "this build has no payload archive (target velt_payload)";
        m_records = ReadCentral(m_data, m_size);
        ASSERT_EQ(83u, m_records.size());
    }
    const unsigned char* m_data = nullptr;
    DWORD m_size = 0;
    std::vector<RawRecord> m_records;
    bool m_embedded = false;
    std::string m_file;
};

TEST_F(RealPayload, EveryEntryIsDescribedAsTheArchiveHoldsIt) {
    ZipArchivePtr archive(ZipArchiveOpen(m_data, m_size));
    ASSERT_TRUE(archive != nullptr);
    ZipItem item;
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), -1, &item));
    EXPECT_EQ(83, item.index);
    EXPECT_EQ(L'\0', item.name[0]);
    EXPECT_EQ(kZipBadArgs, ZipArchiveGetItem(archive.get(), 83, &item));
    EXPECT_EQ(kZipBadArgs, ZipArchiveGetItem(archive.get(), -2, &item));
    EXPECT_EQ(kZipBadArgs, ZipArchiveExtractItem(archive.get(), 83, L"x"));

    const std::vector<std::wstring>& names = PayloadEntryNames();
    ASSERT_EQ(83u, names.size());
    for (int i = 0; i < 83; ++i) {
        const RawRecord& raw = m_records[static_cast<size_t>(i)];
        ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), i, &item)) << i;
        EXPECT_EQ(i, item.index);
        EXPECT_EQ(names[static_cast<size_t>(i)], item.name) << i;
        EXPECT_EQ(names[static_cast<size_t>(i)], Decode936(raw.name)) << i;
        EXPECT_EQ(0u, raw.flags) << i;  // no UTF-8 flag, no encryption, no descriptor
        EXPECT_EQ(0u, raw.madeBy >> 8) << i;
        bool folder = names[static_cast<size_t>(i)].back() == L'/';
        EXPECT_EQ(folder ? 0x10u : 0x20u, item.attributes) << i;
        EXPECT_EQ(raw.compressed, item.compressedSize) << i;
        EXPECT_EQ(raw.uncompressed, item.uncompressedSize) << i;
        unsigned long long dos = ExpectedDosTicks(raw.dosDate, raw.dosTime);
        EXPECT_EQ(dos, Ticks(item.writeTime)) << i;
        EXPECT_EQ(dos, Ticks(item.accessTime)) << i;
        EXPECT_EQ(dos, Ticks(item.creationTime)) << i;
        if (folder) {
            EXPECT_EQ(0u, raw.method);
            EXPECT_EQ(0u, item.uncompressedSize);
        } else {
            EXPECT_GT(item.uncompressedSize, 0u) << i;
        }
    }
}

TEST_F(RealPayload, ExtractionWritesTheSameBytesWithArchiveAttributeAndDosTimes) {
    ScratchDir scratch(L"payload");
    ZipArchivePtr archive(ZipArchiveOpen(m_data, m_size));
    ASSERT_TRUE(archive != nullptr);
    std::wstring base = scratch / L"QRVL\\VELT电子日历";
    ASSERT_TRUE(testing_support::MakeDirs(scratch / L"QRVL"));
    ASSERT_EQ(kZipOk, ZipArchiveSetBaseDir(archive.get(), base.c_str()));
    ZipItem item;
    for (int i = 0; i < 83; ++i) {
        ZipArchiveGetItem(archive.get(), i, &item);
        EXPECT_EQ(kZipOk, ZipArchiveExtractItem(archive.get(), i, item.name)) << i;
    }
    const std::vector<std::wstring>& names = PayloadEntryNames();
    for (size_t i = 0; i < names.size(); ++i) {
        std::wstring path = base + L"\\" + Backslashes(names[i]);
        DWORD attributes = GetFileAttributesW(path.c_str());
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes) << i;
        if (names[i].back() == L'/') {
            EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << i;
            continue;
        }
        EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), attributes) << i;
        // Times before the content: reading may move the access time.
        FILETIME w, a, c;
        ASSERT_TRUE(FileTimes(path, &w, &a, &c));
        unsigned long long dos = ExpectedDosTicks(m_records[i].dosDate, m_records[i].dosTime);
        EXPECT_EQ(dos, Ticks(w)) << i;
        EXPECT_EQ(dos, Ticks(a)) << i;
        EXPECT_EQ(dos, Ticks(c)) << i;
        std::string bytes;
        ASSERT_TRUE(ReadBytes(path, &bytes)) << i;
        EXPECT_EQ(m_records[i].uncompressed, bytes.size()) << i;
        EXPECT_EQ(m_records[i].crc, crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())))
            << i;
    }
    // The four programs and data files are the build's own, byte for byte.
    if (!m_embedded) return;
    for (const wchar_t* file : {L"VELT电子日历.exe", L"DuiLibu.dll", L"Uninstall.DAT", L"Uninstall.exe"}) {
        std::string built;
        std::string extracted;
        ASSERT_TRUE(ReadBytes(ModuleDir() + L"\\" + file, &built));
        ASSERT_TRUE(ReadBytes(base + L"\\" + file, &extracted));
        EXPECT_TRUE(built == extracted);
    }
}
