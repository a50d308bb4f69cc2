#include "setup_page.h"

void CSetupPage::ForwardClick(LPCTSTR name)
{
    CControlUI* sender = nullptr;
    if (lstrcmpW(name, L"prebtn") == 0)
        sender = m_pPreBtn;
    else if (lstrcmpW(name, L"nextbtn") == 0)
        sender = m_pNextBtn;
    if (!sender)
        return;
    TNotifyUI msg = {};
    msg.sType = L"click";
    msg.pSender = sender;
    Notify(msg);
}

bool CSetupPage::NextEnabled() const
{
    return m_pNextBtn && m_pNextBtn->IsEnabled();
}

void CSetupPage::GoTo(CWindowWnd* target)
{
    if (target && target->GetHWND())
        ::ShowWindow(target->GetHWND(), SW_SHOW);
    ::ShowWindow(m_hWnd, SW_HIDE);
}
