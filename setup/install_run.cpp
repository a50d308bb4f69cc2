#include "install_run.h"

#include "progress_page.h"

bool InstallRun::Start(const InstallJob& job, std::function<void()> completed)
{
    m_job = job;
    m_completed = std::move(completed);
    m_started = m_page.Start([this](WorkerHooks& hooks) { Work(hooks); }, [this] { Returned(); },
                             [this] { Stopped(); });
    return m_started;
}

bool InstallRun::Running() const
{
    return m_started && !m_finishShown;
}

InstallOutcome InstallRun::Outcome() const
{
    return static_cast<InstallOutcome>(InterlockedCompareExchange(const_cast<volatile LONG*>(&m_outcome), 0, 0));
}

void InstallRun::Work(WorkerHooks& hooks)
{
    const InstallOutcome outcome = RunInstall(m_job, hooks, m_journal);
    InterlockedExchange(&m_outcome, static_cast<LONG>(outcome));
    if (outcome == InstallOutcome::Cancelled || outcome == InstallOutcome::Damaged ||
        outcome == InstallOutcome::WriteFailed)
        m_rollback = RollBackInstall(m_journal, hooks);
}

void InstallRun::Returned()
{
    switch (Outcome()) {
    case InstallOutcome::Completed:
        m_finishShown = true;
        m_completed();
        break;
    case InstallOutcome::Cancelled:
    case InstallOutcome::Damaged:
    case InstallOutcome::WriteFailed:
        if (m_rollback == RollbackOutcome::RunKeyMissing)
            m_page.ShowWindow(false);
        PostQuitMessage(0);
        break;
    case InstallOutcome::RunKeyMissing:
        m_page.ShowWindow(false);
        PostQuitMessage(0);
        break;
    case InstallOutcome::BadPath:
    case InstallOutcome::NoProgressBar:
        break;  // the page stays; its cancel, or any quit, rolls back
    }
}

void InstallRun::Stopped()
{
    m_rolledBackOnCancel = true;
    RollBackInstall(m_journal, m_page.Hooks());
}

void InstallRun::FinishAfterLoop(DWORD limitMs)
{
    if (!m_started || m_settled || !m_page.WaitForWorker(limitMs))
        return;
    m_settled = true;
    // A confirmed cancel has rolled back twice already (the worker, then the
    // interface thread); a third run would only repeat its messages.
    if (m_rolledBackOnCancel)
        return;
    const InstallOutcome outcome = Outcome();
    if (outcome == InstallOutcome::Completed || outcome == InstallOutcome::RunKeyMissing)
        m_journal.Commit();
    else
        RollBackInstall(m_journal, m_page.Hooks());
}
