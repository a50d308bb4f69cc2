// The delayed removal command: read through the model of both interpreters'
// grouping rules for the three timings of the exit lock, run for real by
// Wine's cmd.exe in the same three timings, and kept away from paths that the
// interpreter would rewrite.
#include "test/cmd_reading_model.h"
#include "delayed_removal.h"
#include "file_handle.h"

#include "test_support.h"
#include "wait_until.h"

#include <gtest/gtest.h>

#include <memory>

using namespace testing_support;

namespace {

// The lock's three timings, in the model's pauses: gone before the
// interpreter looks, gone after two pauses, never gone.
constexpr int kGoneAtStart = 0;
constexpr int kGoneDuringWait = 2;
constexpr int kNeverGone = -1;

// Runs "cmd.exe <parameters>" as StartDelayedRemoval would, but with a handle.
bool StartCommand(ChildProcess& cmd, const std::wstring& parameters)
{
    WCHAR system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return !parameters.empty() && cmd.Start(std::wstring(system) + L"\\cmd.exe", parameters);
}

// Sets TMP for this process while it lives (GetTempPathW reads it first).
class TempFolderOverride {
public:
    explicit TempFolderOverride(const std::wstring& folder)
    {
        m_had = GetEnvironmentVariableW(L"TMP", m_old, MAX_PATH) != 0;
        SetEnvironmentVariableW(L"TMP", folder.c_str());
    }
    ~TempFolderOverride() { SetEnvironmentVariableW(L"TMP", m_had ? m_old : nullptr); }

private:
    WCHAR m_old[MAX_PATH] = {};
    bool m_had = false;
};

// An installation folder: a nested tree and Uninstall's three files.
void MakeTree(const std::wstring& dir)
{
    ASSERT_TRUE(MakeDirs(dir + L"\\res\\image"));
    ASSERT_TRUE(WriteBytes(dir + L"\\res\\image\\a.png", "a"));
    for (const wchar_t* name : {L"\\Uninstall.exe", L"\\Uninstall.DAT", L"\\DuiLibu.dll"})
        ASSERT_TRUE(WriteBytes(dir + name, "x"));
}

// The command for `dir` run by Wine's cmd.exe to its end, the lock already
// released.
void RunReleased(const std::wstring& dir, DelayedRemoval what, const std::vector<std::wstring>& parents = {})
{
    std::wstring lockPath;
    {
        ExitLock lock;
        ASSERT_TRUE(lock.Acquire());
        lockPath = lock.Path();
    }
    ChildProcess cmd;
    ASSERT_TRUE(StartCommand(cmd, DelayedRemovalParameters(lockPath, dir, what, false, kDelayedRemovalTries, parents)));
    ASSERT_TRUE(cmd.WaitExit(30000));
}

} // namespace

