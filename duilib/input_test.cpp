// Input: mouse messages give exactly one "click" from the control under
// them (none when disabled, none when pressed on one control and released
// on another); the hit test left to the window; tooltips; Tab order, Enter
// and Space; Alt shortcuts; and, through real input on the virtual display,
// a click, typing into an edit field and Tab out of it, then the edit
// fields' modes, limits and clipboard. Text the program sets reaches the
// native field and reads back: the cut and paste in Fields.*. The layouts
// are Buttons.xml and Fields.xml of duilib/test_skin/.
#include "dui_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <tuple>

using duitest::TestWindow;
using skinshot::CenterOf;
using skinshot::PumpUntil;

namespace {

// Mouse messages in order, each at a client point.
using Gesture = std::vector<std::pair<UINT, POINT>>;
Gesture Click(POINT p) { return {{WM_MOUSEMOVE, p}, {WM_LBUTTONDOWN, p}, {WM_LBUTTONUP, p}}; }

// Sends the gesture's messages to `w`, with the left button down from a
// press to the release.
void Play(TestWindow& w, const Gesture& gesture)
{
    WPARAM keys = 0;
    for (const auto& [msg, at] : gesture) {
        keys = msg == WM_LBUTTONUP ? 0 : msg == WM_MOUSEMOVE ? keys : MK_LBUTTON;
        w.Mouse(msg, at, keys);
    }
}

} // namespace

// The buttons' window, hidden. The manager keeps the size box for the
// window (Layout.FloatControls...) and leaves the hit test to the window: a
// plain window here, so the whole client area is client (the wizard
// window's own hit test: WizardWindow.*).
TEST(Buttons, KeysMoveTheFocusAndClickMouseGivesOneClickFromTheControlUnderItAndTooltipsFollow)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWindow w(L"Buttons.xml");
    ASSERT_NE(w.Open(), nullptr);
    CControlUI *cap = w.Find(L"capbtn"), *opt = w.Find(L"capopt"), *a = w.Find(L"a"), *b = w.Find(L"b"),
               *e = w.Find(L"e");
    // Tab order is the layout order, the text, the label and the disabled
    // button skipped, wrapping around; Enter and Space click the focused
    // button.
    const std::pair<WPARAM, CControlUI*> keys[] = {{VK_TAB, cap},  {VK_TAB, opt}, {VK_TAB, a},  {VK_RETURN, a},
                                                   {VK_TAB, b},    {VK_SPACE, b}, {VK_TAB, e},  {VK_TAB, cap}};
    for (const auto& [key, focus] : keys) {
        SendMessageW(w.GetHWND(), WM_KEYDOWN, key, 0);
        EXPECT_EQ(w.Manager().GetFocus(), focus) << key;
    }
    for (const auto& [type, sender] : {std::pair{L"setfocus", a}, {L"killfocus", cap}, {L"killfocus", e},
                                       {L"click", a}, {L"click", b}})
        EXPECT_EQ(w.Count(type, sender), 1) << testing::PrintToString(std::wstring(type));
    // Alt+N is the shortcut of "b"; hidden, it neither takes the focus nor
    // clicks.
    w.ClearNotes();
    SendMessageW(w.GetHWND(), WM_SYSCHAR, L'n', 1 << 29);
    EXPECT_EQ(w.Count(L"click", b), 1);
    b->SetVisible(false);
    SendMessageW(w.GetHWND(), WM_SYSCHAR, L'n', 1 << 29);
    EXPECT_EQ(w.Count(L"click", b), 1);
    b->SetVisible(true);
    // The letter alone does the same while no field holds the keyboard.
    SendMessageW(w.GetHWND(), WM_CHAR, L'N', 1);
    EXPECT_EQ(w.Count(L"click", b), 2);

    const POINT pa = CenterOf(a->GetPos()), pb = CenterOf(b->GetPos()), off = CenterOf(w.Find(L"off")->GetPos());
    EXPECT_FALSE(w.Find(L"off")->IsEnabled());
    const std::tuple<const char*, Gesture, const wchar_t*, int> gestures[] = {
        {"a click", Click(pa), L"a", 1},
        {"disabled", Click(off), L"off", 0},
        {"pressed on one, released on another", {{WM_LBUTTONDOWN, pa}, {WM_MOUSEMOVE, pb}, {WM_LBUTTONUP, pb}}, L"a", 0},
        {"dragged away and back",
         {{WM_LBUTTONDOWN, pa}, {WM_MOUSEMOVE, {5, 180}}, {WM_MOUSEMOVE, pa}, {WM_LBUTTONUP, pa}}, L"a", 1},
        {"a double click is two clicks, as with any Windows button",
         {{WM_LBUTTONDOWN, pb}, {WM_LBUTTONUP, pb}, {WM_LBUTTONDBLCLK, pb}, {WM_LBUTTONUP, pb}}, L"b", 2},
        {"nothing under the mouse", Click({10, 170}), L"a", 0},
    };
    for (const auto& [what, gesture, from, clicks] : gestures) {
        w.ClearNotes();
        Play(w, gesture);
        EXPECT_EQ(w.Count(L"click"), clicks) << what;
        EXPECT_EQ(w.Count(L"click", w.Find(from)), clicks) << what;
    }

    for (POINT p : {POINT{60, 15}, POINT{1, 1}}) {
        ClientToScreen(w.GetHWND(), &p);
        LRESULT result = 0;
        EXPECT_FALSE(w.Manager().MessageHandler(WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y), result));
        EXPECT_EQ(SendMessageW(w.GetHWND(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCLIENT);
    }

    // The tooltip follows the control under the mouse.
    HWND h = w.GetHWND(), tip = NULL;
    w.Mouse(WM_MOUSEMOVE, CenterOf(cap->GetPos()));
    while ((tip = FindWindowExW(NULL, tip, TOOLTIPS_CLASSW, NULL)) != NULL && GetWindow(tip, GW_OWNER) != h) {
    }
    ASSERT_NE(tip, nullptr) << "no tooltip window owned by the test window";
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[80] = {0};
    TOOLINFOW info = {TTTOOLINFOW_V2_SIZE, 0, h, 1, {}, NULL, text, 0, NULL};
    SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(text, L"关闭");
    ASSERT_TRUE(SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(duitest::Pos(info.rect), "250,2,280,26");
    // A control without a tooltip: no tool.
    w.Mouse(WM_MOUSEMOVE, pa);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0);

    // A removed notifier hears nothing.
    w.Manager().RemoveNotifier(&w);
    Play(w, Click(pa));
    EXPECT_EQ(w.Count(L"click"), 0);
}

