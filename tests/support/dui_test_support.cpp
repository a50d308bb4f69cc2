// Test support for the window library's tests (see dui_test_support.h).
#include "dui_test_support.h"

namespace duitest {

bool UseSkin(const std::wstring& archive, const std::wstring& dir)
{
    CPaintManagerUI::SetInstance(GetModuleHandleW(NULL));
    CPaintManagerUI::SetResourcePath(dir.c_str());
    CPaintManagerUI::SetResourceZip(archive.c_str());
    return testing_support::Exists(dir + L"\\" + archive);
}

std::vector<DWORD> Bitmap::Cut(const RECT& rc) const
{
    std::vector<DWORD> out;
    for (int y = rc.top; y < rc.bottom; ++y)
        out.insert(out.end(), px.begin() + y * width + rc.left, px.begin() + y * width + rc.right);
    return out;
}

TestWindow::~TestWindow()
{
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

HWND TestWindow::Open(HWND parent, int x, int y, int cx, int cy, bool visible)
{
    DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
    HWND h = Create(parent, L"dui test", style, 0, x, y, cx, cy);
    skinshot::PumpPending();
    return h;
}

HWND TestWindow::OpenInFront(int x, int y, int cx, int cy)
{
    HWND h = Open(NULL, x, y, cx, cy, true);
    if (h == NULL) return NULL;
    SetForegroundWindow(h);
    return skinshot::PumpUntil([h] { return GetForegroundWindow() == h; }, 3000) ? h : NULL;
}

LRESULT TestWindow::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_CREATE) {
        m_pm.Init(m_hWnd);
        CDialogBuilder builder;
        m_root = builder.Create(m_layout.c_str(), NULL, m_callback, &m_pm);
        m_error = builder.GetLastErrorMessage();
        if (m_root) m_pm.AttachDialog(m_root);
        m_pm.AddNotifier(this);
        return 0;
    }
    LRESULT lRes = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

Bitmap TestWindow::Render(bool screen)
{
    if (screen) RedrawWindow(m_hWnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    BITMAPINFO bmi = {{sizeof(BITMAPINFOHEADER), rc.right, -rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = NULL;
    HBITMAP dib = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC mem = CreateCompatibleDC(NULL), dc = GetDC(m_hWnd);
    HGDIOBJ old = SelectObject(mem, dib);
    if (screen)
        BitBlt(mem, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
    else
        ::SendMessageW(m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
    GdiFlush();
    const DWORD* px = static_cast<const DWORD*>(bits);
    Bitmap b{rc.right, rc.bottom, std::vector<DWORD>(px, px + rc.right * rc.bottom)};
    for (DWORD& pixel : b.px) pixel &= 0xFFFFFF;
    SelectObject(mem, old);
    ReleaseDC(m_hWnd, dc);
    DeleteDC(mem);
    DeleteObject(dib);
    return b;
}

} // namespace duitest
