// Painting: pixels come from the right sprite rectangles for the normal,
// hot, pushed and disabled looks; per-pixel alpha; source/dest cutting;
// PNG, JPEG and GIF pictures; Chinese text drawn as glyphs rather than
// boxes; the round corner kept for the window; and the same picture on screen
// through the double-buffered WM_PAINT.
#include "dui_test_support.h"

#include <gtest/gtest.h>

using duitest::Bitmap;
using duitest::Rgba;
using duitest::SkinArchive;
using duitest::TestWindow;

namespace {

const DWORD kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kGray = 0x808080, kWhite = 0xFFFFFF;

using testing_support::ColoursNear;

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

testing_support::ZipEntries Sprites()
{
    return {{"Sprites.xml", kSprites},
            {"s.png", duitest::StripesPng(10, 30, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255},
                                                   {128, 128, 128, 255}, {255, 0, 0, 128}})},
            {"pic.jpg", duitest::EncodePicture(8, 8, std::vector<Rgba>(64, Rgba{0, 0, 255, 255}), true)},
            {"dot.gif", std::string(reinterpret_cast<const char*>(kRedGif), sizeof(kRedGif))}};
}

int Ink(const Bitmap& bmp, const RECT& rc)
{
    int n = 0;
    for (DWORD px : bmp.Cut(rc)) n += !ColoursNear(px, kWhite, 40);
    return n;
}

} // namespace

TEST(Paint, ButtonLooksComeFromTheirSpriteRectangles)
{
    SkinArchive skin(Sprites());
    TestWindow w(L"Sprites.xml");
    ASSERT_NE(w.Open(), nullptr);
    CControlUI* b = w.Find(L"b");
    ASSERT_NE(b, nullptr);
    POINT c = duitest::CentrePoint(b);
    HWND h = w.GetHWND();

    EXPECT_EQ(duitest::Render(w.Manager()).At(c.x, c.y), kRed) << "normal";
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(c.x, c.y));
    EXPECT_EQ(duitest::Render(w.Manager()).At(c.x, c.y), kGreen) << "hot";
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.x, c.y));
    EXPECT_EQ(duitest::Render(w.Manager()).At(c.x, c.y), kBlue) << "pushed";
    // Dragged off while pressed: no longer pushed.
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 90));
    EXPECT_NE(duitest::Render(w.Manager()).At(c.x, c.y), kBlue);
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(c.x, c.y));
    EXPECT_EQ(duitest::Render(w.Manager()).At(c.x, c.y), kBlue);
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(c.x, c.y));
    EXPECT_EQ(duitest::Render(w.Manager()).At(c.x, c.y), kGreen) << "hot again after release";
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(120, 90));
    EXPECT_EQ(duitest::Render(w.Manager()).At(c.x, c.y), kRed) << "normal after leaving";
    b->SetEnabled(false);
    EXPECT_EQ(duitest::Render(w.Manager()).At(c.x, c.y), kGray) << "disabled";
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(c.x, c.y));
    EXPECT_EQ(duitest::Render(w.Manager()).At(c.x, c.y), kGray) << "disabled stays disabled under the mouse";

    // Swapping the images (as option and check buttons do) changes the look.
    b->SetEnabled(true);
    auto* button = static_cast<CButtonUI*>(b->GetInterface(L"Button"));
    ASSERT_NE(button, nullptr);
    button->SetNormalImage(L"file='s.png' source='20,0,30,30'");
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(120, 90));
    EXPECT_EQ(duitest::Render(w.Manager()).At(c.x, c.y), kBlue);
    EXPECT_STREQ(button->GetNormalImage(), L"file='s.png' source='20,0,30,30'");
}

