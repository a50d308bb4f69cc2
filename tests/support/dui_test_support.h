// Test support for the window library's own tests and the shared window
// handling's: skin archives written into a scratch folder (and made the
// process's skin), pictures encoded with stb_image_write, a test window that
// builds a layout and records its notifications, copies of a window's client
// area, and rectangles written out for comparison. Everything is released
// when the objects go out of scope; the skin settings are reset to "no
// archive".
#pragma once

#include "UIlib.h"
#include "message_pump.h"
#include "test_support.h"
#include "test_zip.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace duitest {

struct Rgba {
    unsigned char r, g, b, a;
};
// A picture of vertical stripes `stripeWidth` wide, one colour each, encoded
// as PNG, or as JPEG (which drops the alpha channel) when `jpeg` is true.
std::string Picture(int stripeWidth, int height, const std::vector<Rgba>& colours, bool jpeg = false);

// A zip archive of entries (names kept as given, UTF-8) in a scratch folder,
// made the library's skin (SetResourcePath + SetResourceZip). The constructor
// with entries installs them at once as "skin.dat".
class SkinArchive {
public:
    SkinArchive() = default;
    explicit SkinArchive(std::initializer_list<std::pair<std::string, std::string>> entries)
        : SkinArchive(testing_support::ZipEntries(entries)) {}
    explicit SkinArchive(testing_support::ZipEntries entries) : m_entries(std::move(entries)) { Install(); }
    ~SkinArchive();
    void Add(const std::string& name, const std::string& bytes) { m_entries.emplace_back(name, bytes); }
    // Writes the archive as `fileName` and makes it the skin; false when the
    // archive could not be written.
    bool Install(const std::wstring& fileName = L"skin.dat");
    // A file in the skin's folder (the resource path).
    std::wstring operator/(const std::wstring& name) const { return m_dir / name; }

private:
    testing_support::ScratchDir m_dir{L"duiskin"};
    testing_support::ZipEntries m_entries;
};

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

// Handles what this thread has queued (a layout pass the library posted).
inline void Pump() { skinshot::PumpPending(); }

// Centre of a control's rectangle.
inline POINT CentrePoint(CControlUI* c)
{
    return {(c->GetPos().left + c->GetPos().right) / 2, (c->GetPos().top + c->GetPos().bottom) / 2};
}
// "left,top,right,bottom" of a rectangle or a control ("none" for no control).
inline std::string Pos(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}
inline std::string Pos(CControlUI* c) { return c ? Pos(c->GetPos()) : "none"; }

} // namespace duitest
