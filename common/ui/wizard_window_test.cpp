// CWizardWnd, the message handling every wizard window shares, on layouts
// written by the test: the hit test from the caption band and the size box
// (with and without resize borders), the window region from the round
// corner, and whether the layout was built.
#include "progress_page.h"
#include "wizard_window.h"

#include "dui_test_support.h"

#include <gtest/gtest.h>

using duitest::SkinArchive;

namespace {

const char kFrame[] = R"(<Window size="300,200" caption="0,0,0,30" sizebox="4,4,4,4" roundcorner="8,8">
  <VerticalLayout bkcolor="#FFF0F0F0">
    <Button name="capbtn" float="true" pos="250,2,280,26" />
    <Text name="captext" float="true" pos="100,2,140,26" text="t" />
    <Label name="caplabel" float="true" pos="150,2,190,26" text="l" />
    <Option name="capopt" float="true" pos="200,2,230,26" />
  </VerticalLayout>
</Window>)";

const char kSquare[] = R"(<Window size="100,60" roundcorner="0,0"><VerticalLayout/></Window>)";

class TestWizardWnd : public CWizardWnd {
public:
    explicit TestWizardWnd(const wchar_t* layout, bool resizeBorders = true)
        : m_layout(layout), m_resizeBorders(resizeBorders)
    {
    }
    ~TestWizardWnd() override
    {
        if (m_hWnd && IsWindow(m_hWnd))
            DestroyWindow(m_hWnd);
    }
    // Hidden, as the programs create it (the style loses WS_CAPTION).
    HWND Open()
    {
        HWND h = Create(nullptr, L"wizard test", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 40, 40, 100, 100);
        duitest::Pump();
        return h;
    }
protected:
    LPCTSTR LayoutName() const override { return m_layout; }
    bool HasResizeBorders() const override { return m_resizeBorders; }

private:
    const wchar_t* m_layout;
    bool m_resizeBorders;
};

LRESULT HitTest(HWND h, int x, int y)
{
    POINT pt = {x, y};
    ClientToScreen(h, &pt);
    return SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
}

testing_support::ZipEntries Skin()
{
    return {{"Frame.xml", kFrame}, {"Square.xml", kSquare}};
}

} // namespace

// With resize borders the size box resizes; without them (the maintenance
// frame) the edges belong to the band or the client area.
TEST(WizardWindow, CaptionBandDragsAndTheSizeBoxResizes)
{
    SkinArchive skin(Skin());
    TestWizardWnd w(L"Frame.xml"), fixed(L"Frame.xml", false);
    HWND h = w.Open(), hf = fixed.Open();
    ASSERT_NE(h, nullptr);
    ASSERT_NE(hf, nullptr);
    EXPECT_TRUE(w.LayoutBuilt());
    EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & WS_CAPTION);
    RECT client = {};
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);

    struct Case {
        int x, y;
        LRESULT resizable, fixed;
        const char* what;
    };
    for (const Case& c : {Case{60, 15, HTCAPTION, HTCAPTION, "the band's background"},
                          Case{170, 15, HTCAPTION, HTCAPTION, "a label does not stop dragging"},
                          Case{265, 15, HTCLIENT, HTCLIENT, "a button in the band"},
                          Case{120, 15, HTCLIENT, HTCLIENT, "a text in the band"},
                          Case{215, 15, HTCLIENT, HTCLIENT, "an option in the band"},
                          Case{60, 50, HTCLIENT, HTCLIENT, "below the band"},
                          Case{1, 100, HTLEFT, HTCLIENT, "left"}, Case{298, 100, HTRIGHT, HTCLIENT, "right"},
                          Case{150, 1, HTTOP, HTCAPTION, "top"}, Case{1, 1, HTTOPLEFT, HTCAPTION, "top left"},
                          Case{298, 1, HTTOPRIGHT, HTCAPTION, "top right"},
                          Case{1, 198, HTBOTTOMLEFT, HTCLIENT, "bottom left"},
                          Case{298, 198, HTBOTTOMRIGHT, HTCLIENT, "bottom right"},
                          Case{150, 198, HTBOTTOM, HTCLIENT, "bottom"}}) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(HitTest(h, c.x, c.y), c.resizable);
        EXPECT_EQ(HitTest(hf, c.x, c.y), c.fixed);
    }
}

TEST(WizardWindow, RoundCornerShapesTheWindowRegion)
{
    SkinArchive skin(Skin());
    TestWizardWnd w(L"Frame.xml");
    ASSERT_NE(w.Open(), nullptr);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(w.GetHWND(), rgn), ERROR);
    EXPECT_FALSE(PtInRegion(rgn, 0, 0));
    EXPECT_FALSE(PtInRegion(rgn, 299, 0));
    EXPECT_FALSE(PtInRegion(rgn, 0, 199));
    EXPECT_FALSE(PtInRegion(rgn, 299, 199));
    EXPECT_TRUE(PtInRegion(rgn, 4, 4));
    EXPECT_TRUE(PtInRegion(rgn, 150, 0));
    EXPECT_TRUE(PtInRegion(rgn, 0, 100));
    EXPECT_TRUE(PtInRegion(rgn, 299, 100));

    // A round corner of 0,0 keeps the window rectangular.
    TestWizardWnd square(L"Square.xml");
    ASSERT_NE(square.Open(), nullptr);
    EXPECT_TRUE(square.LayoutBuilt());
    EXPECT_EQ(GetWindowRgn(square.GetHWND(), rgn), ERROR);
    DeleteObject(rgn);
}

TEST(WizardWindow, MissingLayoutLeavesAnEmptyWindowAndSaysSo)
{
    SkinArchive skin(Skin());
    TestWizardWnd w(L"Missing.xml");
    HWND h = w.Open();
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(w.LayoutBuilt());
    EXPECT_EQ(w.PaintManager().GetRoot(), nullptr);
    EXPECT_EQ(HitTest(h, 10, 10), HTCLIENT);
}

// The bar's full scale: the layout's "maxwidth", or the given width when the
// layout has none (the window library's 9999) or a nonsense one.
TEST(ProgressPage, BarScaleComesFromTheLayoutsMaximum)
{
    EXPECT_EQ(UsableBarWidth(9999, 474), 474);
    EXPECT_EQ(UsableBarWidth(-5, 300), 300);
    EXPECT_EQ(UsableBarWidth(474, 300), 474);
}
