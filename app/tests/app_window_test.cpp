// The calendar program driven as a user would: started from a copy of the
// program and its res/ folder, found by its window title, started a second
// time, started with a damaged or missing settings file, clicked and typed at
// with real input, and closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <tuple>

#include "calendar_layout.h"
#include "profile.h"
#include "test_support.h"
#include "wait_until.h"
#include "pointer.h"

using testing_support::ChildProcess;
using testing_support::ModuleDir;
using testing_support::WaitUntil;
using testing_support::WriteBytes;

namespace {

constexpr wchar_t kClass[] = L"VeltCalendarWnd";
constexpr wchar_t kTitle[] = L"VELT电子日历";
constexpr wchar_t kExeName[] = L"VELT电子日历.exe";
constexpr int kMonthLabelId = 100;

int CountCalendarWindows() {
    int count = 0;
    for (HWND hwnd = nullptr; (hwnd = FindWindowExW(nullptr, hwnd, kClass, kTitle)) != nullptr;) ++count;
    return count;
}

// The month label's text.
std::wstring ShownMonth(HWND hwnd) {
    wchar_t text[64] = {};
    DWORD_PTR copied = 0;
    HWND label = GetDlgItem(hwnd, kMonthLabelId);
    const bool read = label && SendMessageTimeoutW(label, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text),
                                                   SMTO_ABORTIFHUNG, 5000, &copied);
    return read ? text : L"";
}

// The month label's text for this month moved by `offset` months.
std::wstring ThisMonth(int offset = 0) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int index = now.wYear * 12 + (now.wMonth - 1) + offset;
    return std::to_wstring(index / 12) + L"年" + std::to_wstring(index % 12 + 1) + L"月";
}

bool WaitForMonth(HWND hwnd, int offset) {
    return WaitUntil([&] { return ShownMonth(hwnd) == ThisMonth(offset); }, 5000);
}

// A real click at the centre of a rectangle of the window's client area.
void ClickAt(HWND hwnd, const RECT& clientRect) {
    POINT p = layout::Centre(clientRect);
    ClientToScreen(hwnd, &p);
    ASSERT_TRUE(skinshot::ClickScreen(p));
}

// A copy of the program and its res/ folder in a scratch folder with a
// Chinese name, with the shipped settings, so that every run starts alike.
class CalendarApp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(m_dir.c_str(), nullptr));
        ASSERT_TRUE(CopyFileW((ModuleDir() + L"\\" + kExeName).c_str(), Exe().c_str(), FALSE));
        ASSERT_TRUE(testing_support::CopyTree(ModuleDir() + L"\\res", m_dir + L"\\res"));
        // The settings as shipped; a calendar run from bin may have saved a position.
        ASSERT_TRUE(WriteBytes(ProfileFile(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                              "<profile><window/><calendar firstdayofweek=\"1\"/></profile>\n"));
        ASSERT_EQ(0, CountCalendarWindows()) << "a calendar is already running";
    }
    std::wstring Exe() const { return m_dir + L"\\" + kExeName; }
    std::wstring ProfileFile() const { return m_dir + L"\\res\\profile.xml"; }
    // Starts the program; its window once it is shown (null after 15 s).
    HWND Start(ChildProcess& process) {
        HWND hwnd = nullptr;
        const auto shown = [&] { return (hwnd = FindWindowW(kClass, kTitle)) != nullptr && IsWindowVisible(hwnd); };
        return process.Start(Exe(), L"") && WaitUntil(shown, 15000) ? hwnd : nullptr;
    }

    testing_support::ScratchDir m_scratch{L"app"};
    const std::wstring m_dir = m_scratch / L"日历";
    ChildProcess m_first, m_again;
};

} // namespace

