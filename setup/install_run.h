// InstallRun: the fresh installation of one run of Setup, across its two
// threads: the job, the journal, the outcome the worker came to, and what
// follows it on the interface thread.
//
// Start hands the progress page (Page6, which holds its worker at the
// checkpoints) the work: RunInstall with the page's hooks, and on the worker
// thread the rollback that a cancel, a damaged payload or a file that cannot
// be written calls for. When the worker has returned, on the interface
// thread: a completed installation calls `completed` (the wizard shows the
// finish page); after a rollback Setup ends (the page hidden first when the
// Run key was missing); after "未能找到开机启动设置位置。" the page hides and
// Setup ends, what was installed staying; after "错误的安装路径。" or without a
// bar the page stays, its cancel the way out. A cancel the user confirmed
// rolls back once more on the interface thread (a worker that stopped on an
// error had not) before the page ends Setup.
//
// After the message loop, or when the Windows session ends, FinishAfterLoop
// waits for the worker (it stops at its next checkpoint); an installation
// that did not complete is rolled back, one that did is made final (what it
// kept aside is deleted), as Commit does at the finish page. With a limit
// that passes before the worker has ended nothing more happens (the worker
// rolls back itself at its next checkpoint), and a later call does the rest;
// once done, later calls do nothing.
#pragma once

#include "install_journal.h"
#include "install_worker.h"
#include "rollback.h"

#include <windows.h>

#include <functional>

class CProgressPage;

class InstallRun {
public:
    explicit InstallRun(CProgressPage& page) : m_page(page) {}
    InstallRun(const InstallRun&) = delete;
    InstallRun& operator=(const InstallRun&) = delete;

    // Starts the worker once; false when it could not be started.
    bool Start(const InstallJob& job, std::function<void()> completed);
    bool Running() const;  // started, and the finish page not shown yet
    const std::wstring& Directory() const { return m_job.installDir; }
    void Commit() { m_journal.Commit(); }
    void FinishAfterLoop(DWORD limitMs = INFINITE);

private:
    void Work(WorkerHooks& hooks);  // worker thread
    void Returned();                // interface thread
    void Stopped();                 // interface thread, after a confirmed cancel
    InstallOutcome Outcome() const;

    CProgressPage& m_page;
    InstallJob m_job;
    InstallJournal m_journal;
    std::function<void()> m_completed;
    volatile LONG m_outcome = -1;                // InstallOutcome once RunInstall has returned
    RollbackOutcome m_rollback = RollbackOutcome::Done;
    bool m_started = false;
    bool m_finishShown = false;
    bool m_rolledBackOnCancel = false;
    bool m_settled = false;  // FinishAfterLoop has done its part
};
