// The start-up skin check: a layout counts only when the archive can be read,
// holds the entry, and the entry builds into controls.
#include "skin_check.h"

#include "dui_test_support.h"

#include <gtest/gtest.h>

using duitest::SkinArchive;

TEST(SkinCheck, OnlyALayoutThatBuildsCounts)
{
    SkinArchive skin;
    skin.Add("Page9Wnd.xml",
             R"(<Window size="50,40"><VerticalLayout><Button name="nextbtn" /></VerticalLayout></Window>)");
    skin.Add("Broken.xml", "<Window size=\"50,40\"><VerticalLayout>");
    skin.Add("Empty.xml", "<Window size=\"50,40\"></Window>");
    ASSERT_TRUE(skin.Install(L"Uninstall.DAT"));
    EXPECT_TRUE(SkinHasLayout(L"Page9Wnd.xml"));
    EXPECT_TRUE(CheckSkinOrReport(L"Page9Wnd.xml"));  // no message: it would block here
    EXPECT_FALSE(SkinHasLayout(L"Page10Wnd.xml"));
    EXPECT_FALSE(SkinHasLayout(L"Broken.xml"));
    EXPECT_FALSE(SkinHasLayout(L"Empty.xml"));

    // No archive of that name, and an archive that is no zip.
    CPaintManagerUI::SetResourceZip(L"Missing.DAT");
    EXPECT_FALSE(SkinHasLayout(L"Page9Wnd.xml"));
    ASSERT_TRUE(testing_support::WriteBytes(skin.Folder() + L"\\Junk.DAT", std::string(4096, 'P')));
    CPaintManagerUI::SetResourceZip(L"Junk.DAT");
    EXPECT_FALSE(SkinHasLayout(L"Page9Wnd.xml"));
}
