// CPage3Wnd: the user information page ("Page3Wnd.xml"). At creation it fills
// "nameedit" with the logged-on user's name and "companyedit" with the
// registered organisation (read with read access; when the key cannot be
// opened it says "错误：无法查询有关的注册表信息" once), and draws the option
// buttons for the wizard's all-users choice then (the earlier edition's
// cleanup may have made it "only me"). "anyonebtn" chooses an installation
// for all users, "onlymebtn" one for the current user only, each with the
// matching looks. "nextbtn" goes to the location page, "prebtn" back to the
// licence page, "cancelbtn" asks the quit question. The name and
// organisation are shown only; nothing reads them.
// When Setup was elevated with another account's password (the shell's user
// is not the process's, shell_user.h), "only me" would install for that
// administrator: the page then shows the shell user's name, chooses all
// users, disables "onlymebtn" and "onlymelabel" and keeps "otheruserlabel",
// which says why; otherwise that label is hidden at creation.
#pragma once

#include "setup_page.h"

class CPage3Wnd : public CSetupPage {
public:
    using CSetupPage::CSetupPage;

protected:
    LPCTSTR LayoutName() const override { return L"Page3Wnd.xml"; }
    void OnLayoutBuilt() override;

private:
    void ChooseAllUsers(int allUsers);

    CControlUI* m_pAnyoneBtn = nullptr;
    CControlUI* m_pOnlyMeBtn = nullptr;
};
