#include "page2_wnd.h"

#include "option_looks.h"

void CPage2Wnd::OnLayoutBuilt()
{
    CControlUI* licence = Control(L"licensebtn");
    OnClick(L"licensebtn", [this, licence] {
        m_accepted = !m_accepted;
        SetCheckLook(licence, m_accepted);
        if (CControlUI* next = Control(L"nextbtn"))
            next->SetEnabled(m_accepted);
    });
    BindPageButtons();
}
