#include "repair_worker.h"

#include "extraction.h"
#include "install_manifest.h"
#include "install_record.h"
#include "paths.h"
#include "payload_size.h"
#include "product.h"
#include "protected_path.h"
#include "registry_key.h"
#include "run_log.h"

RepairResult RunRepair(const RepairJob& job, WorkerHooks& hooks)
{
    RepairResult result;
    WCHAR location[MAX_PATH + 1] = {};
    {
        CRegistryKey key;
        if (key.Open(RecordRoot(job.allUsers), InstallRecordKeyPath(job.productKey).c_str(), kFullAccess) !=
            ERROR_SUCCESS) {
            hooks.ShowError(kMsgNotInstalled);
            return result;
        }
        ReadTrustedInstallLocation(key, RecordRoot(job.allUsers), location);
    }
    result.installDir = location;
    // Without a full path there is nothing to repair: writing the record
    // with empty paths and extracting into the current drive's root would
    // only do harm. Nor is a protected folder (a drive's root, the Windows
    // folder, Program Files, a shell folder: protected_path.h) ever an
    // installation, whatever a stale or forged record says; the removal
    // refuses it the same way.
    if (IsProtectedPath(location)) {
        hooks.ShowError(kMsgNotInstalled);
        return result;
    }
    const std::wstring dir = location;
    if (WriteInstallRecord(job.allUsers, job.productKey, dir, RecordWriter::Repair,
                           PayloadSizeKb(job.payload, job.payloadSize)) == ERROR_SUCCESS)
        LogLine(L"重写安装记录：" + dir);

    ExtractionJob extraction;
    extraction.dir = dir;
    extraction.allUsers = job.allUsers;
    extraction.payload = job.payload;
    extraction.payloadSize = job.payloadSize;
    InstallManifest earlier;
    const bool created = ReadInstallManifest(dir, &earlier) == ERROR_SUCCESS && earlier.createdDirectory &&
                         SamePath(earlier.directory, dir);
    extraction.manifest.directory = dir;
    extraction.manifest.createdDirectory = created;
    extraction.manifest.createdParents = created ? earlier.createdParents : 0;
    switch (ExtractPayload(extraction, hooks)) {
    case ExtractionOutcome::Completed:
        result.outcome = RepairOutcome::Completed;
        break;
    case ExtractionOutcome::NoProgressBar:
        result.outcome = RepairOutcome::NoProgressBar;
        break;
    case ExtractionOutcome::BadDirectory:
        hooks.ShowError(WriteFailedText(dir));
        result.outcome = RepairOutcome::WriteFailed;
        break;
    case ExtractionOutcome::WriteFailed:
        result.outcome = RepairOutcome::WriteFailed;
        break;
    case ExtractionOutcome::RunKeyMissing:
        result.outcome = RepairOutcome::RunKeyMissing;
        break;
    case ExtractionOutcome::Cancelled:
    case ExtractionOutcome::Damaged:
        result.outcome = RepairOutcome::Damaged;
        break;
    }
    return result;
}
