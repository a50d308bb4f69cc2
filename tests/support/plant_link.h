// PlantLink: a symbolic link planted in the Wine prefix the way an attacker
// plants one, for the tests of the programs' defences against links.
//
// Windows programs in the test prefix cannot make links themselves (Wine has
// no working CreateSymbolicLinkW, and the sandboxed prefix reaches no Unix
// path), so the request goes to the link planter of the test session
// (tools/wine-session.sh), which makes a Unix symbolic link. Windows programs
// then see a link to a folder as a folder with FILE_ATTRIBUTE_REPARSE_POINT,
// and a link to a file as a plain file; Wine opens the target through either.
//
// `link` and `target` are full Windows paths on C:. Returns true once the link
// exists; false (with the planter's reason in *why, when given) when the name
// is taken, a path is not on C:, or no planter answered within deadlineMs (no
// test session: run the tests through tools/test.sh or tools/faults.sh).
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

bool PlantLink(const std::wstring& link, const std::wstring& target, std::wstring* why = nullptr,
               DWORD deadlineMs = 10000);

// Has the planter take back every link this process planted at or below
// `folder` (a Windows program cannot: Wine would delete or move the target).
// RemoveTree calls it. The session also takes back, when it starts, the
// links an earlier run left.
void RemovePlantedLinks(const std::wstring& folder);

} // namespace testing_support
