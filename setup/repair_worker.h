// RunRepair: the repair of a recorded installation, step by step, on the
// calling thread (the repair worker), apart from any window.
//
// Steps: read "InstallLocation" of the record under HKEY_LOCAL_MACHINE (all
// users) or HKEY_CURRENT_USER; rewrite the record whole ("DisplayName",
// "UnInstallString", "InstallLocation", "Publisher", then the Programs
// list's values with the repair's date: install_record.h); then every payload
// entry written again over the installation, the install manifest (the same
// entries as an installation; "created the directory" only when a readable
// earlier manifest for the same directory says so), the Start-menu, desktop
// and Quick Launch shortcuts and the autostart value (extraction.h, without a
// journal: files are rewritten in place). Files in the directory that are not
// in the payload stay. There are no checkpoints and no rollback: what was
// rewritten before a failure stays.
//
// Outcomes and what was reported (hooks.ShowError, caption "错误"):
//   Completed      ("开机启动设置失败。" when only the autostart value failed);
//   NotInstalled   "未能找到已安装的VELT电子日历，请先确认VELT电子日历已正确
//                  安装。": no record, or no usable "InstallLocation" (missing,
//                  empty, not a full path, a protected folder such as the
//                  Windows folder (IsProtectedPath, protected_path.h), or
//                  one of the current user's that an elevated Setup may not
//                  trust: record_trust.h);
//                  nothing was written;
//   NoProgressBar  the page has no bar: nothing after the record;
//   Damaged        "安装程序已损坏，请重新下载后再安装。";
//   WriteFailed    "无法写入文件“<entry>”，安装无法继续。";
//   RunKeyMissing  "未能找到开机启动设置位置。".
#pragma once

#include "worker_hooks.h"

#include <windows.h>

#include <string>

struct RepairJob {
    int allUsers = 1;
    std::wstring productKey;
    const void* payload = nullptr;
    DWORD payloadSize = 0;
};

enum class RepairOutcome { Completed, NotInstalled, NoProgressBar, Damaged, WriteFailed, RunKeyMissing };

struct RepairResult {
    RepairOutcome outcome = RepairOutcome::NotInstalled;
    std::wstring installDir;  // the location read from the record (empty when there was none)
};

// The hooks' Checkpoint is never called.
RepairResult RunRepair(const RepairJob& job, WorkerHooks& hooks);
