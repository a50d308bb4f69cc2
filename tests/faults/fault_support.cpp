#include "fault_support.h"

#include "ZipArchive.h"
#include "checkpoint_gate.h"
#include "fake_installation.h"
#include "install_manifest.h"
#include "extraction.h"
#include "payload_resource.h"
#include "product.h"
#include "test_support.h"
#include "wait_until.h"

#include <psapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace faults {

using testing_support::Exists;
using testing_support::MakeDirs;
using testing_support::RemoveTree;
using testing_support::WaitUntil;

namespace {

Context g_context;

constexpr int kBarFull = 474;
constexpr DWORD kLeftoverMs = 30000;

std::wstring Backslashes(std::wstring path)
{
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

std::wstring RootName(int allUsers)
{
    return allUsers ? L"HKLM" : L"HKCU";
}

std::wstring RecordPath(int allUsers)
{
    return RootName(allUsers) + L"\\" + kUninstallParentKey + L"\\" + kProductKey;
}

std::wstring AutostartPath(int allUsers)
{
    return RootName(allUsers) + L"\\" + kRunKey + L"\\" + kAutostartValueName;
}

std::wstring Relative(const std::wstring& path, const std::wstring& dir)
{
    std::wstring base = dir;
    while (base.size() > 3 && base.back() == L'\\')
        base.pop_back();
    if (path.size() <= base.size())
        return std::wstring();
    std::wstring rest = path.substr(base.size());
    while (!rest.empty() && rest[0] == L'\\')
        rest.erase(0, 1);
    return rest;
}

bool IsProductEntry(const Payload& payload, const std::wstring& path, const std::wstring& dir)
{
    if (!Below(path, dir) || Upper(path) == Upper(dir))
        return false;
    const std::wstring relative = Relative(path, dir);
    return payload.Has(relative) || Upper(relative) == Upper(kInstallManifestFileName);
}

// The product's shortcut items: the group folders, the links.
bool IsProductShortcut(const std::wstring& path, int allUsers)
{
    const ShortcutPaths links = ComposeShortcutPaths(allUsers);
    const std::wstring upper = Upper(path);
    return Below(path, links.programsProduct) || upper == Upper(links.programsGroup) ||
           upper == Upper(links.desktopLink) || upper == Upper(links.quickLaunchLink);
}

std::wstring ProcessName(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return std::wstring();
    WCHAR name[MAX_PATH] = {};
    GetModuleBaseNameW(process, nullptr, name, MAX_PATH);
    CloseHandle(process);
    return name;
}

bool IsWatchedName(const std::wstring& name)
{
    const std::wstring upper = Upper(name);
    return upper.compare(0, 5, L"SETUP") == 0 || upper == L"UNINSTALL.EXE" || upper == Upper(kAppFileName) ||
           upper == L"CMD.EXE" || upper == L"PING.EXE" || upper == L"WINEDBG.EXE";
}

// Processes of the watched names, but the runner and the case's own.
std::vector<std::pair<DWORD, std::wstring>> Leftovers(const std::vector<DWORD>& own)
{
    std::vector<std::pair<DWORD, std::wstring>> found;
    DWORD pids[2048];
    DWORD bytes = 0;
    if (!EnumProcesses(pids, sizeof pids, &bytes))
        return found;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        const DWORD pid = pids[i];
        if (pid == 0 || pid == GetCurrentProcessId())
            continue;
        bool mine = false;
        for (DWORD o : own)
            mine = mine || o == pid;
        if (mine)
            continue;
        const std::wstring name = ProcessName(pid);
        if (IsWatchedName(name))
            found.push_back({pid, name});
    }
    return found;
}

void Terminate(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process)
        return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

} // namespace

// --- context and payloads ---------------------------------------------------

const Context& Ctx()
{
    return g_context;
}

void InitContext(const Context& context)
{
    g_context = context;
}

