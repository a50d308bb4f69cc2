// The layouts of both skin archives, Setup's thirteen in VELTSetupDate.DAT and
// Uninstall's three in Uninstall.DAT, read by the window library, against the
// contract that the programs' windows rely on: the window size, frame caption
// and round corner, the background slice of each page, every control the
// code looks up (by name and kind), the start look of every option and check
// button, the navigation row, the progress bars, and that buttons and texts
// fit on their line without overlapping or clipping. Also the fields' modes:
// the licence is read-only and long enough to scroll, the others take typing
// on one line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UIlib.h"
#include "skin_test_env.h"
#include "skin_window.h"
#include "test_support.h"
#include "pointer.h"

using skinshot::CSkinWindow;

namespace {

// The option and check looks that the programs swap into their buttons.
const wchar_t kOptionOffNormal[] = L"file='button.png' source='3,263,23,283' dest='0,0,20,20'";
const wchar_t kOptionOffHot[] = L"file='button.png' source='39,263,59,283' dest='0,0,20,20'";
const wchar_t kOptionOffPushed[] = L"file='button.png' source='75,263,95,283' dest='0,0,20,20'";
const wchar_t kOptionOnNormal[] = L"file='button.png' source='110,263,130,283' dest='0,0,20,20'";
const wchar_t kOptionOnHot[] = L"file='button.png' source='146,263,166,283' dest='0,0,20,20'";
const wchar_t kOptionOnPushed[] = L"file='button.png' source='182,263,202,283' dest='0,0,20,20'";
const wchar_t kCheckOnNormal[] = L"file='button.png' source='112,303,126,317' dest='0,0,14,14'";
const wchar_t kCheckOnHot[] = L"file='button.png' source='148,303,162,317' dest='0,0,14,14'";
const wchar_t kCheckOnPushed[] = L"file='button.png' source='184,303,198,317' dest='0,0,14,14'";

struct Look {
    const wchar_t* control;
    const wchar_t* normal;
    const wchar_t* hot;
    const wchar_t* pushed;
};

struct Control {
    const wchar_t* name;
    const wchar_t* kind;  // GetClass()
};

const wchar_t kSetupSkin[] = L"VELTSetupDate.DAT";
const wchar_t kUninstallSkin[] = L"Uninstall.DAT";

struct LayoutCase {
    const wchar_t* archive;
    const wchar_t* layout;
    int width, height;
    const wchar_t* background;  // the root's bkimage, exactly
    std::vector<Control> controls;
    std::vector<Look> looks;
    // Uninstall's frame places "minbtn" at 431..473 and "closebtn" from 470:
    // the close button lies over the minimise button's last three columns.
    bool captionButtonsOverlap = false;
};

const wchar_t kButton[] = L"ButtonUI";
const wchar_t kEdit[] = L"EditUI";
const wchar_t kLabel[] = L"LabelUI";
const wchar_t kBar[] = L"HorizontalLayoutUI";

const Look kAnyoneSelected = {L"anyonebtn", kOptionOnNormal, kOptionOnHot, kOptionOnPushed};
const Look kOnlyMeCleared = {L"onlymebtn", kOptionOffNormal, kOptionOffHot, kOptionOffPushed};
// The maintenance choice uses the normal image for hot as well.
const Look kFixCleared = {L"fixbtn", kOptionOffNormal, kOptionOffNormal, kOptionOffPushed};
const Look kUninstallSelected = {L"uninstallbtn", kOptionOnNormal, kOptionOnNormal, kOptionOnPushed};
Look Checked(const wchar_t* name) { return {name, kCheckOnNormal, kCheckOnHot, kCheckOnPushed}; }

// The progress pages' and the completion pages' controls.
const std::vector<Control> kProgress = {{L"cancelbtn", kButton}, {L"progressbar", kBar}};
const std::vector<Control> kFinish = {{L"finishbtn", kButton}};

// The navigation row's buttons (after the caption buttons, in a frame), then
// `more`.
std::vector<Control> Nav(std::vector<Control> more, bool frame = false) {
    more.insert(more.begin(), {{L"prebtn", kButton}, {L"nextbtn", kButton}, {L"cancelbtn", kButton}});
    if (frame) more.insert(more.begin(), {{L"minbtn", kButton}, {L"closebtn", kButton}});
    return more;
}

const std::vector<LayoutCase> kLayouts = {
    {kSetupSkin, L"CoverWnd.xml", 516, 396, L"file='CoverBK.jpg'", Nav({}, true), {}},
    {kSetupSkin, L"Page1Wnd.xml", 506, 360, L"file='Page1BK.jpg' source='5,34,511,394'", Nav({}), {}},
    {kSetupSkin, L"Page2Wnd.xml", 506, 360, L"file='Page2BK.jpg' source='5,34,511,394'",
     Nav({{L"licenseedit", L"RichEditUI"}, {L"licensebtn", kButton}}), {Checked(L"licensebtn")}},
    {kSetupSkin, L"Page3Wnd.xml", 506, 360, L"file='Page3BK.jpg' source='5,34,511,394'",
     Nav({{L"nameedit", kEdit}, {L"anyonebtn", kButton}, {L"onlymebtn", kButton}, {L"companyedit", kEdit}}),
     {kAnyoneSelected, kOnlyMeCleared}},
    {kSetupSkin, L"Page4Wnd.xml", 506, 360, L"file='Page4BK.jpg' source='5,34,511,394'",
     Nav({{L"pathedit", kEdit}, {L"desktopscbtn", kButton}, {L"startmenuscbtn", kButton}, {L"browsebtn", kButton},
          {L"diskfreelabel", kLabel}}),
     {Checked(L"desktopscbtn"), Checked(L"startmenuscbtn")}},
    {kSetupSkin, L"Page6Wnd.xml", 506, 360, L"file='Page6BK.jpg' source='5,34,511,394'", kProgress, {}},
    {kSetupSkin, L"Page7Wnd.xml", 506, 360, L"file='Page7BK.jpg' source='5,34,511,394'",
     {{L"runnowbtn", kButton}, {L"finishbtn", kButton}}, {Checked(L"runnowbtn")}},
    {kSetupSkin, L"Page8Wnd.xml", 517, 397, L"file='Page8BK.jpg'",
     Nav({{L"fixbtn", kButton}, {L"uninstallbtn", kButton}}, true), {kFixCleared, kUninstallSelected}},
    {kSetupSkin, L"Page9Wnd.xml", 506, 360, L"file='Page9BK.jpg' source='5,34,511,394'", Nav({}), {}},
    {kSetupSkin, L"Page10Wnd.xml", 506, 360, L"file='Page10BK.jpg' source='5,31,511,391'", kProgress, {}},
    {kSetupSkin, L"Page11Wnd.xml", 506, 360, L"file='Page11BK.jpg' source='5,32,511,392'", kFinish, {}},
    {kSetupSkin, L"Page12Wnd.xml", 506, 360, L"file='Page12BK.jpg' source='5,34,511,394'", kProgress, {}},
    {kSetupSkin, L"Page13Wnd.xml", 506, 360, L"file='Page13BK.jpg' source='5,34,511,394'", kFinish, {}},
    {kUninstallSkin, L"Page9Wnd.xml", 517, 397, L"file='Page9BK.jpg'",
     {{L"minbtn", kButton}, {L"closebtn", kButton}, {L"nextbtn", kButton}, {L"cancelbtn", kButton},
      {L"confirmlabel", kLabel}, {L"hintlabel", kLabel}},
     {},
     true},
    {kUninstallSkin, L"Page10Wnd.xml", 506, 360, L"file='Page10BK.jpg' source='5,31,511,391'", kProgress, {}},
    {kUninstallSkin, L"Page11Wnd.xml", 506, 360, L"file='Page11BK.jpg' source='5,31,511,391'", kFinish, {}},
};

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

// "left,top,right,bottom", for comparing rectangles in test messages.
std::string Describe(const RECT& rc) {
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
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

// Where the navigation row lies: frames at y 360 of the frame, pages at y 326
// of the page (the same place once Setup puts the page at 5,34).
RECT NavigationRect(const wchar_t* name, bool frame) {
    const std::wstring n = name;
    int x = n == L"prebtn" ? 250 : n == L"nextbtn" ? 340 : 433;
    int width = (n == L"prebtn" || n == L"nextbtn") ? 85 : 65;
    int dx = frame ? 5 : 0, y = frame ? 360 : 326;
    return {x + dx, y, x + dx + width, y + 24};
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
    EXPECT_EQ(Describe(client), "0,0," + std::to_string(c.width) + "," + std::to_string(c.height));
    EXPECT_EQ(Describe(window.Root()->GetPos()), Describe(client));
    EXPECT_EQ(Describe(window.Manager().GetCaptionRect()), frame ? "0,0,0,30" : "0,0,0,0");
    EXPECT_EQ(window.Manager().GetRoundCorner().cx, frame ? 5 : 0);
    EXPECT_EQ(window.Manager().GetRoundCorner().cy, frame ? 5 : 0);
    EXPECT_EQ(std::wstring(window.Root()->GetBkImage()), c.background);

    // The controls the code looks up, of the kind it treats them as; the
    // licence (a rich edit) is read-only and scrolls, the fields take typing
    // on one line.
    for (const Control& want : c.controls) {
        CControlUI* control = window.Find(want.name);
        ASSERT_NE(control, nullptr) << want.name;
        EXPECT_STREQ(control->GetClass(), want.kind) << want.name;
        const std::wstring kind = want.kind;
        const bool licence = kind == L"RichEditUI";
        if (!licence && kind != kEdit) continue;
        auto* edit = static_cast<CEditUI*>(control->GetInterface(L"Edit"));
        ASSERT_NE(edit, nullptr) << want.name;
        EXPECT_EQ(edit->IsReadOnly(), licence) << want.name;
        EXPECT_EQ(edit->IsMultiLine(), licence) << want.name;
        if (!licence) continue;
        ASSERT_TRUE(skinshot::PumpUntil([&] { return edit->GetNativeWindow() != nullptr; }, 3000));
        EXPECT_NE(::GetWindowLongW(edit->GetNativeWindow(), GWL_STYLE) & WS_VSCROLL, 0);
        EXPECT_NE(std::wstring(edit->GetText().GetData()).find(L"\n\n"), std::wstring::npos) << "paragraphs";
        SCROLLINFO scroll = {sizeof(scroll), SIF_ALL, 0, 0, 0, 0, 0};
        ASSERT_TRUE(::GetScrollInfo(edit->GetNativeWindow(), SB_VERT, &scroll));
        EXPECT_GT(scroll.nMax + 1, static_cast<int>(scroll.nPage)) << "the licence fits without scrolling";
    }

    // Start looks: the flags behind option and check buttons all start set.
    for (const Look& look : c.looks) {
        auto* button = static_cast<CButtonUI*>(window.Find(look.control)->GetInterface(L"Button"));
        ASSERT_NE(button, nullptr) << look.control;
        EXPECT_STREQ(button->GetNormalImage(), look.normal) << look.control;
        EXPECT_STREQ(button->GetHotImage(), look.hot) << look.control;
        EXPECT_STREQ(button->GetPushedImage(), look.pushed) << look.control;
        const int side = wcsstr(look.normal, L"'0,0,20,20'") != nullptr ? 20 : 14;
        EXPECT_EQ(button->GetWidth(), side) << look.control;
        EXPECT_EQ(button->GetHeight(), side) << look.control;
    }

    // The navigation row, the caption buttons, and what starts enabled.
    for (const wchar_t* name : {L"prebtn", L"nextbtn", L"cancelbtn", L"finishbtn"}) {
        if (CControlUI* button = window.Find(name)) {
            EXPECT_EQ(Describe(button->GetPos()), Describe(NavigationRect(name, frame))) << name;
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

    // Named buttons lie inside the window and apart from each other; no
    // label covers a button, none sits in a frame's caption band, and every
    // text fits its label on one line.
    std::vector<CControlUI*> all, buttons, labels;
    window.Root()->FindControl(CollectControl, &all, UIFIND_ALL);
    for (CControlUI* control : all) {
        const std::wstring kind = control->GetClass();
        if (kind == kButton && !control->GetName().IsEmpty()) buttons.push_back(control);
        if (kind == kLabel) labels.push_back(control);
    }
    for (size_t i = 0; i < buttons.size(); ++i) {
        const std::string name = Describe(buttons[i]->GetPos());
        EXPECT_TRUE(Inside(buttons[i]->GetPos(), client)) << name;
        for (size_t j = i + 1; j < buttons.size(); ++j) {
            if (c.captionButtonsOverlap && buttons[i]->GetName() == L"minbtn" && buttons[j]->GetName() == L"closebtn")
                continue;
            EXPECT_FALSE(Overlap(buttons[i]->GetPos(), buttons[j]->GetPos())) << name << " / "
                                                                              << Describe(buttons[j]->GetPos());
        }
    }
    for (CControlUI* control : labels) {
        auto* label = static_cast<CLabelUI*>(control->GetInterface(L"Label"));
        const RECT& rc = label->GetPos();
        EXPECT_TRUE(Inside(rc, client)) << Describe(rc);
        if (frame) {
            EXPECT_GE(rc.top, 30) << Describe(rc);
        }
        for (CControlUI* button : buttons) EXPECT_FALSE(Overlap(rc, button->GetPos())) << Describe(rc);
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
            << Describe(rc) << " clips its text";
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
        EXPECT_TRUE(Inside(bar->GetPos(), box->GetPos())) << Describe(bar->GetPos());
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
