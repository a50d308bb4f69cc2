// Small helpers shared by the archive tests: opening test bytes, reading
// FILETIMEs as numbers, expected UTC times of DOS stamps (computed with
// TzSpecificLocalTimeToSystemTime, not the reader's own conversion), and a
// file's three times. Folder listings are testing_support::Tree.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ZipArchive.h"
#include "test_support.h"

using testing_support::Tree;

inline ZipArchivePtr OpenBytes(const std::string& bytes) {
    return ZipArchivePtr(ZipArchiveOpen(bytes.data(), static_cast<DWORD>(bytes.size())));
}

inline unsigned long long Ticks(const FILETIME& ft) {
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

inline unsigned long long UnixTicks(long long seconds) {
    return static_cast<unsigned long long>(seconds + 11644473600LL) * 10000000ULL;
}

inline unsigned long long ExpectedDosTicks(unsigned date, unsigned time) {
    SYSTEMTIME local = {};
    local.wYear = static_cast<WORD>((date >> 9) + 1980);
    local.wMonth = static_cast<WORD>((date >> 5) & 15);
    local.wDay = static_cast<WORD>(date & 31);
    local.wHour = static_cast<WORD>(time >> 11);
    local.wMinute = static_cast<WORD>((time >> 5) & 63);
    local.wSecond = static_cast<WORD>((time & 31) * 2);
    SYSTEMTIME utc;
    FILETIME ft = {};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft)) return 0;
    return Ticks(ft);
}

// Write, access and creation time of a file, or false.
inline bool FileTimes(const std::wstring& path, FILETIME* write, FILETIME* access, FILETIME* creation) {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileTime(h, creation, access, write) != FALSE;
    CloseHandle(h);
    return ok;
}