std::wstring Payload::PathOf(const std::wstring& dir, int i) const
{
    std::wstring path = dir;
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    path += Backslashes(entries[static_cast<size_t>(i)].name);
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

bool Payload::Has(const std::wstring& relative) const
{
    std::wstring wanted = Upper(Backslashes(relative));
    while (!wanted.empty() && wanted.back() == L'\\')
        wanted.pop_back();
    static std::map<const Payload*, std::map<std::wstring, bool>> index;
    std::map<std::wstring, bool>& names = index[this];
    if (names.empty()) {
        for (const PayloadEntry& entry : entries) {
            std::wstring name = Upper(Backslashes(entry.name));
            while (!name.empty() && name.back() == L'\\')
                name.pop_back();
            names[name] = entry.folder;
        }
    }
    return names.count(wanted) != 0;
}

namespace {

// The archive of a Setup program, open, with the module that holds it.
struct OpenPayload {
    HMODULE module = nullptr;
    ZipArchivePtr archive;
    ~OpenPayload()
    {
        archive.reset();
        if (module)
            FreeLibrary(module);
    }
};

bool Open(const std::wstring& exe, OpenPayload* open)
{
    open->module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!open->module)
        return false;
    const void* data = nullptr;
    DWORD size = 0;
    FindPayload(open->module, &data, &size);
    if (!data)
        return false;
    open->archive.reset(ZipArchiveOpen(data, size));
    return open->archive != nullptr;
}

std::wstring Stamp(const std::wstring& exe)
{
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    GetFileAttributesExW(exe.c_str(), GetFileExInfoStandard, &info);
    WCHAR text[96];
    wsprintfW(text, L"%lu %lu %lu %lu", info.nFileSizeLow, info.nFileSizeHigh, info.ftLastWriteTime.dwLowDateTime,
              info.ftLastWriteTime.dwHighDateTime);
    return text;
}

} // namespace

