#include "repair_worker.h"

#include "ZipArchive.h"
#include "install_manifest.h"
#include "product.h"
#include "protected_path.h"
#include "registry_key.h"
#include "shortcut.h"

#include <shlwapi.h>

namespace {

const wchar_t kNewSuffix[] = L".~veltnew";

std::wstring Join(const std::wstring& directory, const std::wstring& relative)
{
    std::wstring path = directory;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    for (wchar_t c : relative)
        path += c == L'/' ? L'\\' : c;
    return path;
}

std::wstring WriteFailedText(std::wstring name)
{
    while (!name.empty() && (name.back() == L'/' || name.back() == L'\\'))
        name.pop_back();
    WCHAR text[MAX_PATH + 64];
    wsprintfW(text, kMsgWriteFailedFormat, name.c_str());
    return text;
}

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

} // namespace

RepairOutcome RunRepair(const RepairJob& job, InstallHooks& hooks, std::wstring* installDir)
{
    installDir->clear();
    WCHAR location[MAX_PATH + 1] = {};
    {
        CRegistryKey key;
        if (key.Open(RecordRoot(job.allUsers), InstallRecordKeyPath(job.productKey).c_str(), kFullAccess) !=
            ERROR_SUCCESS) {
            hooks.ShowError(kMsgNotInstalled);
            return RepairOutcome::NotInstalled;
        }
        ULONG bytes = MAX_PATH * sizeof(WCHAR);
        key.ReadString(kValueInstallLocation, location, &bytes);
    }
    *installDir = location;
    // Without a full path there is nothing to repair: writing the record
    // with empty paths and extracting into the current drive's root would
    // only do harm.
    if (!location[0] || NormalisePath(location).empty()) {
        hooks.ShowError(kMsgNotInstalled);
        return RepairOutcome::NotInstalled;
    }
    const std::wstring dir = location;
    WriteInstallRecord(job.allUsers, job.productKey, dir, RecordWriter::Repair);

    const int fullWidth = hooks.BarMaxWidth();
    if (fullWidth < 0)
        return RepairOutcome::NoProgressBar;
    if (!job.payload) {
        hooks.ShowError(kMsgSetupDamaged);
        return RepairOutcome::Damaged;
    }
    const ZipArchivePtr archive(ZipArchiveOpen(job.payload, job.payloadSize));
    ZipItem item = {};
    if (!archive || ZipArchiveGetItem(archive.get(), -1, &item) != kZipOk || item.index <= 0) {
        hooks.ShowError(kMsgSetupDamaged);
        return RepairOutcome::Damaged;
    }
    if (ZipArchiveSetBaseDir(archive.get(), dir.c_str()) != kZipOk) {
        hooks.ShowError(WriteFailedText(dir));
        return RepairOutcome::WriteFailed;
    }
    const int count = item.index;

    InstallManifest earlier;
    const bool created = ReadInstallManifest(dir, &earlier) == ERROR_SUCCESS && earlier.createdDirectory &&
                         SamePath(earlier.directory, dir);
    InstallManifest manifest;
    manifest.directory = dir;
    manifest.createdDirectory = created;
    manifest.createdParents = created ? earlier.createdParents : 0;

    for (int i = 0; i < count; ++i) {
        if (ZipArchiveGetItem(archive.get(), i, &item) != kZipOk) {
            hooks.ShowError(kMsgSetupDamaged);
            return RepairOutcome::Damaged;
        }
        const std::wstring name = item.name;
        if (item.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            const ZipResult result = ZipArchiveExtractItem(archive.get(), i, name.c_str());
            if (result != kZipOk || !PathIsDirectoryW(Join(dir, name).c_str())) {
                hooks.ShowError(WriteFailedText(name));
                return RepairOutcome::WriteFailed;
            }
        } else {
            const std::wstring freshName = name + kNewSuffix;
            const ZipResult result = ZipArchiveExtractItem(archive.get(), i, freshName.c_str());
            const std::wstring fresh = Join(dir, freshName);
            if (result != kZipOk) {
                DeleteQuietly(fresh);
                if (result == kZipNoFile || result == kZipWriteFailed) {
                    hooks.ShowError(WriteFailedText(name));
                    return RepairOutcome::WriteFailed;
                }
                hooks.ShowError(kMsgSetupDamaged);
                return RepairOutcome::Damaged;
            }
            if (!Replace(fresh, Join(dir, name))) {
                DeleteQuietly(fresh);
                hooks.ShowError(WriteFailedText(name));
                return RepairOutcome::WriteFailed;
            }
        }
        manifest.AddArchiveEntry(name);
        hooks.SetBarWidth(ExtractionBarWidth(i, count, fullWidth));
    }
    manifest.AddFile(kInstallManifestFileName);
    if (WriteInstallManifest(dir, manifest) != ERROR_SUCCESS) {
        hooks.ShowError(WriteFailedText(kInstallManifestFileName));
        return RepairOutcome::WriteFailed;
    }

    CreateProductShortcuts(job.allUsers, dir, true, true, nullptr);
    CRegistryKey run;
    if (run.Open(RecordRoot(job.allUsers), kRunKeyForWriting, kFullAccess) != ERROR_SUCCESS) {
        hooks.ShowError(kMsgRunKeyMissing);
        return RepairOutcome::RunKeyMissing;
    }
    if (run.WriteString(kAutostartValueName, AutostartCommand(dir).c_str()) != ERROR_SUCCESS)
        hooks.ShowError(kMsgAutostartSetFailed);
    run.Close();
    hooks.SetBarWidth(fullWidth);
    return RepairOutcome::Completed;
}
