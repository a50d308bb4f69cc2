// The layouts of both skin archives, Setup's thirteen in VELTSetupDate.DAT and
// Uninstall's three in Uninstall.DAT, read by the window library, against the
// contract that the programs' windows rely on: the window size, frame caption
// and round corner, the background slice of each page, every control the
// code looks up (by name and kind), the start look of every option and check
// button (the look the code swaps in, option_looks.h), the navigation row,
// the progress bars, and that buttons and texts fit on their line without
// overlapping or clipping. Also the fields' modes: the licence is read-only
// and long enough to scroll, the others take typing on one line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "option_looks.h"
#include "skin_test_env.h"
#include "skin_window.h"

using duitest::Pos;
using skinshot::CSkinWindow;

namespace {

const wchar_t kSetupSkin[] = L"VELTSetupDate.DAT";
const wchar_t kUninstallSkin[] = L"Uninstall.DAT";

// A layout: its window's size, its root's background exactly, and the
// controls the code looks up, as the kind it treats them as ("name" for a
// ButtonUI, "name:kind" for any other).
struct LayoutCase {
    const wchar_t* archive;
    const wchar_t* layout;
    int width, height;
    const wchar_t* background;
    const wchar_t* controls;
};

const LayoutCase kLayouts[] = {
    {kSetupSkin, L"CoverWnd.xml", 516, 396, L"file='CoverBK.jpg'", L"minbtn closebtn prebtn nextbtn cancelbtn"},
    {kSetupSkin, L"Page1Wnd.xml", 506, 360, L"file='Page1BK.jpg' source='5,34,511,394'", L"prebtn nextbtn cancelbtn"},
    {kSetupSkin, L"Page2Wnd.xml", 506, 360, L"file='Page2BK.jpg' source='5,34,511,394'",
     L"prebtn nextbtn cancelbtn licenseedit:RichEditUI licensebtn"},
    {kSetupSkin, L"Page3Wnd.xml", 506, 360, L"file='Page3BK.jpg' source='5,34,511,394'",
     L"prebtn nextbtn cancelbtn nameedit:EditUI anyonebtn onlymebtn companyedit:EditUI"},
    {kSetupSkin, L"Page4Wnd.xml", 506, 360, L"file='Page4BK.jpg' source='5,34,511,394'",
     L"prebtn nextbtn cancelbtn pathedit:EditUI desktopscbtn startmenuscbtn browsebtn diskfreelabel:LabelUI"},
    {kSetupSkin, L"Page6Wnd.xml", 506, 360, L"file='Page6BK.jpg' source='5,34,511,394'",
     L"cancelbtn progressbar:HorizontalLayoutUI"},
    {kSetupSkin, L"Page7Wnd.xml", 506, 360, L"file='Page7BK.jpg' source='5,34,511,394'", L"runnowbtn finishbtn"},
    {kSetupSkin, L"Page8Wnd.xml", 517, 397, L"file='Page8BK.jpg'",
     L"minbtn closebtn prebtn nextbtn cancelbtn fixbtn uninstallbtn"},
    {kSetupSkin, L"Page9Wnd.xml", 506, 360, L"file='Page9BK.jpg' source='5,34,511,394'", L"prebtn nextbtn cancelbtn"},
    {kSetupSkin, L"Page10Wnd.xml", 506, 360, L"file='Page10BK.jpg' source='5,31,511,391'",
     L"cancelbtn progressbar:HorizontalLayoutUI"},
    {kSetupSkin, L"Page11Wnd.xml", 506, 360, L"file='Page11BK.jpg' source='5,32,511,392'", L"finishbtn"},
    {kSetupSkin, L"Page12Wnd.xml", 506, 360, L"file='Page12BK.jpg' source='5,34,511,394'",
     L"cancelbtn progressbar:HorizontalLayoutUI"},
    {kSetupSkin, L"Page13Wnd.xml", 506, 360, L"file='Page13BK.jpg' source='5,34,511,394'", L"finishbtn"},
    {kUninstallSkin, L"Page9Wnd.xml", 517, 397, L"file='Page9BK.jpg'",
     L"minbtn closebtn nextbtn cancelbtn confirmlabel:LabelUI hintlabel:LabelUI"},
    {kUninstallSkin, L"Page10Wnd.xml", 506, 360, L"file='Page10BK.jpg' source='5,31,511,391'",
     L"cancelbtn progressbar:HorizontalLayoutUI"},
    {kUninstallSkin, L"Page11Wnd.xml", 506, 360, L"file='Page11BK.jpg' source='5,31,511,391'", L"finishbtn"},
};

// The start look of Setup's option and check buttons: the flags behind them
// all start set, and the maintenance choice uses the normal image for hot as
// well.
struct Look {
    const wchar_t *layout, *control, *normal, *hot, *pushed;
};
const Look kLooks[] = {
    {L"Page2Wnd.xml", L"licensebtn", g_strCheckOnNormal, g_strCheckOnHot, g_strCheckOnPushed},
    {L"Page3Wnd.xml", L"anyonebtn", g_strOptionOnNormal, g_strOptionOnHot, g_strOptionOnPushed},
    {L"Page3Wnd.xml", L"onlymebtn", g_strOptionOffNormal, g_strOptionOffHot, g_strOptionOffPushed},
    {L"Page4Wnd.xml", L"desktopscbtn", g_strCheckOnNormal, g_strCheckOnHot, g_strCheckOnPushed},
    {L"Page4Wnd.xml", L"startmenuscbtn", g_strCheckOnNormal, g_strCheckOnHot, g_strCheckOnPushed},
    {L"Page7Wnd.xml", L"runnowbtn", g_strCheckOnNormal, g_strCheckOnHot, g_strCheckOnPushed},
    {L"Page8Wnd.xml", L"fixbtn", g_strOptionOffNormal, g_strOptionOffNormal, g_strOptionOffPushed},
    {L"Page8Wnd.xml", L"uninstallbtn", g_strOptionOnNormal, g_strOptionOnNormal, g_strOptionOnPushed},
};

// Where the navigation row lies in a page; in a frame 5 to the right and 34
// lower (the same place once Setup puts the page at 5,34).
const std::pair<const wchar_t*, RECT> kNavigation[] = {{L"prebtn", {250, 326, 335, 350}},
                                                       {L"nextbtn", {340, 326, 425, 350}},
                                                       {L"cancelbtn", {433, 326, 498, 350}},
                                                       {L"finishbtn", {433, 326, 498, 350}}};

CControlUI* CALLBACK CollectControl(CControlUI* control, LPVOID data) {
    static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    return nullptr;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both;
    return ::IntersectRect(&both, &a, &b) != FALSE;
}

// Width in pixels of a text in the label's font.
int TextWidth(CSkinWindow& window, CLabelUI* label, const wchar_t* text) {
    HDC dc = ::GetDC(window.GetHWND());
    HGDIOBJ old = ::SelectObject(dc, window.Manager().GetFont(label->GetFont()));
    SIZE size = {0, 0};
    ::GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(window.GetHWND(), dc);
    return size.cx;
}

// Checks one layout against the contract (a failed ASSERT ends this layout's
// checks only).
void CheckContract(const LayoutCase& c) {
    ASSERT_TRUE(duitest::UseSkin(c.archive)) << "the archive is not beside the test";
    const bool frame = c.width != 506;
    CSkinWindow window(c.layout);
    ASSERT_TRUE(window.Open(nullptr, 30, 30, false)) << "layout not built";
    ASSERT_TRUE(skinshot::PumpUntil([&] { return window.Root()->GetPos().right > 0; }, 3000)) << "not laid out";

    // Size, caption band, round corner and background.
    RECT client;
    ::GetClientRect(window.GetHWND(), &client);
    EXPECT_EQ(Pos(client), "0,0," + std::to_string(c.width) + "," + std::to_string(c.height));
    EXPECT_EQ(Pos(window.Root()), Pos(client));
    EXPECT_EQ(Pos(window.Manager().GetCaptionRect()), frame ? "0,0,0,30" : "0,0,0,0");
    EXPECT_EQ(window.Manager().GetRoundCorner().cx, frame ? 5 : 0);
    EXPECT_EQ(window.Manager().GetRoundCorner().cy, frame ? 5 : 0);
    EXPECT_EQ(std::wstring(window.Root()->GetBkImage()), c.background);

    // The controls the code looks up, of the kind it treats them as; the
    // licence (a rich edit) is read-only and scrolls, the fields take typing
    // on one line.
    std::wistringstream controls(c.controls);
    for (std::wstring name; controls >> name;) {
        const size_t colon = name.find(L':');
        const std::wstring kind = colon == std::wstring::npos ? L"ButtonUI" : name.substr(colon + 1);
        name = name.substr(0, colon);
        SCOPED_TRACE(testing::PrintToString(name));
        CControlUI* control = window.Find(name.c_str());
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->GetClass(), kind);
        const bool licence = kind == L"RichEditUI";
        if (!licence && kind != L"EditUI") continue;
        auto* edit = static_cast<CEditUI*>(control->GetInterface(L"Edit"));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->IsReadOnly(), licence);
        EXPECT_EQ(edit->IsMultiLine(), licence);
        if (!licence) continue;
        ASSERT_TRUE(skinshot::PumpUntil([&] { return edit->GetNativeWindow() != nullptr; }, 3000));
        EXPECT_NE(::GetWindowLongW(edit->GetNativeWindow(), GWL_STYLE) & WS_VSCROLL, 0);
        EXPECT_NE(std::wstring(edit->GetText().GetData()).find(L"\n\n"), std::wstring::npos) << "paragraphs";
        SCROLLINFO scroll = {sizeof(scroll), SIF_ALL, 0, 0, 0, 0, 0};
        ASSERT_TRUE(::GetScrollInfo(edit->GetNativeWindow(), SB_VERT, &scroll));
        EXPECT_GT(scroll.nMax + 1, static_cast<int>(scroll.nPage)) << "the licence fits without scrolling";
    }

    // Start looks, in their squares of 20 (options) or 14 (check buttons).
    for (const Look& look : kLooks) {
        if (std::wstring(c.archive) != kSetupSkin || std::wstring(look.layout) != c.layout) continue;
        auto* button = static_cast<CButtonUI*>(window.Find(look.control)->GetInterface(L"Button"));
        ASSERT_NE(button, nullptr) << look.control;
        EXPECT_STREQ(button->GetNormalImage(), look.normal) << look.control;
        EXPECT_STREQ(button->GetHotImage(), look.hot) << look.control;
        EXPECT_STREQ(button->GetPushedImage(), look.pushed) << look.control;
        const int side = wcsstr(look.normal, L"'0,0,20,20'") != nullptr ? 20 : 14;
        EXPECT_EQ(std::pair(button->GetWidth(), button->GetHeight()), std::pair(side, side)) << look.control;
    }

    // The navigation row, the caption buttons, and what starts enabled.
    for (auto [name, rc] : kNavigation) {
        if (frame) ::OffsetRect(&rc, 5, 34);
        if (CControlUI* button = window.Find(name)) {
            EXPECT_EQ(Pos(button), Pos(rc)) << name;
        }
    }
    if (CControlUI* next = window.Find(L"nextbtn")) {
        EXPECT_TRUE(next->IsEnabled());
        EXPECT_EQ(next->GetShortcut(), std::wstring(c.layout) == L"Page4Wnd.xml" ? L'I' : L'N');
    }
    if (frame && window.Find(L"prebtn")) {
        // Nothing lies before the first screen, so the frame's "prebtn" looks
        // disabled in every state; it stays enabled, so that Alt+B in the
        // frame still reaches the page that covers it.
        auto* pre = static_cast<CButtonUI*>(window.Find(L"prebtn")->GetInterface(L"Button"));
        EXPECT_TRUE(pre->IsEnabled());
        for (LPCTSTR image : {pre->GetNormalImage(), pre->GetHotImage(), pre->GetPushedImage()}) {
            EXPECT_STREQ(image, L"file='button.png' source='1,110,86,134'");
        }
    }
    if (frame) {
        for (const wchar_t* name : {L"minbtn", L"closebtn"}) {
            const RECT& rc = window.Find(name)->GetPos();
            EXPECT_LE(rc.bottom, 30) << name;
            EXPECT_GT(rc.left, c.width - 100) << name;
        }
    }

    // Named buttons lie inside the window and apart from each other (but for
    // Uninstall's frame, which places "minbtn" at 431..473 and "closebtn"
    // from 470: the close button lies over the minimise button's last three
    // columns); no label covers a button, none sits in a frame's caption
    // band, and every text fits its label on one line.
    const bool captionButtonsOverlap = frame && std::wstring(c.archive) == kUninstallSkin;
    std::vector<CControlUI*> all, buttons, labels;
    window.Root()->FindControl(CollectControl, &all, UIFIND_ALL);
    for (CControlUI* control : all) {
        const std::wstring kind = control->GetClass();
        if (kind == L"ButtonUI" && !control->GetName().IsEmpty()) buttons.push_back(control);
        if (kind == L"LabelUI") labels.push_back(control);
    }
    for (size_t i = 0; i < buttons.size(); ++i) {
        const std::string name = Pos(buttons[i]);
        EXPECT_TRUE(Inside(buttons[i]->GetPos(), client)) << name;
        for (size_t j = i + 1; j < buttons.size(); ++j) {
            if (captionButtonsOverlap && buttons[i]->GetName() == L"minbtn" && buttons[j]->GetName() == L"closebtn")
                continue;
            EXPECT_FALSE(Overlap(buttons[i]->GetPos(), buttons[j]->GetPos())) << name << " / " << Pos(buttons[j]);
        }
    }
    for (CControlUI* control : labels) {
        auto* label = static_cast<CLabelUI*>(control->GetInterface(L"Label"));
        const RECT& rc = label->GetPos();
        EXPECT_TRUE(Inside(rc, client)) << Pos(rc);
        if (frame) {
            EXPECT_GE(rc.top, 30) << Pos(rc);
        }
        for (CControlUI* button : buttons) EXPECT_FALSE(Overlap(rc, button->GetPos())) << Pos(rc);
        // The free-space label must take the widest figure the page writes,
        // which ends in a line feed: the label breaks lines there instead of
        // drawing the line feed as a glyph.
        std::wstring text = label->GetText().GetData();
        if (label->GetName() == L"diskfreelabel") {
            text = L"所需空间：30MB  可用空间：123456.78MB";
            EXPECT_EQ(label->GetTextStyle() & DT_SINGLELINE, 0u);
        }
        const RECT pad = label->GetTextPadding();
        EXPECT_LE(TextWidth(window, label, text.c_str()), rc.right - rc.left - pad.left - pad.right)
            << Pos(rc) << " clips its text";
    }

    // Progress bars: width 1 of at most 474, inside a bordered frame that is
    // exactly that wide.
    if (CControlUI* bar = window.Find(L"progressbar")) {
        EXPECT_GE(bar->GetFixedWidth(), 1);
        EXPECT_EQ(bar->GetMaxWidth(), 474);
        CControlUI* box = bar->GetParent();
        ASSERT_NE(box, nullptr);
        EXPECT_GE(box->GetBorderSize(), 1);
        EXPECT_EQ(box->GetWidth(), 474);
        EXPECT_EQ(box->GetHeight(), 14);
        EXPECT_TRUE(Inside(bar->GetPos(), box->GetPos())) << Pos(bar);
        EXPECT_TRUE(Inside(box->GetPos(), client));
    }
}

TEST(SkinLayout, EveryLayoutMeetsTheWindowContract) {
    skinshot::ParkMouse();
    for (const LayoutCase& c : kLayouts) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.archive) + L" " + c.layout));
        CheckContract(c);
    }
}

} // namespace