bool LoadPayload(const std::wstring& exe, Payload* payload)
{
    payload->exe = exe;
    payload->entries.clear();
    OpenPayload open;
    if (!Open(exe, &open))
        return false;
    ZipItem item = {};
    if (ZipArchiveGetItem(open.archive.get(), -1, &item) != kZipOk)
        return false;
    const int count = item.index;
    for (int i = 0; i < count; ++i) {
        if (ZipArchiveGetItem(open.archive.get(), i, &item) != kZipOk)
            return false;
        PayloadEntry entry;
        entry.name = item.name;
        entry.folder = (item.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = item.uncompressedSize;
        payload->entries.push_back(entry);
    }
    return count > 0;
}

bool ExtractReference(const std::wstring& exe, const std::wstring& folder)
{
    const std::wstring stampFile = folder + L".stamp";
    std::string stamp;
    const std::wstring wanted = Stamp(exe);
    if (testing_support::ReadBytes(stampFile, &stamp) && Utf8ToWide(stamp) == wanted && Exists(folder))
        return true;
    RemoveTree(folder);
    MakeDirs(folder);
    OpenPayload open;
    if (!Open(exe, &open) || ZipArchiveSetBaseDir(open.archive.get(), folder.c_str()) != kZipOk)
        return false;
    ZipItem item = {};
    ZipArchiveGetItem(open.archive.get(), -1, &item);
    const int count = item.index;
    for (int i = 0; i < count; ++i) {
        if (ZipArchiveGetItem(open.archive.get(), i, &item) != kZipOk ||
            ZipArchiveExtractItem(open.archive.get(), i, item.name) != kZipOk)
            return false;
    }
    return testing_support::WriteBytes(stampFile, WideToUtf8(wanted));
}

// --- checkpoints --------------------------------------------------------------

CheckpointAt DescribeCheckpoint(int k, int n)
{
    if (k <= 1)
        return {Checkpoint::AfterRecord};
    if (k == 2)
        return {Checkpoint::AfterFolder};
    if (k == 3)
        return {Checkpoint::AfterFolderAgain};
    if (k == 4)
        return {Checkpoint::BeforeExtraction};
    if (k <= n + 4)
        return {Checkpoint::AfterEntry, k - 5};
    if (k == n + 5)
        return {Checkpoint::AfterManifest};
    if (k == n + 6)
        return {Checkpoint::AfterAutostart};
    return {Checkpoint::AtFinish};
}

std::wstring CheckpointName(int k, int n)
{
    const CheckpointAt at = DescribeCheckpoint(k, n);
    switch (at.what) {
    case Checkpoint::AfterRecord:
        return L"after the record";
    case Checkpoint::AfterFolder:
        return L"after the folder";
    case Checkpoint::AfterFolderAgain:
        return L"after the folder (second)";
    case Checkpoint::BeforeExtraction:
        return L"before the first entry";
    case Checkpoint::AfterEntry:
        return L"after entry " + std::to_wstring(at.entry + 1) + L" of " + std::to_wstring(n);
    case Checkpoint::AfterManifest:
        return L"after the manifest, before the shortcuts";
    case Checkpoint::AfterAutostart:
        return L"after the shortcuts and the autostart value";
    case Checkpoint::AtFinish:
        return L"at the finish";
    }
    return std::wstring();
}

int BarAtCheckpoint(int k, int n)
{
    const CheckpointAt at = DescribeCheckpoint(k, n);
    switch (at.what) {
    case Checkpoint::AfterRecord:
    case Checkpoint::AfterFolder:
    case Checkpoint::AfterFolderAgain:
    case Checkpoint::BeforeExtraction:
        return 1;
    case Checkpoint::AfterEntry:
        return ExtractionBarWidth(at.entry, n, kBarFull);
    case Checkpoint::AfterManifest:
    case Checkpoint::AfterAutostart:
        return ExtractionBarWidth(n - 1, n, kBarFull);
    case Checkpoint::AtFinish:
        return kBarFull;
    }
    return -1;
}

Gate::Gate(DWORD pid, int k)
{
    m_mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(CheckpointGateBlock),
                                   CheckpointGateName(pid).c_str());
    if (!m_mapping)
        return;
    m_block = static_cast<CheckpointGateBlock*>(
        MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(CheckpointGateBlock)));
    m_release = CreateEventW(nullptr, TRUE, FALSE, CheckpointReleaseName(pid).c_str());
    if (m_block && m_release) {
        const CheckpointAt at = DescribeCheckpoint(k, Ctx().bigPayload.Count());
        InterlockedExchange(&m_block->holdEntry, at.entry);
        InterlockedExchange(&m_block->holdAt, static_cast<LONG>(at.what));
    }
}

Gate::~Gate()
{
    Release();
    if (m_block)
        UnmapViewOfFile(m_block);
    if (m_mapping)
        CloseHandle(m_mapping);
    if (m_release)
        CloseHandle(m_release);
}

bool Gate::WaitHeld(DWORD ms) const
{
    return m_block && WaitUntil([&] { return InterlockedCompareExchange(&m_block->held, 0, 0) != 0; }, ms, 5);
}

void Gate::Release()
{
    if (m_release)
        SetEvent(m_release);
}

int Gate::Reached() const
{
    return m_block ? static_cast<int>(InterlockedCompareExchange(&m_block->reached, 0, 0)) : 0;
}

std::wstring QuitName(Quit quit)
{
    switch (quit) {
    case Quit::PageCancel:
        return L"page-cancel";
    case Quit::FrameCancel:
        return L"frame-cancel";
    case Quit::FrameClose:
        return L"frame-close";
    case Quit::AltF4:
        return L"alt-f4";
    case Quit::WmClose:
        return L"wm-close";
    }
    return L"?";
}

// --- the case run -------------------------------------------------------------

CaseRun::CaseRun(DWORD deadlineMs) : m_deadline(deadlineMs), m_start(GetTickCount())
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        m_scope.AddKey(root, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
        m_scope.AddKey(root, kRunKey, true);
        m_scope.AddKey(root, kLegacyProductsKey);
    }
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY})
        m_scope.AddFolder(ShellPath(csidl));
    m_scope.AddFolder(ShellPath(CSIDL_APPDATA, kQuickLaunchFolder));
    m_scope.AddFolder(ShellPath(CSIDL_PROGRAM_FILES), 0);
    m_scope.AddFolder(ShellPath(CSIDL_PROGRAM_FILES, L"QRVL"));
    WCHAR temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_scope.AddFolder(temp, 0, L"VELTExit");
}

