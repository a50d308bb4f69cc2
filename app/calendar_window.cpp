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
    LoadPictures();
    MakeFonts();
    m_today = LocalToday();
    m_shown = calendar::YearMonth{m_today.year, m_today.month};

    m_width = m_background.Empty() ? layout::kWindowWidth : m_background.Width();
    m_height = m_background.Empty() ? layout::kWindowHeight : m_background.Height();
    int x = 0, y = 0;
    PlaceWindow(&x, &y);

    HWND hwnd = CreateWindowExW(0, kClassName, kTitle, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX,
                                x, y, m_width, m_height, nullptr, nullptr, instance, this);
    if (!hwnd) return false;
    // The system owns the region from here on.
    SetWindowRgn(hwnd,
                 CreateRoundRectRgn(0, 0, m_width + 1, m_height + 1, layout::kCornerRadius,
                                    layout::kCornerRadius),
                 FALSE);
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    SetForegroundWindow(hwnd);
    return true;
}

void CalendarWindow::LoadPictures() {
    const std::wstring dir = m_exeDir + L"\\" + kFaceDir;
    m_background.Load(dir + L"bk.png");
    m_panel.Load(dir + L"bk1.png");
    m_logo.Load(dir + L"velt.png");
    m_min.Load(dir + L"Min.png");
    m_minHot.Load(dir + L"Minh.png");
    m_close.Load(dir + L"close.png");
    m_closeHot.Load(dir + L"closeh.png");
}

void CalendarWindow::MakeFonts() {
    m_titleFont.Reset(MakeFont(15, FW_BOLD));
    m_monthFont.Reset(MakeFont(19, FW_BOLD));
    m_navFont.Reset(MakeFont(20, FW_NORMAL));
    m_headerFont.Reset(MakeFont(14, FW_BOLD));
    m_dayFont.Reset(MakeFont(16, FW_NORMAL));
    m_smallFont.Reset(MakeFont(13, FW_NORMAL));
}

void CalendarWindow::PlaceWindow(int* x, int* y) const {
    const int vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int vw = GetSystemMetrics(SM_CXVIRTUALSCREEN), vh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    // A remembered position is used when the title band would still be reachable.
    if (m_profile.hasPosition && m_profile.x + m_width > vx + 40 && m_profile.x < vx + vw - 40 &&
        m_profile.y >= vy && m_profile.y < vy + vh - layout::kTitleHeight) {
        *x = m_profile.x;
        *y = m_profile.y;
        return;
    }
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    *x = work.left + (work.right - work.left - m_width) / 2;
    *y = work.top + (work.bottom - work.top - m_height) / 2;
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
    if (Contains(layout::kMinButton, p)) return Hit::Minimise;
    if (Contains(layout::kCloseButton, p)) return Hit::Close;
    if (Contains(layout::kPrevYear, p)) return Hit::PrevYear;
    if (Contains(layout::kPrevMonth, p)) return Hit::PrevMonth;
    if (Contains(layout::kNextMonth, p)) return Hit::NextMonth;
    if (Contains(layout::kNextYear, p)) return Hit::NextYear;
    if (Contains(layout::kTodayLine, p)) return Hit::Today;
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
        if (p.y >= 0 && p.y < layout::kTitleHeight && HitTest(p) == Hit::None) return HTCAPTION;
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
    FillRectColour(dc, RECT{0, 0, m_width, m_height}, kBody);
    if (!m_background.Empty()) {
        m_background.Draw(dc, 0, 0);
    } else {
        FillRectColour(dc, RECT{0, 0, m_width, layout::kTitleHeight}, kTitleBand);
    }
    if (!m_panel.Empty()) {
        m_panel.Draw(dc, layout::kPanel.x, layout::kPanel.y);
    } else {
        FillRectColour(dc, RECT{layout::kPanel.x, layout::kPanel.y, m_width - layout::kPanel.x, 392},
                       RGB(0xff, 0xff, 0xff));
    }
}

