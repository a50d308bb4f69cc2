// CButtonUI: a push button with one sprite look per state (normal, hot,
// pushed, focused, disabled; a state without its own picture shows the
// normal one). Sends "click" when released over itself after a press on
// itself, on Enter or Space while focused, and on its Alt shortcut; a
// disabled button sends nothing.
#include "UIInternal.h"
#include "UIRender.h"

#include <wchar.h>

CButtonUI::CButtonUI() : m_uButtonState(0), m_dwHotTextColor(0), m_dwPushedTextColor(0)
{
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

LPCTSTR CButtonUI::GetClass() const { return L"ButtonUI"; }

LPVOID CButtonUI::GetInterface(LPCTSTR pstrName)
{
    if (pstrName && wcscmp(pstrName, L"Button") == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

UINT CButtonUI::GetControlFlags() const { return IsEnabled() ? UIFLAG_TABSTOP : 0; }

bool CButtonUI::Activate()
{
    if (!CControlUI::Activate()) return false;
    if (m_pManager) m_pManager->SendNotify(this, L"click");
    return true;
}

void CButtonUI::SetEnabled(bool bEnable)
{
    if (duiint::Marshal(this, L"enabled", bEnable ? L"true" : L"false")) return;
    CControlUI::SetEnabled(bEnable);
    if (!bEnable) m_uButtonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event)
{
    switch (event.Type) {
    case UIEVENT_KEYDOWN:
        if (event.chKey == VK_SPACE || event.chKey == VK_RETURN) {
            Activate();
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled() && ::PtInRect(&m_rcItem, event.ptMouse)) {
            m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED) {
            UINT old = m_uButtonState;
            if (::PtInRect(&m_rcItem, event.ptMouse)) m_uButtonState |= UISTATE_PUSHED;
            else m_uButtonState &= ~UISTATE_PUSHED;
            if (old != m_uButtonState) Invalidate();
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            bool inside = ::PtInRect(&m_rcItem, event.ptMouse) != FALSE;
            m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
            if (!inside) m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
            if (inside) Activate();
        }
        return;
    case UIEVENT_MOUSEENTER:
        if (IsEnabled()) {
            m_uButtonState |= UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSELEAVE:
        m_uButtonState &= ~UISTATE_HOT;
        Invalidate();
        return;
    default:
        break;
    }
    CLabelUI::DoEvent(event);
}

LPCTSTR CButtonUI::GetNormalImage() { return m_sNormalImage; }
void CButtonUI::SetNormalImage(LPCTSTR pStrImage)
{
    if (duiint::Marshal(this, L"normalimage", pStrImage)) return;
    m_sNormalImage = pStrImage;
    Invalidate();
}
LPCTSTR CButtonUI::GetHotImage() { return m_sHotImage; }
void CButtonUI::SetHotImage(LPCTSTR pStrImage)
{
    if (duiint::Marshal(this, L"hotimage", pStrImage)) return;
    m_sHotImage = pStrImage;
    Invalidate();
}
LPCTSTR CButtonUI::GetPushedImage() { return m_sPushedImage; }
void CButtonUI::SetPushedImage(LPCTSTR pStrImage)
{
    if (duiint::Marshal(this, L"pushedimage", pStrImage)) return;
    m_sPushedImage = pStrImage;
    Invalidate();
}
LPCTSTR CButtonUI::GetFocusedImage() { return m_sFocusedImage; }
void CButtonUI::SetFocusedImage(LPCTSTR pStrImage)
{
    if (duiint::Marshal(this, L"focusedimage", pStrImage)) return;
    m_sFocusedImage = pStrImage;
    Invalidate();
}
LPCTSTR CButtonUI::GetDisabledImage() { return m_sDisabledImage; }
void CButtonUI::SetDisabledImage(LPCTSTR pStrImage)
{
    if (duiint::Marshal(this, L"disabledimage", pStrImage)) return;
    m_sDisabledImage = pStrImage;
    Invalidate();
}
void CButtonUI::SetHotTextColor(DWORD dwColor) { m_dwHotTextColor = dwColor; }
DWORD CButtonUI::GetHotTextColor() const { return m_dwHotTextColor; }
void CButtonUI::SetPushedTextColor(DWORD dwColor) { m_dwPushedTextColor = dwColor; }
DWORD CButtonUI::GetPushedTextColor() const { return m_dwPushedTextColor; }

UINT CButtonUI::GetButtonState() const
{
    UINT s = m_uButtonState;
    if (!IsEnabled()) s |= UISTATE_DISABLED;
    if (IsFocused()) s |= UISTATE_FOCUSED;
    return s;
}

SIZE CButtonUI::EstimateSize(SIZE szAvailable) { return CLabelUI::EstimateSize(szAvailable); }

void CButtonUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue)
{
    if (pstrName == NULL) return;
    if (pstrValue == NULL) pstrValue = L"";
    if (duiint::Marshal(this, pstrName, pstrValue)) return;
    if (wcscmp(pstrName, L"normalimage") == 0) SetNormalImage(pstrValue);
    else if (wcscmp(pstrName, L"hotimage") == 0) SetHotImage(pstrValue);
    else if (wcscmp(pstrName, L"pushedimage") == 0) SetPushedImage(pstrValue);
    else if (wcscmp(pstrName, L"focusedimage") == 0) SetFocusedImage(pstrValue);
    else if (wcscmp(pstrName, L"disabledimage") == 0) SetDisabledImage(pstrValue);
    else if (wcscmp(pstrName, L"hottextcolor") == 0) SetHotTextColor(duirender::ParseColor(pstrValue));
    else if (wcscmp(pstrName, L"pushedtextcolor") == 0) SetPushedTextColor(duirender::ParseColor(pstrValue));
    else CLabelUI::SetAttribute(pstrName, pstrValue);
}

void CButtonUI::PaintText(HDC hDC)
{
    DWORD saved = m_dwTextColor;
    if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor) m_dwTextColor = m_dwPushedTextColor;
    else if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor) m_dwTextColor = m_dwHotTextColor;
    CLabelUI::PaintText(hDC);
    m_dwTextColor = saved;
}

void CButtonUI::PaintStatusImage(HDC hDC)
{
    // One picture per look; a look without its own picture falls back to
    // the normal one.
    if (!IsEnabled()) {
        if (DrawImage(hDC, m_sDisabledImage)) return;
    } else if (m_uButtonState & UISTATE_PUSHED) {
        if (DrawImage(hDC, m_sPushedImage)) return;
        if (DrawImage(hDC, m_sHotImage)) return;
    } else if (m_uButtonState & UISTATE_HOT) {
        if (DrawImage(hDC, m_sHotImage)) return;
    } else if (IsFocused()) {
        if (DrawImage(hDC, m_sFocusedImage)) return;
    }
    DrawImage(hDC, m_sNormalImage);
}

