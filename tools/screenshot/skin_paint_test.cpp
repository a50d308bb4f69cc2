// How Uninstall's windows look when the window library paints them from the
// real Uninstall.DAT: each button shows the sprite rectangle of its state
// (normal, hot and pushed under the real mouse, disabled), the progress bar
// shows its fill, Chinese text draws real glyphs, and the frame's round
// corner clips it on the screen.
#include <gtest/gtest.h>

#include <string>

#include "UIlib.h"
#include "image.h"
#include "skin_test_env.h"
#include "skin_window.h"
#include "test_support.h"

using skinshot::CSkinWindow;
using skinshot::Image;
using skintest::Pump;
using skintest::PumpUntil;
using testing_support::ParkCursor;
using testing_support::PressLeft;
using testing_support::ReleaseLeft;

namespace {

UINT StateOf(CControlUI* control) {
    auto* button = static_cast<CButtonUI*>(control->GetInterface(L"Button"));
    return button != nullptr ? button->GetButtonState() : 0;
}

POINT TopLeft(CControlUI* control) { return {control->GetPos().left, control->GetPos().top}; }

// The real cursor to the centre of a control of the window.
bool MoveTo(CSkinWindow& window, CControlUI* control) {
    const RECT& rc = control->GetPos();
    POINT at = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    return ::ClientToScreen(window.GetHWND(), &at) && testing_support::MoveCursor(at);
}

class UninstallPaint : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(skintest::UseUninstallSkin()) << "Uninstall.DAT is not beside the test";
        ASSERT_TRUE(skintest::LoadSkinPicture(L"button.png", &m_buttons));
        ASSERT_TRUE(skintest::LoadSkinPicture(L"CaptionButton.png", &m_caption));
        ASSERT_TRUE(ParkCursor());
    }
    void TearDown() override {
        ParkCursor();
        ReleaseLeft();
        Pump();
    }

    // Shown for the real mouse and the screen; hidden where only its own
    // rendering is compared (destroying a shown window costs time).
    static void Open(CSkinWindow& window, int x = 40, int y = 40, bool visible = true) {
        ASSERT_TRUE(skintest::Open(window, x, y, visible)) << "layout not built";
    }

    static Image Render(CSkinWindow& window) {
        Pump();
        Image shot;
        EXPECT_TRUE(skinshot::RenderWindow(window.Manager(), &shot));
        return shot;
    }

    // Mismatches between the control on the shot and a sprite rectangle.
    int Mismatch(const Image& shot, CControlUI* control, const Image& sheet, RECT source) {
        return skintest::CountMismatches(shot, TopLeft(control), sheet, source);
    }

    Image m_buttons;
    Image m_caption;
};

const RECT kNextNormal = {91, 1, 176, 25}, kNextHot = {91, 37, 176, 61}, kNextPushed = {91, 74, 176, 98};
const RECT kNextDisabled = {91, 110, 176, 134};
const RECT kCancelNormal = {182, 1, 247, 25}, kCancelHot = {182, 37, 247, 61};
const RECT kFinishNormal = {256, 1, 321, 25}, kFinishHot = {256, 37, 321, 61}, kFinishPushed = {256, 74, 321, 98};
const RECT kMinNormal = {1, 150, 43, 175};
const RECT kCloseNormal = {180, 0, 216, 28}, kCloseHot = {180, 43, 216, 71}, kClosePushed = {180, 85, 216, 113};

// Each button shows its normal sprite; under the real mouse hot, then pushed;
// released away from the button, no click and back to normal. Its neighbours
// stay normal meanwhile; the looks differ, so the comparisons can tell them
// apart.
TEST_F(UninstallPaint, MouseOverAndPressShowHotAndPushedSprites) {
    struct Case {
        const wchar_t* layout;
        const wchar_t* control;
        bool caption;  // CaptionButton.png, else button.png
        RECT normal, hot, pushed;
    };
    for (const Case& c : {Case{L"Page9Wnd.xml", L"nextbtn", false, kNextNormal, kNextHot, kNextPushed},
                          Case{L"Page9Wnd.xml", L"closebtn", true, kCloseNormal, kCloseHot, kClosePushed},
                          Case{L"Page11Wnd.xml", L"finishbtn", false, kFinishNormal, kFinishHot, kFinishPushed}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.control)));
        const Image& sheet = c.caption ? m_caption : m_buttons;
        CSkinWindow window(c.layout);
        Open(window);
        CControlUI* button = window.Find(c.control);
        ASSERT_NE(button, nullptr);
        const Image normal = Render(window);
        EXPECT_EQ(Mismatch(normal, button, sheet, c.normal), 0);
        EXPECT_GT(Mismatch(normal, button, sheet, c.hot), 300);

        ASSERT_TRUE(MoveTo(window, button));
        ASSERT_TRUE(PumpUntil([&] { return (StateOf(button) & UISTATE_HOT) != 0; }));
        Image hot = Render(window);
        EXPECT_EQ(Mismatch(hot, button, sheet, c.hot), 0);
        if (CControlUI* neighbour = window.Find(L"cancelbtn")) {
            EXPECT_EQ(Mismatch(hot, neighbour, m_buttons, kCancelNormal), 0);
            EXPECT_GT(Mismatch(normal, neighbour, m_buttons, kCancelHot), 300);
            EXPECT_EQ(Mismatch(hot, window.Find(L"minbtn"), m_buttons, kMinNormal), 0);
        }

        ASSERT_TRUE(PressLeft());
        ASSERT_TRUE(PumpUntil([&] { return (StateOf(button) & UISTATE_PUSHED) != 0; }));
        EXPECT_EQ(Mismatch(Render(window), button, sheet, c.pushed), 0);

        ASSERT_TRUE(ParkCursor());
        ASSERT_TRUE(ReleaseLeft());
        ASSERT_TRUE(PumpUntil([&] { return (StateOf(button) & (UISTATE_PUSHED | UISTATE_HOT)) == 0; }));
        EXPECT_EQ(window.CountNotifications(L"click", button), 0);
        EXPECT_EQ(Mismatch(Render(window), button, sheet, c.normal), 0);
    }
}

