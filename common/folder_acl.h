// Access lists of installation folders.
//
// kAllUsersFolderSddl is the list Setup gives every folder it creates for an
// installation for all users (the directory and the parents it makes):
// Administrators and SYSTEM full control, Users read and execute, each
// inherited by the files and folders below, nothing inherited from above.
// AllUsersFolderSecurity holds it as security attributes for
// CreateDirectoryW.
//
// DescriptorLetsOrdinaryUsersWrite decides from a security descriptor alone
// whether ordinary users may change what is in the folder: an allow entry,
// inherited or not, inherit-only or not, for Everyone, Anonymous,
// Authenticated Users, Interactive, Users or Guests that grants any of
// write/add file, append/add folder, delete child, delete, change the list,
// take ownership, generic write or generic all; or an owner among those
// groups (an owner may always rewrite the list); or no list at all (full
// access for everyone). Deny entries are not weighed: a refusal may be too
// strict, never too lax. The administrator's own account is not one of
// these groups.
//
// FolderLetsOrdinaryUsersWrite reads a real folder's owner and list
// (GetNamedSecurityInfoW) and decides the same; a folder whose list cannot
// be read counts as writable. Nothing here keeps state or shows anything.
#pragma once

#include <windows.h>

#include <string>

inline constexpr wchar_t kAllUsersFolderSddl[] =
    L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

class AllUsersFolderSecurity {
public:
    AllUsersFolderSecurity();
    ~AllUsersFolderSecurity();
    AllUsersFolderSecurity(const AllUsersFolderSecurity&) = delete;
    AllUsersFolderSecurity& operator=(const AllUsersFolderSecurity&) = delete;
    // Null when the list could not be built (out of memory).
    SECURITY_ATTRIBUTES* Attributes() { return m_attributes.lpSecurityDescriptor ? &m_attributes : nullptr; }

private:
    SECURITY_ATTRIBUTES m_attributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

bool DescriptorLetsOrdinaryUsersWrite(PSECURITY_DESCRIPTOR descriptor);
bool FolderLetsOrdinaryUsersWrite(const std::wstring& folder);
