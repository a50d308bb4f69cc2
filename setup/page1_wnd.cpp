#include "page1_wnd.h"

#include "page2_wnd.h"
#include "setup_state.h"

#include <objbase.h>

CPage1Wnd::~CPage1Wnd()
{
    if (m_bComInitialised)
        CoUninitialize();
}

void CPage1Wnd::OnLayoutBuilt()
{
    m_bComInitialised = SUCCEEDED(CoInitialize(nullptr));
    m_pPreBtn = Control(L"prebtn");
    m_pNextBtn = Control(L"nextbtn");
    m_pCancelBtn = Control(L"cancelbtn");
}

void CPage1Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click" || !msg.pSender)
        return;
    if (msg.pSender == m_pNextBtn)
        GoTo(g_pPage2Wnd);
    else if (msg.pSender == m_pPreBtn)
        ::ShowWindow(m_hWnd, SW_HIDE);
    else if (msg.pSender == m_pCancelBtn)
        AskQuit();
}
