// Uninstall's three layouts, read from the real Uninstall.DAT by the window
// library: every control lands at its rectangle (also as the named-control
// listing tells it), and the progress bar grows by its "width" attribute,
// from the interface thread or from a worker.
#include <gtest/gtest.h>

#include <string>

#include "UIlib.h"
#include "control_list.h"
#include "pointer.h"
#include "skin_test_env.h"
#include "skin_window.h"
#include "test_support.h"

using skinshot::CSkinWindow;
using skinshot::PumpMessages;
using skinshot::PumpUntil;
using skintest::Describe;

namespace {

class UninstallLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() { skinshot::ParkMouse(); }
    void SetUp() override { ASSERT_TRUE(skintest::UseUninstallSkin()) << "Uninstall.DAT is not beside the test"; }

    // Opens a window of the layout and waits for its first layout pass.
    static void Open(CSkinWindow& window) {
        ASSERT_TRUE(window.Open(nullptr, 30, 30, true)) << "layout not built";
        ASSERT_TRUE(PumpUntil([&] { return window.Root()->GetPos().right > 0; }, 3000));
    }

    static CContainerUI* AsContainer(CControlUI* control) {
        return control != nullptr ? static_cast<CContainerUI*>(control->GetInterface(L"Container")) : nullptr;
    }

    static std::string RectOf(CSkinWindow& window, const wchar_t* name) {
        CControlUI* control = window.Find(name);
        return control != nullptr ? Describe(control->GetPos()) : "missing";
    }
};

TEST_F(UninstallLayout, ConfirmationFrameMatchesItsTable) {
    CSkinWindow frame(L"Page9Wnd.xml");
    Open(frame);

    RECT client;
    ::GetClientRect(frame.GetHWND(), &client);
    EXPECT_EQ(Describe(client), "0,0,517,397");
    EXPECT_EQ(Describe(frame.Root()->GetPos()), "0,0,517,397");
    EXPECT_STREQ(frame.Root()->GetClass(), L"VerticalLayoutUI");
    EXPECT_EQ(Describe(frame.Manager().GetCaptionRect()), "0,0,0,30");
    EXPECT_EQ(frame.Manager().GetRoundCorner().cx, 5);
    EXPECT_EQ(frame.Manager().GetRoundCorner().cy, 5);
    EXPECT_EQ(frame.Root()->GetBorderColor(), 0xFF19588Bu);
    EXPECT_EQ(frame.Root()->GetBorderSize(), 0);
    ASSERT_NE(AsContainer(frame.Root()), nullptr);
    EXPECT_EQ(Describe(AsContainer(frame.Root())->GetInset()), "0,1,0,0");

    EXPECT_EQ(RectOf(frame, L"minbtn"), "431,1,473,26");
    EXPECT_EQ(RectOf(frame, L"closebtn"), "470,1,506,29");
    EXPECT_EQ(RectOf(frame, L"nextbtn"), "345,360,430,384");
    EXPECT_EQ(RectOf(frame, L"cancelbtn"), "438,360,503,384");
    for (const wchar_t* name : {L"minbtn", L"closebtn", L"nextbtn", L"cancelbtn"}) {
        ASSERT_NE(frame.Find(name), nullptr) << name;
        EXPECT_STREQ(frame.Find(name)->GetClass(), L"ButtonUI") << name;
        EXPECT_TRUE(frame.Find(name)->IsFloat()) << name;
    }
    EXPECT_EQ(std::wstring(frame.Find(L"closebtn")->GetToolTip().GetData()), L"关闭");
    EXPECT_EQ(frame.Find(L"nextbtn")->GetShortcut(), L'N');
    // The frame looks this one up too, but the layout has none.
    EXPECT_EQ(frame.Find(L"deldatabtn"), nullptr);

    // The confirmation wording is a label in the body, clear of the buttons.
    CControlUI* label = frame.Find(L"confirmlabel");
    ASSERT_NE(label, nullptr);
    EXPECT_STREQ(label->GetClass(), L"LabelUI");
    EXPECT_NE(std::wstring(label->GetText().GetData()).find(L"VELT电子日历"), std::wstring::npos);
    EXPECT_GT(label->GetPos().top, 30);
    EXPECT_LT(label->GetPos().bottom, 360);
}

