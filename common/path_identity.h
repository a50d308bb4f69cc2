// What a path names, as the file system itself names it, so that two
// spellings of one folder compare equal and a folder reached through a
// short name, a link, a junction or a subst drive is known for what it is.
//
// FinalPathOf(path): NormalisePath's form (paths.h) of `path`, in which the
// longest part that exists is replaced by its own final name: where the
// system has GetFinalPathNameByHandleW (looked up at run time), the name of
// what that part opens to, with long names and links, junctions and subst
// drives resolved ("\\?\" and "\\?\UNC\" taken off); on Windows XP, which
// lacks it, the long names (GetLongPathNameW) only. The part that does not
// exist follows as written. Empty when the path cannot be judged: empty,
// relative, a wildcard, a device or literal form ("\\?\", "\\.\", "\??\"),
// a share without a name or an administrative or hidden share (a share
// name ending in '$': "\\host\C$", "\\host\ADMIN$"), a stream (a ':' after
// the drive), a component ending in '.' or ' ' (which Windows would quietly
// drop), or an existing part that cannot be opened.
//
// IsDisguisedPath(path): true when a full path does not name itself: its
// form cannot be judged (as above), or its final path differs from its own
// full form by more than letter case. False for an empty or relative path,
// which names nothing yet (the install worker reports it as before).
//
// Both look at the file system on every call and keep no state.
#pragma once

#include <string>

std::wstring FinalPathOf(const std::wstring& path);
bool IsDisguisedPath(const std::wstring& path);
