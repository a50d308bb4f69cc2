// The access lists of installation folders and the trust of the current
// user's records, against Wine's real security calls, file system and
// registry: the all-users list means what it says and is accepted, as a
// descriptor and on a real folder it was made with; a table of lists
// refused and accepted; a real folder that everyone may write refused (Wine
// keeps a folder's list as its Unix mode, so "everyone may write" survives a
// round trip). Then the locations an elevated program trusts from the
// current user's registry, and the probe that reports a record it does not.
#include "folder_acl.h"

#include "install_manifest.h"
#include "install_record.h"
#include "record_trust.h"
#include "test_support.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <shlobj.h>
#include <shlwapi.h>

using namespace testing_support;

namespace {

struct LocalDescriptor {
    explicit LocalDescriptor(const wchar_t* sddl)
    {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr);
    }
    ~LocalDescriptor() { LocalFree(sd); }
    PSECURITY_DESCRIPTOR sd = nullptr;
};

std::wstring SidText(PSID sid)
{
    LPWSTR text = nullptr;
    std::wstring result = ConvertSidToStringSidW(sid, &text) ? text : L"?";
    LocalFree(text);
    return result;
}

} // namespace

// Administrators and SYSTEM full control, Users read and execute, each for
// the folder, its files and its folders; nothing inherited from above.
TEST(FolderAcl, TheAllUsersListMeansWhatItSaysAndIsAccepted)
{
    AllUsersFolderSecurity security;
    ASSERT_NE(security.Attributes(), nullptr);
    PSECURITY_DESCRIPTOR sd = security.Attributes()->lpSecurityDescriptor;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) && present && dacl);
    std::vector<std::pair<std::wstring, ACCESS_MASK>> grants;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &entry));
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        grants.push_back({SidText(&ace->SidStart), ace->Mask});
    }
    const ACCESS_MASK readAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
    EXPECT_EQ(grants, (std::vector<std::pair<std::wstring, ACCESS_MASK>>{
                          {L"S-1-5-32-544", FILE_ALL_ACCESS}, {L"S-1-5-18", FILE_ALL_ACCESS}, {L"S-1-5-32-545", readAndExecute}}));
    EXPECT_FALSE(DescriptorLetsOrdinaryUsersWrite(sd));

    ScratchDir scratch(L"acl");
    const std::wstring folder = scratch / L"made";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), security.Attributes()));
    EXPECT_FALSE(FolderLetsOrdinaryUsersWrite(folder));
    ASSERT_TRUE(SetFolderDacl(folder, L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)"));
    EXPECT_TRUE(FolderLetsOrdinaryUsersWrite(folder));
    EXPECT_TRUE(FolderLetsOrdinaryUsersWrite(scratch / L"missing"));
}

TEST(FolderAcl, ListsThatLetOrdinaryUsersWriteAreRefused)
{
    const struct {
        const wchar_t* sddl;
        bool refused;
    } cases[] = {
        {L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICI;0x1200a9;;;AU)", false},
        {L"D:(A;OICIIO;GA;;;CO)(A;OICI;FA;;;BA)(A;OICIIO;GXGR;;;BU)(A;;0x1200a9;;;WD)", false},
        {L"O:BAD:(A;OICI;FA;;;BA)(D;OICI;FA;;;BU)", false},  // a deny entry grants nothing
        {L"O:BAD:", false},                                    // an empty list grants nothing
        {L"O:BA", true},                                       // no list: full access for everyone
        {L"D:(A;OICI;FA;;;BU)", true},
        {L"D:(A;OICI;0x1301bf;;;AU)", true},  // "modify", inherited
        {L"D:AI(A;OICIID;FW;;;WD)", true},
        {L"D:(A;;FA;;;BA)(A;OICIIO;GW;;;IU)", true},  // for what will be made inside
        {L"D:(A;;0x4;;;AN)", true},                    // add a folder
        {L"D:(A;;0x40;;;BG)", true},                   // delete a child
        {L"D:(A;;SD;;;BU)", true},
        {L"D:(A;;WD;;;BU)", true},
        {L"D:(A;;WO;;;AU)", true},
        {L"D:(A;;GA;;;WD)", true},
        {L"O:BUD:(A;OICI;FA;;;BA)", true},  // an owner may rewrite the list
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.sddl)));
        LocalDescriptor descriptor(c.sddl);
        ASSERT_NE(descriptor.sd, nullptr);
        EXPECT_EQ(DescriptorLetsOrdinaryUsersWrite(descriptor.sd), c.refused);
    }
}

// Below the user's profile, or an administrators' folder whose manifest
// names it: trusted. A system folder, the profile itself, a folder without
// a manifest or whose manifest names another, one that everyone may write:
// not. A location that names no full path leads to nothing and is trusted.
TEST(RecordTrust, TheCurrentUsersLocationsAnElevatedProgramTrusts)
{
    WCHAR windows[MAX_PATH] = {}, profile[MAX_PATH] = {}, common[MAX_PATH] = {};
    GetSystemDirectoryW(windows, MAX_PATH);
    SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, profile);
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common);
    ScratchDir mine(L"trust");  // the temporary folder lies in the profile
    const std::wstring base = std::wstring(common) + L"\\VeltTest-trust";
    const struct {
        const char* name;
        std::wstring location;
        const wchar_t* manifestNames;  // null: no manifest
        bool everyoneWrites, trusted;
    } cases[] = {
        {"below the profile", mine.Path(), nullptr, false, true},
        {"the profile itself", profile, nullptr, false, false},
        {"the system folder", windows, nullptr, false, false},
        {"administrators' folder with its manifest", base + L"\\ours", L"", false, true},
        {"administrators' folder without a manifest", base + L"\\bare", nullptr, false, false},
        {"a manifest naming another folder", base + L"\\other", L"C:\\elsewhere", false, false},
        {"a folder everyone may write", base + L"\\open", L"", true, false},
        {"a relative path", L"VELT电子日历", nullptr, false, true},
        {"nothing", L"", nullptr, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.location.find(base) == 0) {
            ASSERT_TRUE(MakeDirs(c.location));
            ASSERT_TRUE(!c.everyoneWrites || SetFolderDacl(c.location, L"D:P(A;OICI;FA;;;WD)"));
        }
        if (c.manifestNames) {
            InstallManifest manifest;
            manifest.directory = *c.manifestNames ? c.manifestNames : c.location;
            manifest.createdDirectory = true;
            ASSERT_EQ(WriteInstallManifest(c.location, manifest), ERROR_SUCCESS);
        }
        EXPECT_EQ(UserLocationTrustedWhenElevated(c.location), c.trusted);
    }
    RemoveTree(base);

    // The probe: a record of the current user's naming the system folder.
    ASSERT_TRUE(ProcessIsElevated());  // Wine's token is an elevated administrator's
    const std::wstring record = InstallRecordKeyPath(L"{VeltTest-trust}");
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, record, L"InstallLocation", windows));
    const RecordProbe probe = FindInstallRecord(L"{VeltTest-trust}");
    SHDeleteKeyW(HKEY_CURRENT_USER, record.c_str());
    EXPECT_TRUE(probe.found);
    EXPECT_EQ(probe.allUsers, 0);
    EXPECT_FALSE(probe.trusted);
}