// As shipped, with a damaged settings file, with none, and without its
// pictures: one window on this month, 380x420 (the background picture's size,
// and the default size without it), centred (no position saved, or the
// centred one that the run before saved); WM_CLOSE ends it with 0.
TEST_F(CalendarApp, OpensOneCentredWindowOnThisMonthWhateverItsFiles) {
    for (int run = 0; run < 4; ++run) {
        SCOPED_TRACE(run);
        const bool ready = run == 0 ? true
                           : run == 1 ? WriteBytes(ProfileFile(), std::string("<profile><window x=\"1\0\xfe", 22))
                           : run == 2 ? DeleteFileW(ProfileFile().c_str()) != FALSE
                                      : testing_support::RemoveTree(m_dir + L"\\res\\image");
        ASSERT_TRUE(ready);
        ChildProcess process;
        HWND hwnd = Start(process);
        ASSERT_NE(nullptr, hwnd);
        EXPECT_EQ(1, CountCalendarWindows());
        EXPECT_EQ(ThisMonth(), ShownMonth(hwnd));
        RECT r, work;
        ASSERT_TRUE(GetWindowRect(hwnd, &r));
        EXPECT_EQ(layout::kWindowWidth, r.right - r.left);
        EXPECT_EQ(layout::kWindowHeight, r.bottom - r.top);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_NEAR((work.left + work.right) / 2, (r.left + r.right) / 2, 2);
        if (run == 3) {
            ClickAt(hwnd, layout::kNextMonth);
            EXPECT_TRUE(WaitForMonth(hwnd, 1));
        }
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        ASSERT_TRUE(process.WaitExit(10000));
        EXPECT_EQ(0, process.ExitCode());
    }
}

// A second start brings the first forward and ends. The arrows and the keys
// step by months and years; the line under the grid goes back to today.
// Then, moved and closed by its close button, the calendar saves its
// position and opens there the next time.
TEST_F(CalendarApp, SecondStartBringsItForwardClicksAndKeysMoveMonthsAndYearsAndItsPlaceIsKept) {
    HWND hwnd = Start(m_first);
    ASSERT_NE(nullptr, hwnd);
    ShowWindow(hwnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(hwnd));
    ChildProcess second;
    ASSERT_TRUE(second.Start(Exe(), L""));
    ASSERT_TRUE(second.WaitExit(15000));
    EXPECT_EQ(0, second.ExitCode());
    EXPECT_FALSE(m_first.WaitExit(0)) << "the first calendar ended";
    EXPECT_EQ(1, CountCalendarWindows());
    EXPECT_FALSE(IsIconic(hwnd));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    ASSERT_EQ(hwnd, GetForegroundWindow());

    ASSERT_EQ(ThisMonth(), ShownMonth(hwnd));
    const std::tuple<const RECT*, WORD, int> steps[] = {
        {&layout::kNextMonth, 0, 1}, {&layout::kNextYear, 0, 13}, {&layout::kPrevMonth, 0, 12},
        {&layout::kPrevYear, 0, 0},  {nullptr, VK_NEXT, 1},       {nullptr, VK_DOWN, 13},
        {nullptr, VK_LEFT, 12},      {nullptr, VK_HOME, 0},       {&layout::kNextMonth, 0, 1},
        {&layout::kTodayLine, 0, 0}};
    for (const auto& [button, key, offset] : steps) {
        if (button)
            ClickAt(hwnd, *button);
        else
            EXPECT_TRUE(skinshot::TapKey(key));
        EXPECT_TRUE(WaitForMonth(hwnd, offset)) << offset << " shown: " << testing::PrintToString(ShownMonth(hwnd));
    }

    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 60, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    ClickAt(hwnd, layout::kCloseButton);
    ASSERT_TRUE(m_first.WaitExit(10000));
    const Profile saved = LoadProfile(ProfileFile());
    EXPECT_TRUE(saved.hasPosition);
    EXPECT_EQ(std::pair(60, 50), std::pair(saved.x, saved.y));
    EXPECT_EQ(1, saved.firstDayOfWeek);
    hwnd = Start(m_again);
    RECT r = {};
    ASSERT_TRUE(hwnd && GetWindowRect(hwnd, &r));
    EXPECT_EQ(std::pair(60L, 50L), std::pair(r.left, r.top));
}
