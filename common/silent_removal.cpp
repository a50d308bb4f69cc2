#include "silent_removal.h"

#include "exit_code.h"
#include "product.h"
#include "run_log.h"
#include "running_app.h"
#include "silent_hooks.h"

int RemoveSilently(int allUsers, RemovalOutcome* removal)
{
    if (FindRunningApp()) {
        LogLine(kMsgAppRunning);
        return kExitAppRunning;
    }
    LogLine(L"卸载");
    SilentHooks hooks;
    *removal = RunRemoval(RemovalJob{allUsers, kProductKey}, hooks);
    for (const std::wstring& file : removal->leftForLater)
        LogLine(L"正在使用，将在稍后删除：" + file);
    LogLine(L"卸载完成：" + removal->installDir);
    return kExitDone;
}
