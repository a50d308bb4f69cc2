// Input: mouse messages give exactly one "click" from the control under
// them (none when disabled, none when pressed on one control and released
// on another); the hit test left to the window; Tab order, Enter and Space;
// Alt shortcuts; tooltips; the edit fields; and, through real input on the
// virtual display, a click, typing into an edit field and its "killfocus".
#include "dui_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using duitest::SkinArchive;
using duitest::TestWindow;

namespace {

const char kButtons[] = R"(<Window size="300,200" caption="0,0,0,30" sizebox="4,4,4,4">
  <VerticalLayout bkcolor="#FFF0F0F0">
    <Button name="capbtn" float="true" pos="250,2,280,26" />
    <Text name="captext" float="true" pos="100,2,140,26" text="t" />
    <Label name="caplabel" float="true" pos="150,2,190,26" text="l" />
    <Button name="a" float="true" pos="20,60,100,90" text="A" />
    <Button name="b" float="true" pos="120,60,200,90" text="B" shortcut="N" />
    <Button name="off" float="true" pos="220,60,290,90" text="C" enabled="false" />
    <Edit name="e" float="true" pos="20,120,200,144" bkcolor="#FFFFFFFF" />
  </VerticalLayout>
</Window>)";

void Click(HWND h, POINT pt)
{
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

LRESULT HitTest(HWND h, int x, int y)
{
    POINT pt = {x, y};
    ClientToScreen(h, &pt);
    return SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
}

BOOL CALLBACK FindTooltip(HWND hwnd, LPARAM out)
{
    wchar_t cls[64] = {0};
    GetClassNameW(hwnd, cls, 64);
    if (_wcsicmp(cls, L"tooltips_class32") == 0) *reinterpret_cast<HWND*>(out) = hwnd;
    return TRUE;
}

// The buttons' layout in a hidden window.
class Buttons : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(w.Open(), nullptr); }
    SkinArchive skin{{{"Buttons.xml", kButtons}}};
    TestWindow w{L"Buttons.xml"};
};

} // namespace

TEST_F(Buttons, MouseGivesExactlyOneClickFromTheControlUnderIt)
{
    HWND h = w.GetHWND();
    CControlUI *a = w.Find(L"a"), *b = w.Find(L"b"), *off = w.Find(L"off");

    Click(h, duitest::CentrePoint(a));
    EXPECT_EQ(w.Count(L"click"), 1);
    EXPECT_EQ(w.Count(L"click", a), 1);

    // Disabled: nothing.
    w.ClearNotes();
    Click(h, duitest::CentrePoint(off));
    EXPECT_EQ(w.Count(L"click"), 0);
    EXPECT_FALSE(off->IsEnabled());

    // Pressed on one, released on another: nothing.
    POINT pa = duitest::CentrePoint(a), pb = duitest::CentrePoint(b);
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pa.x, pa.y));
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pb.x, pb.y));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(pb.x, pb.y));
    EXPECT_EQ(w.Count(L"click"), 0);

    // Pressed, dragged away and back, released over it: one click.
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pa.x, pa.y));
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 180));
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pa.x, pa.y));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(pa.x, pa.y));
    EXPECT_EQ(w.Count(L"click", a), 1);

    // A double click is two clicks, as with any Windows button.
    w.ClearNotes();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pb.x, pb.y));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(pb.x, pb.y));
    SendMessageW(h, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pb.x, pb.y));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(pb.x, pb.y));
    EXPECT_EQ(w.Count(L"click", b), 2);

    // Nothing under the mouse: nothing; a removed notifier hears nothing.
    w.ClearNotes();
    Click(h, POINT{10, 170});
    EXPECT_EQ(w.Count(L"click"), 0);
    w.Manager().RemoveNotifier(&w);
    Click(h, pa);
    EXPECT_EQ(w.Count(L"click"), 0);
}

// The manager keeps the caption band and the size box for the window
// (Layout.FloatControls...) and leaves the hit test to the window: a plain
// window here, so the whole client area is client (the wizard window's own
// hit test: WizardWindow.*).
TEST_F(Buttons, HitTestIsLeftToTheWindow)
{
    HWND h = w.GetHWND();
    POINT corner = {1, 1};
    ClientToScreen(h, &corner);
    LRESULT result = 0;
    EXPECT_FALSE(w.Manager().MessageHandler(WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y), result));
    EXPECT_EQ(HitTest(h, 60, 15), HTCLIENT);
    EXPECT_EQ(HitTest(h, 1, 1), HTCLIENT);
}