// Also: the manager keeps the layout's round corner for the window; shaping
// the window (SetWindowRgn) is the window's own handling, not the manager's
// (a round corner of 0: WizardWindow.RoundCornerShapesTheWindowRegion).
TEST(Paint, AlphaCuttingPictureFormatsAndTheRoundCornerLeftToTheWindow)
{
    SkinArchive skin(Sprites());
    TestWindow w(L"Sprites.xml");
    ASSERT_NE(w.Open(), nullptr);
    Bitmap bmp = duitest::Render(w.Manager());
    // Half-transparent red over white.
    EXPECT_TRUE(ColoursNear(bmp.At(70, 25), 0xFF7F7F, 3)) << std::hex << bmp.At(70, 25);
    // dest places the cut inside the control: 105,15 .. 115,25.
    EXPECT_EQ(bmp.At(110, 20), kRed);
    EXPECT_EQ(bmp.At(102, 12), kWhite);
    EXPECT_EQ(bmp.At(130, 40), kWhite);
    // A JPEG stretched over its control.
    EXPECT_TRUE(ColoursNear(bmp.At(160, 20), kBlue, 24)) << std::hex << bmp.At(160, 20);
    // A GIF.
    EXPECT_EQ(bmp.At(190, 20), kRed);
    // Colour with a border drawn over it.
    EXPECT_EQ(bmp.At(220, 20), kBlue);
    EXPECT_EQ(bmp.At(210, 20), kGreen);
    EXPECT_EQ(bmp.At(229, 20), kGreen);

    EXPECT_EQ(w.Manager().GetRoundCorner().cx, 8);
    EXPECT_EQ(w.Manager().GetRoundCorner().cy, 8);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(w.GetHWND(), rgn), ERROR);  // no region: rectangular
    DeleteObject(rgn);
}

TEST(Paint, ChineseTextDrawsGlyphsNotBoxes)
{
    SkinArchive skin({{"Text.xml", R"(<Window size="260,60"><VerticalLayout bkcolor="#FFFFFFFF">
        <Label name="zh1" float="true" pos="0,0,40,40" text="中" textcolor="#FF000000" align="center" />
        <Label name="zh2" float="true" pos="50,0,90,40" text="文" textcolor="#FF000000" align="center" />
        <Label name="box1" float="true" pos="100,0,140,40" text="&#xE000;" textcolor="#FF000000" align="center" />
        <Label name="box2" float="true" pos="150,0,190,40" text="&#xE001;" textcolor="#FF000000" align="center" />
        <Label name="blank" float="true" pos="200,0,240,40" text="" />
      </VerticalLayout></Window>)"}});
    TestWindow w(L"Text.xml");
    ASSERT_NE(w.Open(), nullptr);
    Bitmap bmp = duitest::Render(w.Manager());
    RECT zh1 = w.Find(L"zh1")->GetPos(), zh2 = w.Find(L"zh2")->GetPos();
    RECT box1 = w.Find(L"box1")->GetPos(), box2 = w.Find(L"box2")->GetPos();
    EXPECT_EQ(Ink(bmp, w.Find(L"blank")->GetPos()), 0);
    EXPECT_GT(Ink(bmp, zh1), 15);
    EXPECT_GT(Ink(bmp, zh2), 15);
    // Two characters the font lacks draw the same replacement (a box or
    // nothing); two real Chinese glyphs differ from each other and from it.
    std::vector<DWORD> g1 = bmp.Cut(zh1), g2 = bmp.Cut(zh2), m1 = bmp.Cut(box1), m2 = bmp.Cut(box2);
    EXPECT_EQ(m1, m2);
    EXPECT_NE(g1, g2);
    EXPECT_NE(g1, m1);
    EXPECT_NE(g2, m1);
    // Antialiased: some ink is neither black nor white.
    int grey = 0;
    for (DWORD px : g1)
        if (!ColoursNear(px, 0, 40) && !ColoursNear(px, kWhite, 40)) ++grey;
    EXPECT_GT(grey, 0);
}

TEST(Paint, ScreenShowsTheSameThroughDoubleBufferedPaint)
{
    SkinArchive skin(Sprites());
    TestWindow w(L"Sprites.xml");
    ASSERT_NE(w.Open(NULL, 100, 100, 240, 120, true), nullptr);
    Bitmap screen = duitest::Capture(w.GetHWND());
    ASSERT_EQ(screen.width, 240);
    EXPECT_EQ(screen.At(25, 25), kRed);
    EXPECT_EQ(screen.At(190, 20), kRed);
    EXPECT_EQ(screen.At(120, 80), kWhite);
    // PrintWindow goes through WM_PRINTCLIENT: the same picture.
    Bitmap rendered = duitest::Render(w.Manager());
    EXPECT_EQ(rendered.At(25, 25), screen.At(25, 25));
    EXPECT_EQ(rendered.At(70, 25), screen.At(70, 25));
}
