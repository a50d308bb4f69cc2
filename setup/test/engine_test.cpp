// The installation engine apart from any window: RunInstall, RollBackInstall,
// RunRepair and CleanLegacyInstall with the real payload (embedded in this
// test program as resource "ZIP" 135) against Wine's real registry, file
// system and shell folders. The hooks stand in for the progress page: they
// record the bar and the messages and say "cancel" at a chosen checkpoint.
// Here: what an installation and a repair leave (record, files byte for
// byte, manifest, shortcuts, autostart value), the bar's arithmetic, a
// cancel at every checkpoint into the desktop, what a rollback restores,
// failures, the earlier edition's cleanup. What Setup's windows add is
// checked end to end (wizard_test.cpp).
#include <gtest/gtest.h>

#include "delayed_removal.h"
#include "extraction.h"
#include "fake_installation.h"
#include "free_space.h"
#include "install_journal.h"
#include "install_manifest.h"
#include "install_record.h"
#include "install_worker.h"
#include "legacy_cleanup.h"
#include "payload_resource.h"
#include "product.h"
#include "paths.h"
#include "plant_link.h"
#include "repair_worker.h"
#include "rollback.h"
#include "ZipArchive.h"
#include "test_support.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <winver.h>

#include <algorithm>
#include <functional>
#include <regex>

using namespace testing_support;

namespace {

// A checkpoint and its entry (-1 where it has none).
using CheckpointAt = std::pair<Checkpoint, int>;

class RecordingHooks : public WorkerHooks {
public:
    int BarMaxWidth() override { return 474; }
    void SetBarWidth(int width) override { widths.push_back(width); }
    bool PassCheckpoint(Checkpoint at, int entry) override
    {
        passed.push_back({at, entry});
        return passed.back() == cancelAt;
    }
    void ShowError(const std::wstring& text) override { errors.push_back(text); }

    CheckpointAt cancelAt = {Checkpoint::AtFinish, -2};  // the checkpoint that says "cancel" (-2: none)
    std::vector<CheckpointAt> passed;
    std::vector<int> widths;
    std::vector<std::wstring> errors;
};

// "yyyymmdd" of the local date now.
std::wstring Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    WCHAR text[16];
    wsprintfW(text, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

// The product version of the program at `path` as "major.minor.build".
std::wstring ProductVersionOf(const std::wstring& path)
{
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT size = 0;
    if (block.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &size) || !info)
        return L"<none>";
    return std::to_wstring(HIWORD(info->dwProductVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwProductVersionMS)) +
           L"." + std::to_wstring(HIWORD(info->dwProductVersionLS));
}

// Every payload program is this build's, and the record (every value, the
// uninstall command spelled as an installation writes it), the autostart
// value and the four shortcuts under the root name the installation in
// `dir`. The record's version is the installed calendar's, its size what
// the payload's files take (KB, rounded up), its date a day from `since` on.
void ExpectInstalledAt(const std::wstring& dir, int allUsers, const std::wstring& productKey,
                       const std::wstring& since)
{
    for (const wchar_t* name : {kAppFileName, kWindowLibraryFileName, kUninstallerFileName, kUninstallSkinFileName})
        EXPECT_EQ(FileContent(dir + L"\\" + name), FileContent(ModuleDir() + L"\\" + name)) << name;
    InstallManifest manifest;
    ASSERT_EQ(ReadInstallManifest(dir, &manifest), static_cast<DWORD>(ERROR_SUCCESS));
    unsigned long long bytes = 0;
    for (const std::wstring& file : manifest.files)
        bytes += file == kInstallManifestFileName ? 0 : FileContent(dir + L"\\" + file).size();
    const HKEY root = RecordRoot(allUsers);
    const std::wstring record = InstallRecordKeyPath(productKey);
    struct Value {
        const wchar_t* name;
        std::wstring text;  // REG_SZ; empty: a REG_DWORD of `number`
        DWORD number;
    };
    const std::wstring uninstall = L"\"" + dir + L"\\Uninstall.exe\"";
    const Value values[] = {{L"DisplayName", L"VELT电子日历", 0},
                            {L"InstallLocation", dir, 0},
                            {L"Publisher", L"VELT", 0},
                            {L"UninstallString", uninstall, 0},
                            {L"QuietUninstallString", uninstall + L" /S", 0},
                            {L"DisplayVersion", ProductVersionOf(dir + L"\\VELT电子日历.exe"), 0},
                            {L"DisplayIcon", dir + L"\\VELT电子日历.exe,0", 0},
                            {L"EstimatedSize", L"", static_cast<DWORD>((bytes + 1023) / 1024)},
                            {L"NoModify", L"", 1},
                            {L"NoRepair", L"", 1}};
    std::vector<std::wstring> expectedNames = {L"InstallDate"};
    for (const Value& value : values) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(value.name)));
        expectedNames.push_back(value.name);
        DWORD type = REG_NONE, number = 0, size = sizeof number;
        if (value.text.empty()) {
            EXPECT_EQ(SHGetValueW(root, record.c_str(), value.name, &type, &number, &size), ERROR_SUCCESS);
            EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
            EXPECT_EQ(number, value.number);
        } else {
            EXPECT_EQ(RegString(root, record, value.name, &type), value.text);
            EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        }
    }
    const std::wstring date = RegString(root, record, L"InstallDate");
    EXPECT_TRUE(date.size() == 8 && date >= since && date <= Today()) << date;
    std::vector<std::wstring> names = ValueNames(root, record);
    std::sort(names.begin(), names.end());
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(names, expectedNames);
    EXPECT_EQ(AutostartValue(root), AutostartCommand(dir));
    const ShortcutPaths links = ComposeShortcutPaths(allUsers);
    EXPECT_EQ(LinkTarget(links.uninstallLink), UninstallerExePath(dir));
    for (const std::wstring& link : {links.appLink, links.desktopLink, links.quickLaunchLink})
        EXPECT_EQ(LinkTarget(link), AppExePath(dir)) << link;
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
        CleanProductTraces();
    }
    void TearDown() override
    {
        CleanProductTraces();
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            SHDeleteKeyW(root, RecordPath().c_str());
    }
    std::wstring RecordPath() const { return InstallRecordKeyPath(m_job.productKey); }
    const std::wstring m_since = Today();
    ScratchDir m_scratch{L"engine"};
    InstallJob m_job;
    InstallJournal m_journal;
    RecordingHooks m_hooks;
    const ShortcutPaths m_links = ComposeShortcutPaths(1);
};