CaseRun::~CaseRun()
{
    if (!m_finished) {
        for (auto& driver : m_drivers) {
            if (driver->Running())
                TerminateProcess(driver->Process(), 1);
        }
    }
}

void CaseRun::Before()
{
    m_before = TakeSnapshot(m_scope);
    m_haveBefore = true;
}

WizardDriver& CaseRun::Start(const std::wstring& exe, const std::wstring& skin, const std::wstring& workDir)
{
    m_drivers.push_back(std::make_unique<WizardDriver>());
    if (!m_drivers.back()->Start(exe, skin, workDir))
        Check(false, L"could not start " + exe);
    // A program reads its own files (executable, library, skin).
    Allow(AllowRead(exe.substr(0, exe.find_last_of(L'\\'))));
    return *m_drivers.back();
}

bool CaseRun::Check(bool holds, const std::wstring& what)
{
    if (!holds)
        m_failures.push_back(what);
    return holds;
}

void CaseRun::Note(const std::wstring& evidence)
{
    if (!m_evidence.empty())
        m_evidence += L"; ";
    m_evidence += evidence;
}

void CaseRun::Skip(const std::wstring& why)
{
    m_skipped = true;
    Note(L"skipped: " + why);
}

DWORD CaseRun::Left() const
{
    const DWORD elapsed = Elapsed();
    return elapsed >= m_deadline ? 0 : m_deadline - elapsed;
}

double CaseRun::Seconds() const
{
    return Elapsed() / 1000.0;
}

bool CaseRun::Finish()
{
    if (m_finished)
        return Passed();
    m_finished = true;
    if (m_skipped)
        return false;
    for (auto& driver : m_drivers) {
        if (!driver->Process())
            continue;
        DWORD code = 0;
        // A case that already failed (a way out missing) is not waited for long.
        const DWORD wait = m_failures.empty() || Left() < 10000 ? Left() : 10000;
        if (!driver->WaitExit(wait, &code)) {
            Check(false, L"the program did not end within " + std::to_wstring(m_deadline / 1000) + L" s");
            TerminateProcess(driver->Process(), 1);
            WaitForSingleObject(driver->Process(), 5000);
        } else {
            WCHAR text[64];
            wsprintfW(text, L"exit code 0x%08lx, not 0", code);
            Check(code == 0, text);
        }
    }
    // A crash dialog stays until answered: it is there now or never was.
    for (const auto& process : Leftovers(m_own)) {
        if (Upper(process.second) == L"WINEDBG.EXE") {
            Check(false, L"a crash dialog (winedbg) appeared");
            Terminate(process.first);
        }
    }
    // The delayed removal runs for a few seconds after the program's end.
    std::vector<std::pair<DWORD, std::wstring>> left;
    WaitUntil([&] { return (left = Leftovers(m_own)).empty(); }, kLeftoverMs, 100);
    for (const auto& process : left) {
        Check(false, L"leftover process " + process.second);
        Terminate(process.first);
    }
    if (m_haveBefore) {
        const MachineState after = TakeSnapshot(m_scope);
        // Removals and changes first: they are what a user loses.
        std::vector<Change> unexpected;
        for (const Change& change : Diff(m_before, after)) {
            bool allowed = false;
            for (const Allowance& allowance : m_allowed)
                allowed = allowed || allowance.matches(change);
            if (!allowed)
                unexpected.push_back(change);
        }
        std::stable_sort(unexpected.begin(), unexpected.end(), [](const Change& a, const Change& b) {
            return (a.kind == ChangeKind::Added) < (b.kind == ChangeKind::Added) ||
                   ((a.kind == ChangeKind::Added) == (b.kind == ChangeKind::Added) && a.item == ItemKind::File &&
                    b.item != ItemKind::File);
        });
        const size_t limit = g_context.verbose ? unexpected.size() : 12;
        int counts[3] = {};
        for (size_t i = 0; i < unexpected.size(); ++i) {
            ++counts[static_cast<int>(unexpected[i].kind)];
            if (i < limit)
                m_failures.push_back(L"unexpected change: " + Describe(unexpected[i]));
        }
        if (unexpected.size() > limit)
            m_failures.push_back(L"... " + std::to_wstring(unexpected.size() - limit) + L" more unexpected changes (" +
                                 std::to_wstring(counts[0]) + L" added, " + std::to_wstring(counts[1]) +
                                 L" removed, " + std::to_wstring(counts[2]) + L" changed in all)");
    }
    return Passed();
}