// The fields' window, shown in front for real input first.
TEST(Fields, RealInputClicksAndTypesAndTheFieldsKeepTheirModesLimitsAndClipboard)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWindow fields(L"Fields.xml");
    HWND h = fields.OpenInFront(200, 150, 300, 200);
    ASSERT_NE(h, nullptr);
    auto *e = fields.Find<CEditUI>(L"e", L"Edit"), *pw = fields.Find<CEditUI>(L"pw", L"Edit"),
         *lic = fields.Find<CEditUI>(L"lic", L"Edit");
    CControlUI* next = fields.Find(L"nextbtn");
    ASSERT_TRUE(e && pw && lic && next);
    HWND ne = e->GetNativeWindow(), nl = lic->GetNativeWindow();
    ASSERT_TRUE(ne && nl);
    EXPECT_EQ(GetParent(ne), h);
    auto clickCentre = [&](CControlUI* c) {
        POINT p = CenterOf(c->GetPos());
        ClientToScreen(h, &p);
        return skinshot::ClickScreen(p);
    };

    // A real click on the button.
    ASSERT_TRUE(clickCentre(next));
    EXPECT_TRUE(PumpUntil([&] { return fields.Count(L"click") > 0; }, 3000));
    EXPECT_EQ(fields.Count(L"click"), 1);
    EXPECT_EQ(fields.Count(L"click", next), 1);
    // A real click into the edit field gives it the focus and the caret;
    // typing fills it.
    ASSERT_TRUE(clickCentre(e));
    EXPECT_TRUE(PumpUntil([&] { return fields.Manager().GetFocus() == e; }, 3000));
    EXPECT_EQ(fields.Count(L"setfocus", e), 1);
    for (WORD key : std::initializer_list<WORD>{'A', 'B', 'C', VK_BACK, 'D'}) ASSERT_TRUE(skinshot::TapKey(key));
    EXPECT_TRUE(PumpUntil([&] { return e->GetText() == L"abd"; }, 3000)) << e->GetText().GetData();
    EXPECT_GE(fields.Count(L"textchanged", e), 5);
    EXPECT_EQ(GetFocus(), ne);
    // Tab leaves the field: "killfocus" from it, the focus on the next one
    // (Enter and Space on a focused button: Buttons.*).
    ASSERT_TRUE(skinshot::TapKey(VK_TAB));
    EXPECT_TRUE(PumpUntil([&] { return fields.Count(L"killfocus", e) > 0; }, 3000));
    EXPECT_EQ(fields.Count(L"killfocus", e), 1);
    EXPECT_EQ(fields.Manager().GetFocus(), pw);

    // Text set by the program, cut from the native field onto the emptied
    // clipboard and pasted back from it.
    ASSERT_TRUE(OpenClipboard(h));
    EmptyClipboard();
    CloseClipboard();
    e->SetText(L"粘贴的文字");
    e->SetSel(0, -1);
    SendMessageW(ne, WM_CUT, 0, 0);
    EXPECT_EQ(e->GetText(), L"");
    fields.ClearNotes();
    SendMessageW(ne, WM_PASTE, 0, 0);
    EXPECT_EQ(e->GetText(), L"粘贴的文字");
    EXPECT_EQ(fields.Count(L"textchanged", e), 1);
    e->SetText(L"");

    // Limits and modes; Alt+N typed while a field has the keyboard reaches
    // the window's button.
    EXPECT_EQ(SendMessageW(ne, EM_GETLIMITTEXT, 0, 0), 12);
    for (wchar_t ch : std::wstring(L"0123456789ABCDEF")) SendMessageW(ne, WM_CHAR, ch, 0);
    EXPECT_EQ(e->GetText(), L"0123456789AB");
    SendMessageW(ne, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(fields.Count(L"return", e), 1);
    EXPECT_EQ(SendMessageW(pw->GetNativeWindow(), EM_GETPASSWORDCHAR, 0, 0), L'*');
    SendMessageW(ne, WM_SYSCHAR, L'n', 1 << 29);
    EXPECT_EQ(fields.Count(L"click", next), 1);
    EXPECT_EQ(e->GetText(), L"0123456789AB");

    // The licence: read-only, several lines, typing changes nothing.
    EXPECT_EQ(GetWindowLongW(nl, GWL_STYLE) & (ES_READONLY | ES_MULTILINE), ES_READONLY | ES_MULTILINE);
    EXPECT_EQ(SendMessageW(nl, EM_GETLINECOUNT, 0, 0), 3);
    SendMessageW(nl, WM_CHAR, L'x', 0);
    EXPECT_EQ(lic->GetText(), L"第一条\n第二条\n第三条");

    // Disabling reaches the native field; hiding the control hides it.
    e->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(ne));
    e->SetVisible(false);
    EXPECT_FALSE(GetWindowLongW(ne, GWL_STYLE) & WS_VISIBLE);
}
