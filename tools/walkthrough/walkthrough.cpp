// walkthrough: the main job's tour of the product on a virtual display, as a
// user would take it, with a picture of every screen.
//
//   walkthrough <Setup.exe> <screenshot folder>
//
// 1. A fresh installation through every page of the wizard, with the default
//    choices, into the default folder.
// 2. The calendar started from the finish page. Wine's Task Scheduler lacks
//    registration triggers, so Wine is told to report Windows XP to Setup
//    for this run: Setup then starts the calendar through the shell.
// 3. Setup started again: repair.
// 4. Setup started again: removal.
// Where the walk-through runs as a 32-bit program on a 64-bit Windows (the
// shipped build, as most users run it), it also checks what such a program
// must write there: the record and the autostart value in the 32-bit registry
// view only (Wow6432Node), the folder under "Program Files (x86)", the
// shortcuts leading there; a 64-bit program's in the 64-bit view only.
// Controls are clicked by name (their places come from the skin's layouts).
// After every stage it prints what it checked: install record, files,
// shortcuts, autostart value, and at the end that nothing is left. Every
// screen is saved as "<NN>-<name>.png" in the screenshot folder (the window
// only, its round corners transparent).
//
// It first removes every trace of the product from this Wine prefix. Exit
// status: 0 when every check held, 1 when one failed, 2 on bad usage.
#include "fake_installation.h"
#include "image.h"
#include "wizard_driver.h"

#include "install_manifest.h"
#include "install_record.h"
#include "product.h"
#include "registry_key.h"
#include "running_app.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>

using namespace testing_support;

