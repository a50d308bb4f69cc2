// DLLs of Windows' own system folder, for the elevated programs and their
// window library. Setup and Uninstall run as administrator, often from a
// downloads folder that anyone can write to: a DLL that is not one of
// Windows' KnownDLLs and is found by the normal search (the program's folder
// first) would run with their rights. So the programs and DuiLibu.dll import
// only KnownDLLs (and the programs DuiLibu.dll, tools/check-imports.sh
// holds them to it) and take everything else from here.
//
// RestrictDllSearch(): the first call of each program's entry. From then on
// a DLL loaded by name (by the program or by a system DLL on its behalf) is
// looked up in the system folder only: SetDefaultDllDirectories
// (LOAD_LIBRARY_SEARCH_SYSTEM32) where kernel32 has it, else
// SetDllDirectoryW(L""), which at least takes the current folder out of the
// search; on a system with neither, nothing changes. Both are found at run
// time (Windows XP before SP1 has neither). It then loads the visual styles
// library and msimg32 from the system folder, which system DLLs load by name
// later through delayed imports (a search that Wine, and Windows without the
// loader update, start in the program's folder): a loaded module is found by
// its name before any search. Returns whether the search is now the system
// folder only.
//
// SystemDll(name): the DLL of that file name ("comctl32.dll") from the
// system folder, loaded with the system folder as the only place for it and
// its own imports (LOAD_LIBRARY_SEARCH_SYSTEM32 where the loader knows it,
// else the full path from GetSystemDirectoryW with the DLL's own folder
// first for its imports). Never from the program's folder, the current
// folder or PATH. Null when it cannot be loaded. The module stays loaded
// for the life of the process.
//
// SystemProc(dll, entry): an entry point of such a DLL, or null. Callers
// look it up once and keep it.
#pragma once

#include <windows.h>

bool RestrictDllSearch();
HMODULE SystemDll(const wchar_t* name);
FARPROC SystemProc(const wchar_t* dll, const char* entry);

// SystemProc cast to the entry's type.
template <class Fn>
Fn SystemFunction(const wchar_t* dll, const char* entry)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(SystemProc(dll, entry)));
}
