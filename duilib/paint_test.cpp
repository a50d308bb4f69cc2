// Painting: pixels come from the right sprite rectangles for the normal,
// hot, pushed and disabled looks; per-pixel alpha; source/dest cutting;
// PNG, JPEG and GIF pictures; the background where a picture is missing or
// is none, the rest built and drawn; Chinese text drawn as glyphs rather than
// boxes; the round corner kept for the window without shaping it; and the
// same picture on screen through the double-buffered WM_PAINT as through
// WM_PRINTCLIENT. The layout is Sprites.xml of duilib/test_skin/, the
// pictures those that the build draws for the tests'
// skin (duilib/CMakeLists.txt): s.png is five stripes of 10x30, red, green,
// blue, grey and half-transparent red.
#include "dui_test_support.h"

#include <gtest/gtest.h>

#include <tuple>

using duitest::Bitmap;
using duitest::TestWindow;
using testing_support::ColoursNear;

namespace {

const DWORD kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kGray = 0x808080, kWhite = 0xFFFFFF;

// Pixels of `rc` that are not near white.
int Ink(const Bitmap& bmp, const RECT& rc)
{
    const std::vector<DWORD> cut = bmp.Cut(rc);
    return std::count_if(cut.begin(), cut.end(), [](DWORD px) { return !ColoursNear(px, kWhite, 40); });
}

} // namespace

// The manager keeps the layout's round corner for the window (the value:
// SkinLayout.EveryLayoutMeetsTheWindowContract); shaping the window
// (SetWindowRgn) is the window's own handling, not the manager's
// (WizardWindow.LayoutGivesTheFramesHitTestRegionAndSize...).
TEST(Paint, PicturesAlphaCuttingTextButtonLooksAndTheScreenThroughDoubleBufferedPaint)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    ASSERT_TRUE(skinshot::ParkMouse());  // away from the shown window
    TestWindow w(L"Sprites.xml");
    ASSERT_NE(w.Open(NULL, 100, 100, 240, 120, true), nullptr);
    const Bitmap bmp = w.Render();
    const std::tuple<const char*, int, int, DWORD, int> pixels[] = {
        {"button", 25, 25, kRed, 0}, {"half-transparent red over white", 70, 25, 0xFF7F7F, 3},
        {"dest places the cut at 105,15 .. 115,25", 110, 20, kRed, 0}, {"outside dest", 102, 12, kWhite, 0},
        {"outside dest, lower right", 130, 40, kWhite, 0}, {"a JPEG stretched over its control", 160, 20, kBlue, 24},
        {"a GIF", 190, 20, kRed, 0}, {"colour inside the border", 220, 20, kBlue, 0},
        {"border, left", 210, 20, kGreen, 0}, {"border, right", 229, 20, kGreen, 0},
        {"background (its picture missing)", 120, 80, kWhite, 0}, {"a missing picture", 30, 75, kWhite, 0},
        {"a picture that is none", 80, 75, kWhite, 0}};
    for (const auto& [what, x, y, colour, tolerance] : pixels)
        EXPECT_TRUE(ColoursNear(bmp.At(x, y), colour, tolerance)) << what << ": " << std::hex << bmp.At(x, y);
    // What the screen shows after WM_PAINT is the same picture.
    EXPECT_EQ(w.Render(true).px, bmp.px);
    for (const wchar_t* name : {L"gone", L"garbage", L"strange"}) EXPECT_NE(w.Find(name), nullptr) << name;
    SIZE size;
    EXPECT_EQ(w.Manager().GetImage(L"nope.png", &size), nullptr);
    EXPECT_EQ(w.Manager().GetImage(L"bad.png", &size), nullptr);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(w.GetHWND(), rgn), ERROR);  // no region: rectangular
    DeleteObject(rgn);

    // Chinese text: glyphs, not boxes.
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

    // The button's looks. Dragged off while pressed it is no longer pushed,
    // and pushed again when dragged back; disabled stays disabled under the
    // mouse.
    CControlUI* b = w.Find(L"b");
    ASSERT_NE(b, nullptr);
    const POINT c = skinshot::CenterOf(b->GetPos()), away = {120, 90};
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

