#include "page3_wnd.h"

#include "option_looks.h"
#include "product.h"
#include "registry_key.h"
#include "shell_user.h"

void CPage3Wnd::OnLayoutBuilt()
{
    BindPageButtons();
    // Elevated with another account's password, this process's user is that
    // administrator; the person installing is the shell's user.
    std::wstring shellUser;
    const bool otherUser = FindOtherShellUser(&shellUser);
    if (CControlUI* nameEdit = Control(L"nameedit")) {
        WCHAR name[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (otherUser && !shellUser.empty())
            nameEdit->SetText(shellUser.c_str());
        else if (GetUserNameW(name, &size))
            nameEdit->SetText(name);
    }
    m_pAnyoneBtn = OnClick(L"anyonebtn", [this] { ChooseAllUsers(1); });
    m_pOnlyMeBtn = OnClick(L"onlymebtn", [this] { ChooseAllUsers(0); });
    if (CControlUI* companyEdit = Control(L"companyedit")) {
        // Reading needs no more than read access; full access fails for a
        // user without administrator rights.
        CRegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kOrganizationKey, KEY_READ) != ERROR_SUCCESS) {
            MessageBoxW(m_hWnd, kMsgRegistryQueryFailed, kCaptionError, MB_ICONERROR);
        } else {
            WCHAR organisation[MAX_PATH] = {};
            ULONG bytes = sizeof organisation;
            key.ReadString(kOrganizationValue, organisation, &bytes);
            companyEdit->SetText(organisation);
        }
    }
    if (otherUser) {
        // "Only me" would install for the administrator, not for this person.
        m_wizard.SetAllUsers(1);
        for (const wchar_t* name : {L"onlymebtn", L"onlymelabel"}) {
            if (CControlUI* control = Control(name))
                control->SetEnabled(false);
        }
    }
    // The layout shows the reason; it stays only where it applies.
    if (CControlUI* reason = Control(L"otheruserlabel"))
        reason->SetVisible(otherUser);
    SetOptionLook(m_pAnyoneBtn, m_wizard.AllUsers() != 0);
    SetOptionLook(m_pOnlyMeBtn, m_wizard.AllUsers() == 0);
}

void CPage3Wnd::ChooseAllUsers(int allUsers)
{
    SetOptionLook(m_pAnyoneBtn, allUsers != 0);
    SetOptionLook(m_pOnlyMeBtn, allUsers == 0);
    m_wizard.SetAllUsers(allUsers);
}
