// Entry of "VELT电子日历.exe": makes itself aware of the display's scaling,
// makes sure only one calendar runs (a second
// start brings the first one's window forward and ends), opens the calendar
// window and runs the message loop. Returns the loop's exit code, 0 normally,
// 1 when the window could not be created.
#include <windows.h>

#include <string>

#include "calendar_window.h"
#include "display_scaling.h"
#include "single_instance.h"

namespace {

constexpr wchar_t kInstanceMutex[] = L"Local\\VeltCalendar.Instance";
constexpr wchar_t kTitle[] = L"VELT电子日历";

std::wstring ProgramDir() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return L".";
    std::wstring dir(path, n);
    const size_t slash = dir.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : dir.substr(0, slash);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // Where the system reads no manifest entry for it (before Windows 10
    // 1703, or a copy without the manifest), before any window is made.
    display::SetProcessAwareness();
    SingleInstance single;
    if (!single.Acquire(kInstanceMutex)) {
        ActivateRunningWindow(CalendarWindow::kClassName, kTitle, 5000);
        return 0;
    }

    CalendarWindow window(ProgramDir());
    if (!window.Create(instance, showCommand)) return 1;

    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return got == -1 ? 1 : static_cast<int>(msg.wParam);
}
