#include "cover_wnd.h"

#include "legacy_cleanup.h"
#include "page1_wnd.h"
#include "page2_wnd.h"
#include "page3_wnd.h"
#include "page4_wnd.h"
#include "page6_wnd.h"
#include "page7_wnd.h"
#include "product.h"
#include "running_app.h"
#include "setup_state.h"

void CCoverWnd::OnLayoutBuilt()
{
    // Without its layout the frame is useless; the entry reports the damaged
    // skin and ends before anything is changed.
    if (!m_pm.GetRoot())
        return;
    if (FindRunningApp() != 0) {
        MessageBoxW(m_hWnd, kMsgAppRunning, kCaptionNotice, MB_ICONERROR);
        ::ShowWindow(m_hWnd, SW_HIDE);
        PostQuitMessage(0);
    }
    CleanLegacyInstall();
    m_pCloseBtn = Control(L"closebtn");
    m_pMinBtn = Control(L"minbtn");
    m_pPreBtn = Control(L"prebtn");
    m_pNextBtn = Control(L"nextbtn");
    m_pCancelBtn = Control(L"cancelbtn");
}

// The first visible page of Page1 to Page4 gets the click on its own button of
// that name; Page2's "nextbtn" only while it is enabled.
void CCoverWnd::Forward(LPCTSTR name)
{
    CSetupPage* pages[] = {g_pPage1Wnd, g_pPage2Wnd, g_pPage3Wnd, g_pPage4Wnd};
    for (CSetupPage* page : pages) {
        if (!page || !page->IsVisible())
            continue;
        if (page == g_pPage2Wnd && lstrcmpW(name, L"nextbtn") == 0 && !page->NextEnabled())
            return;
        page->ForwardClick(name);
        return;
    }
    if (lstrcmpW(name, L"nextbtn") != 0)
        return;
    const bool installing = (g_pPage6Wnd && g_pPage6Wnd->IsVisible()) || (g_pPage7Wnd && g_pPage7Wnd->IsVisible());
    if (!installing && g_pPage6Wnd && !g_pPage6Wnd->WorkerStarted() && g_pPage1Wnd)
        ::ShowWindow(g_pPage1Wnd->GetHWND(), SW_SHOW);
}

void CCoverWnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click" || !msg.pSender)
        return;
    CControlUI* sender = msg.pSender;
    if (sender == m_pCloseBtn || sender == m_pCancelBtn) {
        // While the installation runs, quitting means cancelling it.
        if (g_pPage6Wnd && g_pPage6Wnd->WorkerStarted() && !g_pPage6Wnd->Finished())
            g_pPage6Wnd->OnCancel();
        else
            AskQuit();
    } else if (sender == m_pMinBtn) {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (sender == m_pNextBtn) {
        Forward(L"nextbtn");
    } else if (sender == m_pPreBtn) {
        Forward(L"prebtn");
    }
}
