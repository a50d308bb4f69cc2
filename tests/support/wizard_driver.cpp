// WizardDriver: see wizard_driver.h.
#include "wizard_driver.h"

#include "image.h"
#include "product.h"
#include "skin_archive.h"
#include "skin_window.h"

#include <algorithm>

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

// Posts a click at a client point of `window`.
void PostClick(HWND window, POINT client)
{
    const LPARAM pos = MAKELPARAM(client.x, client.y);
    PostMessageW(window, WM_MOUSEMOVE, 0, pos);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, pos);
    PostMessageW(window, WM_LBUTTONUP, 0, pos);
}

} // namespace

std::vector<HWND> VisibleWindowsOf(DWORD pid)
{
    std::vector<HWND> windows;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, nullptr, nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == pid && IsWindowVisible(window))
            windows.push_back(window);
    }
    return windows;
}

std::wstring WindowTextOf(HWND window)
{
    WCHAR text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

bool WizardDriver::Start(const std::wstring& exe, const std::wstring& skinArchive, const std::wstring& workDir,
                         const std::wstring& arguments)
{
    // The programs are aware of the display's scaling: so is the driver, so
    // that their windows' rectangles are not converted on the way.
    CPaintManagerUI::SetProcessAwareness();
    const std::wstring exeDir = exe.substr(0, exe.find_last_of(L"\\/"));
    m_skinCopy = std::make_unique<ScratchDir>(L"skin");
    m_listings.clear();
    m_dpi = 0;
    const std::wstring copy = *m_skinCopy / skinArchive;
    m_skin = CopyFileW((exeDir + L"\\" + skinArchive).c_str(), copy.c_str(), FALSE) ? copy : L"";
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

UINT WizardDriver::ProgramDpi()
{
    RECT client = {};
    if (m_dpi || !m_frame || m_frameLayout.empty() || !GetClientRect(m_frame, &client))
        return m_dpi;
    skinshot::SkinArchiveScope skin(m_skin);
    skinshot::CSkinWindow layout(m_frameLayout);
    RECT unscaled = {};
    if (skin.Exists() && layout.Open(nullptr, 0, 0, false, {100, 100}, CPaintManagerUI::kLayoutDpi) &&
        GetClientRect(layout.GetHWND(), &unscaled) && unscaled.right > 0)
        m_dpi = MulDiv(client.right, CPaintManagerUI::kLayoutDpi, unscaled.right);
    return m_dpi;
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
    if (!skinshot::ListNamedControls(m_skin, layout, hint, &controls, ProgramDpi()))
        return nullptr;
    return &m_listings.emplace(layout, std::move(controls)).first->second;
}

bool WizardDriver::ControlScreenRect(const std::wstring& page, const std::wstring& control, RECT* rect)
{
    const std::vector<skinshot::NamedControl>* controls = WindowOf(page) ? Listing(page) : nullptr;
    const skinshot::NamedControl* found = controls ? skinshot::FindNamed(*controls, control) : nullptr;
    if (!found)
        return false;
    *rect = found->rect;
    MapWindowPoints(WindowOf(page), nullptr, reinterpret_cast<POINT*>(rect), 2);
    return true;
}

HWND WizardDriver::TargetOf(const std::wstring& page, const std::wstring& control, POINT* at)
{
    RECT rc = {};
    if (!ControlScreenRect(page, control, &rc))
        return nullptr;
    const POINT screen = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    HWND target = WindowOf(page);
    for (HWND child = target; child;) {
        target = child;
        *at = screen;
        ScreenToClient(target, at);
        child = ChildWindowFromPointEx(target, *at, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        child = child == target ? nullptr : child;
    }
    return target;
}

bool WizardDriver::ShowsText(const std::wstring& page, const std::wstring& control, const std::wstring& text)
{
    RECT onScreen = {}, client = {};
    HWND window = WindowOf(page);
    if (!IsWindowVisible(window) || !ControlScreenRect(page, control, &onScreen) || !GetClientRect(window, &client))
        return false;
    skinshot::Image drawn;
    {
        skinshot::SkinArchiveScope skin(m_skin);
        skinshot::CSkinWindow layout(LayoutOf(page));
        CControlUI* found = nullptr;
        skinshot::Image whole;
        if (!skin.Exists() || !layout.Open(nullptr, 0, 0, false, {client.right, client.bottom}, ProgramDpi()) ||
            !(found = layout.Find(control.c_str())))
            return false;
        found->SetText(text.c_str());
        layout.Manager().UpdateLayout();
        if (!skinshot::RenderWindow(layout.Manager(), &whole))
            return false;
        drawn = whole.Crop(found->GetPos());
    }
    WaitIdle(5000);
    skinshot::Image shown;
    return skinshot::CaptureScreen(onScreen, &shown) && !drawn.Empty() && shown.width == drawn.width &&
           shown.height == drawn.height && shown.pixels == drawn.pixels;
}

bool WizardDriver::Click(const std::wstring& page, const std::wstring& control)
{
    POINT at = {};
    HWND target = TargetOf(page, control, &at);
    if (target)
        PostClick(target, at);
    return target != nullptr;
}

bool WizardDriver::TypeText(const std::wstring& page, const std::wstring& control, const std::wstring& text)
{
    POINT at = {};
    HWND edit = TargetOf(page, control, &at);
    if (!edit || lstrcmpiW(ClassOf(edit).c_str(), L"Edit") != 0)
        return false;
    PostClick(edit, at);
    PostMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t ch : text)
        PostMessageW(edit, WM_CHAR, ch, 1);
    return true;
}

namespace {

// A key event: virtual key `vk`, or the character `ch` with KEYEVENTF_UNICODE.
INPUT Key(WORD vk, wchar_t ch, DWORD flags)
{
    INPUT key = {};
    key.type = INPUT_KEYBOARD;
    key.ki = {vk, static_cast<WORD>(ch), flags, 0, 0};
    return key;
}

bool Send(std::vector<INPUT>& in)
{
    return in.empty() || SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size();
}

} // namespace

bool WizardDriver::Keys(std::initializer_list<WORD> chord)
{
    std::vector<INPUT> in;
    for (WORD vk : chord)
        in.push_back(Key(vk, 0, 0));
    for (auto it = chord.end(); it != chord.begin();)
        in.push_back(Key(*--it, 0, KEYEVENTF_KEYUP));
    return Send(in);
}

bool WizardDriver::TypeKeys(const std::wstring& text)
{
    std::vector<INPUT> in;
    for (wchar_t ch : text) {
        in.push_back(Key(0, ch, KEYEVENTF_UNICODE));
        in.push_back(Key(0, ch, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
    }
    return Send(in);
}

HWND WizardDriver::KeyboardWindow() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = m_frame ? GetWindowThreadProcessId(m_frame, nullptr) : 0;
    return thread && GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

MessageBoxSeen WizardDriver::WaitMessageBox(DWORD ms, const std::wstring& caption, const std::wstring& text) const
{
    MessageBoxSeen seen;
    WaitUntil(
        [&] {
            for (HWND window : VisibleWindowsOf(ProcessId())) {
                if (ClassOf(window) != L"#32770")
                    continue;
                MessageBoxSeen candidate = {window, TextOf(window), L""};
                for (HWND text = nullptr; (text = FindWindowExW(window, text, L"Static", nullptr)) != nullptr;)
                    candidate.text += TextOf(text);
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
    return button && PostMessageW(button, BM_CLICK, 0, 0) && WaitUntil([&] { return !IsWindow(seen.box); }, ms);
}

bool WizardDriver::WaitExit(DWORD ms, DWORD* exitCode) const
{
    const bool ended = Process() && WaitForSingleObject(Process(), ms) == WAIT_OBJECT_0;
    if (ended && exitCode)
        *exitCode = static_cast<DWORD>(m_process.ExitCode());
    return ended;
}

bool WizardDriver::WaitChildrenEnded(const wchar_t* exe, DWORD ms) const
{
    return Process() && WaitUntil([&] { return RunningChild(ProcessId(), exe) == 0; }, ms, 100);
}

int WizardDriver::ProgressWidth(const std::wstring& page, const std::wstring& control)
{
    HWND window = WindowOf(page);
    RECT bar = {};
    if (!IsWindowVisible(window) || !ControlScreenRect(page, control, &bar))
        return -1;
    skinshot::Image fill;
    if (!skinshot::LoadArchivePicture(m_skin, L"progress.png", &fill) || fill.Empty())
        return -1;
    RECT client = {};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    skinshot::Image shot;
    const int height = bar.bottom - bar.top;
    if (height <= 0 || !skinshot::CaptureScreen({bar.left, bar.top, client.right, bar.bottom}, &shot) || shot.width < 2)
        return -1;

    // Two rows clear of the frame's border; the fill picture is stretched
    // over the bar's height, so row r shows the picture's row r * h / height.
    // A column is filled (or empty) when both rows show the picture (or white).
    const int rows[2] = {height / 3, height / 2};
    auto filled = [&](int x) {
        return std::all_of(std::begin(rows), std::end(rows), [&](int row) {
            return ColoursNear(shot.At(x, row), fill.At(fill.width / 2, row * fill.height / height), 24);
        });
    };
    auto empty = [&](int x) {
        return ColoursNear(shot.At(x, rows[0]), 0xFFFFFF, 8) && ColoursNear(shot.At(x, rows[1]), 0xFFFFFF, 8);
    };
    // Column 0 lies under the frame's left border.
    int x = 1;
    while (x < shot.width && filled(x))
        ++x;
    if (x >= shot.width)
        return -1;
    const int run = x - 1;
    if (empty(x))
        return run + 1;
    // A full bar: the frame's right border lies over its last column.
    return run > 0 ? run + 2 : -1;
}

bool StartSetup(WizardDriver& run, const std::wstring& exe)
{
    return run.Start(ModuleDir() + L"\\" + exe, kSetupSkinFileName) &&
           run.WaitFrame(kSetupWindowTitle, 30000) != nullptr;
}

bool StartUninstall(WizardDriver& run, const std::wstring& dir, const std::wstring& workDir)
{
    return run.Start(dir + L"\\" + kUninstallerFileName, kUninstallSkinFileName, workDir) &&
           run.WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml") != nullptr;
}

bool EndsWithZero(const WizardDriver& run, DWORD ms)
{
    DWORD code = 99;
    return run.WaitExit(ms, &code) && code == 0;
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
