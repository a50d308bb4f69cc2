// The checkpoint gate of Setup's test programs (never of the shipped Setup):
// lets a test hold the install worker at the k-th checkpoint it reaches, so
// that a click on the progress page lands in the step before that
// checkpoint, whatever the step's length.
//
// Protocol: the test creates a file mapping named
// CheckpointGateName(<Setup's process id>) holding one CheckpointGateBlock
// before the installation starts. At every checkpoint the worker counts
// (reached = 1, 2, ...); when reached equals holdAt it waits until the
// test sets the manual-reset event CheckpointReleaseName(<Setup's process
// id>), which the test creates with the mapping (at most
// kCheckpointGateLimitMs, so that a test that died never leaves Setup held for
// good), then goes on with the checkpoint as usual. Without the mapping at the first checkpoint the gate
// is off for the whole run and costs nothing more.
#pragma once

#include <windows.h>

#include <string>

struct CheckpointGateBlock {
    volatile LONG holdAt;    // written by the test: the checkpoint to hold at (1-based), 0 for none
    volatile LONG reached;   // written by Setup: the last checkpoint reached
    volatile LONG held;      // written by Setup: 1 while it waits at holdAt
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

// Called by the worker at the start of every checkpoint; returns once the
// gate lets it pass.
void PassCheckpointGate();
