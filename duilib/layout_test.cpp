// Layout: float controls placed by "pos" (with a right and bottom of 0 taking
// "width" and "height"), fixed sizes, the width attribute up to maxwidth,
// inset, vertical and horizontal flow, hidden controls, the root Window's
// size box, lookup by name and by point, the class names the programs compare
// with, and option groups. The layouts are Frame.xml and Flow.xml of
// duilib/test_skin/; the root Window's size and caption band are checked on
// the wizard's windows (WizardWindow.LayoutGivesTheFramesHitTestRegionAndSize...,
// SkinLayout.EveryLayoutMeetsTheWindowContract).
#include "dui_test_support.h"

#include <gtest/gtest.h>

using duitest::Pos;
using duitest::TestWindow;

namespace {

// Expects each named control at its "left,top,right,bottom".
void ExpectPositions(TestWindow& w, std::initializer_list<std::pair<const wchar_t*, const char*>> positions)
{
    for (const auto& [name, pos] : positions) EXPECT_EQ(Pos(w.Find(name)), pos) << name;
}

} // namespace

TEST(Layout, FloatControlsLandWherePosAndSizeSayAndOptionGroupsAreExclusive)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWindow w(L"Frame.xml");
    ASSERT_NE(w.Open(NULL, 0, 0, 516, 396), nullptr);
    ASSERT_NE(w.Root(), nullptr);
    // The size box is kept for the window, uneven as the layout gives it
    // (the round corner: Paint.PicturesAlphaCutting...).
    EXPECT_EQ(Pos(w.Manager().GetSizeBox()), "4,4,6,6");
    ExpectPositions(w, {{L"root", "0,0,517,397"}, {L"minbtn", "431,1,473,26"}, {L"closebtn", "470,1,506,29"},
                        {L"nextbtn", "345,360,430,384"}, {L"words", "30,103,400,123"},
                        {L"barframe", "14,122,488,136"}, {L"progressbar", "14,122,15,136"},
                        {L"rest", "15,122,488,136"}});

    // Lookup by name and by point: on the background the root layout,
    // outside the window nothing, the bar on top of its frame, hidden
    // controls looked through.
    EXPECT_EQ(w.Find(L"nosuchbtn"), nullptr);
    CControlUI* next = w.Find(L"nextbtn");
    const POINT onNext = skinshot::CenterOf(next->GetPos());
    const std::pair<POINT, CControlUI*> hits[] = {{onNext, next}, {{200, 60}, w.Root()}, {{600, 60}, nullptr},
                                                  {{14, 125}, w.Find(L"progressbar")}, {{100, 125}, w.Find(L"rest")}};
    for (const auto& [pt, control] : hits) EXPECT_EQ(w.Manager().FindControl(pt), control) << pt.x << "," << pt.y;
    next->SetVisible(false);
    EXPECT_EQ(w.Manager().FindControl(onNext), w.Root());

    // The width attribute moves the bar's right edge, up to its maxwidth.
    CControlUI* bar = w.Find(L"progressbar");
    for (int width : {158, 316, 474, 900}) {
        bar->SetAttribute(L"width", std::to_wstring(width).c_str());
        skinshot::PumpPending();
        const std::string right = std::to_string(14 + std::min(width, 474));
        EXPECT_EQ(Pos(bar), "14,122," + right + ",136");
        EXPECT_EQ(Pos(w.Find(L"rest")), right + ",122,488,136");
    }

    // x and y are a group, z is in none.
    auto *x = w.Find<COptionUI>(L"x", L"Option"), *y = w.Find<COptionUI>(L"y", L"Option"),
         *z = w.Find<COptionUI>(L"z", L"Option");
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

// Also the class names (ButtonUI, LabelUI, EditUI, RichEditUI and
// HorizontalLayoutUI: on the real layouts,
// SkinLayout.EveryLayoutMeetsTheWindowContract) and containers' items.
TEST(Layout, FlowWithInsetPaddingAndBoundsAndHiddenControlsGiveWay)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWindow w(L"Flow.xml");
    ASSERT_NE(w.Open(), nullptr);
    // Inside 10,20 .. 270,180 (300x220 less the inset); children 5 apart.
    // The row inside 12,58 .. 266,100: fixed 40 and 60 (capped), two share
    // 154. Fixed heights 30 + 50 + 20 + 24 and four gaps of 5 leave 16 for
    // "fill"; a fixed width wider than the container is cut to it.
    ExpectPositions(w, {{L"top", "10,20,270,50"}, {L"row", "10,55,270,105"}, {L"a", "12,58,52,100"},
                        {L"b", "52,58,129,100"}, {L"c", "129,58,189,100"}, {L"d", "189,58,266,100"},
                        {L"fill", "10,110,270,126"}, {L"capped", "10,131,270,151"}, {L"field", "10,156,270,180"}});

    EXPECT_STREQ(w.Root()->GetClass(), L"VerticalLayoutUI");
    EXPECT_STREQ(w.Find(L"fill")->GetClass(), L"ControlUI");
    EXPECT_STREQ(w.Find(L"capped")->GetClass(), L"TextUI");
    auto* row = w.Find<CContainerUI>(L"row", L"Container");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetCount(), 4);
    EXPECT_EQ(row->GetItemAt(2), w.Find(L"c"));
    EXPECT_EQ(row->GetItemAt(4), nullptr);

    // A hidden control gives its place to the others: b and d share 254 - 60;
    // a hidden container hides its children.
    w.Find(L"a")->SetVisible(false);
    EXPECT_FALSE(w.Find(L"a")->IsVisible());
    skinshot::PumpPending();
    EXPECT_EQ(Pos(w.Find(L"b")), "12,58,109,100");
    w.Find(L"row")->SetVisible(false);
    EXPECT_FALSE(w.Find(L"b")->IsVisible());
    w.Find(L"row")->SetVisible(true);
    EXPECT_TRUE(w.Find(L"b")->IsVisible());
}

