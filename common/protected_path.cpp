#include "protected_path.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace {

// Shell folders that no removal may take, nor any folder above them.
const int kProtectedFolders[] = {
    CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY,
    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS, CSIDL_MYMUSIC, CSIDL_MYPICTURES,
    CSIDL_MYVIDEO, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS,
    CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_STARTUP, CSIDL_COMMON_STARTUP, CSIDL_FAVORITES, CSIDL_TEMPLATES,
    CSIDL_COMMON_TEMPLATES, CSIDL_FONTS, CSIDL_SENDTO, CSIDL_RECENT, CSIDL_NETHOOD, CSIDL_PRINTHOOD,
    CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY, CSIDL_ADMINTOOLS, CSIDL_COMMON_ADMINTOOLS,
};

std::wstring GuardedFolder(int csidl)
{
    WCHAR path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return std::wstring();
    return NormalisePath(path);
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
    // "\\server\share" and "\\?\..." forms: the share itself is a root.
    if (full.compare(0, 2, L"\\\\") == 0) {
        size_t slashes = 0;
        for (size_t i = 2; i < full.size(); ++i)
            slashes += full[i] == L'\\';
        return slashes < 2;
    }
    return false;
}

} // namespace

ProtectedPathGuard::ProtectedPathGuard()
{
    for (int csidl : kProtectedFolders) {
        const std::wstring folder = GuardedFolder(csidl);
        if (!folder.empty())
            m_folders.push_back(folder);
    }
    WCHAR windows[MAX_PATH] = {};
    if (GetWindowsDirectoryW(windows, MAX_PATH))
        m_folders.push_back(NormalisePath(windows));
    m_profiles = Parent(GuardedFolder(CSIDL_PROFILE));
}

bool ProtectedPathGuard::IsProtected(const std::wstring& path) const
{
    const std::wstring full = NormalisePath(path);
    if (full.empty() || IsRoot(full))
        return true;
    for (const std::wstring& folder : m_folders) {
        if (Contains(full, folder))
            return true;
    }
    // Every user's profile: the folders beside the current user's profile.
    return !m_profiles.empty() && !IsRoot(m_profiles) && Equal(Parent(full), m_profiles);
}

bool IsProtectedPath(const std::wstring& path)
{
    return ProtectedPathGuard().IsProtected(path);
}