TEST_F(UninstallLayout, ProgressPageMatchesItsTable) {
    CSkinWindow page(L"Page10Wnd.xml");
    Open(page);

    RECT client;
    ::GetClientRect(page.GetHWND(), &client);
    EXPECT_EQ(Describe(client), "0,0,506,360");
    CContainerUI* root = AsContainer(page.Root());
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetClass(), L"VerticalLayoutUI");
    EXPECT_EQ(std::wstring(root->GetBkImage()), L"file='Page10BK.jpg' source='5,31,511,391'");
    ASSERT_EQ(root->GetCount(), 3);

    CControlUI* label = root->GetItemAt(0);
    EXPECT_STREQ(label->GetClass(), L"LabelUI");
    EXPECT_EQ(Describe(label->GetPos()), "30,103,400,123");
    EXPECT_EQ(std::wstring(label->GetText().GetData()), L"VELT电子日历正在卸载中。。。");

    CContainerUI* bar = AsContainer(root->GetItemAt(1));
    ASSERT_NE(bar, nullptr);
    EXPECT_STREQ(bar->GetClass(), L"HorizontalLayoutUI");
    EXPECT_EQ(Describe(bar->GetPos()), "14,122,488,136");
    EXPECT_EQ(bar->GetBorderColor(), 0xFFACCFF5u);
    EXPECT_EQ(bar->GetBorderSize(), 1);
    EXPECT_EQ(bar->GetBkColor(), 0xFFFFFFFFu);
    ASSERT_EQ(bar->GetCount(), 2);
    EXPECT_EQ(bar->GetItemAt(0), page.Find(L"progressbar"));
    EXPECT_EQ(Describe(bar->GetItemAt(0)->GetPos()), "14,122,15,136");
    EXPECT_EQ(Describe(bar->GetItemAt(1)->GetPos()), "15,122,488,136");

    EXPECT_EQ(RectOf(page, L"cancelbtn"), "433,326,498,350");
    EXPECT_STREQ(root->GetItemAt(2)->GetClass(), L"ButtonUI");
    // A page has no caption band and no round corner of its own.
    EXPECT_EQ(page.Manager().GetRoundCorner().cx, 0);
    EXPECT_EQ(Describe(page.Manager().GetCaptionRect()), "0,0,0,0");
}

TEST_F(UninstallLayout, CompletionPageMatchesItsTable) {
    CSkinWindow page(L"Page11Wnd.xml");
    Open(page);

    RECT client;
    ::GetClientRect(page.GetHWND(), &client);
    EXPECT_EQ(Describe(client), "0,0,506,360");
    CContainerUI* root = AsContainer(page.Root());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(std::wstring(root->GetBkImage()), L"file='Page11BK.jpg' source='5,31,511,391'");
    ASSERT_EQ(root->GetCount(), 2);
    CControlUI* label = root->GetItemAt(0);
    EXPECT_STREQ(label->GetClass(), L"LabelUI");
    EXPECT_EQ(Describe(label->GetPos()), "30,118,400,138");
    EXPECT_EQ(std::wstring(label->GetText().GetData()), L"VELT电子日历已经成功卸载，单击“完成”按钮退出此卸载过程。");
    EXPECT_EQ(RectOf(page, L"finishbtn"), "433,326,498,350");
    EXPECT_STREQ(page.Find(L"finishbtn")->GetClass(), L"ButtonUI");
}

