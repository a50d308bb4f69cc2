// Process-wide state that both programs keep and that the shared code reads.
// Plain globals without locks: written on the main thread before a worker
// starts, read by that worker (see the worker headers for the exceptions).
#pragma once

#include <string>

extern int g_bAllUsers;               // 1: all users (HKLM, common folders); 0: current user. Starts at 1.
extern std::wstring g_strProductKey;  // the product's sub-key under the uninstall key
extern std::wstring g_strInstallDir;  // the installation directory, exactly as entered or recorded
