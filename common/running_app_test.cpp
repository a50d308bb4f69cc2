// FindRunningApp against Wine's real process list, with the test helper
// copied under the application's file name and under near misses.
#include "running_app.h"

#include "test_support.h"

#include <gtest/gtest.h>

using testing_support::ChildProcess;
using testing_support::ScratchDir;

TEST(FindRunningApp, FindsTheApplicationByItsFileNameOrFolderAndNotInAnotherCase)
{
    EXPECT_EQ(0u, FindRunningApp()) << "nothing running";
    struct Case {
        const wchar_t* relative;  // below a scratch folder
        bool found;
    };
    for (const Case& c : {Case{L"some folder\\VELT电子日历.exe", true},
                          // Any program in a folder whose name begins with the file name.
                          Case{L"VELT电子日历.exe.backup\\other.exe", true},
                          // A file name that ends with the application's name.
                          Case{L"OldVELT电子日历.exe", true},
                          // Another letter case is not found.
                          Case{L"a\\velt电子日历.exe", false}, Case{L"b\\VELT电子日历.EXE", false}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.relative)));
        ScratchDir dir(L"running");
        ChildProcess app;
        ASSERT_TRUE(app.StartSleeper(dir / c.relative));
        EXPECT_EQ(c.found ? app.Id() : 0u, FindRunningApp());
        app.Terminate();
        EXPECT_EQ(0u, FindRunningApp());
    }
}
