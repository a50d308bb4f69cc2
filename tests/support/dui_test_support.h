// Test support for the window library's own tests and the shared window
// handling's: skin archives written into a scratch folder (and made the
// process's skin), pictures encoded with stb_image_write, a test window that
// builds a layout and records its notifications, and rendering of a window
// into a bitmap. Everything is released when the objects go out of scope; the
// skin settings are reset to "no archive".
#pragma once

#include "UIlib.h"
#include "message_pump.h"
#include "test_support.h"
#include "test_zip.h"

#include <windows.h>

#include <initializer_list>
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

// A zip archive of entries (names kept as given, UTF-8) in a scratch folder,
// made the library's skin (SetResourcePath + SetResourceZip). The constructor
// with entries installs them at once as "skin.dat".
class SkinArchive {
public:
    SkinArchive() = default;
    explicit SkinArchive(std::initializer_list<std::pair<std::string, std::string>> entries)
        : SkinArchive(testing_support::ZipEntries(entries)) {}
    explicit SkinArchive(testing_support::ZipEntries entries);
    ~SkinArchive();
    SkinArchive(const SkinArchive&) = delete;
    SkinArchive& operator=(const SkinArchive&) = delete;
    void Add(const std::string& name, const std::string& bytes) { m_entries.emplace_back(name, bytes); }
    // Writes the archive as `fileName` and makes it the skin; false when the
    // archive could not be written.
    bool Install(const std::wstring& fileName = L"skin.dat");
    bool Installed() const { return m_installed; }
    const std::wstring& Folder() const { return m_dir.Path(); }

private:
    testing_support::ScratchDir m_dir{L"duiskin"};
    testing_support::ZipEntries m_entries;
    bool m_installed = false;
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
    // under Wine without a window manager. Returns once the window's queued
    // start-up messages (layout, "windowinit") are handled.
    HWND Open(HWND parent = NULL, int x = 40, int y = 40, int cx = 300, int cy = 200, bool visible = false);
    void Notify(TNotifyUI& msg) override;

    CPaintManagerUI& Manager() { return m_pm; }
    CControlUI* Root() const { return m_root; }
    CControlUI* Find(const wchar_t* name) { return m_pm.FindControl(name); }
    // Number of notifications of `type` (from `sender`, when given).
    int Count(const std::wstring& type, CControlUI* sender = NULL) const;
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

// Handles what this thread has queued (a layout pass the library posted).
inline void Pump() { testing_support::PumpPending(); }

// A 32-bit top-down copy of a window's client area.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<DWORD> px;  // 0x00RRGGBB
    DWORD At(int x, int y) const { return px[y * width + x] & 0xFFFFFF; }
    // The pixels of a rectangle, row by row.
    std::vector<DWORD> Cut(const RECT& rc) const;
};
// Through the manager (RenderTo).
Bitmap Render(CPaintManagerUI& pm);
// What the screen shows of the window's client area (after painting).
Bitmap Capture(HWND hwnd);

// Centre of a control's rectangle.
POINT CentrePoint(CControlUI* c);

} // namespace duitest
