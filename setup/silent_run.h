// RunSetupSilently: Setup's unattended run (/S), without any window at any
// moment; what the wizard would say in a message goes to the log
// (run_log.h) and decides the exit code (exit_code.h), which it returns.
//
// Without a record: a fresh installation with the wizard's defaults (all
// users, the default folder, both shortcuts, the calendar not started), as
// the options change them (/D=, /CURRENTUSER, /NODESKTOP, /NOQUICKLAUNCH,
// /RUN). It checks what the wizard checks, in the wizard's order: the
// calendar running (kExitAppRunning), the earlier edition's traces removed,
// "only me" while elevated for another account (kExitRefused), the folder by
// Windows' naming rules (kExitBadFolder), a folder that does not name itself
// or, for all users, one that ordinary users can write (kExitRefused), the
// payload (kExitDamaged). Then the installation runs on the calling thread
// (install_worker.h); one that does not complete rolls back exactly as a
// cancelled one (rollback.h), a completed one is made final, and /RUN starts
// the calendar as the finish page would (launch.h).
//
// With a record: /REPAIR repairs (repair_worker.h), /UNINSTALL removes
// (removal_worker.h; the calendar running: kExitAppRunning); /S alone is
// refused (kExitBadCommandLine). /REPAIR or /UNINSTALL without a record:
// kExitNotInstalled. A record Setup may not trust (record_trust.h):
// kExitRefused, nothing done.
//
// `endSession` (may be null) is read at every checkpoint of the installation:
// when it is set (the Windows session ends) the installation stops there and
// rolls back, kExitCancelled.
#pragma once

#include "command_line.h"
#include "install_record.h"

#include <windows.h>

int RunSetupSilently(const CommandOptions& options, const RecordProbe& record, volatile LONG* endSession);
