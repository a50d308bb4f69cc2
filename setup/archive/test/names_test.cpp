// Entry names as Get item reports them: the sanitising rules, decoding from
// code page 936 or UTF-8 whatever the ANSI code page, names too long for
// their buffer, and names refused because they are not plain (streams,
// trailing dots and spaces, short 8.3 aliases); on a system without code
// page 936, names decoded in the ANSI code page, strictly. These cases also
// run with the ANSI code page 1252.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "archive_test_util.h"
#include "entry_name.h"

TEST(ZipNames, RunsUnderTheCodePageItsRegistrationAsksFor) {
    const char* locale = std::getenv("VELT_LOCALE");
    bool western = locale != nullptr && std::string(locale).rfind("en_US", 0) == 0;
    EXPECT_EQ(western ? 1252u : 936u, GetACP());
}

TEST(ZipNames, NamesAreSanitisedDecodedAndRefusedWhenTheyDoNotFit) {
    const std::tuple<std::string, uint16_t, std::wstring, ZipResult> cases[] = {
        // The sanitising rules, applied repeatedly. "../x" and ".." match no
        // rule: Extract refuses them.
        {"C:\\x", 0, L"x", kZipOk}, {"/x", 0, L"x", kZipOk}, {"a/../b", 0, L"b", kZipOk},
        {"a\\..\\b\\..\\c", 0, L"c", kZipOk}, {"../x", 0, L"../x", kZipOk}, {"..\\..\\x", 0, L"x", kZipOk},
        {"\\\\server\\share\\x", 0, L"server\\share\\x", kZipOk}, {"C:/../x", 0, L"../x", kZipOk},
        {"//C:\\x", 0, L"x", kZipOk}, {"a/b/c.txt", 0, L"a/b/c.txt", kZipOk}, {"a/..\\b", 0, L"b", kZipOk},
        {"a\\../b", 0, L"b", kZipOk}, {"./../x", 0, L"x", kZipOk}, {"..", 0, L"..", kZipOk},
        // Code page 936 whatever the ANSI code page; UTF-8 when the entry's
        // flag (bit 11) says so.
        {Cp936(L"VELT电子日历.exe"), 0, L"VELT电子日历.exe", kZipOk},
        {Cp936(L"res/image/face/默认/"), 0, L"res/image/face/默认/", kZipOk},
        {Utf8(L"默认/d0.png"), 0x0800, L"默认/d0.png", kZipOk},
        {Utf8(L"ünïcode €.txt"), 0x0800, L"ünïcode €.txt", kZipOk},
        // 259 units fit the buffer with its terminator; a longer name ends in
        // an error with an empty name (260 Chinese characters too, though
        // they fit in 520 bytes), and so does a NUL inside the stored name
        // rather than cutting it short.
        {std::string(259, 'n'), 0, std::wstring(259, L'n'), kZipOk},
        {std::string(260, 'n'), 0, L"", kZipNoFile},
        {std::string(5000, 'n'), 0, L"", kZipNoFile},
        {Cp936(std::wstring(260, L'历').c_str()), 0, L"", kZipNoFile},
        {std::string("safe.txt\0../../evil", 19), 0, L"", kZipNoFile},
        // Names that could open something else than the plain item they
        // spell are refused with the name: a stream, a trailing dot or space
        // (Windows drops it), a short 8.3 alias of some long name.
        {"ab:c", 0, L"", kZipNoFile}, {"res/profile.xml:evil", 0, L"", kZipNoFile}, {"a/b:c", 0, L"", kZipNoFile},
        {"res./x", 0, L"", kZipNoFile}, {"x.", 0, L"", kZipNoFile}, {"res /x", 0, L"", kZipNoFile},
        {"res/x ", 0, L"", kZipNoFile}, {"res ./", 0, L"", kZipNoFile}, {"UNINST~1.EXE", 0, L"", kZipNoFile},
        {"res/PROFIL~2.XML", 0, L"", kZipNoFile}, {"uninst~1", 0, L"", kZipNoFile}, {"RES~1/x", 0, L"", kZipNoFile},
        {"AB12C~10.Z", 0, L"", kZipNoFile},
        // Tildes elsewhere, dots inside, and "." components are plain.
        {"~x.txt", 0, L"~x.txt", kZipOk}, {"a~b.txt", 0, L"a~b.txt", kZipOk}, {"long~1name.txt", 0, L"long~1name.txt", kZipOk},
        {"ab~1.html", 0, L"ab~1.html", kZipOk}, {"x~.txt", 0, L"x~.txt", kZipOk}, {"a.b.c", 0, L"a.b.c", kZipOk},
        {"./x", 0, L"./x", kZipOk}, {".x", 0, L".x", kZipOk},
    };
    for (const auto& [raw, flags, name, result] : cases) {
        ZipResult got;
        EXPECT_EQ(name, ItemOf({.name = raw, .data = "x", .flags = flags}, &got).name) << raw;
        EXPECT_EQ(result, got) << raw;
    }

    // The same UTF-8 bytes without the flag are read as code page 936; the
    // raw bytes above are what a Chinese system stores.
    EXPECT_NE(L"默认/d0.png", ItemOf({.name = Utf8(L"默认/d0.png"), .data = "x"}).name);
    EXPECT_EQ(std::string("VELT\xB5\xE7\xD7\xD3\xC8\xD5\xC0\xFA.exe"), Cp936(L"VELT电子日历.exe"));
}

// Code page 936 is used while it is installed, whatever the ANSI code page;
// where it is missing (simulated: Wine always has it), names without the
// UTF-8 flag are decoded in the ANSI code page, and a byte that page leaves
// undefined (0x81 in 1252) fails the name instead of making one up. Under
// the ANSI code page 936 the fallback decodes as 936 does.
TEST(ZipNames, WithoutCodePage936NamesAreDecodedInTheAnsiCodePage) {
    struct Missing {
        Missing() { SimulateMissingNameCodePage(true); }
        ~Missing() { SimulateMissingNameCodePage(false); }
    };
    const bool western = GetACP() == 1252;
    const std::tuple<std::string, uint16_t, std::wstring, std::wstring> cases[] = {
        // raw name, flags, name with code page 936, name without it in code page 1252
        {Cp936(L"VELT电子日历.exe"), 0, L"VELT电子日历.exe", L"VELT\u00B5\u00E7\u00D7\u00D3\u00C8\u00D5\u00C0\u00FA.exe"},
        {Cp936(L"res/image/face/默认/"), 0, L"res/image/face/默认/", L"res/image/face/\u00C4\u00AC\u00C8\u00CF/"},
        {Cp936(L"丂.txt"), 0, L"丂.txt", L""},
        {"res/profile.xml", 0, L"res/profile.xml", L"res/profile.xml"},
        {Utf8(L"默认/d0.png"), 0x0800, L"默认/d0.png", L"默认/d0.png"},
    };
    for (const auto& [raw, flags, installed, missing] : cases) {
        SCOPED_TRACE(testing::Message() << raw);
        EXPECT_EQ(installed, ItemOf({.name = raw, .data = "x", .flags = flags}).name);
        Missing simulated;
        const std::wstring expected = western ? missing : installed;
        ZipResult got;
        EXPECT_EQ(expected, ItemOf({.name = raw, .data = "x", .flags = flags}, &got).name);
        EXPECT_EQ(expected.empty() ? kZipNoFile : kZipOk, got);
    }
}
