// Reports where the places Windows programs write to lie on the Unix side of
// Wine, for tests/sandbox/prefix_sandbox_test.sh to judge. Prints UTF-8 lines
// of three tab-separated fields to standard output:
//   drive   <X:>     <Unix path of X:\>        for every drive GetLogicalDrives names
//   folder  <name>   <Unix path of the folder> for each shell folder below (asked for
//                                              with creation, as Windows creates a
//                                              missing one) and the temporary folder
//   menubuilder  blocked|starts                whether winemenubuilder.exe can start
// The Unix paths come from Wine's wine_get_unix_file_name and are not resolved:
// links in them are the caller's to follow.
// Exit code 0; 1 when a folder or a Unix path cannot be had (the line says
// "error"); 2 when not running under Wine.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "test_support.h"

namespace {

typedef char*(CDECL* UnixFileNameFn)(LPCWSTR);

// FOLDERID_Downloads and KF_FLAG_CREATE: SHGetKnownFolderPath is newer than
// the XP headers.
const GUID kDownloads = {0x374de290, 0x123f, 0x4565, {0x91, 0x64, 0x39, 0xc4, 0x92, 0x5e, 0x46, 0x7b}};
const DWORD kCreate = 0x00008000;
typedef HRESULT(WINAPI* KnownFolderFn)(REFGUID, DWORD, HANDLE, PWSTR*);

#define FOLDER(csidl) {csidl, #csidl}
const struct {
    int csidl;
    const char* name;
} kFolders[] = {
    FOLDER(CSIDL_DESKTOPDIRECTORY), FOLDER(CSIDL_COMMON_DESKTOPDIRECTORY), FOLDER(CSIDL_PERSONAL),
    FOLDER(CSIDL_COMMON_DOCUMENTS), FOLDER(CSIDL_MYMUSIC), FOLDER(CSIDL_MYPICTURES), FOLDER(CSIDL_MYVIDEO),
    FOLDER(CSIDL_COMMON_MUSIC), FOLDER(CSIDL_COMMON_PICTURES), FOLDER(CSIDL_COMMON_VIDEO), FOLDER(CSIDL_TEMPLATES),
    FOLDER(CSIDL_COMMON_TEMPLATES), FOLDER(CSIDL_FAVORITES), FOLDER(CSIDL_APPDATA), FOLDER(CSIDL_LOCAL_APPDATA),
    FOLDER(CSIDL_COMMON_APPDATA), FOLDER(CSIDL_PROGRAMS), FOLDER(CSIDL_COMMON_PROGRAMS), FOLDER(CSIDL_STARTMENU),
    FOLDER(CSIDL_STARTUP), FOLDER(CSIDL_PROFILE), FOLDER(CSIDL_PROGRAM_FILES), FOLDER(CSIDL_WINDOWS),
};
#undef FOLDER

void Print(const std::string& text)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// One line; the Unix path of `windowsPath`, or "error" when there is none.
bool Report(UnixFileNameFn unixName, const char* kind, const std::string& name, const wchar_t* windowsPath)
{
    char* path = windowsPath ? unixName(windowsPath) : nullptr;
    Print(std::string(kind) + "\t" + name + "\t" + (path ? path : "error") + "\n");
    HeapFree(GetProcessHeap(), 0, path);  // nothing for null
    return path != nullptr;
}

// Whether winemenubuilder.exe starts: a program whose DLL is disabled ends
// at once with STATUS_DLL_NOT_FOUND.
bool MenuBuilderStarts()
{
    WCHAR system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    testing_support::ChildProcess menuBuilder;
    if (!menuBuilder.Start(std::wstring(system) + L"\\winemenubuilder.exe", L"-h"))
        return false;
    menuBuilder.WaitExit(10000);
    return static_cast<DWORD>(menuBuilder.ExitCode()) != STATUS_DLL_NOT_FOUND;
}

} // namespace

int main()
{
    auto unixName = reinterpret_cast<UnixFileNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) {
        Print("not running under Wine\n");
        return 2;
    }
    bool ok = true;

    const DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (drives & (1u << i)) {
            const wchar_t root[] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', 0};
            ok = Report(unixName, "drive", std::string(1, static_cast<char>('A' + i)) + ":", root) && ok;
        }
    }

    WCHAR path[MAX_PATH];
    for (const auto& folder : kFolders)
        ok = Report(unixName, "folder", folder.name,
                    SHGetSpecialFolderPathW(nullptr, path, folder.csidl, TRUE) ? path : nullptr) && ok;

    auto knownFolder = reinterpret_cast<KnownFolderFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"), "SHGetKnownFolderPath")));
    PWSTR downloads = nullptr;
    if (!knownFolder || FAILED(knownFolder(kDownloads, kCreate, nullptr, &downloads)))
        downloads = nullptr;
    ok = Report(unixName, "folder", "FOLDERID_Downloads", downloads) && ok;
    CoTaskMemFree(downloads);

    ok = Report(unixName, "folder", "GetTempPathW", GetTempPathW(MAX_PATH, path) ? path : nullptr) && ok;

    Print(std::string("menubuilder\t") + (MenuBuilderStarts() ? "starts" : "blocked") + "\n");
    return ok ? 0 : 1;
}
