// The shared parts of the fault suite: see fault_support.h.
#include "fault_support.h"

#include "ZipArchive.h"
#include "payload_resource.h"

#include <sddl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <tuple>

namespace faults {

namespace {

// The processes of the product's names, cmd, ping and winedbg, but the case's own.
std::vector<PROCESSENTRY32W> Leftovers(const std::vector<DWORD>& own)
{
    std::vector<PROCESSENTRY32W> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        const std::wstring name = Upper(entry.szExeFile);
        if ((name.compare(0, 5, L"SETUP") == 0 || name == L"UNINSTALL.EXE" || name == Upper(kAppFileName) ||
             name == L"CMD.EXE" || name == L"PING.EXE" || name == L"WINEDBG.EXE") &&
            std::count(own.begin(), own.end(), entry.th32ProcessID) == 0)
            found.push_back(entry);
    }
    CloseHandle(snapshot);
    return found;
}

// A file or folder of the payload, or the install manifest, in dir; or the
// product's shortcut items (the group folders, the links).
bool IsProductItem(const Payload& payload, const std::wstring& path, const std::wstring& dir, int allUsers)
{
    const ShortcutPaths links = ComposeShortcutPaths(allUsers);
    const std::wstring upper = Upper(path);
    if (Below(path, links.programsProduct) || upper == Upper(links.programsGroup) ||
        upper == Upper(links.desktopLink) || upper == Upper(links.quickLaunchLink))
        return true;
    if (!Below(path, dir) || upper == Upper(dir))
        return false;
    const std::wstring relative = path.substr(path.find_first_not_of(L'\\', dir.size()));
    return payload.Has(relative) || Upper(relative) == Upper(kInstallManifestFileName);
}

std::wstring RecordPath(int allUsers)
{
    return std::wstring(allUsers ? L"HKLM\\" : L"HKCU\\") + InstallRecordKeyPath(kProductKey);
}

} // namespace

bool LoadPayload(const std::wstring& exe, Payload* payload)
{
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const void* data = nullptr;
    DWORD size = 0;
    if (module)
        FindPayload(module, &data, &size);
    ZipArchivePtr archive(data ? ZipArchiveOpen(data, size) : nullptr);
    ZipItem item = {};
    const int count = archive && ZipArchiveGetItem(archive.get(), -1, &item) == kZipOk ? item.index : 0;
    // The extraction is kept while the program's size and write time stay.
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    GetFileAttributesExW(exe.c_str(), GetFileExInfoStandard, &info);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%lu %lu %lu", info.nFileSizeLow, info.ftLastWriteTime.dwLowDateTime,
                  info.ftLastWriteTime.dwHighDateTime);
    std::string noted;
    const bool extracted = testing_support::ReadBytes(payload->reference + L".stamp", &noted) && noted == stamp &&
                           Exists(payload->reference);
    if (!extracted) {
        RemoveTree(payload->reference);
        MakeDirs(payload->reference);
    }
    bool done = count > 0 && (extracted || ZipArchiveSetBaseDir(archive.get(), payload->reference.c_str()) == kZipOk);
    for (int i = 0; done && i < count; ++i) {
        done = ZipArchiveGetItem(archive.get(), i, &item) == kZipOk &&
               (extracted || ZipArchiveExtractItem(archive.get(), i, item.name) == kZipOk);
        std::wstring name = item.name;
        std::replace(name.begin(), name.end(), L'/', L'\\');
        name.erase(name.find_last_not_of(L'\\') + 1);
        payload->names.insert(Upper(name));
        payload->entries.push_back({name, (item.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, item.uncompressedSize});
    }
    archive.reset();
    if (module)
        FreeLibrary(module);
    payload->exe = exe;
    return done && (extracted || WriteBytes(payload->reference + L".stamp", stamp));
}

// --- the case run -------------------------------------------------------------

CaseRun::CaseRun(DWORD deadlineMs) : deadline(deadlineMs), start(GetTickCount())
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        scope.keys.push_back({root, kUninstallParentKey, false});
        scope.keys.push_back({root, kRunKey, true});
        scope.keys.push_back({root, kLegacyProductsKey, false});
    }
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY})
        Watch(ShellPath(csidl));
    Watch(ShellPath(CSIDL_APPDATA, kQuickLaunchFolder));
    Watch(ShellPath(CSIDL_PROGRAM_FILES), 0);
    Watch(ShellPath(CSIDL_PROGRAM_FILES, L"QRVL"));
    WCHAR temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    scope.folders.push_back({temp, 0, L"VELTExit"});
}

