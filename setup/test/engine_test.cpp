// The installation engine apart from any window: RunInstall, RollBackInstall
// and RunRepair with the real payload (embedded in this test program as
// resource "ZIP" 135) against Wine's real registry, file system and shell
// folders. The hooks stand in for the progress page: they record the bar and
// the messages and say "cancel" at a chosen checkpoint.
#include <gtest/gtest.h>

#include "ZipArchive.h"
#include "delayed_removal.h"
#include "free_space.h"
#include "install_journal.h"
#include "install_manifest.h"
#include "install_worker.h"
#include "payload_resource.h"
#include "product.h"
#include "protected_path.h"
#include "registry_key.h"
#include "repair_worker.h"
#include "rollback.h"
#include "test_support.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <regex>

using namespace testing_support;

namespace {

class RecordingHooks : public InstallHooks {
public:
    int BarMaxWidth() override { return hasBar ? 474 : -1; }
    void SetBarWidth(int width) override { widths.push_back(width); }
    bool Checkpoint() override { return ++checkpoints == cancelAt; }
    void ShowError(const std::wstring& text) override { errors.push_back(text); }

    bool hasBar = true;
    int cancelAt = -1;  // the checkpoint (1-based) that says "cancel"
    int checkpoints = 0;
    std::vector<int> widths;
    std::vector<std::wstring> errors;
};

std::wstring ReadValue(HKEY root, const std::wstring& path, const wchar_t* name)
{
    CRegistryKey key;
    WCHAR text[1024] = {};
    ULONG bytes = sizeof text - sizeof(WCHAR);
    if (key.Open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS ||
        key.ReadString(name, text, &bytes) != ERROR_SUCCESS)
        return L"<none>";
    return text;
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    CRegistryKey key;
    return key.Open(root, path.c_str(), KEY_READ) == ERROR_SUCCESS;
}

std::wstring LinkTarget(const std::wstring& link)
{
    CoInitialize(nullptr);
    std::wstring target = L"<none>";
    IShellLinkW* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
                SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)))
                target = path;
            file->Release();
        }
        shellLink->Release();
    }
    CoUninitialize();
    return target;
}

struct FileState {
    std::string bytes;
    DWORD attributes = 0;
    FILETIME written = {};
};

FileState StateOf(const std::wstring& path)
{
    FileState state;
    ReadBytes(path, &state.bytes);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        state.attributes = data.dwFileAttributes;
        state.written = data.ftLastWriteTime;
    }
    return state;
}

// Every file and folder below `dir`, relative, sorted.
void ListTree(const std::wstring& dir, const std::wstring& prefix, std::vector<std::wstring>* out)
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
            ListTree(dir + L"\\" + name, prefix + name + L"\\", out);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(out->begin(), out->end());
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A delayed removal that a rollback starts waits for this process's end.
        HoldExitLockUntilExit();
        FindPayload(GetModuleHandleW(nullptr), &m_job.payload, &m_job.payloadSize);
        ASSERT_NE(m_job.payload, nullptr) << "this test program carries no payload";
        m_job.productKey = L"{" + UniqueName(L"VeltEngineTest") + L"}";
        ASSERT_TRUE(MakeDirs(m_scratch / L"Programs"));
        m_job.installDir = m_scratch / L"Programs\\QRVL\\VELT电子日历";
        m_links = ComposeShortcutPaths(1);
        Clean();
    }
    void TearDown() override
    {
        Clean();
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            CRegistryKey key;
            if (key.Open(root, kUninstallParentKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
                key.DeleteTree(m_job.productKey.c_str());
        }
    }
    static void Clean()
    {
        for (int allUsers : {0, 1}) {
            const ShortcutPaths links = ComposeShortcutPaths(allUsers);
            RemoveTree(links.programsProduct);
            RemoveDirectoryW(links.programsGroup.c_str());
            CRegistryKey run;
            if (run.Open(RecordRoot(allUsers), kRunKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
                RegDeleteValueW(run.Handle(), kAutostartValueName);
        }
        DeleteFileW(ComposeShortcutPaths(1).desktopLink.c_str());
        DeleteFileW(ComposeShortcutPaths(1).quickLaunchLink.c_str());
    }
    std::wstring RecordPath() const { return InstallRecordKeyPath(m_job.productKey); }
    // Nothing of the product anywhere (besides what a test put there itself).
    void ExpectNoTrace()
    {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, RecordPath()));
        EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName), L"<none>");
        EXPECT_FALSE(Exists(m_links.programsGroup));
        EXPECT_FALSE(Exists(m_links.desktopLink));
        EXPECT_FALSE(Exists(m_links.quickLaunchLink));
    }

    ScratchDir m_scratch{L"engine"};
    InstallJob m_job;
    InstallJournal m_journal;
    RecordingHooks m_hooks;
    ShortcutPaths m_links;
};

