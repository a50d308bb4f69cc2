// The delayed removal command: the line's shape, under which Windows' cmd
// and Wine's read it alike (every "for" and "if" alone in a group of its
// own, no "&" inside a group) and which removes only once the lock has gone,
// each round after a pause on the loopback address; the line run for real by
// Wine's cmd.exe in the lock's three timings, with a file still held in the
// first round and the emptied parents after the tree; StartDelayedRemoval
// for Uninstall's own files, never for protected folders nor for paths that
// the interpreter would rewrite.
#include "delayed_removal.h"
#include "file_handle.h"

#include "test_support.h"
#include "wait_until.h"

#include <gtest/gtest.h>

#include <memory>

using namespace testing_support;

namespace {

// The parts of a command line after "/c", split at each "&" outside quotes
// and parentheses, blanks around them removed. Windows' cmd gives the body
// of a "for" or an "if" the rest of the line up to the ")" that closes its
// group, "&" chains included; Wine's cmd ends it at the first "&". Both read
// a line alike when every "for" and "if" stands inside a group and no group
// holds an "&": empty when the line is not so (or holds "&&").
std::vector<std::wstring> PartsReadAlike(const std::wstring& command)
{
    std::vector<std::wstring> parts(1);
    int depth = 0;
    bool quoted = false;
    for (wchar_t c : command.substr(command.find(L"/c ") + 3)) {
        quoted ^= c == L'"';
        if (!quoted)
            depth += c == L'(' ? 1 : c == L')' ? -1 : 0;
        if (quoted || c != L'&')
            parts.back() += c;
        else if (depth == 0)
            parts.emplace_back();
        else
            return {};
    }
    for (std::wstring& part : parts) {
        part.erase(0, part.find_first_not_of(L' '));
        part.erase(part.find_last_not_of(L' ') + 1);
        if (part.empty() || part.starts_with(L"for ") || part.starts_with(L"if ") || part.starts_with(L"@"))
            return {};
    }
    return parts;
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

// The wait: a look at the lock and a pause while it is there, `tries` times;
// then every round: a pause and the removals, each only once the lock has
// gone. Without a lock: a pause, then the removals. The line as it stood
// before the groups is not read alike.
TEST(DelayedRemoval, TheLineReadsAlikeUnderBothInterpretersAndRemovesOnlyOnceTheLockHasGone)
{
    const std::wstring lock = L"\"C:\\Temp dir (1) & x\\VELTExit-1-2.lock\"";
    const std::wstring dir = L"C:\\Program Files\\Q & (R) ^S\\VELT电子日历", parent = L"C:\\Program Files\\Q & (R) ^S";
    const std::wstring pause = L"ping 127.0.0.1 -n 2 -w 1000 > Nul", onceGone = L"(if not exist " + lock + L" ";
    const std::wstring removeTree = L"rd /s/q \"" + dir + L"\"", removeFolder = L"rd \"" + dir + L"\"";
    const std::wstring removeOwnFiles = L"del /f /q \"" + dir + L"\\Uninstall.exe\" \"" + dir +
                                        L"\\Uninstall.DAT\" \"" + dir + L"\\DuiLibu.dll\"";
    struct Case {
        DelayedRemoval what;
        bool keepFolder;
        std::vector<std::wstring> parents;
        std::vector<std::wstring> removals;  // of one round
    };
    for (const Case& c : {Case{DelayedRemoval::WholeTree, false, {}, {removeTree}},
                          Case{DelayedRemoval::WholeTree, false, {parent}, {removeTree, L"rd \"" + parent + L"\""}},
                          Case{DelayedRemoval::UninstallerOnly, false, {}, {removeOwnFiles, removeFolder}},
                          Case{DelayedRemoval::UninstallerOnly, true, {}, {removeOwnFiles}}}) {
        const std::wstring command =
            DelayedRemovalParameters(lock.substr(1, lock.size() - 2), dir, c.what, c.keepFolder, 5, c.parents);
        SCOPED_TRACE(testing::PrintToString(command));
        std::vector<std::wstring> expected = {L"(for /l %i in (1,1,5) do @if exist " + lock + L" " + pause + L")"};
        for (int round = 0; round < kDelayedRemovalRounds; ++round) {
            expected.push_back(onceGone + pause + L")");
            for (const std::wstring& removal : c.removals)
                expected.push_back(onceGone + removal + L")");
        }
        EXPECT_EQ(expected, PartsReadAlike(command));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"ping 127.0.0.1 -n 3 -w 1000 > Nul", removeTree}),
              PartsReadAlike(DelayedRemovalParameters(L"", dir, DelayedRemoval::WholeTree)));
    EXPECT_TRUE(PartsReadAlike(L"/c for /l %i in (1,1,120) do @if exist C:\\t\\x.lock ping 127.0.0.1 -n 2 > Nul & "
                               L"if not exist C:\\t\\x.lock rd /s/q \"C:\\a\"")
                    .empty());
}

