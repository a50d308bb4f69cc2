// The delayed removal command: read through the model of both interpreters'
// grouping rules for the three timings of the exit lock, run for real by
// Wine's cmd.exe in the same three timings (a file still held in the first
// round, the emptied parents, Uninstall's own files), started by
// StartDelayedRemoval, and kept away from paths that the interpreter would
// rewrite.
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

// Sets TMP for this process while it lives (GetTempPathW reads it first). The
// C runtime's copy of the environment keeps the value the process started with.
struct TempFolderOverride {
    explicit TempFolderOverride(const std::wstring& folder) { SetEnvironmentVariableW(L"TMP", folder.c_str()); }
    ~TempFolderOverride() { SetEnvironmentVariableW(L"TMP", startValue); }
    const wchar_t* const startValue = _wgetenv(L"TMP");
};

// An installation folder: a nested tree, a file of the user's and Uninstall's
// three files; and what is left of it when only those three have gone.
void MakeTree(const std::wstring& dir)
{
    ASSERT_TRUE(MakeDirs(dir + L"\\res\\image"));
    for (const wchar_t* name : {L"\\res\\image\\a.png", L"\\mine.txt", L"\\Uninstall.exe", L"\\Uninstall.DAT", L"\\DuiLibu.dll"})
        ASSERT_TRUE(WriteBytes(dir + name, "x"));
}
const std::vector<std::wstring> kTreeWithoutUninstall = {L"mine.txt", L"res", L"res\\image", L"res\\image\\a.png"};

} // namespace

TEST(DelayedRemoval, BothReadingsRemoveOnlyOnceTheLockHasGone)
{
    const std::wstring lock = L"C:\\Temp dir (1) & x\\VELTExit-1-2.lock";
    const std::wstring dir = L"C:\\Program Files\\Q & (R) ^S\\VELT电子日历";
    const std::wstring removeTree = L"rd /s/q \"" + dir + L"\"", removeFolder = L"rd \"" + dir + L"\"";
    const std::wstring removeOwnFiles = L"del /f /q \"" + dir + L"\\Uninstall.exe\" \"" + dir +
                                        L"\\Uninstall.DAT\" \"" + dir + L"\\DuiLibu.dll\"";
    struct Case {
        DelayedRemoval what;
        bool keepFolder;
        std::vector<std::wstring> removals;  // of one round
    };
    for (const Case& c : {Case{DelayedRemoval::WholeTree, false, {removeTree}},
                          Case{DelayedRemoval::UninstallerOnly, false, {removeOwnFiles, removeFolder}},
                          Case{DelayedRemoval::UninstallerOnly, true, {removeOwnFiles}}}) {
        const std::wstring command = DelayedRemovalParameters(lock, dir, c.what, c.keepFolder, 5);
        for (CmdReading reading : {CmdReading::Windows, CmdReading::Wine}) {
            for (int goneAfter : {kGoneAtStart, kGoneDuringWait, kNeverGone}) {
                SCOPED_TRACE(testing::Message() << (reading == CmdReading::Windows ? "Windows" : "Wine") << ", gone after "
                                                << goneAfter << ": " << testing::PrintToString(command));
                const CmdModelRun run = RunCmdModel(command, reading, lock, goneAfter);
                ASSERT_EQ(L"", run.error);
                // Every removal in each round, each round after a pause of its
                // own: the first one pause after the lock has gone. Nothing
                // while the program still runs, after every look.
                std::vector<std::wstring> removals;
                for (int round = 0; goneAfter != kNeverGone && round < kDelayedRemovalRounds; ++round) {
                    for (const std::wstring& removal : c.removals)
                        removals.push_back(std::to_wstring(goneAfter + 1 + round) + L": " + removal);
                }
                EXPECT_EQ(removals, run.commands);
                EXPECT_TRUE(goneAfter != kNeverGone || run.pauses == 5) << run.pauses;
            }
        }
    }
    // The command as it stood before the groups: the model must show what Wine hid.
    const std::wstring ungrouped = L"/c for /l %i in (1,1,120) do @if exist C:\\t\\x.lock ping 127.0.0.1 -n 2 -w 1000 "
                                   L"> Nul & if not exist C:\\t\\x.lock ping 127.0.0.1 -n 2 -w 1000 > Nul & "
                                   L"if not exist C:\\t\\x.lock rd /s/q \"C:\\a\"";
    EXPECT_EQ(1u, RunCmdModel(ungrouped, CmdReading::Wine, L"C:\\t\\x.lock", kGoneAtStart).commands.size());
    EXPECT_TRUE(RunCmdModel(ungrouped, CmdReading::Windows, L"C:\\t\\x.lock", kGoneAtStart).commands.empty());
    EXPECT_NE(L"", RunCmdModel(L"/c ping 10.0.0.1 -n 1", CmdReading::Windows, lock, 0).error);
    // Without a lock: a pause, then the removal.
    EXPECT_EQ(std::vector<std::wstring>{L"1: " + removeTree},
              RunCmdModel(DelayedRemovalParameters(L"", dir, DelayedRemoval::WholeTree), CmdReading::Windows, L"", 0)
                  .commands);
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
        const std::wstring lockPath = lock->Path();
        ASSERT_EQ(0u, lockPath.find(temp));
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
        const bool held = goneAfter == kNeverGone;
        EXPECT_EQ(held, Exists(dir + L"\\res\\image\\a.png")) << "removed although the lock was held";
        EXPECT_EQ(held, Exists(dir));
        EXPECT_EQ(held, Exists(lockPath));
    }
    EXPECT_TRUE(Exists(scratch / L"inst"));
}

