// DeletePath: silent deletion of a file or a folder tree through the shell.
//
// One SHFileOperationW FO_DELETE with FOF_SILENT | FOF_NOCONFIRMATION: no
// progress dialog, no confirmation, no recycle bin. Returns true when the shell
// reports success, false otherwise (missing path, item in use, empty path);
// whatever could not be deleted stays. Blocks the calling thread until the
// shell operation ends. The path may be given with a single terminating zero:
// the list form that the shell needs (a second zero) is built here.
#pragma once

#include <windows.h>

bool DeletePath(LPCWSTR path);