// Wine's cmd runs the line, the lock in a temporary folder and the
// installation in folders whose names it must not split: nothing goes while
// the lock is held (at the first pause), nor ever when it stays. Once it has
// gone, a module the ended program's teardown still holds in the first round
// goes in a later one; after the tree, the folders made above it go when they
// are empty, with a plain "rd" that leaves one that holds something.
TEST(DelayedRemoval, WineRemovesOnceTheLockHasGoneAndNeverBefore)
{
    ScratchDir scratch(L"delayed");
    const std::wstring temp = scratch / L"tmp (1) & x";
    ASSERT_TRUE(MakeDirs(temp));
    TempFolderOverride override(temp);
    ASSERT_TRUE(MakeDirs(scratch / L"inst"));  // what an unquoted name would hit
    WCHAR systemFolder[MAX_PATH] = {};
    GetSystemDirectoryW(systemFolder, MAX_PATH);
    const std::wstring system = systemFolder;
    enum Gone { AtStart, DuringWait, Never };
    for (Gone gone : {AtStart, DuringWait, Never}) {
        SCOPED_TRACE(gone);
        const std::wstring top = scratch / (L"inst & (dir) ^" + std::to_wstring(gone) + L" 电子");
        const std::wstring dir = top + L"\\QRVL\\Product";
        MakeTree(dir);
        ASSERT_TRUE(WriteBytes(top + L"\\theirs.txt", "theirs"));
        auto lock = std::make_unique<ExitLock>();
        ASSERT_TRUE(lock->Acquire());
        const std::wstring lockPath = lock->Path();
        ASSERT_EQ(0u, lockPath.find(temp));
        FileHandle held;
        if (gone == AtStart) {
            held.Reset(CreateFileW((dir + L"\\DuiLibu.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(held.Valid());
            lock.reset();
        }
        // "cmd.exe" as StartDelayedRemoval starts it, but with a handle.
        ChildProcess cmd;
        ASSERT_TRUE(cmd.Start(system + L"\\cmd.exe",
                              DelayedRemovalParameters(lockPath, dir, DelayedRemoval::WholeTree, false,
                                                       gone == Never ? 2 : kDelayedRemovalTries, {top + L"\\QRVL", top})));
        // The first pause; with the held file, the second, after the first
        // round's removal.
        DWORD firstPause = 0;
        ASSERT_TRUE(WaitUntil(
            [&] {
                const DWORD ping = RunningChild(cmd.Id(), L"ping.exe");
                if (firstPause == 0)
                    firstPause = ping;
                return ping != 0 && (!held.Valid() || ping != firstPause);
            },
            20000));
        EXPECT_TRUE(Exists(dir + L"\\DuiLibu.dll"));
        held.Close();
        if (gone == DuringWait)
            lock.reset();
        ASSERT_TRUE(cmd.WaitExit(30000));
        const bool kept = gone == Never;
        EXPECT_EQ(kept, Exists(dir + L"\\res\\image\\a.png")) << "removed although the lock was held";
        EXPECT_EQ(kept, Exists(top + L"\\QRVL"));
        EXPECT_EQ("theirs", FileContent(top + L"\\theirs.txt"));
        EXPECT_EQ(kept, Exists(lockPath));
    }
    EXPECT_TRUE(Exists(scratch / L"inst"));
}

// From a folder that holds other files too, only Uninstall's three go and the
// folder stays; a folder they leave empty goes. No interpreter is started for
// a protected folder, nor for one whose name it would rewrite
// ("%windir:~3%x" would reach it as "windowsx", "a!b!c" as "ac" where delayed
// expansion is on): such folders are removed directly, what is in use stays,
// and the folders they would become are untouched. A temporary folder that
// would be rewritten does not take the lock: it goes elsewhere.
TEST(DelayedRemoval, StartedForUninstallsOwnFilesNeverForProtectedOrRewrittenFolders)
{
    ScratchDir scratch(L"delayed");
    const std::wstring ours = scratch / L"only ours", shared = scratch / L"shared (1)";
    const std::wstring percent = scratch / L"%windir%x", bang = scratch / L"a!b!c";
    ASSERT_TRUE(MakeDirs(ours));
    ASSERT_TRUE(WriteBytes(ours + L"\\Uninstall.exe", "x"));
    for (const std::wstring& dir : {shared, percent, bang, scratch / L"windowsx", scratch / L"ac"})
        MakeTree(dir);
    ASSERT_TRUE(WriteBytes(percent + L"\\busy.dll", "x"));
    FileHandle busy(CreateFileW((percent + L"\\busy.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(busy.Valid());
    {
        ExitLock lock;
        ASSERT_TRUE(lock.Acquire());
        EXPECT_EQ(L"", DelayedRemovalParameters(lock.Path(), percent, DelayedRemoval::WholeTree));
        EXPECT_EQ(L"", DelayedRemovalParameters(lock.Path(), bang, DelayedRemoval::UninstallerOnly));
        EXPECT_FALSE(StartDelayedRemoval(percent, DelayedRemoval::WholeTree));
        EXPECT_FALSE(StartDelayedRemoval(bang, DelayedRemoval::UninstallerOnly));
        WCHAR windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        for (const wchar_t* refused : {L"C:\\", static_cast<const wchar_t*>(windows), L""})
            EXPECT_FALSE(StartDelayedRemoval(refused, DelayedRemoval::WholeTree)) << testing::PrintToString(refused);
        // None started so far: one would still be waiting for the held lock.
        EXPECT_EQ(0u, RunningChild(GetCurrentProcessId(), L"cmd.exe")) << "an interpreter was started";
        ASSERT_TRUE(StartDelayedRemoval(ours, DelayedRemoval::UninstallerOnly));
        ASSERT_TRUE(StartDelayedRemoval(shared, DelayedRemoval::UninstallerOnly));
    }
    EXPECT_TRUE(WaitUntil([&] { return !Exists(ours) && Tree(shared) == kTreeWithoutUninstall; }, 30000))
        << testing::PrintToString(Tree(shared));
    EXPECT_EQ(std::vector<std::wstring>{L"busy.dll"}, Tree(percent)) << "a file in use cannot go at once";
    EXPECT_EQ(kTreeWithoutUninstall, Tree(bang));
    for (const wchar_t* decoy : {L"windowsx", L"ac"})
        EXPECT_TRUE(Exists(scratch / decoy + L"\\Uninstall.exe")) << decoy;

    const std::wstring temp = scratch / L"tmp%windir%!x!";
    ASSERT_TRUE(MakeDirs(temp));
    TempFolderOverride override(temp);
    ExitLock elsewhere;
    ASSERT_TRUE(elsewhere.Acquire());
    EXPECT_TRUE(IsSafeForCommand(elsewhere.Path())) << testing::PrintToString(elsewhere.Path());
    EXPECT_TRUE(Exists(elsewhere.Path()));
}
