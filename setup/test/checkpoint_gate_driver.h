// The test's side of the checkpoint gate (checkpoint_gate.h) of a test
// program: made for the program's process before its worker reaches its
// first checkpoint, it arms the gate to hold the worker at `holdAt` (for
// AfterEntry at entry `holdEntry`; -1: nowhere) until Release or its own end,
// and tells where the worker is. Owns the mapping, its view and the release
// event; Armed is false when one of them could not be made, and then nothing
// else may be asked.
#pragma once

#include "checkpoint_gate.h"
#include "file_handle.h"
#include "wait_until.h"

#include <windows.h>

class CheckpointGateDriver {
public:
    CheckpointGateDriver(DWORD pid, LONG holdAt, int holdEntry = -1)
        : m_mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(CheckpointGateBlock),
                                       CheckpointGateName(pid).c_str())),
          m_release(CreateEventW(nullptr, TRUE, FALSE, CheckpointReleaseName(pid).c_str())),
          m_block(m_mapping.Valid() ? static_cast<CheckpointGateBlock*>(
                                          MapViewOfFile(m_mapping.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0))
                                    : nullptr)
    {
        if (m_block) {
            m_block->holdEntry = holdEntry;
            InterlockedExchange(&m_block->holdAt, holdAt);
        }
    }
    ~CheckpointGateDriver()
    {
        Release();
        if (m_block)
            UnmapViewOfFile(m_block);
    }
    CheckpointGateDriver(const CheckpointGateDriver&) = delete;
    CheckpointGateDriver& operator=(const CheckpointGateDriver&) = delete;

    bool Armed() const { return m_block && m_release.Valid(); }
    // The worker waits at holdAt within ms.
    bool WaitHeld(DWORD ms) const
    {
        return testing_support::WaitUntil([&] { return Read(&m_block->held) != 0; }, ms, 5);
    }
    void Release() const
    {
        if (m_release.Valid())
            SetEvent(m_release.Get());
    }
    int Reached() const { return Read(&m_block->reached); }
    Checkpoint LastAt() const { return static_cast<Checkpoint>(Read(&m_block->lastAt)); }
    int LastEntry() const { return Read(&m_block->lastEntry); }
    // The worker's clock (QueryPerformanceCounter) at BeforeExtraction and
    // at the last entry written; 0 where it has not noted one.
    LONGLONG ExtractionStart() const { return __atomic_load_n(&m_block->extractionStart, __ATOMIC_SEQ_CST); }
    LONGLONG LastEntryWritten() const { return __atomic_load_n(&m_block->lastEntryWritten, __ATOMIC_SEQ_CST); }

private:
    static LONG Read(volatile LONG* value) { return InterlockedCompareExchange(value, 0, 0); }
    FileHandle m_mapping;
    FileHandle m_release;
    CheckpointGateBlock* m_block;
};