TEST_F(Buttons, TabMovesTheFocusAndEnterOrSpaceClicks)
{
    HWND h = w.GetHWND();
    CControlUI *cap = w.Find(L"capbtn"), *a = w.Find(L"a"), *b = w.Find(L"b"), *e = w.Find(L"e");

    // Tab order is the layout order; the disabled button is skipped.
    SendMessageW(h, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(w.Manager().GetFocus(), cap);
    SendMessageW(h, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(w.Manager().GetFocus(), a);
    EXPECT_EQ(w.Count(L"setfocus", a), 1);
    EXPECT_EQ(w.Count(L"killfocus", cap), 1);
    SendMessageW(h, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(w.Count(L"click", a), 1);
    SendMessageW(h, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(w.Manager().GetFocus(), b);
    SendMessageW(h, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(w.Count(L"click", b), 1);
    SendMessageW(h, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(w.Manager().GetFocus(), e);
    SendMessageW(h, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(w.Manager().GetFocus(), cap);  // wraps around
    EXPECT_EQ(w.Count(L"killfocus", e), 1);

    // Alt+N is the shortcut of "b".
    w.ClearNotes();
    SendMessageW(h, WM_SYSCHAR, L'n', 1 << 29);
    EXPECT_EQ(w.Count(L"click", b), 1);
    // A hidden button neither takes the focus nor clicks.
    b->SetVisible(false);
    SendMessageW(h, WM_SYSCHAR, L'n', 1 << 29);
    EXPECT_EQ(w.Count(L"click", b), 1);
}

TEST(Input, TooltipFollowsTheControlUnderTheMouse)
{
    SkinArchive skin({{"Tip.xml", R"(<Window size="200,100"><VerticalLayout>
        <Button name="closebtn" float="true" pos="150,1,0,0" width="36" height="28" tooltip="关闭" />
        <Button name="plain" float="true" pos="10,40,60,70" />
      </VerticalLayout></Window>)"}});
    TestWindow w(L"Tip.xml");
    ASSERT_NE(w.Open(), nullptr);
    HWND h = w.GetHWND();
    POINT close = duitest::CentrePoint(w.Find(L"closebtn"));
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(close.x, close.y));
    HWND tip = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindTooltip, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(GetWindow(tip, GW_OWNER), h);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[80] = {0};
    TOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = h;
    info.uId = 1;
    info.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(text, L"关闭");
    ASSERT_TRUE(SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(info.rect.left, 150);
    EXPECT_EQ(info.rect.right, 186);
    // A control without a tooltip: no tool.
    POINT plain = duitest::CentrePoint(w.Find(L"plain"));
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(plain.x, plain.y));
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
}

TEST(Input, RealMouseAndKeyboardOnTheDisplay)
{
    using testing_support::PumpUntil;
    using testing_support::TapKey;
    SkinArchive skin({{"Buttons.xml", kButtons}});
    TestWindow w(L"Buttons.xml");
    HWND h = w.Open(NULL, 200, 150, 300, 200, true);
    ASSERT_NE(h, nullptr);
    SetForegroundWindow(h);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == h; }, 3000));
    CControlUI *a = w.Find(L"a"), *e = w.Find(L"e");
    auto screenCentre = [&](CControlUI* c) {
        POINT p = duitest::CentrePoint(c);
        ClientToScreen(h, &p);
        return p;
    };

    // A real click on "a".
    ASSERT_TRUE(testing_support::ClickAt(screenCentre(a)));
    EXPECT_TRUE(PumpUntil([&] { return w.Count(L"click") > 0; }, 3000));
    EXPECT_EQ(w.Count(L"click"), 1);
    EXPECT_EQ(w.Count(L"click", a), 1);

    // A real click into the edit field gives it the focus; typing fills it.
    ASSERT_TRUE(testing_support::ClickAt(screenCentre(e)));
    EXPECT_TRUE(PumpUntil([&] { return w.Manager().GetFocus() == e; }, 3000));
    EXPECT_EQ(w.Count(L"setfocus", e), 1);
    for (WORD key : std::initializer_list<WORD>{'A', 'B', 'C', VK_BACK, 'D'}) ASSERT_TRUE(TapKey(key));
    EXPECT_TRUE(PumpUntil([&] { return e->GetText() == L"abd"; }, 3000)) << e->GetText().GetData();
    EXPECT_GE(w.Count(L"textchanged", e), 5);
    auto* edit = static_cast<CEditUI*>(e->GetInterface(L"Edit"));
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(edit->GetNativeWindow(), nullptr);
    EXPECT_EQ(GetFocus(), edit->GetNativeWindow());  // the caret is there

    // Tab leaves the field: "killfocus" from it, the focus wraps to the first
    // button (Enter and Space on a focused button: Buttons.TabMoves...).
    ASSERT_TRUE(TapKey(VK_TAB));
    EXPECT_TRUE(PumpUntil([&] { return w.Count(L"killfocus", e) > 0; }, 3000));
    EXPECT_EQ(w.Count(L"killfocus", e), 1);
    EXPECT_EQ(w.Manager().GetFocus(), w.Find(L"capbtn"));

    // Text set by the program shows in the field and reads back.
    edit->SetText(L"C:\\Program Files\\VELT电子日历");
    wchar_t buf[128] = {0};
    GetWindowTextW(edit->GetNativeWindow(), buf, 128);
    EXPECT_STREQ(buf, L"C:\\Program Files\\VELT电子日历");
    EXPECT_EQ(edit->GetText(), L"C:\\Program Files\\VELT电子日历");
}

TEST(Input, EditFieldsClipboardReadOnlyAndLimits)
{
    SkinArchive skin({{"Fields.xml", R"(<Window size="300,200"><VerticalLayout>
        <Edit name="e" height="24" maxchar="12" />
        <Edit name="pw" height="24" password="true" />
        <RichEdit name="lic" height="100" text="第一条&#10;第二条&#10;第三条" />
        <Button name="nextbtn" height="24" shortcut="N" />
      </VerticalLayout></Window>)"}});
    TestWindow w(L"Fields.xml");
    ASSERT_NE(w.Open(), nullptr);
    auto* e = static_cast<CEditUI*>(w.Find(L"e")->GetInterface(L"Edit"));
    auto* pw = static_cast<CEditUI*>(w.Find(L"pw")->GetInterface(L"Edit"));
    auto* lic = static_cast<CEditUI*>(w.Find(L"lic")->GetInterface(L"Edit"));
    ASSERT_TRUE(e && pw && lic);
    HWND ne = e->GetNativeWindow();
    ASSERT_NE(ne, nullptr);
    EXPECT_EQ(GetParent(ne), w.GetHWND());

    // Paste from the clipboard, then cut it out again.
    const wchar_t text[] = L"粘贴的文字";
    ASSERT_TRUE(OpenClipboard(w.GetHWND()));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
    memcpy(GlobalLock(mem), text, sizeof(text));
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
    SendMessageW(ne, WM_PASTE, 0, 0);
    EXPECT_EQ(e->GetText(), text);
    EXPECT_EQ(w.Count(L"textchanged", e), 1);
    e->SetSel(0, -1);
    SendMessageW(ne, WM_CUT, 0, 0);
    EXPECT_EQ(e->GetText(), L"");
    ASSERT_TRUE(OpenClipboard(w.GetHWND()));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(data)), text);
    GlobalUnlock(data);
    CloseClipboard();

    // Limits and modes.
    EXPECT_EQ(SendMessageW(ne, EM_GETLIMITTEXT, 0, 0), 12);
    for (wchar_t ch : std::wstring(L"0123456789ABCDEF")) SendMessageW(ne, WM_CHAR, ch, 0);
    EXPECT_EQ(e->GetText(), L"0123456789AB");
    SendMessageW(ne, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(w.Count(L"return", e), 1);
    EXPECT_EQ(SendMessageW(pw->GetNativeWindow(), EM_GETPASSWORDCHAR, 0, 0), L'*');
    // Alt+N typed while a field has the keyboard reaches the window's button.
    SendMessageW(ne, WM_SYSCHAR, L'n', 1 << 29);
    EXPECT_EQ(w.Count(L"click", w.Find(L"nextbtn")), 1);
    EXPECT_EQ(e->GetText(), L"0123456789AB");

    // The licence: read-only, several lines, typing changes nothing.
    HWND nl = lic->GetNativeWindow();
    ASSERT_NE(nl, nullptr);
    EXPECT_TRUE(GetWindowLongW(nl, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongW(nl, GWL_STYLE) & ES_MULTILINE);
    EXPECT_EQ(SendMessageW(nl, EM_GETLINECOUNT, 0, 0), 3);
    SendMessageW(nl, WM_CHAR, L'x', 0);
    EXPECT_EQ(lic->GetText(), L"第一条\n第二条\n第三条");

    // Disabling reaches the native field; hiding the control hides it.
    e->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(ne));
    e->SetVisible(false);
    EXPECT_FALSE(GetWindowLongW(ne, GWL_STYLE) & WS_VISIBLE);
}
