// Layout: float controls placed by "pos" (with a right and bottom of 0 taking
// "width" and "height"), fixed sizes, the width attribute up to maxwidth,
// inset, vertical and horizontal flow, hidden controls, the root Window's
// geometry, lookup by name and by point, the class names the programs compare
// with, and option groups.
#include "dui_test_support.h"

#include <gtest/gtest.h>

using duitest::SkinArchive;
using duitest::TestWindow;

namespace {

void ExpectRect(CControlUI* c, int l, int t, int r, int b)
{
    ASSERT_NE(c, nullptr);
    const RECT& rc = c->GetPos();
    EXPECT_EQ(rc.left, l) << c->GetName().GetData();
    EXPECT_EQ(rc.top, t) << c->GetName().GetData();
    EXPECT_EQ(rc.right, r) << c->GetName().GetData();
    EXPECT_EQ(rc.bottom, b) << c->GetName().GetData();
}

const char kFrame[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="517,397" roundcorner="5,5" caption="0,0,0,30" sizebox="4,4,6,6">
  <VerticalLayout name="root" inset="0,1,0,0" bkcolor="#FF336699">
    <Button name="minbtn" float="true" pos="431,1,473,26" />
    <Button name="closebtn" float="true" pos="470,1,0,0" width="36" height="28" tooltip="关闭" />
    <Button name="nextbtn" float="true" pos="345,360,0,0" width="85" height="24" shortcut="N" />
    <Label name="words" float="true" pos="30,103,400,123" text="VELT电子日历" />
    <HorizontalLayout name="barframe" float="true" pos="14,122,0,0" width="474" height="14" bordersize="1" bordercolor="#FFACCFF5" bkcolor="#FFFFFFFF">
      <HorizontalLayout name="progressbar" width="1" maxwidth="474" bkcolor="#FF00FF00" />
      <HorizontalLayout name="rest" />
    </HorizontalLayout>
  </VerticalLayout>
</Window>)";

const char kFlow[] = R"(<Window size="300,220">
  <VerticalLayout name="root" inset="10,20,30,40" childpadding="5">
    <Label name="top" height="30" />
    <HorizontalLayout name="row" height="50" inset="2,3,4,5">
      <Button name="a" width="40" />
      <Button name="b" />
      <Button name="c" width="500" maxwidth="60" />
      <Button name="d" />
    </HorizontalLayout>
    <Control name="fill" />
    <Text name="capped" width="400" height="20" />
    <Edit name="field" height="24" minwidth="10" />
  </VerticalLayout>
</Window>)";

} // namespace

TEST(Layout, FloatControlsLandWherePosAndSizeSayAndTheRootGivesTheGeometry)
{
    SkinArchive skin({{"Frame.xml", kFrame}});
    TestWindow w(L"Frame.xml");
    ASSERT_NE(w.Open(NULL, 0, 0, 516, 396), nullptr);
    ASSERT_NE(w.Root(), nullptr);

    // The layout's size replaces the size passed at creation.
    RECT rc;
    GetWindowRect(w.GetHWND(), &rc);
    EXPECT_EQ(rc.right - rc.left, 517);
    EXPECT_EQ(rc.bottom - rc.top, 397);
    // Caption band and size box are kept for the window (the round corner:
    // Paint.AlphaCuttingPictureFormatsAndTheRoundCornerLeftToTheWindow).
    EXPECT_EQ(w.Manager().GetCaptionRect().bottom, 30);
    EXPECT_EQ(w.Manager().GetCaptionRect().left, 0);
    EXPECT_EQ(w.Manager().GetSizeBox().left, 4);
    EXPECT_EQ(w.Manager().GetSizeBox().right, 6);

    ExpectRect(w.Find(L"root"), 0, 0, 517, 397);
    ExpectRect(w.Find(L"minbtn"), 431, 1, 473, 26);
    ExpectRect(w.Find(L"closebtn"), 470, 1, 506, 29);
    ExpectRect(w.Find(L"nextbtn"), 345, 360, 430, 384);
    ExpectRect(w.Find(L"words"), 30, 103, 400, 123);
    ExpectRect(w.Find(L"barframe"), 14, 122, 488, 136);
    ExpectRect(w.Find(L"progressbar"), 14, 122, 15, 136);
    ExpectRect(w.Find(L"rest"), 15, 122, 488, 136);

    // The width attribute moves the bar's right edge, up to its maxwidth.
    CControlUI* bar = w.Find(L"progressbar");
    for (int width : {158, 316, 474, 900}) {
        bar->SetAttribute(L"width", std::to_wstring(width).c_str());
        duitest::Pump();
        const int right = 14 + (width < 474 ? width : 474);
        ExpectRect(bar, 14, 122, right, 136);
        ExpectRect(w.Find(L"rest"), right, 122, 488, 136);
    }
}

