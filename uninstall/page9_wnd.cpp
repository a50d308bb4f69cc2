#include "page9_wnd.h"

#include "maintenance_pages.h"
#include "product.h"
#include "running_app.h"

void CPage9Wnd::OnLayoutBuilt()
{
    m_pDelDataBtn = Control(L"deldatabtn");
    m_pCloseBtn = Control(L"closebtn");
    m_pMinBtn = Control(L"minbtn");
    m_pNextBtn = Control(L"nextbtn");
    m_pCancelBtn = Control(L"cancelbtn");
}

void CPage9Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click" || !msg.pSender)
        return;
    CControlUI* sender = msg.pSender;
    if (sender == m_pCloseBtn || sender == m_pCancelBtn) {
        Quit();
    } else if (sender == m_pMinBtn) {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (sender == m_pNextBtn) {
        if (!g_pPage10Wnd || g_pPage10Wnd->m_hWorkerThread)
            return;
        if (FindRunningApp() != 0) {
            MessageBoxW(m_hWnd, kMsgAppRunning, kCaptionNotice, MB_ICONERROR);
            return;
        }
        ::ShowWindow(g_pPage10Wnd->GetHWND(), SW_SHOW);
        g_pPage10Wnd->StartUninstall();
    }
}
