// CStdString and CDUIRect: the value types that cross the interface.
#include "UIlib.h"

#include <gtest/gtest.h>

TEST(StdString, BuildsComparesAndCuts)
{
    CStdString s(L"VELT电子日历");
    EXPECT_EQ(s.GetLength(), 8);
    EXPECT_TRUE(s == L"VELT电子日历");
    EXPECT_TRUE(L"VELT电子日历" == s);
    EXPECT_FALSE(s != L"VELT电子日历");
    EXPECT_EQ(s.Left(4), L"VELT");
    EXPECT_EQ(s.Mid(4), L"电子日历");
    EXPECT_EQ(s.Mid(4, 2), L"电子");
    EXPECT_EQ(s.Right(2), L"日历");
    EXPECT_EQ(s.Left(99), s.GetData());
    EXPECT_EQ(s.Mid(99), L"");
    EXPECT_EQ(s.Find(L'电'), 4);
    EXPECT_EQ(s.Find(L"日历"), 6);
    EXPECT_EQ(s.Find(L"x"), -1);
    EXPECT_EQ(s.GetAt(0), L'V');
    EXPECT_EQ(s[99], 0);

    CStdString empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ(empty.GetData(), L"");
    CStdString fromNull(static_cast<LPCTSTR>(NULL));
    EXPECT_TRUE(fromNull.IsEmpty());

    // Longer than the inline buffer, appended to itself.
    CStdString longer;
    for (int i = 0; i < 20; ++i) longer.Append(L"0123456789");
    EXPECT_EQ(longer.GetLength(), 200);
    longer += longer;
    EXPECT_EQ(longer.GetLength(), 400);
    longer = longer.Mid(390);
    EXPECT_EQ(longer, L"0123456789");
    CStdString copy = longer + L"!" + CStdString(L"?");
    EXPECT_EQ(copy, L"0123456789!?");
    EXPECT_EQ(copy.Replace(L"234", L"-"), 1);
    EXPECT_EQ(copy, L"01-56789!?");
    EXPECT_EQ(copy.ReverseFind(L'9'), 7);
    EXPECT_EQ(CStdString(L"abc").CompareNoCase(L"ABC"), 0);
}

TEST(StdString, FormatsWithTheWindowsWideConventions)
{
    CStdString key;
    int n = key.Format(L"SOFTWARE\\Microsoft\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\%s", L"{3C9B27E4}");
    EXPECT_EQ(key, L"SOFTWARE\\Microsoft\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\{3C9B27E4}");
    EXPECT_EQ(n, key.GetLength());
    CStdString num;
    num.Format(L"%d", 158);
    EXPECT_EQ(num, L"158");
    CStdString free;
    free.Format(L"%s%d%s", L"可用空间：", 1024, L"MB");
    EXPECT_EQ(free, L"可用空间：1024MB");
    CStdString big;
    std::wstring many(3000, L'x');
    big.Format(L"[%s]", many.c_str());
    EXPECT_EQ(big.GetLength(), 3002);
}

TEST(DuiRect, OffsetAndSize)
{
    CDUIRect rc(5, 31, 511, 391);
    EXPECT_EQ(rc.GetWidth(), 506);
    EXPECT_EQ(rc.GetHeight(), 360);
    rc.Offset(-5, -31);
    EXPECT_EQ(rc.left, 0);
    EXPECT_EQ(rc.top, 0);
    EXPECT_EQ(rc.right, 506);
    EXPECT_EQ(rc.bottom, 360);
    rc.Join(RECT{-1, 2, 600, 3});
    EXPECT_EQ(rc.left, -1);
    EXPECT_EQ(rc.right, 600);
    EXPECT_FALSE(rc.IsNull());
    rc.Empty();
    EXPECT_TRUE(rc.IsNull());
}
