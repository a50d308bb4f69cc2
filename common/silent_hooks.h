// SilentHooks: what a worker asks of its page, for a run without windows
// (/S): no bar, every message the page would show goes to the log
// (run_log.h, "错误：<text>") and the last one is kept for the exit code; a
// checkpoint stops the installation once *endSession is set (the Windows
// session ends; null: never).
#pragma once

#include "run_log.h"
#include "worker_hooks.h"

#include <windows.h>

class SilentHooks : public WorkerHooks {
public:
    explicit SilentHooks(volatile LONG* endSession = nullptr) : m_endSession(endSession) {}
    int BarMaxWidth() override { return 1000; }
    void SetBarWidth(int) override {}
    bool PassCheckpoint(Checkpoint, int) override
    {
        return m_endSession && InterlockedCompareExchange(m_endSession, 0, 0) != 0;
    }
    void ShowError(const std::wstring& text) override
    {
        LogLine(L"错误：" + text);
        m_last = text;
    }
    const std::wstring& Last() const { return m_last; }

private:
    volatile LONG* m_endSession;
    std::wstring m_last;
};
