// Setup at the display scalings of 96, 144 and 192 DPI under Wine: the
// display's DPI is the prefix's "LogPixels" (HKEY_CURRENT_USER\Control
// Panel\Desktop), which each new process reads when it starts; the test sets
// it, starts Setup.exe and puts the old value back, also on failure. The
// frame's client area is the layout's size scaled by the DPI, the named
// controls' rectangles scale with it, and a click by name still lands.
// How the window library scales what it reads, fonts included:
// DpiScaling.* (duilib/layout_test.cpp).
#include <gtest/gtest.h>

#include "UIlib.h"
#include "control_list.h"
#include "fake_installation.h"
#include "log_pixels_scope.h"
#include "product.h"
#include "skin_archive.h"
#include "skin_window.h"
#include "test_support.h"
#include "wizard_driver.h"

using namespace testing_support;

namespace {

// The client size of a layout of Setup's skin laid out at `dpi`.
SIZE LayoutSize(const std::wstring& layout, UINT dpi)
{
    skinshot::SkinArchiveScope skin(ModuleDir() + L"\\" + kSetupSkinFileName);
    skinshot::CSkinWindow window(layout);
    RECT client = {};
    if (!skin.Exists() || !window.Open(nullptr, 0, 0, false, {100, 100}, dpi) ||
        !GetClientRect(window.GetHWND(), &client))
        return {0, 0};
    return {client.right, client.bottom};
}

class SetupScaling : public testing::Test {
protected:
    void SetUp() override { CleanProductTraces(); }
    void TearDown() override { CleanProductTraces(); }
};

} // namespace

TEST_F(SetupScaling, TheWizardScalesWithTheDisplay)
{
    const SIZE layout = LayoutSize(L"CoverWnd.xml", CPaintManagerUI::kLayoutDpi);
    ASSERT_GT(layout.cx, 0);
    std::vector<skinshot::NamedControl> atLayoutDpi;
    ASSERT_TRUE(skinshot::ListNamedControls(ModuleDir() + L"\\" + kSetupSkinFileName, L"CoverWnd.xml", layout,
                                            &atLayoutDpi, CPaintManagerUI::kLayoutDpi));
    for (const UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        LogPixelsScope display(dpi);
        ASSERT_TRUE(display.Set());
        WizardDriver run;
        ASSERT_TRUE(run.Start(ModuleDir() + L"\\Setup.exe", kSetupSkinFileName) &&
                    run.WaitFrame(kSetupWindowTitle, 30000, L"CoverWnd.xml"));
        RECT client = {};
        ASSERT_TRUE(GetClientRect(run.Frame(), &client));
        EXPECT_EQ(client.right, CPaintManagerUI::ScaleByDpi(layout.cx, dpi));
        EXPECT_EQ(client.bottom, CPaintManagerUI::ScaleByDpi(layout.cy, dpi));
        for (const wchar_t* name : {L"closebtn", L"nextbtn", L"cancelbtn"}) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
            const skinshot::NamedControl* unscaled = skinshot::FindNamed(atLayoutDpi, name);
            RECT shown = {};
            ASSERT_TRUE(unscaled && run.ControlScreenRect(L"", name, &shown));
            MapWindowPoints(nullptr, run.Frame(), reinterpret_cast<POINT*>(&shown), 2);
            EXPECT_NEAR(shown.left, CPaintManagerUI::ScaleByDpi(unscaled->rect.left, dpi), 1);
            EXPECT_NEAR(shown.top, CPaintManagerUI::ScaleByDpi(unscaled->rect.top, dpi), 1);
            EXPECT_NEAR(shown.right, CPaintManagerUI::ScaleByDpi(unscaled->rect.right, dpi), 1);
            EXPECT_NEAR(shown.bottom, CPaintManagerUI::ScaleByDpi(unscaled->rect.bottom, dpi), 1);
        }
        // The click by name lands: the welcome page comes, placed and sized
        // as the frame's scale says.
        ASSERT_TRUE(run.Click(L"", L"nextbtn"));
        ASSERT_TRUE(run.WaitPageVisible(L"Page1", 10000));
        RECT page = {};
        GetWindowRect(run.Page(L"Page1"), &page);
        MapWindowPoints(nullptr, run.Frame(), reinterpret_cast<POINT*>(&page), 2);
        EXPECT_EQ(page.left, CPaintManagerUI::ScaleByDpi(5, dpi));
        const SIZE pageLayout = LayoutSize(L"Page1Wnd.xml", dpi);
        EXPECT_EQ(page.right - page.left, pageLayout.cx);
        EXPECT_EQ(page.bottom - page.top, pageLayout.cy);
        ASSERT_TRUE(run.Click(L"Page1", L"cancelbtn"));
        const MessageBoxSeen seen = run.WaitMessageBox(10000, kCaptionNotice, kMsgQuitQuestion);
        ASSERT_TRUE(seen.box && WizardDriver::Answer(seen, IDYES));
        EXPECT_TRUE(run.WaitExit(30000));
    }
}
