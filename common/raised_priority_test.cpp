// RaisedPriority on this process and the test's own thread: the class and
// the thread priority while the object lives (raised to above normal from
// below, a higher one left alone) and after it (what was found), nested
// objects included.
#include "raised_priority.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using Priorities = std::pair<DWORD, int>;  // process class, thread priority

Priorities Now()
{
    return {GetPriorityClass(GetCurrentProcess()), GetThreadPriority(GetCurrentThread())};
}

void Set(const Priorities& p)
{
    SetPriorityClass(GetCurrentProcess(), p.first);
    SetThreadPriority(GetCurrentThread(), p.second);
}

const Priorities kAbove = {ABOVE_NORMAL_PRIORITY_CLASS, THREAD_PRIORITY_ABOVE_NORMAL};
const Priorities kHigh = {HIGH_PRIORITY_CLASS, THREAD_PRIORITY_HIGHEST};

} // namespace

TEST(RaisedPriority, RaisesForItsLifeAndGivesBackWhatItFound)
{
    const Priorities original = Now();
    const struct {
        const char* name;
        Priorities start, during;
    } cases[] = {
        {"normal", {NORMAL_PRIORITY_CLASS, THREAD_PRIORITY_NORMAL}, kAbove},
        {"below normal", {BELOW_NORMAL_PRIORITY_CLASS, THREAD_PRIORITY_LOWEST}, kAbove},
        {"idle", {IDLE_PRIORITY_CLASS, THREAD_PRIORITY_IDLE}, kAbove},
        {"above normal", kAbove, kAbove},
        {"high, left alone", kHigh, kHigh},
        {"high class, low thread", {HIGH_PRIORITY_CLASS, THREAD_PRIORITY_BELOW_NORMAL},
         {HIGH_PRIORITY_CLASS, THREAD_PRIORITY_ABOVE_NORMAL}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Set(c.start);
        ASSERT_EQ(Now(), c.start) << "the system did not take the starting priorities";
        {
            RaisedPriority outer;
            EXPECT_EQ(Now(), c.during);
            {
                RaisedPriority inner;
                EXPECT_EQ(Now(), c.during);
            }
            EXPECT_EQ(Now(), c.during) << "the inner object gave back what the outer one set";
        }
        EXPECT_EQ(Now(), c.start);
    }
    Set(original);
}
