#include "setup_wizard.h"

#include "cover_wnd.h"
#include "launch.h"
#include "page1_wnd.h"
#include "page2_wnd.h"
#include "page3_wnd.h"
#include "page4_wnd.h"
#include "page7_wnd.h"
#include "page8_wnd.h"
#include "payload_resource.h"
#include "product.h"
#include "progress_pages.h"
#include "running_app.h"

#include <new>

namespace {

using Step = CSetupWizard::Step;

// The navigation: where "prebtn" and "nextbtn" lead from each step. From the
// maintenance choice "nextbtn" leads to Confirm with removal chosen and to
// Repairing with repair chosen. The progress steps are left by their
// workers (Installing to Finished, Removing to Removed, Repairing to
// Repaired), the completion steps only by ending Setup.
struct Route {
    Step step;
    Step back;
    Step next;
};
constexpr Route kRoutes[] = {
    {Step::FirstScreen, Step::None, Step::Welcome},
    {Step::Welcome, Step::FirstScreen, Step::Licence},
    {Step::Licence, Step::Welcome, Step::UserInfo},
    {Step::UserInfo, Step::Licence, Step::Location},
    {Step::Location, Step::UserInfo, Step::Installing},
    {Step::Installing, Step::None, Step::None},
    {Step::Finished, Step::None, Step::None},
    {Step::Choice, Step::None, Step::Confirm},
    {Step::Confirm, Step::Choice, Step::Removing},
    {Step::Removing, Step::None, Step::None},
    {Step::Removed, Step::None, Step::None},
    {Step::Repairing, Step::None, Step::None},
    {Step::Repaired, Step::None, Step::None},
};

const Route& RouteOf(Step step)
{
    for (const Route& route : kRoutes) {
        if (route.step == step)
            return route;
    }
    static const Route none = {Step::None, Step::None, Step::None};
    return none;
}

// Frames: title, style WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS |
// WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU; the layout's size replaces the
// one given. Pages: WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS |
// WS_CLIPCHILDREN, hidden at once.
constexpr DWORD kFrameStyle = 0x96C80000;
constexpr DWORD kPageStyle = 0x56000000;

// Each page's window name and its top below the frame's.
struct PagePlace {
    Step step;
    const wchar_t* name;
    int y;
};
constexpr PagePlace kPagePlaces[] = {
    {Step::Welcome, L"Page1", 34},   {Step::Licence, L"Page2", 34},    {Step::UserInfo, L"Page3", 34},
    {Step::Location, L"Page4", 34},  {Step::Installing, L"Page6", 34}, {Step::Finished, L"Page7", 34},
    {Step::Confirm, L"Page9", 34},   {Step::Removing, L"Page10", 31},  {Step::Removed, L"Page11", 32},
    {Step::Repairing, L"Page12", 34}, {Step::Repaired, L"Page13", 34},
};

} // namespace

CSetupWizard::CSetupWizard(Mode mode, int allUsers)
    : m_mode(mode), m_step(mode == Mode::FreshInstall ? Step::FirstScreen : Step::Choice), m_allUsers(allUsers)
{
}

CSetupWizard::~CSetupWizard() = default;

CWizardWnd* CSetupWizard::Keep(CWizardWnd* window, Step step)
{
    if (window) {
        m_windows.emplace_back(window);
        m_stepWindows.emplace_back(step, window);
    }
    return window;
}

bool CSetupWizard::CreateWindows(bool* damaged)
{
    CWizardWnd* frame = m_mode == Mode::FreshInstall ? Keep(new (std::nothrow) CCoverWnd(*this), Step::FirstScreen)
                                                     : Keep(new (std::nothrow) CPage8Wnd(*this), Step::Choice);
    if (!frame)
        return false;
    frame->Create(nullptr, kSetupWindowTitle, kFrameStyle, 0, 0, 0, m_mode == Mode::FreshInstall ? 516 : 517,
                  m_mode == Mode::FreshInstall ? 396 : 397);
    if (!frame->LayoutBuilt()) {
        *damaged = true;
        return false;
    }
    frame->CenterWindow();
    ::ShowWindow(frame->GetHWND(), SW_SHOW);
    frame->SetSessionEndHandler(this);
    return true;
}

