#include "install_journal.h"

#include "delete_path.h"
#include "file_handle.h"
#include "paths.h"
#include "product.h"
#include "protected_path.h"
#include "registry_key.h"

#include <shlwapi.h>

namespace {

constexpr DWORD kMaxKeptLink = 1024 * 1024;

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attrs = GetFileAttributesW(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Folded(const std::wstring& path)
{
    std::wstring upper = path;
    if (!upper.empty())
        CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    return upper;
}

bool SameName(const std::wstring& a, const std::wstring& b)
{
    return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

bool DeleteFileForcibly(const std::wstring& path)
{
    const DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return true;
    if (attrs & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    if (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(path.c_str()) != 0;
}

void RemoveIfEmpty(const std::wstring& folder)
{
    if (IsFolder(folder) && PathIsDirectoryEmptyW(folder.c_str()) && !IsProtectedPath(folder))
        RemoveDirectoryW(folder.c_str());
}

} // namespace

std::wstring InstallJournal::EntryPath(const std::wstring& relative) const
{
    std::wstring path = JoinPath(m_directory, relative);
    while (!path.empty() && path.back() == L'\\' && path.size() > m_directory.size() + 1)
        path.pop_back();
    return path;
}

int InstallJournal::CreateInstallDirectory(const std::wstring& directory, SECURITY_ATTRIBUTES* security)
{
    m_directory = directory;
    std::vector<std::wstring> missing;  // innermost first
    for (std::wstring folder = directory; !folder.empty() && !Exists(folder); folder = ParentPath(folder))
        missing.push_back(folder);
    // Outermost first, one level at a time: a folder is this installation's
    // only when its own CreateDirectoryW made it. One that appeared since the
    // look above (another program's) is not, and neither are the levels
    // this installation made outside it: what the rollback and the manifest
    // take as made here is the unbroken run of levels up from the directory.
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (CreateDirectoryW(it->c_str(), security)) {
            if (it + 1 == missing.rend())
                m_createdDirectory = true;
            else
                m_createdParents.push_back(*it);
            continue;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS || !IsFolder(*it))
            return static_cast<int>(error);
        m_createdParents.clear();
    }
    if (IsFolder(directory))
        return ERROR_SUCCESS;
    return Exists(directory) ? ERROR_ALREADY_EXISTS : ERROR_PATH_NOT_FOUND;
}

bool InstallJournal::WasWritten(const std::wstring& path) const
{
    return m_writtenIndex.count(Folded(path)) != 0;
}

bool InstallJournal::KeepAside(const std::wstring& path)
{
    if (m_backupFolder.empty()) {
        WCHAR name[64];
        wsprintfW(name, L"~VELTSetup%lu.bak", GetCurrentProcessId());
        m_backupFolder = EntryPath(name);
    }
    if (!IsFolder(m_backupFolder)) {
        if (!CreateDirectoryW(m_backupFolder.c_str(), nullptr))
            return false;
        SetFileAttributesW(m_backupFolder.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    }
    WCHAR name[32];
    wsprintfW(name, L"%u", static_cast<unsigned>(m_keptFiles.size()));
    KeptFile kept = {path, m_backupFolder + L"\\" + name};
    // A rename on the same volume: bytes, times and attributes stay as they were.
    if (!MoveFileExW(path.c_str(), kept.kept.c_str(), 0))
        return false;
    m_keptFiles.push_back(kept);
    return true;
}

bool InstallJournal::PrepareEntry(const std::wstring& relative)
{
    const std::wstring path = EntryPath(relative);
    const bool folderEntry = !relative.empty() && (relative.back() == L'/' || relative.back() == L'\\');
    std::vector<std::wstring> missing;  // innermost first
    std::wstring folder = folderEntry ? path : ParentPath(path);
    while (folder.size() > EntryPath(L"").size() && !Exists(folder)) {
        missing.push_back(folder);
        folder = ParentPath(folder);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        m_createdFolders.push_back(*it);
    if (folderEntry || !Exists(path) || WasWritten(path))
        return true;
    if (IsFolder(path))
        return false;
    return KeepAside(path);
}

void InstallJournal::FileWritten(const std::wstring& relative)
{
    const std::wstring path = EntryPath(relative);
    if (m_writtenIndex.insert(Folded(path)).second)
        m_writtenFiles.push_back(path);
}

void InstallJournal::CreateLinkFolder(const std::wstring& folder)
{
    if (folder.empty() || PathFileExistsW(folder.c_str()))
        return;
    if (CreateDirectoryW(folder.c_str(), nullptr))
        m_createdLinkFolders.push_back(folder);
}

bool InstallJournal::PrepareLink(const std::wstring& path)
{
    for (const std::wstring& written : m_writtenLinks) {
        if (SameName(written, path))
            return true;
    }
    const DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return true;
    if (attrs & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid())
        return false;
    KeptLink kept;
    kept.path = path;
    kept.attributes = attrs;
    const DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > kMaxKeptLink ||
        !GetFileTime(file.Get(), &kept.created, &kept.accessed, &kept.written))
        return false;
    kept.bytes.resize(size);
    DWORD read = 0;
    if (size && (!ReadFile(file.Get(), &kept.bytes[0], size, &read, nullptr) || read != size))
        return false;
    file.Close();
    // The new link may only replace a plain file.
    if (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    m_keptLinks.push_back(kept);
    return true;
}

void InstallJournal::LinkWritten(const std::wstring& path)
{
    for (const std::wstring& written : m_writtenLinks) {
        if (SameName(written, path))
            return;
    }
    m_writtenLinks.push_back(path);
}

void InstallJournal::PrepareAutostart(HKEY root, HKEY runKey)
{
    if (m_autostartRoot)
        return;  // the first value seen is the one to give back
    m_autostartRoot = root;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(runKey, kAutostartValueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return;
    m_autostartData.resize(size);
    if (RegQueryValueExW(runKey, kAutostartValueName, nullptr, &type, size ? m_autostartData.data() : nullptr,
                         &size) == ERROR_SUCCESS) {
        m_autostartData.resize(size);
        m_autostartType = type;
        m_autostartExisted = true;
    }
}

void InstallJournal::UndoDirectory()
{
    for (auto it = m_writtenFiles.rbegin(); it != m_writtenFiles.rend(); ++it)
        DeleteFileForcibly(*it);
    m_writtenFiles.clear();
    m_writtenIndex.clear();

    std::vector<KeptFile> notBack;
    for (auto it = m_keptFiles.rbegin(); it != m_keptFiles.rend(); ++it) {
        if (!Exists(it->original) && MoveFileExW(it->kept.c_str(), it->original.c_str(), 0))
            continue;
        notBack.insert(notBack.begin(), *it);
    }
    m_keptFiles = notBack;
    if (m_keptFiles.empty() && !m_backupFolder.empty()) {
        SetFileAttributesW(m_backupFolder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
        RemoveDirectoryW(m_backupFolder.c_str());
    }

    for (auto it = m_createdFolders.rbegin(); it != m_createdFolders.rend(); ++it)
        RemoveIfEmpty(*it);
    m_createdFolders.clear();

    if (m_createdDirectory && IsFolder(m_directory)) {
        if (!IsProtectedPath(m_directory) && m_keptFiles.empty())
            DeletePath(m_directory.c_str());
        else
            RemoveIfEmpty(m_directory);
    }
    if (!IsFolder(m_directory)) {
        for (auto it = m_createdParents.rbegin(); it != m_createdParents.rend(); ++it)
            RemoveIfEmpty(*it);
        m_createdParents.clear();
    }
}

void InstallJournal::UndoShortcuts()
{
    for (auto it = m_writtenLinks.rbegin(); it != m_writtenLinks.rend(); ++it)
        DeleteFileForcibly(*it);
    m_writtenLinks.clear();

    std::vector<KeptLink> notBack;
    for (const KeptLink& kept : m_keptLinks) {
        FileHandle file(CreateFileW(kept.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        DWORD written = 0;
        if (!file.Valid() ||
            (!kept.bytes.empty() &&
             (!WriteFile(file.Get(), kept.bytes.data(), static_cast<DWORD>(kept.bytes.size()), &written, nullptr) ||
              written != kept.bytes.size()))) {
            notBack.push_back(kept);
            continue;
        }
        SetFileTime(file.Get(), &kept.created, &kept.accessed, &kept.written);
        file.Close();
        SetFileAttributesW(kept.path.c_str(), kept.attributes);
    }
    m_keptLinks = notBack;

    for (auto it = m_createdLinkFolders.rbegin(); it != m_createdLinkFolders.rend(); ++it)
        RemoveIfEmpty(*it);
    m_createdLinkFolders.clear();
}

void InstallJournal::UndoRecord()
{
    if (!m_recordRoot)
        return;
    CRegistryKey key;
    if (key.Open(m_recordRoot, kUninstallParentKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        key.DeleteKey(m_productKey.c_str());
    m_recordRoot = nullptr;
}

LONG InstallJournal::UndoAutostart()
{
    if (!m_autostartWritten)
        return ERROR_SUCCESS;
    CRegistryKey key;
    if (key.Open(m_autostartRoot, kRunKeyForWriting, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return ERROR_FILE_NOT_FOUND;
    LONG result;
    if (m_autostartExisted) {
        result = RegSetValueExW(key.Handle(), kAutostartValueName, 0, m_autostartType,
                                m_autostartData.empty() ? nullptr : m_autostartData.data(),
                                static_cast<DWORD>(m_autostartData.size()));
    } else {
        result = RegDeleteValueW(key.Handle(), kAutostartValueName);
        if (result == ERROR_FILE_NOT_FOUND)
            result = ERROR_SUCCESS;  // nothing there: nothing failed
    }
    if (result == ERROR_SUCCESS)
        m_autostartWritten = false;
    return result;
}

void InstallJournal::Commit()
{
    for (const KeptFile& kept : m_keptFiles)
        DeleteFileForcibly(kept.kept);
    m_keptFiles.clear();
    if (!m_backupFolder.empty() && IsFolder(m_backupFolder)) {
        SetFileAttributesW(m_backupFolder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
        DeletePath(m_backupFolder.c_str());
    }
    m_keptLinks.clear();
}

bool InstallJournal::CreatedDirectoryRemains() const
{
    return m_createdDirectory && IsFolder(m_directory);
}
