// The calendar program driven as a user would: started from a copy of the
// program and its res/ folder, found by its window title, started a second
// time, clicked and typed at with real input, closed, and started again
// without its pictures. A damaged or missing settings file gives the
// defaults (Profile.ResProfileXmlBesideTheProgramIsReadWithDefaults...), with which
// the window opens centred as on the first start here. At the display
// scalings of 144 and 192 DPI the window, its controls and its text scale
// with the display, also when the DPI changes while it runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <tuple>
#include <vector>

#include "calendar_layout.h"
#include "image.h"
#include "log_pixels_scope.h"
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

// A copy of the program and its res/ folder in `dir` (made here), with the
// settings `profile`; the program's path, empty on failure.
std::wstring CopyCalendar(const std::wstring& dir, const char* profile) {
    const std::wstring exe = dir + L"\\" + kExeName;
    const bool ok = CreateDirectoryW(dir.c_str(), nullptr) &&
                    CopyFileW((ModuleDir() + L"\\" + kExeName).c_str(), exe.c_str(), FALSE) &&
                    testing_support::CopyTree(ModuleDir() + L"\\res", dir + L"\\res") &&
                    WriteBytes(dir + L"\\res\\profile.xml", profile);
    return ok ? exe : std::wstring();
}

// Starts the program; its window once it is shown (null after 15 s).
HWND StartCalendar(ChildProcess& process, const std::wstring& exe) {
    HWND hwnd = nullptr;
    const auto shown = [&] { return (hwnd = FindWindowW(kClass, kTitle)) != nullptr && IsWindowVisible(hwnd); };
    return process.Start(exe, L"") && WaitUntil(shown, 15000) ? hwnd : nullptr;
}

// How many pixel rows of the client rectangle `clientRect` show dark ink
// (the month's text), as the screen shows them; -1 when it cannot be read.
int InkRows(HWND hwnd, RECT clientRect) {
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&clientRect), 2);
    skinshot::Image shot;
    if (!skinshot::CaptureScreen(clientRect, &shot)) return -1;
    int rows = 0;
    for (int y = 0; y < shot.height; ++y) {
        bool ink = false;
        for (int x = 0; x < shot.width && !ink; ++x) {
            const uint32_t p = shot.At(x, y);
            ink = ((p >> 16) & 0xff) < 0x70 && ((p >> 8) & 0xff) < 0x70 && (p & 0xff) < 0x70;
        }
        rows += ink;
    }
    return rows;
}

