// CControlUI: name, geometry, look and state common to every control, the
// layout attributes, painting of background, border and images, and the
// thread-safe setters (they hand the change to the interface thread through
// duiint::Marshal when called elsewhere).
#include "UIInternal.h"
#include "UIRender.h"

#include <wchar.h>

namespace {

CStdString IntText(int v)
{
    CStdString s;
    s.Format(L"%d", v);
    return s;
}

} // namespace

CControlUI::CControlUI()
    : m_pManager(NULL), m_pParent(NULL), m_bUpdateNeeded(true), m_bVisible(true), m_bInternVisible(true),
      m_bEnabled(true), m_bMouseEnabled(true), m_bFocused(false), m_bFloat(false), m_bSetPos(false), m_chShortcut(0),
      m_dwBackColor(0), m_dwBorderColor(0), m_nBorderSize(0), m_pReserved(NULL), m_iTabOrder(0)
{
    m_rcItem = RECT{0, 0, 0, 0};
    m_rcPadding = RECT{0, 0, 0, 0};
    m_cXY.cx = m_cXY.cy = 0;
    m_cxyFixed.cx = m_cxyFixed.cy = 0;
    m_cxyMin.cx = m_cxyMin.cy = 0;
    m_cxyMax.cx = m_cxyMax.cy = 9999;
    m_rcFloat = RECT{0, 0, 0, 0};
    m_cxyBorderRound.cx = m_cxyBorderRound.cy = 0;
    m_rcPaint = RECT{0, 0, 0, 0};
}

CControlUI::~CControlUI()
{
    if (m_pManager) m_pManager->ReapObjects(this);
    delete static_cast<duiint::AccInfo*>(m_pReserved);
}

CStdString CControlUI::GetName() const { return m_sName; }
void CControlUI::SetName(LPCTSTR pstrName) { m_sName = pstrName; }
LPCTSTR CControlUI::GetClass() const { return L"ControlUI"; }

LPVOID CControlUI::GetInterface(LPCTSTR pstrName)
{
    return (pstrName && wcscmp(pstrName, L"Control") == 0) ? this : NULL;
}

UINT CControlUI::GetControlFlags() const { return 0; }

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

CPaintManagerUI* CControlUI::GetManager() const { return m_pManager; }

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit)
{
    m_pManager = pManager;
    m_pParent = pParent;
    if (bInit && m_pParent) Init();
}

CControlUI* CControlUI::GetParent() const { return m_pParent; }

CStdString CControlUI::GetText() const
{
    duiint::TextLock lock;
    return m_sText;
}

void CControlUI::SetText(LPCTSTR pstrText)
{
    if (duiint::Marshal(this, L"text", pstrText)) return;
    {
        duiint::TextLock lock;
        if (m_sText == (pstrText ? pstrText : L"")) return;
        m_sText = pstrText;
    }
    Invalidate();
    duiint::AccNotify(this, GetInterface(L"Edit") ? EVENT_OBJECT_VALUECHANGE : EVENT_OBJECT_NAMECHANGE);
}

DWORD CControlUI::GetBkColor() const { return m_dwBackColor; }

void CControlUI::SetBkColor(DWORD dwBackColor)
{
    m_dwBackColor = dwBackColor;
    Invalidate();
}

LPCTSTR CControlUI::GetBkImage() { return m_sBkImage; }

void CControlUI::SetBkImage(LPCTSTR pStrImage)
{
    if (duiint::Marshal(this, L"bkimage", pStrImage)) return;
    m_sBkImage = pStrImage;
    Invalidate();
}

