// Painting: pixels come from the right sprite rectangles for the normal,
// hot, pushed and disabled looks; per-pixel alpha; source/dest cutting;
// PNG, JPEG and GIF pictures; Chinese text drawn as glyphs rather than
// boxes; the round corner kept for the window; and the same picture on screen
// through the double-buffered WM_PAINT as through WM_PRINTCLIENT.
#include "dui_test_support.h"

#include <gtest/gtest.h>

#include <tuple>

using duitest::Bitmap;
using duitest::TestWindow;
using testing_support::ColoursNear;

namespace {

const DWORD kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kGray = 0x808080, kWhite = 0xFFFFFF;

// A 1x1 GIF whose only pixel is red.
const unsigned char kRedGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xFF,
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
                                 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};

const char kSprites[] = R"(<Window size="240,120" roundcorner="8,8">
  <VerticalLayout bkcolor="#FFFFFFFF">
    <Button name="b" float="true" pos="10,10,40,40"
      normalimage="file='s.png' source='0,0,10,30'" hotimage="file='s.png' source='10,0,20,30'"
      pushedimage="file='s.png' source='20,0,30,30'" disabledimage="file='s.png' source='30,0,40,30'" />
    <Control name="glass" float="true" pos="60,10,80,40" bkimage="file='s.png' source='40,0,50,30'" />
    <Control name="dest" float="true" pos="100,10,140,50" bkimage="file='s.png' source='0,0,10,30' dest='5,5,15,15'" />
    <Control name="jpg" float="true" pos="150,10,170,30" bkimage="pic.jpg" />
    <Control name="gif" float="true" pos="180,10,200,30" bkimage="file='dot.gif'" />
    <Control name="fill" float="true" pos="210,10,230,30" bkcolor="#FF0000FF" bordersize="2" bordercolor="#FF00FF00" />
  </VerticalLayout>
</Window>)";

const char kText[] = R"(<Window size="260,60"><VerticalLayout bkcolor="#FFFFFFFF">
  <Label name="zh1" float="true" pos="0,0,40,40" text="中" textcolor="#FF000000" align="center" />
  <Label name="zh2" float="true" pos="50,0,90,40" text="文" textcolor="#FF000000" align="center" />
  <Label name="box1" float="true" pos="100,0,140,40" text="&#xE000;" textcolor="#FF000000" align="center" />
  <Label name="box2" float="true" pos="150,0,190,40" text="&#xE001;" textcolor="#FF000000" align="center" />
  <Label name="blank" float="true" pos="200,0,240,40" text="" />
</VerticalLayout></Window>)";

// The layouts and pictures, in one skin.
class Paint : public ::testing::Test {
protected:
    duitest::SkinArchive skin{
        {"Sprites.xml", kSprites},
        {"Text.xml", kText},
        {"s.png", duitest::Picture(10, 30, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255},
                                            {128, 128, 128, 255}, {255, 0, 0, 128}})},
        {"pic.jpg", duitest::Picture(8, 8, {{0, 0, 255, 255}}, true)},
        {"dot.gif", std::string(reinterpret_cast<const char*>(kRedGif), sizeof(kRedGif))}};
};

// Pixels of `rc` that are not near white.
int Ink(const Bitmap& bmp, const RECT& rc)
{
    const std::vector<DWORD> cut = bmp.Cut(rc);
    return std::count_if(cut.begin(), cut.end(), [](DWORD px) { return !ColoursNear(px, kWhite, 40); });
}

} // namespace

