#include "uninstall_driver.h"

#include "install_manifest.h"
#include "payload_entries.h"
#include "product.h"
#include "registry_key.h"
#include "test_support.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

using namespace testing_support;

namespace uninstall_test {

namespace {

// Creates a shell link at `link` pointing to `target` (COM on this thread).
void WriteShortcut(const std::wstring& link, const std::wstring& target)
{
    const size_t slash = link.find_last_of(L'\\');
    MakeDirs(link.substr(0, slash));
    CoInitialize(nullptr);
    IShellLinkW* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink)))) {
        shellLink->SetPath(target.c_str());
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            file->Save(link.c_str(), TRUE);
            file->Release();
        }
        shellLink->Release();
    }
    CoUninitialize();
    if (!Exists(link))
        WriteBytes(link, "link");  // the name is what the removal looks for
}

bool CopyBeside(const std::wstring& name, const std::wstring& dir)
{
    return CopyFileW((ModuleDir() + L"\\" + name).c_str(), (dir + L"\\" + name).c_str(), FALSE) != 0;
}

std::wstring Backslashes(std::wstring path)
{
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

} // namespace

std::wstring ShellPath(int csidl, const std::wstring& relative)
{
    WCHAR path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    return relative.empty() ? std::wstring(path) : std::wstring(path) + L"\\" + relative;
}

void CleanProductTraces()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        CRegistryKey key;
        if (key.Open(root, kUninstallParentKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
            key.DeleteTree(kProductKey);
        key.Close();
        if (key.Open(root, kRunKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
            RegDeleteValueW(key.Handle(), kAutostartValueName);
    }
    for (int programs : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS})
        RemoveTree(ShellPath(programs, kProgramsGroupDir));
    DeleteFileW(ShellPath(CSIDL_DESKTOPDIRECTORY, kAppShortcutName).c_str());
    DeleteFileW(ShellPath(CSIDL_APPDATA, std::wstring(kQuickLaunchFolder) + L"\\" + kAppShortcutName).c_str());
}

FakeInstallation::FakeInstallation(const InstallOptions& options)
{
    CleanProductTraces();
    if (options.intoFolder.empty()) {
        m_parent = ShellPath(CSIDL_COMMON_APPDATA, UniqueName(L"VeltTest"));
        m_dir = m_parent + L"\\" + kDisplayName;
    } else {
        m_dir = options.intoFolder;
    }
    m_allUsers = options.recordRoot == 0 ? 0 : 1;
    if (!MakeDirs(m_dir))
        return;
    // The payload as Setup extracts it; the three files Uninstall needs are the real ones.
    for (const std::wstring& name : PayloadEntryNames()) {
        const std::wstring path = Backslashes(m_dir + L"\\" + name);
        if (path.back() == L'\\')
            MakeDirs(path.substr(0, path.size() - 1));
        else if (name != kUninstallerFileName && name != kWindowLibraryFileName && name != kUninstallSkinFileName)
            WriteBytes(path, "payload " + std::to_string(path.size()));
    }
    if (!CopyBeside(kUninstallerFileName, m_dir) || !CopyBeside(kWindowLibraryFileName, m_dir) ||
        !CopyBeside(kUninstallSkinFileName, m_dir))
        return;
    for (const auto& file : options.userFiles) {
        const std::wstring path = m_dir + L"\\" + file.first;
        m_userFiles.push_back(path);
        MakeDirs(path.substr(0, path.find_last_of(L'\\')));
        WriteBytes(path, file.second);
    }
    if (options.manifest != Manifest::None) {
        InstallManifest manifest;
        manifest.directory = m_dir;
        manifest.createdDirectory = options.manifest == Manifest::CreatedDirectory;
        for (const std::wstring& name : PayloadEntryNames())
            manifest.AddArchiveEntry(name);
        manifest.AddFile(kInstallManifestFileName);
        if (WriteInstallManifest(m_dir, manifest) != ERROR_SUCCESS)
            return;
        if (options.manifest == Manifest::Damaged) {
            std::string bytes;
            ReadBytes(InstallManifestPath(m_dir), &bytes);
            bytes[bytes.size() / 2] ^= 0x20;
            WriteBytes(InstallManifestPath(m_dir), bytes);
        }
    }
    if (options.recordRoot >= 0) {
        if (WriteInstallRecord(options.recordRoot, kProductKey, m_dir, RecordWriter::Install) != ERROR_SUCCESS)
            return;
        if (!options.writeLocation) {
            CRegistryKey key;
            key.Open(RecordRoot(options.recordRoot), InstallRecordKeyPath(kProductKey).c_str(), KEY_ALL_ACCESS);
            RegDeleteValueW(key.Handle(), kValueInstallLocation);
        }
        CRegistryKey run;
        if (run.Open(RecordRoot(options.recordRoot), kRunKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
            run.WriteString(kAutostartValueName, AutostartCommand(m_dir).c_str());
    }
    const ShortcutPaths links = ComposeShortcutPaths(m_allUsers);
    WriteShortcut(links.appLink, AppExePath(m_dir));
    WriteShortcut(links.uninstallLink, UninstallerExePath(m_dir));
    WriteShortcut(links.desktopLink, AppExePath(m_dir));
    WriteShortcut(links.quickLaunchLink, AppExePath(m_dir));
    m_ok = true;
}

FakeInstallation::~FakeInstallation()
{
    CleanProductTraces();
    if (m_parent.empty()) {
        // Only what the fixture put into the existing folder.
        for (const wchar_t* name : {kAppFileName, kUninstallerFileName, kUninstallSkinFileName,
                                    kWindowLibraryFileName, kInstallManifestFileName, L"res"})
            RemoveTree(m_dir + L"\\" + name);
        for (const std::wstring& path : m_userFiles)
            DeleteFileW(path.c_str());
        return;
    }
    for (int i = 0; i < 50 && !RemoveTree(m_parent); ++i)
        Sleep(100);
}

bool UninstallRun::Start(const std::wstring& dir)
{
    const std::wstring exe = dir + L"\\" + kUninstallerFileName;
    std::wstring commandLine = L"\"" + exe + L"\"";
    WCHAR temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, temp, &si, &m_pi))
        return false;
    for (int i = 0; i < 200; ++i) {
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, L"CoverWnd", kUninstallWindowTitle)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == m_pi.dwProcessId && IsWindowVisible(window)) {
                m_frame = window;
                Sleep(300);  // let the first paint happen
                return true;
            }
        }
        if (WaitForSingleObject(m_pi.hProcess, 100) == WAIT_OBJECT_0)
            return false;
    }
    return false;
}

