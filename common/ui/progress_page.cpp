#include "progress_page.h"

#include "dispatching_wait.h"
#include "product.h"

namespace {

// Posted to the page by its worker thread when the work has returned.
constexpr UINT kWorkerReturned = WM_APP + 1;

bool Read(volatile LONG& flag)
{
    return InterlockedCompareExchange(&flag, 0, 0) != 0;
}

// A message box (dialog class) of the worker's is answered OK.
BOOL CALLBACK AnswerOk(HWND window, LPARAM)
{
    WCHAR cls[16] = {};
    if (GetClassNameW(window, cls, 16) && lstrcmpW(cls, L"#32770") == 0)
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
}

} // namespace

int UsableBarWidth(int maxWidth, int fallback)
{
    if (maxWidth <= 0 || maxWidth >= 9999)
        return fallback;
    return maxWidth;
}

void CProgressPage::OnLayoutBuilt()
{
    OnClick(L"cancelbtn", [this] { Cancel(); });
    // Looked up here, on the interface thread; the worker only uses it.
    m_pProgressBar = Control(L"progressbar");
}

bool CProgressPage::Start(std::function<void(WorkerHooks&)> work, std::function<void()> done,
                          std::function<void()> stopped)
{
    if (Started())
        return false;
    m_work = std::move(work);
    m_done = std::move(done);
    m_stopped = std::move(stopped);
    m_thread.Reset(CreateThread(nullptr, 0, ThreadProc, this, 0, &m_threadId));
    if (Started())
        m_block.Set(GetAncestor(m_hWnd, GA_ROOT), m_blockReason);
    return Started();
}

DWORD WINAPI CProgressPage::ThreadProc(LPVOID param)
{
    CProgressPage* page = static_cast<CProgressPage*>(param);
    page->m_work(*page);
    ::PostMessageW(page->m_hWnd, kWorkerReturned, 0, 0);
    return 0;
}

LRESULT CProgressPage::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == kWorkerReturned) {
        OnWorkerReturned();
        return 0;
    }
    return CWizardWnd::HandleMessage(uMsg, wParam, lParam);
}

void CProgressPage::OnWorkerReturned()
{
    m_block.Clear();
    if (m_loopEnded || Read(m_stop) || !m_done)
        return;
    if (m_asking) {
        m_donePending = true;
        return;
    }
    m_done();
}

void CProgressPage::Cancel()
{
    if (m_asking)
        return;
    if (!Started() || m_mode == CancelMode::AskOnly) {
        AskQuit();
        return;
    }
    InterlockedExchange(&m_paused, 1);
    m_asking = true;
    const int answer = MessageBoxW(m_hWnd, kMsgQuitQuestion, kCaptionNotice, MB_YESNO | MB_ICONQUESTION);
    m_asking = false;
    if (answer == IDYES)
        InterlockedExchange(&m_stop, 1);
    InterlockedExchange(&m_paused, 0);
    if (answer != IDYES) {
        if (m_donePending) {
            m_donePending = false;
            m_done();
        }
        return;
    }
    WaitDispatching(m_thread.Get());
    if (m_stopped)
        m_stopped();
    ::ShowWindow(m_hWnd, SW_HIDE);
    PostQuitMessage(0);
}

void CProgressPage::EndOfLoop()
{
    m_loopEnded = true;
    if (m_mode == CancelMode::HoldWorker)
        InterlockedExchange(&m_stop, 1);
    InterlockedExchange(&m_paused, 0);
}

bool CProgressPage::WaitForWorker(DWORD limitMs)
{
    EndOfLoop();
    if (!WaitDispatching(m_thread.Get(), limitMs))
        return false;
    m_block.Clear();
    return true;
}

void CProgressPage::Quiet()
{
    InterlockedExchange(&m_quiet, 1);
    if (!m_threadId)
        return;
    EnumThreadWindows(m_threadId, AnswerOk, 0);
}

int CProgressPage::BarMaxWidth()
{
    if (!m_pProgressBar)
        return -1;
    // In layout units, so that the worker's widths stay right when the
    // display scaling changes under it.
    const auto unscaled = [this](int pixels) { return MulDiv(pixels, CPaintManagerUI::kLayoutDpi, m_pm.GetDpi()); };
    const int maxWidth = m_pProgressBar->GetMaxWidth();
    const int frame = m_pProgressBar->GetParent() ? unscaled(m_pProgressBar->GetParent()->GetWidth()) : 0;
    return UsableBarWidth(maxWidth > 0 && maxWidth < 9999 ? unscaled(maxWidth) : maxWidth, frame > 0 ? frame : 100);
}

void CProgressPage::Notify(TNotifyUI& msg)
{
    // The layout's width came back with the new DPI: the bar's own again.
    const LONG width = InterlockedCompareExchange(&m_barWidth, 0, 0);
    if (msg.sType == L"dpichanged" && width > 0)
        SetBarWidth(width);
    CWizardWnd::Notify(msg);
}

void CProgressPage::SetBarWidth(int layoutWidth)
{
    if (!m_pProgressBar)
        return;
    InterlockedExchange(&m_barWidth, layoutWidth);
    const int width = layoutWidth > 0 ? m_pm.Scale(layoutWidth) : layoutWidth;
    // A width of 0 would let the layout stretch the bar: nothing is shown instead.
    if (width <= 0) {
        m_pProgressBar->SetVisible(false);
        return;
    }
    WCHAR text[16];
    wsprintfW(text, L"%d", width);
    m_pProgressBar->SetAttribute(L"width", text);
    if (!m_pProgressBar->IsVisible())
        m_pProgressBar->SetVisible(true);
}

bool CProgressPage::PassCheckpoint(Checkpoint at, int entry)
{
    if (CheckpointObserver* observer = RegisteredCheckpointObserver())
        observer->Reached(at, entry);
    while (Read(m_paused))
        Sleep(100);
    return Read(m_stop);
}

void CProgressPage::ShowError(const std::wstring& text)
{
    if (Read(m_quiet))
        return;
    MessageBoxW(m_hWnd, text.c_str(), kCaptionError, MB_ICONERROR);
}

void CDonePage::OnLayoutBuilt()
{
    OnClick(L"finishbtn", [this] { Quit(); });
}

void CPage11Wnd::ShowLeftForLater(const std::wstring& line)
{
    if (CControlUI* label = Control(L"leftlabel"))
        label->SetText(line.c_str());
}