// A module the ended program's teardown still holds when the first round runs
// goes in a later one. After the tree, the folders made above it go when they
// are empty: with a plain "rd", which leaves a folder that holds something.
TEST(DelayedRemoval, AHeldFileGoesInALaterRoundAndEmptiedParentsAfterTheTree)
{
    ScratchDir scratch(L"held");
    const std::wstring top = scratch / L"Vendor (x)";
    const std::wstring dir = top + L"\\QRVL\\Product";
    MakeTree(dir);
    ASSERT_TRUE(WriteBytes(top + L"\\theirs.txt", "theirs"));
    FileHandle held(CreateFileW((dir + L"\\DuiLibu.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, held.Get());
    ChildProcess cmd;  // the lock has gone before the start
    ASSERT_TRUE(StartCommand(cmd, DelayedRemovalParameters(scratch / L"gone.lock", dir, DelayedRemoval::WholeTree, false,
                                                           kDelayedRemovalTries, {top + L"\\QRVL", top})));
    // The first pause, the first round's removal, which cannot take the held
    // file, then the second pause.
    DWORD firstPause = 0;
    const bool secondPause = WaitUntil(
        [&] {
            const DWORD ping = RunningChild(cmd.Id(), L"ping.exe");
            if (firstPause == 0)
                firstPause = ping;
            return ping != 0 && ping != firstPause;
        },
        20000);
    EXPECT_TRUE(Exists(dir + L"\\DuiLibu.dll"));
    held.Reset(INVALID_HANDLE_VALUE);
    ASSERT_TRUE(secondPause);
    ASSERT_TRUE(cmd.WaitExit(30000));
    EXPECT_FALSE(Exists(top + L"\\QRVL"));
    EXPECT_EQ("theirs", FileContent(top + L"\\theirs.txt"));
}

// From a folder that holds other files too, only Uninstall's three go and the
// folder stays; a folder they leave empty goes. A protected folder is never
// named to the interpreter.
TEST(DelayedRemoval, StartedForUninstallsOwnFilesAndNeverForProtectedFolders)
{
    ScratchDir scratch(L"delayed");
    const std::wstring ours = scratch / L"only ours", shared = scratch / L"shared (1)";
    ASSERT_TRUE(MakeDirs(ours));
    ASSERT_TRUE(WriteBytes(ours + L"\\Uninstall.exe", "x"));
    MakeTree(shared);
    {
        ExitLock lock;
        ASSERT_TRUE(lock.Acquire());
        ASSERT_TRUE(StartDelayedRemoval(ours, DelayedRemoval::UninstallerOnly));
        ASSERT_TRUE(StartDelayedRemoval(shared, DelayedRemoval::UninstallerOnly));
        WCHAR windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        for (const wchar_t* refused : {L"C:\\", static_cast<const wchar_t*>(windows), L""})
            EXPECT_FALSE(StartDelayedRemoval(refused, DelayedRemoval::WholeTree)) << testing::PrintToString(refused);
    }
    EXPECT_TRUE(WaitUntil([&] { return !Exists(ours) && Tree(shared) == kTreeWithoutUninstall; }, 30000))
        << testing::PrintToString(Tree(shared));
}

// "%windir:~3%x" would reach the interpreter as "windowsx", "a!b!c" as "ac"
// where delayed expansion is on: such folders are removed directly instead,
// what is in use stays, and the folders they would become are untouched.
TEST(DelayedRemoval, FoldersTheInterpreterWouldRewriteAreNeverHandedToIt)
{
    ScratchDir scratch(L"delayed");
    const std::wstring percent = scratch / L"%windir:~3%x", bang = scratch / L"a!b!c";
    for (const std::wstring& dir : {percent, bang, scratch / L"windowsx", scratch / L"ac"})
        MakeTree(dir);
    ASSERT_TRUE(WriteBytes(percent + L"\\busy.dll", "x"));
    FileHandle busy(CreateFileW((percent + L"\\busy.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, busy.Get());

    ExitLock lock;
    ASSERT_TRUE(lock.Acquire());
    EXPECT_EQ(L"", DelayedRemovalParameters(lock.Path(), percent, DelayedRemoval::WholeTree));
    EXPECT_EQ(L"", DelayedRemovalParameters(lock.Path(), bang, DelayedRemoval::UninstallerOnly));
    EXPECT_FALSE(StartDelayedRemoval(percent, DelayedRemoval::WholeTree));
    EXPECT_FALSE(StartDelayedRemoval(bang, DelayedRemoval::UninstallerOnly));
    // A command started now would still be waiting for the held lock.
    EXPECT_EQ(0u, RunningChild(GetCurrentProcessId(), L"cmd.exe")) << "an interpreter was started";
    EXPECT_EQ(std::vector<std::wstring>{L"busy.dll"}, Tree(percent)) << "a file in use cannot go at once";
    EXPECT_EQ(kTreeWithoutUninstall, Tree(bang));
    for (const wchar_t* decoy : {L"windowsx", L"ac"})
        EXPECT_TRUE(Exists(scratch / decoy + L"\\Uninstall.exe")) << decoy;

    // A temporary folder that would be rewritten: the lock goes elsewhere.
    const std::wstring temp = scratch / L"tmp%windir%!x!";
    ASSERT_TRUE(MakeDirs(temp));
    TempFolderOverride override(temp);
    ExitLock elsewhere;
    ASSERT_TRUE(elsewhere.Acquire());
    EXPECT_TRUE(IsSafeForCommand(elsewhere.Path())) << testing::PrintToString(elsewhere.Path());
    EXPECT_TRUE(Exists(elsewhere.Path()));
}
