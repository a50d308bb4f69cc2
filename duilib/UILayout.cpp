// CVerticalLayoutUI and CHorizontalLayoutUI: flow the visible children top
// to bottom / left to right inside the inset, "childpadding" apart. Fixed
// sizes come first (bounded by the child's min and max); the children
// without a fixed size share what is left; across the flow a child takes
// the full extent unless it has a fixed one (cut to the container). Float
// children are placed as in every container.
#include "UIInternal.h"

#include <wchar.h>

namespace {

int Clamp(int v, int lo, int hi)
{
    if (v > hi) v = hi;
    if (v < lo) v = lo;
    return v;
}

} // namespace

CVerticalLayoutUI::CVerticalLayoutUI() {}
LPCTSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

LPVOID CVerticalLayoutUI::GetInterface(LPCTSTR pstrName)
{
    if (pstrName && wcscmp(pstrName, L"VerticalLayout") == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

void CVerticalLayoutUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    rc = m_rcItem;
    rc.left += m_rcInset.left;
    rc.top += m_rcInset.top;
    rc.right -= m_rcInset.right;
    rc.bottom -= m_rcInset.bottom;
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    SIZE avail = {width, height};

    int adjustables = 0, fixed = 0, count = 0;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* c = GetItemAt(i);
        if (!c->IsVisible() || c->IsFloat()) continue;
        SIZE sz = c->EstimateSize(avail);
        if (sz.cy == 0) ++adjustables;
        else fixed += Clamp(sz.cy, c->GetMinHeight(), c->GetMaxHeight());
        RECT pad = c->GetPadding();
        fixed += pad.top + pad.bottom;
        ++count;
    }
    if (count > 1) fixed += (count - 1) * m_iChildPadding;
    int expand = adjustables > 0 ? (height - fixed) / adjustables : 0;
    if (expand < 0) expand = 0;

    int y = rc.top;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* c = GetItemAt(i);
        if (!c->IsVisible()) continue;
        if (c->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        RECT pad = c->GetPadding();
        SIZE sz = c->EstimateSize(avail);
        sz.cy = Clamp(sz.cy == 0 ? expand : sz.cy, c->GetMinHeight(), c->GetMaxHeight());
        if (sz.cx == 0) sz.cx = width - pad.left - pad.right;
        sz.cx = Clamp(sz.cx, c->GetMinWidth(), c->GetMaxWidth());
        if (sz.cx > width - pad.left - pad.right) sz.cx = width - pad.left - pad.right;
        RECT r = {rc.left + pad.left, y + pad.top, rc.left + pad.left + sz.cx, y + pad.top + sz.cy};
        c->SetPos(r);
        y += pad.top + sz.cy + pad.bottom + m_iChildPadding;
    }
}

CHorizontalLayoutUI::CHorizontalLayoutUI() {}
LPCTSTR CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

LPVOID CHorizontalLayoutUI::GetInterface(LPCTSTR pstrName)
{
    if (pstrName && wcscmp(pstrName, L"HorizontalLayout") == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    rc = m_rcItem;
    rc.left += m_rcInset.left;
    rc.top += m_rcInset.top;
    rc.right -= m_rcInset.right;
    rc.bottom -= m_rcInset.bottom;
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    SIZE avail = {width, height};

    int adjustables = 0, fixed = 0, count = 0;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* c = GetItemAt(i);
        if (!c->IsVisible() || c->IsFloat()) continue;
        SIZE sz = c->EstimateSize(avail);
        if (sz.cx == 0) ++adjustables;
        else fixed += Clamp(sz.cx, c->GetMinWidth(), c->GetMaxWidth());
        RECT pad = c->GetPadding();
        fixed += pad.left + pad.right;
        ++count;
    }
    if (count > 1) fixed += (count - 1) * m_iChildPadding;
    int expand = adjustables > 0 ? (width - fixed) / adjustables : 0;
    if (expand < 0) expand = 0;

    int x = rc.left;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* c = GetItemAt(i);
        if (!c->IsVisible()) continue;
        if (c->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        RECT pad = c->GetPadding();
        SIZE sz = c->EstimateSize(avail);
        sz.cx = Clamp(sz.cx == 0 ? expand : sz.cx, c->GetMinWidth(), c->GetMaxWidth());
        if (sz.cy == 0) sz.cy = height - pad.top - pad.bottom;
        sz.cy = Clamp(sz.cy, c->GetMinHeight(), c->GetMaxHeight());
        if (sz.cy > height - pad.top - pad.bottom) sz.cy = height - pad.top - pad.bottom;
        RECT r = {x + pad.left, rc.top + pad.top, x + pad.left + sz.cx, rc.top + pad.top + sz.cy};
        c->SetPos(r);
        x += pad.left + sz.cx + pad.right + m_iChildPadding;
    }
}
