#include "raised_priority.h"

namespace {

// The priority classes from lowest to highest; -1 for an unknown value.
int ClassRank(DWORD priorityClass)
{
    const DWORD order[] = {IDLE_PRIORITY_CLASS,         BELOW_NORMAL_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS,
                           ABOVE_NORMAL_PRIORITY_CLASS, HIGH_PRIORITY_CLASS,         REALTIME_PRIORITY_CLASS};
    for (int i = 0; i < static_cast<int>(sizeof order / sizeof order[0]); ++i) {
        if (order[i] == priorityClass)
            return i;
    }
    return -1;
}

} // namespace

RaisedPriority::RaisedPriority()
{
    const DWORD current = GetPriorityClass(GetCurrentProcess());
    if (current && ClassRank(current) < ClassRank(ABOVE_NORMAL_PRIORITY_CLASS) &&
        SetPriorityClass(GetCurrentProcess(), ABOVE_NORMAL_PRIORITY_CLASS))
        m_previousClass = current;
    const int thread = GetThreadPriority(GetCurrentThread());
    if (thread != THREAD_PRIORITY_ERROR_RETURN && thread < THREAD_PRIORITY_ABOVE_NORMAL &&
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL))
        m_previousThread = thread;
}

RaisedPriority::~RaisedPriority()
{
    if (m_previousThread != THREAD_PRIORITY_ERROR_RETURN)
        SetThreadPriority(GetCurrentThread(), m_previousThread);
    if (m_previousClass)
        SetPriorityClass(GetCurrentProcess(), m_previousClass);
}
