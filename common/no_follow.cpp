#include "no_follow.h"

#include "paths.h"

#include <utility>

// Declared here: the headers show them only to programs built for Vista and
// later, and both are looked up at run time.
namespace {

enum InfoClass { kBasicInfo = 0, kRenameInfo = 3, kDispositionInfo = 4 };

struct BasicInfo {
    LARGE_INTEGER creationTime;
    LARGE_INTEGER lastAccessTime;
    LARGE_INTEGER lastWriteTime;
    LARGE_INTEGER changeTime;
    DWORD fileAttributes;
};

struct DispositionInfo {
    BOOLEAN deleteFile;
};

struct RenameInfoHead {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    DWORD fileNameLength;
    WCHAR fileName[1];
};

struct IoStatus {
    union {
        LONG status;
        PVOID pointer;
    };
    ULONG_PTR information;
};

using SetInfoByHandleFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
using NtSetInfoFn = LONG(NTAPI*)(HANDLE, IoStatus*, PVOID, ULONG, int);
using NtQueryDirectoryFn = LONG(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, IoStatus*, PVOID, ULONG, int, BOOLEAN,
                                         PVOID, BOOLEAN);
constexpr int kFileNamesInformation = 12;
using NtStatusToErrorFn = ULONG(NTAPI*)(LONG);

struct CountedString {
    USHORT length;
    USHORT maximumLength;
    PWSTR buffer;
};

struct ObjectAttributes {
    ULONG length;
    HANDLE rootDirectory;
    CountedString* objectName;
    ULONG attributes;
    PVOID securityDescriptor;
    PVOID securityQualityOfService;
};

using NtCreateFileFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, ObjectAttributes*, IoStatus*, PLARGE_INTEGER, ULONG, ULONG,
                                    ULONG, ULONG, PVOID, ULONG);
constexpr ULONG kCaseInsensitive = 0x40;      // OBJ_CASE_INSENSITIVE
constexpr ULONG kCreateOnly = 2;              // FILE_CREATE
constexpr ULONG kNewFileOptions = 0x40 | 0x20 | 0x200000;  // non-directory, synchronous, reparse point itself
using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

