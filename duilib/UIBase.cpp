// CWindowWnd: a Win32 window whose messages reach the object's virtual
// HandleMessage. The object pointer travels in CreateWindowEx's parameter
// and lives in GWLP_USERDATA from WM_NCCREATE to WM_NCDESTROY; after
// WM_NCDESTROY the object forgets its handle and OnFinalMessage runs.
#include "UIlib.h"

namespace {

const wchar_t kSubclassProp[] = L"DuiLibu.WndObject";

CWindowWnd* FromHandle(HWND hWnd) { return reinterpret_cast<CWindowWnd*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA)); }

bool OnOtherThread(HWND hWnd) { return hWnd && GetWindowThreadProcessId(hWnd, NULL) != GetCurrentThreadId(); }

} // namespace

CWindowWnd::CWindowWnd() : m_hWnd(NULL), m_OldWndProc(::DefWindowProcW), m_bSubclassed(false) {}
CWindowWnd::~CWindowWnd() {}

HWND CWindowWnd::GetHWND() const { return m_hWnd; }
CWindowWnd::operator HWND() const { return m_hWnd; }

LPCTSTR CWindowWnd::GetSuperClassName() const { return NULL; }
UINT CWindowWnd::GetClassStyle() const { return 0; }

bool CWindowWnd::RegisterWindowClass()
{
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = GetClassStyle();
    wc.lpfnWndProc = CWindowWnd::__WndProc;
    wc.hInstance = CPaintManagerUI::GetInstance();
    wc.hCursor = LoadCursorW(NULL, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = GetWindowClassName();
    ATOM atom = RegisterClassW(&wc);
    return atom != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterSuperclass()
{
    // A class of our own name that starts from the named system class and
    // hands what we do not handle to that class's procedure.
    WNDCLASSEXW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(NULL, GetSuperClassName(), &wc) &&
        !GetClassInfoExW(CPaintManagerUI::GetInstance(), GetSuperClassName(), &wc))
        return false;
    m_OldWndProc = wc.lpfnWndProc;
    wc.lpfnWndProc = CWindowWnd::__ControlProc;
    wc.hInstance = CPaintManagerUI::GetInstance();
    wc.lpszClassName = GetWindowClassName();
    ATOM atom = RegisterClassExW(&wc);
    return atom != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT rc, HMENU hMenu)
{
    return Create(hwndParent, pstrName, dwStyle, dwExStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                  hMenu);
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x, int y, int cx, int cy,
                        HMENU hMenu)
{
    if (GetSuperClassName() != NULL && !RegisterSuperclass()) return NULL;
    if (GetSuperClassName() == NULL && !RegisterWindowClass()) return NULL;
    m_hWnd = ::CreateWindowExW(dwExStyle, GetWindowClassName(), pstrName, dwStyle, x, y, cx, cy, hwndParent, hMenu,
                               CPaintManagerUI::GetInstance(), this);
    return m_hWnd;
}

HWND CWindowWnd::Subclass(HWND hWnd)
{
    if (!::IsWindow(hWnd)) return NULL;
    SetPropW(hWnd, kSubclassProp, reinterpret_cast<HANDLE>(this));
    m_OldWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CWindowWnd::__ControlProc)));
    if (m_OldWndProc == NULL) {
        RemovePropW(hWnd, kSubclassProp);
        m_OldWndProc = ::DefWindowProcW;
        return NULL;
    }
    m_bSubclassed = true;
    m_hWnd = hWnd;
    return m_hWnd;
}

void CWindowWnd::Unsubclass()
{
    if (!m_bSubclassed || !::IsWindow(m_hWnd)) return;
    SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_OldWndProc));
    RemovePropW(m_hWnd, kSubclassProp);
    m_OldWndProc = ::DefWindowProcW;
    m_bSubclassed = false;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus)
{
    if (!::IsWindow(m_hWnd)) return;
    int cmd = bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE;
    // From a worker: never wait for the window's thread.
    if (OnOtherThread(m_hWnd)) ::ShowWindowAsync(m_hWnd, cmd);
    else ::ShowWindow(m_hWnd, cmd);
}

UINT CWindowWnd::ShowModal()
{
    if (!::IsWindow(m_hWnd)) return static_cast<UINT>(-1);
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    if (owner) ::EnableWindow(owner, FALSE);
    UINT ret = 0;
    MSG msg = {};
    while (::IsWindow(m_hWnd) && ::GetMessageW(&msg, NULL, 0, 0) > 0) {
        if (msg.message == WM_CLOSE && msg.hwnd == m_hWnd) ret = static_cast<UINT>(msg.wParam);
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        if (msg.message == WM_QUIT) break;
    }
    if (owner) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    if (msg.message == WM_QUIT) ::PostQuitMessage(static_cast<int>(msg.wParam));
    return ret;
}

