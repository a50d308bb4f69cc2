// The settings file read and written on the real file system: its place
// beside the program, defaults for a missing, damaged or out-of-range file,
// a round trip, other content kept, and a file held by another program that
// cannot be saved.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "profile.h"
#include "test_support.h"

using testing_support::WriteBytes;

namespace {

// What LoadProfile read, written out for comparison.
std::string Read(const std::wstring& path) {
    const Profile p = LoadProfile(path);
    return (p.hasPosition ? std::to_string(p.x) + "," + std::to_string(p.y) : std::string("no position")) +
           ", week from " + std::to_string(p.firstDayOfWeek);
}

} // namespace

// The settings file of a program in a folder with a Chinese name.
TEST(Profile, ResProfileXmlBesideTheProgramIsReadWithDefaultsAndSavedKeepingOtherContent) {
    EXPECT_EQ(L"C:\\a\\res\\profile.xml", ProfilePathFor(L"C:\\a"));
    EXPECT_EQ(L"C:\\a\\res\\profile.xml", ProfilePathFor(L"C:\\a\\"));
    testing_support::ScratchDir dir(L"profile");
    ASSERT_TRUE(testing_support::MakeDirs(dir / L"默认\\res"));
    const std::wstring path = ProfilePathFor(dir / L"默认");

    // Missing, damaged or odd files give the defaults; a valid one is read.
    EXPECT_EQ("no position, week from 1", Read(path));  // missing
    EXPECT_EQ("no position, week from 1", Read(dir / L"默认\\res"));  // a folder, not a file
    const std::pair<std::string, const char*> files[] = {
        {std::string("\x00\xff<profile><window x=", 22), "not XML"},
        {"", "empty"},
        {"<settings><window x=\"5\" y=\"6\"/></settings>", "other root"},
        {"<profile><window x=\"12px\" y=\"6\"/><calendar firstdayofweek=\"5\"/></profile>",
         "not numbers, out of range"},
        {"<profile><window x=\"7\"/><calendar firstdayofweek=\"\"/></profile>", "half a position"},
    };
    for (const auto& [content, what] : files) {
        ASSERT_TRUE(WriteBytes(path, content));
        EXPECT_EQ("no position, week from 1", Read(path)) << what;
    }
    ASSERT_TRUE(WriteBytes(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                 "<profile><window x=\"-20\" y=\"140\"/><calendar firstdayofweek=\"0\"/></profile>"));
    EXPECT_EQ("-20,140, week from 0", Read(path));

    // Saved, other content is kept; a damaged file is replaced.
    ASSERT_TRUE(WriteBytes(path, "<profile><!-- note --><skin name=\"默认\"/>"
                                 "<calendar firstdayofweek=\"0\"/></profile>"));
    Profile p = LoadProfile(path);
    p.hasPosition = true;
    p.x = 300;
    p.y = 200;
    ASSERT_TRUE(SaveProfile(path, p));
    EXPECT_EQ("300,200, week from 0", Read(path));
    const std::string text = testing_support::FileContent(path);
    EXPECT_NE(std::string::npos, text.find("<!-- note -->"));
    EXPECT_NE(std::string::npos, text.find("<skin name=\"\xe9\xbb\x98\xe8\xae\xa4\""));  // 默认 in UTF-8
    ASSERT_TRUE(WriteBytes(path, "<<<"));
    p.x = 1;
    ASSERT_TRUE(SaveProfile(path, p));
    EXPECT_EQ("1,200, week from 0", Read(path));

    // Another program holds the file open without sharing: saving fails and
    // the file keeps what it had.
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    p.x = 50;
    EXPECT_FALSE(SaveProfile(path, p));
    CloseHandle(held);
    EXPECT_EQ("1,200, week from 0", Read(path));
}
