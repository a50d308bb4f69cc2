#include "shell_user_hook.h"

#include <windows.h>

#include "shell_user.h"

namespace {

struct Hook {
    Hook()
    {
        wchar_t sid[192] = {};
        const DWORD length = GetEnvironmentVariableW(kShellUserVariable, sid, 192);
        if (length > 0 && length < 192)
            SetShellUserForTests(sid);
    }
};

// Registers itself before WinMain runs.
Hook g_hook;

} // namespace
