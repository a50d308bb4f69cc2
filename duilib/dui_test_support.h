// Test support for the window library's tests: skin archives written with
// minizip into a scratch folder (and made the process's skin), pictures
// encoded with stb_image_write, a test window that builds a layout and
// records its notifications, a message pump, and rendering of a window into
// a bitmap. Everything is released when the objects go out of scope; the
// skin settings are reset to "no archive".
#pragma once

#include "UIlib.h"
#include "test_support.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace duitest {

// A solid-colour RGBA picture encoded as PNG (or JPEG when jpeg is true).
struct Rgba {
    unsigned char r, g, b, a;
};
std::string EncodePicture(int width, int height, const std::vector<Rgba>& pixels, bool jpeg = false);
// A picture made of vertical stripes of `stripeWidth`, one colour each.
std::string StripesPng(int stripeWidth, int height, const std::vector<Rgba>& colours);

// Writes a zip archive of the entries into a scratch folder and points the
// library at it (SetResourcePath + SetResourceZip). Entry names are kept as
// given (UTF-8).
class SkinArchive {
public:
    SkinArchive();
    ~SkinArchive();
    SkinArchive(const SkinArchive&) = delete;
    SkinArchive& operator=(const SkinArchive&) = delete;
    void Add(const std::string& name, const std::string& bytes);
    // Writes the archive as `fileName` and makes it the skin; returns false
    // when the archive could not be written.
    bool Install(const std::wstring& fileName = L"skin.dat");
    const std::wstring& Folder() const { return m_dir.Path(); }

private:
    testing_support::ScratchDir m_dir;
    std::vector<std::pair<std::string, std::string>> m_entries;
};

// A captionless top-level window (or a child of `parent`) that builds
// `layout` on WM_CREATE like the programs' windows do, passes everything
// else to its manager, and records each notification.
class TestWindow : public CWindowWnd, public INotifyUI {
public:
    explicit TestWindow(const std::wstring& layout, IDialogBuilderCallback* callback = NULL);
    ~TestWindow() override;
    // Hidden unless `visible`: rendering (RenderTo) and messages work
    // without showing, and hiding a shown top-level window costs about 2 s
    // under Wine without a window manager.
    HWND Open(HWND parent = NULL, int x = 40, int y = 40, int cx = 300, int cy = 200, bool visible = false);
    void Notify(TNotifyUI& msg) override;

    CPaintManagerUI& Manager() { return m_pm; }
    CControlUI* Root() const { return m_root; }
    CControlUI* Find(const wchar_t* name) { return m_pm.FindControl(name); }
    // Number of notifications of `type` (from `sender`, when given).
    int Count(const std::wstring& type, CControlUI* sender = NULL) const;
    const std::vector<std::pair<std::wstring, CControlUI*>>& Notes() const { return m_notes; }
    void ClearNotes() { m_notes.clear(); }

protected:
    LPCTSTR GetWindowClassName() const override { return L"DuiTestWnd"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    std::wstring m_layout;
    IDialogBuilderCallback* m_callback;
    CPaintManagerUI m_pm;
    CControlUI* m_root = NULL;
    std::vector<std::pair<std::wstring, CControlUI*>> m_notes;
};

// Dispatches this thread's messages for `ms` milliseconds.
void Pump(DWORD ms = 50);
// Dispatches messages until `h` is signalled or `ms` passes; true when
// signalled.
bool PumpUntil(HANDLE h, DWORD ms);

// A 32-bit top-down copy of a window's client area.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<DWORD> px;  // 0x00RRGGBB
    DWORD At(int x, int y) const { return px[y * width + x] & 0xFFFFFF; }
};
// Through the manager (RenderTo).
Bitmap Render(CPaintManagerUI& pm);
// What the screen shows of the window's client area (after painting).
Bitmap Capture(HWND hwnd);

// Centre of a control's rectangle, as an lParam for mouse messages.
LPARAM CentreOf(CControlUI* c);
POINT CentrePoint(CControlUI* c);

} // namespace duitest
