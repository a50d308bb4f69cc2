// Message pumps for code whose windows live on its own thread (the tests,
// the screenshot tool): the counterpart of a wait with a deadline for a
// thread that must keep dispatching while it waits. PumpPending handles what
// is queued now, PumpUntil waits for a condition with a deadline. Header
// only, part of velt_input.
//
// A PreTranslate function (the window library's CPaintManagerUI::
// TranslateMessage, say) sees every message first and swallows it by
// returning true, as the programs' own message loop does.
#pragma once

#include <windows.h>

namespace skinshot {

using PreTranslate = bool (*)(const LPMSG);

// Dispatches every message this thread has queued, and those the handlers
// queue meanwhile (posted messages, paints of invalid windows, timers due);
// returns when the queue is empty, without waiting.
inline void PumpPending(PreTranslate preTranslate = nullptr)
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (preTranslate && preTranslate(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Dispatches messages, waiting for new ones in between, until done() holds
// (then true) or deadlineMs milliseconds have passed (then done()'s answer at
// the deadline).
template <typename Done>
bool PumpUntil(Done done, DWORD deadlineMs, PreTranslate preTranslate = nullptr)
{
    const DWORD start = GetTickCount();
    for (;;) {
        PumpPending(preTranslate);
        if (done())
            return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= deadlineMs)
            return done();
        // Woken by any new message; conditions that change without one (a
        // worker's state) are asked again at least every 10 ms.
        const DWORD left = deadlineMs - elapsed;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 10 ? left : 10, QS_ALLINPUT);
    }
}

} // namespace skinshot
