// CEditUI and CRichEditUI: text fields backed by a native EDIT child of the
// manager's window, which brings caret, selection, clipboard, undo and IME
// input. The control owns the child window and its background brush. The
// text is mirrored in m_sText (under duiint::TextLock) on every change, so
// GetText from another thread never touches the window. Screen readers that
// ask the child window get the field's name (UIAccessibleEdit.cpp).
#include "UIInternal.h"
#include "UIRender.h"

#include <string>
#include <wchar.h>

namespace {

const wchar_t kEditProp[] = L"DuiLibu.Edit";

struct NativeEdit {
    HWND hwnd = NULL;
    WNDPROC oldProc = NULL;
    CEditUI* owner = NULL;
    HBRUSH brush = NULL;
    DWORD brushColor = 0;
    bool settingText = false;
    void* acc = NULL;  // the window's reader object (UIAccessibleEdit.cpp)
};

NativeEdit* FromChild(HWND hwnd) { return hwnd ? static_cast<NativeEdit*>(GetPropW(hwnd, kEditProp)) : NULL; }

// EDIT wants CR LF between lines.
std::wstring ToNativeLines(LPCTSTR text, bool multiline)
{
    std::wstring out;
    for (const wchar_t* p = text ? text : L""; *p; ++p) {
        if (multiline && *p == L'\n' && (p == text || p[-1] != L'\r')) out += L'\r';
        out += *p;
    }
    return out;
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    NativeEdit* ne = FromChild(hwnd);
    if (ne == NULL) return DefWindowProcW(hwnd, msg, wParam, lParam);
    WNDPROC old = ne->oldProc;
    CEditUI* owner = ne->owner;
    CPaintManagerUI* pm = owner ? owner->GetManager() : NULL;
    switch (msg) {
    case WM_KEYDOWN:
        if (pm == NULL || owner == NULL) break;
        // Ctrl+A selects everything, on every system (the field itself
        // learnt it only with Vista, and only on one line).
        if (wParam == 'A' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) {
            ::SendMessageW(hwnd, EM_SETSEL, 0, -1);
            return 0;
        }
        if (wParam == VK_RETURN && !owner->IsMultiLine()) pm->SendNotify(owner, L"return");
        // Tab and Escape are the window's; Enter too, but in a field that
        // takes several lines of typing.
        if ((wParam == VK_TAB || wParam == VK_ESCAPE ||
             (wParam == VK_RETURN && (!owner->IsMultiLine() || owner->IsReadOnly()))) &&
            duiint::KeyDown(pm, wParam, true))
            return 0;
        if (wParam == VK_RETURN && !owner->IsMultiLine()) return 0;
        break;
    case WM_CHAR:
        // The characters of the keys above (Ctrl+A gives 1) would only beep.
        if (wParam == L'\t' || wParam == 0x1B || wParam == 0x01) return 0;
        if (wParam == L'\r' && owner && (!owner->IsMultiLine() || owner->IsReadOnly())) return 0;
        break;
    case WM_SYSCHAR:
        // Alt+letter shortcuts belong to the window's buttons.
        if (pm && pm->GetPaintWindow()) {
            LRESULT r = 0;
            if (pm->MessageHandler(msg, wParam, lParam, r)) return r;
        }
        break;
    case WM_GETOBJECT: {
        // Read as the field: see UIAccessibleEdit.cpp.
        LRESULT r = 0;
        if (duiint::EditGetObject(hwnd, owner, &ne->acc, wParam, lParam, r)) return r;
        break;
    }
    case WM_NCDESTROY:
        duiint::EditAccDisconnect(&ne->acc);
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        RemovePropW(hwnd, kEditProp);
        ne->hwnd = NULL;
        break;
    default:
        break;
    }
    return CallWindowProcW(old, hwnd, msg, wParam, lParam);
}

} // namespace

