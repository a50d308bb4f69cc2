#include "removal_worker.h"

#include "decimal_text.h"
#include "delayed_removal.h"
#include "delete_path.h"
#include "install_record.h"
#include "install_removal.h"
#include "paths.h"
#include "product.h"
#include "protected_path.h"
#include "raised_priority.h"
#include "registry_key.h"
#include "run_log.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>

namespace {

void DeleteUnlessProtected(const std::wstring& path)
{
    if (!path.empty() && !IsProtectedPath(path) && PathFileExistsW(path.c_str()) && DeletePath(path.c_str()))
        LogLine(L"删除：" + path);
}

// Removes the files at `location`; `announce` tells the shell first and
// runs the removal at raised priority, given back after it. The files that
// stayed in use go to *inUse.
void RemoveLocation(const WCHAR* location, bool announce, RemovalOutcome* outcome, std::vector<std::wstring>* inUse)
{
    if (!location[0])
        return;
    if (!announce) {
        outcome->scope = RemoveInstalledFiles(location, &outcome->createdParents, inUse);
        return;
    }
    const RaisedPriority raised;
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, location, nullptr);
    outcome->scope = RemoveInstalledFiles(location, &outcome->createdParents, inUse);
}

// What the delayed removal took over, less the running program's own files
// (their removal after its end is no news), in name order.
std::vector<std::wstring> LeftByOthers(const std::vector<std::wstring>& handed, const std::wstring& location)
{
    std::vector<std::wstring> left;
    for (const std::wstring& file : handed) {
        if (!IsRunningProgramsOwnFile(file, location))
            left.push_back(file);
    }
    std::sort(left.begin(), left.end(),
              [](const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; });
    return left;
}

} // namespace

RemovalOutcome RunRemoval(const RemovalJob& job, WorkerHooks& hooks)
{
    static_cast<void>(hooks.PassCheckpoint(Checkpoint::BeforeRemoval, -1));
    RemovalOutcome outcome;
    outcome.allUsers = job.allUsers;
    const std::wstring recordPath = InstallRecordKeyPath(job.productKey);
    WCHAR location[MAX_PATH + 1] = {};
    std::vector<std::wstring> inUse, handed;
    {
        CRegistryKey key;
        if (key.Open(RecordRoot(job.allUsers), recordPath.c_str(), kFullAccess) == ERROR_SUCCESS) {
            if (ReadTrustedInstallLocation(key, RecordRoot(job.allUsers), location)) {
                RemoveLocation(location, true, &outcome, &inUse);
            } else {
                key.Close();
                if (key.Open(HKEY_CURRENT_USER, recordPath.c_str(), kFullAccess) == ERROR_SUCCESS &&
                    ReadTrustedInstallLocation(key, HKEY_CURRENT_USER, location)) {
                    RemoveLocation(location, false, &outcome, &inUse);
                    outcome.allUsers = 0;
                } else {
                    ZeroMemory(location, sizeof location);
                }
            }
            outcome.installDir = location;
            // What is still in use (Uninstall's own files, files another
            // program holds) goes once it is free and the program has ended;
            // the whole tree only when the installation made it.
            if (outcome.scope == RemovalScope::WholeDirectory)
                StartDelayedRemoval(outcome.installDir, DelayedRemoval::WholeTree, kDelayedRemovalTries,
                                    outcome.createdParents, {}, &handed);
            else if (outcome.scope != RemovalScope::Nothing)
                StartDelayedRemoval(outcome.installDir, DelayedRemoval::UninstallerOnly, kDelayedRemovalTries, 0,
                                    inUse, &handed);
            outcome.leftForLater = LeftByOthers(handed, outcome.installDir);
        }
    }

    const int full = hooks.BarMaxWidth();
    auto bar = [&](int width) {
        if (full > 0)
            hooks.SetBarWidth(width < 1 ? 1 : width);
    };
    bar(full / 3);

    const ShortcutPaths links = ComposeShortcutPaths(outcome.allUsers);
    DeleteUnlessProtected(links.oldAppLink);
    DeleteUnlessProtected(links.programsProduct);
    if (!links.programsGroup.empty() && PathIsDirectoryEmptyW(links.programsGroup.c_str()))
        DeleteUnlessProtected(links.programsGroup);
    DeleteUnlessProtected(links.desktopLink);
    DeleteUnlessProtected(links.quickLaunchLink);
    bar(2 * full / 3);

    CRegistryKey key;
    if (key.Open(RecordRoot(outcome.allUsers), kRunKey, kFullAccess) == ERROR_SUCCESS &&
        RegDeleteValueW(key.Handle(), kAutostartValueName) == ERROR_SUCCESS)
        LogLine(L"删除开机启动值");
    key.Close();
    if (key.Open(RecordRoot(outcome.allUsers), kUninstallParentKey, kFullAccess) == ERROR_SUCCESS &&
        key.DeleteKey(job.productKey.c_str()) == ERROR_SUCCESS)
        LogLine(L"删除安装记录");
    key.Close();
    bar(full);
    return outcome;
}

std::wstring LeftForLaterLine(const RemovalOutcome& outcome)
{
    if (outcome.leftForLater.empty())
        return std::wstring();
    std::wstring first = outcome.leftForLater.front();
    const std::wstring& dir = outcome.installDir;
    if (first.size() > dir.size() + 1 && first[dir.size()] == L'\\' && SamePath(first.substr(0, dir.size()), dir))
        first.erase(0, dir.size() + 1);
    std::wstring line = L"以下文件正在使用，将在稍后删除：" + first;
    if (outcome.leftForLater.size() > 1)
        line += L" 等 " + DecimalText(static_cast<long long>(outcome.leftForLater.size())) + L" 个文件";
    return line;
}