// --- allowances -----------------------------------------------------------------

Allowance AllowInstalled(const Payload& payload, const std::wstring& dir, int allUsers, bool record, bool autostart)
{
    const Payload* entries = &payload;
    return {L"the installation",
            [=](const Change& change) {
                if (change.kind == ChangeKind::Removed)
                    return false;
                if (change.item == ItemKind::File || change.item == ItemKind::Folder) {
                    if (IsProductEntry(*entries, change.path, dir) || IsProductShortcut(change.path, allUsers))
                        return true;
                    // The directory and the parents made for it.
                    return change.kind == ChangeKind::Added && change.item == ItemKind::Folder && Below(dir, change.path);
                }
                if (record && Below(change.path, RecordPath(allUsers)))
                    return true;
                return autostart && Upper(change.path) == Upper(AutostartPath(allUsers));
            }};
}

Allowance AllowRemoved(const Payload& payload, const std::wstring& dir, int allUsers, bool removeDir, bool autostart)
{
    const Payload* entries = &payload;
    return {L"the removal",
            [=](const Change& change) {
                if (change.kind != ChangeKind::Removed)
                    return false;
                if (change.item == ItemKind::File || change.item == ItemKind::Folder) {
                    if (IsProductEntry(*entries, change.path, dir) || IsProductShortcut(change.path, allUsers))
                        return true;
                    return removeDir && Below(change.path, dir);
                }
                if (Below(change.path, RecordPath(allUsers)))
                    return true;
                return autostart && Upper(change.path) == Upper(AutostartPath(allUsers));
            }};
}

Allowance AllowBelow(const std::wstring& path)
{
    return {L"below " + path, [=](const Change& change) { return Below(change.path, path); }};
}

Allowance AllowRead(const std::wstring& folder)
{
    return {L"read below " + folder, [=](const Change& change) {
                if (change.kind != ChangeKind::Changed || change.item != ItemKind::File || !Below(change.path, folder))
                    return false;
                for (const wchar_t* name : {L"size", L"attr", L"hash", L"created", L"written"}) {
                    if (Property(change.before, name) != Property(change.after, name))
                        return false;
                }
                return true;
            }};
}

// --- the machine ------------------------------------------------------------------

void CleanMachine()
{
    testing_support::CleanProductTraces();
    RemoveTree(DefaultInstallDir());
    RemoveDirectoryW(ShellPath(CSIDL_PROGRAM_FILES, L"QRVL").c_str());
    RemoveTree(Ctx().scratch + L"\\cases");
}

