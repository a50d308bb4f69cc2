// Real mouse input: see pointer.h.
#include "pointer.h"

namespace skinshot {

namespace {

bool SendMouse(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return ::SendInput(1, &input, sizeof(input)) == 1;
}

} // namespace

bool MoveMouseToScreen(POINT screen) {
    if (!::SetCursorPos(screen.x, screen.y)) return false;
    // A move of zero from where the cursor now is: the window under it gets
    // a mouse-move message just like from a real mouse.
    if (!SendMouse(MOUSEEVENTF_MOVE)) return false;
    POINT now = {};
    return ::GetCursorPos(&now) && now.x == screen.x && now.y == screen.y;
}

bool MoveMouseTo(HWND hwnd, POINT client) {
    if (!::ClientToScreen(hwnd, &client)) return false;
    return MoveMouseToScreen(client);
}

bool ParkMouse() {
    POINT corner = {::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1};
    return MoveMouseToScreen(corner);
}

bool PressLeft() { return SendMouse(MOUSEEVENTF_LEFTDOWN); }

bool ReleaseLeft() { return SendMouse(MOUSEEVENTF_LEFTUP); }

} // namespace skinshot
