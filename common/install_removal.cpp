#include "install_removal.h"

#include "delete_path.h"
#include "install_manifest.h"
#include "path_identity.h"
#include "paths.h"
#include "payload_entries.h"
#include "product.h"
#include "protected_path.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

namespace {

// True when the running program's own files lie in `location`.
bool RunningFrom(const std::wstring& location)
{
    WCHAR module[MAX_PATH] = {};
    if (!GetModuleFileNameW(nullptr, module, MAX_PATH))
        return false;
    PathRemoveFileSpecW(module);
    return SamePath(module, location);
}

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

bool IsFile(const std::wstring& path)
{
    const DWORD attrs = GetFileAttributesW(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveEmptyFolder(const std::wstring& path, const ProtectedPathGuard& guard)
{
    if (!IsDirectory(path) || guard.IsProtected(path) || !PathIsDirectoryEmptyW(path.c_str()))
        return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryW(path.c_str());
}

size_t Depth(const std::wstring& relative)
{
    return static_cast<size_t>(std::count(relative.begin(), relative.end(), L'\\'));
}

void RemoveWholeDirectory(const std::wstring& location, bool keepOwnFiles)
{
    if (!keepOwnFiles) {
        DeletePath(location.c_str());
        return;
    }
    std::vector<std::wstring> children;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(JoinPath(location, L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L".." && !IsOwnFile(name))
                children.push_back(name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    const ProtectedPathGuard guard;
    for (const std::wstring& name : children) {
        const std::wstring path = JoinPath(location, name);
        if (!guard.IsProtected(path))
            DeletePath(path.c_str());
    }
}

void RemoveListedEntries(const std::wstring& location, const InstallManifest& manifest, bool keepOwnFiles)
{
    const ProtectedPathGuard guard;
    for (const std::wstring& file : manifest.files) {
        if (keepOwnFiles && file.find(L'\\') == std::wstring::npos && IsOwnFile(file))
            continue;
        const std::wstring path = JoinPath(location, file);
        if (IsFile(path) && !guard.IsProtected(path))
            DeletePath(path.c_str());
    }
    const std::wstring manifestPath = InstallManifestPath(location);
    if (IsFile(manifestPath))
        DeletePath(manifestPath.c_str());
    std::vector<std::wstring> folders = manifest.folders;
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
    for (const std::wstring& folder : folders)
        RemoveEmptyFolder(JoinPath(location, folder), guard);
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
        if (!IsDirectory(parent) || !PathIsDirectoryEmptyW(parent.c_str()) || !RemoveDirectoryW(parent.c_str()))
            break;
    }
}

RemovalScope RemoveInstalledFiles(const std::wstring& location, int* createdParents)
{
    InstallManifest entries;
    const RemovalScope scope = Plan(location, &entries);
    const bool keepOwnFiles = scope != RemovalScope::Nothing && RunningFrom(location);
    if (createdParents)
        *createdParents = scope == RemovalScope::WholeDirectory ? entries.createdParents : 0;
    switch (scope) {
    case RemovalScope::WholeDirectory:
        RemoveWholeDirectory(location, keepOwnFiles);
        RemoveEmptiedParents(location, entries.createdParents);
        break;
    case RemovalScope::ListedEntries:
    case RemovalScope::PayloadEntries:
        RemoveListedEntries(location, entries, keepOwnFiles);
        break;
    case RemovalScope::Nothing:
        break;
    }
    return scope;
}
