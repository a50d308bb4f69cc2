// The exit codes of Setup and Uninstall, fixed: scripts and management tools
// read them (README lists them). An unattended run (/S) ends with the one
// that says how it went; a run with windows ends with kExitDone, or with
// kExitBadCommandLine when its command line was refused.
#pragma once

enum ExitCode : int {
    kExitDone = 0,            // done (or only the usage was shown)
    kExitCancelled = 1,       // the Windows session ended: rolled back
    kExitBadCommandLine = 2,  // an unknown option, a missing value, /S alone in maintenance, a log that cannot be made
    kExitAppRunning = 3,      // the calendar is running
    kExitDamaged = 4,         // the installer is damaged (its payload)
    kExitWriteFailed = 5,     // a file or the autostart value could not be written
    kExitBadFolder = 6,       // the folder breaks Windows' naming rules or cannot be made or used
    kExitNotInstalled = 7,    // repair or removal without a (usable) record
    kExitRefused = 8,         // refused for safety: a link on the way, a folder ordinary users can write,
                              // a record of the user's that an administrator may not trust, "only me"
                              // for another account than the one elevated
};
