// The checkpoint gate of the test programs of Setup and Uninstall (never of
// the shipped programs): lets a test hold a worker at a named checkpoint
// (worker_hooks.h), so that a click on the progress page lands in the step
// before it, whatever the step's length, or the removal's progress page is
// read before its first step; and notes when the extraction began and when
// its last entry was written, for the timing benchmark.
//
// Protocol: the test creates a file mapping named
// CheckpointGateName(<the program's process id>) holding one
// CheckpointGateBlock, and the manual-reset event CheckpointReleaseName(<pid>),
// before the worker starts (checkpoint_gate_driver.h does). The test
// programs register the gate as the checkpoints' observer: at every
// checkpoint it counts (reached = 1, 2, ...) and notes which it was; at the one the block names (holdAt, holdEntry for
// AfterEntry) it waits until the test sets the event (at most
// kCheckpointGateLimitMs, so that a test that died never leaves a program held
// for good), then the checkpoint goes on as usual. Without the mapping at the
// first checkpoint the gate is off for the whole run and costs nothing more.
#pragma once

#include "worker_hooks.h"

#include <windows.h>

#include <string>

struct CheckpointGateBlock {
    volatile LONG holdAt;      // written by the test: a Checkpoint to hold at, or -1 for none
    volatile LONG holdEntry;   // ... and for AfterEntry the entry's index
    volatile LONG reached;     // written by the program: how many checkpoints it has passed
    volatile LONG lastAt;      // written by the program: the last checkpoint reached, and its entry
    volatile LONG lastEntry;
    volatile LONG held;        // written by the program: 1 while it waits at holdAt
    // Written by the program (QueryPerformanceCounter): at BeforeExtraction, and at
    // the AfterEntry of every entry (so finally of the last one).
    volatile LONGLONG extractionStart;
    volatile LONGLONG lastEntryWritten;
};

inline constexpr DWORD kCheckpointGateLimitMs = 300000;

inline std::wstring CheckpointGateName(DWORD processId)
{
    return L"Local\\VeltCheckpointGate-" + std::to_wstring(processId);
}

inline std::wstring CheckpointReleaseName(DWORD processId)
{
    return L"Local\\VeltCheckpointRelease-" + std::to_wstring(processId);
}
