// Where things are in the calendar window, in client pixels at 96 DPI: the
// title band with its buttons, the navigation row, the month grid and the
// "today" line. At another DPI every number is scaled by it, edge by edge
// (Scaled). The window paints, hit-tests and the tests click by these same
// numbers.
#pragma once

#include <windows.h>

#include "display_scaling.h"

namespace layout {

inline constexpr int kWindowWidth = 380;   // size without the background picture
inline constexpr int kWindowHeight = 420;
inline constexpr int kCornerRadius = 16;

inline constexpr int kTitleHeight = 44;    // dragging here moves the window
inline constexpr RECT kLogo = {12, 10, 36, 34};
inline constexpr RECT kTitleText = {42, 8, 250, 36};
inline constexpr RECT kMinButton = {308, 10, 338, 34};
inline constexpr RECT kCloseButton = {342, 10, 372, 34};

inline constexpr RECT kPrevYear = {20, 56, 50, 86};
inline constexpr RECT kPrevMonth = {54, 56, 84, 86};
inline constexpr RECT kMonthLabel = {90, 56, 290, 86};
inline constexpr RECT kNextMonth = {296, 56, 326, 86};
inline constexpr RECT kNextYear = {330, 56, 360, 86};

inline constexpr POINT kPanel = {12, 96};  // top-left of the grid's panel picture
inline constexpr int kGridLeft = 22;
inline constexpr int kHeaderTop = 104;
inline constexpr int kHeaderHeight = 28;
inline constexpr int kGridTop = 136;
inline constexpr int kCellWidth = 48;
inline constexpr int kCellHeight = 42;

inline constexpr RECT kTodayLine = {16, 396, 364, 416};

inline RECT Cell(int index) {
    const int col = index % 7, row = index / 7;
    return RECT{kGridLeft + col * kCellWidth, kGridTop + row * kCellHeight,
                kGridLeft + (col + 1) * kCellWidth, kGridTop + (row + 1) * kCellHeight};
}

inline int Scaled(int value, UINT dpi) { return display::ScaleByDpi(value, dpi); }
inline RECT Scaled(const RECT& r, UINT dpi) {
    return RECT{Scaled(r.left, dpi), Scaled(r.top, dpi), Scaled(r.right, dpi), Scaled(r.bottom, dpi)};
}

inline POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

} // namespace layout
