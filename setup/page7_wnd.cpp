#include "page7_wnd.h"

#include "launch.h"
#include "page6_wnd.h"
#include "process_state.h"
#include "setup_state.h"

void CPage7Wnd::OnLayoutBuilt()
{
    m_pRunNowBtn = Control(L"runnowbtn");
    m_pFinishBtn = Control(L"finishbtn");
}

void CPage7Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click" || !msg.pSender)
        return;
    if (msg.pSender == m_pRunNowBtn) {
        g_bRunNow = g_bRunNow ? 0 : 1;
        SetCheckLook(m_pRunNowBtn, g_bRunNow != 0);
    } else if (msg.pSender == m_pFinishBtn) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        if (g_pPage6Wnd)
            g_pPage6Wnd->Commit();
        if (g_bRunNow)
            LaunchApp(g_strInstallDir);
        PostQuitMessage(0);
    }
}
