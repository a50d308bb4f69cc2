// The command lines of both programs, as GetCommandLineW gives them.
#include "command_line.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const wchar_t* line;
    CommandProgram program;
    bool ok;
    // What the row expects of the options, as "S D=... CU ND NQ RUN REP UN ? LOG=...".
    const wchar_t* expected;
};

std::wstring Describe(const CommandOptions& o)
{
    std::wstring d;
    auto add = [&](bool on, const std::wstring& name) {
        if (on)
            d += (d.empty() ? L"" : L" ") + name;
    };
    add(o.silent, L"S");
    add(!o.installDir.empty(), L"D=" + o.installDir);
    add(o.currentUser, L"CU");
    add(o.noDesktop, L"ND");
    add(o.noQuickLaunch, L"NQ");
    add(o.run, L"RUN");
    add(o.repair, L"REP");
    add(o.uninstall, L"UN");
    add(o.help, L"?");
    add(!o.logFile.empty(), L"LOG=" + o.logFile);
    return d;
}

const CommandProgram S = CommandProgram::Setup;
const CommandProgram U = CommandProgram::Uninstall;

const Row kRows[] = {
    {L"Setup.exe", S, true, L""},
    {L"\"C:\\Down loads\\Setup.exe\"", S, true, L""},
    {L"\"C:\\Down loads\\Setup.exe\" /S", S, true, L"S"},
    {L"C:\\x\\Setup.exe   /s\t/nodesktop  ", S, true, L"S ND"},
    {L"Setup.exe /S /CURRENTUSER /NODESKTOP /NOQUICKLAUNCH /RUN", S, true, L"S CU ND NQ RUN"},
    // /D= takes the rest of the line, blanks and all; trailing blanks go.
    {L"Setup.exe /S /D=C:\\Program Files\\My Calendar  ", S, true, L"S D=C:\\Program Files\\My Calendar"},
    {L"Setup.exe /S /D=C:\\a /RUN", S, true, L"S D=C:\\a /RUN"},
    {L"Setup.exe /d=\"D:\\Soft Ware\"", S, true, L"D=D:\\Soft Ware"},
    {L"Setup.exe \"/D=D:\\Soft Ware\" /S", S, true, L"S D=D:\\Soft Ware"},
    {L"Setup.exe /S /D=", S, false, L"S"},
    {L"Setup.exe /LOG=C:\\logs\\setup.log /S", S, true, L"S LOG=C:\\logs\\setup.log"},
    {L"Setup.exe /LOG=\"C:\\my logs\\日志.log\" /S", S, true, L"S LOG=C:\\my logs\\日志.log"},
    {L"Setup.exe \"/LOG=C:\\my logs\\a.log\"", S, true, L"LOG=C:\\my logs\\a.log"},
    {L"Setup.exe /LOG=", S, false, L""},
    {L"Setup.exe /REPAIR /S", S, true, L"S REP"},
    {L"Setup.exe /uninstall /s", S, true, L"S UN"},
    {L"Setup.exe /REPAIR /UNINSTALL /S", S, false, L"S REP UN"},
    {L"Setup.exe /?", S, true, L"?"},
    {L"Setup.exe /S /X", S, false, L"S"},
    {L"Setup.exe S", S, false, L""},
    {L"Setup.exe /SILENT", S, false, L""},
    {L"Setup.exe /S=1", S, false, L""},
    {L"Uninstall.exe /S", U, true, L"S"},
    {L"\"C:\\Program Files\\QRVL\\VELT电子日历\\Uninstall.exe\" /S /LOG=C:\\u.log", U, true, L"S LOG=C:\\u.log"},
    {L"Uninstall.exe /?", U, true, L"?"},
    // Setup's options are no options of Uninstall's.
    {L"Uninstall.exe /S /D=C:\\x", U, false, L"S"},
    {L"Uninstall.exe /RUN", U, false, L""},
};

} // namespace

TEST(CommandLine, OptionsOfEachProgramAndWhatIsRefused)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(testing::Message() << "line: " << testing::PrintToString(std::wstring(row.line)));
        const CommandOptions options = ParseCommandLine(row.line, row.program);
        EXPECT_EQ(row.ok, options.ok) << testing::PrintToString(options.error);
        EXPECT_EQ(options.ok, options.error.empty());
        EXPECT_EQ(std::wstring(row.expected), Describe(options));
    }
}
