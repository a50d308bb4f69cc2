// The skin family: Setup's "VELTSetupDate.DAT" and Uninstall's
// "Uninstall.DAT" truncated, without a layout, without a named control, and
// with damaged pictures. Where the frame cannot be built the program says
// that the installer is damaged and ends having changed nothing; otherwise
// it must not crash, and every way out that the damaged skin leaves (the
// frame's buttons, Alt+F4, WM_CLOSE) must still end it in an allowed state.
#include "fault_cases.h"

#include "fake_installation.h"
#include "product.h"
#include "registry_key.h"
#include "test_support.h"
#include "test_zip.h"
#include "wait_until.h"

#include <algorithm>

namespace faults {

using testing_support::Exists;
using testing_support::FakeInstallation;
using testing_support::InstallOptions;
using testing_support::ReadBytes;
using testing_support::ReadZip;
using testing_support::WaitUntil;
using testing_support::WriteBytes;
using testing_support::WriteZip;
using testing_support::ZipEntries;

namespace {

constexpr DWORD kDeadline = 180000;

// A change to a skin archive's entries.
using SkinEdit = std::function<void(ZipEntries*)>;

SkinEdit DropEntry(const std::string& name)
{
    return [=](ZipEntries* entries) {
        entries->erase(std::remove_if(entries->begin(), entries->end(),
                                      [&](const auto& e) { return e.first == name; }),
                       entries->end());
    };
}

// Removes the element that carries name="control" from a layout.
SkinEdit DropControl(const std::string& layout, const std::string& control)
{
    return [=](ZipEntries* entries) {
        for (auto& entry : *entries) {
            if (entry.first != layout)
                continue;
            std::string& xml = entry.second;
            const size_t at = xml.find("name=\"" + control + "\"");
            if (at == std::string::npos)
                continue;
            const size_t start = xml.rfind('<', at);
            const size_t end = xml.find("/>", at);
            if (start != std::string::npos && end != std::string::npos)
                xml.erase(start, end + 2 - start);
        }
    };
}

// Pictures whose bytes are no picture any more (the same length).
SkinEdit DamagePictures(const std::vector<std::string>& names)
{
    return [=](ZipEntries* entries) {
        for (auto& entry : *entries) {
            if (std::find(names.begin(), names.end(), entry.first) == names.end())
                continue;
            for (size_t i = 0; i < entry.second.size(); ++i)
                entry.second[i] = static_cast<char>((i * 131 + 7) & 0xFF);
            if (entry.first == "button.png")
                entry.second.resize(entry.second.size() / 3);
        }
    };
}

// No archive at all beside the program.
SkinEdit NoArchive()
{
    return [](ZipEntries* entries) { entries->clear(); };
}

// Writes the edited copy of the build's archive `name` to `target`; an empty
// edit means: the archive cut in half; an edit that leaves no entry: no
// archive (`target` removed).
bool WriteSkin(const std::wstring& name, const SkinEdit& edit, const std::wstring& target)
{
    const std::wstring source = Ctx().bin + L"\\" + name;
    if (!edit) {
        std::string bytes;
        return ReadBytes(source, &bytes) && WriteBytes(target, bytes.substr(0, bytes.size() / 2));
    }
    ZipEntries entries;
    if (!ReadZip(source, &entries))
        return false;
    edit(&entries);
    if (entries.empty())
        return DeleteFileW(target.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    return WriteZip(target, entries);
}

// Setup (or a test program of it) with the edited skin, in a folder of its own.
std::wstring SetupCopy(CaseRun& run, const std::wstring& exe, const SkinEdit& edit)
{
    const std::wstring folder = ScratchFolder(L"skin");
    const std::wstring name = exe.substr(exe.find_last_of(L'\\') + 1);
    run.Check(CopyFileW(exe.c_str(), (folder + L"\\" + name).c_str(), FALSE) != 0 &&
                  CopyFileW((Ctx().bin + L"\\" + kWindowLibraryFileName).c_str(),
                            (folder + L"\\" + kWindowLibraryFileName).c_str(), FALSE) != 0 &&
                  WriteSkin(kSetupSkinFileName, edit, folder + L"\\" + kSetupSkinFileName),
              L"could not lay out the program with the damaged skin");
    return folder + L"\\" + name;
}

void ExpectDamagedMessage(CaseRun& run, WizardDriver& d)
{
    const MessageBoxSeen seen = d.WaitMessageBox(30000, kCaptionError, kMsgSetupDamaged);
    if (!run.Check(seen.box != nullptr, L"no damaged-installer message"))
        return;
    run.Check(d.VisibleTopLevelWindows() == std::vector<HWND>{seen.box}, L"another window shows");
    run.Check(GetWindow(seen.box, GW_OWNER) == nullptr, L"the message is owned by a window");
    run.Check(GetDlgItem(seen.box, IDOK) != nullptr && GetDlgItem(seen.box, IDYES) == nullptr,
              L"the message is not an OK message");
    run.Note(L"message \"" + seen.text + L"\" alone");
    WizardDriver::Answer(seen, IDOK);
}

// A damaged Setup changes nothing, not even the earlier edition's traces
// that an intact one removes before its first window: its record and its
// autostart value are laid out first (and removed after the case).
void SetupDamaged(CaseRun& run, const SkinEdit& edit, bool maintenance)
{
    InstallOptions options;
    options.recordRoot = maintenance ? 1 : -1;
    FakeInstallation install(options);
    run.Watch(install.Parent());
    const std::wstring exe = SetupCopy(run, Ctx().bin + L"\\Setup.exe", edit);
    const std::wstring location = install.Parent() + L"\\earlier";
    CRegistryKey uninstall, autostart, earlier;
    run.Check(uninstall.Create(HKEY_LOCAL_MACHINE, kUninstallParentKey) == ERROR_SUCCESS &&
                  earlier.Create(uninstall.Handle(), kLegacyProductCode) == ERROR_SUCCESS &&
                  earlier.WriteString(kValueInstallLocation, location.c_str()) == ERROR_SUCCESS &&
                  autostart.Create(HKEY_LOCAL_MACHINE, kRunKey) == ERROR_SUCCESS &&
                  autostart.WriteString(kLegacyAutostartValueName, L"C:\\old\\VELT电子日历.exe") == ERROR_SUCCESS,
              L"could not lay out the earlier edition's traces");
    run.Before();
    ExpectDamagedMessage(run, run.Start(exe, kSetupSkinFileName));
    run.Finish();
    earlier.Close();
    uninstall.DeleteTree(kLegacyProductCode);
    RegDeleteValueW(autostart.Handle(), kLegacyAutostartValueName);
}

// Setup walked to Page4 with the skin damaged; the installation started.
bool StartDamagedInstall(CaseRun& run, const std::wstring& exe, const std::wstring& dir)
{
    return StartInstall(run, {exe, dir}) &&
           run.Check(run.Driver().WaitPageVisible(L"Page6", 10000), L"could not start the installation");
}

// Page6 without its layout or without its bar: the worker stops after the
// record and the folder; the page stays; the way out rolls back.
void NoProgressBar(CaseRun& run, const SkinEdit& edit, Quit quit)
{
    const std::wstring dir = NewTarget(run, L"nobar");
    const std::wstring exe = SetupCopy(run, Ctx().bin + L"\\Setup.exe", edit);
    run.Before();
    if (!StartDamagedInstall(run, exe, dir))
        return;
    WizardDriver& d = run.Driver();
    run.Check(WaitUntil([&] { return Exists(dir); }, 30000), L"the worker did not make the folder");
    d.WaitIdle(5000);
    run.Note(L"the progress page without a bar stays; left by " + QuitName(quit));
    run.Check(LeaveBy(d, quit, L"", quit == Quit::FrameClose), L"the way out is missing");
    run.Finish();
}

void NoPageCancel(CaseRun& run, Quit quit)
{
    const std::wstring dir = NewTarget(run, L"nocancel");
    const std::wstring exe = SetupCopy(run, Ctx().bin + L"\\SetupLargeTest.exe", DropControl("Page6Wnd.xml", "cancelbtn"));
    run.Before();
    if (!StartDamagedInstall(run, exe, dir))
        return;
    WizardDriver& d = run.Driver();
    int bar = -1;
    run.Check(WaitUntil([&] { return (bar = d.ProgressWidth(L"Page6")) > 20; }, 60000), L"the bar did not move");
    run.Check(!d.Click(L"Page6", L"cancelbtn"), L"the page still has a cancel button");
    run.Note(L"no cancel on the page; left by " + QuitName(quit) + L" at bar " + std::to_wstring(bar));
    run.Check(LeaveBy(d, quit, L"", quit == Quit::FrameClose), L"the way out is missing");
    run.Finish();
}

void NoFinishButton(CaseRun& run, Quit quit)
{
    const std::wstring dir = NewTarget(run, L"nofinish");
    const std::wstring exe = SetupCopy(run, Ctx().bin + L"\\Setup.exe", DropControl("Page7Wnd.xml", "finishbtn"));
    run.Before();
    if (!StartDamagedInstall(run, exe, dir))
        return;
    WizardDriver& d = run.Driver();
    run.Check(d.WaitPageVisible(L"Page7", 120000), L"no finish page");
    run.Note(L"finish page without its button; left by " + QuitName(quit));
    run.Check(LeaveBy(d, quit, L"", quit == Quit::FrameClose), L"the way out is missing");
    run.Allow(AllowInstalled(Ctx().realPayload, dir, 1));
    run.Finish();
    run.Check(IncompleteEntries(Ctx().realPayload, Ctx().realReference, dir).empty(), L"the installation is not complete");
}

void NoPathEdit(CaseRun& run)
{
    const std::wstring exe = SetupCopy(run, Ctx().bin + L"\\Setup.exe", DropControl("Page4Wnd.xml", "pathedit"));
    run.Before();
    if (!StartDamagedInstall(run, exe, L""))
        return;
    WizardDriver& d = run.Driver();
    AnswerMessage(run, d, kCaptionError, kMsgBadInstallPath);
    run.Check(LeaveBy(d, Quit::FrameClose, L"", true), L"the way out is missing");
    run.Finish();
}

void NoCloseButton(CaseRun& run, Quit quit)
{
    const std::wstring exe = SetupCopy(run, Ctx().bin + L"\\Setup.exe", DropControl("CoverWnd.xml", "closebtn"));
    run.Before();
    WizardDriver& d = run.Start(exe, kSetupSkinFileName);
    if (!run.Check(d.WaitFrame(kSetupWindowTitle, 30000) != nullptr, L"Setup's frame did not show"))
        return;
    run.Check(!d.Click(L"closebtn"), L"the frame still has its close button");
    run.Note(L"frame without its close button; left by " + QuitName(quit));
    run.Check(LeaveBy(d, quit, L"", quit == Quit::FrameCancel), L"the way out is missing");
    run.Finish();
}

void BadPicturesInstall(CaseRun& run)
{
    const std::wstring dir = NewTarget(run, L"pictures");
    const std::wstring exe = SetupCopy(
        run, Ctx().bin + L"\\Setup.exe", DamagePictures({"progress.png", "CoverBK.jpg", "Page6BK.jpg", "button.png"}));
    run.Before();
    if (!StartDamagedInstall(run, exe, dir))
        return;
    WizardDriver& d = run.Driver();
    run.Check(d.WaitPageVisible(L"Page7", 120000) && d.Click(L"Page7", L"runnowbtn") && d.Click(L"Page7", L"finishbtn"),
              L"the installation did not complete");
    run.Note(L"progress, background and button pictures damaged: installed through the same windows");
    run.Allow(AllowInstalled(Ctx().realPayload, dir, 1));
    run.Finish();
    run.Check(IncompleteEntries(Ctx().realPayload, Ctx().realReference, dir).empty(), L"the installation is not complete");
}

void RepairWithoutBar(CaseRun& run, Quit quit)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return;
    run.Watch(install.Parent());
    const std::wstring exe = SetupCopy(run, Ctx().bin + L"\\Setup.exe", DropControl("Page12Wnd.xml", "progressbar"));
    run.Before();
    WizardDriver& d = run.Start(exe, kSetupSkinFileName);
    if (!run.Check(d.WaitFrame(kSetupWindowTitle, 30000) != nullptr && d.Click(L"fixbtn") && d.Click(L"nextbtn") &&
                       d.WaitPageVisible(L"Page12", 10000),
                   L"the repair did not start"))
        return;
    d.WaitIdle(5000);
    run.Note(L"repair page without a bar; left by " + QuitName(quit));
    run.Check(LeaveBy(d, quit, L"Page12", quit == Quit::PageCancel || quit == Quit::FrameClose),
              L"the way out is missing");
    // The record is rewritten with what it held; nothing else happens.
    run.Allow(AllowInstalled(Ctx().realPayload, install.Dir(), 1));
    run.Finish();
}

// --- Uninstall ------------------------------------------------------------------

// A fake installation whose Uninstall.DAT is the edited one.
bool DamagedUninstall(CaseRun& run, FakeInstallation& install, const SkinEdit& edit)
{
    if (!run.Check(install.Ok(), L"the installation could not be laid out"))
        return false;
    const std::wstring skin = install.Dir() + L"\\" + kUninstallSkinFileName;
    return run.Check(WriteSkin(kUninstallSkinFileName, edit, skin), L"could not write the damaged skin");
}

void UninstallDamaged(CaseRun& run, const SkinEdit& edit)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!DamagedUninstall(run, install, edit))
        return;
    run.Watch(install.Parent());
    run.Before();
    ExpectDamagedMessage(run, run.Start(install.Dir() + L"\\" + kUninstallerFileName, kUninstallSkinFileName));
    run.Finish();
}

