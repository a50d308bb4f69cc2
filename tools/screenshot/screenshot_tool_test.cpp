// screenshot_tool.exe as the maintainer runs it: started as a program on the
// real Uninstall.DAT, it writes a PNG of the composed screens with the
// requested attributes and looks (the same picture the screen shows), lists a
// layout's named controls, and refuses bad input with its exit codes. Where
// the layouts place their controls is SkinLayout.EveryLayoutMeetsTheWindowContract's.
#include <gtest/gtest.h>

#include <string>

#include "image.h"
#include "skin_archive.h"
#include "skin_test_env.h"

using skinshot::Image;
using skintest::CountMismatches;
using testing_support::ModuleDir;

namespace {

class ScreenshotTool : public ::testing::Test {
protected:
    // Runs the tool with the arguments (its output into *output); returns its
    // exit code, or -1 when it did not start or end in time.
    static int Run(const std::wstring& args, std::string* output = nullptr) {
        return testing_support::RunProgram(ModuleDir() + L"\\screenshot_tool.exe", args, output);
    }
    static std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

    // Runs the tool for a picture of Uninstall.DAT's `layout` with the options
    // and decodes it.
    bool Shot(const std::wstring& layout, const std::wstring& options, Image* out) {
        const std::wstring png = m_dir / (std::to_wstring(++m_shots) + L".png");
        std::string bytes;
        return Run(Quote(kArchive) + L" " + layout + L" " + Quote(png) + L" " + options) == 0 &&
               testing_support::ReadBytes(png, &bytes) && skinshot::DecodePicture(bytes.data(), bytes.size(), out);
    }
    // A picture of Uninstall.DAT itself.
    static Image Picture(const wchar_t* name) {
        Image picture;
        EXPECT_TRUE(skinshot::LoadArchivePicture(kArchive, name, &picture)) << "Uninstall.DAT beside the test";
        return picture;
    }

    static inline const std::wstring kArchive = ModuleDir() + L"\\Uninstall.DAT";
    testing_support::ScratchDir m_dir{L"shots"};
    int m_shots = 0;
};

TEST_F(ScreenshotTool, ComposesThePageOverTheFrameAsTheScreenShowsItWithTheRequestedAttributesAndLooks) {
    const std::wstring progress = L"--page Page10Wnd.xml 5 31 --set progressbar width 158";
    Image shot, screen;
    ASSERT_TRUE(Shot(L"Page9Wnd.xml", progress, &shot));
    ASSERT_EQ(shot.width, 517);
    ASSERT_EQ(shot.height, 397);
    // The round corner is transparent, the rest opaque.
    EXPECT_EQ(shot.At(0, 0) >> 24, 0u);
    EXPECT_EQ(shot.At(516, 396) >> 24, 0u);
    EXPECT_EQ(shot.At(258, 200) >> 24, 0xFFu);
    // The page's bar (at 14,122 of the page, the page at 5,31) is filled for
    // 158 pixels, white after that.
    const Image fill = Picture(L"progress.png");
    for (int row = 2; row < 12; ++row) {
        EXPECT_EQ(CountMismatches(shot, {19 + 100, 153 + row}, fill, {3, row, 4, row + 1}, 4), 0) << row;
        EXPECT_EQ(shot.At(19 + 300, 153 + row) & 0xFFFFFFu, 0xFFFFFFu) << row;
    }
    // The frame's close button stays visible above the page.
    EXPECT_EQ(CountMismatches(shot, {470, 1}, Picture(L"CaptionButton.png"), {180, 0, 216, 28}), 0);

    // The composed picture is what the screen shows of the real windows: the
    // page child window over the frame, pixel for pixel inside the corners
    // (where the composed picture is opaque).
    ASSERT_TRUE(Shot(L"Page9Wnd.xml", progress + L" --screen", &screen));
    ASSERT_EQ(screen.width, shot.width);
    ASSERT_EQ(screen.height, shot.height);
    EXPECT_EQ(CountMismatches(screen, {3, 3}, shot, {3, 3, shot.width - 3, shot.height - 3}, 24), 0);

    // The mouse forces the hot and pushed looks.
    const Image sheet = Picture(L"button.png");
    for (const auto& [state, source] : {std::pair{L"normal", RECT{91, 1, 176, 25}}, {L"hot", RECT{91, 37, 176, 61}},
                                        {L"pushed", RECT{91, 74, 176, 98}}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(state)));
        ASSERT_TRUE(Shot(L"Page9Wnd.xml", std::wstring(L"--state nextbtn ") + state, &shot));
        EXPECT_EQ(CountMismatches(shot, {345, 360}, sheet, source), 0);
    }
}

// The named controls, one line each in tree order; exit codes: 1 bad usage, 2 no window or
// layout, 3 no such control, 4 the picture not written; no picture is left
// behind.
TEST_F(ScreenshotTool, ListsTheNamedControlsOfALayoutAndRefusesBadInput) {
    std::string text;
    ASSERT_EQ(Run(L"--controls " + Quote(kArchive) + L" Page9Wnd.xml", &text), 0);
    EXPECT_EQ(text.find("minbtn 431 1 473 26"), 0u) << text;  // the first in tree order
    EXPECT_NE(text.find("nextbtn 345 360 430 384"), std::string::npos) << text;

    const std::wstring skin = Quote(kArchive), out = m_dir / L"x.png";
    const std::pair<std::wstring, int> cases[] = {
        {L"", 1},
        {L"--controls " + skin, 1},
        {skin + L" Page9Wnd.xml " + Quote(out) + L" --state nextbtn sideways", 1},
        {L"--controls " + skin + L" NoSuchWnd.xml", 2},
        {Quote(m_dir / L"missing.DAT") + L" Page9Wnd.xml " + Quote(out), 2},
        {skin + L" NoSuchWnd.xml " + Quote(out), 2},
        {skin + L" Page9Wnd.xml " + Quote(out) + L" --set nosuchbtn width 3", 3},
        {skin + L" Page9Wnd.xml " + Quote(m_dir / L"no\\such\\dir\\x.png"), 4}};
    for (const auto& [args, exitCode] : cases)
        EXPECT_EQ(Run(args), exitCode) << testing::PrintToString(args);
    EXPECT_FALSE(testing_support::Exists(out));
}

} // namespace