DWORD CControlUI::GetBorderColor() const { return m_dwBorderColor; }
void CControlUI::SetBorderColor(DWORD dwBorderColor)
{
    m_dwBorderColor = dwBorderColor;
    Invalidate();
}
int CControlUI::GetBorderSize() const { return m_nBorderSize; }
void CControlUI::SetBorderSize(int nSize)
{
    m_nBorderSize = nSize;
    Invalidate();
}
SIZE CControlUI::GetBorderRound() const { return m_cxyBorderRound; }
void CControlUI::SetBorderRound(SIZE cxyRound)
{
    m_cxyBorderRound = cxyRound;
    Invalidate();
}

const RECT& CControlUI::GetPos() const { return m_rcItem; }

void CControlUI::SetPos(RECT rc)
{
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    RECT old = m_rcItem;
    m_rcItem = rc;
    m_bUpdateNeeded = false;
    if (m_pManager) {
        RECT both;
        UnionRect(&both, &old, &m_rcItem);
        m_pManager->Invalidate(both);
    }
}

int CControlUI::GetWidth() const { return m_rcItem.right - m_rcItem.left; }
int CControlUI::GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
int CControlUI::GetX() const { return m_rcItem.left; }
int CControlUI::GetY() const { return m_rcItem.top; }
RECT CControlUI::GetPadding() const { return m_rcPadding; }
void CControlUI::SetPadding(RECT rcPadding)
{
    m_rcPadding = rcPadding;
    NeedParentUpdate();
}
SIZE CControlUI::GetFixedXY() const { return m_cXY; }
void CControlUI::SetFixedXY(SIZE szXY)
{
    m_cXY = szXY;
    NeedParentUpdate();
}

int CControlUI::GetFixedWidth() const { return m_cxyFixed.cx; }

void CControlUI::SetFixedWidth(int cx)
{
    if (cx < 0) return;
    if (duiint::Marshal(this, L"width", IntText(cx))) return;
    const bool changed = m_cxyFixed.cx != cx;
    m_cxyFixed.cx = cx;
    NeedParentUpdate();
    if (changed && GetAccRole() == L"progressbar") duiint::AccNotify(this, EVENT_OBJECT_VALUECHANGE);
}

int CControlUI::GetFixedHeight() const { return m_cxyFixed.cy; }

void CControlUI::SetFixedHeight(int cy)
{
    if (cy < 0) return;
    if (duiint::Marshal(this, L"height", IntText(cy))) return;
    m_cxyFixed.cy = cy;
    NeedParentUpdate();
}

int CControlUI::GetMinWidth() const { return m_cxyMin.cx; }
void CControlUI::SetMinWidth(int cx)
{
    if (cx < 0) return;
    m_cxyMin.cx = cx;
    NeedParentUpdate();
}
int CControlUI::GetMaxWidth() const { return m_cxyMax.cx; }
void CControlUI::SetMaxWidth(int cx)
{
    if (cx < 0) return;
    m_cxyMax.cx = cx;
    NeedParentUpdate();
}
int CControlUI::GetMinHeight() const { return m_cxyMin.cy; }
void CControlUI::SetMinHeight(int cy)
{
    if (cy < 0) return;
    m_cxyMin.cy = cy;
    NeedParentUpdate();
}
int CControlUI::GetMaxHeight() const { return m_cxyMax.cy; }
void CControlUI::SetMaxHeight(int cy)
{
    if (cy < 0) return;
    m_cxyMax.cy = cy;
    NeedParentUpdate();
}

bool CControlUI::IsFloat() const { return m_bFloat; }
void CControlUI::SetFloat(bool bFloat)
{
    m_bFloat = bFloat;
    NeedParentUpdate();
}
RECT CControlUI::GetFloatPos() const { return m_rcFloat; }

CStdString CControlUI::GetToolTip() const { return m_sToolTip; }
void CControlUI::SetToolTip(LPCTSTR pstrText) { m_sToolTip = pstrText; }
TCHAR CControlUI::GetShortcut() const { return m_chShortcut; }
void CControlUI::SetShortcut(TCHAR ch) { m_chShortcut = ch; }
int CControlUI::GetTabOrder() const { return m_iTabOrder; }

