// Real mouse and keyboard input: see pointer.h.
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
    for (const DWORD start = ::GetTickCount();; ::Sleep(10)) {
        POINT now = {};
        if (::GetCursorPos(&now) && now.x == screen.x && now.y == screen.y) return true;
        if (::GetTickCount() - start > 1000) return false;
    }
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

bool ClickScreen(POINT screen) { return MoveMouseToScreen(screen) && PressLeft() && ReleaseLeft(); }

bool TapKey(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return ::SendInput(2, in, sizeof(INPUT)) == 2;
}

} // namespace skinshot
