// The calendar window: creation, input and painting (see calendar_window.h).
#include "calendar_window.h"

#include <windowsx.h>

#include <utility>

#include "calendar_layout.h"
#include "resource.h"

namespace {

constexpr wchar_t kTitle[] = L"VELT电子日历";
constexpr wchar_t kFaceDir[] = L"res\\image\\face\\默认\\";
constexpr wchar_t kWeekdayNames[7][2] = {L"日", L"一", L"二", L"三", L"四", L"五", L"六"};
constexpr UINT_PTR kTodayTimer = 1;
constexpr UINT kDpiChangedMessage = 0x02E0;  // WM_DPICHANGED (Windows 8.1), not in XP's headers

constexpr COLORREF kTitleBand = RGB(0x3f, 0x7f, 0xc4);
constexpr COLORREF kBody = RGB(0xf6, 0xf8, 0xfb);
constexpr COLORREF kInk = RGB(0x2b, 0x34, 0x40);
constexpr COLORREF kWeekend = RGB(0xd0, 0x4a, 0x3a);
constexpr COLORREF kOtherMonth = RGB(0xb4, 0xbc, 0xc8);
constexpr COLORREF kAccent = RGB(0x2d, 0x5f, 0x9e);
constexpr COLORREF kHotFill = RGB(0xdc, 0xe8, 0xf6);

bool Contains(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

HFONT MakeFont(int pixelHeight, int weight) {
    return CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"Microsoft YaHei");
}

void FillRectColour(HDC dc, const RECT& r, COLORREF colour) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.Get());
}

void FillRound(HDC dc, const RECT& r, COLORREF colour, int radius) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    SelectObjectScope b(dc, brush.Get());
    SelectObjectScope p(dc, pen.Get());
    RoundRect(dc, r.left, r.top, r.right, r.bottom, radius, radius);
}

void Text(HDC dc, const wchar_t* text, RECT r, HFONT font, COLORREF colour, UINT format) {
    SelectObjectScope f(dc, font);
    SetTextColor(dc, colour);
    DrawTextW(dc, text, -1, &r, format | DT_SINGLELINE | DT_NOPREFIX);
}

calendar::Date LocalToday() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return calendar::Date{now.wYear, now.wMonth, now.wDay};
}

std::wstring MonthText(const calendar::YearMonth& ym) {
    wchar_t text[32];  // wsprintfW (not swprintf, whose engine is large): two ints fit
    wsprintfW(text, L"%d年%d月", ym.year, ym.month);
    return text;
}

} // namespace

CalendarWindow::CalendarWindow(std::wstring exeDir)
    : m_exeDir(std::move(exeDir)), m_profilePath(ProfilePathFor(m_exeDir)) {}

CalendarWindow::~CalendarWindow() {
    if (m_hwnd) DestroyWindow(m_hwnd);
}

bool CalendarWindow::Create(HINSTANCE instance, int showCommand) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &CalendarWindow::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    m_profile = LoadProfile(m_profilePath);
    UseDpi(display::DpiOfWindow(nullptr));  // the screen's until the window is placed
    m_today = LocalToday();
    m_shown = calendar::YearMonth{m_today.year, m_today.month};

    m_width = m_background.Empty() ? layout::kWindowWidth : m_background.LayoutWidth();
    m_height = m_background.Empty() ? layout::kWindowHeight : m_background.LayoutHeight();
    int x = 0, y = 0;
    PlaceWindow(&x, &y);

    HWND hwnd = CreateWindowExW(0, kClassName, kTitle, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX,
                                x, y, S(m_width), S(m_height), nullptr, nullptr, instance, this);
    if (!hwnd) return false;
    // Per monitor, the window has the DPI of the monitor it was made on.
    const UINT dpi = display::DpiOfWindow(hwnd);
    if (dpi != m_dpi) {
        UseDpi(dpi);
        PlaceWindow(&x, &y);
    }
    PlaceAt(x, y, S(m_width), S(m_height));
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    SetForegroundWindow(hwnd);
    return true;
}

void CalendarWindow::LoadPictures() {
    const std::wstring dir = m_exeDir + L"\\" + kFaceDir;
    m_background.Load(dir + L"bk.png", m_dpi);
    m_panel.Load(dir + L"bk1.png", m_dpi);
    m_logo.Load(dir + L"velt.png", m_dpi);
    m_min.Load(dir + L"Min.png", m_dpi);
    m_minHot.Load(dir + L"Minh.png", m_dpi);
    m_close.Load(dir + L"close.png", m_dpi);
    m_closeHot.Load(dir + L"closeh.png", m_dpi);
}

