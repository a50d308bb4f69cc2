#include "extraction.h"

#include "ZipArchive.h"
#include "install_journal.h"
#include "paths.h"
#include "product.h"
#include "registry_key.h"
#include "shortcut.h"

#include <shlwapi.h>

namespace {

const wchar_t kNewSuffix[] = L".~veltnew";

// Puts the freshly written `fresh` in the place of `target`, whatever marks
// the old copy carries. False when the old copy cannot be replaced (in use).
bool Replace(const std::wstring& fresh, const std::wstring& target)
{
    const DWORD attrs = GetFileAttributesW(target.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (attrs != INVALID_FILE_ATTRIBUTES &&
        (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    if (attrs != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(target.c_str(), attrs);
    return false;
}

void DeleteQuietly(const std::wstring& path)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

bool IsWriteFailure(ZipResult result)
{
    return result == kZipNoFile || result == kZipWriteFailed;
}

// One entry of a repair: written beside the old copy, then put in its place.
// kZipWriteFailed when the old copy could not be replaced.
ZipResult RewriteEntry(HZIPARCHIVE archive, int index, const std::wstring& dir, const std::wstring& name, bool folder)
{
    if (folder) {
        const ZipResult result = ZipArchiveExtractItem(archive, index, name.c_str());
        return result == kZipOk && !PathIsDirectoryW(JoinPath(dir, name).c_str()) ? kZipWriteFailed : result;
    }
    const std::wstring freshName = name + kNewSuffix;
    const std::wstring fresh = JoinPath(dir, freshName);
    const ZipResult result = ZipArchiveExtractItem(archive, index, freshName.c_str());
    if (result == kZipOk && Replace(fresh, JoinPath(dir, name)))
        return kZipOk;
    DeleteQuietly(fresh);
    return result == kZipOk ? kZipWriteFailed : result;
}

// One entry of an installation: a file of that name that the installation did
// not write is kept aside first; what was written (also partly) is noted.
// Most files go into a folder that exists under a name that is free: such a
// file is made without looking first (the journal would find nothing to note
// or keep aside), and only when it cannot be made so does the journal look.
ZipResult InstallEntry(HZIPARCHIVE archive, int index, const std::wstring& name, bool folder,
                       InstallJournal& journal)
{
    if (!folder) {
        const ZipResult result = ZipArchiveExtractNewFile(archive, index, name.c_str());
        if (result != kZipNotNew) {
            journal.FileWritten(name);
            return result;
        }
    }
    if (!journal.PrepareEntry(name))
        return kZipWriteFailed;
    const ZipResult result = ZipArchiveExtractItem(archive, index, name.c_str());
    if (!folder && result != kZipNoFile)
        journal.FileWritten(name);
    return result;
}

} // namespace

std::wstring WriteFailedText(std::wstring name)
{
    while (!name.empty() && (name.back() == L'/' || name.back() == L'\\'))
        name.pop_back();
    WCHAR text[MAX_PATH + 64];
    wsprintfW(text, kMsgWriteFailedFormat, name.c_str());
    return text;
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

ExtractionOutcome ExtractPayload(ExtractionJob& job, WorkerHooks& hooks)
{
    InstallJournal* journal = job.journal;
    auto stop = [&](Checkpoint at, int entry = -1) { return journal && hooks.PassCheckpoint(at, entry); };
    auto fail = [&](const std::wstring& text, ExtractionOutcome outcome) {
        hooks.ShowError(text);
        return outcome;
    };

    const int fullWidth = hooks.BarMaxWidth();
    if (fullWidth < 0)
        return ExtractionOutcome::NoProgressBar;
    if (!job.payload)
        return fail(kMsgSetupDamaged, ExtractionOutcome::Damaged);
    const ZipArchivePtr archive(ZipArchiveOpen(job.payload, job.payloadSize));
    if (!archive)
        return fail(kMsgSetupDamaged, ExtractionOutcome::Damaged);
    if (stop(Checkpoint::BeforeExtraction))
        return ExtractionOutcome::Cancelled;
    if (ZipArchiveSetBaseDir(archive.get(), job.dir.c_str()) != kZipOk)
        return ExtractionOutcome::BadDirectory;
    ZipItem item = {};
    if (ZipArchiveGetItem(archive.get(), -1, &item) != kZipOk || item.index <= 0)
        return fail(kMsgSetupDamaged, ExtractionOutcome::Damaged);

    const int count = item.index;
    int shown = -1;  // the bar's width as last set here
    for (int i = 0; i < count; ++i) {
        if (ZipArchiveGetItem(archive.get(), i, &item) != kZipOk)
            return fail(kMsgSetupDamaged, ExtractionOutcome::Damaged);
        const std::wstring name = item.name;
        const bool folder = (item.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const ZipResult result = journal ? InstallEntry(archive.get(), i, name, folder, *journal)
                                         : RewriteEntry(archive.get(), i, job.dir, name, folder);
        if (IsWriteFailure(result))
            return fail(WriteFailedText(name), ExtractionOutcome::WriteFailed);
        if (result != kZipOk)
            return fail(kMsgSetupDamaged, ExtractionOutcome::Damaged);
        job.manifest.AddArchiveEntry(name);
        // Entries that leave the bar where it is do not set it again: each
        // setting costs the interface thread a repaint.
        const int width = ExtractionBarWidth(i, count, fullWidth);
        if (width != shown) {
            shown = width;
            hooks.SetBarWidth(width);
        }
        if (stop(Checkpoint::AfterEntry, i))
            return ExtractionOutcome::Cancelled;
    }

    // What this installation wrote, for its removal later.
    job.manifest.AddFile(kInstallManifestFileName);
    if (journal && !journal->PrepareEntry(kInstallManifestFileName))
        return fail(WriteFailedText(kInstallManifestFileName), ExtractionOutcome::WriteFailed);
    const DWORD written = WriteInstallManifest(job.dir, job.manifest);
    if (journal)
        journal->FileWritten(kInstallManifestFileName);
    if (written != ERROR_SUCCESS)
        return fail(WriteFailedText(kInstallManifestFileName), ExtractionOutcome::WriteFailed);
    if (stop(Checkpoint::AfterManifest))
        return ExtractionOutcome::Cancelled;

    // The shortcuts, then the autostart value (no checkpoint between them).
    CreateProductShortcuts(job.allUsers, job.dir, job.desktopShortcut, job.quickLaunchShortcut, journal);
    CRegistryKey run;
    if (run.Open(RecordRoot(job.allUsers), kRunKeyForWriting, kFullAccess) != ERROR_SUCCESS)
        return fail(kMsgRunKeyMissing, ExtractionOutcome::RunKeyMissing);
    if (journal)
        journal->PrepareAutostart(RecordRoot(job.allUsers), run.Handle());
    if (run.WriteString(kAutostartValueName, AutostartCommand(job.dir).c_str()) != ERROR_SUCCESS)
        hooks.ShowError(kMsgAutostartSetFailed);
    else if (journal)
        journal->AutostartWritten();
    run.Close();

    if (stop(Checkpoint::AfterAutostart))
        return ExtractionOutcome::Cancelled;
    hooks.SetBarWidth(fullWidth);
    if (stop(Checkpoint::AtFinish))
        return ExtractionOutcome::Cancelled;
    return ExtractionOutcome::Completed;
}
