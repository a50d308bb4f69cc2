#include "setup_e2e.h"

#include <gtest/gtest.h>

#include "fake_installation.h"
#include "product.h"
#include "registry_key.h"
#include "test_support.h"
#include "wait_until.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>

using namespace testing_support;

namespace setup_test {

namespace {

void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, const wchar_t* data)
{
    CRegistryKey key;
    if (key.Create(root, path.c_str()) == ERROR_SUCCESS)
        key.WriteString(name, data);
}

bool ValueExists(HKEY root, const std::wstring& path, const wchar_t* name)
{
    CRegistryKey key;
    return key.Open(root, path.c_str(), KEY_READ) == ERROR_SUCCESS &&
           RegQueryValueExW(key.Handle(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    CRegistryKey key;
    return key.Open(root, path.c_str(), KEY_READ) == ERROR_SUCCESS;
}

void DeleteTreeBelow(HKEY root, const std::wstring& parent, const std::wstring& name)
{
    CRegistryKey key;
    if (key.Open(root, parent.c_str(), KEY_ALL_ACCESS) == ERROR_SUCCESS)
        key.DeleteTree(name.c_str());
}

void DeleteValue(HKEY root, const std::wstring& path, const wchar_t* name)
{
    CRegistryKey key;
    if (key.Open(root, path.c_str(), KEY_ALL_ACCESS) == ERROR_SUCCESS)
        RegDeleteValueW(key.Handle(), name);
}

const wchar_t kNeighbourEntry[] = L"{0D1E2F30-4152-6374-8596-A7B8C9DAEBFC}";
const wchar_t kNeighbourProduct[] = L"0D1E2F3041526374";
const wchar_t kNeighbourRunValue[] = L"VeltNeighbourApp";

} // namespace

bool StartSetup(WizardDriver& run, const wchar_t* exe, const std::wstring& workDir)
{
    return run.Start(ModuleDir() + L"\\" + exe, kSetupSkinFileName, workDir) &&
           run.WaitFrame(kSetupWindowTitle, 30000) != nullptr;
}

std::wstring FrameClass(HWND frame)
{
    WCHAR name[64] = {};
    GetClassNameW(frame, name, 64);
    return name;
}

bool WalkToPage4(WizardDriver& run)
{
    return run.Click(L"nextbtn") && run.WaitPageVisible(L"Page1", 10000) && run.Click(L"Page1", L"nextbtn") &&
           run.WaitPageVisible(L"Page2", 10000) && run.Click(L"Page2", L"nextbtn") &&
           run.WaitPageVisible(L"Page3", 10000) && run.Click(L"Page3", L"nextbtn") &&
           run.WaitPageVisible(L"Page4", 10000) && run.WaitPageHidden(L"Page3", 10000);
}

bool InstallAndWaitForFinish(WizardDriver& run, DWORD ms)
{
    return run.Click(L"Page4", L"nextbtn") && run.WaitPageVisible(L"Page7", ms) && run.WaitPageHidden(L"Page6", 10000);
}

bool EndsWithZero(const WizardDriver& run, DWORD ms)
{
    DWORD code = 99;
    return run.WaitExit(ms, &code) && code == 0;
}

bool Finish(WizardDriver& run, bool launch)
{
    if (!launch && !run.Click(L"Page7", L"runnowbtn"))
        return false;
    // The click on "runnowbtn" is handled before the one on "finishbtn":
    // posted input to one window keeps its order.
    return run.Click(L"Page7", L"finishbtn") && EndsWithZero(run);
}

bool AnswerQuitQuestion(WizardDriver& run, int id)
{
    const MessageBoxSeen seen = run.WaitMessageBox(10000, kCaptionNotice, kMsgQuitQuestion);
    return seen.box && WizardDriver::Answer(seen, id);
}

std::wstring EditText(WizardDriver& run, const std::wstring& page, const std::wstring& control)
{
    RECT rect = {};
    if (!run.ControlScreenRect(page, control, &rect))
        return L"<no control>";
    const POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    HWND edit = WindowFromPoint(centre);
    WCHAR text[1024] = {};
    SendMessageTimeoutW(edit, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

std::vector<DWORD> ControlPixels(WizardDriver& run, const std::wstring& page, const std::wstring& control)
{
    std::vector<DWORD> pixels;
    RECT rect = {};
    if (!run.ControlScreenRect(page, control, &rect) || rect.right <= rect.left || rect.bottom <= rect.top)
        return pixels;
    run.WaitIdle(5000);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.resize(static_cast<size_t>(width) * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    for (DWORD& pixel : pixels)
        pixel &= 0xFFFFFF;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

DWORD CentrePixel(WizardDriver& run, const std::wstring& page, const std::wstring& control)
{
    RECT rect = {};
    const std::vector<DWORD> pixels = ControlPixels(run, page, control);
    if (pixels.empty() || !run.ControlScreenRect(page, control, &rect))
        return 0xFFFFFFFF;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    return pixels[static_cast<size_t>(height / 2) * width + width / 2];
}

int InkedColumns(WizardDriver& run, const std::wstring& page, const std::wstring& control)
{
    RECT rect = {};
    const std::vector<DWORD> pixels = ControlPixels(run, page, control);
    if (pixels.empty() || !run.ControlScreenRect(page, control, &rect))
        return -1;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int columns = 0;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            const DWORD p = pixels[static_cast<size_t>(y) * width + x];
            const int brightness = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
            if (brightness < 3 * 128) {
                ++columns;
                break;
            }
        }
    }
    return columns;
}

bool RecordExists(HKEY root, const std::wstring& productKey)
{
    return KeyExists(root, InstallRecordKeyPath(productKey));
}

std::wstring RecordValue(HKEY root, const wchar_t* name)
{
    CRegistryKey key;
    WCHAR text[1024] = {};
    ULONG bytes = sizeof text - sizeof(WCHAR);
    if (key.Open(root, InstallRecordKeyPath(kProductKey).c_str(), KEY_READ) != ERROR_SUCCESS ||
        key.ReadString(name, text, &bytes) != ERROR_SUCCESS)
        return L"<none>";
    return text;
}

std::wstring AutostartValue(HKEY root)
{
    CRegistryKey key;
    WCHAR text[1024] = {};
    ULONG bytes = sizeof text - sizeof(WCHAR);
    if (key.Open(root, kRunKey, KEY_READ) != ERROR_SUCCESS ||
        key.ReadString(kAutostartValueName, text, &bytes) != ERROR_SUCCESS)
        return L"<none>";
    return text;
}

std::wstring LinkTarget(const std::wstring& link)
{
    const bool com = SUCCEEDED(CoInitialize(nullptr));
    std::wstring target = L"<none>";
    IShellLinkW* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR path[MAX_PATH] = {};
            WCHAR icon[MAX_PATH] = {};
            int index = -1;
            if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
                SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)) &&
                SUCCEEDED(shellLink->GetIconLocation(icon, MAX_PATH, &index)))
                target = lstrcmpiW(path, icon) == 0 && index == 0 ? std::wstring(path) : L"<icon differs>";
            file->Release();
        }
        shellLink->Release();
    }
    if (com)
        CoUninitialize();
    return target;
}

