// The keyboard across a frame and the page that lies on it (Frame.xml with
// Page.xml as its child window, as the programs lay their pages over their
// frames): one focus order for both (the page's stops, then the frame's that
// the page leaves uncovered, "taborder" and option groups as one stop),
// Tab and Shift+Tab through it, Enter, Escape, Space, the arrows in a group,
// Alt shortcuts that reach the visible control and never one under the page,
// Ctrl+A in an edit field, the focus handed on when the page hides, and the
// focus mark: drawn in the layout's focus colour only once the keyboard was
// used. Keys are sent to the window that holds the keyboard, as the system
// delivers them. Real input through Setup's windows: the keyboard
// walk-throughs (setup/test/keyboard_test.cpp).
#include "dui_test_support.h"

#include <gtest/gtest.h>

using duitest::TestWindow;
using skinshot::PumpUntil;

namespace {

std::wstring NameOf(CControlUI* c) { return c ? c->GetName().GetData() : L"(none)"; }

std::vector<std::wstring> Order(CPaintManagerUI& pm)
{
    CControlUI* items[32] = {};
    const int n = pm.GetFocusOrder(items, 32);
    std::vector<std::wstring> names;
    for (int i = 0; i < n && i < 32; ++i) names.push_back(NameOf(items[i]));
    return names;
}

// A key down (and its character, as TranslateMessage would make it) at the
// window holding the keyboard, with Shift or Ctrl held in this thread's
// key state meanwhile.
void Key(WPARAM vk, BYTE held = 0, UINT msg = WM_KEYDOWN)
{
    BYTE state[256] = {};
    GetKeyboardState(state);
    BYTE saved[256];
    memcpy(saved, state, sizeof state);
    if (held) state[held] = 0x80;
    SetKeyboardState(state);
    HWND to = GetFocus();
    SendMessageW(to, msg, vk, msg == WM_SYSCHAR ? 1 << 29 : 1);
    if (msg == WM_KEYDOWN && (vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_SPACE))
        SendMessageW(to, WM_CHAR, vk == VK_SPACE ? L' ' : vk == VK_RETURN ? L'\r' : 0x1B, 1);
    SetKeyboardState(saved);
}

// Pixels of the focus colour on the rectangle where the mark of a control
// of this size lies.
int MarkPixels(TestWindow& w, CControlUI* c)
{
    const duitest::Bitmap bmp = w.Render(true);
    RECT r = c->GetPos();
    InflateRect(&r, -2, -2);
    int n = 0;
    for (int x = r.left; x < r.right; ++x) n += (bmp.At(x, r.top) == 0x19588B) + (bmp.At(x, r.bottom - 1) == 0x19588B);
    return n;
}

} // namespace

