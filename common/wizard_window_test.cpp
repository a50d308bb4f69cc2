// CWizardWnd, the message handling every wizard window shares, on layouts
// written by the test: the hit test from the caption band and the size box
// (with and without resize borders), the window region from the round
// corner, and whether the layout was built.
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

class NoCustomControls : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

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
    void Notify(TNotifyUI&) override {}

protected:
    LPCTSTR LayoutName() const override { return m_layout; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    bool HasResizeBorders() const override { return m_resizeBorders; }

private:
    const wchar_t* m_layout;
    bool m_resizeBorders;
    NoCustomControls m_callback;
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

TEST(WizardWindow, CaptionBandDragsAndTheSizeBoxResizes)
{
    SkinArchive skin(Skin());
    TestWizardWnd w(L"Frame.xml");
    HWND h = w.Open();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(w.LayoutBuilt());
    EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & WS_CAPTION);
    RECT client = {};
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);

    EXPECT_EQ(HitTest(h, 60, 15), HTCAPTION);   // the band's background
    EXPECT_EQ(HitTest(h, 170, 15), HTCAPTION);  // a label does not stop dragging
    EXPECT_EQ(HitTest(h, 265, 15), HTCLIENT);   // a button in the band
    EXPECT_EQ(HitTest(h, 120, 15), HTCLIENT);   // a text in the band
    EXPECT_EQ(HitTest(h, 215, 15), HTCLIENT);   // an option in the band
    EXPECT_EQ(HitTest(h, 60, 50), HTCLIENT);    // below the band
    EXPECT_EQ(HitTest(h, 1, 100), HTLEFT);
    EXPECT_EQ(HitTest(h, 298, 100), HTRIGHT);
    EXPECT_EQ(HitTest(h, 150, 1), HTTOP);
    EXPECT_EQ(HitTest(h, 1, 1), HTTOPLEFT);
    EXPECT_EQ(HitTest(h, 298, 1), HTTOPRIGHT);
    EXPECT_EQ(HitTest(h, 1, 198), HTBOTTOMLEFT);
    EXPECT_EQ(HitTest(h, 298, 198), HTBOTTOMRIGHT);
    EXPECT_EQ(HitTest(h, 150, 198), HTBOTTOM);
}

// The maintenance frame's hit test: no resize borders, the edges belong to
// the band or the client area.
TEST(WizardWindow, WithoutResizeBordersTheEdgesAreBandOrClient)
{
    SkinArchive skin(Skin());
    TestWizardWnd w(L"Frame.xml", false);
    HWND h = w.Open();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(HitTest(h, 1, 1), HTCAPTION);
    EXPECT_EQ(HitTest(h, 150, 1), HTCAPTION);
    EXPECT_EQ(HitTest(h, 1, 100), HTCLIENT);
    EXPECT_EQ(HitTest(h, 298, 198), HTCLIENT);
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
