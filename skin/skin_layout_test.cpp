// The layouts of both skin archives, Setup's thirteen in VELTSetupDate.DAT and
// Uninstall's three in Uninstall.DAT, read by the window library, against the
// contract that the programs' windows rely on: the window size, frame caption
// and round corner, the background slice of each page, every control the
// code looks up (by name and kind; the size, background and controls of each
// layout are the lines of skin/layout_contract.txt), the start look of every option and check
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

// A layout of the contract and what the programs' windows rely on in it
// (skin/layout_contract.txt, which the build puts beside the test program):
// its window's size, its root's background exactly, and the controls the
// code looks up, as the kind it treats them as ("name" for a ButtonUI,
// "name:kind" for any other).
struct LayoutCase {
    std::wstring archive, layout, background, controls;
    int width = 0, height = 0;
};

// The contract's lines "archive | layout | width | height | background |
// controls", but for comments.
std::vector<LayoutCase> ReadContract() {
    std::string bytes;
    EXPECT_TRUE(testing_support::ReadBytes(testing_support::ModuleDir() + L"\\layout_contract.txt", &bytes));
    std::wistringstream lines(std::wstring(bytes.begin(), bytes.end()));
    std::vector<LayoutCase> layouts;
    for (std::wstring line; std::getline(lines, line);) {
        if (line.empty() || line[0] == L'#') continue;
        LayoutCase c;
        wchar_t bar;
        std::wistringstream fields(line);
        fields >> c.archive >> bar >> c.layout >> bar >> c.width >> bar >> c.height >> bar >> std::ws;
        std::getline(std::getline(fields, c.background, L'|') >> std::ws, c.controls);
        c.background.erase(c.background.find_last_not_of(L' ') + 1);
        EXPECT_FALSE(fields.fail()) << testing::PrintToString(line);
        layouts.push_back(c);
    }
    return layouts;
}

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
        if (c.archive != L"VELTSetupDate.DAT" || look.layout != c.layout) continue;
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
        EXPECT_EQ(next->GetShortcut(), c.layout == L"Page4Wnd.xml" ? L'I' : L'N');
    }
    if (frame && window.Find(L"prebtn")) {
        // Nothing lies before the first screen, so the frame's "prebtn" looks
        // disabled in every state; the layout leaves it enabled and Setup
        // disables it (setup_page.cpp).
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
    const bool captionButtonsOverlap = frame && c.archive == L"Uninstall.DAT";
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

// Setup's thirteen layouts and Uninstall's three.
TEST(SkinLayout, EveryLayoutMeetsTheWindowContract) {
    skinshot::ParkMouse();
    const std::vector<LayoutCase> layouts = ReadContract();
    ASSERT_EQ(16u, layouts.size());
    for (const LayoutCase& c : layouts) {
        SCOPED_TRACE(testing::PrintToString(c.archive + L" " + c.layout));
        CheckContract(c);
    }
}

} // namespace
