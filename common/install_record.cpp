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

std::vector<RecordValue> InstallRecordValues(const std::wstring& installDir, RecordWriter writer, DWORD sizeKb,
                                             const std::wstring& date)
{
    std::vector<RecordValue> values;
    if (writer == RecordWriter::Install) {
        values = {
            {kValueDisplayName, kDisplayName},
            {kValueInstallLocation, installDir},
            {kValuePublisher, kPublisher},
            {kValueUninstallString, UninstallCommand(installDir)},
        };
    } else {
        values = {
            {kValueDisplayName, kDisplayName},
            {kValueUninstallStringRepair, UninstallCommand(installDir)},
            {kValueInstallLocation, installDir},
            {kValuePublisher, kPublisher},
        };
    }
    values.insert(values.end(), {
                                    {kValueDisplayVersion, kProductVersion},
                                    {kValueDisplayIcon, AppExePath(installDir) + L",0"},
                                    {kValueEstimatedSize, L"", sizeKb, true},
                                    {kValueInstallDate, date},
                                    {kValueNoModify, L"", 1, true},
                                    {kValueNoRepair, L"", 1, true},
                                    {kValueQuietUninstallString, QuietUninstallCommand(installDir)},
                                });
    return values;
}

std::wstring RecordDate(const SYSTEMTIME& time)
{
    WCHAR text[16];
    wsprintfW(text, L"%04u%02u%02u", time.wYear, time.wMonth, time.wDay);
    return text;
}

LONG WriteInstallRecord(int allUsers, const std::wstring& productKey, const std::wstring& installDir,
                        RecordWriter writer, DWORD sizeKb)
{
    CRegistryKey key;
    const LONG rc = key.Create(RecordRoot(allUsers), InstallRecordKeyPath(productKey).c_str());
    if (rc != ERROR_SUCCESS)
        return rc;
    SYSTEMTIME now;
    GetLocalTime(&now);
    for (const RecordValue& value : InstallRecordValues(installDir, writer, sizeKb, RecordDate(now))) {
        if (value.dword)
            RegSetValueExW(key.Handle(), value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                           sizeof value.number);
        else
            key.WriteString(value.name, value.text.c_str());
    }
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
