// RemoveSilently(allUsers, removal): the removal of an unattended run
// (Setup /UNINSTALL /S, Uninstall /S), without any window: refused with
// kExitAppRunning while the calendar runs (nothing removed), else the
// removal engine (removal_worker.h) on the calling thread, every file it
// left for later and the end in the log (run_log.h); kExitDone. *removal
// gets the engine's outcome (for Uninstall's own folder afterwards).
#pragma once

#include "removal_worker.h"

int RemoveSilently(int allUsers, RemovalOutcome* removal);
