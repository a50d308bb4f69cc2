#include "page9_wnd.h"

#include "maintenance_pages.h"
#include "page8_wnd.h"
#include "product.h"
#include "running_app.h"
#include "setup_state.h"

void CPage9Wnd::OnLayoutBuilt()
{
    m_pDelDataBtn = Control(L"deldatabtn");
    m_pPreBtn = Control(L"prebtn");
    m_pNextBtn = Control(L"nextbtn");
    m_pCancelBtn = Control(L"cancelbtn");
}

void CPage9Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click" || !msg.pSender)
        return;
    CControlUI* sender = msg.pSender;
    if (sender == m_pCancelBtn) {
        AskQuit();
    } else if (sender == m_pNextBtn) {
        if (!g_pPage10Wnd || g_pPage10Wnd->WorkerStarted())
            return;
        if (FindRunningApp() != 0) {
            MessageBoxW(m_hWnd, kMsgAppRunning, kCaptionNotice, MB_ICONERROR);
            return;
        }
        GoTo(g_pPage10Wnd);
        g_pPage10Wnd->StartUninstall();
    } else if (sender == m_pPreBtn) {
        GoTo(g_pPage8Wnd);
    }
}
