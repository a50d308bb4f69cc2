#include "removal_worker.h"

#include "delayed_removal.h"
#include "delete_path.h"
#include "install_record.h"
#include "product.h"
#include "protected_path.h"
#include "raised_priority.h"
#include "registry_key.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace {

void DeleteUnlessProtected(const std::wstring& path)
{
    if (!path.empty() && !IsProtectedPath(path))
        DeletePath(path.c_str());
}

// Removes the files at `location`; `announce` tells the shell first and
// runs the removal at raised priority, given back after it.
void RemoveLocation(const WCHAR* location, bool announce, RemovalOutcome* outcome)
{
    if (!location[0])
        return;
    if (!announce) {
        outcome->scope = RemoveInstalledFiles(location, &outcome->createdParents);
        return;
    }
    const RaisedPriority raised;
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, location, nullptr);
    outcome->scope = RemoveInstalledFiles(location, &outcome->createdParents);
}

} // namespace

RemovalOutcome RunRemoval(const RemovalJob& job, WorkerHooks& hooks)
{
    RemovalOutcome outcome;
    outcome.allUsers = job.allUsers;
    const std::wstring recordPath = InstallRecordKeyPath(job.productKey);
    WCHAR location[MAX_PATH + 1] = {};
    {
        CRegistryKey key;
        if (key.Open(RecordRoot(job.allUsers), recordPath.c_str(), kFullAccess) == ERROR_SUCCESS) {
            if (ReadTrustedInstallLocation(key, RecordRoot(job.allUsers), location)) {
                RemoveLocation(location, true, &outcome);
            } else {
                key.Close();
                if (key.Open(HKEY_CURRENT_USER, recordPath.c_str(), kFullAccess) == ERROR_SUCCESS &&
                    ReadTrustedInstallLocation(key, HKEY_CURRENT_USER, location)) {
                    RemoveLocation(location, false, &outcome);
                    outcome.allUsers = 0;
                } else {
                    ZeroMemory(location, sizeof location);
                }
            }
            outcome.installDir = location;
            // What is still in use (Uninstall's own files) goes once the
            // program has ended; the whole tree only when the installation
            // made it.
            if (outcome.scope == RemovalScope::WholeDirectory)
                StartDelayedRemoval(outcome.installDir, DelayedRemoval::WholeTree, kDelayedRemovalTries,
                                    outcome.createdParents);
            else if (outcome.scope != RemovalScope::Nothing)
                StartDelayedRemoval(outcome.installDir, DelayedRemoval::UninstallerOnly);
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
    if (key.Open(RecordRoot(outcome.allUsers), kRunKey, kFullAccess) == ERROR_SUCCESS)
        RegDeleteValueW(key.Handle(), kAutostartValueName);
    key.Close();
    if (key.Open(RecordRoot(outcome.allUsers), kUninstallParentKey, kFullAccess) == ERROR_SUCCESS)
        key.DeleteKey(job.productKey.c_str());
    key.Close();
    bar(full);
    return outcome;
}
