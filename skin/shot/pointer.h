// Real mouse input for the screenshot tool and the skin tests: the system
// cursor is moved and the left button pressed with SendInput, so the window
// under the cursor receives the same messages a user's mouse would give it.
//
// Contract: every function returns false when the input could not be sent
// (or, for moves, when the cursor did not arrive at the point).
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

// Centre of a rectangle.
inline POINT CenterOf(const RECT& rc) { return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }

} // namespace skinshot
