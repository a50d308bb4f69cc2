// The guard that every removal of the product passes before it deletes a folder
// or a file: whatever a record or manifest says, it never lets a drive's root,
// the Windows folder or anything below it, the Program Files and common files
// folders (of both views on a 64-bit Windows), the folder that holds the user
// profiles or a profile in it, or a known shell folder go, nor any folder that
// has one of these inside it. Folders below Program Files stay allowed: that
// is where installations live.
//
// Paths are compared by what they name, not by how they are written: the path
// and the protected folders are each taken as FinalPathOf (path_identity.h:
// long names, links, junctions and subst drives resolved for the part that
// exists), without regard to letter case; the path's written full form is
// checked as well. IsProtectedPath returns true for such a path, and also for
// anything it cannot judge: an empty or relative path, a path with wildcards,
// a device or literal form ("\\.\", "\\?\"), an administrative share
// ("\\host\C$"), a stream, a component ending in '.' or ' ', a share's root.
// The folders are looked up once per process, at the first check.
#pragma once

#include "paths.h"

#include <string>
#include <vector>

bool IsProtectedPath(const std::wstring& path);

// The same test with the protected folders looked up once, for callers that
// check many paths in a row (a removal of hundreds of entries).
class ProtectedPathGuard {
public:
    ProtectedPathGuard();
    bool IsProtected(const std::wstring& path) const;

private:
    bool Guards(const std::wstring& full) const;

    std::vector<std::wstring> m_folders;   // the folders and everything above them
    std::vector<std::wstring> m_trees;     // the folders, everything above and everything below them
    std::vector<std::wstring> m_profiles;  // the folders that hold the user profiles
};
