#include "page2_wnd.h"

#include "page1_wnd.h"
#include "page3_wnd.h"
#include "setup_state.h"

void CPage2Wnd::OnLayoutBuilt()
{
    m_pLicenseBtn = Control(L"licensebtn");
    m_pPreBtn = Control(L"prebtn");
    m_pNextBtn = Control(L"nextbtn");
    m_pCancelBtn = Control(L"cancelbtn");
}

void CPage2Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click" || !msg.pSender)
        return;
    CControlUI* sender = msg.pSender;
    if (sender == m_pLicenseBtn) {
        m_bAccepted = m_bAccepted ? 0 : 1;
        SetCheckLook(m_pLicenseBtn, m_bAccepted != 0);
        if (m_pNextBtn)
            m_pNextBtn->SetEnabled(m_bAccepted != 0);
    } else if (sender == m_pNextBtn) {
        GoTo(g_pPage3Wnd);
    } else if (sender == m_pPreBtn) {
        GoTo(g_pPage1Wnd);
    } else if (sender == m_pCancelBtn) {
        AskQuit();
    }
}
