// The calendar program driven as a user would: started from a copy of the
// program and its res/ folder, found by its window title, started a second
// time, started with a damaged or missing settings file, clicked and typed at
// with real input, and closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "calendar_layout.h"
#include "profile.h"
#include "test_support.h"
#include "wait_until.h"

using testing_support::ChildProcess;
using testing_support::ModuleDir;
using testing_support::ScratchDir;
using testing_support::WaitUntil;
using testing_support::WriteBytes;

namespace {

constexpr wchar_t kClass[] = L"VeltCalendarWnd";
constexpr wchar_t kTitle[] = L"VELT电子日历";
constexpr wchar_t kExeName[] = L"VELT电子日历.exe";
constexpr int kMonthLabelId = 100;

BOOL CALLBACK CountCalendarWindow(HWND hwnd, LPARAM count) {
    wchar_t cls[64] = {}, title[64] = {};
    GetClassNameW(hwnd, cls, 64);
    GetWindowTextW(hwnd, title, 64);
    if (std::wstring(cls) == kClass && std::wstring(title) == kTitle)
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int CountCalendarWindows() {
    int count = 0;
    EnumWindows(&CountCalendarWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

HWND WaitForWindow(DWORD ms) {
    HWND hwnd = nullptr;
    WaitUntil([&] { return (hwnd = FindWindowW(kClass, kTitle)) != nullptr && IsWindowVisible(hwnd); }, ms);
    return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

std::wstring ShownMonth(HWND hwnd) {
    HWND label = GetDlgItem(hwnd, kMonthLabelId);
    wchar_t text[64] = {};
    DWORD_PTR copied = 0;
    if (!label || !SendMessageTimeoutW(label, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text),
                                       SMTO_ABORTIFHUNG, 5000, &copied))
        return L"";
    return text;
}

// The month label's text for this month moved by `offset` months.
std::wstring ThisMonth(int offset = 0) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    int index = now.wYear * 12 + (now.wMonth - 1) + offset;
    return std::to_wstring(index / 12) + L"年" + std::to_wstring(index % 12 + 1) + L"月";
}

bool WaitForMonth(HWND hwnd, const std::wstring& expected, DWORD ms = 5000) {
    return WaitUntil([&] { return ShownMonth(hwnd) == expected; }, ms);
}

// A real click at the centre of a rectangle of the window's client area.
void ClickAt(HWND hwnd, const RECT& clientRect) {
    POINT p = layout::Centre(clientRect);
    ClientToScreen(hwnd, &p);
    ASSERT_TRUE(testing_support::ClickAt(p));
}

void PressKey(WORD vk) { ASSERT_TRUE(testing_support::TapKey(vk)); }

// A copy of the program and its res/ folder in a scratch folder with a
// Chinese name, with the shipped settings, so that every run starts alike.
class CalendarApp : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = m_scratch / L"日历";
        ASSERT_TRUE(CreateDirectoryW(m_dir.c_str(), nullptr));
        ASSERT_TRUE(CopyFileW((ModuleDir() + L"\\" + kExeName).c_str(), Exe().c_str(), FALSE));
        ASSERT_TRUE(testing_support::CopyTree(ModuleDir() + L"\\res", m_dir + L"\\res"));
        // The settings as shipped; a calendar run from bin may have saved a position.
        ASSERT_TRUE(WriteBytes(ProfileFile(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                              "<profile><window/><calendar firstdayofweek=\"1\"/></profile>\n"));
        ASSERT_EQ(0, CountCalendarWindows()) << "a calendar is already running";
    }
    void TearDown() override {
        for (ChildProcess* p : {&m_first, &m_second, &m_again}) {
            if (p->Handle() && !p->WaitExit(0)) {
                HWND hwnd = FindWindowW(kClass, kTitle);
                if (hwnd) PostMessageW(hwnd, WM_CLOSE, 0, 0);
                if (!p->WaitExit(5000)) p->Terminate();
            }
        }
    }
    std::wstring Exe() const { return m_dir + L"\\" + kExeName; }
    std::wstring ProfileFile() const { return m_dir + L"\\res\\profile.xml"; }
    HWND Start(ChildProcess& process) {
        if (!process.Start(Exe(), L"")) return nullptr;
        return WaitForWindow(15000);
    }
    HWND Start() { return Start(m_first); }

    ScratchDir m_scratch{L"app"};
    std::wstring m_dir;
    ChildProcess m_first, m_second, m_again;
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
            EXPECT_TRUE(WaitForMonth(hwnd, ThisMonth(1)));
        }
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        ASSERT_TRUE(process.WaitExit(10000));
        EXPECT_EQ(0, process.ExitCode());
    }
}