void CWindowWnd::Close(UINT nRet)
{
    if (::IsWindow(m_hWnd)) ::PostMessageW(m_hWnd, WM_CLOSE, static_cast<WPARAM>(nRet), 0);
}

void CWindowWnd::CenterWindow()
{
    if (!::IsWindow(m_hWnd)) return;
    RECT rcWnd;
    ::GetWindowRect(m_hWnd, &rcWnd);
    int w = rcWnd.right - rcWnd.left, h = rcWnd.bottom - rcWnd.top;
    RECT rcArea;
    HWND parent = ::GetParent(m_hWnd);
    if (GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD) {
        // A child: centred in its parent's client area (client coordinates).
        ::GetClientRect(parent, &rcArea);
        int x = (rcArea.right - w) / 2, y = (rcArea.bottom - h) / 2;
        ::SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    MONITORINFO mi = {sizeof(mi), {0, 0, 0, 0}, {0, 0, 0, 0}, 0};
    GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    rcArea = mi.rcWork;
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    RECT rcCenter = rcArea;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &rcCenter);
    int x = (rcCenter.left + rcCenter.right) / 2 - w / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - h / 2;
    if (x < rcArea.left) x = rcArea.left;
    if (y < rcArea.top) y = rcArea.top;
    if (x + w > rcArea.right) x = rcArea.right - w;
    if (y + h > rcArea.bottom) y = rcArea.bottom - h;
    ::SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT nRes)
{
    HICON big = static_cast<HICON>(LoadImageW(CPaintManagerUI::GetInstance(), MAKEINTRESOURCEW(nRes), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    if (big) ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    HICON small = static_cast<HICON>(LoadImageW(CPaintManagerUI::GetInstance(), MAKEINTRESOURCEW(nRes), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                LR_DEFAULTCOLOR));
    if (small) ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageW(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::ResizeClient(int cx, int cy)
{
    RECT rc;
    if (!::GetClientRect(m_hWnd, &rc)) return;
    if (cx != -1) rc.right = cx;
    if (cy != -1) rc.bottom = cy;
    DWORD style = static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_EXSTYLE));
    if (!::AdjustWindowRectEx(&rc, style, (!(style & WS_CHILD) && ::GetMenu(m_hWnd) != NULL), exStyle)) return;
    ::SetWindowPos(m_hWnd, NULL, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return ::CallWindowProcW(m_OldWndProc, m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND /*hWnd*/) {}

LRESULT CALLBACK CWindowWnd::__WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CWindowWnd* pThis = NULL;
    if (uMsg == WM_NCCREATE) {
        LPCREATESTRUCTW cs = reinterpret_cast<LPCREATESTRUCTW>(lParam);
        pThis = static_cast<CWindowWnd*>(cs->lpCreateParams);
        if (pThis) {
            pThis->m_hWnd = hWnd;
            SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
        }
    } else {
        pThis = FromHandle(hWnd);
        if (uMsg == WM_NCDESTROY && pThis) {
            LRESULT lRes = ::CallWindowProcW(pThis->m_OldWndProc, hWnd, uMsg, wParam, lParam);
            SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
            if (pThis->m_bSubclassed) pThis->Unsubclass();
            pThis->m_hWnd = NULL;
            pThis->OnFinalMessage(hWnd);
            return lRes;
        }
    }
    if (pThis) return pThis->HandleMessage(uMsg, wParam, lParam);
    return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::__ControlProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CWindowWnd* pThis = NULL;
    if (uMsg == WM_NCCREATE) {
        LPCREATESTRUCTW cs = reinterpret_cast<LPCREATESTRUCTW>(lParam);
        pThis = static_cast<CWindowWnd*>(cs->lpCreateParams);
        if (pThis) {
            pThis->m_hWnd = hWnd;
            SetPropW(hWnd, kSubclassProp, reinterpret_cast<HANDLE>(pThis));
        }
    } else {
        pThis = reinterpret_cast<CWindowWnd*>(GetPropW(hWnd, kSubclassProp));
        if (uMsg == WM_NCDESTROY && pThis) {
            LRESULT lRes = ::CallWindowProcW(pThis->m_OldWndProc, hWnd, uMsg, wParam, lParam);
            if (pThis->m_bSubclassed) pThis->Unsubclass();
            RemovePropW(hWnd, kSubclassProp);
            pThis->m_hWnd = NULL;
            pThis->OnFinalMessage(hWnd);
            return lRes;
        }
    }
    if (pThis) return pThis->HandleMessage(uMsg, wParam, lParam);
    return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}