// The removal left nothing of the installation folder; else what stays.
void CheckRemoved(CaseRun& run, const std::wstring& dir)
{
    std::wstring left;
    for (const std::wstring& name : testing_support::Tree(dir))
        left += L" " + name;
    run.Check(!Exists(dir), L"the removal is not complete, left:" + left);
}

// Uninstall with the edited skin: `removes` says whether the way out comes
// after the removal ("nextbtn" clicked first) or instead of it.
void UninstallWayOut(CaseRun& run, const SkinEdit& edit, bool removes, Quit quit, const std::wstring& what)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!DamagedUninstall(run, install, edit))
        return;
    run.Watch(install.Parent());
    run.Before();
    WizardDriver& d = run.Start(install.Dir() + L"\\" + kUninstallerFileName, kUninstallSkinFileName);
    if (!run.Check(d.WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml") != nullptr, L"no frame"))
        return;
    if (removes) {
        run.Check(d.Click(L"nextbtn"), L"no next button");
        run.Check(WaitUntil([&] { return !RecordExists(1); }, 60000), L"the removal did not run");
        d.WaitIdle(5000);
    } else {
        run.Check(!d.Click(L"nextbtn"), L"the frame still has its next button");
    }
    run.Note(what + L"; left by " + QuitName(quit));
    run.Check(LeaveBy(d, quit, L"Page11", false), L"the way out is missing");
    if (removes)
        run.Allow(AllowRemoved(Ctx().realPayload, install.Dir(), 1, true));
    run.Finish();
    if (removes)
        CheckRemoved(run, install.Dir());
}

void UninstallThrough(CaseRun& run, const SkinEdit& edit, const std::wstring& what)
{
    InstallOptions options;
    FakeInstallation install(options);
    if (!DamagedUninstall(run, install, edit))
        return;
    run.Watch(install.Parent());
    run.Before();
    WizardDriver& d = run.Start(install.Dir() + L"\\" + kUninstallerFileName, kUninstallSkinFileName);
    run.Check(d.WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml") != nullptr && d.Click(L"nextbtn") &&
                  d.WaitPageVisible(L"Page11", 60000) && d.Click(L"Page11", L"finishbtn"),
              L"the removal did not go through");
    run.Note(what + L": removed through the same windows");
    run.Allow(AllowRemoved(Ctx().realPayload, install.Dir(), 1, true));
    run.Finish();
    CheckRemoved(run, install.Dir());
}

} // namespace

