// Files and folders reached one level at a time from an opened folder, never
// through a link.
//
// Every item is opened with FILE_FLAG_OPEN_REPARSE_POINT (and
// FILE_FLAG_BACKUP_SEMANTICS, which folders need) and then checked by its
// handle before anything is done with it:
//   - its attributes must not say FILE_ATTRIBUTE_REPARSE_POINT: such an item
//     is a link (junction, symbolic link, mount point); it is reported as
//     OpenStatus::Link and its handle is the link's own, so deleting by it
//     removes the link and never what it points to;
//   - its final path (GetFinalPathNameByHandleW, looked up at run time) must
//     be the parent's final path + "\" + name, letter case aside. Where the
//     system opens a link's target even so (Wine), the final path is the
//     target's: OpenStatus::Elsewhere, the handle is closed at once and the
//     item is never touched. Where the function is missing (Windows XP) the
//     attributes alone decide.
// Deletion and the read-only attribute act on the handle through
// SetFileInformationByHandle (FileDispositionInfo, FileBasicInfo), looked up
// at run time; on Windows XP, which lacks it, through NtSetInformationFile
// from ntdll with the equivalent classes (FileDispositionInformation,
// FileBasicInformation), which is what the newer call wraps. Renaming is
// NtSetInformationFile's FileRenameInformation everywhere, a name relative to
// the target folder's handle (RootDirectory): Wine's
// SetFileInformationByHandle reads such a name against the current directory.
// Children are listed by the folder's handle (NtQueryDirectoryFile).
//
// A folder asked for as a folder (ItemKind::Folder, OpenFolderAt) is held
// sharing reading and writing but not deletion, so that nobody renames or
// deletes it while items below it are worked on (Wine's FindFirstFileW, which
// does not share deletion, then cannot list it: ListChildren can). Items
// asked for as ItemKind::Any or File share everything, so that a file another
// program keeps open with sharing can still be marked for deletion.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum class OpenStatus {
    Opened,    // the plain item expected
    Missing,   // nothing by that name (or a link whose target is missing)
    Link,      // a reparse point by its handle's attributes: the link's own handle
    Elsewhere, // its final path is not the expected one: left alone
    WrongKind, // a folder where a file was asked for, or the reverse
    InUse,     // another program holds it without sharing
    Failed     // any other failure (access denied, bad name)
};

enum class ItemKind { Any, File, Folder };

// An opened file or folder; owns its handle. Movable, not copyable.
class OpenedItem {
public:
    OpenedItem() = default;
    ~OpenedItem() { Close(); }
    OpenedItem(const OpenedItem&) = delete;
    OpenedItem& operator=(const OpenedItem&) = delete;
    OpenedItem(OpenedItem&& other) noexcept;
    OpenedItem& operator=(OpenedItem&& other) noexcept;

    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return m_handle; }
    bool IsFolder() const { return m_folder; }
    // Where the item is, as a full path without the "\\?\" prefix: its final
    // path where the system gives one, else the path it was opened by.
    const std::wstring& Path() const { return m_path; }
    void Close();

private:
    friend class NoFollowAccess;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    bool m_folder = false;
    std::wstring m_path;
};

// Opens the folder at a full path as the starting point of a walk. Link when
// the folder itself is a reparse point by its handle; the folders above it are
// trusted (callers open an installation folder from its parent with OpenBelow).
OpenStatus OpenFolderAt(const std::wstring& path, OpenedItem* folder);

// Opens `name` (one level, no '\\') below the opened `parent` and checks it as
// described above. `access` is added to what the layer itself needs (reading
// attributes, deletion and, for a folder, listing).
OpenStatus OpenBelow(const OpenedItem& parent, const std::wstring& name, ItemKind kind, OpenedItem* item,
                     DWORD access = 0);

// Creates a new file or a new folder below `parent`; never one that exists, a
// link included. A file is made by the parent's handle (NtCreateFile relative
// to it, the file's name only, synchronous like CreateFileW's handles), so it
// lies in that very folder and needs no check; a folder is made with
// CreateDirectoryW and then opened and checked. Failed when something is
// already there, or when the new folder turns out not to be where it was
// asked for.
OpenStatus CreateFileBelow(const OpenedItem& parent, const std::wstring& name, DWORD access, OpenedItem* file);
OpenStatus CreateFolderBelow(const OpenedItem& parent, const std::wstring& name, OpenedItem* folder);

// Gives the opened item `attributes` (0: FILE_ATTRIBUTE_NORMAL) by its handle,
// its times unchanged; the handle needs FILE_WRITE_ATTRIBUTES (the layer's
// own handles have it).
bool SetOpenedAttributes(const OpenedItem& item, DWORD attributes);

// Deletes the opened item by its handle (a folder only when empty), clearing a
// read-only attribute first; on success the handle is closed. A Link item goes
// as the link itself.
bool DeleteOpened(OpenedItem* item);

// Renames the opened item to `name` inside the opened `folder` (same volume),
// replacing an existing file there only with `replace`. The item keeps its
// handle; its Path() follows the move.
bool RenameOpened(OpenedItem* item, const OpenedItem& folder, const std::wstring& name, bool replace);

// The names of the folder's children ("." and ".." left out), as listed now by
// its handle; empty for a file or an item opened without listing access.
std::vector<std::wstring> ListChildren(const OpenedItem& folder);

// What a removal left, by full path.
struct LeftItem {
    enum Reason { InUse, Link, Failed };
    std::wstring path;
    Reason reason = Failed;
};

// Removes `name` below `parent`: a file by its handle; a folder with
// everything in it, deepest first, each item opened and checked on its way;
// a link by its own handle (the link only). An item found Elsewhere, or one
// that cannot go, is left, appended to *left (when given) with its reason,
// and the folders above it stay. True when nothing is left (a missing item
// counts as gone).
bool RemoveBelow(const OpenedItem& parent, const std::wstring& name, std::vector<LeftItem>* left = nullptr);

// The same for an opened folder's content, then the folder itself when
// `andFolder`; the folder's handle is closed when it went.
bool RemoveTreeOpened(OpenedItem* folder, bool andFolder, std::vector<LeftItem>* left = nullptr);

// The parent folder of a full path and its last name, or false for a drive's
// root, a relative path or an empty one ("C:\a\b" -> "C:\a", "b").
bool SplitLastName(const std::wstring& path, std::wstring* parent, std::wstring* name);
