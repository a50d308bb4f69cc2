#include "delayed_removal.h"

#include "decimal_text.h"
#include "install_removal.h"
#include "paths.h"
#include "product.h"
#include "protected_path.h"

#include <shellapi.h>

namespace {

// The lock that StartDelayedRemoval waits for; set by ExitLock::Acquire.
std::wstring g_exitLockPath;

// One look's pause: one echo request to loopback, answered at once, and the
// one-second interval of a second one.
constexpr wchar_t kPause[] = L"ping 127.0.0.1 -n 2 -w 1000 > Nul";

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

// "(if not exist "LOCK" command)": runs `command` only once the lock has gone.
std::wstring OnceGone(const std::wstring& lock, const std::wstring& command)
{
    return L"(if not exist " + lock + L" " + command + L")";
}

// Deletes a file, clearing a read-only attribute first.
void DeleteFileNow(const std::wstring& path)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

// Deletes the tree below and including `directory` with plain file calls (no
// shell, so no dialog); links are removed, never followed. What fails stays.
void RemoveTreeNow(const std::wstring& directory)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(JoinPath(directory, L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = JoinPath(directory, name.c_str());
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileNow(path);
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveDirectoryW(path.c_str());
            } else {
                RemoveTreeNow(path);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    SetFileAttributesW(directory.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryW(directory.c_str());
}

// The removal the command would make, made now: what is in use stays.
void RemoveNow(const std::wstring& directory, DelayedRemoval what, bool keepFolder)
{
    if (what == DelayedRemoval::WholeTree) {
        RemoveTreeNow(directory);
        return;
    }
    for (const wchar_t* name : {kUninstallerFileName, kUninstallSkinFileName, kWindowLibraryFileName})
        DeleteFileNow(JoinPath(directory, name));
    if (!keepFolder)
        RemoveDirectoryW(directory.c_str());
}

// Makes the lock file in `folder`; INVALID_HANDLE_VALUE when the folder's
// path is not safe for the command or the file cannot be made.
HANDLE CreateLockIn(const std::wstring& folder, std::wstring* path)
{
    if (folder.empty() || !IsSafeForCommand(folder))
        return INVALID_HANDLE_VALUE;
    WCHAR name[64];
    wsprintfW(name, L"VELTExit-%lu-%lu.lock", GetCurrentProcessId(), GetTickCount());
    *path = JoinPath(folder, name);
    return CreateFileW(path->c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
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
    std::wstring folders[3];
    WCHAR buffer[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, buffer);
    if (length > 0 && length < MAX_PATH) {
        folders[0] = buffer;
        WCHAR shortForm[MAX_PATH] = {};
        length = GetShortPathNameW(buffer, shortForm, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            folders[1] = shortForm;
    }
    length = GetWindowsDirectoryW(buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        folders[2] = JoinPath(buffer, L"Temp");
    for (const std::wstring& folder : folders) {
        std::wstring path;
        m_file = CreateLockIn(folder, &path);
        if (m_file != INVALID_HANDLE_VALUE) {
            m_path = path;
            g_exitLockPath = path;
            return true;
        }
    }
    return false;
}

bool HoldExitLockUntilExit()
{
    // Deliberately never destroyed: the lock must outlive everything the
    // process runs.
    static ExitLock* lock = new ExitLock;
    return lock->Acquire();
}

bool IsSafeForCommand(const std::wstring& path)
{
    return !path.empty() && path.find_first_of(L"%!\"") == std::wstring::npos;
}

std::wstring DelayedRemovalParameters(const std::wstring& lockPath, const std::wstring& directory,
                                      DelayedRemoval what, bool keepFolder, int tries,
                                      const std::vector<std::wstring>& parents)
{
    if (!IsSafeForCommand(directory) || (!lockPath.empty() && !IsSafeForCommand(lockPath)))
        return std::wstring();
    std::vector<std::wstring> removals(2);
    if (what == DelayedRemoval::WholeTree) {
        removals[0] = L"rd /s/q " + Quoted(directory);
        // Folders above it that the installation made: "rd" without /s
        // takes only an empty one.
        for (const std::wstring& parent : parents) {
            if (IsSafeForCommand(parent))
                removals.push_back(L"rd " + Quoted(parent));
        }
    } else {
        removals[0] = L"del /f /q " + Quoted(JoinPath(directory, kUninstallerFileName)) + L" " +
                      Quoted(JoinPath(directory, kUninstallSkinFileName)) + L" " +
                      Quoted(JoinPath(directory, kWindowLibraryFileName));
        if (!keepFolder)
            removals[1] = L"rd " + Quoted(directory);
    }
    std::wstring command = L"/d /v:off /c ";
    if (lockPath.empty()) {
        // No lock to wait for: a pause of about two seconds, then the removal.
        command += L"ping 127.0.0.1 -n 3 -w 1000 > Nul";
        for (const std::wstring& removal : removals) {
            if (!removal.empty())
                command += L" & " + removal;
        }
        return command;
    }
    const std::wstring lock = Quoted(lockPath);
    command += L"(for /l %i in (1,1," + DecimalText(tries) + L") do @if exist " + lock + L" " + kPause + L")";
    for (int round = 0; round < kDelayedRemovalRounds; ++round) {
        command += L" & " + OnceGone(lock, kPause);
        for (const std::wstring& removal : removals) {
            if (!removal.empty())
                command += L" & " + OnceGone(lock, removal);
        }
    }
    return command;
}

bool StartDelayedRemoval(const std::wstring& directory, DelayedRemoval what, int tries, int createdParents)
{
    const std::wstring full = NormalisePath(directory);
    if (full.empty())
        return false;
    // A protected folder never goes; from it only Uninstall's own files do.
    const bool isProtected = IsProtectedPath(full);
    if (isProtected && what == DelayedRemoval::WholeTree)
        return false;
    if (!IsSafeForCommand(full)) {
        RemoveNow(full, what, isProtected);
        if (what == DelayedRemoval::WholeTree)
            RemoveEmptiedParents(full, createdParents);
        return false;
    }
    const std::vector<std::wstring> parents =
        what == DelayedRemoval::WholeTree ? CreatedParentFolders(full, createdParents) : std::vector<std::wstring>();
    const std::wstring parameters = DelayedRemovalParameters(g_exitLockPath, full, what, isProtected, tries, parents);
    if (parameters.empty())
        return false;
    // The interpreter starts in the system folder: a current directory inside
    // the folder it removes (the caller's, inherited) would keep that folder.
    WCHAR system[MAX_PATH] = {};
    const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
    const wchar_t* startIn = systemLength > 0 && systemLength < MAX_PATH ? system : nullptr;
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", L"cmd.exe", parameters.c_str(), startIn, SW_HIDE);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
