// RunRemoval: the removal of an installed product, step by step, on the
// calling thread (the removal worker of Setup's maintenance mode and of
// Uninstall), apart from any window: the page hands it the job and its hooks
// (the bar and the one checkpoint) and gets the outcome back.
//
// Steps: the checkpoint BeforeRemoval (worker_hooks.h; its answer is not
// asked: a removal never stops early). The install record under
// RecordRoot(job.allUsers) is opened for full access; its "InstallLocation"
// is read (when that fails, the current user's record is tried instead, and
// the rest of the removal works for the current user). A location from the
// current user's record that an elevated program may not trust
// (record_trust.h) counts as unreadable: no file goes.
// From a non-empty location what the installation created is removed
// (install_removal.h; for the record of all users with a shell notification
// and at above-normal priority, raised_priority.h, given back after it), and the delayed removal is started for
// what is still in use: the whole tree when the installation created the
// directory, else only Uninstall's own three files and the files another
// program held through the removal's tries (delayed_removal.h). Bar
// at W/3. The shortcuts: the programs folder's product folder and links (the
// "Quorvel" group only when it is empty then), the current user's desktop and
// Quick Launch links; none that IsProtectedPath refuses. Bar at 2W/3. The
// autostart value, then the record itself. Bar at W.
//
// Reports nothing and never stops early: a step that finds nothing or fails
// is skipped. Never touches a window.
#pragma once

#include "install_removal.h"
#include "worker_hooks.h"

#include <string>
#include <vector>

struct RemovalJob {
    int allUsers = 1;          // where the record was found at start-up
    std::wstring productKey;
};

struct RemovalOutcome {
    int allUsers = 1;           // the root the removal worked on (0 after the current user's fallback)
    std::wstring installDir;    // the location read from the record; empty when none
    RemovalScope scope = RemovalScope::Nothing;
    int createdParents = 0;     // with WholeDirectory: the folders above it the installation created
    // Files another program held through every try, which the delayed removal
    // takes once they are free (full paths, in name order; the running
    // program's own files are not among them).
    std::vector<std::wstring> leftForLater;
};

RemovalOutcome RunRemoval(const RemovalJob& job, WorkerHooks& hooks);

// The completion page's line about leftForLater: empty when nothing was
// left, else "以下文件正在使用，将在稍后删除：" and the first file's path
// relative to the install location, followed by " 等 N 个文件" when there
// are N > 1.
std::wstring LeftForLaterLine(const RemovalOutcome& outcome);