// (The first entry's width, 1 of 474: EngineTest.InstallsEverything*.)
TEST(BarArithmetic, ExtractionFillsAllButTheLastHundredAndStaysInRange)
{
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

// The journal notes as made only the folders it made itself, and the
// rollback takes back exactly those: a new nested folder goes whole, an
// existing one stays with what it held, a file in the way is an error with
// nothing noted, and the parents made before a level that cannot be made
// (a name no folder may have) are removed again.
TEST(InstallJournal, NotesAndTakesBackOnlyTheFoldersItMade)
{
    ScratchDir scratch(L"journal");
    ASSERT_TRUE(MakeDirs(scratch / L"old"));
    ASSERT_TRUE(WriteBytes(scratch / L"old\\mine.txt", "kept"));
    ASSERT_TRUE(WriteBytes(scratch / L"file", "in the way"));
    struct Case {
        const wchar_t* dir;
        bool made;     // the directory exists afterwards
        bool created;  // ... and this journal made it
        int parents;
        const wchar_t* goneAfterRollback;  // or null: nothing goes
    };
    for (const Case& c : {Case{L"new\\a\\VELT", true, true, 2, L"new"}, Case{L"old", true, false, 0, nullptr},
                          Case{L"old\\VELT", true, true, 0, L"old\\VELT"}, Case{L"file\\VELT", false, false, 0, nullptr},
                          Case{L"half\\bad<\\VELT", false, false, 1, L"half"}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.dir)));
        InstallJournal journal;
        EXPECT_EQ(c.made, journal.CreateInstallDirectory(scratch / c.dir) == ERROR_SUCCESS);
        EXPECT_EQ(c.created, journal.CreatedDirectory());
        EXPECT_EQ(c.parents, journal.CreatedParentCount());
        journal.UndoDirectory();
        if (c.goneAfterRollback) {
            EXPECT_FALSE(Exists(scratch / c.goneAfterRollback));
        }
        EXPECT_EQ("kept", FileContent(scratch / L"old\\mine.txt"));
        EXPECT_EQ("in the way", FileContent(scratch / L"file"));
    }
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
    // Relative, a share, a bare letter, a drive that does not exist: no figure from nothing.
    for (const wchar_t* path : {L"Test", L"\\\\server\\share\\x", L"C", L"Q:\\nowhere"})
        EXPECT_EQ(FreeSpaceFigure(path), L"") << path;
}