TEST(Keyboard, FrameAndPageShareOneFocusOrderAndTheKeysActOnIt)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWindow frame(L"Frame.xml");
    HWND f = frame.OpenInFront(60, 40, 517, 397);
    ASSERT_NE(f, nullptr);
    SetFocus(f);
    CPaintManagerUI& fm = frame.Manager();
    fm.SetDefaultButton(frame.Find(L"nextbtn"));

    // The frame alone: its layout order, the group's unselected "y" left
    // out, the caption buttons last by "taborder"; Alt+N is its "nextbtn".
    EXPECT_EQ(Order(fm), (std::vector<std::wstring>{L"nextbtn", L"x", L"z", L"minbtn", L"closebtn"}));
    EXPECT_FALSE(fm.IsFocusMarkShown());
    Key(L'n', 0, WM_SYSCHAR);
    EXPECT_EQ(frame.Count(L"click", frame.Find(L"nextbtn")), 1);

    TestWindow page(L"Page.xml");
    HWND p = page.Open(f, 5, 34, 506, 360, true);
    ASSERT_NE(p, nullptr);
    CPaintManagerUI& pm = page.Manager();
    pm.SetDefaultButton(page.Find(L"nextbtn"));
    pm.SetCancelButton(page.Find(L"cancelbtn"));
    frame.ClearNotes();

    // The page's stops, then the frame's that it leaves uncovered; the same
    // order asked of either window.
    const std::vector<std::wstring> ring = {L"e", L"one", L"prebtn", L"nextbtn", L"cancelbtn", L"check", L"minbtn", L"closebtn"};
    EXPECT_EQ(Order(pm), ring);
    EXPECT_EQ(Order(fm), ring);

    // Each key at the window holding the keyboard, the focus after it and
    // the click it gave (window, control; none when empty).
    struct Step {
        const char* what;
        WPARAM key;
        BYTE held;
        UINT msg;
        const wchar_t* focus;
        TestWindow* clicked;
        const wchar_t* control;
    };
    const Step steps[] = {
        {"Tab from nothing", VK_TAB, 0, WM_KEYDOWN, L"e", nullptr, L""},
        {"Tab out of the field", VK_TAB, 0, WM_KEYDOWN, L"one", nullptr, L""},
        {"Down selects the next option", VK_DOWN, 0, WM_KEYDOWN, L"two", &page, L"two"},
        {"Up wraps round the group", VK_UP, 0, WM_KEYDOWN, L"one", &page, L"one"},
        {"Space on an option", VK_SPACE, 0, WM_KEYDOWN, L"one", &page, L"one"},
        {"Tab", VK_TAB, 0, WM_KEYDOWN, L"prebtn", nullptr, L""},
        {"Shift+Tab", VK_TAB, VK_SHIFT, WM_KEYDOWN, L"one", nullptr, L""},
        {"Shift+Tab into the field", VK_TAB, VK_SHIFT, WM_KEYDOWN, L"e", nullptr, L""},
        {"Enter in the field: the default button", VK_RETURN, 0, WM_KEYDOWN, L"e", &page, L"nextbtn"},
        {"Escape in the field: the cancel button", VK_ESCAPE, 0, WM_KEYDOWN, L"e", &page, L"cancelbtn"},
        {"Shift+Tab wraps to the frame", VK_TAB, VK_SHIFT, WM_KEYDOWN, L"closebtn", nullptr, L""},
        {"Enter on a focused button presses it", VK_RETURN, 0, WM_KEYDOWN, L"closebtn", &frame, L"closebtn"},
        {"Space on it", VK_SPACE, 0, WM_KEYDOWN, L"closebtn", &frame, L"closebtn"},
        {"Escape from the frame: the page's cancel", VK_ESCAPE, 0, WM_KEYDOWN, L"closebtn", &page, L"cancelbtn"},
        {"Shift+Tab back", VK_TAB, VK_SHIFT, WM_KEYDOWN, L"minbtn", nullptr, L""},
        {"Shift+Tab onto the page", VK_TAB, VK_SHIFT, WM_KEYDOWN, L"check", nullptr, L""},
        {"Space toggles the check", VK_SPACE, 0, WM_KEYDOWN, L"check", &page, L"check"},
        {"Enter on a check: the default button", VK_RETURN, 0, WM_KEYDOWN, L"check", &page, L"nextbtn"},
        {"Alt+N: the page's, not the covered frame's", L'n', 0, WM_SYSCHAR, L"check", &page, L"nextbtn"},
        {"Alt+B", L'B', 0, WM_SYSCHAR, L"check", &page, L"prebtn"},
        {"Tab", VK_TAB, 0, WM_KEYDOWN, L"minbtn", nullptr, L""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        frame.ClearNotes();
        page.ClearNotes();
        Key(s.key, s.held, s.msg);
        EXPECT_EQ(NameOf(CPaintManagerUI::GetKeyboardFocus(f)), s.focus);
        const int clicks = frame.Count(L"click") + page.Count(L"click");
        EXPECT_EQ(clicks, s.clicked ? 1 : 0);
        if (s.clicked) {
            EXPECT_EQ(s.clicked->Count(L"click", s.clicked->Find(s.control)), 1);
        }
    }
    EXPECT_FALSE(page.Find<COptionUI>(L"two", L"Option")->IsSelected());
    EXPECT_TRUE(page.Find<COptionUI>(L"check", L"Option")->IsSelected());

    // The field holds the keyboard itself; Ctrl+A selects all of it.
    CEditUI* e = page.Find<CEditUI>(L"e", L"Edit");
    e->SetText(L"C:\\Program Files\\VELT");
    pm.SetFocus(e);
    ASSERT_EQ(GetFocus(), e->GetNativeWindow());
    SendMessageW(e->GetNativeWindow(), EM_SETSEL, 3, 3);
    Key('A', VK_CONTROL);
    DWORD from = 0, to = 0;
    SendMessageW(e->GetNativeWindow(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(std::make_pair(from, to), std::make_pair(DWORD(0), DWORD(e->GetText().GetLength())));
    EXPECT_EQ(e->GetText(), L"C:\\Program Files\\VELT");

    // The mark in the focus colour on the focused button, after keys only.
    CControlUI* next = page.Find(L"nextbtn");
    pm.SetFocus(next);
    EXPECT_GT(MarkPixels(page, next), 20);
    EXPECT_EQ(MarkPixels(page, page.Find(L"prebtn")), 0);

    // The page hides with the keyboard on its "nextbtn": the frame's, now
    // uncovered, takes it, and the order is the frame's alone again.
    ShowWindow(p, SW_HIDE);
    EXPECT_EQ(NameOf(CPaintManagerUI::GetKeyboardFocus(f)), L"nextbtn");
    EXPECT_EQ(CPaintManagerUI::GetKeyboardFocus(f), frame.Find(L"nextbtn"));
    EXPECT_EQ(Order(fm), (std::vector<std::wstring>{L"nextbtn", L"x", L"z", L"minbtn", L"closebtn"}));
}

// A window the keyboard never reached shows no mark on its focused control.
TEST(Keyboard, NoMarkBeforeTheKeyboardIsUsed)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWindow page(L"Page.xml");
    ASSERT_NE(page.OpenInFront(60, 40, 506, 360), nullptr);
    CControlUI* next = page.Find(L"nextbtn");
    page.Manager().SetFocus(next);
    EXPECT_EQ(MarkPixels(page, next), 0);
    EXPECT_FALSE(page.Manager().IsFocusMarkShown());
}