template <typename Fn>
Fn Lookup(const wchar_t* module, const char* name)
{
    HMODULE handle = GetModuleHandleW(module);
    return handle ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

bool NtSetInfo(HANDLE handle, int ntClass, void* data, DWORD size)
{
    static const NtSetInfoFn ntSetInfo = Lookup<NtSetInfoFn>(L"ntdll.dll", "NtSetInformationFile");
    if (!ntSetInfo)
        return false;
    IoStatus io = {};
    const LONG status = ntSetInfo(handle, &io, data, size, ntClass);
    if (status < 0) {
        static const NtStatusToErrorFn toError = Lookup<NtStatusToErrorFn>(L"ntdll.dll", "RtlNtStatusToDosError");
        SetLastError(toError ? toError(status) : ERROR_GEN_FAILURE);
    }
    return status >= 0;
}

// SetFileInformationByHandle, or NtSetInformationFile with the matching class
// where the system lacks the former. A rename always takes the second: the
// first reads a relative name against the current directory on some systems
// (Wine) instead of the root folder's handle.
bool SetInfo(HANDLE handle, InfoClass what, void* data, DWORD size)
{
    static const SetInfoByHandleFn setInfo = Lookup<SetInfoByHandleFn>(L"kernel32.dll", "SetFileInformationByHandle");
    if (setInfo && what != kRenameInfo)
        return setInfo(handle, what, data, size) != FALSE;
    return NtSetInfo(handle, what == kBasicInfo ? 4 : what == kRenameInfo ? 10 : 13, data, size);
}

// Creates `name` new inside the folder that `folder` is, by that handle (no
// path is read again on the way, so nothing renamed or linked above it can
// redirect the creation); synchronous, like a handle from CreateFileW.
// INVALID_HANDLE_VALUE with the last error set on failure (ERROR_FILE_EXISTS
// when the name is taken, by a link too).
HANDLE CreateNewBelowHandle(HANDLE folder, const std::wstring& name, DWORD access, DWORD share)
{
    static const NtCreateFileFn ntCreate = Lookup<NtCreateFileFn>(L"ntdll.dll", "NtCreateFile");
    if (!ntCreate || name.size() * sizeof(wchar_t) > 0xFFFE) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return INVALID_HANDLE_VALUE;
    }
    std::wstring text = name;
    CountedString objectName = {static_cast<USHORT>(text.size() * sizeof(wchar_t)),
                                static_cast<USHORT>(text.size() * sizeof(wchar_t)), &text[0]};
    ObjectAttributes attributes = {sizeof(ObjectAttributes), folder, &objectName, kCaseInsensitive, nullptr, nullptr};
    IoStatus io = {};
    HANDLE handle = INVALID_HANDLE_VALUE;
    const LONG status = ntCreate(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                 share, kCreateOnly, kNewFileOptions, nullptr, 0);
    if (status < 0) {
        static const NtStatusToErrorFn toError = Lookup<NtStatusToErrorFn>(L"ntdll.dll", "RtlNtStatusToDosError");
        SetLastError(toError ? toError(status) : ERROR_GEN_FAILURE);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

// "C:\a" -> "\\?\C:\a", "\\server\share" -> "\\?\UNC\server\share": no
// length limit and no reinterpretation of the names on the way.
std::wstring LongForm(const std::wstring& path)
{
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    if (path.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

// The reverse, for the paths that final path queries give.
std::wstring ShortForm(const std::wstring& path)
{
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        return path.substr(4);
    return path;
}

// The handle's final path (short form); empty when the system cannot say.
std::wstring FinalPath(HANDLE handle)
{
    static const FinalPathFn finalPath = Lookup<FinalPathFn>(L"kernel32.dll", "GetFinalPathNameByHandleW");
    if (!finalPath)
        return std::wstring();
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = finalPath(handle, &buffer[0], static_cast<DWORD>(buffer.size()), 0);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = finalPath(handle, &buffer[0], static_cast<DWORD>(buffer.size()), 0);
    }
    if (length == 0 || length >= buffer.size())
        return std::wstring();
    buffer.resize(length);
    return ShortForm(buffer);
}

bool HasFinalPath()
{
    return Lookup<FinalPathFn>(L"kernel32.dll", "GetFinalPathNameByHandleW") != nullptr;
}

bool ValidName(const std::wstring& name)
{
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos;
}

std::wstring Below(const std::wstring& folder, const std::wstring& name)
{
    return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

OpenStatus StatusOfError(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return OpenStatus::Missing;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return OpenStatus::InUse;
    default:
        return OpenStatus::Failed;
    }
}

constexpr DWORD kBaseAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kOpenFlags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;

} // namespace

// Fills an OpenedItem after the checks; the one place that writes its fields.
class NoFollowAccess {
public:
    // Checks the freshly opened `handle` against `expected` (full path) and
    // hands it to *item, or closes it.
    static OpenStatus Adopt(HANDLE handle, const std::wstring& expected, ItemKind kind, OpenedItem* item)
    {
        item->Close();
        BY_HANDLE_FILE_INFORMATION info = {};
        if (!GetFileInformationByHandle(handle, &info)) {
            CloseHandle(handle);
            return OpenStatus::Failed;
        }
        const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item->m_handle = handle;
        item->m_folder = folder;
        item->m_path = expected;
        if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return OpenStatus::Link;
        if (HasFinalPath()) {
            const std::wstring final = FinalPath(handle);
            if (final.empty() || lstrcmpiW(final.c_str(), expected.c_str()) != 0) {
                item->Close();
                return final.empty() ? OpenStatus::Failed : OpenStatus::Elsewhere;
            }
            item->m_path = final;
        }
        if ((kind == ItemKind::File && folder) || (kind == ItemKind::Folder && !folder)) {
            item->Close();
            return OpenStatus::WrongKind;
        }
        return OpenStatus::Opened;
    }

    // A file this program has just made by the folder's handle: it is where
    // it was asked for and no link, so nothing is asked of the system.
    static void AdoptNew(HANDLE handle, const std::wstring& path, OpenedItem* item)
    {
        item->Close();
        item->m_handle = handle;
        item->m_folder = false;
        item->m_path = path;
    }

    static void Moved(OpenedItem* item, const std::wstring& path) { item->m_path = path; }
    static void Forget(OpenedItem* item)
    {
        item->m_handle = INVALID_HANDLE_VALUE;
        item->m_path.clear();
    }
};

OpenedItem::OpenedItem(OpenedItem&& other) noexcept
    : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)), m_folder(other.m_folder),
      m_path(std::move(other.m_path))
{
}

OpenedItem& OpenedItem::operator=(OpenedItem&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, INVALID_HANDLE_VALUE);
        m_folder = other.m_folder;
        m_path = std::move(other.m_path);
    }
    return *this;
}