namespace {

duiint::AccInfo& Acc(void*& slot)
{
    if (slot == NULL) slot = new duiint::AccInfo;
    return *static_cast<duiint::AccInfo*>(slot);
}

} // namespace

CStdString CControlUI::GetAccName() const { return m_pReserved ? static_cast<duiint::AccInfo*>(m_pReserved)->name : CStdString(); }
CStdString CControlUI::GetAccRole() const { return m_pReserved ? static_cast<duiint::AccInfo*>(m_pReserved)->role : CStdString(); }
CStdString CControlUI::GetAccFor() const { return m_pReserved ? static_cast<duiint::AccInfo*>(m_pReserved)->labelFor : CStdString(); }
int CControlUI::GetChecked() const { return m_pReserved ? static_cast<duiint::AccInfo*>(m_pReserved)->checked : -1; }

void CControlUI::SetChecked(bool bChecked)
{
    if (duiint::Marshal(this, L"checked", bChecked ? L"true" : L"false")) return;
    int& checked = Acc(m_pReserved).checked;
    if (checked == (bChecked ? 1 : 0)) return;
    checked = bChecked ? 1 : 0;
    duiint::AccNotify(this, EVENT_OBJECT_STATECHANGE);
}
void CControlUI::SetTabOrder(int iOrder) { m_iTabOrder = iOrder; }

bool CControlUI::IsVisible() const { return m_bVisible && m_bInternVisible; }

void CControlUI::SetVisible(bool bVisible)
{
    if (duiint::Marshal(this, L"visible", bVisible ? L"true" : L"false")) return;
    if (m_bVisible == bVisible) return;
    bool wasFocused = IsFocused();
    m_bVisible = bVisible;
    if (wasFocused && !bVisible && m_pManager) m_pManager->SetFocus(NULL);
    if (m_pManager) {
        RECT rc = m_rcItem;
        m_pManager->Invalidate(rc);
    }
    NeedParentUpdate();
    duiint::AccNotify(this, bVisible ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE);
}

void CControlUI::SetInternVisible(bool bVisible) { m_bInternVisible = bVisible; }

bool CControlUI::IsEnabled() const { return m_bEnabled; }

void CControlUI::SetEnabled(bool bEnable)
{
    if (duiint::Marshal(this, L"enabled", bEnable ? L"true" : L"false")) return;
    if (m_bEnabled == bEnable) return;
    m_bEnabled = bEnable;
    if (!bEnable && IsFocused() && m_pManager) m_pManager->SetFocus(NULL);
    Invalidate();
    duiint::AccNotify(this, EVENT_OBJECT_STATECHANGE);
}

bool CControlUI::IsMouseEnabled() const { return m_bMouseEnabled; }
void CControlUI::SetMouseEnabled(bool bEnable) { m_bMouseEnabled = bEnable; }
bool CControlUI::IsFocused() const { return m_pManager ? m_pManager->GetFocus() == this : m_bFocused; }

void CControlUI::SetFocus()
{
    if (m_pManager) m_pManager->SetFocus(this);
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags)
{
    if ((uFlags & UIFIND_VISIBLE) && !IsVisible()) return NULL;
    if ((uFlags & UIFIND_ENABLED) && !IsEnabled()) return NULL;
    if ((uFlags & UIFIND_HITTEST) && (!m_bMouseEnabled || !::PtInRect(&m_rcItem, *static_cast<LPPOINT>(pData))))
        return NULL;
    return Proc(this, pData);
}

void CControlUI::Invalidate()
{
    if (!m_pManager) return;
    RECT rc = m_rcItem;
    m_pManager->Invalidate(rc);
}

bool CControlUI::IsUpdateNeeded() const { return m_bUpdateNeeded; }