namespace {

std::wstring g_shots;
int g_shot = 0;
int g_failures = 0;

void Say(const std::wstring& text)
{
    // The console may not take Chinese text; write UTF-8 bytes.
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

void Check(bool holds, const std::wstring& what)
{
    Say((holds ? L"  ok    " : L"  FAIL  ") + what);
    if (!holds)
        ++g_failures;
}

// What the screen shows of a window once it has painted what is pending:
// the paint is asked for now (RedrawWindow sends it to the program's thread
// and returns when done), and the picture is taken when two readings agree.
bool Settled(HWND window, skinshot::Image* image)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    skinshot::Image last;
    return WaitUntil(
        [&] {
            RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            skinshot::Image now;
            if (!skinshot::CaptureScreen(rect, &now))
                return false;
            const bool same = !last.Empty() && now.pixels == last.pixels;
            last = now;
            *image = now;
            return same;
        },
        5000, 150);
}

void Save(skinshot::Image& image, HWND window, const wchar_t* name)
{
    WCHAR file[MAX_PATH];
    wsprintfW(file, L"%s\\%02d-%s.png", g_shots.c_str(), ++g_shot, name);
    skinshot::MaskWithWindowRegion(image, window);
    skinshot::WritePng(file, image);
    Say(std::wstring(L"  shot  ") + file);
}

// The program's window (frame or message box) as the screen shows it.
void Shot(WizardDriver& run, HWND window, const wchar_t* name)
{
    run.WaitIdle(5000);
    skinshot::Image image;
    if (Settled(window, &image))
        Save(image, window, name);
}

// A progress page, when it is still showing once its picture is taken (the
// real payload's 83 entries may be done sooner).
void ProgressShot(WizardDriver& run, const wchar_t* page, const wchar_t* name)
{
    skinshot::Image image;
    if (Settled(run.Frame(), &image) && run.PageVisible(page))
        Save(image, run.Frame(), name);
    else
        Say(std::wstring(L"  (") + page + L" was done before its picture could be taken)");
}

bool Step(bool done, const std::wstring& what)
{
    if (!done) {
        Say(L"  FAIL  " + what);
        ++g_failures;
    }
    return done;
}

std::wstring Value(HKEY root, const wchar_t* path, const wchar_t* name)
{
    CRegistryKey key;
    WCHAR text[1024] = {};
    ULONG bytes = sizeof text - sizeof(WCHAR);
    if (key.Open(root, path, KEY_READ) != ERROR_SUCCESS || key.ReadString(name, text, &bytes) != ERROR_SUCCESS)
        return L"";
    return text;
}

bool SameBytes(const std::wstring& a, const std::wstring& b)
{
    std::string x, y;
    return ReadBytes(a, &x) && ReadBytes(b, &y) && x == y;
}

// What an installation in `dir` for all users must have left.
void CheckInstalled(const std::wstring& dir, const std::wstring& setupDir)
{
    const std::wstring record = InstallRecordKeyPath(kProductKey);
    Check(Value(HKEY_LOCAL_MACHINE, record.c_str(), kValueInstallLocation) == dir,
          L"install record: InstallLocation = " + dir);
    Check(Value(HKEY_LOCAL_MACHINE, record.c_str(), kValueUninstallString) == UninstallCommand(dir),
          L"install record: UninstallString = " + UninstallCommand(dir));
    Check(Value(HKEY_LOCAL_MACHINE, record.c_str(), kValueDisplayName) == kDisplayName,
          L"install record: DisplayName, Publisher");
    InstallManifest manifest;
    const bool listed = ReadInstallManifest(dir, &manifest) == ERROR_SUCCESS;
    size_t present = 0;
    for (const std::wstring& file : manifest.files)
        present += GetFileAttributesW((dir + L"\\" + file).c_str()) != INVALID_FILE_ATTRIBUTES;
    Check(listed && manifest.files.size() == 79 && present == 79,
          L"files: the 78 payload files and the install manifest are there");
    bool same = true;
    for (const wchar_t* name : {kAppFileName, kWindowLibraryFileName, kUninstallerFileName})
        same = same && SameBytes(dir + L"\\" + name, setupDir + L"\\" + name);
    Check(same, L"files: the calendar, DuiLibu.dll and Uninstall.exe are this build's, byte for byte");
    const ShortcutPaths links = ComposeShortcutPaths(1);
    Check(LinkTarget(links.appLink) == AppExePath(dir) && LinkTarget(links.uninstallLink) == UninstallerExePath(dir),
          L"shortcuts: Start menu \"Quorvel\\VELT电子日历\" (calendar, Uninstall)");
    Check(LinkTarget(links.desktopLink) == AppExePath(dir), L"shortcuts: desktop");
    Check(Value(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName) == AutostartCommand(dir),
          L"autostart value: " + AutostartCommand(dir));
}

bool OpensInView(const wchar_t* path, REGSAM view)
{
    CRegistryKey key;
    return key.Open(HKEY_LOCAL_MACHINE, path, KEY_READ | view) == ERROR_SUCCESS;
}

bool HasValueInView(const wchar_t* path, const wchar_t* name, REGSAM view)
{
    CRegistryKey key;
    return key.Open(HKEY_LOCAL_MACHINE, path, KEY_QUERY_VALUE | view) == ERROR_SUCCESS &&
           RegQueryValueExW(key.Handle(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring Environment(const wchar_t* name)
{
    WCHAR value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length && length < MAX_PATH ? value : L"";
}

bool StartsWithFolder(const std::wstring& path, const std::wstring& folder)
{
    return !folder.empty() && path.size() > folder.size() && path[folder.size()] == L'\\' &&
           _wcsnicmp(path.c_str(), folder.c_str(), folder.size()) == 0;
}

// On a 64-bit Windows: everything this build wrote is in its own registry
// view only, and its files lie in its own program files folder.
void CheckBitness(const std::wstring& dir)
{
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    if (system.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_AMD64)
        return;
    const bool wow = RunsUnderWow64();
    const REGSAM own = wow ? KEY_WOW64_32KEY : KEY_WOW64_64KEY, other = wow ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const wchar_t* ownName = wow ? L"32-bit" : L"64-bit";
    const std::wstring record = InstallRecordKeyPath(kProductKey);
    Check(OpensInView(record.c_str(), own) && !OpensInView(record.c_str(), other),
          std::wstring(L"64-bit Windows: the install record is in the ") + ownName + L" registry view only");
    Check(HasValueInView(kRunKey, kAutostartValueName, own) && !HasValueInView(kRunKey, kAutostartValueName, other),
          std::wstring(L"64-bit Windows: the autostart value is in the ") + ownName + L" registry view only");
    const std::wstring programFiles = Environment(wow ? L"ProgramFiles(x86)" : L"ProgramW6432");
    Check(StartsWithFolder(dir, programFiles) && StartsWithFolder(LinkTarget(ComposeShortcutPaths(1).appLink),
                                                                  programFiles),
          L"64-bit Windows: the folder and the shortcuts' target lie in " + programFiles);
}

bool StartSetupAt(WizardDriver& run, const std::wstring& exe)
{
    return Step(run.Start(exe, kSetupSkinFileName) && run.WaitFrame(kSetupWindowTitle, 30000) != nullptr,
                L"Setup did not show its frame");
}

bool Next(WizardDriver& run, const wchar_t* page, const wchar_t* target, const wchar_t* shot)
{
    const bool moved = (page ? run.Click(page, L"nextbtn") : run.Click(L"nextbtn")) &&
                       run.WaitPageVisible(target, 20000);
    if (moved && shot)
        Shot(run, run.Frame(), shot);
    return Step(moved, std::wstring(L"did not reach ") + target);
}

bool Exited(WizardDriver& run)
{
    DWORD code = 99;
    return Step(run.WaitExit(60000, &code) && code == 0, L"Setup did not end with 0");
}

void FreshInstallation(const std::wstring& setup, const std::wstring& setupDir)
{
    Say(L"1. A fresh installation, every page, the default choices");
    WizardDriver run;
    if (!StartSetupAt(run, setup))
        return;
    Shot(run, run.Frame(), L"first-screen");
    if (!Next(run, nullptr, L"Page1", L"welcome") || !Next(run, L"Page1", L"Page2", L"licence") ||
        !Next(run, L"Page2", L"Page3", L"user") || !Next(run, L"Page3", L"Page4", L"location"))
        return;
    if (!Step(run.Click(L"Page4", L"nextbtn") && run.WaitPageVisible(L"Page6", 10000), L"no progress page"))
        return;
    ProgressShot(run, L"Page6", L"installing");
    if (!Step(run.WaitPageVisible(L"Page7", 60000), L"no finish page"))
        return;
    Shot(run, run.Frame(), L"finished");
    CheckInstalled(DefaultInstallDir(), setupDir);
    CheckBitness(DefaultInstallDir());

    Say(L"2. The calendar, started from the finish page");
    run.Click(L"Page7", L"finishbtn");
    Exited(run);
    DWORD pid = 0;
    const bool started = WaitUntil([&] { return (pid = FindRunningApp()) != 0; }, 30000, 100);
    Check(started, L"the calendar runs");
    if (started) {
        HWND calendar = nullptr;
        WaitUntil(
            [&] {
                calendar = FindWindowW(nullptr, kDisplayName);
                return calendar && IsWindowVisible(calendar);
            },
            20000);
        HANDLE idle = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
        if (idle) {
            WaitForInputIdle(idle, 10000);
            CloseHandle(idle);
        }
        if (calendar) {
            Shot(run, calendar, L"calendar");
            PostMessageW(calendar, WM_CLOSE, 0, 0);
        }
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        if (process && WaitForSingleObject(process, 10000) != WAIT_OBJECT_0)
            TerminateProcess(process, 0);
        if (process)
            CloseHandle(process);
    }
}

void Repair(const std::wstring& setup, const std::wstring& setupDir)
{
    Say(L"3. Setup again: repair (after the desktop shortcut and a program file were deleted)");
    const std::wstring dir = DefaultInstallDir();
    DeleteFileW(ComposeShortcutPaths(1).desktopLink.c_str());
    DeleteFileW((dir + L"\\" + kUninstallSkinFileName).c_str());
    WizardDriver run;
    if (!StartSetupAt(run, setup))
        return;
    Shot(run, run.Frame(), L"maintenance");
    run.Click(L"fixbtn");
    Shot(run, run.Frame(), L"repair-chosen");
    if (!Step(run.Click(L"nextbtn") && run.WaitPageVisible(L"Page12", 10000), L"no repair page"))
        return;
    ProgressShot(run, L"Page12", L"repairing");
    if (!Step(run.WaitPageVisible(L"Page13", 60000), L"no repair-done page"))
        return;
    Shot(run, run.Frame(), L"repaired");
    run.Click(L"Page13", L"finishbtn");
    Exited(run);
    CheckInstalled(dir, setupDir);
    Check(GetFileAttributesW((dir + L"\\" + kUninstallSkinFileName).c_str()) != INVALID_FILE_ATTRIBUTES,
          L"files: the deleted Uninstall.DAT is back");
}

void Removal(const std::wstring& setup)
{
    Say(L"4. Setup again: removal");
    WizardDriver run;
    if (!StartSetupAt(run, setup))
        return;
    if (!Next(run, nullptr, L"Page9", L"confirm-removal"))
        return;
    if (!Step(run.Click(L"Page9", L"nextbtn") && run.WaitPageVisible(L"Page10", 10000), L"no removal page"))
        return;
    ProgressShot(run, L"Page10", L"removing");
    if (!Step(run.WaitPageVisible(L"Page11", 60000), L"no removal-done page"))
        return;
    Shot(run, run.Frame(), L"removed");
    run.Click(L"Page11", L"finishbtn");
    Exited(run);
    const std::wstring dir = DefaultInstallDir();
    Check(WaitUntil([&] { return GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES; }, 30000, 100),
          L"the installation folder is gone");
    CRegistryKey key;
    Check(key.Open(HKEY_LOCAL_MACHINE, InstallRecordKeyPath(kProductKey).c_str(), KEY_READ) != ERROR_SUCCESS,
          L"the install record is gone");
    Check(Value(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName).empty(), L"the autostart value is gone");
    const ShortcutPaths links = ComposeShortcutPaths(1);
    Check(GetFileAttributesW(links.programsGroup.c_str()) == INVALID_FILE_ATTRIBUTES &&
              GetFileAttributesW(links.desktopLink.c_str()) == INVALID_FILE_ATTRIBUTES,
          L"the shortcuts are gone");
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fputs("usage: walkthrough <Setup.exe> <screenshot folder>\n", stderr);
        return 2;
    }
    const std::wstring setup = argv[1];
    g_shots = argv[2];
    MakeDirs(g_shots);
    const std::wstring setupDir = setup.substr(0, setup.find_last_of(L'\\'));
    CoInitialize(nullptr);

    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExW(&version);
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    Say(L"walkthrough: Windows " + std::to_wstring(version.dwMajorVersion) + L"." +
        std::to_wstring(version.dwMinorVersion) +
        (system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? L" 64-bit" : L" 32-bit") + L", this build " +
        (sizeof(void*) == 4 ? L"32-bit" : L"64-bit"));
    CleanProductTraces();
    RemoveTree(DefaultInstallDir());
    const wchar_t* appDefaults = L"Software\\Wine\\AppDefaults\\Setup.exe";
    {
        CRegistryKey key;
        if (key.Create(HKEY_CURRENT_USER, appDefaults) == ERROR_SUCCESS)
            key.WriteString(L"Version", RunsUnderWow64() || sizeof(void*) == 4 ? L"winxp" : L"winxp64");
    }
    FreshInstallation(setup, setupDir);
    SHDeleteKeyW(HKEY_CURRENT_USER, appDefaults);
    Repair(setup, setupDir);
    Removal(setup);

    Say(g_failures ? L"walkthrough: " + std::to_wstring(g_failures) + L" check(s) failed"
                   : std::wstring(L"walkthrough: every check held"));
    CoUninitialize();
    return g_failures ? 1 : 0;
}