void CaseRun::Before()
{
    before = TakeSnapshot(scope);
    haveBefore = true;
}

WizardDriver& CaseRun::Start(const std::wstring& exe, const std::wstring& skin)
{
    drivers.push_back(std::make_unique<WizardDriver>());
    Check(drivers.back()->Start(exe, skin), L"could not start " + exe);
    // A program reads its own files (executable, library, skin).
    allowed.push_back(AllowRead(exe.substr(0, exe.rfind(L'\\'))));
    return *drivers.back();
}

bool CaseRun::Check(bool holds, const std::wstring& what)
{
    if (!holds)
        failures.push_back(what);
    return holds;
}

void CaseRun::Skip(const std::wstring& why)
{
    skipped = true;
    Note(L"skipped: " + why);
}

void CaseRun::Finish()
{
    if (finished || skipped)
        return;
    finished = true;
    for (auto& driver : drivers) {
        DWORD code = 0;
        // A case that already failed (a way out missing) is not waited for long.
        if (driver->Process() && !driver->WaitExit(failures.empty() ? Left() : std::min<DWORD>(Left(), 10000), &code)) {
            Check(false, L"the program did not end within " + std::to_wstring(deadline / 1000) + L" s");
            TerminateProcess(driver->Process(), 1);
            WaitForSingleObject(driver->Process(), 5000);
        } else if (code != 0) {
            WCHAR text[64];
            wsprintfW(text, L"exit code 0x%08lx, not 0", code);
            Check(false, text);
        }
    }
    // A crash dialog stays until answered: it is there now or never was. The
    // delayed removal runs for a few seconds after the program's end.
    for (const PROCESSENTRY32W& process : Leftovers(own)) {
        if (!Check(Upper(process.szExeFile) != L"WINEDBG.EXE", L"a crash dialog (winedbg) appeared"))
            testing_support::EndProcess(process.th32ProcessID);
    }
    std::vector<PROCESSENTRY32W> left;
    WaitUntil([&] { return (left = Leftovers(own)).empty(); }, 30000, 100);
    for (const PROCESSENTRY32W& process : left) {
        Check(false, std::wstring(L"leftover process ") + process.szExeFile);
        testing_support::EndProcess(process.th32ProcessID);
    }
    if (!haveBefore)
        return;
    // Removals and changes first: they are what a user loses.
    std::vector<Change> unexpected;
    for (const Change& change : Diff(before, TakeSnapshot(scope))) {
        if (std::none_of(allowed.begin(), allowed.end(), [&](const Allowance& a) { return a.matches(change); }))
            unexpected.push_back(change);
    }
    std::stable_sort(unexpected.begin(), unexpected.end(), [](const Change& a, const Change& b) {
        return std::make_pair(a.kind == ChangeKind::Added, a.item != ItemKind::File) <
               std::make_pair(b.kind == ChangeKind::Added, b.item != ItemKind::File);
    });
    const size_t limit = g_context.verbose ? unexpected.size() : 12;
    for (size_t i = 0; i < unexpected.size() && i < limit; ++i)
        failures.push_back(L"unexpected change: " + Describe(unexpected[i]));
    if (unexpected.size() > limit)
        failures.push_back(L"... and " + std::to_wstring(unexpected.size() - limit) + L" more (--verbose)");
}

// --- allowances -----------------------------------------------------------------

Allowance AllowInstalled(const Payload& payload, const std::wstring& dir, int allUsers, bool record, bool autostart)
{
    return {L"the installation", [=, entries = &payload](const Change& change) {
                if (change.kind == ChangeKind::Removed)
                    return false;
                if (change.item == ItemKind::Key || change.item == ItemKind::Value)
                    return (record && Below(change.path, RecordPath(allUsers))) ||
                           (autostart && Upper(change.path) == Upper(AutostartPath(allUsers)));
                // The entries, the links, the directory and the parents made for it.
                return IsProductItem(*entries, change.path, dir, allUsers) ||
                       (change.kind == ChangeKind::Added && change.item == ItemKind::Folder && Below(dir, change.path));
            }};
}