namespace duiint {

bool EditCommand(HWND hwndChild, UINT code)
{
    NativeEdit* ne = FromChild(hwndChild);
    if (ne == NULL || ne->owner == NULL) return false;
    CEditUI* edit = ne->owner;
    CPaintManagerUI* pm = edit->GetManager();
    switch (code) {
    case EN_CHANGE:
        if (!ne->settingText) {
            int len = GetWindowTextLengthW(hwndChild);
            std::wstring buf(len + 1, L'\0');
            GetWindowTextW(hwndChild, &buf[0], len + 1);
            buf.resize(wcslen(buf.c_str()));
            // The field changed by user input: take the text over.
            edit->CControlUI::SetText(buf.c_str());
            if (pm) pm->SendNotify(edit, L"textchanged");
        }
        return true;
    case EN_SETFOCUS:
        if (pm && pm->GetFocus() != edit) pm->SetFocus(edit);
        return true;
    case EN_KILLFOCUS:
        if (pm && pm->GetFocus() == edit) pm->SetFocus(NULL);
        return true;
    default:
        return true;
    }
}

HBRUSH EditColor(HWND hwndChild, HDC hdc)
{
    NativeEdit* ne = FromChild(hwndChild);
    if (ne == NULL || ne->owner == NULL) return NULL;
    CEditUI* edit = ne->owner;
    CPaintManagerUI* pm = edit->GetManager();
    DWORD text = edit->GetTextColor() ? edit->GetTextColor() : (pm ? pm->GetDefaultFontColor() : 0xFF000000);
    if (!edit->IsEnabled()) text = edit->GetDisabledTextColor() ? edit->GetDisabledTextColor() : 0xFFA7A6AA;
    DWORD bk = edit->GetBkColor();
    if ((bk >> 24) != 0xFF) bk = 0xFFFFFFFF;
    ::SetTextColor(hdc, RGB(static_cast<BYTE>(text >> 16), static_cast<BYTE>(text >> 8), static_cast<BYTE>(text)));
    COLORREF bkRef = RGB(static_cast<BYTE>(bk >> 16), static_cast<BYTE>(bk >> 8), static_cast<BYTE>(bk));
    ::SetBkColor(hdc, bkRef);
    if (ne->brush == NULL || ne->brushColor != bk) {
        if (ne->brush) DeleteObject(ne->brush);
        ne->brush = CreateSolidBrush(bkRef);
        ne->brushColor = bk;
    }
    return ne->brush;
}

} // namespace duiint

#define NATIVE (static_cast<NativeEdit*>(m_pWindow))

CEditUI::CEditUI()
    : m_pWindow(new NativeEdit), m_uMaxChar(255), m_bReadOnly(false), m_bPasswordMode(false), m_bMultiLine(false),
      m_bVScroll(false)
{
    NATIVE->owner = this;
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    m_rcTextPadding = RECT{2, 0, 2, 0};
}

CEditUI::~CEditUI()
{
    NativeEdit* ne = NATIVE;
    ne->owner = NULL;
    if (ne->hwnd && IsWindow(ne->hwnd)) DestroyWindow(ne->hwnd);
    if (ne->brush) DeleteObject(ne->brush);
    delete ne;
}

LPCTSTR CEditUI::GetClass() const { return L"EditUI"; }

