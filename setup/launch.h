// Starting the installed calendar when Setup finishes.
//
// LaunchApp(installDir): on Windows Vista and later (NT 6 or higher) through
// LaunchAppByTaskScheduler, never with Setup's own (elevated) rights; there
// is no fallback to the shell there. On older systems through the shell
// ("open", SW_SHOWNORMAL), in Setup's security context. Reports nothing.
//
// LaunchAppByTaskScheduler(exePath): registers (create or update) the task
// "Registration Trigger Test Task" in the root task folder, author "Author
// Name", principal "Principal1" with the interactive user's token at the
// least-privileged run level, start when available, one registration trigger
// "Trigger1" without delay, and one action that runs `exePath`; an earlier
// task of that name is deleted first. The task stays registered after it has
// run. Returns 0 when the task was registered, 1 on any failure. COM must
// already be initialised on the calling thread (the interface thread); the
// process's COM security is set when it was not yet (a security already set
// is not a failure). Every interface is released before it returns; COM stays
// initialised.
#pragma once

#include <string>

int LaunchAppByTaskScheduler(const std::wstring& exePath);

void LaunchApp(const std::wstring& installDir);
