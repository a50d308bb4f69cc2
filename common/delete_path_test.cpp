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

TEST(DeletePath, RemovesASingleFileAndLeavesItsNeighbours)
{
    ScratchDir dir(L"file");
    ASSERT_TRUE(WriteBytes(dir / L"a.txt", "a"));
    ASSERT_TRUE(WriteBytes(dir / L"b.txt", "b"));
    EXPECT_TRUE(DeletePath((dir / L"a.txt").c_str()));
    EXPECT_FALSE(Exists(dir / L"a.txt"));
    EXPECT_TRUE(Exists(dir / L"b.txt"));
}

TEST(DeletePath, MissingPathReturnsFalseAndChangesNothing)
{
    ScratchDir dir(L"missing");
    ASSERT_TRUE(WriteBytes(dir / L"keep.txt", "k"));
    EXPECT_FALSE(DeletePath((dir / L"not-there").c_str()));
    EXPECT_TRUE(Exists(dir / L"keep.txt"));
}

TEST(DeletePath, EmptyOrNullPathDeletesNothing)
{
    EXPECT_FALSE(DeletePath(L""));
    EXPECT_FALSE(DeletePath(nullptr));
}

TEST(DeletePath, FileHeldOpenByAnotherProcessStaysAndFalseIsReturned)
{
    ScratchDir dir(L"held");
    const std::wstring held = dir / L"held.dat";
    ASSERT_TRUE(WriteBytes(held, "data"));
    ChildProcess holder;
    const std::wstring event = UniqueName(L"held");
    ASSERT_TRUE(holder.Start(ModuleDir() + L"\\velt_test_helper.exe", L"hold \"" + held + L"\" 60000 " + event, event));

    EXPECT_FALSE(DeletePath(held.c_str()));
    EXPECT_TRUE(Exists(held));
    holder.Terminate();
    EXPECT_TRUE(DeletePath(held.c_str()));
    EXPECT_FALSE(Exists(held));
}