// An installation into a new folder: every checkpoint in order, the bar, the
// record, programs, shortcuts and autostart value, the manifest (the folder
// above the directory that the installation made counted), and nothing kept
// aside once committed. Then damaged (files deleted and changed, one made
// read-only and system, a user file added, the desktop shortcut and the
// autostart value gone, the uninstall command and the date stale, the icon
// gone) and repaired: the product is restored where it is recorded (every
// value of the record written again, under the name it is stored under, no
// record under the other root), the user's file and the manifest's "created
// the directory" stay, and nothing is left written aside. (A repair for the current user, through the
// windows: SetupMaintenance.TheChoiceAndBackThenTheRepair.)
TEST_F(EngineTest, InstallsEverythingIntoANewFolderThenTheRepairRestoresIt)
{
    ASSERT_EQ(RunInstall(m_job, m_hooks, m_journal), InstallOutcome::Completed);
    EXPECT_TRUE(m_hooks.errors.empty());
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
    EXPECT_EQ(m_hooks.widths[83], 474);
    const std::wstring dir = m_job.installDir;
    ExpectInstalledAt(dir, 1, m_job.productKey, m_since);
    InstallManifest manifest;
    ASSERT_EQ(ReadInstallManifest(dir, &manifest), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(manifest.createdDirectory);
    EXPECT_EQ(manifest.createdParents, 1);  // "QRVL"; "Programs" was there
    EXPECT_TRUE(SamePath(manifest.directory, dir));
    EXPECT_EQ(manifest.files.size(), 79u);  // 78 payload files and the manifest
    m_journal.Commit();
    for (const std::wstring& name : Tree(dir))
        EXPECT_EQ(name.find(L"~VELTSetup"), std::wstring::npos) << name;

    ASSERT_TRUE(DeleteFileW((dir + L"\\res\\image\\weather\\d53.gif").c_str()));
    ASSERT_TRUE(WriteBytes(dir + L"\\" + kWindowLibraryFileName, "placeholder"));
    ASSERT_TRUE(WriteBytes(dir + L"\\res\\profile.xml", "changed by the user"));
    SetFileAttributesW((dir + L"\\res\\profile.xml").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(WriteBytes(dir + L"\\diary.txt", "keep me"));
    ASSERT_TRUE(DeleteFileW(m_links.desktopLink.c_str()));
    ASSERT_EQ(SHDeleteValueW(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName), ERROR_SUCCESS);
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, RecordPath(), L"UninstallString", L"C:\\old"));
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, RecordPath(), L"InstallDate", L"19991231"));
    ASSERT_EQ(SHDeleteValueW(HKEY_LOCAL_MACHINE, RecordPath().c_str(), L"DisplayIcon"), ERROR_SUCCESS);
    RecordingHooks hooks;
    ASSERT_EQ(RunRepair({1, m_job.productKey, m_job.payload, m_job.payloadSize}, hooks).outcome,
              RepairOutcome::Completed) << (hooks.errors.empty() ? L"" : hooks.errors.front());
    EXPECT_TRUE(hooks.errors.empty());
    ExpectInstalledAt(dir, 1, m_job.productKey, m_since);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, RecordPath()));
    EXPECT_TRUE(Exists(dir + L"\\res\\image\\weather\\d53.gif"));
    EXPECT_NE(FileContent(dir + L"\\res\\profile.xml"), "changed by the user");
    EXPECT_EQ(FileContent(dir + L"\\diary.txt"), "keep me");
    ASSERT_EQ(ReadInstallManifest(dir, &manifest), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(manifest.createdDirectory);
    for (const std::wstring& name : Tree(dir))
        EXPECT_EQ(name.find(L".~veltnew"), std::wstring::npos) << name;
}

