// FollowsNamingRules (path_naming.h): one table of paths, each with whether
// Windows accepts it as a folder's name and why.
#include "path_naming.h"

#include <gtest/gtest.h>

TEST(PathNaming, WindowsRulesForAFoldersName)
{
    const struct {
        std::wstring path;
        bool follows;
        const char* why;
    } rows[] = {
        {L"C:\\Program Files\\QRVL\\VELT电子日历", true, "the default folder"},
        {L"c:/Soft/Velt\\", true, "'/' and a trailing separator"},
        {L"D:\\a\\\\b", true, "a doubled separator"},
        {L"Velt\\日历", true, "relative"},
        {L"..\\a\\.\\b", true, "'.' and '..' step within the path"},
        {L"C:Velt", true, "relative to the drive's current folder"},
        {L"C:\\ lead\\.hidden\\a.b.c\\CONSOLE\\NULL.txt\\COM10\\LPT0\\xCON", true, "names near the rules"},
        {L"\\\\host\\share\\Velt", true, "a share"},
        {L"", true, "empty: names nothing, the worker reports it"},
        {L"C:\\Program Files\\QRVL\\VELT电子Q:\\nowhere\\VELT日历", false, "a drive inside the path"},
        {L"C:\\Velt:stream", false, "a stream"},
        {L"1:\\Velt", false, "a colon after no drive letter"},
        {L":\\Velt", false, "a colon first"},
        {L"C:\\a<b", false, "<"},
        {L"C:\\a>b", false, ">"},
        {L"C:\\\"a\"", false, "\""},
        {L"C:\\a|b", false, "|"},
        {L"C:\\a?", false, "?"},
        {L"C:\\a*", false, "*"},
        {L"C:\\a\tb", false, "a tab"},
        {std::wstring(L"C:\\a") + L'\x1F' + L"b", false, "a control character"},
        {std::wstring(L"C:\\a\0b", 6), false, "a NUL character"},
        {L"C:\\Velt.", false, "a trailing dot"},
        {L"C:\\Velt.\\x", false, "a component ending in a dot"},
        {L"C:\\...\\x", false, "three dots"},
        {L"C:\\Velt \\x", false, "a component ending in a space"},
        {L"C:\\Velt ", false, "a trailing space"},
        {L"C:\\CON", false, "a device"},
        {L"C:\\x\\nul.txt", false, "a device in lower case with an extension"},
        {L"C:\\x\\Aux .tar.gz\\y", false, "a device with spaces before its extension"},
        {L"prn", false, "a device, relative"},
        {L"C:\\COM1", false, "COM1"},
        {L"C:\\lpt9\\x", false, "LPT9"},
        {L"C:\\COM\u00B9", false, "COM with a superscript one"},
        {L"\\\\.\\C:\\Velt", false, "a device form"},
        {L"\\\\.\\pipe\\x", false, "a device form without a colon"},
        {L"\\\\?\\C:\\Velt", false, "a literal form"},
        {L"\\??\\C:\\Velt", false, "the native form"},
        {L"\\\\host.\\share", false, "a host name ending in a dot"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(FollowsNamingRules(row.path), row.follows) << testing::PrintToString(row.path);
    }
}