LPVOID CEditUI::GetInterface(LPCTSTR pstrName)
{
    if (pstrName && wcscmp(pstrName, L"Edit") == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

UINT CEditUI::GetControlFlags() const { return IsEnabled() ? UIFLAG_TABSTOP | UIFLAG_SETCURSOR : 0; }

void CEditUI::SetEnabled(bool bEnable)
{
    if (duiint::Marshal(this, L"enabled", bEnable ? L"true" : L"false")) return;
    CControlUI::SetEnabled(bEnable);
    if (NATIVE->hwnd) EnableWindow(NATIVE->hwnd, bEnable);
}

void CEditUI::SetText(LPCTSTR pstrText)
{
    if (duiint::Marshal(this, L"text", pstrText)) return;
    CControlUI::SetText(pstrText);
    if (NATIVE->hwnd) {
        NATIVE->settingText = true;
        SetWindowTextW(NATIVE->hwnd, ToNativeLines(pstrText, m_bMultiLine).c_str());
        NATIVE->settingText = false;
    }
}

void CEditUI::SetMaxChar(UINT uMax)
{
    m_uMaxChar = uMax;
    if (NATIVE->hwnd) ::SendMessageW(NATIVE->hwnd, EM_LIMITTEXT, m_uMaxChar, 0);
}
UINT CEditUI::GetMaxChar() const { return m_uMaxChar; }

void CEditUI::SetReadOnly(bool bReadOnly)
{
    m_bReadOnly = bReadOnly;
    if (NATIVE->hwnd) ::SendMessageW(NATIVE->hwnd, EM_SETREADONLY, bReadOnly, 0);
    Invalidate();
}
bool CEditUI::IsReadOnly() const { return m_bReadOnly; }

void CEditUI::SetPasswordMode(bool bPasswordMode)
{
    m_bPasswordMode = bPasswordMode;
    if (NATIVE->hwnd) {
        ::SendMessageW(NATIVE->hwnd, EM_SETPASSWORDCHAR, bPasswordMode ? L'*' : 0, 0);
        InvalidateRect(NATIVE->hwnd, NULL, TRUE);
    }
}
bool CEditUI::IsPasswordMode() const { return m_bPasswordMode; }

void CEditUI::SetMultiLine(bool bMultiLine)
{
    // Decided when the field is created.
    if (NATIVE->hwnd == NULL) m_bMultiLine = bMultiLine;
    if (m_bMultiLine) m_uTextStyle = DT_WORDBREAK | DT_TOP | DT_EDITCONTROL;
}
bool CEditUI::IsMultiLine() const { return m_bMultiLine; }

void CEditUI::SetSel(long nStartChar, long nEndChar)
{
    if (NATIVE->hwnd) ::SendMessageW(NATIVE->hwnd, EM_SETSEL, nStartChar, nEndChar);
}

HWND CEditUI::GetNativeWindow() const { return NATIVE->hwnd; }

void CEditUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    if (m_pManager == NULL || m_pManager->GetPaintWindow() == NULL || !m_pManager->IsUIThread()) return;
    HWND parent = m_pManager->GetPaintWindow();
    RECT r = m_rcItem;
    int b = m_nBorderSize;
    r.left += m_rcTextPadding.left + b;
    r.right -= m_rcTextPadding.right + b;
    r.top += m_rcTextPadding.top + b;
    r.bottom -= m_rcTextPadding.bottom + b;
    HFONT font = m_pManager->GetFont(m_iFont);
    if (!m_bMultiLine) {
        // One line, centred vertically.
        HDC dc = GetDC(parent);
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(parent, dc);
        int h = tm.tmHeight + 2;
        if (h < r.bottom - r.top) {
            int top = (r.top + r.bottom - h) / 2;
            r.top = top;
            r.bottom = top + h;
        }
    }
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    NativeEdit* ne = NATIVE;
    if (ne->hwnd == NULL) {
        DWORD style = WS_CHILD | (IsVisible() ? WS_VISIBLE : 0) | (m_bReadOnly ? ES_READONLY : 0) |
                      (m_bPasswordMode ? ES_PASSWORD : 0);
        if (m_bMultiLine) style |= ES_MULTILINE | ES_AUTOVSCROLL | (m_bVScroll ? WS_VSCROLL : 0);
        else style |= ES_AUTOHSCROLL;
        if (!IsEnabled()) style |= WS_DISABLED;
        std::wstring text = ToNativeLines(GetText(), m_bMultiLine);
        ne->hwnd = CreateWindowExW(0, L"EDIT", text.c_str(), style, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, parent, NULL, CPaintManagerUI::GetInstance(), NULL);
        if (ne->hwnd == NULL) return;
        SetPropW(ne->hwnd, kEditProp, reinterpret_cast<HANDLE>(ne));
        ne->oldProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(ne->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
        ::SendMessageW(ne->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ::SendMessageW(ne->hwnd, EM_LIMITTEXT, m_uMaxChar, 0);
        if (m_bPasswordMode) ::SendMessageW(ne->hwnd, EM_SETPASSWORDCHAR, L'*', 0);
        ::SendMessageW(ne->hwnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
        if (IsFocused()) ::SetFocus(ne->hwnd);
    } else {
        // The font changes with the window's DPI.
        if (reinterpret_cast<HFONT>(::SendMessageW(ne->hwnd, WM_GETFONT, 0, 0)) != font)
            ::SendMessageW(ne->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowPos(ne->hwnd, NULL, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CEditUI::SetVisible(bool bVisible)
{
    if (duiint::Marshal(this, L"visible", bVisible ? L"true" : L"false")) return;
    CControlUI::SetVisible(bVisible);
    if (NATIVE->hwnd) ::ShowWindow(NATIVE->hwnd, IsVisible() ? SW_SHOWNA : SW_HIDE);
}

void CEditUI::SetInternVisible(bool bVisible)
{
    CControlUI::SetInternVisible(bVisible);
    if (NATIVE->hwnd && (m_pManager == NULL || m_pManager->IsUIThread()))
        ::ShowWindow(NATIVE->hwnd, IsVisible() ? SW_SHOWNA : SW_HIDE);
}

SIZE CEditUI::EstimateSize(SIZE szAvailable) { return CLabelUI::EstimateSize(szAvailable); }

void CEditUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_SETFOCUS) {
        if (NATIVE->hwnd && ::GetFocus() != NATIVE->hwnd) {
            ::SetFocus(NATIVE->hwnd);
            if (!m_bMultiLine) ::SendMessageW(NATIVE->hwnd, EM_SETSEL, 0, -1);
        }
    } else if (event.Type == UIEVENT_BUTTONDOWN && NATIVE->hwnd) {
        ::SetFocus(NATIVE->hwnd);
        return;
    }
    CLabelUI::DoEvent(event);
}

void CEditUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue)
{
    if (pstrName == NULL) return;
    if (pstrValue == NULL) pstrValue = L"";
    if (duiint::Marshal(this, pstrName, pstrValue)) return;
    if (wcscmp(pstrName, L"readonly") == 0) SetReadOnly(duirender::ParseBool(pstrValue));
    else if (wcscmp(pstrName, L"password") == 0) SetPasswordMode(duirender::ParseBool(pstrValue));
    else if (wcscmp(pstrName, L"maxchar") == 0) SetMaxChar(static_cast<UINT>(duirender::ParseInt(pstrValue)));
    else if (wcscmp(pstrName, L"multiline") == 0) SetMultiLine(duirender::ParseBool(pstrValue));
    else if (wcscmp(pstrName, L"vscrollbar") == 0) m_bVScroll = duirender::ParseBool(pstrValue);
    else if (wcscmp(pstrName, L"nativebkcolor") == 0) SetBkColor(duirender::ParseColor(pstrValue));
    else CLabelUI::SetAttribute(pstrName, pstrValue);
}

void CEditUI::PaintText(HDC hDC)
{
    // The native field paints itself on screen; this copy is what a
    // rendering into a bitmap (RenderTo, WM_PRINTCLIENT) shows.
    if (m_pManager == NULL) return;
    CStdString text = GetText();
    if (text.IsEmpty()) return;
    if (m_bPasswordMode) {
        CStdString stars;
        for (int i = 0; i < text.GetLength(); ++i) stars += L'*';
        text = stars;
    }
    DWORD color = m_dwTextColor ? m_dwTextColor : m_pManager->GetDefaultFontColor();
    if (!IsEnabled()) color = m_dwDisabledTextColor ? m_dwDisabledTextColor : m_pManager->GetDefaultDisabledColor();
    RECT rc = m_rcItem;
    rc.left += m_rcTextPadding.left + m_nBorderSize;
    rc.top += m_rcTextPadding.top + m_nBorderSize;
    rc.right -= m_rcTextPadding.right + m_nBorderSize;
    rc.bottom -= m_rcTextPadding.bottom + m_nBorderSize;
    UINT style = m_bMultiLine ? (DT_WORDBREAK | DT_TOP | DT_EDITCONTROL) : (DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    duirender::DrawText(hDC, rc, text, color, m_pManager->GetFont(m_iFont), style);
}

// ---------------------------------------------------------------------------

CRichEditUI::CRichEditUI()
{
    m_bReadOnly = true;
    m_bMultiLine = true;
    m_bVScroll = true;
    m_uMaxChar = 0x7FFFFFFE;
    m_uTextStyle = DT_WORDBREAK | DT_TOP | DT_EDITCONTROL;
}

LPCTSTR CRichEditUI::GetClass() const { return L"RichEditUI"; }

LPVOID CRichEditUI::GetInterface(LPCTSTR pstrName)
{
    if (pstrName && wcscmp(pstrName, L"RichEdit") == 0) return this;
    return CEditUI::GetInterface(pstrName);
}