TEST(DelayedRemoval, BothReadingsRemoveOnlyOnceTheLockHasGone)
{
    const std::wstring lock = L"C:\\Temp dir (1) & x\\VELTExit-1-2.lock";
    const std::wstring dir = L"C:\\Program Files\\Q & (R) ^S\\VELT电子日历";
    struct Case {
        DelayedRemoval what;
        bool keepFolder;
        std::vector<std::wstring> removals;  // the first word and the last quoted path of each
    };
    const Case cases[] = {
        {DelayedRemoval::WholeTree, false, {L"rd \"" + dir + L"\""}},
        {DelayedRemoval::UninstallerOnly, false, {L"del \"" + dir + L"\\DuiLibu.dll\"", L"rd \"" + dir + L"\""}},
        {DelayedRemoval::UninstallerOnly, true, {L"del \"" + dir + L"\\DuiLibu.dll\""}},
    };
    for (const Case& c : cases) {
        const std::wstring command = DelayedRemovalParameters(lock, dir, c.what, c.keepFolder, 5);
        for (CmdReading reading : {CmdReading::Windows, CmdReading::Wine}) {
            SCOPED_TRACE(testing::Message() << (reading == CmdReading::Windows ? "Windows: " : "Wine: ")
                                            << testing::PrintToString(command));
            for (int goneAfter : {kGoneAtStart, kGoneDuringWait, kNeverGone}) {
                const CmdModelRun run = RunCmdModel(command, reading, lock, goneAfter);
                ASSERT_EQ(L"", run.error);
                if (goneAfter == kNeverGone) {
                    EXPECT_TRUE(run.commands.empty()) << "removed although the program still runs";
                    EXPECT_EQ(5, run.pauses);
                    continue;
                }
                // Every removal in each round, each round after a pause of its
                // own: the first one pause after the lock has gone.
                const size_t rounds = kDelayedRemovalRounds;
                ASSERT_EQ(c.removals.size() * rounds, run.commands.size()) << "gone after " << goneAfter;
                for (size_t i = 0; i < run.commands.size(); ++i) {
                    const std::wstring& ran = run.commands[i].command;
                    const std::wstring& want = c.removals[i % c.removals.size()];
                    EXPECT_EQ(want.substr(0, want.find(L' ')), ran.substr(0, ran.find(L' ')));
                    EXPECT_EQ(want.substr(want.find(L'"')), ran.substr(ran.rfind(L'"', ran.size() - 2)));
                    EXPECT_EQ(goneAfter + 1 + static_cast<int>(i / c.removals.size()), run.commands[i].pausesBefore);
                }
            }
        }
    }
    // Without a lock: a pause, then the removal.
    const CmdModelRun unlocked =
        RunCmdModel(DelayedRemovalParameters(L"", dir, DelayedRemoval::WholeTree), CmdReading::Windows, L"", 0);
    ASSERT_EQ(1u, unlocked.commands.size());
    EXPECT_EQ(1, unlocked.commands[0].pausesBefore);
}

// The command as it stood before the groups: the model must show what Wine hid.
TEST(DelayedRemoval, ModelTellsTheUngroupedCommandApart)
{
    const std::wstring lock = L"C:\\t\\x.lock";
    const std::wstring ungrouped = L"/c for /l %i in (1,1,120) do @if exist C:\\t\\x.lock ping 127.0.0.1 -n 2 -w 1000 "
                                   L"> Nul & if not exist C:\\t\\x.lock ping 127.0.0.1 -n 2 -w 1000 > Nul & "
                                   L"if not exist C:\\t\\x.lock rd /s/q \"C:\\a\"";
    EXPECT_EQ(1u, RunCmdModel(ungrouped, CmdReading::Wine, lock, kGoneAtStart).commands.size());
    EXPECT_TRUE(RunCmdModel(ungrouped, CmdReading::Windows, lock, kGoneAtStart).commands.empty());
    EXPECT_NE(L"", RunCmdModel(L"/c ping 10.0.0.1 -n 1", CmdReading::Windows, lock, 0).error);
}

TEST(DelayedRemoval, WineRemovesOnceTheLockHasGoneAndNeverBefore)
{
    ScratchDir scratch(L"delayed");
    // The lock in a temporary folder whose name the interpreter must not split.
    const std::wstring temp = scratch / L"tmp (1) & x";
    ASSERT_TRUE(MakeDirs(temp));
    TempFolderOverride override(temp);
    ASSERT_TRUE(MakeDirs(scratch / L"inst"));  // what an unquoted name would hit

    for (int goneAfter : {kGoneAtStart, kGoneDuringWait, kNeverGone}) {
        SCOPED_TRACE(goneAfter);
        const std::wstring dir = scratch / (L"inst & (dir) ^" + std::to_wstring(goneAfter + 1) + L" 电子");
        MakeTree(dir);
        auto lock = std::make_unique<ExitLock>();
        ASSERT_TRUE(lock->Acquire());
        ASSERT_EQ(0u, lock->Path().find(temp));
        const std::wstring lockPath = lock->Path();
        if (goneAfter == kGoneAtStart)
            lock.reset();
        ChildProcess cmd;
        const int tries = goneAfter == kNeverGone ? 2 : kDelayedRemovalTries;
        ASSERT_TRUE(StartCommand(cmd, DelayedRemovalParameters(lockPath, dir, DelayedRemoval::WholeTree, false, tries)));
        if (goneAfter == kGoneDuringWait) {
            ASSERT_TRUE(WaitUntil([&] { return RunningChild(cmd.Id(), L"ping.exe") != 0; }, 20000));
            EXPECT_TRUE(Exists(dir + L"\\res\\image\\a.png")) << "removed while the lock was held";
            lock.reset();
        }
        ASSERT_TRUE(cmd.WaitExit(30000));
        if (goneAfter == kNeverGone) {
            EXPECT_TRUE(Exists(dir + L"\\res\\image\\a.png")) << "removed although the lock was held";
            EXPECT_TRUE(Exists(lockPath));
        } else {
            EXPECT_FALSE(Exists(dir));
            EXPECT_FALSE(Exists(lockPath));
        }
    }
    EXPECT_TRUE(Exists(scratch / L"inst"));
}