Allowance AllowRemoved(const Payload& payload, const std::wstring& dir, bool removeDir, bool autostart)
{
    return {L"the removal", [=, entries = &payload](const Change& change) {
                if (change.kind != ChangeKind::Removed)
                    return false;
                if (change.item == ItemKind::Key || change.item == ItemKind::Value)
                    return Below(change.path, RecordPath(1)) ||
                           (autostart && Upper(change.path) == Upper(AutostartPath()));
                return IsProductItem(*entries, change.path, dir, 1) || (removeDir && Below(change.path, dir));
            }};
}

Allowance AllowRead(const std::wstring& folder)
{
    return {L"read below " + folder, [=](const Change& change) {
                const auto same = [&](const wchar_t* name) {
                    return Property(change.before, name) == Property(change.after, name);
                };
                return change.kind == ChangeKind::Changed && change.item == ItemKind::File &&
                       Below(change.path, folder) && same(L"size") && same(L"attr") && same(L"hash") &&
                       same(L"created") && same(L"written");
            }};
}

// --- the machine ------------------------------------------------------------------

void CleanMachine()
{
    testing_support::CleanMachine();
    RemoveTree(Ctx().scratch + L"\\cases");
}

std::wstring ScratchFolder(const std::wstring& hint)
{
    static int counter = 0;
    const std::wstring path = Ctx().scratch + L"\\cases\\" + hint + L"-" + std::to_wstring(++counter);
    RemoveTree(path);
    MakeDirs(path);
    return path;
}

void MakeUserFolder(const Payload& payload, const std::wstring& dir)
{
    const std::tuple<const wchar_t*, const char*, DWORD> files[] = {
        {L"letter.txt", "dear user", FILE_ATTRIBUTE_ARCHIVE},
        {L"res\\profile.xml", "<my settings/>", FILE_ATTRIBUTE_READONLY},
        {L"DuiLibu.dll", "someone else's library", FILE_ATTRIBUTE_HIDDEN},
        {L"Uninstall.DAT", "the user's data", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
        {L"res\\mine\\photo.png", "a photo", FILE_ATTRIBUTE_ARCHIVE},
        {L"filler\\d000\\f00000.bin", "not filler", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
    };
    FILETIME times[3];  // created in 2010, written in 2011, read in 2012
    for (WORD i = 0; i < 3; ++i) {
        const SYSTEMTIME time = {static_cast<WORD>(2010 + i), static_cast<WORD>(1 + i), 0, 1, 8, 0, 0, 0};
        SystemTimeToFileTime(&time, &times[i]);
    }
    for (const auto& [name, bytes, attributes] : files) {
        const std::wstring path = dir + L"\\" + name;
        if (std::wstring(name).find(L"filler") == 0 && !payload.Has(name))
            continue;
        MakeDirs(path.substr(0, path.rfind(L'\\')));
        WriteBytes(path, bytes);
        HANDLE handle = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        SetFileTime(handle, &times[0], &times[2], &times[1]);
        CloseHandle(handle);
        SetFileAttributesW(path.c_str(), attributes);
    }
}

// --- ways out and workers ---------------------------------------------------------

std::wstring QuitName(Quit quit)
{
    const wchar_t* names[] = {L"page-cancel", L"frame-cancel", L"frame-close", L"alt-f4", L"wm-close", L"session-end"};
    return names[static_cast<int>(quit)];
}

bool EndSession(CaseRun& run, WizardDriver& d, const std::wstring& page)
{
    const std::pair<const wchar_t*, const wchar_t*> reasons[] = {
        {L"Page6", L"正在安装VELT电子日历"}, {L"Page10", L"正在卸载VELT电子日历"}, {L"Page12", L"正在修复VELT电子日历"}};
    const wchar_t* reason = nullptr;
    for (const auto& [name, text] : reasons)
        reason = page == name && d.PageVisible(page) ? text : reason;
    const auto send = [&](UINT message, WPARAM wParam, DWORD_PTR* result) {
        return SendMessageTimeoutW(d.Frame(), message, wParam, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, result) != 0;
    };
    DWORD_PTR may = 0;
    if (!run.Check(send(WM_QUERYENDSESSION, 0, &may), L"WM_QUERYENDSESSION was not answered"))
        return false;
    // A worker that ended before the question (its page gone) lets the
    // session end once its thread has ended too, just after its page: asked
    // again for a moment.
    if (!may && !reason)
        WaitUntil([&] { return send(WM_QUERYENDSESSION, 0, &may) && may; }, 2000, 50);
    run.Note(std::wstring(L"WM_QUERYENDSESSION ") + (may ? L"TRUE" : L"FALSE"));
    run.Check(may ? !reason || !d.PageVisible(page) : reason != nullptr,
              may ? L"the end of the session was not held up while the worker ran"
                  : L"the end of the session was held up without a worker");
    using QueryFn = BOOL(WINAPI*)(HWND, LPWSTR, DWORD*);
    const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "ShutdownBlockReasonQuery")));
    WCHAR text[256] = {};
    DWORD size = 256;
    if (!query)
        run.Note(L"no ShutdownBlockReasonQuery here: the reason not read back");
    else if (!may && reason)
        run.Check(query(d.Frame(), text, &size) && std::wstring(text) == reason,
                  L"block reason \"" + std::wstring(text) + L"\", not \"" + reason + L"\"");
    DWORD_PTR ignored = 0;
    run.Check(send(WM_ENDSESSION, FALSE, &ignored) && IsWindowVisible(d.Frame()) && d.Running(),
              L"WM_ENDSESSION FALSE ended something");
    const DWORD start = GetTickCount();
    const bool answered = send(WM_ENDSESSION, TRUE, &ignored);
    const DWORD took = GetTickCount() - start;
    run.Note(L"WM_ENDSESSION answered in " + std::to_wstring(took) + L" ms");
    run.Check(answered && took <= 5000, L"WM_ENDSESSION not answered within 5 s");
    const MessageBoxSeen error = d.WaitMessageBox(0, kCaptionError);
    run.Check(!error.box, L"a message showed at the end of the session: " + error.text);
    TerminateProcess(d.Process(), 0);
    return run.Check(d.WaitExit(10000), L"the program did not end");
}

