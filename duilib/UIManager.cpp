// CPaintManagerUI: binds a control tree to its window. Lays the tree out on
// WM_SIZE and before painting, paints it double-buffered, routes mouse and
// keyboard input to the controls, sends their notifications to the
// registered notifiers, keeps the layout's window geometry (caption band,
// size box, round corner: the window's own message handling does the hit
// test and the window region from them; the manager does neither), fonts
// (made at the window's DPI) and the decoded pictures with their copies
// resized for that DPI (owned here, released with the manager), lays
// everything out again when that DPI changes (WM_DPICHANGED, ChangeDpi),
// and runs
// changes queued by other threads when its window dispatches the private
// wake-up message. Process-wide settings live in UIResource.
#include "UIInternal.h"
#include "UIRender.h"
#include "UIResource.h"
#include "system_dll.h"

#include <commctrl.h>
#include <windowsx.h>

#include <wctype.h>

#include <algorithm>
#include <map>
#include <string>

namespace {

CRITICAL_SECTION* TextCs()
{
    static struct Holder {
        CRITICAL_SECTION cs;
        Holder() { InitializeCriticalSection(&cs); }
        ~Holder() { DeleteCriticalSection(&cs); }
    } holder;
    return &holder.cs;
}

struct Task {
    CPaintManagerUI::PFNUITASK fn;
    CControlUI* control;
    CStdString name;
    CStdString value;
};

void ApplyAttributeTask(CControlUI* control, LPCTSTR name, LPCTSTR value)
{
    if (control) control->SetAttribute(name, value);
}

// Faces tried, in order, when a layout's font has no Chinese glyphs.
const wchar_t* const kCjkFaces[] = {L"Microsoft YaHei", L"SimSun", L"WenQuanYi Micro Hei", L"SimHei", L"NSimSun"};
const wchar_t kCjkProbe[] = L"\x4E2D\x6587";  // two common Chinese characters

// A font as asked for, in layout units, so that it can be made again at
// another DPI.
struct FontDesc {
    std::wstring face;
    int size = 12;
    bool bold = false;
    bool underline = false;
    bool italic = false;
};

// Child windows of `parent` itself (not deeper), for EnumChildWindows.
BOOL CALLBACK CollectChild(HWND child, LPARAM data)
{
    auto* list = reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(data);
    if (GetParent(child) == list->first) list->second.push_back(child);
    return TRUE;
}

// Newer than XP's headers.
constexpr UINT kWmDpiChanged = 0x02E0;
constexpr UINT kWmDpiChangedAfterParent = 0x02E3;

HFONT MakeFont(LPCTSTR face, int size, UINT dpi, bool bold, bool underline, bool italic)
{
    LOGFONTW lf;
    ZeroMemory(&lf, sizeof(lf));
    lf.lfHeight = -CPaintManagerUI::ScaleByDpi(size > 0 ? size : 12, dpi);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = italic ? TRUE : FALSE;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(lf.lfFaceName, (face && *face) ? face : kCjkFaces[0], LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    if (font && duirender::FontHasGlyphs(font, kCjkProbe)) return font;
    for (const wchar_t* alt : kCjkFaces) {
        lstrcpynW(lf.lfFaceName, alt, LF_FACESIZE);
        HFONT f = CreateFontIndirectW(&lf);
        if (f && duirender::FontHasGlyphs(f, kCjkProbe)) {
            if (font) DeleteObject(font);
            return f;
        }
        if (f) DeleteObject(f);
    }
    return font;  // nothing better: keep the face asked for
}

CControlUI* CALLBACK FindByName(CControlUI* c, LPVOID data)
{
    return c->GetName() == static_cast<LPCTSTR>(data) ? c : NULL;
}

CControlUI* CALLBACK FindByPoint(CControlUI* c, LPVOID data)
{
    const POINT* pt = static_cast<const POINT*>(data);
    return ::PtInRect(&c->GetPos(), *pt) ? c : NULL;
}

} // namespace

// ---------------------------------------------------------------------------

namespace duiint {

UINT PrivateMessage()
{
    static UINT msg = RegisterWindowMessageW(L"DuiLibu.Private");
    return msg;
}

TextLock::TextLock() { EnterCriticalSection(TextCs()); }
TextLock::~TextLock() { LeaveCriticalSection(TextCs()); }

bool Marshal(CControlUI* control, LPCTSTR name, LPCTSTR value)
{
    CPaintManagerUI* pm = control ? control->GetManager() : NULL;
    if (pm == NULL || pm->IsUIThread()) return false;
    pm->RunOnUIThread(ApplyAttributeTask, control, name, value);
    return true;
}

} // namespace duiint

struct CPaintManagerUI::Impl {
    HWND hwnd = NULL;
    DWORD threadId = 0;
    CControlUI* root = NULL;
    CControlUI* focus = NULL;
    CControlUI* hover = NULL;
    CControlUI* click = NULL;
    std::vector<INotifyUI*> notifiers;
    std::map<std::wstring, std::vector<CControlUI*>> groups;
    SIZE initSize = {0, 0};
    UINT dpi = 0;        // 0: not known yet (96)
    bool dpiFixed = false;
    RECT sizeBox = {0, 0, 0, 0};
    RECT caption = {0, 0, 0, 0};
    SIZE round = {0, 0};
    SIZE minInfo = {0, 0};
    std::map<int, HFONT> fonts;
    HFONT defaultFont = NULL;
    std::map<int, FontDesc> fontDescs;
    std::vector<HFONT> retiredFonts;  // made for an earlier DPI
    FontDesc defaultDesc;  // the face empty: the library's default
    std::vector<std::pair<std::wstring, std::wstring>> windowLengths;  // as the layout wrote them
    DWORD fontColor = 0xFF000000;
    DWORD disabledColor = 0xFFA7A6AA;
    std::map<std::wstring, duirender::Image> images;
    bool updateNeeded = false;
    bool layoutPosted = false;
    bool destroying = false;
    bool showFocus = false;
    CControlUI* defaultButton = NULL;
    CControlUI* cancelButton = NULL;
    std::vector<std::pair<CControlUI*, std::wstring>> checks;  // and their groups
    DWORD focusColor = 0xFF000000;
    bool mouseTracking = false;
    POINT mouse = {0, 0};
    HWND tooltip = NULL;
    CControlUI* tipControl = NULL;
    CRITICAL_SECTION qcs;
    std::vector<Task> queue;
    bool wakePosted = false;
    void* accessible = NULL;  // the reader object (UIAccessible.cpp), one reference

