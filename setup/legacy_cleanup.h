// CleanLegacyInstall: removes, silently, what the earlier edition of the
// product (installed by an installer package) left behind: its program folder
// ("VELT电子日历\\" below the location its uninstall entry records), its
// Start-menu and desktop shortcuts, its autostart value, its uninstall entry
// and its installer product registration.
//
// Registry steps work under RecordRoot(allUsers). When the earlier edition's
// entry is readable only under HKEY_CURRENT_USER, the rest of the cleanup
// works on the current user's keys and folders, and so should the
// installation: the function returns the all-users flag to go on with (0
// then, else `allUsers` as given).
// While the folder recorded under HKEY_LOCAL_MACHINE is deleted, the process
// and the thread run at above-normal priority (raised_priority.h), given back
// after it. The installer product registration is looked for in the 64-bit
// registry view, where the installer service keeps it. The folder goes only when it is a full path that
// IsProtectedPath does not refuse and it holds the earlier edition's program
// "VELT电子日历.exe" (a file); otherwise it stays whole. An entry under
// HKEY_CURRENT_USER whose location an elevated Setup may not trust
// (record_trust.h) counts as unreadable: nothing of it is acted on, and the
// all-users flag stays.
//
// Reports nothing; every step that finds nothing or fails is skipped and the
// next one runs. Runs on the calling thread.
#pragma once

int CleanLegacyInstall(int allUsers);
