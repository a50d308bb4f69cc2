#include "folder_acl.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                     WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool IsOrdinaryGroup(PSID sid)
{
    static const WELL_KNOWN_SID_TYPE kOrdinary[] = {WinWorldSid,         WinAnonymousSid,  WinAuthenticatedUserSid,
                                                    WinInteractiveSid,   WinBuiltinUsersSid, WinBuiltinGuestsSid};
    if (!sid || !IsValidSid(sid))
        return false;
    for (WELL_KNOWN_SID_TYPE type : kOrdinary) {
        if (IsWellKnownSid(sid, type))
            return true;
    }
    return false;
}

} // namespace

AllUsersFolderSecurity::AllUsersFolderSecurity()
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kAllUsersFolderSddl, SDDL_REVISION_1, &descriptor,
                                                             nullptr))
        m_attributes.lpSecurityDescriptor = descriptor;
}

AllUsersFolderSecurity::~AllUsersFolderSecurity()
{
    LocalFree(m_attributes.lpSecurityDescriptor);
}

bool DescriptorLetsOrdinaryUsersWrite(PSECURITY_DESCRIPTOR descriptor)
{
    if (!descriptor || !IsValidSecurityDescriptor(descriptor))
        return true;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) && IsOrdinaryGroup(owner))
        return true;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl)
        return true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry))
            return true;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & kWriteRights) && IsOrdinaryGroup(&allowed->SidStart))
            return true;
    }
    return false;
}

bool FolderLetsOrdinaryUsersWrite(const std::wstring& folder)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return true;
    const bool writable = DescriptorLetsOrdinaryUsersWrite(descriptor);
    LocalFree(descriptor);
    return writable;
}
