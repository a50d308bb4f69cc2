// Bad skins never crash: a damaged archive, a damaged entry, a missing
// layout, malformed XML, an empty layout, a picture taken for a layout and a
// layout nested deeper than 64 controls build nothing (NULL with a reason);
// unknown elements build everything else (missing or undecodable pictures
// and unknown attributes: Paint.Pictures...).
// The windows stay usable either way, and an archive replaced on disk is
// read again. The layouts are those of duilib/test_skin/, in the tests' skin
// DuiTest.dat. A missing or truncated archive is the fault suite's
// (skin.setup.missing, skin.setup.truncated and Uninstall's: the programs
// build nothing from it and say that they are damaged).
#include "dui_test_support.h"
#include "test_zip.h"

#include <gtest/gtest.h>

#include <tuple>

using duitest::TestWindow;
using duitest::UseSkin;

namespace {

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
    skinshot::PumpPending();
    return w.Root();
}

} // namespace

// The tests' skin holds a good layout (Good.xml), bad ones and one with
// unknown elements; damaged copies of it lie in a scratch folder.
TEST(BadSkin, DamagedArchivesAndBadLayoutsBuildNothingAReplacedArchiveIsReadAgainAndUnknownElementsAreSkipped)
{
    const std::string good = testing_support::FileContent(testing_support::ModuleDir() + L"\\DuiTest.dat");
    ASSERT_GT(good.size(), 100u);
    // Good.xml's compressed data follow its name in its local header:
    // damaged there, its CRC check fails.
    std::string flipped = good;
    const size_t data = good.find("Good.xml") + 8;
    flipped[data + 3] ^= 0x5A;
    flipped[data + 4] ^= 0xA5;
    testing_support::ScratchDir dir(L"duiskin");
    for (const auto& [file, bytes] :
         {std::pair{L"noise.dat", std::string(4096, '\x5A')}, {L"empty.dat", std::string()}, {L"flipped.dat", flipped}})
        ASSERT_TRUE(testing_support::WriteBytes(dir / file, bytes));

    // Layout text with the control "ok" inside `levels` nested containers.
    auto nested = [](int levels) {
        std::wstring xml = L"<Window size=\"100,100\">";
        for (int i = 0; i < levels; ++i) xml += L"<VerticalLayout>";
        xml += L"<Label name=\"ok\" />";
        for (int i = 0; i < levels; ++i) xml += L"</VerticalLayout>";
        return xml + L"</Window>";
    };
    const std::wstring deepest = nested(63), tooDeep = nested(10000);

    // The intact archive lies beside the test program, the others in the
    // scratch folder.
    const std::tuple<const char*, const wchar_t*, const wchar_t*, bool> cases[] = {
        {"not a zip at all", L"noise.dat", L"Good.xml", false},
        {"empty file", L"empty.dat", L"Good.xml", false},
        {"damaged entry", L"flipped.dat", L"Good.xml", false},
        {"the intact archive, for contrast", L"DuiTest.dat", L"Good.xml", true},
        {"unclosed element", L"DuiTest.dat", L"Unclosed.xml", false},
        {"mismatched end tag", L"DuiTest.dat", L"Mismatch.xml", false},
        {"empty layout", L"DuiTest.dat", L"Empty.xml", false},
        {"no controls", L"DuiTest.dat", L"NoControls.xml", false},
        {"a picture, not text", L"DuiTest.dat", L"s.png", false},
        {"no such layout", L"DuiTest.dat", L"Absent.xml", false},
        {"64 controls deep", L"DuiTest.dat", deepest.c_str(), true},
        {"ten thousand controls deep", L"DuiTest.dat", tooDeep.c_str(), false},
    };
    for (const auto& [what, archive, layout, builds] : cases) {
        SCOPED_TRACE(what);
        const bool intact = archive == std::wstring(L"DuiTest.dat");
        UseSkin(archive, intact ? testing_support::ModuleDir() : dir.Path());
        TestWindow w(layout);
        EXPECT_EQ(OpenAndPoke(w) != nullptr, builds);
        EXPECT_EQ(w.Error().IsEmpty(), builds) << w.Error().GetData();
        EXPECT_EQ(w.Find(L"ok") != nullptr, builds);
        BYTE* bytes = NULL;
        DWORD size = 0;
        EXPECT_EQ(CPaintManagerUI::LoadResourceData(L"Good.xml", &bytes, &size), intact);
        free(bytes);
    }

    // The intact archive copied, built from, then replaced by one whose
    // Good.xml holds another control.
    auto built = [](const wchar_t* name) {
        TestWindow w(L"Good.xml");
        return w.Open() && w.Find(name);
    };
    ASSERT_TRUE(testing_support::WriteBytes(dir / L"swap.dat", good));
    UseSkin(L"swap.dat", dir.Path());
    EXPECT_TRUE(built(L"ok"));
    ASSERT_TRUE(testing_support::WriteZip(dir / L"swap.dat", {{"Good.xml", R"(<Window><Label name="new" /></Window>)"}}));
    EXPECT_FALSE(built(L"ok"));
    EXPECT_TRUE(built(L"new"));

    // Unknown elements are skipped with their children unless the builder's
    // callback makes them.
    struct FancyCallback : IDialogBuilderCallback {
        CControlUI* CreateControl(LPCTSTR pstrClass) override
        {
            return wcscmp(pstrClass, L"Fancy") == 0 ? new CContainerUI : NULL;
        }
    } fancy;
    UseSkin(L"DuiTest.dat");
    TestWindow plain(L"Unknown.xml"), called(L"Unknown.xml", &fancy);
    ASSERT_NE(OpenAndPoke(plain), nullptr);
    ASSERT_NE(OpenAndPoke(called), nullptr);
    const std::tuple<const wchar_t*, bool, bool> found[] = {
        {L"after", true, true}, {L"f", false, true}, {L"inner", false, true}, {L"lost", false, false}};
    for (const auto& [name, withoutCallback, withCallback] : found) {
        EXPECT_EQ(plain.Find(name) != nullptr, withoutCallback) << name;
        EXPECT_EQ(called.Find(name) != nullptr, withCallback) << name;
    }
}