void CControlUI::NeedUpdate()
{
    m_bUpdateNeeded = true;
    if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() { NeedUpdate(); }

void CControlUI::Init() { DoInit(); }
void CControlUI::DoInit() {}

void CControlUI::Event(TEventUI& event) { DoEvent(event); }

void CControlUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_SETFOCUS) {
        m_bFocused = true;
        Invalidate();
    } else if (event.Type == UIEVENT_KILLFOCUS) {
        m_bFocused = false;
        Invalidate();
    }
}

void CControlUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue)
{
    if (pstrName == NULL) return;
    if (pstrValue == NULL) pstrValue = L"";
    if (duiint::Marshal(this, pstrName, pstrValue)) return;
    const std::wstring name = pstrName;
    if (name == L"pos") {
        RECT rc = duirender::ParseRect(pstrValue);
        m_rcFloat = rc;
        SIZE xy = {rc.left, rc.top};
        m_cXY = xy;
        // A right and bottom of 0 leave the size to "width" and "height".
        if (rc.right > rc.left) m_cxyFixed.cx = rc.right - rc.left;
        if (rc.bottom > rc.top) m_cxyFixed.cy = rc.bottom - rc.top;
        NeedParentUpdate();
    } else if (name == L"padding") {
        SetPadding(duirender::ParseRect(pstrValue));
    } else if (name == L"bkcolor" || name == L"bkcolor1") {
        SetBkColor(duirender::ParseColor(pstrValue));
    } else if (name == L"bordercolor") {
        SetBorderColor(duirender::ParseColor(pstrValue));
    } else if (name == L"bordersize") {
        SetBorderSize(duirender::ParseInt(pstrValue));
    } else if (name == L"borderround") {
        SetBorderRound(duirender::ParseSize(pstrValue));
    } else if (name == L"bkimage") {
        SetBkImage(pstrValue);
    } else if (name == L"width") {
        SetFixedWidth(duirender::ParseInt(pstrValue));
    } else if (name == L"height") {
        SetFixedHeight(duirender::ParseInt(pstrValue));
    } else if (name == L"minwidth") {
        SetMinWidth(duirender::ParseInt(pstrValue));
    } else if (name == L"minheight") {
        SetMinHeight(duirender::ParseInt(pstrValue));
    } else if (name == L"maxwidth") {
        SetMaxWidth(duirender::ParseInt(pstrValue));
    } else if (name == L"maxheight") {
        SetMaxHeight(duirender::ParseInt(pstrValue));
    } else if (name == L"name") {
        SetName(pstrValue);
    } else if (name == L"text") {
        SetText(pstrValue);
    } else if (name == L"tooltip") {
        SetToolTip(pstrValue);
    } else if (name == L"shortcut") {
        SetShortcut(pstrValue[0]);
    } else if (name == L"taborder") {
        SetTabOrder(duirender::ParseInt(pstrValue));
    } else if (name == L"enabled") {
        SetEnabled(duirender::ParseBool(pstrValue));
    } else if (name == L"mouse") {
        SetMouseEnabled(duirender::ParseBool(pstrValue));
    } else if (name == L"visible") {
        SetVisible(duirender::ParseBool(pstrValue));
    } else if (name == L"float") {
        SetFloat(duirender::ParseBool(pstrValue));
    } else if (name == L"accname") {
        Acc(m_pReserved).name = pstrValue;
    } else if (name == L"accrole") {
        Acc(m_pReserved).role = pstrValue;
    } else if (name == L"accfor") {
        Acc(m_pReserved).labelFor = pstrValue;
    } else if (name == L"checked") {
        SetChecked(duirender::ParseBool(pstrValue));
    }
    // Anything else is not ours: ignored.
}

void CControlUI::KeepLayoutLength(LPCTSTR pstrName, LPCTSTR pstrValue)
{
    if (pstrName == NULL) return;
    auto& lengths = Acc(m_pReserved).layoutLengths;
    for (auto& length : lengths)
        if (length.first == pstrName) {
            length.second = pstrValue ? pstrValue : L"";
            return;
        }
    lengths.emplace_back(pstrName, pstrValue ? pstrValue : L"");
}

