// static_guard.cpp, the guards of function-local statics in the shipped PEs,
// linked into this test program in place of the runtime's: one thread
// initialises a static while another that wants it waits, and a third
// initialises another static meanwhile (no lock is held while a static is
// being initialised).
#include <windows.h>

#include <gtest/gtest.h>

#include "../tests/support/wait_until.h"

namespace {

HANDLE g_started;
HANDLE g_release;
LONG g_runs;

int SlowValue()
{
    InterlockedIncrement(&g_runs);
    SetEvent(g_started);
    WaitForSingleObject(g_release, INFINITE);
    return 42;
}

int Slow()
{
    static int value = SlowValue();
    return value;
}

int Quick()
{
    static int value = g_runs + 100;
    return value;
}

DWORD WINAPI CallSlow(void* out)
{
    *static_cast<int*>(out) = Slow();
    return 0;
}

DWORD WINAPI CallQuick(void* out)
{
    *static_cast<int*>(out) = Quick();
    return 0;
}

bool Ended(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

}  // namespace

TEST(StaticGuard, OneThreadInitialisesAStaticTheOthersWaitForIt)
{
    g_started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int first = 0, second = 0, quick = 0;
    HANDLE a = CreateThread(nullptr, 0, CallSlow, &first, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_started, 10000));
    HANDLE b = CreateThread(nullptr, 0, CallSlow, &second, 0, nullptr);
    HANDLE c = CreateThread(nullptr, 0, CallQuick, &quick, 0, nullptr);
    EXPECT_TRUE(testing_support::WaitUntil([&] { return Ended(c); }, 10000));
    EXPECT_EQ(101, quick);
    EXPECT_FALSE(testing_support::WaitUntil([&] { return Ended(b); }, 300));
    SetEvent(g_release);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(a, 10000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(b, 10000));
    EXPECT_EQ(42, first);
    EXPECT_EQ(42, second);
    EXPECT_EQ(1, g_runs);
    for (HANDLE h : {a, b, c, g_started, g_release})
        CloseHandle(h);
}
