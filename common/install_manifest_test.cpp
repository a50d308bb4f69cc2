// The install manifest: round trips through real files, and the reader's
// refusal of damaged, truncated and hostile content.
#include "install_manifest.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace testing_support;

namespace {

InstallManifest Sample(const std::wstring& dir)
{
    InstallManifest manifest;
    manifest.directory = dir;
    manifest.createdDirectory = true;
    EXPECT_TRUE(manifest.AddArchiveEntry(L"VELT电子日历.exe"));
    EXPECT_TRUE(manifest.AddArchiveEntry(L"res/image/face/默认/bk.png"));
    EXPECT_TRUE(manifest.AddArchiveEntry(L"res/profile.xml"));
    return manifest;
}

} // namespace

TEST(InstallManifest, WrittenFileReadsBackTheSame)
{
    ScratchDir dir(L"manifest");
    const InstallManifest written = Sample(dir.Path());
    ASSERT_EQ(ERROR_SUCCESS, WriteInstallManifest(dir.Path(), written));
    EXPECT_TRUE(Exists(dir / L"VELTInstall.lst"));
    EXPECT_FALSE(Exists(dir / L"VELTInstall.lst.new"));

    InstallManifest read;
    ASSERT_EQ(ERROR_SUCCESS, ReadInstallManifest(dir.Path(), &read));
    EXPECT_EQ(written.directory, read.directory);
    EXPECT_TRUE(read.createdDirectory);
    const std::vector<std::wstring> folders = {L"res", L"res\\image", L"res\\image\\face",
                                               L"res\\image\\face\\默认"};
    EXPECT_EQ(folders, read.folders);
    const std::vector<std::wstring> files = {L"VELT电子日历.exe", L"res\\image\\face\\默认\\bk.png",
                                             L"res\\profile.xml"};
    EXPECT_EQ(files, read.files);
}

// The folders created above the directory: kept through a round trip; a
// count without "created 1", out of range, or not a plain number is refused.
TEST(InstallManifest, CreatedParentsRoundTripAndAreChecked)
{
    InstallManifest manifest = Sample(L"C:\\Program Files\\QRVL\\VELT电子日历");
    manifest.createdParents = 1;
    const std::string bytes = SerializeInstallManifest(manifest);
    EXPECT_NE(bytes.find("\r\nparents 1\r\n"), std::string::npos);
    InstallManifest read;
    ASSERT_EQ(ERROR_SUCCESS, ParseInstallManifest(bytes, &read));
    EXPECT_EQ(1, read.createdParents);
    manifest.createdParents = 0;
    EXPECT_EQ(SerializeInstallManifest(manifest).find("parents"), std::string::npos);

    // The line put into a manifest of one file with a valid checksum, so that
    // only the line itself decides.
    const auto withLine = [](const std::string& line) {
        InstallManifest probe;
        probe.directory = L"C:\\x";
        probe.createdDirectory = true;
        probe.AddFile(L"a.txt");
        const std::string good = SerializeInstallManifest(probe);
        std::string body = good.substr(0, good.rfind("end "));
        body.insert(body.find("F a.txt"), line + "\r\n");
        unsigned long crc = 0xFFFFFFFFul;
        for (unsigned char c : body) {
            crc ^= c;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1ul)));
        }
        char trailer[32];
        std::snprintf(trailer, sizeof trailer, "end 1 %08lx\r\n", crc ^ 0xFFFFFFFFul);
        return body + trailer;
    };
    ASSERT_EQ(ERROR_SUCCESS, ParseInstallManifest(withLine("parents 3"), &read));
    EXPECT_EQ(3, read.createdParents);
    for (const char* line : {"parents 0", "parents 17", "parents 1x", "parents  2", "parents -1", "parents 02",
                             "parents +2", "parents ", "parents 4294967299"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), ParseInstallManifest(withLine(line), &read));
    }
    InstallManifest notCreated = Sample(L"C:\\x");
    notCreated.createdDirectory = false;
    notCreated.createdParents = 2;
    ASSERT_EQ(ERROR_SUCCESS, ParseInstallManifest(SerializeInstallManifest(notCreated), &read));
    EXPECT_EQ(0, read.createdParents);
}

TEST(InstallManifest, RewriteReplacesTheOldFile)
{
    ScratchDir dir(L"manifest");
    ASSERT_EQ(ERROR_SUCCESS, WriteInstallManifest(dir.Path(), Sample(dir.Path())));
    InstallManifest second;
    second.directory = dir.Path();
    second.createdDirectory = false;
    second.AddFile(L"only.txt");
    ASSERT_EQ(ERROR_SUCCESS, WriteInstallManifest(dir.Path(), second));
    InstallManifest read;
    ASSERT_EQ(ERROR_SUCCESS, ReadInstallManifest(dir.Path(), &read));
    EXPECT_FALSE(read.createdDirectory);
    EXPECT_EQ(std::vector<std::wstring>{L"only.txt"}, read.files);
    EXPECT_TRUE(read.folders.empty());
}

TEST(InstallManifest, MissingFileAndMissingDirectoryAreReported)
{
    ScratchDir dir(L"manifest");
    InstallManifest read = Sample(dir.Path());
    const DWORD rc = ReadInstallManifest(dir.Path(), &read);
    EXPECT_TRUE(rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND) << rc;
    EXPECT_TRUE(read.files.empty());
    EXPECT_NE(ERROR_SUCCESS, ReadInstallManifest(dir / L"nowhere", &read));
    EXPECT_NE(ERROR_SUCCESS, WriteInstallManifest(dir / L"nowhere", Sample(dir.Path())));
}

