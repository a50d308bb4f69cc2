// The handle layer on Wine's real file system: a plain tree (a read-only file
// in it) goes by handles; a file another process holds stays, reported as in
// use, with the folders above it; new items are made only where nothing is,
// and an opened file moves into another opened folder; a planted folder link
// and file link are found by their handles and reported, their victims keep
// every byte.
#include "no_follow.h"

#include "plant_link.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_support;

namespace {

class NoFollow : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(OpenStatus::Opened, OpenFolderAt(dir.Path(), &top));
        ASSERT_TRUE(MakeDirs(dir / L"tree\\a\\b"));
        for (const wchar_t* file : {L"tree\\x.txt", L"tree\\a\\y.txt", L"tree\\a\\b\\z.txt"})
            ASSERT_TRUE(WriteBytes(dir / file, "data"));
        SetFileAttributesW((dir / L"tree\\a\\y.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    }

    ScratchDir dir{L"nofollow"};
    OpenedItem top;
};

} // namespace

TEST_F(NoFollow, PlainTreeGoesAndHeldFileStaysInUse)
{
    ChildProcess holder;
    ASSERT_TRUE(holder.StartHolder(dir / L"tree\\a\\b\\z.txt"));
    std::vector<LeftItem> left;
    EXPECT_FALSE(RemoveBelow(top, L"tree", &left));
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ(LeftItem::InUse, left[0].reason);
    EXPECT_EQ(0, lstrcmpiW((dir / L"tree\\a\\b\\z.txt").c_str(), left[0].path.c_str()));
    EXPECT_EQ((std::vector<std::wstring>{L"tree", L"tree\\a", L"tree\\a\\b", L"tree\\a\\b\\z.txt"}), Tree(dir.Path()));
    holder.Terminate();
    ASSERT_TRUE(holder.WaitExit(30000));
    left.clear();
    EXPECT_TRUE(RemoveBelow(top, L"tree", &left));
    EXPECT_TRUE(left.empty());
    EXPECT_TRUE(RemoveBelow(top, L"not-there"));
    EXPECT_EQ(std::vector<std::wstring>{}, Tree(dir.Path()));
}

TEST_F(NoFollow, CreatesOnlyNewItemsAndMovesByHandle)
{
    OpenedItem made, file, tree;
    ASSERT_EQ(OpenStatus::Opened, CreateFolderBelow(top, L"made", &made));
    EXPECT_TRUE(made.IsFolder());
    EXPECT_EQ(OpenStatus::Failed, CreateFolderBelow(top, L"made", &file));
    EXPECT_EQ(OpenStatus::Failed, CreateFileBelow(top, L"tree", GENERIC_WRITE, &file));
    EXPECT_EQ(OpenStatus::Failed, OpenBelow(top, L"tree\\x.txt", ItemKind::Any, &file));
    ASSERT_EQ(OpenStatus::Opened, OpenBelow(top, L"tree", ItemKind::Folder, &tree));
    EXPECT_EQ(OpenStatus::WrongKind, OpenBelow(tree, L"a", ItemKind::File, &file));
    ASSERT_EQ(OpenStatus::Opened, CreateFileBelow(tree, L"new.txt", GENERIC_WRITE, &file));
    EXPECT_EQ(OpenStatus::Failed, CreateFileBelow(tree, L"x.txt", GENERIC_WRITE, &file));
    ASSERT_EQ(OpenStatus::Opened, OpenBelow(tree, L"x.txt", ItemKind::File, &file));
    EXPECT_TRUE(RenameOpened(&file, made, L"moved.txt", false));
    EXPECT_EQ(0, lstrcmpiW((dir / L"made\\moved.txt").c_str(), file.Path().c_str()));
    file.Close();
    EXPECT_EQ("data", FileContent(dir / L"made\\moved.txt"));
    EXPECT_FALSE(Exists(dir / L"tree\\x.txt"));
    EXPECT_TRUE(Exists(dir / L"tree\\new.txt"));
}

// A link in the tree is never followed: under Wine its handle shows the
// target's path (Elsewhere), under Windows it is a reparse point (Link) and
// goes as the link. Either way the victim keeps everything.
TEST_F(NoFollow, LinksAreFoundByHandleAndNeverFollowed)
{
    ASSERT_TRUE(MakeDirs(dir / L"victim\\inner"));
    ASSERT_TRUE(WriteBytes(dir / L"victim\\inner\\v.txt", "victim's"));
    ASSERT_TRUE(WriteBytes(dir / L"victim\\w.txt", "victim's too"));
    if (!PlantLink(dir / L"tree\\a\\dl", dir / L"victim") || !PlantLink(dir / L"tree\\fl", dir / L"victim\\w.txt"))
        GTEST_SKIP() << "no link planter in this session";
    OpenedItem tree, item;
    ASSERT_EQ(OpenStatus::Opened, OpenBelow(top, L"tree", ItemKind::Folder, &tree));
    const OpenStatus status = OpenBelow(tree, L"fl", ItemKind::Any, &item);
    EXPECT_TRUE(status == OpenStatus::Elsewhere || status == OpenStatus::Link) << static_cast<int>(status);
    tree.Close();
    item.Close();
    std::vector<LeftItem> left;
    const bool all = RemoveBelow(top, L"tree", &left);
    // Each link is either gone as a link or left, reported as one.
    for (const wchar_t* link : {L"tree\\a\\dl", L"tree\\fl"}) {
        auto at = std::find_if(left.begin(), left.end(), [&](const LeftItem& item) {
            return lstrcmpiW(item.path.c_str(), (dir / link).c_str()) == 0;
        });
        EXPECT_EQ(at != left.end(), Exists(dir / link)) << testing::PrintToString(std::wstring(link));
        EXPECT_TRUE(at == left.end() || at->reason == LeftItem::Link);
    }
    EXPECT_EQ(left.empty(), all);
    EXPECT_FALSE(Exists(dir / L"tree\\x.txt"));
    EXPECT_EQ("victim's", FileContent(dir / L"victim\\inner\\v.txt"));
    EXPECT_EQ("victim's too", FileContent(dir / L"victim\\w.txt"));
}
