// CRegistryKey: the one registry key object of both programs.
//
// Owns at most one open key handle and closes it when replaced, closed or
// destroyed. Every operation returns a Windows error code (ERROR_SUCCESS on
// success) and shows nothing. A failed Open or Create leaves the key already
// held untouched. ReadString never leaves a partial or unterminated string in
// the caller's buffer: on every failure the buffer starts with a zero.
//
// Nothing throws: ReadString without a size argument (a programming error)
// gives ERROR_INVALID_PARAMETER and leaves the buffer alone. Objects are
// locals of one function, never copied and never shared between threads.
#pragma once

#include <windows.h>

class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // RegOpenKeyExW with the given access; remembers the view bits (access & 0x300).
    LONG Open(HKEY parent, LPCWSTR path, REGSAM access);
    // Creates or opens, non-volatile, KEY_READ | KEY_WRITE; view bits become 0.
    LONG Create(HKEY parent, LPCWSTR path);
    // Result of RegCloseKey, or 0 when nothing was open.
    LONG Close();
    // Reads a REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ value. *pnBytes gives the
    // buffer's size in bytes and receives the value's size. Values of other
    // types, odd sizes or a missing terminator give ERROR_INVALID_DATA.
    LONG ReadString(LPCWSTR name, LPWSTR buffer, ULONG* pnBytes);
    // REG_SZ with its terminator; a null text gives ERROR_INVALID_DATA.
    LONG WriteString(LPCWSTR name, LPCWSTR text);
    // Deletes one sub-key without sub-keys (RegDeleteKeyExW with the view bits
    // where the system has it, else RegDeleteKeyW).
    LONG DeleteKey(LPCWSTR name);
    // Deletes a sub-key with everything below it, depth first; stops at the
    // first failure and returns its code.
    LONG DeleteTree(LPCWSTR name);

    HKEY Handle() const { return m_hKey; }
    REGSAM ViewBits() const { return m_samWOW64; }

private:
    HKEY m_hKey = nullptr;
    REGSAM m_samWOW64 = 0;
};
