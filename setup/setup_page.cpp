#include "setup_page.h"

void CSetupPage::BindPageButtons()
{
    OnClick(L"prebtn", [this] { m_wizard.Back(); });
    OnClick(L"nextbtn", [this] { m_wizard.Next(); });
    OnClick(L"cancelbtn", [this] { AskQuit(); });
}

void CSetupPage::BindFrameButtons()
{
    OnClick(L"closebtn", [this] { m_wizard.QuitFromFrame(); });
    OnClick(L"minbtn", [this] { Minimise(); });
    // Nothing lies before a frame's own screen, and the pages that cover it
    // have their own "prebtn": the frame's takes no focus.
    if (CControlUI* pre = OnClick(L"prebtn", [this] { m_wizard.Back(); }))
        pre->SetEnabled(false);
    OnClick(L"nextbtn", [this] { m_wizard.Next(); });
    OnClick(L"cancelbtn", [this] { m_wizard.QuitFromFrame(); });
}
