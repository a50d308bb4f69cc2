// The delayed removal command, run for real by Wine's cmd.exe: it must wait
// for the exit lock to go before it removes anything.
#include "delayed_removal.h"

#include "test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <memory>

using namespace testing_support;

namespace {

bool WaitGone(const std::wstring& path, DWORD ms)
{
    const DWORD start = GetTickCount();
    while (Exists(path)) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(100);
    }
    return true;
}

} // namespace

TEST(DelayedRemoval, CommandNamesOnlyLoopbackAndTheLock)
{
    const std::wstring whole = DelayedRemovalParameters(L"C:\\t\\x.lock", L"C:\\a b", DelayedRemoval::WholeTree);
    EXPECT_EQ(0u, whole.find(L"/c "));
    EXPECT_NE(std::wstring::npos, whole.find(L"ping 127.0.0.1 -n 2 -w 1000 > Nul"));
    EXPECT_NE(std::wstring::npos, whole.find(L"if not exist C:\\t\\x.lock rd /s/q \"C:\\a b\""));
    // Every ping goes to loopback.
    for (size_t at = whole.find(L"ping "); at != std::wstring::npos; at = whole.find(L"ping ", at + 1))
        EXPECT_EQ(0u, whole.compare(at, 15, L"ping 127.0.0.1 "));
    const std::wstring own = DelayedRemovalParameters(L"C:\\t\\x.lock", L"C:\\a b", DelayedRemoval::UninstallerOnly);
    EXPECT_EQ(std::wstring::npos, own.find(L"rd /s/q"));
    EXPECT_NE(std::wstring::npos, own.find(L"\"C:\\a b\\Uninstall.exe\""));
    EXPECT_NE(std::wstring::npos, own.find(L"\"C:\\a b\\DuiLibu.dll\""));
    EXPECT_NE(std::wstring::npos, own.find(L"rd \"C:\\a b\""));
    const std::wstring kept =
        DelayedRemovalParameters(L"C:\\t\\x.lock", L"C:\\", DelayedRemoval::UninstallerOnly, true);
    EXPECT_EQ(std::wstring::npos, kept.find(L"rd "));
    EXPECT_NE(std::wstring::npos, kept.find(L"\"C:\\Uninstall.exe\""));
}

TEST(DelayedRemoval, TreeGoesOnlyAfterTheLockHolderLetsGo)
{
    ScratchDir scratch(L"delayed");
    const std::wstring dir = scratch / L"inst dir";
    ASSERT_TRUE(MakeDirs(dir + L"\\res\\image"));
    ASSERT_TRUE(WriteBytes(dir + L"\\res\\image\\a.png", "a"));
    ASSERT_TRUE(WriteBytes(dir + L"\\Uninstall.exe", "MZ"));

    auto lock = std::make_unique<ExitLock>();
    ASSERT_TRUE(lock->Acquire());
    ASSERT_TRUE(Exists(lock->Path()));
    const std::wstring lockPath = lock->Path();
    ASSERT_TRUE(StartDelayedRemoval(dir, DelayedRemoval::WholeTree));
    Sleep(4000);
    EXPECT_TRUE(Exists(dir + L"\\res\\image\\a.png")) << "removed while the lock was held";
    EXPECT_TRUE(Exists(lockPath));
    lock.reset();
    EXPECT_TRUE(WaitGone(dir, 20000));
    EXPECT_FALSE(Exists(lockPath));
}

TEST(DelayedRemoval, UninstallerOnlyKeepsOtherFilesAndTheFolder)
{
    ScratchDir scratch(L"delayed");
    const std::wstring dir = scratch / L"shared";
    ASSERT_TRUE(MakeDirs(dir));
    for (const wchar_t* name : {L"\\Uninstall.exe", L"\\Uninstall.DAT", L"\\DuiLibu.dll"})
        ASSERT_TRUE(WriteBytes(dir + name, "x"));
    ASSERT_TRUE(WriteBytes(dir + L"\\mine.txt", "mine"));
    {
        ExitLock lock;
        ASSERT_TRUE(lock.Acquire());
        ASSERT_TRUE(StartDelayedRemoval(dir, DelayedRemoval::UninstallerOnly));
    }
    EXPECT_TRUE(WaitGone(dir + L"\\DuiLibu.dll", 20000));
    Sleep(1000);
    EXPECT_FALSE(Exists(dir + L"\\Uninstall.exe"));
    EXPECT_FALSE(Exists(dir + L"\\Uninstall.DAT"));
    std::string bytes;
    EXPECT_TRUE(ReadBytes(dir + L"\\mine.txt", &bytes));
    EXPECT_EQ("mine", bytes);
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
    EXPECT_TRUE(WaitGone(dir, 20000));
}
