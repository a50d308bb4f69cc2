// StartRun: what Setup and Uninstall do with their command line (parsed by
// command_line.h) before anything else. Returns the exit code to end with
// at once, or -1 to go on:
//   /?         the usage (UsageText) in a message box with `caption`, the
//              only window of such a run; kExitDone;
//   /LOG=      the log is opened (run_log.h) and its first line names the
//              program and its command line; a log file refused for safety
//              ends with kExitRefused, one that cannot be made with
//              kExitBadCommandLine (a run with windows says so in a
//              message box first);
//   refused    a line the parser refused: its reason in the log; a run
//              with windows shows it above the usage; kExitBadCommandLine.
#pragma once

#include "command_line.h"

int StartRun(const CommandOptions& options, CommandProgram program, const wchar_t* caption);