namespace {

void Collect(const std::wstring& dir, const std::wstring& prefix, std::vector<std::wstring>* out)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        out->push_back(prefix + name);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Collect(dir + L"\\" + name, prefix + name + L"\\", out);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

} // namespace

std::vector<std::wstring> Tree(const std::wstring& dir)
{
    std::vector<std::wstring> names;
    Collect(dir, L"", &names);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Content(const std::wstring& path)
{
    std::string bytes;
    ReadBytes(path, &bytes);
    return bytes;
}

std::wstring DefaultDir()
{
    return DefaultInstallDir();
}

CleanMachine::CleanMachine()
{
    CleanProductTraces();
    RemoveTree(DefaultInstallDir());
    RemoveDirectoryW(ShellPath(CSIDL_PROGRAM_FILES, L"QRVL").c_str());
}

CleanMachine::~CleanMachine()
{
    CleanProductTraces();
    RemoveTree(DefaultInstallDir());
    RemoveDirectoryW(ShellPath(CSIDL_PROGRAM_FILES, L"QRVL").c_str());
}

EarlierEdition::EarlierEdition(HKEY root, const std::wstring& location) : m_root(root), m_location(location)
{
    const std::wstring entry = std::wstring(kUninstallParentKey) + L"\\" + kLegacyProductCode;
    SetValue(root, entry, kValueInstallLocation, location.c_str());
    SetValue(root, std::wstring(kUninstallParentKey) + L"\\" + kNeighbourEntry, kValueDisplayName, L"neighbour");
    SetValue(root, kRunKey, kLegacyAutostartValueName, L"C:\\old\\VELT电子日历.exe");
    SetValue(root, kRunKey, kNeighbourRunValue, L"C:\\other\\app.exe");
    SetValue(root, std::wstring(kLegacyProductsKey) + L"\\" + kLegacyPackedProductCode + L"\\InstallProperties",
             L"DisplayName", L"VELT电子日历");
    SetValue(root, std::wstring(kLegacyProductsKey) + L"\\" + kNeighbourProduct + L"\\InstallProperties",
             L"DisplayName", L"neighbour");

    MakeDirs(location + L"\\VELT电子日历\\res");
    WriteBytes(location + L"\\VELT电子日历\\VELT电子日历.exe", "old calendar");
    WriteBytes(location + L"\\VELT电子日历\\res\\old.png", "old picture");
    WriteBytes(location + L"\\keep.txt", "neighbour");

    const int programs = root == HKEY_LOCAL_MACHINE ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
    m_programsLink = ShellPath(programs, kLegacyProgramsShortcut);
    m_programsNeighbour = ShellPath(programs, L"VELT\\neighbour.lnk");
    MakeDirs(ShellPath(programs, L"VELT"));
    WriteBytes(m_programsLink, "old link");
    WriteBytes(m_programsNeighbour, "neighbour link");
    for (int desktop : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
        MakeDirs(ShellPath(desktop, L""));
        WriteBytes(ShellPath(desktop, kLegacyDesktopShortcut), "old link");
        WriteBytes(ShellPath(desktop, L"neighbour.txt"), "neighbour");
    }
}

EarlierEdition::~EarlierEdition()
{
    DeleteTreeBelow(m_root, kUninstallParentKey, kLegacyProductCode);
    DeleteTreeBelow(m_root, kUninstallParentKey, kNeighbourEntry);
    DeleteValue(m_root, kRunKey, kLegacyAutostartValueName);
    DeleteValue(m_root, kRunKey, kNeighbourRunValue);
    DeleteTreeBelow(m_root, kLegacyProductsKey, kLegacyPackedProductCode);
    DeleteTreeBelow(m_root, kLegacyProductsKey, kNeighbourProduct);
    RemoveTree(m_location);
    DeleteFileW(m_programsLink.c_str());
    DeleteFileW(m_programsNeighbour.c_str());
    RemoveDirectoryW(m_programsLink.substr(0, m_programsLink.find_last_of(L'\\')).c_str());
    for (int desktop : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
        DeleteFileW(ShellPath(desktop, kLegacyDesktopShortcut).c_str());
        DeleteFileW(ShellPath(desktop, L"neighbour.txt").c_str());
    }
}

void EarlierEdition::ExpectRemoved() const
{
    EXPECT_FALSE(KeyExists(m_root, std::wstring(kUninstallParentKey) + L"\\" + kLegacyProductCode));
    EXPECT_FALSE(ValueExists(m_root, kRunKey, kLegacyAutostartValueName));
    EXPECT_FALSE(KeyExists(m_root, std::wstring(kLegacyProductsKey) + L"\\" + kLegacyPackedProductCode));
    EXPECT_FALSE(Exists(m_location + L"\\VELT电子日历"));
    EXPECT_FALSE(Exists(m_programsLink));
    for (int desktop : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY})
        EXPECT_FALSE(Exists(ShellPath(desktop, kLegacyDesktopShortcut)));
    // The neighbours stay.
    EXPECT_TRUE(KeyExists(m_root, std::wstring(kUninstallParentKey) + L"\\" + kNeighbourEntry));
    EXPECT_TRUE(ValueExists(m_root, kRunKey, kNeighbourRunValue));
    EXPECT_TRUE(KeyExists(m_root, std::wstring(kLegacyProductsKey) + L"\\" + kNeighbourProduct));
    EXPECT_EQ(Content(m_location + L"\\keep.txt"), "neighbour");
    EXPECT_EQ(Content(m_programsNeighbour), "neighbour link");
    for (int desktop : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY})
        EXPECT_EQ(Content(ShellPath(desktop, L"neighbour.txt")), "neighbour");
}

void EarlierEdition::ExpectPresent() const
{
    EXPECT_TRUE(KeyExists(m_root, std::wstring(kUninstallParentKey) + L"\\" + kLegacyProductCode));
    EXPECT_TRUE(Exists(m_location + L"\\VELT电子日历\\VELT电子日历.exe"));
}

FakeCalendar::FakeCalendar()
{
    WCHAR temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_dir = std::wstring(temp) + UniqueName(L"VeltCalendar");
    MakeDirs(m_dir);
    const std::wstring exe = m_dir + L"\\" + kAppFileName;
    CopyFileW((ModuleDir() + L"\\velt_test_helper.exe").c_str(), exe.c_str(), FALSE);
    std::wstring commandLine = L"\"" + exe + L"\" sleep 120000";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, m_dir.c_str(), &si, &m_pi);
}

FakeCalendar::~FakeCalendar()
{
    End();
    RemoveTree(m_dir);
}

bool FakeCalendar::Running() const
{
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

void FakeCalendar::End()
{
    if (!m_pi.hProcess)
        return;
    TerminateProcess(m_pi.hProcess, 0);
    WaitForSingleObject(m_pi.hProcess, 10000);
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
    m_pi = {};
}

} // namespace setup_test
