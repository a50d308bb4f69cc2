// screenshot_tool.exe as the maintainer runs it: started as a program on the
// real Uninstall.DAT, it writes a PNG of the composed screens with the
// requested attributes and looks, lists a layout's named controls, and
// refuses bad input with its exit codes.
#include <gtest/gtest.h>

#include <string>

#include "image.h"
#include "skin_test_env.h"
#include "test_support.h"

using skinshot::Image;
using testing_support::ModuleDir;
using testing_support::ScratchDir;

namespace {

class ScreenshotTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(skintest::UseUninstallSkin()) << "Uninstall.DAT is not beside the test"; }

    // Runs the tool with the arguments (its output into *output); returns its
    // exit code, or -1 when it did not start or end in time.
    static int Run(const std::wstring& args, std::string* output = nullptr) {
        return testing_support::RunProgram(ModuleDir() + L"\\screenshot_tool.exe", args, output);
    }

    static std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }
    static std::wstring Archive() { return Quote(ModuleDir() + L"\\Uninstall.DAT"); }

    static bool ReadPng(const std::wstring& path, Image* out) {
        std::string bytes;
        return testing_support::ReadBytes(path, &bytes) && skinshot::DecodePicture(bytes.data(), bytes.size(), out);
    }
};

TEST_F(ScreenshotTool, ComposesTheProgressPageOverTheFrame) {
    ScratchDir dir(L"shots");
    std::wstring out = dir / L"progress.png";
    ASSERT_EQ(Run(Archive() + L" Page9Wnd.xml " + Quote(out) +
                  L" --page Page10Wnd.xml 5 31 --set progressbar width 158"),
              0);
    Image shot;
    ASSERT_TRUE(ReadPng(out, &shot));
    ASSERT_EQ(shot.width, 517);
    ASSERT_EQ(shot.height, 397);

    // The round corner is transparent, the rest opaque.
    EXPECT_EQ(shot.At(0, 0) >> 24, 0u);
    EXPECT_EQ(shot.At(516, 396) >> 24, 0u);
    EXPECT_EQ(shot.At(258, 200) >> 24, 0xFFu);

    // The page's bar (at 14,122 of the page, the page at 5,31) is filled for
    // 158 pixels, white after that.
    Image fill;
    ASSERT_TRUE(skintest::LoadSkinPicture(L"progress.png", &fill));
    for (int row = 2; row < 12; ++row) {
        EXPECT_EQ(skintest::CountMismatches(shot, {19 + 100, 153 + row}, fill, {3, row, 4, row + 1}, 4), 0) << row;
        EXPECT_EQ(shot.At(19 + 300, 153 + row) & 0xFFFFFFu, 0xFFFFFFu) << row;
    }
    // The frame's close button stays visible above the page.
    Image caption;
    ASSERT_TRUE(skintest::LoadSkinPicture(L"CaptionButton.png", &caption));
    EXPECT_EQ(skintest::CountMismatches(shot, {470, 1}, caption, {180, 0, 216, 28}), 0);
}

// The composed picture is what the screen shows of the real windows: the
// page child window over the frame, pixel for pixel inside the corners.
TEST_F(ScreenshotTool, ComposedPictureMatchesTheScreen) {
    ScratchDir dir(L"shots");
    std::wstring composed = dir / L"composed.png", screen = dir / L"screen.png";
    const std::wstring page = L" Page9Wnd.xml ";
    ASSERT_EQ(Run(Archive() + page + Quote(composed) + L" --page Page11Wnd.xml 5 31"), 0);
    ASSERT_EQ(Run(Archive() + page + Quote(screen) + L" --page Page11Wnd.xml 5 31 --screen"), 0);
    Image a, b;
    ASSERT_TRUE(ReadPng(composed, &a));
    ASSERT_TRUE(ReadPng(screen, &b));
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    const RECT inner = {3, 3, a.width - 3, a.height - 3};
    EXPECT_EQ(skintest::CountDifferences(a.Crop(inner), b.Crop(inner)), 0);
}

TEST_F(ScreenshotTool, ForcesHotAndPushedLooksWithTheMouse) {
    Image sheet;
    ASSERT_TRUE(skintest::LoadSkinPicture(L"button.png", &sheet));
    ScratchDir dir(L"shots");
    struct Case {
        const wchar_t* state;
        RECT source;
    };
    for (const Case& c : {Case{L"normal", {91, 1, 176, 25}}, Case{L"hot", {91, 37, 176, 61}},
                          Case{L"pushed", {91, 74, 176, 98}}}) {
        std::wstring out = dir / (std::wstring(c.state) + L".png");
        ASSERT_EQ(Run(Archive() + L" Page9Wnd.xml " + Quote(out) + L" --state nextbtn " + c.state), 0) << c.state;
        Image shot;
        ASSERT_TRUE(ReadPng(out, &shot)) << c.state;
        EXPECT_EQ(skintest::CountMismatches(shot, {345, 360}, sheet, c.source), 0) << c.state;
    }
}

TEST_F(ScreenshotTool, ListsTheNamedControlsOfALayout) {
    std::string text;
    ASSERT_EQ(Run(L"--controls " + Archive() + L" Page11Wnd.xml", &text), 0);
    EXPECT_EQ(text.find("finishbtn 433 326 498 350"), 0u) << text;
    EXPECT_EQ(Run(L"--controls " + Archive() + L" Page9Wnd.xml", &text), 0);
    EXPECT_NE(text.find("nextbtn 345 360 430 384"), std::string::npos) << text;
    EXPECT_NE(text.find("closebtn 470 1 506 29"), std::string::npos) << text;
    EXPECT_EQ(Run(L"--controls " + Archive() + L" NoSuchWnd.xml", &text), 2);
    EXPECT_EQ(Run(L"--controls " + Archive(), &text), 1);
}

TEST_F(ScreenshotTool, RefusesBadInput) {
    ScratchDir dir(L"shots");
    std::wstring out = dir / L"x.png";
    EXPECT_EQ(Run(L""), 1);
    EXPECT_EQ(Run(Archive() + L" Page9Wnd.xml " + Quote(out) + L" --state nextbtn sideways"), 1);
    EXPECT_EQ(Run(Quote(dir / L"missing.DAT") + L" Page9Wnd.xml " + Quote(out)), 2);
    EXPECT_EQ(Run(Archive() + L" NoSuchWnd.xml " + Quote(out)), 2);
    EXPECT_EQ(Run(Archive() + L" Page9Wnd.xml " + Quote(out) + L" --set nosuchbtn width 3"), 3);
    EXPECT_FALSE(testing_support::Exists(out));
    EXPECT_EQ(Run(Archive() + L" Page9Wnd.xml " + Quote(dir / L"no\\such\\dir\\x.png")), 4);
}

} // namespace
