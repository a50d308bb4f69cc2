#include "silent_run.h"

#include "com_ptr.h"
#include "decimal_text.h"
#include "exit_code.h"
#include "folder_acl.h"
#include "install_journal.h"
#include "install_worker.h"
#include "launch.h"
#include "legacy_cleanup.h"
#include "path_identity.h"
#include "path_naming.h"
#include "paths.h"
#include "payload_resource.h"
#include "product.h"
#include "repair_worker.h"
#include "rollback.h"
#include "run_log.h"
#include "running_app.h"
#include "shell_user.h"
#include "silent_hooks.h"
#include "silent_removal.h"

#include <shlwapi.h>

namespace {

int Refuse(int code, const std::wstring& why)
{
    LogLine(why);
    return code;
}

int Install(const CommandOptions& options, volatile LONG* endSession)
{
    // As the wizard: the earlier edition's traces go even while the calendar runs.
    const bool running = FindRunningApp() != 0;
    const int allUsers = CleanLegacyInstall(options.currentUser ? 0 : 1);
    if (running)
        return Refuse(kExitAppRunning, kMsgAppRunning);
    std::wstring other;
    if (!allUsers && FindOtherShellUser(&other))
        return Refuse(kExitRefused, L"安装程序正以其他管理员的账户运行，只能为所有用户安装。");
    const std::wstring typed = options.installDir.empty() ? DefaultInstallDir() : options.installDir;
    if (!FollowsNamingRules(typed))
        return Refuse(kExitBadFolder, std::wstring(kMsgBadInstallPath) + L" " + typed);
    const std::wstring dir = FullPath(typed);
    if (IsDisguisedPath(dir))
        return Refuse(kExitRefused, std::wstring(kMsgBadInstallPath) + L" " + dir);
    if (allUsers && PathIsDirectoryW(dir.c_str()) && FolderLetsOrdinaryUsersWrite(dir))
        return Refuse(kExitRefused, std::wstring(kMsgUserWritableFolder) + L" " + dir);

    InstallJob job;
    job.installDir = dir;
    job.allUsers = allUsers;
    job.productKey = kProductKey;
    job.desktopShortcut = !options.noDesktop;
    job.quickLaunchShortcut = !options.noQuickLaunch;
    FindPayload(GetModuleHandleW(nullptr), &job.payload, &job.payloadSize);
    if (!job.payload)
        return Refuse(kExitDamaged, kMsgSetupDamaged);
    LogLine(std::wstring(L"安装到 ") + dir + (allUsers ? L"，所有用户" : L"，仅当前用户"));

    SilentHooks hooks(endSession);
    InstallJournal journal;
    const InstallOutcome outcome = RunInstall(job, hooks, journal);
    if (outcome == InstallOutcome::Completed || outcome == InstallOutcome::RunKeyMissing) {
        journal.Commit();
        if (outcome == InstallOutcome::RunKeyMissing)
            return Refuse(kExitWriteFailed, L"安装已完成，开机启动未设置");
        LogLine(L"安装完成");
        if (options.run) {
            LogLine(L"启动VELT电子日历");
            LaunchApp(dir);
        }
        return kExitDone;
    }
    LogLine(L"回滚安装");
    RollBackInstall(journal, hooks);
    LogLine(L"回滚完成");
    switch (outcome) {
    case InstallOutcome::Cancelled:
        return kExitCancelled;
    case InstallOutcome::BadPath:
        return hooks.Last() == kMsgUserWritableFolder ? kExitRefused : kExitBadFolder;
    case InstallOutcome::WriteFailed:
        return kExitWriteFailed;
    default:
        return kExitDamaged;
    }
}

int Repair(int allUsers)
{
    RepairJob job;
    job.allUsers = allUsers;
    job.productKey = kProductKey;
    FindPayload(GetModuleHandleW(nullptr), &job.payload, &job.payloadSize);
    if (!job.payload)
        return Refuse(kExitDamaged, kMsgSetupDamaged);
    LogLine(L"修复");
    SilentHooks hooks(nullptr);
    const RepairResult result = RunRepair(job, hooks);
    switch (result.outcome) {
    case RepairOutcome::Completed:
        LogLine(L"修复完成：" + result.installDir);
        return kExitDone;
    case RepairOutcome::NotInstalled:
        return kExitNotInstalled;
    case RepairOutcome::WriteFailed:
    case RepairOutcome::RunKeyMissing:
        return kExitWriteFailed;
    default:
        return kExitDamaged;
    }
}

} // namespace

int RunSetupSilently(const CommandOptions& options, const RecordProbe& record, volatile LONG* endSession)
{
    ComScope com;
    int code = kExitDone;
    if (!record.trusted)
        code = Refuse(kExitRefused, kMsgNotInstalled);
    else if (record.found && options.repair)
        code = Repair(record.allUsers);
    else if (record.found && options.uninstall) {
        RemovalOutcome removal;
        code = RemoveSilently(record.allUsers, &removal);
    } else if (record.found)
        code = Refuse(kExitBadCommandLine, L"已安装VELT电子日历：无界面运行须加 /REPAIR 或 /UNINSTALL");
    else if (options.repair || options.uninstall)
        code = Refuse(kExitNotInstalled, kMsgNotInstalled);
    else
        code = Install(options, endSession);
    LogLine(L"退出代码 " + DecimalText(code));
    return code;
}