void CalendarWindow::PaintTitle(HDC dc) const {
    m_logo.Draw(dc, layout::kLogo.left, layout::kLogo.top);
    Text(dc, kTitle, layout::kTitleText, m_titleFont.Get(), RGB(0xff, 0xff, 0xff), DT_LEFT | DT_VCENTER);

    const PngImage& min = m_hot == Hit::Minimise && !m_minHot.Empty() ? m_minHot : m_min;
    const PngImage& close = m_hot == Hit::Close && !m_closeHot.Empty() ? m_closeHot : m_close;
    if (min.Empty())
        Text(dc, L"—", layout::kMinButton, m_navFont.Get(), RGB(0xff, 0xff, 0xff), DT_CENTER | DT_VCENTER);
    else
        min.Draw(dc, layout::kMinButton.left, layout::kMinButton.top);
    if (close.Empty())
        Text(dc, L"×", layout::kCloseButton, m_navFont.Get(), RGB(0xff, 0xff, 0xff), DT_CENTER | DT_VCENTER);
    else
        close.Draw(dc, layout::kCloseButton.left, layout::kCloseButton.top);
}

void CalendarWindow::PaintNavigation(HDC dc) const {
    struct Arrow {
        Hit hit;
        RECT rect;
        const wchar_t* glyph;
    };
    const Arrow arrows[] = {{Hit::PrevYear, layout::kPrevYear, L"«"},
                            {Hit::PrevMonth, layout::kPrevMonth, L"‹"},
                            {Hit::NextMonth, layout::kNextMonth, L"›"},
                            {Hit::NextYear, layout::kNextYear, L"»"}};
    for (const Arrow& a : arrows) {
        if (m_hot == a.hit) FillRound(dc, a.rect, kHotFill, 8);
        Text(dc, a.glyph, a.rect, m_navFont.Get(), kAccent, DT_CENTER | DT_VCENTER);
    }
    Text(dc, MonthText(m_shown).c_str(), layout::kMonthLabel, m_monthFont.Get(), kInk,
         DT_CENTER | DT_VCENTER);
}

void CalendarWindow::PaintGrid(HDC dc) const {
    const int first = m_profile.firstDayOfWeek;
    for (int col = 0; col < 7; ++col) {
        const int weekday = (first + col) % 7;
        RECT r = {layout::kGridLeft + col * layout::kCellWidth, layout::kHeaderTop,
                  layout::kGridLeft + (col + 1) * layout::kCellWidth,
                  layout::kHeaderTop + layout::kHeaderHeight};
        const bool weekend = weekday == 0 || weekday == 6;
        Text(dc, kWeekdayNames[weekday], r, m_headerFont.Get(), weekend ? kWeekend : kAccent,
             DT_CENTER | DT_VCENTER);
    }
    {
        GdiObject<HPEN> line(CreatePen(PS_SOLID, 1, RGB(0xd8, 0xe0, 0xea)));
        SelectObjectScope p(dc, line.Get());
        const int y = layout::kGridTop - 3;
        MoveToEx(dc, layout::kGridLeft + 4, y, nullptr);
        LineTo(dc, layout::kGridLeft + 7 * layout::kCellWidth - 4, y);
    }

    calendar::Date days[calendar::kGridDays];
    calendar::MonthGrid(m_shown, first, days);
    for (int i = 0; i < calendar::kGridDays; ++i) {
        const calendar::Date& d = days[i];
        const RECT cell = layout::Cell(i);
        const bool inMonth = d.month == m_shown.month && d.year == m_shown.year;
        const int weekday = (first + i) % 7;
        COLORREF colour = !inMonth ? kOtherMonth : (weekday == 0 || weekday == 6) ? kWeekend : kInk;
        if (calendar::SameDate(d, m_today)) {
            const POINT c = layout::Centre(cell);
            FillRound(dc, RECT{c.x - 17, c.y - 17, c.x + 17, c.y + 17},
                      inMonth ? kTitleBand : kHotFill, 34);
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
    Text(dc, text, layout::kTodayLine, m_smallFont.Get(), m_hot == Hit::Today ? kAccent : kInk,
         DT_LEFT | DT_VCENTER);
    Text(dc, L"回到今天 (Home)", layout::kTodayLine, m_smallFont.Get(),
         m_hot == Hit::Today ? kAccent : kOtherMonth, DT_RIGHT | DT_VCENTER);
}
