#include "install_worker.h"

#include "extraction.h"
#include "folder_acl.h"
#include "install_journal.h"
#include "install_record.h"
#include "payload_size.h"
#include "product.h"
#include "run_log.h"

#include <shlwapi.h>

InstallOutcome RunInstall(const InstallJob& job, WorkerHooks& hooks, InstallJournal& journal)
{
    // The install record, before anything else.
    if (WriteInstallRecord(job.allUsers, job.productKey, job.installDir, RecordWriter::Install,
                           PayloadSizeKb(job.payload, job.payloadSize)) == ERROR_SUCCESS) {
        journal.RecordWritten(RecordRoot(job.allUsers), job.productKey);
        LogLine(std::wstring(L"写入安装记录：") + (job.allUsers ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") +
                InstallRecordKeyPath(job.productKey));
    }
    if (hooks.PassCheckpoint(Checkpoint::AfterRecord, -1))
        return InstallOutcome::Cancelled;

    // The directory: an existing one is only noted. For all users, the
    // levels made here get the all-users list, and an existing one that
    // ordinary users can write (made since the location page looked) is
    // not used.
    const bool existed = PathFileExistsW(job.installDir.c_str()) != FALSE;
    AllUsersFolderSecurity security;
    if (journal.CreateInstallDirectory(job.installDir, job.allUsers ? security.Attributes() : nullptr) !=
            ERROR_SUCCESS &&
        !existed) {
        hooks.ShowError(kMsgBadInstallPath);
        return InstallOutcome::BadPath;
    }
    if (job.allUsers && !journal.CreatedDirectory() && FolderLetsOrdinaryUsersWrite(job.installDir)) {
        hooks.ShowError(kMsgUserWritableFolder);
        return InstallOutcome::BadPath;
    }
    if (hooks.PassCheckpoint(Checkpoint::AfterFolder, -1) || hooks.PassCheckpoint(Checkpoint::AfterFolderAgain, -1))
        return InstallOutcome::Cancelled;

    ExtractionJob extraction;
    extraction.dir = job.installDir;
    extraction.allUsers = job.allUsers;
    extraction.desktopShortcut = job.desktopShortcut;
    extraction.quickLaunchShortcut = job.quickLaunchShortcut;
    extraction.payload = job.payload;
    extraction.payloadSize = job.payloadSize;
    extraction.journal = &journal;
    extraction.manifest.directory = job.installDir;
    extraction.manifest.createdDirectory = journal.CreatedDirectory();
    extraction.manifest.createdParents = journal.CreatedParentCount();
    switch (ExtractPayload(extraction, hooks)) {
    case ExtractionOutcome::Completed:
        return InstallOutcome::Completed;
    case ExtractionOutcome::Cancelled:
        return InstallOutcome::Cancelled;
    case ExtractionOutcome::NoProgressBar:
        return InstallOutcome::NoProgressBar;
    case ExtractionOutcome::BadDirectory:
        hooks.ShowError(kMsgBadInstallPath);
        return InstallOutcome::BadPath;
    case ExtractionOutcome::Damaged:
        return InstallOutcome::Damaged;
    case ExtractionOutcome::WriteFailed:
        return InstallOutcome::WriteFailed;
    case ExtractionOutcome::RunKeyMissing:
        return InstallOutcome::RunKeyMissing;
    }
    return InstallOutcome::Damaged;
}
