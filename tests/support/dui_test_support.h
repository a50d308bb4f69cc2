// Test support for the window library's own tests and the skin tests: the
// library pointed at a skin archive (the tests' skin DuiTest.dat, packed by
// the build from duilib/test_skin/, or the programs' Uninstall.DAT and
// VELTSetupDate.DAT, all beside the test program; or one a test wrote), a
// test window that builds a layout and records its notifications, copies of
// a window's client area, and rectangles written out for comparison. What a
// thread has queued is handled with message_pump.h's PumpPending, a
// control's centre is pointer.h's CenterOf.
#pragma once

#include "UIlib.h"
#include "message_pump.h"
#include "pointer.h"
#include "test_support.h"

#include <algorithm>
#include <string>
#include <vector>

namespace duitest {

// Points the library at the skin archive `archive` in `dir` (by default the
// test program's folder); false when the archive is not there.
bool UseSkin(const std::wstring& archive, const std::wstring& dir = testing_support::ModuleDir());

// A 32-bit top-down copy of a window's client area.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<DWORD> px;  // 0x00RRGGBB
    DWORD At(int x, int y) const { return px[y * width + x]; }
    // The pixels of a rectangle, row by row.
    std::vector<DWORD> Cut(const RECT& rc) const;
};

// A captionless top-level window (or a child of `parent`) that builds
// `layout` on WM_CREATE like the programs' windows do, passes everything
// else to its manager, and records each notification.
class TestWindow : public CWindowWnd, public INotifyUI {
public:
    explicit TestWindow(const std::wstring& layout, IDialogBuilderCallback* callback = NULL)
        : m_layout(layout), m_callback(callback) {}
    ~TestWindow() override;
    // Hidden unless `visible`: rendering and messages work without showing,
    // and hiding a shown top-level window costs about 2 s under Wine without
    // a window manager. Returns once the window's queued start-up messages
    // (layout, "windowinit") are handled.
    HWND Open(HWND parent = NULL, int x = 40, int y = 40, int cx = 300, int cy = 200, bool visible = false);
    // A visible top-level window brought to the foreground, for real input;
    // NULL when it was not created or did not come to the front within 3 s.
    HWND OpenInFront(int x, int y, int cx, int cy);
    void Notify(TNotifyUI& msg) override { m_notes.emplace_back(msg.sType.GetData(), msg.pSender); }

    CPaintManagerUI& Manager() { return m_pm; }
    CControlUI* Root() const { return m_root; }
    // What building the layout reported (empty when it was built).
    const CStdString& Error() const { return m_error; }
    CControlUI* Find(const wchar_t* name) { return m_pm.FindControl(name); }
    // The named control as the interface `kind` ("Edit", "Button"...), or NULL.
    template <typename T>
    T* Find(const wchar_t* name, const wchar_t* kind)
    {
        return Find(name) ? static_cast<T*>(Find(name)->GetInterface(kind)) : NULL;
    }
    // A mouse message at a client point.
    void Mouse(UINT msg, POINT pt, WPARAM keys = 0) { ::SendMessageW(m_hWnd, msg, keys, MAKELPARAM(pt.x, pt.y)); }
    // Number of notifications of `type` (from `sender`, when given).
    int Count(const std::wstring& type, CControlUI* sender = NULL) const
    {
        return std::count_if(m_notes.begin(), m_notes.end(),
                             [&](const auto& n) { return n.first == type && (sender == NULL || n.second == sender); });
    }
    void ClearNotes() { m_notes.clear(); }
    // The client area as the manager draws it for WM_PRINTCLIENT, or, with
    // `screen`, as the screen shows it once the window has painted.
    Bitmap Render(bool screen = false);

protected:
    LPCTSTR GetWindowClassName() const override { return L"DuiTestWnd"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    std::wstring m_layout;
    IDialogBuilderCallback* m_callback;
    CPaintManagerUI m_pm;
    CControlUI* m_root = NULL;
    CStdString m_error;
    std::vector<std::pair<std::wstring, CControlUI*>> m_notes;
};

// "left,top,right,bottom" of a rectangle or a control ("none" for no control).
inline std::string Pos(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}
inline std::string Pos(CControlUI* c) { return c ? Pos(c->GetPos()) : "none"; }

} // namespace duitest