bool RecordExists(int allUsers)
{
    return testing_support::RecordExists(allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
}

bool AutostartExists(int allUsers)
{
    return testing_support::ValueExists(allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kRunKey, kAutostartValueName);
}

bool AppLinkExists(int allUsers)
{
    return Exists(ComposeShortcutPaths(allUsers).appLink);
}

std::wstring ScratchFolder(const std::wstring& hint)
{
    static int counter = 0;
    const std::wstring path = Ctx().scratch + L"\\cases\\" + hint + L"-" + std::to_wstring(++counter);
    RemoveTree(path);
    MakeDirs(path);
    return path;
}

std::wstring NewTarget(CaseRun& run, const std::wstring& hint)
{
    const std::wstring parent = ScratchFolder(hint);
    run.Watch(parent);
    return parent + L"\\VELT";
}

// --- driving --------------------------------------------------------------------

bool StartToPage4(CaseRun& run, const InstallPlan& plan)
{
    WizardDriver& d = run.Start(plan.exe, kSetupSkinFileName);
    if (!run.Check(d.WaitFrame(kSetupWindowTitle, 30000) != nullptr, L"Setup's frame did not show"))
        return false;
    const bool walked = testing_support::WalkSetupToPage4(d, plan.onlyMe) &&
                        (plan.dir.empty() || d.TypeText(L"Page4", L"pathedit", plan.dir)) && d.WaitIdle(10000);
    return run.Check(walked, L"could not walk Setup to Page4");
}

bool StartInstall(CaseRun& run, const InstallPlan& plan)
{
    return StartToPage4(run, plan) && run.Check(run.Driver().Click(L"Page4", L"nextbtn"), L"no next button on Page4");
}

std::unique_ptr<Gate> StartHeldAt(CaseRun& run, const std::wstring& dir, int k)
{
    if (!StartToPage4(run, {Ctx().bigSetup, dir}))
        return nullptr;
    WizardDriver& d = run.Driver();
    auto gate = std::make_unique<Gate>(d.ProcessId(), k);
    if (!run.Check(gate->Armed(), L"the checkpoint gate could not be made"))
        return nullptr;
    d.Click(L"Page4", L"nextbtn");
    if (!run.Check(gate->WaitHeld(run.Left()), L"the worker never reached checkpoint " + std::to_wstring(k)))
        return nullptr;
    return gate;
}

MessageBoxSeen CancelWhileHeld(WizardDriver& driver, Gate& gate)
{
    driver.Click(L"Page6", L"cancelbtn");
    const MessageBoxSeen question = driver.WaitMessageBox(15000, kCaptionNotice, kMsgQuitQuestion);
    gate.Release();
    return question;
}

bool AnswerQuestion(WizardDriver& driver, int id, DWORD ms)
{
    const MessageBoxSeen seen = driver.WaitMessageBox(ms, kCaptionNotice, kMsgQuitQuestion);
    return seen.box && WizardDriver::Answer(seen, id);
}

bool AnswerMessage(CaseRun& run, WizardDriver& driver, const std::wstring& caption, const std::wstring& text, DWORD ms)
{
    const MessageBoxSeen seen = driver.WaitMessageBox(ms, caption, text);
    if (!run.Check(seen.box != nullptr, L"no message \"" + (text.empty() ? caption : text) + L"\""))
        return false;
    run.Note(L"message \"" + seen.text + L"\"");
    return run.Check(WizardDriver::Answer(seen, IDOK), L"the message could not be answered");
}

int StableBar(WizardDriver& driver, const std::wstring& page)
{
    int last = -2;
    int now = -1;
    WaitUntil(
        [&] {
            now = driver.ProgressWidth(page);
            const bool same = now == last && now >= 0;
            last = now;
            return same;
        },
        5000, 150);
    return now == last ? now : -1;
}

bool LeaveBy(WizardDriver& driver, Quit quit, const std::wstring& page, bool question)
{
    bool sent = false;
    switch (quit) {
    case Quit::PageCancel:
        sent = driver.Click(page, L"cancelbtn");
        break;
    case Quit::FrameCancel:
        sent = driver.Click(L"cancelbtn");
        break;
    case Quit::FrameClose:
        sent = driver.Click(L"closebtn");
        break;
    case Quit::AltF4:
        sent = driver.PostSysClose();
        break;
    case Quit::WmClose:
        sent = driver.PostClose();
        break;
    }
    if (!sent)
        return false;
    return !question || AnswerQuestion(driver, IDYES);
}

int FirstMissingEntry(const Payload& payload, const std::wstring& dir, const std::vector<bool>& preexisting)
{
    for (int i = 0; i < payload.Count(); ++i) {
        const PayloadEntry& entry = payload.entries[static_cast<size_t>(i)];
        const bool there = i < static_cast<int>(preexisting.size()) && preexisting[static_cast<size_t>(i)];
        if (entry.folder && there)
            continue;
        WIN32_FILE_ATTRIBUTE_DATA info = {};
        if (!GetFileAttributesExW(payload.PathOf(dir, i).c_str(), GetFileExInfoStandard, &info))
            return i;
        // A file of the user's by that name is not the entry.
        if (!entry.folder && (info.nFileSizeHigh != 0 || info.nFileSizeLow != entry.size))
            return i;
    }
    return payload.Count();
}

std::vector<std::wstring> IncompleteEntries(const Payload& payload, const std::wstring& reference,
                                            const std::wstring& dir)
{
    static std::map<std::wstring, std::wstring> referenceHashes;
    std::vector<std::wstring> wrong;
    for (int i = 0; i < payload.Count(); ++i) {
        const PayloadEntry& entry = payload.entries[static_cast<size_t>(i)];
        const std::wstring installed = payload.PathOf(dir, i);
        if (entry.folder) {
            if (!PathIsDirectoryW(installed.c_str()))
                wrong.push_back(entry.name);
            continue;
        }
        const std::wstring source = payload.PathOf(reference, i);
        std::wstring& expected = referenceHashes[Upper(source)];
        if (expected.empty())
            expected = FileHash(source);
        if (expected.empty() || FileHash(installed) != expected)
            wrong.push_back(entry.name);
    }
    return wrong;
}

// --- output ---------------------------------------------------------------------

void Say(const std::wstring& text)
{
    const std::string bytes = WideToUtf8(text + L"\n");
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

std::string WideToUtf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                            nullptr);
    return bytes;
}


