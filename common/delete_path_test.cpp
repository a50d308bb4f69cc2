// DeletePath against Wine's real shell and file system.
#include "delete_path.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(DeletePath, RemovesANestedTreeSilently)
{
    ScratchDir dir(L"tree");
    const std::wstring root = dir / L"VELT电子日历";
    ASSERT_TRUE(MakeDirs(root + L"\\res\\image\\face\\默认"));
    ASSERT_TRUE(WriteBytes(root + L"\\VELT电子日历.exe", "MZ"));
    ASSERT_TRUE(WriteBytes(root + L"\\res\\image\\face\\默认\\bk.png", std::string(5000, 'x')));
    ASSERT_TRUE(WriteBytes(root + L"\\res\\profile.xml", "<x/>"));
    SetFileAttributesW((root + L"\\res\\profile.xml").c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_TRUE(DeletePath(root.c_str()));
    EXPECT_FALSE(Exists(root));
    EXPECT_TRUE(Exists(dir.Path()));
}

// A single file goes and its neighbour stays; a missing, empty or null path
// returns false and changes nothing.
TEST(DeletePath, RemovesASingleFileAndNothingElse)
{
    ScratchDir dir(L"file");
    ASSERT_TRUE(WriteBytes(dir / L"a.txt", "a"));
    ASSERT_TRUE(WriteBytes(dir / L"b.txt", "b"));
    EXPECT_TRUE(DeletePath((dir / L"a.txt").c_str()));
    EXPECT_FALSE(Exists(dir / L"a.txt"));
    EXPECT_TRUE(Exists(dir / L"b.txt"));
    EXPECT_FALSE(DeletePath((dir / L"not-there").c_str()));
    EXPECT_FALSE(DeletePath(L""));
    EXPECT_FALSE(DeletePath(nullptr));
    EXPECT_TRUE(Exists(dir / L"b.txt"));
}

TEST(DeletePath, FileHeldOpenByAnotherProcessStaysAndFalseIsReturned)
{
    ScratchDir dir(L"held");
    const std::wstring held = dir / L"held.dat";
    ASSERT_TRUE(WriteBytes(held, "data"));
    ChildProcess holder;
    ASSERT_TRUE(holder.StartHolder(held));

    EXPECT_FALSE(DeletePath(held.c_str()));
    EXPECT_TRUE(Exists(held));
    holder.Terminate();
    EXPECT_TRUE(DeletePath(held.c_str()));
    EXPECT_FALSE(Exists(held));
}