bool TakeWayOut(CaseRun& run, WizardDriver& d, Quit quit, const std::wstring& page, bool setup, bool answer)
{
    if (quit == Quit::SessionEnd)
        return EndSession(run, d, page);
    const bool sent = quit == Quit::AltF4     ? d.PostSysClose()
                      : quit == Quit::WmClose ? d.PostClose()
                                              : d.Click(quit == Quit::PageCancel ? page : L"",
                                                        quit == Quit::FrameClose ? L"closebtn" : L"cancelbtn");
    if (!run.Check(sent, L"the way out is missing") || !answer || !Asks(quit, setup))
        return sent;
    const MessageBoxSeen question = d.WaitMessageBox(15000, kCaptionNotice, kMsgQuitQuestion);
    return run.Check(question.box && WizardDriver::Answer(question, IDYES), L"no quit question");
}

WizardDriver* StartToPage4(CaseRun& run, const std::wstring& exe, const std::wstring& dir, bool onlyMe)
{
    WizardDriver& d = run.Start(exe, kSetupSkinFileName);
    const bool walked = d.WaitFrame(kSetupWindowTitle, 30000) && testing_support::WalkSetupToPage4(d, onlyMe) &&
                        (dir.empty() || d.TypeText(L"Page4", L"pathedit", dir)) && d.WaitIdle(10000);
    return run.Check(walked, L"could not walk Setup to Page4") ? &d : nullptr;
}

WizardDriver* StartWorker(CaseRun& run, Worker worker, const std::wstring& exe, const std::wstring& dir, bool onlyMe)
{
    WizardDriver* d = worker == Worker::Install ? StartToPage4(run, exe, dir, onlyMe)
                      : worker == Worker::UninstallRemoval
                          ? &run.Start(dir + L"\\" + kUninstallerFileName, kUninstallSkinFileName)
                          : &run.Start(exe, kSetupSkinFileName);
    const auto shows = [&](const wchar_t* progress, bool orMessage) {
        return WaitUntil([&] {
            return d->PageVisible(progress) || d->PageVisible(FinishPage(worker)) ||
                   (orMessage && d->WaitMessageBox(0).box);
        }, 10000);
    };
    const bool started =
        worker == Worker::Install ? d && d->Click(L"Page4", L"nextbtn") && shows(L"Page6", false)
        : worker == Worker::UninstallRemoval
            ? d->WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml") && d->Click(L"nextbtn")
            : d->WaitFrame(kSetupWindowTitle, 30000) &&
                  (worker == Worker::Repair ? d->Click(L"fixbtn") && d->Click(L"nextbtn") && shows(L"Page12", true)
                                            : d->Click(L"nextbtn") && d->WaitPageVisible(L"Page9", 10000) &&
                                                  d->Click(L"Page9", L"nextbtn"));
    return run.Check(started, L"the worker did not start") ? d : nullptr;
}

