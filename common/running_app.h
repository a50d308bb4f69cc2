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
