// The install manifest: round trips through real files, adding paths, and the
// reader's refusal of damaged, truncated and hostile content.
#include "install_manifest.h"

#include "test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

using namespace testing_support;
using Paths = std::vector<std::wstring>;

namespace {

InstallManifest Sample(const std::wstring& dir, bool created = true, int parents = 0)
{
    InstallManifest manifest;
    manifest.directory = dir;
    manifest.createdDirectory = created;
    manifest.createdParents = parents;
    for (const wchar_t* entry : {L"VELT电子日历.exe", L"res/image/face/默认/bk.png", L"res/profile.xml"})
        EXPECT_TRUE(manifest.AddArchiveEntry(entry));
    return manifest;
}

// `body` with the trailer that fits it: the count of its entries and its
// CRC-32 (zlib's), in the C reader's spelling.
std::string Sealed(const std::string& body, int entries)
{
    char trailer[32];
    std::snprintf(trailer, sizeof trailer, "end %d %08lx\r\n", entries,
                  crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return body + trailer;
}

} // namespace

// Written, read back, replaced by a rewrite, damaged on disk; the folders
// created above the directory count only with a created directory.
TEST(InstallManifest, FileIsWrittenReadBackReplacedAndCheckedOnDisk)
{
    ScratchDir dir(L"manifest");
    InstallManifest read = Sample(dir.Path());
    const DWORD missing = ReadInstallManifest(dir.Path(), &read);
    EXPECT_TRUE(missing == ERROR_FILE_NOT_FOUND || missing == ERROR_PATH_NOT_FOUND) << missing;
    EXPECT_TRUE(read.files.empty());
    EXPECT_NE(ERROR_SUCCESS, ReadInstallManifest(dir / L"nowhere", &read));
    EXPECT_NE(ERROR_SUCCESS, WriteInstallManifest(dir / L"nowhere", Sample(dir.Path())));

    ASSERT_EQ(ERROR_SUCCESS, WriteInstallManifest(dir.Path(), Sample(dir.Path(), true, 2)));
    EXPECT_NE(std::string::npos, FileContent(dir / L"VELTInstall.lst").find("\r\ncreated 1\r\nparents 2\r\n"));
    EXPECT_FALSE(Exists(dir / L"VELTInstall.lst.new"));
    ASSERT_EQ(ERROR_SUCCESS, ReadInstallManifest(dir.Path(), &read));
    EXPECT_EQ(dir.Path(), read.directory);
    EXPECT_TRUE(read.createdDirectory);
    EXPECT_EQ(2, read.createdParents);
    EXPECT_EQ((Paths{L"res", L"res\\image", L"res\\image\\face", L"res\\image\\face\\默认"}), read.folders);
    EXPECT_EQ((Paths{L"VELT电子日历.exe", L"res\\image\\face\\默认\\bk.png", L"res\\profile.xml"}), read.files);

    InstallManifest second;
    second.directory = dir.Path();
    second.createdParents = 2;
    second.AddFile(L"only.txt");
    ASSERT_EQ(ERROR_SUCCESS, WriteInstallManifest(dir.Path(), second));
    ASSERT_EQ(ERROR_SUCCESS, ReadInstallManifest(dir.Path(), &read));
    EXPECT_FALSE(read.createdDirectory);
    EXPECT_EQ(0, read.createdParents);
    EXPECT_EQ(Paths{L"only.txt"}, read.files);
    EXPECT_TRUE(read.folders.empty());

    // A damaged file reads as damaged, not as a shorter list.
    std::string bytes = FileContent(dir / L"VELTInstall.lst");
    bytes[bytes.find("only")] = 'O';
    ASSERT_TRUE(WriteBytes(dir / L"VELTInstall.lst", bytes));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), ReadInstallManifest(dir.Path(), &read));
}

