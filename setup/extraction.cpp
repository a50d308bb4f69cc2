#include "extraction.h"

#include "ZipArchive.h"
#include "install_journal.h"
#include "paths.h"
#include "product.h"
#include "registry_key.h"
#include "run_log.h"
#include "shortcut.h"

#include "folder_chain.h"
#include "no_follow.h"

#include <functional>

namespace {

const wchar_t kNewSuffix[] = L".~veltnew";

// Writes one file's bytes into an opened file.
using FileWriter = std::function<ZipResult(const OpenedItem&)>;

bool IsWriteFailure(ZipResult result)
{
    return result == kZipNoFile || result == kZipWriteFailed;
}

// An entry's data, then its attributes where they are more than "archive".
FileWriter EntryWriter(HZIPARCHIVE archive, int index, DWORD attributes)
{
    return [=](const OpenedItem& file) {
        const ZipResult result = ZipArchiveWriteItem(archive, index, file.Handle());
        if (result == kZipOk && (attributes & ~FILE_ATTRIBUTE_ARCHIVE) && !SetOpenedAttributes(file, attributes))
            return kZipWriteFailed;
        return result;
    };
}

FileWriter BytesWriter(const std::string& bytes)
{
    return [&bytes](const OpenedItem& file) {
        DWORD written = 0;
        return WriteFile(file.Handle(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size()
                   ? kZipOk
                   : kZipWriteFailed;
    };
}

// A repair's way into the recorded directory: opened from its parent and
// checked, every folder below it reached level by level (folder_chain.h).
struct RepairTarget {
    OpenedItem root;
    FolderChain chain{&root};
    bool Open(const std::wstring& dir) { return OpenWalkRoot(dir, &root) == OpenStatus::Opened; }
};

// One entry of a repair: written beside the old copy, then put in its place
// by handle, whatever marks the old copy carries. A link where the entry
// needs a folder or a file, or an old copy that cannot be replaced (in use):
// kZipWriteFailed, and the old copy stays as it was.
ZipResult RewriteEntry(RepairTarget& target, const std::wstring& name, bool folder, const FileWriter& write)
{
    std::wstring folderPart, leaf;
    SplitRelative(name, &folderPart, &leaf);
    std::vector<std::wstring> made;
    const OpenedItem* parent = nullptr;
    if (target.chain.Reach(folder ? (folderPart.empty() ? leaf : folderPart + L"\\" + leaf) : folderPart, &made,
                           &parent) != OpenStatus::Opened)
        return kZipWriteFailed;
    if (folder)
        return kZipOk;
    const std::wstring freshName = leaf + kNewSuffix;
    OpenedItem fresh;
    OpenStatus status = CreateFileBelow(*parent, freshName, GENERIC_WRITE, &fresh);
    if (status == OpenStatus::Failed) {
        // Left by an earlier repair that ended midway.
        OpenedItem left;
        if (OpenBelow(*parent, freshName, ItemKind::File, &left) == OpenStatus::Opened && DeleteOpened(&left))
            status = CreateFileBelow(*parent, freshName, GENERIC_WRITE, &fresh);
    }
    if (status != OpenStatus::Opened)
        return kZipWriteFailed;
    ZipResult result = write(fresh);
    // The old copy: only a plain file is replaced; its marks are cleared
    // first (a read-only file cannot be replaced) and given back on failure.
    OpenedItem old;
    DWORD oldAttributes = 0;
    const OpenStatus there = OpenBelow(*parent, leaf, ItemKind::File, &old);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (there == OpenStatus::Opened && GetFileInformationByHandle(old.Handle(), &info))
        oldAttributes = info.dwFileAttributes;
    const DWORD marks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (result == kZipOk && there != OpenStatus::Opened && there != OpenStatus::Missing)
        result = kZipWriteFailed;
    if (result == kZipOk && (oldAttributes & marks))
        SetOpenedAttributes(old, oldAttributes & ~marks);
    old.Close();
    if (result == kZipOk && !RenameOpened(&fresh, *parent, leaf, true)) {
        result = kZipWriteFailed;
        if ((oldAttributes & marks) && OpenBelow(*parent, leaf, ItemKind::File, &old) == OpenStatus::Opened)
            SetOpenedAttributes(old, oldAttributes);
    }
    if (result != kZipOk)
        DeleteOpened(&fresh);
    return result;
}

// One entry of an installation: the journal makes its folders and the file
// new, keeping aside by handle a file of that name that the installation did
// not write; nothing is written through a link.
ZipResult InstallEntry(InstallJournal& journal, const std::wstring& name, bool folder, const FileWriter& write)
{
    OpenedItem file;
    if (!journal.OpenEntry(name, &file))
        return kZipWriteFailed;
    return folder ? kZipOk : write(file);
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
    RepairTarget repair;
    if (journal ? !journal->OpenDirectory() : !repair.Open(job.dir))
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
        const FileWriter write = EntryWriter(archive.get(), i, item.attributes);
        const ZipResult result =
            journal ? InstallEntry(*journal, name, folder, write) : RewriteEntry(repair, name, folder, write);
        if (IsWriteFailure(result))
            return fail(WriteFailedText(name), ExtractionOutcome::WriteFailed);
        if (result != kZipOk)
            return fail(kMsgSetupDamaged, ExtractionOutcome::Damaged);
        job.manifest.AddArchiveEntry(name);
        if (!folder)
            LogLine(L"写入文件：" + name);
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
    const std::string manifest = SerializeInstallManifest(job.manifest);
    const ZipResult written = journal ? InstallEntry(*journal, kInstallManifestFileName, false, BytesWriter(manifest))
                                      : RewriteEntry(repair, kInstallManifestFileName, false, BytesWriter(manifest));
    if (written != kZipOk)
        return fail(WriteFailedText(kInstallManifestFileName), ExtractionOutcome::WriteFailed);
    LogLine(std::wstring(L"写入文件：") + kInstallManifestFileName);
    if (journal)
        journal->CloseDirectory();
    if (stop(Checkpoint::AfterManifest))
        return ExtractionOutcome::Cancelled;

    // The shortcuts, then the autostart value (no checkpoint between them).
    CreateProductShortcuts(job.allUsers, job.dir, job.desktopShortcut, job.quickLaunchShortcut, journal);
    CRegistryKey run;
    if (run.Open(RecordRoot(job.allUsers), kRunKeyForWriting, kFullAccess) != ERROR_SUCCESS)
        return fail(kMsgRunKeyMissing, ExtractionOutcome::RunKeyMissing);
    if (journal)
        journal->PrepareAutostart(RecordRoot(job.allUsers), run.Handle());
    if (run.WriteString(kAutostartValueName, AutostartCommand(job.dir).c_str()) != ERROR_SUCCESS) {
        hooks.ShowError(kMsgAutostartSetFailed);
    } else {
        LogLine(L"写入开机启动值：" + AutostartCommand(job.dir));
        if (journal)
            journal->AutostartWritten();
    }
    run.Close();

    if (stop(Checkpoint::AfterAutostart))
        return ExtractionOutcome::Cancelled;
    hooks.SetBarWidth(fullWidth);
    if (stop(Checkpoint::AtFinish))
        return ExtractionOutcome::Cancelled;
    return ExtractionOutcome::Completed;
}
