#include "running_app.h"

#include "file_handle.h"
#include "product.h"
#include "system_dll.h"

#include <wchar.h>

namespace {

// The process functions: psapi is not a KnownDLL on every Windows the
// programs run on, so they come from the system folder (system_dll.h).
struct Psapi {
    using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
    using EnumModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
    using ModuleFileNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
    EnumProcessesFn enumProcesses = SystemFunction<EnumProcessesFn>(L"psapi.dll", "EnumProcesses");
    EnumModulesFn enumModules = SystemFunction<EnumModulesFn>(L"psapi.dll", "EnumProcessModules");
    ModuleFileNameFn moduleFileName = SystemFunction<ModuleFileNameFn>(L"psapi.dll", "GetModuleFileNameExW");
};

const Psapi& PsapiFunctions()
{
    static const Psapi functions;
    return functions;
}

typedef BOOL(WINAPI* QueryImageNameFunction)(HANDLE, DWORD, LPWSTR, PDWORD);
constexpr DWORD kQueryLimitedInformation = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION, Vista on

// The full path of a process's executable; false when it cannot be read.
// From Vista on one question per process (`query`, QueryFullProcessImageNameW);
// on Windows XP (`query` null) the file name of the process's first module,
// read from its memory (several reads per process, and under Wine each a
// call to the server).
bool ExecutablePath(QueryImageNameFunction query, DWORD id, WCHAR (&path)[MAX_PATH])
{
    if (query) {
        const FileHandle process(OpenProcess(kQueryLimitedInformation, FALSE, id));
        DWORD length = MAX_PATH;
        return process.Valid() && query(process.Get(), 0, path, &length) != FALSE;
    }
    const Psapi& psapi = PsapiFunctions();
    const FileHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    HMODULE modules[1024];
    DWORD needed = 0;
    return psapi.enumModules && psapi.moduleFileName && process.Valid() &&
           psapi.enumModules(process.Get(), modules, sizeof(modules), &needed) && needed >= sizeof(HMODULE) &&
           psapi.moduleFileName(process.Get(), modules[0], path, MAX_PATH) != 0;
}

} // namespace

DWORD FindRunningApp()
{
    DWORD ids[1024];
    DWORD bytes = 0;
    const Psapi& psapi = PsapiFunctions();
    if (!psapi.enumProcesses || !psapi.enumProcesses(ids, sizeof(ids), &bytes))
        return 0;
    const auto query = reinterpret_cast<QueryImageNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
    const DWORD count = bytes / sizeof(DWORD);
    for (DWORD i = 0; i < count && i < 1024; ++i) {
        WCHAR path[MAX_PATH] = {};
        if (ExecutablePath(query, ids[i], path) && wcsstr(path, kAppFileName))
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
