// WizardDriver: drives a running Setup or Uninstall through its windows, the
// way a user would, for the programs' end-to-end tests under Wine.
//
// Windows are found the way the programs make them: the top-level frame is a
// visible window of class "CoverWnd" or "Page8Wnd" with a given title, owned by
// the started process; a page is the frame's child whose window name is
// "Page1" ... "Page13".
//
// Controls are named, never placed by hand: a control's rectangle comes from
// its window's layout in the program's skin archive ("Uninstall.DAT",
// "VELTSetupDate.DAT"), listed with skinshot::ListNamedControls (a hidden
// window of the wizard's own class in this process). The archive beside the
// executable is copied when the program starts, so rectangles can still be
// listed after the program removed its folder; each layout is listed once.
// The listing is laid out at the DPI the program lays its windows out at:
// its frame's client width against the frame layout's at 96 DPI (Wine 8's
// GetDpiForWindow answers for another process's window with the asking
// process's own DPI, fixed when it started).
// A page's layout is its window name + "Wnd.xml"; the frame's is given to
// WaitFrame.
//
// Keyboard input is real (SendInput): see Keys. Mouse input is posted, never
// sent, so a driver call never blocks on a program
// that shows a modal message box: a click is WM_MOUSEMOVE, WM_LBUTTONDOWN and
// WM_LBUTTONUP at the control's centre, posted to the deepest visible child
// window under that point (a page that covers the frame, a native edit
// field), in that window's client coordinates. Posted input to one window is
// handled in the order it was posted.
//
// Every wait takes a deadline in milliseconds and polls with WaitUntil; none
// sleeps a fixed time. Use from one thread. The destructor ends a program
// that still runs (TerminateProcess) and closes the handles.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "control_list.h"
#include "test_support.h"
#include "wait_until.h"

namespace testing_support {

// A message box of the program: a visible dialog (class "#32770") of its
// process. box is null when none was found.
struct MessageBoxSeen {
    HWND box = nullptr;
    std::wstring caption;
    std::wstring text;  // the texts of its static controls, in order
};

class WizardDriver {
public:
    WizardDriver() = default;
    WizardDriver(const WizardDriver&) = delete;
    WizardDriver& operator=(const WizardDriver&) = delete;

    // Starts `exe` (a full path) with `workDir` as its current directory
    // (empty: the temporary folder) and `arguments` after the quoted program
    // path (the programs take none). `skinArchive` is the file name of its
    // skin archive beside the executable; it is copied now when it exists.
    // False when the process could not be started.
    bool Start(const std::wstring& exe, const std::wstring& skinArchive, const std::wstring& workDir = L"",
               const std::wstring& arguments = L"");

    HANDLE Process() const { return m_process.Handle(); }
    DWORD ProcessId() const { return m_process.Id(); }

    // Waits for the frame titled `title`, and then for the program's first
    // wait for input (WaitForInputIdle), by when a program that shows its
    // frame and then creates its pages before its message loop has created
    // them. `frameLayout` is the frame's layout in the skin archive (empty:
    // the class name + ".xml", "CoverWnd.xml" or "Page8Wnd.xml"; Uninstall's
    // frame is "Page9Wnd.xml"). Returns the frame, or null when it did not
    // appear (or the program did not wait for input) in time, or the process
    // ended first.
    HWND WaitFrame(const std::wstring& title, DWORD ms, const std::wstring& frameLayout = L"");
    HWND Frame() const { return m_frame; }
    // Waits until the program waits for input with none pending
    // (WaitForInputIdle). False on timeout, and at once for a program without
    // a window subsystem (a console program).
    bool WaitIdle(DWORD ms) const { return Process() && WaitForInputIdle(Process(), ms) == 0; }

    // The page window of that name ("Page10"), or null.
    HWND Page(const std::wstring& name) const
    {
        return m_frame ? FindWindowExW(m_frame, nullptr, nullptr, name.c_str()) : nullptr;
    }
    // The page exists and is visible (its own WS_VISIBLE style and its
    // parents').
    bool PageVisible(const std::wstring& name) const { return IsWindowVisible(Page(name)) != FALSE; }
    bool WaitPageVisible(const std::wstring& name, DWORD ms) const
    {
        return WaitUntil([&] { return PageVisible(name); }, ms);
    }
    bool WaitPageHidden(const std::wstring& name, DWORD ms) const
    {
        return WaitUntil([&] { return !PageVisible(name); }, ms);
    }

    // A control's rectangle from the layout (in its window's client
    // coordinates) on the screen, where the window is now; `page` empty
    // means the frame. False when the window, its layout or the control is
    // unknown.
    bool ControlScreenRect(const std::wstring& page, const std::wstring& control, RECT* rect);

    // Clicks a control of the frame, or of a page. False when the control
    // could not be located (nothing is posted then).
    bool Click(const std::wstring& control) { return Click(L"", control); }
    bool Click(const std::wstring& page, const std::wstring& control);

    // Types into an edit field of a page (or of the frame, page empty): clicks
    // it, which focuses the native edit field under it, selects all its text
    // (EM_SETSEL 0, -1) and posts WM_CHAR for each UTF-16 unit of `text`.
    // False when no native edit field lies under the control.
    bool TypeText(const std::wstring& page, const std::wstring& control, const std::wstring& text);

