#include "maintenance_pages.h"

#include "install_removal.h"

CPage10Wnd* g_pPage10Wnd = nullptr;
CPage11Wnd* g_pPage11Wnd = nullptr;
int g_bUninstallDone = 0;
volatile LONG g_bLeaveWindowsAlone = 0;
int g_nRemovalScope = static_cast<int>(RemovalScope::Nothing);

DWORD WINAPI UninstallThreadProc(LPVOID param);

CPage10Wnd::~CPage10Wnd()
{
    if (m_hWorkerThread)
        CloseHandle(m_hWorkerThread);
}

void CPage10Wnd::OnLayoutBuilt()
{
    m_pCancelBtn = Control(L"cancelbtn");
    // Looked up here, on the interface thread, rather than by the worker.
    m_pProgressBar = Control(L"progressbar");
}

void CPage10Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click")
        return;
    if (m_pCancelBtn && msg.pSender == m_pCancelBtn)
        AskQuit();
}

bool CPage10Wnd::StartWorker()
{
    if (m_hWorkerThread)
        return false;
    m_hWorkerThread = CreateThread(nullptr, 0, UninstallThreadProc, this, 0, nullptr);
    return m_hWorkerThread != nullptr;
}

void CPage10Wnd::WaitForWorker()
{
    InterlockedExchange(&g_bLeaveWindowsAlone, 1);
    if (!m_hWorkerThread)
        return;
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &m_hWorkerThread, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break;  // the worker ended (or the wait failed)
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void CPage10Wnd::SetBarWidth(int width)
{
    if (!m_pProgressBar)
        return;
    WCHAR text[16];
    wsprintfW(text, L"%d", width);
    m_pProgressBar->SetAttribute(L"width", text);
}

void CPage11Wnd::OnLayoutBuilt()
{
    m_pFinishBtn = Control(L"finishbtn");
}

void CPage11Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click")
        return;
    if (m_pFinishBtn && msg.pSender == m_pFinishBtn)
        Quit();
}
