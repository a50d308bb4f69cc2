// CPage9Wnd: the removal confirmation ("Page9Wnd.xml"), one class for both
// programs: in Setup a child page over the maintenance frame, in Uninstall
// the program's frame.
//
// "nextbtn" and "prebtn" ask the wizard to go on or back (the wizard refuses
// to go on while the calendar runs, with the message owned by this window);
// "cancelbtn" asks the quit question (Setup) or ends the program at once
// (Uninstall); "closebtn" ends the program at once and "minbtn" minimises
// (Uninstall's layout has them). "deldatabtn" is looked up and never read:
// the removal is the same whatever it shows. Reacts to "click" only; runs on
// the interface thread; owned by the wizard.
#pragma once

#include "wizard_window.h"

// What a page asks of the wizard that owns it.
class WizardNavigator {
public:
    virtual void Next() = 0;
    virtual void Back() = 0;

protected:
    ~WizardNavigator() = default;
};

class CPage9Wnd : public CWizardWnd {
public:
    enum class Cancel { AskFirst, AtOnce };
    CPage9Wnd(WizardNavigator& wizard, Cancel cancel) : m_wizard(wizard), m_cancel(cancel) {}

protected:
    LPCTSTR LayoutName() const override { return L"Page9Wnd.xml"; }
    void OnLayoutBuilt() override;

private:
    WizardNavigator& m_wizard;
    Cancel m_cancel;
};
