// The table of the fault suite: every case with its family, its name, its
// deadline, whether the quick subset (the test command's) runs it, and the
// function that sets it up, drives the programs through their windows, says
// what it allows to change and ends with CaseRun::Finish.
//
// Families: "cancel" (every checkpoint of the installation, held there by
// the test programs' checkpoint gate, and clicks timed against the real
// extraction), "disk" (a full drive), "locked" (read-only, hidden and system
// files, files in use, a running calendar, a read-only drive, registry keys
// that cannot be opened for writing), "skin" (damaged skin archives of both
// programs), "quit" (every way out during every worker), "record" (hostile
// install records and install manifests).
#pragma once

#include "fault_support.h"

#include <functional>
#include <string>
#include <vector>

namespace faults {

struct FaultCase {
    std::wstring family;
    std::wstring name;
    bool quick;
    DWORD deadlineMs;
    std::function<void(CaseRun&)> run;
};

void AddCancelCases(std::vector<FaultCase>* cases);
void AddDiskAndLockedCases(std::vector<FaultCase>* cases);
void AddQuitCases(std::vector<FaultCase>* cases);
void AddRecordCases(std::vector<FaultCase>* cases);
void AddSkinCases(std::vector<FaultCase>* cases);

} // namespace faults
