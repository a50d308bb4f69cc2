// DeletePath: silent deletion of a file or a folder tree, by handles, never
// through a link.
//
// The folder above `path` is opened by its path (trusted); the item itself
// and everything below it are opened one level at a time and checked
// (no_follow.h): files go by their handles, a read-only one too; a link met
// anywhere goes as the link itself where the system lets a handle name the
// link (Windows), and is left where it does not (Wine); folders go once
// emptied. No shell, no dialog. Returns true when everything went; false when
// the path is empty, not a full path, missing, or when anything stayed (in
// use, a link left, access denied), which then stays where it was with the
// folders above it. The overload appends the full paths of the files that
// stayed because another program held them, for the delayed removal.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

bool DeletePath(LPCWSTR path);
bool DeletePath(LPCWSTR path, std::vector<std::wstring>* inUse);