TEST_F(Paint, ButtonLooksComeFromTheirSpriteRectangles)
{
    TestWindow w(L"Sprites.xml");
    ASSERT_NE(w.Open(), nullptr);
    CControlUI* b = w.Find(L"b");
    ASSERT_NE(b, nullptr);
    const POINT c = duitest::CentrePoint(b), away = {120, 90};
    // Dragged off while pressed the button is no longer pushed, and pushed
    // again when dragged back; disabled stays disabled under the mouse.
    const std::tuple<const char*, UINT, POINT, WPARAM, bool, DWORD> steps[] = {
        {"normal", WM_NULL, c, 0, true, kRed}, {"hot", WM_MOUSEMOVE, c, 0, true, kGreen},
        {"pushed", WM_LBUTTONDOWN, c, MK_LBUTTON, true, kBlue},
        {"dragged off", WM_MOUSEMOVE, away, MK_LBUTTON, true, kRed},
        {"dragged back", WM_MOUSEMOVE, c, MK_LBUTTON, true, kBlue},
        {"hot again after release", WM_LBUTTONUP, c, 0, true, kGreen},
        {"normal after leaving", WM_MOUSEMOVE, away, 0, true, kRed}, {"disabled", WM_NULL, c, 0, false, kGray},
        {"disabled under the mouse", WM_MOUSEMOVE, c, 0, false, kGray}};
    for (const auto& [what, msg, at, keys, enabled, look] : steps) {
        b->SetEnabled(enabled);
        if (msg != WM_NULL) w.Mouse(msg, at, keys);
        EXPECT_EQ(w.Render().At(c.x, c.y), look) << what;
    }

    // Swapping the images (as option and check buttons do) changes the look.
    b->SetEnabled(true);
    auto* button = w.Find<CButtonUI>(L"b", L"Button");
    ASSERT_NE(button, nullptr);
    button->SetNormalImage(L"file='s.png' source='20,0,30,30'");
    w.Mouse(WM_MOUSEMOVE, away);
    EXPECT_EQ(w.Render().At(c.x, c.y), kBlue);
    EXPECT_STREQ(button->GetNormalImage(), L"file='s.png' source='20,0,30,30'");
}

// Also: the manager keeps the layout's round corner for the window; shaping
// the window (SetWindowRgn) is the window's own handling, not the manager's
// (a round corner of 0: WizardWindow.RoundCornerShapesTheWindowRegion).
TEST_F(Paint, PicturesAlphaCuttingAndTheScreenThroughDoubleBufferedPaint)
{
    TestWindow w(L"Sprites.xml");
    ASSERT_NE(w.Open(NULL, 100, 100, 240, 120, true), nullptr);
    const Bitmap bmp = w.Render();
    const std::tuple<const char*, int, int, DWORD, int> pixels[] = {
        {"button", 25, 25, kRed, 0}, {"half-transparent red over white", 70, 25, 0xFF7F7F, 3},
        {"dest places the cut at 105,15 .. 115,25", 110, 20, kRed, 0}, {"outside dest", 102, 12, kWhite, 0},
        {"outside dest, lower right", 130, 40, kWhite, 0}, {"a JPEG stretched over its control", 160, 20, kBlue, 24},
        {"a GIF", 190, 20, kRed, 0}, {"colour inside the border", 220, 20, kBlue, 0},
        {"border, left", 210, 20, kGreen, 0}, {"border, right", 229, 20, kGreen, 0},
        {"background", 120, 80, kWhite, 0}};
    for (const auto& [what, x, y, colour, tolerance] : pixels)
        EXPECT_TRUE(ColoursNear(bmp.At(x, y), colour, tolerance)) << what << ": " << std::hex << bmp.At(x, y);
    // What the screen shows after WM_PAINT is the same picture.
    const Bitmap screen = w.Render(true);
    ASSERT_EQ(screen.width, 240);
    EXPECT_EQ(screen.px, bmp.px);

    EXPECT_EQ(w.Manager().GetRoundCorner().cx, 8);
    EXPECT_EQ(w.Manager().GetRoundCorner().cy, 8);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(w.GetHWND(), rgn), ERROR);  // no region: rectangular
    DeleteObject(rgn);
}

TEST_F(Paint, ChineseTextDrawsGlyphsNotBoxes)
{
    TestWindow w(L"Text.xml");
    ASSERT_NE(w.Open(), nullptr);
    const Bitmap bmp = w.Render();
    const RECT zh1 = w.Find(L"zh1")->GetPos(), zh2 = w.Find(L"zh2")->GetPos();
    EXPECT_EQ(Ink(bmp, w.Find(L"blank")->GetPos()), 0);
    EXPECT_GT(Ink(bmp, zh1), 15);
    EXPECT_GT(Ink(bmp, zh2), 15);
    // Two characters the font lacks draw the same replacement (a box or
    // nothing); two real Chinese glyphs differ from each other and from it.
    const std::vector<DWORD> g1 = bmp.Cut(zh1), g2 = bmp.Cut(zh2), m1 = bmp.Cut(w.Find(L"box1")->GetPos());
    EXPECT_EQ(m1, bmp.Cut(w.Find(L"box2")->GetPos()));
    EXPECT_NE(g1, g2);
    EXPECT_NE(g1, m1);
    EXPECT_NE(g2, m1);
    // Antialiased: some ink is neither black nor white.
    EXPECT_TRUE(std::any_of(g1.begin(), g1.end(),
                            [](DWORD px) { return !ColoursNear(px, 0, 40) && !ColoursNear(px, kWhite, 40); }));
}
