// Every fixed name of the product, in one place: identity, installed files,
// folders and shortcut files, registry locations and value names, the message
// texts that several windows share, and the functions that compose the
// executable paths, the shortcut paths and the autostart value from an
// installation directory and the all-users flag (the install record itself
// is install_record.h).
//
// Nothing here keeps state. The composing functions return new strings; the
// folder functions ask the shell (SHGetSpecialFolderPathW, no creation) and
// return an empty string where the shell has no such folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Product identity.
inline constexpr wchar_t kDisplayName[] = L"VELT电子日历";
inline constexpr wchar_t kPublisher[] = L"VELT";
inline constexpr wchar_t kProductKey[] = L"{3C9B27E4-81D5-4A06-9F3E-5B7D0C14A2E8}";
inline constexpr wchar_t kSetupWindowTitle[] = L"VELT电子日历安装向导";
inline constexpr wchar_t kUninstallWindowTitle[] = L"VELT电子日历卸载向导";
// The product version: the install record's "DisplayVersion" and the release
// kit's name (setup/CMakeLists.txt reads it from this line).
inline constexpr wchar_t kProductVersion[] = L"1.0.0";

// Installed files.
inline constexpr wchar_t kAppFileName[] = L"VELT电子日历.exe";
inline constexpr wchar_t kUninstallerFileName[] = L"Uninstall.exe";
inline constexpr wchar_t kUninstallSkinFileName[] = L"Uninstall.DAT";
inline constexpr wchar_t kWindowLibraryFileName[] = L"DuiLibu.dll";
inline constexpr wchar_t kSetupSkinFileName[] = L"VELTSetupDate.DAT";

// The payload archive inside Setup.
inline constexpr wchar_t kPayloadResourceType[] = L"ZIP";
inline constexpr int kPayloadResourceId = 135;

// Folders and shortcut files (relative to the shell folders named beside them).
inline constexpr wchar_t kDefaultInstallSubdir[] = L"QRVL\\VELT电子日历";      // CSIDL_PROGRAM_FILES
inline constexpr wchar_t kProgramsGroupFolder[] = L"Quorvel";                 // programs folder
inline constexpr wchar_t kProgramsProductFolder[] = L"VELT电子日历";          // below the group
inline constexpr wchar_t kAppShortcutName[] = L"VELT电子日历.lnk";
inline constexpr wchar_t kUninstallShortcutName[] = L"Uninstall.lnk";
inline constexpr wchar_t kQuickLaunchFolder[] = L"Microsoft\\Internet Explorer\\Quick Launch"; // CSIDL_APPDATA
// The product folder of an older build, whose link the removal still takes.
inline constexpr wchar_t kProgramsOldProductFolder[] = L"VELTCALENDAR";      // below the group

// Registry.
inline constexpr wchar_t kUninstallParentKey[] = L"SOFTWARE\\Microsoft\\WINDOWS\\CURRENTVERSION\\UNINSTALL";
inline constexpr wchar_t kRecordKeyFormat[] = L"SOFTWARE\\Microsoft\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\%s";
inline constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\WINDOWS\\CURRENTVERSION\\Run";
inline constexpr wchar_t kRunKeyForWriting[] = L"SOFTWARE\\Microsoft\\WINDOWS\\CURRENTVERSION\\RUN";
inline constexpr wchar_t kAutostartValueName[] = L"VELT电子日历.EXE";
inline constexpr wchar_t kValueDisplayName[] = L"DisplayName";
inline constexpr wchar_t kValueInstallLocation[] = L"InstallLocation";
inline constexpr wchar_t kValuePublisher[] = L"Publisher";
inline constexpr wchar_t kValueUninstallString[] = L"UninstallString";        // as install writes it
inline constexpr wchar_t kValueUninstallStringRepair[] = L"UnInstallString";  // as repair writes it
// What the Programs list and management tools read besides (install_record.h).
inline constexpr wchar_t kValueDisplayVersion[] = L"DisplayVersion";
inline constexpr wchar_t kValueDisplayIcon[] = L"DisplayIcon";
inline constexpr wchar_t kValueEstimatedSize[] = L"EstimatedSize";
inline constexpr wchar_t kValueInstallDate[] = L"InstallDate";
inline constexpr wchar_t kValueNoModify[] = L"NoModify";
inline constexpr wchar_t kValueNoRepair[] = L"NoRepair";
inline constexpr wchar_t kValueQuietUninstallString[] = L"QuietUninstallString";
inline constexpr wchar_t kOrganizationKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
inline constexpr wchar_t kOrganizationValue[] = L"RegisteredOrganization";

