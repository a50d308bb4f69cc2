// The end-to-end driver against a stand-in wizard (velt_wizard_test_app) whose
// controls log what they report: clicks land on what lies under the named
// control (a page over the frame, the page's own button), typing fills a
// native edit field, keys reach the focused field and Alt shortcuts the
// button; and the progress bar of the real Uninstall.DAT is read off the
// screen at the widths the uninstall worker sets.
#include "wizard_driver.h"

#include "test_support.h"
#include "test_zip.h"
#include "wait_until.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {

const char kFrame[] = R"(<Window size="400,300" caption="0,0,0,30">
  <VerticalLayout bkcolor="#FFF0F0F0">
    <Button name="coveredbtn" float="true" pos="20,60,120,90" text="covered" />
    <Button name="freebtn" float="true" pos="20,250,120,280" text="free" />
  </VerticalLayout>
</Window>)";

// Lies at 10,40 of the frame: "pagebtn" covers the frame's "coveredbtn".
const char kPage[] = R"(<Window size="380,200">
  <VerticalLayout bkcolor="#FFFFFFFF">
    <Button name="pagebtn" float="true" pos="0,10,120,60" text="page" />
    <Edit name="nameedit" float="true" pos="150,20,350,44" bkcolor="#FFFFFFFF" />
    <Button name="nextbtn" float="true" pos="250,150,350,180" text="next" shortcut="N" />
  </VerticalLayout>
</Window>)";

const wchar_t kTitle[] = L"驱动测试";

class WizardDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const wchar_t* name : {L"velt_wizard_test_app.exe", L"DuiLibu.dll", L"Uninstall.DAT"})
            ASSERT_TRUE(CopyFileW((ModuleDir() + L"\\" + name).c_str(), (m_dir / name).c_str(), FALSE)) << name;
        ASSERT_TRUE(WriteZip(m_dir / L"Driver.DAT", {{"Frame.xml", kFrame}, {"Page1Wnd.xml", kPage}}));
    }

    // Starts the stand-in with these arguments after <skin> <title> <frame> <log>.
    bool Start(WizardDriver& run, const std::wstring& skin, const std::wstring& frame, const std::wstring& more)
    {
        const std::wstring exe = m_dir / L"velt_wizard_test_app.exe";
        m_args = skin + L" " + kTitle + L" " + frame + L" \"" + Log() + L"\" " + more;
        return run.Start(exe, skin, m_dir.Path(), m_args) && run.WaitFrame(kTitle, 20000, frame) != nullptr;
    }

    std::wstring Log() const { return m_dir / L"events.log"; }

    // The log shows this line (UTF-8, without its end) within ms.
    bool Logged(const std::string& line, DWORD ms = 10000) const
    {
        return WaitUntil(
            [&] {
                std::string bytes;
                return ReadBytes(Log(), &bytes) && (bytes.find(line + "\n") == 0 ||
                                                    bytes.find("\n" + line + "\n") != std::string::npos);
            },
            ms);
    }

    ScratchDir m_dir{L"driver"};
    std::wstring m_args;
};

} // namespace

TEST_F(WizardDriverTest, ClicksLandOnWhatLiesUnderTheNamedControl)
{
    WizardDriver run;
    ASSERT_TRUE(Start(run, L"Driver.DAT", L"Frame.xml", L"--page Page1 Page1Wnd.xml 10 40 1"));
    ASSERT_TRUE(run.PageVisible(L"Page1"));

    ASSERT_TRUE(run.Click(L"freebtn"));
    EXPECT_TRUE(Logged("frame click freebtn free"));
    // The page covers the frame's button: the page gets the click.
    ASSERT_TRUE(run.Click(L"coveredbtn"));
    EXPECT_TRUE(Logged("Page1 click pagebtn page"));
    EXPECT_FALSE(Logged("frame click coveredbtn covered", 300));

    RECT rc = {}, page = {};
    ASSERT_TRUE(run.ControlScreenRect(L"Page1", L"nameedit", &rc));
    GetWindowRect(run.Page(L"Page1"), &page);
    EXPECT_EQ(rc.left - page.left, 150);
    EXPECT_EQ(rc.bottom - page.top, 44);
    EXPECT_FALSE(run.Click(L"nosuchbtn"));
    EXPECT_FALSE(run.Click(L"Page2", L"pagebtn"));

    ASSERT_TRUE(run.PostSysClose());
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(WizardDriverTest, TypingAndKeysReachTheFocusedField)
{
    WizardDriver run;
    ASSERT_TRUE(Start(run, L"Driver.DAT", L"Frame.xml", L"--page Page1 Page1Wnd.xml 10 40 1"));
    EXPECT_FALSE(run.TypeText(L"Page1", L"nextbtn", L"x")) << "a button is no edit field";
    ASSERT_TRUE(run.TypeText(L"Page1", L"nameedit", L"张三 Li"));
    EXPECT_TRUE(Logged("Page1 textchanged nameedit 张三 Li"));
    // Typing again replaces the whole text.
    ASSERT_TRUE(run.TypeText(L"Page1", L"nameedit", L"王"));
    EXPECT_TRUE(Logged("Page1 textchanged nameedit 王"));
    ASSERT_TRUE(run.PressKey(VK_RETURN));
    EXPECT_TRUE(Logged("Page1 return nameedit 王"));
    ASSERT_TRUE(run.PressAlt(L'n'));
    EXPECT_TRUE(Logged("Page1 click nextbtn next"));
    ASSERT_TRUE(run.PostSysClose());
    ASSERT_TRUE(run.WaitExit(10000));
}

TEST_F(WizardDriverTest, ProgressWidthIsReadOffTheScreen)
{
    for (int width : {1, 158, 316, 474}) {
        WizardDriver run;
        const std::wstring w = std::to_wstring(width);
        ASSERT_TRUE(Start(run, L"Uninstall.DAT", L"Page9Wnd.xml",
                          L"--page Page10 Page10Wnd.xml 5 31 1 --set Page10 progressbar width " + w));
        ASSERT_TRUE(run.WaitIdle(10000));
        EXPECT_TRUE(WaitUntil([&] { return run.ProgressWidth(L"Page10") == width; }, 5000))
            << width << ": read " << run.ProgressWidth(L"Page10");
        ASSERT_TRUE(run.PostSysClose());
        ASSERT_TRUE(run.WaitExit(10000));
    }
    // A hidden page shows no bar.
    WizardDriver run;
    ASSERT_TRUE(Start(run, L"Uninstall.DAT", L"Page9Wnd.xml", L"--page Page10 Page10Wnd.xml 5 31 0"));
    EXPECT_EQ(run.ProgressWidth(L"Page10"), -1);
}
