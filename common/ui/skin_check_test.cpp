// The start-up skin check: a layout counts only when the archive holds the
// entry and the entry builds into controls. (A missing or unreadable archive,
// and a layout without controls, build nothing in the window library:
// BadSkin.MissingOrDamagedArchivesBuildNothingAndDoNotCrash and
// BadSkin.BadLayoutsBuildNothingAndDoNotCrash.)
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
    ASSERT_TRUE(skin.Install(L"Uninstall.DAT"));
    EXPECT_TRUE(SkinHasLayout(L"Page9Wnd.xml"));
    EXPECT_TRUE(CheckSkinOrReport(L"Page9Wnd.xml"));  // no message: it would block here
    EXPECT_FALSE(SkinHasLayout(L"Page10Wnd.xml"));
    EXPECT_FALSE(SkinHasLayout(L"Broken.xml"));
}
