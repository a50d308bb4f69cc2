#include "record_trust.h"

#include "folder_acl.h"
#include "install_manifest.h"
#include "paths.h"

#include <windows.h>

#include <shlobj.h>

namespace {

std::wstring UpperPath(const std::wstring& path)
{
    std::wstring upper = NormalisePath(path);
    if (!upper.empty())
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

bool BelowProfile(const std::wstring& location)
{
    WCHAR profile[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile)))
        return false;
    std::wstring folder = UpperPath(profile);
    const std::wstring path = UpperPath(location);
    if (folder.empty() || path.empty())
        return false;
    if (folder.back() != L'\\')
        folder += L'\\';
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0;
}

} // namespace

bool ProcessIsElevated()
{
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        TOKEN_ELEVATION elevation = {};
        DWORD size = 0;
        const BOOL known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
        CloseHandle(token);
        if (known)
            return elevation.TokenIsElevated != 0;
    }
    // No elevation in this system: an administrator is one by membership.
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof sid;
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize) &&
           CheckTokenMembership(nullptr, sid, &member) && member;
}

bool UserLocationTrustedWhenElevated(const std::wstring& location)
{
    if (location.empty() || NormalisePath(location).empty() || BelowProfile(location))
        return true;
    InstallManifest manifest;
    return ReadInstallManifest(location, &manifest) == ERROR_SUCCESS && SamePath(manifest.directory, location) &&
           !FolderLetsOrdinaryUsersWrite(location);
}

bool UserLocationTrusted(const std::wstring& location)
{
    return !ProcessIsElevated() || UserLocationTrustedWhenElevated(location);
}
