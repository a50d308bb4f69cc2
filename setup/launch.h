// Starting the installed calendar when Setup finishes.
//
// LaunchApp(installDir): on Windows Vista and later (NT 6 or higher) through
// LaunchAppByTaskScheduler, never with Setup's own (elevated) rights; there
// is no fallback to the shell there. On older systems through the shell
// ("open", SW_SHOWNORMAL), in Setup's security context. Reports nothing.
//
// LaunchAppByTaskScheduler(exePath): registers the task LaunchTaskName() in
// the root task folder, author "Author Name", principal "Principal1" with
// the interactive user's token at the least-privileged run level, start
// when available, also on batteries, not stopped when the power cord is
// pulled, no time limit, one registration trigger "Trigger1" without delay,
// and one action that runs `exePath`, quoted. A task of that name is
// deleted first only when it is ours: its one action runs `exePath` (quoted
// or not, in any letter case). Any other task of that name is left as it
// is, and then the registration (create, never update) fails. Once
// registered, the task is waited for (up to 10 seconds, on the calling
// thread) until it runs or has run its action, and then deleted, also when
// it did not start in that time. Returns 0 when the task started the
// calendar, 1 on any failure. COM must already be initialised on the
// calling thread (the interface thread); the process's COM security is set
// when it was not yet (a security already set is not a failure). Every
// interface is released before it returns; COM stays initialised.
//
// LaunchTaskName(): "VELT电子日历 启动 " followed by the string form of the SID
// of the account Setup runs as (the task's principal): one task per account,
// named with characters any task name takes, and not to be confused with
// another account's by a chosen user name. Empty when the SID cannot be read.
#pragma once

#include <string>

std::wstring LaunchTaskName();

int LaunchAppByTaskScheduler(const std::wstring& exePath);

void LaunchApp(const std::wstring& installDir);