TEST(BarArithmetic, ExtractionFillsAllButTheLastHundredAndStaysInRange)
{
    EXPECT_EQ(ExtractionBarWidth(0, 83, 474), 1);
    EXPECT_EQ(ExtractionBarWidth(1, 83, 474), 4);
    EXPECT_EQ(ExtractionBarWidth(2, 83, 474), 9);
    EXPECT_EQ(ExtractionBarWidth(82, 83, 474), 374);
    EXPECT_EQ(ExtractionBarWidth(0, 1, 474), 374);
    EXPECT_EQ(ExtractionBarWidth(5, 10, 60), 33);  // no room for the jump: the whole bar
    EXPECT_EQ(ExtractionBarWidth(9, 10, 0), 1);
    EXPECT_EQ(UsableBarWidth(9999, 474), 474);  // a layout without "maxwidth"
    EXPECT_EQ(UsableBarWidth(-5, 300), 300);
    EXPECT_EQ(UsableBarWidth(474, 300), 474);
}

TEST(FreeSpace, DriveLetterPathsOnlyAndTwoDecimals)
{
    EXPECT_EQ(FormatFreeMegabytes(0), L"0.00MB\n");
    EXPECT_EQ(FormatFreeMegabytes(1572864), L"1.50MB\n");
    EXPECT_EQ(FormatFreeMegabytes(123456789ull * 1048576), L"123456789.00MB\n");
    // "%4.2f" rounds the exact quotient to the nearest hundredth, a tie to the even one.
    EXPECT_EQ(FormatFreeMegabytes(1), L"0.00MB\n");
    EXPECT_EQ(FormatFreeMegabytes(5243), L"0.01MB\n");    // 0.005000...1
    EXPECT_EQ(FormatFreeMegabytes(5242), L"0.00MB\n");    // 0.004999...
    EXPECT_EQ(FormatFreeMegabytes(131072), L"0.12MB\n");  // 0.125
    EXPECT_EQ(FormatFreeMegabytes(393216), L"0.38MB\n");  // 0.375
    EXPECT_EQ(FormatFreeMegabytes(1048575), L"1.00MB\n");
    // Beyond 2^53 bytes the count becomes a double first, as it always did.
    EXPECT_EQ(FormatFreeMegabytes((1ull << 53) + 1), L"8589934592.00MB\n");
    EXPECT_EQ(FormatFreeMegabytes(~0ull), L"17592186044416.00MB\n");
    const std::wstring figure = FreeSpaceFigure(L"C:\\Program Files\\QRVL");
    EXPECT_TRUE(std::regex_match(figure, std::wregex(L"[0-9]+\\.[0-9]{2}MB\n"))) << figure;
    EXPECT_EQ(FreeSpaceFigure(L"Test"), L"");
    EXPECT_EQ(FreeSpaceFigure(L"\\\\server\\share\\x"), L"");
    EXPECT_EQ(FreeSpaceFigure(L"C"), L"");
    EXPECT_EQ(FreeSpaceFigure(L"Q:\\nowhere"), L"");  // no such drive: no figure from nothing
}

