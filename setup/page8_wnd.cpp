#include "page8_wnd.h"

#include "option_looks.h"

void CPage8Wnd::OnLayoutBuilt()
{
    BindFrameButtons();
    m_pFixBtn = OnClick(L"fixbtn", [this] { Choose(false); });
    m_pUninstallBtn = OnClick(L"uninstallbtn", [this] { Choose(true); });
}

// The two options; their hot look is their normal look.
void CPage8Wnd::Choose(bool removal)
{
    SetButtonLook(m_pUninstallBtn, removal ? g_strOptionOnNormal : g_strOptionOffNormal,
                  removal ? g_strOptionOnNormal : g_strOptionOffNormal,
                  removal ? g_strOptionOnPushed : g_strOptionOffPushed);
    SetButtonLook(m_pFixBtn, removal ? g_strOptionOffNormal : g_strOptionOnNormal,
                  removal ? g_strOptionOffNormal : g_strOptionOnNormal,
                  removal ? g_strOptionOffPushed : g_strOptionOnPushed);
    if (m_pUninstallBtn && m_pFixBtn) {
        m_pUninstallBtn->SetChecked(removal);
        m_pFixBtn->SetChecked(!removal);
    }
    m_wizard.ChooseRemoval(removal);
}
