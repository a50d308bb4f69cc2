// The shell-user hook of Setup's test programs (never of the shipped Setup):
// a test that starts a test program with the environment variable
// kShellUserVariable set to a SID in text form ("S-1-5-18") makes that
// program take the account for the user of the shell, as if an
// administrator had elevated it for another user (shell_user.h). Read once,
// before WinMain runs; without the variable the program looks at the real
// shell.
#pragma once

inline constexpr wchar_t kShellUserVariable[] = L"VELT_TEST_SHELL_USER";
