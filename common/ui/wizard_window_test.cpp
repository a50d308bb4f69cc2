// The window side both programs share, on a skin archive written by the test:
// CWizardWnd, the message handling every wizard window shares (the hit test
// from the caption band and the size box, with and without resize borders,
// the window region from the round corner, and whether the layout was
// built); the start-up skin check; the progress bar's scale.
#include "progress_page.h"
#include "skin_check.h"
#include "wizard_window.h"

#include "dui_test_support.h"

#include <gtest/gtest.h>

namespace {

const char kFrame[] = R"(<Window size="300,200" caption="0,0,0,30" sizebox="4,4,4,4" roundcorner="8,8">
  <VerticalLayout bkcolor="#FFF0F0F0">
    <Button name="capbtn" float="true" pos="250,2,280,26" />
    <Text name="captext" float="true" pos="100,2,140,26" text="t" />
    <Label name="caplabel" float="true" pos="150,2,190,26" text="l" />
    <Option name="capopt" float="true" pos="200,2,230,26" />
  </VerticalLayout>
</Window>)";

const testing_support::ZipEntries kSkin = {
    {"Frame.xml", kFrame},
    {"Square.xml", R"(<Window size="100,60" roundcorner="0,0"><VerticalLayout/></Window>)"},
    {"Broken.xml", "<Window size=\"50,40\"><VerticalLayout>"}};

// A wizard window of one of the test's layouts, created hidden as the
// programs create it (the style loses WS_CAPTION), destroyed with the object.
class TestWizardWnd : public CWizardWnd {
public:
    explicit TestWizardWnd(const wchar_t* layout, bool resizeBorders = true)
        : m_layout(layout), m_resizeBorders(resizeBorders)
    {
        Create(nullptr, L"wizard test", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 40, 40, 100, 100);
        duitest::Pump();
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
// cuts the window's corners off; a round corner of 0,0 keeps it rectangular.
// A missing layout leaves an empty window and says so.
TEST(WizardWindow, LayoutGivesTheFramesHitTestRegionAndSize)
{
    duitest::SkinArchive skin(kSkin);
    TestWizardWnd w(L"Frame.xml"), fixed(L"Frame.xml", false), square(L"Square.xml"), missing(L"Missing.xml");
    ASSERT_TRUE(w.LayoutBuilt());
    EXPECT_FALSE(GetWindowLongW(w.GetHWND(), GWL_STYLE) & WS_CAPTION);
    RECT client = {};
    GetClientRect(w.GetHWND(), &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);

    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(w.GetHWND(), rgn), ERROR);
    struct Case {
        int x, y;
        LRESULT resizable, fixed;
        bool inRegion;
        const char* what;
    };
    for (const Case& c : {Case{60, 15, HTCAPTION, HTCAPTION, true, "the band's background"},
                          Case{170, 15, HTCAPTION, HTCAPTION, true, "a label does not stop dragging"},
                          Case{265, 15, HTCLIENT, HTCLIENT, true, "a button in the band"},
                          Case{120, 15, HTCLIENT, HTCLIENT, true, "a text in the band"},
                          Case{215, 15, HTCLIENT, HTCLIENT, true, "an option in the band"},
                          Case{60, 50, HTCLIENT, HTCLIENT, true, "below the band"},
                          Case{4, 4, HTCAPTION, HTCAPTION, true, "inside the corner's curve"},
                          Case{0, 100, HTLEFT, HTCLIENT, true, "left"}, Case{299, 100, HTRIGHT, HTCLIENT, true, "right"},
                          Case{150, 0, HTTOP, HTCAPTION, true, "top"}, Case{0, 0, HTTOPLEFT, HTCAPTION, false, "top left"},
                          Case{299, 0, HTTOPRIGHT, HTCAPTION, false, "top right"},
                          Case{0, 199, HTBOTTOMLEFT, HTCLIENT, false, "bottom left"},
                          Case{299, 199, HTBOTTOMRIGHT, HTCLIENT, false, "bottom right"},
                          Case{150, 199, HTBOTTOM, HTCLIENT, true, "bottom"}}) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(w.HitTest(c.x, c.y), c.resizable);
        EXPECT_EQ(fixed.HitTest(c.x, c.y), c.fixed);
        EXPECT_EQ(PtInRegion(rgn, c.x, c.y) != FALSE, c.inRegion);
    }

    EXPECT_TRUE(square.LayoutBuilt());
    EXPECT_EQ(GetWindowRgn(square.GetHWND(), rgn), ERROR);
    DeleteObject(rgn);

    ASSERT_NE(missing.GetHWND(), nullptr);
    EXPECT_FALSE(missing.LayoutBuilt());
    EXPECT_EQ(missing.PaintManager().GetRoot(), nullptr);
    EXPECT_EQ(missing.HitTest(10, 10), HTCLIENT);
}

// The start-up skin check: a layout counts only when the archive holds the
// entry and the entry builds into controls. (A missing or unreadable archive,
// and a layout without controls, build nothing in the window library:
// BadSkin.MissingOrDamagedArchivesBuildNothingAndDoNotCrash and
// BadSkin.BadLayoutsBuildNothingAndDoNotCrash.)
TEST(SkinCheck, OnlyALayoutThatBuildsCounts)
{
    duitest::SkinArchive skin(kSkin);
    EXPECT_TRUE(SkinHasLayout(L"Frame.xml"));
    EXPECT_TRUE(CheckSkinOrReport(L"Frame.xml"));  // no message: it would block here
    EXPECT_FALSE(SkinHasLayout(L"Missing.xml"));
    EXPECT_FALSE(SkinHasLayout(L"Broken.xml"));
}

// The bar's full scale: the layout's "maxwidth", or the given width when the
// layout has none (the window library's 9999) or a nonsense one.
TEST(ProgressPage, BarScaleComesFromTheLayoutsMaximum)
{
    EXPECT_EQ(UsableBarWidth(9999, 474), 474);
    EXPECT_EQ(UsableBarWidth(-5, 300), 300);
    EXPECT_EQ(UsableBarWidth(474, 300), 474);
}
