// Bad skins never crash: a missing or damaged archive, a damaged entry, a
// missing layout, malformed XML and an empty layout build nothing (NULL
// with a reason); a missing or undecodable picture and unknown elements or
// attributes build everything else. The windows stay usable either way.
#include "dui_test_support.h"

#include <gtest/gtest.h>

using duitest::SkinArchive;
using duitest::TestWindow;

namespace {

const char kGood[] = R"(<Window size="120,80"><VerticalLayout name="root" bkcolor="#FFFFFFFF">
  <Button name="ok" float="true" pos="10,10,50,40" normalimage="file='s.png'" />
</VerticalLayout></Window>)";

// Builds `layout` in a window and checks the window survives painting and
// input; returns the root (NULL when nothing was built).
CControlUI* BuildAndPoke(TestWindow* w, CStdString* error, const wchar_t* layout)
{
    if (w->Open() == NULL) return NULL;
    CDialogBuilder builder;
    CPaintManagerUI scratch;
    CControlUI* again = builder.Create(layout, NULL, NULL, &scratch);
    *error = builder.GetLastErrorMessage();
    delete again;
    duitest::Render(w->Manager());
    SendMessageW(w->GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(30, 25));
    SendMessageW(w->GetHWND(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 25));
    SendMessageW(w->GetHWND(), WM_LBUTTONUP, 0, MAKELPARAM(30, 25));
    SendMessageW(w->GetHWND(), WM_KEYDOWN, VK_TAB, 0);
    RedrawWindow(w->GetHWND(), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    duitest::Pump();
    return w->Root();
}

std::string ZipOf(const std::string& name, const std::string& content)
{
    testing_support::ScratchDir tmp(L"duizip");
    EXPECT_TRUE(testing_support::WriteZip(tmp / L"tmp.zip", {{name, content}}));
    return testing_support::FileContent(tmp / L"tmp.zip");
}

} // namespace