std::wstring Utf8ToWide(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

} // namespace faults

#include <sddl.h>

namespace faults {

namespace {

std::wstring LockFile()
{
    return Ctx().scratch + L"\\locked-keys.txt";
}

std::wstring LockLine(HKEY root, const std::wstring& path, const std::wstring& sddl)
{
    return std::wstring(root == HKEY_LOCAL_MACHINE ? L"HKLM" : L"HKCU") + L"|" + path + L"|" + sddl;
}

std::vector<std::wstring> ReadLockLines()
{
    std::string bytes;
    std::vector<std::wstring> lines;
    if (!testing_support::ReadBytes(LockFile(), &bytes))
        return lines;
    const std::wstring text = Utf8ToWide(bytes);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void WriteLockLines(const std::vector<std::wstring>& lines)
{
    std::wstring text;
    for (const std::wstring& line : lines)
        text += line + L"\n";
    if (text.empty())
        DeleteFileW(LockFile().c_str());
    else
        testing_support::WriteBytes(LockFile(), WideToUtf8(text));
}

bool SetDacl(HKEY root, const std::wstring& path, const std::wstring& sddl)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr))
        return false;
    HKEY key = nullptr;
    bool done = false;
    if (RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        done = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(sd);
    return done;
}

} // namespace

KeyLock::KeyLock(HKEY root, const std::wstring& path) : m_root(root), m_path(path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS)
        return;
    std::vector<BYTE> buffer(4096);
    DWORD size = static_cast<DWORD>(buffer.size());
    LPWSTR text = nullptr;
    if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(buffer.data(), SDDL_REVISION_1,
                                                             DACL_SECURITY_INFORMATION, &text, nullptr)) {
        m_sddl = text;
        LocalFree(text);
    }
    RegCloseKey(key);
    if (m_sddl.empty())
        return;
    std::vector<std::wstring> lines = ReadLockLines();
    lines.push_back(LockLine(root, path, m_sddl));
    WriteLockLines(lines);
    if (!SetDacl(root, path, L"D:P(A;;KR;;;WD)"))
        return;
    HKEY probe = nullptr;
    const LONG result = RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &probe);
    if (result == ERROR_SUCCESS)
        RegCloseKey(probe);
    m_locked = result == ERROR_ACCESS_DENIED;
}

