// The installation engine apart from any window: RunInstall, RollBackInstall
// and RunRepair with the real payload (embedded in this test program as
// resource "ZIP" 135) against Wine's real registry, file system and shell
// folders. The hooks stand in for the progress page: they record the bar and
// the messages and say "cancel" at a chosen checkpoint. What Setup's windows
// show of the same outcomes is checked end to end (install_test.cpp,
// maintenance_test.cpp); here what they cannot reach: the bar's arithmetic,
// a cancel at every checkpoint, what a rollback restores, a missing payload.
#include <gtest/gtest.h>

#include "ZipArchive.h"
#include "delayed_removal.h"
#include "extraction.h"
#include "fake_installation.h"
#include "free_space.h"
#include "install_journal.h"
#include "install_manifest.h"
#include "install_record.h"
#include "install_worker.h"
#include "payload_resource.h"
#include "product.h"
#include "paths.h"
#include "registry_key.h"
#include "repair_worker.h"
#include "rollback.h"
#include "test_support.h"

#include <regex>

using namespace testing_support;

namespace {

struct CheckpointAt {
    Checkpoint at;
    int entry;
    bool operator==(const CheckpointAt& other) const { return at == other.at && entry == other.entry; }
};

class RecordingHooks : public WorkerHooks {
public:
    int BarMaxWidth() override { return hasBar ? 474 : -1; }
    void SetBarWidth(int width) override { widths.push_back(width); }
    bool PassCheckpoint(Checkpoint at, int entry) override
    {
        passed.push_back({at, entry});
        return passed.back() == cancelAt;
    }
    void ShowError(const std::wstring& text) override { errors.push_back(text); }

    bool hasBar = true;
    CheckpointAt cancelAt = {Checkpoint::AtFinish, -2};  // the checkpoint that says "cancel" (-2: none)
    std::vector<CheckpointAt> passed;
    std::vector<int> widths;
    std::vector<std::wstring> errors;
};

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
        CleanProductTraces();
    }
    void TearDown() override
    {
        CleanProductTraces();
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            CRegistryKey key;
            if (key.Open(root, kUninstallParentKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
                key.DeleteTree(m_job.productKey.c_str());
        }
    }
    std::wstring RecordPath() const { return InstallRecordKeyPath(m_job.productKey); }
    // Nothing of the product anywhere (besides what a test put there itself).
    void ExpectNoTrace()
    {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, RecordPath()));
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName), L"<none>");
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
}

// An installation of thousands of entries notes each written file once, in
// time linear in their number: 40,000 notes (every name twice, once in
// another letter case) in a few seconds at most, where a search through the
// list for each would take minutes. The same name in another case is one
// file: the rollback deletes it.
TEST(InstallJournal, NotesTensOfThousandsOfFilesInLinearTime)
{
    ScratchDir scratch(L"journal");
    const std::wstring dir = scratch / L"VELT";
    InstallJournal journal;
    ASSERT_EQ(journal.CreateInstallDirectory(dir), ERROR_SUCCESS);
    ASSERT_TRUE(WriteBytes(dir + L"\\Written.txt", "ours"));
    journal.FileWritten(L"Written.txt");
    journal.FileWritten(L"WRITTEN.TXT");
    const DWORD start = GetTickCount();
    for (int i = 0; i < 20000; ++i) {
        const std::wstring name = L"filler/d" + std::to_wstring(i / 100) + L"/f" + std::to_wstring(i) + L".bin";
        journal.FileWritten(name);
        std::wstring upper = name;
        CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
        journal.FileWritten(upper);
    }
    EXPECT_LT(GetTickCount() - start, 5000u);
    journal.UndoDirectory();
    EXPECT_FALSE(Exists(dir));
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
    // Every checkpoint, in order.
    std::vector<CheckpointAt> schedule = {{Checkpoint::AfterRecord, -1},
                                          {Checkpoint::AfterFolder, -1},
                                          {Checkpoint::AfterFolderAgain, -1},
                                          {Checkpoint::BeforeExtraction, -1}};
    for (int i = 0; i < 83; ++i)
        schedule.push_back({Checkpoint::AfterEntry, i});
    for (Checkpoint at : {Checkpoint::AfterManifest, Checkpoint::AfterAutostart, Checkpoint::AtFinish})
        schedule.push_back({at, -1});
    EXPECT_TRUE(m_hooks.passed == schedule);
    ASSERT_EQ(m_hooks.widths.size(), 84u);
    EXPECT_EQ(m_hooks.widths[0], 1);
    EXPECT_EQ(m_hooks.widths[1], 4);
    EXPECT_EQ(m_hooks.widths[82], 374);
    EXPECT_EQ(m_hooks.widths[83], 474);

    // The record's values, the autostart value, the programs byte for byte
    // and the shortcuts are checked through Setup's windows
    // (SetupInstall.ForAllUsersByDefaultThenRemovedByItsUninstaller).
    const std::wstring dir = m_job.installDir;
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, RecordPath(), kValueInstallLocation), dir);

    // Every entry, with its size.
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

    InstallManifest manifest;
    ASSERT_EQ(ReadInstallManifest(dir, &manifest), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(manifest.createdDirectory);
    EXPECT_EQ(manifest.createdParents, 1);  // "QRVL"; "Programs" was there
    EXPECT_TRUE(SamePath(manifest.directory, dir));
    EXPECT_EQ(manifest.files.size(), 79u);  // 78 payload files and the manifest

    // Final: nothing kept aside remains.
    m_journal.Commit();
    for (const std::wstring& name : Tree(dir))
        EXPECT_EQ(name.find(L"~VELTSetup"), std::wstring::npos) << name;
}