CWizardWnd* CSetupWizard::MakePage(Step step)
{
    switch (step) {
    case Step::Welcome:
        return new (std::nothrow) CPage1Wnd(*this);
    case Step::Licence:
        return m_page2 = new (std::nothrow) CPage2Wnd(*this);
    case Step::UserInfo:
        return new (std::nothrow) CPage3Wnd(*this);
    case Step::Location:
        return m_page4 = new (std::nothrow) CPage4Wnd(*this);
    case Step::Installing:
        return m_installPage = new (std::nothrow) CPage6Wnd;
    case Step::Finished:
        return new (std::nothrow) CPage7Wnd(*this);
    case Step::Confirm:
        return new (std::nothrow) CPage9Wnd(*this, CPage9Wnd::Cancel::AskFirst);
    case Step::Removing:
        return m_removalPage = new (std::nothrow) CPage10Wnd;
    case Step::Removed:
        return new (std::nothrow) CPage11Wnd;
    case Step::Repairing:
        return m_repairPage = new (std::nothrow) CPage12Wnd;
    case Step::Repaired:
        return new (std::nothrow) CPage13Wnd;
    default:
        return nullptr;
    }
}

CWizardWnd* CSetupWizard::WindowOf(Step step)
{
    for (const auto& [windowStep, window] : m_stepWindows) {
        if (windowStep == step)
            return window;
    }
    // Pages come after the frame, and only this mode's steps have one.
    if (m_windows.empty() || (step <= Step::Finished) != (m_mode == Mode::FreshInstall))
        return nullptr;
    for (const PagePlace& place : kPagePlaces) {
        if (place.step != step)
            continue;
        CWizardWnd* page = Keep(MakePage(step), step);
        if (!page)
            return nullptr;
        // The places are in layout units, as the frame's layout is.
        page->CreatePage(*m_windows.front(), place.name, kPageStyle, {5, place.y, 511, 391});
        ::ShowWindow(page->GetHWND(), SW_HIDE);
        if (step == Step::Installing)
            m_install = std::make_unique<InstallRun>(*m_installPage);
        return page;
    }
    return nullptr;
}

void CSetupWizard::Next()
{
    Step target = RouteOf(m_step).next;
    if (m_step == Step::Choice && !m_removal)
        target = Step::Repairing;
    if (target == Step::None || !MayEnter(target) || !WindowOf(target))
        return;
    GoTo(target);
    Begin(target);
}

void CSetupWizard::Back()
{
    const Step target = RouteOf(m_step).back;
    if (target != Step::None && WindowOf(target))
        GoTo(target);
}

bool CSetupWizard::MayEnter(Step target)
{
    switch (target) {
    case Step::UserInfo:
        return m_page2 && m_page2->Accepted();
    case Step::Installing:
        return !m_page4 || (m_page4->AcceptsPath() && m_page4->MayInstallFor(m_allUsers));
    case Step::Removing:
        return !RefuseWhileAppRuns(WindowOf(Step::Confirm)->GetHWND());
    default:
        return true;
    }
}

void CSetupWizard::GoTo(Step target)
{
    CWizardWnd* from = WindowOf(m_step);
    CWizardWnd* to = WindowOf(target);
    if (!to->IsVisible())
        ::ShowWindow(to->GetHWND(), SW_SHOW);
    if (from && from != m_windows.front().get())
        ::ShowWindow(from->GetHWND(), SW_HIDE);
    m_step = target;
}

