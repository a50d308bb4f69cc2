// The payload tool as a maintainer runs it: a child process whose output is
// read through a pipe. It lists and extracts archives the tests build, prints
// names in UTF-8 whatever the ANSI code page, and reports each result code.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "archive_test_util.h"
#include "test_support.h"
#include "zip_builder.h"

using testing_support::ScratchDir;

namespace {

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

// payload_tool.exe run with `args`: its exit code and its output's lines.
std::pair<int, std::vector<std::string>> RunTool(const std::wstring& args) {
    std::string out;
    const int code = testing_support::RunProgram(testing_support::ModuleDir() + L"\\payload_tool.exe", args, &out);
    return {code, Split(out, '\n')};
}

} // namespace

// Listed: index, result, attributes, the write time (from the UT block), the
// size and the name of each entry. Extracted: one line per entry with its
// result, the exit code 1 for the refused one (what extraction writes, and
// that a name that climbs out is refused, is ZipExtract's). Bad usage and
// archives that cannot be read end with 2.
TEST(PayloadTool, ListsAndExtractsEveryEntryWithUtf8NamesAndRefusesBadUsage) {
    // A program, a folder, a file in it (its time from a UT block) and a
    // name that climbs out.
    ScratchDir scratch(L"zipt");
    const std::wstring zip = scratch / L"test.zip";
    ASSERT_TRUE(testing_support::WriteBytes(
        zip, BuildZip({{Cp936(L"VELT电子日历.exe"), "MZ program"},
                       {.name = Cp936(L"res/image/face/默认/"), .method = 0, .external = 0x10},
                       {.name = Cp936(L"res/image/face/默认/bk.png"), .data = std::string(3000, 'p'),
                        .localExtra = UtBlock(1, {1700000000})},
                       {"../escape.txt", "no"}})));
    const auto [code, lines] = RunTool(L"--archive \"" + zip + L"\" list");
    EXPECT_EQ(0, code);
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("count\t4", lines[0]);
    for (size_t i = 1; i < lines.size(); ++i) ASSERT_EQ(9u, Split(lines[i], '\t').size()) << lines[i];
    const std::tuple<size_t, size_t, std::string> fields[] = {
        {1, 0, "0"}, {1, 1, "0x00000000"}, {1, 2, "0x20 -A---"}, {1, 7, "10"}, {1, 8, Utf8(L"VELT电子日历.exe")},
        {2, 2, "0x10 D----"}, {2, 8, Utf8(L"res/image/face/默认/")}, {3, 3, "2023-11-14T22:13:20Z"},
        {3, 7, "3000"}, {4, 8, "../escape.txt"}};
    for (const auto& [line, field, expected] : fields)
        EXPECT_EQ(expected, Split(lines[line], '\t')[field]) << "line " << line << " field " << field;

    const std::wstring out = scratch / L"out";
    const auto [extractCode, extracted] = RunTool(L"--archive \"" + zip + L"\" extract \"" + out + L"\"");
    EXPECT_EQ(1, extractCode);
    const std::vector<std::string> expected = {
        "count\t4", "0\t0x00000000\t" + Utf8(L"VELT电子日历.exe"), "1\t0x00000000\t" + Utf8(L"res/image/face/默认/"),
        "2\t0x00000000\t" + Utf8(L"res/image/face/默认/bk.png"), "3\t0x00000200\t../escape.txt"};
    EXPECT_EQ(expected, extracted);
    EXPECT_EQ("MZ program", testing_support::FileContent(out + L"\\VELT电子日历.exe"));

    ASSERT_TRUE(testing_support::WriteBytes(scratch / L"junk.zip", "this is no archive"));
    for (const std::wstring& args : {std::wstring(), std::wstring(L"frobnicate"), std::wstring(L"extract"),
                                     L"--archive \"" + (scratch / L"missing.zip") + L"\" list",
                                     L"--archive \"" + (scratch / L"junk.zip") + L"\" list"})
        EXPECT_EQ(2, RunTool(args).first) << testing::PrintToString(args);
}
