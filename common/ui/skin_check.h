// The start-up check of a program's skin archive, before any window exists:
// a program whose archive is missing, unreadable or lacks the frame's layout
// would otherwise show an empty window that only Alt+F4 closes.
//
// Both functions read through the window library, so the library must have
// been pointed at the archive first (CPaintManagerUI::SetResourcePath and
// SetResourceZip). They build no window and leave no state behind; they run
// on the interface thread.
//
// Setup calls CheckSkinOrReport with "CoverWnd.xml" (fresh install) or
// "Page8Wnd.xml" (maintenance) and Uninstall with "Page9Wnd.xml"; on false
// the program creates no window and ends with exit code 0.
#pragma once

#include <windows.h>

// True when the skin archive holds the layout `layoutName` and it builds into
// a control tree; false when the archive is missing or unreadable, lacks the
// entry, or the entry is no layout (malformed, or without controls).
bool SkinHasLayout(LPCTSTR layoutName);

// SkinHasLayout(frameLayout); when false, first shows kMsgSetupDamaged
// ("安装程序已损坏，请重新下载后再安装。") with caption "错误" and the error icon,
// owned by no window, and returns once the user has closed it.
bool CheckSkinOrReport(LPCTSTR frameLayout);