TEST(InstallManifest, AddingNormalisesAndRefusesUnsafePaths)
{
    InstallManifest manifest;
    EXPECT_TRUE(manifest.AddFolder(L"res/image/"));
    EXPECT_TRUE(manifest.AddFolder(L"RES\\IMAGE"));  // same folder, other case
    EXPECT_EQ(std::vector<std::wstring>{L"res\\image"}, manifest.folders);
    for (const wchar_t* bad : {L"", L"\\abs", L"/abs", L"C:\\x", L"C:x", L"..\\up", L"a\\..\\..\\b", L"a\\.\\b",
                               L"a\\\\b", L"*.png", L"a?b", L"dots...", L"trail ", L"a\\b\\"}) {
        InstallManifest m;
        if (std::wstring(bad) == L"a\\b\\") {
            EXPECT_TRUE(m.AddFile(bad)) << "a trailing separator is dropped";
            continue;
        }
        EXPECT_FALSE(m.AddFile(bad)) << std::string(bad, bad + wcslen(bad));
        EXPECT_TRUE(m.files.empty());
    }
    EXPECT_FALSE(IsSafeRelativePath(std::wstring(MAX_PATH, L'a')));
}

TEST(InstallManifest, DamagedContentIsRefusedAsAWhole)
{
    ScratchDir dir(L"manifest");
    const std::string good = SerializeInstallManifest(Sample(dir.Path()));
    InstallManifest parsed;
    ASSERT_EQ(ERROR_SUCCESS, ParseInstallManifest(good, &parsed));

    std::vector<std::string> damaged;
    damaged.push_back("");                                       // empty file
    damaged.push_back(good.substr(0, good.size() / 2));          // truncated
    damaged.push_back(good.substr(0, good.size() - 1));          // last line end missing
    std::string flipped = good;
    flipped[good.find("profile")] = 'P';                         // one byte changed
    damaged.push_back(flipped);
    std::string noTrailer = good.substr(0, good.rfind("end "));  // trailer cut off
    damaged.push_back(noTrailer);
    damaged.push_back(std::string(3000, '\0'));                  // zeros
    damaged.push_back("VELT-INSTALL-MANIFEST 2\r\n" + good.substr(good.find('\n') + 1));
    for (size_t i = 0; i < damaged.size(); ++i) {
        parsed = Sample(dir.Path());
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), ParseInstallManifest(damaged[i], &parsed)) << i;
        EXPECT_TRUE(parsed.files.empty() && parsed.folders.empty() && parsed.directory.empty()) << i;
    }

    // A damaged file on disk reads as damaged, not as a shorter list.
    ASSERT_TRUE(WriteBytes(dir / L"VELTInstall.lst", flipped));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), ReadInstallManifest(dir.Path(), &parsed));
}

TEST(InstallManifest, TrailerSpellings)
{
    // The trailer's fields may be spaced and spelled as a C reader of
    // "end %u %8lx" takes them, and nothing may follow the checksum.
    ScratchDir dir(L"manifest");
    const std::string good = SerializeInstallManifest(Sample(dir.Path()));
    const size_t at = good.rfind("end ");
    const std::string body = good.substr(0, at);
    ASSERT_EQ(good.substr(at, 6), "end 7 ");
    const std::string crc = good.substr(at + 6, 8);
    std::string upper = crc;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    InstallManifest parsed;
    for (const std::string& trailer : {"end 7 " + upper + "\r\n", "end\t7  " + crc + "\n", "end +7 " + crc + "\r\n",
                                       "end 7\t" + crc + "\r\r\n"})
        EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), ParseInstallManifest(body + trailer, &parsed)) << trailer;
    for (const std::string& trailer : {"end 7 " + crc + " \r\n", "end 7 " + crc + "0\r\n", "END 7 " + crc + "\r\n",
                                       " end 7 " + crc + "\r\n", "end 8 " + crc + "\r\n", "end7 " + crc + "\r\n",
                                       "end -7 " + crc + "\r\n", "end 7 " + crc + "\n\n", "end 7 " + crc + "\r\nx",
                                       "end 4294967303 " + crc + "\r\n"})
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), ParseInstallManifest(body + trailer, &parsed)) << trailer;
}

TEST(InstallManifest, ConsistentButHostileEntriesAreRefused)
{
    // A well-formed file (right count and checksum) that names a path outside
    // the directory is refused, whoever wrote it.
    for (bool folder : {false, true}) {
        InstallManifest hostile, parsed;
        hostile.directory = L"C:\\x";
        (folder ? hostile.folders : hostile.files).push_back(folder ? L"C:\\Windows" : L"..\\..\\Windows\\win.ini");
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA),
                  ParseInstallManifest(SerializeInstallManifest(hostile), &parsed));
    }
}

// A manifest of thousands of entries is made in time linear in their number:
// 20,000 entries, each added twice (once in another letter case), in a few
// seconds at most; each is listed once, its folders once.
TEST(InstallManifest, TensOfThousandsOfEntriesAddInLinearTime)
{
    InstallManifest manifest;
    const DWORD start = GetTickCount();
    for (int i = 0; i < 20000; ++i) {
        const std::wstring name = L"filler/d" + std::to_wstring(i / 100) + L"/f" + std::to_wstring(i) + L".bin";
        EXPECT_TRUE(manifest.AddArchiveEntry(name));
        std::wstring upper = name;
        CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
        EXPECT_TRUE(manifest.AddArchiveEntry(upper));
    }
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(manifest.files.size(), 20000u);
    EXPECT_EQ(manifest.folders.size(), 201u);  // "filler" and its 200 folders
    // A list changed directly is still seen.
    manifest.files.push_back(L"direct.txt");
    EXPECT_TRUE(manifest.AddFile(L"DIRECT.TXT"));
    EXPECT_EQ(manifest.files.size(), 20001u);
}
