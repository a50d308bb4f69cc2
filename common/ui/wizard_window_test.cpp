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
// programs create it (the style loses WS_CAPTION), destroyed with the object.
class TestWizardWnd : public CWizardWnd {
public:
    explicit TestWizardWnd(const wchar_t* layout, bool resizeBorders = true)
        : m_layout(layout), m_resizeBorders(resizeBorders)
    {
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

// The bar's full scale: the layout's "maxwidth", or the given width when the
// layout has none (the window library's 9999) or a nonsense one.
TEST(ProgressPage, BarScaleComesFromTheLayoutsMaximum)
{
    EXPECT_EQ(UsableBarWidth(9999, 474), 474);
    EXPECT_EQ(UsableBarWidth(-5, 300), 300);
    EXPECT_EQ(UsableBarWidth(474, 300), 474);
}
