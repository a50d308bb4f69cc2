#include "confirm_page.h"

void CPage9Wnd::OnLayoutBuilt()
{
    OnClick(L"closebtn", [this] { Quit(); });
    OnClick(L"minbtn", [this] { Minimise(); });
    OnClick(L"prebtn", [this] { m_wizard.Back(); });
    OnClick(L"nextbtn", [this] { m_wizard.Next(); });
    OnClick(L"cancelbtn", [this] {
        if (m_cancel == Cancel::AtOnce)
            Quit();
        else
            AskQuit();
    });
}
