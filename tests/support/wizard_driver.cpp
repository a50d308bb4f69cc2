// WizardDriver: see wizard_driver.h.
#include "wizard_driver.h"

#include "image.h"
#include "skin_archive.h"

namespace testing_support {

namespace {

std::wstring ClassOf(HWND window)
{
    WCHAR name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window)
{
    WCHAR text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

DWORD ProcessOf(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

struct TopLevelSearch {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param)
{
    TopLevelSearch* search = reinterpret_cast<TopLevelSearch*>(param);
    if (ProcessOf(window) == search->pid && IsWindowVisible(window))
        search->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleWindowsOf(DWORD pid)
{
    TopLevelSearch search = {pid, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM param)
{
    if (lstrcmpiW(ClassOf(child).c_str(), L"Static") == 0)
        *reinterpret_cast<std::wstring*>(param) += TextOf(child);
    return TRUE;
}

// The deepest visible child window of `window` under a screen point, or the
// window itself.
HWND DeepestChild(HWND window, POINT screen)
{
    HWND target = window;
    for (;;) {
        POINT pt = screen;
        ScreenToClient(target, &pt);
        HWND child = ChildWindowFromPointEx(target, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == target)
            return target;
        target = child;
    }
}

} // namespace

bool WizardDriver::Start(const std::wstring& exe, const std::wstring& skinArchive, const std::wstring& workDir,
                         const std::wstring& arguments)
{
    const std::wstring exeDir = exe.substr(0, exe.find_last_of(L"\\/"));
    m_skinCopy = std::make_unique<ScratchDir>(L"skin");
    m_skin.clear();
    m_listings.clear();
    const std::wstring copy = *m_skinCopy / skinArchive;
    if (CopyFileW((exeDir + L"\\" + skinArchive).c_str(), copy.c_str(), FALSE))
        m_skin = copy;
    WCHAR temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return m_process.StartIn(workDir.empty() ? temp : workDir, exe, arguments);
}

HWND WizardDriver::WaitFrame(const std::wstring& title, DWORD ms, const std::wstring& frameLayout)
{
    const DWORD start = GetTickCount();
    m_frame = nullptr;
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : VisibleWindowsOf(ProcessId())) {
                const std::wstring cls = ClassOf(window);
                if ((cls == L"CoverWnd" || cls == L"Page8Wnd") && TextOf(window) == title) {
                    found = window;
                    m_frameLayout = frameLayout.empty() ? cls + L".xml" : frameLayout;
                    return true;
                }
            }
            return !Running();
        },
        ms);
    if (!found)
        return nullptr;
    // Then the program's first wait for input: a program that creates its
    // pages after showing the frame and before its message loop has them now.
    const DWORD waited = GetTickCount() - start;
    if (WaitForInputIdle(Process(), waited < ms ? ms - waited : 0) == WAIT_TIMEOUT)
        return nullptr;
    m_frame = found;
    return found;
}

bool WizardDriver::WaitIdle(DWORD ms) const
{
    return Process() && WaitForInputIdle(Process(), ms) == 0;
}

HWND WizardDriver::Page(const std::wstring& name) const
{
    if (!m_frame)
        return nullptr;
    HWND child = nullptr;
    while ((child = FindWindowExW(m_frame, child, nullptr, name.c_str())) != nullptr) {
        if (GetParent(child) == m_frame)
            return child;
    }
    return nullptr;
}

bool WizardDriver::IsVisible(HWND window)
{
    return window && IsWindowVisible(window);
}

bool WizardDriver::WaitPageVisible(const std::wstring& name, DWORD ms) const
{
    return WaitUntil([&] { return PageVisible(name); }, ms);
}

bool WizardDriver::WaitPageHidden(const std::wstring& name, DWORD ms) const
{
    return WaitUntil([&] { return !PageVisible(name); }, ms);
}

std::wstring WizardDriver::LayoutOf(const std::wstring& page) const
{
    return page.empty() ? m_frameLayout : page + L"Wnd.xml";
}

HWND WizardDriver::WindowOf(const std::wstring& page) const
{
    return page.empty() ? m_frame : Page(page);
}

const std::vector<skinshot::NamedControl>* WizardDriver::Listing(const std::wstring& page)
{
    const std::wstring layout = LayoutOf(page);
    if (m_skin.empty() || layout.empty())
        return nullptr;
    auto it = m_listings.find(layout);
    if (it != m_listings.end())
        return &it->second;
    SIZE hint = {100, 100};
    RECT client = {};
    HWND window = WindowOf(page);
    if (window && GetClientRect(window, &client) && client.right > 0 && client.bottom > 0)
        hint = {client.right, client.bottom};
    std::vector<skinshot::NamedControl> controls;
    if (!skinshot::ListNamedControls(m_skin, layout, hint, &controls))
        return nullptr;
    return &m_listings.emplace(layout, std::move(controls)).first->second;
}

bool WizardDriver::ControlRect(const std::wstring& page, const std::wstring& control, RECT* rect)
{
    if (!WindowOf(page))
        return false;
    const std::vector<skinshot::NamedControl>* controls = Listing(page);
    const skinshot::NamedControl* found = controls ? skinshot::FindNamed(*controls, control) : nullptr;
    if (!found)
        return false;
    *rect = found->rect;
    return true;
}

bool WizardDriver::ControlScreenRect(const std::wstring& page, const std::wstring& control, RECT* rect)
{
    if (!ControlRect(page, control, rect))
        return false;
    MapWindowPoints(WindowOf(page), nullptr, reinterpret_cast<POINT*>(rect), 2);
    return true;
}

HWND WizardDriver::ClickAt(HWND window, POINT client)
{
    POINT screen = client;
    ClientToScreen(window, &screen);
    HWND target = DeepestChild(window, screen);
    POINT at = screen;
    ScreenToClient(target, &at);
    const LPARAM pos = MAKELPARAM(at.x, at.y);
    PostMessageW(target, WM_MOUSEMOVE, 0, pos);
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, pos);
    PostMessageW(target, WM_LBUTTONUP, 0, pos);
    return target;
}

bool WizardDriver::Click(const std::wstring& control)
{
    return Click(L"", control);
}

bool WizardDriver::Click(const std::wstring& page, const std::wstring& control)
{
    RECT rc = {};
    if (!ControlRect(page, control, &rc))
        return false;
    ClickAt(WindowOf(page), {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    return true;
}

bool WizardDriver::TypeText(const std::wstring& page, const std::wstring& control, const std::wstring& text)
{
    RECT rc = {};
    if (!ControlRect(page, control, &rc))
        return false;
    HWND window = WindowOf(page);
    POINT centre = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    // Only an edit field takes the typing; nothing is clicked otherwise.
    POINT screen = centre;
    ClientToScreen(window, &screen);
    if (lstrcmpiW(ClassOf(DeepestChild(window, screen)).c_str(), L"Edit") != 0)
        return false;
    HWND edit = ClickAt(window, centre);
    PostMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t ch : text)
        PostMessageW(edit, WM_CHAR, ch, 1);
    return true;
}

HWND WizardDriver::KeyTarget() const
{
    if (!m_frame)
        return nullptr;
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    // A window that is gone or hidden (a message box just answered) does not count.
    auto usable = [](HWND window) { return window && IsWindowVisible(window); };
    if (GetGUIThreadInfo(GetWindowThreadProcessId(m_frame, nullptr), &info)) {
        if (usable(info.hwndFocus))
            return info.hwndFocus;
        if (usable(info.hwndActive))
            return info.hwndActive;
    }
    return m_frame;
}

bool WizardDriver::PressAlt(wchar_t letter) const
{
    HWND target = KeyTarget();
    if (!target)
        return false;
    PostMessageW(target, WM_SYSCHAR, letter, 1 | (1 << 29));  // bit 29: Alt is down
    return true;
}

bool WizardDriver::PostSysClose() const
{
    return m_frame && PostMessageW(m_frame, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool WizardDriver::PostClose() const
{
    return m_frame && PostMessageW(m_frame, WM_CLOSE, 0, 0);
}

MessageBoxSeen WizardDriver::WaitMessageBox(DWORD ms, const std::wstring& caption, const std::wstring& text) const
{
    MessageBoxSeen seen;
    WaitUntil(
        [&] {
            for (HWND window : VisibleWindowsOf(ProcessId())) {
                if (ClassOf(window) != L"#32770")
                    continue;
                MessageBoxSeen candidate;
                candidate.box = window;
                candidate.caption = TextOf(window);
                EnumChildWindows(window, CollectStaticText, reinterpret_cast<LPARAM>(&candidate.text));
                if ((caption.empty() || candidate.caption == caption) && (text.empty() || candidate.text == text)) {
                    seen = candidate;
                    return true;
                }
            }
            return false;
        },
        ms);
    return seen;
}

bool WizardDriver::Answer(const MessageBoxSeen& seen, int id, DWORD ms)
{
    HWND button = seen.box ? GetDlgItem(seen.box, id) : nullptr;
    if (!button)
        return false;
    PostMessageW(button, BM_CLICK, 0, 0);
    return WaitUntil([&] { return !IsWindow(seen.box); }, ms);
}

bool WizardDriver::WaitExit(DWORD ms, DWORD* exitCode) const
{
    if (!Process() || WaitForSingleObject(Process(), ms) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        *exitCode = static_cast<DWORD>(m_process.ExitCode());
    return true;
}

bool WizardDriver::Running() const
{
    return Process() && WaitForSingleObject(Process(), 0) == WAIT_TIMEOUT;
}

bool WizardDriver::WaitChildrenEnded(const wchar_t* exe, DWORD ms) const
{
    return Process() && WaitUntil([&] { return RunningChild(ProcessId(), exe) == 0; }, ms, 100);
}

std::vector<HWND> WizardDriver::VisibleTopLevelWindows() const
{
    return VisibleWindowsOf(ProcessId());
}

int WizardDriver::ProgressWidth(const std::wstring& page, const std::wstring& control)
{
    HWND window = WindowOf(page);
    RECT bar = {};
    if (!IsVisible(window) || !ControlScreenRect(page, control, &bar))
        return -1;
    skinshot::Image fill;
    if (!skinshot::LoadArchivePicture(m_skin, L"progress.png", &fill) || fill.Empty())
        return -1;
    RECT client = {};
    GetClientRect(window, &client);
    POINT edge = {client.right, client.bottom};
    ClientToScreen(window, &edge);
    skinshot::Image shot;
    const int height = bar.bottom - bar.top;
    if (height <= 0 || !skinshot::CaptureScreen({bar.left, bar.top, edge.x, bar.bottom}, &shot) || shot.width < 2)
        return -1;

    // Two rows clear of the frame's border; the fill picture is stretched
    // over the bar's height, so row r shows the picture's row r * h / height.
    const int rows[2] = {height / 3, height / 2};
    enum Kind { Filled, Empty, Other };
    auto kindOf = [&](int x) {
        int filled = 0, empty = 0;
        for (int row : rows) {
            const uint32_t px = shot.At(x, row);
            if (ColoursNear(px, fill.At(fill.width / 2, row * fill.height / height), 24))
                ++filled;
            else if (ColoursNear(px, 0xFFFFFF, 8))
                ++empty;
        }
        return filled == 2 ? Filled : empty == 2 ? Empty : Other;
    };
    // Column 0 lies under the frame's left border.
    int x = 1;
    while (x < shot.width && kindOf(x) == Filled)
        ++x;
    if (x >= shot.width)
        return -1;
    const int run = x - 1;
    if (kindOf(x) == Empty)
        return run + 1;
    // A full bar: the frame's right border lies over its last column.
    return run > 0 ? run + 2 : -1;
}

bool WalkSetupToPage4(WizardDriver& run, bool onlyMe)
{
    return run.Click(L"nextbtn") && run.WaitPageVisible(L"Page1", 10000) && run.Click(L"Page1", L"nextbtn") &&
           run.WaitPageVisible(L"Page2", 10000) && run.Click(L"Page2", L"nextbtn") &&
           run.WaitPageVisible(L"Page3", 10000) && (!onlyMe || run.Click(L"Page3", L"onlymebtn")) &&
           run.Click(L"Page3", L"nextbtn") && run.WaitPageVisible(L"Page4", 10000) &&
           run.WaitPageHidden(L"Page3", 10000);
}

} // namespace testing_support
