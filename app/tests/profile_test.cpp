// The settings file read and written on the real file system: defaults for a
// missing, damaged or out-of-range file, a round trip, other content kept,
// and a file held by another program that cannot be saved.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "profile.h"
#include "test_support.h"

using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

struct ProfileFile {
    ScratchDir dir{L"profile"};
    std::wstring path;
    ProfileFile() {
        testing_support::MakeDirs(dir / L"默认\\res");
        path = ProfilePathFor(dir / L"默认");
    }
};

void ExpectDefaults(const Profile& p) {
    EXPECT_FALSE(p.hasPosition);
    EXPECT_EQ(1, p.firstDayOfWeek);
}

} // namespace

TEST(Profile, PathIsResProfileXmlBesideTheProgram) {
    EXPECT_EQ(L"C:\\a\\res\\profile.xml", ProfilePathFor(L"C:\\a"));
    EXPECT_EQ(L"C:\\a\\res\\profile.xml", ProfilePathFor(L"C:\\a\\"));
}

TEST(Profile, MissingDamagedOrOddFilesGiveDefaults) {
    ProfileFile f;
    ExpectDefaults(LoadProfile(f.path));  // missing

    ASSERT_TRUE(WriteBytes(f.path, std::string("\x00\xff<profile><window x=", 22)));
    ExpectDefaults(LoadProfile(f.path));  // not XML

    ASSERT_TRUE(WriteBytes(f.path, ""));
    ExpectDefaults(LoadProfile(f.path));  // empty

    ASSERT_TRUE(WriteBytes(f.path, "<settings><window x=\"5\" y=\"6\"/></settings>"));
    ExpectDefaults(LoadProfile(f.path));  // other root

    ASSERT_TRUE(WriteBytes(f.path, "<profile><window x=\"12px\" y=\"6\"/>"
                                   "<calendar firstdayofweek=\"5\"/></profile>"));
    ExpectDefaults(LoadProfile(f.path));  // not numbers, out of range

    ASSERT_TRUE(WriteBytes(f.path, "<profile><window x=\"7\"/><calendar firstdayofweek=\"\"/></profile>"));
    ExpectDefaults(LoadProfile(f.path));  // half a position

    ExpectDefaults(LoadProfile(f.dir / L"默认\\res"));  // a folder, not a file
}

TEST(Profile, ReadsPositionAndWeekStart) {
    ProfileFile f;
    ASSERT_TRUE(WriteBytes(f.path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                   "<profile><window x=\"-20\" y=\"140\"/>"
                                   "<calendar firstdayofweek=\"0\"/></profile>"));
    const Profile p = LoadProfile(f.path);
    EXPECT_TRUE(p.hasPosition);
    EXPECT_EQ(-20, p.x);
    EXPECT_EQ(140, p.y);
    EXPECT_EQ(0, p.firstDayOfWeek);
}

TEST(Profile, SavesAndKeepsOtherContent) {
    ProfileFile f;
    ASSERT_TRUE(WriteBytes(f.path, "<profile><!-- note --><skin name=\"默认\"/>"
                                   "<calendar firstdayofweek=\"0\"/></profile>"));
    Profile p = LoadProfile(f.path);
    p.hasPosition = true;
    p.x = 300;
    p.y = 200;
    ASSERT_TRUE(SaveProfile(f.path, p));
    const Profile back = LoadProfile(f.path);
    EXPECT_TRUE(back.hasPosition);
    EXPECT_EQ(300, back.x);
    EXPECT_EQ(200, back.y);
    EXPECT_EQ(0, back.firstDayOfWeek);
    std::string text;
    ASSERT_TRUE(ReadBytes(f.path, &text));
    EXPECT_NE(std::string::npos, text.find("<!-- note -->"));
    EXPECT_NE(std::string::npos, text.find("<skin name=\"\xe9\xbb\x98\xe8\xae\xa4\""));  // 默认 in UTF-8
}

TEST(Profile, SaveReplacesADamagedFileAndFailsOnALockedOne) {
    ProfileFile f;
    ASSERT_TRUE(WriteBytes(f.path, "<<<"));
    Profile p;
    p.hasPosition = true;
    p.x = 1;
    p.y = 2;
    ASSERT_TRUE(SaveProfile(f.path, p));
    EXPECT_TRUE(LoadProfile(f.path).hasPosition);

    // Another program holds the file open without sharing: saving fails and
    // the file keeps what it had.
    HANDLE held = CreateFileW(f.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    p.x = 50;
    EXPECT_FALSE(SaveProfile(f.path, p));
    CloseHandle(held);
    EXPECT_EQ(1, LoadProfile(f.path).x);
}