void CalendarWindow::MakeFonts() {
    m_titleFont.Reset(MakeFont(S(15), FW_BOLD));
    m_monthFont.Reset(MakeFont(S(19), FW_BOLD));
    m_navFont.Reset(MakeFont(S(20), FW_NORMAL));
    m_headerFont.Reset(MakeFont(S(14), FW_BOLD));
    m_dayFont.Reset(MakeFont(S(16), FW_NORMAL));
    m_smallFont.Reset(MakeFont(S(13), FW_NORMAL));
}

void CalendarWindow::UseDpi(UINT dpi) {
    m_dpi = dpi;
    LoadPictures();
    MakeFonts();
}

void CalendarWindow::PlaceAt(int x, int y, int width, int height) {
    SetWindowPos(m_hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // The system owns the region from here on.
    SetWindowRgn(m_hwnd,
                 CreateRoundRectRgn(0, 0, width + 1, height + 1, S(layout::kCornerRadius),
                                    S(layout::kCornerRadius)),
                 TRUE);
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

RECT CalendarWindow::S(const RECT& r) const {
    return layout::Scaled(r, m_dpi);
}

void CalendarWindow::PlaceWindow(int* x, int* y) const {
    const int vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int vw = GetSystemMetrics(SM_CXVIRTUALSCREEN), vh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    // A remembered position is used when the title band would still be reachable.
    if (m_profile.hasPosition && m_profile.x + S(m_width) > vx + 40 && m_profile.x < vx + vw - 40 &&
        m_profile.y >= vy && m_profile.y < vy + vh - S(layout::kTitleHeight)) {
        *x = m_profile.x;
        *y = m_profile.y;
        return;
    }
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    *x = work.left + (work.right - work.left - S(m_width)) / 2;
    *y = work.top + (work.bottom - work.top - S(m_height)) / 2;
}

void CalendarWindow::SavePosition() const {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(m_hwnd, &placement)) return;
    Profile profile = m_profile;
    profile.hasPosition = true;
    profile.x = placement.rcNormalPosition.left;
    profile.y = placement.rcNormalPosition.top;
    SaveProfile(m_profilePath, profile);  // a read-only installation keeps its file
}

void CalendarWindow::ShowMonth(const calendar::YearMonth& ym) {
    m_shown = ym;
    if (m_monthLabel) SetWindowTextW(m_monthLabel, MonthText(ym).c_str());
    if (m_hwnd) InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CalendarWindow::Step(int months) {
    ShowMonth(calendar::AddMonths(m_shown, months));
}

void CalendarWindow::GoToToday() {
    m_today = LocalToday();
    ShowMonth(calendar::YearMonth{m_today.year, m_today.month});
}

void CalendarWindow::RefreshToday() {
    const calendar::Date today = LocalToday();
    if (!calendar::SameDate(today, m_today)) {
        m_today = today;
        InvalidateRect(m_hwnd, nullptr, FALSE);
    }
}

void CalendarWindow::Activate(Hit hit) {
    switch (hit) {
    case Hit::Minimise: ShowWindow(m_hwnd, SW_MINIMIZE); break;
    case Hit::Close: PostMessageW(m_hwnd, WM_CLOSE, 0, 0); break;
    case Hit::PrevYear: Step(-12); break;
    case Hit::PrevMonth: Step(-1); break;
    case Hit::NextMonth: Step(1); break;
    case Hit::NextYear: Step(12); break;
    case Hit::Today: GoToToday(); break;
    case Hit::None: break;
    }
}

CalendarWindow::Hit CalendarWindow::HitTest(POINT p) const {
    if (Contains(S(layout::kMinButton), p)) return Hit::Minimise;
    if (Contains(S(layout::kCloseButton), p)) return Hit::Close;
    if (Contains(S(layout::kPrevYear), p)) return Hit::PrevYear;
    if (Contains(S(layout::kPrevMonth), p)) return Hit::PrevMonth;
    if (Contains(S(layout::kNextMonth), p)) return Hit::NextMonth;
    if (Contains(S(layout::kNextYear), p)) return Hit::NextYear;
    if (Contains(S(layout::kTodayLine), p)) return Hit::Today;
    return Hit::None;
}

void CalendarWindow::SetHot(Hit hit) {
    if (hit == m_hot) return;
    m_hot = hit;
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

LRESULT CALLBACK CalendarWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CalendarWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<CalendarWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CalendarWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    const LRESULT result = self->OnMessage(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hwnd = nullptr;
    }
    return result;
}

LRESULT CalendarWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        m_monthLabel = CreateWindowExW(0, L"STATIC", MonthText(m_shown).c_str(), WS_CHILD, 0, 0, 0, 0,
                                       m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMonthLabelId)),
                                       reinterpret_cast<CREATESTRUCTW*>(lp)->hInstance, nullptr);
        SetTimer(m_hwnd, kTodayTimer, 30 * 1000, nullptr);
        return 0;
    case WM_TIMER:
        if (wp == kTodayTimer) RefreshToday();
        return 0;
    case WM_NCHITTEST: {
        POINT p = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ScreenToClient(m_hwnd, &p);
        if (p.y >= 0 && p.y < S(layout::kTitleHeight) && HitTest(p) == Hit::None) return HTCAPTION;
        return HTCLIENT;
    }
    case WM_MOUSEMOVE: {
        if (!m_tracking) {
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hwnd, 0};
            m_tracking = TrackMouseEvent(&track) != FALSE;
        }
        SetHot(HitTest(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}));
        return 0;
    }
    case WM_MOUSELEAVE:
        m_tracking = false;
        SetHot(Hit::None);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        m_pressed = HitTest(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (m_pressed != Hit::None) SetCapture(m_hwnd);
        return 0;
    case WM_LBUTTONUP: {
        const Hit pressed = std::exchange(m_pressed, Hit::None);
        if (GetCapture() == m_hwnd) ReleaseCapture();
        if (pressed != Hit::None && pressed == HitTest(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}))
            Activate(pressed);
        return 0;
    }
    case WM_MOUSEWHEEL:
        Step(GET_WHEEL_DELTA_WPARAM(wp) > 0 ? -1 : 1);
        return 0;
    case WM_KEYDOWN: {
        const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
        switch (wp) {
        case VK_LEFT: Step(-1); break;
        case VK_RIGHT: Step(1); break;
        case VK_UP: Step(-12); break;
        case VK_DOWN: Step(12); break;
        case VK_PRIOR: Step(ctrl ? -12 : -1); break;
        case VK_NEXT: Step(ctrl ? 12 : 1); break;
        case VK_HOME: GoToToday(); break;
        default: return DefWindowProcW(m_hwnd, msg, wp, lp);
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hwnd, &ps);
        RECT client;
        GetClientRect(m_hwnd, &client);
        MemoryDc memory(dc);
        GdiObject<HBITMAP> canvas(CreateCompatibleBitmap(dc, client.right, client.bottom));
        if (memory.Get() && canvas) {
            SelectObjectScope select(memory.Get(), canvas.Get());
            Paint(memory.Get());
            BitBlt(dc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
        } else {
            Paint(dc);
        }
        EndPaint(m_hwnd, &ps);
        return 0;
    }
    case kDpiChangedMessage: {
        // The window moved to a monitor of another scaling (or the scaling
        // changed): the system's suggested rectangle, drawn at the new DPI.
        const RECT suggested = *reinterpret_cast<const RECT*>(lp);
        UseDpi(HIWORD(wp));
        PlaceAt(suggested.left, suggested.top, suggested.right - suggested.left,
                suggested.bottom - suggested.top);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(m_hwnd);
        return 0;
    case WM_DESTROY:
        KillTimer(m_hwnd, kTodayTimer);
        SavePosition();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(m_hwnd, msg, wp, lp);
    }
}

