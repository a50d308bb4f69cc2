#include "running_app.h"

#include "product.h"

#include <psapi.h>
#include <wchar.h>

DWORD FindRunningApp()
{
    DWORD ids[1024];
    DWORD bytes = 0;
    if (!EnumProcesses(ids, sizeof(ids), &bytes))
        return 0;
    const DWORD count = bytes / sizeof(DWORD);
    for (DWORD i = 0; i < count && i < 1024; ++i) {
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
        if (!process)
            continue;
        HMODULE modules[1024];
        DWORD needed = 0;
        WCHAR path[MAX_PATH] = {};
        bool havePath = false;
        if (EnumProcessModules(process, modules, sizeof(modules), &needed) && needed >= sizeof(HMODULE))
            havePath = GetModuleFileNameExW(process, modules[0], path, MAX_PATH) != 0;
        CloseHandle(process);
        if (havePath && wcsstr(path, kAppFileName))
            return ids[i];
    }
    return 0;
}

bool RefuseWhileAppRuns(HWND owner)
{
    if (FindRunningApp() == 0)
        return false;
    MessageBoxW(owner, kMsgAppRunning, kCaptionNotice, MB_ICONERROR);
    return true;
}
