#include "rollback.h"

#include "delayed_removal.h"
#include "install_journal.h"
#include "product.h"

RollbackOutcome RollBackInstall(InstallJournal& journal, WorkerHooks& hooks)
{
    const int fullWidth = hooks.BarMaxWidth();
    journal.UndoDirectory();
    if (fullWidth > 0)
        hooks.SetBarWidth(2 * fullWidth / 3);
    journal.UndoShortcuts();
    if (fullWidth > 0)
        hooks.SetBarWidth(fullWidth / 3);
    journal.UndoRecord();
    if (fullWidth > 0)
        hooks.SetBarWidth(0);
    const LONG autostart = journal.UndoAutostart();
    if (autostart == ERROR_FILE_NOT_FOUND) {
        hooks.ShowError(kMsgRunKeyMissing);
        return RollbackOutcome::RunKeyMissing;
    }
    if (autostart != ERROR_SUCCESS)
        hooks.ShowError(kMsgAutostartRemoveFailed);
    // What was in use a moment ago goes once Setup has ended.
    if (journal.CreatedDirectoryRemains())
        StartDelayedRemoval(journal.Directory(), DelayedRemoval::WholeTree, kDelayedRemovalTries,
                            journal.CreatedParentCount());
    return RollbackOutcome::Done;
}
