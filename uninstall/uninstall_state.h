// Uninstall's own process-wide state (the shared items are in
// process_state.h and maintenance_pages.h). Defined in main.cpp; written on
// the main thread at start-up, read after the message loop.
#pragma once

#include <string>

class CPage9Wnd;

extern CPage9Wnd* g_pPage9Wnd;      // the confirmation frame
extern std::wstring g_strModuleDir; // folder of Uninstall.exe, no trailing separator
