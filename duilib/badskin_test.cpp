// Bad skins never crash: a missing or damaged archive, a damaged entry, a
// missing layout, malformed XML and an empty layout build nothing (NULL
// with a reason); a missing or undecodable picture and unknown elements or
// attributes build everything else. The windows stay usable either way, and
// an archive replaced on disk is read again.
#include "dui_test_support.h"

#include <gtest/gtest.h>

#include <tuple>

using duitest::SkinArchive;
using duitest::TestWindow;

namespace {

const char kPictures[] = R"(<Window size="120,80"><VerticalLayout name="root" bkcolor="#FFFFFFFF" bkimage="nope.jpg">
  <Button name="gone" float="true" pos="10,10,50,40" normalimage="file='nope.png' source='0,0,10,10'" />
  <Button name="garbage" float="true" pos="60,10,100,40" normalimage="file='bad.png'" hotimage="file='bad.gif'" />
  <Control name="strange" float="true" pos="0,0,0,0" colour="#12" width="-5" bkimage="file=" />
</VerticalLayout></Window>)";

const char kUnknown[] = R"(<Window size="120,80"><VerticalLayout name="root">
  <Fancy name="f"><Button name="inner" /></Fancy>
  <Gizmo name="g"><Button name="lost" /></Gizmo>
  <Button name="after" />
</VerticalLayout></Window>)";

// Opens `w` and checks that it survives painting and input; returns its
// root (NULL when nothing was built).
CControlUI* OpenAndPoke(TestWindow& w)
{
    if (w.Open() == NULL) return NULL;
    w.Render();
    for (UINT msg : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP})
        w.Mouse(msg, {30, 25}, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0);
    SendMessageW(w.GetHWND(), WM_KEYDOWN, VK_TAB, 0);
    RedrawWindow(w.GetHWND(), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    duitest::Pump();
    return w.Root();
}

} // namespace

// The archive holds a good layout and bad ones; damaged copies of it lie
// beside it.
TEST(BadSkin, MissingOrDamagedArchivesAndBadLayoutsBuildNothingAndDoNotCrash)
{
    SkinArchive skin({{"Good.xml", R"(<Window size="120,80"><VerticalLayout name="root" bkcolor="#FFFFFFFF">
                          <Button name="ok" float="true" pos="10,10,50,40" normalimage="file='s.png'" />
                        </VerticalLayout></Window>)"},
                      {"Unclosed.xml", R"(<Window size="100,50"><VerticalLayout><Button name="x" )"},
                      {"Mismatch.xml", R"(<Window><VerticalLayout></HorizontalLayout></Window>)"},
                      {"Empty.xml", ""},
                      {"NoControls.xml", R"(<Window size="100,50"><Font name="SimSun" size="12" /></Window>)"},
                      {"Binary.xml", std::string("\x89PNG\r\n\x1a\n\0\0\0", 12)}});
    const std::string good = testing_support::FileContent(skin / L"skin.dat");
    ASSERT_GT(good.size(), 100u);
    // The first entry's compressed data start after the 30-byte local header
    // and the name: damaged there, its CRC check fails.
    std::string flipped = good;
    flipped[30 + 8 + 3] ^= 0x5A;
    flipped[30 + 8 + 4] ^= 0xA5;
    for (const auto& [file, bytes] : {std::pair{L"noise.dat", std::string(4096, '\x5A')}, {L"empty.dat", std::string()},
                                      {L"half.dat", good.substr(0, good.size() / 2)}, {L"flipped.dat", flipped}})
        ASSERT_TRUE(testing_support::WriteBytes(skin / file, bytes));

    const std::tuple<const char*, const wchar_t*, const wchar_t*, bool> cases[] = {
        {"missing archive", L"absent.dat", L"Good.xml", false},
        {"not a zip at all", L"noise.dat", L"Good.xml", false},
        {"empty file", L"empty.dat", L"Good.xml", false},
        {"truncated archive", L"half.dat", L"Good.xml", false},
        {"damaged entry", L"flipped.dat", L"Good.xml", false},
        {"the intact archive, for contrast", L"skin.dat", L"Good.xml", true},
        {"unclosed element", L"skin.dat", L"Unclosed.xml", false},
        {"mismatched end tag", L"skin.dat", L"Mismatch.xml", false},
        {"empty layout", L"skin.dat", L"Empty.xml", false},
        {"no controls", L"skin.dat", L"NoControls.xml", false},
        {"not text", L"skin.dat", L"Binary.xml", false},
        {"no such layout", L"skin.dat", L"Absent.xml", false},
    };
    for (const auto& [what, file, layout, builds] : cases) {
        SCOPED_TRACE(what);
        CPaintManagerUI::SetResourceZip(file);
        TestWindow w(layout);
        EXPECT_EQ(OpenAndPoke(w) != nullptr, builds);
        EXPECT_EQ(w.Error().IsEmpty(), builds) << w.Error().GetData();
        EXPECT_EQ(w.Find(L"ok") != nullptr, builds);
        BYTE* data = NULL;
        DWORD size = 0;
        EXPECT_EQ(CPaintManagerUI::LoadResourceData(L"Good.xml", &data, &size), file == std::wstring(L"skin.dat"));
        free(data);
    }
}

