// The payload tool as a maintainer runs it: a child process whose output is
// read through a pipe. It lists and extracts archives the tests build, prints
// names in UTF-8 whatever the ANSI code page, and reports each result code.
#include <gtest/gtest.h>

#include <sstream>

#include "archive_test_util.h"
#include "test_support.h"
#include "zip_builder.h"

using testing_support::ModuleDir;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

struct ToolRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
};

// Runs payload_tool.exe with `args`, collects its standard output.
ToolRun RunTool(const std::wstring& args) {
    ToolRun run;
    run.exitCode = static_cast<DWORD>(testing_support::RunProgram(ModuleDir() + L"\\payload_tool.exe", args, &run.out));
    return run;
}

// The parts of `text` between the `separator`s (lines: '\n', with the '\r'
// of CRLF dropped; fields: '\t').
std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) {
        if (!part.empty() && part.back() == '\r') part.pop_back();
        parts.push_back(part);
    }
    return parts;
}

std::string TestArchive() {
    std::vector<TestEntry> entries(4);
    entries[0].name = Cp936(L"VELT电子日历.exe");
    entries[0].data = "MZ program";
    entries[1].name = Cp936(L"res/image/face/默认/");
    entries[1].method = 0;
    entries[1].external = 0x10;
    entries[2].name = Cp936(L"res/image/face/默认/bk.png");
    entries[2].data = std::string(3000, 'p');
    entries[2].localExtra = UtBlock(1, {1700000000});
    entries[3].name = "../escape.txt";
    entries[3].data = "no";
    return BuildZip(entries);
}

} // namespace

TEST(PayloadTool, ListsEveryEntryWithUtf8Names) {
    ScratchDir scratch(L"zipt");
    ASSERT_TRUE(WriteBytes(scratch / L"test.zip", TestArchive()));
    ToolRun run = RunTool(L"--archive \"" + (scratch / L"test.zip") + L"\" list");
    EXPECT_EQ(0u, run.exitCode);
    std::vector<std::string> lines = Split(run.out, '\n');
    ASSERT_EQ(5u, lines.size()) << run.out;
    EXPECT_EQ("count\t4", lines[0]);
    std::vector<std::string> f = Split(lines[1], '\t');
    ASSERT_EQ(9u, f.size()) << lines[1];
    EXPECT_EQ("0", f[0]);
    EXPECT_EQ("0x00000000", f[1]);
    EXPECT_EQ("0x20 -A---", f[2]);
    EXPECT_EQ("10", f[7]);
    EXPECT_EQ(Utf8(L"VELT电子日历.exe"), f[8]);
    f = Split(lines[2], '\t');
    EXPECT_EQ("0x10 D----", f[2]);
    EXPECT_EQ(Utf8(L"res/image/face/默认/"), f[8]);
    f = Split(lines[3], '\t');
    EXPECT_EQ("2023-11-14T22:13:20Z", f[3]);  // from the UT block
    EXPECT_EQ("3000", f[7]);
    f = Split(lines[4], '\t');
    EXPECT_EQ("../escape.txt", f[8]);
}

TEST(PayloadTool, ExtractsBelowTheDirectoryAndReportsEachResult) {
    ScratchDir scratch(L"zipt");
    ASSERT_TRUE(WriteBytes(scratch / L"test.zip", TestArchive()));
    std::wstring out = scratch / L"out";
    ToolRun run = RunTool(L"--archive \"" + (scratch / L"test.zip") + L"\" extract \"" + out + L"\"");
    EXPECT_EQ(1u, run.exitCode);  // one entry was refused
    std::vector<std::string> lines = Split(run.out, '\n');
    ASSERT_EQ(5u, lines.size()) << run.out;
    EXPECT_EQ("0\t0x00000000\t" + Utf8(L"VELT电子日历.exe"), lines[1]);
    EXPECT_EQ("1\t0x00000000\t" + Utf8(L"res/image/face/默认/"), lines[2]);
    EXPECT_EQ("2\t0x00000000\t" + Utf8(L"res/image/face/默认/bk.png"), lines[3]);
    EXPECT_EQ("3\t0x00000200\t../escape.txt", lines[4]);
    EXPECT_EQ("MZ program", testing_support::FileContent(out + L"\\VELT电子日历.exe"));
    EXPECT_EQ(std::string(3000, 'p'), testing_support::FileContent(out + L"\\res\\image\\face\\默认\\bk.png"));
    EXPECT_FALSE(testing_support::Exists(scratch / L"escape.txt"));
}

TEST(PayloadTool, RefusesBadUsageAndUnreadableArchives) {
    ScratchDir scratch(L"zipt");
    EXPECT_EQ(2u, RunTool(L"").exitCode);
    EXPECT_EQ(2u, RunTool(L"frobnicate").exitCode);
    EXPECT_EQ(2u, RunTool(L"extract").exitCode);
    EXPECT_EQ(2u, RunTool(L"--archive \"" + (scratch / L"missing.zip") + L"\" list").exitCode);
    ASSERT_TRUE(WriteBytes(scratch / L"junk.zip", "this is no archive"));
    EXPECT_EQ(2u, RunTool(L"--archive \"" + (scratch / L"junk.zip") + L"\" list").exitCode);
}