// At 144 and 192 DPI the manager reads every length of the layout 1.5 and 2
// times as large (positions, sizes, max width, the window's size, size box
// and round corner) and makes its fonts as much taller; 96 is the layout
// as written.
TEST(DpiScaling, LayoutLengthsAndFontsScaleByTheManagersDpi)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWindow plain(L"Frame.xml");
    ASSERT_NE(plain.Open(NULL, 0, 0, 516, 396), nullptr);
    const char* const names[] = {"root", "minbtn", "closebtn", "nextbtn", "words", "barframe", "rest", "x"};
    for (const UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        const auto scale = [dpi](int v) { return CPaintManagerUI::ScaleByDpi(v, dpi); };
        TestWindow w(L"Frame.xml");
        w.Manager().SetDpi(dpi);
        ASSERT_NE(w.Open(NULL, 0, 0, 516, 396), nullptr);
        for (const char* name : names) {
            const std::wstring wide(name, name + strlen(name));
            const RECT at96 = plain.Find(wide.c_str())->GetPos();
            const RECT& now = w.Find(wide.c_str())->GetPos();
            EXPECT_NEAR(now.left, scale(at96.left), 1) << name;
            EXPECT_NEAR(now.top, scale(at96.top), 1) << name;
            EXPECT_NEAR(now.right, scale(at96.right), 1) << name;
            EXPECT_NEAR(now.bottom, scale(at96.bottom), 1) << name;
        }
        EXPECT_EQ(w.Find(L"progressbar")->GetMaxWidth(), scale(474));
        EXPECT_EQ(Pos(w.Manager().GetSizeBox()), Pos(RECT{scale(4), scale(4), scale(6), scale(6)}));
        EXPECT_EQ(w.Manager().GetRoundCorner().cx, scale(5));
        EXPECT_EQ(w.Manager().GetInitSize().cy, scale(397));
        LOGFONTW font = {};
        ASSERT_TRUE(GetObjectW(w.Manager().GetDefaultFont(), sizeof font, &font));
        EXPECT_EQ(font.lfHeight, -scale(12));
    }
}

// WM_DPICHANGED, which Wine never sends (the test does): the window takes the
// suggested rectangle and lays its layout out again at the new DPI exactly as
// a window opened at that DPI has it (controls, the bar's maximum, size box,
// caption, round corner, font), its page window follows with its field's
// font, and the program hears "dpichanged"; told 96 again, all is as it was.
TEST(DpiScaling, ADpiChangeTakesTheSuggestedRectAndLaysOutAgain)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWindow w(L"Frame.xml"), page(L"Page.xml");
    w.Manager().SetDpi(96);
    ASSERT_NE(w.Open(NULL, 0, 0, 517, 397), nullptr);
    ASSERT_NE(page.Open(w.GetHWND(), 5, 31, 506, 360), nullptr);
    const wchar_t* const names[] = {L"root", L"minbtn", L"closebtn", L"nextbtn", L"words", L"barframe", L"rest", L"x"};
    const std::pair<UINT, POINT> steps[] = {{144u, {10, 20}}, {96u, {30, 40}}, {192u, {0, 0}}, {96u, {0, 0}}};
    for (const auto& [dpi, at] : steps) {
        SCOPED_TRACE(dpi);
        TestWindow fresh(L"Frame.xml");
        fresh.Manager().SetDpi(dpi);
        const SIZE size = {CPaintManagerUI::ScaleByDpi(517, dpi), CPaintManagerUI::ScaleByDpi(397, dpi)};
        ASSERT_NE(fresh.Open(NULL, 0, 0, size.cx, size.cy), nullptr);
        RECT suggested = {at.x, at.y, at.x + size.cx, at.y + size.cy}, now = {};
        w.SendMessage(0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        ASSERT_TRUE(GetWindowRect(w.GetHWND(), &now));
        EXPECT_EQ(Pos(now), Pos(suggested));
        for (const wchar_t* name : names) EXPECT_EQ(Pos(w.Find(name)), Pos(fresh.Find(name))) << name;
        EXPECT_EQ(w.Find(L"progressbar")->GetMaxWidth(), fresh.Find(L"progressbar")->GetMaxWidth());
        CPaintManagerUI &pm = w.Manager(), &expected = fresh.Manager();
        EXPECT_EQ(Pos(pm.GetSizeBox()), Pos(expected.GetSizeBox()));
        EXPECT_EQ(Pos(pm.GetCaptionRect()), Pos(expected.GetCaptionRect()));
        EXPECT_EQ(pm.GetRoundCorner().cx, expected.GetRoundCorner().cx);
        LOGFONTW font = {};
        ASSERT_TRUE(GetObjectW(pm.GetDefaultFont(), sizeof font, &font));
        EXPECT_EQ(font.lfHeight, -CPaintManagerUI::ScaleByDpi(12, dpi));
        EXPECT_EQ(page.Manager().GetDpi(), dpi);
        const HWND field = page.Find<CEditUI>(L"e", L"Edit")->GetNativeWindow();
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(field, WM_GETFONT, 0, 0)), page.Manager().GetDefaultFont());
    }
    EXPECT_EQ(w.Count(L"dpichanged"), 4);
}
