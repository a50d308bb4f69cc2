// Real mouse and keyboard input for the screenshot tool and the tests: the
// system cursor is moved, the left button pressed and keys tapped with
// SendInput, so the window under the cursor (or with the focus) receives the
// same messages a user's mouse and keyboard would give it. A library of its
// own (velt_input), needing nothing but user32.
//
// Contract: every function returns false when the input could not be sent
// (or, for moves, when the cursor did not arrive at the point within a
// second).
#pragma once

#include <windows.h>

namespace skinshot {

// Moves the cursor to a point of the window's client area.
bool MoveMouseTo(HWND hwnd, POINT client);
// Moves the cursor to a screen point.
bool MoveMouseToScreen(POINT screen);
// Parks the cursor in the bottom-right corner of the screen.
bool ParkMouse();
bool PressLeft();
bool ReleaseLeft();
// A move to the screen point, then a press and release of the left button.
bool ClickScreen(POINT screen);
// A key pressed and released.
bool TapKey(WORD vk);

// Centre of a rectangle.
inline POINT CenterOf(const RECT& rc) { return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }

} // namespace skinshot