TEST_F(EngineTest, InstallsEverythingIntoANewFolderAndRecordsIt)
{
    ASSERT_EQ(RunInstall(m_job, m_hooks, m_journal), InstallOutcome::Completed);
    EXPECT_TRUE(m_hooks.errors.empty());
    ASSERT_EQ(m_hooks.widths.size(), 84u);
    EXPECT_EQ(m_hooks.widths[0], 1);
    EXPECT_EQ(m_hooks.widths[1], 4);
    EXPECT_EQ(m_hooks.widths[82], 374);
    EXPECT_EQ(m_hooks.widths[83], 474);

    const std::wstring dir = m_job.installDir;
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, RecordPath(), kValueDisplayName), kDisplayName);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, RecordPath(), kValueInstallLocation), dir);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, RecordPath(), kValuePublisher), kPublisher);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, RecordPath(), kValueUninstallString), UninstallCommand(dir));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName), AutostartCommand(dir));

    // Every entry, with its size; the programs byte for byte.
    const ZipArchivePtr archive(ZipArchiveOpen(m_job.payload, m_job.payloadSize));
    ZipItem item = {};
    ASSERT_EQ(ZipArchiveGetItem(archive.get(), -1, &item), kZipOk);
    ASSERT_EQ(item.index, 83);
    for (int i = 0; i < 83; ++i) {
        ASSERT_EQ(ZipArchiveGetItem(archive.get(), i, &item), kZipOk);
        const std::wstring path = m_journal.EntryPath(item.name);
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) << path;
        if (!(item.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            EXPECT_EQ(data.nFileSizeLow, item.uncompressedSize) << path;
        }
    }
    for (const wchar_t* name : {kAppFileName, kWindowLibraryFileName, kUninstallerFileName, kUninstallSkinFileName})
        EXPECT_EQ(StateOf(dir + L"\\" + name).bytes, StateOf(ModuleDir() + L"\\" + name).bytes) << name;

    InstallManifest manifest;
    ASSERT_EQ(ReadInstallManifest(dir, &manifest), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(manifest.createdDirectory);
    EXPECT_EQ(manifest.createdParents, 1);  // "QRVL"; "Programs" was there
    EXPECT_TRUE(SamePath(manifest.directory, dir));
    EXPECT_EQ(manifest.files.size(), 79u);  // 78 payload files and the manifest

    EXPECT_EQ(LinkTarget(m_links.appLink), AppExePath(dir));
    EXPECT_EQ(LinkTarget(m_links.uninstallLink), UninstallerExePath(dir));
    EXPECT_EQ(LinkTarget(m_links.desktopLink), AppExePath(dir));

    // Final: nothing kept aside remains, and a rollback now would remove all.
    m_journal.Commit();
    std::vector<std::wstring> tree;
    ListTree(dir, L"", &tree);
    for (const std::wstring& name : tree)
        EXPECT_EQ(name.find(L"~VELTSetup"), std::wstring::npos) << name;
}

TEST_F(EngineTest, ForTheCurrentUserWithoutOptionalShortcuts)
{
    m_job.allUsers = 0;
    m_job.desktopShortcut = false;
    m_job.quickLaunchShortcut = false;
    ASSERT_EQ(RunInstall(m_job, m_hooks, m_journal), InstallOutcome::Completed);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, RecordPath()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, RecordPath()));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kRunKey, kAutostartValueName), AutostartCommand(m_job.installDir));
    EXPECT_TRUE(Exists(ComposeShortcutPaths(0).appLink));
    EXPECT_FALSE(Exists(m_links.appLink));
    EXPECT_FALSE(Exists(m_links.desktopLink));
    EXPECT_FALSE(Exists(m_links.quickLaunchLink));
}