bool FinishThrough(CaseRun& run, WizardDriver& d, Worker worker, DWORD ms)
{
    const wchar_t* page = FinishPage(worker);
    return run.Check(d.WaitPageVisible(page, ms) && (worker != Worker::Install || d.Click(page, L"runnowbtn")) &&
                         d.Click(page, L"finishbtn"),
                     L"the worker did not go through its finish page");
}

bool AnswerMessage(CaseRun& run, WizardDriver& d, const std::wstring& caption, const std::wstring& text, DWORD ms)
{
    const MessageBoxSeen seen = d.WaitMessageBox(ms, caption, text);
    if (!run.Check(seen.box != nullptr, L"no message \"" + (text.empty() ? caption : text) + L"\""))
        return false;
    run.Note(L"message \"" + seen.text + L"\"");
    return run.Check(WizardDriver::Answer(seen, IDOK), L"the message could not be answered");
}

void CheckInstalled(CaseRun& run, const Payload& payload, const std::wstring& dir, bool orAsItWas)
{
    std::wstring wrong;
    int count = 0;
    for (int i = 0; i < payload.Count(); ++i) {
        const std::wstring path = payload.PathOf(dir, i);
        const std::wstring now = FileHash(path);
        const std::wstring expected = FileHash(payload.PathOf(payload.reference, i));
        const auto was = run.before.find(L"F|" + Upper(path));
        const bool asItWas = orAsItWas && was != run.before.end() && now == Property(was->second.props, L"hash");
        if (payload.entries[static_cast<size_t>(i)].folder ? !orAsItWas && !PathIsDirectoryW(path.c_str())
                                                            : (expected.empty() || now != expected) && !asItWas)
            wrong += ++count > 3 ? L"" : L" " + payload.entries[static_cast<size_t>(i)].name;
    }
    run.Check(count == 0, std::to_wstring(count) + (orAsItWas ? L" payload files neither as they were nor complete:"
                                                              : L" payload entries missing or not complete:") +
                              wrong + (count > 3 ? L" ..." : L""));
}

// --- registry permissions -------------------------------------------------------

namespace {

// The one key a case has locked, as "<path>|<its DACL>".
std::wstring LockFile()
{
    return Ctx().scratch + L"\\locked-key.txt";
}

bool SetDacl(const std::wstring& path, const std::wstring& sddl)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    HKEY key = nullptr;
    const bool done =
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr) &&
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS &&
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    if (key)
        RegCloseKey(key);
    LocalFree(sd);
    return done;
}

} // namespace

KeyLock::KeyLock(const std::wstring& path) : m_path(path)
{
    HKEY key = nullptr;
    BYTE buffer[4096];
    DWORD size = sizeof buffer;
    LPWSTR text = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL, &key) == ERROR_SUCCESS &&
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer, &size) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(buffer, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                             nullptr)) {
        m_sddl = text;
        LocalFree(text);
    }
    if (key)
        RegCloseKey(key);
    if (m_sddl.empty() || !WriteBytes(LockFile(), ToUtf8(path + L"|" + m_sddl)) ||
        !SetDacl(path, L"D:P(A;;KR;;;WD)"))
        return;
    HKEY probe = nullptr;
    const LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &probe);
    if (result == ERROR_SUCCESS)
        RegCloseKey(probe);
    m_locked = result == ERROR_ACCESS_DENIED;
}

KeyLock::~KeyLock()
{
    if (!m_sddl.empty() && SetDacl(m_path, m_sddl))
        DeleteFileW(LockFile().c_str());
}

void RestoreLockedKey()
{
    std::string bytes;
    if (!testing_support::ReadBytes(LockFile(), &bytes))
        return;
    const std::wstring line = testing_support::FromUtf8(bytes);
    const size_t bar = line.find(L'|');
    if (bar != std::wstring::npos && SetDacl(line.substr(0, bar), line.substr(bar + 1))) {
        Say(L"restored the permissions of HKLM\\" + line.substr(0, bar));
        DeleteFileW(LockFile().c_str());
    }
}

void Say(const std::wstring& text)
{
    const std::string bytes = ToUtf8(text + L"\n");
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

} // namespace faults
