#include "wizard_window.h"

#include "product.h"
#include "session_end.h"

namespace {

// Monitor functions exist from Windows 98/2000 on; all supported systems have them.
RECT WorkArea(HWND hwnd)
{
    RECT work = {};
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &info))
        work = info.rcWork;
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// The keys of every wizard window: Enter presses the first of these buttons
// the layout has (the one that moves forward), Escape "cancelbtn", which
// asks the quit question (or cancels the running work) as its click does.
constexpr const wchar_t* kDefaultButtons[] = {L"nextbtn", L"finishbtn"};
constexpr const wchar_t* kCancelButton = L"cancelbtn";
// The plain buttons that the pages use as check boxes and options: Enter on
// them presses the default button too, Space toggles or chooses them, and
// the arrows move between the options of one choice (a group's name).
constexpr struct {
    const wchar_t* name;
    const wchar_t* group;
} kCheckButtons[] = {
    {L"licensebtn", nullptr},    {L"anyonebtn", L"users"},      {L"onlymebtn", L"users"},
    {L"desktopscbtn", nullptr},  {L"startmenuscbtn", nullptr},  {L"runnowbtn", nullptr},
    {L"fixbtn", L"maintenance"}, {L"uninstallbtn", L"maintenance"},
};

} // namespace

bool CWizardWnd::AskQuit()
{
    if (MessageBoxW(m_hWnd, kMsgQuitQuestion, kCaptionNotice, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    Quit();
    return true;
}

void CWizardWnd::Quit()
{
    ::ShowWindow(m_hWnd, SW_HIDE);
    PostQuitMessage(0);
}

CControlUI* CWizardWnd::OnClick(LPCTSTR name, std::function<void()> action)
{
    CControlUI* control = Control(name);
    if (control)
        m_clicks.emplace_back(control, std::move(action));
    return control;
}

HWND CWizardWnd::CreatePage(CWizardWnd& frame, LPCTSTR name, DWORD style, RECT place)
{
    m_isPage = true;
    m_place = place;
    const CPaintManagerUI& pm = frame.PaintManager();
    return Create(frame.GetHWND(), name, style, 0, pm.Scale(place.left), pm.Scale(place.top), pm.Scale(place.right),
                  pm.Scale(place.bottom));
}

void CWizardWnd::PlacePage()
{
    // The page follows its frame's DPI (the window library's), so its own
    // scale is the frame's.
    const SIZE layout = m_pm.GetInitSize();
    const int cx = layout.cx > 0 ? layout.cx : m_pm.Scale(m_place.right);
    const int cy = layout.cy > 0 ? layout.cy : m_pm.Scale(m_place.bottom);
    SetWindowPos(m_hWnd, nullptr, m_pm.Scale(m_place.left), m_pm.Scale(m_place.top), cx, cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWizardWnd::Notify(TNotifyUI& msg)
{
    if (msg.sType == L"dpichanged" && m_isPage) {
        PlacePage();
        return;
    }
    if (msg.sType != L"click" || !msg.pSender)
        return;
    for (const auto& [control, action] : m_clicks) {
        if (control == msg.pSender) {
            action();
            return;
        }
    }
}

LRESULT CWizardWnd::OnCreate()
{
    LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
    style &= ~WS_CAPTION;
    style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    SetWindowLongW(m_hWnd, GWL_STYLE, style);
    m_pm.Init(m_hWnd);
    // No builder callback: layouts use the window library's own controls only.
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LayoutName(), nullptr, nullptr, &m_pm, nullptr);
    m_layoutBuilt = root && m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);
    for (const wchar_t* name : kDefaultButtons) {
        if (!m_pm.GetDefaultButton())
            m_pm.SetDefaultButton(Control(name));
    }
    m_pm.SetCancelButton(Control(kCancelButton));
    for (const auto& check : kCheckButtons)
        m_pm.AddCheckButton(Control(check.name), check.group);
    OnLayoutBuilt();
    return 0;
}

LRESULT CWizardWnd::HitTest(LPARAM lParam)
{
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(m_hWnd, &pt);
    RECT rc = {};
    GetClientRect(m_hWnd, &rc);
    if (HasResizeBorders() && !IsZoomed(m_hWnd)) {
        const RECT sb = m_pm.GetSizeBox();
        if (pt.y < rc.top + sb.top) {
            if (pt.x < rc.left + sb.left)
                return HTTOPLEFT;
            if (pt.x > rc.right - sb.right)
                return HTTOPRIGHT;
            return HTTOP;
        }
        if (pt.y > rc.bottom - sb.bottom) {
            if (pt.x < rc.left + sb.left)
                return HTBOTTOMLEFT;
            if (pt.x > rc.right - sb.right)
                return HTBOTTOMRIGHT;
            return HTBOTTOM;
        }
        if (pt.x < rc.left + sb.left)
            return HTLEFT;
        if (pt.x > rc.right - sb.right)
            return HTRIGHT;
    }
    const RECT cap = m_pm.GetCaptionRect();
    if (pt.x >= rc.left + cap.left && pt.x < rc.right - cap.right && pt.y >= cap.top && pt.y < cap.bottom) {
        CControlUI* control = m_pm.FindControl(pt);
        if (control) {
            const CStdString cls = control->GetClass();
            if (cls != L"ButtonUI" && cls != L"OptionUI" && cls != L"TextUI")
                return HTCAPTION;
        }
    }
    return HTCLIENT;
}

void CWizardWnd::ApplyRoundRegion()
{
    const SIZE corner = m_pm.GetRoundCorner();
    // Maximised, the window fills the work area square: no region (see
    // TrackMaximise).
    if (IsIconic(m_hWnd) || IsZoomed(m_hWnd) || (corner.cx == 0 && corner.cy == 0))
        return;
    RECT rc = {};
    GetWindowRect(m_hWnd, &rc);
    OffsetRect(&rc, -rc.left, -rc.top);
    rc.right++;
    rc.bottom++;
    HRGN region = CreateRoundRectRgn(rc.left, rc.top, rc.right, rc.bottom, corner.cx, corner.cy);
    // The window owns the region once SetWindowRgn succeeds.
    if (region && !SetWindowRgn(m_hWnd, region, TRUE))
        DeleteObject(region);
}

void CWizardWnd::ApplyMaxInfo(LPARAM lParam)
{
    RECT work = WorkArea(m_hWnd);
    OffsetRect(&work, -work.left, -work.top);
    MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMaxPosition.x = 0;
    info->ptMaxPosition.y = 0;
    info->ptMaxSize.x = work.right;
    info->ptMaxSize.y = work.bottom;
}

LRESULT CWizardWnd::TrackMaximise(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    const BOOL wasZoomed = IsZoomed(m_hWnd);
    // The round region goes before the window grows: removed while or after
    // it is maximised, Wine (on a busy machine nearly always) put the window
    // back to its restored size.
    const bool maximise = !wasZoomed && (wParam & 0xFFF0) == SC_MAXIMIZE;
    if (maximise)
        SetWindowRgn(m_hWnd, nullptr, FALSE);
    const LRESULT result = CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    if (maximise && m_hWnd && !IsZoomed(m_hWnd))
        ApplyRoundRegion();  // not maximised after all: round again
    if (!m_hWnd || IsZoomed(m_hWnd) == wasZoomed)
        return result;
    CControlUI* maxButton = Control(L"maxbtn");
    CControlUI* restoreButton = Control(L"restorebtn");
    const bool zoomed = IsZoomed(m_hWnd) != FALSE;
    if (maxButton)
        maxButton->SetVisible(!zoomed);
    if (restoreButton)
        restoreButton->SetVisible(zoomed);
    return result;
}

LRESULT CWizardWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        return OnCreate();
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
        return 0;
    case WM_NCHITTEST:
        return HitTest(lParam);
    case WM_NCACTIVATE:
        if (!IsIconic(m_hWnd))
            return wParam == 0 ? TRUE : FALSE;
        break;
    case WM_SIZE: {
        // The region goes last, once the manager has laid the tree out: set
        // before that, Wine now and then left a maximised window at its
        // restored size.
        LRESULT result = 0;
        if (!m_pm.MessageHandler(uMsg, wParam, lParam, result))
            result = CWindowWnd::HandleMessage(uMsg, wParam, lParam);
        ApplyRoundRegion();
        return result;
    }
    case WM_GETMINMAXINFO:
        ApplyMaxInfo(lParam);
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            PostQuitMessage(0);
            return 0;
        }
        // Alt pressed and released alone would put the window into menu
        // mode for a system menu it never shows, and swallow the next
        // letter: Alt shortcuts then failed whenever Alt was let go first.
        if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == 0)
            return 0;
        return TrackMaximise(uMsg, wParam, lParam);
    case WM_CLOSE:
        m_pm.RemoveAllOptionGroups();
        m_pm.RemoveNotifier(this);
        // From outside, to the frame or to a page: the program ends exactly
        // as after Alt+F4 (the entry first tells running work, then hides and
        // destroys the windows in order); nothing is hidden or destroyed here,
        // so that no worker passes another step between the quit and the
        // entry's word to it.
        PostQuitMessage(0);
        return 0;
    case WM_QUERYENDSESSION:
        if (m_sessionEnd)
            return m_sessionEnd->MayEndSession() ? TRUE : FALSE;
        break;
    case WM_ENDSESSION:
        if (m_sessionEnd && wParam)
            m_sessionEnd->EndSession();
        if (m_sessionEnd)
            return 0;
        break;
    default:
        break;
    }
    LRESULT result = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, result))
        return result;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}
