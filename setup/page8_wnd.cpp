#include "page8_wnd.h"

#include "maintenance_pages.h"
#include "page9_wnd.h"
#include "repair_pages.h"
#include "setup_state.h"

void CPage8Wnd::OnLayoutBuilt()
{
    if (!m_pm.GetRoot())
        return;
    m_pCloseBtn = Control(L"closebtn");
    m_pMinBtn = Control(L"minbtn");
    m_pPreBtn = Control(L"prebtn");
    m_pNextBtn = Control(L"nextbtn");
    m_pCancelBtn = Control(L"cancelbtn");
    m_pFixBtn = Control(L"fixbtn");
    m_pUninstallBtn = Control(L"uninstallbtn");
}

// The two options; their hot look is their normal look.
void CPage8Wnd::Choose(int uninstall)
{
    SetButtonLook(m_pUninstallBtn, uninstall ? g_strOptionOnNormal : g_strOptionOffNormal,
                  uninstall ? g_strOptionOnNormal : g_strOptionOffNormal,
                  uninstall ? g_strOptionOnPushed : g_strOptionOffPushed);
    SetButtonLook(m_pFixBtn, uninstall ? g_strOptionOffNormal : g_strOptionOnNormal,
                  uninstall ? g_strOptionOffNormal : g_strOptionOnNormal,
                  uninstall ? g_strOptionOffPushed : g_strOptionOnPushed);
    g_bUninstallChosen = uninstall;
}

void CPage8Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click" || !msg.pSender)
        return;
    CControlUI* sender = msg.pSender;
    const bool confirming = g_pPage9Wnd && g_pPage9Wnd->IsVisible();
    if (sender == m_pCloseBtn || sender == m_pCancelBtn) {
        AskQuit();
    } else if (sender == m_pMinBtn) {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (sender == m_pNextBtn) {
        if (confirming) {
            g_pPage9Wnd->ForwardClick(L"nextbtn");
            return;
        }
        CWindowWnd* later[] = {g_pPage10Wnd, g_pPage11Wnd, g_pPage12Wnd, g_pPage13Wnd};
        for (CWindowWnd* page : later) {
            if (page && ::IsWindowVisible(page->GetHWND()))
                return;
        }
        if (g_bUninstallChosen) {
            if (g_pPage9Wnd)
                ::ShowWindow(g_pPage9Wnd->GetHWND(), SW_SHOW);
        } else if (g_pPage12Wnd && !g_pPage12Wnd->WorkerStarted()) {
            ::ShowWindow(g_pPage12Wnd->GetHWND(), SW_SHOW);
            g_pPage12Wnd->StartRepair();
        }
    } else if (sender == m_pPreBtn) {
        if (confirming)
            g_pPage9Wnd->ForwardClick(L"prebtn");
    } else if (sender == m_pFixBtn) {
        Choose(0);
    } else if (sender == m_pUninstallBtn) {
        Choose(1);
    }
}