// A cancel at every kind of checkpoint: before the directory, before the
// first entry, at the first, middle and last entry, after the manifest and
// after the autostart value. The rollback leaves no trace and reports nothing.
TEST_F(EngineTest, CancelAtAnyCheckpointLeavesNoTrace)
{
    for (int at : {1, 3, 4, 5, 46, 87, 88, 89}) {
        SCOPED_TRACE(at);
        InstallJournal journal;
        RecordingHooks hooks;
        hooks.cancelAt = at;
        ASSERT_EQ(RunInstall(m_job, hooks, journal), InstallOutcome::Cancelled);
        hooks.widths.clear();
        EXPECT_EQ(RollBackInstall(journal, hooks), RollbackOutcome::Done);
        EXPECT_EQ(hooks.widths, (std::vector<int>{316, 158, 0}));
        // The second rollback of every cancel finds nothing and says nothing.
        EXPECT_EQ(RollBackInstall(journal, hooks), RollbackOutcome::Done);
        EXPECT_TRUE(hooks.errors.empty()) << hooks.errors.front();
        EXPECT_FALSE(Exists(m_scratch / L"Programs\\QRVL"));
        EXPECT_TRUE(Exists(m_scratch / L"Programs"));  // it was there before
        ExpectNoTrace();
    }
}

