#include "install_record.h"

#include "product.h"
#include "record_trust.h"
#include "registry_key.h"

std::wstring InstallRecordKeyPath(const std::wstring& productKey)
{
    return std::wstring(kUninstallParentKey) + L"\\" + productKey;
}

RecordProbe FindInstallRecord(const std::wstring& productKey)
{
    const std::wstring path = InstallRecordKeyPath(productKey);
    for (int allUsers : {1, 0}) {
        CRegistryKey key;
        if (key.Open(RecordRoot(allUsers), path.c_str(), kProbeAccess) != ERROR_SUCCESS)
            continue;
        WCHAR location[MAX_PATH + 1] = {};
        ReadInstallLocation(key, location);
        return {true, allUsers, allUsers == 1 || UserLocationTrusted(location)};
    }
    return {};
}

std::vector<RecordValue> InstallRecordValues(const std::wstring& installDir, RecordWriter writer)
{
    if (writer == RecordWriter::Install) {
        return {
            {kValueDisplayName, kDisplayName},
            {kValueInstallLocation, installDir},
            {kValuePublisher, kPublisher},
            {kValueUninstallString, UninstallCommand(installDir)},
        };
    }
    return {
        {kValueDisplayName, kDisplayName},
        {kValueUninstallStringRepair, UninstallCommand(installDir)},
        {kValueInstallLocation, installDir},
        {kValuePublisher, kPublisher},
    };
}

LONG WriteInstallRecord(int allUsers, const std::wstring& productKey, const std::wstring& installDir,
                        RecordWriter writer)
{
    CRegistryKey key;
    const LONG rc = key.Create(RecordRoot(allUsers), InstallRecordKeyPath(productKey).c_str());
    if (rc != ERROR_SUCCESS)
        return rc;
    for (const RecordValue& value : InstallRecordValues(installDir, writer))
        key.WriteString(value.name, value.data.c_str());
    return ERROR_SUCCESS;
}

bool ReadInstallLocation(CRegistryKey& key, WCHAR (&location)[MAX_PATH + 1])
{
    ZeroMemory(location, sizeof location);
    ULONG bytes = MAX_PATH * sizeof(WCHAR);
    return key.ReadString(kValueInstallLocation, location, &bytes) == ERROR_SUCCESS;
}

bool ReadTrustedInstallLocation(CRegistryKey& key, HKEY root, WCHAR (&location)[MAX_PATH + 1])
{
    if (!ReadInstallLocation(key, location))
        return false;
    if (root != HKEY_CURRENT_USER || UserLocationTrusted(location))
        return true;
    ZeroMemory(location, sizeof location);
    return false;
}