// A cancel at every kind of checkpoint (before the directory, before the
// first entry, at the first, middle and last entry, after the manifest,
// after the autostart value and at the finish) of an installation straight
// into the desktop, a shell folder with a file of the user's: the rollback
// reports nothing, its bar goes back in three steps, and it leaves no trace;
// the desktop is as it was, and the desktop shortcut and the autostart value
// that the installation replaced come back as they were. A second rollback
// finds nothing and says nothing. (Into a new folder, through the windows:
// the fault suite's cancel.new.* cases.)
TEST_F(EngineTest, CancelAtAnyCheckpointLeavesTheMachineAsItWas)
{
    const std::wstring desktop = ShellPath(CSIDL_DESKTOPDIRECTORY);
    ASSERT_TRUE(MakeDirs(desktop) && WriteBytes(desktop + L"\\on the desktop.txt", "mine"));
    ASSERT_TRUE(WriteBytes(m_links.desktopLink, "an old link"));
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValueName, L"C:\\old\\calendar.exe"));
    const std::vector<std::wstring> desktopTree = Tree(desktop);
    const CheckpointAt points[] = {
        {Checkpoint::AfterRecord, -1},   {Checkpoint::AfterFolderAgain, -1}, {Checkpoint::BeforeExtraction, -1},
        {Checkpoint::AfterEntry, 0},     {Checkpoint::AfterEntry, 41},       {Checkpoint::AfterEntry, 82},
        {Checkpoint::AfterManifest, -1}, {Checkpoint::AfterAutostart, -1},   {Checkpoint::AtFinish, -1},
    };
    for (const CheckpointAt& point : points) {
        SCOPED_TRACE(static_cast<int>(point.first) * 1000 + point.second);
        InstallJob job = m_job;
        job.installDir = desktop;
        InstallJournal journal;
        RecordingHooks hooks;
        hooks.cancelAt = point;
        ASSERT_EQ(RunInstall(job, hooks, journal), InstallOutcome::Cancelled);
        EXPECT_TRUE(point.first != Checkpoint::AfterAutostart || FileContent(m_links.desktopLink) != "an old link");
        hooks.widths.clear();
        EXPECT_EQ(RollBackInstall(journal, hooks), RollbackOutcome::Done);
        EXPECT_EQ(hooks.widths, (std::vector<int>{316, 158, 0}));
        EXPECT_EQ(RollBackInstall(journal, hooks), RollbackOutcome::Done);
        EXPECT_TRUE(hooks.errors.empty()) << hooks.errors.front();
        EXPECT_EQ(Tree(desktop), desktopTree);
        EXPECT_EQ(FileContent(m_links.desktopLink), "an old link");
        EXPECT_EQ(AutostartValue(HKEY_LOCAL_MACHINE), L"C:\\old\\calendar.exe");
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, RecordPath()));
        for (const std::wstring& link : {m_links.programsGroup, m_links.quickLaunchLink})
            EXPECT_FALSE(Exists(link)) << link;
    }
    DeleteFileW((desktop + L"\\on the desktop.txt").c_str());
}