    // Real keyboard input (SendInput), as from a keyboard: it goes to the
    // window that holds the keyboard in the foreground program, and the
    // program reads the key state (Shift, Ctrl, Alt) it sees. Keys: the
    // chord's keys pressed in order and released in reverse (Alt+N is
    // {VK_MENU, 'N'}). TypeKeys: each UTF-16 unit of text as a typed
    // character (KEYEVENTF_UNICODE). Posted input to one thread keeps its
    // order. False when the input could not be sent.
    static bool Keys(std::initializer_list<WORD> chord);
    static bool TypeKeys(const std::wstring& text);
    // The program's frame is the foreground window, within ms.
    bool WaitForeground(DWORD ms) const
    {
        return WaitUntil([&] { return m_frame && GetForegroundWindow() == m_frame; }, ms);
    }
    // The window of the program that holds the keyboard (GetGUIThreadInfo).
    HWND KeyboardWindow() const;

    // Alt+F4: WM_SYSCOMMAND SC_CLOSE to the frame. WM_CLOSE from outside.
    bool PostSysClose() const { return m_frame && PostMessageW(m_frame, WM_SYSCOMMAND, SC_CLOSE, 0); }
    bool PostClose() const { return m_frame && PostMessageW(m_frame, WM_CLOSE, 0, 0); }

    // The first message box of the process whose caption and text equal the
    // given ones (an empty filter matches anything) that shows within ms.
    MessageBoxSeen WaitMessageBox(DWORD ms, const std::wstring& caption = L"",
                                  const std::wstring& text = L"") const;
    // Presses the box's button `id` (IDOK, IDYES, IDNO, IDCANCEL) and waits up
    // to ms for the box to be destroyed. False when it has no such button or
    // stays.
    static bool Answer(const MessageBoxSeen& seen, int id, DWORD ms = 10000);

    // Waits for the process to end; its exit code goes to *exitCode.
    bool WaitExit(DWORD ms, DWORD* exitCode = nullptr) const;
    bool Running() const { return Process() && WaitForSingleObject(Process(), 0) == WAIT_TIMEOUT; }
    // Waits until no process named `exe` that the program started still runs
    // (Uninstall's delayed removal, "cmd.exe", goes on after the program).
    bool WaitChildrenEnded(const wchar_t* exe, DWORD ms) const;

    // The page (or the frame, page empty) is visible and the screen shows in
    // its control exactly what the layout draws there with `text` as the
    // control's text (drawn in this process from the program's skin
    // archive). False when anything differs or cannot be located.
    bool ShowsText(const std::wstring& page, const std::wstring& control, const std::wstring& text);

    // The width of a progress bar as the screen shows it: the bar's columns
    // (from the layout's rectangle of `control` in `page`, right to the page's
    // edge) are read on screen and the filled ones counted. Filled is the
    // colour of the skin's "progress.png", empty is white; the frame's
    // one-pixel border that lies over the bar's first and last column counts
    // as filled where it closes a filled run. Returns -1 when it cannot tell
    // (page hidden, covered, or pixels of neither kind).
    int ProgressWidth(const std::wstring& page, const std::wstring& control = L"progressbar");

private:
    // The DPI the program's windows are laid out at (0 while unknown).
    UINT ProgramDpi();
    // The layout of a window: the frame's, or page name + "Wnd.xml".
    std::wstring LayoutOf(const std::wstring& page) const { return page.empty() ? m_frameLayout : page + L"Wnd.xml"; }
    HWND WindowOf(const std::wstring& page) const { return page.empty() ? m_frame : Page(page); }
    const std::vector<skinshot::NamedControl>* Listing(const std::wstring& page);
    // The deepest visible child window under the centre of a control (a page
    // that covers the frame, a native edit field), with that point in its
    // client coordinates; null when the control could not be located.
    HWND TargetOf(const std::wstring& page, const std::wstring& control, POINT* at);

    // Ended (TerminateProcess) when it still runs as the driver goes.
    ChildProcess m_process;
    HWND m_frame = nullptr;
    std::wstring m_frameLayout;
    std::unique_ptr<ScratchDir> m_skinCopy;
    std::wstring m_skin;  // the copied archive, empty when there was none
    std::map<std::wstring, std::vector<skinshot::NamedControl>> m_listings;
    UINT m_dpi = 0;  // ProgramDpi's answer, once known
};

// A window's text as it answers WM_GETTEXT (a native field of another
// process too); empty when it does not answer within 5 s.
std::wstring WindowTextOf(HWND window);

// The visible top-level windows of process `pid` now.
std::vector<HWND> VisibleWindowsOf(DWORD pid);

// Starts `exe` (a program beside the test program, by default Setup.exe) and
// waits for Setup's frame; false when it did not appear.
bool StartSetup(WizardDriver& run, const std::wstring& exe = L"Setup.exe");
// Starts <dir>\\Uninstall.exe (current directory `workDir`, by default the
// temporary folder) and waits for its frame; false when it did not appear.
bool StartUninstall(WizardDriver& run, const std::wstring& dir, const std::wstring& workDir = L"");
// The program ends within ms with exit code 0.
bool EndsWithZero(const WizardDriver& run, DWORD ms = 30000);

// Setup's fresh-install frame from its first screen to Page4 with the frame's
// and the pages' "nextbtn" (Page3's "onlymebtn" clicked first when onlyMe),
// until Page4 shows and Page3 has hidden; false at the first step that did
// not happen.
bool WalkSetupToPage4(WizardDriver& run, bool onlyMe = false);

} // namespace testing_support
