// CSkinWindow: see skin_window.h.
#include "skin_window.h"

namespace skinshot {

CSkinWindow::CSkinWindow(const std::wstring& layout) : m_layout(layout) {}

CSkinWindow::~CSkinWindow() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        m_pm.RemoveNotifier(this);
        ::DestroyWindow(m_hWnd);
    }
}

bool CSkinWindow::Open(HWND parent, int x, int y, bool visible, SIZE size, UINT dpi) {
    if (dpi != 0) m_pm.SetDpi(dpi);
    DWORD style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0);
    style |= parent != nullptr ? WS_CHILD : (WS_POPUP | WS_CAPTION | WS_SYSMENU);
    HWND hwnd = Create(parent, parent != nullptr ? L"Page" : L"VeltSkinShot", style, 0, x, y, size.cx, size.cy);
    if (hwnd == nullptr) return false;
    PumpMessages(0);
    return LayoutBuilt();
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

} // namespace skinshot
