#include "page3_wnd.h"

#include "page2_wnd.h"
#include "page4_wnd.h"
#include "process_state.h"
#include "product.h"
#include "registry_key.h"
#include "setup_state.h"

void CPage3Wnd::OnLayoutBuilt()
{
    m_pPreBtn = Control(L"prebtn");
    m_pNextBtn = Control(L"nextbtn");
    m_pCancelBtn = Control(L"cancelbtn");
    m_pNameEdit = Control(L"nameedit");
    m_pAnyoneBtn = Control(L"anyonebtn");
    m_pOnlyMeBtn = Control(L"onlymebtn");

    if (m_pNameEdit) {
        WCHAR name[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (GetUserNameW(name, &size))
            m_pNameEdit->SetText(name);
    }

    m_pCompanyEdit = Control(L"companyedit");
    if (m_pCompanyEdit) {
        // Reading needs no more than read access; full access fails for a
        // user without administrator rights.
        CRegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kOrganizationKey, KEY_READ) != ERROR_SUCCESS) {
            MessageBoxW(m_hWnd, kMsgRegistryQueryFailed, kCaptionError, MB_ICONERROR);
            key.Close();
        } else {
            WCHAR organisation[MAX_PATH] = {};
            ULONG bytes = sizeof organisation;
            key.ReadString(kOrganizationValue, organisation, &bytes);
            key.Close();
            m_pCompanyEdit->SetText(organisation);
        }
    }

    // The legacy cleanup may already have switched the installation to the
    // current user: the options show what will happen.
    SetOptionLook(m_pAnyoneBtn, g_bAllUsers != 0);
    SetOptionLook(m_pOnlyMeBtn, g_bAllUsers == 0);
}

void CPage3Wnd::ChooseAllUsers(int allUsers)
{
    SetOptionLook(m_pAnyoneBtn, allUsers != 0);
    SetOptionLook(m_pOnlyMeBtn, allUsers == 0);
    g_bAllUsers = allUsers;
}

void CPage3Wnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != L"click" || !msg.pSender)
        return;
    CControlUI* sender = msg.pSender;
    if (sender == m_pAnyoneBtn)
        ChooseAllUsers(1);
    else if (sender == m_pOnlyMeBtn)
        ChooseAllUsers(0);
    else if (sender == m_pNextBtn)
        GoTo(g_pPage4Wnd);
    else if (sender == m_pPreBtn)
        GoTo(g_pPage2Wnd);
    else if (sender == m_pCancelBtn)
        AskQuit();
}
