// CSkinWindow: a window of the product's own wizard class (CWizardWnd) built
// from a layout named at run time, for the screenshot tool and the skin
// tests. Everything about its look and its frame (no system caption, caption
// dragging, round window region, close command) is the wizard's own handling.
//
// Contract
//   - Open builds the window on the calling thread (the interface thread)
//     and returns false when the window could not be created or the layout
//     gave no controls (a window without controls still exists then).
//   - The object owns its window: the destructor destroys it. The paint
//     manager and the control pointers it hands out live as long as the
//     object.
//   - Every notification the manager sends is recorded (type and sender) for
//     the caller to inspect; nothing else reacts to them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "UIlib.h"
#include "message_pump.h"
#include "wizard_window.h"

namespace skinshot {

struct Notification {
    std::wstring type;
    CControlUI* sender;
};

class CSkinWindow : public CWizardWnd {
public:
    explicit CSkinWindow(const std::wstring& layout);
    ~CSkinWindow() override;
    CSkinWindow(const CSkinWindow&) = delete;
    CSkinWindow& operator=(const CSkinWindow&) = delete;

    // A top-level popup at x,y of the screen (parent NULL) or a child window
    // at x,y of the parent's client area, of the given size. The layout's
    // size replaces the size given here. `dpi` is the display scaling the
    // layout is read at (0: the window's own, as the programs have it).
    bool Open(HWND parent, int x, int y, bool visible = true, SIZE size = {100, 100}, UINT dpi = 0);

    CPaintManagerUI& Manager() { return m_pm; }
    CControlUI* Root() const { return m_pm.GetRoot(); }
    CControlUI* Find(const wchar_t* name) const { return m_pm.FindControl(name); }
    const std::wstring& Layout() const { return m_layout; }

    // Notifications received so far, oldest first.
    const std::vector<Notification>& Notifications() const { return m_notes; }
    int CountNotifications(const wchar_t* type, const CControlUI* sender) const;
    void ClearNotifications() { m_notes.clear(); }

    void Notify(TNotifyUI& msg) override;

protected:
    LPCTSTR LayoutName() const override { return m_layout.c_str(); }

private:
    std::wstring m_layout;
    std::vector<Notification> m_notes;
};

// Dispatches this thread's messages, the window library translating first,
// for about `ms` milliseconds (message_pump.h).
inline void PumpMessages(DWORD ms) { PumpUntil([] { return false; }, ms, CPaintManagerUI::TranslateMessage); }

} // namespace skinshot
