// RunInstall: a fresh installation, step by step, on the calling thread (the
// install worker), apart from any window: the page hands it the job and a
// set of hooks through which it moves the bar, waits at its checkpoints and
// reports errors.
//
// Steps: the install record (under HKEY_LOCAL_MACHINE for all users, else
// HKEY_CURRENT_USER); the installation directory (made with every missing
// parent when it does not exist; an existing one is used as it is); every
// payload entry, with the bar at max(1, i*S/(n-1)) after entry i, S = W-100;
// the install manifest; the shortcuts; the autostart value; the bar at W.
// Between the steps and after every entry it calls hooks.Checkpoint(); when
// that says the user cancelled, RunInstall returns Cancelled at once and the
// caller rolls back. Everything made is noted in the journal; files that
// would be overwritten are kept aside there first.
//
// Outcomes and what was reported (hooks.ShowError, caption "错误"):
//   Completed       everything done ("开机启动设置失败。" when only the
//                   autostart value could not be set);
//   Cancelled       at a checkpoint;
//   BadPath         "错误的安装路径。": the directory could not be made;
//                   the record stays for the rollback of a later quit;
//   NoProgressBar   the page has no bar (W < 0): nothing after the directory;
//   Damaged         "安装程序已损坏，请重新下载后再安装。": no payload, or it
//                   cannot be read; stopped at that entry;
//   WriteFailed     "无法写入文件“<entry>”，安装无法继续。": an entry could not
//                   be written (disk full, in use, read-only folder ...);
//   RunKeyMissing   "未能找到开机启动设置位置。": the Run key cannot be opened;
//                   what was installed stays.
// The caller decides what follows (rollback, finish page, quit).
#pragma once

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

class InstallHooks {
public:
    virtual ~InstallHooks() = default;
    // The bar's full width W, or -1 when there is no bar.
    virtual int BarMaxWidth() = 0;
    virtual void SetBarWidth(int width) = 0;
    // Waits while the user is being asked whether to quit; true when the
    // installation is to stop (the user said yes).
    virtual bool Checkpoint() = 0;
    // An error message owned by the progress page; returns when dismissed.
    virtual void ShowError(const std::wstring& text) = 0;
};

enum class InstallOutcome { Completed, Cancelled, BadPath, NoProgressBar, Damaged, WriteFailed, RunKeyMissing };

InstallOutcome RunInstall(const InstallJob& job, InstallHooks& hooks, InstallJournal& journal);

// Width of the bar after entry i of n, for a full width W: the extraction
// fills S = W - 100 (all of W when W is 100 or less), never below 1 or above W.
int ExtractionBarWidth(int i, int n, int fullWidth);

// The full width to use for a bar whose layout says `maxWidth`: a missing or
// unbounded maximum (9999 or more, or not positive) gives `fallback`.
int UsableBarWidth(int maxWidth, int fallback);
