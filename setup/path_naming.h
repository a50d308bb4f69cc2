// FollowsNamingRules: whether Windows itself would accept `path` as the name
// of a folder, judged from the text alone (nothing on the disk is looked at).
//
// Refused, as Windows refuses them:
//   - a ':' anywhere but right after a drive letter at the start ("C:");
//   - any of < > " | ? * and the control characters (below U+0020);
//   - a component ending in '.' or ' ' (Windows would quietly drop it), but
//     for the components "." and "..", which step within the path;
//   - a device name as a component, in any letter case and also with an
//     extension or spaces before one: CON, PRN, AUX, NUL, COM1-COM9 and
//     LPT1-LPT9 (with the digits 1-9 or the superscripts ¹ ² ³);
//   - the device and literal forms "\\.\", "\\?\" and "\??\", in which
//     Windows applies none of its rules (the '?' alone refuses the last two).
// Accepted: full paths with a drive ("C:\a\b", "C:\a\" with its trailing
// separator), drive-relative and relative paths ("C:a", "a\b", "..\a"), '/'
// as a separator, doubled separators, and shares ("\\host\share\a"), whose
// host and share names are held to the same rules as every other component.
// The empty text breaks none of these rules (it names no folder; the
// install worker reports it).
#pragma once

#include <string>

bool FollowsNamingRules(const std::wstring& path);