void CControlUI::ApplyLayoutLengths()
{
    if (m_pReserved == NULL || m_pManager == NULL) return;
    const UINT dpi = m_pManager->GetDpi();
    for (const auto& length : static_cast<duiint::AccInfo*>(m_pReserved)->layoutLengths)
        SetAttribute(length.first, duiint::ScaledLengths(length.second.GetData(), dpi).c_str());
}

CControlUI* CControlUI::ApplyAttributeList(LPCTSTR pstrList)
{
    if (pstrList == NULL) return this;
    const wchar_t* p = pstrList;
    while (*p) {
        while (*p == L' ') ++p;
        const wchar_t* n = p;
        while (*p && *p != L'=') ++p;
        if (*p != L'=') break;
        CStdString name(n, static_cast<int>(p - n));
        ++p;
        wchar_t quote = *p;
        if (quote != L'"' && quote != L'\'') break;
        ++p;
        const wchar_t* v = p;
        while (*p && *p != quote) ++p;
        CStdString value(v, static_cast<int>(p - v));
        if (*p) ++p;
        SetAttribute(name, value);
    }
    return this;
}

SIZE CControlUI::EstimateSize(SIZE /*szAvailable*/) { return m_cxyFixed; }

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint)
{
    if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
    int saved = SaveDC(hDC);
    // Clip to the control (rounded when it has a round border).
    HRGN clip;
    if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0) {
        clip = CreateRoundRectRgn(m_rcItem.left, m_rcItem.top, m_rcItem.right + 1, m_rcItem.bottom + 1,
                                  m_cxyBorderRound.cx, m_cxyBorderRound.cy);
    } else {
        clip = CreateRectRgnIndirect(&m_rcPaint);
    }
    if (clip) {
        // Regions are in device units: follow the DC's window origin.
        POINT org = {0, 0};
        GetWindowOrgEx(hDC, &org);
        OffsetRgn(clip, -org.x, -org.y);
        ExtSelectClipRgn(hDC, clip, RGN_AND);
        DeleteObject(clip);
    }
    PaintBkColor(hDC);
    PaintBkImage(hDC);
    PaintStatusImage(hDC);
    PaintText(hDC);
    PaintBorder(hDC);
    RestoreDC(hDC, saved);
    // The focus mark of a button without a focused picture, drawn unclipped:
    // around a small one it lies outside the control.
    CButtonUI* button = static_cast<CButtonUI*>(GetInterface(L"Button"));
    if (button && IsFocused() && *button->GetFocusedImage() == L'\0' && PaintManagerAccess::ShowFocusCues(m_pManager))
        duirender::DrawFocusFrame(hDC, m_rcItem, m_pManager->GetFocusColor());
}

void CControlUI::PaintBkColor(HDC hDC)
{
    if (m_dwBackColor != 0) duirender::DrawColor(hDC, m_rcItem, m_dwBackColor);
}

void CControlUI::PaintBkImage(HDC hDC)
{
    if (!m_sBkImage.IsEmpty()) DrawImage(hDC, m_sBkImage);
}

void CControlUI::PaintStatusImage(HDC /*hDC*/) {}
void CControlUI::PaintText(HDC /*hDC*/) {}

void CControlUI::PaintBorder(HDC hDC)
{
    if (m_nBorderSize > 0 && m_dwBorderColor != 0)
        duirender::DrawBorder(hDC, m_rcItem, m_nBorderSize, m_dwBorderColor, m_cxyBorderRound);
}

bool CControlUI::DrawImage(HDC hDC, LPCTSTR pStrImage)
{
    if (m_pManager == NULL || pStrImage == NULL || *pStrImage == L'\0') return false;
    return m_pManager->DrawImageString(hDC, m_rcItem, m_rcPaint, pStrImage);
}
