// Small helpers shared by the archive tests: opening test bytes, Get item on
// an archive of one entry, extracting every entry as the workers do, reading
// FILETIMEs as numbers, expected UTC
// times of DOS stamps (computed with TzSpecificLocalTimeToSystemTime, not
// the reader's own conversion). Folder listings are testing_support::Tree.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZipArchive.h"
#include "test_support.h"
#include "zip_builder.h"

using testing_support::Tree;

// The archive over `bytes`, which must outlive it.
inline ZipArchivePtr OpenBytes(const std::string& bytes) {
    return ZipArchivePtr(ZipArchiveOpen(bytes.data(), static_cast<DWORD>(bytes.size())));
}

// Get item's description of the only entry of an archive of `e`; its result
// into *result, or, without one, expected to be kZipOk.
inline ZipItem ItemOf(const TestEntry& e, ZipResult* result = nullptr) {
    const std::string zip = BuildZip({e});
    ZipArchivePtr archive = OpenBytes(zip);
    ZipItem item = {};
    const ZipResult got = archive ? ZipArchiveGetItem(archive.get(), 0, &item) : ~kZipOk;
    if (result != nullptr)
        *result = got;
    else
        EXPECT_EQ(kZipOk, got);
    return item;
}

// Every entry of `zip` got and then extracted under the name it was given
// below `base`, in order: the extraction results (an entry that could not be
// got is extracted as "entry"), and the get results into *gets. Nothing when
// the archive does not open or the base is refused.
inline std::vector<ZipResult> ExtractAll(const std::string& zip, const std::wstring& base,
                                         std::vector<ZipResult>* gets = nullptr) {
    std::vector<ZipResult> results;
    ZipArchivePtr archive = OpenBytes(zip);
    ZipItem item;
    if (!archive || ZipArchiveSetBaseDir(archive.get(), base.c_str()) != kZipOk ||
        ZipArchiveGetItem(archive.get(), -1, &item) != kZipOk)
        return results;
    for (int i = 0, n = item.index; i < n; ++i) {
        const ZipResult get = ZipArchiveGetItem(archive.get(), i, &item);
        if (gets != nullptr) gets->push_back(get);
        results.push_back(ZipArchiveExtractItem(archive.get(), i, get == kZipOk ? item.name : L"entry"));
    }
    return results;
}

inline unsigned long long Ticks(const FILETIME& ft) {
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

inline unsigned long long UnixTicks(long long seconds) {
    return static_cast<unsigned long long>(seconds + 11644473600LL) * 10000000ULL;
}

inline unsigned long long ExpectedDosTicks(unsigned date, unsigned time) {
    SYSTEMTIME local = {static_cast<WORD>((date >> 9) + 1980), static_cast<WORD>((date >> 5) & 15), 0,
                        static_cast<WORD>(date & 31), static_cast<WORD>(time >> 11),
                        static_cast<WORD>((time >> 5) & 63), static_cast<WORD>((time & 31) * 2), 0};
    SYSTEMTIME utc;
    FILETIME ft = {};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft)) return 0;
    return Ticks(ft);
}
