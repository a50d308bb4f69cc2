#include "system_dll.h"

#include <string>

namespace {

// Of Windows 8 and later (and Windows 7 and Vista with their update of the
// loader); the headers of Windows XP's level do not declare them.
const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// DLLs that system DLLs of the programs load by name later on (see
// RestrictDllSearch) and that are not KnownDLLs.
const wchar_t* const kLoadedEarly[] = {L"uxtheme.dll", L"msimg32.dll"};

using SetDefaultDirsFn = BOOL(WINAPI*)(DWORD);
using SetDirFn = BOOL(WINAPI*)(LPCWSTR);

FARPROC KernelProc(const char* name)
{
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? GetProcAddress(kernel, name) : nullptr;
}

// The loader takes LOAD_LIBRARY_SEARCH_* flags where it has AddDllDirectory
// (the documented way to tell).
bool LoaderKnowsSearchFlags()
{
    return KernelProc("AddDllDirectory") != nullptr;
}

} // namespace

bool RestrictDllSearch()
{
    bool systemOnly = false;
    const auto setDefault = reinterpret_cast<SetDefaultDirsFn>(
        reinterpret_cast<void*>(KernelProc("SetDefaultDllDirectories")));
    if (setDefault && setDefault(kSearchSystem32)) {
        systemOnly = true;
    } else if (const auto setDir =
                   reinterpret_cast<SetDirFn>(reinterpret_cast<void*>(KernelProc("SetDllDirectoryW")))) {
        setDir(L"");
    }
    // Loaded now, from the system folder, so that a later load by name finds
    // them loaded: the visual styles library's delayed import of msimg32 is
    // resolved by a search that starts in the program's folder where the
    // loader lacks default directories (Windows before its loader update)
    // and under Wine whatever the program set (its delayed imports ignore
    // the default directories).
    for (const wchar_t* name : kLoadedEarly)
        SystemDll(name);
    return systemOnly;
}

HMODULE SystemDll(const wchar_t* name)
{
    if (LoaderKnowsSearchFlags()) {
        if (const HMODULE module = LoadLibraryExW(name, nullptr, kSearchSystem32))
            return module;
    }
    WCHAR system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring path(system, length);
    if (path.back() != L'\\')
        path += L'\\';
    path += name;
    // A full path: the file itself; its imports from its own folder first.
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC SystemProc(const wchar_t* dll, const char* entry)
{
    const HMODULE module = SystemDll(dll);
    return module ? GetProcAddress(module, entry) : nullptr;
}
