// FindRunningApp: is the calendar application running?
//
// Returns the process identifier of the first listed process whose executable
// path contains "VELT电子日历.exe" (exact, case-sensitive, anywhere in the full
// path), or 0 when there is none. At most the first 1024 processes are looked
// at; processes that cannot be opened or whose path cannot be read are skipped,
// and a failure to list processes gives 0. Keeps no state; a snapshot only.
#pragma once

#include <windows.h>

DWORD FindRunningApp();

// FindRunningApp, and when the calendar runs, the message "VELT电子日历正在
// 运行中，请先结束进程才能继续" (caption "提示", error icon) owned by `owner`
// (none: no owner); returns once it was closed. True when the calendar runs.
bool RefuseWhileAppRuns(HWND owner);
