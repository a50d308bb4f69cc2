#include "install_journal.h"


#include "decimal_text.h"
#include "delete_path.h"
#include "file_handle.h"
#include "paths.h"
#include "product.h"
#include "protected_path.h"
#include "registry_key.h"
#include "run_log.h"

#include <ntsecapi.h>
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

// A name nobody can know before it exists: "~VELTSetup" + 16 hexadecimal
// digits from the system's random source + ".bak".
std::wstring BackupFolderName()
{
    unsigned char bytes[8] = {};
    if (!RtlGenRandom(bytes, sizeof bytes)) {
        LARGE_INTEGER counter = {};
        QueryPerformanceCounter(&counter);
        const ULONGLONG mixed = static_cast<ULONGLONG>(counter.QuadPart) * 0x9E3779B97F4A7C15ull ^
                                (static_cast<ULONGLONG>(GetCurrentProcessId()) << 32) ^ GetTickCount();
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<unsigned char>(mixed >> (8 * i));
    }
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring name = L"~VELTSetup";
    for (unsigned char b : bytes) {
        name += digits[b >> 4];
        name += digits[b & 15];
    }
    return name + L".bak";
}

void RemoveIfEmpty(const std::wstring& folder)
{
    if (IsFolder(folder) && PathIsDirectoryEmptyW(folder.c_str()) && !IsProtectedPath(folder))
        RemoveDirectoryW(folder.c_str());
}

} // namespace

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
            LogLine(L"创建文件夹：" + *it);
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

bool InstallJournal::WasWritten(const std::wstring& relative) const
{
    return m_writtenIndex.count(FoldCase(RelativeName(relative))) != 0;
}

bool InstallJournal::OpenDirectory()
{
    return m_root.Valid() || OpenWalkRoot(m_directory, &m_root) == OpenStatus::Opened;
}

void InstallJournal::CloseDirectory()
{
    m_chain.Close();
    m_root.Close();
}

