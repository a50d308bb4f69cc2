#include "delayed_removal.h"

#include "product.h"
#include "protected_path.h"

#include <shellapi.h>

namespace {

// The lock that StartDelayedRemoval waits for; set by ExitLock::Acquire.
std::wstring g_exitLockPath;

// How many times the command tries to delete the lock, about a second apart.
constexpr int kLockTries = 120;

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

std::wstring Join(const std::wstring& directory, const wchar_t* name)
{
    std::wstring path = directory;
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path + name;
}

// The lock's name as the command spells it. "if exist" of the command shell
// under Wine does not take a quoted path, so the name is given without quotes
// where it has no space (the temporary folder there has none); elsewhere the
// short form is tried first, and quotes are the last resort.
std::wstring LockToken(const std::wstring& lockPath)
{
    std::wstring token = lockPath;
    if (token.find(L' ') != std::wstring::npos) {
        WCHAR shortPath[MAX_PATH] = {};
        const DWORD length = GetShortPathNameW(lockPath.c_str(), shortPath, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            token = shortPath;
    }
    return token.find(L' ') == std::wstring::npos ? token : Quoted(token);
}

} // namespace

ExitLock::~ExitLock()
{
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
    if (g_exitLockPath == m_path)
        g_exitLockPath.clear();
}

bool ExitLock::Acquire()
{
    if (m_file != INVALID_HANDLE_VALUE)
        return true;
    WCHAR temp[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return false;
    WCHAR name[64];
    wsprintfW(name, L"VELTExit-%lu-%lu.lock", GetCurrentProcessId(), GetTickCount());
    const std::wstring path = Join(temp, name);
    m_file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (m_file == INVALID_HANDLE_VALUE)
        return false;
    m_path = path;
    g_exitLockPath = path;
    return true;
}

bool HoldExitLockUntilExit()
{
    // Deliberately never destroyed: the lock must outlive everything the
    // process runs.
    static ExitLock* lock = new ExitLock;
    return lock->Acquire();
}

std::wstring DelayedRemovalParameters(const std::wstring& lockPath, const std::wstring& directory,
                                      DelayedRemoval what, bool keepFolder)
{
    std::wstring wait;
    std::wstring guard;
    if (lockPath.empty()) {
        wait = L"ping 127.0.0.1 -n 3 -w 1000 > Nul & ";
    } else {
        // The loop only pauses while the lock exists; what follows runs once
        // the lock has gone (or after the last try, and then only behind the
        // same test). Each removal command carries its own test, so the line
        // means the same whether "&" ends the loop's body or belongs to it.
        const std::wstring lock = LockToken(lockPath);
        wait = L"for /l %i in (1,1," + std::to_wstring(kLockTries) + L") do @if exist " + lock +
               L" ping 127.0.0.1 -n 2 -w 1000 > Nul & ";
        guard = L"if not exist " + lock + L" ";
        // A moment more once the lock has gone, for the process's last modules.
        wait += guard + L"ping 127.0.0.1 -n 2 -w 1000 > Nul & ";
    }
    if (what == DelayedRemoval::WholeTree)
        return L"/c " + wait + guard + L"rd /s/q " + Quoted(directory);
    return L"/c " + wait + guard + L"del /f /q " + Quoted(Join(directory, kUninstallerFileName)) + L" " +
           Quoted(Join(directory, kUninstallSkinFileName)) + L" " + Quoted(Join(directory, kWindowLibraryFileName)) +
           L" > Nul 2>&1" + (keepFolder ? std::wstring() : L" & " + guard + L"rd " + Quoted(directory) + L" > Nul 2>&1");
}

bool StartDelayedRemoval(const std::wstring& directory, DelayedRemoval what)
{
    const std::wstring full = NormalisePath(directory);
    if (full.empty())
        return false;
    // A protected folder never goes; from it only Uninstall's own files do.
    const bool isProtected = IsProtectedPath(full);
    if (isProtected && what == DelayedRemoval::WholeTree)
        return false;
    const std::wstring parameters = DelayedRemovalParameters(g_exitLockPath, full, what, isProtected);
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", L"cmd.exe", parameters.c_str(), nullptr, SW_HIDE);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
