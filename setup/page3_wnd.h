// CPage3Wnd: the user information page ("Page3Wnd.xml"). At creation it fills
// "nameedit" with the logged-on user's name and "companyedit" with the
// registered organisation (read with read access; when the key cannot be
// opened it says "错误：无法查询有关的注册表信息" once), and draws the option
// buttons for what g_bAllUsers holds then. "anyonebtn" sets g_bAllUsers to 1
// (install for all users), "onlymebtn" to 0 (only the current user), each
// with the matching looks. "nextbtn" goes to the location page, "prebtn" back
// to the licence page, "cancelbtn" asks the quit question. The name and
// organisation are shown only; nothing reads them.
#pragma once

#include "setup_page.h"

class CDialogBuilderCallbackPage3Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage3Wnd : public CSetupPage {
public:
    void Notify(TNotifyUI& msg) override;

protected:
    LPCTSTR LayoutName() const override { return L"Page3Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }
    void OnLayoutBuilt() override;

private:
    void ChooseAllUsers(int allUsers);

    CDialogBuilderCallbackPage3Wnd m_callback;
    CControlUI* m_pNameEdit = nullptr;
    CControlUI* m_pAnyoneBtn = nullptr;
    CControlUI* m_pOnlyMeBtn = nullptr;
    CControlUI* m_pCompanyEdit = nullptr;
};
