// RunInstall: a fresh installation, step by step, on the calling thread (the
// install worker), apart from any window: the wizard hands it the job, the
// progress page its hooks (bar, checkpoints, error boxes), and it returns the
// outcome; the caller decides what follows (rollback, finish page, quit).
//
// Steps: the install record (under HKEY_LOCAL_MACHINE for all users, else
// HKEY_CURRENT_USER; its "EstimatedSize" the payload's: payload_size.h),
// checkpoint AfterRecord; the installation directory
// (made with every missing parent when it does not exist, for all users
// with the all-users access list of folder_acl.h; an existing one is used
// as it is), checkpoints AfterFolder and AfterFolderAgain; then the
// payload, the install manifest, the shortcuts and the autostart value
// (extraction.h, with this installation's journal and checkpoints). At a
// checkpoint that says the user cancelled it returns Cancelled at once and
// the caller rolls back. Everything made is noted in the journal; files that
// would be overwritten are kept aside there first.
//
// Outcomes and what was reported (hooks.ShowError, caption "错误"):
//   Completed       everything done ("开机启动设置失败。" when only the
//                   autostart value could not be set);
//   Cancelled       at a checkpoint;
//   BadPath         "错误的安装路径。": the directory could not be made or
//                   used; or, for all users, "所选文件夹可被普通用户修改，
//                   请选择其他安装位置。": it existed and ordinary users can
//                   write it (folder_acl.h); the record stays for the
//                   rollback of a later quit;
//   NoProgressBar   the page has no bar: nothing after the directory;
//   Damaged         "安装程序已损坏，请重新下载后再安装。";
//   WriteFailed     "无法写入文件“<entry>”，安装无法继续。";
//   RunKeyMissing   "未能找到开机启动设置位置。": what was installed stays.
#pragma once

#include "worker_hooks.h"

#include <windows.h>

#include <string>

class InstallJournal;

struct InstallJob {
    std::wstring installDir;       // as typed, nothing trimmed
    int allUsers = 1;              // 1: HKEY_LOCAL_MACHINE and the common programs folder
    std::wstring productKey;
    bool desktopShortcut = true;
    bool quickLaunchShortcut = true;
    const void* payload = nullptr;  // the zip archive in memory (Setup's resource), or null
    DWORD payloadSize = 0;
};

enum class InstallOutcome { Completed, Cancelled, BadPath, NoProgressBar, Damaged, WriteFailed, RunKeyMissing };

InstallOutcome RunInstall(const InstallJob& job, WorkerHooks& hooks, InstallJournal& journal);
