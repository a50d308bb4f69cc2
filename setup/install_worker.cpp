#include "install_worker.h"

#include "ZipArchive.h"
#include "install_journal.h"
#include "install_manifest.h"
#include "product.h"
#include "registry_key.h"
#include "shortcut.h"

#include <shlwapi.h>

#include <vector>

namespace {

std::wstring WriteFailedText(const std::wstring& entry)
{
    std::wstring name = entry;
    while (!name.empty() && (name.back() == L'/' || name.back() == L'\\'))
        name.pop_back();
    WCHAR text[MAX_PATH + 64];
    wsprintfW(text, kMsgWriteFailedFormat, name.c_str());
    return text;
}

} // namespace

int UsableBarWidth(int maxWidth, int fallback)
{
    if (maxWidth <= 0 || maxWidth >= 9999)
        return fallback;
    return maxWidth;
}

int ExtractionBarWidth(int i, int n, int fullWidth)
{
    if (fullWidth < 1)
        return 1;
    const int span = fullWidth > 100 ? fullWidth - 100 : fullWidth;
    long long width = n < 2 ? span : static_cast<long long>(i) * span / (n - 1);
    if (width < 1)
        width = 1;
    if (width > fullWidth)
        width = fullWidth;
    return static_cast<int>(width);
}

InstallOutcome RunInstall(const InstallJob& job, InstallHooks& hooks, InstallJournal& journal)
{
    // 1. The install record, before anything else.
    if (WriteInstallRecord(job.allUsers, job.productKey, job.installDir, RecordWriter::Install) == ERROR_SUCCESS)
        journal.RecordWritten(RecordRoot(job.allUsers), job.productKey);
    if (hooks.Checkpoint())
        return InstallOutcome::Cancelled;

    // 2. The directory.
    if (!PathFileExistsW(job.installDir.c_str())) {
        if (journal.CreateInstallDirectory(job.installDir) != ERROR_SUCCESS) {
            hooks.ShowError(kMsgBadInstallPath);
            return InstallOutcome::BadPath;
        }
    } else {
        journal.CreateInstallDirectory(job.installDir);  // notes the directory only
    }
    if (hooks.Checkpoint() || hooks.Checkpoint())
        return InstallOutcome::Cancelled;

    const int fullWidth = hooks.BarMaxWidth();
    if (fullWidth < 0)
        return InstallOutcome::NoProgressBar;
    if (!job.payload) {
        hooks.ShowError(kMsgSetupDamaged);
        return InstallOutcome::Damaged;
    }
    const ZipArchivePtr archive(ZipArchiveOpen(job.payload, job.payloadSize));
    if (!archive) {
        hooks.ShowError(kMsgSetupDamaged);
        return InstallOutcome::Damaged;
    }
    if (hooks.Checkpoint())
        return InstallOutcome::Cancelled;

    // 3. The payload, entry by entry.
    if (ZipArchiveSetBaseDir(archive.get(), job.installDir.c_str()) != kZipOk) {
        hooks.ShowError(kMsgBadInstallPath);
        return InstallOutcome::BadPath;
    }
    ZipItem item = {};
    if (ZipArchiveGetItem(archive.get(), -1, &item) != kZipOk || item.index <= 0) {
        hooks.ShowError(kMsgSetupDamaged);
        return InstallOutcome::Damaged;
    }
    const int count = item.index;
    InstallManifest manifest;
    manifest.directory = job.installDir;
    for (int i = 0; i < count; ++i) {
        if (ZipArchiveGetItem(archive.get(), i, &item) != kZipOk) {
            hooks.ShowError(kMsgSetupDamaged);
            return InstallOutcome::Damaged;
        }
        const bool folder = (item.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!journal.PrepareEntry(item.name)) {
            hooks.ShowError(WriteFailedText(item.name));
            return InstallOutcome::WriteFailed;
        }
        const ZipResult result = ZipArchiveExtractItem(archive.get(), i, item.name);
        if (!folder && result != kZipNoFile)
            journal.FileWritten(item.name);  // also a partly written file is ours
        if (result == kZipNoFile || result == kZipWriteFailed) {
            hooks.ShowError(WriteFailedText(item.name));
            return InstallOutcome::WriteFailed;
        }
        if (result != kZipOk) {
            hooks.ShowError(kMsgSetupDamaged);
            return InstallOutcome::Damaged;
        }
        manifest.AddArchiveEntry(item.name);
        hooks.SetBarWidth(ExtractionBarWidth(i, count, fullWidth));
        if (hooks.Checkpoint())
            return InstallOutcome::Cancelled;
    }

    // What this installation wrote, for its removal later.
    manifest.createdDirectory = journal.CreatedDirectory();
    manifest.createdParents = journal.CreatedParentCount();
    manifest.AddFile(kInstallManifestFileName);
    if (!journal.PrepareEntry(kInstallManifestFileName)) {
        hooks.ShowError(WriteFailedText(kInstallManifestFileName));
        return InstallOutcome::WriteFailed;
    }
    const DWORD written = WriteInstallManifest(job.installDir, manifest);
    journal.FileWritten(kInstallManifestFileName);
    if (written != ERROR_SUCCESS) {
        hooks.ShowError(WriteFailedText(kInstallManifestFileName));
        return InstallOutcome::WriteFailed;
    }
    if (hooks.Checkpoint())
        return InstallOutcome::Cancelled;

    // 4. Shortcuts, then 5. the autostart value (no checkpoint between them).
    CreateProductShortcuts(job.allUsers, job.installDir, job.desktopShortcut, job.quickLaunchShortcut, &journal);
    CRegistryKey run;
    if (run.Open(RecordRoot(job.allUsers), kRunKeyForWriting, kFullAccess) != ERROR_SUCCESS) {
        hooks.ShowError(kMsgRunKeyMissing);
        return InstallOutcome::RunKeyMissing;
    }
    journal.PrepareAutostart(RecordRoot(job.allUsers), run.Handle());
    if (run.WriteString(kAutostartValueName, AutostartCommand(job.installDir).c_str()) == ERROR_SUCCESS)
        journal.AutostartWritten();
    else
        hooks.ShowError(kMsgAutostartSetFailed);
    run.Close();

    if (hooks.Checkpoint())
        return InstallOutcome::Cancelled;
    hooks.SetBarWidth(fullWidth);
    return InstallOutcome::Completed;
}
