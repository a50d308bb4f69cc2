#include "repair_pages.h"

#include "payload_resource.h"
#include "process_state.h"
#include "product.h"
#include "repair_worker.h"
#include "setup_state.h"

DWORD WINAPI RepairThreadProc(LPVOID param)
{
    static_cast<CPage12Wnd*>(param)->DoRepair();
    return 0;
}

bool CPage12Wnd::StartRepair()
{
    return StartWorker(RepairThreadProc);
}

void CPage12Wnd::Hooks::ShowError(const std::wstring& text)
{
    MessageBoxW(m_page.m_hWnd, text.c_str(), kCaptionError, MB_ICONERROR);
}

void CPage12Wnd::DoRepair()
{
    RepairJob job;
    job.allUsers = g_bAllUsers;
    job.productKey = g_strProductKey;
    FindPayload(GetModuleHandleW(nullptr), &job.payload, &job.payloadSize);
    Hooks hooks(*this);
    std::wstring installDir;
    const RepairOutcome outcome = RunRepair(job, hooks, &installDir);
    g_strInstallDir = installDir;
    if (LeaveWindowsAlone())
        return;
    switch (outcome) {
    case RepairOutcome::Completed:
        if (g_pPage13Wnd)
            g_pPage13Wnd->ShowWindow(true);
        ShowWindow(false);
        break;
    case RepairOutcome::NoProgressBar:
        break;
    case RepairOutcome::NotInstalled:
    case RepairOutcome::Damaged:
    case RepairOutcome::WriteFailed:
    case RepairOutcome::RunKeyMissing:
        ShowWindow(false);
        PostMessage(WM_QUIT, 0, 0);
        break;
    }
}
