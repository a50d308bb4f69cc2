// CLabelUI (one line of text) and CTextUI (wrapped text): text colour,
// font by index of the layout's <Font> list, alignment and text padding.
#include "UIInternal.h"
#include "UIRender.h"

#include <wchar.h>

CLabelUI::CLabelUI()
    : m_dwTextColor(0), m_dwDisabledTextColor(0), m_iFont(-1), m_uTextStyle(DT_VCENTER | DT_SINGLELINE)
{
    m_rcTextPadding = RECT{0, 0, 0, 0};
}

LPCTSTR CLabelUI::GetClass() const { return L"LabelUI"; }

LPVOID CLabelUI::GetInterface(LPCTSTR pstrName)
{
    if (pstrName && wcscmp(pstrName, L"Label") == 0) return this;
    return CControlUI::GetInterface(pstrName);
}

void CLabelUI::SetTextStyle(UINT uStyle)
{
    m_uTextStyle = uStyle;
    Invalidate();
}
UINT CLabelUI::GetTextStyle() const { return m_uTextStyle; }
void CLabelUI::SetTextColor(DWORD dwTextColor)
{
    m_dwTextColor = dwTextColor;
    Invalidate();
}
DWORD CLabelUI::GetTextColor() const { return m_dwTextColor; }
void CLabelUI::SetDisabledTextColor(DWORD dwTextColor)
{
    m_dwDisabledTextColor = dwTextColor;
    Invalidate();
}
DWORD CLabelUI::GetDisabledTextColor() const { return m_dwDisabledTextColor; }
void CLabelUI::SetFont(int index)
{
    m_iFont = index;
    Invalidate();
}
int CLabelUI::GetFont() const { return m_iFont; }
RECT CLabelUI::GetTextPadding() const { return m_rcTextPadding; }
void CLabelUI::SetTextPadding(RECT rc)
{
    m_rcTextPadding = rc;
    Invalidate();
}

SIZE CLabelUI::EstimateSize(SIZE szAvailable) { return CControlUI::EstimateSize(szAvailable); }

void CLabelUI::DoEvent(TEventUI& event) { CControlUI::DoEvent(event); }

void CLabelUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue)
{
    if (pstrName == NULL) return;
    if (pstrValue == NULL) pstrValue = L"";
    if (duiint::Marshal(this, pstrName, pstrValue)) return;
    if (wcscmp(pstrName, L"align") == 0) {
        if (wcsstr(pstrValue, L"left")) m_uTextStyle = (m_uTextStyle & ~(DT_CENTER | DT_RIGHT)) | DT_LEFT;
        if (wcsstr(pstrValue, L"center") && !wcsstr(pstrValue, L"vcenter"))
            m_uTextStyle = (m_uTextStyle & ~(DT_LEFT | DT_RIGHT)) | DT_CENTER;
        if (wcsstr(pstrValue, L"right")) m_uTextStyle = (m_uTextStyle & ~(DT_LEFT | DT_CENTER)) | DT_RIGHT;
        if (wcsstr(pstrValue, L"top")) m_uTextStyle = (m_uTextStyle & ~(DT_BOTTOM | DT_VCENTER)) | DT_TOP;
        if (wcsstr(pstrValue, L"vcenter")) m_uTextStyle = (m_uTextStyle & ~(DT_TOP | DT_BOTTOM)) | DT_VCENTER;
        if (wcsstr(pstrValue, L"bottom")) m_uTextStyle = (m_uTextStyle & ~(DT_TOP | DT_VCENTER)) | DT_BOTTOM;
        if (wcsstr(pstrValue, L"wrap")) m_uTextStyle = (m_uTextStyle & ~DT_SINGLELINE) | DT_WORDBREAK;
        Invalidate();
    } else if (wcscmp(pstrName, L"valign") == 0) {
        m_uTextStyle &= ~(DT_TOP | DT_VCENTER | DT_BOTTOM);
        if (wcscmp(pstrValue, L"top") == 0) m_uTextStyle |= DT_TOP;
        else if (wcscmp(pstrValue, L"bottom") == 0) m_uTextStyle |= DT_BOTTOM;
        else m_uTextStyle |= DT_VCENTER;
        Invalidate();
    } else if (wcscmp(pstrName, L"endellipsis") == 0) {
        if (duirender::ParseBool(pstrValue)) m_uTextStyle |= DT_END_ELLIPSIS;
        else m_uTextStyle &= ~DT_END_ELLIPSIS;
    } else if (wcscmp(pstrName, L"font") == 0) {
        SetFont(duirender::ParseInt(pstrValue));
    } else if (wcscmp(pstrName, L"textcolor") == 0) {
        SetTextColor(duirender::ParseColor(pstrValue));
    } else if (wcscmp(pstrName, L"disabledtextcolor") == 0) {
        SetDisabledTextColor(duirender::ParseColor(pstrValue));
    } else if (wcscmp(pstrName, L"textpadding") == 0) {
        SetTextPadding(duirender::ParseRect(pstrValue));
    } else {
        CControlUI::SetAttribute(pstrName, pstrValue);
    }
}

void CLabelUI::PaintText(HDC hDC)
{
    if (m_pManager == NULL) return;
    CStdString text = GetText();
    if (text.IsEmpty()) return;
    DWORD color = m_dwTextColor ? m_dwTextColor : m_pManager->GetDefaultFontColor();
    if (!IsEnabled()) color = m_dwDisabledTextColor ? m_dwDisabledTextColor : m_pManager->GetDefaultDisabledColor();
    RECT rc = m_rcItem;
    rc.left += m_rcTextPadding.left;
    rc.top += m_rcTextPadding.top;
    rc.right -= m_rcTextPadding.right;
    rc.bottom -= m_rcTextPadding.bottom;
    duirender::DrawText(hDC, rc, text, color, m_pManager->GetFont(m_iFont), m_uTextStyle);
}

// ---------------------------------------------------------------------------

CTextUI::CTextUI() { m_uTextStyle = DT_WORDBREAK | DT_TOP; }
LPCTSTR CTextUI::GetClass() const { return L"TextUI"; }

LPVOID CTextUI::GetInterface(LPCTSTR pstrName)
{
    if (pstrName && wcscmp(pstrName, L"Text") == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

void CTextUI::PaintText(HDC hDC)
{
    m_uTextStyle &= ~DT_SINGLELINE;
    m_uTextStyle |= DT_WORDBREAK;
    CLabelUI::PaintText(hDC);
}
