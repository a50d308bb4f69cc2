// Setup's own process-wide state: the mode, the option flags the pages set,
// one pointer per window object, and the option and check-button looks.
//
// Plain globals without locks. The flags are written on the interface thread
// by the pages before a worker starts and only read by that worker; the
// window pointers are set by the entry before the message loop and cleared
// after it. The shared items (g_bAllUsers, g_strProductKey, g_strInstallDir,
// g_pPage10Wnd, g_pPage11Wnd) live in common/.
#pragma once

class CCoverWnd;
class CPage1Wnd;
class CPage2Wnd;
class CPage3Wnd;
class CPage4Wnd;
class CPage6Wnd;
class CPage7Wnd;
class CPage8Wnd;
class CPage9Wnd;
class CPage12Wnd;
class CPage13Wnd;
class CControlUI;

extern int g_bInstalled;            // 1: the install record was found, maintenance mode
extern int g_bDesktopShortcut;      // 1: make the desktop shortcut (Page4)
extern int g_bQuickLaunchShortcut;  // 1: make the Quick Launch shortcut (Page4's "startmenuscbtn")
extern int g_bRunNow;               // 1: start the calendar when Setup finishes (Page7)
extern int g_bUninstallChosen;      // 1: removal, 0: repair (maintenance frame)

extern CCoverWnd* g_pCoverWnd;
extern CPage1Wnd* g_pPage1Wnd;
extern CPage2Wnd* g_pPage2Wnd;
extern CPage3Wnd* g_pPage3Wnd;
extern CPage4Wnd* g_pPage4Wnd;
extern CPage6Wnd* g_pPage6Wnd;
extern CPage7Wnd* g_pPage7Wnd;
extern CPage8Wnd* g_pPage8Wnd;
extern CPage9Wnd* g_pPage9Wnd;
extern CPage12Wnd* g_pPage12Wnd;
extern CPage13Wnd* g_pPage13Wnd;

// Looks cut out of the skin's "button.png": option buttons (20x20) and check
// buttons (14x14), unselected ("Off") and selected ("On"), each as normal,
// hot and pushed image.
extern const wchar_t g_strOptionOffNormal[];
extern const wchar_t g_strOptionOffHot[];
extern const wchar_t g_strOptionOffPushed[];
extern const wchar_t g_strOptionOnNormal[];
extern const wchar_t g_strOptionOnHot[];
extern const wchar_t g_strOptionOnPushed[];
extern const wchar_t g_strCheckOffNormal[];
extern const wchar_t g_strCheckOffHot[];
extern const wchar_t g_strCheckOffPushed[];
extern const wchar_t g_strCheckOnNormal[];
extern const wchar_t g_strCheckOnHot[];
extern const wchar_t g_strCheckOnPushed[];

// Gives a button its normal, hot and pushed image, in that order. Does
// nothing for a null control or one that is not a button.
void SetButtonLook(CControlUI* button, const wchar_t* normal, const wchar_t* hot, const wchar_t* pushed);
// The checked or unchecked look of a check button, the selected or
// unselected look of an option button.
void SetCheckLook(CControlUI* button, bool checked);
void SetOptionLook(CControlUI* button, bool selected);
