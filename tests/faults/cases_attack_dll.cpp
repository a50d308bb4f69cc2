// attack.dll.*: a DLL planted beside the elevated programs. An ordinary user
// leaves "msimg32.dll" and "comctl32.dll" (tests/planted_dll: each writes
// "<its path>.loaded" when loaded) beside a downloaded Setup.exe with its
// library and skin (attack.dll.setup), or in the installation's folder beside
// Uninstall.exe (attack.dll.uninstall). The program is started with Wine
// told to prefer a native msimg32 and comctl32 found by the normal search
// (its DllOverrides under HKCU\Software\Wine\AppDefaults), as Windows does
// for DLLs that are not KnownDLLs. Under Wine a module's path names the
// folder where the loader found its file even when Wine used its own copy,
// so the module list shows where the program looked, and the markers what ran. The program's frame shows; the case
// leaves through the frame's close button, whose tooltip makes the window
// library load the common controls. Neither planted DLL may have been
// loaded: no marker, and no module of the process from its own folder but
// the program and DuiLibu.dll (listed at the first screen, and in Setup once
// more at its quit question, after the tooltip).
#include "fault_support.h"

#include <psapi.h>
#include <shlwapi.h>

#include <set>

namespace faults {
namespace {

const wchar_t* const kPlanted[] = {L"msimg32.dll", L"comctl32.dll"};

// Checks that the only modules of the process from `folder` are the
// program `exe` and the window library; notes them, and where the common
// controls came from (returned; empty when they are not loaded).
std::wstring CheckOwnModules(CaseRun& run, HANDLE process, const std::wstring& folder, const std::wstring& exe,
                     const wchar_t* when)
{
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!run.Check(EnumProcessModules(process, modules, sizeof(modules), &bytes) != FALSE,
                   std::wstring(L"the modules could not be listed ") + when))
        return L"";
    std::set<std::wstring> own;
    std::wstring controls;
    for (DWORD i = 0; i < std::min<DWORD>(bytes / sizeof(HMODULE), 512); ++i) {
        WCHAR path[MAX_PATH] = {};
        if (!GetModuleFileNameExW(process, modules[i], path, MAX_PATH))
            continue;
        const std::wstring upper = Upper(path);
        if (Below(path, folder))
            own.insert(upper.substr(folder.size() + 1));
        if (upper.size() >= 13 && upper.substr(upper.size() - 13) == L"\\COMCTL32.DLL")
            controls = path;
    }
    run.Note(std::wstring(L"common controls ") + when + L": " + (controls.empty() ? L"none" : controls));
    std::wstring names;
    for (const std::wstring& name : own)
        names += (names.empty() ? L"" : L", ") + name;
    run.Note(std::wstring(L"from its folder ") + when + L": " + names);
    run.Check(own == std::set<std::wstring>{Upper(exe), Upper(kWindowLibraryFileName)},
              std::wstring(L"more than the program and its library loaded from its folder ") + when);
    return controls;
}

void RunPlanted(CaseRun& run, bool setup)
{
    std::wstring folder;
    if (setup) {
        folder = ScratchFolder(L"dll-setup");
        for (const wchar_t* name : {L"Setup.exe", kWindowLibraryFileName, kSetupSkinFileName})
            run.Check(CopyFileW(Ctx().Bin(name).c_str(), (folder + L"\\" + name).c_str(), FALSE) != FALSE,
                      std::wstring(L"could not copy ") + name);
        run.Watch(folder);
    } else {
        run.install = std::make_unique<testing_support::FakeInstallation>(testing_support::InstallOptions{});
        run.Check(run.install->Ok(), L"the installation could not be laid out");
        folder = run.install->Dir();
        run.Watch(run.install->Parent());
    }
    const std::wstring planted = Ctx().Bin(L"planted_dll.dll");
    for (const wchar_t* name : kPlanted)
        run.Check(CopyFileW(planted.c_str(), (folder + L"\\" + name).c_str(), FALSE) != FALSE,
                  std::wstring(L"could not plant ") + name);
    if (!run.failures.empty())
        return;
    run.Before();

    // Wine told to prefer native copies for this program, as Windows does for
    // DLLs that are not KnownDLLs (an override in the environment does not
    // reach a program that a Windows program starts).
    const std::wstring exe = setup ? L"Setup.exe" : kUninstallerFileName;
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\" + exe;
    for (const wchar_t* name : {L"msimg32", L"comctl32"})
        run.Check(testing_support::SetRegString(HKEY_CURRENT_USER, appDefaults + L"\\DllOverrides", name,
                                                L"native,builtin"),
                  L"could not tell Wine to prefer native DLLs");
    run.cleanups.push_back([appDefaults] { SHDeleteKeyW(HKEY_CURRENT_USER, appDefaults.c_str()); });
    WizardDriver& d = run.Start(folder + L"\\" + exe, setup ? kSetupSkinFileName : kUninstallSkinFileName);

    const bool shown = setup ? d.WaitFrame(kSetupWindowTitle, 30000) != nullptr
                             : d.WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml") != nullptr;
    if (run.Check(shown, L"the frame did not show")) {
        CheckOwnModules(run, d.Process(), folder, exe, L"at the first screen");
        // Setup asks first: its modules are listed again while it asks, the
        // common controls loaded for the button's tooltip. Uninstall ends.
        run.Check(d.Click(L"closebtn"), L"no close button");
        const MessageBoxSeen question =
            setup ? d.WaitMessageBox(15000, kCaptionNotice, kMsgQuitQuestion) : MessageBoxSeen{};
        if (setup && run.Check(question.box != nullptr, L"no quit question")) {
            // The system folder's, or the side-by-side store's (the
            // programs' manifests ask for version 6).
            WCHAR system[MAX_PATH] = {}, windows[MAX_PATH] = {};
            GetSystemDirectoryW(system, MAX_PATH);
            GetSystemWindowsDirectoryW(windows, MAX_PATH);
            const std::wstring controls = CheckOwnModules(run, d.Process(), folder, exe, L"at the quit question");
            run.Check(Below(controls, system) || Below(controls, std::wstring(windows) + L"\\WinSxS"),
                      L"the tooltip's common controls are not the system's");
            run.Check(WizardDriver::Answer(question, IDYES), L"the quit question stayed");
        }
    }
    run.Finish();
    for (const wchar_t* name : kPlanted)
        run.Check(!Exists(folder + L"\\" + name + L".loaded"), std::wstring(L"the planted ") + name + L" ran");
    for (const auto& cleanup : run.cleanups)
        cleanup();
}

} // namespace

void AddAttackDllCases(Cases* cases)
{
    Add(cases, L"attack.dll.setup", 120000, {}, [](CaseRun& run, Quit) { RunPlanted(run, true); });
    Add(cases, L"attack.dll.uninstall", 120000, {}, [](CaseRun& run, Quit) { RunPlanted(run, false); });
}

} // namespace faults