TEST(BadSkin, MissingOrDamagedArchivesBuildNothingAndDoNotCrash)
{
    std::string good = ZipOf("Good.xml", kGood);
    ASSERT_GT(good.size(), 100u);
    testing_support::ScratchDir dir(L"duibad");
    CPaintManagerUI::SetResourcePath(dir.Path().c_str());

    struct Case {
        const wchar_t* file;
        std::string bytes;
        const char* what;
    };
    std::string flipped = good;
    // Damage the compressed data of the entry (it starts after the 30-byte
    // local header and the name): the CRC check fails.
    flipped[30 + 8 + 3] ^= 0x5A;
    flipped[30 + 8 + 4] ^= 0xA5;
    std::vector<Case> cases = {
        {L"absent.dat", "", "missing archive"},
        {L"noise.dat", std::string(4096, '\x5A'), "not a zip at all"},
        {L"empty.dat", std::string(), "empty file"},
        {L"half.dat", good.substr(0, good.size() / 2), "truncated archive"},
        {L"flipped.dat", flipped, "damaged entry"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (std::string(c.what) != "missing archive") testing_support::WriteBytes(dir / c.file, c.bytes);
        CPaintManagerUI::SetResourceZip(c.file);
        TestWindow w(L"Good.xml");
        CStdString error;
        EXPECT_EQ(BuildAndPoke(&w, &error, L"Good.xml"), nullptr);
        EXPECT_FALSE(error.IsEmpty());
        EXPECT_EQ(w.Find(L"ok"), nullptr);
        BYTE* data = NULL;
        DWORD size = 0;
        EXPECT_FALSE(CPaintManagerUI::LoadResourceData(L"Good.xml", &data, &size));
    }
    // The intact archive, for contrast, builds.
    testing_support::WriteBytes(dir / L"good.dat", good);
    CPaintManagerUI::SetResourceZip(L"good.dat");
    TestWindow w(L"Good.xml");
    CStdString error;
    EXPECT_NE(BuildAndPoke(&w, &error, L"Good.xml"), nullptr);
    EXPECT_TRUE(error.IsEmpty());
    CPaintManagerUI::SetResourceZip(L"");
    CPaintManagerUI::SetResourcePath(L"");
}

TEST(BadSkin, BadLayoutsBuildNothingAndDoNotCrash)
{
    SkinArchive skin({{"Unclosed.xml", R"(<Window size="100,50"><VerticalLayout><Button name="x" )"},
                      {"Mismatch.xml", R"(<Window><VerticalLayout></HorizontalLayout></Window>)"},
                      {"Empty.xml", ""},
                      {"NoControls.xml", R"(<Window size="100,50"><Font name="SimSun" size="12" /></Window>)"},
                      {"Binary.xml", std::string("\x89PNG\r\n\x1a\n\0\0\0", 12)}});
    ASSERT_TRUE(skin.Installed());
    for (const wchar_t* name : {L"Unclosed.xml", L"Mismatch.xml", L"Empty.xml", L"NoControls.xml", L"Binary.xml",
                                L"Absent.xml"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        TestWindow w(name);
        CStdString error;
        EXPECT_EQ(BuildAndPoke(&w, &error, name), nullptr);
        EXPECT_FALSE(error.IsEmpty());
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
    SkinArchive skin;
    skin.Add("Pics.xml", R"(<Window size="120,80"><VerticalLayout name="root" bkcolor="#FFFFFFFF" bkimage="nope.jpg">
        <Button name="gone" float="true" pos="10,10,50,40" normalimage="file='nope.png' source='0,0,10,10'" />
        <Button name="garbage" float="true" pos="60,10,100,40" normalimage="file='bad.png'" hotimage="file='bad.gif'" />
        <Control name="strange" float="true" pos="0,0,0,0" colour="#12" width="-5" bkimage="file=" />
      </VerticalLayout></Window>)");
    skin.Add("bad.png", "\x89PNG\r\n\x1a\nnot really a picture");
    skin.Add("bad.gif", "GIF89a");
    skin.Add("Unknown.xml", R"(<Window size="120,80"><VerticalLayout name="root">
        <Fancy name="f"><Button name="inner" /></Fancy>
        <Gizmo name="g"><Button name="lost" /></Gizmo>
        <Button name="after" />
      </VerticalLayout></Window>)");
    ASSERT_TRUE(skin.Install());

    TestWindow pics(L"Pics.xml");
    CStdString error;
    ASSERT_NE(BuildAndPoke(&pics, &error, L"Pics.xml"), nullptr);
    ASSERT_NE(pics.Find(L"gone"), nullptr);
    ASSERT_NE(pics.Find(L"garbage"), nullptr);
    ASSERT_NE(pics.Find(L"strange"), nullptr);
    // Where the pictures are missing, the background colour shows.
    duitest::Bitmap bmp = duitest::Render(pics.Manager());
    EXPECT_EQ(bmp.At(30, 25), 0xFFFFFFu);
    EXPECT_EQ(bmp.At(80, 25), 0xFFFFFFu);
    SIZE sz;
    EXPECT_EQ(pics.Manager().GetImage(L"nope.png", &sz), nullptr);
    EXPECT_EQ(pics.Manager().GetImage(L"bad.png", &sz), nullptr);

    // Unknown elements are skipped with their children unless the callback
    // makes them.
    TestWindow plain(L"Unknown.xml");
    ASSERT_NE(BuildAndPoke(&plain, &error, L"Unknown.xml"), nullptr);
    EXPECT_NE(plain.Find(L"after"), nullptr);
    EXPECT_EQ(plain.Find(L"f"), nullptr);
    EXPECT_EQ(plain.Find(L"inner"), nullptr);
    EXPECT_EQ(plain.Find(L"lost"), nullptr);

    TestWindow called(L"Unknown.xml", &fancy);
    ASSERT_NE(called.Open(), nullptr);
    ASSERT_NE(called.Find(L"f"), nullptr);
    EXPECT_NE(called.Find(L"inner"), nullptr);
    EXPECT_EQ(called.Find(L"lost"), nullptr);
    EXPECT_NE(called.Find(L"after"), nullptr);
}

TEST(BadSkin, AnArchiveReplacedOnDiskIsReadAgain)
{
    std::string first = ZipOf("Swap.xml", R"(<Window><Button name="first" /></Window>)");
    std::string second = ZipOf("Swap.xml", R"(<Window><VerticalLayout><Label name="second" /></VerticalLayout></Window>)");
    testing_support::ScratchDir dir(L"duiswap");
    CPaintManagerUI::SetResourcePath(dir.Path().c_str());
    CPaintManagerUI::SetResourceZip(L"skin.dat");
    testing_support::WriteBytes(dir / L"skin.dat", first);
    {
        TestWindow w(L"Swap.xml");
        ASSERT_NE(w.Open(), nullptr);
        EXPECT_NE(w.Find(L"first"), nullptr);
    }
    testing_support::WriteBytes(dir / L"skin.dat", second);
    {
        TestWindow w(L"Swap.xml");
        ASSERT_NE(w.Open(), nullptr);
        EXPECT_EQ(w.Find(L"first"), nullptr);
        EXPECT_NE(w.Find(L"second"), nullptr);
    }
    CPaintManagerUI::SetResourceZip(L"");
    CPaintManagerUI::SetResourcePath(L"");
}
