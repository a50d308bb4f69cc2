#include "setup_e2e.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "image.h"
#include "product.h"
#include "registry_key.h"

#include <shlobj.h>

using namespace testing_support;

namespace setup_test {

namespace {

void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, const wchar_t* data)
{
    CRegistryKey key;
    if (key.Create(root, path.c_str()) == ERROR_SUCCESS)
        key.WriteString(name, data);
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
    RECT rect = {};
    skinshot::Image shot;
    if (!run.ControlScreenRect(page, control, &rect))
        return {};
    run.WaitIdle(5000);
    if (!skinshot::CaptureScreen(rect, &shot))
        return {};
    std::vector<DWORD> pixels(shot.pixels.begin(), shot.pixels.end());
    for (DWORD& pixel : pixels)
        pixel &= 0xFFFFFF;
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
    // The background is the colour most pixels have; ink is any pixel that
    // differs from it clearly, the thin anti-aliased strokes of small
    // Chinese glyphs included.
    std::map<DWORD, int> counts;
    for (DWORD p : pixels)
        ++counts[p];
    DWORD background = 0;
    int most = 0;
    for (const auto& [colour, count] : counts) {
        if (count > most) {
            most = count;
            background = colour;
        }
    }
    auto channel = [](DWORD p, int shift) { return static_cast<int>((p >> shift) & 0xFF); };
    int columns = 0;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            const DWORD p = pixels[static_cast<size_t>(y) * width + x];
            const int difference = std::abs(channel(p, 16) - channel(background, 16)) +
                                   std::abs(channel(p, 8) - channel(background, 8)) +
                                   std::abs(channel(p, 0) - channel(background, 0));
            if (difference > 48) {
                ++columns;
                break;
            }
        }
    }
    return columns;
}

std::wstring DefaultDir()
{
    return DefaultInstallDir();
}

namespace {

void Clean()
{
    CleanProductTraces();
    RemoveTree(DefaultInstallDir());
    RemoveDirectoryW(ShellPath(CSIDL_PROGRAM_FILES, L"QRVL").c_str());
}

} // namespace

CleanMachine::CleanMachine()
{
    Clean();
}

CleanMachine::~CleanMachine()
{
    Clean();
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
    EXPECT_EQ(FileContent(m_location + L"\\keep.txt"), "neighbour");
    EXPECT_EQ(FileContent(m_programsNeighbour), "neighbour link");
    for (int desktop : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY})
        EXPECT_EQ(FileContent(ShellPath(desktop, L"neighbour.txt")), "neighbour");
}

} // namespace setup_test