TEST(InstallManifest, AddingNormalisesRefusesUnsafePathsAndTakesLinearTime)
{
    InstallManifest manifest;
    EXPECT_TRUE(manifest.AddFolder(L"res/image/"));
    EXPECT_TRUE(manifest.AddFolder(L"RES\\IMAGE"));  // same folder, other case
    EXPECT_TRUE(manifest.AddFile(L"a\\b\\"));        // a trailing separator is dropped
    EXPECT_EQ(Paths{L"res\\image"}, manifest.folders);
    EXPECT_EQ(Paths{L"a\\b"}, manifest.files);
    for (const wchar_t* bad : {L"", L"\\abs", L"/abs", L"C:\\x", L"C:x", L"..\\up", L"a\\..\\..\\b", L"a\\.\\b",
                               L"a\\\\b", L"*.png", L"a?b", L"dots...", L"trail "}) {
        EXPECT_FALSE(manifest.AddFile(bad)) << testing::PrintToString(std::wstring(bad));
    }
    EXPECT_EQ(1u, manifest.files.size());
    EXPECT_FALSE(IsSafeRelativePath(std::wstring(MAX_PATH, L'a')));

    // 20,000 entries, each added twice (once in another letter case), in a
    // few seconds at most; each is listed once, its folders once.
    InstallManifest big;
    const DWORD start = GetTickCount();
    for (int i = 0; i < 20000; ++i) {
        std::wstring name = L"filler/d" + std::to_wstring(i / 100) + L"/f" + std::to_wstring(i) + L".bin";
        EXPECT_TRUE(big.AddArchiveEntry(name));
        CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
        EXPECT_TRUE(big.AddArchiveEntry(name));
    }
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(big.files.size(), 20000u);
    EXPECT_EQ(big.folders.size(), 201u);  // "filler" and its 200 folders
    // A list changed directly is still seen.
    big.files.push_back(L"direct.txt");
    EXPECT_TRUE(big.AddFile(L"DIRECT.TXT"));
    EXPECT_EQ(big.files.size(), 20001u);
}

// Only content whose header, lines, count and checksum agree is read, and
// only when every path in it stays inside the directory; anything else is
// refused as a whole and leaves an empty manifest.
TEST(InstallManifest, OnlyWholeConsistentSafeContentIsRead)
{
    InstallManifest parsed;
    const std::string good = SerializeInstallManifest(Sample(L"C:\\x"));
    EXPECT_EQ(std::string::npos, good.find("parents"));
    const size_t at = good.rfind("end ");
    const std::string body = good.substr(0, at), crc = good.substr(at + 6, 8);
    ASSERT_EQ("end 7 " + crc + "\r\n", good.substr(at));
    std::string upper = crc, flipped = good;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    flipped[good.find("profile")] = 'P';
    // A manifest of one file, `line` before it.
    const auto withLine = [](const std::string& line) {
        return Sealed("VELT-INSTALL-MANIFEST 1\r\ndirectory C:\\x\r\ncreated 1\r\n" + line + "\r\nF a.txt\r\n", 1);
    };
    InstallManifest hostileFile, hostileFolder;
    hostileFile.directory = hostileFolder.directory = L"C:\\x";
    hostileFile.files.push_back(L"..\\..\\Windows\\win.ini");
    hostileFolder.folders.push_back(L"C:\\Windows");

    // The trailer's fields may be spaced and spelled as a C reader of
    // "end %u %8lx" takes them.
    for (const std::string& bytes : {good, body + "end 7 " + upper + "\r\n", body + "end\t7  " + crc + "\n",
                                     body + "end +7 " + crc + "\r\n", body + "end 7\t" + crc + "\r\r\n"})
        EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), ParseInstallManifest(bytes, &parsed)) << bytes;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), ParseInstallManifest(withLine("parents 3"), &parsed));
    EXPECT_EQ(3, parsed.createdParents);

    const std::string refused[] = {
        "", good.substr(0, good.size() / 2), good.substr(0, good.size() - 1), flipped, body, std::string(3000, '\0'),
        "VELT-INSTALL-MANIFEST 2\r\n" + good.substr(good.find('\n') + 1),
        // Nothing may follow the checksum, and the fields are spelled as written.
        body + "end 7 " + crc + " \r\n", body + "end 7 " + crc + "0\r\n", body + "END 7 " + crc + "\r\n",
        body + " end 7 " + crc + "\r\n", body + "end 8 " + crc + "\r\n", body + "end7 " + crc + "\r\n",
        body + "end -7 " + crc + "\r\n", body + "end 7 " + crc + "\n\n", body + "end 7 " + crc + "\r\nx",
        body + "end 4294967303 " + crc + "\r\n",
        // The parents' count: 1 to 16, a plain decimal number.
        withLine("parents 0"), withLine("parents 17"), withLine("parents 1x"), withLine("parents  2"),
        withLine("parents -1"), withLine("parents 02"), withLine("parents +2"), withLine("parents "),
        withLine("parents 4294967299"),
        // Well-formed (right count and checksum), but naming a path outside the directory.
        SerializeInstallManifest(hostileFile), SerializeInstallManifest(hostileFolder)};
    for (const std::string& bytes : refused) {
        SCOPED_TRACE(testing::PrintToString(bytes.substr(bytes.size() < 60 ? 0 : bytes.size() - 60)));
        parsed = Sample(L"C:\\x");
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), ParseInstallManifest(bytes, &parsed));
        EXPECT_TRUE(parsed.files.empty() && parsed.folders.empty() && parsed.directory.empty());
    }
}
