// PayloadSizeKb: what an installation of the payload occupies, for the
// install record's "EstimatedSize": the uncompressed sizes of the archive's
// entries added up, in KB rounded up. 0 when there is no payload or it
// cannot be read (the extraction then reports it as damaged). Reads the
// archive in place; keeps nothing.
#pragma once

#include <windows.h>

DWORD PayloadSizeKb(const void* payload, DWORD payloadSize);
