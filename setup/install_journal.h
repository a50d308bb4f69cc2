// InstallJournal: what one fresh installation has made and what it replaced,
// so that a rollback removes exactly that and gives back what was there.
//
// The install worker notes, as it goes: the install record it wrote, the
// folders it created (the installation directory and any missing parents,
// then the folders of the payload), the files it wrote, the shortcuts it
// wrote and the Start-menu folders it created, and the autostart value it set
// (with the value it replaced, if any).
//
// The directory's content is reached only by handle (no_follow.h): the
// directory is opened from its parent and checked, and every folder below it
// level by level from it (folder_chain.h); a link met on the way (a folder or
// file of the payload's names that is a link, or one planted meanwhile) is
// never written, moved or deleted through.
//
// A file that the installation is about to overwrite and did not write
// itself is first kept aside:
//   - in the installation directory, it is moved by its handle into a hidden
//     folder "~VELTSetup<16 random hex digits>.bak" that this installation
//     made new there (never one that existed, nor a link: another name is
//     taken then), opened and checked (the same volume: a rename that keeps
//     every byte, its times and its attributes);
//   - elsewhere (a shortcut), its bytes, attributes and times are kept in
//     memory.
// Undo* put the kept files back (by handle); Commit deletes the kept copies
// once the installation is final. The backup folder never appears in the
// install manifest.
//
// Every Undo* is harmless to repeat: what it undid is forgotten. Not
// thread-safe: the worker and the interface thread use it one after the
// other, never at the same time. No function shows anything; failures leave
// the item in place and go on.
#pragma once

#include "folder_chain.h"
#include "no_follow.h"

#include <windows.h>

#include <string>
#include <unordered_set>
#include <vector>

class InstallJournal {
public:
    InstallJournal() = default;
    InstallJournal(const InstallJournal&) = delete;
    InstallJournal& operator=(const InstallJournal&) = delete;

    // --- installation directory ------------------------------------------
    // Creates `directory` with every missing parent, one level at a time, and
    // notes the folders it made itself (never one that another program made
    // meanwhile). ERROR_SUCCESS when the directory exists afterwards (also
    // when it existed already); otherwise the error of the level that could
    // not be made (the levels made before it are noted: the rollback removes
    // them). Every level made gets `security` (none: the inherited list).
    int CreateInstallDirectory(const std::wstring& directory, SECURITY_ATTRIBUTES* security = nullptr);
    const std::wstring& Directory() const { return m_directory; }
    bool CreatedDirectory() const { return m_createdDirectory; }
    // How many folders directly above the directory this installation made.
    int CreatedParentCount() const { return static_cast<int>(m_createdParents.size()); }

    // Before the first entry: opens the directory from its parent and checks
    // that it is the plain folder of that name. False when it is not (a link,
    // missing): nothing may be written into it then.
    bool OpenDirectory();
    // Closes the directory and its folders (the entries are written); undo
    // opens them again.
    void CloseDirectory();
    // Entry `relative` ("res/image/x.png", "res/") of the payload: its folders
    // are reached level by level from the opened directory, the missing ones
    // made and noted; for a file entry the file is then made new there
    // (CREATE_NEW) and noted as written, and its handle, open for writing,
    // goes to *file. A file of that name that this installation did not write
    // is kept aside first, one it wrote is deleted first, both by handle.
    // False, with nothing written, when a link or an item of the other kind
    // stands where the entry needs a folder or a file, or the file in the way
    // cannot be kept aside (in use).
    bool OpenEntry(const std::wstring& relative, OpenedItem* file);
    // A file entry written (also when only partly): it is this
    // installation's now. OpenEntry notes it already.
    void FileWritten(const std::wstring& relative);

    // --- shortcuts --------------------------------------------------------
    // Creates `folder` when missing (CreateDirectoryW, one level) and notes it.
    void CreateLinkFolder(const std::wstring& folder);
    // Before a shortcut is written to `path`: keeps an existing file of that
    // name (up to 1 MiB) in memory. False when it exists and cannot be kept.
    bool PrepareLink(const std::wstring& path);
    void LinkWritten(const std::wstring& path);

    // --- registry ---------------------------------------------------------
    void RecordWritten(HKEY root, const std::wstring& productKey)
    {
        m_recordRoot = root;
        m_productKey = productKey;
    }
    // Before the autostart value is set under `runKey` (open): notes the
    // value it replaces, if any.
    void PrepareAutostart(HKEY root, HKEY runKey);
    void AutostartWritten() { m_autostartWritten = true; }

    // --- undo -------------------------------------------------------------
    // Files and folders of the installation directory: the written files go,
    // kept files come back, the backup folder goes, created folders go when
    // empty (the directory itself, when this installation created it and it
    // is not a protected folder, goes whole, and its created parents when
    // they are empty).
    void UndoDirectory();
    // Shortcuts: written links go, kept links come back, Start-menu folders
    // this installation created go when they are empty.
    void UndoShortcuts();
    // The install record: deleted when this installation wrote it.
    void UndoRecord();
    // The autostart value: the replaced value comes back, or the value is
    // deleted. Returns ERROR_SUCCESS when nothing needed doing or it was
    // done; ERROR_FILE_NOT_FOUND when the Run key cannot be opened; another
    // code when the value exists and cannot be deleted or restored.
    LONG UndoAutostart();

    // The installation is final: the kept copies are deleted.
    void Commit();

    // The installation directory still exists and this installation created it.
    bool CreatedDirectoryRemains() const;

private:
    struct KeptFile {
        std::wstring original;  // relative to the directory, '\\'-separated
        std::wstring kept;      // its name in the backup folder
    };
    struct KeptLink {
        std::wstring path;
        std::string bytes;
        DWORD attributes = 0;
        FILETIME created = {}, accessed = {}, written = {};
    };

    bool KeepAside(OpenedItem* file, const std::wstring& relative);
    bool WasWritten(const std::wstring& relative) const;
    void UndoFiles();

    std::wstring m_directory;
    bool m_createdDirectory = false;
    std::vector<std::wstring> m_createdParents;  // above the directory, outermost first
    std::vector<std::wstring> m_createdFolders;  // inside the directory, relative, parents first
    std::vector<std::wstring> m_writtenFiles;    // relative, '\\'-separated
    std::unordered_set<std::wstring> m_writtenIndex;  // m_writtenFiles upper-cased: one look-up per entry
    std::vector<KeptFile> m_keptFiles;
    OpenedItem m_root;    // the directory, while entries are written or undone
    FolderChain m_chain{&m_root};
    OpenedItem m_backup;  // the backup folder, once made
    std::wstring m_backupName;

    std::vector<std::wstring> m_createdLinkFolders;  // parents first
    std::vector<std::wstring> m_writtenLinks;
    std::vector<KeptLink> m_keptLinks;

    HKEY m_recordRoot = nullptr;
    std::wstring m_productKey;
    HKEY m_autostartRoot = nullptr;
    bool m_autostartWritten = false;
    bool m_autostartExisted = false;
    DWORD m_autostartType = REG_SZ;
    std::vector<BYTE> m_autostartData;
};