void CalendarWindow::Paint(HDC dc) const {
    SetBkMode(dc, TRANSPARENT);
    PaintBackground(dc);
    PaintTitle(dc);
    PaintNavigation(dc);
    PaintGrid(dc);
    PaintTodayLine(dc);
}

void CalendarWindow::PaintBackground(HDC dc) const {
    FillRectColour(dc, RECT{0, 0, S(m_width), S(m_height)}, kBody);
    if (!m_background.Empty()) {
        m_background.Draw(dc, 0, 0);
    } else {
        FillRectColour(dc, RECT{0, 0, S(m_width), S(layout::kTitleHeight)}, kTitleBand);
    }
    if (!m_panel.Empty()) {
        m_panel.Draw(dc, S(layout::kPanel.x), S(layout::kPanel.y));
    } else {
        FillRectColour(dc, S(RECT{layout::kPanel.x, layout::kPanel.y, m_width - layout::kPanel.x, 392}),
                       RGB(0xff, 0xff, 0xff));
    }
}

void CalendarWindow::PaintTitle(HDC dc) const {
    m_logo.Draw(dc, S(layout::kLogo.left), S(layout::kLogo.top));
    Text(dc, kTitle, S(layout::kTitleText), m_titleFont.Get(), RGB(0xff, 0xff, 0xff), DT_LEFT | DT_VCENTER);

    const PngImage& min = m_hot == Hit::Minimise && !m_minHot.Empty() ? m_minHot : m_min;
    const PngImage& close = m_hot == Hit::Close && !m_closeHot.Empty() ? m_closeHot : m_close;
    if (min.Empty())
        Text(dc, L"—", S(layout::kMinButton), m_navFont.Get(), RGB(0xff, 0xff, 0xff), DT_CENTER | DT_VCENTER);
    else
        min.Draw(dc, S(layout::kMinButton.left), S(layout::kMinButton.top));
    if (close.Empty())
        Text(dc, L"×", S(layout::kCloseButton), m_navFont.Get(), RGB(0xff, 0xff, 0xff), DT_CENTER | DT_VCENTER);
    else
        close.Draw(dc, S(layout::kCloseButton.left), S(layout::kCloseButton.top));
}

