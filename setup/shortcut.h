// Shortcut files of the product.
//
// CreateShortcut writes one shell link at `link` pointing to `target`, with
// `icon` (index 0) as its icon when given; no arguments, working directory,
// description or hot key. An existing file of that name is overwritten.
// Returns true when the link was saved. COM must be initialised on the
// calling thread.
//
// CreateProductShortcuts makes the product's shortcuts for `installDir`:
// always the programs folder's "Quorvel\\VELT电子日历\\VELT电子日历.lnk" and
// "Uninstall.lnk" (folders created one level at a time when missing; the
// common programs folder for all users, the user's own otherwise), then the
// current user's desktop link and Quick Launch link when asked for (the Quick
// Launch folder is never created). Initialises COM on the calling thread for
// its own duration. With a journal, existing files are kept for a rollback and
// everything made is noted; a link whose old file cannot be kept is not
// written. Failures skip the link; nothing is reported.
#pragma once

#include <string>

class InstallJournal;

bool CreateShortcut(const std::wstring& link, const std::wstring& target, const wchar_t* icon);

void CreateProductShortcuts(int allUsers, const std::wstring& installDir, bool desktop, bool quickLaunch,
                            InstallJournal* journal);
