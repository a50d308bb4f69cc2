// Entry names as Get item reports them: the sanitising rules, decoding from
// code page 936 or UTF-8 whatever the ANSI code page, and names too long for
// their buffer. These cases also run with the ANSI code page 1252.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "archive_test_util.h"
#include "zip_builder.h"

namespace {

std::wstring NameOf(const std::string& raw, uint16_t flags = 0, ZipResult* result = nullptr) {
    TestEntry e = File(raw, "x");
    e.flags = flags;
    std::string zip = BuildZip({e});
    ZipArchivePtr archive = OpenBytes(zip);
    if (!archive) return L"<not opened>";
    ZipItem item;
    ZipResult r = ZipArchiveGetItem(archive.get(), 0, &item);
    if (result != nullptr) *result = r;
    return item.name;
}

} // namespace

TEST(ZipNames, RunsUnderTheCodePageItsRegistrationAsksFor) {
    const char* locale = std::getenv("VELT_LOCALE");
    bool western = locale != nullptr && std::string(locale).rfind("en_US", 0) == 0;
    EXPECT_EQ(western ? 1252u : 936u, GetACP());
}

TEST(ZipNames, SanitisingFollowsTheRulesRepeatedly) {
    struct Case {
        const char* raw;
        const wchar_t* expected;
    } cases[] = {
        {"C:\\x", L"x"},
        {"/x", L"x"},
        {"a/../b", L"b"},
        {"a\\..\\b\\..\\c", L"c"},
        {"../x", L"../x"},                  // matches no rule; Extract refuses it
        {"..\\..\\x", L"x"},
        {"\\\\server\\share\\x", L"server\\share\\x"},
        {"C:/../x", L"../x"},
        {"//C:\\x", L"x"},
        {"a/b/c.txt", L"a/b/c.txt"},
        {"a/..\\b", L"b"},
        {"a\\../b", L"b"},
        {"./../x", L"x"},
        {"..", L".."},
    };
    for (const Case& c : cases) {
        ZipResult result = 1;
        EXPECT_EQ(c.expected, NameOf(c.raw, 0, &result)) << c.raw;
        EXPECT_EQ(kZipOk, result) << c.raw;
    }
}

TEST(ZipNames, Cp936NamesDecodeTheSameUnderEveryAnsiCodePage) {
    EXPECT_EQ(L"VELT电子日历.exe", NameOf(Cp936(L"VELT电子日历.exe")));
    EXPECT_EQ(L"res/image/face/默认/", NameOf(Cp936(L"res/image/face/默认/")));
    // The raw bytes are what a Chinese system stores: check them independently.
    EXPECT_EQ(std::string("VELT\xB5\xE7\xD7\xD3\xC8\xD5\xC0\xFA.exe"), Cp936(L"VELT电子日历.exe"));
}

TEST(ZipNames, Utf8FlaggedNamesDecodeAsUtf8) {
    EXPECT_EQ(L"默认/d0.png", NameOf(Utf8(L"默认/d0.png"), 0x0800));
    EXPECT_EQ(L"ünïcode €.txt", NameOf(Utf8(L"ünïcode €.txt"), 0x0800));
    // The same bytes without the flag are read as code page 936, not UTF-8.
    EXPECT_NE(L"默认/d0.png", NameOf(Utf8(L"默认/d0.png"), 0));
}

TEST(ZipNames, NamesThatDoNotFitEndInAnErrorWithAnEmptyName) {
    ZipResult result = 0;
    EXPECT_EQ(L"", NameOf(std::string(259, 'n'), 0, &result).substr(259));
    EXPECT_EQ(kZipOk, result);
    EXPECT_EQ(259u, NameOf(std::string(259, 'n')).size());

    EXPECT_EQ(L"", NameOf(std::string(260, 'n'), 0, &result));
    EXPECT_EQ(kZipNoFile, result);
    EXPECT_EQ(L"", NameOf(std::string(5000, 'n'), 0, &result));
    EXPECT_EQ(kZipNoFile, result);
    // 200 Chinese characters fit in 400 bytes but 260 do not fit the buffer.
    std::wstring many(260, L'历');
    EXPECT_EQ(L"", NameOf(Cp936(many.c_str()), 0, &result));
    EXPECT_EQ(kZipNoFile, result);
    // A NUL inside the stored name is refused rather than cut short.
    EXPECT_EQ(L"", NameOf(std::string("safe.txt\0../../evil", 19), 0, &result));
    EXPECT_EQ(kZipNoFile, result);
}