// The earlier, installer-package edition, removed by a fresh installation.
inline constexpr wchar_t kLegacyProductCode[] = L"{5A1E7C2B-3D94-4F60-8B1C-7E2A9D405F13}";
inline constexpr wchar_t kLegacyPackedProductCode[] = L"B2C7E1A549D306F4B8C1E7A2D904F531";
inline constexpr wchar_t kLegacyProgramSubfolder[] = L"VELT电子日历\\";
inline constexpr wchar_t kLegacyProgramsShortcut[] = L"VELT\\VELT电子日历.exe.lnk";
inline constexpr wchar_t kLegacyDesktopShortcut[] = L"VELT电子日历.exe.lnk";
inline constexpr wchar_t kLegacyAutostartValueName[] = L"VELT电子日历.EXE";
inline constexpr wchar_t kLegacyProductsKey[] =
    L"SOFTWARE\\Microsoft\\WINDOWS\\CURRENTVERSION\\Installer\\UserData\\S-1-5-18\\Products";

// Message texts and captions shared by several windows.
inline constexpr wchar_t kCaptionNotice[] = L"提示";
inline constexpr wchar_t kCaptionError[] = L"错误";
inline constexpr wchar_t kMsgQuitQuestion[] = L"是否退出VELT电子日历的安装向导？";
inline constexpr wchar_t kMsgAppRunning[] = L"VELT电子日历正在运行中，请先结束进程才能继续";
inline constexpr wchar_t kMsgRunKeyMissing[] = L"未能找到开机启动设置位置。";
inline constexpr wchar_t kMsgAutostartSetFailed[] = L"开机启动设置失败。";
inline constexpr wchar_t kMsgAutostartRemoveFailed[] = L"开机启动取消失败。";
inline constexpr wchar_t kMsgBadInstallPath[] = L"错误的安装路径。";
inline constexpr wchar_t kMsgUserWritableFolder[] = L"所选文件夹可被普通用户修改，请选择其他安装位置。";
inline constexpr wchar_t kMsgNotInstalled[] = L"未能找到已安装的VELT电子日历，请先确认VELT电子日历已正确安装。";
inline constexpr wchar_t kMsgRegistryQueryFailed[] = L"错误：无法查询有关的注册表信息";
// The installer is damaged: its payload, or a program's skin archive (missing,
// unreadable or without its frame's layout).
inline constexpr wchar_t kMsgSetupDamaged[] = L"安装程序已损坏，请重新下载后再安装。";
// With the entry's name in place of %s.
inline constexpr wchar_t kMsgWriteFailedFormat[] = L"无法写入文件“%s”，安装无法继续。";

// Registry access masks the callers use.
inline constexpr REGSAM kProbeAccess = KEY_READ;        // 0x20019
inline constexpr REGSAM kFullAccess = KEY_ALL_ACCESS;   // 0xF003F

// HKEY_LOCAL_MACHINE for all users (1), HKEY_CURRENT_USER for the current user (0).
HKEY RecordRoot(int allUsers);

// installDir + "\\VELT电子日历.exe" and installDir + "\\Uninstall.exe", unquoted:
// shortcut targets, the launch path, file checks. A typed trailing backslash stays.
std::wstring AppExePath(const std::wstring& installDir);
std::wstring UninstallerExePath(const std::wstring& installDir);

// Command lines that Windows runs: the uninstall command, the same for an
// uninstallation without windows (" /S" appended) and the autostart value.
// The executable path is in double quotes, so that a path with spaces can
// never run a different program ("C:\Program.exe").
std::wstring UninstallCommand(const std::wstring& installDir);
std::wstring QuietUninstallCommand(const std::wstring& installDir);
std::wstring AutostartCommand(const std::wstring& installDir);

// Shell folders with the product's names appended (PathAppendW in 260-character
// buffers). Empty when the shell folder is unavailable.
std::wstring ShellFolder(int csidl);
std::wstring DefaultInstallDir();                  // Program Files + "QRVL\\VELT电子日历"
int ProgramsFolderId(int allUsers);                // CSIDL_COMMON_PROGRAMS or CSIDL_PROGRAMS

struct ShortcutPaths {
    std::wstring programsGroup;   // programs + "Quorvel"
    std::wstring programsProduct; // programs + "Quorvel\\VELT电子日历"
    std::wstring appLink;         // ... + "VELT电子日历.lnk"
    std::wstring uninstallLink;   // ... + "Uninstall.lnk"
    std::wstring oldAppLink;      // programs + "Quorvel\\VELTCALENDAR\\VELT电子日历.lnk" (removal only)
    std::wstring desktopLink;     // the current user's desktop, in both modes
    std::wstring quickLaunchFolder; // the current user's Quick Launch folder (never created)
    std::wstring quickLaunchLink; // ... + "VELT电子日历.lnk"
};
// The paths that installation, repair, rollback and removal all use; a path
// is empty where the shell has no such folder or it does not fit MAX_PATH.
ShortcutPaths ComposeShortcutPaths(int allUsers);
