// The window side both programs share, on the window library tests' skin
// DuiTest.dat (duilib/test_skin/): CWizardWnd, the message handling every
// wizard window shares (the hit test from the caption band and the size box
// of Buttons.xml, with and without resize borders, the window region from
// the round corner, and whether the layout was built); the start-up skin
// check; the progress bar's scale.
#include "progress_page.h"
#include "skin_check.h"
#include "wizard_window.h"

#include "dui_test_support.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// A wizard window of one of the test's layouts, created hidden as the
// programs create it (the style loses WS_CAPTION), or as a page over
// `frame` at the programs' place; destroyed with the object.
class TestWizardWnd : public CWizardWnd {
public:
    explicit TestWizardWnd(const wchar_t* layout, bool resizeBorders = true, CWizardWnd* frame = nullptr)
        : m_layout(layout), m_resizeBorders(resizeBorders)
    {
        if (frame)
            CreatePage(*frame, L"wizard page", WS_CHILD, {5, 31, 511, 391});
        else
            Create(nullptr, L"wizard test", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 40, 40, 100, 100);
        skinshot::PumpPending();
    }
    ~TestWizardWnd() override
    {
        if (IsWindow(m_hWnd))
            DestroyWindow(m_hWnd);
    }
    LRESULT HitTest(int x, int y)
    {
        POINT pt = {x, y};
        ClientToScreen(m_hWnd, &pt);
        return SendMessage(WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    }

protected:
    LPCTSTR LayoutName() const override { return m_layout; }
    bool HasResizeBorders() const override { return m_resizeBorders; }

private:
    const wchar_t* m_layout;
    bool m_resizeBorders;
};

} // namespace

// With resize borders the size box resizes; without them (the maintenance
// frame) the edges belong to the band or the client area. The round corner
// cuts the window's corners off; a round corner of 0,0 (Good.xml) keeps it
// rectangular. A missing layout leaves an empty window and says so.
TEST(WizardWindow, LayoutGivesTheFramesHitTestRegionAndSizeAndOnlyALayoutThatBuildsPassesTheSkinCheck)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWizardWnd w(L"Buttons.xml"), fixed(L"Buttons.xml", false), square(L"Good.xml"), missing(L"Missing.xml");
    ASSERT_TRUE(w.LayoutBuilt());
    EXPECT_FALSE(GetWindowLongW(w.GetHWND(), GWL_STYLE) & WS_CAPTION);
    RECT client = {};
    GetClientRect(w.GetHWND(), &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);

    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(w.GetHWND(), rgn), ERROR);
    const std::tuple<int, int, LRESULT, LRESULT, bool, const char*> points[] = {
        {60, 15, HTCAPTION, HTCAPTION, true, "the band's background"},
        {170, 15, HTCAPTION, HTCAPTION, true, "a label does not stop dragging"},
        {265, 15, HTCLIENT, HTCLIENT, true, "a button in the band"},
        {120, 15, HTCLIENT, HTCLIENT, true, "a text in the band"},
        {215, 15, HTCLIENT, HTCLIENT, true, "an option in the band"},
        {60, 50, HTCLIENT, HTCLIENT, true, "below the band"},
        {4, 4, HTCAPTION, HTCAPTION, true, "inside the corner's curve"},
        {0, 100, HTLEFT, HTCLIENT, true, "left"}, {299, 100, HTRIGHT, HTCLIENT, true, "right"},
        {150, 0, HTTOP, HTCAPTION, true, "top"}, {0, 0, HTTOPLEFT, HTCAPTION, false, "top left"},
        {299, 0, HTTOPRIGHT, HTCAPTION, false, "top right"}, {0, 199, HTBOTTOMLEFT, HTCLIENT, false, "bottom left"},
        {299, 199, HTBOTTOMRIGHT, HTCLIENT, false, "bottom right"}, {150, 199, HTBOTTOM, HTCLIENT, true, "bottom"}};
    for (const auto& [x, y, resizable, fixedBorders, inRegion, what] : points) {
        SCOPED_TRACE(what);
        EXPECT_EQ(w.HitTest(x, y), resizable);
        EXPECT_EQ(fixed.HitTest(x, y), fixedBorders);
        EXPECT_EQ(PtInRegion(rgn, x, y) != FALSE, inRegion);
    }

    EXPECT_TRUE(square.LayoutBuilt());
    EXPECT_EQ(GetWindowRgn(square.GetHWND(), rgn), ERROR);
    DeleteObject(rgn);

    ASSERT_NE(missing.GetHWND(), nullptr);
    EXPECT_FALSE(missing.LayoutBuilt());
    EXPECT_EQ(missing.PaintManager().GetRoot(), nullptr);
    EXPECT_EQ(missing.HitTest(10, 10), HTCLIENT);

    // The start-up skin check: a layout counts only when the archive holds
    // the entry and the entry builds into controls. (A missing or unreadable
    // archive, and a layout without controls, build nothing in the window
    // library: BadSkin.DamagedArchivesAndBadLayoutsBuildNothing...;
    // the programs with such skins, or without their frame's layout, say
    // that they are damaged: the fault suite's skin.*.missing, .truncated and
    // .no-frame-layout; every start of Setup and Uninstall passes the check
    // without a message.)
    EXPECT_TRUE(SkinHasLayout(L"Buttons.xml"));
    EXPECT_FALSE(SkinHasLayout(L"Unclosed.xml"));
}

// A page follows its frame's display scaling: after WM_DPICHANGED (sent by
// the test; Wine sends none) it lies at its place and has its layout's size
// scaled by the new DPI, and at 96 again where it was.
TEST(WizardWindow, APageIsPlacedAgainWhenTheDpiChanges)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWizardWnd frame(L"Frame.xml"), page(L"Page.xml", true, &frame);
    for (const UINT dpi : {144u, 192u, 96u}) {
        SCOPED_TRACE(dpi);
        const auto scale = [dpi](int v) { return CPaintManagerUI::ScaleByDpi(v, dpi); };
        RECT suggested = {0, 0, scale(517), scale(397)}, placed = {};
        frame.SendMessage(0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        GetWindowRect(page.GetHWND(), &placed);
        MapWindowPoints(nullptr, frame.GetHWND(), reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(duitest::Pos(placed), duitest::Pos({scale(5), scale(31), scale(5) + scale(506), scale(31) + scale(360)}));
    }
}

// The bar's full scale: the layout's "maxwidth", or the given width when the
// layout has none (the window library's 9999) or a nonsense one.
TEST(ProgressPage, BarScaleComesFromTheLayoutsMaximum)
{
    EXPECT_EQ(UsableBarWidth(9999, 474), 474);
    EXPECT_EQ(UsableBarWidth(-5, 300), 300);
    EXPECT_EQ(UsableBarWidth(474, 300), 474);
}
