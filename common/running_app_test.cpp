// FindRunningApp against Wine's real process list, with the test helper
// copied under the application's file name and under near misses.
#include "running_app.h"

#include "test_support.h"

#include <gtest/gtest.h>

using testing_support::ChildProcess;
using testing_support::ModuleDir;
using testing_support::ScratchDir;
using testing_support::UniqueName;

namespace {

std::wstring Helper()
{
    return ModuleDir() + L"\\velt_test_helper.exe";
}

// Copies the helper to `folder\name` and starts it sleeping until the child is destroyed.
void StartAs(ChildProcess& child, const ScratchDir& dir, const std::wstring& relative)
{
    const std::wstring target = dir / relative;
    const size_t slash = target.find_last_of(L'\\');
    ASSERT_TRUE(testing_support::MakeDirs(target.substr(0, slash)));
    ASSERT_TRUE(CopyFileW(Helper().c_str(), target.c_str(), FALSE)) << GetLastError();
    const std::wstring event = UniqueName(L"ready");
    ASSERT_TRUE(child.Start(target, L"sleep 60000 " + event, event));
}

} // namespace

TEST(FindRunningApp, NothingRunningGivesZero)
{
    EXPECT_EQ(0u, FindRunningApp());
}

TEST(FindRunningApp, FindsTheApplicationStartedFromAnyFolder)
{
    ScratchDir dir(L"anywhere");
    ChildProcess app;
    StartAs(app, dir, L"some folder\\VELT电子日历.exe");
    EXPECT_EQ(app.Id(), FindRunningApp());
    app.Terminate();
    EXPECT_EQ(0u, FindRunningApp());
}

TEST(FindRunningApp, FindsAnyProgramInAFolderWhoseNameBeginsWithTheFileName)
{
    ScratchDir dir(L"prefix");
    ChildProcess other;
    StartAs(other, dir, L"VELT电子日历.exe.backup\\other.exe");
    EXPECT_EQ(other.Id(), FindRunningApp());
}

TEST(FindRunningApp, FindsAFileNameThatEndsWithTheApplicationsName)
{
    ScratchDir dir(L"suffix");
    ChildProcess other;
    StartAs(other, dir, L"OldVELT电子日历.exe");
    EXPECT_EQ(other.Id(), FindRunningApp());
}

TEST(FindRunningApp, LetterCaseDifferenceIsNotFound)
{
    ScratchDir dir(L"case");
    ChildProcess lower, upper;
    StartAs(lower, dir, L"a\\velt电子日历.exe");
    StartAs(upper, dir, L"b\\VELT电子日历.EXE");
    EXPECT_EQ(0u, FindRunningApp());
}