void CSetupWizard::Begin(Step step)
{
    const HMODULE self = GetModuleHandleW(nullptr);
    if (step == Step::Installing) {
        InstallJob job;
        job.installDir = m_page4->InstallPath();
        job.allUsers = m_allUsers;
        job.productKey = kProductKey;
        job.desktopShortcut = m_desktopShortcut;
        job.quickLaunchShortcut = m_quickLaunchShortcut;
        FindPayload(self, &job.payload, &job.payloadSize);
        m_install->Start(job, [this] { GoTo(Step::Finished); });
    } else if (step == Step::Repairing) {
        RepairJob job;
        job.allUsers = m_allUsers;
        job.productKey = kProductKey;
        FindPayload(self, &job.payload, &job.payloadSize);
        m_repairPage->Start([this, job](WorkerHooks& hooks) { m_repair = RunRepair(job, hooks); },
                            [this] { RepairDone(); });
    } else if (step == Step::Removing) {
        const RemovalJob job = {m_allUsers, kProductKey};
        m_removalPage->Start([this, job](WorkerHooks& hooks) { m_removalOutcome = RunRemoval(job, hooks); },
                             [this] {
                                 static_cast<CPage11Wnd*>(WindowOf(Step::Removed))
                                     ->ShowLeftForLater(LeftForLaterLine(m_removalOutcome));
                                 GoTo(Step::Removed);
                             });
    }
}

void CSetupWizard::RepairDone()
{
    switch (m_repair.outcome) {
    case RepairOutcome::Completed:
        GoTo(Step::Repaired);
        break;
    case RepairOutcome::NoProgressBar:
        break;
    case RepairOutcome::NotInstalled:
    case RepairOutcome::Damaged:
    case RepairOutcome::WriteFailed:
    case RepairOutcome::RunKeyMissing:
        m_repairPage->ShowWindow(false);
        PostQuitMessage(0);
        break;
    }
}

void CSetupWizard::QuitFromFrame()
{
    if (m_install && m_install->Running())
        m_installPage->Cancel();
    else
        m_windows.front()->AskQuit();
}

void CSetupWizard::Finish()
{
    WindowOf(Step::Finished)->ShowWindow(false);
    m_install->Commit();
    if (m_runNow)
        LaunchApp(m_install->Directory());
    PostQuitMessage(0);
}

bool CSetupWizard::MayEndSession()
{
    for (CProgressPage* page : {m_installPage, m_removalPage, m_repairPage}) {
        if (page && page->Working())
            return false;
    }
    return true;
}

void CSetupWizard::EndSession()
{
    for (CProgressPage* page : {m_installPage, m_removalPage, m_repairPage}) {
        if (page)
            page->Quiet();
    }
    Settle(kSessionEndLimitMs);
    PostQuitMessage(0);
}

void CSetupWizard::Settle(DWORD limitMs)
{
    // The installation's wait tells its worker to stop first (at its very
    // next checkpoint), then the repair's and the removal's wait for theirs.
    const DWORD start = GetTickCount();
    const auto left = [&] {
        const DWORD spent = GetTickCount() - start;
        return limitMs == INFINITE ? INFINITE : spent >= limitMs ? 0 : limitMs - spent;
    };
    if (m_install)
        m_install->FinishAfterLoop(left());
    for (CProgressPage* page : {m_removalPage, m_repairPage}) {
        if (page)
            page->WaitForWorker(left());
    }
}

void CSetupWizard::EndOfLoop()
{
    // An unfinished installation learns of the quit before anything else
    // happens: it stops at its very next checkpoint. Then the frame hides
    // (not at the end of the session: hiding took Wine up to two seconds of
    // the five).
    if (m_installPage)
        m_installPage->EndOfLoop();
    CWizardWnd* frame = m_windows.empty() ? nullptr : m_windows.front().get();
    if (frame && IsWindow(frame->GetHWND()))
        ::ShowWindow(frame->GetHWND(), SW_HIDE);
    Settle(INFINITE);
    // Destroying the frame destroys its pages too, while every object is
    // alive; then the objects go in creation order.
    if (frame && IsWindow(frame->GetHWND()))
        DestroyWindow(frame->GetHWND());
    m_install.reset();
    for (auto& window : m_windows)
        window.reset();
    m_windows.clear();
    m_stepWindows.clear();
}