void CalendarWindow::PaintNavigation(HDC dc) const {
    struct Arrow {
        Hit hit;
        RECT rect;
        const wchar_t* glyph;
    };
    const Arrow arrows[] = {{Hit::PrevYear, S(layout::kPrevYear), L"«"},
                            {Hit::PrevMonth, S(layout::kPrevMonth), L"‹"},
                            {Hit::NextMonth, S(layout::kNextMonth), L"›"},
                            {Hit::NextYear, S(layout::kNextYear), L"»"}};
    for (const Arrow& a : arrows) {
        if (m_hot == a.hit) FillRound(dc, a.rect, kHotFill, S(8));
        Text(dc, a.glyph, a.rect, m_navFont.Get(), kAccent, DT_CENTER | DT_VCENTER);
    }
    Text(dc, MonthText(m_shown).c_str(), S(layout::kMonthLabel), m_monthFont.Get(), kInk,
         DT_CENTER | DT_VCENTER);
}

void CalendarWindow::PaintGrid(HDC dc) const {
    const int first = m_profile.firstDayOfWeek;
    for (int col = 0; col < 7; ++col) {
        const int weekday = (first + col) % 7;
        const RECT r = S(RECT{layout::kGridLeft + col * layout::kCellWidth, layout::kHeaderTop,
                              layout::kGridLeft + (col + 1) * layout::kCellWidth,
                              layout::kHeaderTop + layout::kHeaderHeight});
        const bool weekend = weekday == 0 || weekday == 6;
        Text(dc, kWeekdayNames[weekday], r, m_headerFont.Get(), weekend ? kWeekend : kAccent,
             DT_CENTER | DT_VCENTER);
    }
    {
        GdiObject<HPEN> line(CreatePen(PS_SOLID, S(1), RGB(0xd8, 0xe0, 0xea)));
        SelectObjectScope p(dc, line.Get());
        const int y = S(layout::kGridTop - 3);
        MoveToEx(dc, S(layout::kGridLeft + 4), y, nullptr);
        LineTo(dc, S(layout::kGridLeft + 7 * layout::kCellWidth - 4), y);
    }

    calendar::Date days[calendar::kGridDays];
    calendar::MonthGrid(m_shown, first, days);
    for (int i = 0; i < calendar::kGridDays; ++i) {
        const calendar::Date& d = days[i];
        const RECT cell = S(layout::Cell(i));
        const bool inMonth = d.month == m_shown.month && d.year == m_shown.year;
        const int weekday = (first + i) % 7;
        COLORREF colour = !inMonth ? kOtherMonth : (weekday == 0 || weekday == 6) ? kWeekend : kInk;
        if (calendar::SameDate(d, m_today)) {
            const POINT c = layout::Centre(cell);
            const int r = S(17);
            FillRound(dc, RECT{c.x - r, c.y - r, c.x + r, c.y + r}, inMonth ? kTitleBand : kHotFill, 2 * r);
            if (inMonth) colour = RGB(0xff, 0xff, 0xff);
        }
        wchar_t number[4];
        wsprintfW(number, L"%d", d.day);  // 1..31
        Text(dc, number, cell, m_dayFont.Get(), colour, DT_CENTER | DT_VCENTER);
    }
}

void CalendarWindow::PaintTodayLine(HDC dc) const {
    static const wchar_t* const kLongNames[7] = {L"星期日", L"星期一", L"星期二", L"星期三",
                                                 L"星期四", L"星期五", L"星期六"};
    wchar_t text[64];  // three ints and a three-character name fit
    wsprintfW(text, L"今天：%d年%d月%d日 %ls", m_today.year, m_today.month, m_today.day,
              kLongNames[calendar::DayOfWeek(m_today)]);
    Text(dc, text, S(layout::kTodayLine), m_smallFont.Get(), m_hot == Hit::Today ? kAccent : kInk,
         DT_LEFT | DT_VCENTER);
    Text(dc, L"回到今天 (Home)", S(layout::kTodayLine), m_smallFont.Get(),
         m_hot == Hit::Today ? kAccent : kOtherMonth, DT_RIGHT | DT_VCENTER);
}