KeyLock::~KeyLock()
{
    Unlock();
}

void KeyLock::Unlock()
{
    if (m_sddl.empty())
        return;
    SetDacl(m_root, m_path, m_sddl);
    std::vector<std::wstring> lines = ReadLockLines();
    const std::wstring mine = LockLine(m_root, m_path, m_sddl);
    std::vector<std::wstring> rest;
    for (const std::wstring& line : lines) {
        if (line != mine)
            rest.push_back(line);
    }
    WriteLockLines(rest);
    m_sddl.clear();
    m_locked = false;
}

void RestoreLockedKeys()
{
    for (const std::wstring& line : ReadLockLines()) {
        const size_t a = line.find(L'|');
        const size_t b = line.find(L'|', a + 1);
        if (a == std::wstring::npos || b == std::wstring::npos)
            continue;
        const HKEY root = line.substr(0, a) == L"HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        SetDacl(root, line.substr(a + 1, b - a - 1), line.substr(b + 1));
        Say(L"restored the permissions of " + line.substr(0, b));
    }
    WriteLockLines({});
}

InstallProgress ReadProgress(const Payload& payload, const std::wstring& dir, int allUsers,
                             const std::vector<bool>& preexisting)
{
    InstallProgress progress;
    progress.record = RecordExists(allUsers);
    progress.folder = Exists(dir);
    progress.manifest = Exists(InstallManifestPath(dir));
    progress.links = AppLinkExists(allUsers);
    progress.autostart = AutostartExists(allUsers);
    progress.firstMissing = FirstMissingEntry(payload, dir, preexisting);
    return progress;
}

std::wstring DescribeProgress(const InstallProgress& p, int n)
{
    return std::wstring(L"record ") + (p.record ? L"yes" : L"no") + L", folder " + (p.folder ? L"yes" : L"no") +
           L", entries " + std::to_wstring(p.firstMissing) + L"/" + std::to_wstring(n) + L", manifest " +
           (p.manifest ? L"yes" : L"no") + L", shortcuts " + (p.links ? L"yes" : L"no") + L", autostart " +
           (p.autostart ? L"yes" : L"no");
}

bool ProgressMatches(const InstallProgress& p, int k, int n, bool existingFolder)
{
    const CheckpointAt at = DescribeCheckpoint(k, n);
    switch (at.what) {
    case Checkpoint::AfterRecord:
        return p.record && (existingFolder || !p.folder) && p.firstMissing == 0;
    case Checkpoint::AfterFolder:
    case Checkpoint::AfterFolderAgain:
    case Checkpoint::BeforeExtraction:
        return p.record && p.folder && p.firstMissing == 0 && !p.manifest;
    case Checkpoint::AfterEntry:
        return p.record && p.firstMissing == at.entry + 1 && !p.manifest && !p.links;
    case Checkpoint::AfterManifest:
        return p.firstMissing == n && p.manifest && !p.links && !p.autostart;
    case Checkpoint::AfterAutostart:
    case Checkpoint::AtFinish:
        return p.firstMissing == n && p.manifest && p.links && p.autostart;
    }
    return false;
}

void CheckAsItWasOrComplete(CaseRun& run, const Payload& payload, const std::wstring& reference,
                            const std::wstring& dir)
{
    const MachineState& before = run.BeforeState();
    for (int i = 0; i < payload.Count(); ++i) {
        const PayloadEntry& entry = payload.entries[static_cast<size_t>(i)];
        if (entry.folder)
            continue;
        const std::wstring path = payload.PathOf(dir, i);
        const std::wstring now = FileHash(path);
        const std::wstring wanted = FileHash(payload.PathOf(reference, i));
        auto was = before.find(L"F|" + Upper(path));
        const std::wstring old = was == before.end() ? std::wstring() : Property(was->second.props, L"hash");
        if (now == wanted || (!old.empty() && now == old))
            continue;
        run.Check(false, entry.name + (now.empty() ? L" is missing" : L" is neither as it was nor complete"));
    }
}

} // namespace faults