// Above 96 DPI a picture is resized once, smoothly, from its own part of the
// sheet alone: a stripe of s.png keeps its colour to its edges (the
// neighbouring stripes never bleed in), the half-transparent one stays half
// transparent, and a part across the red and the green stripe passes from
// one to the other through mixed colours without overshooting either.
TEST(DpiScaling, PicturesResizeSmoothlyFromTheirOwnPartOfTheSheet)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    for (const UINT dpi : {144u, 192u}) {
        SCOPED_TRACE(dpi);
        TestWindow w(L"Sprites.xml");
        w.Manager().SetDpi(dpi);
        ASSERT_NE(w.Open(NULL, 0, 0, CPaintManagerUI::ScaleByDpi(240, dpi), CPaintManagerUI::ScaleByDpi(160, dpi)),
                  nullptr);
        const Bitmap bmp = w.Render();
        const std::tuple<const wchar_t*, DWORD, int> stripes[] = {{L"b", kRed, 0}, {L"glass", 0xFF7F7F, 3}};
        for (const auto& [name, colour, tolerance] : stripes) {
            const std::vector<DWORD> cut = bmp.Cut(w.Find(name)->GetPos());
            EXPECT_TRUE(std::all_of(cut.begin(), cut.end(),
                                    [&](DWORD px) { return ColoursNear(px, colour, tolerance); }))
                << testing::PrintToString(std::wstring(name));
        }
        w.Find<CButtonUI>(L"b", L"Button")->SetNormalImage(L"file='s.png' source='0,0,20,30'");
        const RECT b = w.Find(L"b")->GetPos();
        const int middle = (b.top + b.bottom) / 2;
        const std::vector<DWORD> row = w.Render().Cut({b.left, middle, b.right, middle + 1});
        const auto red = [](DWORD px) { return (px >> 16) & 0xFF; };
        const auto green = [](DWORD px) { return (px >> 8) & 0xFF; };
        EXPECT_EQ(row.front(), kRed);
        EXPECT_EQ(row.back(), kGreen);
        EXPECT_TRUE(std::any_of(row.begin(), row.end(), [&](DWORD px) { return red(px) % 255 && green(px) % 255; }));
        for (size_t i = 1; i < row.size(); ++i) {
            EXPECT_LE(red(row[i]), red(row[i - 1])) << i;
            EXPECT_GE(green(row[i]), green(row[i - 1])) << i;
        }
    }
}

// A picture with a 2x copy is resized from the nearer of the two (the copy
// from 144 DPI on), and a nine-grid's cells each on its own: n.png's ring
// (blue in the picture, red in its 2x copy) is exactly its scaled corner
// wide, and neither it nor the green middle takes in the other's colour. A
// JPEG's 2x copy may be a PNG: pic.jpg is blue, pic@2x.png red.
TEST(DpiScaling, NineGridsTakeTheirCornersWholeFromTheNearerCopy)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    const std::tuple<UINT, DWORD> rows[] = {{96u, kBlue}, {120u, kBlue}, {144u, kRed}, {192u, kRed}};
    for (const auto& [dpi, ring] : rows) {
        SCOPED_TRACE(dpi);
        TestWindow w(L"Sprites.xml");
        w.Manager().SetDpi(dpi);
        ASSERT_NE(w.Open(NULL, 0, 0, CPaintManagerUI::ScaleByDpi(240, dpi), CPaintManagerUI::ScaleByDpi(160, dpi)),
                  nullptr);
        const RECT g = w.Find(L"grid")->GetPos();
        const int x = (g.left + g.right) / 2, y = (g.top + g.bottom) / 2, corner = CPaintManagerUI::ScaleByDpi(3, dpi);
        const Bitmap bmp = w.Render();
        const std::vector<DWORD> row = bmp.Cut({g.left, y, g.right, y + 1}), column = bmp.Cut({x, g.top, x + 1, g.bottom});
        for (const std::vector<DWORD>* line : {&row, &column}) {
            ASSERT_GT(line->size(), 2u * corner);
            for (size_t i = 0; i < line->size(); ++i) {
                const bool inRing = i < static_cast<size_t>(corner) || i >= line->size() - corner;
                EXPECT_EQ((*line)[i], inRing ? ring : kGreen) << i;
            }
        }
        const std::vector<DWORD> picture = bmp.Cut(w.Find(L"jpg")->GetPos());
        EXPECT_TRUE(std::all_of(picture.begin(), picture.end(), [&](DWORD px) { return ColoursNear(px, ring, 8); }));
    }
}
