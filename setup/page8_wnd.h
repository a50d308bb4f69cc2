// CPage8Wnd: the frame of maintenance mode ("Page8Wnd.xml"), Setup's
// top-level window when the product is recorded; its own layout is the
// choice between repair ("fixbtn") and removal ("uninstallbtn", the choice at
// start), and Page9 to Page13 are its children. Its buttons are the frame's
// (setup_page.h): "nextbtn" goes to the confirmation (removal) or starts the
// repair, or acts as Page9's own while Page9 shows; nothing while a progress
// or completion page shows. Window class "Page8Wnd", no resize borders.
#pragma once

#include "setup_page.h"

class CPage8Wnd : public CSetupPage {
public:
    using CSetupPage::CSetupPage;

protected:
    LPCTSTR GetWindowClassName() const override { return L"Page8Wnd"; }
    UINT GetClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS; }
    bool HasResizeBorders() const override { return false; }
    LPCTSTR LayoutName() const override { return L"Page8Wnd.xml"; }
    void OnLayoutBuilt() override;

private:
    void Choose(bool removal);

    CControlUI* m_pFixBtn = nullptr;
    CControlUI* m_pUninstallBtn = nullptr;
};