bool InstallJournal::KeepAside(OpenedItem* file, const std::wstring& relative)
{
    // A folder made new here, under a name nobody could plant beforehand; an
    // existing item of that name (a link among them) is never used.
    for (int attempt = 0; !m_backup.Valid() && m_backupName.empty() && attempt < 8; ++attempt) {
        const std::wstring name = BackupFolderName();
        const OpenStatus made = CreateFolderBelow(m_root, name, &m_backup);
        if (made == OpenStatus::Opened) {
            m_backupName = name;
            SetOpenedAttributes(m_backup, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
        } else if (made != OpenStatus::Failed) {
            return false;
        }
    }
    if (!m_backup.Valid())
        return false;
    const KeptFile kept = {relative, DecimalText(static_cast<long long>(m_keptFiles.size()))};
    // A rename on the same volume: bytes, times and attributes stay as they were.
    if (!RenameOpened(file, m_backup, kept.kept, false))
        return false;
    m_keptFiles.push_back(kept);
    LogLine(L"移开原有文件：" + relative);
    return true;
}

bool InstallJournal::OpenEntry(const std::wstring& name, OpenedItem* file)
{
    if (!OpenDirectory())
        return false;
    const bool folderEntry = !name.empty() && (name.back() == L'/' || name.back() == L'\\');
    const std::wstring relative = RelativeName(name);
    std::wstring folderPart, leaf;
    SplitRelative(relative, &folderPart, &leaf);
    const OpenedItem* folder = nullptr;
    if (m_chain.Reach(folderEntry ? relative : folderPart, &m_createdFolders, &folder) != OpenStatus::Opened)
        return false;
    if (folderEntry)
        return true;
    OpenStatus status = CreateFileBelow(*folder, leaf, GENERIC_WRITE, file);
    if (status == OpenStatus::Failed) {
        // Something is there: only a plain file of that name may be moved away.
        OpenedItem old;
        if (OpenBelow(*folder, leaf, ItemKind::File, &old) != OpenStatus::Opened)
            return false;
        if (WasWritten(relative) ? !DeleteOpened(&old) : !KeepAside(&old, relative))
            return false;
        status = CreateFileBelow(*folder, leaf, GENERIC_WRITE, file);
    }
    if (status != OpenStatus::Opened)
        return false;
    FileWritten(relative);
    return true;
}

void InstallJournal::FileWritten(const std::wstring& name)
{
    const std::wstring relative = RelativeName(name);
    if (m_writtenIndex.insert(FoldCase(relative)).second)
        m_writtenFiles.push_back(relative);
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

// The written files go and the kept ones come back, each reached by handle
// from the directory; nothing is done through a link met on the way.
void InstallJournal::UndoFiles()
{
    if (!OpenDirectory())
        return;
    const OpenedItem* folder = nullptr;
    std::wstring folderPart, leaf;
    for (auto it = m_writtenFiles.rbegin(); it != m_writtenFiles.rend(); ++it) {
        SplitRelative(*it, &folderPart, &leaf);
        OpenedItem file;
        if (m_chain.Reach(folderPart, nullptr, &folder) == OpenStatus::Opened &&
            OpenBelow(*folder, leaf, ItemKind::File, &file) == OpenStatus::Opened && DeleteOpened(&file))
            LogLine(L"回滚：删除文件：" + *it);
    }
    m_writtenFiles.clear();
    m_writtenIndex.clear();

    // The backup folder again (a second rollback), checked as when it was made.
    if (!m_backup.Valid() && !m_backupName.empty() &&
        OpenBelow(m_root, m_backupName, ItemKind::Folder, &m_backup) != OpenStatus::Opened)
        m_backupName.clear();
    std::vector<KeptFile> notBack;
    for (auto it = m_keptFiles.rbegin(); it != m_keptFiles.rend(); ++it) {
        SplitRelative(it->original, &folderPart, &leaf);
        OpenedItem kept, there;
        if (m_backup.Valid() && OpenBelow(m_backup, it->kept, ItemKind::File, &kept) == OpenStatus::Opened &&
            m_chain.Reach(folderPart, nullptr, &folder) == OpenStatus::Opened &&
            OpenBelow(*folder, leaf, ItemKind::Any, &there) == OpenStatus::Missing &&
            RenameOpened(&kept, *folder, leaf, false)) {
            LogLine(L"回滚：放回原有文件：" + it->original);
            continue;
        }
        notBack.insert(notBack.begin(), *it);
    }
    m_keptFiles = notBack;
    if (m_keptFiles.empty() && m_backup.Valid() && RemoveTreeOpened(&m_backup, true))
        m_backupName.clear();

    for (auto it = m_createdFolders.rbegin(); it != m_createdFolders.rend(); ++it) {
        SplitRelative(*it, &folderPart, &leaf);
        OpenedItem made;
        if (m_chain.Reach(folderPart, nullptr, &folder) == OpenStatus::Opened &&
            OpenBelow(*folder, leaf, ItemKind::Folder, &made) == OpenStatus::Opened && ListChildren(made).empty())
            DeleteOpened(&made);
    }
    m_createdFolders.clear();
}

void InstallJournal::UndoDirectory()
{
    UndoFiles();
    CloseDirectory();
    m_backup.Close();

    if (m_createdDirectory && IsFolder(m_directory)) {
        if (!IsProtectedPath(m_directory) && m_keptFiles.empty() && DeletePath(m_directory.c_str()))
            LogLine(L"回滚：删除文件夹：" + m_directory);
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
    for (auto it = m_writtenLinks.rbegin(); it != m_writtenLinks.rend(); ++it) {
        DeleteFileForcibly(*it);
        LogLine(L"回滚：删除快捷方式：" + *it);
    }
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
    if (key.Open(m_recordRoot, kUninstallParentKey, KEY_ALL_ACCESS) == ERROR_SUCCESS &&
        key.DeleteKey(m_productKey.c_str()) == ERROR_SUCCESS)
        LogLine(L"回滚：删除安装记录");
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
    if (result == ERROR_SUCCESS) {
        m_autostartWritten = false;
        LogLine(m_autostartExisted ? L"回滚：还原开机启动值" : L"回滚：删除开机启动值");
    }
    return result;
}

void InstallJournal::Commit()
{
    m_keptFiles.clear();
    if (m_backup.Valid())
        RemoveTreeOpened(&m_backup, true);
    m_backup.Close();
    m_backupName.clear();
    CloseDirectory();
    m_keptLinks.clear();
}

bool InstallJournal::CreatedDirectoryRemains() const
{
    return m_createdDirectory && IsFolder(m_directory);
}
