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

namespace {

typedef char*(CDECL* UnixFileNameFn)(LPCWSTR);

// FOLDERID_Downloads and KF_FLAG_CREATE: SHGetKnownFolderPath is newer than
// the XP headers.
const GUID kDownloads = {0x374de290, 0x123f, 0x4565, {0x91, 0x64, 0x39, 0xc4, 0x92, 0x5e, 0x46, 0x7b}};
const DWORD kCreate = 0x00008000;
typedef HRESULT(WINAPI* KnownFolderFn)(REFGUID, DWORD, HANDLE, PWSTR*);

const struct {
    int csidl;
    const char* name;
} kFolders[] = {
    {CSIDL_DESKTOPDIRECTORY, "CSIDL_DESKTOPDIRECTORY"},
    {CSIDL_COMMON_DESKTOPDIRECTORY, "CSIDL_COMMON_DESKTOPDIRECTORY"},
    {CSIDL_PERSONAL, "CSIDL_PERSONAL"},
    {CSIDL_COMMON_DOCUMENTS, "CSIDL_COMMON_DOCUMENTS"},
    {CSIDL_MYMUSIC, "CSIDL_MYMUSIC"},
    {CSIDL_MYPICTURES, "CSIDL_MYPICTURES"},
    {CSIDL_MYVIDEO, "CSIDL_MYVIDEO"},
    {CSIDL_COMMON_MUSIC, "CSIDL_COMMON_MUSIC"},
    {CSIDL_COMMON_PICTURES, "CSIDL_COMMON_PICTURES"},
    {CSIDL_COMMON_VIDEO, "CSIDL_COMMON_VIDEO"},
    {CSIDL_TEMPLATES, "CSIDL_TEMPLATES"},
    {CSIDL_COMMON_TEMPLATES, "CSIDL_COMMON_TEMPLATES"},
    {CSIDL_FAVORITES, "CSIDL_FAVORITES"},
    {CSIDL_APPDATA, "CSIDL_APPDATA"},
    {CSIDL_LOCAL_APPDATA, "CSIDL_LOCAL_APPDATA"},
    {CSIDL_COMMON_APPDATA, "CSIDL_COMMON_APPDATA"},
    {CSIDL_PROGRAMS, "CSIDL_PROGRAMS"},
    {CSIDL_COMMON_PROGRAMS, "CSIDL_COMMON_PROGRAMS"},
    {CSIDL_STARTMENU, "CSIDL_STARTMENU"},
    {CSIDL_STARTUP, "CSIDL_STARTUP"},
    {CSIDL_PROFILE, "CSIDL_PROFILE"},
    {CSIDL_PROGRAM_FILES, "CSIDL_PROGRAM_FILES"},
    {CSIDL_WINDOWS, "CSIDL_WINDOWS"},
};

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
    if (!path)
        return false;
    HeapFree(GetProcessHeap(), 0, path);
    return true;
}

bool MenuBuilderStarts()
{
    WCHAR exe[MAX_PATH];
    GetSystemDirectoryW(exe, MAX_PATH);
    std::wstring commandLine = std::wstring(L"\"") + exe + L"\\winemenubuilder.exe\" -h";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 10000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code != STATUS_DLL_NOT_FOUND && code != 0xC0000135;
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
    if (knownFolder && SUCCEEDED(knownFolder(kDownloads, kCreate, nullptr, &downloads))) {
        ok = Report(unixName, "folder", "FOLDERID_Downloads", downloads) && ok;
        CoTaskMemFree(downloads);
    } else {
        ok = Report(unixName, "folder", "FOLDERID_Downloads", nullptr) && ok;
    }

    ok = Report(unixName, "folder", "GetTempPathW", GetTempPathW(MAX_PATH, path) ? path : nullptr) && ok;

    Print(std::string("menubuilder\t") + (MenuBuilderStarts() ? "starts" : "blocked") + "\n");
    return ok ? 0 : 1;
}