TEST(BadSkin, MissingPicturesAndUnknownElementsBuildTheRest)
{
    struct FancyCallback : IDialogBuilderCallback {
        CControlUI* CreateControl(LPCTSTR pstrClass) override
        {
            return wcscmp(pstrClass, L"Fancy") == 0 ? new CContainerUI : NULL;
        }
    } fancy;
    SkinArchive skin({{"Pics.xml", kPictures},
                      {"bad.png", "\x89PNG\r\n\x1a\nnot really a picture"},
                      {"bad.gif", "GIF89a"},
                      {"Unknown.xml", kUnknown}});

    TestWindow pics(L"Pics.xml");
    ASSERT_NE(OpenAndPoke(pics), nullptr);
    for (const wchar_t* name : {L"gone", L"garbage", L"strange"}) EXPECT_NE(pics.Find(name), nullptr) << name;
    // Where the pictures are missing, the background colour shows.
    const duitest::Bitmap bmp = pics.Render();
    EXPECT_EQ(bmp.At(30, 25), 0xFFFFFFu);
    EXPECT_EQ(bmp.At(80, 25), 0xFFFFFFu);
    SIZE sz;
    EXPECT_EQ(pics.Manager().GetImage(L"nope.png", &sz), nullptr);
    EXPECT_EQ(pics.Manager().GetImage(L"bad.png", &sz), nullptr);

    // Unknown elements are skipped with their children unless the callback
    // makes them.
    TestWindow plain(L"Unknown.xml"), called(L"Unknown.xml", &fancy);
    ASSERT_NE(OpenAndPoke(plain), nullptr);
    ASSERT_NE(OpenAndPoke(called), nullptr);
    EXPECT_NE(plain.Find(L"after"), nullptr);
    EXPECT_EQ(plain.Find(L"f"), nullptr);
    EXPECT_EQ(plain.Find(L"inner"), nullptr);
    EXPECT_EQ(plain.Find(L"lost"), nullptr);
    EXPECT_NE(called.Find(L"f"), nullptr);
    EXPECT_NE(called.Find(L"inner"), nullptr);
    EXPECT_EQ(called.Find(L"lost"), nullptr);
    EXPECT_NE(called.Find(L"after"), nullptr);
}

TEST(BadSkin, AnArchiveReplacedOnDiskIsReadAgain)
{
    SkinArchive skin({{"Swap.xml", R"(<Window><Button name="first" /></Window>)"}});
    auto built = [](const wchar_t* name) {
        TestWindow w(L"Swap.xml");
        return w.Open() && w.Find(name);
    };
    EXPECT_TRUE(built(L"first"));
    ASSERT_TRUE(testing_support::WriteZip(
        skin / L"skin.dat",
        {{"Swap.xml", R"(<Window><VerticalLayout><Label name="second" /></VerticalLayout></Window>)"}}));
    EXPECT_FALSE(built(L"first"));
    EXPECT_TRUE(built(L"second"));
}