void OpenedItem::Close()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

OpenStatus OpenFolderAt(const std::wstring& path, OpenedItem* folder)
{
    const std::wstring full = NormalisePath(path);
    if (full.empty())
        return OpenStatus::Failed;
    HANDLE handle = CreateFileW(LongForm(full).c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE | FILE_LIST_DIRECTORY | FILE_TRAVERSE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, kOpenFlags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        folder->Close();
        return StatusOfError(GetLastError());
    }
    // The folders above are trusted: whatever the final path, it is the start.
    const std::wstring final = FinalPath(handle);
    const OpenStatus status = NoFollowAccess::Adopt(handle, final.empty() ? full : final, ItemKind::Folder, folder);
    return status;
}

OpenStatus OpenBelow(const OpenedItem& parent, const std::wstring& name, ItemKind kind, OpenedItem* item,
                     DWORD access)
{
    item->Close();
    if (!parent.Valid() || !ValidName(name))
        return OpenStatus::Failed;
    const std::wstring expected = Below(parent.Path(), name);
    // A folder asked for by kind is held without sharing deletion: nobody
    // moves it away while the walk is below it.
    const DWORD share = kind == ItemKind::Folder ? FILE_SHARE_READ | FILE_SHARE_WRITE
                                                 : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    // Listing is asked for unless a file is: a folder's children are listed
    // by its own handle. A file held without read sharing may still go, so
    // without listing is tried when that is refused.
    const std::wstring path = LongForm(expected);
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (kind != ItemKind::File)
        handle = CreateFileW(path.c_str(), kBaseAccess | FILE_LIST_DIRECTORY | FILE_TRAVERSE | access, share, nullptr,
                             OPEN_EXISTING, kOpenFlags, nullptr);
    if (handle == INVALID_HANDLE_VALUE && kind != ItemKind::Folder)
        handle = CreateFileW(path.c_str(), kBaseAccess | access, share, nullptr, OPEN_EXISTING, kOpenFlags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return StatusOfError(GetLastError());
    return NoFollowAccess::Adopt(handle, expected, kind, item);
}

OpenStatus CreateFileBelow(const OpenedItem& parent, const std::wstring& name, DWORD access, OpenedItem* file)
{
    file->Close();
    if (!parent.Valid() || !ValidName(name))
        return OpenStatus::Failed;
    // Made by the parent's handle: the file is inside that very folder, so it
    // needs no check afterwards (one file of thousands in an installation).
    const HANDLE handle = CreateNewBelowHandle(parent.Handle(), name, kBaseAccess | access, FILE_SHARE_READ);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? OpenStatus::Failed
                                                                           : StatusOfError(error);
    }
    NoFollowAccess::AdoptNew(handle, Below(parent.Path(), name), file);
    return OpenStatus::Opened;
}

OpenStatus CreateFolderBelow(const OpenedItem& parent, const std::wstring& name, OpenedItem* folder)
{
    folder->Close();
    if (!parent.Valid() || !ValidName(name))
        return OpenStatus::Failed;
    if (!CreateDirectoryW(LongForm(Below(parent.Path(), name)).c_str(), nullptr))
        return GetLastError() == ERROR_ALREADY_EXISTS ? OpenStatus::Failed : StatusOfError(GetLastError());
    const OpenStatus status = OpenBelow(parent, name, ItemKind::Folder, folder);
    return status == OpenStatus::Opened || status == OpenStatus::Failed ? status : OpenStatus::Elsewhere;
}

bool SetOpenedAttributes(const OpenedItem& item, DWORD attributes)
{
    if (!item.Valid())
        return false;
    BasicInfo basic = {};  // zero times: left as they are
    basic.fileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetInfo(item.Handle(), kBasicInfo, &basic, sizeof basic);
}