TEST_F(UninstallPaint, DisabledButtonShowsItsDisabledSpriteAndGivesNoClick) {
    CSkinWindow frame(L"Page9Wnd.xml");
    Open(frame);
    CControlUI* next = frame.Find(L"nextbtn");
    ASSERT_NE(next, nullptr);
    next->SetAttribute(L"disabledimage", L"file='button.png' source='91,110,176,134'");
    next->SetEnabled(false);
    Image shot = Render(frame);
    EXPECT_EQ(Mismatch(shot, next, m_buttons, kNextDisabled), 0);
    EXPECT_GT(Mismatch(shot, next, m_buttons, kNextNormal), 500);

    ASSERT_TRUE(MoveTo(frame, next));
    ASSERT_TRUE(PressLeft());
    ASSERT_TRUE(ReleaseLeft());
    EXPECT_FALSE(PumpUntil([&] { return frame.CountNotifications(L"click", next) > 0; }, 500));
    EXPECT_EQ(Mismatch(Render(frame), next, m_buttons, kNextDisabled), 0);
}

// The option and check button looks that the wizard pages swap into their
// buttons: each cuts its own square out of button.png, drawn at the top left
// of the button.
TEST_F(UninstallPaint, OptionAndCheckImagesCutTheirSquares) {
    struct Look {
        const wchar_t* image;
        RECT source;
    };
    const Look looks[] = {
        {L"file='button.png' source='3,263,23,283' dest='0,0,20,20'", {3, 263, 23, 283}},
        {L"file='button.png' source='39,263,59,283' dest='0,0,20,20'", {39, 263, 59, 283}},
        {L"file='button.png' source='75,263,95,283' dest='0,0,20,20'", {75, 263, 95, 283}},
        {L"file='button.png' source='110,263,130,283' dest='0,0,20,20'", {110, 263, 130, 283}},
        {L"file='button.png' source='146,263,166,283' dest='0,0,20,20'", {146, 263, 166, 283}},
        {L"file='button.png' source='182,263,202,283' dest='0,0,20,20'", {182, 263, 202, 283}},
        {L"file='button.png' source='4,303,18,317' dest='0,0,14,14'", {4, 303, 18, 317}},
        {L"file='button.png' source='41,303,55,317' dest='0,0,14,14'", {41, 303, 55, 317}},
        {L"file='button.png' source='77,303,91,317' dest='0,0,14,14'", {77, 303, 91, 317}},
        {L"file='button.png' source='112,303,126,317' dest='0,0,14,14'", {112, 303, 126, 317}},
        {L"file='button.png' source='148,303,162,317' dest='0,0,14,14'", {148, 303, 162, 317}},
        {L"file='button.png' source='184,303,198,317' dest='0,0,14,14'", {184, 303, 198, 317}},
    };
    CSkinWindow frame(L"Page9Wnd.xml");
    Open(frame, 40, 40, false);
    auto* button = static_cast<CButtonUI*>(frame.Find(L"cancelbtn")->GetInterface(L"Button"));
    ASSERT_NE(button, nullptr);
    Image shots[12];
    for (int i = 0; i < 12; ++i) {
        button->SetNormalImage(looks[i].image);
        Image shot = Render(frame);
        EXPECT_EQ(Mismatch(shot, button, m_buttons, looks[i].source), 0) << i;
        int side = looks[i].source.right - looks[i].source.left;
        shots[i] = shot.Crop({button->GetPos().left, button->GetPos().top, button->GetPos().left + side,
                              button->GetPos().top + side});
    }
    // Within each kind, the six looks are six different pictures.
    for (int kind = 0; kind < 2; ++kind) {
        for (int a = kind * 6; a < kind * 6 + 6; ++a) {
            for (int b = a + 1; b < kind * 6 + 6; ++b) {
                EXPECT_GT(skintest::CountDifferences(shots[a], shots[b]), 3) << a << " vs " << b;
            }
        }
    }
}