// After the tree, the folders made above it go when they are empty: with a
// plain "rd", which leaves a folder that holds something.
// A module the ended program's teardown still holds when the first round
// runs goes in a later one.
TEST(DelayedRemoval, AFileHeldAMomentLongerGoesInALaterRound)
{
    ScratchDir scratch(L"held");
    const std::wstring dir = scratch / L"VELT";
    MakeTree(dir);
    FileHandle held(CreateFileW((dir + L"\\DuiLibu.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, held.Get());
    std::wstring lockPath;
    {
        ExitLock lock;
        ASSERT_TRUE(lock.Acquire());
        lockPath = lock.Path();
    }
    ChildProcess cmd;
    ASSERT_TRUE(StartCommand(cmd, DelayedRemovalParameters(lockPath, dir, DelayedRemoval::WholeTree)));
    // The lock is gone at the start: the first pause, the first round's
    // removal, which cannot take the held file, then the second pause.
    DWORD firstPause = 0;
    const bool secondPause = WaitUntil(
        [&] {
            const DWORD ping = RunningChild(cmd.Id(), L"ping.exe");
            if (firstPause == 0)
                firstPause = ping;
            return ping != 0 && ping != firstPause;
        },
        20000, 20);
    EXPECT_TRUE(Exists(dir + L"\\DuiLibu.dll"));
    held.Reset(INVALID_HANDLE_VALUE);
    ASSERT_TRUE(secondPause);
    ASSERT_TRUE(cmd.WaitExit(30000));
    EXPECT_FALSE(Exists(dir));
}

TEST(DelayedRemoval, EmptiedParentsGoAfterTheTree)
{
    ScratchDir scratch(L"delayed");
    const std::wstring top = scratch / L"Vendor (x)";
    const std::wstring dir = top + L"\\QRVL\\Product";
    MakeTree(dir);
    ASSERT_TRUE(WriteBytes(top + L"\\theirs.txt", "theirs"));
    RunReleased(dir, DelayedRemoval::WholeTree, {top + L"\\QRVL", top});
    EXPECT_FALSE(Exists(top + L"\\QRVL"));
    EXPECT_EQ("theirs", FileContent(top + L"\\theirs.txt"));
}

TEST(DelayedRemoval, UninstallerOnlyKeepsOtherFilesAndTheFolder)
{
    ScratchDir scratch(L"delayed");
    const std::wstring dir = scratch / L"shared (1)";
    MakeTree(dir);
    ASSERT_TRUE(WriteBytes(dir + L"\\mine.txt", "mine"));
    RunReleased(dir, DelayedRemoval::UninstallerOnly);
    for (const wchar_t* name : {L"\\Uninstall.exe", L"\\Uninstall.DAT", L"\\DuiLibu.dll"})
        EXPECT_FALSE(Exists(dir + name)) << name;
    EXPECT_EQ("mine", FileContent(dir + L"\\mine.txt"));
    EXPECT_TRUE(Exists(dir + L"\\res\\image\\a.png"));
}

TEST(DelayedRemoval, EmptiedFolderGoesAndProtectedFoldersAreNeverNamed)
{
    ScratchDir scratch(L"delayed");
    const std::wstring dir = scratch / L"only ours";
    ASSERT_TRUE(MakeDirs(dir));
    ASSERT_TRUE(WriteBytes(dir + L"\\Uninstall.exe", "x"));
    {
        ExitLock lock;
        ASSERT_TRUE(lock.Acquire());
        ASSERT_TRUE(StartDelayedRemoval(dir, DelayedRemoval::UninstallerOnly));
        EXPECT_FALSE(StartDelayedRemoval(L"C:\\", DelayedRemoval::WholeTree));
        WCHAR windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        EXPECT_FALSE(StartDelayedRemoval(windows, DelayedRemoval::WholeTree));
        EXPECT_FALSE(StartDelayedRemoval(L"", DelayedRemoval::WholeTree));
    }
    EXPECT_TRUE(WaitUntil([&] { return !Exists(dir); }, 30000));
}

// "%windir:~3%x" would reach the interpreter as "windowsx", "a!b!c" as "ac"
// where delayed expansion is on: such folders are removed directly instead,
// what is in use stays, and the folders they would become are untouched.
TEST(DelayedRemoval, FoldersTheInterpreterWouldRewriteAreNeverHandedToIt)
{
    ScratchDir scratch(L"delayed");
    const std::wstring percent = scratch / L"%windir:~3%x";
    const std::wstring bang = scratch / L"a!b!c";
    MakeTree(percent);
    MakeTree(bang);
    ASSERT_TRUE(WriteBytes(bang + L"\\mine.txt", "mine"));
    for (const wchar_t* decoy : {L"windowsx", L"ac"})
        MakeTree(scratch / decoy);
    ASSERT_TRUE(WriteBytes(percent + L"\\busy.dll", "x"));
    HANDLE busy = CreateFileW((percent + L"\\busy.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);

    ExitLock lock;
    ASSERT_TRUE(lock.Acquire());
    EXPECT_EQ(L"", DelayedRemovalParameters(lock.Path(), percent, DelayedRemoval::WholeTree));
    EXPECT_EQ(L"", DelayedRemovalParameters(lock.Path(), bang, DelayedRemoval::UninstallerOnly));
    EXPECT_FALSE(StartDelayedRemoval(percent, DelayedRemoval::WholeTree));
    EXPECT_FALSE(StartDelayedRemoval(bang, DelayedRemoval::UninstallerOnly));
    // A command started now would still be waiting for the held lock.
    EXPECT_EQ(0u, RunningChild(GetCurrentProcessId(), L"cmd.exe")) << "an interpreter was started";
    CloseHandle(busy);

    EXPECT_FALSE(Exists(percent + L"\\res"));
    EXPECT_FALSE(Exists(percent + L"\\Uninstall.exe"));
    EXPECT_TRUE(Exists(percent + L"\\busy.dll")) << "a file in use cannot go at once";
    EXPECT_FALSE(Exists(bang + L"\\DuiLibu.dll"));
    EXPECT_TRUE(Exists(bang + L"\\mine.txt"));
    EXPECT_TRUE(Exists(bang + L"\\res\\image\\a.png"));
    for (const wchar_t* decoy : {L"windowsx", L"ac"})
        EXPECT_TRUE(Exists(scratch / decoy + L"\\res\\image\\a.png")) << decoy;

    // A temporary folder that would be rewritten: the lock goes elsewhere.
    const std::wstring temp = scratch / L"tmp%windir%!x!";
    ASSERT_TRUE(MakeDirs(temp));
    TempFolderOverride override(temp);
    ExitLock elsewhere;
    ASSERT_TRUE(elsewhere.Acquire());
    EXPECT_TRUE(IsSafeForCommand(elsewhere.Path())) << testing::PrintToString(elsewhere.Path());
    EXPECT_TRUE(Exists(elsewhere.Path()));
}
