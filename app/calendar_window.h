// The calendar's one top-level window: a skinned, captionless window titled
// "VELT电子日历" that shows one month with today marked, Chinese weekday
// names, and moves between months and years by its arrow buttons, the mouse
// wheel and the keyboard (Left/Right or Page Up/Page Down: a month; Up/Down or
// Ctrl+Page Up/Page Down: a year; Home: back to today).
//
// Its pictures come from "res\image\face\默认\" beside the program; a missing
// picture is replaced by plain drawing. Settings come from "res\profile.xml"
// (profile.h); the window position is written back there when the window is
// destroyed. A hidden static child (kMonthLabelId) carries the shown month as
// text ("2026年12月") for screen readers and tests.
//
// It draws at its window's DPI (display_scaling.h; the layout and the
// pictures are for 96 DPI and scaled by it): the window's size, region,
// every position, the fonts and the pictures. On WM_DPICHANGED it takes the
// rectangle the system suggests and redraws at the new DPI. The saved
// position is in screen pixels.
//
// The object owns its window: Create makes it, the destructor destroys it if
// it still exists. The window posts WM_QUIT (0) when it is destroyed.
#pragma once

#include <windows.h>

#include <string>

#include "calendar_math.h"
#include "display_scaling.h"
#include "gdi_handles.h"
#include "png_image.h"
#include "profile.h"

class CalendarWindow {
public:
    static constexpr wchar_t kClassName[] = L"VeltCalendarWnd";
    static constexpr int kMonthLabelId = 100;

    explicit CalendarWindow(std::wstring exeDir);
    ~CalendarWindow();
    CalendarWindow(const CalendarWindow&) = delete;
    CalendarWindow& operator=(const CalendarWindow&) = delete;

    // Registers the class, loads pictures and settings, creates and shows the
    // window. False when the class or the window cannot be created.
    bool Create(HINSTANCE instance, int showCommand);
    HWND Handle() const { return m_hwnd; }

private:
    enum class Hit { None, Minimise, Close, PrevYear, PrevMonth, NextMonth, NextYear, Today };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

    void LoadPictures();
    void MakeFonts();
    // Pictures and fonts for `dpi`; the window's size is left to the caller.
    void UseDpi(UINT dpi);
    // The window's rectangle (screen pixels) and round region at m_dpi.
    void PlaceAt(int x, int y, int width, int height);
    int S(int value) const { return display::ScaleByDpi(value, m_dpi); }
    RECT S(const RECT& r) const;
    void PlaceWindow(int* x, int* y) const;
    void SavePosition() const;

    void ShowMonth(const calendar::YearMonth& ym);
    void Step(int months);
    void GoToToday();
    void RefreshToday();
    void Activate(Hit hit);

    Hit HitTest(POINT client) const;
    void SetHot(Hit hit);

    void Paint(HDC dc) const;
    void PaintBackground(HDC dc) const;
    void PaintTitle(HDC dc) const;
    void PaintNavigation(HDC dc) const;
    void PaintGrid(HDC dc) const;
    void PaintTodayLine(HDC dc) const;

    std::wstring m_exeDir;
    std::wstring m_profilePath;
    Profile m_profile;
    HWND m_hwnd = nullptr;
    HWND m_monthLabel = nullptr;
    int m_width = 0;   // the window's size at 96 DPI
    int m_height = 0;
    UINT m_dpi = display::kLayoutDpi;

    calendar::YearMonth m_shown = {2000, 1};
    calendar::Date m_today = {2000, 1, 1};
    Hit m_hot = Hit::None;
    Hit m_pressed = Hit::None;
    bool m_tracking = false;

    PngImage m_background, m_panel, m_logo, m_min, m_minHot, m_close, m_closeHot;
    GdiObject<HFONT> m_titleFont, m_monthFont, m_navFont, m_headerFont, m_dayFont, m_smallFont;
};