bool DeleteOpened(OpenedItem* item)
{
    if (!item->Valid())
        return false;
    DispositionInfo disposition = {TRUE};
    bool done = SetInfo(item->Handle(), kDispositionInfo, &disposition, sizeof disposition);
    if (!done) {
        BY_HANDLE_FILE_INFORMATION info = {};
        if (GetFileInformationByHandle(item->Handle(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) &&
            SetOpenedAttributes(*item, info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY)) {
            done = SetInfo(item->Handle(), kDispositionInfo, &disposition, sizeof disposition);
            if (!done)
                SetOpenedAttributes(*item, info.dwFileAttributes);
        }
    }
    if (done)
        item->Close();
    return done;
}

bool RenameOpened(OpenedItem* item, const OpenedItem& folder, const std::wstring& name, bool replace)
{
    if (!item->Valid() || !folder.Valid() || !ValidName(name))
        return false;
    const DWORD nameBytes = static_cast<DWORD>(name.size() * sizeof(WCHAR));
    std::vector<BYTE> buffer(sizeof(RenameInfoHead) + nameBytes, 0);
    auto* info = reinterpret_cast<RenameInfoHead*>(buffer.data());
    info->replaceIfExists = replace ? TRUE : FALSE;
    info->rootDirectory = folder.Handle();
    info->fileNameLength = nameBytes;
    CopyMemory(info->fileName, name.data(), nameBytes);
    if (!SetInfo(item->Handle(), kRenameInfo, info, static_cast<DWORD>(buffer.size())))
        return false;
    NoFollowAccess::Moved(item, Below(folder.Path(), name));
    return true;
}

std::vector<std::wstring> ListChildren(const OpenedItem& folder)
{
    std::vector<std::wstring> names;
    static const NtQueryDirectoryFn query = Lookup<NtQueryDirectoryFn>(L"ntdll.dll", "NtQueryDirectoryFile");
    if (!folder.Valid() || !folder.IsFolder() || !query)
        return names;
    // FILE_NAMES_INFORMATION records: next offset, index, name length, name.
    std::vector<ULONG> buffer(16384 / sizeof(ULONG));
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        IoStatus io = {};
        const LONG status = query(folder.Handle(), nullptr, nullptr, nullptr, &io, buffer.data(),
                                  static_cast<ULONG>(buffer.size() * sizeof(ULONG)), kFileNamesInformation, FALSE,
                                  nullptr, restart);
        if (status < 0 || io.information == 0)
            break;
        const BYTE* entry = reinterpret_cast<const BYTE*>(buffer.data());
        for (;;) {
            const ULONG* head = reinterpret_cast<const ULONG*>(entry);
            const std::wstring name(reinterpret_cast<const WCHAR*>(head + 3), head[2] / sizeof(WCHAR));
            if (name != L"." && name != L"..")
                names.push_back(name);
            if (head[0] == 0)
                break;
            entry += head[0];
        }
    }
    return names;
}

namespace {

bool Leave(std::vector<LeftItem>* left, const std::wstring& path, LeftItem::Reason reason)
{
    if (left)
        left->push_back(LeftItem{path, reason});
    return false;
}

} // namespace

bool RemoveBelow(const OpenedItem& parent, const std::wstring& name, std::vector<LeftItem>* left)
{
    OpenedItem item;
    const OpenStatus status = OpenBelow(parent, name, ItemKind::Any, &item);
    const std::wstring path = Below(parent.Path(), name);
    switch (status) {
    case OpenStatus::Missing:
        return true;
    case OpenStatus::Opened:
        if (item.IsFolder())
            return RemoveTreeOpened(&item, true, left);
        return DeleteOpened(&item) || Leave(left, path, LeftItem::InUse);
    case OpenStatus::Link:
        return DeleteOpened(&item) || Leave(left, path, LeftItem::Link);
    case OpenStatus::Elsewhere:
        return Leave(left, path, LeftItem::Link);
    case OpenStatus::InUse:
        return Leave(left, path, LeftItem::InUse);
    case OpenStatus::WrongKind:
    case OpenStatus::Failed:
        break;
    }
    return Leave(left, path, LeftItem::Failed);
}

bool RemoveTreeOpened(OpenedItem* folder, bool andFolder, std::vector<LeftItem>* left)
{
    if (!folder->Valid())
        return false;
    bool all = true;
    for (const std::wstring& name : ListChildren(*folder)) {
        if (!RemoveBelow(*folder, name, left))
            all = false;
    }
    if (!all || !andFolder)
        return all;
    const std::wstring path = folder->Path();
    return DeleteOpened(folder) || Leave(left, path, LeftItem::Failed);
}

bool SplitLastName(const std::wstring& path, std::wstring* parent, std::wstring* name)
{
    const std::wstring full = NormalisePath(path);
    const size_t slash = full.find_last_of(L'\\');
    if (full.empty() || slash == std::wstring::npos || slash + 1 >= full.size())
        return false;
    *parent = slash == 2 && full[1] == L':' ? full.substr(0, 3) : full.substr(0, slash);
    *name = full.substr(slash + 1);
    return parent->size() >= 3 && ValidName(*name);
}