TEST_F(CalendarApp, SecondStartBringsTheFirstForwardAndEnds) {
    HWND hwnd = Start();
    ASSERT_NE(nullptr, hwnd);
    ShowWindow(hwnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(hwnd));

    ASSERT_TRUE(m_second.Start(Exe(), L""));
    ASSERT_TRUE(m_second.WaitExit(15000));
    DWORD code = 99;
    GetExitCodeProcess(m_second.Handle(), &code);
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(m_first.WaitExit(0)) << "the first calendar ended";
    EXPECT_EQ(1, CountCalendarWindows());
    EXPECT_FALSE(IsIconic(hwnd));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(hwnd, GetForegroundWindow());
}

TEST_F(CalendarApp, ClicksAndKeysMoveBetweenMonthsAndYears) {
    HWND hwnd = Start();
    ASSERT_NE(nullptr, hwnd);
    SetForegroundWindow(hwnd);
    ASSERT_EQ(ThisMonth(), ShownMonth(hwnd));

    ClickAt(hwnd, layout::kNextMonth);
    EXPECT_TRUE(WaitForMonth(hwnd, ThisMonth(1))) << "shown: " << testing::PrintToString(ShownMonth(hwnd));
    ClickAt(hwnd, layout::kNextYear);
    EXPECT_TRUE(WaitForMonth(hwnd, ThisMonth(13)));
    ClickAt(hwnd, layout::kPrevMonth);
    EXPECT_TRUE(WaitForMonth(hwnd, ThisMonth(12)));
    ClickAt(hwnd, layout::kPrevYear);
    EXPECT_TRUE(WaitForMonth(hwnd, ThisMonth(0)));

    PressKey(VK_NEXT);
    EXPECT_TRUE(WaitForMonth(hwnd, ThisMonth(1)));
    PressKey(VK_DOWN);
    EXPECT_TRUE(WaitForMonth(hwnd, ThisMonth(13)));
    PressKey(VK_LEFT);
    EXPECT_TRUE(WaitForMonth(hwnd, ThisMonth(12)));
    PressKey(VK_HOME);
    EXPECT_TRUE(WaitForMonth(hwnd, ThisMonth(0)));
    ClickAt(hwnd, layout::kNextMonth);
    ClickAt(hwnd, layout::kTodayLine);
    EXPECT_TRUE(WaitForMonth(hwnd, ThisMonth(0)));
}

TEST_F(CalendarApp, RemembersItsPositionAndTheCloseButtonEndsIt) {
    HWND hwnd = Start();
    ASSERT_NE(nullptr, hwnd);
    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 60, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    SetForegroundWindow(hwnd);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == hwnd; }, 5000));
    ClickAt(hwnd, layout::kCloseButton);
    ASSERT_TRUE(m_first.WaitExit(10000));
    const Profile saved = LoadProfile(ProfileFile());
    EXPECT_TRUE(saved.hasPosition);
    EXPECT_EQ(60, saved.x);
    EXPECT_EQ(50, saved.y);
    EXPECT_EQ(1, saved.firstDayOfWeek);

    hwnd = Start(m_again);
    ASSERT_NE(nullptr, hwnd);
    RECT r;
    ASSERT_TRUE(GetWindowRect(hwnd, &r));
    EXPECT_EQ(60, r.left);
    EXPECT_EQ(50, r.top);
}
