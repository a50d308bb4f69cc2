#include "process_state.h"

#include "product.h"

int g_bAllUsers = 1;
std::wstring g_strProductKey = kProductKey;
std::wstring g_strInstallDir;