void AddSkinCases(std::vector<FaultCase>* cases)
{
    auto add = [&](const std::wstring& name, bool quick, std::function<void(CaseRun&)> run) {
        cases->push_back({L"skin", L"skin." + name, quick, kDeadline, run});
    };
    add(L"setup.missing", true, [](CaseRun& r) { SetupDamaged(r, NoArchive(), false); });
    add(L"setup.truncated", true, [](CaseRun& r) { SetupDamaged(r, nullptr, false); });
    add(L"setup.no-frame-layout", true, [](CaseRun& r) { SetupDamaged(r, DropEntry("CoverWnd.xml"), false); });
    add(L"setup.maintenance.no-frame-layout", false, [](CaseRun& r) { SetupDamaged(r, DropEntry("Page8Wnd.xml"), true); });
    for (Quit quit : {Quit::FrameClose, Quit::AltF4, Quit::WmClose}) {
        add(L"setup.no-progress-layout." + QuitName(quit), quit == Quit::AltF4,
            [=](CaseRun& r) { NoProgressBar(r, DropEntry("Page6Wnd.xml"), quit); });
    }
    add(L"setup.no-progressbar.frame-close", false,
        [](CaseRun& r) { NoProgressBar(r, DropControl("Page6Wnd.xml", "progressbar"), Quit::FrameClose); });
    for (Quit quit : {Quit::FrameClose, Quit::AltF4, Quit::WmClose})
        add(L"setup.no-page-cancel." + QuitName(quit), false, [=](CaseRun& r) { NoPageCancel(r, quit); });
    // (The frame's cancel lies under the finish page: not a way out there.)
    for (Quit quit : {Quit::FrameClose, Quit::AltF4, Quit::WmClose})
        add(L"setup.no-finishbtn." + QuitName(quit), false, [=](CaseRun& r) { NoFinishButton(r, quit); });
    add(L"setup.no-pathedit", false, [](CaseRun& r) { NoPathEdit(r); });
    for (Quit quit : {Quit::FrameCancel, Quit::AltF4, Quit::WmClose})
        add(L"setup.no-closebtn." + QuitName(quit), false, [=](CaseRun& r) { NoCloseButton(r, quit); });
    add(L"setup.bad-pictures", false, [](CaseRun& r) { BadPicturesInstall(r); });
    for (Quit quit : {Quit::PageCancel, Quit::AltF4})
        add(L"setup.repair-no-progressbar." + QuitName(quit), false, [=](CaseRun& r) { RepairWithoutBar(r, quit); });

    add(L"uninstall.missing", true, [](CaseRun& r) { UninstallDamaged(r, NoArchive()); });
    add(L"uninstall.truncated", true, [](CaseRun& r) { UninstallDamaged(r, nullptr); });
    add(L"uninstall.no-frame-layout", true, [](CaseRun& r) { UninstallDamaged(r, DropEntry("Page9Wnd.xml")); });
    add(L"uninstall.no-progress-layout", false,
        [](CaseRun& r) { UninstallThrough(r, DropEntry("Page10Wnd.xml"), L"no progress page layout"); });
    for (Quit quit : {Quit::FrameClose, Quit::AltF4, Quit::WmClose}) {
        add(L"uninstall.no-done-layout." + QuitName(quit), quit == Quit::WmClose,
            [=](CaseRun& r) { UninstallWayOut(r, DropEntry("Page11Wnd.xml"), true, quit, L"no completion layout"); });
    }
    for (Quit quit : {Quit::FrameClose, Quit::FrameCancel, Quit::AltF4, Quit::WmClose}) {
        add(L"uninstall.no-nextbtn." + QuitName(quit), false, [=](CaseRun& r) {
            UninstallWayOut(r, DropControl("Page9Wnd.xml", "nextbtn"), false, quit, L"no next button");
        });
    }
    for (Quit quit : {Quit::FrameClose, Quit::AltF4, Quit::WmClose}) {
        add(L"uninstall.no-finishbtn." + QuitName(quit), false, [=](CaseRun& r) {
            UninstallWayOut(r, DropControl("Page11Wnd.xml", "finishbtn"), true, quit, L"no finish button");
        });
    }
    add(L"uninstall.bad-pictures", false, [](CaseRun& r) {
        UninstallThrough(r, DamagePictures({"progress.png", "Page9BK.jpg", "button.png"}), L"pictures damaged");
    });
}

} // namespace faults