// Failures are reported, never taken for success, and leave nothing: no
// payload, and one with the middle third of its bytes scrambled (the
// message; the rollback leaves no record, folder, shortcut or autostart
// value); a repair of a record without "InstallLocation", with an empty or a
// relative one or one naming the Windows folder (a protected folder, as a
// removal refuses it), or of no record at all (the message; nothing written,
// the record's values neither). An entry that cannot be written, a directory
// that cannot be made and how the windows show a failure's message and roll
// back: the fault suite's locked.file-in-use.install, disk.* and
// SetupWizard.ForwardAndBackKeepEveryPagesStateUpToAPathThatCannotBeMade; a
// record without a usable location through Setup's windows: the fault
// suite's record.location-relative.setup-repair.
TEST_F(EngineTest, FailuresAreReportedAndLeaveNothing)
{
    auto expectNoShortcutOrAutostart = [&] {
        EXPECT_EQ(AutostartValue(HKEY_LOCAL_MACHINE), L"<none>");
        for (const std::wstring& link : {m_links.programsGroup, m_links.desktopLink, m_links.quickLaunchLink})
            EXPECT_FALSE(Exists(link)) << link;
    };
    std::string bytes(static_cast<const char*>(m_job.payload), m_job.payloadSize);
    for (size_t i = bytes.size() / 3; i < bytes.size() * 2 / 3; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    for (const void* payload : {static_cast<const void*>(nullptr), static_cast<const void*>(bytes.data())}) {
        SCOPED_TRACE(payload ? "damaged" : "none");
        InstallJob job = m_job;
        job.payload = payload;
        RecordingHooks hooks;
        InstallJournal journal;
        EXPECT_EQ(RunInstall(job, hooks, journal), InstallOutcome::Damaged);
        EXPECT_EQ(hooks.errors, std::vector<std::wstring>{kMsgSetupDamaged});
        RollBackInstall(journal, hooks);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, RecordPath()));
        expectNoShortcutOrAutostart();
        EXPECT_FALSE(Exists(m_job.installDir));
    }

    const RepairJob job = {1, m_job.productKey, m_job.payload, m_job.payloadSize};
    const std::wstring windows = ShellPath(CSIDL_WINDOWS);
    const struct {
        const char* name;
        const wchar_t* value;  // the record's one value; null: no record
        std::wstring data;
    } cases[] = {{"no location", L"Comments", L"C:\\VELT"},
                 {"empty", kValueInstallLocation, L""},
                 {"relative", kValueInstallLocation, L"relative\\dir"},
                 {"the Windows folder", kValueInstallLocation, windows},
                 {"no record", nullptr, L""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, RecordPath().c_str());
        ASSERT_TRUE(!c.value || SetRegString(HKEY_LOCAL_MACHINE, RecordPath(), c.value, c.data));
        RecordingHooks hooks;
        EXPECT_EQ(RunRepair(job, hooks).outcome, RepairOutcome::NotInstalled);
        EXPECT_EQ(hooks.errors, std::vector<std::wstring>{kMsgNotInstalled});
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, RecordPath()), c.value != nullptr);
        EXPECT_EQ(RecordString(HKEY_LOCAL_MACHINE, kValueDisplayName, m_job.productKey), L"<none>");
        EXPECT_FALSE(Exists(JoinPath(c.data, kUninstallerFileName)));
        expectNoShortcutOrAutostart();
    }
}

