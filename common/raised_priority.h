// RaisedPriority: a step that deletes many files runs a little ahead of the
// rest of the machine, and only for the time of the step.
//
// While the object lives, the process's priority class is at least
// ABOVE_NORMAL_PRIORITY_CLASS and the calling thread's priority at least
// THREAD_PRIORITY_ABOVE_NORMAL: a lower one is raised to exactly that, a
// higher one (the user's choice) is left as it is; nothing is ever raised
// beyond. The destructor gives back the class and the thread priority found
// at construction, each only where this object changed it, so that nested
// objects restore in order. The object belongs to the thread that made it
// (destroy it there); only one such step runs in a process at a time. Failures
// of the system calls are ignored: the step runs at whatever priority it has.
#pragma once

#include <windows.h>

class RaisedPriority {
public:
    RaisedPriority();
    ~RaisedPriority();
    RaisedPriority(const RaisedPriority&) = delete;
    RaisedPriority& operator=(const RaisedPriority&) = delete;

private:
    DWORD m_previousClass = 0;  // 0: the class was not changed
    int m_previousThread = THREAD_PRIORITY_ERROR_RETURN;  // likewise for the thread
};
