// DeletePath against Wine's real file system: a nested tree with a read-only
// file goes silently, a single file goes and its neighbours stay, a file held
// open by another process stays (false, and named as in use) until it is
// released, and a missing, empty or null path gives false and changes nothing.
// Links met on the way: no_follow_test.cpp.
#include "delete_path.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(DeletePath, RemovesTreesAndFilesButNothingHeldOrMissing)
{
    ScratchDir dir(L"delete");
    const std::wstring root = dir / L"VELT电子日历", held = dir / L"held.dat", missing = dir / L"not-there";
    ASSERT_TRUE(MakeDirs(root + L"\\res\\image\\face\\默认"));
    for (const wchar_t* file : {L"\\VELT电子日历.exe", L"\\res\\image\\face\\默认\\bk.png", L"\\res\\profile.xml"})
        ASSERT_TRUE(WriteBytes(root + file, std::string(5000, 'x')));
    SetFileAttributesW((root + L"\\res\\profile.xml").c_str(), FILE_ATTRIBUTE_READONLY);
    for (const std::wstring& file : {dir / L"a.txt", dir / L"b.txt", held})
        ASSERT_TRUE(WriteBytes(file, "data"));
    ChildProcess holder;
    ASSERT_TRUE(holder.StartHolder(held));

    EXPECT_TRUE(DeletePath(root.c_str()));
    EXPECT_TRUE(DeletePath((dir / L"a.txt").c_str()));
    std::vector<std::wstring> inUse;
    EXPECT_FALSE(DeletePath(held.c_str(), &inUse));
    ASSERT_EQ(1u, inUse.size());
    EXPECT_EQ(0, lstrcmpiW(held.c_str(), inUse[0].c_str()));
    for (const wchar_t* nothing : {missing.c_str(), L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_FALSE(DeletePath(nothing));
    EXPECT_EQ((std::vector<std::wstring>{L"b.txt", L"held.dat"}), Tree(dir.Path()));
    holder.Terminate();
    EXPECT_TRUE(DeletePath(held.c_str()));
    EXPECT_EQ(std::vector<std::wstring>{L"b.txt"}, Tree(dir.Path()));
}
