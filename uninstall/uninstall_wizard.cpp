#include "uninstall_wizard.h"

#include "product.h"
#include "progress_page.h"
#include "running_app.h"

#include <new>

CUninstallWizard::CUninstallWizard(int allUsers) : m_allUsers(allUsers) {}

CUninstallWizard::~CUninstallWizard() = default;

bool CUninstallWizard::CreateWindows()
{
    CWizardWnd* frame = new (std::nothrow) CPage9Wnd(*this, CPage9Wnd::Cancel::AtOnce);
    if (!frame)
        return false;
    m_windows.emplace_back(frame);
    frame->Create(nullptr, kUninstallWindowTitle, 0x96C80000, 0, 0, 0, 517, 397);
    frame->CenterWindow();
    ::ShowWindow(frame->GetHWND(), SW_SHOW);
    frame->SetSessionEndHandler(this);
    auto page = [&](CWizardWnd* window, const wchar_t* name) {
        if (!window)
            return false;
        m_windows.emplace_back(window);
        // In layout units, as the frame's layout is.
        window->CreatePage(*frame, name, 0x56000000, {5, 31, 511, 391});
        ::ShowWindow(window->GetHWND(), SW_HIDE);
        return true;
    };
    return page(m_progress = new (std::nothrow) CPage10Wnd, L"Page10") &&
           page(new (std::nothrow) CPage11Wnd, L"Page11");
}

void CUninstallWizard::Next()
{
    if (!m_progress || m_progress->Started() || RefuseWhileAppRuns(m_windows.front()->GetHWND()))
        return;
    ::ShowWindow(m_progress->GetHWND(), SW_SHOW);
    const RemovalJob job = {m_allUsers, kProductKey};
    m_progress->Start(
        [this, job](WorkerHooks& hooks) {
            m_outcome = RunRemoval(job, hooks);
            InterlockedExchange(&m_removed, 1);
        },
        [this] {
            static_cast<CPage11Wnd*>(m_windows[2].get())->ShowLeftForLater(LeftForLaterLine(m_outcome));
            ::ShowWindow(m_windows[2]->GetHWND(), SW_SHOW);
            ::ShowWindow(m_progress->GetHWND(), SW_HIDE);
        });
}

bool CUninstallWizard::MayEndSession()
{
    return !m_progress || !m_progress->Working();
}

void CUninstallWizard::EndSession()
{
    if (m_progress) {
        m_progress->Quiet();
        m_progress->WaitForWorker(kSessionEndLimitMs);
    }
    PostQuitMessage(0);
}

void CUninstallWizard::EndOfLoop()
{
    CWizardWnd* frame = m_windows.empty() ? nullptr : m_windows.front().get();
    if (frame && IsWindow(frame->GetHWND()))
        ::ShowWindow(frame->GetHWND(), SW_HIDE);
    if (m_progress)
        m_progress->WaitForWorker();
    if (frame && IsWindow(frame->GetHWND()))
        DestroyWindow(frame->GetHWND());
    for (auto& window : m_windows)
        window.reset();
    m_windows.clear();
    m_progress = nullptr;
}
