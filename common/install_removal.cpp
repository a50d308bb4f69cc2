#include "install_removal.h"

#include "install_manifest.h"
#include "no_follow.h"
#include "path_identity.h"
#include "paths.h"
#include "payload_entries.h"
#include "product.h"
#include "protected_path.h"
#include "run_log.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

namespace {

bool IsOwnFile(const std::wstring& name)
{
    return lstrcmpiW(name.c_str(), kUninstallerFileName) == 0 || lstrcmpiW(name.c_str(), kUninstallSkinFileName) == 0 ||
           lstrcmpiW(name.c_str(), kWindowLibraryFileName) == 0;
}

bool IsDirectory(const std::wstring& path)
{
    const DWORD attrs = GetFileAttributesW(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

void NoteInUse(std::vector<std::wstring>* inUse, const std::vector<LeftItem>& left)
{
    for (const LeftItem& item : left) {
        if (item.reason == LeftItem::InUse)
            inUse->push_back(item.path);
    }
}

// The opened folders from the installation folder down to the item that a
// relative path names, each level checked; the last one is the item.
class Walk {
public:
    // Opens every level of `relative` below `root`, the last as `kind`.
    OpenStatus To(const OpenedItem& root, const std::wstring& relative, ItemKind kind)
    {
        m_levels.clear();
        std::vector<std::wstring> names;
        size_t start = 0;
        for (size_t i = 0; i <= relative.size(); ++i) {
            if (i == relative.size() || relative[i] == L'\\' || relative[i] == L'/') {
                names.push_back(relative.substr(start, i - start));
                start = i + 1;
            }
        }
        const OpenedItem* parent = &root;
        for (size_t i = 0; i < names.size(); ++i) {
            OpenedItem level;
            const bool last = i + 1 == names.size();
            const OpenStatus status = OpenBelow(*parent, names[i], last ? kind : ItemKind::Folder, &level);
            m_levels.push_back(std::move(level));
            if (status != OpenStatus::Opened)
                return last ? status : OpenStatus::Elsewhere;
            parent = &m_levels.back();
        }
        return OpenStatus::Opened;
    }
    OpenedItem* Item() { return m_levels.empty() ? nullptr : &m_levels.back(); }
    const OpenedItem& Parent(const OpenedItem& root) const
    {
        return m_levels.size() < 2 ? root : m_levels[m_levels.size() - 2];
    }

private:
    std::vector<OpenedItem> m_levels;
};

// Deletes the item at `relative` below `root` when it is of `kind` (a folder
// only when empty). A link at that name goes as the link where its handle is
// the link's own; a link on the way, or one the system shows as its target,
// is never touched. A file that stays in use is named in *inUse.
void RemoveAt(const OpenedItem& root, const std::wstring& relative, ItemKind kind, std::vector<std::wstring>* inUse)
{
    Walk walk;
    const OpenStatus status = walk.To(root, relative, kind);
    OpenedItem* item = walk.Item();
    if (status == OpenStatus::Link) {
        if (DeleteOpened(item))
            LogLine(L"删除链接：" + JoinPath(root.Path(), relative));
    } else if (status == OpenStatus::InUse) {
        inUse->push_back(JoinPath(root.Path(), relative));
    } else if (status == OpenStatus::Opened && (kind == ItemKind::File || ListChildren(*item).empty())) {
        const std::wstring path = item->Path();
        if (DeleteOpened(item))
            LogLine(L"删除：" + path);
        else if (kind == ItemKind::File)
            inUse->push_back(path);
    }
}

// Opens the installation folder from its parent, checked like every level
// below it: a link put in its place is not entered.
OpenStatus OpenInstallFolder(const std::wstring& location, OpenedItem* folder)
{
    std::wstring parentPath, name;
    OpenedItem parent;
    if (!SplitLastName(location, &parentPath, &name) || OpenFolderAt(parentPath, &parent) != OpenStatus::Opened)
        return OpenStatus::Failed;
    return OpenBelow(parent, name, ItemKind::Folder, folder);
}

size_t Depth(const std::wstring& relative)
{
    return static_cast<size_t>(std::count(relative.begin(), relative.end(), L'\\'));
}

void RemoveListedEntries(const OpenedItem& dir, const InstallManifest& manifest, bool keepOwnFiles,
                         std::vector<std::wstring>* inUse)
{
    const ProtectedPathGuard guard;
    for (const std::wstring& file : manifest.files) {
        if (guard.IsProtected(JoinPath(dir.Path(), file)))
            continue;
        if (keepOwnFiles && file.find(L'\\') == std::wstring::npos && IsOwnFile(file))
            inUse->push_back(JoinPath(dir.Path(), file));
        else
            RemoveAt(dir, file, ItemKind::File, inUse);
    }
    RemoveAt(dir, kInstallManifestFileName, ItemKind::File, inUse);
    std::vector<std::wstring> folders = manifest.folders;
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
    for (const std::wstring& folder : folders) {
        if (!guard.IsProtected(JoinPath(dir.Path(), folder)))
            RemoveAt(dir, folder, ItemKind::Folder, inUse);
    }
}

// Drops every listed file and folder that is not one of the payload's
// entries (the manifest file itself stays listed).
void KeepPayloadNamesOnly(InstallManifest* manifest)
{
    const InstallManifest payload = PayloadManifest(std::wstring());
    auto listedIn = [](const std::vector<std::wstring>& list, const std::wstring& name) {
        for (const std::wstring& entry : list) {
            if (lstrcmpiW(entry.c_str(), name.c_str()) == 0)
                return true;
        }
        return false;
    };
    auto keep = [&](std::vector<std::wstring>* list, const std::vector<std::wstring>& allowed) {
        list->erase(std::remove_if(list->begin(), list->end(),
                                   [&](const std::wstring& name) { return !listedIn(allowed, name); }),
                    list->end());
    };
    keep(&manifest->files, payload.files);
    keep(&manifest->folders, payload.folders);
}

RemovalScope Plan(const std::wstring& location, InstallManifest* entries)
{
    // A location that does not name itself (a short name, a link, a device
    // form) was never one Setup wrote: nothing there is the installation's.
    if (location.empty() || NormalisePath(location).empty() || IsDisguisedPath(location))
        return RemovalScope::Nothing;
    InstallManifest manifest;
    if (ReadInstallManifest(location, &manifest) == ERROR_SUCCESS) {
        if (manifest.createdDirectory && SamePath(manifest.directory, location) && !IsProtectedPath(location)) {
            entries->createdParents = manifest.createdParents;
            return RemovalScope::WholeDirectory;
        }
        *entries = manifest;
        // A manifest written for another folder (copied, or the folder moved)
        // says nothing sure about this one: of its list only the payload's own
        // names may go from here.
        if (!SamePath(manifest.directory, location))
            KeepPayloadNamesOnly(entries);
        return RemovalScope::ListedEntries;
    }
    *entries = PayloadManifest(location);
    return RemovalScope::PayloadEntries;
}

} // namespace

bool RunningFrom(const std::wstring& location)
{
    WCHAR module[MAX_PATH] = {};
    if (!GetModuleFileNameW(nullptr, module, MAX_PATH))
        return false;
    PathRemoveFileSpecW(module);
    return SamePath(module, location);
}

RemovalScope PlanRemoval(const std::wstring& location)
{
    InstallManifest entries;
    return Plan(location, &entries);
}

std::vector<std::wstring> CreatedParentFolders(const std::wstring& directory, int count)
{
    std::vector<std::wstring> parents;
    std::wstring folder = NormalisePath(directory);
    const ProtectedPathGuard guard;
    for (int i = 0; i < count && !folder.empty(); ++i) {
        const size_t slash = folder.find_last_of(L'\\');
        if (slash == std::wstring::npos || slash < 3)
            break;  // nothing above a drive's root
        folder.erase(slash);
        if (guard.IsProtected(folder))
            break;
        parents.push_back(folder);
    }
    return parents;
}

void RemoveEmptiedParents(const std::wstring& directory, int count)
{
    if (IsDirectory(directory))
        return;
    for (const std::wstring& parent : CreatedParentFolders(directory, count)) {
        OpenedItem folder;
        if (OpenInstallFolder(parent, &folder) != OpenStatus::Opened || !ListChildren(folder).empty() ||
            !DeleteOpened(&folder))
            break;
    }
}

bool RemoveDirectoryTree(const std::wstring& directory, bool keepOwnFiles, std::vector<std::wstring>* inUse)
{
    OpenedItem dir;
    if (OpenInstallFolder(directory, &dir) != OpenStatus::Opened)
        return false;
    const ProtectedPathGuard guard;
    std::vector<LeftItem> left;
    bool all = true;
    for (const std::wstring& name : ListChildren(dir)) {
        const std::wstring path = JoinPath(dir.Path(), name);
        if (keepOwnFiles && IsOwnFile(name)) {
            OpenedItem own;
            if (OpenBelow(dir, name, ItemKind::File, &own) == OpenStatus::Opened)
                inUse->push_back(path);
            all = false;
        } else if (guard.IsProtected(path) || !RemoveBelow(dir, name, &left)) {
            all = false;
        } else {
            LogLine(L"删除：" + path);
        }
    }
    NoteInUse(inUse, left);
    if (all && DeleteOpened(&dir))
        LogLine(L"删除文件夹：" + dir.Path());
    return true;
}

bool RemoveUninstallerFiles(const std::wstring& directory, bool keepThem, std::vector<std::wstring>* inUse)
{
    OpenedItem dir;
    if (OpenInstallFolder(directory, &dir) != OpenStatus::Opened)
        return false;
    for (const wchar_t* name : {kUninstallerFileName, kUninstallSkinFileName, kWindowLibraryFileName}) {
        OpenedItem own;
        if (!keepThem)
            RemoveAt(dir, name, ItemKind::File, inUse);
        else if (OpenBelow(dir, name, ItemKind::File, &own) == OpenStatus::Opened)
            inUse->push_back(own.Path());
    }
    return true;
}

bool IsRunningProgramsOwnFile(const std::wstring& path, const std::wstring& location)
{
    std::wstring parent, name;
    return SplitLastName(path, &parent, &name) && IsOwnFile(name) && SamePath(parent, location) &&
           RunningFrom(location);
}

void RemoveFilesBelow(const std::wstring& directory, const std::vector<std::wstring>& files,
                      std::vector<std::wstring>* inUse)
{
    OpenedItem dir;
    if (files.empty() || OpenInstallFolder(directory, &dir) != OpenStatus::Opened)
        return;
    const std::wstring prefix = dir.Path() + L"\\";
    for (const std::wstring& file : files) {
        if (file.size() > prefix.size() && SamePath(file.substr(0, prefix.size() - 1), dir.Path()))
            RemoveAt(dir, file.substr(prefix.size()), ItemKind::File, inUse);
    }
}

RemovalScope RemoveInstalledFiles(const std::wstring& location, int* createdParents, std::vector<std::wstring>* inUse)
{
    InstallManifest entries;
    const RemovalScope scope = Plan(location, &entries);
    const bool keepOwnFiles = scope != RemovalScope::Nothing && RunningFrom(location);
    if (createdParents)
        *createdParents = scope == RemovalScope::WholeDirectory ? entries.createdParents : 0;
    // Each pass goes over everything again (what went already is missing
    // then); another pass follows, after a short wait, only while a file
    // stays that another program holds.
    std::vector<std::wstring> stayed;
    for (int pass = 0;; ++pass) {
        stayed.clear();
        switch (scope) {
        case RemovalScope::WholeDirectory:
            RemoveDirectoryTree(location, keepOwnFiles, &stayed);
            RemoveEmptiedParents(location, entries.createdParents);
            break;
        case RemovalScope::ListedEntries:
        case RemovalScope::PayloadEntries: {
            OpenedItem dir;
            if (OpenInstallFolder(location, &dir) == OpenStatus::Opened)
                RemoveListedEntries(dir, entries, keepOwnFiles, &stayed);
            break;
        }
        case RemovalScope::Nothing:
            break;
        }
        const bool heldByOthers = std::any_of(stayed.begin(), stayed.end(), [&](const std::wstring& path) {
            return !keepOwnFiles || !IsRunningProgramsOwnFile(path, location);
        });
        if (!heldByOthers || pass == kInUseRetries)
            break;
        Sleep(kInUseRetryWaitMs);
    }
    if (inUse)
        inUse->insert(inUse->end(), stayed.begin(), stayed.end());
    return scope;
}