// What tests click by: every named control of a layout with its rectangle,
// listed from a hidden window of the wizard's class; the library's skin
// settings are left as they were.
TEST_F(UninstallLayout, NamedControlsAreListedWhereTheLayoutPlacesThem) {
    const std::wstring archive = testing_support::ModuleDir() + L"\\Uninstall.DAT";
    std::vector<skinshot::NamedControl> frame;
    ASSERT_TRUE(skinshot::ListNamedControls(archive, L"Page9Wnd.xml", {517, 397}, &frame));
    std::string listing;
    for (const skinshot::NamedControl& c : frame)
        listing += std::string(c.name.begin(), c.name.end()) + " " + Describe(c.rect) + ";";
    EXPECT_EQ(listing,
              "minbtn 431,1,473,26;closebtn 470,1,506,29;confirmlabel 35,126,490,146;hintlabel 35,154,490,174;"
              "nextbtn 345,360,430,384;cancelbtn 438,360,503,384;");

    // A page's rectangles are its own client coordinates; nested controls too.
    std::vector<skinshot::NamedControl> page;
    ASSERT_TRUE(skinshot::ListNamedControls(archive, L"Page10Wnd.xml", {511, 391}, &page));
    ASSERT_NE(skinshot::FindNamed(page, L"progressbar"), nullptr);
    EXPECT_EQ(Describe(skinshot::FindNamed(page, L"progressbar")->rect), "14,122,15,136");
    ASSERT_NE(skinshot::FindNamed(page, L"cancelbtn"), nullptr);
    EXPECT_EQ(Describe(skinshot::FindNamed(page, L"cancelbtn")->rect), "433,326,498,350");
    EXPECT_EQ(skinshot::FindNamed(page, L"nextbtn"), nullptr);

    EXPECT_FALSE(skinshot::ListNamedControls(archive, L"NoSuchWnd.xml", {100, 100}, &page));
    EXPECT_TRUE(page.empty());
    EXPECT_FALSE(skinshot::ListNamedControls(archive + L".missing", L"Page9Wnd.xml", {100, 100}, &page));
    EXPECT_EQ(std::wstring(CPaintManagerUI::GetResourceZip().GetData()), L"Uninstall.DAT");
    EXPECT_EQ(std::wstring(CPaintManagerUI::GetResourcePath().GetData()), testing_support::ModuleDir() + L"\\");
}

// The bar's right edge and the filler's left edge, as "right/left".
std::string BarEdges(CSkinWindow& page) {
    CControlUI* bar = page.Find(L"progressbar");
    CContainerUI* frame = static_cast<CContainerUI*>(bar->GetParent()->GetInterface(L"Container"));
    return std::to_string(bar->GetPos().right) + "/" + std::to_string(frame->GetItemAt(1)->GetPos().left);
}

struct WidthJob {
    CControlUI* bar;
    const wchar_t* width;
};

DWORD WINAPI SetWidthFromWorker(LPVOID param) {
    auto* job = static_cast<WidthJob*>(param);
    job->bar->SetAttribute(L"width", job->width);
    return 0;
}

// Every width from 2 to 474, as fast as a worker can set them.
DWORD WINAPI SweepWidthFromWorker(LPVOID param) {
    auto* bar = static_cast<CControlUI*>(param);
    for (int w = 2; w <= 474; ++w) bar->SetAttribute(L"width", std::to_wstring(w).c_str());
    return 0;
}

TEST_F(UninstallLayout, ProgressBarGrowsByItsWidthAttribute) {
    CSkinWindow page(L"Page10Wnd.xml");
    Open(page);
    CControlUI* bar = page.Find(L"progressbar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetFixedWidth(), 1);
    EXPECT_EQ(bar->GetMaxWidth(), 474);
    EXPECT_EQ(BarEdges(page), "15/15");

    // On the interface thread.
    bar->SetAttribute(L"width", L"158");
    EXPECT_TRUE(PumpUntil([&] { return BarEdges(page) == "172/172"; }, 3000)) << BarEdges(page);

    // From a worker while the interface thread waits for it: the call must
    // return without the interface thread dispatching anything.
    WidthJob job = {bar, L"316"};
    HANDLE worker = ::CreateThread(nullptr, 0, SetWidthFromWorker, &job, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    EXPECT_EQ(::WaitForSingleObject(worker, 10000), WAIT_OBJECT_0);
    ::CloseHandle(worker);
    EXPECT_TRUE(PumpUntil([&] { return BarEdges(page) == "330/330"; }, 3000)) << BarEdges(page);

    // A worker that sweeps every width while the interface thread paints.
    worker = ::CreateThread(nullptr, 0, SweepWidthFromWorker, bar, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(worker, 0) == WAIT_OBJECT_0; }, 20000));
    ::CloseHandle(worker);
    EXPECT_TRUE(PumpUntil([&] { return BarEdges(page) == "488/488"; }, 3000)) << BarEdges(page);
    EXPECT_EQ(bar->GetFixedWidth(), 474);

    // Never wider than its maxwidth, the frame's inner width.
    bar->SetAttribute(L"width", L"600");
    PumpMessages(100);
    EXPECT_EQ(BarEdges(page), "488/488");
}

} // namespace