TEST_F(UninstallPaint, ProgressBarShowsItsFillUpToItsWidth) {
    Image fill;
    ASSERT_TRUE(skintest::LoadSkinPicture(L"progress.png", &fill));
    ASSERT_EQ(fill.height, 14);
    CSkinWindow page(L"Page10Wnd.xml");
    Open(page, 40, 40, false);
    CControlUI* bar = page.Find(L"progressbar");
    ASSERT_NE(bar, nullptr);
    bar->SetAttribute(L"width", L"158");
    ASSERT_TRUE(PumpUntil([&] { return bar->GetPos().right == 172; }));
    Image shot = Render(page);
    // Inside the bar, every row has the colour of that row of the fill
    // picture (stretched only sideways); past its end the frame is white.
    for (int row = 2; row < 12; ++row) {
        for (int x : {16, 90, 170}) {
            EXPECT_EQ(skintest::CountMismatches(shot, {x, 122 + row}, fill, {3, row, 4, row + 1}, 4), 0)
                << "x " << x << " row " << row;
        }
        EXPECT_EQ(shot.At(300, 122 + row) & 0xFFFFFFu, 0xFFFFFFu) << "row " << row;
    }
    // The frame's border in its colour, beyond the bar.
    EXPECT_EQ(shot.At(300, 122) & 0xFFFFFFu, 0xACCFF5u);
    EXPECT_EQ(shot.At(300, 135) & 0xFFFFFFu, 0xACCFF5u);
}

TEST_F(UninstallPaint, ChineseTextDrawsDistinctGlyphs) {
    CSkinWindow frame(L"Page9Wnd.xml");
    Open(frame, 40, 40, false);
    CControlUI* label = frame.Find(L"confirmlabel");
    ASSERT_NE(label, nullptr);
    const RECT area = label->GetPos();
    Image background = Render(frame);
    // The shipped wording draws ink.
    EXPECT_GT(skintest::CountInk(background, area), 200);

    // Single characters: each changes the empty label, and no two draw the
    // same shape, as the missing-glyph box would.
    label->SetText(L"");
    const Image blank = Render(frame).Crop(area);
    Image glyphs[3];
    const wchar_t* chars[3] = {L"电", L"历", L"载"};
    for (int i = 0; i < 3; ++i) {
        label->SetText(chars[i]);
        glyphs[i] = Render(frame).Crop(area);
        EXPECT_GT(skintest::CountDifferences(glyphs[i], blank), 25) << i;
    }
    EXPECT_GT(skintest::CountDifferences(glyphs[0], glyphs[1]), 15);
    EXPECT_GT(skintest::CountDifferences(glyphs[0], glyphs[2]), 15);
    EXPECT_GT(skintest::CountDifferences(glyphs[1], glyphs[2]), 15);

    // The texts of the pages, too.
    CSkinWindow page(L"Page11Wnd.xml");
    Open(page, 60, 60, false);
    Image done = Render(page);
    EXPECT_GT(skintest::CountInk(done, {30, 118, 400, 138}), 300);
}

TEST_F(UninstallPaint, RoundCornerClipsTheFrameOnTheScreen) {
    const int x = 120, y = 90;
    Image desktop;
    ASSERT_TRUE(skinshot::CaptureScreen({x, y, x + 517, y + 397}, &desktop));

    CSkinWindow frame(L"Page9Wnd.xml");
    Open(frame, x, y);
    RECT rc;
    ::GetWindowRect(frame.GetHWND(), &rc);
    ASSERT_EQ(rc.left, x);
    ASSERT_EQ(rc.top, y);
    Image painted = Render(frame);
    ::UpdateWindow(frame.GetHWND());
    // Once the screen shows the window's paint at its centre.
    Image screen;
    ASSERT_TRUE(PumpUntil([&] {
        return skinshot::CaptureScreen(rc, &screen) &&
               skintest::CountMismatches(screen, {258, 200}, painted, {258, 200, 259, 201}, 8) == 0;
    }));
    ASSERT_EQ(screen.width, 517);
    ASSERT_EQ(screen.height, 397);

    // The window's own paint shows inside ...
    for (POINT p : {POINT{258, 15}, POINT{258, 200}, POINT{10, 390}, POINT{506, 10}}) {
        EXPECT_EQ(skintest::CountMismatches(screen, p, painted, {p.x, p.y, p.x + 1, p.y + 1}, 8), 0)
            << p.x << "," << p.y;
    }
    // ... and the desktop at the very corners, which the region cuts off.
    for (POINT p : {POINT{0, 0}, POINT{516, 0}, POINT{0, 396}, POINT{516, 396}}) {
        EXPECT_EQ(screen.At(p.x, p.y), desktop.At(p.x, p.y)) << p.x << "," << p.y;
        EXPECT_NE(screen.At(p.x, p.y), painted.At(p.x, p.y)) << p.x << "," << p.y;
    }
}

} // namespace