TEST(Layout, FlowWithInsetPaddingAndBoundsAndHiddenControlsGiveWay)
{
    SkinArchive skin({{"Flow.xml", kFlow}});
    TestWindow w(L"Flow.xml");
    ASSERT_NE(w.Open(), nullptr);
    // Inside 10,20 .. 270,180 (300x220 less the inset); children 5 apart.
    ExpectRect(w.Find(L"top"), 10, 20, 270, 50);
    ExpectRect(w.Find(L"row"), 10, 55, 270, 105);
    // Row inside 12,58 .. 266,100: fixed 40 and 60 (capped), two share 154.
    ExpectRect(w.Find(L"a"), 12, 58, 52, 100);
    ExpectRect(w.Find(L"b"), 52, 58, 129, 100);
    ExpectRect(w.Find(L"c"), 129, 58, 189, 100);
    ExpectRect(w.Find(L"d"), 189, 58, 266, 100);
    // Fixed heights 30 + 50 + 20 + 24 and four gaps of 5 leave 16 for "fill".
    ExpectRect(w.Find(L"fill"), 10, 110, 270, 126);
    // A fixed width wider than the container is cut to it.
    ExpectRect(w.Find(L"capped"), 10, 131, 270, 151);
    ExpectRect(w.Find(L"field"), 10, 156, 270, 180);

    // A hidden control gives its place to the others: b and d share 254 - 60.
    w.Find(L"a")->SetVisible(false);
    EXPECT_FALSE(w.Find(L"a")->IsVisible());
    duitest::Pump();
    ExpectRect(w.Find(L"b"), 12, 58, 109, 100);
    w.Find(L"row")->SetVisible(false);
    EXPECT_FALSE(w.Find(L"b")->IsVisible());  // a hidden container hides its children
    w.Find(L"row")->SetVisible(true);
    EXPECT_TRUE(w.Find(L"b")->IsVisible());
}

TEST(Layout, LookupByNameByPointAndClassNames)
{
    SkinArchive skin({{"Frame.xml", kFrame}, {"Flow.xml", kFlow}});
    TestWindow w(L"Frame.xml");
    ASSERT_NE(w.Open(), nullptr);
    EXPECT_EQ(w.Find(L"nosuchbtn"), nullptr);
    CControlUI* next = w.Find(L"nextbtn");
    EXPECT_EQ(w.Manager().FindControl(duitest::CentrePoint(next)), next);
    // On the background: the root layout; outside the window: nothing.
    EXPECT_EQ(w.Manager().FindControl(POINT{200, 60}), w.Root());
    EXPECT_EQ(w.Manager().FindControl(POINT{600, 60}), nullptr);
    // The bar is on top of its frame.
    EXPECT_EQ(w.Manager().FindControl(POINT{14, 125}), w.Find(L"progressbar"));
    EXPECT_EQ(w.Manager().FindControl(POINT{100, 125}), w.Find(L"rest"));
    // Hidden controls are looked through.
    next->SetVisible(false);
    EXPECT_EQ(w.Manager().FindControl(duitest::CentrePoint(next)), w.Root());

    // ButtonUI, LabelUI, EditUI, RichEditUI and HorizontalLayoutUI: on the
    // real layouts, SkinLayout.EveryLayoutMeetsTheWindowContract.
    EXPECT_STREQ(w.Root()->GetClass(), L"VerticalLayoutUI");

    TestWindow flow(L"Flow.xml");
    ASSERT_NE(flow.Open(), nullptr);
    EXPECT_STREQ(flow.Find(L"fill")->GetClass(), L"ControlUI");
    EXPECT_STREQ(flow.Find(L"capped")->GetClass(), L"TextUI");
    CContainerUI* row = static_cast<CContainerUI*>(flow.Find(L"row")->GetInterface(L"Container"));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetCount(), 4);
    EXPECT_EQ(row->GetItemAt(2), flow.Find(L"c"));
    EXPECT_EQ(row->GetItemAt(4), nullptr);
}

TEST(Layout, OptionGroupsAreExclusive)
{
    SkinArchive skin({{"Opt.xml", R"(<Window size="200,100"><HorizontalLayout>
        <Option name="x" group="g" selected="true" /><Option name="y" group="g" /><Option name="z" />
      </HorizontalLayout></Window>)"}});
    TestWindow w(L"Opt.xml");
    ASSERT_NE(w.Open(), nullptr);
    auto* x = static_cast<COptionUI*>(w.Find(L"x")->GetInterface(L"Option"));
    auto* y = static_cast<COptionUI*>(w.Find(L"y")->GetInterface(L"Option"));
    auto* z = static_cast<COptionUI*>(w.Find(L"z")->GetInterface(L"Option"));
    ASSERT_TRUE(x && y && z);
    EXPECT_STREQ(x->GetClass(), L"OptionUI");
    EXPECT_TRUE(x->IsSelected());
    y->Activate();
    EXPECT_TRUE(y->IsSelected());
    EXPECT_FALSE(x->IsSelected());
    EXPECT_EQ(w.Count(L"click", y), 1);
    z->Activate();
    z->Activate();
    EXPECT_FALSE(z->IsSelected());  // without a group it toggles
    EXPECT_TRUE(y->IsSelected());
    w.Manager().RemoveAllOptionGroups();
    x->Activate();
    EXPECT_TRUE(y->IsSelected());  // groups forgotten: no longer exclusive
}