// The user's own folder, holding the user's files, one of them with a payload
// file's name (read-only, with its own time).
TEST_F(EngineTest, AnExistingFolderGetsEveryUserByteBack)
{
    const std::wstring dir = m_scratch / L"Mine";
    m_job.installDir = dir;
    ASSERT_TRUE(MakeDirs(dir + L"\\res"));
    ASSERT_TRUE(WriteBytes(dir + L"\\notes.txt", "my notes"));
    ASSERT_TRUE(WriteBytes(dir + L"\\res\\profile.xml", "<mine/>"));
    ASSERT_TRUE(WriteBytes(dir + L"\\" + kAppFileName, "not the calendar"));
    FILETIME old = {0x12345600, 0x01D00000};
    {
        HANDLE file = CreateFileW((dir + L"\\res\\profile.xml").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        SetFileTime(file, &old, &old, &old);
        CloseHandle(file);
    }
    SetFileAttributesW((dir + L"\\res\\profile.xml").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    std::vector<std::wstring> before;
    ListTree(dir, L"", &before);
    const FileState profile = StateOf(dir + L"\\res\\profile.xml");
    const FileState app = StateOf(dir + L"\\" + kAppFileName);

    m_hooks.cancelAt = 46;  // mid-extraction
    ASSERT_EQ(RunInstall(m_job, m_hooks, m_journal), InstallOutcome::Cancelled);
    RollBackInstall(m_journal, m_hooks);
    std::vector<std::wstring> after;
    ListTree(dir, L"", &after);
    EXPECT_EQ(after, before);
    const FileState profileBack = StateOf(dir + L"\\res\\profile.xml");
    EXPECT_EQ(profileBack.bytes, profile.bytes);
    EXPECT_EQ(profileBack.attributes, profile.attributes);
    EXPECT_EQ(CompareFileTime(&profileBack.written, &old), 0);
    EXPECT_EQ(StateOf(dir + L"\\" + kAppFileName).bytes, app.bytes);
    EXPECT_TRUE(m_hooks.errors.empty());
    ExpectNoTrace();

    // Completed this time: the user's other files stay, the payload's names
    // are the payload's, nothing kept aside is left or listed.
    InstallJournal journal;
    RecordingHooks hooks;
    ASSERT_EQ(RunInstall(m_job, hooks, journal), InstallOutcome::Completed);
    journal.Commit();
    EXPECT_EQ(StateOf(dir + L"\\notes.txt").bytes, "my notes");
    EXPECT_EQ(StateOf(dir + L"\\" + kAppFileName).bytes, StateOf(ModuleDir() + L"\\" + kAppFileName).bytes);
    InstallManifest manifest;
    ASSERT_EQ(ReadInstallManifest(dir, &manifest), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(manifest.createdDirectory);
    for (const std::wstring& file : manifest.files)
        EXPECT_NE(file, L"notes.txt");
    after.clear();
    ListTree(dir, L"", &after);
    for (const std::wstring& name : after)
        EXPECT_EQ(name.find(L"~VELTSetup"), std::wstring::npos) << name;
}

// What the shortcuts and the autostart value replaced comes back as it was.
TEST_F(EngineTest, ReplacedShortcutAndAutostartValueComeBack)
{
    ASSERT_TRUE(WriteBytes(m_links.desktopLink, "an old link"));
    CRegistryKey run;
    ASSERT_EQ(run.Open(HKEY_LOCAL_MACHINE, kRunKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
    ASSERT_EQ(run.WriteString(kAutostartValueName, L"C:\\old\\calendar.exe"), ERROR_SUCCESS);
    run.Close();

    m_hooks.cancelAt = 89;  // after the autostart value
    ASSERT_EQ(RunInstall(m_job, m_hooks, m_journal), InstallOutcome::Cancelled);
    EXPECT_NE(StateOf(m_links.desktopLink).bytes, "an old link");
    RollBackInstall(m_journal, m_hooks);
    EXPECT_EQ(StateOf(m_links.desktopLink).bytes, "an old link");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName), L"C:\\old\\calendar.exe");
    EXPECT_TRUE(m_hooks.errors.empty());
}

TEST_F(EngineTest, FailuresAreReportedNeverTakenForSuccess)
{
    // No payload.
    InstallJob job = m_job;
    job.payload = nullptr;
    EXPECT_EQ(RunInstall(job, m_hooks, m_journal), InstallOutcome::Damaged);
    EXPECT_EQ(m_hooks.errors, std::vector<std::wstring>{kMsgSetupDamaged});
    RollBackInstall(m_journal, m_hooks);
    ExpectNoTrace();

    // A damaged payload: the second half of its bytes scrambled.
    std::string bytes(static_cast<const char*>(m_job.payload), m_job.payloadSize);
    for (size_t i = bytes.size() / 3; i < bytes.size() * 2 / 3; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    job.payload = bytes.data();
    RecordingHooks damaged;
    InstallJournal damagedJournal;
    EXPECT_EQ(RunInstall(job, damaged, damagedJournal), InstallOutcome::Damaged);
    EXPECT_EQ(damaged.errors, std::vector<std::wstring>{kMsgSetupDamaged});
    RollBackInstall(damagedJournal, damaged);
    ExpectNoTrace();
    EXPECT_FALSE(Exists(m_job.installDir));

    // An entry that cannot be written: a folder stands where a file goes.
    const std::wstring dir = m_scratch / L"Blocked";
    ASSERT_TRUE(MakeDirs(dir + L"\\" + kWindowLibraryFileName));
    job = m_job;
    job.installDir = dir;
    RecordingHooks blocked;
    InstallJournal blockedJournal;
    EXPECT_EQ(RunInstall(job, blocked, blockedJournal), InstallOutcome::WriteFailed);
    EXPECT_EQ(blocked.errors, std::vector<std::wstring>{L"无法写入文件“DuiLibu.dll”，安装无法继续。"});
    RollBackInstall(blockedJournal, blocked);
    std::vector<std::wstring> left;
    ListTree(dir, L"", &left);
    EXPECT_EQ(left, std::vector<std::wstring>{kWindowLibraryFileName});
    ExpectNoTrace();

    // A directory that cannot be made: the record stays until the rollback.
    job = m_job;
    job.installDir = L"Q:\\no such drive\\VELT";
    RecordingHooks bad;
    InstallJournal badJournal;
    EXPECT_EQ(RunInstall(job, bad, badJournal), InstallOutcome::BadPath);
    EXPECT_EQ(bad.errors, std::vector<std::wstring>{kMsgBadInstallPath});
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, RecordPath()));
    RollBackInstall(badJournal, bad);
    ExpectNoTrace();
}

TEST_F(EngineTest, RepairRestoresThePayloadAndKeepsTheUsersFiles)
{
    ASSERT_EQ(RunInstall(m_job, m_hooks, m_journal), InstallOutcome::Completed);
    m_journal.Commit();
    const std::wstring dir = m_job.installDir;
    const std::string profile = StateOf(dir + L"\\res\\profile.xml").bytes;
    ASSERT_TRUE(WriteBytes(dir + L"\\res\\profile.xml", "changed"));
    SetFileAttributesW((dir + L"\\res\\profile.xml").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(DeleteFileW((dir + L"\\res\\image\\weather\\d7.png").c_str()));
    ASSERT_TRUE(WriteBytes(dir + L"\\mine.txt", "user data"));
    ASSERT_TRUE(DeleteFileW(m_links.desktopLink.c_str()));
    {
        CRegistryKey run;
        run.Open(HKEY_LOCAL_MACHINE, kRunKey, KEY_ALL_ACCESS);
        RegDeleteValueW(run.Handle(), kAutostartValueName);
    }

    RepairJob job;
    job.productKey = m_job.productKey;
    job.payload = m_job.payload;
    job.payloadSize = m_job.payloadSize;
    RecordingHooks hooks;
    std::wstring repaired;
    ASSERT_EQ(RunRepair(job, hooks, &repaired), RepairOutcome::Completed);
    EXPECT_EQ(repaired, dir);
    EXPECT_TRUE(hooks.errors.empty());
    EXPECT_EQ(hooks.widths.back(), 474);
    EXPECT_EQ(StateOf(dir + L"\\res\\profile.xml").bytes, profile);
    EXPECT_TRUE(Exists(dir + L"\\res\\image\\weather\\d7.png"));
    EXPECT_EQ(StateOf(dir + L"\\mine.txt").bytes, "user data");
    EXPECT_EQ(LinkTarget(m_links.desktopLink), AppExePath(dir));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName), AutostartCommand(dir));
    InstallManifest manifest;
    ASSERT_EQ(ReadInstallManifest(dir, &manifest), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(manifest.createdDirectory);  // kept from the installation's own manifest
    std::vector<std::wstring> tree;
    ListTree(dir, L"", &tree);
    for (const std::wstring& name : tree)
        EXPECT_EQ(name.find(L".~veltnew"), std::wstring::npos) << name;
}

TEST_F(EngineTest, RepairWithoutAUsableLocationWritesNothing)
{
    RepairJob job;
    job.productKey = m_job.productKey;
    job.payload = m_job.payload;
    job.payloadSize = m_job.payloadSize;
    for (const wchar_t* location : {static_cast<const wchar_t*>(nullptr), L"", L"relative\\dir"}) {
        CRegistryKey key;
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, RecordPath().c_str()), ERROR_SUCCESS);
        RegDeleteValueW(key.Handle(), kValueInstallLocation);
        if (location)
            key.WriteString(kValueInstallLocation, location);
        key.Close();
        RecordingHooks hooks;
        std::wstring repaired;
        EXPECT_EQ(RunRepair(job, hooks, &repaired), RepairOutcome::NotInstalled);
        EXPECT_EQ(hooks.errors, std::vector<std::wstring>{kMsgNotInstalled});
        EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, RecordPath(), kValueDisplayName), L"<none>");
        EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName), L"<none>");
        EXPECT_FALSE(Exists(m_links.programsGroup));
    }
    // No record at all.
    CRegistryKey parent;
    parent.Open(HKEY_LOCAL_MACHINE, kUninstallParentKey, KEY_ALL_ACCESS);
    parent.DeleteKey(m_job.productKey.c_str());
    RecordingHooks hooks;
    std::wstring repaired;
    EXPECT_EQ(RunRepair(job, hooks, &repaired), RepairOutcome::NotInstalled);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, RecordPath()));
}

} // namespace
