#include "entry_info.h"

namespace {

unsigned ReadU16(const unsigned char* p) { return p[0] | (p[1] << 8); }

long long ReadS32(const unsigned char* p) {
    unsigned long value = static_cast<unsigned long>(p[0]) | (static_cast<unsigned long>(p[1]) << 8) |
                          (static_cast<unsigned long>(p[2]) << 16) | (static_cast<unsigned long>(p[3]) << 24);
    return static_cast<long long>(static_cast<int>(value));
}

FILETIME UnixSecondsToFileTime(long long seconds) {
    unsigned long long ticks = static_cast<unsigned long long>(seconds + 11644473600LL) * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

} // namespace

DWORD MapEntryAttributes(unsigned host, DWORD external) {
    bool directory = (external & 0x40000000) != 0;
    bool readOnly = (external & 0x00800000) == 0;
    bool archive = true;
    bool hidden = false;
    bool system = false;
    if (host == 0 || host == 7 || host == 10 || host == 11 || host == 14) {
        readOnly = (external & 0x01) != 0;
        hidden = (external & 0x02) != 0;
        system = (external & 0x04) != 0;
        directory = (external & 0x10) != 0;
        archive = (external & 0x20) != 0;
    }
    DWORD attributes = 0;
    if (directory) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (archive) attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (hidden) attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (readOnly) attributes |= FILE_ATTRIBUTE_READONLY;
    if (system) attributes |= FILE_ATTRIBUTE_SYSTEM;
    return attributes;
}

bool EntryTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* out) {
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>((dosDate >> 9) + 1980);
    st.wMonth = static_cast<WORD>((dosDate >> 5) & 15);
    st.wDay = static_cast<WORD>(dosDate & 31);
    st.wHour = static_cast<WORD>(dosTime >> 11);
    st.wMinute = static_cast<WORD>((dosTime >> 5) & 63);
    st.wSecond = static_cast<WORD>((dosTime & 31) * 2);
    st.wMilliseconds = 0;
    FILETIME local;
    if (!SystemTimeToFileTime(&st, &local) || !LocalFileTimeToFileTime(&local, out)) {
        out->dwLowDateTime = 0;
        out->dwHighDateTime = 0;
        return false;
    }
    return true;
}

bool ApplyExtendedTimestamp(const unsigned char* extra, size_t length,
                            FILETIME* writeTime, FILETIME* accessTime, FILETIME* creationTime) {
    if (extra == nullptr || length <= 4) return false;
    size_t pos = 0;
    // A block needs its 4-byte head and at least one byte of data.
    while (pos + 5 <= length) {
        unsigned size = ReadU16(extra + pos + 2);
        if (extra[pos] == 'U' && extra[pos + 1] == 'T') {
            size_t dataEnd = pos + 4 + size;
            if (dataEnd > length) dataEnd = length;
            const unsigned char* data = extra + pos + 4;
            unsigned flags = data[0];
            size_t at = pos + 5;
            FILETIME* targets[3] = {writeTime, accessTime, creationTime};
            for (int bit = 0; bit < 3; ++bit) {
                if ((flags & (1u << bit)) == 0) continue;
                if (at + 4 > dataEnd) break;
                *targets[bit] = UnixSecondsToFileTime(ReadS32(extra + at));
                at += 4;
            }
            return true;
        }
        pos += 4 + static_cast<size_t>(size);
    }
    return false;
}
