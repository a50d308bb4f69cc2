// CWizardWnd: the window message handling that every wizard window of Setup
// and Uninstall shares, frames and pages alike, written once.
//
// A derived window names its layout and, in OnLayoutBuilt, binds the
// controls it reacts to (OnClick: the control is looked up by name once, and
// its "click" runs the action; a name the layout lacks binds nothing). The
// layouts use the window library's own controls only. This class does the
// rest:
//   WM_CREATE        drops WS_CAPTION, adds WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
//                    binds the paint manager, builds and attaches the layout,
//                    registers the window as notifier, calls OnLayoutBuilt;
//   WM_NCHITTEST     resize borders from the layout's size box (unless the
//                    window is maximised or HasResizeBorders says no), then
//                    the caption band: HTCAPTION over anything but a button,
//                    option or text control; HTCLIENT elsewhere;
//   WM_SIZE          the paint manager and default processing first, then
//                    the rounded window region from the layout's round corner
//                    (none while maximised: the window is square then);
//   WM_GETMINMAXINFO maximised size = the monitor's work area;
//   WM_SYSCOMMAND    SC_CLOSE ends the program (PostQuitMessage(0)) without a
//                    question; SC_KEYMENU of Alt alone does nothing (the
//                    window shows no menu); SC_MAXIMIZE drops the region first; other
//                    commands run by default and swap
//                    "maxbtn" / "restorebtn" when the maximised state changed;
//   WM_CLOSE         removes option groups and the notifier and ends the
//                    program like SC_CLOSE; no window hides or destroys
//                    itself (the entry tells running work first, then hides
//                    and destroys the windows in order after the loop);
//   WM_NCCALCSIZE, WM_NCPAINT, WM_NCACTIVATE: the skin is the whole window;
//   WM_QUERYENDSESSION, WM_ENDSESSION (a frame's): answered by the session-end
//                    handler set on the window (session_end.h); without
//                    one the session may end, and its end changes nothing.
// Keys: the paint manager's (UIlib.h); Enter presses "nextbtn" (else
// "finishbtn"), Escape "cancelbtn", where the layout has them; the pages'
// plain buttons that act as check boxes and options are declared as such.
// Everything else goes to the paint manager, then to default processing.
// Notifications: a "click" whose sender is a bound control runs its action;
// a page made by CreatePage places itself again on "dpichanged" (the window
// library's, after the display scaling changed); every other notification
// is ignored unless a window overrides Notify.
//
// All of it runs on the interface thread. The object owns its paint manager;
// the controls it looks up stay valid while the window exists. No errors are
// reported: a missing layout leaves an empty window, which LayoutBuilt tells
// after creation (skin_check.h checks an archive before any window exists).
#pragma once

#include "UIlib.h"

#include <functional>
#include <utility>
#include <vector>

class SessionEndHandler;

class CWizardWnd : public CWindowWnd, public INotifyUI {
public:
    CWizardWnd() = default;
    ~CWizardWnd() override = default;
    CWizardWnd(const CWizardWnd&) = delete;
    CWizardWnd& operator=(const CWizardWnd&) = delete;

    CPaintManagerUI& PaintManager() { return m_pm; }
    // True once WM_CREATE has built the layout and attached it to the paint
    // manager; false before creation and when the layout did not build.
    bool LayoutBuilt() const { return m_layoutBuilt; }

    // The quit question, owned by this window: "是否退出VELT电子日历的安装向导？",
    // caption "提示", Yes and No. On Yes hides this window, posts the quit
    // message and returns true; on No changes nothing and returns false.
    bool AskQuit();
    // Hides this window and posts the quit message (exit code 0).
    void Quit();
    // The system's minimise command, as the skin's "minbtn" gives it.
    void Minimise() { SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0); }
    bool IsVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }
    // The wizard that answers for the end of the Windows session (a frame's).
    void SetSessionEndHandler(SessionEndHandler* handler) { m_sessionEnd = handler; }
    // Creates this window as a page over `frame` at `place` (left, top, width,
    // height) in layout units, as the frame's layout is: scaled by the
    // frame's DPI now and by the page's own again whenever it changes (the
    // layout's size, where it gives one, wins over the width and height).
    // The window, or null when it was not created.
    HWND CreatePage(CWizardWnd& frame, LPCTSTR name, DWORD style, RECT place);

    void Notify(TNotifyUI& msg) override;

protected:
    LPCTSTR GetWindowClassName() const override { return L"CoverWnd"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    // The layout file in the skin archive.
    virtual LPCTSTR LayoutName() const = 0;
    // Control bindings and the window's own creation work.
    virtual void OnLayoutBuilt() {}
    virtual bool HasResizeBorders() const { return true; }

    // A control of this window's layout by name, or null.
    CControlUI* Control(LPCTSTR name) const { return m_pm.FindControl(name); }
    // Looks `name` up and runs `action` on its clicks; returns the control
    // (null when the layout lacks it, and then nothing is bound).
    CControlUI* OnClick(LPCTSTR name, std::function<void()> action);

    CPaintManagerUI m_pm;

private:
    bool m_layoutBuilt = false;
    bool m_isPage = false;
    RECT m_place = {};  // a page's, in layout units
    SessionEndHandler* m_sessionEnd = nullptr;
    std::vector<std::pair<CControlUI*, std::function<void()>>> m_clicks;

    LRESULT OnCreate();
    void PlacePage();
    LRESULT HitTest(LPARAM lParam);
    void ApplyRoundRegion();
    void ApplyMaxInfo(LPARAM lParam);
    LRESULT TrackMaximise(UINT uMsg, WPARAM wParam, LPARAM lParam);
};
