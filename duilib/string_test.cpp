// CStdString and CDUIRect: the value types that cross the interface.
#include "dui_test_support.h"

#include <gtest/gtest.h>

TEST(ValueTypes, StdStringBuildsComparesCutsAndFormatsWithTheWindowsWideConventionsAndDuiRectOffsetsAndJoins)
{
    const CStdString s(L"VELT电子日历");
    EXPECT_EQ(s.GetLength(), 8);
    EXPECT_TRUE(s == L"VELT电子日历");
    EXPECT_TRUE(L"VELT电子日历" == s);
    EXPECT_FALSE(s != L"VELT电子日历");
    // Cuts, also beyond the end.
    const std::pair<CStdString, const wchar_t*> cuts[] = {{s.Left(4), L"VELT"},  {s.Mid(4), L"电子日历"},
                                                          {s.Mid(4, 2), L"电子"}, {s.Right(2), L"日历"},
                                                          {s.Left(99), s.GetData()}, {s.Mid(99), L""}};
    for (const auto& [cut, expected] : cuts) EXPECT_EQ(cut, expected);
    EXPECT_EQ(s.Find(L'电'), 4);
    EXPECT_EQ(s.Find(L"日历"), 6);
    EXPECT_EQ(s.Find(L"x"), -1);
    EXPECT_EQ(s.GetAt(0), L'V');
    EXPECT_EQ(s[99], 0);

    CStdString empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ(empty.GetData(), L"");
    EXPECT_TRUE(CStdString(static_cast<LPCTSTR>(NULL)).IsEmpty());

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

    // Format: %s and %d as Windows reads them in wide strings, its result the
    // length, and longer than any fixed buffer.
    CStdString text;
    const int n = text.Format(L"SOFTWARE\\Microsoft\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\%s", L"{3C9B27E4}");
    EXPECT_EQ(text, L"SOFTWARE\\Microsoft\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\{3C9B27E4}");
    EXPECT_EQ(n, text.GetLength());
    text.Format(L"%s%d%s", L"可用空间：", 1024, L"MB");
    EXPECT_EQ(text, L"可用空间：1024MB");
    text.Format(L"[%s]", std::wstring(3000, L'x').c_str());
    EXPECT_EQ(text.GetLength(), 3002);

    // CDUIRect: offset, join and size.
    CDUIRect rc(5, 31, 511, 391);
    EXPECT_EQ(rc.GetWidth(), 506);
    EXPECT_EQ(rc.GetHeight(), 360);
    rc.Offset(-5, -31);
    EXPECT_EQ(duitest::Pos(rc), "0,0,506,360");
    rc.Join(RECT{-1, 2, 600, 3});
    EXPECT_EQ(rc.left, -1);
    EXPECT_EQ(rc.right, 600);
    EXPECT_FALSE(rc.IsNull());
    rc.Empty();
    EXPECT_TRUE(rc.IsNull());
}
