// The calendar program driven as a user would: started from a copy of the
// program and its res/ folder, found by its window title, started a second
// time, clicked and typed at with real input, closed, and started again
// without its pictures. A damaged or missing settings file gives the
// defaults (Profile.ResProfileXmlBesideTheProgramIsReadWithDefaults...), with which
// the window opens centred as on the first start here.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <tuple>

#include "calendar_layout.h"
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

// The month label's text (the text the system keeps for the window: no
// message is sent to the calendar).
std::wstring ShownMonth(HWND hwnd) {
    wchar_t text[64] = {};
    GetWindowTextW(GetDlgItem(hwnd, kMonthLabelId), text, 64);
    return text;
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

} // namespace

// As shipped: one window on this month, 380x420 (the background picture's
// size), centred. A second start brings the first forward and ends. The
// arrows and the keys step by months and years; the line under the grid goes
// back to today. Then, moved and closed by its close button, the calendar
// saves its position and opens there the next time, without its pictures at
// the default size (the same), and WM_CLOSE ends it with 0.
TEST(CalendarApp, OpensCentredASecondStartBringsItForwardClicksAndKeysStepAndItsPlaceIsKept) {
    // A copy of the program and its res/ folder in a scratch folder with a
    // Chinese name, with the settings as shipped (a calendar run from bin
    // may have saved a position).
    testing_support::ScratchDir scratch(L"app");
    const std::wstring dir = scratch / L"日历", exe = dir + L"\\" + kExeName;
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW((ModuleDir() + L"\\" + kExeName).c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(testing_support::CopyTree(ModuleDir() + L"\\res", dir + L"\\res"));
    ASSERT_TRUE(WriteBytes(dir + L"\\res\\profile.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                                       "<profile><window/><calendar firstdayofweek=\"1\"/></profile>\n"));
    ASSERT_EQ(0, CountCalendarWindows()) << "a calendar is already running";
    // Starts the program; its window once it is shown (null after 15 s).
    auto start = [&](ChildProcess& process) {
        HWND hwnd = nullptr;
        const auto shown = [&] { return (hwnd = FindWindowW(kClass, kTitle)) != nullptr && IsWindowVisible(hwnd); };
        return process.Start(exe, L"") && WaitUntil(shown, 15000) ? hwnd : nullptr;
    };

    ChildProcess first, second, again;
    HWND hwnd = start(first);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(ThisMonth(), ShownMonth(hwnd));
    RECT r, work;
    ASSERT_TRUE(GetWindowRect(hwnd, &r));
    const std::pair kSize(layout::kWindowWidth, layout::kWindowHeight);
    EXPECT_EQ(kSize, std::pair(int(r.right - r.left), int(r.bottom - r.top)));
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((work.left + work.right) / 2, (r.left + r.right) / 2, 2);

    // Only one window, also after a second start.
    ShowWindow(hwnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(hwnd));
    ASSERT_TRUE(second.Start(exe, L""));
    ASSERT_TRUE(second.WaitExit(15000));
    EXPECT_EQ(0, second.ExitCode());
    EXPECT_FALSE(first.WaitExit(0)) << "the first calendar ended";
    EXPECT_EQ(1, CountCalendarWindows());
    EXPECT_FALSE(IsIconic(hwnd));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    ASSERT_EQ(hwnd, GetForegroundWindow());

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
    ASSERT_TRUE(first.WaitExit(10000));
    EXPECT_EQ(0, first.ExitCode());
    ASSERT_TRUE(testing_support::RemoveTree(dir + L"\\res\\image"));
    hwnd = start(again);
    ASSERT_TRUE(hwnd && GetWindowRect(hwnd, &r));
    EXPECT_EQ(std::pair(60L, 50L), std::pair(r.left, r.top));
    EXPECT_EQ(kSize, std::pair(int(r.right - r.left), int(r.bottom - r.top)));
    ClickAt(hwnd, layout::kNextMonth);
    EXPECT_TRUE(WaitForMonth(hwnd, 1));  // from this month
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(again.WaitExit(10000));
    EXPECT_EQ(0, again.ExitCode());
}
