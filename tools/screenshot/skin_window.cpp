// CSkinWindow: see skin_window.h.
#include "skin_window.h"

namespace skinshot {

namespace {

class NoCustomControls : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

} // namespace

CSkinWindow::CSkinWindow(const std::wstring& layout) : m_layout(layout) {}

CSkinWindow::~CSkinWindow() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        m_pm.RemoveNotifier(this);
        ::DestroyWindow(m_hWnd);
    }
}

bool CSkinWindow::Open(HWND parent, int x, int y, bool visible) {
    DWORD style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0);
    style |= parent != nullptr ? WS_CHILD : (WS_POPUP | WS_CAPTION | WS_SYSMENU);
    HWND hwnd = Create(parent, parent != nullptr ? L"Page" : L"VeltSkinShot", style, 0, x, y, 100, 100);
    if (hwnd == nullptr) return false;
    PumpMessages(0);
    return m_built;
}

int CSkinWindow::CountNotifications(const wchar_t* type, const CControlUI* sender) const {
    int n = 0;
    for (const Notification& note : m_notes) {
        if (note.type == type && note.sender == sender) ++n;
    }
    return n;
}

void CSkinWindow::Notify(TNotifyUI& msg) {
    m_notes.push_back({std::wstring(msg.sType.GetData()), msg.pSender});
}

LRESULT CSkinWindow::OnCreate() {
    LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    style &= ~WS_CAPTION;
    ::SetWindowLongW(m_hWnd, GWL_STYLE, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    m_pm.Init(m_hWnd);
    NoCustomControls callback;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(m_layout.c_str(), nullptr, &callback, &m_pm, nullptr);
    if (root != nullptr) {
        m_built = m_pm.AttachDialog(root);
    }
    m_pm.AddNotifier(this);
    return 0;
}

LRESULT CSkinWindow::OnHitTest(LPARAM lParam) {
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ScreenToClient(m_hWnd, &pt);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const RECT& cap = m_pm.GetCaptionRect();
    if (pt.x >= rc.left + cap.left && pt.x < rc.right - cap.right && pt.y >= cap.top && pt.y < cap.bottom) {
        CControlUI* control = m_pm.FindControl(pt);
        if (control != nullptr) {
            std::wstring cls = control->GetClass();
            if (cls != L"ButtonUI" && cls != L"OptionUI" && cls != L"TextUI") return HTCAPTION;
        }
    }
    return HTCLIENT;
}

void CSkinWindow::ApplyRoundCorner() {
    SIZE corner = m_pm.GetRoundCorner();
    if (::IsIconic(m_hWnd) || (corner.cx == 0 && corner.cy == 0)) return;
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    ::OffsetRect(&rc, -rc.left, -rc.top);
    HRGN region = ::CreateRoundRectRgn(rc.left, rc.top, rc.right + 1, rc.bottom + 1, corner.cx, corner.cy);
    // The window owns the region once SetWindowRgn succeeds.
    if (::SetWindowRgn(m_hWnd, region, TRUE) == 0) ::DeleteObject(region);
}

LRESULT CSkinWindow::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_CREATE:
        return OnCreate();
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
        return 0;
    case WM_NCACTIVATE:
        if (!::IsIconic(m_hWnd)) return wParam == 0 ? TRUE : FALSE;
        break;
    case WM_NCHITTEST:
        return OnHitTest(lParam);
    case WM_SIZE:
        ApplyRoundCorner();
        break;
    case WM_CLOSE:
        m_pm.RemoveNotifier(this);
        break;
    default:
        break;
    }
    LRESULT result = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

void PumpMessages(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CPaintManagerUI::TranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms) return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

} // namespace skinshot
