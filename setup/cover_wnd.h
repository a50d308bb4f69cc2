// CCoverWnd: the frame of a fresh installation ("CoverWnd.xml"), Setup's
// top-level window; its own layout is the first screen, and the pages 1, 2,
// 3, 4, 6 and 7 lie on top of it as its children. Its buttons are the
// frame's (setup_page.h): "nextbtn" moves the wizard as the visible page's
// own would (on the first screen it shows Page1), "prebtn" is disabled,
// "closebtn" and "cancelbtn" quit (while the installation runs, they are its
// cancel), "minbtn" minimises.
#pragma once

#include "setup_page.h"

class CCoverWnd : public CSetupPage {
public:
    using CSetupPage::CSetupPage;

protected:
    LPCTSTR LayoutName() const override { return L"CoverWnd.xml"; }
    void OnLayoutBuilt() override { BindFrameButtons(); }
};
