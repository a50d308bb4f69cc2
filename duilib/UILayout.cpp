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

// The two layouts are one flow seen along different axes: "main" is the
// direction of the flow (height for a vertical layout), "cross" the other.
struct FlowAxis {
    bool vertical;
    LONG& Main(SIZE& s) const { return vertical ? s.cy : s.cx; }
    LONG& Cross(SIZE& s) const { return vertical ? s.cx : s.cy; }
    int MainMin(CControlUI* c) const { return vertical ? c->GetMinHeight() : c->GetMinWidth(); }
    int MainMax(CControlUI* c) const { return vertical ? c->GetMaxHeight() : c->GetMaxWidth(); }
    int CrossMin(CControlUI* c) const { return vertical ? c->GetMinWidth() : c->GetMinHeight(); }
    int CrossMax(CControlUI* c) const { return vertical ? c->GetMaxWidth() : c->GetMaxHeight(); }
    int MainBefore(const RECT& p) const { return vertical ? p.top : p.left; }
    int MainAfter(const RECT& p) const { return vertical ? p.bottom : p.right; }
    int CrossBefore(const RECT& p) const { return vertical ? p.left : p.top; }
    int CrossAfter(const RECT& p) const { return vertical ? p.right : p.bottom; }
};

// Places the visible, non-float children of `box` one after another inside
// `rc` (the inset already taken off); float children go to `placeFloat`.
template <typename PlaceFloat>
void Flow(CContainerUI& box, RECT rc, int childPadding, FlowAxis axis, PlaceFloat placeFloat)
{
    SIZE avail = {rc.right - rc.left, rc.bottom - rc.top};
    const int mainExtent = axis.Main(avail);
    const int crossExtent = axis.Cross(avail);

    int adjustables = 0, fixed = 0, count = 0;
    for (int i = 0; i < box.GetCount(); ++i) {
        CControlUI* c = box.GetItemAt(i);
        if (!c->IsVisible() || c->IsFloat()) continue;
        SIZE sz = c->EstimateSize(avail);
        if (axis.Main(sz) == 0) ++adjustables;
        else fixed += Clamp(axis.Main(sz), axis.MainMin(c), axis.MainMax(c));
        RECT pad = c->GetPadding();
        fixed += axis.MainBefore(pad) + axis.MainAfter(pad);
        ++count;
    }
    if (count > 1) fixed += (count - 1) * childPadding;
    int expand = adjustables > 0 ? (mainExtent - fixed) / adjustables : 0;
    if (expand < 0) expand = 0;

    int at = axis.vertical ? rc.top : rc.left;
    const int crossStart = axis.vertical ? rc.left : rc.top;
    for (int i = 0; i < box.GetCount(); ++i) {
        CControlUI* c = box.GetItemAt(i);
        if (!c->IsVisible()) continue;
        if (c->IsFloat()) {
            placeFloat(i);
            continue;
        }
        RECT pad = c->GetPadding();
        SIZE sz = c->EstimateSize(avail);
        LONG& main = axis.Main(sz);
        LONG& cross = axis.Cross(sz);
        main = Clamp(main == 0 ? expand : static_cast<int>(main), axis.MainMin(c), axis.MainMax(c));
        const int crossRoom = crossExtent - axis.CrossBefore(pad) - axis.CrossAfter(pad);
        if (cross == 0) cross = crossRoom;
        cross = Clamp(static_cast<int>(cross), axis.CrossMin(c), axis.CrossMax(c));
        if (cross > crossRoom) cross = crossRoom;
        const int m0 = at + axis.MainBefore(pad);
        const int c0 = crossStart + axis.CrossBefore(pad);
        RECT r = axis.vertical ? RECT{c0, m0, c0 + cross, m0 + main} : RECT{m0, c0, m0 + main, c0 + cross};
        c->SetPos(r);
        at += axis.MainBefore(pad) + main + axis.MainAfter(pad) + childPadding;
    }
}

RECT Inner(RECT item, const RECT& inset)
{
    item.left += inset.left;
    item.top += inset.top;
    item.right -= inset.right;
    item.bottom -= inset.bottom;
    return item;
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
    Flow(*this, Inner(m_rcItem, m_rcInset), m_iChildPadding, FlowAxis{true}, [this](int i) { SetFloatPos(i); });
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
    Flow(*this, Inner(m_rcItem, m_rcInset), m_iChildPadding, FlowAxis{false}, [this](int i) { SetFloatPos(i); });
}
