// RollBackInstall: undoes a fresh installation that did not complete, from
// what its journal says it made, moving the bar backwards: the installation
// directory's content (the directory itself only when this installation
// created it), bar at 2W/3; the shortcuts, W/3; the install record, 0; the
// autostart value. When this installation created the directory and some of
// it is still there (in use), a delayed removal of the whole tree is started
// that waits until Setup has ended.
//
// Nothing the installation did not make is removed, and what it replaced
// comes back. Harmless to repeat: a second run finds nothing to do and
// reports nothing.
//
// Reports (hooks.ShowError, caption "错误"): "开机启动取消失败。" when the
// autostart value this installation wrote exists and cannot be removed;
// "未能找到开机启动设置位置。" when the Run key it wrote to cannot be opened any
// more, and then returns RunKeyMissing before the delayed removal. Returns
// Done otherwise. Runs on whichever thread calls it (the worker, or the
// interface thread after the worker has ended), never on both at once.
#pragma once

#include "worker_hooks.h"

class InstallJournal;

enum class RollbackOutcome { Done, RunKeyMissing };

RollbackOutcome RollBackInstall(InstallJournal& journal, WorkerHooks& hooks);
