#include "page6_wnd.h"

#include "dispatching_wait.h"
#include "page4_wnd.h"
#include "page7_wnd.h"
#include "payload_resource.h"
#include "process_state.h"
#include "product.h"
#include "rollback.h"
#include "setup_state.h"

#ifdef VELT_TEST_CHECKPOINT_GATE
#include "checkpoint_gate.h"
#endif

namespace {

bool Read(volatile LONG& flag)
{
    return InterlockedCompareExchange(&flag, 0, 0) != 0;
}

} // namespace

DWORD WINAPI InstallThreadProc(LPVOID param)
{
    static_cast<CPage6Wnd*>(param)->DoInstall();
    return 0;
}

CPage6Wnd::~CPage6Wnd()
{
    if (m_hWorkerThread)
        CloseHandle(m_hWorkerThread);
}

void CPage6Wnd::OnLayoutBuilt()
{
    m_pCancelBtn = Control(L"cancelbtn");
    // Looked up here, on the interface thread; the worker only uses it.
    m_pProgressBar = Control(L"progressbar");
}

void CPage6Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType == L"click" && msg.pSender && msg.pSender == m_pCancelBtn)
        OnCancel();
}

bool CPage6Wnd::StartInstall()
{
    if (m_hWorkerThread)
        return false;
    m_hWorkerThread = CreateThread(nullptr, 0, InstallThreadProc, this, 0, nullptr);
    return m_hWorkerThread != nullptr;
}

bool CPage6Wnd::Finished() const
{
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&m_bFinished), 0, 0) != 0;
}

int CPage6Wnd::Hooks::BarMaxWidth()
{
    CControlUI* bar = m_page.m_pProgressBar;
    if (!bar)
        return -1;
    const int frame = bar->GetParent() ? bar->GetParent()->GetWidth() : 0;
    return UsableBarWidth(bar->GetMaxWidth(), frame > 0 ? frame : 100);
}

void CPage6Wnd::Hooks::SetBarWidth(int width)
{
    CControlUI* bar = m_page.m_pProgressBar;
    if (!bar)
        return;
    // A width of 0 would let the layout stretch the bar: nothing is shown instead.
    if (width <= 0) {
        bar->SetVisible(false);
        return;
    }
    WCHAR text[16];
    wsprintfW(text, L"%d", width);
    bar->SetAttribute(L"width", text);
    if (!bar->IsVisible())
        bar->SetVisible(true);
}

bool CPage6Wnd::Hooks::Checkpoint()
{
#ifdef VELT_TEST_CHECKPOINT_GATE
    PassCheckpointGate();  // test programs only: a test may hold the worker here
#endif
    while (Read(m_page.m_bPaused))
        Sleep(100);
    return Read(m_page.m_bCancelled);
}

void CPage6Wnd::Hooks::ShowError(const std::wstring& text)
{
    MessageBoxW(m_page.m_hWnd, text.c_str(), kCaptionError, MB_ICONERROR);
}

void CPage6Wnd::DoInstall()
{
    InstallJob job;
    job.installDir = g_pPage4Wnd ? g_pPage4Wnd->GetInstallPath() : std::wstring();
    g_strInstallDir = job.installDir;
    job.allUsers = g_bAllUsers;
    job.productKey = g_strProductKey;
    job.desktopShortcut = g_bDesktopShortcut != 0;
    job.quickLaunchShortcut = g_bQuickLaunchShortcut != 0;
    FindPayload(GetModuleHandleW(nullptr), &job.payload, &job.payloadSize);

    InstallOutcome outcome = RunInstall(job, m_hooks, m_journal);
    if (outcome == InstallOutcome::Completed && m_hooks.Checkpoint())
        outcome = InstallOutcome::Cancelled;
    InterlockedExchange(&m_nOutcome, static_cast<LONG>(outcome));

    switch (outcome) {
    case InstallOutcome::Completed:
        if (!Read(m_bLeaveWindowsAlone)) {
            InterlockedExchange(&m_bFinished, 1);
            if (g_pPage7Wnd)
                g_pPage7Wnd->ShowWindow(true);
            ShowWindow(false);
        }
        break;
    case InstallOutcome::Cancelled:
    case InstallOutcome::Damaged:
    case InstallOutcome::WriteFailed:
        RollBack();
        break;
    case InstallOutcome::RunKeyMissing:
        ShowWindow(false);
        PostMessage(WM_QUIT, 0, 0);
        break;
    case InstallOutcome::BadPath:
    case InstallOutcome::NoProgressBar:
        break;  // the page stays; its cancel, or any quit, rolls back
    }
}

void CPage6Wnd::RollBack()
{
    if (g_pPage4Wnd)
        g_strInstallDir = g_pPage4Wnd->GetInstallPath();
    if (RollBackInstall(m_journal, m_hooks) == RollbackOutcome::RunKeyMissing)
        ShowWindow(false);
    PostMessage(WM_QUIT, 0, 0);
}

void CPage6Wnd::OnCancel()
{
    if (!m_hWorkerThread) {
        AskQuit();
        return;
    }
    InterlockedExchange(&m_bPaused, 1);
    const int answer = MessageBoxW(m_hWnd, kMsgQuitQuestion, kCaptionNotice, MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES)
        InterlockedExchange(&m_bCancelled, 1);
    InterlockedExchange(&m_bPaused, 0);
    if (answer != IDYES)
        return;
    WaitDispatching(m_hWorkerThread);
    RollBack();
    InterlockedExchange(&m_bRolledBack, 1);
    ::ShowWindow(m_hWnd, SW_HIDE);
    PostQuitMessage(0);
}

void CPage6Wnd::StopOnQuit()
{
    if (!m_hWorkerThread)
        return;
    InterlockedExchange(&m_bLeaveWindowsAlone, 1);
    if (InterlockedCompareExchange(&m_nOutcome, 0, 0) < 0)
        InterlockedExchange(&m_bCancelled, 1);
    InterlockedExchange(&m_bPaused, 0);
}

void CPage6Wnd::FinishOnQuit()
{
    if (!m_hWorkerThread)
        return;
    StopOnQuit();
    WaitDispatching(m_hWorkerThread);
    // A confirmed cancel has rolled back twice already (the worker, then the
    // interface thread); a third run would only repeat its messages.
    if (InterlockedCompareExchange(&m_bRolledBack, 0, 0))
        return;
    const LONG outcome = InterlockedCompareExchange(&m_nOutcome, 0, 0);
    if (outcome == static_cast<LONG>(InstallOutcome::Completed) ||
        outcome == static_cast<LONG>(InstallOutcome::RunKeyMissing))
        m_journal.Commit();
    else
        RollBackInstall(m_journal, m_hooks);
}
