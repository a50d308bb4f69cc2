#include "checkpoint_gate.h"

namespace {

// The mapping, looked for once: null when the gate is off.
CheckpointGateBlock* Block()
{
    static bool looked = false;
    static CheckpointGateBlock* block = nullptr;
    if (!looked) {
        looked = true;
        HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, CheckpointGateName(GetCurrentProcessId()).c_str());
        if (mapping) {
            // The view stays mapped until the process ends; the handle is not needed for it.
            block = static_cast<CheckpointGateBlock*>(
                MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(CheckpointGateBlock)));
            CloseHandle(mapping);
        }
    }
    return block;
}

} // namespace

void PassCheckpointGate()
{
    CheckpointGateBlock* block = Block();
    if (!block)
        return;
    const LONG reached = InterlockedIncrement(&block->reached);
    if (reached != InterlockedCompareExchange(&block->holdAt, 0, 0))
        return;
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, CheckpointReleaseName(GetCurrentProcessId()).c_str());
    if (!release)
        return;
    InterlockedExchange(&block->held, 1);
    WaitForSingleObject(release, kCheckpointGateLimitMs);
    CloseHandle(release);
    InterlockedExchange(&block->held, 0);
}
