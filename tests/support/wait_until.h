// WaitUntil: the one way the tests wait for something another process or
// thread does. It polls a condition until it holds or a deadline passes, so
// that a test never sleeps a fixed time before it asserts.
//
// Also for "this must not happen": EXPECT_FALSE(WaitUntil(happened, ms)) waits
// the whole deadline, and fails as soon as it happens.
#pragma once

#include <windows.h>

namespace testing_support {

// Calls condition() at once and then every pollMs milliseconds until it
// returns true (then returns true) or deadlineMs milliseconds have passed
// (then returns its last answer, asked once more at the deadline). The
// calling thread sleeps in between: it must not own windows that need
// dispatching meanwhile.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD deadlineMs, DWORD pollMs = 20)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= deadlineMs)
            return condition();
        const DWORD left = deadlineMs - elapsed;
        Sleep(left < pollMs ? left : pollMs);
    }
}

} // namespace testing_support
