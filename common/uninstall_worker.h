// The uninstall worker: removes an installed product on its own thread while
// the removal progress page (CPage10Wnd) is showing, moving its bar to one
// third, two thirds and full, then shows the completion page.
//
// UninstallThreadProc(page) runs page->DoUninstall() and returns 0. The
// removal reads the install record under the root of g_bAllUsers (falling
// back to the current user's record), removes what the installation created
// in the recorded directory (install_removal.h: the whole directory only when
// the install manifest says the installation created it), starts the delayed
// removal command for what is still in use (delayed_removal.h), removes the
// Start-menu, desktop and Quick Launch shortcuts, the autostart value and the
// install record, and sets g_bUninstallDone and g_nRemovalScope. It reports
// nothing and never stops early. Once the page says to leave the windows
// alone (the loop has ended) it no longer shows or hides pages; the bar is
// set through the window library's thread-safe setter, which never blocks on
// the interface thread.
#pragma once

#include <windows.h>

DWORD WINAPI UninstallThreadProc(LPVOID param);
