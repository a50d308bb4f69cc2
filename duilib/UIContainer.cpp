// CContainerUI: owns its children (deletes them), stacks them inside its
// inset, finds controls in its subtree, paints itself, then its children,
// then its border. "float" children are placed by their "pos", relative to
// the container's top-left corner, with "width"/"height" where pos gives no
// size; the flow layouts (UILayout.cpp) use the same placement.
#include "UIInternal.h"
#include "UIRender.h"

#include <vector>
#include <wchar.h>

namespace {

typedef std::vector<CControlUI*> Items;

int Clamp(int v, int lo, int hi)
{
    if (v > hi) v = hi;
    if (v < lo) v = lo;
    return v;
}

} // namespace

#define ITEMS (*static_cast<Items*>(m_pItems))

CContainerUI::CContainerUI() : m_pItems(new Items), m_iChildPadding(0), m_bMouseChildEnabled(true)
{
    m_rcInset = RECT{0, 0, 0, 0};
}

CContainerUI::~CContainerUI()
{
    Items* items = static_cast<Items*>(m_pItems);
    m_pItems = NULL;
    for (CControlUI* c : *items) delete c;
    delete items;
}

LPCTSTR CContainerUI::GetClass() const { return L"ContainerUI"; }

LPVOID CContainerUI::GetInterface(LPCTSTR pstrName)
{
    if (pstrName && wcscmp(pstrName, L"Container") == 0) return this;
    return CControlUI::GetInterface(pstrName);
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const
{
    if (m_pItems == NULL || iIndex < 0 || iIndex >= static_cast<int>(ITEMS.size())) return NULL;
    return ITEMS[iIndex];
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const
{
    if (m_pItems == NULL) return -1;
    for (size_t i = 0; i < ITEMS.size(); ++i)
        if (ITEMS[i] == pControl) return static_cast<int>(i);
    return -1;
}

int CContainerUI::GetCount() const { return m_pItems ? static_cast<int>(ITEMS.size()) : 0; }

bool CContainerUI::Add(CControlUI* pControl) { return AddAt(pControl, GetCount()); }

bool CContainerUI::AddAt(CControlUI* pControl, int iIndex)
{
    if (pControl == NULL || iIndex < 0 || iIndex > GetCount()) return false;
    ITEMS.insert(ITEMS.begin() + iIndex, pControl);
    pControl->SetManager(m_pManager, this, m_pManager != NULL);
    pControl->SetInternVisible(IsVisible());
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* pControl) { return RemoveAt(GetItemIndex(pControl)); }

bool CContainerUI::RemoveAt(int iIndex)
{
    CControlUI* c = GetItemAt(iIndex);
    if (c == NULL) return false;
    ITEMS.erase(ITEMS.begin() + iIndex);
    delete c;  // the control tells its manager to forget it
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll()
{
    while (GetCount() > 0) RemoveAt(GetCount() - 1);
}

RECT CContainerUI::GetInset() const { return m_rcInset; }
void CContainerUI::SetInset(RECT rcInset)
{
    m_rcInset = rcInset;
    NeedUpdate();
}
int CContainerUI::GetChildPadding() const { return m_iChildPadding; }
void CContainerUI::SetChildPadding(int iPadding)
{
    m_iChildPadding = iPadding;
    NeedUpdate();
}
bool CContainerUI::IsMouseChildEnabled() const { return m_bMouseChildEnabled; }
void CContainerUI::SetMouseChildEnabled(bool bEnable) { m_bMouseChildEnabled = bEnable; }

void CContainerUI::SetVisible(bool bVisible)
{
    if (duiint::Marshal(this, L"visible", bVisible ? L"true" : L"false")) return;
    CControlUI::SetVisible(bVisible);
    for (CControlUI* c : ITEMS) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool bVisible)
{
    CControlUI::SetInternVisible(bVisible);
    for (CControlUI* c : ITEMS) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool bEnable)
{
    if (duiint::Marshal(this, L"enabled", bEnable ? L"true" : L"false")) return;
    CControlUI::SetEnabled(bEnable);
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit)
{
    for (CControlUI* c : ITEMS) c->SetManager(pManager, this, bInit);
    CControlUI::SetManager(pManager, pParent, bInit);
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags)
{
    if ((uFlags & UIFIND_VISIBLE) && !IsVisible()) return NULL;
    if ((uFlags & UIFIND_ENABLED) && !IsEnabled()) return NULL;
    if ((uFlags & UIFIND_HITTEST) && !::PtInRect(&m_rcItem, *static_cast<LPPOINT>(pData))) return NULL;
    if (uFlags & UIFIND_ME_FIRST) {
        CControlUI* me = CControlUI::FindControl(Proc, pData, uFlags);
        if (me) return me;
    }
    if (!(uFlags & UIFIND_HITTEST) || m_bMouseChildEnabled) {
        int n = GetCount();
        if (uFlags & UIFIND_TOP_FIRST) {
            for (int i = n - 1; i >= 0; --i) {
                CControlUI* r = ITEMS[i]->FindControl(Proc, pData, uFlags);
                if (r) return r;
            }
        } else {
            for (int i = 0; i < n; ++i) {
                CControlUI* r = ITEMS[i]->FindControl(Proc, pData, uFlags);
                if (r) return r;
            }
        }
    }
    if (uFlags & UIFIND_ME_FIRST) return NULL;
    return CControlUI::FindControl(Proc, pData, uFlags);
}

void CContainerUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    RECT inner = {rc.left + m_rcInset.left, rc.top + m_rcInset.top, rc.right - m_rcInset.right,
                  rc.bottom - m_rcInset.bottom};
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* c = ITEMS[i];
        if (!c->IsVisible()) continue;
        if (c->IsFloat()) SetFloatPos(i);
        else c->SetPos(inner);
    }
}

void CContainerUI::SetFloatPos(int iIndex)
{
    CControlUI* c = GetItemAt(iIndex);
    if (c == NULL) return;
    SIZE xy = c->GetFixedXY();
    int cx = Clamp(c->GetFixedWidth(), c->GetMinWidth(), c->GetMaxWidth());
    int cy = Clamp(c->GetFixedHeight(), c->GetMinHeight(), c->GetMaxHeight());
    RECT r = {m_rcItem.left + xy.cx, m_rcItem.top + xy.cy, m_rcItem.left + xy.cx + cx, m_rcItem.top + xy.cy + cy};
    c->SetPos(r);
}

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint)
{
    RECT rcTemp;
    if (!::IntersectRect(&rcTemp, &rcPaint, &m_rcItem)) return;
    m_rcPaint = rcTemp;
    int saved = SaveDC(hDC);
    POINT org = {0, 0};
    GetWindowOrgEx(hDC, &org);
    HRGN clip;
    if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0)
        clip = CreateRoundRectRgn(m_rcItem.left, m_rcItem.top, m_rcItem.right + 1, m_rcItem.bottom + 1,
                                  m_cxyBorderRound.cx, m_cxyBorderRound.cy);
    else
        clip = CreateRectRgnIndirect(&rcTemp);
    if (clip) {
        OffsetRgn(clip, -org.x, -org.y);
        ExtSelectClipRgn(hDC, clip, RGN_AND);
        DeleteObject(clip);
    }
    PaintBkColor(hDC);
    PaintBkImage(hDC);
    PaintStatusImage(hDC);
    PaintText(hDC);
    for (CControlUI* c : ITEMS) {
        if (!c->IsVisible()) continue;
        RECT rcChild;
        if (::IntersectRect(&rcChild, &rcTemp, &c->GetPos())) c->DoPaint(hDC, rcTemp);
    }
    // The border lies over the children.
    PaintBorder(hDC);
    RestoreDC(hDC, saved);
}

void CContainerUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue)
{
    if (pstrName == NULL) return;
    if (pstrValue == NULL) pstrValue = L"";
    if (duiint::Marshal(this, pstrName, pstrValue)) return;
    if (wcscmp(pstrName, L"inset") == 0) SetInset(duirender::ParseRect(pstrValue));
    else if (wcscmp(pstrName, L"childpadding") == 0) SetChildPadding(duirender::ParseInt(pstrValue));
    else if (wcscmp(pstrName, L"mousechild") == 0) SetMouseChildEnabled(duirender::ParseBool(pstrValue));
    else CControlUI::SetAttribute(pstrName, pstrValue);
}

