// The guard that every removal of the product passes before it deletes a folder
// or a file: whatever a record or manifest says, it never lets a drive's root,
// the Windows folder, the Program Files folders, a user profile (or the folder
// that holds the profiles) or a known shell folder go, nor any folder that has
// one of these inside it.
//
// IsProtectedPath returns true for such a path, and also for anything it cannot
// judge safely: an empty or relative path, a path with wildcards, a network
// share's root. Paths are compared as full paths (GetFullPathNameW, trailing
// separators dropped) without regard to letter case. It asks the shell for the
// folders on every call and keeps no state.
#pragma once

#include "paths.h"

#include <string>
#include <vector>

bool IsProtectedPath(const std::wstring& path);

// The same test with the shell folders looked up once, for callers that check
// many paths in a row (a removal of hundreds of entries).
class ProtectedPathGuard {
public:
    ProtectedPathGuard();
    bool IsProtected(const std::wstring& path) const;

private:
    std::vector<std::wstring> m_folders;  // normalised
    std::wstring m_profiles;              // the folder that holds the user profiles
};