// Links planted by a user into the folder an installation writes (the
// user's own, which existed): a link in place of a payload file stops the
// installation at that entry with its write-failure message; a link planted
// while the installation runs, in place of a folder it has filled and left
// (the real one moved away; the folders it is in are held open and cannot
// be moved), is not entered by the rollback of the cancel that follows. A
// victim folder holding files of the payload's names keeps every byte
// either way. (A "res" link before the installation and before a repair,
// through the windows: the fault suite's attack.extract.*.)
TEST_F(EngineTest, NothingIsWrittenOrDeletedThroughAPlantedLink)
{
    // The payload's files below "res/image/face/" (written before entry 20), as the victim's.
    const std::wstring face = L"res/image/face/";
    std::vector<std::wstring> resFiles;
    {
        ZipArchivePtr archive(ZipArchiveOpen(m_job.payload, m_job.payloadSize));
        ZipItem item = {};
        for (int i = 0; archive && i <= 20 && ZipArchiveGetItem(archive.get(), i, &item) == kZipOk; ++i) {
            const std::wstring name = item.name;
            if (name.compare(0, face.size(), face) == 0 && name.back() != L'/')
                resFiles.push_back(name.substr(face.size()));
        }
    }
    ASSERT_GT(resFiles.size(), 5u);
    const struct {
        const char* what;
        const wchar_t* link;  // planted before the installation; null: "res\\image\\face" after entry 20
        const wchar_t* target;
    } cases[] = {{"a link at a payload file", kWindowLibraryFileName, L"victim\\diary.txt"},
                 {"a folder link planted midway", nullptr, L"victim"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring dir = m_scratch / L"mine", victim = m_scratch / L"victim";
        RemoveTree(dir);
        RemoveTree(victim);
        ASSERT_TRUE(MakeDirs(dir) && WriteBytes(dir + L"\\letter.txt", "dear user"));
        ASSERT_TRUE(MakeDirs(victim) && WriteBytes(victim + L"\\diary.txt", "the victim's own"));
        for (const std::wstring& name : resFiles)
            ASSERT_TRUE(MakeDirs(ParentPath(victim + L"\\" + name)) && WriteBytes(victim + L"\\" + name, "victim"));
        const std::vector<std::wstring> victimTree = Tree(victim);
        std::wstring why;
        if (c.link && !PlantLink(dir + L"\\" + c.link, m_scratch / c.target, &why))
            GTEST_SKIP() << "no link planted (run under tools/test.sh): " << testing::PrintToString(why);

        InstallJob job = m_job;
        job.installDir = dir;
        InstallJournal journal;
        struct PlantingHooks : RecordingHooks {
            std::function<void()> plant;
            bool PassCheckpoint(Checkpoint at, int entry) override
            {
                if (at == Checkpoint::AfterEntry && entry == 20 && plant)
                    plant();
                return RecordingHooks::PassCheckpoint(at, entry);
            }
        } hooks;
        bool planted = c.link != nullptr;
        if (!c.link) {
            hooks.cancelAt = {Checkpoint::AfterEntry, 20};
            hooks.plant = [&] {
                planted = MoveFileW((dir + L"\\res\\image\\face").c_str(), (dir + L"\\moved").c_str()) &&
                          PlantLink(dir + L"\\res\\image\\face", victim, &why);
            };
        }
        const InstallOutcome outcome = RunInstall(job, hooks, journal);
        if (!planted)
            GTEST_SKIP() << "no link planted (run under tools/test.sh): " << testing::PrintToString(why)
                         << " error " << GetLastError();
        if (c.link) {
            EXPECT_EQ(outcome, InstallOutcome::WriteFailed);
            EXPECT_EQ(hooks.errors, std::vector<std::wstring>{WriteFailedText(c.link)});
        } else {
            EXPECT_EQ(outcome, InstallOutcome::Cancelled);
        }
        EXPECT_EQ(RollBackInstall(journal, hooks), RollbackOutcome::Done);
        EXPECT_EQ(Tree(victim), victimTree);
        EXPECT_EQ(FileContent(victim + L"\\diary.txt"), "the victim's own");
        for (const std::wstring& name : resFiles)
            EXPECT_EQ(FileContent(victim + L"\\" + name), "victim") << name;
        EXPECT_EQ(FileContent(dir + L"\\letter.txt"), "dear user");
        EXPECT_FALSE(Exists(dir + L"\\" + kAppFileName));
        RemoveTree(dir);
    }
}

// The earlier, installer-package edition under either root goes: its program
// folder below the recorded location, its shortcuts, autostart value,
// uninstall entry and product registration; a neighbour of each stays. The
// product registration lies where the installer service keeps it, in the
// 64-bit registry view, also for this program's 32-bit build. Recorded for
// the current user only, the installation goes on for the current user.
// Neither step leaves the process or the thread at another priority. (Setup
// does this at its start: SetupWizard.*.)
TEST(LegacyCleanup, TheEarlierEditionGoesAndItsNeighboursStay)
{
    CleanProductTraces();
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        SCOPED_TRACE(root == HKEY_LOCAL_MACHINE ? "machine" : "user");
        ScratchDir place(L"legacy");
        const int programs = root == HKEY_LOCAL_MACHINE ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
        const std::wstring uninstall = std::wstring(kUninstallParentKey) + L"\\";
        const std::wstring products = std::wstring(kLegacyProductsKey) + L"\\";
        // Registry traces (a key, or a value when `value` is given) in a
        // registry view (0: this program's) and files; the neighbours stay.
        struct Trace {
            std::wstring path;
            const wchar_t* value;
            bool neighbour;
            REGSAM view;
            std::wstring Key() const { return path.substr(0, path.find(L"\\InstallProperties")); }
        };
        const Trace keys[] = {
            {uninstall + kLegacyProductCode, nullptr, false, 0},
            {uninstall + L"{0D1E2F30-4152-6374-8596-A7B8C9DAEBFC}", nullptr, true, 0},
            {kRunKey, kLegacyAutostartValueName, false, 0},
            {kRunKey, L"VeltNeighbourApp", true, 0},
            {products + kLegacyPackedProductCode + L"\\InstallProperties", nullptr, false, KEY_WOW64_64KEY},
            {products + L"0D1E2F3041526374\\InstallProperties", nullptr, true, KEY_WOW64_64KEY}};
        const std::pair<std::wstring, bool> files[] = {
            {place / L"VELT电子日历\\VELT电子日历.exe", false},
            {place / L"VELT电子日历\\res\\old.png", false},
            {place / L"keep.txt", true},
            {ShellPath(programs, kLegacyProgramsShortcut), false},
            {ShellPath(programs, L"VELT\\neighbour.lnk"), true},
            {ShellPath(CSIDL_DESKTOPDIRECTORY, kLegacyDesktopShortcut), false},
            {ShellPath(CSIDL_DESKTOPDIRECTORY, L"neighbour.txt"), true},
            {ShellPath(CSIDL_COMMON_DESKTOPDIRECTORY, kLegacyDesktopShortcut), false},
            {ShellPath(CSIDL_COMMON_DESKTOPDIRECTORY, L"neighbour.txt"), true}};
        ASSERT_TRUE(SetRegString(root, keys[0].path, kValueInstallLocation, place.Path()));
        for (const Trace& key : keys)
            ASSERT_TRUE(SetRegString(root, key.path, key.value ? key.value : kValueDisplayName, L"C:\\old\\app.exe",
                                     key.view));
        for (const auto& [path, neighbour] : files)
            ASSERT_TRUE(MakeDirs(path.substr(0, path.find_last_of(L'\\'))) && WriteBytes(path, "bytes"));

        const std::pair<DWORD, int> priorities(GetPriorityClass(GetCurrentProcess()),
                                               GetThreadPriority(GetCurrentThread()));
        EXPECT_EQ(CleanLegacyInstall(1), root == HKEY_LOCAL_MACHINE ? 1 : 0);
        EXPECT_EQ(priorities, std::pair(GetPriorityClass(GetCurrentProcess()), GetThreadPriority(GetCurrentThread())));
        for (const Trace& key : keys) {
            EXPECT_EQ(key.value ? ValueExists(root, key.path, key.value) : KeyExists(root, key.Key(), key.view),
                      key.neighbour)
                << key.path;
            HKEY parent = nullptr;
            const std::wstring keyPath = key.Key(), name = keyPath.substr(keyPath.rfind(L'\\') + 1);
            if (key.value)
                SHDeleteValueW(root, key.path.c_str(), key.value);
            else if (RegOpenKeyExW(root, ParentPath(keyPath).c_str(), 0, KEY_ALL_ACCESS | key.view, &parent) == 0)
                SHDeleteKeyW(parent, name.c_str());
            RegCloseKey(parent);
        }
        EXPECT_FALSE(Exists(place / L"VELT电子日历"));
        for (const auto& [path, neighbour] : files) {
            EXPECT_EQ(Exists(path), neighbour) << path;
            DeleteFileW(path.c_str());
        }
        RemoveDirectoryW(ShellPath(programs, L"VELT").c_str());
    }
}

