// The payload tool as a maintainer runs it: a child process whose output is
// read through a pipe. It lists and extracts archives the tests build, prints
// names in UTF-8 whatever the ANSI code page, and reports each result code.
#include <gtest/gtest.h>

#include <sstream>

#include "archive_test_util.h"
#include "test_support.h"
#include "zip_builder.h"

using testing_support::ModuleDir;
using testing_support::ReadBytes;
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

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
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
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(5u, lines.size()) << run.out;
    EXPECT_EQ("count\t4", lines[0]);
    std::vector<std::string> f = Fields(lines[1]);
    ASSERT_EQ(9u, f.size()) << lines[1];
    EXPECT_EQ("0", f[0]);
    EXPECT_EQ("0x00000000", f[1]);
    EXPECT_EQ("0x20 -A---", f[2]);
    EXPECT_EQ("10", f[7]);
    EXPECT_EQ(Utf8(L"VELT电子日历.exe"), f[8]);
    f = Fields(lines[2]);
    EXPECT_EQ("0x10 D----", f[2]);
    EXPECT_EQ(Utf8(L"res/image/face/默认/"), f[8]);
    f = Fields(lines[3]);
    EXPECT_EQ("2023-11-14T22:13:20Z", f[3]);  // from the UT block
    EXPECT_EQ("3000", f[7]);
    f = Fields(lines[4]);
    EXPECT_EQ("../escape.txt", f[8]);
}

TEST(PayloadTool, ExtractsBelowTheDirectoryAndReportsEachResult) {
    ScratchDir scratch(L"zipt");
    ASSERT_TRUE(WriteBytes(scratch / L"test.zip", TestArchive()));
    std::wstring out = scratch / L"out";
    ToolRun run = RunTool(L"--archive \"" + (scratch / L"test.zip") + L"\" extract \"" + out + L"\"");
    EXPECT_EQ(1u, run.exitCode);  // one entry was refused
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(5u, lines.size()) << run.out;
    EXPECT_EQ("0\t0x00000000\t" + Utf8(L"VELT电子日历.exe"), lines[1]);
    EXPECT_EQ("1\t0x00000000\t" + Utf8(L"res/image/face/默认/"), lines[2]);
    EXPECT_EQ("2\t0x00000000\t" + Utf8(L"res/image/face/默认/bk.png"), lines[3]);
    EXPECT_EQ("3\t0x00000200\t../escape.txt", lines[4]);
    std::string bytes;
    ASSERT_TRUE(ReadBytes(out + L"\\VELT电子日历.exe", &bytes));
    EXPECT_EQ("MZ program", bytes);
    ASSERT_TRUE(ReadBytes(out + L"\\res\\image\\face\\默认\\bk.png", &bytes));
    EXPECT_EQ(std::string(3000, 'p'), bytes);
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
