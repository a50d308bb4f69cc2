// Removal of an installation's files from its directory, bounded by what the
// installation created.
//
// RemoveInstalledFiles(location) decides from the install manifest in the
// directory (install_manifest.h):
//   WholeDirectory  the manifest is readable, says the installation created
//                   the directory, and names this same directory: everything
//                   inside goes, then the directory itself;
//   ListedEntries   the manifest is readable but the directory existed before
//                   (or the manifest names another directory): the listed
//                   files go, then the listed folders that are left empty
//                   (deepest first), then the manifest itself; the directory
//                   stays. Of a manifest that names another directory only
//                   the listed names that are payload entries count;
//   PayloadEntries  no readable manifest: the same with the payload's own 83
//                   entries (payload_entries.h); the directory stays;
//   Nothing         the location is empty, not a full path, or disguised
//                   (IsDisguisedPath: a short name, a link, a junction, a
//                   subst drive, a device or literal form, an
//                   administrative share): nothing there is touched.
// A location that IsProtectedPath refuses (a drive's root, the desktop, ...)
// never goes whole: only the listed (or payload) entries go from it. Files
// the user put there stay in every case but WholeDirectory. No folder that
// IsProtectedPath refuses is ever deleted. When the running program lies
// in the directory, its own "Uninstall.exe", "Uninstall.DAT" and "DuiLibu.dll"
// are left for the delayed removal command (they are in use).
//
// Nothing is reached through a link: the installation folder is opened from
// its parent and every listed entry level by level from it, each level
// checked by its handle (no_follow.h), and deleted by that handle. A link in
// place of the installation folder: nothing behind it is touched. A link at
// a listed name goes as the link itself where a handle can name the link
// (Windows) and stays where it cannot (Wine); a link on the way to an entry
// is never entered. Failures leave the item and go on. While a file stays
// because another program holds it (an editor, a scanner, a thumbnail
// viewer), the removal is tried again, kInUseRetries times at most, after a
// wait of kInUseRetryWaitMs each. The files that stayed in use then (the
// running program's own three among them) are appended to *inUse, by full
// path, for the delayed removal. Returns the scope used.
//
// With WholeDirectory, the folders that the manifest says the installation
// created above the directory ("C:\Program Files\QRVL" above
// "...\QRVL\VELT电子日历") go too once they are empty; *createdParents
// receives their number (0 for every other scope), for the delayed removal
// of what is still in use.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum class RemovalScope { Nothing, WholeDirectory, ListedEntries, PayloadEntries };

// Further passes over a removal while another program holds a file, and the
// wait before each: about one second in all.
inline constexpr int kInUseRetries = 4;
inline constexpr DWORD kInUseRetryWaitMs = 250;

RemovalScope RemoveInstalledFiles(const std::wstring& location, int* createdParents = nullptr,
                                  std::vector<std::wstring>* inUse = nullptr);

// The WholeDirectory removal: `directory`, opened from its parent and checked,
// goes with everything in it by handles; with keepOwnFiles Uninstall's three
// files stay (named in *inUse with whatever else stayed in use) and so does
// the directory. False, with nothing touched, when the directory is not a
// plain folder (missing, a link).
bool RemoveDirectoryTree(const std::wstring& directory, bool keepOwnFiles, std::vector<std::wstring>* inUse);

// The `count` folders directly above `directory`, innermost first, up to the
// first one that IsProtectedPath refuses (which is left out, with everything
// above it).
std::vector<std::wstring> CreatedParentFolders(const std::wstring& directory, int count);

// Uninstall's three files in `directory` (opened from its parent and
// checked), each by its handle, or with keepThem only named in *inUse (when
// they are plain files); one that stays in use is named too. False, with
// nothing touched, when the directory is not a plain folder.
bool RemoveUninstallerFiles(const std::wstring& directory, bool keepThem, std::vector<std::wstring>* inUse);

// Each of `files` (full paths) that lies below `directory` (opened from its
// parent and checked) is deleted as RemoveInstalledFiles deletes a listed
// file, reached level by level from the directory; one that stays in use is
// appended to *inUse. Files elsewhere are left alone.
void RemoveFilesBelow(const std::wstring& directory, const std::vector<std::wstring>& files,
                      std::vector<std::wstring>* inUse);

// True when `path` is one of the running program's own three files in its
// own folder `location`.
bool IsRunningProgramsOwnFile(const std::wstring& path, const std::wstring& location);

// True when the running program's own files lie in `location`.
bool RunningFrom(const std::wstring& location);

// Removes each of CreatedParentFolders(directory, count) that is empty,
// innermost first, by handle (a link there is not entered), and stops at the
// first that is not, once `directory` itself has gone.
void RemoveEmptiedParents(const std::wstring& directory, int count);

// The scope RemoveInstalledFiles would use, without deleting anything.
RemovalScope PlanRemoval(const std::wstring& location);
