#include "maintenance_pages.h"

#include "dispatching_wait.h"
#include "install_removal.h"
#include "uninstall_worker.h"

CPage10Wnd* g_pPage10Wnd = nullptr;
CPage11Wnd* g_pPage11Wnd = nullptr;
int g_bUninstallDone = 0;
int g_nRemovalScope = static_cast<int>(RemovalScope::Nothing);
int g_nRemovalParents = 0;

CProgressPage::~CProgressPage()
{
    if (m_hWorkerThread)
        CloseHandle(m_hWorkerThread);
}

void CProgressPage::OnLayoutBuilt()
{
    m_pCancelBtn = Control(L"cancelbtn");
    // Looked up here, on the interface thread, rather than by the worker.
    m_pProgressBar = Control(L"progressbar");
}

void CProgressPage::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click")
        return;
    if (m_pCancelBtn && msg.pSender == m_pCancelBtn)
        AskQuit();
}

bool CProgressPage::StartWorker(LPTHREAD_START_ROUTINE proc)
{
    if (m_hWorkerThread)
        return false;
    m_hWorkerThread = CreateThread(nullptr, 0, proc, this, 0, nullptr);
    return m_hWorkerThread != nullptr;
}

bool CProgressPage::LeaveWindowsAlone() const
{
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&m_bLeaveWindowsAlone), 0, 0) != 0;
}

void CProgressPage::WaitForWorker()
{
    InterlockedExchange(&m_bLeaveWindowsAlone, 1);
    WaitDispatching(m_hWorkerThread);
}

int CProgressPage::BarMaxWidth() const
{
    if (!m_pProgressBar)
        return 0;
    const int width = m_pProgressBar->GetMaxWidth();
    if (width > 0 && width < 9999)
        return width;
    // No usable maximum in the layout: the bar's frame is the full scale.
    const int frame = m_pProgressBar->GetParent() ? m_pProgressBar->GetParent()->GetWidth() : 0;
    return frame > 0 ? frame : 100;
}

void CProgressPage::SetBarWidth(int width)
{
    if (!m_pProgressBar)
        return;
    const int full = BarMaxWidth();
    if (width < 1)
        width = 1;
    if (width > full)
        width = full;
    WCHAR text[16];
    wsprintfW(text, L"%d", width);
    m_pProgressBar->SetAttribute(L"width", text);
}

void CDonePage::OnLayoutBuilt()
{
    m_pFinishBtn = Control(L"finishbtn");
}

void CDonePage::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click")
        return;
    if (m_pFinishBtn && msg.pSender == m_pFinishBtn)
        Quit();
}

bool CPage10Wnd::StartUninstall()
{
    return StartWorker(UninstallThreadProc);
}