// Sends the calendar WM_DPICHANGED for `dpi` with the suggested rectangle
// `suggested`, written into the calendar's own memory (the message carries a
// pointer). The system sends it when a window moves to a monitor of another
// scaling; Wine never does.
bool SendDpiChanged(const ChildProcess& calendar, HWND hwnd, UINT dpi, const RECT& suggested) {
    struct Remote {
        HANDLE process;
        void* at;
        ~Remote() {
            if (at) VirtualFreeEx(process, at, 0, MEM_RELEASE);
        }
    } remote{calendar.Handle(),
             VirtualAllocEx(calendar.Handle(), nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE)};
    DWORD_PTR result = 0;
    return remote.at && WriteProcessMemory(remote.process, remote.at, &suggested, sizeof suggested, nullptr) &&
           SendMessageTimeoutW(hwnd, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                               reinterpret_cast<LPARAM>(remote.at), SMTO_ABORTIFHUNG, 10000, &result);
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
    const std::wstring dir = scratch / L"日历";
    const std::wstring exe = CopyCalendar(dir, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                               "<profile><window/><calendar firstdayofweek=\"1\"/></profile>\n");
    ASSERT_FALSE(exe.empty());
    ASSERT_EQ(0, CountCalendarWindows()) << "a calendar is already running";
    auto start = [&](ChildProcess& process) { return StartCalendar(process, exe); };

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

// At each display scaling (the display's DPI as each process reads it when it
// starts), placed at the screen's corner so that a 192-DPI window's top shows
// on the 768-pixel-high test display: the client area is the layout's size
// scaled and a click on the next-month arrow found in the scaled layout
// lands. Then WM_DPICHANGED for other DPIs makes the window take each
// suggested rectangle and draw at that DPI, clicks landing there too. The
// month's text grows with the DPI: measured on the screen in the calendar
// started at 96 DPI (under Wine the test's screen capture reads black over a
// window of a process started at another DPI).
TEST(CalendarApp, ScalesWithTheDisplayAndFollowsADpiChange) {
    testing_support::ScratchDir scratch(L"appdpi");
    const std::wstring dir = scratch / L"日历";
    const char kCorner[] = "<profile><window x=\"0\" y=\"0\"/></profile>";
    const std::wstring exe = CopyCalendar(dir, kCorner);
    ASSERT_FALSE(exe.empty());
    ASSERT_EQ(0, CountCalendarWindows()) << "a calendar is already running";
    const auto scaledSize = [](UINT dpi) {
        return std::pair(layout::Scaled(layout::kWindowWidth, dpi), layout::Scaled(layout::kWindowHeight, dpi));
    };
    const auto clientSize = [](HWND hwnd) {
        RECT r = {};
        GetClientRect(hwnd, &r);
        return std::pair(int(r.right), int(r.bottom));
    };
    int inkAt96 = 0;  // rows of the month's text at 96 DPI

    struct Row {
        UINT dpi;
        std::vector<UINT> changes;  // the DPIs WM_DPICHANGED then gives, in turn
        bool measureText;
    };
    const Row rows[] = {{96, {144, 192}, true}, {144, {192}, false}, {192, {96}, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dpi);
        ChildProcess calendar;
        HWND hwnd = nullptr;
        {
            testing_support::LogPixelsScope display(row.dpi);
            ASSERT_TRUE(display.Set());
            hwnd = StartCalendar(calendar, exe);
        }
        ASSERT_NE(nullptr, hwnd);
        EXPECT_EQ(scaledSize(row.dpi), clientSize(hwnd));
        if (row.measureText) {
            inkAt96 = InkRows(hwnd, layout::Scaled(layout::kMonthLabel, row.dpi));
            EXPECT_TRUE(inkAt96 > 8 && inkAt96 < 24) << inkAt96 << " rows of ink";
        }
        ClickAt(hwnd, layout::Scaled(layout::kNextMonth, row.dpi));
        EXPECT_TRUE(WaitForMonth(hwnd, 1));

        int month = 1;
        for (const UINT dpi : row.changes) {
            SCOPED_TRACE(dpi);
            const auto [width, height] = scaledSize(dpi);
            const RECT suggested = {8, 6, 8 + width, 6 + height};
            ASSERT_TRUE(SendDpiChanged(calendar, hwnd, dpi, suggested));
            RECT now = {};
            GetWindowRect(hwnd, &now);
            EXPECT_TRUE(EqualRect(&suggested, &now));
            EXPECT_EQ(scaledSize(dpi), clientSize(hwnd));
            if (row.measureText) {
                // The new drawing has reached the screen once the text has its new height.
                const RECT label = layout::Scaled(layout::kMonthLabel, dpi);
                const int expected = inkAt96 * int(dpi) / 96, slack = 2 * int(dpi) / 96;
                EXPECT_TRUE(WaitUntil([&] { return std::abs(InkRows(hwnd, label) - expected) <= slack; }, 5000))
                    << InkRows(hwnd, label) << " rows of ink, not about " << expected;
            }
            ClickAt(hwnd, layout::Scaled(layout::kNextMonth, dpi));
            EXPECT_TRUE(WaitForMonth(hwnd, ++month));
        }
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        ASSERT_TRUE(calendar.WaitExit(10000));
        ASSERT_TRUE(WriteBytes(dir + L"\\res\\profile.xml", kCorner));  // back to the corner
    }
}