// A cancel at every kind of checkpoint: before the directory, before the
// first entry, at the first, middle and last entry, after the manifest,
// after the autostart value and at the finish. The rollback leaves no trace
// and reports nothing.
TEST_F(EngineTest, CancelAtAnyCheckpointLeavesNoTrace)
{
    const CheckpointAt points[] = {
        {Checkpoint::AfterRecord, -1},   {Checkpoint::AfterFolderAgain, -1}, {Checkpoint::BeforeExtraction, -1},
        {Checkpoint::AfterEntry, 0},     {Checkpoint::AfterEntry, 41},       {Checkpoint::AfterEntry, 82},
        {Checkpoint::AfterManifest, -1}, {Checkpoint::AfterAutostart, -1},   {Checkpoint::AtFinish, -1},
    };
    for (const CheckpointAt& point : points) {
        SCOPED_TRACE(static_cast<int>(point.at) * 1000 + point.entry);
        InstallJournal journal;
        RecordingHooks hooks;
        hooks.cancelAt = point;
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

// What the shortcuts and the autostart value replaced comes back as it was.
TEST_F(EngineTest, ReplacedShortcutAndAutostartValueComeBack)
{
    ASSERT_TRUE(WriteBytes(m_links.desktopLink, "an old link"));
    CRegistryKey run;
    ASSERT_EQ(run.Open(HKEY_LOCAL_MACHINE, kRunKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
    ASSERT_EQ(run.WriteString(kAutostartValueName, L"C:\\old\\calendar.exe"), ERROR_SUCCESS);
    run.Close();

    m_hooks.cancelAt = {Checkpoint::AfterAutostart, -1};
    ASSERT_EQ(RunInstall(m_job, m_hooks, m_journal), InstallOutcome::Cancelled);
    EXPECT_NE(FileContent(m_links.desktopLink), "an old link");
    RollBackInstall(m_journal, m_hooks);
    EXPECT_EQ(FileContent(m_links.desktopLink), "an old link");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName), L"C:\\old\\calendar.exe");
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

    // An entry that cannot be written and a directory that cannot be made:
    // the fault suite's locked.file-in-use.install and
    // SetupInstall.AWrongPathStopsAndCancelRemovesTheRecord.
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
        EXPECT_EQ(RunRepair(job, hooks).outcome, RepairOutcome::NotInstalled);
        EXPECT_EQ(hooks.errors, std::vector<std::wstring>{kMsgNotInstalled});
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, RecordPath(), kValueDisplayName), L"<none>");
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName), L"<none>");
        EXPECT_FALSE(Exists(m_links.programsGroup));
    }
    // No record at all.
    CRegistryKey parent;
    parent.Open(HKEY_LOCAL_MACHINE, kUninstallParentKey, KEY_ALL_ACCESS);
    parent.DeleteKey(m_job.productKey.c_str());
    RecordingHooks hooks;
    EXPECT_EQ(RunRepair(job, hooks).outcome, RepairOutcome::NotInstalled);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, RecordPath()));
}

} // namespace
