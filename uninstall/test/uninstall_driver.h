// Test support for driving the real Uninstall.exe under Wine: a fake
// installation laid out the way Setup leaves it (files, install record,
// shortcuts, autostart value, optionally an install manifest), a running
// Uninstall found by its window title, real mouse messages at the controls'
// positions of the shipped layouts, and a record of the message boxes shown.
// Everything the fixture creates is removed again when it goes out of scope,
// including the real record locations, so that tests do not depend on order.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uninstall_test {

// Positions (client coordinates) of the controls in Uninstall.DAT's layouts.
inline constexpr POINT kFrameNext = {387, 372};
inline constexpr POINT kFrameCancel = {470, 372};
inline constexpr POINT kFrameClose = {488, 14};
inline constexpr POINT kFrameMin = {452, 13};
inline constexpr POINT kFrameCaption = {200, 15};
inline constexpr POINT kPageCancel = {465, 338};  // progress page
inline constexpr POINT kPageFinish = {465, 338};  // completion page

enum class Manifest { None, CreatedDirectory, PreexistingDirectory, Damaged };

struct InstallOptions {
    int recordRoot = 1;           // 1: HKEY_LOCAL_MACHINE, 0: HKEY_CURRENT_USER, -1: no record
    bool writeLocation = true;    // "InstallLocation" in the record
    Manifest manifest = Manifest::CreatedDirectory;
    std::vector<std::pair<std::wstring, std::string>> userFiles;  // relative path, bytes
    // Install straight into this existing folder (the desktop, say) instead of
    // a fresh one; the fixture then removes only what it put there.
    std::wstring intoFolder;
};

// Removes every trace of the product from the real locations: records under
// both roots, autostart values, shortcuts of both programs folders, desktop
// and Quick Launch.
void CleanProductTraces();

class FakeInstallation {
public:
    // Lays out the installation in a fresh folder "<scratch>\\VELT电子日历".
    explicit FakeInstallation(const InstallOptions& options);
    ~FakeInstallation();
    const std::wstring& Dir() const { return m_dir; }
    const std::wstring& Parent() const { return m_parent; }
    int AllUsers() const { return m_allUsers; }
    bool Ok() const { return m_ok; }

private:
    std::wstring m_parent;  // empty when installed into an existing folder
    std::wstring m_dir;
    std::vector<std::wstring> m_userFiles;
    int m_allUsers = 1;
    bool m_ok = false;
};

struct MessageBoxSeen {
    std::wstring caption;
    std::wstring text;
};

class UninstallRun {
public:
    // Starts <dir>\\Uninstall.exe (current directory: the temporary folder)
    // and waits up to 20 s for its frame.
    bool Start(const std::wstring& dir);
    ~UninstallRun();

    HWND Frame() const { return m_frame; }
    HWND Page(const wchar_t* name) const;  // "Page10", "Page11"
    bool PageVisible(const wchar_t* name) const;
    // Waits up to ms for the page to become visible.
    bool WaitPageVisible(const wchar_t* name, DWORD ms) const;

    // Mouse move, button down and up at a client position of a window.
    static void Click(HWND window, POINT at);
    void PostSysClose() const;

    // The first message box of the process that appears within ms, or
    // nullptr; its caption and static text go to *seen.
    HWND WaitMessageBox(DWORD ms, MessageBoxSeen* seen) const;
    // Presses the message box's button with that id (IDOK, IDYES, IDNO).
    static void Answer(HWND box, int id);

    bool WaitExit(DWORD ms, DWORD* exitCode);
    HANDLE Process() const { return m_pi.hProcess; }
    DWORD ProcessId() const { return m_pi.dwProcessId; }
    // Every top-level window the process has at the moment (visible ones).
    std::vector<HWND> VisibleTopLevelWindows() const;

private:
    PROCESS_INFORMATION m_pi = {};
    HWND m_frame = nullptr;
};

// Writes a screenshot of the whole screen as a BMP file.
bool SaveScreenshot(const std::wstring& path);

// Polls until the path is gone; false after ms.
bool WaitGone(const std::wstring& path, DWORD ms);

std::wstring ShellPath(int csidl, const std::wstring& relative);

} // namespace uninstall_test