UninstallRun::~UninstallRun()
{
    if (m_pi.hProcess) {
        if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_pi.hProcess, 1);
            WaitForSingleObject(m_pi.hProcess, 5000);
        }
        CloseHandle(m_pi.hProcess);
        CloseHandle(m_pi.hThread);
    }
}

HWND UninstallRun::Page(const wchar_t* name) const
{
    return m_frame ? FindWindowExW(m_frame, nullptr, L"CoverWnd", name) : nullptr;
}

bool UninstallRun::PageVisible(const wchar_t* name) const
{
    HWND page = Page(name);
    return page && (GetWindowLongW(page, GWL_STYLE) & WS_VISIBLE);
}

bool UninstallRun::WaitPageVisible(const wchar_t* name, DWORD ms) const
{
    const DWORD start = GetTickCount();
    while (!PageVisible(name)) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(50);
    }
    return true;
}

void UninstallRun::Click(HWND window, POINT at)
{
    const LPARAM pos = MAKELPARAM(at.x, at.y);
    PostMessageW(window, WM_MOUSEMOVE, 0, pos);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, pos);
    PostMessageW(window, WM_LBUTTONUP, 0, pos);
}

void UninstallRun::PostSysClose() const
{
    PostMessageW(m_frame, WM_SYSCOMMAND, SC_CLOSE, 0);
}

namespace {

struct BoxSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param)
{
    BoxSearch* search = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    WCHAR cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (pid == search->pid && lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM param)
{
    WCHAR cls[64] = {};
    GetClassNameW(child, cls, 64);
    if (lstrcmpiW(cls, L"Static") == 0) {
        WCHAR text[512] = {};
        GetWindowTextW(child, text, 512);
        if (text[0])
            *reinterpret_cast<std::wstring*>(param) += text;
    }
    return TRUE;
}

struct WindowList {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindows(HWND window, LPARAM param)
{
    WindowList* list = reinterpret_cast<WindowList*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == list->pid && IsWindowVisible(window))
        list->windows.push_back(window);
    return TRUE;
}

} // namespace

HWND UninstallRun::WaitMessageBox(DWORD ms, MessageBoxSeen* seen) const
{
    const DWORD start = GetTickCount();
    for (;;) {
        BoxSearch search = {m_pi.dwProcessId, nullptr};
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            Sleep(200);
            WCHAR caption[256] = {};
            GetWindowTextW(search.found, caption, 256);
            seen->caption = caption;
            seen->text.clear();
            EnumChildWindows(search.found, CollectText, reinterpret_cast<LPARAM>(&seen->text));
            return search.found;
        }
        if (GetTickCount() - start > ms)
            return nullptr;
        Sleep(50);
    }
}

void UninstallRun::Answer(HWND box, int id)
{
    HWND button = GetDlgItem(box, id);
    if (button)
        PostMessageW(button, BM_CLICK, 0, 0);
    else
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

bool UninstallRun::WaitExit(DWORD ms, DWORD* exitCode)
{
    if (WaitForSingleObject(m_pi.hProcess, ms) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(m_pi.hProcess, exitCode);
    return true;
}

std::vector<HWND> UninstallRun::VisibleTopLevelWindows() const
{
    WindowList list = {m_pi.dwProcessId, {}};
    EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

bool SaveScreenshot(const std::wstring& path)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        const DWORD stride = ((width * 3 + 3) / 4) * 4;
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + stride * height;
        std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
        bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        bytes.append(static_cast<const char*>(bits), stride * height);
        ok = WriteBytes(path, bytes);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool WaitGone(const std::wstring& path, DWORD ms)
{
    const DWORD start = GetTickCount();
    while (Exists(path)) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(100);
    }
    return true;
}

} // namespace uninstall_test
