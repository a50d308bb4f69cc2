#include "shell_user.h"

#include <windows.h>
#include <sddl.h>

#include <cwchar>

#include "file_handle.h"

namespace {

// PROCESS_QUERY_LIMITED_INFORMATION, which the XP headers lack.
constexpr DWORD kQueryLimited = 0x1000;

// The test's SID text; empty: the real shell. Constant-initialised, so a
// test program may set it before its WinMain runs.
wchar_t g_testSid[192];

// A TOKEN_USER with room for any SID.
union TokenUserBuffer {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
};

bool ReadTokenUser(HANDLE process, TokenUserBuffer* buffer)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return false;
    FileHandle owner(token);
    DWORD size = 0;
    return GetTokenInformation(token, TokenUser, buffer, sizeof *buffer, &size) && IsValidSid(buffer->user.User.Sid);
}

bool ReadShellUser(TokenUserBuffer* buffer)
{
    HWND shell = GetShellWindow();
    DWORD pid = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &pid) || pid == 0)
        return false;
    HANDLE process = OpenProcess(kQueryLimited, FALSE, pid);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    FileHandle owner(process);
    return owner.Valid() && ReadTokenUser(process, buffer);
}

// The account name of `sid`, or empty.
std::wstring AccountName(PSID sid)
{
    WCHAR name[256] = {};
    WCHAR domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use))
        return L"";
    return name;
}

} // namespace

bool FindOtherShellUser(std::wstring* name)
{
    TokenUserBuffer own;
    if (!ReadTokenUser(GetCurrentProcess(), &own))
        return false;
    PSID shellSid = nullptr;
    PSID converted = nullptr;
    TokenUserBuffer shell;
    if (g_testSid[0] != L'\0') {
        if (!ConvertStringSidToSidW(g_testSid, &converted))
            return false;
        shellSid = converted;
    } else if (ReadShellUser(&shell)) {
        shellSid = shell.user.User.Sid;
    }
    const bool other = shellSid && IsValidSid(shellSid) && !EqualSid(shellSid, own.user.User.Sid);
    if (other && name)
        *name = AccountName(shellSid);
    if (converted)
        LocalFree(converted);
    return other;
}

void SetShellUserForTests(const wchar_t* sid)
{
    g_testSid[0] = L'\0';
    if (sid && std::wcslen(sid) < sizeof g_testSid / sizeof g_testSid[0])
        std::wcscpy(g_testSid, sid);
}
