#include "protected_path.h"

#include "path_identity.h"

#include <windows.h>
#include <shlobj.h>

namespace {

// Shell folders that no removal may take, nor any folder above them.
const int kProtectedFolders[] = {
    CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS, CSIDL_MYMUSIC, CSIDL_MYPICTURES, CSIDL_MYVIDEO, CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU,
    CSIDL_COMMON_STARTMENU, CSIDL_STARTUP, CSIDL_COMMON_STARTUP, CSIDL_FAVORITES, CSIDL_TEMPLATES,
    CSIDL_COMMON_TEMPLATES, CSIDL_FONTS, CSIDL_SENDTO, CSIDL_RECENT, CSIDL_NETHOOD, CSIDL_PRINTHOOD,
    CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY, CSIDL_ADMINTOOLS, CSIDL_COMMON_ADMINTOOLS,
};

// The Program Files and common files folders as the environment and the
// 64-bit view of the registry name them: a 32-bit program's shell folders
// name only the (x86) ones on a 64-bit Windows.
const wchar_t* const kProgramFilesVariables[] = {L"ProgramW6432", L"CommonProgramW6432", L"ProgramFiles",
                                                 L"ProgramFiles(x86)", L"CommonProgramFiles",
                                                 L"CommonProgramFiles(x86)"};
const wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const wchar_t kProfileListKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

std::wstring ShellFolder(int csidl)
{
    WCHAR path[MAX_PATH] = {};
    return SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE) ? path : L"";
}

std::wstring Expanded(const std::wstring& text)
{
    WCHAR expanded[MAX_PATH * 2] = {};
    const DWORD length = ExpandEnvironmentStringsW(text.c_str(), expanded, MAX_PATH * 2);
    return length > 0 && length <= MAX_PATH * 2 ? expanded : L"";
}

std::wstring Variable(const wchar_t* name)
{
    WCHAR value[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? value : L"";
}

// The string values `names` of an HKLM key in its 64-bit view (the only
// view on a 32-bit Windows), expanded; missing ones are left out.
std::vector<std::wstring> MachineValues(const wchar_t* key, const std::vector<const wchar_t*>& names)
{
    std::vector<std::wstring> values;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &handle) != ERROR_SUCCESS)
        return values;
    for (const wchar_t* name : names) {
        WCHAR value[MAX_PATH * 2] = {};
        DWORD type = 0, size = sizeof value - sizeof(WCHAR);
        if (RegQueryValueExW(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ))
            values.push_back(type == REG_EXPAND_SZ ? Expanded(value) : std::wstring(value));
    }
    RegCloseKey(handle);
    return values;
}

bool Equal(const std::wstring& a, const std::wstring& b)
{
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

// True when `outer` is `inner` or one of the folders above it.
bool Contains(const std::wstring& outer, const std::wstring& inner)
{
    if (outer.empty() || inner.size() < outer.size())
        return false;
    if (!Equal(outer, inner.substr(0, outer.size())))
        return false;
    return inner.size() == outer.size() || outer.back() == L'\\' || inner[outer.size()] == L'\\';
}

std::wstring Parent(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos)
        return std::wstring();
    if (slash == 2 && path[1] == L':')
        return path.substr(0, 3);
    return path.substr(0, slash);
}

bool IsRoot(const std::wstring& full)
{
    if (full.size() == 3 && full[1] == L':')
        return true;
    // "\\server\share": the share itself is a root.
    if (full.compare(0, 2, L"\\\\") == 0) {
        size_t slashes = 0;
        for (size_t i = 2; i < full.size(); ++i)
            slashes += full[i] == L'\\';
        return slashes < 2;
    }
    return false;
}

void AddOnce(std::vector<std::wstring>* list, const std::wstring& path)
{
    if (path.empty())
        return;
    for (const std::wstring& known : *list) {
        if (Equal(known, path))
            return;
    }
    list->push_back(path);
}

struct ProtectedFolders {
    std::vector<std::wstring> folders, trees, profiles;

    void Add(const std::wstring& path, bool withContent = false)
    {
        // Both the written form and what it names: either may be how a path
        // reaches it.
        for (const std::wstring& form : {NormalisePath(path), FinalPathOf(path)})
            AddOnce(withContent ? &trees : &folders, form);
    }
};

ProtectedFolders LookUpFolders()
{
    ProtectedFolders found;
    // The Windows folder with everything in it.
    WCHAR windows[MAX_PATH] = {};
    if (GetWindowsDirectoryW(windows, MAX_PATH))
        found.Add(windows, true);
    if (GetSystemWindowsDirectoryW(windows, MAX_PATH))
        found.Add(windows, true);
    found.Add(ShellFolder(CSIDL_WINDOWS), true);
    for (int csidl : kProtectedFolders)
        found.Add(ShellFolder(csidl));
    for (const wchar_t* name : kProgramFilesVariables)
        found.Add(Variable(name));
    for (const std::wstring& folder :
         MachineValues(kCurrentVersionKey, {L"ProgramFilesDir", L"ProgramW6432Dir", L"ProgramFilesDir (x86)",
                                            L"CommonFilesDir", L"CommonW6432Dir", L"CommonFilesDir (x86)"}))
        found.Add(folder);
    // The folders that hold the profiles: the current user's profile's
    // parent, and the one the system names.
    std::vector<std::wstring> profiles = MachineValues(kProfileListKey, {L"ProfilesDirectory"});
    profiles.push_back(Parent(NormalisePath(ShellFolder(CSIDL_PROFILE))));
    for (const std::wstring& folder : profiles) {
        found.Add(folder);
        for (const std::wstring& form : {NormalisePath(folder), FinalPathOf(folder)}) {
            if (!form.empty() && !IsRoot(form))
                AddOnce(&found.profiles, form);
        }
    }
    return found;
}

} // namespace

ProtectedPathGuard::ProtectedPathGuard()
{
    // Looked up once per process: the folders do not move while it runs.
    static const ProtectedFolders once = LookUpFolders();
    m_folders = once.folders;
    m_trees = once.trees;
    m_profiles = once.profiles;
}

bool ProtectedPathGuard::Guards(const std::wstring& full) const
{
    if (full.empty() || IsRoot(full))
        return true;
    for (const std::wstring& tree : m_trees) {
        if (Contains(full, tree) || Contains(tree, full))
            return true;
    }
    for (const std::wstring& folder : m_folders) {
        if (Contains(full, folder))
            return true;
    }
    // Every user's profile: the folders in the folder that holds them.
    for (const std::wstring& profiles : m_profiles) {
        if (Equal(Parent(full), profiles))
            return true;
    }
    return false;
}

bool ProtectedPathGuard::IsProtected(const std::wstring& path) const
{
    const std::wstring named = FinalPathOf(path);
    return named.empty() || Guards(named) || Guards(NormalisePath(path));
}

bool IsProtectedPath(const std::wstring& path)
{
    return ProtectedPathGuard().IsProtected(path);
}
