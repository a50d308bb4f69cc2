// The person at the screen when they are not the user this process runs as.
//
// A standard user starts Setup and an administrator types their password
// into the elevation prompt ("over the shoulder"): the elevated process then
// runs as the administrator, with the administrator's HKEY_CURRENT_USER,
// desktop, Start menu and user name, while the desktop belongs to the user of
// the shell (the process of GetShellWindow).
//
// Contract:
// - FindOtherShellUser: true when the shell's user (the TOKEN_USER of the
//   shell's process) is another account than this process's token user;
//   *name (when given) is then that account's name as LookupAccountSidW
//   gives it, without the domain (empty when it cannot be looked up). False
//   when both are the same account, and whenever the shell cannot be found
//   or its process or token cannot be read: nothing is known then, and the
//   caller goes on as for one user. Opens the shell's process with the
//   limited query right where Windows has it (Vista on), else with full
//   query rights (Windows XP).
// - SetShellUserForTests: test programs only (the shipped programs never call
//   it); `sid` in its text form ("S-1-5-18") stands for the shell's user
//   instead of the real shell; null or empty returns to the real shell. An
//   unreadable text counts as a shell that cannot be read.
#pragma once

#include <string>

bool FindOtherShellUser(std::wstring* name);
void SetShellUserForTests(const wchar_t* sid);
