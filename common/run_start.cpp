#include "run_start.h"

#include "exit_code.h"
#include "run_log.h"

#include <windows.h>

int StartRun(const CommandOptions& options, CommandProgram program, const wchar_t* caption)
{
    if (options.help) {
        MessageBoxW(nullptr, UsageText(program).c_str(), caption, MB_ICONINFORMATION);
        return kExitDone;
    }
    if (!options.logFile.empty()) {
        const LogOpen log = OpenRunLog(options.logFile);
        if (log != LogOpen::Opened) {
            if (!options.silent)
                MessageBoxW(nullptr, (L"无法写入日志文件：" + options.logFile).c_str(), caption, MB_ICONERROR);
            return log == LogOpen::Refused ? kExitRefused : kExitBadCommandLine;
        }
        LogLine(std::wstring(program == CommandProgram::Setup ? L"Setup" : L"Uninstall") + L" 命令行：" +
                GetCommandLineW());
    }
    if (!options.ok) {
        LogLine(L"命令行有误：" + options.error);
        if (!options.silent)
            MessageBoxW(nullptr, (options.error + L"\n\n" + UsageText(program)).c_str(), caption, MB_ICONERROR);
        return kExitBadCommandLine;
    }
    return -1;
}
