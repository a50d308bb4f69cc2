#include "delayed_removal.h"

#include "decimal_text.h"
#include "install_removal.h"
#include "paths.h"
#include "product.h"
#include "protected_path.h"

#include "no_follow.h"

#include <algorithm>

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

// The interpreter's line holds at most 8191 characters; "cmd.exe" and the
// quotes around it come before the parameters.
constexpr size_t kMaxParameters = 7600;

// "if not exist "F\*" del /f /q "F"": the file goes only while it is no
// folder (nor a folder link); a missing one gives "del" nothing to do.
std::wstring DeleteIfFile(const std::wstring& file)
{
    return L"if not exist " + Quoted(file + L"\\*") + L" del /f /q " + Quoted(file);
}

// The folders between each file and `directory`, deepest first, then the
// directory itself (when `andDirectory`) and `above`.
std::vector<std::wstring> FoldersToEmpty(const std::wstring& directory, const std::vector<std::wstring>& files,
                                         bool andDirectory, const std::vector<std::wstring>& above)
{
    std::vector<std::wstring> folders;
    for (const std::wstring& file : files) {
        for (std::wstring folder = ParentPath(file);
             folder.size() > directory.size() && !SamePath(folder, directory); folder = ParentPath(folder)) {
            bool listed = false;
            for (const std::wstring& known : folders)
                listed = listed || SamePath(known, folder);
            if (!listed)
                folders.push_back(folder);
        }
    }
    std::stable_sort(folders.begin(), folders.end(), [](const std::wstring& a, const std::wstring& b) {
        return std::count(a.begin(), a.end(), L'\\') > std::count(b.begin(), b.end(), L'\\');
    });
    if (andDirectory)
        folders.push_back(directory);
    folders.insert(folders.end(), above.begin(), above.end());
    return folders;
}

// Removes each folder that is empty now, by handle, in order.
void RemoveEmptyFoldersNow(const std::vector<std::wstring>& folders)
{
    for (const std::wstring& folder : folders) {
        std::wstring parentPath, name;
        OpenedItem parent, item;
        if (SplitLastName(folder, &parentPath, &name) && OpenFolderAt(parentPath, &parent) == OpenStatus::Opened &&
            OpenBelow(parent, name, ItemKind::Folder, &item) == OpenStatus::Opened && ListChildren(item).empty())
            DeleteOpened(&item);
    }
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

// Starts "cmd.exe" of the system folder by its full path, hidden, without a
// console or inherited handles, in the system folder: a current directory
// inside the folder it removes (the caller's, inherited) would keep that
// folder.
bool StartInterpreter(const std::wstring& parameters)
{
    WCHAR system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const std::wstring cmd = JoinPath(system, L"cmd.exe");
    std::wstring line = Quoted(cmd) + L" " + parameters;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(cmd.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, system, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
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

namespace {

// DelayedRemovalParameters; *complete tells whether every file and folder
// went into the line. Files are named in every round, folders only in the
// last one, after the files.
std::wstring BuildParameters(const std::wstring& lockPath, const std::vector<std::wstring>& files,
                             const std::vector<std::wstring>& folders, int tries, bool* complete,
                             std::vector<std::wstring>* named = nullptr)
{
    *complete = false;
    if (!lockPath.empty() && !IsSafeForCommand(lockPath))
        return std::wstring();
    const std::wstring lock = Quoted(lockPath);
    auto part = [&](const std::wstring& removal) {
        return lockPath.empty() ? L" & (" + removal + L")" : L" & " + OnceGone(lock, removal);
    };
    const int rounds = lockPath.empty() ? 1 : kDelayedRemovalRounds;
    std::wstring command = L"/d /v:off /c ";
    // No lock to wait for: a pause of about two seconds, then the removal.
    command += lockPath.empty() ? L"ping 127.0.0.1 -n 3 -w 1000 > Nul"
                                : L"(for /l %i in (1,1," + DecimalText(tries) + L") do @if exist " + lock + L" " +
                                      kPause + L")";
    size_t length = command.size() + (lockPath.empty() ? 0 : rounds * part(kPause).size());
    std::vector<std::wstring> fileParts, folderParts;
    size_t wanted = 0;
    for (const std::wstring& file : files) {
        if (!IsSafeForCommand(file))
            continue;
        ++wanted;
        const std::wstring removal = part(DeleteIfFile(file));
        if (length + rounds * removal.size() <= kMaxParameters) {
            length += rounds * removal.size();
            fileParts.push_back(removal);
            if (named)
                named->push_back(file);
        }
    }
    for (const std::wstring& folder : folders) {
        if (!IsSafeForCommand(folder))
            continue;
        ++wanted;
        const std::wstring removal = part(L"rd " + Quoted(folder));
        if (length + removal.size() <= kMaxParameters) {
            length += removal.size();
            folderParts.push_back(removal);
        }
    }
    if (fileParts.empty() && folderParts.empty())
        return std::wstring();
    for (int round = 0; round < rounds; ++round) {
        if (!lockPath.empty())
            command += part(kPause);
        for (const std::wstring& removal : fileParts)
            command += removal;
    }
    for (const std::wstring& removal : folderParts)
        command += removal;
    *complete = wanted == files.size() + folders.size() && fileParts.size() + folderParts.size() == wanted;
    return command;
}

} // namespace

std::wstring DelayedRemovalParameters(const std::wstring& lockPath, const std::vector<std::wstring>& files,
                                      const std::vector<std::wstring>& folders, int tries)
{
    bool complete = false;
    return BuildParameters(lockPath, files, folders, tries, &complete);
}

bool StartDelayedRemoval(const std::wstring& directory, DelayedRemoval what, int tries, int createdParents,
                         const std::vector<std::wstring>& stayed, std::vector<std::wstring>* handed)
{
    const std::wstring full = NormalisePath(directory);
    if (full.empty())
        return false;
    // A protected folder never goes; from it only Uninstall's own files do.
    const bool isProtected = IsProtectedPath(full);
    if (isProtected && what == DelayedRemoval::WholeTree)
        return false;
    // What is not in use goes now, by handles; the running program's own
    // files in its own folder are not even tried.
    std::vector<std::wstring> inUse;
    const bool running = RunningFrom(full);
    if (what == DelayedRemoval::WholeTree ? !RemoveDirectoryTree(full, running, &inUse)
                                          : !RemoveUninstallerFiles(full, running, &inUse))
        return false;
    // The whole tree's removal has met them again; the others are tried here.
    if (what == DelayedRemoval::UninstallerOnly)
        RemoveFilesBelow(full, stayed, &inUse);
    const std::vector<std::wstring> folders =
        FoldersToEmpty(full, inUse, what == DelayedRemoval::WholeTree || !isProtected,
                       what == DelayedRemoval::WholeTree ? CreatedParentFolders(full, createdParents)
                                                         : std::vector<std::wstring>());
    if (inUse.empty()) {
        RemoveEmptyFoldersNow(folders);
        return true;
    }
    bool complete = false;
    std::vector<std::wstring> named;
    const std::wstring parameters = BuildParameters(g_exitLockPath, inUse, folders, tries, &complete, &named);
    if (parameters.empty() || !StartInterpreter(parameters))
        return false;
    if (handed)
        *handed = named;
    return complete;
}
