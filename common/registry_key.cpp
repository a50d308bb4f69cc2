#include "registry_key.h"

#include <atomic>

namespace {

using RegDeleteKeyExWFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

// Looked up once per process: RegDeleteKeyExW is missing on 32-bit Windows XP.
std::atomic<bool> g_deleteKeyExLooked{false};
std::atomic<RegDeleteKeyExWFn> g_deleteKeyEx{nullptr};

RegDeleteKeyExWFn DeleteKeyExEntry()
{
    if (!g_deleteKeyExLooked.load()) {
        RegDeleteKeyExWFn fn = nullptr;
        if (HMODULE advapi = GetModuleHandleW(L"Advapi32.dll"))
            fn = reinterpret_cast<RegDeleteKeyExWFn>(
                reinterpret_cast<void*>(GetProcAddress(advapi, "RegDeleteKeyExW")));
        g_deleteKeyEx.store(fn);
        g_deleteKeyExLooked.store(true);
    }
    return g_deleteKeyEx.load();
}

void EmptyBuffer(LPWSTR buffer, ULONG capacityBytes)
{
    if (buffer && capacityBytes >= sizeof(WCHAR))
        buffer[0] = L'\0';
}

} // namespace

CRegistryKey::~CRegistryKey()
{
    Close();
}

LONG CRegistryKey::Open(HKEY parent, LPCWSTR path, REGSAM access)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(parent, path, 0, access, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = Close();
    m_hKey = key;
    m_samWOW64 = access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    return rc;
}

LONG CRegistryKey::Create(HKEY parent, LPCWSTR path)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = Close();
    m_hKey = key;
    return rc;
}

LONG CRegistryKey::Close()
{
    LONG rc = ERROR_SUCCESS;
    if (m_hKey) {
        rc = RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
    m_samWOW64 = 0;
    return rc;
}

LONG CRegistryKey::ReadString(LPCWSTR name, LPWSTR buffer, ULONG* pnBytes)
{
    if (!pnBytes)
        return ERROR_INVALID_PARAMETER;
    const ULONG capacity = *pnBytes;
    if (!buffer && capacity != 0)
        return ERROR_INVALID_PARAMETER;

    DWORD type = 0;
    DWORD size = capacity;
    LONG rc = RegQueryValueExW(m_hKey, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
    *pnBytes = size;
    if (rc != ERROR_SUCCESS) {
        EmptyBuffer(buffer, capacity);
        return rc;
    }
    if (size == 0) {
        EmptyBuffer(buffer, capacity);
        return ERROR_SUCCESS;
    }
    if (!buffer) { // a zero-size query of a non-empty value: nothing to validate
        return ERROR_MORE_DATA;
    }

    const ULONG chars = size / sizeof(WCHAR);
    bool valid = false;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        valid = size % 2 == 0 && buffer[chars - 1] == L'\0';
        break;
    case REG_MULTI_SZ:
        valid = size % 2 == 0 && size >= 2 && buffer[chars - 1] == L'\0' &&
                (chars < 2 || buffer[chars - 2] == L'\0');
        break;
    default:
        valid = false;
        break;
    }
    if (!valid) {
        EmptyBuffer(buffer, capacity);
        return ERROR_INVALID_DATA;
    }
    return ERROR_SUCCESS;
}

LONG CRegistryKey::WriteString(LPCWSTR name, LPCWSTR text)
{
    if (!text)
        return ERROR_INVALID_DATA;
    const DWORD bytes = static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(WCHAR));
    return RegSetValueExW(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
}

LONG CRegistryKey::DeleteKey(LPCWSTR name)
{
    if (RegDeleteKeyExWFn deleteKeyEx = DeleteKeyExEntry())
        return deleteKeyEx(m_hKey, name, m_samWOW64, 0);
    return RegDeleteKeyW(m_hKey, name);
}

LONG CRegistryKey::DeleteTree(LPCWSTR name)
{
    CRegistryKey sub;
    LONG rc = sub.Open(m_hKey, name, KEY_READ | KEY_WRITE | m_samWOW64);
    if (rc != ERROR_SUCCESS)
        return rc;
    for (;;) {
        WCHAR child[256];
        DWORD childLen = 256;
        if (RegEnumKeyExW(sub.m_hKey, 0, child, &childLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        rc = sub.DeleteTree(child);
        if (rc != ERROR_SUCCESS) {
            sub.Close();
            return rc;
        }
    }
    sub.Close();
    return DeleteKey(name);
}
