// COptionUI: a button with a selected state. Options sharing a "group" are
// exclusive (the manager keeps the groups); one without a group toggles.
// Activation selects, then sends "click"; a change of state also sends
// "selectchanged". The selected picture lies over the state look.
#include "UIInternal.h"
#include "UIRender.h"

#include <wchar.h>

COptionUI::COptionUI() : m_bSelected(false) {}

COptionUI::~COptionUI()
{
    if (!m_sGroupName.IsEmpty() && m_pManager) m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

LPCTSTR COptionUI::GetClass() const { return L"OptionUI"; }

LPVOID COptionUI::GetInterface(LPCTSTR pstrName)
{
    if (pstrName && wcscmp(pstrName, L"Option") == 0) return this;
    return CButtonUI::GetInterface(pstrName);
}

void COptionUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit)
{
    CButtonUI::SetManager(pManager, pParent, bInit);
    if (bInit && pManager && !m_sGroupName.IsEmpty()) pManager->AddOptionGroup(m_sGroupName, this);
}

bool COptionUI::Activate()
{
    if (!CControlUI::Activate()) return false;
    if (!m_sGroupName.IsEmpty()) Selected(true);
    else Selected(!m_bSelected);
    if (m_pManager) m_pManager->SendNotify(this, L"click");
    return true;
}

LPCTSTR COptionUI::GetSelectedImage() { return m_sSelectedImage; }
void COptionUI::SetSelectedImage(LPCTSTR pStrImage)
{
    if (duiint::Marshal(this, L"selectedimage", pStrImage)) return;
    m_sSelectedImage = pStrImage;
    Invalidate();
}

LPCTSTR COptionUI::GetGroup() const { return m_sGroupName; }

void COptionUI::SetGroup(LPCTSTR pStrGroupName)
{
    if (m_pManager && !m_sGroupName.IsEmpty()) m_pManager->RemoveOptionGroup(m_sGroupName, this);
    m_sGroupName = pStrGroupName;
    if (m_pManager && !m_sGroupName.IsEmpty()) m_pManager->AddOptionGroup(m_sGroupName, this);
    Selected(m_bSelected);
}

bool COptionUI::IsSelected() const { return m_bSelected; }

void COptionUI::Selected(bool bSelected)
{
    if (duiint::Marshal(this, L"selected", bSelected ? L"true" : L"false")) return;
    bool changed = m_bSelected != bSelected;
    m_bSelected = bSelected;
    if (bSelected && m_pManager && !m_sGroupName.IsEmpty()) {
        for (CControlUI* c : PaintManagerAccess::OptionGroup(m_pManager, m_sGroupName)) {
            COptionUI* other = static_cast<COptionUI*>(c->GetInterface(L"Option"));
            if (other && other != this && other->IsSelected()) other->Selected(false);
        }
    }
    if (changed) {
        if (m_pManager) m_pManager->SendNotify(this, L"selectchanged");
        Invalidate();
    }
}

void COptionUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue)
{
    if (pstrName == NULL) return;
    if (pstrValue == NULL) pstrValue = L"";
    if (duiint::Marshal(this, pstrName, pstrValue)) return;
    if (wcscmp(pstrName, L"group") == 0) SetGroup(pstrValue);
    else if (wcscmp(pstrName, L"selected") == 0) Selected(duirender::ParseBool(pstrValue));
    else if (wcscmp(pstrName, L"selectedimage") == 0) SetSelectedImage(pstrValue);
    else CButtonUI::SetAttribute(pstrName, pstrValue);
}

void COptionUI::PaintStatusImage(HDC hDC)
{
    if (m_bSelected && !m_sSelectedImage.IsEmpty() && DrawImage(hDC, m_sSelectedImage)) return;
    CButtonUI::PaintStatusImage(hDC);
}
