#include "checkpoint_gate.h"

namespace {

class Gate : public CheckpointObserver {
public:
    Gate() { SetCheckpointObserver(this); }

    void Reached(Checkpoint at, int entry) override
    {
        CheckpointGateBlock* block = Block();
        if (!block)
            return;
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        if (at == Checkpoint::BeforeExtraction)
            __atomic_store_n(&block->extractionStart, now.QuadPart, __ATOMIC_SEQ_CST);
        else if (at == Checkpoint::AfterEntry)
            __atomic_store_n(&block->lastEntryWritten, now.QuadPart, __ATOMIC_SEQ_CST);
        InterlockedExchange(&block->lastAt, static_cast<LONG>(at));
        InterlockedExchange(&block->lastEntry, entry);
        InterlockedIncrement(&block->reached);
        if (InterlockedCompareExchange(&block->holdAt, 0, 0) != static_cast<LONG>(at) ||
            (at == Checkpoint::AfterEntry && InterlockedCompareExchange(&block->holdEntry, 0, 0) != entry))
            return;
        HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, CheckpointReleaseName(GetCurrentProcessId()).c_str());
        if (!release)
            return;
        InterlockedExchange(&block->held, 1);
        WaitForSingleObject(release, kCheckpointGateLimitMs);
        CloseHandle(release);
        InterlockedExchange(&block->held, 0);
    }

private:
    // The mapping, looked for once: null when the gate is off.
    CheckpointGateBlock* Block()
    {
        if (!m_looked) {
            m_looked = true;
            HANDLE mapping =
                OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, CheckpointGateName(GetCurrentProcessId()).c_str());
            if (mapping) {
                // The view stays mapped until the process ends; the handle is not needed for it.
                m_block = static_cast<CheckpointGateBlock*>(
                    MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(CheckpointGateBlock)));
                CloseHandle(mapping);
            }
        }
        return m_block;
    }

    bool m_looked = false;
    CheckpointGateBlock* m_block = nullptr;
};

// Registers itself before WinMain runs.
Gate g_gate;

} // namespace