// The earlier edition's folder goes only when it is proved that edition's: a
// folder without its program stays (an entry of the machine's); an entry of
// the current user's naming a folder outside the profile is not trusted by
// this elevated program: nothing of it is touched and the installation
// stays for all users.
TEST(LegacyCleanup, OnlyWhatIsProvedTheEarlierEditionsGoes)
{
    CleanProductTraces();
    const std::wstring place = ShellPath(CSIDL_COMMON_APPDATA, L"VeltTest-legacy");
    const std::wstring entry = std::wstring(kUninstallParentKey) + L"\\" + kLegacyProductCode;
    const struct {
        const char* name;
        HKEY root;
        const wchar_t* file;
    } cases[] = {
        {"machine entry, no program in the folder", HKEY_LOCAL_MACHINE, L"VELT电子日历\\notes.txt"},
        {"user entry outside the profile", HKEY_CURRENT_USER, L"VELT电子日历\\VELT电子日历.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring file = place + L"\\" + c.file;
        ASSERT_TRUE(MakeDirs(ParentPath(file)) && WriteBytes(file, "not the earlier edition's"));
        ASSERT_TRUE(SetRegString(c.root, entry, kValueInstallLocation, place));
        EXPECT_EQ(CleanLegacyInstall(1), 1);
        EXPECT_EQ(FileContent(file), "not the earlier edition's");
        EXPECT_EQ(KeyExists(c.root, entry), c.root == HKEY_CURRENT_USER);
        SHDeleteKeyW(c.root, entry.c_str());
        RemoveTree(place);
    }
}

} // namespace
