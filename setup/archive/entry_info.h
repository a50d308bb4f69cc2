// Entry metadata: Windows attributes from the zip host system and external
// attributes, FILETIMEs from the DOS date and time, and the extended-timestamp
// ("UT") block of a local extra field.
//
// Contract (all pure functions, no state):
// - MapEntryAttributes: host is the high byte of "version made by". Hosts
//   0 (MS-DOS), 7, 10 (NTFS), 11 and 14 (VFAT) read the DOS bits 0..5 of
//   `external`; any other host gets the Unix reading (directory when bit 30
//   is set, read-only when bit 23 is clear). Files get the archive bit in the
//   Unix reading.
// - EntryTimeToFileTime: the DOS date and time read as local time,
//   converted to UTC. An impossible date gives a zero FILETIME and false.
// - ApplyExtendedTimestamp: when `extra` (the local extra field) is longer
//   than 4 bytes, finds the first "UT" block and replaces the write, access
//   and creation times that its flags announce. Never reads outside `extra`
//   or outside the block. Returns true when a "UT" block was found.
#pragma once

#include <windows.h>

#include <cstddef>

DWORD MapEntryAttributes(unsigned host, DWORD external);
bool EntryTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* out);
bool ApplyExtendedTimestamp(const unsigned char* extra, size_t length,
                            FILETIME* writeTime, FILETIME* accessTime, FILETIME* creationTime);
