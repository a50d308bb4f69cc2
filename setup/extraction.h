// ExtractPayload: the part of an installation and of a repair that both do,
// written once: the payload archive opened where it lies in memory, every
// entry written below the directory with the bar at max(1, i*S/(n-1)) after
// entry i (S = W-100; set only when that width differs from the last one
// set), the install manifest, the shortcuts and the autostart value, the bar
// at W.
//
// What differs comes with the job:
//   - an installation gives its journal: before an entry is written, a file
//     of that name that the installation did not write is kept aside, every
//     written file and link, every made folder and the autostart value are
//     noted, and the checkpoints are passed (BeforeExtraction, AfterEntry
//     after each entry, AfterManifest, AfterAutostart, AtFinish; a true
//     answer stops the extraction with Cancelled at once);
//   - a repair gives none: each file is written beside its old copy and then
//     put in its place, so that a failure never leaves a damaged or empty
//     file where a good one was (read-only, hidden and system marks of the
//     old copy do not stop it); there are no checkpoints.
//
// Either way the directory is opened from its parent and checked, every
// folder below it is reached level by level from it and kept open while its
// entries are written (folder_chain.h), and every file, the install manifest
// too, is made new and written through its handle, and put in place or kept
// aside by handle (no_follow.h): a link where the payload needs a folder or
// a file (planted by anyone who can write the directory) is never written,
// moved or deleted through; the entry fails with the write-failure message.
//
// Outcomes and what was reported (hooks.ShowError, caption "错误"):
//   Completed      ("开机启动设置失败。" when only the autostart value failed);
//   Cancelled      at a checkpoint (installation only);
//   NoProgressBar  the page has no bar: nothing was written;
//   BadDirectory   the archive cannot take the directory as its base (not
//                  reported: the caller says what it means);
//   Damaged        "安装程序已损坏，请重新下载后再安装。": no payload, or it
//                  cannot be read;
//   WriteFailed    "无法写入文件“<entry>”，安装无法继续。";
//   RunKeyMissing  "未能找到开机启动设置位置。": the Run key cannot be opened.
// Runs on the calling thread (the worker).
#pragma once

#include "install_manifest.h"
#include "worker_hooks.h"

#include <windows.h>

#include <string>

class InstallJournal;

struct ExtractionJob {
    std::wstring dir;
    int allUsers = 1;
    bool desktopShortcut = true;
    bool quickLaunchShortcut = true;
    const void* payload = nullptr;  // the zip archive in memory, or null
    DWORD payloadSize = 0;
    InstallManifest manifest;       // directory and what created it; the entries are added here
    InstallJournal* journal = nullptr;  // an installation's; null for a repair
};

enum class ExtractionOutcome { Completed, Cancelled, NoProgressBar, BadDirectory, Damaged, WriteFailed, RunKeyMissing };

ExtractionOutcome ExtractPayload(ExtractionJob& job, WorkerHooks& hooks);

// "无法写入文件“<name>”，安装无法继续。", trailing separators dropped.
std::wstring WriteFailedText(std::wstring name);

// Width of the bar after entry i of n, for a full width W: the extraction
// fills S = W - 100 (all of W when W is 100 or less), never below 1 or above W.
int ExtractionBarWidth(int i, int n, int fullWidth);