    Impl() { InitializeCriticalSection(&qcs); }
    ~Impl() { DeleteCriticalSection(&qcs); }
};

std::vector<CControlUI*> PaintManagerAccess::OptionGroup(CPaintManagerUI* pm, LPCTSTR group)
{
    if (pm == NULL || group == NULL) return std::vector<CControlUI*>();
    auto it = pm->m_p->groups.find(group);
    return it == pm->m_p->groups.end() ? std::vector<CControlUI*>() : it->second;
}

bool PaintManagerAccess::ShowFocusCues(CPaintManagerUI* pm)
{
    if (pm == NULL || !pm->IsFocusMarkShown()) return false;
    HWND f = ::GetFocus();
    return f == pm->m_p->hwnd || (f && GetParent(f) == pm->m_p->hwnd);
}

std::vector<CControlUI*> PaintManagerAccess::CheckGroup(CPaintManagerUI* pm, CControlUI* member)
{
    std::vector<CControlUI*> out;
    if (pm == NULL) return out;
    std::wstring group;
    for (const auto& check : pm->m_p->checks)
        if (check.first == member) group = check.second;
    if (group.empty()) return out;
    for (const auto& check : pm->m_p->checks)
        if (check.second == group) out.push_back(check.first);
    return out;
}

void*& PaintManagerAccess::Accessible(CPaintManagerUI* pm) { return pm->m_p->accessible; }

void PaintManagerAccess::KeepWindowLength(CPaintManagerUI* pm, const std::wstring& name, const std::wstring& value)
{
    if (pm == NULL) return;
    for (auto& length : pm->m_p->windowLengths)
        if (length.first == name) {
            length.second = value;
            return;
        }
    pm->m_p->windowLengths.emplace_back(name, value);
}

void PaintManagerAccess::SetFocusCues(CPaintManagerUI* pm, bool show)
{
    if (pm) pm->m_p->showFocus = show;
}

// ---------------------------------------------------------------------------
// Process-wide.

void CPaintManagerUI::SetInstance(HINSTANCE hInst) { duires::SetInstance(hInst); }
HINSTANCE CPaintManagerUI::GetInstance() { return duires::Instance(); }

CStdString CPaintManagerUI::GetInstancePath()
{
    wchar_t path[MAX_PATH + 1] = {0};
    GetModuleFileNameW(GetInstance(), path, MAX_PATH);
    wchar_t* slash = wcsrchr(path, L'\\');
    if (slash) slash[1] = L'\0';
    return CStdString(path);
}

CStdString CPaintManagerUI::GetCurrentPath()
{
    wchar_t path[MAX_PATH + 1] = {0};
    GetCurrentDirectoryW(MAX_PATH, path);
    return CStdString(path);
}

void CPaintManagerUI::SetResourcePath(LPCTSTR pStrPath) { duires::SetResourcePath(pStrPath ? pStrPath : L""); }

const CStdString& CPaintManagerUI::GetResourcePath()
{
    static CStdString s;
    s = duires::ResourcePath().c_str();
    return s;
}

void CPaintManagerUI::SetResourceZip(LPCTSTR pstrZip) { duires::SetResourceZip(pstrZip ? pstrZip : L""); }

const CStdString& CPaintManagerUI::GetResourceZip()
{
    static CStdString s;
    s = duires::ResourceZip().c_str();
    return s;
}

bool CPaintManagerUI::LoadResourceData(LPCTSTR pstrName, BYTE** ppData, DWORD* pdwSize)
{
    if (ppData) *ppData = NULL;
    if (pdwSize) *pdwSize = 0;
    if (pstrName == NULL || ppData == NULL) return false;
    std::vector<BYTE> data;
    if (!duires::ReadResource(pstrName, &data)) return false;
    BYTE* p = static_cast<BYTE*>(malloc(data.size() + 2));
    if (p == NULL) return false;
    if (!data.empty()) memcpy(p, data.data(), data.size());
    p[data.size()] = 0;
    p[data.size() + 1] = 0;
    *ppData = p;
    if (pdwSize) *pdwSize = static_cast<DWORD>(data.size());
    return true;
}

void CPaintManagerUI::FreeResourceData(BYTE* pData) { free(pData); }

int CPaintManagerUI::MessageLoop()
{
    MSG msg;
    for (;;) {
        BOOL r = ::GetMessageW(&msg, NULL, 0, 0);
        if (r == 0) return static_cast<int>(msg.wParam);
        if (r == -1) return -1;
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

bool CPaintManagerUI::TranslateMessage(const LPMSG pMsg)
{
    // Keyboard handling happens in the windows themselves (MessageHandler
    // and the edit fields), so it also works under modal loops that never
    // come through here.
    (void)pMsg;
    return false;
}

// ---------------------------------------------------------------------------
// Per window.

CPaintManagerUI::CPaintManagerUI() : m_p(new Impl) {}

CPaintManagerUI::~CPaintManagerUI()
{
    duiint::UnregisterManager(this);
    duiint::AccDisconnect(this);
    m_p->destroying = true;
    if (m_p->tooltip) DestroyWindow(m_p->tooltip);
    delete m_p->root;
    m_p->root = NULL;
    for (auto& f : m_p->fonts) DeleteObject(f.second);
    if (m_p->defaultFont) DeleteObject(m_p->defaultFont);
    for (HFONT f : m_p->retiredFonts) DeleteObject(f);
    for (auto& i : m_p->images)
        if (i.second.hbm) DeleteObject(i.second.hbm);
    delete m_p;
}

void CPaintManagerUI::Init(HWND hWnd)
{
    m_p->hwnd = hWnd;
    m_p->threadId = hWnd ? GetWindowThreadProcessId(hWnd, NULL) : 0;
    if (!m_p->dpiFixed) m_p->dpi = hWnd ? DpiOfWindow(hWnd) : 0;
    if (hWnd) duiint::RegisterManager(this);
    else duiint::UnregisterManager(this);
}

void CPaintManagerUI::SetDefaultButton(CControlUI* pControl) { m_p->defaultButton = pControl; }
CControlUI* CPaintManagerUI::GetDefaultButton() const { return m_p->defaultButton; }
void CPaintManagerUI::SetCancelButton(CControlUI* pControl) { m_p->cancelButton = pControl; }
CControlUI* CPaintManagerUI::GetCancelButton() const { return m_p->cancelButton; }
void CPaintManagerUI::AddCheckButton(CControlUI* pControl, LPCTSTR pstrGroup)
{
    if (pControl && !IsCheckButton(pControl)) m_p->checks.emplace_back(pControl, pstrGroup ? pstrGroup : L"");
}
bool CPaintManagerUI::IsCheckButton(CControlUI* pControl) const
{
    if (pControl && pControl->GetInterface(L"Option")) return true;
    for (const auto& check : m_p->checks)
        if (pControl && check.first == pControl) return true;
    return false;
}
void CPaintManagerUI::SetFocusColor(DWORD dwColor) { m_p->focusColor = dwColor; }
DWORD CPaintManagerUI::GetFocusColor() const { return m_p->focusColor; }
bool CPaintManagerUI::IsFocusMarkShown() const
{
    // Once per tree: a page made after the keyboard was used shows it too.
    if (m_p->showFocus) return true;
    CPaintManagerUI* top = m_p->hwnd ? duiint::ManagerOf(GetAncestor(m_p->hwnd, GA_ROOT)) : NULL;
    return top && top != this && top->m_p->showFocus;
}

HWND CPaintManagerUI::GetPaintWindow() const { return m_p->hwnd; }
HDC CPaintManagerUI::GetPaintDC() const { return NULL; }
POINT CPaintManagerUI::GetMousePos() const { return m_p->mouse; }

SIZE CPaintManagerUI::GetClientSize() const
{
    RECT rc = {0, 0, 0, 0};
    if (m_p->hwnd) GetClientRect(m_p->hwnd, &rc);
    SIZE sz = {rc.right - rc.left, rc.bottom - rc.top};
    return sz;
}

UINT CPaintManagerUI::GetDpi() const { return m_p->dpi ? m_p->dpi : kLayoutDpi; }
void CPaintManagerUI::SetDpi(UINT dpi)
{
    m_p->dpi = dpi;
    m_p->dpiFixed = dpi != 0;
}

void CPaintManagerUI::ChangeDpi(UINT dpi)
{
    if (dpi == 0 || dpi == GetDpi()) return;
    m_p->dpi = dpi;
    for (const auto& length : m_p->windowLengths) duiint::ApplyWindowLength(this, length.first, length.second);
    // The fonts anew; the old ones stay until the manager goes, since an
    // edit field holds its font until it is laid out again (not while the
    // window is minimised).
    std::vector<HFONT>& old = m_p->retiredFonts;
    for (auto& font : m_p->fonts) {
        const FontDesc& desc = m_p->fontDescs[font.first];
        HFONT f = MakeFont(desc.face.c_str(), desc.size, dpi, desc.bold, desc.underline, desc.italic);
        if (f == NULL) continue;
        old.push_back(font.second);
        font.second = f;
    }
    if (m_p->defaultFont) {
        old.push_back(m_p->defaultFont);
        const FontDesc& desc = m_p->defaultDesc;
        m_p->defaultFont = MakeFont(desc.face.empty() ? kCjkFaces[0] : desc.face.c_str(), desc.size, dpi, desc.bold,
                                    desc.underline, desc.italic);
    }
    // The resized copies of the pictures (their keys hold '|') are made
    // again at the new size when next drawn.
    for (auto it = m_p->images.begin(); it != m_p->images.end();) {
        if (it->first.find(L'|') == std::wstring::npos) {
            ++it;
            continue;
        }
        if (it->second.hbm) DeleteObject(it->second.hbm);
        it = m_p->images.erase(it);
    }
    // Every control's layout lengths, parents first (no recursion: trees may
    // be deep).
    std::vector<CControlUI*> pending;
    if (m_p->root) pending.push_back(m_p->root);
    while (!pending.empty()) {
        CControlUI* c = pending.back();
        pending.pop_back();
        c->ApplyLayoutLengths();
        CContainerUI* box = static_cast<CContainerUI*>(c->GetInterface(L"Container"));
        for (int i = 0; box && i < box->GetCount(); ++i) pending.push_back(box->GetItemAt(i));
    }
    m_p->updateNeeded = true;
    UpdateLayout();
    if (m_p->hwnd) {
        InvalidateRect(m_p->hwnd, NULL, FALSE);
        // Child windows with managers of their own (pages) follow, as they
        // do on Windows before 10 1703, which tells top-level windows only;
        // where Windows tells them too, the second time changes nothing.
        std::pair<HWND, std::vector<HWND>> children(m_p->hwnd, std::vector<HWND>());
        EnumChildWindows(m_p->hwnd, CollectChild, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children.second)
            if (duiint::ManagerOf(child)) ::SendMessageW(child, kWmDpiChangedAfterParent, 0, 0);
    }
    if (m_p->root) SendNotify(m_p->root, L"dpichanged");
}

SIZE CPaintManagerUI::GetInitSize() { return m_p->initSize; }
void CPaintManagerUI::SetInitSize(int cx, int cy)
{
    m_p->initSize.cx = cx;
    m_p->initSize.cy = cy;
}
RECT& CPaintManagerUI::GetSizeBox() { return m_p->sizeBox; }
void CPaintManagerUI::SetSizeBox(RECT& rcSizeBox) { m_p->sizeBox = rcSizeBox; }
RECT& CPaintManagerUI::GetCaptionRect() { return m_p->caption; }
void CPaintManagerUI::SetCaptionRect(RECT& rcCaption) { m_p->caption = rcCaption; }
SIZE CPaintManagerUI::GetRoundCorner() const { return m_p->round; }
void CPaintManagerUI::SetRoundCorner(int cx, int cy)
{
    m_p->round.cx = cx;
    m_p->round.cy = cy;
}
SIZE CPaintManagerUI::GetMinInfo() const { return m_p->minInfo; }
void CPaintManagerUI::SetMinInfo(int cx, int cy)
{
    m_p->minInfo.cx = cx;
    m_p->minInfo.cy = cy;
}

HFONT CPaintManagerUI::GetFont(int index)
{
    auto it = m_p->fonts.find(index);
    return it != m_p->fonts.end() ? it->second : GetDefaultFont();
}

HFONT CPaintManagerUI::GetDefaultFont()
{
    if (m_p->defaultFont == NULL) m_p->defaultFont = MakeFont(kCjkFaces[0], 12, GetDpi(), false, false, false);
    return m_p->defaultFont;
}

void CPaintManagerUI::SetDefaultFont(LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic)
{
    HFONT f = MakeFont(pStrFontName, nSize, GetDpi(), bBold, bUnderline, bItalic);
    if (f == NULL) return;
    if (m_p->defaultFont) DeleteObject(m_p->defaultFont);
    m_p->defaultFont = f;
    m_p->defaultDesc = {pStrFontName ? pStrFontName : L"", nSize, bBold, bUnderline, bItalic};
}

HFONT CPaintManagerUI::AddFont(LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic)
{
    int index = m_p->fonts.empty() ? 0 : m_p->fonts.rbegin()->first + 1;
    if (!AddFontAt(index, pStrFontName, nSize, bBold, bUnderline, bItalic)) return NULL;
    return m_p->fonts[index];
}

bool CPaintManagerUI::AddFontAt(int index, LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic)
{
    HFONT f = MakeFont(pStrFontName, nSize, GetDpi(), bBold, bUnderline, bItalic);
    if (f == NULL) return false;
    auto it = m_p->fonts.find(index);
    if (it != m_p->fonts.end()) DeleteObject(it->second);
    m_p->fonts[index] = f;
    m_p->fontDescs[index] = {pStrFontName ? pStrFontName : L"", nSize, bBold, bUnderline, bItalic};
    return true;
}

DWORD CPaintManagerUI::GetDefaultFontColor() const { return m_p->fontColor; }
void CPaintManagerUI::SetDefaultFontColor(DWORD dwColor) { m_p->fontColor = dwColor; }
DWORD CPaintManagerUI::GetDefaultDisabledColor() const { return m_p->disabledColor; }
void CPaintManagerUI::SetDefaultDisabledColor(DWORD dwColor) { m_p->disabledColor = dwColor; }

bool CPaintManagerUI::AttachDialog(CControlUI* pControl)
{
    if (pControl == NULL) return false;
    if (m_p->root && m_p->root != pControl) {
        CControlUI* old = m_p->root;
        m_p->root = NULL;
        delete old;
    }
    m_p->focus = m_p->hover = m_p->click = m_p->tipControl = NULL;
    m_p->root = pControl;
    InitControls(pControl, NULL);
    if (m_p->hwnd && m_p->initSize.cx > 0 && m_p->initSize.cy > 0)
        SetWindowPos(m_p->hwnd, NULL, 0, 0, m_p->initSize.cx, m_p->initSize.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    m_p->updateNeeded = true;
    UpdateLayout();
    if (m_p->hwnd) {
        ::PostMessageW(m_p->hwnd, duiint::PrivateMessage(), duiint::PrivateWindowInit, 0);
        InvalidateRect(m_p->hwnd, NULL, FALSE);
    }
    return true;
}

CControlUI* CPaintManagerUI::GetRoot() const { return m_p->root; }

bool CPaintManagerUI::InitControls(CControlUI* pControl, CControlUI* pParent)
{
    if (pControl == NULL) return false;
    pControl->SetManager(this, pParent ? pParent : pControl->GetParent(), true);
    return true;
}

void CPaintManagerUI::ReapObjects(CControlUI* pControl)
{
    if (pControl == NULL || m_p->destroying) return;
    if (m_p->focus == pControl) m_p->focus = NULL;
    if (m_p->defaultButton == pControl) m_p->defaultButton = NULL;
    if (m_p->cancelButton == pControl) m_p->cancelButton = NULL;
    m_p->checks.erase(std::remove_if(m_p->checks.begin(), m_p->checks.end(),
                                     [pControl](const auto& check) { return check.first == pControl; }),
                      m_p->checks.end());
    if (m_p->hover == pControl) m_p->hover = NULL;
    if (m_p->click == pControl) m_p->click = NULL;
    if (m_p->tipControl == pControl) m_p->tipControl = NULL;
    for (auto& g : m_p->groups) g.second.erase(std::remove(g.second.begin(), g.second.end(), pControl), g.second.end());
    EnterCriticalSection(&m_p->qcs);
    m_p->queue.erase(std::remove_if(m_p->queue.begin(), m_p->queue.end(),
                                    [pControl](const Task& t) { return t.control == pControl; }),
                     m_p->queue.end());
    LeaveCriticalSection(&m_p->qcs);
}

bool CPaintManagerUI::AddNotifier(INotifyUI* pNotifier)
{
    if (pNotifier == NULL) return false;
    if (std::find(m_p->notifiers.begin(), m_p->notifiers.end(), pNotifier) != m_p->notifiers.end()) return false;
    m_p->notifiers.push_back(pNotifier);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* pNotifier)
{
    auto it = std::find(m_p->notifiers.begin(), m_p->notifiers.end(), pNotifier);
    if (it == m_p->notifiers.end()) return false;
    m_p->notifiers.erase(it);
    return true;
}

void CPaintManagerUI::SendNotify(TNotifyUI& Msg)
{
    // A copy: a notifier may remove itself (or others) while notified.
    std::vector<INotifyUI*> targets = m_p->notifiers;
    for (INotifyUI* n : targets)
        if (std::find(m_p->notifiers.begin(), m_p->notifiers.end(), n) != m_p->notifiers.end()) n->Notify(Msg);
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam, LPARAM lParam)
{
    TNotifyUI msg;
    msg.sType = pstrMessage;
    msg.pSender = pControl;
    msg.dwTimestamp = GetTickCount();
    msg.ptMouse = m_p->mouse;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg);
}

bool CPaintManagerUI::AddOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl)
{
    if (pStrGroupName == NULL || *pStrGroupName == L'\0' || pControl == NULL) return false;
    auto& list = m_p->groups[pStrGroupName];
    if (std::find(list.begin(), list.end(), pControl) == list.end()) list.push_back(pControl);
    return true;
}

void CPaintManagerUI::RemoveOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl)
{
    if (pStrGroupName == NULL) return;
    auto it = m_p->groups.find(pStrGroupName);
    if (it == m_p->groups.end()) return;
    it->second.erase(std::remove(it->second.begin(), it->second.end(), pControl), it->second.end());
    if (it->second.empty()) m_p->groups.erase(it);
}

void CPaintManagerUI::RemoveAllOptionGroups() { m_p->groups.clear(); }

CControlUI* CPaintManagerUI::FindControl(LPCTSTR pstrName) const
{
    if (m_p->root == NULL || pstrName == NULL) return NULL;
    return m_p->root->FindControl(FindByName, const_cast<LPTSTR>(pstrName), UIFIND_ALL);
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const
{
    if (m_p->root == NULL) return NULL;
    return m_p->root->FindControl(FindByPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::GetFocus() const { return m_p->focus; }

void CPaintManagerUI::SetFocus(CControlUI* pControl)
{
    if (pControl == m_p->focus) return;
    // One focus per window tree: the other windows' controls let go.
    if (pControl && m_p->hwnd) {
        HWND top = GetAncestor(m_p->hwnd, GA_ROOT);
        CControlUI* elsewhere = GetKeyboardFocus(m_p->hwnd);
        CPaintManagerUI* other = elsewhere ? elsewhere->GetManager() : NULL;
        if (other && other != this && GetAncestor(other->GetPaintWindow(), GA_ROOT) == top) other->SetFocus(NULL);
    }
    CControlUI* old = m_p->focus;
    m_p->focus = pControl;
    if (old) {
        TEventUI e = {};
        e.Type = UIEVENT_KILLFOCUS;
        e.pSender = pControl;
        e.dwTimestamp = GetTickCount();
        old->Event(e);
        SendNotify(old, L"killfocus");
    }
    if (pControl && m_p->focus == pControl) {
        TEventUI e = {};
        e.Type = UIEVENT_SETFOCUS;
        e.pSender = old;
        e.dwTimestamp = GetTickCount();
        pControl->Event(e);
        // Fields with a native window take the keyboard focus themselves;
        // for the others the manager's window holds it.
        CEditUI* edit = static_cast<CEditUI*>(pControl->GetInterface(L"Edit"));
        if ((edit == NULL || edit->GetNativeWindow() == NULL) && m_p->hwnd && ::GetFocus() != m_p->hwnd)
            ::SetFocus(m_p->hwnd);
        SendNotify(pControl, L"setfocus");
        // A field's native window has the keyboard now, and the system tells
        // readers so for that window, which answers as the field: one event,
        // not two.
        if (edit == NULL || edit->GetNativeWindow() == NULL) duiint::AccNotify(pControl, EVENT_OBJECT_FOCUS);
    }
    // The mark may lie around a small control: the whole window repaints.
    if (m_p->hwnd && IsFocusMarkShown()) InvalidateRect(m_p->hwnd, NULL, FALSE);
}

void CPaintManagerUI::Invalidate(RECT& rcItem)
{
    if (m_p->hwnd) InvalidateRect(m_p->hwnd, &rcItem, FALSE);
}

void CPaintManagerUI::NeedUpdate()
{
    m_p->updateNeeded = true;
    if (m_p->hwnd == NULL) return;
    if (!m_p->layoutPosted) {
        m_p->layoutPosted = true;
        ::PostMessageW(m_p->hwnd, duiint::PrivateMessage(), duiint::PrivateLayout, 0);
    }
    InvalidateRect(m_p->hwnd, NULL, FALSE);
}

bool CPaintManagerUI::IsUpdateNeeded() const { return m_p->updateNeeded; }

void CPaintManagerUI::UpdateLayout()
{
    if (!m_p->updateNeeded || m_p->root == NULL || m_p->hwnd == NULL) return;
    RECT rc;
    GetClientRect(m_p->hwnd, &rc);
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;  // minimised
    m_p->updateNeeded = false;
    m_p->root->SetPos(rc);
}

void CPaintManagerUI::RenderTo(HDC hDC)
{
    if (hDC == NULL) return;
    UpdateLayout();
    if (m_p->root == NULL || m_p->hwnd == NULL) return;
    RECT rc;
    GetClientRect(m_p->hwnd, &rc);
    int saved = SaveDC(hDC);
    m_p->root->DoPaint(hDC, rc);
    RestoreDC(hDC, saved);
}

HBITMAP CPaintManagerUI::GetImage(LPCTSTR bitmap, SIZE* pSize)
{
    if (pSize) pSize->cx = pSize->cy = 0;
    if (bitmap == NULL || *bitmap == L'\0') return NULL;
    std::wstring key = bitmap;
    auto it = m_p->images.find(key);
    if (it == m_p->images.end()) {
        duirender::Image img;
        std::vector<BYTE> data;
        if (duires::ReadResource(key, &data)) duirender::DecodeImage(data, &img);
        // A missing picture is remembered too, so it is not looked up at
        // every paint.
        it = m_p->images.emplace(key, img).first;
    }
    if (pSize) {
        pSize->cx = it->second.width;
        pSize->cy = it->second.height;
    }
    return it->second.hbm;
}

bool CPaintManagerUI::DrawImageString(HDC hDC, const RECT& rcItem, const RECT& rcPaint, LPCTSTR pStrImage)
{
    (void)rcPaint;
    duirender::ImageSpec image;
    if (!duirender::ParseImageString(pStrImage, &image)) return false;
    SIZE sz;
    HBITMAP hbm = GetImage(image.file.c_str(), &sz);
    if (hbm == NULL) return false;
    duirender::Image img;
    img.hbm = hbm;
    img.width = sz.cx;
    img.height = sz.cy;
    RECT source = image.source, corner = image.corner;
    if (GetDpi() != kLayoutDpi) {
        // Above 96 DPI the part drawn is resized once to its scaled size with
        // a smoothing filter, and then drawn pixel for pixel. It is resized
        // from the nearer of the picture and its 2x copy ("name@2x.ext" or
        // "name@2x.png", exactly twice the size) where the skin has one: the
        // copy from 144 DPI on. A nine-grid's cells are resized each on its
        // own, its corners to their scaled size (from the 2x copy, its
        // corners at twice their size: at 192 DPI its very pixels).
        if (source.left == 0 && source.top == 0 && source.right == 0 && source.bottom == 0) source = {0, 0, sz.cx, sz.cy};
        source.right = source.right < sz.cx ? source.right : sz.cx;
        source.bottom = source.bottom < sz.cy ? source.bottom : sz.cy;
        if (source.right <= source.left || source.bottom <= source.top) return false;
        const int width = Scale(source.right - source.left), height = Scale(source.bottom - source.top);
        const RECT cornerTo = {Scale(corner.left), Scale(corner.top), Scale(corner.right), Scale(corner.bottom)};
        // "file|l,t,r,b|w,h|l,t,r,b|" (without the C library's printf engine).
        std::wstring scaledKey = image.file;
        const int numbers[] = {static_cast<int>(source.left), static_cast<int>(source.top),
                               static_cast<int>(source.right), static_cast<int>(source.bottom), width, height,
                               static_cast<int>(corner.left), static_cast<int>(corner.top),
                               static_cast<int>(corner.right), static_cast<int>(corner.bottom)};
        for (int i = 0; i < 10; ++i) {
            scaledKey += (i == 0 || i == 4 || i == 6) ? L'|' : L',';
            duiint::AppendInt(&scaledKey, numbers[i]);
        }
        scaledKey += L'|';
        auto it = m_p->images.find(scaledKey);
        if (it == m_p->images.end()) {
            SIZE szTwice = {0, 0};
            HBITMAP hbmTwice = NULL;
            if (2 * GetDpi() >= 3 * kLayoutDpi) {
                // "name@2x.ext", else "name@2x.png": a JPEG's text and lines
                // keep better in a lossless copy.
                std::wstring stem = image.file;
                const size_t dot = stem.rfind(L'.');
                const std::wstring ext = dot == std::wstring::npos ? L"" : stem.substr(dot);
                stem = stem.substr(0, dot) + L"@2x";
                hbmTwice = GetImage((stem + ext).c_str(), &szTwice);
                if (hbmTwice == NULL && ext != L".png") hbmTwice = GetImage((stem + L".png").c_str(), &szTwice);
            }
            duirender::Image scaled;
            if (hbmTwice && szTwice.cx == 2 * sz.cx && szTwice.cy == 2 * sz.cy) {
                const duirender::Image big = {hbmTwice, szTwice.cx, szTwice.cy};
                const RECT part = {2 * source.left, 2 * source.top, 2 * source.right, 2 * source.bottom};
                const RECT bigCorner = {2 * corner.left, 2 * corner.top, 2 * corner.right, 2 * corner.bottom};
                duirender::ScaleImage(big, part, width, height, &scaled, bigCorner, cornerTo);
            } else {
                duirender::ScaleImage(img, source, width, height, &scaled, corner, cornerTo);
            }
            it = m_p->images.emplace(scaledKey, scaled).first;
        }
        if (it->second.hbm == NULL) return false;
        img = it->second;
        source = {0, 0, width, height};
        corner = cornerTo;
    }
    RECT dest = rcItem;
    if (image.hasDest) {
        // The destination is in layout units, as the layout wrote it.
        dest.left = rcItem.left + Scale(image.dest.left);
        dest.top = rcItem.top + Scale(image.dest.top);
        dest.right = rcItem.left + Scale(image.dest.right);
        dest.bottom = rcItem.top + Scale(image.dest.bottom);
    }
    duirender::DrawImage(hDC, img, dest, source, corner, image.fade);
    return true;
}

void CPaintManagerUI::RunOnUIThread(PFNUITASK fn, CControlUI* pControl, LPCTSTR pstrName, LPCTSTR pstrValue)
{
    if (fn == NULL) return;
    if (IsUIThread() || m_p->hwnd == NULL) {
        fn(pControl, pstrName, pstrValue);
        return;
    }
    Task t;
    t.fn = fn;
    t.control = pControl;
    t.name = pstrName;
    t.value = pstrValue;
    bool post;
    EnterCriticalSection(&m_p->qcs);
    m_p->queue.push_back(t);
    post = !m_p->wakePosted;
    m_p->wakePosted = true;
    HWND hwnd = m_p->hwnd;
    LeaveCriticalSection(&m_p->qcs);
    // PostMessage never waits for the window's thread.
    if (post) ::PostMessageW(hwnd, duiint::PrivateMessage(), duiint::PrivateRunQueue, 0);
}

bool CPaintManagerUI::IsUIThread() const
{
    return m_p->threadId == 0 || m_p->threadId == GetCurrentThreadId();
}

// ---------------------------------------------------------------------------
// Messages.

namespace {

void SendEvent(CControlUI* c, int type, POINT pt, WPARAM wParam = 0, LPARAM lParam = 0, TCHAR key = 0)
{
    if (c == NULL) return;
    TEventUI e = {};
    e.Type = type;
    e.pSender = c;
    e.dwTimestamp = GetTickCount();
    e.ptMouse = pt;
    e.chKey = key;
    e.wKeyState = static_cast<WORD>(wParam);
    e.wParam = wParam;
    e.lParam = lParam;
    c->Event(e);
}

} // namespace

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes)
{
    Impl* p = m_p;
    if (p->hwnd == NULL) return false;

    if (uMsg == duiint::PrivateMessage()) {
        lRes = 0;
        if (wParam == duiint::PrivateRunQueue) {
            std::vector<Task> tasks;
            EnterCriticalSection(&p->qcs);
            tasks.swap(p->queue);
            p->wakePosted = false;
            LeaveCriticalSection(&p->qcs);
            for (Task& t : tasks) t.fn(t.control, t.name, t.value);
            UpdateLayout();
        } else if (wParam == duiint::PrivateLayout) {
            p->layoutPosted = false;
            UpdateLayout();
        } else if (wParam == duiint::PrivateWindowInit) {
            UpdateLayout();
            if (p->root) SendNotify(p->root, L"windowinit");
        } else if (wParam == duiint::PrivateAccAction) {
            duiint::AccRunDefaultAction(this, static_cast<int>(lParam));
        } else if (wParam == duiint::PrivateAccFocus) {
            duiint::AccRunFocus(this, static_cast<int>(lParam));
        }
        return true;
    }

    // Tooltips see the mouse through relayed messages.
    if (p->tooltip && uMsg > WM_MOUSEMOVE && uMsg <= WM_MBUTTONDBLCLK) {
        MSG m = {p->hwnd, uMsg, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {0, 0}};
        ::SendMessageW(p->tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
    }

    switch (uMsg) {
    case WM_ERASEBKGND:
        lRes = 1;
        return true;

    case WM_PAINT: {
        UpdateLayout();
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(p->hwnd, &ps);
        RECT rc = ps.rcPaint;
        int w = rc.right - rc.left, h = rc.bottom - rc.top;
        if (hdc && w > 0 && h > 0) {
            // Everything is drawn into a bitmap first, then copied at once.
            HDC mem = CreateCompatibleDC(hdc);
            HBITMAP bmp = CreateCompatibleBitmap(hdc, w, h);
            if (mem && bmp) {
                HGDIOBJ old = SelectObject(mem, bmp);
                SetWindowOrgEx(mem, rc.left, rc.top, NULL);
                FillRect(mem, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
                if (p->root) p->root->DoPaint(mem, rc);
                SetWindowOrgEx(mem, 0, 0, NULL);
                BitBlt(hdc, rc.left, rc.top, w, h, mem, 0, 0, SRCCOPY);
                SelectObject(mem, old);
            }
            if (bmp) DeleteObject(bmp);
            if (mem) DeleteDC(mem);
        }
        EndPaint(p->hwnd, &ps);
        lRes = 0;
        return true;
    }

    case WM_PRINTCLIENT: {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        RECT rc;
        GetClientRect(p->hwnd, &rc);
        FillRect(hdc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        RenderTo(hdc);
        lRes = 0;
        return true;
    }

    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED && p->root) {
            p->updateNeeded = true;
            UpdateLayout();
            InvalidateRect(p->hwnd, NULL, FALSE);
        }
        return false;

    case WM_MOUSEMOVE: {
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        p->mouse = pt;
        if (!p->mouseTracking) {
            TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, p->hwnd, 0};
            if (TrackMouseEvent(&tme)) p->mouseTracking = true;
        }
        CControlUI* now = FindControl(pt);
        if (now && !now->IsMouseEnabled()) now = NULL;
        if (now != p->hover) {
            CControlUI* old = p->hover;
            p->hover = now;
            if (old) SendEvent(old, UIEVENT_MOUSELEAVE, pt, wParam, lParam);
            if (now) SendEvent(now, UIEVENT_MOUSEENTER, pt, wParam, lParam);
            // The tooltip follows the control under the mouse.
            if (p->tooltip == NULL && now && !now->GetToolTip().IsEmpty()) {
                // The common controls are no KnownDLL: from the system folder only.
                using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
                static const InitFn init = SystemFunction<InitFn>(L"comctl32.dll", "InitCommonControlsEx");
                INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
                if (init) init(&icc);
                p->tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, NULL, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, p->hwnd, NULL,
                                             GetInstance(), NULL);
            }
            if (p->tooltip) {
                TOOLINFOW ti;
                ZeroMemory(&ti, sizeof(ti));
                ti.cbSize = TTTOOLINFOW_V2_SIZE;
                ti.hwnd = p->hwnd;
                ti.uId = 1;
                ::SendMessageW(p->tooltip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&ti));
                p->tipControl = NULL;
                if (now && !now->GetToolTip().IsEmpty()) {
                    static CStdString tipText;
                    tipText = now->GetToolTip();
                    ti.uFlags = 0;
                    ti.rect = now->GetPos();
                    ti.hinst = GetInstance();
                    ti.lpszText = const_cast<LPWSTR>(tipText.GetData());
                    ::SendMessageW(p->tooltip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti));
                    p->tipControl = now;
                }
            }
        }
        // Relayed after the tool follows the control, so the very first
        // move over it already counts.
        if (p->tooltip) {
            MSG m = {p->hwnd, uMsg, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {0, 0}};
            ::SendMessageW(p->tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
        }
        if (p->click) SendEvent(p->click, UIEVENT_MOUSEMOVE, pt, wParam, lParam);
        else if (p->hover) SendEvent(p->hover, UIEVENT_MOUSEMOVE, pt, wParam, lParam);
        lRes = 0;
        return true;
    }

    case WM_MOUSELEAVE: {
        p->mouseTracking = false;
        if (p->hover && p->click == NULL) {
            CControlUI* old = p->hover;
            p->hover = NULL;
            SendEvent(old, UIEVENT_MOUSELEAVE, p->mouse);
        }
        return false;
    }

    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        p->mouse = pt;
        if (::GetFocus() != p->hwnd) ::SetFocus(p->hwnd);
        CControlUI* c = FindControl(pt);
        if (c == NULL || !c->IsMouseEnabled()) return false;
        p->click = c;
        SetCapture(p->hwnd);
        if (c->IsEnabled() && (c->GetControlFlags() & UIFLAG_TABSTOP)) SetFocus(c);
        if (p->click == c)
            SendEvent(c, uMsg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, pt, wParam, lParam);
        lRes = 0;
        return true;
    }

    case WM_LBUTTONUP: {
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        p->mouse = pt;
        CControlUI* c = p->click;
        if (c == NULL) return false;
        p->click = NULL;
        if (GetCapture() == p->hwnd) ReleaseCapture();
        SendEvent(c, UIEVENT_BUTTONUP, pt, wParam, lParam);
        lRes = 0;
        return true;
    }

    case WM_CAPTURECHANGED:
        if (p->click && reinterpret_cast<HWND>(lParam) != p->hwnd) {
            // Capture taken away mid-press: release without a click.
            CControlUI* c = p->click;
            p->click = NULL;
            POINT away = {-30000, -30000};
            SendEvent(c, UIEVENT_BUTTONUP, away);
        }
        return false;

    case WM_KEYDOWN:
        if (duiint::KeyDown(this, wParam, false)) {
            lRes = 0;
            return true;
        }
        return false;

    case WM_CHAR:
        // As in the system's dialogs, a shortcut letter works without Alt
        // too while no field holds the keyboard (a field takes its own).
        if (wParam <= L' ') return false;
        [[fallthrough]];
    case WM_SYSCHAR:
        if (duiint::SysChar(this, wParam)) {
            lRes = 0;
            return true;
        }
        return false;

    case WM_SHOWWINDOW:
        if (!wParam) duiint::WindowHiding(this);
        return false;

    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The focus mark shows only while the window holds the keyboard.
        if (p->focus && IsFocusMarkShown()) InvalidateRect(p->hwnd, NULL, FALSE);
        return false;

    case WM_COMMAND:
        if (lParam && duiint::EditCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam))) {
            lRes = 0;
            return true;
        }
        return false;

    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        HBRUSH br = duiint::EditColor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
        if (br == NULL) return false;
        lRes = reinterpret_cast<LRESULT>(br);
        return true;
    }

    case WM_GETOBJECT:
        return duiint::AccGetObject(this, wParam, lParam, lRes);

    case kWmDpiChanged: {
        // Everything at the new DPI first, so that the resize that follows
        // lays out, shapes and paints with it.
        ChangeDpi(HIWORD(wParam));
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        if (suggested)
            SetWindowPos(p->hwnd, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        lRes = 0;
        return true;
    }

    case kWmDpiChangedAfterParent: {
        // A child window is drawn at its parent's DPI.
        HWND parent = GetParent(p->hwnd);
        CPaintManagerUI* above = parent ? duiint::ManagerOf(parent) : NULL;
        ChangeDpi(above ? above->GetDpi() : DpiOfWindow(p->hwnd));
        lRes = 0;
        return true;
    }

    case WM_DESTROY:
        duiint::UnregisterManager(this);
        duiint::AccDisconnect(this);
        if (p->tooltip) {
            DestroyWindow(p->tooltip);
            p->tooltip = NULL;
        }
        return false;

    default:
        return false;
    }
}
